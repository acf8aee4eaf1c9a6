#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <string>
#include <vector>

#include "sheet/objects/UligneAA.h"

using namespace platform;

namespace {

// The canvas starts blue so that every written pixel, white included, can be told apart.
constexpr TColor kUntouched = rgb(0, 0, 255);
constexpr TColor kG127 = rgb(127, 127, 127);
constexpr TColor kG128 = rgb(128, 128, 128);

// '.' untouched, '#' black, 'W' white, '7' and '8' greys 127 and 128.
const std::map<char, TColor> kLineLegend = {
    {'.', kUntouched}, {'#', clBlack}, {'W', clWhite}, {'7', kG127}, {'8', kG128}};

std::string Render(const Bitmap& b, int x0, int y0, int w, int h,
                   const std::map<char, TColor>& legend) {
  std::string out;
  for (int y = y0; y < y0 + h; ++y) {
    for (int x = x0; x < x0 + w; ++x) {
      char ch = '?';
      for (const auto& [k, c] : legend)
        if (b.pixel(x, y) == c) ch = k;
      out += ch;
    }
    out += '\n';
  }
  return out;
}

// Compares the block at (x0, y0) with a picture, one character a pixel.
void ExpectPicture(const Bitmap& b, int x0, int y0, const std::vector<std::string>& rows,
                   const std::map<char, TColor>& legend) {
  std::string want;
  for (const auto& r : rows) want += r + '\n';
  EXPECT_EQ(Render(b, x0, y0, int(rows[0].size()), int(rows.size()), legend), want);
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) return false;
  return true;
}

struct Line {
  int x1, y1, x2, y2;
};

void Black(const Line& l, int width, Canvas& c) {
  DrawAALine(l.x1, l.y1, l.x2, l.y2, width, bmBackground, clWhite, clBlack, c);
}

}  // namespace

// ---- BlendPixel ----

TEST(AABlendPixel, MixesPerChannelByMode) {
  struct Case {
    const char* name;
    uint8_t mode;
    double c;
    TColor canvas, background, colour, expected;
  };
  const Case cases[] = {
      {"coverage 0 writes the background", bmBackground, 0.0, rgb(18, 52, 86), clWhite, clBlack,
       clWhite},
      {"coverage 1 writes the colour", bmBackground, 1.0, rgb(18, 52, 86), clWhite, rgb(10, 20, 30),
       rgb(10, 20, 30)},
      {"quarter coverage", bmBackground, 0.25, clBlack, clWhite, rgb(10, 20, 30),
       rgb(194, 196, 199)},
      // 127.5, 0.5 and 1.5 go to the even neighbour.
      {"halves to even", bmBackground, 0.5, clBlack, rgb(255, 1, 3), clBlack, rgb(128, 0, 2)},
      {"plain ignores coverage", bmPlain, 0.3, clBlack, clWhite, rgb(10, 20, 30), rgb(10, 20, 30)},
      {"canvas at coverage 0 is unchanged", bmCanvas, 0.0, rgb(100, 51, 201), clWhite, clBlack,
       rgb(100, 51, 201)},
      {"canvas mixes with the pixel there", bmCanvas, 0.5, rgb(100, 51, 201), clWhite, clBlack,
       rgb(50, 26, 100)},
  };
  for (const Case& k : cases) {
    Bitmap b(4, 4, kUntouched);
    b.setPixel(2, 1, k.canvas);
    Canvas c(b);
    BlendPixel(c, 2, 1, k.c, k.mode, k.background, k.colour);
    EXPECT_EQ(b.pixel(2, 1), k.expected) << k.name;
    EXPECT_EQ(b.pixel(1, 1), kUntouched) << k.name;
  }
}

TEST(AABlendPixel, OutsideTheCanvasIsDropped) {
  Bitmap b(4, 4, kUntouched);
  Canvas c(b, {0, 0}, {1, 1, 3, 3});
  for (TPoint p : {TPoint{-1, 0}, TPoint{0, 0}, TPoint{3, 1}, TPoint{1, 3}, TPoint{4, 4}})
    BlendPixel(c, p.x, p.y, 1.0, bmBackground, clWhite, clBlack);
  EXPECT_TRUE(SamePixels(b, Bitmap(4, 4, kUntouched)));
}

// ---- DrawAALine ----

TEST(AALine, HandComputedPictures) {
  struct Case {
    const char* name;
    Line line;
    int width;
    int x0, y0;
    std::vector<std::string> picture;
  };
  const std::vector<Case> cases = {
      {"horizontal, width 1: edge above at coverage 1, below at 0",
       {0, 10, 4, 10},
       1,
       0,
       8,
       {".......", "#####..", "#####..", "WWWWW..", "......."}},
      {"horizontal, width 4: five in the run plus two edges",
       {0, 10, 4, 10},
       4,
       0,
       6,
       {".......", "#####..", "#####..", "#####..", "#####..", "#####..", "#####..", "WWWWW..",
        "......."}},
      {"vertical", {10, 0, 10, 4}, 1, 8, 0, {".##W.", ".##W.", ".##W.", ".##W.", ".##W.", "....."}},
      {"vertical, drawn upward",
       {10, 4, 10, 0},
       1,
       8,
       0,
       {".##W.", ".##W.", ".##W.", ".##W.", ".##W."}},
      // slope 2/4.00001: the accumulator passes 1 on the third and fifth rows.
      {"steep",
       {5, 0, 7, 4},
       1,
       3,
       0,
       {".7#8...", ".W##...", "..7#8..", "..W##..", "...7#8.", "......."}},
      // Rising to the right: the trailing edge (coverage acc) lies on the side of the step.
      {"rising",
       {0, 12, 4, 10},
       1,
       0,
       8,
       {"......", "....8.", "..8##.", "8###7.", "##7W..", "7W....", "......"}},
      {"rising, endpoints exchanged",
       {4, 10, 0, 12},
       1,
       0,
       8,
       {"......", "....8.", "..8##.", "8###7.", "##7W..", "7W....", "......"}},
      {"zero length: leading edge at 1, trailing at 0",
       {5, 5, 5, 5},
       1,
       3,
       4,
       {".....", ".##W.", "....."}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    Bitmap b(20, 20, kUntouched);
    Canvas c(b);
    Black(k.line, k.width, c);
    ExpectPicture(b, k.x0, k.y0, k.picture, kLineLegend);
  }
}

TEST(AALine, OddWidthLooksLikeTheEvenWidthBelow) {
  const Line lines[] = {{0, 10, 4, 10}, {3, 4, 40, 19}, {30, 2, 12, 38}, {5, 30, 38, 29}};
  for (const Line& l : lines) {
    Bitmap even(50, 50, kUntouched), odd(50, 50, kUntouched), other(50, 50, kUntouched);
    Canvas ce(even), co(odd), cx(other);
    Black(l, 4, ce);
    Black(l, 5, co);
    Black(l, 6, cx);
    EXPECT_TRUE(SamePixels(even, odd)) << l.x1 << "," << l.y1;
    EXPECT_FALSE(SamePixels(even, other)) << l.x1 << "," << l.y1;
  }
}

TEST(AALine, PlainModeWhiteOnBlackIsAHardBand) {
  struct Case {
    Line line;
    int width;
  };
  const Case cases[] = {{{2, 10, 22, 17}, 1},
                        {{2, 10, 22, 17}, 3},
                        {{2, 10, 22, 17}, 6},
                        {{10, 2, 17, 22}, 3},
                        {{22, 14, 2, 10}, 4}};
  for (const Case& k : cases) {
    Bitmap b(30, 40, clBlack);
    Canvas c(b);
    const Line& l = k.line;
    DrawAALine(l.x1, l.y1, l.x2, l.y2, k.width, bmPlain, clWhite, clWhite, c);
    const int band = 2 * (k.width / 2) + 3;
    const bool horizontal = std::abs(l.y2 - l.y1) < std::abs(l.x2 - l.x1);
    const int from = horizontal ? std::min(l.x1, l.x2) : std::min(l.y1, l.y2);
    const int to = horizontal ? std::max(l.x1, l.x2) : std::max(l.y1, l.y2);
    const int across = horizontal ? b.height() : b.width();
    // Every column (row for a steep line) along the line holds one white block of `band`.
    for (int a = from - 1; a <= to + 1; ++a) {
      std::string strip;
      for (int t = 0; t < across; ++t) {
        const TColor p = horizontal ? b.pixel(a, t) : b.pixel(t, a);
        ASSERT_TRUE(p == clWhite || p == clBlack);
        strip += p == clWhite ? 'W' : '.';
      }
      const size_t first = strip.find('W');
      if (a < from || a > to) {
        EXPECT_EQ(first, std::string::npos) << "outside the line at " << a;
        continue;
      }
      ASSERT_NE(first, std::string::npos) << a;
      EXPECT_EQ(strip.find_last_of('W') - first + 1, size_t(band)) << a << ": " << strip;
      EXPECT_EQ(std::count(strip.begin(), strip.end(), 'W'), band) << a << ": " << strip;
    }
  }
}

TEST(AALine, CanvasModeMixesWithWhatIsThere) {
  // Width 1 horizontal: the trailing edge has coverage 0 and keeps the pixel; the leading
  // edge at coverage 1 takes the colour.
  Bitmap b(10, 20, rgb(100, 51, 201));
  Canvas c(b);
  DrawAALine(0, 10, 4, 10, 1, bmCanvas, clWhite, clBlack, c);
  for (int x = 0; x <= 4; ++x) {
    EXPECT_EQ(b.pixel(x, 9), clBlack);
    EXPECT_EQ(b.pixel(x, 10), clBlack);
    EXPECT_EQ(b.pixel(x, 11), rgb(100, 51, 201));
  }
}

// ---- clip and origin ----

TEST(AAClip, NothingOutsideTheClipIsTouched) {
  const TRect clip{10, 12, 40, 35};
  const std::vector<std::pair<const char*, std::function<void(Canvas&)>>> drawings = {
      {"horizontal across",
       [](Canvas& c) {
         Black({-20, 20, 70, 26}, 5, c);
       }},
      {"steep across",
       [](Canvas& c) {
         Black({25, -30, 18, 90}, 7, c);
       }},
      {"far away",
       [](Canvas& c) {
         Black({-5000, -20, 5000, 80}, 9, c);
       }},
      {"canvas mode",
       [](Canvas& c) { DrawAALine(0, 0, 50, 50, 3, bmCanvas, clWhite, clBlack, c); }},
      {"circle", [](Canvas& c) { DrawAACircle(25, 24, 14, 3, bmBackground, clWhite, clBlack, c); }},
      {"circle in canvas mode",
       [](Canvas& c) { DrawAACircle(12, 30, 9, 2, bmCanvas, clWhite, clBlack, c); }},
      {"arc",
       [](Canvas& c) {
         DrawAAArc(25, 24, 14, 3, {39, 24}, {25, 38}, 0, clWhite, clBlack, c);
       }},
  };
  for (const auto& [name, draw] : drawings) {
    Bitmap b(50, 50, kUntouched);
    Canvas c(b, {0, 0}, clip);
    draw(c);
    int inside = 0;
    for (int y = 0; y < 50; ++y)
      for (int x = 0; x < 50; ++x) {
        if (b.pixel(x, y) == kUntouched) continue;
        if (clip.contains(x, y))
          ++inside;
        else
          ADD_FAILURE() << name << ": pixel " << x << "," << y << " outside the clip";
      }
    EXPECT_GT(inside, 0) << name;
  }
}

TEST(AAClip, CanvasOriginShiftsThePixelsAndTheClipCuts) {
  Bitmap b(20, 30, kUntouched);
  Canvas c(b, {5, 7}, {5, 7, 20, 30});  // canvas (0, 0) is target (5, 7)
  Black({-3, 10, 4, 10}, 1, c);
  ExpectPicture(b, 0, 15, {"..........", ".....#####", ".....#####", ".....WWWWW", ".........."},
                {{'.', kUntouched}, {'#', clBlack}, {'W', clWhite}});
  for (int x = 0; x < 5; ++x)
    for (int y = 0; y < 30; ++y) EXPECT_EQ(b.pixel(x, y), kUntouched);
}

TEST(AAClip, EmptyTargetDrawsNothing) {
  Bitmap empty;
  Canvas c(empty);
  Black({0, 0, 10, 3}, 3, c);
  DrawAACircle(5, 5, 4, 1, bmCanvas, clWhite, clBlack, c);
  DrawAAArc(5, 5, 4, 1, {9, 5}, {5, 1}, 0, clWhite, clBlack, c);
  BlendPixel(c, 0, 0, 0.5, bmCanvas, clWhite, clBlack);
  EXPECT_TRUE(empty.isEmpty());
}

// ---- Octant ----

TEST(AAOctant, TableAndBoundaries) {
  struct Case {
    int dx, dy, octant;
  };
  const Case cases[] = {
      {0, 0, 5},   {0, 10, 0},  {10, 0, 3},  {0, -10, 5}, {-10, 0, 6},  // centre and axes
      {5, 3, 2},   {3, 5, 1},   {5, 5, 1},                              // dx > 0, dy > 0
      {5, -3, 3},  {3, -5, 4},  {5, -5, 4},                             // dx > 0, dy <= 0
      {-5, 3, 7},  {-3, 5, 0},  {-5, 5, 0},                             // dx <= 0, dy > 0
      {-5, -3, 6}, {-3, -5, 5}, {-5, -5, 5},                            // dx <= 0, dy <= 0
  };
  for (const Case& k : cases)
    EXPECT_EQ(Octant(100, 50, {100 + k.dx, 50 + k.dy}), k.octant) << k.dx << "," << k.dy;
}

// ---- circle and arc ----

namespace {

// '.' untouched, '#' black, 'a' 85, 'b' 170 (coverages 2/3 and 1/3), 'c' 113, 'd' 28.
const std::map<char, TColor> kCircleLegend = {{'.', kUntouched},
                                              {'#', clBlack},
                                              {'a', rgb(85, 85, 85)},
                                              {'b', rgb(170, 170, 170)},
                                              {'c', rgb(113, 113, 113)},
                                              {'d', rgb(28, 28, 28)},
                                              {'W', clWhite}};

}  // namespace

TEST(AACircle, RadiusTwoByHand) {
  // Two steps of one run (n = 3): x = 0 with inner coverage 1/3, x = 1 with 2/3.
  Bitmap b(20, 20, kUntouched);
  Canvas c(b);
  DrawAACircle(10, 10, 2, 1, bmBackground, clWhite, clBlack, c);
  ExpectPicture(b, 6, 6,
                {".........", "...bab...", "...###...", ".b#aba#b.", ".a#b.b#a.", ".b#aba#b.",
                 "...###...", "...bab...", "........."},
                kCircleLegend);
}

TEST(AACircle, ThickPenRunsPastTheDiagonal) {
  // Width 4 (h = 2): the loop goes on to x = r + 2h, so its last step (x = 3, r = 0) adds
  // the square ring at distance 3. Plain edges: every write is black, only the set counts.
  Bitmap b(21, 21, kUntouched);
  Canvas c(b);
  DrawAACircle(10, 10, 2, 4, bmPlain, clWhite, clBlack, c);
  ExpectPicture(
      b, 4, 4,
      {".............", ".....###.....", "....#####....", "...#######...", "..#########..",
       ".###########.", ".###########.", ".###########.", "..#########..", "...#######...",
       "....#####....", ".....###.....", "............."},
      kCircleLegend);
}

TEST(AACircle, CanvasModeMixesOverlapsTwice) {
  // The eight plots meet at x = 0 and near the diagonal; in canvas mode the second blend
  // reads the first one's result.
  Bitmap b(20, 20, clWhite);
  Canvas c(b);
  DrawAACircle(10, 10, 2, 1, bmCanvas, clWhite, clBlack, c);
  ExpectPicture(b, 7, 7,
                {"WWbdbWW", "WW###WW", "b#dcd#b", "d#cWc#d", "b#dcd#b", "WW###WW", "WWbdbWW"},
                kCircleLegend);
}

TEST(AACircle, SymmetricUnderTheEightSymmetries) {
  const int cx = 40, cy = 40;
  auto mapped = [&](int s, int dx, int dy) {
    const int a = (s & 4) ? dy : dx, b2 = (s & 4) ? dx : dy;
    return TPoint{cx + ((s & 1) ? -a : a), cy + ((s & 2) ? -b2 : b2)};
  };
  struct Case {
    int r, width;
    uint8_t mode;
    bool sameColours;
  };
  // A pen thick against the radius makes later plots overwrite earlier ones' mixed edges with
  // other coverages: there only the painted set stays symmetric. Plain edges are all one colour.
  const Case cases[] = {{20, 1, bmBackground, true}, {20, 3, bmBackground, true},
                        {20, 4, bmBackground, true}, {20, 7, bmBackground, true},
                        {20, 4, bmPlain, true},      {4, 6, bmPlain, true},
                        {4, 6, bmBackground, false}};
  for (const Case& k : cases) {
    SCOPED_TRACE("r " + std::to_string(k.r) + " width " + std::to_string(k.width) + " mode " +
                 std::to_string(k.mode));
    Bitmap b(81, 81, kUntouched);
    Canvas c(b);
    DrawAACircle(cx, cy, k.r, k.width, k.mode, clWhite, clBlack, c);
    int painted = 0;
    for (int dy = -40; dy <= 40; ++dy)
      for (int dx = -40; dx <= 40; ++dx) {
        const TColor p = b.pixel(cx + dx, cy + dy);
        painted += p != kUntouched;
        for (int s = 1; s < 8; ++s) {
          const TPoint q = mapped(s, dx, dy);
          const TColor pq = b.pixel(q.x, q.y);
          if (k.sameColours)
            ASSERT_EQ(pq, p) << dx << "," << dy << " symmetry " << s;
          else
            ASSERT_EQ(pq == kUntouched, p == kUntouched) << dx << "," << dy << " symmetry " << s;
        }
      }
    EXPECT_GT(painted, 8 * k.r);
  }
}

TEST(AAArc, QuarterOfRadiusTwoByHand) {
  // From angle 0 (octant 3) to angle pi/2 (octant 5): octant 4 whole, of octant 3 only the
  // step past the axis, of octant 5 nothing (its ratios are not below the end's 0).
  Bitmap b(20, 20, kUntouched);
  Canvas c(b);
  DrawAAArc(10, 10, 2, 1, {12, 10}, {10, 8}, 0, clWhite, clBlack, c);
  ExpectPicture(b, 6, 6,
                {".........", "....ab...", "....##...", "....ba#b.", ".........", ".........",
                 ".........", ".........", "........."},
                kCircleLegend);
}

TEST(AAArc, DrawsOnlyItsAngularRange) {
  const int cx = 60, cy = 60, r = 40;
  auto onCircle = [&](double deg) {
    const double a = deg * std::numbers::pi / 180.0;
    return TPoint{cx + int(std::nearbyint(r * std::cos(a))),
                  cy - int(std::nearbyint(r * std::sin(a)))};
  };
  struct Case {
    double from, to;  // degrees, counter-clockwise on screen
    int width;
  };
  const Case cases[] = {
      {10, 35, 1},    // one octant, start before end
      {10, 35, 4},    // the same, thick
      {10, 100, 1},   // octants 3 to 5
      {300, 30, 3},   // octants 1 to 3 through angle 0
      {100, 10, 1},   // the end's octant before the start's: wraps round
      {200, 250, 2},  // octants 7 and 0, lower left on screen
      {35, 10, 2},    // the end just before the start in one octant: nearly all round
  };
  Bitmap full(121, 121, kUntouched);
  for (const Case& k : cases) {
    SCOPED_TRACE(std::to_string(k.from) + " to " + std::to_string(k.to));
    Bitmap arc(121, 121, kUntouched);
    Canvas ca(arc);
    DrawAAArc(cx, cy, r, k.width, onCircle(k.from), onCircle(k.to), 0, clWhite, clBlack, ca);
    full.fill(kUntouched);
    Canvas cf(full);
    DrawAACircle(cx, cy, r, k.width, bmBackground, clWhite, clBlack, cf);

    const double span = std::fmod(k.to - k.from + 360.0, 360.0);
    const double tol = 2.0 + (k.width / 2) * 1.5;  // edge pixels lie off the plotted point
    bool nearStart = false, nearEnd = false;
    int painted = 0;
    for (int y = 0; y < 121; ++y)
      for (int x = 0; x < 121; ++x) {
        if (arc.pixel(x, y) == kUntouched) continue;
        ++painted;
        ASSERT_NE(full.pixel(x, y), kUntouched) << x << "," << y << " not on the circle";
        const double deg = std::atan2(double(cy - y), double(x - cx)) * 180.0 / std::numbers::pi;
        const double rel = std::fmod(deg - k.from + 720.0, 360.0);
        EXPECT_TRUE(rel <= span + tol || rel >= 360.0 - tol)
            << x << "," << y << " at " << deg << " degrees";
        nearStart |= rel <= 3.0;
        nearEnd |= rel >= span - 3.0 && rel <= span;
      }
    EXPECT_TRUE(nearStart);
    EXPECT_TRUE(nearEnd);
    EXPECT_GT(painted, 0);
  }
}

TEST(AAArc, StartEqualToEndDrawsNothing) {
  for (TPoint p : {TPoint{99, 53}, TPoint{60, 100}, TPoint{20, 60}, TPoint{60, 60}}) {
    Bitmap b(121, 121, kUntouched);
    Canvas c(b);
    DrawAAArc(60, 60, 40, 3, p, p, 0, clWhite, clBlack, c);
    EXPECT_TRUE(SamePixels(b, Bitmap(121, 121, kUntouched))) << p.x << "," << p.y;
  }
}

TEST(AAArc, EdgesMixAgainstTheGivenBackgroundWhateverTheMode) {
  // The arc ignores the mode: canvas mode over grey still mixes with the white given.
  Bitmap plain(20, 20, kUntouched), canvasMode(20, 20, kUntouched);
  Canvas cp(plain), cc(canvasMode);
  DrawAAArc(10, 10, 2, 1, {12, 10}, {10, 8}, bmBackground, clWhite, clBlack, cp);
  DrawAAArc(10, 10, 2, 1, {12, 10}, {10, 8}, bmCanvas, clWhite, clBlack, cc);
  EXPECT_TRUE(SamePixels(plain, canvasMode));
}
