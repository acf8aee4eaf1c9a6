// Grid geometry and drawing at 96 pixels per inch, where 1 mm is 3.7795276 pixels and a
// 10 mm step is 37.795276. Expected pixels are worked out by hand from those numbers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "sheet/overlays/UGrille.h"
#include "sheet/overlays/uCouleurs.h"

using platform::Bitmap;
using platform::Canvas;
using platform::clWhite;
using platform::TColor;
using platform::TRect;

namespace {

constexpr int kPpi = 96;

TGridSettings Area(std::string ox, std::string oy, std::string w, std::string h) {
  TGridSettings g;
  g.OriginX = std::move(ox);
  g.OriginY = std::move(oy);
  g.Width = std::move(w);
  g.Height = std::move(h);
  return g;
}

// Columns of row y that are not white.
std::vector<int> InkX(const Bitmap& b, int y) {
  std::vector<int> xs;
  for (int x = 0; x < b.width(); ++x)
    if (b.pixel(x, y) != clWhite) xs.push_back(x);
  return xs;
}
std::vector<int> InkY(const Bitmap& b, int x) {
  std::vector<int> ys;
  for (int y = 0; y < b.height(); ++y)
    if (b.pixel(x, y) != clWhite) ys.push_back(y);
  return ys;
}
std::vector<int> Range(int first, int last) {
  std::vector<int> v;
  for (int i = first; i <= last; ++i) v.push_back(i);
  return v;
}
// The smallest rectangle holding every non-white pixel of `window`.
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

}  // namespace

TEST(GridField, IntegersAsTyped) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;
  };
  for (const Case& c :
       {Case{"0", 0}, Case{"210", 210}, Case{"-5", -5}, Case{"+7", 7},
        Case{"2147483647", 2147483647}, Case{"-2147483648", INT32_MIN}, Case{"2147483648", {}},
        Case{"", {}}, Case{"-", {}}, Case{"+-5", {}}, Case{" 5", {}}, Case{"5 ", {}},
        Case{"1.5", {}}, Case{"abc", {}}, Case{"0x10", {}}})
    EXPECT_EQ(GridFieldValue(c.text), c.value) << '"' << c.text << '"';
}

TEST(GridRect, AreaInPagePixels) {
  struct Case {
    TGridSettings g;
    int ppi;
    TRect rect;
  };
  const Case cases[] = {
      // The whole portrait page: 793.70 x 1122.52.
      {Area("0", "0", "210", "297"), 96, {0, 0, 794, 1123}},
      // 37.80, 75.59; width 75.59, height 113.39.
      {Area("10", "20", "20", "30"), 96, {38, 76, 38 + 76, 76 + 113}},
      // The right edge adds the rounded width: 8 + 8, although (2 + 2) mm is 15.12 pixels.
      {Area("2", "2", "2", "2"), 96, {8, 8, 16, 16}},
      // Negative origins are kept: -18.90.
      {Area("-5", "0", "10", "10"), 96, {-19, 0, -19 + 38, 38}},
      // 120 pixels per inch: 47.24, 94.49.
      {Area("10", "20", "10", "10"), 120, {47, 94, 47 + 47, 94 + 47}},
      {Area("10", "x", "20", "20"), 96, {}},
      {Area("10", "10", "", "20"), 96, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GridRect(c.g, c.ppi), c.rect) << c.g.OriginX << ' ' << c.g.OriginY << ' ' << c.g.Width
                                            << ' ' << c.g.Height << " @" << c.ppi;
}

TEST(GridRect, WithinTestsUseTheRoundedFarEdge) {
  // Origin 2 mm (7.56 -> 8), far edge 4 mm (15.12 -> 15): unlike GridRect's right of 16.
  const TGridSettings g = Area("2", "2", "2", "2");
  struct Case {
    int v;
    bool within;
  };
  for (const Case& c : {Case{7, false}, Case{8, true}, Case{15, true}, Case{16, false}}) {
    EXPECT_EQ(IsWithinGridX(g, kPpi, c.v), c.within) << c.v;
    EXPECT_EQ(IsWithinGridY(g, kPpi, c.v), c.within) << c.v;
  }
  // Each axis reads its own fields.
  const TGridSettings tall = Area("0", "100", "10", "10");  // x 0..38, y 378..416
  EXPECT_TRUE(IsWithinGridX(tall, kPpi, 30));
  EXPECT_FALSE(IsWithinGridY(tall, kPpi, 30));
  EXPECT_TRUE(IsWithinGridY(tall, kPpi, 400));
  // An unreadable field answers false on both axes.
  for (const TGridSettings& bad : {Area("0", "0", "1,5", "10"), Area("0", "a", "10", "10")}) {
    EXPECT_FALSE(IsWithinGridX(bad, kPpi, 5));
    EXPECT_FALSE(IsWithinGridY(bad, kPpi, 5));
  }
}

TEST(GridColour, NamedListWithBlackWhenNoneSelected) {
  ASSERT_EQ(NamedColours.size(), 16u);
  EXPECT_STREQ(NamedColours[0].Name, "noir");
  EXPECT_STREQ(NamedColours[4].Name, "bleu foncé");
  EXPECT_STREQ(NamedColours[7].Name, "gris foncé");
  EXPECT_STREQ(NamedColours[15].Name, "blanc");
  struct Case {
    int index;
    TColor colour;
  };
  // 0x00BBGGRR: brun is red 128, bleu foncé blue 128, jaune red and green, bleu clair green
  // and blue.
  for (const Case& c :
       {Case{0, 0x000000}, Case{1, 0x000080}, Case{3, 0x008080}, Case{4, 0x800000},
        Case{6, 0x808000}, Case{8, 0xC0C0C0}, Case{9, 0x0000FF}, Case{11, 0x00FFFF},
        Case{14, 0xFFFF00}, Case{15, 0xFFFFFF}, Case{-1, 0x000000}, Case{16, 0x000000}}) {
    TGridSettings g;
    g.ColourIndex = c.index;
    EXPECT_EQ(GridColor(g), c.colour) << c.index;
  }
  EXPECT_EQ(NamedColourAt(-1, platform::clRed), platform::clRed);
  EXPECT_EQ(NamedColourAt(16, platform::clRed), platform::clRed);
}

TEST(GridReset, AreaFollowsTheOrientation) {
  TGridSettings g = Area("5", "6", "7", "8");
  g.SpacingX = 3;
  g.SpacingY = 4;
  g.ColourIndex = 9;
  g.Lines = false;
  g.Mark5 = g.Mark10 = true;
  TGridSettings area = g;
  ResetGridArea(area, 1);
  EXPECT_EQ(area, [&] {
    TGridSettings e = g;
    e.OriginX = e.OriginY = "0";
    e.Width = "297";
    e.Height = "210";
    return e;
  }());
  ResetGrid(g, 0);
  EXPECT_EQ(g, TGridSettings{});
  ResetGrid(g, 1);
  EXPECT_EQ(g.Width, "297");
  EXPECT_EQ(g.Height, "210");
}

// Lines: where each vertical line crosses one row and each horizontal line one column.
TEST(DrawGridLines, PositionsAtScales) {
  struct Case {
    const char* what;
    TGridSettings g;
    int spacingX, spacingY;
    double scale;
    TRect clip;  // empty: the whole bitmap
    int probe;   // the row and the column that are read
    std::vector<int> xs, ys;
  };
  const Case cases[] = {
      // Area 37.80 + 75.59: lines at 37.80, 75.59, 113.39; the right edge (38 + 76) is drawn.
      {"20 mm area, 10 mm steps",
       Area("10", "10", "20", "20"),
       10,
       10,
       1,
       {},
       50,
       {38, 76, 114},
       {38, 76, 114}},
      // k doubles: origin 75.59 -> 76, width 151.18 -> 151, step 75.59: 76, 151.59, 227.18.
      {"same at scale 2",
       Area("10", "10", "20", "20"),
       10,
       10,
       2,
       {},
       100,
       {76, 152, 227},
       {76, 152, 227}},
      // Steps 26.46 and 11.34; width 75.59 -> 76 stops before 79.37, height 37.80 -> 38.
      {"7 and 3 mm steps",
       Area("0", "0", "20", "10"),
       7,
       3,
       1,
       {},
       5,
       {0, 26, 53},
       {0, 11, 23, 34}},
      // Steps 52.91 and 22.68; width 151, height 76.
      {"7 and 3 mm steps at scale 2",
       Area("0", "0", "20", "10"),
       7,
       3,
       2,
       {},
       10,
       {0, 53, 106},
       {0, 23, 45, 68}},
      // Unreadable area: from the corner over the whole clip, until a line reaches its edge.
      {"area unreadable",
       Area("0", "0", "abc", "20"),
       10,
       10,
       1,
       {},
       50,
       {0, 38, 76, 113, 151, 189, 227},
       {0, 38, 76, 113, 151, 189, 227}},
      {"area unreadable, clipped",
       Area("0", "0", "", "20"),
       10,
       10,
       1,
       {0, 0, 100, 80},
       50,
       {0, 38, 76},
       {0, 38, 76}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bitmap b(240, 240);
    Canvas canvas = c.clip.isEmpty() ? Canvas(b) : Canvas(b, {0, 0}, c.clip);
    TGridSettings g = c.g;
    g.SpacingX = c.spacingX;
    g.SpacingY = c.spacingY;
    DrawGrid(canvas, g, kPpi, c.scale);
    EXPECT_EQ(InkX(b, c.probe), c.xs);
    EXPECT_EQ(InkY(b, c.probe), c.ys);
  }
}

TEST(DrawGridLines, HalvesGoToEven) {
  // At 127 pixels per inch and scale 1.5 a millimetre is exactly 7.5 pixels: the origin
  // 3 mm is 22.5 -> 22, then steps of 7.5 land on a half every other line.
  Bitmap b(120, 120);
  Canvas canvas(b);
  TGridSettings g = Area("3", "3", "10", "10");
  g.SpacingX = g.SpacingY = 1;
  DrawGrid(canvas, g, 127, 1.5);
  const std::vector<int> at{22, 30, 37, 44, 52, 60, 67, 74, 82, 90, 97};
  EXPECT_EQ(InkX(b, 50), at);
  EXPECT_EQ(InkY(b, 50), at);
}

TEST(DrawGridLines, ColourAndExtent) {
  Bitmap b(200, 200);
  Canvas canvas(b);
  TGridSettings g = Area("10", "10", "20", "20");  // lines at 38, 76, 114
  g.ColourIndex = 12;                              // bleu
  DrawGrid(canvas, g, kPpi, 1);
  EXPECT_EQ(b.pixel(76, 50), platform::rgb(0, 0, 255));
  // Lines run from one edge of the area to the other and leave their end pixel out, so the
  // right edge line and the bottom edge line both stop short of their corner.
  EXPECT_EQ(InkY(b, 57), (std::vector<int>{38, 76, 114}));
  EXPECT_EQ(InkY(b, 76), Range(38, 114));
  EXPECT_EQ(InkY(b, 114), Range(38, 113));
  EXPECT_EQ(InkX(b, 114), Range(38, 113));
}

// With marks, the first line of each direction is on the area's edge. A pen w wide on
// column x covers x - w/2 to x - w/2 + w - 1.
TEST(DrawGridLines, MarksEveryFiveAndTen) {
  struct Case {
    bool mark5, mark10;
    int w0, w1, w5, w10;  // pen widths of lines 0, 1, 5, 10
  };
  // Area from 10 mm, 150 mm wide: lines 0, 1, 5, 10 at 37.80, 75.59, 226.98, 415.95.
  const int at[] = {38, 76, 227, 416};
  for (const Case& c : {Case{false, false, 1, 1, 1, 1}, Case{true, false, 2, 1, 2, 2},
                        Case{false, true, 2, 1, 1, 2}, Case{true, true, 3, 1, 2, 3}}) {
    SCOPED_TRACE(testing::Message() << "marks " << c.mark5 << c.mark10);
    Bitmap b(430, 120);
    Canvas canvas(b);
    TGridSettings g = Area("10", "10", "150", "20");
    g.Mark5 = c.mark5;
    g.Mark10 = c.mark10;
    DrawGrid(canvas, g, kPpi, 1);
    const int widths[] = {c.w0, c.w1, c.w5, c.w10};
    std::vector<int> expected;
    for (int k = 0; k < 4; ++k) {
      const int first = at[k] - widths[k] / 2;
      for (int x = first; x < first + widths[k]; ++x) expected.push_back(x);
    }
    std::vector<int> row = InkX(b, 60);  // lines 2-4 and 6-9 lie between; drop them
    std::erase_if(row, [&](int x) {
      for (int p : at)
        if (x >= p - 3 && x <= p + 3) return false;
      return true;
    });
    EXPECT_EQ(row, expected);
    // The top edge, the horizontal line 0, has the width of a tenth line too; lines 1 and 2
    // (75.59, 113.39) are thin. Column 300 lies between vertical lines.
    const int first = 38 - c.w10 / 2;
    std::vector<int> column = Range(first, first + c.w10 - 1);
    column.insert(column.end(), {76, 114});
    EXPECT_EQ(InkY(b, 300), column);
  }
}

TEST(DrawGridLines, FarOffAreaStillDrawsEvenSteps) {
  // The area starts some 378 million pixels to the left: only the lines in view matter.
  Bitmap b(200, 40);
  Canvas canvas(b);
  DrawGrid(canvas, Area("-100000000", "0", "200000000", "5"), kPpi, 1);
  const std::vector<int> xs = InkX(b, 10);
  ASSERT_GE(xs.size(), 5u);
  for (size_t i = 1; i < xs.size(); ++i)
    EXPECT_TRUE(xs[i] - xs[i - 1] == 37 || xs[i] - xs[i - 1] == 38);
}

// Points: every ink pixel of the bitmap against the 3 x 3 discs worked out by hand.
TEST(DrawGridPoints, OneStepFromTheCornerWhateverTheArea) {
  struct Case {
    double scale;
    int size;
    std::vector<std::pair<int, int>> cols, rows;  // first and last pixel of each disc
  };
  const Case cases[] = {
      // x from Nearest(37.80) = 38: 38, 75.80, 113.59; y from 37.80: 37.80, 75.59, 113.39.
      // Box (x - 1, y - 1, x + 2, y + 2) rounded, right and bottom left out.
      {1, 120, {{37, 39}, {75, 77}, {113, 115}}, {{37, 39}, {75, 77}, {112, 114}}},
      // Step 75.59: x 76, 151.59; y 75.59, 151.18.
      {2, 160, {{75, 77}, {151, 153}}, {{75, 77}, {150, 152}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scale);
    Bitmap b(c.size, c.size);
    Canvas canvas(b);
    TGridSettings g = Area("50", "50", "x", "10");
    g.Lines = false;
    g.ColourIndex = 2;  // vert
    DrawGrid(canvas, g, kPpi, c.scale);
    auto inside = [](int v, const std::vector<std::pair<int, int>>& spans) {
      for (auto [a, z] : spans)
        if (v >= a && v <= z) return true;
      return false;
    };
    int wrong = 0;
    for (int y = 0; y < c.size; ++y)
      for (int x = 0; x < c.size; ++x) {
        const TColor expected =
            inside(x, c.cols) && inside(y, c.rows) ? platform::rgb(0, 128, 0) : clWhite;
        if (b.pixel(x, y) != expected && ++wrong <= 5) ADD_FAILURE() << x << ',' << y;
      }
    EXPECT_EQ(wrong, 0);
  }
}

TEST(DrawGridPoints, MarkedPointsGrowTheirRadius) {
  struct Case {
    bool mark5, mark10;
    TRect p00, p10, p50, pA0, p01;  // discs of (i, j) = (0,0) (1,0) (5,0) (10,0) (0,1)
  };
  // Centres: x 38, 75.80, 226.98, 415.95; y 37.80, 75.59. Box of radius m:
  // (Nearest(x - m), Nearest(y - m), Nearest(x + m + 1), Nearest(y + m + 1)).
  const TRect small00{37, 37, 40, 40}, small10{75, 37, 78, 40}, small50{226, 37, 229, 40},
      smallA0{415, 37, 418, 40}, small01{37, 75, 40, 78};
  const Case cases[] = {
      {false, false, small00, small10, small50, smallA0, small01},
      {true, true, {35, 35, 42, 42}, small10, {225, 36, 230, 41}, {413, 35, 420, 42}, small01},
      {false, true, {36, 36, 41, 41}, small10, small50, {414, 36, 419, 41}, small01},
      {true, false, {36, 36, 41, 41}, small10, {225, 36, 230, 41}, {414, 36, 419, 41}, small01},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "marks " << c.mark5 << c.mark10);
    Bitmap b(430, 100);
    Canvas canvas(b);
    TGridSettings g;
    g.Lines = false;
    g.Mark5 = c.mark5;
    g.Mark10 = c.mark10;
    DrawGrid(canvas, g, kPpi, 1);
    auto around = [](int x, int y) { return TRect{x - 8, y - 8, x + 9, y + 9}; };
    EXPECT_EQ(InkBounds(b, around(38, 38)), c.p00);
    EXPECT_EQ(InkBounds(b, around(76, 38)), c.p10);
    EXPECT_EQ(InkBounds(b, around(227, 38)), c.p50);
    EXPECT_EQ(InkBounds(b, around(416, 38)), c.pA0);
    EXPECT_EQ(InkBounds(b, around(38, 76)), c.p01);
  }
}

TEST(DrawGrid, LeavesTheCanvasPensAsTheyWere) {
  Bitmap b(100, 100);
  Canvas canvas(b);
  canvas.setPenColor(platform::clRed);
  canvas.setPenWidth(4);
  canvas.setBrushColor(platform::clSilver);
  canvas.setBrushStyle(platform::BrushStyle::Clear);
  TGridSettings g;
  g.Lines = false;
  g.Mark5 = true;
  DrawGrid(canvas, g, kPpi, 1);
  EXPECT_EQ(canvas.penColor(), platform::clRed);
  EXPECT_EQ(canvas.penWidth(), 4);
  EXPECT_EQ(canvas.brushColor(), platform::clSilver);
  EXPECT_EQ(canvas.brushStyle(), platform::BrushStyle::Clear);
}
