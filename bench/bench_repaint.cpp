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
#include <map>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "platform/Colour.h"
#include "platform/Surface.h"
#include "platform/Types.h"
#include "sheet/layers/uPages.h"
#include "sheet/objects/uArcs.h"
#include "sheet/objects/uCourbes.h"
#include "sheet/objects/uPointGs.h"
#include "sheet/objects/ucalcul.h"
#include "sheet/objects/usegments.h"

namespace {

using platform::TColor;
using platform::TPoint;

constexpr int kPageWidth = 794, kPageHeight = 1123;
constexpr int kLayers = 5;
constexpr int kObjectsPerLayer = 2000;  // a quarter of each kind
constexpr int kCurvePoints = 50;
constexpr unsigned kSeed = 20240611;

enum Kind : unsigned { kCurves = 1, kSegments = 2, kPoints = 4, kArcs = 8, kAll = 15 };

struct Stroke {
  TColor colour;
  int width;
};
struct Curve : Stroke {
  std::vector<TPoint> points;
};
struct Segment : Stroke {
  TPoint a, b;
};
struct Cross : Stroke {
  TPoint at;
};
struct Arc : Stroke {
  TPoint centre, start, end;  // end.x < 0: a full circle
};
struct Layer {
  std::vector<Curve> curves;
  std::vector<Segment> segments;
  std::vector<Cross> points;
  std::vector<Arc> arcs;
};

constexpr TColor kPalette[] = {platform::rgb(0, 0, 0),     platform::rgb(200, 30, 40),
                               platform::rgb(20, 60, 190), platform::rgb(30, 140, 50),
                               platform::rgb(230, 120, 0), platform::rgb(120, 40, 160)};

// The same pages every run: one generator with a fixed seed, drawn in a fixed order.
std::vector<Layer> MakeGeometry() {
  std::mt19937 rng(kSeed);
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto real = [&](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(rng);
  };
  auto stroke = [&] {
    return Stroke{kPalette[uniform(0, int(std::size(kPalette)) - 1)], uniform(1, 3)};
  };
  auto inside = [&](int margin) {
    return TPoint{uniform(margin, kPageWidth - 1 - margin),
                  uniform(margin, kPageHeight - 1 - margin)};
  };
  constexpr double kTurn = 2 * std::numbers::pi;

  std::vector<Layer> layers(kLayers);
  for (Layer& l : layers) {
    const int each = kObjectsPerLayer / 4;
    // Pencil strokes: steps of 3 to 8 pixels turning gently, kept on the page.
    for (int i = 0; i < each; ++i) {
      Curve c{stroke(), {}};
      double x = uniform(20, kPageWidth - 21), y = uniform(20, kPageHeight - 21);
      double heading = real(0, kTurn);
      for (int k = 0; k < kCurvePoints; ++k) {
        c.points.push_back({Nearest(x), Nearest(y)});
        heading += real(-0.35, 0.35);
        const double step = real(3, 8);
        x = std::clamp(x + step * std::cos(heading), 2.0, kPageWidth - 3.0);
        y = std::clamp(y + step * std::sin(heading), 2.0, kPageHeight - 3.0);
      }
      l.curves.push_back(std::move(c));
    }
    for (int i = 0; i < each; ++i) {
      const TPoint a = inside(2);
      const double angle = real(0, kTurn), length = real(10, 300);
      const TPoint b{std::clamp(Nearest(a.x + length * std::cos(angle)), 2, kPageWidth - 3),
                     std::clamp(Nearest(a.y + length * std::sin(angle)), 2, kPageHeight - 3)};
      l.segments.push_back({stroke(), a, b});
    }
    for (int i = 0; i < each; ++i) l.points.push_back({stroke(), inside(10)});
    for (int i = 0; i < each; ++i) {
      const int r = uniform(8, 120);
      const TPoint c{uniform(r + 4, kPageWidth - 5 - r), uniform(r + 4, kPageHeight - 5 - r)};
      auto onCircle = [&](double a) {
        return TPoint{Nearest(c.x + r * std::cos(a)), Nearest(c.y - r * std::sin(a))};
      };
      const bool full = uniform(0, 3) == 0;
      const TPoint s = onCircle(real(0, kTurn));
      const TPoint e = full ? TPoint{-1, -1} : onCircle(real(0, kTurn));
      l.arcs.push_back({stroke(), c, s, e});
    }
  }
  return layers;
}

const std::vector<Layer>& Geometry() {
  static const std::vector<Layer> g = MakeGeometry();
  return g;
}

// ---- ours: the layers on a surface, repainted whole ----

class Page {
 public:
  explicit Page(unsigned kinds) : surface_(kPageWidth, kPageHeight, platform::clWhite) {
    first_ = TPage::Create(nullptr, &surface_);
    first_->SetBounds(0, 0, kPageWidth, kPageHeight);
    for (int i = 1; i < kLayers; ++i) first_->AddLayer();
    const std::vector<Layer>& g = Geometry();
    for (int i = 0; i < kLayers; ++i) Fill(*first_->LayerAt(i), g[size_t(i)], kinds);
    surface_.render();
  }
  ~Page() { first_->freeAll(); }
  Page(const Page&) = delete;
  Page& operator=(const Page&) = delete;

  void Repaint() {
    surface_.invalidateAll();
    surface_.render();
  }
  const platform::Surface& surface() const { return surface_; }

 private:
  static void Fill(TPage& layer, const Layer& g, unsigned kinds) {
    if (kinds & kCurves)
      for (const Curve& c : g.curves) {
        auto o =
            std::make_unique<TCourbeLibre>(c.points.front(), layer, c.colour, uint8_t(c.width));
        for (size_t k = 1; k < c.points.size(); ++k) o->AddPoint(c.points[k]);  // draws now
        layer.Curves.push_back(std::move(o));
      }
    if (kinds & kSegments)
      for (const Segment& s : g.segments) {
        auto o = std::make_unique<TSegment>(uint8_t(1), layer, uint8_t(s.width), s.a, s.b);
        o->color = s.colour;
        layer.Segments.push_back(std::move(o));
      }
    if (kinds & kPoints)
      for (const Cross& p : g.points) {
        auto o = std::make_unique<TPointG>(p.at, nullptr, layer, uint8_t(p.width));
        o->color = p.colour;
        layer.Points.push_back(std::move(o));
      }
    if (kinds & kArcs)
      for (const Arc& a : g.arcs) {
        auto o =
            std::make_unique<TArc>(uint8_t(1), layer, uint8_t(a.width), a.end, a.start, a.centre);
        o->color = a.colour;
        layer.Arcs.push_back(std::move(o));
      }
  }

  platform::Surface surface_;
  TPage* first_ = nullptr;
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

// Keeps the time per iteration of every plain run; with repetitions the summary takes the
// median.
class Collector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      if (r.run_type == Run::RT_Iteration)
        times[r.run_name.function_name].push_back(r.GetAdjustedRealTime());
      else if (r.aggregate_name == "median")
        medians[r.run_name.function_name] = r.GetAdjustedRealTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double median(const std::string& name) const {
    if (const auto m = medians.find(name); m != medians.end()) return m->second;
    const auto it = times.find(name);
    if (it == times.end() || it->second.empty()) return 0.0;
    std::vector<double> v = it->second;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
  }

 private:
  std::map<std::string, std::vector<double>> times;
  std::map<std::string, double> medians;
};

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
  Collector collector;
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
