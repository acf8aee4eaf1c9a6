#include "UligneAA.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "sheet/objects/ucalcul.h"

using platform::TColor;
using platform::TPoint;

namespace {

// Coordinates are widened to 64 bits inside: widths and offsets never overflow.
using Coord = int64_t;

// Nearest, halves to even: what std::nearbyint gives in the default rounding mode, without
// its library call on the hot path. Adding 1.5 * 2^52 leaves no bits below the unit, so the
// addition itself rounds; exact for |v| < 2^51, and channel values stay within 0..255.
inline uint8_t roundChannel(double v) {
  constexpr double kShift = 6755399441055744.0;
  return uint8_t(int((v + kShift) - kShift));
}

struct Channels {
  int r, g, b;
  explicit Channels(TColor c)
      : r(platform::redOf(c)), g(platform::greenOf(c)), b(platform::blueOf(c)) {}
};

// Clipped pixel access to the canvas rows, with the stroke's colours prepared once per call.
class PixelWriter {
 public:
  PixelWriter(const platform::Canvas& canvas, TColor colour, TColor background, uint8_t mode)
      : fg_(colour), bg_(background), fgPixel_(platform::toPixel(colour)), mode_(mode) {
    const platform::RawPixels raw = canvas.raw();
    bits_ = raw.bits;
    stride_ = raw.stride;
    ox_ = raw.origin.x;
    oy_ = raw.origin.y;
    left_ = raw.clip.Left;
    top_ = raw.clip.Top;
    right_ = raw.clip.Right;
    bottom_ = raw.clip.Bottom;
    if (!bits_) right_ = left_;
  }

  bool empty() const { return right_ <= left_ || bottom_ <= top_; }
  Coord left() const { return left_; }
  Coord right() const { return right_; }
  Coord top() const { return top_; }
  Coord bottom() const { return bottom_; }
  bool inside(Coord x, Coord y) const {
    return x >= left_ && x < right_ && y >= top_ && y < bottom_;
  }

  void put(Coord x, Coord y, uint32_t pixel) {
    if (inside(x, y)) *at(x, y) = pixel;
  }
  // Solid run of the stroke colour along a column, y0..y1 inclusive.
  void columnRun(Coord x, Coord y0, Coord y1) {
    if (x < left_ || x >= right_) return;
    y0 = std::max(y0, top_);
    y1 = std::min(y1, bottom_ - 1);
    if (y0 > y1) return;
    uint32_t* p = at(x, y0);
    for (Coord y = y0; y <= y1; ++y, p += stride_) *p = fgPixel_;
  }
  // Solid run along a row, x0..x1 inclusive.
  void rowRun(Coord y, Coord x0, Coord x1) {
    if (y < top_ || y >= bottom_) return;
    x0 = std::max(x0, left_);
    x1 = std::min(x1, right_ - 1);
    if (x0 > x1) return;
    uint32_t* p = at(x0, y);
    std::fill(p, p + (x1 - x0 + 1), fgPixel_);
  }

  // Edge pixel at coverage c against the background, or against the canvas in mode 2.
  uint32_t mixed(double c, const Channels& bg) const {
    return platform::toPixel(platform::rgb(roundChannel(c * (fg_.r - bg.r) + bg.r),
                                           roundChannel(c * (fg_.g - bg.g) + bg.g),
                                           roundChannel(c * (fg_.b - bg.b) + bg.b)));
  }
  void blend(Coord x, Coord y, double c) {
    if (!inside(x, y)) return;
    uint32_t* p = at(x, y);
    if (mode_ == bmPlain) {
      *p = fgPixel_;
    } else if (mode_ == bmCanvas) {
      *p = mixed(c, Channels(platform::fromPixel(*p)));
    } else {
      *p = mixed(c, bg_);
    }
  }
  // The edge pixel a coverage gives when it does not depend on the canvas (modes 0 and 1).
  bool canvasFree() const { return mode_ != bmCanvas; }
  uint32_t edgePixel(double c) const { return mode_ == bmPlain ? fgPixel_ : mixed(c, bg_); }

  const Channels& fg() const { return fg_; }
  const Channels& bg() const { return bg_; }

 private:
  uint32_t* at(Coord x, Coord y) const { return bits_ + (y + oy_) * stride_ + (x + ox_); }

  Channels fg_, bg_;
  uint32_t fgPixel_;
  uint8_t mode_;
  uint32_t* bits_ = nullptr;
  Coord stride_ = 0, ox_ = 0, oy_ = 0;
  Coord left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
};

// The midpoint loop shared by circle and arc. `v.setup(n)` opens a run of n - 1 pixels of
// constant r, `v.plot(x, r)` draws the eight positions, `v.advance()` moves to the next
// coverage step.
template <class Visitor>
void MidpointCircle(Coord r, Coord h, Visitor& v) {
  Coord d = 3 - 2 * r;
  Coord x = 0;
  Coord n = 1;
  while (x <= r + 2 * h) {
    if (n == 1) {
      Coord xx = x, dd = d;
      while (dd < 0) {
        ++n;
        ++xx;
        dd += 4 * xx + 6;
      }
      ++n;
      v.setup(n);
    }
    v.plot(x, r);
    v.advance();
    ++x;
    if (d < 0) {
      d += 4 * x + 6;
    } else {
      d += 4 * (x - r) + 5;
      --r;
      n = 1;
    }
  }
}

// One of the eight symmetric positions: P, whether its run is vertical, the inner direction
// and the octant it lies in.
struct Plot {
  Coord px, py;
  bool vertical;
  int ux, uy;
  int octant;
};

inline void EightPlots(Coord cx, Coord cy, Coord x, Coord r, Plot (&p)[8]) {
  p[0] = {cx + x, cy + r, true, 0, -1, 1};
  p[1] = {cx + r, cy + x, false, -1, 0, 2};
  p[2] = {cx + r, cy - x, false, -1, 0, 3};
  p[3] = {cx + x, cy - r, true, 0, 1, 4};
  p[4] = {cx - x, cy - r, true, 0, 1, 5};
  p[5] = {cx - r, cy - x, false, 1, 0, 6};
  p[6] = {cx - r, cy + x, false, 1, 0, 7};
  p[7] = {cx - x, cy + r, true, 0, -1, 0};
}

inline void DrawRun(PixelWriter& w, const Plot& p, Coord h) {
  const Coord hr = std::max<Coord>(h, 0);
  if (p.vertical)
    w.columnRun(p.px, p.py - hr, p.py + hr);
  else
    w.rowRun(p.py, p.px - hr, p.px + hr);
}

class CirclePlotter {
 public:
  CirclePlotter(PixelWriter& w, Coord cx, Coord cy, Coord h) : w_(w), cx_(cx), cy_(cy), h_(h) {}
  void setup(Coord n) {
    step_ = 1.0 / double(n);
    c_ = step_;
  }
  void plot(Coord x, Coord r) {
    Plot p[8];
    EightPlots(cx_, cy_, x, r, p);
    const Coord e = h_ + 1;
    if (w_.canvasFree()) {
      // The same two edge colours serve all eight positions of this step.
      const uint32_t inner = w_.edgePixel(c_), outer = w_.edgePixel(1.0 - c_);
      for (const Plot& q : p) {
        DrawRun(w_, q, h_);
        w_.put(q.px + e * q.ux, q.py + e * q.uy, inner);
        w_.put(q.px - e * q.ux, q.py - e * q.uy, outer);
      }
    } else {
      for (const Plot& q : p) {
        DrawRun(w_, q, h_);
        w_.blend(q.px + e * q.ux, q.py + e * q.uy, c_);
        w_.blend(q.px - e * q.ux, q.py - e * q.uy, 1.0 - c_);
      }
    }
  }
  void advance() { c_ += step_; }

 private:
  PixelWriter& w_;
  Coord cx_, cy_, h_;
  double step_ = 0.0, c_ = 0.0;
};

// Where a point lies inside its octant, compared with a boundary ratio.
bool Before(int k, Coord cx, Coord cy, Coord px, Coord py, double t) {
  if (k == 0) {
    if (cx == px) return false;
  } else if (k == 3 || k == 5 || k == 7) {
    if (cy == py) return true;
  } else {
    if (cy == py) return false;
  }
  return double(cx - px) / double(cy - py) < t;
}

double BoundaryRatio(Coord cx, Coord cy, TPoint q) {
  if (cy != q.y) return double(cx - q.x) / double(cy - q.y);
  return double(cx - q.x) * 1000000.0;
}

class ArcPlotter {
 public:
  ArcPlotter(PixelWriter& w, Coord cx, Coord cy, Coord h, TPoint start, TPoint end)
      : w_(w), cx_(cx), cy_(cy), h_(h) {
    s_ = Octant(int32_t(cx), int32_t(cy), start);
    e_ = Octant(int32_t(cx), int32_t(cy), end);
    tS_ = BoundaryRatio(cx, cy, start);
    tE_ = BoundaryRatio(cx, cy, end);
    // An end that comes before the start within the start's own octant means the arc goes
    // almost all the way round; taken as non-wrapping it would draw nothing at all.
    wraps_ = e_ < s_ || (e_ == s_ && AngleOf(end.x - int32_t(cx), int32_t(cy) - end.y) <
                                         AngleOf(start.x - int32_t(cx), int32_t(cy) - start.y));
  }
  void setup(Coord n) {
    const Channels& fg = w_.fg();
    const Channels& bg = w_.bg();
    dr_ = double(fg.r - bg.r) / double(n);
    dg_ = double(fg.g - bg.g) / double(n);
    db_ = double(fg.b - bg.b) / double(n);
    ar_ = dr_;
    ag_ = dg_;
    ab_ = db_;
  }
  void plot(Coord x, Coord r) {
    Plot p[8];
    EightPlots(cx_, cy_, x, r, p);
    const Channels& fg = w_.fg();
    const Channels& bg = w_.bg();
    const uint32_t inner = platform::toPixel(platform::rgb(
        roundChannel(bg.r + ar_), roundChannel(bg.g + ag_), roundChannel(bg.b + ab_)));
    const uint32_t outer = platform::toPixel(platform::rgb(
        roundChannel(fg.r - ar_), roundChannel(fg.g - ag_), roundChannel(fg.b - ab_)));
    const Coord e = h_ + 1;
    for (const Plot& q : p) {
      if (!OnArc(q)) continue;
      DrawRun(w_, q, h_);
      w_.put(q.px + e * q.ux, q.py + e * q.uy, inner);
      w_.put(q.px - e * q.ux, q.py - e * q.uy, outer);
    }
  }
  void advance() {
    ar_ += dr_;
    ag_ += dg_;
    ab_ += db_;
  }

 private:
  bool OnArc(const Plot& q) const {
    const int k = q.octant;
    const bool afterStart = k > s_ || (k == s_ && !Before(k, cx_, cy_, q.px, q.py, tS_));
    const bool beforeEnd = k < e_ || (k == e_ && Before(k, cx_, cy_, q.px, q.py, tE_));
    return wraps_ ? afterStart || beforeEnd : afterStart && beforeEnd;
  }

  PixelWriter& w_;
  Coord cx_, cy_, h_;
  int s_ = 0, e_ = 0;
  bool wraps_ = false;
  double tS_ = 0.0, tE_ = 0.0;
  double dr_ = 0.0, dg_ = 0.0, db_ = 0.0, ar_ = 0.0, ag_ = 0.0, ab_ = 0.0;
};

}  // namespace

void BlendPixel(platform::Canvas& canvas, int32_t x, int32_t y, double c, uint8_t mode,
                TColor background, TColor colour) {
  PixelWriter w(canvas, colour, background, mode);
  w.blend(x, y, c);
}

void DrawAALine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width, uint8_t mode,
                TColor background, TColor colour, platform::Canvas& canvas) {
  PixelWriter w(canvas, colour, background, mode);
  if (w.empty()) return;
  const Coord h = width / 2;
  const Coord hr = std::max<Coord>(h, 0);
  Coord ax = x1, ay = y1, bx = x2, by = y2;
  if (std::llabs(by - ay) < std::llabs(bx - ax)) {
    if (ax > bx) {
      std::swap(ax, bx);
      std::swap(ay, by);
    }
    const Coord step = by >= ay ? 1 : -1;
    const double slope = double((by - ay) * step) / (double(bx - ax) + 0.00001);
    const Coord e = (h + 1) * step;
    const Coord last = std::min(bx, w.right() - 1);
    Coord y = ay;
    double acc = 0.0;
    for (Coord x = ax; x <= last; ++x) {
      acc += slope;
      if (acc >= 1.0) {
        acc -= 1.0;
        y += step;
      }
      if (x < w.left()) continue;
      w.columnRun(x, y - hr, y + hr);
      w.blend(x, y - e, 1.0 - acc);
      w.blend(x, y + e, acc);
    }
  } else {
    if (ay > by) {
      std::swap(ax, bx);
      std::swap(ay, by);
    }
    const Coord step = bx >= ax ? 1 : -1;
    const double slope = double((bx - ax) * step) / (double(by - ay) + 0.00001);
    const Coord e = (h + 1) * step;
    const Coord last = std::min(by, w.bottom() - 1);
    Coord x = ax;
    double acc = 0.0;
    for (Coord y = ay; y <= last; ++y) {
      acc += slope;
      if (acc >= 1.0) {
        acc -= 1.0;
        x += step;
      }
      if (y < w.top()) continue;
      w.rowRun(y, x - hr, x + hr);
      w.blend(x - e, y, 1.0 - acc);
      w.blend(x + e, y, acc);
    }
  }
}

void DrawAACircle(int32_t cx, int32_t cy, int32_t r, int32_t width, uint8_t mode, TColor background,
                  TColor colour, platform::Canvas& canvas) {
  PixelWriter w(canvas, colour, background, mode);
  if (w.empty()) return;
  const Coord h = width / 2;
  CirclePlotter plotter(w, cx, cy, h);
  MidpointCircle(r, h, plotter);
}

void DrawAAArc(int32_t cx, int32_t cy, int32_t r, int32_t width, TPoint start, TPoint end,
               uint8_t /*mode*/, TColor background, TColor colour, platform::Canvas& canvas) {
  PixelWriter w(canvas, colour, background, bmBackground);
  if (w.empty()) return;
  const Coord h = width / 2;
  ArcPlotter plotter(w, cx, cy, h, start, end);
  MidpointCircle(r, h, plotter);
}

int Octant(int32_t cx, int32_t cy, TPoint p) {
  const Coord dx = Coord(p.x) - cx, dy = Coord(p.y) - cy;
  if (dx > 0) {
    if (dy > 0) return dx > dy ? 2 : 1;
    return dx > -dy ? 3 : 4;
  }
  if (dy > 0) return -dx > dy ? 7 : 0;
  return -dx > -dy ? 6 : 5;
}
