#pragma once
// Small geometry helpers shared by the drawing objects.
#include <cmath>
#include <cstdint>

#include "platform/Types.h"

using platform::TPoint;
using platform::TRect;

// Nearest integer, halves to the even neighbour.
inline int32_t Nearest(double v) {
  return int32_t(std::nearbyint(v));
}

// Nearest, saturated to the 32-bit range (NaN to its minimum): for values typed freely or read
// from files, which may lie far outside the page.
inline int32_t NearestSaturated(double v) {
  if (!(v > -2147483648.0)) return INT32_MIN;
  if (!(v < 2147483647.0)) return INT32_MAX;
  return int32_t(std::nearbyint(v));
}

// (p2.x - p1.x) / (p2.y - p1.y); 10000.0 when the height is below 2 pixels.
double InverseSlope(TPoint p1, TPoint p2);
double Distance(TPoint p1, TPoint p2);
// Direction of (dx, dy) in [0, 2*pi); callers pass y upward: (x - cx, cy - y).
double AngleOf(int32_t dx, int32_t dy);
// turn: (x, y) -> (y, a - x); otherwise (x, y) -> (b - y, x).
void QuarterTurnPoint(TPoint& p, bool turn, int32_t a, int32_t b);
// Orders the two corners on each axis.
void NormalizeCorners(TPoint& c1, TPoint& c2);
// One rotation step of p0 about (cx, cy); with y downward a positive angle turns clockwise.
TPoint RotatePoint(TPoint p0, double cx, double cy, double c, double s);
