// The coordinate frame: drawing at 96 pixels per inch (1 mm = 3.7795276 pixels, a 10 mm step
// 37.795276), the tie to the grid, the record, the dialog and the origin-placing banner.
// Expected coordinates are worked out by hand from those numbers; expected pictures are drawn
// from those coordinates with plain canvas strokes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Streams.h"
#include "sheet/overlays/UDlgRepere.h"
#include "sheet/overlays/URepere.h"
#include "sheet/overlays/UcentreRep.h"
#include "tests/support/Bytes.h"

using platform::Bitmap;
using platform::Canvas;
using platform::clWhite;
using platform::MemoryStream;
using platform::StreamError;
using platform::TColor;
using platform::TPoint;
using platform::TRect;

namespace {

constexpr TColor kBlue = platform::rgb(0, 0, 255);

TGridSettings Area(std::string ox, std::string oy, std::string w, std::string h) {
  TGridSettings g;
  g.OriginX = std::move(ox);
  g.OriginY = std::move(oy);
  g.Width = std::move(w);
  g.Height = std::move(h);
  return g;
}

std::vector<int> InkX(const Bitmap& b, int y, int fromX = 0, int toX = INT_MAX) {
  std::vector<int> xs;
  for (int x = std::max(0, fromX); x < std::min(b.width(), toX); ++x)
    if (b.pixel(x, y) != clWhite) xs.push_back(x);
  return xs;
}
std::vector<int> InkY(const Bitmap& b, int x) {
  std::vector<int> ys;
  for (int y = 0; y < b.height(); ++y)
    if (b.pixel(x, y) != clWhite) ys.push_back(y);
  return ys;
}
// The columns a pen `w` wide covers on line x: x - w/2 to x - w/2 + w - 1, within the bitmap.
std::vector<int> PenColumns(const std::vector<int>& lines, int w) {
  std::vector<int> cols;
  for (int x : lines)
    for (int c = x - w / 2; c < x - w / 2 + w; ++c)
      if (c >= 0) cols.push_back(c);
  std::sort(cols.begin(), cols.end());
  return cols;
}
TRect InkBounds(const Bitmap& b, const TRect& window) {
  TRect r{window.Right, window.Bottom, window.Left, window.Top};
  for (int y = window.Top; y < window.Bottom; ++y)
    for (int x = window.Left; x < window.Right; ++x)
      if (b.pixel(x, y) != clWhite) {
        r.Left = std::min(r.Left, x);
        r.Top = std::min(r.Top, y);
        r.Right = std::max(r.Right, x + 1);
        r.Bottom = std::max(r.Bottom, y + 1);
      }
  return r;
}

// The frame as hand-placed strokes: two axes, two arrowheads (three points each) and ticks.
struct FramePicture {
  int width, height;
  TColor colour;
  int pen;
  TPoint hFrom, hTo, vFrom, vTo;
  std::vector<TPoint> hArrow, vArrow;
  int x0, y0, t;
  std::vector<int> hTicks, vTicks;  // x of the horizontal axis's ticks, y of the vertical's
};

Bitmap Draw(const FramePicture& p) {
  Bitmap b(p.width, p.height);
  Canvas c(b);
  c.setPenColor(p.colour);
  c.setPenWidth(p.pen);
  auto stroke = [&](const std::vector<TPoint>& pts) {
    c.moveTo(pts[0].x, pts[0].y);
    for (size_t i = 1; i < pts.size(); ++i) c.lineTo(pts[i].x, pts[i].y);
  };
  stroke({p.vFrom, p.vTo});
  stroke(p.vArrow);
  for (int y : p.vTicks) stroke({{p.x0 - p.t - 1, y}, {p.x0 + p.t, y}});
  stroke({p.hFrom, p.hTo});
  stroke(p.hArrow);
  for (int x : p.hTicks) stroke({{x, p.y0 - p.t - 1}, {x, p.y0 + p.t}});
  return b;
}

int CountDifferences(const Bitmap& got, const Bitmap& want) {
  int wrong = 0;
  for (int y = 0; y < want.height(); ++y)
    for (int x = 0; x < want.width(); ++x)
      if (got.pixel(x, y) != want.pixel(x, y) && ++wrong <= 5)
        ADD_FAILURE() << "pixel " << x << ',' << y << ": " << std::hex << got.pixel(x, y)
                      << " instead of " << want.pixel(x, y);
  return wrong;
}

TFrameEnv NoGrid() {
  return TFrameEnv{};
}

}  // namespace

// ---- drawing ----

TEST(DrawFrame, NewFrameOnPortraitPageAtFirstPaint) {
  // Page 794 x 1123: origin (397, 561); a = 794 div 60 = 13, b = 794 div 30 = 26,
  // t = Nearest(5.29) = 5; pen Nearest(2) = 2.
  TFrameSettings f;
  Bitmap b(794, 1123);
  Canvas canvas(b);
  DrawFrame(canvas, f, NoGrid(), {0, 0, 794, 1123}, 1);
  EXPECT_EQ(f.Origin, (TPoint{397, 561}));

  // Ticks at 397 ± k·37.795 while the one before lies short of the edge by more than
  // Nearest(37.795) = 38: rightwards up to 774.95 (737.16 < 756), leftwards down to 19.04
  // (56.85 > 38); down to 1090.13 (1052.34 < 1085), up to 31.87 (69.67 > 38).
  const FramePicture want{
      794,
      1123,
      platform::clBlack,
      2,
      {0, 561},
      {794, 561},
      {397, 0},
      {397, 1123},
      {{768, 548}, {794, 561}, {768, 574}},
      {{384, 26}, {397, 0}, {410, 26}},
      397,
      561,
      5,
      {19,  57,  95,  132, 170, 208, 246, 284, 321, 359,
       435, 473, 510, 548, 586, 624, 662, 699, 737, 775},
      {32,  70,  107, 145, 183, 221, 259, 296, 334, 372, 410, 448,  485,  523,
       599, 637, 674, 712, 750, 788, 826, 863, 901, 939, 977, 1015, 1052, 1090},
  };
  EXPECT_EQ(CountDifferences(b, Draw(want)), 0);

  // Independently of the strokes above: row 557 crosses every tick of the horizontal axis
  // (rows 555 to 566) and the vertical axis, each two pixels wide, left of the arrowhead.
  std::vector<int> lines = want.hTicks;
  lines.push_back(397);
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(InkX(b, 557, 0, 780), PenColumns(lines, 2));
  // The arrowheads reach 26 pixels back from the tips and 13 to the side: their ends lie at
  // x 768 and y 548 (the pen adds one pixel up and left), and at y 26 for the vertical one.
  const TRect hArrow = InkBounds(b, {740, 530, 794, 553});
  EXPECT_EQ(hArrow.Left, 767);
  EXPECT_EQ(hArrow.Top, 547);
  const TRect vArrow = InkBounds(b, {360, 0, 395, 30});
  EXPECT_EQ(vArrow.Left, 383);
  EXPECT_EQ(vArrow.Bottom, 27);
}

TEST(DrawFrame, ScaleTwoArrowsLeftAndDown) {
  // Rect 300 x 240 at scale 2: pen 4, a = Nearest(2·5) = 10, b = 20, t = Nearest(4) = 4,
  // origin (100, 90) -> (200, 180). Steps 7 mm -> 52.913, 12 mm -> 90.709.
  TFrameSettings f;
  f.Origin = {100, 90};
  f.XDirection = 0;
  f.YDirection = 0;
  f.SpacingX = 7;
  f.SpacingY = 12;
  f.ColourIndex = 12;  // bleu
  Bitmap b(600, 480);
  Canvas canvas(b);
  DrawFrame(canvas, f, NoGrid(), {0, 0, 300, 240}, 2);
  EXPECT_EQ(f.Origin, (TPoint{100, 90}));

  const FramePicture want{
      600,
      480,
      kBlue,
      4,
      {0, 180},
      {600, 180},
      {200, 0},
      {200, 480},
      {{20, 170}, {0, 180}, {20, 190}},
      {{190, 460}, {200, 480}, {210, 460}},
      200,
      180,
      4,
      // Right: to 570.39 (517.48 < 547). Left: to 41.26 (94.17 > 53).
      {41, 94, 147, 253, 306, 359, 412, 465, 517, 570},
      // Down: to 452.13 (361.42 < 389). Up: 89.29 only (180 > 91, 89.29 < 91).
      {89, 271, 361, 452},
  };
  EXPECT_EQ(CountDifferences(b, Draw(want)), 0);
  EXPECT_EQ(b.pixel(306, 177), kBlue);
  // Row 177 lies within the ticks (175 to 184) and above the axis (178 to 181).
  std::vector<int> lines = want.hTicks;
  lines.push_back(200);
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(InkX(b, 177, 30), PenColumns(lines, 4));
}

TEST(DrawFrame, HalfScaleRoundsHalvesToEven) {
  // Scale 0.5 of the portrait page: origin 198.5 -> 198 and 280.5 -> 280, half-width
  // Nearest(6.5) = 6, length 13, t = Nearest(2.65) = 3, pen Nearest(1) = 1; steps 18.898.
  TFrameSettings f;
  Bitmap b(397, 562);
  Canvas canvas(b);
  DrawFrame(canvas, f, NoGrid(), {0, 0, 794, 1123}, 0.5);
  EXPECT_EQ(f.Origin, (TPoint{397, 561}));
  const FramePicture want{
      397,
      562,
      platform::clBlack,
      1,
      {0, 280},
      {397, 280},
      {198, 0},
      {198, 562},
      {{384, 274}, {397, 280}, {384, 286}},
      {{192, 13}, {198, 0}, {204, 13}},
      198,
      280,
      3,
      {10,  28,  47,  66,  85,  104, 123, 142, 161, 180,
       217, 236, 255, 274, 293, 312, 331, 350, 369, 387},
      {16,  35,  54,  73,  92,  110, 129, 148, 167, 186, 205, 224, 243, 262,
       299, 318, 337, 356, 375, 394, 413, 432, 451, 469, 488, 507, 526, 545},
  };
  EXPECT_EQ(CountDifferences(b, Draw(want)), 0);
  // One pixel wide: row 277 (ticks over 276 to 282, none at the origin) meets each tick once.
  std::vector<int> lines = want.hTicks;
  lines.push_back(198);
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(InkX(b, 277, 0, 388), PenColumns(lines, 1));
}

TEST(DrawFrame, TicksStopAtTheRectangleEdges) {
  // At 127 pixels per inch a 10 mm step is exactly 50 pixels, so the loops' bounds are met
  // exactly. Rect 50 .. 250 (a = 3, b = 6, t = 1), axis on row 50; g = 50, h = 250.
  struct Case {
    int originX;
    std::vector<int> ticks;
  };
  const Case cases[] = {
      // From 0: 50, 100, 150, 200 while the one before lies below h - g = 200; none on 250.
      {0, {50, 100, 150, 200}},
      // From -20: 30 lies before the rect and is left out; 230 follows 180 < 200.
      {-20, {80, 130, 180, 230}},
      // From 300, leftwards while above g + L = 100: 250 (on the edge, h >= 250), 200, 150, 100.
      {300, {100, 150, 200, 250}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.originX);
    TFrameSettings f;
    f.Origin = {c.originX, 50};
    TFrameEnv env;
    env.Ppi = 127;
    Bitmap b(320, 100);
    Canvas canvas(b);
    DrawFrame(canvas, f, env, {50, 0, 250, 100}, 1);
    // The vertical axis has no ticks: from 50 no step fits between 0 + 50 and 100 - 50.
    const int x0 = c.originX;
    const FramePicture want{320,
                            100,
                            platform::clBlack,
                            2,
                            {50, 50},
                            {250, 50},
                            {x0, 0},
                            {x0, 100},
                            {{244, 47}, {250, 50}, {244, 53}},
                            {{x0 - 3, 6}, {x0, 0}, {x0 + 3, 6}},
                            x0,
                            50,
                            1,
                            c.ticks,
                            {}};
    EXPECT_EQ(CountDifferences(b, Draw(want)), 0);
  }
}

TEST(DrawFrame, OriginFarOffStillTicksAtWholeSteps) {
  // Origin 100000 pixels left of a 400 x 100 rect: the vertical axis is out of sight and the
  // horizontal ticks continue at -100000 + k·37.795 across the rect, from 6.06 to 384.36.
  TFrameSettings f;
  f.Origin = {-100000, 50};
  Bitmap b(400, 100);
  Canvas canvas(b);
  DrawFrame(canvas, f, NoGrid(), {0, 0, 400, 100}, 1);
  // t = Nearest(2.67) = 3: ticks run over rows 46 to 53; the axis covers 49 and 50.
  EXPECT_EQ(InkX(b, 46, 0, 380), PenColumns({6, 44, 82, 120, 157, 195, 233, 271, 309, 346}, 2));
  EXPECT_EQ(InkBounds(b, {0, 0, 400, 100}), (TRect{0, 43, 400, 57}));

  // At the ends of the 32-bit range the ticks keep their even steps.
  for (int x : {INT_MAX, INT_MIN}) {
    SCOPED_TRACE(x);
    Bitmap far(400, 100);
    Canvas c(far);
    TFrameSettings g;
    g.Origin = {x, 50};
    DrawFrame(c, g, NoGrid(), {0, 0, 400, 100}, 1);
    const std::vector<int> row = InkX(far, 46, 0, 380);
    ASSERT_GE(row.size(), 16u);
    for (size_t i = 2; i < row.size(); i += 2) {
      const int gap = row[i] - row[i - 2];
      EXPECT_TRUE(gap == 37 || gap == 38) << row[i];
    }
  }
}

TEST(DrawFrame, PartialRepaintDrawsTheSamePixels) {
  struct Case {
    TPoint origin;
    TRect clip;
  };
  // Clips that start just past an axis still get the parts of its ticks and arrowhead that
  // reach into them.
  for (const Case& c :
       {Case{{397, 561}, {500, 300, 700, 700}}, Case{{397, 561}, {0, 540, 794, 580}},
        Case{{397, 561}, {398, 0, 794, 1123}}, Case{{397, 561}, {0, 562, 794, 1123}},
        Case{{-100000, 50}, {150, 0, 260, 100}}, Case{{5000, 600}, {300, 0, 794, 1123}}}) {
    SCOPED_TRACE(testing::Message() << c.origin.x << ',' << c.origin.y << " clip " << c.clip.Left
                                    << ',' << c.clip.Top);
    Bitmap whole(794, 1123), part(794, 1123);
    TFrameSettings f1, f2;
    f1.Origin = f2.Origin = c.origin;
    Canvas all(whole), some(part, {0, 0}, c.clip);
    DrawFrame(all, f1, NoGrid(), {0, 0, 794, 1123}, 1);
    DrawFrame(some, f2, NoGrid(), {0, 0, 794, 1123}, 1);
    int wrong = 0;
    for (int y = 0; y < 1123; ++y)
      for (int x = 0; x < 794; ++x) {
        const TColor want = c.clip.contains(x, y) ? whole.pixel(x, y) : clWhite;
        if (part.pixel(x, y) != want && ++wrong <= 5) ADD_FAILURE() << x << ',' << y;
      }
    EXPECT_EQ(wrong, 0);
  }
}

TEST(DrawFrame, LeavesThePenAsItFoundIt) {
  Bitmap b(100, 100);
  Canvas canvas(b);
  canvas.setPenColor(kBlue);
  canvas.setPenWidth(3);
  canvas.setPenMode(platform::PenMode::Xor);
  TFrameSettings f;
  DrawFrame(canvas, f, NoGrid(), {0, 0, 100, 100}, 1);
  EXPECT_EQ(canvas.penColor(), kBlue);
  EXPECT_EQ(canvas.penWidth(), 3);
  EXPECT_EQ(canvas.penMode(), platform::PenMode::Xor);
  // Drawn in copy mode whatever the canvas had: black on white, not XOR.
  EXPECT_EQ(b.pixel(50, 20), platform::clBlack);
}

// ---- the tie to the grid ----

TEST(FrameTie, GridFiftyMillimetresWideAtTheLeft) {
  TFrameEnv env;
  env.GridShown = true;
  env.Grid = Area("0", "0", "50", "297");  // 0 .. 188.98 -> 189 pixels wide
  TFrameSettings f;
  SetOrigin(f, {397, 561});
  const TRect rect = FrameRectOnLayer(f, env, 794, 1123);
  EXPECT_EQ(rect, (TRect{0, 0, 189, 1123}));
  Bitmap b(794, 1123);
  Canvas canvas(b);
  DrawFrame(canvas, f, env, rect, 1);
  // 397 / 37.795 = 10.50 -> 11 -> 415.75; 561 / 37.795 = 14.84 -> 15 -> 566.93.
  EXPECT_EQ(f.Origin, (TPoint{416, 567}));
  // 416 lies right of the area: no vertical axis. The horizontal one spans the area with
  // an arrowhead 6 long and 3 wide (189 div 30, div 60) and ticks one pixel each side,
  // leftwards from 416 at 151.43, 113.64, 75.84, 38.05 and 0.25.
  EXPECT_TRUE(InkY(b, 415).empty());
  EXPECT_TRUE(InkY(b, 416).empty());
  EXPECT_EQ(InkBounds(b, {0, 0, 794, 1123}), (TRect{0, 563, 190, 571}));
  EXPECT_EQ(InkX(b, 564, 0, 180), PenColumns({0, 38, 76, 114, 151}, 2));

  // Nearer the area's left the origin snaps to the line at 113.39 and both axes show.
  SetOrigin(f, {100, 561});
  Bitmap b2(794, 1123);
  Canvas c2(b2);
  DrawFrame(c2, f, env, rect, 1);
  EXPECT_EQ(f.Origin, (TPoint{113, 567}));
  EXPECT_EQ(InkY(b2, 113).size(), 1123u);

  // Untied, or with the grid hidden, the frame keeps its origin and uses the whole layer.
  for (auto [shown, tied] : {std::pair{false, true}, std::pair{true, false}}) {
    TFrameEnv e = env;
    e.GridShown = shown;
    TFrameSettings g;
    g.LinkToGrid = tied;
    SetOrigin(g, {397, 561});
    EXPECT_EQ(FrameRectOnLayer(g, e, 794, 1123), (TRect{0, 0, 794, 1123}));
    Bitmap b3(794, 1123);
    Canvas c3(b3);
    DrawFrame(c3, g, e, {0, 0, 794, 1123}, 1);
    EXPECT_EQ(g.Origin, (TPoint{397, 561}));
    EXPECT_EQ(InkY(b3, 397).size(), 1123u);
  }
}

TEST(FrameTie, SnapToTheNearestIntersection) {
  struct Case {
    const char* what;
    TGridSettings grid;
    int spacingX, spacingY;
    bool shown, tied;
    TPoint from, to;
  };
  // At 127 pixels per inch 1 mm is 5 pixels: grid corner 3 mm = 15, steps 10 mm = 50 and
  // 7 mm = 35.
  const TGridSettings g = Area("3", "3", "100", "100");
  const Case cases[] = {
      {"plain", g, 10, 7, true, true, {75, 60}, {65, 50}},
      // (90 - 15) / 50 = 1.5 -> 2, (140 - 15) / 50 = 2.5 -> 2: halves go to even.
      {"halves", g, 10, 7, true, true, {90, 32}, {115, 15}},
      {"halves up", g, 10, 7, true, true, {140, 33}, {115, 50}},
      {"left of the corner", g, 10, 7, true, true, {-30, -40}, {-35, -55}},
      // An unreadable area counts from the page's corner: 90 / 50 = 1.8, 33 / 35 = 0.94.
      {"area unreadable", Area("3", "3", "abc", "100"), 10, 7, true, true, {90, 33}, {100, 35}},
      {"grid hidden", g, 10, 7, false, true, {90, 32}, {90, 32}},
      {"not tied", g, 10, 7, true, false, {90, 32}, {90, 32}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TFrameEnv env;
    env.Ppi = 127;
    env.GridShown = c.shown;
    env.Grid = c.grid;
    env.Grid.SpacingX = c.spacingX;
    env.Grid.SpacingY = c.spacingY;
    TFrameSettings f;
    f.LinkToGrid = c.tied;
    f.SpacingX = 3;  // the frame's own spacings play no part
    f.SpacingY = 49;
    f.Origin = c.from;
    SnapOriginToGrid(f, env);
    EXPECT_EQ(f.Origin, c.to);
  }
}

// ---- colour, reset, preview ----

TEST(FrameSettings, ColourAndReset) {
  struct Case {
    int index;
    TColor colour;
  };
  for (const Case& c : {Case{0, platform::clBlack}, Case{1, 0x000080}, Case{12, kBlue},
                        Case{15, clWhite}, Case{-1, platform::clRed}, Case{16, platform::clRed}}) {
    TFrameSettings f;
    f.ColourIndex = c.index;
    EXPECT_EQ(FrameColor(f), c.colour) << c.index;
  }
  TFrameSettings f{3, 4, 9, false, {12, 34}, 0, 0};
  ResetFrame(f);
  EXPECT_EQ(f, (TFrameSettings{10, 10, 0, true, {-1000, -1000}, 1, 1}));
  EXPECT_FALSE(FrameShown);
}

TEST(FramePreview, ArrowsFollowTheDirections) {
  struct Case {
    uint8_t xd, yd;
    std::vector<TPoint> ends, absent;  // stroke ends of the two arrowheads, and their mirrors
  };
  // Half-width 80 div 20 = 4, length 80 div 10 = 8, on row and column 40. Each arrowhead is
  // drawn from its first end through the tip to its second, whose own pixel line-to leaves
  // out: an end counts as reached when it or a neighbour is inked.
  const std::vector<TPoint> right{{72, 36}, {72, 44}}, left{{8, 36}, {8, 44}},
      top{{36, 8}, {44, 8}}, bottom{{36, 72}, {44, 72}};
  auto join = [](std::vector<TPoint> a, const std::vector<TPoint>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  auto inkAround = [](const Bitmap& b, TPoint p) {
    int n = 0;
    for (int y = p.y - 1; y <= p.y + 1; ++y)
      for (int x = p.x - 1; x <= p.x + 1; ++x) n += b.pixel(x, y) != clWhite;
    return n;
  };
  for (const Case& c : {Case{1, 1, join(right, top), join(left, bottom)},
                        Case{0, 0, join(left, bottom), join(right, top)},
                        Case{1, 0, join(right, bottom), join(left, top)},
                        Case{0, 1, join(left, top), join(right, bottom)}}) {
    SCOPED_TRACE(testing::Message() << int(c.xd) << int(c.yd));
    Bitmap b(80, 80);
    Canvas canvas(b);
    TFrameSettings f;
    f.XDirection = c.xd;
    f.YDirection = c.yd;
    f.ColourIndex = 2;  // vert
    DrawPreview(canvas, f);
    EXPECT_EQ(b.pixel(c.ends[0].x, c.ends[0].y), platform::rgb(0, 128, 0));
    EXPECT_EQ(b.pixel(c.ends[2].x, c.ends[2].y), platform::rgb(0, 128, 0));
    for (TPoint p : c.ends) EXPECT_GT(inkAround(b, p), 0) << p.x << ',' << p.y;
    for (TPoint p : c.absent) EXPECT_EQ(inkAround(b, p), 0) << p.x << ',' << p.y;
    EXPECT_EQ(InkY(b, 40).size(), 80u);
    EXPECT_EQ(InkX(b, 40).size(), 80u);
    EXPECT_EQ(canvas.penWidth(), 1);
  }
}

TEST(FramePreview, PressPicksTheQuarter) {
  struct Case {
    int x, y;
    bool inside;
    uint8_t xd, yd;
  };
  for (const Case& c : {Case{41, 39, true, 1, 1}, Case{20, 60, true, 0, 0},
                        Case{79, 79, true, 1, 0}, Case{1, 1, true, 0, 1}, Case{40, 40, true, 0, 0},
                        // Strictly inside only: the edges and beyond change nothing.
                        Case{0, 10, false, 7, 7}, Case{10, 80, false, 7, 7},
                        Case{-5, 10, false, 7, 7}, Case{90, 10, false, 7, 7}}) {
    TFrameSettings f;
    f.XDirection = f.YDirection = 7;
    EXPECT_EQ(PressOnPreview(f, c.x, c.y), c.inside) << c.x << ',' << c.y;
    EXPECT_EQ(f.XDirection, c.xd) << c.x << ',' << c.y;
    EXPECT_EQ(f.YDirection, c.yd) << c.x << ',' << c.y;
  }
}

// ---- the record ----

namespace {

Bytes V3(int32_t sx, int32_t sy, int32_t colour, uint8_t tie, int32_t ox, int32_t oy, uint8_t xd,
         uint8_t yd, uint16_t version = 3) {
  return Bytes().u16(version).i32(sx).i32(sy).i32(colour).u8(tie).i32(ox).i32(oy).u8(xd).u8(yd);
}

}  // namespace

TEST(FrameRecord, EveryVersionReadAndWrittenBack) {
  // What the dialog held before the read: older records leave the rest of it alone.
  const TFrameSettings before{10, 10, 0, false, {12, -34}, 0, 1};
  struct Case {
    const char* what;
    Bytes record;
    TFrameSettings read;
    Bytes written;
  };
  const Case cases[] = {
      {"version 0",
       Bytes().u16(0).i32(5).i32(25).i32(9),
       {5, 25, 9, false, {12, -34}, 0, 1},
       V3(5, 25, 9, 0, 12, -34, 0, 1)},
      {"version 1",
       Bytes().u16(1).i32(50).i32(1).i32(15),
       {50, 1, 15, false, {12, -34}, 0, 1},
       V3(50, 1, 15, 0, 12, -34, 0, 1)},
      {"version 2",
       Bytes().u16(2).i32(7).i32(8).i32(4).u8(1),
       {7, 8, 4, true, {12, -34}, 0, 1},
       V3(7, 8, 4, 1, 12, -34, 0, 1)},
      {"version 3",
       V3(7, 8, 4, 1, 397, 561, 1, 0),
       {7, 8, 4, true, {397, 561}, 1, 0},
       V3(7, 8, 4, 1, 397, 561, 1, 0)},
      {"unplaced origin",
       V3(10, 10, 0, 0, -1000, -1000, 1, 1),
       {10, 10, 0, false, {-1000, -1000}, 1, 1},
       V3(10, 10, 0, 0, -1000, -1000, 1, 1)},
      // Bytes that no dialog writes: out-of-range spacings and colour as the controls would
      // hold them; any non-zero tie is on; directions kept as they came.
      {"out of range",
       V3(0, 99, 16, 7, INT_MIN, INT_MAX, 2, 255),
       {1, 50, -1, true, {INT_MIN, INT_MAX}, 2, 255},
       V3(1, 50, -1, 1, INT_MIN, INT_MAX, 2, 255)},
      {"colour none",
       V3(10, 10, -1, 1, 0, 0, 1, 1),
       {10, 10, -1, true, {0, 0}, 1, 1},
       V3(10, 10, -1, 1, 0, 0, 1, 1)},
      {"later version",
       V3(3, 4, 5, 1, 6, 7, 0, 0, 4),
       {3, 4, 5, true, {6, 7}, 0, 0},
       V3(3, 4, 5, 1, 6, 7, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryStream in(c.record.b);
    TFrameSettings f = before;
    ReadFrameRecord(in, f);
    EXPECT_EQ(f, c.read);
    EXPECT_EQ(in.position(), c.record.b.size());
    MemoryStream out;
    WriteFrameRecord(out, f);
    EXPECT_EQ(out.bytes(), c.written.b);
  }
  // The writer on the defaults, against the table.
  MemoryStream out;
  WriteFrameRecord(out, TFrameSettings{});
  EXPECT_EQ(out.bytes(), V3(10, 10, 0, 1, -1000, -1000, 1, 1).b);
  EXPECT_EQ(out.bytes().size(), 25u);
}

TEST(FrameRecord, EveryCutThrowsAndChangesNothing) {
  const TFrameSettings before{9, 8, 7, false, {1, 2}, 0, 0};
  for (const Bytes& record :
       {Bytes().u16(0).i32(5).i32(25).i32(9), Bytes().u16(1).i32(5).i32(25).i32(9),
        Bytes().u16(2).i32(7).i32(8).i32(4).u8(1), V3(7, 8, 4, 1, 397, 561, 1, 0)}) {
    for (size_t n = 0; n < record.b.size(); ++n) {
      SCOPED_TRACE(testing::Message() << "version " << int(record.b[0]) << ", " << n << " bytes");
      MemoryStream in(std::vector<uint8_t>(record.b.begin(), record.b.begin() + std::ptrdiff_t(n)));
      TFrameSettings f = before;
      EXPECT_THROW(ReadFrameRecord(in, f), StreamError);
      EXPECT_EQ(f, before);
    }
  }
}

// ---- the dialog ----

namespace {

bool HasLabel(const QWidget& w, const char* text) {
  for (const QLabel* l : w.findChildren<QLabel*>())
    if (l->text() == QString::fromUtf8(text)) return true;
  return false;
}

}  // namespace

TEST(FrameDialog, ControlsStartAtTheirDefaults) {
  TDlgRepere d;
  EXPECT_EQ(d.windowTitle(), "Options repere");
  EXPECT_EQ(d.Settings(), TFrameSettings{});
  EXPECT_EQ(d.chbLienRepGrille->text(), QString::fromUtf8("Lier le repère à la grille"));
  EXPECT_TRUE(d.chbLienRepGrille->isChecked());
  for (const QSpinBox* s : {d.SpinEdit1, d.SpinEdit2}) {
    EXPECT_EQ(s->minimum(), 1);
    EXPECT_EQ(s->maximum(), 50);
    EXPECT_EQ(s->value(), 10);
  }
  ASSERT_EQ(d.CBBCouleur->count(), 16);
  EXPECT_EQ(d.CBBCouleur->currentText(), "noir");
  EXPECT_EQ(d.CBBCouleur->itemText(15), "blanc");
  EXPECT_EQ(d.FrameColor(), platform::clBlack);
  d.CBBCouleur->setCurrentIndex(-1);
  EXPECT_EQ(d.FrameColor(), platform::clRed);
  EXPECT_EQ(d.Preview.width(), 80);
  EXPECT_EQ(d.Preview.height(), 80);
  for (const char* label : {"Graduation horizontale :", "Graduation verticale :", "Couleur : ",
                            "Orientation :", "Pour modifier l'orientation cliquer sur le panneau"})
    EXPECT_TRUE(HasLabel(d, label)) << label;

  d.SpinEdit1->setValue(4);
  d.CBBCouleur->setCurrentIndex(5);
  d.chbLienRepGrille->setChecked(false);
  d.SetOrigin({5, 6});
  d.XDirection = 0;
  EXPECT_EQ(d.Settings(), (TFrameSettings{4, 10, 5, false, {5, 6}, 0, 1}));
  d.ResetFrame();
  EXPECT_EQ(d.Settings(), TFrameSettings{});
}

TEST(FrameDialog, TieBoxFollowsTheGrid) {
  struct Case {
    bool gridSwitch, optionsBox, checkedBefore;
    bool enabled, checkedAfter;
  };
  for (const Case& c :
       {Case{false, false, true, false, false}, Case{true, false, true, true, true},
        Case{false, true, true, true, true}, Case{true, true, false, true, false}}) {
    SCOPED_TRACE(testing::Message() << c.gridSwitch << c.optionsBox << c.checkedBefore);
    TDlgRepere d;
    d.GridSwitch = [&] { return c.gridSwitch; };
    d.OptionsGridBox = [&] { return c.optionsBox; };
    d.chbLienRepGrille->setChecked(c.checkedBefore);
    d.FormActivate();
    EXPECT_EQ(d.chbLienRepGrille->isEnabled(), c.enabled);
    EXPECT_EQ(d.chbLienRepGrille->isChecked(), c.checkedAfter);
  }
}

TEST(FrameDialog, PreviewSitsBelowTheVerticalSpacingAndTurnsOnAClick) {
  TDlgRepere d;
  d.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
  const TPoint pos = d.PreviewPos;
  EXPECT_LE(std::abs(2 * pos.x + 80 - d.width()), 1);
  EXPECT_GT(pos.y, d.LabelGradVert->geometry().bottom());
  // Nothing else of the dialog lies over the square.
  const QRect square(pos.x, pos.y, 80, 80);
  for (const QWidget* w : d.findChildren<QWidget*>())
    EXPECT_FALSE(w->isVisible() && w->geometry().intersects(square))
        << w->metaObject()->className() << ' ' << w->x() << ',' << w->y() << ' ' << w->width()
        << 'x' << w->height() << " vs " << pos.x << ',' << pos.y;

  // The lower-left quarter: arrows left and down, in the preview...
  QTest::mouseClick(&d, Qt::LeftButton, {}, QPoint(pos.x + 20, pos.y + 60));
  EXPECT_EQ(d.XDirection, 0);
  EXPECT_EQ(d.YDirection, 0);
  EXPECT_NE(d.Preview.pixel(8, 36), clWhite);
  EXPECT_EQ(d.Preview.pixel(72, 36), clWhite);
  EXPECT_NE(d.Preview.pixel(36, 72), clWhite);
  EXPECT_EQ(d.Preview.pixel(36, 8), clWhite);
  // ...painted where it is placed: the vertical line of the preview on column 40...
  const QImage shot = d.grab().toImage();
  EXPECT_EQ(shot.pixel(pos.x + 40, pos.y + 20) & 0xFFFFFF, 0u);
  EXPECT_EQ(shot.pixel(pos.x + 60, pos.y + 20) & 0xFFFFFF, 0xFFFFFFu);
  // ...and on the page. Rect 300 x 240 at scale 1: a = 5, b = 10, origin (150, 120).
  Bitmap page(300, 240);
  Canvas canvas(page);
  d.DrawFrame(canvas, {0, 0, 300, 240}, 1);
  EXPECT_EQ(d.Origin, (TPoint{150, 120}));
  EXPECT_NE(page.pixel(10, 115), clWhite);
  EXPECT_EQ(page.pixel(290, 115), clWhite);
  EXPECT_NE(page.pixel(145, 230), clWhite);
  EXPECT_EQ(page.pixel(145, 10), clWhite);

  // A press on the square's edge or elsewhere changes nothing.
  QTest::mouseClick(&d, Qt::LeftButton, {}, QPoint(pos.x + 80, pos.y + 10));
  QTest::mouseClick(&d, Qt::LeftButton, {}, QPoint(pos.x + 60, pos.y));
  EXPECT_EQ(d.XDirection, 0);
  EXPECT_EQ(d.YDirection, 0);
  QTest::mouseClick(&d, Qt::LeftButton, {}, QPoint(pos.x + 60, pos.y + 10));
  EXPECT_EQ(d.XDirection, 1);
  EXPECT_EQ(d.YDirection, 1);

  // A change of colour redraws the preview.
  d.CBBCouleur->setCurrentIndex(12);
  EXPECT_EQ(d.Preview.pixel(40, 20), kBlue);
}

TEST(FrameDialog, RecordAndPaintGoThroughTheControls) {
  TDlgRepere d;
  d.SetOrigin({50, 60});
  d.XDirection = 0;
  // A version 2 record keeps the origin and directions already in the dialog.
  MemoryStream v2(Bytes().u16(2).i32(7).i32(8).i32(12).u8(0).b);
  d.ReadFrameRecord(v2);
  EXPECT_EQ(d.Settings(), (TFrameSettings{7, 8, 12, false, {50, 60}, 0, 1}));
  EXPECT_EQ(d.Preview.pixel(40, 20), kBlue);
  MemoryStream v3(V3(3, 4, 1, 1, 397, 561, 1, 0).b);
  d.ReadFrameRecord(v3);
  EXPECT_EQ(d.Settings(), (TFrameSettings{3, 4, 1, true, {397, 561}, 1, 0}));
  MemoryStream out;
  d.WriteFrameRecord(out);
  EXPECT_EQ(out.bytes(), V3(3, 4, 1, 1, 397, 561, 1, 0).b);

  // The paint places and snaps the origin in the dialog, against the grid it is given.
  d.ResetFrame();
  d.GridSettings = [] { return Area("0", "0", "50", "297"); };
  d.GridSwitch = [] { return true; };
  EXPECT_EQ(d.FrameRectOnLayer(794, 1123), (TRect{0, 0, 189, 1123}));
  d.SetOrigin({397, 561});
  Bitmap page(794, 1123);
  Canvas canvas(page);
  d.DrawFrame(canvas, d.FrameRectOnLayer(794, 1123), 1);
  EXPECT_EQ(d.Origin, (TPoint{416, 567}));
  d.SetOrigin({100, 100});
  d.SnapOriginToGrid();
  EXPECT_EQ(d.Origin, (TPoint{113, 113}));
}

// ---- the origin-placing banner ----

TEST(PlaceOriginBanner, LooksAsDescribed) {
  TDlgRepere frame;
  TDlgPlaceCentreRepere banner(frame);
  EXPECT_EQ(banner.size(), QSize(385, 62));
  EXPECT_TRUE(banner.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(banner.palette().color(QPalette::Window), QColor(254, 251, 129));
  EXPECT_EQ(banner.Label1->text(),
            QString::fromUtf8("Cliquer sur la page pour positionner le centre du repère"));
  EXPECT_EQ(banner.Label1->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_EQ(banner.BoutFermer->text(), "Fermer");
}

TEST(PlaceOriginBanner, PressOutsidePlacesTheOriginInsideCloses) {
  TDlgRepere frame;
  TDlgPlaceCentreRepere banner(frame);
  int repaints = 0;
  banner.ScreenToPage = [](TPoint p) { return TPoint{p.x - 100, p.y - 50}; };
  banner.RepaintPage = [&] { ++repaints; };
  banner.move(40, 300);
  banner.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&banner));
  EXPECT_EQ(banner.y(), banner.screen()->geometry().top() + 10);
  EXPECT_EQ(banner.x(), 40);
  EXPECT_EQ(QWidget::mouseGrabber(), &banner);

  // Outside: the origin goes to the page point, the banner stays, and may be used again.
  const QPoint far(-30, 240);
  QTest::mousePress(&banner, Qt::LeftButton, {}, far);
  const QPoint screen = banner.mapToGlobal(far);
  EXPECT_EQ(frame.Origin, (TPoint{screen.x() - 100, screen.y() - 50}));
  EXPECT_EQ(repaints, 1);
  EXPECT_TRUE(banner.isVisible());
  banner.releaseMouse();
  QTest::mouseRelease(&banner, Qt::LeftButton, {}, far);
  EXPECT_EQ(QWidget::mouseGrabber(), &banner);
  banner.FormMouseDown({700, 500});
  EXPECT_EQ(frame.Origin, (TPoint{600, 450}));
  EXPECT_EQ(repaints, 2);

  // Inside: closed with OK, the mouse let go, the origin untouched.
  QTest::mousePress(&banner, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_FALSE(banner.isVisible());
  EXPECT_EQ(banner.result(), QDialog::Accepted);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_EQ(frame.Origin, (TPoint{600, 450}));
  EXPECT_EQ(repaints, 2);

  // "Fermer" closes the same way.
  banner.setResult(QDialog::Rejected);
  banner.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&banner));
  EXPECT_EQ(QWidget::mouseGrabber(), &banner);
  banner.BoutFermer->click();
  EXPECT_FALSE(banner.isVisible());
  EXPECT_EQ(banner.result(), QDialog::Accepted);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}
