#include "uObjet.h"

#include <algorithm>

using platform::PenMode;

bool TGroupStack::InGroup(int32_t n) const {
  return std::find(groups_.begin(), groups_.end(), n) != groups_.end();
}

void TGroupStack::RemapGroups(const std::function<int32_t(int32_t)>& remap) {
  for (int32_t& g : groups_) g = remap(g);
}

void TGroupStack::Write(platform::Stream& s) const {
  s.writeI32(int32_t(groups_.size()));
  for (int32_t g : groups_) s.writeI32(g);
}

void TGroupStack::Read(platform::Stream& s) {
  const int32_t n = s.readI32();
  if (n < 0) throw platform::StreamError("Nombre de groupes invalide");
  s.require(uint64_t(n) * 4);
  std::vector<int32_t> g;
  g.reserve(size_t(n));
  for (int32_t i = 0; i < n; ++i) g.push_back(s.readI32());
  groups_ = std::move(g);
}

platform::TPoint TObjetSimple::ToPanel(platform::TPoint p) const {
  const platform::TPoint o = host_->PanelOrigin();
  return {p.x + o.x, p.y + o.y};
}

platform::TRect TObjetSimple::ToPanel(const platform::TRect& r) const {
  const platform::TPoint o = host_->PanelOrigin();
  return r.translated(o.x, o.y);
}

platform::TRect TObjetSimple::GetBounds() const {
  const int32_t m = BoundsMargin();
  const platform::TRect b = PageBox();
  return ToPanel(platform::TRect{b.Left - m, b.Top - m, b.Right + m, b.Bottom + m});
}

void TObjetSimple::InvalidateBounds() {
  if (platform::Surface* owner = host_->Owner()) owner->invalidate(GetBounds(), true);
}

void TObjetSimple::Draw() {
  if (!visible && HidesWhenInvisible()) return;
  platform::Canvas& c = canvas();
  c.setPenWidth(width);
  if (moveState == msErasing) {
    moveState = msErased;
    return;
  }
  if (moveState >= msErased)
    c.setPenMode(PenMode::Xor);
  else
    c.setPenColor(selected ? HighlightColor() : color);
  DrawFigure(c);
}

void TObjetSimple::SetSelected(bool s) {
  if (s == selected) return;
  selected = s;
  canvas().setPenMode(PenMode::Copy);
  if (moveState == msNone) Draw();
  if (s) {
    moveState = msSelected;
  } else {
    moveState = msNone;
    Draw();
  }
}

void TObjetSimple::SetColor(platform::TColor c) {
  if (c == color) return;
  color = c;
  SetSelected(false);
}

template <class Step>
void TObjetSimple::DragStep(Step&& step) {
  switch (moveState) {
    case msSelected:
      moveState = msErasing;
      InvalidateBounds();  // the repaint that follows hides the object
      return;
    case msErasing:
      return;  // wait for that repaint
    case msErased:
      moveState = msDragging;
      break;
    default:
      canvas().setPenColor(HighlightColor());
      Draw();  // at the old place; in XOR this removes pen figures
      break;
  }
  step();
  canvas().setPenColor(HighlightColor());
  Draw();
}

void TObjetSimple::MoveBy(int32_t dx, int32_t dy) {
  DragStep([&] { Translate(dx, dy); });
}

void TObjetSimple::RotateFromOrigin(double cx, double cy, double c, double s) {
  DragStep([&] { RotatePoints(cx, cy, c, s); });
}

void TObjetSimple::FinishMove() {
  canvas().setPenMode(PenMode::Copy);
  moveState = msSelected;
  Draw();
}
