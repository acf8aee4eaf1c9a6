#include "usegments.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "sheet/objects/UligneAA.h"
#include "sheet/objects/ucalcul.h"

using platform::TPoint;
using platform::TRect;

int32_t LastSegmentId = 0;

TSegment::TSegment(uint8_t kind, TLayerHost& host, uint8_t width, TPoint p1, TPoint p2)
    : TObjetSimple(host, width), kind(kind), id(++LastSegmentId), P1(p1), P2(p2) {}

std::unique_ptr<TSegment> TSegment::CreateFromStream(platform::Stream& s, TLayerHost& host,
                                                     bool renumber) {
  std::unique_ptr<TSegment> seg(new TSegment(host, Unnumbered{}));
  const uint16_t version = s.readU16();
  const int32_t storedId = version >= 2 ? s.readI32() : 0;
  seg->kind = s.readU8();
  seg->visible = s.readBool();
  seg->color = s.readU32();
  seg->width = s.readU8();
  seg->P1.x = s.readI32();
  seg->P1.y = s.readI32();
  seg->P2.x = s.readI32();
  seg->P2.y = s.readI32();
  if (version >= 1) seg->arrows = s.readU8();
  if (version >= 3) seg->Read(s);
  // Numbered only once the whole record is in, so a short record leaves the counter alone.
  if (version >= 2 && !renumber) {
    seg->id = storedId;
    LastSegmentId = storedId;
  } else {
    seg->id = ++LastSegmentId;
  }
  seg->InvalidateBounds();
  return seg;
}

void TSegment::SaveToStream(platform::Stream& s) const {
  s.writeU16(kVersion);
  s.writeI32(id);
  s.writeU8(kind);
  s.writeBool(visible);
  s.writeU32(color);
  s.writeU8(width);
  s.writeI32(P1.x);
  s.writeI32(P1.y);
  s.writeI32(P2.x);
  s.writeI32(P2.y);
  s.writeU8(arrows);
  Write(s);
}

void TSegment::SetSelected(bool s) {
  TObjetSimple::SetSelected(s);
  Host().MarksFollowSelection(*this, s);
}

void TSegment::SetWidth(uint8_t w) {
  if (w == width) return;
  InvalidateBounds();
  width = w;
  InvalidateBounds();
}

void TSegment::SetArrows(uint8_t a) {
  if (a == arrows) return;
  arrows = a;
  InvalidateBounds();
}

void TSegment::SetEndpoints(TPoint p1, TPoint p2) {
  const TRect before = GetBounds();
  P1 = p1;
  P2 = p2;
  if (platform::Surface* owner = Host().Owner()) owner->invalidate(before, true);
}

TRect TSegment::PageBox() const {
  return {std::min(P1.x, P2.x), std::min(P1.y, P2.y), std::max(P1.x, P2.x), std::max(P1.y, P2.y)};
}

double TSegment::InverseSlope() const {
  return ::InverseSlope(P1, P2);
}

bool TSegment::Hits(int32_t x, int32_t y) const {
  // 64-bit products: coordinates come from files.
  const int64_t dx = int64_t(P2.x) - P1.x, dy = int64_t(P2.y) - P1.y;
  const int64_t tolerance = std::llabs(std::llabs(dx) > std::llabs(dy) ? dx * width : dy * width);
  const TPoint p = ToPanel(TPoint{x, y});
  if (!GetBounds().contains(p.x, p.y)) return false;
  const int64_t cross = (int64_t(x) - P1.x) * dy - dx * (int64_t(y) - P1.y);
  return std::llabs(cross) < tolerance;
}

TPoint TSegment::ProjectPoint(TPoint p) const {
  const TRect box = PageBox();
  int32_t x = std::clamp(p.x, box.Left, box.Right);
  int32_t y = std::clamp(p.y, box.Top, box.Bottom);
  const double dx = double(P2.x) - P1.x, dy = double(P2.y) - P1.y;
  // A zero extent leaves the clamped coordinate, which is then the segment's only value.
  if (std::abs(dy) > std::abs(dx)) {
    if (dy != 0) x = P1.x + Nearest((double(y) - P1.y) * dx / dy);
  } else {
    if (dx != 0) y = P1.y + Nearest((double(x) - P1.x) * dy / dx);
  }
  return {x, y};
}

bool TSegment::IsAlignedWith(const TSegment& other) const {
  if (!(std::abs(InverseSlope() - other.InverseSlope()) < 0.02)) return false;
  return other.Hits(P1.x, P1.y) || other.Hits(P2.x, P2.y) || Hits(other.P1.x, other.P1.y) ||
         Hits(other.P2.x, other.P2.y);
}

void TSegment::SnapEndsTo(const TSegment& other) {
  if (other.Hits(P1.x, P1.y)) P1 = other.P1;
  if (other.Hits(P2.x, P2.y)) P2 = other.P2;
}

void TSegment::DrawArrowHead(int end, platform::Canvas& c, double scale) const {
  const TPoint t = end == 1 ? P2 : P1;
  const TPoint f = end == 1 ? P1 : P2;
  // A segment of no length has no direction to point the head along.
  if (t == f) return;
  const double fx = double(f.x) - t.x, fy = double(f.y) - t.y;
  double b1x, b1y, b2x, b2y;
  if (std::abs(fx) > std::abs(fy)) {
    const double th = std::atan(fy / fx), co = std::cos(th), si = std::sin(th);
    const double sg = t.x > f.x ? 1.0 : -1.0;
    b1x = t.x - sg * (20 * co + 8 * si);
    b1y = t.y - sg * (20 * si - 8 * co);
    b2x = t.x - sg * (20 * co - 8 * si);
    b2y = t.y - sg * (20 * si + 8 * co);
  } else {
    const double th = std::atan(fx / fy), co = std::cos(th), si = std::sin(th);
    const double sg = t.y > f.y ? 1.0 : -1.0;
    b1x = t.x - sg * (20 * si - 8 * co);
    b1y = t.y - sg * (20 * co + 8 * si);
    b2x = t.x - sg * (20 * si + 8 * co);
    b2y = t.y - sg * (20 * co - 8 * si);
  }
  const int32_t w = Nearest(width * scale);
  const int32_t tx = Nearest(t.x * scale), ty = Nearest(t.y * scale);
  const platform::TColor colour = c.penColor();
  DrawAALine(Nearest(b1x * scale), Nearest(b1y * scale), tx, ty, w, bmBackground, platform::clWhite,
             colour, c);
  DrawAALine(Nearest(b2x * scale), Nearest(b2y * scale), tx, ty, w, bmBackground, platform::clWhite,
             colour, c);
}

void TSegment::DrawFigure(platform::Canvas& c) {
  DrawAALine(P1.x, P1.y, P2.x, P2.y, width, bmBackground, platform::clWhite, c.penColor(), c);
  if (arrows == 1 || arrows == 3) DrawArrowHead(1, c, 1.0);
  if (arrows == 2 || arrows == 3) DrawArrowHead(2, c, 1.0);
}

void TSegment::DrawScaled(platform::Canvas& target, double scale) {
  if (!visible) return;
  const int32_t w = Nearest(width * scale);
  target.setPenColor(color);
  target.setPenWidth(w);
  DrawAALine(Nearest(P1.x * scale), Nearest(P1.y * scale), Nearest(P2.x * scale),
             Nearest(P2.y * scale), w, bmBackground, platform::clWhite, color, target);
  if (arrows == 1 || arrows == 3) DrawArrowHead(1, target, scale);
  if (arrows == 2 || arrows == 3) DrawArrowHead(2, target, scale);
}

void TSegment::Mirror(int axis, int32_t cx, int32_t cy) {
  InvalidateBounds();
  if (axis == 1) {
    P1.x = 2 * cx - P1.x;
    P2.x = 2 * cx - P2.x;
  } else if (axis == 2) {
    P1.y = 2 * cy - P1.y;
    P2.y = 2 * cy - P2.y;
  }
  InvalidateBounds();
}

void TSegment::QuarterTurn(bool turn, int32_t a, int32_t b) {
  InvalidateBounds();
  QuarterTurnPoint(P1, turn, a, b);
  QuarterTurnPoint(P2, turn, a, b);
  InvalidateBounds();
}

void TSegment::StoreRotationOrigin() {
  origin1 = P1;
  origin2 = P2;
}

void TSegment::Translate(int32_t dx, int32_t dy) {
  P1 = {P1.x + dx, P1.y + dy};
  P2 = {P2.x + dx, P2.y + dy};
}

void TSegment::RotatePoints(double cx, double cy, double c, double s) {
  P1 = RotatePoint(origin1, cx, cy, c, s);
  P2 = RotatePoint(origin2, cx, cy, c, s);
}
