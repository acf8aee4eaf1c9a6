#pragma once
// Circle arcs and full circles drawn with the compass.
#include <cstdint>
#include <memory>

#include "platform/Canvas.h"
#include "platform/Streams.h"
#include "platform/Types.h"
#include "sheet/objects/uObjet.h"

// Sheet option: a small circle marks the centre of every arc. Off by default.
extern bool DrawArcCentres;

// The live compass preview: the platform's pen, no anti-aliasing. A negative end.x means a
// full circle; otherwise counter-clockwise on screen from the radial through `start` to the
// radial through `end`.
void DrawPlainArc(platform::Canvas& canvas, platform::TPoint centre, platform::TPoint start,
                  platform::TPoint end);

class TArc : public TObjetSimple {
 public:
  static constexpr uint16_t kVersion = 1;

  // A negative end.x makes a full circle; the end point then only marks it as full.
  TArc(uint8_t kind, TLayerHost& host, uint8_t width, platform::TPoint end, platform::TPoint start,
       platform::TPoint centre);

  // Reads versions 0 (no group stack) and 1, then invalidates the arc's bounds.
  static std::unique_ptr<TArc> CreateFromStream(platform::Stream& s, TLayerHost& host);
  void SaveToStream(platform::Stream& s) const override;

  void DrawScaled(platform::Canvas& target, double scale) override;
  void SetWidth(uint8_t w) override;
  // Within the box (right and bottom edges excluded), within 5 pixels of the circle and
  // within the swept angles; a hit stores grabOffset.
  bool HitTest(int32_t x, int32_t y) override;
  void Mirror(int axis, int32_t cx, int32_t cy) override;
  void QuarterTurn(bool turn, int32_t a, int32_t b) override;
  void StoreRotationOrigin() override;

  uint8_t kind;
  platform::TPoint centre;
  platform::TPoint startPoint;
  platform::TPoint endPoint;
  platform::TPoint boxTopLeft;
  platform::TPoint boxBottomRight;
  platform::TPoint rotationOrigin[3];  // centre, start point, end point
  platform::TPoint grabOffset;         // hit point minus box top-left
  double radius = 0;
  double startAngle = 0;
  double endAngle = 0;
  bool full = false;

 protected:
  void DrawFigure(platform::Canvas& c) override;
  platform::TRect PageBox() const override;
  int32_t BoundsMargin() const override { return 6; }
  void Translate(int32_t dx, int32_t dy) override;
  void RotatePoints(double cx, double cy, double c, double s) override;
  // The centre mark is drawn even when the arc itself is hidden.
  bool HidesWhenInvisible() const override { return false; }

 private:
  struct FromStream {};
  TArc(FromStream, TLayerHost& host);
  void ComputeAngles();
  void BoxFromCentre();
};
