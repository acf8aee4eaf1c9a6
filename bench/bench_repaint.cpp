// A full repaint of a page of five layers, each holding 2,000 objects (curves, segments,
// points, arcs), against QPainter drawing the same geometry anti-aliased on an image of the
// same size and format. Both start every iteration from white paper. Besides the whole mix,
// each kind is timed alone to show where the time goes; the summary prints ours/Qt.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPointF>
#include <QPolygon>
#include <QRect>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "BenchCollector.h"
#include "BenchPage.h"
#include "platform/Colour.h"
#include "platform/Surface.h"
#include "platform/Types.h"
#include "sheet/objects/uPointGs.h"
#include "sheet/objects/ucalcul.h"

namespace {

using bench::Arc;
using bench::Cross;
using bench::Curve;
using bench::Geometry;
using bench::kAll;
using bench::kArcs;
using bench::kCurves;
using bench::kLayers;
using bench::kObjectsPerLayer;
using bench::kPageHeight;
using bench::kPageWidth;
using bench::kPoints;
using bench::kSegments;
using bench::Layer;
using bench::Segment;
using bench::Stroke;
using platform::TColor;
using platform::TPoint;

// ---- ours: the layers on a surface, repainted whole ----

class Page {
 public:
  explicit Page(unsigned kinds) : page_(kinds) { page_.surface().render(); }

  void Repaint() {
    page_.surface().invalidateAll();
    page_.surface().render();
  }
  const platform::Surface& surface() const { return page_.surface(); }

 private:
  bench::LayeredPage page_;
};

void Ours(benchmark::State& state, unsigned kinds) {
  Page page(kinds);
  for (auto _ : state) {
    page.Repaint();
    benchmark::DoNotOptimize(page.surface().image().scanLine(kPageHeight / 2));
    benchmark::ClobberMemory();
  }
}

// ---- Qt: the same geometry with QPainter, anti-aliased ----

QColor ToQt(TColor c) {
  return QColor(platform::redOf(c), platform::greenOf(c), platform::blueOf(c));
}

// Start angle and counter-clockwise span from the start radial to the end radial, in 1/16
// degree as drawArc takes them (angles measured with y upward).
void ArcAngles(const Arc& a, int& start16, int& span16) {
  const double s = AngleOf(a.start.x - a.centre.x, a.centre.y - a.start.y);
  const double e = AngleOf(a.end.x - a.centre.x, a.centre.y - a.end.y);
  double span = e - s;
  if (span <= 0) span += 2 * std::numbers::pi;
  constexpr double k16 = 16 * 180 / std::numbers::pi;
  start16 = Nearest(s * k16);
  span16 = Nearest(span * k16);
}

void DrawQt(QPainter& p, const Layer& l, unsigned kinds, Qt::PenCapStyle cap,
            Qt::PenJoinStyle join) {
  auto pen = [&](const Stroke& s) {
    p.setPen(QPen(ToQt(s.colour), s.width, Qt::SolidLine, cap, join));
  };
  if (kinds & kCurves)
    for (const Curve& c : l.curves) {
      pen(c);
      QPolygon poly;
      poly.reserve(qsizetype(c.points.size()));
      for (const TPoint& q : c.points) poly << QPoint(q.x, q.y);
      p.drawPolyline(poly);
    }
  if (kinds & kSegments)
    for (const Segment& s : l.segments) {
      pen(s);
      p.drawLine(s.a.x, s.a.y, s.b.x, s.b.y);
    }
  if (kinds & kPoints) {
    const int d = 6 * PointSize;
    for (const Cross& c : l.points) {
      pen(c);
      p.drawLine(c.at.x - d, c.at.y - d, c.at.x + d, c.at.y + d);
      p.drawLine(c.at.x - d, c.at.y + d, c.at.x + d, c.at.y - d);
    }
  }
  if (kinds & kArcs)
    for (const Arc& a : l.arcs) {
      pen(a);
      const int r = Nearest(Distance(a.start, a.centre));
      const QRect box(a.centre.x - r, a.centre.y - r, 2 * r, 2 * r);
      if (a.end.x < 0) {
        p.drawEllipse(box);
      } else {
        int start16, span16;
        ArcAngles(a, start16, span16);
        p.drawArc(box, start16, span16);
      }
    }
}

void PaintQt(QImage& img, unsigned kinds, Qt::PenCapStyle cap, Qt::PenJoinStyle join) {
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setBrush(Qt::NoBrush);
  for (const Layer& l : Geometry()) DrawQt(p, l, kinds, cap, join);
}

void QtRepaint(benchmark::State& state, unsigned kinds, Qt::PenCapStyle cap,
               Qt::PenJoinStyle join) {
  QImage img(kPageWidth, kPageHeight, QImage::Format_RGB32);
  for (auto _ : state) {
    PaintQt(img, kinds, cap, join);
    benchmark::DoNotOptimize(img.constScanLine(kPageHeight / 2));
    benchmark::ClobberMemory();
  }
}

// --dump=PREFIX writes both repaints of the whole mix as PNG files, to check by eye that the
// two sides draw the same page.
void Dump(const std::string& prefix) {
  Page page(kAll);
  page.Repaint();
  const platform::Bitmap& b = page.surface().image();
  QImage ours(reinterpret_cast<const uchar*>(b.scanLine(0)), b.width(), b.height(),
              qsizetype(b.strideInPixels()) * 4, QImage::Format_RGB32);
  ours.save(QString::fromStdString(prefix + "_ours.png"));
  QImage qt(kPageWidth, kPageHeight, QImage::Format_RGB32);
  PaintQt(qt, kAll, Qt::FlatCap, Qt::BevelJoin);
  qt.save(QString::fromStdString(prefix + "_qt.png"));
}

struct Mix {
  const char* name;
  unsigned kinds;
};
constexpr Mix kMixes[] = {{"all", kAll},
                          {"curves", kCurves},
                          {"segments", kSegments},
                          {"points", kPoints},
                          {"arcs", kArcs}};

std::string Name(const char* impl, const char* mix) {
  return std::string(impl) + "/" + mix;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i)
    if (const std::string a = argv[i]; a.starts_with("--dump=")) {
      Dump(a.substr(7));
      return 0;
    }
  for (const Mix& m : kMixes) {
    benchmark::RegisterBenchmark(Name("Ours", m.name).c_str(), Ours, m.kinds)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(Name("QtFlat", m.name).c_str(), QtRepaint, m.kinds, Qt::FlatCap,
                                 Qt::BevelJoin)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(Name("QtRound", m.name).c_str(), QtRepaint, m.kinds, Qt::RoundCap,
                                 Qt::RoundJoin)
        ->Unit(benchmark::kMicrosecond);
  }
  benchmark::Initialize(&argc, argv);
  bench::Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);

  auto t = [&](const char* impl, const char* mix) { return collector.median(Name(impl, mix)); };
  std::printf("\nours/Qt (ns per full repaint of %d layers x %d objects; lower is better)\n",
              kLayers, kObjectsPerLayer);
  std::printf("%-9s %14s %14s %14s %10s %10s\n", "objects", "ours", "qt flat", "qt round",
              "vs flat", "vs round");
  for (const Mix& m : kMixes) {
    const double o = t("Ours", m.name), f = t("QtFlat", m.name), r = t("QtRound", m.name);
    if (o <= 0 || f <= 0 || r <= 0) continue;
    // Times are reported in microseconds; the table is in nanoseconds.
    std::printf("%-9s %14.0f %14.0f %14.0f %10.3f %10.3f\n", m.name, o * 1e3, f * 1e3, r * 1e3,
                o / f, o / r);
  }
  benchmark::Shutdown();
  return 0;
}
