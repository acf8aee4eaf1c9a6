#pragma once
// Free-hand curve: the pencil's positions joined by anti-aliased lines, and the recognisers
// that turn a ruler stroke into a segment and a compass stroke into an arc.
#include <cstdint>
#include <memory>

#include "platform/Canvas.h"
#include "platform/Colour.h"
#include "platform/Streams.h"
#include "platform/Types.h"
#include "sheet/objects/uObjet.h"
#include "sheet/objects/utbDyn.h"

static_assert(sizeof(platform::TPoint) == 8, "curve records store points as two i32");

class TCourbeLibre : public TObjetSimple {
 public:
  static constexpr uint16_t kVersion = 1;
  static constexpr int32_t kMargin = 6;

  // Starts a stroke at `first`; nothing is drawn yet.
  TCourbeLibre(platform::TPoint first, TLayerHost& host, platform::TColor colour, uint8_t width);

  // Reads a record of any version, then draws the curve.
  static std::unique_ptr<TCourbeLibre> CreateFromStream(platform::Stream& s, TLayerHost& host);
  void SaveToStream(platform::Stream& s) const override;

  // Appends p and draws the new piece from the last point at once.
  void AddPoint(platform::TPoint p);
  // Appends p of a compass stroke and draws the arc swept so far around `centre` again.
  void AddCompassPoint(platform::TPoint p, platform::TPoint centre);

  // The stroke's two extreme points along its longer extent: (Left, Top) and
  // (Right, Bottom); (-1, -1) where none was found.
  platform::TRect SegmentEnds() const;
  // Start (Left, Top) and end (Right, Bottom) of the angle swept around `centre`; a full
  // turn is marked by a negated end x.
  platform::TRect ArcSweep(platform::TPoint centre) const;
  // Signed turn from `previous` to `current` (both y upward, about the origin), the short
  // way round; an exact half turn takes the sign opposite to the raw angle difference.
  static double AngleStep(platform::TPoint previous, platform::TPoint current);

  // White band over the present image, so that a redraw blending with the canvas starts
  // from clean paper.
  void Erase();
  void DrawScaled(platform::Canvas& target, double scale) override;
  void SetSelected(bool s) override;
  void SetWidth(uint8_t w) override;
  bool HitTest(int32_t x, int32_t y) override;
  void Mirror(int axis, int32_t cx, int32_t cy) override;
  void QuarterTurn(bool turn, int32_t a, int32_t b) override;
  void StoreRotationOrigin() override;

  int32_t PointCount() const { return points_.count(); }
  // 1-based, within 1..PointCount().
  platform::TPoint Point(int32_t i) const { return points_.Get(i); }
  platform::TPoint BoxMin() const { return boxMin_; }
  platform::TPoint BoxMax() const { return boxMax_; }
  platform::TPoint LastPoint() const { return lastPoint_; }
  platform::TPoint GrabOffset() const { return grabOffset_; }
  int32_t RotationOriginCount() const { return rotationOrigin_.count(); }

 protected:
  void DrawFigure(platform::Canvas& c) override;
  platform::TRect PageBox() const override;
  int32_t BoundsMargin() const override { return kMargin; }
  void Translate(int32_t dx, int32_t dy) override;
  void RotatePoints(double cx, double cy, double c, double s) override;
  bool HidesWhenInvisible() const override { return false; }

 private:
  TCourbeLibre(TLayerHost& host, platform::TColor colour, uint8_t width);
  void Widen(platform::TPoint p);

  TTableau<platform::TPoint> points_{20};
  TTableau<platform::TPoint> rotationOrigin_{20};
  platform::TPoint boxMin_;
  platform::TPoint boxMax_;
  platform::TPoint lastPoint_;
  platform::TPoint grabOffset_;
};
