#include "Canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <optional>

#include "QtBridge.h"

namespace platform {

namespace {

constexpr uint32_t kRgbMask = 0x00FFFFFFu;

TRect imageRect(const Bitmap& b) {
  return {0, 0, b.width(), b.height()};
}

// One font lookup per distinct font: labels measure their text often.
struct FontCache {
  std::optional<Font> key;
  QFont font;
  std::optional<QFontMetrics> metrics;
};

const FontCache& cachedFont(const Font& f) {
  thread_local FontCache cache;
  if (!cache.key || !(*cache.key == f)) {
    cache.key = f;
    cache.font = toQFont(f);
    cache.metrics.emplace(cache.font);
  }
  return cache;
}

}  // namespace

QFont toQFont(const Font& f) {
  QFont q(QString::fromStdString(f.name));
  const int points = std::abs(f.size);
  q.setPixelSize(std::max(1, int(std::nearbyint(points * 96.0 / 72.0))));
  q.setBold(f.bold);
  q.setItalic(f.italic);
  q.setUnderline(f.underline);
  q.setStrikeOut(f.strikeOut);
  q.setStyleStrategy(QFont::NoAntialias);
  return q;
}

Font fromQFont(const QFont& q, TColor colour) {
  Font f;
  f.name = q.family().toStdString();
  if (q.pointSizeF() > 0)
    f.size = int(std::nearbyint(q.pointSizeF()));
  else if (q.pixelSize() > 0)
    f.size = int(std::nearbyint(q.pixelSize() * 72.0 / 96.0));
  f.bold = q.bold();
  f.italic = q.italic();
  f.underline = q.underline();
  f.strikeOut = q.strikeOut();
  f.color = colour;
  return f;
}

Canvas::Canvas(Bitmap& target) : target_(&target), clip_(imageRect(target)) {}

Canvas::Canvas(Bitmap& target, TPoint origin, const TRect& clip)
    : target_(&target), origin_(origin), clip_(clip.intersected(imageRect(target))) {}

// The image may have been resized since the canvas was made: never reach past it.
static TRect liveClip(const Bitmap& b, const TRect& clip) {
  return clip.intersected(imageRect(b));
}

TRect Canvas::clipRect() const {
  const TRect c = liveClip(*target_, clip_);
  if (c.isEmpty()) return {};
  return c.translated(-origin_.x, -origin_.y);
}

RawPixels Canvas::raw() const {
  RawPixels r;
  r.origin = origin_;
  r.clip = clipRect();
  if (!target_->isEmpty()) {
    r.bits = target_->scanLine(0);
    r.stride = target_->strideInPixels();
  }
  return r;
}

// ---- pixels and rectangles (no painter) ----

TColor Canvas::pixel(int x, int y) const {
  const int tx = x + origin_.x, ty = y + origin_.y;
  if (!liveClip(*target_, clip_).contains(tx, ty)) return clInvalid;
  return fromPixel(std::as_const(*target_).scanLine(ty)[tx]);
}

void Canvas::setPixel(int x, int y, TColor c) {
  const int tx = x + origin_.x, ty = y + origin_.y;
  if (!liveClip(*target_, clip_).contains(tx, ty)) return;
  target_->scanLine(ty)[tx] = toPixel(c);
}

void Canvas::fillRect(const TRect& r) {
  const TRect t = r.translated(origin_.x, origin_.y).intersected(liveClip(*target_, clip_));
  if (t.isEmpty()) return;
  const uint32_t p = toPixel(brushColor_);
  for (int y = t.Top; y < t.Bottom; ++y) {
    uint32_t* row = target_->scanLine(y);
    std::fill(row + t.Left, row + t.Right, p);
  }
}

void Canvas::floodFill(int x, int y, TColor surface) {
  const TRect c = liveClip(*target_, clip_);
  const int sx = x + origin_.x, sy = y + origin_.y;
  if (!c.contains(sx, sy)) return;
  const uint32_t match = toPixel(surface) & kRgbMask;
  const uint32_t fill = toPixel(brushColor_);
  // Filling with the surface colour itself would change nothing and never run out of seeds.
  if ((fill & kRgbMask) == match) return;
  auto matches = [&](const uint32_t* row, int px) { return (row[px] & kRgbMask) == match; };

  struct Seed {
    int x, y;
  };
  std::vector<Seed> stack{{sx, sy}};
  while (!stack.empty()) {
    const Seed s = stack.back();
    stack.pop_back();
    uint32_t* row = target_->scanLine(s.y);
    if (!matches(row, s.x)) continue;
    int lx = s.x, rx = s.x + 1;  // span [lx, rx)
    while (lx > c.Left && matches(row, lx - 1)) --lx;
    while (rx < c.Right && matches(row, rx)) ++rx;
    std::fill(row + lx, row + rx, fill);
    for (int ny : {s.y - 1, s.y + 1}) {
      if (ny < c.Top || ny >= c.Bottom) continue;
      const uint32_t* nrow = std::as_const(*target_).scanLine(ny);
      bool inRun = false;
      for (int px = lx; px < rx; ++px) {
        const bool m = matches(nrow, px);
        if (m && !inRun) stack.push_back({px, ny});
        inRun = m;
      }
    }
  }
}

// ---- block transfers ----

void Canvas::draw(int x, int y, const Bitmap& src, RasterOp op) {
  copyRect(rectXYWH(x, y, src.width(), src.height()), src, imageRect(src), op);
}

void Canvas::stretchDraw(const TRect& dest, const Bitmap& src, RasterOp op) {
  copyRect(dest, src, imageRect(src), op);
}

void Canvas::copyRect(const TRect& dest, const Bitmap& src, const TRect& srcRect, RasterOp op) {
  const int dw = dest.width(), dh = dest.height();
  const int sw = srcRect.width(), sh = srcRect.height();
  if (dw == 0 || dh == 0 || sw == 0 || sh == 0 || src.isEmpty()) return;
  // A negative extent on one side only mirrors the picture along that axis.
  const bool flipX = (dw < 0) != (sw < 0), flipY = (dh < 0) != (sh < 0);
  const int adw = std::abs(dw), adh = std::abs(dh), asw = std::abs(sw), ash = std::abs(sh);
  const int dl = std::min(dest.Left, dest.Right), dt = std::min(dest.Top, dest.Bottom);
  const int sl = std::min(srcRect.Left, srcRect.Right), st = std::min(srcRect.Top, srcRect.Bottom);

  const TRect t = TRect{dl, dt, dl + adw, dt + adh}
                      .translated(origin_.x, origin_.y)
                      .intersected(liveClip(*target_, clip_));
  if (t.isEmpty()) return;

  // Copying a bitmap onto itself reads from a snapshot, so overlapping areas stay intact.
  std::optional<Bitmap> snapshot;
  if (&src == target_ || qimage(src).constBits() == qimage(*target_).constBits())
    snapshot.emplace(src);
  const Bitmap& from = snapshot ? *snapshot : src;
  const TRect srcBounds = imageRect(from);
  const int ox = origin_.x + dl, oy = origin_.y + dt;

  // Nearest source sample of destination offset i: the one under the pixel centre.
  auto mapX = [&](int i) {
    const int k = int((int64_t(2 * i + 1) * asw) / (2 * int64_t(adw)));
    return sl + (flipX ? asw - 1 - k : k);
  };
  auto mapY = [&](int j) {
    const int k = int((int64_t(2 * j + 1) * ash) / (2 * int64_t(adh)));
    return st + (flipY ? ash - 1 - k : k);
  };

  const bool plain = adw == asw && adh == ash && !flipX && !flipY;
  for (int y = t.Top; y < t.Bottom; ++y) {
    const int syy = plain ? st + (y - oy) : mapY(y - oy);
    if (syy < srcBounds.Top || syy >= srcBounds.Bottom) continue;
    const uint32_t* srow = from.scanLine(syy);
    uint32_t* drow = target_->scanLine(y);
    for (int x = t.Left; x < t.Right; ++x) {
      const int sxx = plain ? sl + (x - ox) : mapX(x - ox);
      if (sxx < srcBounds.Left || sxx >= srcBounds.Right) continue;
      const uint32_t s = srow[sxx] | 0xFF000000u;
      drow[x] = op == RasterOp::And ? (s & drow[x]) : s;
    }
  }
}

// ---- painter-based shapes ----

namespace {

// A painter on the target, clipped and translated to canvas coordinates, never anti-aliased.
class CanvasPainter {
 public:
  CanvasPainter(Bitmap& target, TPoint origin, const TRect& clip, bool xorMode) {
    if (clip.isEmpty() || target.isEmpty()) return;
    p_.begin(&qimage(target));
    p_.setRenderHint(QPainter::Antialiasing, false);
    p_.setRenderHint(QPainter::TextAntialiasing, false);
    p_.setClipRect(toQRect(clip));
    p_.translate(origin.x, origin.y);
    if (xorMode) p_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  }
  bool active() const { return p_.isActive(); }
  QPainter* operator->() { return &p_; }
  QPainter& get() { return p_; }

 private:
  QPainter p_;
};

}  // namespace

// Single-pixel lines are drawn here rather than by Qt so the GDI rule holds exactly: the end
// point is left out, so joined segments paint each joint once (XOR rubber bands rely on it).
static void plotLine(Bitmap& target, TPoint origin, const TRect& clip, TPoint a, TPoint b,
                     uint32_t pix, bool xorMode, bool withEnd) {
  int x = a.x + origin.x, y = a.y + origin.y;
  const int x1 = b.x + origin.x, y1 = b.y + origin.y;
  const int dx = std::abs(x1 - x), dy = -std::abs(y1 - y);
  const int stepX = x < x1 ? 1 : -1, stepY = y < y1 ? 1 : -1;
  int err = dx + dy;
  auto plot = [&](int px, int py) {
    if (!clip.contains(px, py)) return;
    uint32_t& d = target.scanLine(py)[px];
    d = xorMode ? ((d ^ pix) | 0xFF000000u) : pix;
  };
  while (x != x1 || y != y1) {
    plot(x, y);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += stepX;
    }
    if (e2 <= dx) {
      err += dx;
      y += stepY;
    }
  }
  if (withEnd) plot(x, y);
}

static QPen widePen(TColor c, int width) {
  QPen pen(toQColor(c));
  pen.setWidth(width);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

void Canvas::lineTo(int x, int y) {
  polyline({penPos_, {x, y}});
  penPos_ = {x, y};
}

void Canvas::polyline(const std::vector<TPoint>& pts) {
  if (pts.size() < 2) return;
  const TRect clip = liveClip(*target_, clip_);
  const bool xorMode = penMode_ == PenMode::Xor;
  if (penWidth_ == 1) {
    for (size_t i = 1; i < pts.size(); ++i)
      plotLine(*target_, origin_, clip, pts[i - 1], pts[i], toPixel(penColor_), xorMode, false);
    return;
  }
  CanvasPainter p(*target_, origin_, clip, xorMode);
  if (!p.active()) return;
  QPolygon poly;
  for (const TPoint& q : pts) poly << QPoint(q.x, q.y);
  p->setPen(widePen(penColor_, penWidth_));
  p->setBrush(Qt::NoBrush);
  p->drawPolyline(poly);
}

void Canvas::polygon(const std::vector<TPoint>& pts) {
  if (pts.empty()) return;
  const TRect clip = liveClip(*target_, clip_);
  const bool xorMode = penMode_ == PenMode::Xor;
  QPolygon poly;
  for (const TPoint& q : pts) poly << QPoint(q.x, q.y);
  {
    CanvasPainter p(*target_, origin_, clip, xorMode);
    if (!p.active()) return;
    if (brushStyle_ == BrushStyle::Solid && pts.size() >= 3) {
      p->setPen(Qt::NoPen);
      p->setBrush(toQColor(brushColor_));
      p->drawPolygon(poly, Qt::OddEvenFill);
    }
    if (penWidth_ > 1) {
      p->setPen(widePen(penColor_, penWidth_));
      p->setBrush(Qt::NoBrush);
      p->drawPolygon(poly);
      return;
    }
  }
  for (size_t i = 0; i < pts.size(); ++i)
    plotLine(*target_, origin_, clip, pts[i], pts[(i + 1) % pts.size()], toPixel(penColor_),
             xorMode, pts.size() == 1);
}

// ---- ellipses, rectangles and arcs, rasterised here ----
//
// A shape is a run of pixels per row. Pen and brush cover disjoint pixels, so an XOR shape
// drawn twice comes back exactly, and the bounding box is the GDI box to the pixel.

namespace {

struct Span {
  int l = 0, r = 0;  // [l, r)
  bool empty() const { return r <= l; }
};

struct Rows {
  int top = 0;
  std::vector<Span> spans;
  Span at(int y) const {
    const int i = y - top;
    return i >= 0 && i < int(spans.size()) ? spans[size_t(i)] : Span{};
  }
};

TRect normalised(int x1, int y1, int x2, int y2) {
  return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

TRect inflated(const TRect& r, int d) {
  return {r.Left - d, r.Top - d, r.Right + d, r.Bottom + d};
}

Rows rectRows(const TRect& box) {
  Rows rows{box.Top, {}};
  if (!box.isEmpty()) rows.spans.assign(size_t(box.height()), Span{box.Left, box.Right});
  return rows;
}

// Pixels whose centres lie in the ellipse inscribed in `box`, widened so that every row of the
// box has a pixel and the middle rows reach both sides.
Rows ellipseRows(const TRect& box) {
  Rows rows{box.Top, {}};
  if (box.isEmpty()) return rows;
  const double cx = (box.Left + box.Right) / 2.0, cy = (box.Top + box.Bottom) / 2.0;
  const double a = box.width() / 2.0, b = box.height() / 2.0;
  constexpr double eps = 1e-9;
  for (int y = box.Top; y < box.Bottom; ++y) {
    const double dy = y + 0.5 - cy;
    Span s{box.Left, box.Right};
    if (std::abs(dy) > 0.5) {
      const double hw = a * std::sqrt(std::max(0.0, 1 - (dy / b) * (dy / b)));
      s = {int(std::ceil(cx - hw - 0.5 - eps)), int(std::floor(cx + hw - 0.5 + eps)) + 1};
      if (s.empty()) s = {int(std::floor(cx - 0.5)), int(std::ceil(cx - 0.5)) + 1};
    }
    rows.spans.push_back(s);
  }
  return rows;
}

// The pixels of `f` whose four neighbours all belong to `f`: what is left inside a
// one-pixel outline.
Rows interiorOf(const Rows& f) {
  Rows in{f.top, {}};
  for (size_t i = 0; i < f.spans.size(); ++i) {
    const int y = f.top + int(i);
    const Span s = f.spans[i], up = f.at(y - 1), down = f.at(y + 1);
    Span k{std::max({s.l + 1, up.l, down.l}), std::min({s.r - 1, up.r, down.r})};
    if (up.empty() || down.empty() || k.empty()) k = {};
    in.spans.push_back(k);
  }
  return in;
}

// The outline of a pen `width` wide around `box` and what it encloses.
std::pair<Rows, Rows> outlineAndInside(const TRect& box, int width, Rows (*shape)(const TRect&)) {
  if (width <= 1) {
    Rows outer = shape(box);
    Rows inner = interiorOf(outer);
    return {std::move(outer), std::move(inner)};
  }
  const TRect outer = inflated(box, (width - 1) / 2);
  return {shape(outer), shape(inflated(outer, -width))};
}

class PixelWriter {
 public:
  PixelWriter(Bitmap& b, TPoint origin, const TRect& clip) : b_(b), o_(origin), clip_(clip) {}
  // Canvas row y, columns [l, r).
  void span(int y, int l, int r, uint32_t pix, bool xorMode) {
    const int ty = y + o_.y;
    if (ty < clip_.Top || ty >= clip_.Bottom) return;
    const int tl = std::max(l + o_.x, clip_.Left), tr = std::min(r + o_.x, clip_.Right);
    if (tl >= tr) return;
    uint32_t* row = b_.scanLine(ty);
    if (xorMode) {
      for (int x = tl; x < tr; ++x) row[x] ^= pix & kRgbMask;
    } else {
      std::fill(row + tl, row + tr, pix);
    }
  }
  void plot(int x, int y, uint32_t pix, bool xorMode) { span(y, x, x + 1, pix, xorMode); }

 private:
  Bitmap& b_;
  TPoint o_;
  TRect clip_;
};

// Each row of `outer` minus `inner`, as at most two runs.
template <class F>
void forRing(const Rows& outer, const Rows& inner, F&& run) {
  for (size_t i = 0; i < outer.spans.size(); ++i) {
    const int y = outer.top + int(i);
    const Span o = outer.spans[i], in = inner.at(y);
    if (o.empty()) continue;
    if (in.empty() || in.r <= o.l || in.l >= o.r) {
      run(y, o.l, o.r);
      continue;
    }
    if (o.l < in.l) run(y, o.l, in.l);
    if (in.r < o.r) run(y, in.r, o.r);
  }
}

}  // namespace

static void paintClosedShape(Bitmap& target, TPoint origin, const TRect& clip,
                             const std::pair<Rows, Rows>& shape, uint32_t pen,
                             std::optional<uint32_t> brush, bool xorMode) {
  PixelWriter w(target, origin, clip);
  if (brush)
    for (size_t i = 0; i < shape.second.spans.size(); ++i) {
      const Span s = shape.second.spans[i];
      if (!s.empty()) w.span(shape.second.top + int(i), s.l, s.r, *brush, xorMode);
    }
  forRing(shape.first, shape.second, [&](int y, int l, int r) { w.span(y, l, r, pen, xorMode); });
}

void Canvas::ellipse(int x1, int y1, int x2, int y2) {
  const TRect box = normalised(x1, y1, x2, y2);
  if (box.isEmpty()) return;
  paintClosedShape(
      *target_, origin_, liveClip(*target_, clip_), outlineAndInside(box, penWidth_, ellipseRows),
      toPixel(penColor_),
      brushStyle_ == BrushStyle::Solid ? std::optional(toPixel(brushColor_)) : std::nullopt,
      penMode_ == PenMode::Xor);
}

void Canvas::rectangle(int x1, int y1, int x2, int y2) {
  const TRect box = normalised(x1, y1, x2, y2);
  if (box.isEmpty()) return;
  paintClosedShape(
      *target_, origin_, liveClip(*target_, clip_), outlineAndInside(box, penWidth_, rectRows),
      toPixel(penColor_),
      brushStyle_ == BrushStyle::Solid ? std::optional(toPixel(brushColor_)) : std::nullopt,
      penMode_ == PenMode::Xor);
}

void Canvas::arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  const TRect box = normalised(x1, y1, x2, y2);
  if (box.isEmpty()) return;
  // Angles of pixel centres seen from the box centre, y upward (counter-clockwise on screen).
  const double cx = (box.Left + box.Right) / 2.0, cy = (box.Top + box.Bottom) / 2.0;
  auto angle = [&](double px, double py) { return std::atan2(cy - (py + 0.5), px + 0.5 - cx); };
  constexpr double turn = 2 * std::numbers::pi;
  auto ccwFrom = [&](double from, double to) {
    const double d = std::fmod(to - from + 2 * turn, turn);
    return d < 0 ? d + turn : d;
  };
  const double start = angle(x3, y3);
  double sweep = ccwFrom(start, angle(x4, y4));
  if (sweep < 1e-12) sweep = turn;  // the same radial twice: the whole ellipse
  const auto shape = outlineAndInside(box, penWidth_, ellipseRows);
  PixelWriter w(*target_, origin_, liveClip(*target_, clip_));
  const uint32_t pen = toPixel(penColor_);
  const bool xorMode = penMode_ == PenMode::Xor;
  forRing(shape.first, shape.second, [&](int y, int l, int r) {
    for (int x = l; x < r; ++x)
      if (ccwFrom(start, angle(x, y)) <= sweep + 1e-12) w.plot(x, y, pen, xorMode);
  });
}

void Canvas::polyBezier(const TPoint (&pts)[4]) {
  if (penWidth_ > 1) {
    CanvasPainter p(*target_, origin_, liveClip(*target_, clip_), penMode_ == PenMode::Xor);
    if (!p.active()) return;
    QPainterPath path(QPointF(pts[0].x, pts[0].y));
    path.cubicTo(pts[1].x, pts[1].y, pts[2].x, pts[2].y, pts[3].x, pts[3].y);
    p->setPen(widePen(penColor_, penWidth_));
    p->setBrush(Qt::NoBrush);
    p->drawPath(path);
    return;
  }
  // Flattened into short chords, drawn as one polyline so no pixel is painted twice.
  double len = 0;
  for (int i = 1; i < 4; ++i) len += std::hypot(pts[i].x - pts[i - 1].x, pts[i].y - pts[i - 1].y);
  const int n = std::clamp(int(std::ceil(len / 3)), 1, 1000);
  std::vector<TPoint> line{pts[0]};
  for (int i = 1; i <= n; ++i) {
    const double t = double(i) / n, u = 1 - t;
    const double w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t, w3 = t * t * t;
    const TPoint q{
        int(std::nearbyint(w0 * pts[0].x + w1 * pts[1].x + w2 * pts[2].x + w3 * pts[3].x)),
        int(std::nearbyint(w0 * pts[0].y + w1 * pts[1].y + w2 * pts[2].y + w3 * pts[3].y))};
    if (!(q == line.back())) line.push_back(q);
  }
  polyline(line);
}

// ---- text ----

void Canvas::textOut(int x, int y, const std::string& text) {
  if (text.empty()) return;
  const FontCache& fc = cachedFont(font_);
  const QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
  if (brushStyle_ == BrushStyle::Solid)
    fillRect(rectXYWH(x, y, fc.metrics->horizontalAdvance(s), fc.metrics->height()));
  CanvasPainter p(*target_, origin_, liveClip(*target_, clip_), false);
  if (!p.active()) return;
  p->setFont(fc.font);
  p->setPen(toQColor(font_.color));
  p->drawText(QPoint(x, y + fc.metrics->ascent()), s);
}

int Canvas::textWidth(const std::string& text) const {
  return cachedFont(font_).metrics->horizontalAdvance(
      QString::fromUtf8(text.data(), qsizetype(text.size())));
}

int Canvas::textHeight(const std::string& text) const {
  (void)text;
  return cachedFont(font_).metrics->height();
}

}  // namespace platform
