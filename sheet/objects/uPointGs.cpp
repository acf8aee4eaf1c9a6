#include "uPointGs.h"

#include <cmath>

#include "sheet/objects/ucalcul.h"
#include "sheet/objects/usegments.h"

using platform::TPoint;
using platform::TRect;

int PointSize = 1;

TPointG::TPointG(TPoint position, TSegment* segment, TLayerHost& host, uint8_t width)
    : TObjetSimple(host, width), position(position), segment(segment) {}

std::unique_ptr<TPointG> TPointG::CreateFromStream(platform::Stream& s, TLayerHost& host) {
  const uint16_t version = s.readU16();
  const bool visible = s.readBool();
  const platform::TColor color = s.readU32();
  const uint8_t width = s.readU8();
  TPoint p;
  p.x = s.readI32();
  p.y = s.readI32();
  TSegment* seg = nullptr;
  if (version >= 1) {
    const int32_t id = s.readI32();
    if (id > 0) seg = host.FindSegmentById(id);
  }
  auto pt = std::make_unique<TPointG>(p, seg, host, width);
  pt->visible = visible;
  pt->color = color;
  if (version >= 2) pt->Read(s);
  pt->InvalidateBounds();
  return pt;
}

void TPointG::SaveToStream(platform::Stream& s) const {
  s.writeU16(kVersion);
  s.writeBool(visible);
  s.writeU32(color);
  s.writeU8(width);
  s.writeI32(position.x);
  s.writeI32(position.y);
  s.writeI32(segment ? segment->id : detachedSegmentId_);
  Write(s);
}

void TPointG::SetWidth(uint8_t w) {
  if (w == width) return;
  InvalidateBounds();
  width = w;
  InvalidateBounds();
}

TRect TPointG::PageBox() const {
  return {position.x, position.y, position.x, position.y};
}

int32_t TPointG::BoundsMargin() const {
  return 10 * PointSize + width;
}

bool TPointG::HitTest(int32_t x, int32_t y) {
  grabOffset = {x - position.x, y - position.y};
  const TPoint p = ToPanel(TPoint{x, y});
  return GetBounds().contains(p.x, p.y);
}

void TPointG::SnapToSegment() {
  if (segment) position = segment->ProjectPoint(position);
}

bool TPointG::BelongsToSegment(const TSegment* s) const {
  return s ? segment == s : segment != nullptr;
}

void TPointG::FollowSegmentSelection(const TSegment& s, bool selected) {
  if (segment == &s) SetSelected(selected);
}

void TPointG::TickEnds(double& ax, double& ay, double& bx, double& by) const {
  // (1, -m) is perpendicular to the segment; b scales it to a half-length of 10 * PointSize.
  const double m = segment->InverseSlope();
  const double b = 10.0 * PointSize / std::sqrt(m * m + 1);
  ax = position.x + b;
  ay = position.y - m * b;
  bx = position.x - b;
  by = position.y + m * b;
}

void TPointG::DrawFigure(platform::Canvas& c) {
  if (segment) {
    double ax, ay, bx, by;
    TickEnds(ax, ay, bx, by);
    c.moveTo(Nearest(ax), Nearest(ay));
    c.lineTo(Nearest(bx), Nearest(by));
    return;
  }
  const int32_t d = 6 * PointSize, x = position.x, y = position.y;
  c.moveTo(x - d, y - d);
  c.lineTo(x + d, y + d);
  c.moveTo(x - d, y + d);
  c.lineTo(x + d, y - d);
}

void TPointG::DrawScaled(platform::Canvas& target, double scale) {
  if (!visible) return;
  target.setPenColor(color);
  target.setPenWidth(Nearest(width * scale));
  if (segment) {
    double ax, ay, bx, by;
    TickEnds(ax, ay, bx, by);
    target.moveTo(Nearest(ax * scale), Nearest(ay * scale));
    target.lineTo(Nearest(bx * scale), Nearest(by * scale));
    return;
  }
  // Printed and copied crosses have a half-size of 2 * PointSize, not 6.
  const double d = 2.0 * PointSize, x = position.x, y = position.y;
  target.moveTo(Nearest((x - d) * scale), Nearest((y - d) * scale));
  target.lineTo(Nearest((x + d) * scale), Nearest((y + d) * scale));
  target.moveTo(Nearest((x - d) * scale), Nearest((y + d) * scale));
  target.lineTo(Nearest((x + d) * scale), Nearest((y - d) * scale));
}

void TPointG::Mirror(int axis, int32_t cx, int32_t cy) {
  InvalidateBounds();
  if (axis == 1)
    position.x = 2 * cx - position.x;
  else if (axis == 2)
    position.y = 2 * cy - position.y;
  InvalidateBounds();
}

void TPointG::QuarterTurn(bool turn, int32_t a, int32_t b) {
  InvalidateBounds();
  QuarterTurnPoint(position, turn, a, b);
  InvalidateBounds();
}

void TPointG::Translate(int32_t dx, int32_t dy) {
  position = {position.x + dx, position.y + dy};
  SnapToSegment();
}

void TPointG::RotatePoints(double cx, double cy, double c, double s) {
  position = RotatePoint(origin, cx, cy, c, s);
}

void TPointG::DetachFromSegment() {
  if (!segment) return;
  detachedSegmentId_ = segment->id;
  segment = nullptr;
}
