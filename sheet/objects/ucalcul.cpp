#include "ucalcul.h"

#include <numbers>
#include <utility>

double InverseSlope(TPoint p1, TPoint p2) {
  const int32_t dy = p2.y - p1.y;
  if (std::abs(dy) < 2) return 10000.0;
  return double(p2.x - p1.x) / double(dy);
}

double Distance(TPoint p1, TPoint p2) {
  // Squares summed in 32-bit integers, wrapping like the original arithmetic on huge values.
  const uint32_t dx = uint32_t(p1.x - p2.x), dy = uint32_t(p1.y - p2.y);
  const int32_t sum = int32_t(dx * dx + dy * dy);
  return std::sqrt(double(sum));
}

double AngleOf(int32_t dx, int32_t dy) {
  double a;
  if (dx < 0)
    a = std::atan(double(dy) / dx) - std::numbers::pi;
  else if (dx > 0)
    a = std::atan(double(dy) / dx);
  else
    a = dy > 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
  if (a < 0) a += 2 * std::numbers::pi;
  return a;
}

void QuarterTurnPoint(TPoint& p, bool turn, int32_t a, int32_t b) {
  if (turn)
    p = {p.y, a - p.x};
  else
    p = {b - p.y, p.x};
}

void NormalizeCorners(TPoint& c1, TPoint& c2) {
  if (c2.x < c1.x) std::swap(c1.x, c2.x);
  if (c2.y < c1.y) std::swap(c1.y, c2.y);
}

TPoint RotatePoint(TPoint p0, double cx, double cy, double c, double s) {
  const double dx = p0.x - cx, dy = p0.y - cy;
  return {Nearest(cx + Nearest(dx * c - dy * s)), Nearest(cy + Nearest(dy * c + dx * s))};
}
