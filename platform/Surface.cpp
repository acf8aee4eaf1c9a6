#include "Surface.h"

#include <algorithm>
#include <cstdint>

namespace platform {

namespace {

// Beyond this many separate rectangles the pending region becomes its bounding rectangle:
// repainting a little more is cheaper than walking a long list per control.
constexpr size_t kMaxPendingRects = 8;

int64_t area(const TRect& r) {
  return r.isEmpty() ? 0 : int64_t(r.width()) * r.height();
}

TRect bounding(const std::vector<TRect>& rects) {
  TRect b;
  for (const TRect& r : rects) b = b.united(r);
  return b;
}

// Adds `r` to a list of disjoint rectangles. Rectangles that overlap it, or that complete it
// to a larger rectangle with nothing extra, are absorbed (repeatedly, as the union grows),
// so nothing is painted twice. Returns true when the list was collapsed to its bounds.
bool addRect(std::vector<TRect>& rects, TRect r) {
  for (bool merged = true; merged;) {
    merged = false;
    for (size_t i = 0; i < rects.size(); ++i) {
      const TRect& o = rects[i];
      const TRect u = r.united(o);
      if (o.intersects(r) || area(u) == area(r) + area(o)) {
        r = u;
        rects.erase(rects.begin() + ptrdiff_t(i));
        merged = true;
        break;
      }
    }
  }
  rects.push_back(r);
  if (rects.size() <= kMaxPendingRects) return false;
  const TRect all = bounding(rects);
  rects.assign(1, all);
  return true;
}

unsigned buttonBit(MouseButton b) {
  return 1u << unsigned(b);
}

// The event's state completed with the buttons the surface knows to be held, so a move
// reports the held buttons even when the caller passed no state.
ShiftState withButtons(ShiftState s, unsigned buttons) {
  s.left = s.left || (buttons & buttonBit(MouseButton::Left));
  s.right = s.right || (buttons & buttonBit(MouseButton::Right));
  s.middle = s.middle || (buttons & buttonBit(MouseButton::Middle));
  return s;
}

MouseEvent eventFor(const Control& c, int x, int y, MouseButton b, ShiftState s) {
  MouseEvent e;
  e.button = b;
  e.shift = s;
  e.x = x - c.left();
  e.y = y - c.top();
  return e;
}

}  // namespace

// ---- Control ----

Control::~Control() {
  if (parent_) parent_->detach(this);
}

void Control::setParent(Surface* surface) {
  if (surface == parent_) return;
  if (parent_) parent_->detach(this);
  if (surface) surface->attach(this);
}

void Control::setBounds(int left, int top, int width, int height) {
  const TRect next = rectXYWH(left, top, width, height);
  if (next == bounds_) return;
  const TRect old = bounds_;
  bounds_ = next;
  if (parent_ && visible_) {
    parent_->invalidate(old);
    parent_->invalidate(next);
  }
}

void Control::setVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  if (parent_) parent_->invalidate(bounds_);
}

void Control::bringToFront() {
  if (parent_) parent_->raise(this);
}

void Control::sendToBack() {
  if (parent_) parent_->lower(this);
}

void Control::invalidate(bool erase) {
  if (parent_ && visible_) parent_->invalidate(bounds_, erase);
}

void Control::invalidateRect(const TRect& client, bool erase) {
  if (parent_ && visible_)
    parent_->invalidate(client.translated(left(), top()).intersected(bounds_), erase);
}

Canvas Control::canvas() const {
  if (!parent_) {
    // Detached: a canvas that draws nowhere.
    static Bitmap nowhere;
    return Canvas(nowhere, {left(), top()}, TRect{});
  }
  const TRect clip = bounds_.intersected({0, 0, parent_->width(), parent_->height()});
  // The window adapter only schedules a repaint here, which runs after the caller's drawing.
  parent_->changed(clip);
  return Canvas(parent_->image_, {left(), top()}, clip);
}

TPoint Control::clientToScreen(TPoint p) const {
  TPoint origin;
  if (parent_ && parent_->screenOrigin) origin = parent_->screenOrigin();
  return {p.x + left() + origin.x, p.y + top() + origin.y};
}

TPoint Control::screenToClient(TPoint p) const {
  TPoint origin;
  if (parent_ && parent_->screenOrigin) origin = parent_->screenOrigin();
  return {p.x - left() - origin.x, p.y - top() - origin.y};
}

void Control::beginDrag() {
  if (!parent_) return;
  parent_->drag_ = this;
  parent_->dragTarget_ = nullptr;
  parent_->dragAccepted_ = false;
}

bool Control::dragging() const {
  return parent_ && parent_->drag_ == this;
}

// ---- Surface ----

Surface::Surface(int width, int height, TColor background)
    : image_(width, height, background), background_(background) {}

Surface::~Surface() {
  for (Control* c : controls_) c->parent_ = nullptr;
}

void Surface::resize(int width, int height) {
  image_.resize(width, height);
  dirty_.clear();
  erase_.clear();
  invalidateAll(true);
}

void Surface::setBackground(TColor c) {
  if (c == background_) return;
  background_ = c;
  invalidateAll(true);
}

int Surface::indexOf(const Control* c) const {
  const auto it = std::find(controls_.begin(), controls_.end(), c);
  return it == controls_.end() ? -1 : int(it - controls_.begin());
}

void Surface::invalidate(const TRect& r, bool erase) {
  const TRect clipped = r.intersected({0, 0, width(), height()});
  if (clipped.isEmpty()) return;
  addDirty(clipped, erase);
  changed(clipped);
}

void Surface::addDirty(const TRect& r, bool erase) {
  addRect(dirty_, r);
  // A collapsed erase list may reach past the repainted region; repaint all it erases.
  if (erase && addRect(erase_, r)) addRect(dirty_, erase_.front());
}

TRect Surface::pendingRect() const {
  return bounding(dirty_);
}

void Surface::render() {
  // Taken first: a control that invalidates while painting is served by the next render.
  const std::vector<TRect> dirty = std::move(dirty_);
  const std::vector<TRect> erase = std::move(erase_);
  dirty_.clear();
  erase_.clear();

  const uint32_t bg = toPixel(background_);
  for (const TRect& r : erase)
    for (int y = r.Top; y < r.Bottom; ++y) {
      uint32_t* line = image_.scanLine(y);
      std::fill(line + r.Left, line + r.Right, bg);
    }

  // Indexed: a paint handler may reorder or detach controls.
  for (size_t i = 0; i < controls_.size(); ++i) {
    Control* c = controls_[i];
    if (!c->visible_) continue;
    for (const TRect& r : dirty) {
      const TRect clip = c->bounds_.intersected(r);
      if (clip.isEmpty()) continue;
      Canvas canvas(image_, {c->left(), c->top()}, clip);
      c->paint(canvas);
    }
  }
}

void Surface::changed(const TRect& r) {
  const TRect clipped = r.intersected({0, 0, width(), height()});
  if (!clipped.isEmpty() && onChanged) onChanged(clipped);
}

void Surface::attach(Control* c) {
  controls_.push_back(c);
  c->parent_ = this;
  if (c->visible_) invalidate(c->bounds_);
}

void Surface::detach(Control* c) {
  const auto it = std::find(controls_.begin(), controls_.end(), c);
  if (it == controls_.end()) return;
  controls_.erase(it);
  c->parent_ = nullptr;
  if (capture_ == c) capture_ = nullptr;
  if (dragTarget_ == c) {
    dragTarget_ = nullptr;
    dragAccepted_ = false;
  }
  if (drag_ == c) {
    drag_ = nullptr;
    dragTarget_ = nullptr;
    dragAccepted_ = false;
  }
  if (c->visible_) invalidate(c->bounds_);
}

void Surface::raise(Control* c) {
  const auto it = std::find(controls_.begin(), controls_.end(), c);
  if (it == controls_.end() || it + 1 == controls_.end()) return;
  std::rotate(it, it + 1, controls_.end());
  if (c->visible_) invalidate(c->bounds_);
}

void Surface::lower(Control* c) {
  const auto it = std::find(controls_.begin(), controls_.end(), c);
  if (it == controls_.end() || it == controls_.begin()) return;
  std::rotate(controls_.begin(), it, it + 1);
  if (c->visible_) invalidate(c->bounds_);
}

Control* Surface::controlAt(int x, int y) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    const Control* c = *it;
    if (c->visible_ && c->enabled_ && c->bounds_.contains(x, y)) return *it;
  }
  return nullptr;
}

void Surface::mouseDown(int x, int y, MouseButton b, ShiftState s) {
  buttons_ |= buttonBit(b);
  if (drag_) return;  // the drag owns the pointer until a button is released
  Control* target = capture_ ? capture_ : controlAt(x, y);
  if (!target) return;
  capture_ = target;
  target->mouseDown(eventFor(*target, x, y, b, withButtons(s, buttons_)));
}

void Surface::mouseMove(int x, int y, ShiftState s) {
  if (drag_) {
    dragMove(x, y);
    return;
  }
  Control* target = capture_ ? capture_ : controlAt(x, y);
  if (target)
    target->mouseMove(eventFor(*target, x, y, MouseButton::Left, withButtons(s, buttons_)));
}

void Surface::mouseUp(int x, int y, MouseButton b, ShiftState s) {
  buttons_ &= ~buttonBit(b);
  Control* target = capture_ ? capture_ : controlAt(x, y);
  // As in Windows, the capture is gone by the time the release is handled.
  if (buttons_ == 0) capture_ = nullptr;
  if (drag_) {
    // The release ends the drag; the pressed control gets no mouse-up of its own.
    endDrag(x, y);
    return;
  }
  if (target) target->mouseUp(eventFor(*target, x, y, b, withButtons(s, buttons_)));
}

void Surface::dragMove(int x, int y) {
  Control* target = controlAt(x, y);
  if (target != dragTarget_) {
    if (Control* old = dragTarget_) {
      dragTarget_ = nullptr;
      dragAccepted_ = false;
      bool ignored = false;
      old->dragOver(drag_, x - old->left(), y - old->top(), DragState::Leave, ignored);
      if (!drag_) return;        // the source went away
      target = controlAt(x, y);  // the leave handler may have changed the controls
      if (!target) return;
    }
    dragTarget_ = target;
    bool accept = false;
    target->dragOver(drag_, x - target->left(), y - target->top(), DragState::Enter, accept);
    if (dragTarget_ == target) dragAccepted_ = accept;
    return;
  }
  if (!target) return;
  bool accept = false;
  target->dragOver(drag_, x - target->left(), y - target->top(), DragState::Move, accept);
  if (dragTarget_ == target) dragAccepted_ = accept;
}

void Surface::endDrag(int x, int y) {
  Control* source = drag_;
  Control* target = dragAccepted_ ? dragTarget_ : nullptr;
  drag_ = nullptr;
  dragTarget_ = nullptr;
  dragAccepted_ = false;
  if (target) target->dragDrop(source, x - target->left(), y - target->top());
}

}  // namespace platform
