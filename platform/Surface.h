#pragma once
#include <functional>
#include <vector>

#include "Bitmap.h"
#include "Canvas.h"
#include "Colour.h"
#include "Types.h"

namespace platform {

class Surface;

enum class DragState { Enter, Move, Leave };

struct MouseEvent {
  MouseButton button = MouseButton::Left;  // meaningful for down and up
  ShiftState shift;
  int x = 0;  // client coordinates of the control that receives the event
  int y = 0;
};

// A window-less control on a Surface (VCL's graphic control). It does not own its surface;
// a control removes itself from its surface when destroyed.
class Control {
 public:
  Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control();

  // Places the control on top of `surface`'s controls (nullptr detaches it).
  void setParent(Surface* surface);
  Surface* parent() const { return parent_; }

  int left() const { return bounds_.Left; }
  int top() const { return bounds_.Top; }
  int width() const { return bounds_.width(); }
  int height() const { return bounds_.height(); }
  TRect boundsRect() const { return bounds_; }
  // Repaints the old and the new place.
  virtual void setBounds(int left, int top, int width, int height);
  void setLeft(int l) { setBounds(l, top(), width(), height()); }
  void setTop(int t) { setBounds(left(), t, width(), height()); }

  bool visible() const { return visible_; }
  void setVisible(bool v);
  bool enabled() const { return enabled_; }
  void setEnabled(bool e) { enabled_ = e; }

  void bringToFront();
  void sendToBack();
  // Marks the control's whole area (or a client rectangle of it) for repainting.
  void invalidate(bool erase = true);
  void invalidateRect(const TRect& client, bool erase = true);
  // Window DC: drawing shows at once and stays until an invalidation covers it.
  Canvas canvas() const;

  TPoint clientToParent(TPoint p) const { return {p.x + left(), p.y + top()}; }
  TPoint clientToScreen(TPoint p) const;
  TPoint screenToClient(TPoint p) const;

  // Called by the surface during a render, on a canvas clipped to the repainted area.
  virtual void paint(Canvas& canvas) { (void)canvas; }

  // Input; the defaults call the assignable handlers, as VCL's published events.
  virtual void mouseDown(const MouseEvent& e) {
    if (OnMouseDown) OnMouseDown(*this, e);
  }
  virtual void mouseMove(const MouseEvent& e) {
    if (OnMouseMove) OnMouseMove(*this, e);
  }
  virtual void mouseUp(const MouseEvent& e) {
    if (OnMouseUp) OnMouseUp(*this, e);
  }
  virtual void dragOver(Control* source, int x, int y, DragState state, bool& accept) {
    if (OnDragOver) OnDragOver(*this, source, x, y, state, accept);
  }
  virtual void dragDrop(Control* source, int x, int y) {
    if (OnDragDrop) OnDragDrop(*this, source, x, y);
  }

  std::function<void(Control&sender, const MouseEvent&)> OnMouseDown, OnMouseMove, OnMouseUp;
  std::function<void(Control& sender, Control* source, int x, int y, DragState, bool& accept)>
      OnDragOver;
  std::function<void(Control& sender, Control* source, int x, int y)> OnDragDrop;

  // Starts a manual drag of this control (BeginDrag): until the button is released the
  // surface sends drag-over to the control under the pointer, then drop if it accepted.
  void beginDrag();
  bool dragging() const;

 private:
  friend class Surface;
  Surface* parent_ = nullptr;
  TRect bounds_;
  bool visible_ = true;
  bool enabled_ = true;
};

// A backing image with a background colour and an ordered list of controls, bottom to top.
class Surface {
 public:
  Surface(int width, int height, TColor background);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  int width() const { return image_.width(); }
  int height() const { return image_.height(); }
  void resize(int width, int height);  // invalidates everything
  TColor background() const { return background_; }
  void setBackground(TColor c);

  const std::vector<Control*>& controls() const { return controls_; }  // bottom to top
  int indexOf(const Control* c) const;

  // With erase the background is filled first; without, controls paint over what is there.
  void invalidate(const TRect& r, bool erase = true);
  void invalidateAll(bool erase = true) { invalidate({0, 0, width(), height()}, erase); }
  bool hasPendingRepaint() const { return !dirty_.empty(); }
  TRect pendingRect() const;  // bounding rectangle of the pending region
  // The pending region as disjoint rectangles; far-apart invalidations stay apart.
  const std::vector<TRect>& pendingRects() const { return dirty_; }
  // Repaints what was invalidated: background, then every visible control meeting it, in
  // z-order, clipped to it.
  void render();
  const Bitmap& image() const { return image_; }
  Bitmap& image() { return image_; }

  // Pointer input in surface coordinates; the topmost visible, enabled control under the
  // pointer takes it and keeps it (capture) until every button is up.
  void mouseDown(int x, int y, MouseButton b, ShiftState s);
  void mouseMove(int x, int y, ShiftState s);
  void mouseUp(int x, int y, MouseButton b, ShiftState s);
  Control* controlAt(int x, int y) const;
  Control* captured() const { return capture_; }
  Control* dragged() const { return drag_; }

  // Screen position of the surface's (0, 0); the window adapter keeps it current.
  std::function<TPoint()> screenOrigin;
  // Told when pixels changed outside a render (immediate drawing) or a repaint is pending.
  std::function<void(const TRect&)> onChanged;

 private:
  friend class Control;
  void attach(Control* c);
  void detach(Control* c);
  void raise(Control* c);
  void lower(Control* c);
  void changed(const TRect& r);
  void dragMove(int x, int y);
  void endDrag(int x, int y);
  void addDirty(const TRect& r, bool erase);

  Bitmap image_;
  TColor background_;
  std::vector<Control*> controls_;
  // Rectangles to repaint, kept disjoint; erase_ is the part of them to fill with the
  // background first (always covered by dirty_).
  std::vector<TRect> dirty_;
  std::vector<TRect> erase_;
  Control* capture_ = nullptr;
  unsigned buttons_ = 0;  // buttons held, one bit per MouseButton
  Control* drag_ = nullptr;
  Control* dragTarget_ = nullptr;
  bool dragAccepted_ = false;
};

}  // namespace platform
