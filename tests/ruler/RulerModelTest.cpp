// The ruler's model: geometry of the default ruler, hit tests, pivots, steps, drags, buttons,
// graduation and options. Expected pixels were worked out from the layout rules with the
// ruler at 96 pixels per inch, 15 cm "Règle", turned by -pi/8 with its disc at (960, 540):
// PixelsPerMm 3.7795, ZeroMargin 19, L 609, W 80, button boxes 14 x 22.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "platform/Surface.h"
#include "ruler/uRegle.h"

using platform::TPoint;
using platform::TRect;

namespace {

constexpr double kPi = std::numbers::pi;

struct FakeHost : TRegleHost {
  bool shift = false;
  bool ctrl = false;
  std::vector<TPoint> cursorMoves;
  int processed = 0;
  bool hand = false;
  std::array<bool, 12> shown{false, true, true, true, true, true,
                             true,  true, true, true, true, true};
  TRegleOptions options;
  int32_t interval = 0;
  bool running = false;

  bool ShiftDown() const override { return shift; }
  bool CtrlDown() const override { return ctrl; }
  void MoveCursorTo(TPoint p) override { cursorMoves.push_back(p); }
  void ProcessMessages() override { ++processed; }
  void SetHandCursor(bool h) override { hand = h; }
  bool ButtonShown(int i) const override { return i >= 1 && i <= 11 && shown[i]; }
  TRegleOptions Options() const override { return options; }
  void SetTimerInterval(int32_t ms) override { interval = ms; }
  void StartTimer() override { running = true; }
  void StopTimer() override { running = false; }
};

void ExpectNear(TPoint actual, TPoint expected, int tolerance) {
  EXPECT_LE(std::abs(actual.x - expected.x), tolerance) << actual.x << " vs " << expected.x;
  EXPECT_LE(std::abs(actual.y - expected.y), tolerance) << actual.y << " vs " << expected.y;
}

// Created as the window does it: options, -pi/8, disc at the centre of a 1920 x 1080 screen.
class RulerModel : public ::testing::Test {
 protected:
  void SetUp() override {
    r = std::make_unique<TRegle>(host, 96);
    r->ApplyOptions();
    r->SetAngle(-kPi / 8);
    r->PlaceAt({960, 540});
  }
  FakeHost host;
  std::unique_ptr<TRegle> r;
};

const std::array<TPoint, 4> kCorners{TPoint{656, 601}, TPoint{1218, 368}, TPoint{1249, 442},
                                     TPoint{687, 675}};

}  // namespace

TEST(RulerCreation, StartsWithTheCreationDefaults) {
  FakeHost host;
  host.running = true;
  TRegle r(host, 96);
  EXPECT_DOUBLE_EQ(r.PixelsPerMm, 96 / 25.4);
  EXPECT_EQ(r.ZeroMargin, 19);
  EXPECT_EQ(r.LengthPx, 620);
  EXPECT_EQ(r.WidthPx, 80);
  EXPECT_DOUBLE_EQ(r.DigitScale, 0.8);
  EXPECT_DOUBLE_EQ(r.ButtonScale, 1.44);
  EXPECT_FALSE(r.Transparent);
  EXPECT_EQ(r.BodyColor, 9039853u);
  EXPECT_EQ(r.BackColor, 7071985u);
  EXPECT_EQ(r.DiscColor, 4954607u);
  EXPECT_EQ(r.CmColor, 255u);
  EXPECT_EQ(r.HalfCmColor, 255u);
  EXPECT_EQ(r.MmColor, 255u);
  EXPECT_EQ(r.Angle, 0.0);
  EXPECT_EQ(r.PivotMode, 0);
  EXPECT_EQ(r.ActiveButton, 0);
  EXPECT_EQ(r.HighlightButton, 0);
  EXPECT_EQ(r.PencilPos, (TPoint{0, 0}));
  EXPECT_EQ(r.SweepState, 2);
  EXPECT_EQ(r.MirrorSign, 1);
  EXPECT_FALSE(host.running);  // the sweep is off, its timer stopped
  EXPECT_TRUE(host.hand);
}

TEST_F(RulerModel, DefaultRulerGeometry) {
  EXPECT_DOUBLE_EQ(r->PixelsPerMm, 3.7795);
  EXPECT_EQ(r->ZeroMargin, 19);
  EXPECT_EQ(r->LengthPx, 609);
  EXPECT_EQ(r->WidthPx, 80);
  EXPECT_EQ(r->TickCount, 156);
  EXPECT_EQ(r->PivotMode, 1);
  EXPECT_EQ(r->DiscLocal, (TPoint{0, 20}));
  EXPECT_EQ(r->DiscScreen, (TPoint{960, 540}));
  EXPECT_EQ(r->PivotScreen, (TPoint{960, 540}));
  EXPECT_EQ(r->GetCorners(), kCorners);
  EXPECT_EQ(r->BodyPolygon,
            (std::array<TPoint, 4>{kCorners[0], kCorners[1], TPoint{1236, 413}, TPoint{675, 645}}));
  EXPECT_EQ(r->BackPolygon,
            (std::array<TPoint, 4>{TPoint{675, 645}, TPoint{1236, 413}, kCorners[2], kCorners[3]}));
  EXPECT_EQ(r->ZeroMark, (TPoint{674, 594}));
  EXPECT_EQ(r->MmTickEnd, (TPoint{679, 606}));
  EXPECT_NEAR(r->TickStep.x, 3.7795 * std::cos(kPi / 8), 1e-12);
  EXPECT_NEAR(r->TickStep.y, -3.7795 * std::sin(kPi / 8), 1e-12);
}

TEST_F(RulerModel, ButtonLayout) {
  const int anchorX[12] = {0, 14, -28, -126, 285, 261, -177, -228, -155, -206, -104, 72};
  const TPoint screen[12] = {{},          {970, 528},  {931, 544}, {841, 582},
                             {1221, 424}, {1198, 434}, {794, 601}, {747, 621},
                             {814, 593},  {767, 612},  {861, 573}, {1024, 506}};
  for (int i = 1; i <= 11; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(r->ButtonLocal[i], (TPoint{anchorX[i], 13}));
    EXPECT_EQ(r->ButtonScreen[i], screen[i]);
    EXPECT_TRUE(r->ButtonVisible[i]);
  }
  EXPECT_EQ(r->ButtonBoxWidth(), 14);
  EXPECT_EQ(r->ButtonBoxHeight(), 22);
  EXPECT_DOUBLE_EQ(r->AxisA, 80.0 / 208);
  EXPECT_DOUBLE_EQ(r->AxisB, -80.0 / 512);
}

TEST_F(RulerModel, ButtonAtFindsEveryButtonAtItsCentreOnTheTurnedRuler) {
  for (int i = 1; i <= 11; ++i) {
    const TPoint c = r->ButtonCentre(i);
    EXPECT_EQ(r->ButtonAt(c.x, c.y), i) << "button " << i;
  }
  EXPECT_EQ(r->ButtonAt(960, 540), 0);  // the disc is body
  EXPECT_EQ(r->ButtonAt(100, 100), 0);  // off the ruler
}

TEST_F(RulerModel, ButtonAtBoxEdgesAreExclusive) {
  // Unturned, window = local + (960, 520); button 1's box spans x 14..28, y 13..35.
  r->SetAngle(0);
  struct Case {
    int x, y, expected;
  } cases[] = {{975, 534, 1}, {987, 554, 1}, {974, 534, 0}, {975, 533, 0},
               {988, 554, 0}, {987, 555, 0}, {981, 544, 1}};
  for (const auto& c : cases) EXPECT_EQ(r->ButtonAt(c.x, c.y), c.expected) << c.x << "," << c.y;
}

TEST_F(RulerModel, ButtonAtAsksTheDialogAndStopsAtTheFirstBox) {
  const TPoint c1 = r->ButtonCentre(1), c4 = r->ButtonCentre(4), c5 = r->ButtonCentre(5);
  host.shown[1] = false;
  host.shown[4] = host.shown[5] = false;
  EXPECT_EQ(r->ButtonAt(c1.x, c1.y), 0);  // what the dialog shows now, not ButtonVisible
  EXPECT_TRUE(r->ButtonVisible[1]);
  EXPECT_EQ(r->ButtonAt(c4.x, c4.y), 4);  // close and minimise are always there
  EXPECT_EQ(r->ButtonAt(c5.x, c5.y), 5);

  // Boxes 1 and 2 made to overlap: a point in both belongs to 1, hidden or not.
  r->ButtonLocal[2] = {r->ButtonLocal[1].x - 4, r->ButtonLocal[1].y};
  const TPoint both = r->T({r->ButtonLocal[1].x + 3, r->ButtonLocal[1].y + 10});
  EXPECT_EQ(r->ButtonAt(both.x, both.y), 0);
  host.shown[1] = true;
  EXPECT_EQ(r->ButtonAt(both.x, both.y), 1);
}

TEST_F(RulerModel, DiscHitIsAStrictSquare) {
  struct Case {
    TPoint p;
    bool hit;
  } cases[] = {{{960, 540}, true},  {{972, 552}, true},  {{948, 528}, true},
               {{973, 540}, false}, {{960, 527}, false}, {{947, 553}, false}};
  for (const auto& c : cases) EXPECT_EQ(r->DiscHit(c.p), c.hit) << c.p.x << "," << c.p.y;
}

TEST_F(RulerModel, PivotOnTheZeroGraduationKeepsTheRulerInPlace) {
  r->SetPivotMode(2);
  EXPECT_EQ(r->PivotMode, 2);
  EXPECT_EQ(r->PivotLocal, (TPoint{-285, -40}));
  EXPECT_EQ(r->PivotScreen, (TPoint{674, 594}));
  EXPECT_DOUBLE_EQ(r->GrabAngleOffset, -std::atan(80.0 / 208));
  r->ComputeGeometry();
  for (int k = 0; k < 4; ++k) ExpectNear(r->GetCorners()[k], kCorners[k], 1);
  EXPECT_EQ(r->DiscScreen, (TPoint{960, 540}));
  EXPECT_EQ(r->ZeroMark, (TPoint{674, 594}));

  // Turning moves everything but the pivot.
  r->SetAngle(0);
  EXPECT_EQ(r->PivotScreen, (TPoint{674, 594}));
  EXPECT_EQ(r->ZeroMark, (TPoint{674, 594}));
  EXPECT_EQ(r->GetCorners()[0], (TPoint{655, 594}));
  EXPECT_EQ(r->DiscScreen, (TPoint{959, 654}));

  r->SetPivotMode(3);
  EXPECT_EQ(r->PivotMode, 3);
  EXPECT_DOUBLE_EQ(r->GrabAngleOffset, -std::atan(-80.0 / 512));
  r->SetPivotMode(1);
  EXPECT_EQ(r->PivotLocal, (TPoint{0, 20}));
  EXPECT_EQ(r->PivotScreen, (TPoint{959, 654}));
  EXPECT_EQ(r->GrabAngleOffset, 0.0);
}

TEST_F(RulerModel, SetPivotModeIgnoresRepeatsAndOutOfRangeModes) {
  for (int m : {0, 4, -1, 1}) {
    r->SetPivotMode(m);
    EXPECT_EQ(r->PivotMode, 1) << m;
    EXPECT_EQ(r->PivotLocal, (TPoint{0, 20}));
  }
  r->SetPivotMode(2);
  r->PivotScreen = {1, 2};  // a repeated mode must not recompute the pivot
  r->SetPivotMode(2);
  EXPECT_EQ(r->PivotScreen, (TPoint{1, 2}));
}

TEST_F(RulerModel, RotateStepWithAndWithoutSnapping) {
  struct Case {
    bool shift, ctrl;
    double start;
    int dir;
    double expected;
  } cases[] = {
      {false, false, -kPi / 8, +1, -kPi / 8 - 0.01},  // counter-clockwise on screen
      {false, false, -kPi / 8, -1, -kPi / 8 + 0.01},
      {true, false, 0.8, +1, 0.8 - kPi / 4},  // 1.019 quarter-eighths: one snap further
      {true, false, 0.8, -1, 0.8 - kPi / 4},  // the direction is not used
      {true, false, 0.7, +1, 0.0},            // 0.891: back to 0
      {true, false, 0.0, +1, -kPi / 4},
      {true, false, -0.8, +1, -0.8 - kPi / 4},
      {false, true, 1.05 * kPi / 2, +1, 0.05 * kPi / 2},
      {false, true, 1.0, -1, 0.0},           // 0.637 of a quarter turn
      {true, true, 0.8, +1, 0.8 - kPi / 4},  // Shift wins over Ctrl
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    host.shift = c.shift;
    host.ctrl = c.ctrl;
    r->SetAngle(c.start);
    r->RotateStep(c.dir);
    EXPECT_NEAR(r->Angle, c.expected, 1e-12);
    EXPECT_DOUBLE_EQ(r->CosAngle, std::cos(r->Angle));
    EXPECT_DOUBLE_EQ(r->SinAngle, std::sin(r->Angle));
  }
  // The rotation step option is used.
  host.shift = host.ctrl = false;
  r->RotationStep = 0.25;
  r->SetAngle(1);
  r->RotateStep(-1);
  EXPECT_DOUBLE_EQ(r->Angle, 1.25);
}

TEST_F(RulerModel, TranslateStepAlongAndAcrossTheAxis) {
  // 5 px at -pi/8: (Nearest(4.62), Nearest(-1.91)) = (5, -2).
  struct Case {
    int i;
    TPoint pivot;
  } cases[] = {{6, {965, 538}}, {7, {955, 542}}, {8, {958, 535}}, {9, {962, 545}}};
  int moved = 0;
  r->OnMoved = [&] { ++moved; };
  for (const auto& c : cases) {
    r->PlaceAt({960, 540});
    r->TranslateStep(c.i);
    EXPECT_EQ(r->PivotScreen, c.pivot) << c.i;
    EXPECT_EQ(r->DiscScreen, c.pivot) << c.i;
    const int dx = c.pivot.x - 960, dy = c.pivot.y - 540;
    EXPECT_EQ(r->GetCorners()[0], (TPoint{kCorners[0].x + dx, kCorners[0].y + dy}));
  }
  EXPECT_EQ(moved, 4);

  r->PlaceAt({960, 540});
  r->TranslationStep = 10;  // (9.24, -3.83)
  r->TranslateStep(8);
  EXPECT_EQ(r->PivotScreen, (TPoint{956, 531}));
  r->TranslateStep(5);  // no movement, but the window still hears of it
  EXPECT_EQ(r->PivotScreen, (TPoint{956, 531}));
  EXPECT_EQ(moved, 6);
}

TEST_F(RulerModel, MirrorAboutTheDiscReversesOnlyTheGraduation) {
  r->Mirror();
  EXPECT_EQ(r->MirrorSign, -1);
  EXPECT_EQ(r->PivotMode, 1);
  EXPECT_EQ(r->GetCorners(), kCorners);
  EXPECT_EQ(r->ButtonScreen[7], (TPoint{747, 621}));
  EXPECT_EQ(r->ZeroMark, (TPoint{1200, 376}));
  EXPECT_EQ(r->MmTickEnd, (TPoint{1205, 388}));
  EXPECT_NEAR(r->TickStep.x, -3.7795 * std::cos(kPi / 8), 1e-12);
  EXPECT_NEAR(r->TickStep.y, 3.7795 * std::sin(kPi / 8), 1e-12);
  EXPECT_EQ(r->TickCount, 156);

  r->Mirror();
  EXPECT_EQ(r->MirrorSign, 1);
  EXPECT_EQ(r->GetCorners(), kCorners);
  EXPECT_EQ(r->ZeroMark, (TPoint{674, 594}));
  EXPECT_EQ(r->MmTickEnd, (TPoint{679, 606}));
}

TEST_F(RulerModel, MirrorMovesAZeroPivotToTheOtherEnd) {
  r->SetPivotMode(2);
  r->Mirror();
  EXPECT_EQ(r->PivotMode, 3);
  EXPECT_EQ(r->PivotLocal, (TPoint{285, -40}));
  EXPECT_EQ(r->PivotScreen, (TPoint{1201, 376}));
  EXPECT_EQ(r->ZeroMark, (TPoint{1201, 376}));
  EXPECT_EQ(r->MmTickEnd, (TPoint{1206, 388}));
  EXPECT_DOUBLE_EQ(r->GrabAngleOffset, -std::atan(-80.0 / 512));
  for (int k = 0; k < 4; ++k) ExpectNear(r->GetCorners()[k], kCorners[k], 1);
  ExpectNear(r->DiscScreen, {960, 540}, 1);

  r->Mirror();
  EXPECT_EQ(r->PivotMode, 2);
  EXPECT_EQ(r->MirrorSign, 1);
  EXPECT_EQ(r->PivotLocal, (TPoint{-285, -40}));
  EXPECT_EQ(r->PivotScreen, (TPoint{674, 594}));
  EXPECT_EQ(r->ZeroMark, (TPoint{674, 594}));
  EXPECT_DOUBLE_EQ(r->GrabAngleOffset, -std::atan(80.0 / 208));
  for (int k = 0; k < 4; ++k) ExpectNear(r->GetCorners()[k], kCorners[k], 1);
}

TEST_F(RulerModel, PointerAngleQuadrantsAndOffset) {
  struct Case {
    int dx, dy;
    double expected;
  } cases[] = {{1, 1, kPi / 4},   {-1, 1, 3 * kPi / 4}, {-1, -1, 5 * kPi / 4},
               {1, -1, -kPi / 4}, {0, 5, kPi / 2},      {0, -5, -kPi / 2},
               {0, 0, -kPi / 2},  {-3, 0, kPi},         {4, 0, 0}};
  for (const auto& c : cases)
    EXPECT_NEAR(r->PointerAngle(c.dx, c.dy), c.expected, 1e-12) << c.dx << "," << c.dy;
  r->SetPivotMode(2);
  EXPECT_NEAR(r->PointerAngle(0, 0), -kPi / 2 - std::atan(80.0 / 208), 1e-12);
}

TEST_F(RulerModel, RotationDragAboutTheZeroKeepsTheGrabbedButtonUnderThePointer) {
  // Button 3's box centre is 178 px from the 0 graduation; the pointer goes there at 0.5 rad.
  r->ActiveButton = 3;
  r->RotationRef = 1.234;  // a drag about the zero ignores the reference
  r->FirstDelayPending = true;
  host.running = true;
  r->RotateToPointer(830, 679);
  EXPECT_EQ(r->PivotMode, 2);
  EXPECT_EQ(r->PivotScreen, (TPoint{674, 594}));
  EXPECT_NEAR(r->Angle, std::atan2(85.0, 156.0) - std::atan(80.0 / 208), 1e-12);
  EXPECT_EQ(r->ButtonAt(830, 679), 3);
  EXPECT_EQ(r->RotationRef, 0.0);
  EXPECT_TRUE(r->RotatedByDrag);
  EXPECT_FALSE(r->FirstDelayPending);
  EXPECT_FALSE(host.running);
  EXPECT_EQ(host.processed, 1);
}

TEST_F(RulerModel, MirroredRotationDragTurnsAboutTheOtherEnd) {
  r->Mirror();
  r->ActiveButton = 10;
  // 387 px from the mirrored 0 graduation (1200, 376), at 2 rad.
  r->RotateToPointer(1039, 728);
  EXPECT_EQ(r->PivotMode, 3);
  EXPECT_EQ(r->PivotScreen, (TPoint{1200, 376}));
  EXPECT_NEAR(r->Angle, std::atan2(-352.0, 161.0) + std::atan(80.0 / 512), 1e-12);
  EXPECT_EQ(r->ButtonAt(1039, 728), 10);
}

TEST_F(RulerModel, DragsAreIgnoredOnceTheButtonRepeats) {
  r->Repeating = true;
  r->ActiveButton = 3;
  r->RotateToPointer(830, 679);
  r->ActiveButton = 0;
  r->DragOffset = {0, 0};
  r->DragToPointer(100, 100);
  EXPECT_EQ(r->PivotMode, 1);
  EXPECT_DOUBLE_EQ(r->Angle, -kPi / 8);
  EXPECT_EQ(r->PivotScreen, (TPoint{960, 540}));
  EXPECT_FALSE(r->RotatedByDrag);
  EXPECT_FALSE(r->MovedByDrag);
}

TEST_F(RulerModel, RotationDragAboutTheDiscStartsFromThePresentAngle) {
  const TPoint c1 = r->ButtonCentre(1);
  r->RegleMouseDown(c1.x, c1.y);
  ASSERT_TRUE(r->RotatingByDrag);
  // The pointer goes 200 px from the disc, 0.2 rad further round than at the press.
  const double a0 = std::atan2(c1.y - 540.0, c1.x - 960.0);
  const int x = 960 + int(std::nearbyint(200 * std::cos(a0 + 0.2)));
  const int y = 540 + int(std::nearbyint(200 * std::sin(a0 + 0.2)));
  r->RegleMouseMove(x, y);
  EXPECT_EQ(r->PivotMode, 1);
  EXPECT_EQ(r->DiscScreen, (TPoint{960, 540}));
  EXPECT_NEAR(r->Angle, std::atan2(y - 540.0, x - 960.0) - a0 - kPi / 8, 1e-12);
  EXPECT_NEAR(r->Angle, -kPi / 8 + 0.2, 0.01);
}

TEST_F(RulerModel, DragToPointerFollowsWhatWasGrabbed) {
  // The body: carried freely.
  r->RegleMouseDown(960, 540);
  EXPECT_TRUE(r->Dragging);
  r->RegleMouseMove(990, 557);
  EXPECT_EQ(r->PivotScreen, (TPoint{990, 557}));
  EXPECT_EQ(r->DiscScreen, (TPoint{990, 557}));
  EXPECT_TRUE(r->MovedByDrag);
  r->RegleMouseUp(990, 557);
  EXPECT_FALSE(r->Dragging);

  // Button 6 moved by (40, 30): only the part along the axis, 25.5 px, is kept.
  r->PlaceAt({960, 540});
  TPoint c = r->ButtonCentre(6);
  r->RegleMouseDown(c.x, c.y);
  EXPECT_EQ(r->ActiveButton, 6);
  r->RegleMouseMove(c.x + 40, c.y + 30);
  EXPECT_EQ(r->PivotScreen, (TPoint{984, 530}));
  r->RegleMouseUp(c.x + 40, c.y + 30);

  // Button 8 by the same: only the part across, 43.0 px toward the back.
  r->PlaceAt({960, 540});
  c = r->ButtonCentre(8);
  r->RegleMouseDown(c.x, c.y);
  EXPECT_EQ(r->ActiveButton, 8);
  r->RegleMouseMove(c.x + 40, c.y + 30);
  EXPECT_EQ(r->PivotScreen, (TPoint{976, 580}));

  // Any other button stays where it is.
  r->PlaceAt({960, 540});
  r->ActiveButton = 11;
  r->DragToPointer(1500, 900);
  EXPECT_EQ(r->PivotScreen, (TPoint{960, 540}));
}

TEST_F(RulerModel, ExecuteButtonRunsEachAction) {
  int closes = 0, minimises = 0, moves = 0;
  r->OnCloseRequest = [&] { ++closes; };
  r->OnMinimizeRequest = [&] { ++minimises; };
  r->OnMoved = [&] { ++moves; };
  struct Case {
    int button, pivotMode;
    double angle;
    TPoint disc;
    int sign;
  } cases[] = {
      {1, 1, -kPi / 8 - 0.01, {960, 540}, 1}, {2, 1, -kPi / 8 + 0.01, {960, 540}, 1},
      {3, 2, -kPi / 8 - 0.01, {}, 1},         {10, 2, -kPi / 8 + 0.01, {}, 1},
      {6, 1, -kPi / 8, {965, 538}, 1},        {7, 1, -kPi / 8, {955, 542}, 1},
      {8, 1, -kPi / 8, {958, 535}, 1},        {9, 1, -kPi / 8, {962, 545}, 1},
      {11, 1, -kPi / 8, {960, 540}, -1},      {0, 1, -kPi / 8, {960, 540}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    SetUp();
    r->OnMoved = [&] { ++moves; };
    r->ActiveButton = uint8_t(c.button);
    r->ExecuteButton();
    EXPECT_EQ(r->PivotMode, c.pivotMode);
    EXPECT_NEAR(r->Angle, c.angle, 1e-12);
    EXPECT_EQ(r->MirrorSign, c.sign);
    if (c.pivotMode == 2)
      EXPECT_EQ(r->ZeroMark, (TPoint{674, 594}));  // turned about the 0 graduation
    else
      EXPECT_EQ(r->DiscScreen, c.disc);
  }
  EXPECT_EQ(moves, 4);
  EXPECT_TRUE(host.cursorMoves.empty());  // nothing highlighted

  SetUp();
  r->OnCloseRequest = [&] { ++closes; };
  r->OnMinimizeRequest = [&] { ++minimises; };
  r->ActiveButton = 4;
  r->ExecuteButton();
  EXPECT_EQ(closes, 1);
  r->ActiveButton = 5;
  r->SetHighlight(5);
  r->ExecuteButton();
  EXPECT_EQ(minimises, 1);
  EXPECT_EQ(r->ActiveButton, 0);
  EXPECT_EQ(r->HighlightButton, 0);
  EXPECT_TRUE(host.cursorMoves.empty());
}

TEST_F(RulerModel, ExecuteButtonKeepsThePointerOnTheMovedButton) {
  r->ActiveButton = 6;
  r->SetHighlight(6);
  r->ExecuteButton();
  // Anchor (799, 599) after the step; opposite corner 21, 15 further.
  EXPECT_EQ(r->ButtonScreen[6], (TPoint{799, 599}));
  EXPECT_THAT(host.cursorMoves, ::testing::ElementsAre(TPoint{809, 606}));
}

TEST_F(RulerModel, RegletHasItsZeroOnTheEnd) {
  host.options.Reglet = true;
  r->ApplyOptions();
  EXPECT_EQ(r->ZeroMargin, 0);
  EXPECT_EQ(r->LengthPx, 590);
  EXPECT_EQ(r->TickCount, 156);
  EXPECT_EQ(r->ZeroMark, r->GetCorners()[0]);
  EXPECT_EQ(r->ZeroMark, (TPoint{664, 597}));
  EXPECT_EQ(r->DiscScreen, (TPoint{960, 540}));
}

TEST_F(RulerModel, ApplyOptionsSizesTheRuler) {
  struct Case {
    std::optional<int32_t> cm, width;
    double ppc;
    int32_t zeroMargin, length, w, ticks;
    double digitScale, buttonScale;
  } cases[] = {
      {15, 80, 37.795, 19, 609, 80, 156, 0.8, 1.44},
      {std::nullopt, std::nullopt, 37.795, 19, 609, 80, 156, 0.8, 1.44},
      {10, 120, 37.795, 19, 420, 120, 106, 1.2, 2.16},
      {20, 60, 37.795, 19, 798, 60, 206, 0.6, 1.08},
      {15, 80, 56.693, 28, 912, 80, 156, 0.8, 1.44},  // 150 %
  };
  int applied = 0;
  r->OnOptionsApplied = [&] { ++applied; };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    host.options.LengthCm = c.cm;
    host.options.WidthPx = c.width;
    host.options.PixelsPerCm = c.ppc;
    r->ApplyOptions();
    EXPECT_EQ(r->ZeroMargin, c.zeroMargin);
    EXPECT_EQ(r->LengthPx, c.length);
    EXPECT_EQ(r->WidthPx, c.w);
    EXPECT_EQ(r->TickCount, c.ticks);
    EXPECT_DOUBLE_EQ(r->DigitScale, c.digitScale);
    EXPECT_DOUBLE_EQ(r->ButtonScale, c.buttonScale);
    EXPECT_EQ(r->DiscLocal, (TPoint{0, c.w / 4}));
    EXPECT_EQ(r->DiscScreen, (TPoint{960, 540}));  // laid out again around the disc
    EXPECT_EQ(r->ButtonLocal[7], (TPoint{-((3 * c.length) / 8), c.w / 6}));
  }
  EXPECT_EQ(applied, 5);
}

TEST_F(RulerModel, SizeSettersIgnoreRepeatsAndTooSmallValues) {
  r->SetLengthPx(100);
  EXPECT_EQ(r->LengthPx, 609);
  r->SetLengthPx(101);
  EXPECT_EQ(r->LengthPx, 101);
  r->SetWidthPx(10);
  EXPECT_EQ(r->WidthPx, 80);
  r->SetWidthPx(11);
  EXPECT_EQ(r->WidthPx, 11);
  r->SetWidthPx(200);
  EXPECT_DOUBLE_EQ(r->DigitScale, 1.6);
  EXPECT_DOUBLE_EQ(r->ButtonScale, 3.6);
  // A repeated value does not lay the buttons out again.
  r->ButtonLocal[1] = {1, 1};
  r->SetWidthPx(200);
  r->SetLengthPx(101);
  EXPECT_EQ(r->ButtonLocal[1], (TPoint{1, 1}));
}

TEST_F(RulerModel, ButtonTenOnTheCentreLineStillTurns) {
  // 3 * 331 div 8 = 124 = 3 * 22 + 2 * 29: button 10's anchor lies at x = 0.
  r->SetLengthPx(331);
  ASSERT_EQ(r->ButtonLocal[10].x, 0);
  r->SetPivotMode(2);
  EXPECT_DOUBLE_EQ(r->GrabAngleOffset, -kPi / 2);
  r->ActiveButton = 10;
  r->RotateToPointer(r->PivotScreen.x + 30, r->PivotScreen.y);
  EXPECT_DOUBLE_EQ(r->Angle, -kPi / 2);
  EXPECT_TRUE(std::isfinite(r->CosAngle));
}

TEST_F(RulerModel, ApplyOptionsCopiesTheChoices) {
  TRegleOptions o;
  o.ButtonShown.fill(false);
  o.ButtonShown[3] = true;
  o.Transparent = true;
  o.CmColor = 1;
  o.HalfCmColor = 2;
  o.MmColor = 3;
  o.BodyColor = 4;
  o.BackColor = 5;
  o.ShowCm = false;
  o.ShowMm = false;
  r->SetPivotMode(2);
  r->ApplyOptions(o);
  for (int i = 1; i <= 11; ++i) EXPECT_EQ(r->ButtonVisible[i], i == 3 || i == 4 || i == 5) << i;
  EXPECT_TRUE(r->Transparent);
  EXPECT_EQ(r->CmColor, 1u);
  EXPECT_EQ(r->HalfCmColor, 2u);
  EXPECT_EQ(r->MmColor, 3u);
  EXPECT_EQ(r->BodyColor, 4u);
  EXPECT_EQ(r->BackColor, 5u);
  EXPECT_FALSE(r->ShowCm);
  EXPECT_TRUE(r->ShowHalfCm);
  EXPECT_FALSE(r->ShowMm);
  EXPECT_EQ(r->PivotMode, 1);  // the pivot goes back to the disc, which stays put
  EXPECT_EQ(r->DiscScreen, (TPoint{960, 540}));
}

TEST_F(RulerModel, ApplyOptionsStepsAndSweep) {
  TRegleOptions o;
  o.RotationStep = 0.05;
  o.TranslationStep = 8;
  o.RepeatDelay = 500;
  o.RepeatInterval = 100;
  o.SweepInterval = 3000;
  o.Sweep = true;
  r->ApplyOptions(o);
  EXPECT_DOUBLE_EQ(r->RotationStep, 0.05);
  EXPECT_EQ(r->TranslationStep, 8);
  EXPECT_EQ(r->RepeatDelay, 500);
  EXPECT_EQ(r->RepeatInterval, 100);
  EXPECT_EQ(r->SweepInterval, 3000);
  EXPECT_EQ(r->SweepState, 0);
  EXPECT_TRUE(host.running);
  EXPECT_EQ(host.interval, 3000);

  // One unreadable field: all five back to their initial values, the sweep left as it was.
  o.Sweep = false;
  o.RepeatInterval.reset();
  r->ApplyOptions(o);
  EXPECT_DOUBLE_EQ(r->RotationStep, 0.01);
  EXPECT_EQ(r->TranslationStep, 5);
  EXPECT_EQ(r->RepeatDelay, 1000);
  EXPECT_EQ(r->RepeatInterval, 200);
  EXPECT_EQ(r->SweepInterval, 2000);
  EXPECT_EQ(r->SweepState, 0);

  o.RepeatInterval = 100;
  r->ApplyOptions(o);
  EXPECT_EQ(r->SweepState, 2);
  EXPECT_FALSE(host.running);
}

TEST_F(RulerModel, SetPencilPosRepaintsAroundTheOldAndTheNewPlace) {
  platform::Surface surface(1920, 1080, 0xF5F5F5);
  r->setBounds(0, 0, 1920, 1080);
  r->setParent(&surface);
  surface.render();
  r->SetPencilPos({400, 300});
  EXPECT_EQ(r->PencilPos, (TPoint{400, 300}));
  EXPECT_THAT(surface.pendingRects(),
              ::testing::UnorderedElementsAre(TRect{0, 0, 50, 50}, TRect{350, 250, 450, 350}));
  surface.render();
  r->SetPencilPos({400, 300});
  EXPECT_FALSE(surface.hasPendingRepaint());
  r->setParent(nullptr);
}

TEST_F(RulerModel, HeldButtonRepeatsAfterTheFirstDelay) {
  const TPoint c = r->ButtonCentre(6);
  r->RegleMouseDown(c.x, c.y);
  EXPECT_TRUE(host.running);
  EXPECT_EQ(host.interval, 1000);
  EXPECT_EQ(r->PivotScreen, (TPoint{960, 540}));  // nothing at the press
  r->TimerTempo();                                // 1.0 s: the first delay ends
  EXPECT_EQ(host.interval, 200);
  EXPECT_EQ(r->PivotScreen, (TPoint{960, 540}));
  r->TimerTempo();  // 1.2 s
  r->TimerTempo();  // 1.4 s
  EXPECT_EQ(r->PivotScreen, (TPoint{970, 536}));
  r->RegleMouseMove(c.x + 3, c.y);  // a drag after the repeat started is ignored
  EXPECT_EQ(r->PivotScreen, (TPoint{970, 536}));
  const TPoint now = r->ButtonCentre(6);
  r->RegleMouseUp(now.x, now.y);  // one more on release
  EXPECT_EQ(r->PivotScreen, (TPoint{975, 534}));
  EXPECT_FALSE(host.running);
  EXPECT_EQ(r->ActiveButton, 0);
}

TEST_F(RulerModel, ClickPerformsOnReleaseUnlessDragged) {
  int moved = 0;
  r->OnMoved = [&] { ++moved; };
  TPoint c = r->ButtonCentre(11);
  r->RegleMouseDown(c.x, c.y);
  r->RegleMouseUp(c.x, c.y);
  EXPECT_EQ(r->MirrorSign, -1);
  EXPECT_EQ(moved, 1);

  c = r->ButtonCentre(6);
  r->RegleMouseDown(c.x, c.y);
  r->RegleMouseMove(c.x, c.y);  // a drag step of zero length
  r->RegleMouseUp(c.x, c.y);
  EXPECT_EQ(r->PivotScreen, (TPoint{960, 540}));
  EXPECT_FALSE(r->MovedByDrag);

  // Hover highlights the button under the pointer.
  c = r->ButtonCentre(2);
  r->RegleMouseMove(c.x, c.y);
  EXPECT_EQ(r->HighlightButton, 2);
  EXPECT_TRUE(host.hand);
  r->RegleMouseMove(100, 100);
  EXPECT_EQ(r->HighlightButton, 0);
  EXPECT_FALSE(host.hand);
}

TEST_F(RulerModel, SweepVisitsVisibleButtonsInOrder) {
  TRegleOptions o;
  o.ButtonShown[9] = false;
  o.ButtonShown[1] = false;
  o.Sweep = true;
  r->ApplyOptions(o);
  ASSERT_EQ(r->SweepState, 0);
  const int order[] = {7, 6, 8, 3, 10, 2, 11, 5, 4, 7};
  for (int expected : order) {
    r->TimerTempo();
    EXPECT_EQ(r->HighlightButton, expected);
    EXPECT_EQ(r->ActiveButton, expected);
    EXPECT_EQ(host.cursorMoves.back(), r->ButtonCentre(expected));
  }
  // A press performs the framed button at once; the release puts the sweep period back.
  host.cursorMoves.clear();
  const TPoint c = r->ButtonCentre(11);
  r->RegleMouseDown(c.x, c.y);
  EXPECT_EQ(r->MirrorSign, -1);
  r->RegleMouseMove(c.x + 50, c.y);  // moves do nothing while sweeping
  EXPECT_EQ(r->PivotScreen, (TPoint{960, 540}));
  r->RegleMouseUp(c.x, c.y);
  EXPECT_EQ(r->MirrorSign, -1);
  EXPECT_EQ(host.interval, 2000);
  EXPECT_TRUE(host.running);
}
