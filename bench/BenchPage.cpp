#include "BenchPage.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>
#include <random>

#include "sheet/layers/uPages.h"
#include "sheet/objects/uArcs.h"
#include "sheet/objects/uCourbes.h"
#include "sheet/objects/uPointGs.h"
#include "sheet/objects/ucalcul.h"
#include "sheet/objects/usegments.h"

namespace bench {

using platform::TColor;
using platform::TPoint;

namespace {

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

}  // namespace

const std::vector<Layer>& Geometry() {
  static const std::vector<Layer> g = MakeGeometry();
  return g;
}

void Fill(TPage& layer, const Layer& g, unsigned kinds) {
  if (kinds & kCurves)
    for (const Curve& c : g.curves) {
      auto o = std::make_unique<TCourbeLibre>(c.points.front(), layer, c.colour, uint8_t(c.width));
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

LayeredPage::LayeredPage(unsigned kinds) : surface_(kPageWidth, kPageHeight, platform::clWhite) {
  first_ = TPage::Create(nullptr, &surface_);
  first_->SetBounds(0, 0, kPageWidth, kPageHeight);
  for (int i = 1; i < kLayers; ++i) first_->AddLayer();
  const std::vector<Layer>& g = Geometry();
  for (int i = 0; i < kLayers; ++i) Fill(*first_->LayerAt(i), g[size_t(i)], kinds);
}

LayeredPage::~LayeredPage() {
  first_->freeAll();
}

}  // namespace bench
