#include "uArcs.h"

#include <cmath>
#include <utility>

#include "UligneAA.h"
#include "ucalcul.h"

using platform::BrushStyle;
using platform::Canvas;
using platform::TColor;

bool DrawArcCentres = false;

void DrawPlainArc(Canvas& canvas, TPoint centre, TPoint start, TPoint end) {
  const double r = Distance(start, centre);
  const int32_t l = Nearest(centre.x - r), t = Nearest(centre.y - r);
  const int32_t rt = Nearest(centre.x + r), b = Nearest(centre.y + r);
  // A preview outline never fills what lies under it.
  canvas.setBrushStyle(BrushStyle::Clear);
  if (end.x < 0)
    canvas.ellipse(l, t, rt, b);
  else
    canvas.arc(l, t, rt, b, start.x, start.y, end.x, end.y);
}

TArc::TArc(uint8_t kind, TLayerHost& host, uint8_t width, TPoint end, TPoint start, TPoint centre)
    : TObjetSimple(host, width), kind(kind), centre(centre), startPoint(start), endPoint(end) {
  radius = Distance(start, centre);
  BoxFromCentre();
  full = end.x < 0;
  if (!full) ComputeAngles();
}

TArc::TArc(FromStream, TLayerHost& host) : TObjetSimple(host, 1), kind(1) {}

void TArc::ComputeAngles() {
  startAngle = AngleOf(startPoint.x - centre.x, centre.y - startPoint.y);
  endAngle = AngleOf(endPoint.x - centre.x, centre.y - endPoint.y);
}

void TArc::BoxFromCentre() {
  boxTopLeft = {Nearest(centre.x - radius), Nearest(centre.y - radius)};
  boxBottomRight = {Nearest(centre.x + radius), Nearest(centre.y + radius)};
}

namespace {

TPoint ReadPoint(platform::Stream& s) {
  const int32_t x = s.readI32();
  return {x, s.readI32()};
}

void WritePoint(platform::Stream& s, TPoint p) {
  s.writeI32(p.x);
  s.writeI32(p.y);
}

}  // namespace

std::unique_ptr<TArc> TArc::CreateFromStream(platform::Stream& s, TLayerHost& host) {
  std::unique_ptr<TArc> a(new TArc(FromStream{}, host));
  const uint16_t version = s.readU16();
  a->kind = s.readU8();
  a->visible = s.readBool();
  a->color = s.readU32();
  a->width = s.readU8();
  a->startPoint = ReadPoint(s);
  a->endPoint = ReadPoint(s);
  a->centre = ReadPoint(s);
  a->boxTopLeft = ReadPoint(s);
  a->boxBottomRight = ReadPoint(s);
  a->startAngle = s.readDouble();
  a->endAngle = s.readDouble();
  if (version >= 1) a->Read(s);
  // Angles and box stay as stored; only the derived flag and radius are recomputed.
  a->full = a->endPoint.x < 0;
  a->radius = Distance(a->startPoint, a->centre);
  a->InvalidateBounds();
  return a;
}

void TArc::SaveToStream(platform::Stream& s) const {
  s.writeU16(kVersion);
  s.writeU8(kind);
  s.writeBool(visible);
  s.writeU32(color);
  s.writeU8(width);
  WritePoint(s, startPoint);
  WritePoint(s, endPoint);
  WritePoint(s, centre);
  WritePoint(s, boxTopLeft);
  WritePoint(s, boxBottomRight);
  s.writeDouble(startAngle);
  s.writeDouble(endAngle);
  Write(s);
}

void TArc::DrawFigure(Canvas& c) {
  c.setBrushStyle(BrushStyle::Clear);
  const TColor pen = c.penColor();
  if (visible) {
    const int32_t r = Nearest(radius);
    if (full)
      DrawAACircle(centre.x, centre.y, r, width, bmBackground, platform::clWhite, pen, c);
    else
      DrawAAArc(centre.x, centre.y, r, width, startPoint, endPoint, bmBackground, platform::clWhite,
                pen, c);
  }
  if (DrawArcCentres)
    c.ellipse(centre.x - width, centre.y - width, centre.x + width, centre.y + width);
}

void TArc::DrawScaled(Canvas& target, double scale) {
  const int32_t w = Nearest(width * scale);
  target.setPenColor(color);
  target.setPenWidth(w);
  target.setBrushStyle(BrushStyle::Clear);
  if (visible) {
    const int32_t cx = Nearest(centre.x * scale), cy = Nearest(centre.y * scale);
    const int32_t r = Nearest(Nearest(radius) * scale);
    if (full) {
      DrawAACircle(cx, cy, r, w, bmBackground, platform::clWhite, color, target);
    } else {
      const TPoint s{Nearest(startPoint.x * scale), Nearest(startPoint.y * scale)};
      const TPoint e{Nearest(endPoint.x * scale), Nearest(endPoint.y * scale)};
      DrawAAArc(cx, cy, r, w, s, e, bmBackground, platform::clWhite, color, target);
    }
  }
  if (DrawArcCentres)
    target.ellipse(Nearest((centre.x - width) * scale), Nearest((centre.y - width) * scale),
                   Nearest((centre.x + width) * scale), Nearest((centre.y + width) * scale));
}

void TArc::SetWidth(uint8_t w) {
  if (w == width) return;
  width = w;
  InvalidateBounds();
}

platform::TRect TArc::PageBox() const {
  return {boxTopLeft.x, boxTopLeft.y, boxBottomRight.x, boxBottomRight.y};
}

bool TArc::HitTest(int32_t x, int32_t y) {
  if (!PageBox().contains(x, y)) return false;
  if (std::abs(Distance(centre, {x, y}) - radius) > 5.0) return false;
  if (!full) {
    const double a = AngleOf(x - centre.x, centre.y - y);
    const double s = startAngle, e = endAngle;
    // When e <= s the arc crosses angle 0.
    const bool on = e > s ? (s < a && a < e) : (a > s || a < e);
    if (!on) return false;
  }
  grabOffset = {x - boxTopLeft.x, y - boxTopLeft.y};
  return true;
}

void TArc::Translate(int32_t dx, int32_t dy) {
  auto shift = [&](TPoint& p) { p = {p.x + dx, p.y + dy}; };
  shift(boxTopLeft);
  shift(boxBottomRight);
  shift(centre);
  shift(startPoint);
  if (!full) {
    shift(endPoint);
    ComputeAngles();
  }
}

void TArc::Mirror(int axis, int32_t cx, int32_t cy) {
  InvalidateBounds();
  int32_t TPoint::*v = axis == 1 ? &TPoint::x : &TPoint::y;
  const int32_t twice = 2 * (axis == 1 ? cx : cy);
  auto flip = [&](TPoint& p) { p.*v = twice - p.*v; };
  flip(boxTopLeft);
  flip(boxBottomRight);
  flip(centre);
  flip(startPoint);
  if (!full) {
    flip(endPoint);
    // A mirror reverses the sense of the sweep.
    std::swap(startPoint, endPoint);
    ComputeAngles();
  }
  std::swap(boxTopLeft.*v, boxBottomRight.*v);
  InvalidateBounds();
}

void TArc::QuarterTurn(bool turn, int32_t a, int32_t b) {
  InvalidateBounds();
  QuarterTurnPoint(boxTopLeft, turn, a, b);
  QuarterTurnPoint(boxBottomRight, turn, a, b);
  NormalizeCorners(boxTopLeft, boxBottomRight);
  QuarterTurnPoint(centre, turn, a, b);
  QuarterTurnPoint(startPoint, turn, a, b);
  if (!full) {
    QuarterTurnPoint(endPoint, turn, a, b);
    ComputeAngles();
  }
  InvalidateBounds();
}

void TArc::StoreRotationOrigin() {
  rotationOrigin[0] = centre;
  rotationOrigin[1] = startPoint;
  rotationOrigin[2] = endPoint;
}

void TArc::RotatePoints(double cx, double cy, double c, double s) {
  startPoint = RotatePoint(rotationOrigin[1], cx, cy, c, s);
  if (!full) endPoint = RotatePoint(rotationOrigin[2], cx, cy, c, s);
  centre = RotatePoint(rotationOrigin[0], cx, cy, c, s);
  BoxFromCentre();
  if (!full) ComputeAngles();
}
