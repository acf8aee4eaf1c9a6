#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "platform/Streams.h"
#include "sheet/objects/uPointGs.h"
#include "sheet/objects/usegments.h"
#include "tests/objects/FakeHost.h"
#include "tests/support/Bytes.h"

using platform::clRed;
using platform::clWhite;
using platform::TColor;
using platform::TPoint;
using platform::TRect;

namespace {

// PointSize is a program-wide option: every test starts and ends at its default.
class Point : public ::testing::Test {
 protected:
  void SetUp() override { PointSize = 1; }
  void TearDown() override { PointSize = 1; }
};

}  // namespace

TEST_F(Point, CrossFollowsPointSizeAtEveryDrawing) {
  FakeHost host;
  TPointG p({100, 100}, nullptr, host, 1);
  for (int size : {1, 2, 3}) {
    SCOPED_TRACE(size);
    PointSize = size;
    host.panel.image().fill(clWhite);
    p.Draw();
    const int d = 6 * size;
    // Lines from (100-d, 100-d) to (100+d, 100+d) and from (100-d, 100+d) to (100+d, 100-d);
    // line-to leaves out its end pixel.
    EXPECT_EQ(host.pixel(100 - d, 100 - d), clRed);
    EXPECT_EQ(host.pixel(100 + d - 1, 100 + d - 1), clRed);
    EXPECT_EQ(host.pixel(100 + d, 100 + d), clWhite);
    EXPECT_EQ(host.pixel(100 - d - 1, 100 - d - 1), clWhite);
    EXPECT_EQ(host.pixel(100 - d, 100 + d), clRed);
    EXPECT_EQ(host.pixel(100 + d - 1, 100 - d + 1), clRed);
    EXPECT_EQ(host.pixel(100 + d, 100 - d), clWhite);
  }
}

TEST_F(Point, BoundsAndHitTestUseTenTimesPointSizePlusWidth) {
  FakeHost host(400, 400, {30, 20});
  TPointG p({100, 100}, nullptr, host, 2);
  PointSize = 2;
  EXPECT_EQ(p.GetBounds(), (TRect{80 - 2 + 30, 80 - 2 + 20, 120 + 2 + 30, 120 + 2 + 20}));
  PointSize = 1;  // margin 12
  struct Case {
    int x, y;
    bool hit;
  };
  for (const Case& c :
       {Case{105, 97, true}, Case{88, 100, true}, Case{87, 100, false}, Case{111, 111, true},
        Case{112, 100, false}, Case{100, 112, false}, Case{300, 10, false}}) {
    EXPECT_EQ(p.HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
    // Stored on every call, hit or not.
    EXPECT_EQ(p.grabOffset, (TPoint{c.x - 100, c.y - 100})) << c.x << "," << c.y;
  }
}

TEST_F(Point, MarkTickCrossesItsSegment) {
  struct Case {
    TPoint p1, p2, at;
    TPoint from, to;  // the tick's line, end pixel left out
  };
  const Case cases[] = {
      {{0, 0}, {100, 100}, {100, 100}, {107, 93}, {93, 107}},
      {{0, 50}, {200, 50}, {100, 50}, {100, 40}, {100, 60}},  // horizontal: vertical tick
  };
  for (const Case& c : cases) {
    FakeHost host;
    TSegment seg(1, host, 1, c.p1, c.p2);
    TPointG mark(c.at, &seg, host, 1);
    mark.Draw();
    EXPECT_EQ(host.pixel(c.from.x, c.from.y), clRed);
    EXPECT_EQ(host.pixel(c.at.x, c.at.y), clRed);
    const int sx = (c.to.x > c.from.x) - (c.to.x < c.from.x);
    const int sy = (c.to.y > c.from.y) - (c.to.y < c.from.y);
    EXPECT_EQ(host.pixel(c.to.x - sx, c.to.y - sy), clRed);
    EXPECT_EQ(host.pixel(c.to.x, c.to.y), clWhite);
    EXPECT_EQ(host.pixel(c.from.x - sx, c.from.y - sy), clWhite);
  }
  // Bigger points, longer ticks: half-length 30.
  PointSize = 3;
  FakeHost host;
  TSegment seg(1, host, 1, {0, 50}, {200, 50});
  TPointG mark({100, 50}, &seg, host, 1);
  mark.Draw();
  EXPECT_EQ(host.pixel(100, 20), clRed);
  EXPECT_EQ(host.pixel(100, 19), clWhite);
}

TEST_F(Point, DraggedMarkSlidesAlongItsSegment) {
  FakeHost host;
  TSegment seg(1, host, 1, {0, 100}, {300, 100});
  TPointG mark({150, 100}, &seg, host, 2);
  TPointG free({150, 100}, nullptr, host, 2);
  for (TPointG* p : {&mark, &free}) {
    p->SetSelected(true);
    p->MoveBy(0, 50);  // hides it first
    EXPECT_EQ(p->position, (TPoint{150, 100}));
    p->Draw();
  }
  mark.MoveBy(0, 50);
  EXPECT_EQ(mark.position, (TPoint{150, 100}));
  mark.MoveBy(20, -30);
  EXPECT_EQ(mark.position, (TPoint{170, 100}));
  free.MoveBy(0, 50);
  EXPECT_EQ(free.position, (TPoint{150, 150}));

  // Rotation does not snap.
  mark.StoreRotationOrigin();
  mark.RotateFromOrigin(100, 100, 0.0, 1.0);
  EXPECT_EQ(mark.position, (TPoint{100, 170}));
}

TEST_F(Point, MarksBelongToAndFollowTheirSegment) {
  FakeHost host;
  TSegment a(1, host, 1, {0, 100}, {300, 100});
  TSegment b(1, host, 1, {0, 200}, {300, 200});
  TPointG mark({10, 100}, &a, host, 2);
  TPointG free({10, 10}, nullptr, host, 2);
  EXPECT_TRUE(mark.BelongsToSegment(nullptr));
  EXPECT_TRUE(mark.BelongsToSegment(&a));
  EXPECT_FALSE(mark.BelongsToSegment(&b));
  EXPECT_FALSE(free.BelongsToSegment(nullptr));
  EXPECT_FALSE(free.BelongsToSegment(&a));

  mark.FollowSegmentSelection(b, true);
  free.FollowSegmentSelection(a, true);
  EXPECT_FALSE(mark.selected);
  EXPECT_FALSE(free.selected);
  mark.FollowSegmentSelection(a, true);
  EXPECT_TRUE(mark.selected);
  mark.FollowSegmentSelection(a, false);
  EXPECT_FALSE(mark.selected);
}

TEST_F(Point, MirrorAndQuarterTurnMoveThePosition) {
  FakeHost host;
  TPointG p({10, 20}, nullptr, host, 2);
  p.Mirror(1, 200, 100);
  EXPECT_EQ(p.position, (TPoint{390, 20}));
  p.Mirror(1, 200, 100);
  EXPECT_EQ(p.position, (TPoint{10, 20}));
  p.Mirror(2, 200, 100);
  EXPECT_EQ(p.position, (TPoint{10, 180}));
  p.Mirror(2, 200, 100);
  EXPECT_EQ(p.position, (TPoint{10, 20}));
  p.QuarterTurn(true, 400, 300);
  EXPECT_EQ(p.position, (TPoint{20, 390}));
  p.QuarterTurn(false, 300, 400);
  EXPECT_EQ(p.position, (TPoint{10, 20}));
}

TEST_F(Point, DrawScaledUsesOwnColourAndTheSmallCross) {
  FakeHost host;
  TPointG p({100, 100}, nullptr, host, 1);
  p.SetSelected(true);
  platform::Bitmap page(300, 300);
  platform::Canvas target(page);
  p.DrawScaled(target, 1.4);  // pen width round(1.4) = 1
  // (98, 98)-(102, 102) scaled: (137, 137) to (143, 143), and (137, 143) to (143, 137).
  EXPECT_EQ(page.pixel(137, 137), clRed);
  EXPECT_EQ(page.pixel(142, 142), clRed);
  EXPECT_EQ(page.pixel(143, 143), clWhite);
  EXPECT_EQ(page.pixel(137, 143), clRed);
  EXPECT_EQ(page.pixel(136, 136), clWhite);

  // A mark: its tick from (100, 40) to (100, 60), scaled.
  TSegment seg(1, host, 1, {0, 50}, {200, 50});
  TPointG mark({100, 50}, &seg, host, 1);
  platform::Bitmap page2(300, 300);
  platform::Canvas target2(page2);
  mark.DrawScaled(target2, 1.4);
  EXPECT_EQ(page2.pixel(140, 56), clRed);
  EXPECT_EQ(page2.pixel(140, 83), clRed);
  EXPECT_EQ(page2.pixel(140, 84), clWhite);
  EXPECT_EQ(page2.pixel(140, 55), clWhite);

  p.visible = false;
  platform::Bitmap blank(300, 300);
  platform::Canvas other(blank);
  p.DrawScaled(other, 1.4);
  EXPECT_EQ(blank.pixel(140, 140), clWhite);
}

namespace {

constexpr TColor kColour = 0x00123456;

// Up to the position: visible, colour, width 3, (150, 120).
Bytes& Head(Bytes& b, uint16_t version) {
  return b.u16(version).u8(1).i32(int32_t(kColour)).u8(3).i32(150).i32(120);
}
std::vector<uint8_t> Current(int32_t id, std::vector<int32_t> groups) {
  Bytes b;
  Head(b, 2).i32(id).i32(int32_t(groups.size()));
  for (int32_t g : groups) b.i32(g);
  return b.b;
}

}  // namespace

TEST_F(Point, EveryVersionReadsAndWritesBackAsCurrent) {
  FakeHost host;
  TSegment seg(1, host, 1, {0, 100}, {300, 100});
  seg.id = 77;
  host.segments = {{77, &seg}};

  Bytes v0, v1, v2;
  Head(v0, 0);
  Head(v1, 1).i32(77);
  Head(v2, 2).i32(77).i32(2).i32(3).i32(5);
  struct Case {
    const char* name;
    std::vector<uint8_t> record, written;
    TSegment* segment;
    std::vector<int32_t> groups;
  };
  const Case cases[] = {
      {"v0: a free point", v0.b, Current(0, {}), nullptr, {}},
      {"v1: a mark, not snapped", v1.b, Current(77, {}), &seg, {}},
      {"v2", v2.b, Current(77, {3, 5}), &seg, {3, 5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.panel.render();
    platform::MemoryStream in(c.record);
    auto p = TPointG::CreateFromStream(in, host);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_TRUE(p->visible);
    EXPECT_EQ(p->color, kColour);
    EXPECT_EQ(p->width, 3);
    EXPECT_EQ(p->position, (TPoint{150, 120}));
    EXPECT_EQ(p->segment, c.segment);
    EXPECT_EQ(p->Entries(), c.groups);
    EXPECT_EQ(p->moveState, msNone);
    EXPECT_EQ(host.panel.pendingRect(), p->GetBounds());

    platform::MemoryStream out;
    p->SaveToStream(out);
    EXPECT_EQ(out.bytes(), c.written);

    for (size_t n = 0; n < c.record.size(); ++n) {
      platform::MemoryStream cut(std::vector<uint8_t>(c.record.begin(), c.record.begin() + n));
      EXPECT_THROW(TPointG::CreateFromStream(cut, host), platform::StreamError) << "cut at " << n;
    }
  }
}

TEST_F(Point, OnlyAPositiveIdOfAnExistingSegmentMakesAMark) {
  FakeHost host;
  TSegment seg(1, host, 1, {0, 100}, {300, 100});
  // The host would answer these ids, but only positive ones are looked up.
  host.segments = {{77, &seg}, {0, &seg}, {-4, &seg}};
  struct Case {
    int32_t id;
    bool mark;
  };
  for (const Case& c : {Case{77, true}, Case{99, false}, Case{0, false}, Case{-4, false}}) {
    Bytes b;
    Head(b, 2).i32(c.id).i32(0);
    platform::MemoryStream in(b.b);
    auto p = TPointG::CreateFromStream(in, host);
    EXPECT_EQ(p->segment, c.mark ? &seg : nullptr) << c.id;
  }
}
