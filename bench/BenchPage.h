// The page the repaint and document benchmarks share: five layers of 2,000 mixed objects
// (curves, segments, points, arcs), generated from a fixed seed so every run and every
// program works on the same geometry.
#pragma once

#include <vector>

#include "platform/Colour.h"
#include "platform/Surface.h"
#include "platform/Types.h"

class TPage;

namespace bench {

constexpr int kPageWidth = 794, kPageHeight = 1123;
constexpr int kLayers = 5;
constexpr int kObjectsPerLayer = 2000;  // a quarter of each kind
constexpr int kCurvePoints = 50;
constexpr unsigned kSeed = 20240611;

enum Kind : unsigned { kCurves = 1, kSegments = 2, kPoints = 4, kArcs = 8, kAll = 15 };

struct Stroke {
  platform::TColor colour;
  int width;
};
struct Curve : Stroke {
  std::vector<platform::TPoint> points;
};
struct Segment : Stroke {
  platform::TPoint a, b;
};
struct Cross : Stroke {
  platform::TPoint at;
};
struct Arc : Stroke {
  platform::TPoint centre, start, end;  // end.x < 0: a full circle
};
struct Layer {
  std::vector<Curve> curves;
  std::vector<Segment> segments;
  std::vector<Cross> points;
  std::vector<Arc> arcs;
};

// The geometry of every layer, generated once.
const std::vector<Layer>& Geometry();

// Adds the objects of `g` whose kind is in `kinds` to `layer`.
void Fill(TPage& layer, const Layer& g, unsigned kinds);

// The layers on a white surface of the page's size, filled with the kinds asked for. The
// surface is not rendered: whoever times a repaint decides when.
class LayeredPage {
 public:
  explicit LayeredPage(unsigned kinds = kAll);
  ~LayeredPage();
  LayeredPage(const LayeredPage&) = delete;
  LayeredPage& operator=(const LayeredPage&) = delete;

  TPage& first() { return *first_; }
  platform::Surface& surface() { return surface_; }
  const platform::Surface& surface() const { return surface_; }

 private:
  platform::Surface surface_;
  TPage* first_ = nullptr;
};

}  // namespace bench
