#include "URepere.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "sheet/objects/ucalcul.h"
#include "uCouleurs.h"

using platform::Canvas;
using platform::TColor;
using platform::TPoint;
using platform::TRect;

bool FrameShown = false;

namespace {

int32_t ClampSpacing(int32_t v) {
  return std::clamp(v, FrameSpacingMin, FrameSpacingMax);
}

// The index the colour list would show: out-of-range selections show nothing.
int32_t ListIndex(int32_t v) {
  return v >= 0 && v < NamedColourCount ? v : -1;
}

// Draws the segment a-b, cut to `box` first when an end lies outside it. Lines in view are
// drawn exactly as given; only the far-off parts of very long ones are dropped, so a huge
// grid area or origin costs no walk over pixels that are never shown.
void Segment(Canvas& c, const TRect& box, double ax, double ay, double bx, double by) {
  auto inside = [&](double x, double y) {
    return x >= box.Left && x <= box.Right && y >= box.Top && y <= box.Bottom;
  };
  if (!inside(ax, ay) || !inside(bx, by)) {
    // Liang-Barsky.
    double t0 = 0, t1 = 1;
    const double dx = bx - ax, dy = by - ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - box.Left, box.Right - ax, ay - box.Top, box.Bottom - ay};
    for (int i = 0; i < 4; ++i) {
      if (p[i] == 0) {
        if (q[i] < 0) return;
        continue;
      }
      const double r = q[i] / p[i];
      if (p[i] < 0)
        t0 = std::max(t0, r);
      else
        t1 = std::min(t1, r);
      if (t0 > t1) return;
    }
    const double cx = ax + t0 * dx, cy = ay + t0 * dy;
    bx = ax + t1 * dx;
    by = ay + t1 * dy;
    ax = cx;
    ay = cy;
  }
  c.moveTo(int(std::nearbyint(ax)), int(std::nearbyint(ay)));
  c.lineTo(int(std::nearbyint(bx)), int(std::nearbyint(by)));
}

// One axis in its own terms: `along` runs from lo to hi on the line `across` = c0.
struct Axis {
  bool vertical;
  int32_t lo, hi;     // the rectangle's ends along the axis, scaled and rounded
  int32_t c0;         // the axis's position across
  double start;       // the origin along the axis, scaled, unrounded
  double step;        // the tick spacing, scaled, unrounded
  bool arrowAtHigh;   // the arrowhead at `hi`, else at `lo`
  int32_t halfWidth;  // of the arrowhead
  int32_t length;     // of the arrowhead
  int32_t tick;       // ticks run from c0 - tick - 1 to c0 + tick
};

void DrawAxis(Canvas& c, const Axis& ax, const TRect& clip, int penWidth) {
  // Everything lies within `reach` of the axis line; past the clip by more than that nothing
  // can show. The box keeps every cut end (and its round cap) out of view.
  const int64_t reach = std::max<int64_t>(ax.halfWidth, int64_t(ax.tick) + 1) + penWidth + 2;
  const int64_t acrossLo = ax.vertical ? clip.Left : clip.Top;
  const int64_t acrossHi = ax.vertical ? clip.Right : clip.Bottom;
  if (ax.c0 < acrossLo - reach || ax.c0 > acrossHi + reach) return;
  const int64_t margin = penWidth + 2;
  const TRect box{clip.Left - int32_t(margin), clip.Top - int32_t(margin),
                  clip.Right + int32_t(margin), clip.Bottom + int32_t(margin)};
  auto line = [&](double along1, double across1, double along2, double across2) {
    if (ax.vertical)
      Segment(c, box, across1, along1, across2, along2);
    else
      Segment(c, box, along1, across1, along2, across2);
  };
  const double c0 = ax.c0;

  line(ax.lo, c0, ax.hi, c0);

  // The arrowhead: two strokes meeting at the axis end.
  const double end = ax.arrowAtHigh ? ax.hi : ax.lo;
  const double back = ax.arrowAtHigh ? end - ax.length : end + ax.length;
  line(back, c0 - ax.halfWidth, end, c0);
  line(end, c0, back, c0 + ax.halfWidth);

  // Ticks at whole steps each side of the origin. Positions are start ± k·step rather than a
  // running sum, so a partial repaint puts each tick where a full one does, and the steps out
  // of view are skipped.
  const double e = ax.step, f0 = ax.start;
  const double g = NearestSaturated(e);
  const double viewLo = double(ax.vertical ? clip.Top : clip.Left) - double(reach);
  const double viewHi = double(ax.vertical ? clip.Bottom : clip.Right) + double(reach);
  auto tickAt = [&](double p) {
    const double x = NearestSaturated(p);
    line(x, c0 - ax.tick - 1, x, c0 + ax.tick);
  };
  // Towards hi: tick k exists while the one before lies short of hi - g by more than nothing,
  // and is drawn unless it lies before lo.
  int64_t k = 1;
  if (f0 + e < viewLo) k = std::max<int64_t>(1, int64_t(std::floor((viewLo - f0) / e)));
  for (;; ++k) {
    if (!(double(ax.hi) - g > f0 + double(k - 1) * e)) break;
    const double p = f0 + double(k) * e;
    if (p > viewHi) break;
    if (!(double(ax.lo) > p)) tickAt(p);
  }
  // Towards lo, symmetrically, drawn unless past hi.
  k = 1;
  if (f0 - e > viewHi) k = std::max<int64_t>(1, int64_t(std::floor((f0 - viewHi) / e)));
  for (;; ++k) {
    if (!(g + double(ax.lo) < f0 - double(k - 1) * e)) break;
    const double p = f0 - double(k) * e;
    if (p < viewLo) break;
    if (double(ax.hi) >= p) tickAt(p);
  }
}

}  // namespace

TColor FrameColor(const TFrameSettings& f) {
  return NamedColourAt(f.ColourIndex, platform::clRed);
}

void SnapOriginToGrid(TFrameSettings& f, const TFrameEnv& env) {
  if (!env.GridShown || !f.LinkToGrid || env.Ppi <= 0) return;
  const TGridSettings& grid = env.Grid;
  const double k = env.Ppi / 25.4;
  const double dx = std::clamp(grid.SpacingX, GridSpacingMin, GridSpacingMax) * k;
  const double dy = std::clamp(grid.SpacingY, GridSpacingMin, GridSpacingMax) * k;
  double gx = 0, gy = 0;
  const auto ox = GridFieldValue(grid.OriginX), oy = GridFieldValue(grid.OriginY);
  if (ox && oy && GridFieldValue(grid.Width) && GridFieldValue(grid.Height)) {
    gx = *ox * k;
    gy = *oy * k;
  }
  f.Origin = {NearestSaturated(gx + dx * std::nearbyint((f.Origin.x - gx) / dx)),
              NearestSaturated(gy + dy * std::nearbyint((f.Origin.y - gy) / dy))};
}

void ResetFrame(TFrameSettings& f) {
  f = TFrameSettings{};
}

TRect FrameRectOnLayer(const TFrameSettings& f, const TFrameEnv& env, int width, int height) {
  if (env.GridShown && f.LinkToGrid) return GridRect(env.Grid, env.Ppi);
  return {0, 0, width, height};
}

void DrawFrame(Canvas& c, TFrameSettings& f, const TFrameEnv& env, const TRect& r, double s) {
  // 1, 2.
  if (f.Origin == FrameOriginUnset)
    f.Origin = {int32_t((int64_t(r.Left) + r.Right) / 2), int32_t((int64_t(r.Top) + r.Bottom) / 2)};
  SnapOriginToGrid(f, env);
  if (!(s > 0) || !std::isfinite(s) || env.Ppi <= 0) return;
  const TRect clip = c.clipRect();
  if (clip.isEmpty()) return;

  // 3.
  const TColor penColour = c.penColor();
  const int penWidth = c.penWidth();
  const platform::PenMode penMode = c.penMode();
  c.setPenColor(FrameColor(f));
  c.setPenMode(platform::PenMode::Copy);
  const int width = std::clamp(NearestSaturated(2 * s), 1, 1 << 16);
  c.setPenWidth(width);
  const int64_t span = int64_t(r.Right) - r.Left;
  const int32_t a = NearestSaturated(s * double(span / 60));
  const int32_t b = NearestSaturated(s * double(span / 30));
  const int32_t t = NearestSaturated(s * double(span) / 150);
  const double k = s * env.Ppi / 25.4;
  const bool tied = env.GridShown && f.LinkToGrid;

  // 4. The vertical axis; its arrow points up (towards T) when YDirection is 1.
  if (!tied || IsWithinGridX(env.Grid, env.Ppi, f.Origin.x))
    DrawAxis(c,
             {true, NearestSaturated(s * r.Top), NearestSaturated(s * r.Bottom),
              NearestSaturated(s * f.Origin.x), s * f.Origin.y, ClampSpacing(f.SpacingY) * k,
              f.YDirection != 1, a, b, t},
             clip, width);
  // 5. The horizontal axis; its arrow points right when XDirection is 1.
  if (!tied || IsWithinGridY(env.Grid, env.Ppi, f.Origin.y))
    DrawAxis(c,
             {false, NearestSaturated(s * r.Left), NearestSaturated(s * r.Right),
              NearestSaturated(s * f.Origin.y), s * f.Origin.x, ClampSpacing(f.SpacingX) * k,
              f.XDirection == 1, a, b, t},
             clip, width);

  c.setPenColor(penColour);
  c.setPenWidth(penWidth);
  c.setPenMode(penMode);
}

void DrawPreview(Canvas& c, const TFrameSettings& f, int size) {
  const TColor penColour = c.penColor();
  const int penWidth = c.penWidth();
  c.setPenColor(FrameColor(f));
  c.setPenWidth(1);
  const int mid = size / 2, a = size / 20, b = size / 10;
  auto stroke = [&](TPoint p, TPoint q, TPoint r) {
    c.moveTo(p.x, p.y);
    c.lineTo(q.x, q.y);
    c.lineTo(r.x, r.y);
  };
  c.moveTo(mid, 0);
  c.lineTo(mid, size);
  if (f.XDirection == 1)
    stroke({size - b, mid - a}, {size, mid}, {size - b, mid + a});
  else
    stroke({b, mid - a}, {0, mid}, {b, mid + a});
  c.moveTo(0, mid);
  c.lineTo(size, mid);
  if (f.YDirection == 1)
    stroke({mid - a, b}, {mid, 0}, {mid + a, b});
  else
    stroke({mid - a, size - b}, {mid, size}, {mid + a, size - b});
  c.setPenColor(penColour);
  c.setPenWidth(penWidth);
}

bool PressOnPreview(TFrameSettings& f, int x, int y, int size) {
  if (x <= 0 || y <= 0 || x >= size || y >= size) return false;
  const int centre = size / 2;
  f.XDirection = x > centre ? 1 : 0;
  f.YDirection = y < centre ? 1 : 0;
  return true;
}

void WriteFrameRecord(platform::Stream& s, const TFrameSettings& f) {
  s.writeU16(FrameRecordVersion);
  s.writeI32(f.SpacingX);
  s.writeI32(f.SpacingY);
  s.writeI32(f.ColourIndex);
  s.writeBool(f.LinkToGrid);
  s.writeI32(f.Origin.x);
  s.writeI32(f.Origin.y);
  s.writeU8(f.XDirection);
  s.writeU8(f.YDirection);
}

void ReadFrameRecord(platform::Stream& s, TFrameSettings& f) {
  TFrameSettings r = f;
  const uint16_t version = s.readU16();
  r.SpacingX = ClampSpacing(s.readI32());
  r.SpacingY = ClampSpacing(s.readI32());
  r.ColourIndex = ListIndex(s.readI32());
  if (version >= 2) {
    r.LinkToGrid = s.readBool();
    if (version >= 3) {
      r.Origin.x = s.readI32();
      r.Origin.y = s.readI32();
      r.XDirection = s.readU8();
      r.YDirection = s.readU8();
    }
  }
  f = r;
}
