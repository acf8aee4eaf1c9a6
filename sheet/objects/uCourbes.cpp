#include "uCourbes.h"

#include <algorithm>
#include <cstdlib>
#include <numbers>

#include "sheet/objects/UligneAA.h"
#include "sheet/objects/uArcs.h"
#include "sheet/objects/ucalcul.h"

using platform::clWhite;
using platform::PenMode;
using platform::TColor;

namespace {
constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;
}  // namespace

TCourbeLibre::TCourbeLibre(TLayerHost& host, TColor colour, uint8_t width)
    : TObjetSimple(host, width) {
  color = colour;
}

TCourbeLibre::TCourbeLibre(TPoint first, TLayerHost& host, TColor colour, uint8_t width)
    : TCourbeLibre(host, colour, width) {
  points_.Add(first);
  boxMin_ = boxMax_ = lastPoint_ = first;
}

void TCourbeLibre::Widen(TPoint p) {
  if (p.x < boxMin_.x) boxMin_.x = p.x;
  if (p.y < boxMin_.y) boxMin_.y = p.y;
  if (p.x > boxMax_.x) boxMax_.x = p.x;
  if (p.y > boxMax_.y) boxMax_.y = p.y;
}

void TCourbeLibre::AddPoint(TPoint p) {
  points_.Add(p);
  Widen(p);
  platform::Canvas& c = canvas();
  c.setPenColor(color);
  c.setPenWidth(width);
  DrawAALine(lastPoint_.x, lastPoint_.y, p.x, p.y, width, bmCanvas, clWhite, color, c);
  lastPoint_ = p;
}

void TCourbeLibre::AddCompassPoint(TPoint p, TPoint centre) {
  points_.Add(p);
  Widen(p);
  platform::Canvas& c = canvas();
  c.setPenColor(color);
  c.setPenWidth(width);
  const TRect r = ArcSweep(centre);
  DrawPlainArc(c, centre, {r.Left, r.Top}, {r.Right, r.Bottom});
}

TRect TCourbeLibre::SegmentEnds() const {
  TRect r{-1, -1, -1, -1};
  const int32_t n = points_.count();
  if (n < 2) return r;
  TPoint lo = points_.Get(1), hi = lo;
  for (int32_t i = 2; i <= n; ++i) {
    const TPoint p = points_.Get(i);
    if (p.x < lo.x) lo.x = p.x;
    if (p.y < lo.y) lo.y = p.y;
    if (p.x > hi.x) hi.x = p.x;
    if (p.y > hi.y) hi.y = p.y;
  }
  const bool wide = hi.x - lo.x > hi.y - lo.y;
  for (int32_t i = 1; i <= n; ++i) {
    const TPoint p = points_.Get(i);
    const int32_t v = wide ? p.x : p.y;
    if (v == (wide ? lo.x : lo.y)) {
      r.Left = p.x;
      r.Top = p.y;
    } else if (v == (wide ? hi.x : hi.y)) {
      r.Right = p.x;
      r.Bottom = p.y;
    }
  }
  return r;
}

double TCourbeLibre::AngleStep(TPoint previous, TPoint current) {
  const double d = AngleOf(current.x, current.y) - AngleOf(previous.x, previous.y);
  if (d >= kPi) return d - kTwoPi;
  if (d <= -kPi) return d + kTwoPi;
  return d;
}

TRect TCourbeLibre::ArcSweep(TPoint centre) const {
  const int32_t n = points_.count();
  if (n < 2) return {0, 0, 0, 0};
  // Angles are taken with y upward about the centre.
  const auto rel = [&](TPoint p) { return TPoint{p.x - centre.x, centre.y - p.y}; };
  TPoint start = points_.Get(1), end = start;
  double acc = AngleOf(rel(start).x, rel(start).y);
  double accMax = acc, accMin = acc;
  TPoint prev = rel(start);
  for (int32_t i = 2; i <= n; ++i) {
    const TPoint p = points_.Get(i);
    const TPoint cur = rel(p);
    const double step = AngleStep(prev, cur);
    prev = cur;
    acc += step;
    if (step >= 0 && acc > accMax) {
      accMax = acc;
      end = p;
    }
    if (step < 0 && acc < accMin) {
      accMin = acc;
      start = p;
    }
    if (accMax - accMin >= kTwoPi) {
      end.x = -end.x;  // full circle
      break;
    }
  }
  return {start.x, start.y, end.x, end.y};
}

void TCourbeLibre::DrawFigure(platform::Canvas& c) {
  const int32_t n = points_.count();
  if (n < 2) return;
  const uint8_t mode = selected ? bmBackground : bmCanvas;
  const TColor pen = c.penColor();
  for (int32_t i = 1; i < n; ++i) {
    const TPoint a = points_.Get(i), b = points_.Get(i + 1);
    DrawAALine(a.x, a.y, b.x, b.y, width, mode, clWhite, pen, c);
  }
}

void TCourbeLibre::Erase() {
  platform::Canvas& c = canvas();
  const int32_t n = points_.count();
  for (int32_t i = 1; i < n; ++i) {
    const TPoint a = points_.Get(i), b = points_.Get(i + 1);
    DrawAALine(a.x, a.y, b.x, b.y, width, bmPlain, clWhite, clWhite, c);
  }
}

void TCourbeLibre::DrawScaled(platform::Canvas& target, double scale) {
  const int32_t n = points_.count();
  if (n < 2) return;
  const int32_t w = Nearest(width * scale);
  target.setPenColor(color);
  target.setPenWidth(w);
  for (int32_t i = 1; i < n; ++i) {
    const TPoint a = points_.Get(i), b = points_.Get(i + 1);
    DrawAALine(Nearest(a.x * scale), Nearest(a.y * scale), Nearest(b.x * scale),
               Nearest(b.y * scale), w, bmCanvas, clWhite, color, target);
  }
}

void TCourbeLibre::SetSelected(bool s) {
  if (s == selected) return;
  selected = s;
  canvas().setPenMode(PenMode::Copy);
  if (s) {
    moveState = msSelected;
  } else {
    // The redraw blends with the canvas: the highlight must go first.
    Erase();
    moveState = msNone;
  }
  Draw();
}

void TCourbeLibre::SetWidth(uint8_t w) {
  if (w == width) return;
  width = w;
  SetSelected(false);
}

TRect TCourbeLibre::PageBox() const {
  return {boxMin_.x, boxMin_.y, boxMax_.x, boxMax_.y};
}

bool TCourbeLibre::HitTest(int32_t x, int32_t y) {
  if (!PageBox().contains(x, y)) return false;
  const int32_t n = points_.count();
  for (int32_t i = 1; i < n; ++i) {
    const TPoint a = points_.Get(i), b = points_.Get(i + 1);
    const TRect piece{std::min(a.x, b.x) - 1, std::min(a.y, b.y) - 1, std::max(a.x, b.x) + 1,
                      std::max(a.y, b.y) + 1};
    if (!piece.contains(x, y)) continue;
    // Not divided by the piece's length: short pieces accept points farther away.
    const int64_t cross = int64_t(x - a.x) * (b.y - a.y) - int64_t(b.x - a.x) * (y - a.y);
    if (std::llabs(cross) < 1000) {
      const TPoint first = points_.Get(1);
      grabOffset_ = {x - first.x, y - first.y};
      return true;
    }
  }
  return false;
}

void TCourbeLibre::Translate(int32_t dx, int32_t dy) {
  for (int32_t i = 1; i <= points_.count(); ++i) {
    const TPoint p = points_.Get(i);
    points_.Set(i, {p.x + dx, p.y + dy});
  }
  boxMin_ = {boxMin_.x + dx, boxMin_.y + dy};
  boxMax_ = {boxMax_.x + dx, boxMax_.y + dy};
}

void TCourbeLibre::Mirror(int axis, int32_t cx, int32_t cy) {
  InvalidateBounds();
  for (int32_t i = 1; i <= points_.count(); ++i) {
    TPoint p = points_.Get(i);
    if (axis == 1) p.x = 2 * cx - p.x;
    if (axis == 2) p.y = 2 * cy - p.y;
    points_.Set(i, p);
  }
  if (axis == 1) {
    const int32_t lo = boxMin_.x;
    boxMin_.x = 2 * cx - boxMax_.x;
    boxMax_.x = 2 * cx - lo;
  } else if (axis == 2) {
    const int32_t lo = boxMin_.y;
    boxMin_.y = 2 * cy - boxMax_.y;
    boxMax_.y = 2 * cy - lo;
  }
  InvalidateBounds();
}

void TCourbeLibre::QuarterTurn(bool turn, int32_t a, int32_t b) {
  InvalidateBounds();
  for (int32_t i = 1; i <= points_.count(); ++i) {
    TPoint p = points_.Get(i);
    QuarterTurnPoint(p, turn, a, b);
    points_.Set(i, p);
  }
  QuarterTurnPoint(boxMin_, turn, a, b);
  QuarterTurnPoint(boxMax_, turn, a, b);
  NormalizeCorners(boxMin_, boxMax_);
  InvalidateBounds();
}

void TCourbeLibre::StoreRotationOrigin() {
  rotationOrigin_.Clear();
  for (int32_t i = 1; i <= points_.count(); ++i) rotationOrigin_.Add(points_.Get(i));
}

void TCourbeLibre::RotatePoints(double cx, double cy, double c, double s) {
  // Points added since the origin was stored have no origin to turn from: they stay.
  const int32_t n = std::min(points_.count(), rotationOrigin_.count());
  for (int32_t i = 1; i <= n; ++i)
    points_.Set(i, RotatePoint(rotationOrigin_.Get(i), cx, cy, c, s));
  boxMin_ = {10000, 10000};
  boxMax_ = {-10000, -10000};
  for (int32_t i = 1; i <= points_.count(); ++i) Widen(points_.Get(i));
}

void TCourbeLibre::SaveToStream(platform::Stream& s) const {
  s.writeU16(kVersion);
  s.writeU32(color);
  s.writeU8(width);
  s.writeI32(points_.count());
  for (int32_t i = 1; i <= points_.count(); ++i) {
    const TPoint p = points_.Get(i);
    s.writeI32(p.x);
    s.writeI32(p.y);
  }
  Write(s);
}

std::unique_ptr<TCourbeLibre> TCourbeLibre::CreateFromStream(platform::Stream& s,
                                                             TLayerHost& host) {
  const uint16_t version = s.readU16();
  const TColor colour = s.readU32();
  const uint8_t w = s.readU8();
  const int32_t n = s.readI32();
  if (n < 0) throw platform::StreamError("Nombre de points invalide");
  s.require(uint64_t(n) * 8);
  std::unique_ptr<TCourbeLibre> curve(new TCourbeLibre(host, colour, w));
  curve->boxMin_ = {10000, 10000};
  curve->boxMax_ = {0, 0};
  for (int32_t i = 0; i < n; ++i) {
    TPoint p;
    p.x = s.readI32();
    p.y = s.readI32();
    curve->points_.Add(p);
    curve->Widen(p);
  }
  if (version >= 1) curve->Read(s);
  curve->Draw();
  return curve;
}
