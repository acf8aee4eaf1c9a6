#pragma once
// A point of the sheet: a free point drawn as a small cross, or a mark attached to a segment
// drawn as a tick across it. Both are drawn with the canvas pen, so XOR dragging applies.
#include <cstdint>
#include <memory>

#include "platform/Canvas.h"
#include "platform/Streams.h"
#include "platform/Types.h"
#include "sheet/objects/uObjet.h"

class TSegment;

// Size of crosses and ticks, a sheet option read at every drawing: 1 small, 2 medium, 3 large.
extern int PointSize;

class TPointG : public TObjetSimple {
 public:
  static constexpr uint16_t kVersion = 2;

  // segment: the segment marked, or nullptr for a free point. The point does not own it.
  TPointG(platform::TPoint position, TSegment* segment, TLayerHost& host, uint8_t width);

  // Reads a record of any version, then invalidates the bounds. A positive segment id is
  // looked up in the layers; one that matches nothing leaves a free point. No snapping.
  static std::unique_ptr<TPointG> CreateFromStream(platform::Stream& s, TLayerHost& host);
  void SaveToStream(platform::Stream& s) const override;

  void SetWidth(uint8_t w) override;
  // Stores grabOffset whether or not the point is hit.
  bool HitTest(int32_t x, int32_t y) override;
  // A mark goes to the nearest place on its segment.
  void SnapToSegment();
  // nullptr: whether the point marks any segment; otherwise whether it marks s.
  bool BelongsToSegment(const TSegment* s) const;
  void FollowSegmentSelection(const TSegment& s, bool selected);

  void DrawScaled(platform::Canvas& target, double scale) override;
  void Mirror(int axis, int32_t cx, int32_t cy) override;
  void QuarterTurn(bool turn, int32_t a, int32_t b) override;
  void StoreRotationOrigin() override { origin = position; }

  platform::TPoint position;
  platform::TPoint origin;      // rotation origin
  platform::TPoint grabOffset;  // last hit-test point minus position
  // The layer detaches or retargets marks when their segment goes.
  TSegment* segment;
  // Before its segment is freed: the point becomes free but a record of it written meanwhile
  // (its own deletion, right after the segment's) still names the segment.
  void DetachFromSegment();
  void ForgetDetachedSegment() { detachedSegmentId_ = 0; }

 protected:
  void DrawFigure(platform::Canvas& c) override;
  platform::TRect PageBox() const override;
  int32_t BoundsMargin() const override;
  // Shift, then back onto the segment: a mark slides along it.
  void Translate(int32_t dx, int32_t dy) override;
  void RotatePoints(double cx, double cy, double c, double s) override;

 private:
  // End points of a mark's tick, in page coordinates before rounding.
  void TickEnds(double& ax, double& ay, double& bx, double& by) const;
  int32_t detachedSegmentId_ = 0;
};
