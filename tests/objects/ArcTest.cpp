#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "FakeHost.h"
#include "platform/Streams.h"
#include "sheet/objects/uArcs.h"
#include "tests/support/Bytes.h"

using platform::TColor;
using platform::TPoint;
using platform::TRect;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr TColor kRed = platform::clRed;

// The upper right quarter of the circle of radius 50 around (100, 100).
std::unique_ptr<TArc> Quarter(FakeHost& host, uint8_t width = 1) {
  return std::make_unique<TArc>(1, host, width, TPoint{100, 50}, TPoint{150, 100},
                                TPoint{100, 100});
}

// Version, kind, visible, colour, width, start, end, centre, box, angles: the fields common
// to both versions.
Bytes Head(uint16_t version, TColor colour, uint8_t width, TPoint start, TPoint end, TPoint centre,
           TPoint tl, TPoint br, double sa, double ea) {
  Bytes r;
  r.u16(version).u8(1).u8(1).i32(int32_t(colour)).u8(width);
  r.pt(start.x, start.y).pt(end.x, end.y).pt(centre.x, centre.y);
  r.pt(tl.x, tl.y).pt(br.x, br.y).f64(sa).f64(ea);
  return r;
}

std::unique_ptr<TArc> Read(const std::vector<uint8_t>& bytes, FakeHost& host) {
  platform::MemoryStream s(bytes);
  return TArc::CreateFromStream(s, host);
}

std::vector<uint8_t> Written(const TArc& a) {
  platform::MemoryStream s;
  a.SaveToStream(s);
  return s.bytes();
}

bool IsWhite(const FakeHost& h, int x, int y) {
  return h.pixel(x, y) == platform::clWhite;
}

// Whether any pixel within `d` of (x, y) has been painted.
bool PaintedNear(const FakeHost& h, int x, int y, int d = 1) {
  for (int yy = y - d; yy <= y + d; ++yy)
    for (int xx = x - d; xx <= x + d; ++xx)
      if (!IsWhite(h, xx, yy)) return true;
  return false;
}

template <class F>
void ForEachPainted(const FakeHost& h, F&& f) {
  for (int y = 0; y < h.panel.height(); ++y)
    for (int x = 0; x < h.panel.width(); ++x)
      if (!IsWhite(h, x, y)) f(x, y);
}

int PaintedCount(const FakeHost& h) {
  int n = 0;
  ForEachPainted(h, [&](int, int) { ++n; });
  return n;
}

// Turns the program-wide option on for one test.
struct ArcCentresOn {
  ArcCentresOn() { DrawArcCentres = true; }
  ~ArcCentresOn() { DrawArcCentres = false; }
};

}  // namespace

TEST(Arc, CreateDerivesRadiusAnglesBoxAndBounds) {
  FakeHost host(400, 400, {10, 20});
  auto a = Quarter(host, 3);
  EXPECT_EQ(a->radius, 50.0);
  EXPECT_EQ(a->startAngle, 0.0);
  EXPECT_DOUBLE_EQ(a->endAngle, kPi / 2);
  EXPECT_FALSE(a->full);
  EXPECT_EQ(a->boxTopLeft, (TPoint{50, 50}));
  EXPECT_EQ(a->boxBottomRight, (TPoint{150, 150}));
  EXPECT_EQ(a->color, kRed);
  EXPECT_TRUE(a->visible);
  EXPECT_EQ(a->kind, 1);
  // Box widened by 6, in panel coordinates.
  EXPECT_EQ(a->GetBounds(), (TRect{54, 64, 166, 176}));

  // A non-integer radius rounds each box side on its own; a negative end x makes it full.
  TArc c(1, host, 1, {-1, 0}, {103, 102}, {100, 100});
  EXPECT_TRUE(c.full);
  EXPECT_EQ(c.startAngle, 0.0);
  EXPECT_EQ(c.endAngle, 0.0);
  EXPECT_EQ(c.boxTopLeft, (TPoint{96, 96}));  // 100 - sqrt(13) = 96.39
  EXPECT_EQ(c.boxBottomRight, (TPoint{104, 104}));

  host.panel.render();
  a->SetWidth(3);
  EXPECT_FALSE(host.panel.hasPendingRepaint());
  a->SetWidth(5);
  EXPECT_EQ(host.panel.pendingRect(), a->GetBounds());
}

TEST(Arc, HitTestOnTheUpperRightQuarter) {
  FakeHost host;
  auto a = Quarter(host);
  struct Case {
    int x, y;
    bool hit;
  };
  for (const Case& c :
       {Case{135, 65, true}, Case{149, 90, true}, Case{65, 135, false},  // angle 5pi/4
        Case{149, 110, false},                                           // just below 2pi
        Case{150, 100, false},   // right edge of the box is excluded
        Case{100, 50, false},    // exactly at the end angle
        Case{100, 100, false}})  // the centre is far from the circle
  {
    a->grabOffset = {-1, -1};
    EXPECT_EQ(a->HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
    const TPoint expected = c.hit ? TPoint{c.x - 50, c.y - 50} : TPoint{-1, -1};
    EXPECT_EQ(a->grabOffset, expected) << c.x << "," << c.y;
  }
}

TEST(Arc, HitTestWrapsAroundAngleZeroWhenEndIsNotAfterStart) {
  FakeHost host;
  // From straight down (3pi/2) counter-clockwise to straight up (pi/2): the right half.
  TArc a(1, host, 1, {100, 50}, {100, 150}, {100, 100});
  ASSERT_DOUBLE_EQ(a.startAngle, 3 * kPi / 2);
  ASSERT_DOUBLE_EQ(a.endAngle, kPi / 2);
  EXPECT_TRUE(a.HitTest(148, 100));  // angle 0
  EXPECT_TRUE(a.HitTest(135, 135));  // angle 7pi/4
  EXPECT_FALSE(a.HitTest(52, 100));  // angle pi
  EXPECT_FALSE(a.HitTest(65, 65));   // angle 3pi/4
}

TEST(Arc, HitToleranceIsFivePixelsWhateverTheWidth) {
  FakeHost host;
  for (uint8_t w : {1, 4, 20}) {
    // Radius 45 around (100, 100): box (55, 55)-(145, 145).
    TArc a(1, host, w, {100, 55}, {145, 100}, {100, 100});
    EXPECT_TRUE(a.HitTest(130, 60)) << int(w);   // distance 50
    EXPECT_FALSE(a.HitTest(124, 55)) << int(w);  // distance 51
    EXPECT_TRUE(a.HitTest(124, 68)) << int(w);   // distance 40
    EXPECT_FALSE(a.HitTest(115, 64)) << int(w);  // distance 39
  }
}

TEST(Arc, MirrorSwapsTheEndsAndKeepsTheBoxOrdered) {
  FakeHost host;
  struct Case {
    int axis, cx, cy;
    TPoint start, end, centre;
    double sa, ea;
    TPoint tl, br;
  };
  for (const Case& c :
       {Case{1, 100, 0, {100, 50}, {50, 100}, {100, 100}, kPi / 2, kPi, {50, 50}, {150, 150}},
        Case{2, 0, 100, {100, 150}, {150, 100}, {100, 100}, 3 * kPi / 2, 0, {50, 50}, {150, 150}},
        Case{1, 300, 0, {500, 50}, {450, 100}, {500, 100}, kPi / 2, kPi, {450, 50}, {550, 150}},
        Case{2,
             0,
             20,
             {100, -10},
             {150, -60},
             {100, -60},
             3 * kPi / 2,
             0,
             {50, -110},
             {150, -10}}}) {
    auto a = Quarter(host);
    a->Mirror(c.axis, c.cx, c.cy);
    EXPECT_EQ(a->startPoint, c.start) << c.axis << " " << c.cx << " " << c.cy;
    EXPECT_EQ(a->endPoint, c.end);
    EXPECT_EQ(a->centre, c.centre);
    EXPECT_DOUBLE_EQ(a->startAngle, c.sa);
    EXPECT_DOUBLE_EQ(a->endAngle, c.ea);
    EXPECT_EQ(a->boxTopLeft, c.tl);
    EXPECT_EQ(a->boxBottomRight, c.br);
    // The mirrored arc is hit where the image of a point of the original lies.
    EXPECT_TRUE(a->HitTest(c.axis == 1 ? 2 * c.cx - 135 : 135, c.axis == 2 ? 2 * c.cy - 65 : 65));

    a->Mirror(c.axis, c.cx, c.cy);
    auto b = Quarter(host);
    EXPECT_EQ(a->startPoint, b->startPoint);
    EXPECT_EQ(a->endPoint, b->endPoint);
    EXPECT_EQ(a->boxTopLeft, b->boxTopLeft);
    EXPECT_EQ(a->boxBottomRight, b->boxBottomRight);
    EXPECT_DOUBLE_EQ(a->startAngle, b->startAngle);
    EXPECT_DOUBLE_EQ(a->endAngle, b->endAngle);
  }
}

TEST(Arc, MirrorOfAFullCircleKeepsItsMarkerAndInvalidatesBothPlaces) {
  FakeHost host(700, 300);
  TArc a(1, host, 1, {-150, 0}, {150, 100}, {100, 100});
  const TRect before = a.GetBounds();
  host.panel.render();
  a.Mirror(1, 300, 0);
  EXPECT_EQ(a.startPoint, (TPoint{450, 100}));
  EXPECT_EQ(a.endPoint, (TPoint{-150, 0}));
  EXPECT_EQ(a.centre, (TPoint{500, 100}));
  EXPECT_EQ(a.boxTopLeft, (TPoint{450, 50}));
  EXPECT_EQ(a.boxBottomRight, (TPoint{550, 150}));
  EXPECT_TRUE(a.full);
  EXPECT_EQ(host.panel.pendingRect(), before.united(a.GetBounds()));
}

TEST(Arc, QuarterTurnOrdersTheBoxAndTurnsBack) {
  FakeHost host;
  auto a = Quarter(host);
  a->QuarterTurn(true, 400, 300);
  EXPECT_EQ(a->centre, (TPoint{100, 300}));
  EXPECT_EQ(a->startPoint, (TPoint{100, 250}));
  EXPECT_EQ(a->endPoint, (TPoint{50, 300}));
  EXPECT_EQ(a->boxTopLeft, (TPoint{50, 250}));
  EXPECT_EQ(a->boxBottomRight, (TPoint{150, 350}));
  EXPECT_DOUBLE_EQ(a->startAngle, kPi / 2);
  EXPECT_DOUBLE_EQ(a->endAngle, kPi);
  a->QuarterTurn(false, 300, 400);
  EXPECT_EQ(a->startPoint, (TPoint{150, 100}));
  EXPECT_EQ(a->endPoint, (TPoint{100, 50}));
  EXPECT_EQ(a->boxTopLeft, (TPoint{50, 50}));
  EXPECT_EQ(a->boxBottomRight, (TPoint{150, 150}));

  TArc full(1, host, 1, {-150, 0}, {150, 100}, {100, 100});
  full.QuarterTurn(true, 400, 300);
  EXPECT_EQ(full.endPoint, (TPoint{-150, 0}));
  EXPECT_EQ(full.startPoint, (TPoint{100, 250}));
}

TEST(Arc, RotationStartsEachStepFromTheOrigin) {
  FakeHost host;
  auto a = Quarter(host);
  TArc full(1, host, 1, {-150, 0}, {150, 100}, {100, 100});
  a->StoreRotationOrigin();
  full.StoreRotationOrigin();
  // 90 steps of one degree each, clockwise on screen about (200, 100).
  for (int deg = 1; deg <= 90; ++deg) {
    const double t = deg * kPi / 180;
    a->RotateFromOrigin(200, 100, std::cos(t), std::sin(t));
    full.RotateFromOrigin(200, 100, std::cos(t), std::sin(t));
  }
  EXPECT_EQ(a->centre, (TPoint{200, 0}));
  EXPECT_EQ(a->startPoint, (TPoint{200, 50}));
  EXPECT_EQ(a->endPoint, (TPoint{250, 0}));
  EXPECT_EQ(a->boxTopLeft, (TPoint{150, -50}));
  EXPECT_EQ(a->boxBottomRight, (TPoint{250, 50}));
  EXPECT_EQ(a->radius, 50.0);
  EXPECT_DOUBLE_EQ(a->startAngle, 3 * kPi / 2);
  EXPECT_EQ(a->endAngle, 0.0);
  // The full circle keeps its marker and its zero angles.
  EXPECT_EQ(full.centre, (TPoint{200, 0}));
  EXPECT_EQ(full.startPoint, (TPoint{200, 50}));
  EXPECT_EQ(full.endPoint, (TPoint{-150, 0}));
  EXPECT_EQ(full.startAngle, 0.0);
}

TEST(Arc, MoveByShiftsEverythingButTheFullCircleMarker) {
  FakeHost host;
  auto a = Quarter(host);
  TArc full(1, host, 1, {-150, 0}, {150, 100}, {100, 100});
  a->MoveBy(30, -20);
  full.MoveBy(30, -20);
  EXPECT_EQ(a->centre, (TPoint{130, 80}));
  EXPECT_EQ(a->startPoint, (TPoint{180, 80}));
  EXPECT_EQ(a->endPoint, (TPoint{130, 30}));
  EXPECT_EQ(a->boxTopLeft, (TPoint{80, 30}));
  EXPECT_EQ(a->boxBottomRight, (TPoint{180, 130}));
  EXPECT_DOUBLE_EQ(a->endAngle, kPi / 2);
  EXPECT_EQ(full.endPoint, (TPoint{-150, 0}));
  EXPECT_EQ(full.startPoint, (TPoint{180, 80}));
}

TEST(Arc, DrawingAQuarterPaintsOnlyThatQuarter) {
  for (uint8_t w : {1, 5}) {
    FakeHost host;
    auto a = Quarter(host, w);
    a->Draw();
    const int h = w / 2 + 1;
    ForEachPainted(host, [&](int x, int y) {
      EXPECT_GE(x, 99) << x << "," << y << " width " << int(w);
      EXPECT_LE(y, 101) << x << "," << y << " width " << int(w);
      EXPECT_NEAR(std::hypot(x - 100, y - 100), 50, h + 1.5) << x << "," << y;
    });
    // The whole quarter is there, in the own colour at its middle.
    EXPECT_TRUE(PaintedNear(host, 150, 100));
    EXPECT_TRUE(PaintedNear(host, 100, 50));
    EXPECT_TRUE(PaintedNear(host, 135, 65));
    EXPECT_EQ(host.pixel(146, 81), kRed) << "width " << int(w);  // angle ~0.39, radius ~50
  }
}

TEST(Arc, DrawUsesTheHighlightWhenSelected) {
  FakeHost host;
  auto a = Quarter(host, 3);
  a->SetSelected(true);
  EXPECT_EQ(host.pixel(146, 81), TObjetSimple::kHighlight);
}

TEST(Arc, CentreMarkFollowsTheOptionEvenWhenHidden) {
  // Width 6: the mark is the ellipse in (94, 94)-(106, 106) with a 6-pixel pen, whose ring
  // spans 92..107 and leaves the middle open.
  auto drawn = [](bool visible, uint8_t state) {
    auto host = std::make_unique<FakeHost>();
    auto a = Quarter(*host, 6);
    a->visible = visible;
    a->moveState = state;
    host->LayerCanvas().setBrushColor(platform::clBlack);
    host->LayerCanvas().setBrushStyle(platform::BrushStyle::Solid);
    a->Draw();
    return std::make_pair(std::move(host), std::move(a));
  };
  auto markOnly = [](const FakeHost& h) {
    bool inside = true;
    ForEachPainted(h, [&](int x, int y) { inside &= x >= 92 && x <= 107 && y >= 92 && y <= 107; });
    return inside;
  };

  EXPECT_EQ(PaintedCount(*drawn(false, msNone).first), 0);
  EXPECT_FALSE(PaintedNear(*drawn(true, msNone).first, 94, 100, 2));

  ArcCentresOn on;
  {
    auto [host, a] = drawn(false, msNone);
    EXPECT_EQ(host->pixel(94, 100), kRed);
    EXPECT_EQ(host->pixel(100, 94), kRed);
    EXPECT_TRUE(IsWhite(*host, 100, 100));  // brush clear: not filled
    EXPECT_TRUE(markOnly(*host));
  }
  {
    // The draw that follows the first drag step paints nothing, centre mark included.
    auto [host, a] = drawn(false, msErasing);
    EXPECT_EQ(a->moveState, msErased);
    EXPECT_EQ(PaintedCount(*host), 0);
  }
  {
    auto [host, a] = drawn(true, msNone);
    EXPECT_EQ(host->pixel(94, 100), kRed);
    EXPECT_TRUE(PaintedNear(*host, 135, 65));
    EXPECT_FALSE(markOnly(*host));
  }
}

TEST(Arc, FullCircleFromARecordIsDrawnAndHitAllAround) {
  FakeHost host;
  const Bytes rec =
      Head(1, kRed, 1, {150, 100}, {-150, 0}, {100, 100}, {50, 50}, {150, 150}, 0, 0).i32(0);
  auto a = Read(rec.b, host);
  ASSERT_TRUE(a->full);
  EXPECT_EQ(a->radius, 50.0);
  a->Draw();
  EXPECT_TRUE(PaintedNear(host, 150, 100));
  EXPECT_TRUE(PaintedNear(host, 50, 100));
  EXPECT_TRUE(PaintedNear(host, 100, 50));
  EXPECT_TRUE(PaintedNear(host, 100, 149));
  EXPECT_TRUE(PaintedNear(host, 65, 135));
  for (int k = 0; k < 16; ++k) {
    const double t = k * kPi / 8;
    const int x = int(std::nearbyint(100 + 48 * std::cos(t)));
    const int y = int(std::nearbyint(100 - 48 * std::sin(t)));
    EXPECT_TRUE(a->HitTest(x, y)) << "angle " << k << "pi/8";
  }
}

TEST(Arc, DrawScaledMultipliesCoordinatesAndWidth) {
  FakeHost host;
  auto a = Quarter(host, 1);
  platform::Bitmap bmp(400, 400);
  platform::Canvas target(bmp);
  a->DrawScaled(target, 2.0);
  EXPECT_EQ(PaintedCount(host), 0);  // the layer canvas is left alone
  auto painted = [&](int x, int y) {
    for (int yy = y - 1; yy <= y + 1; ++yy)
      for (int xx = x - 1; xx <= x + 1; ++xx)
        if (bmp.pixel(xx, yy) != platform::clWhite) return true;
    return false;
  };
  // Radius 100 around (200, 200), stroke width 2.
  EXPECT_EQ(bmp.pixel(292, 162), kRed);  // angle ~0.39
  EXPECT_TRUE(painted(300, 200));
  EXPECT_TRUE(painted(200, 100));
  int solid = 0;  // the pen is three pixels across near angle 0
  for (int x = 250; x < 320; ++x) solid += bmp.pixel(x, 180) == kRed;
  EXPECT_GE(solid, 3);
  EXPECT_FALSE(painted(270, 270));  // lower right quarter
  EXPECT_FALSE(painted(135, 65));
}

TEST(Arc, RecordVersion1RoundTripsAndFailsCleanlyWhenCut) {
  FakeHost host(400, 400, {10, 20});
  const Bytes rec =
      Head(1, 0x00123456, 2, {150, 100}, {100, 50}, {100, 100}, {50, 50}, {150, 150}, 0.0, kPi / 2)
          .i32(2)
          .i32(3)
          .i32(7);
  ASSERT_EQ(rec.b.size(), 69u + 8u);
  host.panel.render();
  auto a = Read(rec.b, host);
  EXPECT_EQ(a->color, 0x00123456u);
  EXPECT_EQ(a->width, 2);
  EXPECT_EQ(a->startPoint, (TPoint{150, 100}));
  EXPECT_EQ(a->endPoint, (TPoint{100, 50}));
  EXPECT_EQ(a->centre, (TPoint{100, 100}));
  EXPECT_EQ(a->radius, 50.0);
  EXPECT_FALSE(a->full);
  EXPECT_EQ(a->Entries(), (std::vector<int32_t>{3, 7}));
  EXPECT_EQ(host.panel.pendingRect(), a->GetBounds());
  EXPECT_EQ(Written(*a), rec.b);

  for (size_t n = 0; n < rec.b.size(); ++n) {
    std::vector<uint8_t> cut(rec.b.begin(), rec.b.begin() + n);
    EXPECT_THROW(Read(cut, host), platform::StreamError) << n << " bytes";
  }
}

TEST(Arc, RecordVersion0KeepsStoredAnglesAndBoxAndFailsCleanlyWhenCut) {
  FakeHost host;
  // The stored angles and box deliberately disagree with the points: they are kept as read.
  const Bytes rec =
      Head(0, 0x00FF0000, 4, {230, 110}, {160, 120}, {200, 150}, {149, 101}, {251, 199}, 5.0, 2.0);
  ASSERT_EQ(rec.b.size(), 65u);
  auto a = Read(rec.b, host);
  EXPECT_EQ(a->startAngle, 5.0);
  EXPECT_EQ(a->endAngle, 2.0);
  EXPECT_EQ(a->boxTopLeft, (TPoint{149, 101}));
  EXPECT_EQ(a->boxBottomRight, (TPoint{251, 199}));
  EXPECT_EQ(a->radius, 50.0);
  EXPECT_TRUE(a->Entries().empty());

  // Written back as version 1 with an empty group stack.
  Bytes expected = rec;
  expected.b[0] = 1;
  expected.i32(0);
  EXPECT_EQ(Written(*a), expected.b);

  for (size_t n = 0; n < rec.b.size(); ++n) {
    std::vector<uint8_t> cut(rec.b.begin(), rec.b.begin() + n);
    EXPECT_THROW(Read(cut, host), platform::StreamError) << n << " bytes";
  }
}

TEST(Arc, PlainArcUsesThePenWithoutAntiAliasing) {
  struct Case {
    TPoint end;
    bool full;
  };
  for (const Case& c : {Case{{100, 50}, false}, Case{{-1, 0}, true}}) {
    FakeHost host;
    platform::Canvas& canvas = host.LayerCanvas();
    canvas.setPenColor(0x00FF00);
    canvas.setPenWidth(1);
    canvas.setBrushColor(0x000000);
    canvas.setBrushStyle(platform::BrushStyle::Solid);
    DrawPlainArc(canvas, {100, 100}, {150, 100}, c.end);
    ForEachPainted(host, [&](int x, int y) {
      EXPECT_EQ(host.pixel(x, y), 0x00FF00u) << x << "," << y;
      if (!c.full) {
        EXPECT_GE(x, 99) << x << "," << y;
        EXPECT_LE(y, 101) << x << "," << y;
      }
    });
    EXPECT_TRUE(IsWhite(host, 100, 100));  // never filled
    EXPECT_TRUE(PaintedNear(host, 135, 65));
    EXPECT_EQ(PaintedNear(host, 65, 135), c.full);
    EXPECT_EQ(PaintedNear(host, 50, 100), c.full);
  }
}
