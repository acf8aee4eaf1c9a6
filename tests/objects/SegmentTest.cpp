#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "platform/Streams.h"
#include "sheet/objects/usegments.h"
#include "tests/objects/FakeHost.h"
#include "tests/support/Bytes.h"

using platform::TColor;
using platform::TPoint;
using platform::TRect;

namespace {

bool InkIn(const FakeHost& h, TRect r) {
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      if (h.pixel(x, y) != platform::clWhite) return true;
  return false;
}

}  // namespace

TEST(Segment, CreateDrawsSerialNumbersAndDefaults) {
  FakeHost host;
  LastSegmentId = 10;
  TSegment a(1, host, 2, {1, 2}, {3, 4});
  TSegment b(1, host, 2, {1, 2}, {3, 4});
  EXPECT_EQ(a.id, 11);
  EXPECT_EQ(b.id, 12);
  EXPECT_EQ(LastSegmentId, 12);
  EXPECT_EQ(a.color, platform::clRed);
  EXPECT_TRUE(a.visible);
  EXPECT_EQ(a.arrows, 0);
  EXPECT_EQ(a.moveState, msNone);
  EXPECT_FALSE(a.selected);
}

TEST(Segment, BoundsAreTheBoxWidenedBy14InPanelCoordinates) {
  FakeHost host(400, 400, {30, 20});
  TSegment s(1, host, 1, {10, 40}, {5, 20});
  EXPECT_EQ(s.GetBounds(), (TRect{5 - 14 + 30, 20 - 14 + 20, 10 + 14 + 30, 40 + 14 + 20}));
}

TEST(Segment, HitTestToleranceAndBounds) {
  // The page sits away from the panel's corner: the point and the bounds must both convert.
  FakeHost host(600, 400, {30, 20});
  TSegment flat(1, host, 2, {100, 100}, {300, 101});  // tolerance 400
  TSegment upright(1, host, 1, {50, 10}, {50, 210});  // tolerance 200
  struct Case {
    TSegment* seg;
    int x, y;
    bool hit;
  };
  const Case cases[] = {
      {&flat, 200, 102, true},     // cross product 300
      {&flat, 200, 103, false},    // 500
      {&flat, 313, 101, true},     // cross 13, last column inside the bounds
      {&flat, 314, 101, false},    // cross 14, but on the excluded right edge
      {&flat, 500, 102, false},    // on the line's extension, outside the bounds
      {&upright, 51, 100, false},  // cross product exactly 200: strict
      {&upright, 50, 100, true},   // on the line
      {&upright, 50, 223, true},   // below the end, still inside the bounds
      {&upright, 50, 224, false},  // bottom edge excluded
  };
  for (const Case& c : cases) EXPECT_EQ(c.seg->HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
}

TEST(Segment, InverseSlopeAndAlignment) {
  FakeHost host;
  EXPECT_EQ(TSegment(1, host, 1, {0, 0}, {100, 1}).InverseSlope(), 10000.0);
  const TSegment self(1, host, 1, {0, 0}, {100, 50});
  EXPECT_EQ(self.InverseSlope(), 2.0);

  struct Case {
    TPoint p1, p2;
    bool aligned;
    const char* what;
  };
  const Case cases[] = {
      {{100, 50}, {503, 250}, true, "2.015, touching at an end"},
      {{100, 50}, {504, 250}, false, "2.02, touching at an end"},
      {{1000, 0}, {1100, 50}, false, "same slope, apart"},
      {{40, 20}, {60, 30}, true, "short piece lying on self: only self hits its ends"},
  };
  for (const Case& c : cases) {
    const TSegment other(1, host, 1, c.p1, c.p2);
    EXPECT_EQ(self.IsAlignedWith(other), c.aligned) << c.what;
  }
}

TEST(Segment, ProjectPointClampsThenFollowsTheLongerExtent) {
  FakeHost host;
  struct Case {
    TPoint p1, p2, p, expected;
  };
  const Case cases[] = {
      {{0, 0}, {100, 50}, {500, 500}, {100, 50}}, {{0, 0}, {100, 50}, {50, 0}, {50, 25}},
      {{100, 50}, {0, 0}, {50, 0}, {50, 25}},    // reversed ends
      {{0, 0}, {50, 100}, {0, 50}, {25, 50}},    // taller than wide: x follows y
      {{0, 10}, {100, 10}, {30, 60}, {30, 10}},  // horizontal
      {{40, 0}, {40, 100}, {-7, 30}, {40, 30}},  // vertical
      {{7, 9}, {7, 9}, {100, -3}, {7, 9}},       // no length: its single point
  };
  for (const Case& c : cases) {
    const TSegment s(1, host, 1, c.p1, c.p2);
    EXPECT_EQ(s.ProjectPoint(c.p), c.expected) << c.p.x << "," << c.p.y;
  }
}

TEST(Segment, SnapEndsToMatchesEndsByIndex) {
  FakeHost host;
  TSegment a(1, host, 2, {0, 0}, {100, 50});
  const TSegment longer(1, host, 2, {0, 1}, {200, 101});
  a.SnapEndsTo(longer);  // both of a's ends lie on it
  EXPECT_EQ(a.P1, (TPoint{0, 1}));
  EXPECT_EQ(a.P2, (TPoint{200, 101}));

  TSegment b(1, host, 2, {0, 0}, {100, 50});
  const TSegment shorter(1, host, 2, {0, 1}, {60, 31});
  b.SnapEndsTo(shorter);  // P2 is beyond its bounds
  EXPECT_EQ(b.P1, (TPoint{0, 1}));
  EXPECT_EQ(b.P2, (TPoint{100, 50}));
}

TEST(Segment, SetSelectedAlwaysTellsItsMarks) {
  FakeHost host;
  TSegment s(1, host, 1, {10, 10}, {100, 10});
  s.SetSelected(false);  // unchanged, still told
  s.SetSelected(true);
  s.SetSelected(true);
  ASSERT_EQ(host.marksFollowed.size(), 3u);
  for (const auto& [seg, sel] : host.marksFollowed) EXPECT_EQ(seg, &s);
  EXPECT_FALSE(host.marksFollowed[0].second);
  EXPECT_TRUE(host.marksFollowed[1].second);
  EXPECT_TRUE(host.marksFollowed[2].second);
  EXPECT_EQ(s.moveState, msSelected);
}

TEST(Segment, SetEndpointsInvalidatesOnlyTheOldBounds) {
  FakeHost host;
  TSegment s(1, host, 1, {100, 100}, {150, 120});
  const TRect before = s.GetBounds();
  host.panel.render();
  s.SetEndpoints({200, 200}, {250, 260});
  EXPECT_EQ(s.P1, (TPoint{200, 200}));
  EXPECT_EQ(s.P2, (TPoint{250, 260}));
  EXPECT_EQ(host.panel.pendingRect(), before);
}

TEST(Segment, ArrowValuesDrawHeadsAtTheirEnds) {
  // Horizontal segment: each head is a barb 8 pixels above and one 8 below the line, 20 back
  // from its tip; the line itself covers rows 199 to 201.
  struct Case {
    uint8_t arrows;
    bool atP2, atP1;
  };
  for (const Case& c :
       {Case{0, false, false}, Case{1, true, false}, Case{2, false, true}, Case{3, true, true}}) {
    FakeHost host;
    TSegment s(1, host, 1, {100, 200}, {300, 200});
    s.arrows = c.arrows;
    s.Draw();
    EXPECT_EQ(host.pixel(200, 200), platform::clRed);
    const int a = c.arrows;
    EXPECT_EQ(InkIn(host, {276, 191, 298, 198}), c.atP2) << "above, at P2, arrows " << a;
    EXPECT_EQ(InkIn(host, {276, 203, 298, 210}), c.atP2) << "below, at P2, arrows " << a;
    EXPECT_EQ(InkIn(host, {102, 191, 124, 198}), c.atP1) << "above, at P1, arrows " << a;
    EXPECT_EQ(InkIn(host, {102, 203, 124, 210}), c.atP1) << "below, at P1, arrows " << a;
    // The barbs' bases, from the head geometry.
    if (c.atP2) {
      EXPECT_EQ(host.pixel(280, 208), platform::clRed);
      EXPECT_EQ(host.pixel(280, 192), platform::clRed);
    }
    if (c.atP1) {
      EXPECT_EQ(host.pixel(120, 192), platform::clRed);
      EXPECT_EQ(host.pixel(120, 208), platform::clRed);
    }
  }
}

TEST(Segment, ZeroLengthSegmentWithArrowsDrawsOnlyItsDot) {
  FakeHost host;
  TSegment s(1, host, 1, {50, 50}, {50, 50});
  s.arrows = 3;
  s.Draw();
  EXPECT_EQ(host.pixel(50, 50), platform::clRed);
  EXPECT_FALSE(InkIn(host, {0, 0, 400, 45}));
}

TEST(Segment, DrawScaledUsesOwnColourAndScalesEverything) {
  FakeHost host;
  TSegment s(1, host, 1, {10, 10}, {50, 10});
  s.arrows = 1;
  s.SetSelected(true);  // highlighted on the layer, not on the copy
  platform::Bitmap page(200, 100);
  platform::Canvas target(page);
  s.DrawScaled(target, 2.0);
  EXPECT_EQ(page.pixel(60, 20), platform::clRed);  // line from (20, 20) to (100, 20)
  EXPECT_EQ(page.pixel(60, 36), platform::clRed);  // barb base (30, 18) doubled
  EXPECT_EQ(page.pixel(60, 4), platform::clRed);   // barb base (30, 2) doubled
  EXPECT_EQ(page.pixel(104, 20), platform::clWhite);

  s.visible = false;
  platform::Bitmap blank(200, 100);
  platform::Canvas other(blank);
  s.DrawScaled(other, 2.0);
  EXPECT_EQ(blank.pixel(60, 20), platform::clWhite);
}

TEST(Segment, DragWaitsForTheRepaintThenMoves) {
  FakeHost host;
  TSegment s(1, host, 1, {100, 100}, {200, 100});
  s.SetSelected(true);
  host.panel.render();  // clears the pending region
  EXPECT_EQ(host.pixel(150, 100), TObjetSimple::kHighlight);

  s.MoveBy(30, 0);  // state 1 -> 2: hides the object, does not move it
  EXPECT_EQ(s.moveState, msErasing);
  EXPECT_EQ(s.P1, (TPoint{100, 100}));
  EXPECT_EQ(host.panel.pendingRect(), s.GetBounds());
  s.MoveBy(30, 0);  // before the repaint: nothing
  EXPECT_EQ(s.moveState, msErasing);
  EXPECT_EQ(s.P1, (TPoint{100, 100}));

  host.panel.render();
  s.Draw();  // the repaint paints nothing and moves on
  EXPECT_EQ(s.moveState, msErased);
  EXPECT_EQ(host.pixel(150, 100), platform::clWhite);

  s.MoveBy(10, 0);
  EXPECT_EQ(s.moveState, msDragging);
  EXPECT_EQ(s.P1, (TPoint{110, 100}));
  EXPECT_EQ(s.P2, (TPoint{210, 100}));
  EXPECT_EQ(host.pixel(205, 100), TObjetSimple::kHighlight);

  s.FinishMove();
  EXPECT_EQ(s.moveState, msSelected);
  EXPECT_EQ(host.LayerCanvas().penMode(), platform::PenMode::Copy);
}

TEST(Segment, RotationStepsStartFromTheOrigin) {
  FakeHost host;
  TSegment s(1, host, 1, {200, 100}, {150, 100});
  s.StoreRotationOrigin();
  s.SetSelected(true);
  s.RotateFromOrigin(100, 100, 1, 0);  // hides the segment first
  s.Draw();
  const double step = std::numbers::pi / 180;
  for (int k = 1; k <= 90; ++k) {
    s.RotateFromOrigin(100, 100, std::cos(k * step), std::sin(k * step));
    if (k == 45) {
      EXPECT_EQ(s.P1, (TPoint{171, 171}));
      EXPECT_EQ(s.P2, (TPoint{135, 135}));
    }
  }
  // A quarter turn clockwise on screen, exactly where one step of 90 degrees lands.
  EXPECT_EQ(s.P1, (TPoint{100, 200}));
  EXPECT_EQ(s.P2, (TPoint{100, 150}));
}

TEST(Segment, MirrorAndQuarterTurn) {
  FakeHost host;
  TSegment s(1, host, 1, {10, 20}, {50, 60});
  s.Mirror(1, 200, 100);
  EXPECT_EQ(s.P1, (TPoint{390, 20}));
  EXPECT_EQ(s.P2, (TPoint{350, 60}));
  s.Mirror(1, 200, 100);
  EXPECT_EQ(s.P1, (TPoint{10, 20}));
  s.Mirror(2, 200, 100);
  EXPECT_EQ(s.P1, (TPoint{10, 180}));
  EXPECT_EQ(s.P2, (TPoint{50, 140}));
  s.Mirror(2, 200, 100);
  EXPECT_EQ(s.P2, (TPoint{50, 60}));

  s.QuarterTurn(true, 400, 300);
  EXPECT_EQ(s.P1, (TPoint{20, 390}));
  EXPECT_EQ(s.P2, (TPoint{60, 350}));
  s.QuarterTurn(false, 300, 400);
  EXPECT_EQ(s.P1, (TPoint{10, 20}));
  EXPECT_EQ(s.P2, (TPoint{50, 60}));
}

namespace {

constexpr TColor kColour = 0x00123456;

// Fields shared by the fixtures: kind 1, visible, colour, width 3, (10, -20) to (300, 400).
Bytes& Body(Bytes& b) {
  return b.u8(1).u8(1).i32(int32_t(kColour)).u8(3).i32(10).i32(-20).i32(300).i32(400);
}

std::vector<uint8_t> V0() {
  Bytes b;
  Body(b.u16(0));
  return b.b;
}
std::vector<uint8_t> V1() {
  Bytes b;
  Body(b.u16(1)).u8(2);
  return b.b;
}
std::vector<uint8_t> V2() {
  Bytes b;
  Body(b.u16(2).i32(77)).u8(2);
  return b.b;
}
std::vector<uint8_t> V3() {
  Bytes b;
  Body(b.u16(3).i32(77)).u8(2).i32(2).i32(7).i32(9);
  return b.b;
}
std::vector<uint8_t> Current(int32_t id, uint8_t arrows, std::vector<int32_t> groups) {
  Bytes b;
  Body(b.u16(3).i32(id)).u8(arrows).i32(int32_t(groups.size()));
  for (int32_t g : groups) b.i32(g);
  return b.b;
}

}  // namespace

TEST(SegmentStream, EveryVersionReadsAndWritesBackAsCurrent) {
  struct Case {
    const char* name;
    std::vector<uint8_t> record;
    std::vector<uint8_t> written;
    int32_t id;
    uint8_t arrows;
    std::vector<int32_t> groups;
  };
  const Case cases[] = {
      {"v0", V0(), Current(42, 0, {}), 42, 0, {}},
      {"v1", V1(), Current(42, 2, {}), 42, 2, {}},
      {"v2", V2(), Current(77, 2, {}), 77, 2, {}},
      {"v3", V3(), Current(77, 2, {7, 9}), 77, 2, {7, 9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeHost host(400, 500);
    LastSegmentId = 41;
    platform::MemoryStream in(c.record);
    auto s = TSegment::CreateFromStream(in, host, false);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_EQ(s->id, c.id);
    EXPECT_EQ(s->kind, 1);
    EXPECT_TRUE(s->visible);
    EXPECT_EQ(s->color, kColour);
    EXPECT_EQ(s->width, 3);
    EXPECT_EQ(s->P1, (TPoint{10, -20}));
    EXPECT_EQ(s->P2, (TPoint{300, 400}));
    EXPECT_EQ(s->arrows, c.arrows);
    EXPECT_EQ(s->Entries(), c.groups);
    EXPECT_EQ(host.panel.pendingRect(), s->GetBounds().intersected({0, 0, 400, 500}));

    platform::MemoryStream out;
    s->SaveToStream(out);
    EXPECT_EQ(out.bytes(), c.written);

    for (size_t n = 0; n < c.record.size(); ++n) {
      platform::MemoryStream cut(std::vector<uint8_t>(c.record.begin(), c.record.begin() + n));
      EXPECT_THROW(TSegment::CreateFromStream(cut, host, false), platform::StreamError)
          << "cut at " << n;
    }
  }
}

TEST(SegmentStream, RenumberFlagAndStoredIds) {
  struct Case {
    const char* name;
    std::vector<uint8_t> record;
    bool renumber;
    int32_t lastBefore, id;
  };
  const Case cases[] = {
      {"stored id kept, counter lowered to it", V3(), false, 100, 77},
      {"stored id kept, counter raised to it", V2(), false, 5, 77},
      {"pasting renumbers", V3(), true, 100, 101},
      {"pasting renumbers v2", V2(), true, 5, 6},
      {"no stored id", V1(), false, 100, 101},
  };
  for (const Case& c : cases) {
    FakeHost host(400, 500);
    LastSegmentId = c.lastBefore;
    platform::MemoryStream in(c.record);
    auto s = TSegment::CreateFromStream(in, host, c.renumber);
    EXPECT_EQ(s->id, c.id) << c.name;
    EXPECT_EQ(LastSegmentId, c.id) << c.name;
    EXPECT_EQ(in.remaining(), 0u) << c.name;  // a stored id is consumed either way
  }
}
