#include <gtest/gtest.h>

#include <numbers>

#include "platform/Streams.h"
#include "sheet/objects/uObjet.h"
#include "sheet/objects/ucalcul.h"
#include "sheet/objects/utbDyn.h"

constexpr double kPi = std::numbers::pi;

TEST(Geometry, AngleOfCoversTheFourQuadrantsAndTheOrigin) {
  struct Case {
    int dx, dy;
    double angle;
  };
  for (const Case& c : {Case{0, 0, 3 * kPi / 2}, Case{0, 5, kPi / 2}, Case{-1, 0, kPi},
                        Case{1, -1, 7 * kPi / 4}, Case{1, 0, 0.0}, Case{-1, -1, 5 * kPi / 4}}) {
    EXPECT_NEAR(AngleOf(c.dx, c.dy), c.angle, 1e-12) << c.dx << "," << c.dy;
  }
}

TEST(Geometry, InverseSlopeAnswers10000UnderTwoPixelsOfHeight) {
  EXPECT_EQ(InverseSlope({0, 0}, {10, 1}), 10000.0);
  EXPECT_EQ(InverseSlope({0, 0}, {10, -1}), 10000.0);
  EXPECT_EQ(InverseSlope({0, 0}, {10, 2}), 5.0);
  EXPECT_EQ(InverseSlope({0, 0}, {10, -2}), -5.0);
}

TEST(Geometry, QuarterTurnPointAndNormalizeCorners) {
  TPoint p{3, 4};
  QuarterTurnPoint(p, true, 100, 50);
  EXPECT_EQ(p, (TPoint{4, 97}));
  p = {3, 4};
  QuarterTurnPoint(p, false, 100, 50);
  EXPECT_EQ(p, (TPoint{46, 3}));
  // A turn there and back within the swapped page restores the point.
  p = {3, 4};
  QuarterTurnPoint(p, true, 100, 50);
  QuarterTurnPoint(p, false, 50, 100);
  EXPECT_EQ(p, (TPoint{3, 4}));

  TPoint a{10, 5}, b{2, 8};
  NormalizeCorners(a, b);
  EXPECT_EQ(a, (TPoint{2, 5}));
  EXPECT_EQ(b, (TPoint{10, 8}));
}

TEST(Geometry, DistanceAndRoundingHalvesToEven) {
  EXPECT_EQ(Distance({0, 0}, {3, 4}), 5.0);
  EXPECT_EQ(Nearest(2.5), 2);
  EXPECT_EQ(Nearest(3.5), 4);
  EXPECT_EQ(Nearest(-2.5), -2);
  // A half turn about (10, 10).
  EXPECT_EQ(RotatePoint({15, 10}, 10, 10, -1.0, 0.0), (TPoint{5, 10}));
  // With y downward a positive angle turns clockwise on screen: right goes down.
  EXPECT_EQ(RotatePoint({15, 10}, 10, 10, 0.0, 1.0), (TPoint{10, 15}));
}

TEST(DynamicArray, GrowsOneIncrementAtATime) {
  TTableau<TPoint> a(20);
  EXPECT_FALSE(a.hasData());
  EXPECT_EQ(a.capacity(), 20);
  std::vector<int> capacities;
  for (int i = 1; i <= 61; ++i) {
    a.Add(TPoint{i, -i});
    if (i == 20 || i == 21 || i == 41 || i == 61) capacities.push_back(a.capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{20, 40, 60, 80}));
  EXPECT_EQ(a.count(), 61);
  EXPECT_EQ(a.Get(1), (TPoint{1, -1}));
  EXPECT_EQ(a.Get(61), (TPoint{61, -61}));  // survived three growths
  a.TTableauDynamique::Add(nullptr);        // reserves only
  EXPECT_EQ(a.count(), 62);
  a.Clear();
  EXPECT_EQ(a.count(), 0);
  EXPECT_EQ(a.capacity(), 20);
  EXPECT_FALSE(a.hasData());
}

TEST(GroupStack, PopsOnlyTheInnermostMatch) {
  TGroupStack g;
  EXPECT_EQ(g.CurrentGroup(), 0);
  g.PopGroup(5);  // empty: unchanged
  for (int n : {3, 5, 7}) g.PushGroup(n);
  g.PopGroup(5);
  EXPECT_EQ(g.Entries(), (std::vector<int32_t>{3, 5, 7}));
  EXPECT_TRUE(g.InGroup(5));
  g.SetEntries({3, 7, 5});
  g.PopGroup(5);
  EXPECT_EQ(g.Entries(), (std::vector<int32_t>{3, 7}));
  EXPECT_EQ(g.CurrentGroup(), 7);
  g.RemapGroups([](int32_t n) { return n * 10; });
  EXPECT_EQ(g.Entries(), (std::vector<int32_t>{30, 70}));
}

TEST(GroupStack, StreamsAsACountThenEntriesAndRefusesImpossibleCounts) {
  TGroupStack g;
  g.SetEntries({2, -1});
  platform::MemoryStream s;
  g.Write(s);
  EXPECT_EQ(s.bytes(), (std::vector<uint8_t>{2, 0, 0, 0, 2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
  s.seek(0);
  TGroupStack back;
  back.Read(s);
  EXPECT_EQ(back.Entries(), g.Entries());

  for (std::vector<uint8_t> bad :
       {std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0},
        std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}, std::vector<uint8_t>{1, 0, 0}}) {
    platform::MemoryStream m(bad);
    TGroupStack t;
    EXPECT_THROW(t.Read(m), platform::StreamError);
    EXPECT_TRUE(t.Entries().empty());
  }
}
