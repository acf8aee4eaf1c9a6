#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <numbers>
#include <vector>

#include "FakeHost.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Streams.h"
#include "sheet/objects/uCourbes.h"
#include "tests/support/Bytes.h"

using platform::clWhite;
using platform::MemoryStream;
using platform::StreamError;
using platform::TColor;
using platform::TPoint;
using platform::TRect;

namespace {

constexpr double kPi = std::numbers::pi;
constexpr TColor kBlue = 0xFF0000;

TCourbeLibre MakeCurve(TLayerHost& host, const std::vector<TPoint>& pts, uint8_t width = 3,
                       TColor colour = platform::clRed) {
  TCourbeLibre c(pts.front(), host, colour, width);
  for (size_t i = 1; i < pts.size(); ++i) c.AddPoint(pts[i]);
  return c;
}

std::vector<TPoint> PointsOf(const TCourbeLibre& c) {
  std::vector<TPoint> v;
  for (int32_t i = 1; i <= c.PointCount(); ++i) v.push_back(c.Point(i));
  return v;
}

int CountPixels(const platform::Bitmap& img, TColor colour, TRect r) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += img.pixel(x, y) == colour;
  return n;
}

// Image mode: the curve paints into a picture and has no panel to invalidate.
class PictureHost : public TLayerHost {
 public:
  PictureHost() : picture(300, 300, clWhite), canvas_(picture) {}
  platform::Canvas& LayerCanvas() override { return canvas_; }
  platform::Surface* Owner() const override { return nullptr; }
  TPoint PanelOrigin() const override { return {0, 0}; }
  void MarksFollowSelection(const TSegment&, bool) override {}
  TSegment* FindSegmentById(int32_t) override { return nullptr; }
  platform::Bitmap picture;

 private:
  platform::Canvas canvas_;
};

}  // namespace

TEST(CurveRecognition, SegmentEndsTakesTheLastExtremePointsAlongTheLongerSide) {
  struct Case {
    const char* name;
    std::vector<TPoint> pts;
    TRect ends;
  };
  const Case cases[] = {
      {"wider than tall", {{10, 10}, {50, 12}, {90, 11}}, {10, 10, 90, 11}},
      {"taller, last largest y wins", {{10, 10}, {12, 60}, {11, 60}}, {10, 10, 11, 60}},
      {"goes back over itself",
       {{10, 10}, {90, 12}, {50, 11}, {10, 13}, {90, 14}},
       {10, 13, 90, 14}},
      {"square extent uses y", {{0, 10}, {10, 0}, {5, 10}}, {10, 0, 5, 10}},
      {"all points coincide", {{7, 8}, {7, 8}, {7, 8}}, {7, 8, -1, -1}},
      {"one point", {{7, 8}}, {-1, -1, -1, -1}},
  };
  FakeHost host;
  for (const Case& c : cases) EXPECT_EQ(MakeCurve(host, c.pts).SegmentEnds(), c.ends) << c.name;
}

TEST(CurveRecognition, ArcSweepKeepsTheWidestSweepAndMarksAFullTurn) {
  // Around (100, 100), radius 50, by angle counterclockwise on screen.
  const TPoint a0{150, 100}, a45{135, 65}, a90{100, 50}, a135{65, 65}, a180{50, 100},
      a270{100, 150}, a315{135, 135};
  struct Case {
    const char* name;
    std::vector<TPoint> pts;
    TRect sweep;
  };
  const Case cases[] = {
      {"half turn", {a0, a90, a180}, {150, 100, 50, 100}},
      {"half turn drawn backwards", {a180, a90, a0}, {150, 100, 50, 100}},
      {"quarter forward and back", {a0, a45, a90, a45, a0}, {150, 100, 100, 50}},
      {"back over part, then further", {a0, a90, a45, a135}, {150, 100, 65, 65}},
      {"back past the start", {a0, a90, a0, a315}, {135, 135, 100, 50}},
      // 270 to 45 is three eighths forward: the sweep passes a full turn at a45 and stops.
      {"full turn and more", {a0, a90, a180, a270, a45, a90}, {150, 100, -135, 65}},
      {"exact half turn counts backward", {a0, a180}, {50, 100, 150, 100}},
      {"one point", {a0}, {0, 0, 0, 0}},
  };
  FakeHost host;
  for (const Case& c : cases)
    EXPECT_EQ(MakeCurve(host, c.pts).ArcSweep({100, 100}), c.sweep) << c.name;
}

TEST(CurveRecognition, AngleStepWrapsAroundTheZeroDirection) {
  struct Case {
    TPoint prev, cur;
    double step;
  };
  const Case cases[] = {
      {{1, 0}, {0, 1}, kPi / 2},   {{0, 1}, {1, 0}, -kPi / 2}, {{0, -1}, {1, 0}, kPi / 2},
      {{1, 0}, {0, -1}, -kPi / 2}, {{1, 0}, {-1, 0}, -kPi},    {{-1, 0}, {1, 0}, kPi},
      {{1, 1}, {1, 1}, 0.0},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(TCourbeLibre::AngleStep(c.prev, c.cur), c.step, 1e-12)
        << c.prev.x << "," << c.prev.y << " -> " << c.cur.x << "," << c.cur.y;
}

TEST(CurveHitTest, ToleranceIsTheUndividedCrossProductWithinBothBoxes) {
  struct Case {
    const char* name;
    std::vector<TPoint> pts;
    TPoint at;
    bool hit;
    TPoint grab;
  };
  const Case cases[] = {
      {"4 px off a short piece", {{0, 0}, {6, 8}}, {5, 0}, true, {5, 0}},
      {"curve box excludes its right edge", {{0, 0}, {6, 8}}, {6, 0}, false, {}},
      {"cross product 900", {{0, 0}, {1000, 100}}, {9, 0}, true, {9, 0}},
      {"cross product exactly 1000", {{0, 0}, {1000, 100}}, {10, 0}, false, {}},
      {"cross product exactly -1000", {{0, 0}, {1000, 100}}, {0, 1}, false, {}},
      {"piece box widened by 1, offset from point 1",
       {{10, 0}, {10, 50}, {0, 60}},
       {9, 20},
       true,
       {-1, 20}},
      {"on a piece's line beyond its end", {{0, 0}, {1, 10}, {100, 100}}, {3, 30}, false, {}},
      {"one point", {{5, 5}}, {5, 5}, false, {}},
      {"horizontal: the box has no height", {{0, 10}, {50, 10}}, {20, 10}, false, {}},
  };
  FakeHost host;
  for (const Case& c : cases) {
    TCourbeLibre curve = MakeCurve(host, c.pts);
    EXPECT_EQ(curve.HitTest(c.at.x, c.at.y), c.hit) << c.name;
    if (c.hit) {
      EXPECT_EQ(curve.GrabOffset(), c.grab) << c.name;
    }
  }
}

TEST(CurveDrawing, AddPointDrawsEachPieceAtOnceAndWidensTheBox) {
  FakeHost host;
  TCourbeLibre c({10, 10}, host, kBlue, 3);
  EXPECT_EQ(host.pixel(10, 10), clWhite);  // creation draws nothing
  c.AddPoint({60, 10});
  EXPECT_EQ(host.pixel(35, 10), kBlue);
  c.AddPoint({60, 80});
  EXPECT_EQ(host.pixel(60, 45), kBlue);
  EXPECT_EQ(c.LastPoint(), (TPoint{60, 80}));
  EXPECT_EQ(c.BoxMin(), (TPoint{10, 10}));
  EXPECT_EQ(c.BoxMax(), (TPoint{60, 80}));
  EXPECT_EQ(c.GetBounds(), (TRect{4, 4, 66, 86}));
}

TEST(CurveDrawing, OnePointDrawsNothing) {
  FakeHost host;
  TCourbeLibre c({50, 50}, host, platform::clRed, 5);
  c.Draw();
  c.SetSelected(true);
  EXPECT_EQ(CountPixels(host.panel.image(), clWhite, {0, 0, 400, 400}), 400 * 400);
}

TEST(CurveDrawing, EraseLaysAHardWhiteBandOverThePieces) {
  FakeHost host;
  constexpr TColor kGrey = 0x808080;
  host.LayerCanvas().setBrushColor(kGrey);
  host.LayerCanvas().fillRect({0, 0, 200, 100});
  TCourbeLibre c = MakeCurve(host, {{20, 50}, {120, 50}}, 3);
  ASSERT_NE(host.pixel(70, 50), kGrey);
  c.Erase();
  // Width 3: a band of 2 * (3 div 2) + 3 = 5 rows.
  for (int y = 48; y <= 52; ++y) EXPECT_EQ(host.pixel(70, y), clWhite) << y;
  EXPECT_EQ(host.pixel(70, 47), kGrey);
  EXPECT_EQ(host.pixel(70, 53), kGrey);
}

TEST(CurveDrawing, DeselectingLeavesTheImageOfAFreshCurve) {
  const std::vector<TPoint> pts{{20, 30}, {90, 55}, {140, 20}, {60, 120}};
  FakeHost fresh, used;
  MakeCurve(fresh, pts, 4);  // each piece drawn once, as a Draw on white paper would
  TCourbeLibre c = MakeCurve(used, pts, 4);
  c.SetSelected(true);
  ASSERT_GT(CountPixels(used.panel.image(), TObjetSimple::kHighlight, {0, 0, 400, 400}), 0);
  c.SetSelected(false);
  EXPECT_EQ(c.moveState, msNone);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x) ASSERT_EQ(used.pixel(x, y), fresh.pixel(x, y)) << x << "," << y;
}

TEST(CurveDrawing, ColourAndWidthChangesDeselectAndRedraw) {
  FakeHost host;
  TCourbeLibre c = MakeCurve(host, {{20, 50}, {120, 50}}, 3);
  c.SetSelected(true);
  EXPECT_EQ(host.pixel(70, 50), TObjetSimple::kHighlight);
  c.SetColor(kBlue);
  EXPECT_FALSE(c.selected);
  EXPECT_EQ(host.pixel(70, 50), kBlue);

  c.SetSelected(true);
  c.SetWidth(3);  // unchanged: stays selected
  EXPECT_TRUE(c.selected);
  c.SetWidth(7);
  EXPECT_FALSE(c.selected);
  EXPECT_EQ(c.moveState, msNone);
  EXPECT_EQ(host.pixel(70, 53), kBlue);  // the wider pen reaches row 53
}

TEST(CurveDrawing, DrawScaledUsesTheOwnColourAndRoundedCoordinates) {
  FakeHost host;
  TCourbeLibre c = MakeCurve(host, {{10, 10}, {50, 10}}, 3);
  c.SetSelected(true);
  platform::Bitmap page(200, 200, clWhite);
  platform::Canvas target(page);
  c.DrawScaled(target, 2.0);
  EXPECT_EQ(target.penWidth(), 6);
  EXPECT_EQ(page.pixel(80, 20), platform::clRed);
  EXPECT_EQ(page.pixel(30, 10), clWhite);
  c.width = 5;
  c.DrawScaled(target, 0.5);  // 2.5 rounds to the even 2
  EXPECT_EQ(target.penWidth(), 2);
}

TEST(CurveDrawing, CompassPreviewPaintsAPictureWithoutAPanel) {
  PictureHost host;
  host.LayerCanvas().setBrushStyle(platform::BrushStyle::Clear);
  const TPoint centre{100, 100};
  TCourbeLibre c({150, 100}, host, kBlue, 1);
  for (TPoint p : {TPoint{135, 65}, TPoint{100, 50}, TPoint{65, 65}, TPoint{50, 100}})
    c.AddCompassPoint(p, centre);
  EXPECT_EQ(c.LastPoint(), (TPoint{150, 100}));
  EXPECT_EQ(c.BoxMin(), (TPoint{50, 50}));
  // The upper half is swept; the lower half is not drawn until the turn is complete.
  EXPECT_GT(CountPixels(host.picture, kBlue, {40, 40, 160, 99}), 0);
  EXPECT_EQ(CountPixels(host.picture, kBlue, {40, 102, 160, 160}), 0);
  for (TPoint p : {TPoint{100, 150}, TPoint{135, 135}, TPoint{150, 100}, TPoint{135, 65}})
    c.AddCompassPoint(p, centre);
  EXPECT_LT(c.ArcSweep(centre).Right, 0);
  EXPECT_GT(CountPixels(host.picture, kBlue, {40, 102, 160, 160}), 0);

  c.Mirror(1, 150, 150);  // no panel to invalidate
  c.QuarterTurn(true, 300, 300);
  EXPECT_EQ(c.PointCount(), 9);
}

TEST(CurveTransform, MoveByShiftsPointsAndBoxButNotTheLastPoint) {
  FakeHost host;
  TCourbeLibre c = MakeCurve(host, {{10, 20}, {40, 5}, {25, 60}});
  c.SetSelected(true);
  c.MoveBy(3, 4);  // first step only hides the curve
  EXPECT_EQ(c.Point(1), (TPoint{10, 20}));
  c.Draw();
  c.MoveBy(3, 4);
  EXPECT_EQ(PointsOf(c), (std::vector<TPoint>{{13, 24}, {43, 9}, {28, 64}}));
  EXPECT_EQ(c.BoxMin(), (TPoint{13, 9}));
  EXPECT_EQ(c.BoxMax(), (TPoint{43, 64}));
  EXPECT_EQ(c.LastPoint(), (TPoint{25, 60}));
}

TEST(CurveTransform, MirrorFlipsTheBoxAndTwiceRestores) {
  const std::vector<TPoint> pts{{10, 40}, {40, 25}, {25, 80}};
  struct Case {
    int axis;
    std::vector<TPoint> mirrored;
    TPoint boxMin, boxMax;
  };
  const Case cases[] = {
      {1, {{190, 40}, {160, 25}, {175, 80}}, {160, 25}, {190, 80}},
      {2, {{10, 160}, {40, 175}, {25, 120}}, {10, 120}, {40, 175}},
  };
  for (const Case& k : cases) {
    FakeHost host;
    TCourbeLibre c = MakeCurve(host, pts);
    const TRect before = c.GetBounds();
    host.panel.render();
    c.Mirror(k.axis, 100, 100);
    EXPECT_EQ(PointsOf(c), k.mirrored) << k.axis;
    EXPECT_EQ(c.BoxMin(), k.boxMin) << k.axis;
    EXPECT_EQ(c.BoxMax(), k.boxMax) << k.axis;
    const TRect pending = host.panel.pendingRect();
    EXPECT_EQ(pending.united(before), pending) << "old place repainted, axis " << k.axis;
    EXPECT_EQ(pending.united(c.GetBounds()), pending) << "new place repainted, axis " << k.axis;
    c.Mirror(k.axis, 100, 100);
    EXPECT_EQ(PointsOf(c), pts);
    EXPECT_EQ(c.BoxMin(), (TPoint{10, 25}));
    EXPECT_EQ(c.BoxMax(), (TPoint{40, 80}));
  }
}

TEST(CurveTransform, QuarterTurnTurnsPointsAndNormalisesTheBox) {
  FakeHost host;
  TCourbeLibre c = MakeCurve(host, {{10, 20}, {40, 5}, {25, 60}});
  c.QuarterTurn(true, 400, 300);
  EXPECT_EQ(PointsOf(c), (std::vector<TPoint>{{20, 390}, {5, 360}, {60, 375}}));
  EXPECT_EQ(c.BoxMin(), (TPoint{5, 360}));
  EXPECT_EQ(c.BoxMax(), (TPoint{60, 390}));
}

TEST(CurveTransform, RotationStartsEveryStepFromTheOrigin) {
  FakeHost host;
  const std::vector<TPoint> pts{{100, 50}, {150, 80}, {130, 120}};
  TCourbeLibre c = MakeCurve(host, pts);
  c.SetSelected(true);
  c.StoreRotationOrigin();
  EXPECT_EQ(c.RotationOriginCount(), 3);
  c.RotateFromOrigin(100, 100, 1.0, 0.0);  // hides the curve
  c.Draw();
  // A quarter turn in 1-degree steps, then back: rounding must not pile up.
  for (int deg = 1; deg <= 90; ++deg) {
    const double a = deg * kPi / 180;
    c.RotateFromOrigin(100, 100, std::cos(a), std::sin(a));
  }
  EXPECT_EQ(PointsOf(c), (std::vector<TPoint>{{150, 100}, {120, 150}, {80, 130}}));
  EXPECT_EQ(c.BoxMin(), (TPoint{80, 100}));
  EXPECT_EQ(c.BoxMax(), (TPoint{150, 150}));
  for (int deg = 89; deg >= 0; --deg) {
    const double a = deg * kPi / 180;
    c.RotateFromOrigin(100, 100, std::cos(a), std::sin(a));
  }
  EXPECT_EQ(PointsOf(c), pts);

  // The box is rebuilt from scratch, so a curve turned to negative coordinates keeps its
  // true maximum.
  c.RotateFromOrigin(0, 0, -1.0, 0.0);
  EXPECT_EQ(c.BoxMin(), (TPoint{-150, -120}));
  EXPECT_EQ(c.BoxMax(), (TPoint{-100, -50}));
}

namespace {

// Version 1: colour, width, three points, two groups.
std::vector<uint8_t> RecordV1() {
  return Bytes{}
      .u16(1)
      .i32(0x00FF8000)
      .u8(3)
      .i32(3)
      .pt(10, 20)
      .pt(60, 20)
      .pt(60, 70)
      .i32(2)
      .i32(4)
      .i32(9)
      .b;
}

// Version 0 ends after the points.
std::vector<uint8_t> RecordV0() {
  return Bytes{}.u16(0).i32(0x000000FF).u8(2).i32(2).pt(20000, 5).pt(30000, 9).b;
}

}  // namespace

TEST(CurveStream, GoldenRecordsReadAndWriteBack) {
  struct Case {
    const char* name;
    std::vector<uint8_t> record, written;
    TColor colour;
    uint8_t width;
    std::vector<TPoint> pts;
    std::vector<int32_t> groups;
    TPoint boxMin, boxMax;
  };
  const Case cases[] = {
      {"v1",
       RecordV1(),
       RecordV1(),
       0x00FF8000,
       3,
       {{10, 20}, {60, 20}, {60, 70}},
       {4, 9},
       {10, 20},
       {60, 70}},
      // The box starts from (10000, 10000): points beyond it leave the minimum x there.
      {"v0",
       RecordV0(),
       Bytes{}.u16(1).i32(0x000000FF).u8(2).i32(2).pt(20000, 5).pt(30000, 9).i32(0).b,
       0x000000FF,
       2,
       {{20000, 5}, {30000, 9}},
       {},
       {10000, 5},
       {30000, 9}},
  };
  for (const Case& k : cases) {
    FakeHost host;
    MemoryStream in(k.record);
    auto c = TCourbeLibre::CreateFromStream(in, host);
    EXPECT_EQ(in.position(), k.record.size()) << k.name;
    EXPECT_EQ(c->color, k.colour) << k.name;
    EXPECT_EQ(c->width, k.width) << k.name;
    EXPECT_EQ(PointsOf(*c), k.pts) << k.name;
    EXPECT_EQ(c->Entries(), k.groups) << k.name;
    EXPECT_EQ(c->BoxMin(), k.boxMin) << k.name;
    EXPECT_EQ(c->BoxMax(), k.boxMax) << k.name;
    EXPECT_EQ(c->LastPoint(), (TPoint{0, 0})) << k.name;
    EXPECT_EQ(c->RotationOriginCount(), 0) << k.name;
    EXPECT_FALSE(c->selected) << k.name;
    MemoryStream out;
    c->SaveToStream(out);
    EXPECT_EQ(out.bytes(), k.written) << k.name;
  }
}

TEST(CurveStream, ReadingDrawsInsteadOfInvalidating) {
  FakeHost host;
  MemoryStream in(RecordV1());
  auto c = TCourbeLibre::CreateFromStream(in, host);
  EXPECT_EQ(host.pixel(35, 20), TColor(0x00FF8000));
  EXPECT_EQ(host.pixel(60, 45), TColor(0x00FF8000));
  EXPECT_FALSE(host.panel.hasPendingRepaint());
}

TEST(CurveStream, EveryCutRecordThrows) {
  for (const auto& record : {RecordV1(), RecordV0()}) {
    for (size_t len = 0; len < record.size(); ++len) {
      FakeHost host;
      MemoryStream in(std::vector<uint8_t>(record.begin(), record.begin() + ptrdiff_t(len)));
      EXPECT_THROW(TCourbeLibre::CreateFromStream(in, host), StreamError)
          << "version " << int(record[0]) << ", " << len << " bytes";
    }
  }
}

TEST(CurveStream, PointCountBeyondTheBytesLeftThrowsBeforeReadingPoints) {
  struct Case {
    const char* name;
    int32_t count;
  };
  for (const Case& k : {Case{"huge", 0x10000000}, Case{"one too many", 3}, Case{"negative", -1}}) {
    FakeHost host;
    MemoryStream in(Bytes{}.u16(1).i32(0).u8(1).i32(k.count).pt(1, 2).pt(3, 4).b);
    EXPECT_THROW(TCourbeLibre::CreateFromStream(in, host), StreamError) << k.name;
    EXPECT_EQ(in.position(), 11u) << k.name << ": nothing read past the count";
  }
}
