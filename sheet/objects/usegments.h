#pragma once
// Straight segment between two page points, drawn as a thick anti-aliased line with optional
// arrow heads. Marks (points attached to a segment) refer to it by its serial number.
#include <cstdint>
#include <memory>

#include "platform/Canvas.h"
#include "platform/Streams.h"
#include "platform/Types.h"
#include "sheet/objects/uObjet.h"

// Serial number of the last segment made, program-wide; 0 at start and never reset.
extern int32_t LastSegmentId;

class TSegment : public TObjetSimple {
 public:
  static constexpr uint16_t kVersion = 3;

  // Draws a fresh id from LastSegmentId.
  TSegment(uint8_t kind, TLayerHost& host, uint8_t width, platform::TPoint p1, platform::TPoint p2);

  // Reads a record of any version, then invalidates the bounds. With `renumber` (pasting)
  // or an old record without id the segment takes a fresh id; otherwise it keeps the stored
  // one and LastSegmentId becomes that value.
  static std::unique_ptr<TSegment> CreateFromStream(platform::Stream& s, TLayerHost& host,
                                                    bool renumber);
  void SaveToStream(platform::Stream& s) const override;

  // Also makes the segment's marks in the active layer follow, even when s is unchanged.
  void SetSelected(bool s) override;
  void SetWidth(uint8_t w) override;
  // 0 none, 1 head at P2, 2 head at P1, 3 both.
  void SetArrows(uint8_t a);
  // Invalidates only the bounds the segment had before the change.
  void SetEndpoints(platform::TPoint p1, platform::TPoint p2);

  double InverseSlope() const;
  bool HitTest(int32_t x, int32_t y) override { return Hits(x, y); }
  bool Hits(int32_t x, int32_t y) const;
  // The nearest point of the segment along the axis of its greater extent (page coordinates).
  platform::TPoint ProjectPoint(platform::TPoint p) const;
  // Nearly the same direction and an end of one lies on the other.
  bool IsAlignedWith(const TSegment& other) const;
  // Takes other's ends where self's matching ends (P1 with P1, P2 with P2) lie on it.
  void SnapEndsTo(const TSegment& other);
  // end 1: head at P2; end 2: head at P1. Drawn in the canvas's current pen colour.
  void DrawArrowHead(int end, platform::Canvas& c, double scale) const;

  void DrawScaled(platform::Canvas& target, double scale) override;
  void Mirror(int axis, int32_t cx, int32_t cy) override;
  void QuarterTurn(bool turn, int32_t a, int32_t b) override;
  void StoreRotationOrigin() override;

  uint8_t kind;
  uint8_t arrows = 0;
  int32_t id = 0;
  platform::TPoint P1;
  platform::TPoint P2;
  platform::TPoint origin1;  // rotation origin
  platform::TPoint origin2;

 protected:
  void DrawFigure(platform::Canvas& c) override;
  platform::TRect PageBox() const override;
  int32_t BoundsMargin() const override { return 14; }
  void Translate(int32_t dx, int32_t dy) override;
  void RotatePoints(double cx, double cy, double c, double s) override;

 private:
  struct Unnumbered {};
  TSegment(TLayerHost& host, Unnumbered) : TObjetSimple(host, 1), kind(1) {}
};
