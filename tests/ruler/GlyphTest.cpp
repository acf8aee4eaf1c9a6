#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Surface.h"
#include "ruler/uLettres.h"
#include "ruler/uRegle.h"

using namespace platform;

namespace {

constexpr TColor kPaper = rgb(1, 2, 3);
constexpr double kPi = std::numbers::pi;

// Strokes written in the notation of the glyph tables: "B (x,y) (x,y) (x,y) (x,y); L (x,y);
// M (x,y)", each point placed at start + g (scale 1, no turn).
std::vector<TGlyphOp> Strokes(const std::string& text, TPoint start) {
  std::vector<TGlyphOp> ops;
  std::stringstream all(text);
  std::string item;
  while (std::getline(all, item, ';')) {
    std::stringstream in(item);
    char letter = 0;
    in >> letter;
    TGlyphOp op{letter == 'B'   ? TGlyphOp::Bezier
                : letter == 'L' ? TGlyphOp::LineTo
                                : TGlyphOp::MoveTo,
                {},
                0};
    char open, comma, close;
    int x, y;
    while (in >> open >> x >> comma >> y >> close) op.points.push_back({start.x + x, start.y + y});
    ops.push_back(op);
  }
  return ops;
}

// An icon background: pen and brush, the box (0,0) (10,0) (10,h) (0,h), the symbol's pen.
std::vector<TGlyphOp> Background(char kind, TPoint start) {
  TColor pen = rgb(224, 238, 77), brush = pen, symbol = rgb(0, 0, 255);
  int h = 16;
  if (kind == 'S') pen = brush = rgb(238, 200, 157);
  if (kind == 'R') pen = rgb(159, 159, 159), brush = rgb(243, 77, 58), h = 15, symbol = clWhite;
  const int x = start.x, y = start.y;
  return {{TGlyphOp::PenColor, {}, int32_t(pen)},
          {TGlyphOp::BrushColor, {}, int32_t(brush)},
          {TGlyphOp::Polygon, {{x, y}, {x + 10, y}, {x + 10, y + h}, {x, y + h}}, 0},
          {TGlyphOp::PenColor, {}, int32_t(symbol)}};
}

Bitmap Paper(int w = 120, int h = 80) {
  return Bitmap(w, h, kPaper);
}

// Nothing drawn anywhere.
bool Blank(const Bitmap& b) {
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x)
      if (b.pixel(x, y) != kPaper) return false;
  return true;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) return false;
  return true;
}

}  // namespace

void PrintTo(const TGlyphOp& op, std::ostream* os) {
  *os << "{kind " << int(op.kind) << ", value " << op.value << ",";
  for (const TPoint& p : op.points) *os << " (" << p.x << "," << p.y << ")";
  *os << "}";
}

// ---- the programs ----

TEST(GlyphTables, DigitsDrawTheTabledStrokes) {
  const char* table[10] = {
      "B (5,0) (-1,0) (-1,16) (5,16); B (5,16) (11,16) (11,0) (5,0)",
      "B (0,6) (2,6) (6,2) (6,0); L (7,0); L (7,16)",
      "B (0,4) (0,-1) (8,-1) (8,4); B (8,4) (8,8) (0,12) (0,16); L (8,16)",
      "B (0,4) (2,-5) (11,5) (4,7); B (4,7) (12,11) (3,20) (0,13)",
      "M (11,11); L (0,11); L (8,0); L (8,16)",
      "M (10,0); L (5,0); L (2,6); B (2,6) (13,7) (9,18) (2,15)",
      "B (10,0) (0,4) (2,16) (6,16); B (6,16) (12,16) (10,3) (3,8)",
      "M (0,3); L (2,0); L (9,0); L (3,16); M (4,8); L (8,8)",
      "B (5,0) (1,0) (0,5) (5,7); B (5,7) (10,9) (9,16) (5,16); B (5,0) (9,0) (10,5) (5,7); "
      "B (5,7) (0,9) (1,16) (5,16)",
      "B (0,16) (10,12) (8,0) (4,0); B (4,0) (-2,0) (0,13) (7,8)",
  };
  const TPoint start{100, 50};
  for (int d = 0; d < 10; ++d) {
    SCOPED_TRACE(d);
    TGlyph g = DigitGlyph(char('0' + d));
    EXPECT_LE(g.size(), size_t(51));
    EXPECT_EQ(DecodeGlyph(g, start, 1.0, 1.0, 0.0, 1), Strokes(table[d], start));
  }
  for (char c : {'/', ':', 'a', ' ', '\0'}) EXPECT_TRUE(DigitGlyph(c).empty()) << int(c);
}

TEST(GlyphTables, ButtonIconsDrawBackgroundThenSymbol) {
  struct Icon {
    char background;
    const char* symbol;
  };
  const Icon table[11] = {
      {'G', "M (9,5); L (6,2); L (4,6); B (6,2) (8,6) (7,15) (2,15)"},
      {'G', "M (1,5); L (4,2); L (6,6); B (4,2) (1,6) (3,15) (8,15)"},
      {'G', "M (9,5); L (6,2); L (4,6); B (6,2) (8,6) (7,13) (4,14)"},
      {'R', "M (3,3); L (7,12); M (7,3); L (3,12)"},
      {'R', "M (3,12); L (7,12)"},
      {'S', "M (1,7); L (8,7); M (4,4); L (8,7); L (4,11)"},
      {'S', "M (9,7); L (2,7); M (6,4); L (2,7); L (6,11)"},
      {'S', "M (5,2); L (5,12); M (2,8); L (5,2); L (8,8)"},
      {'S', "M (5,13); L (5,3); M (2,7); L (5,13); L (8,7)"},
      {'G', "M (8,13); L (4,14); L (3,10); B (4,14) (8,12) (10,3) (4,2)"},
      {'G', "M (4,5); L (2,8); L (4,13); M (6,5); L (8,8); L (6,13)"},
  };
  const TPoint start{30, 40};
  for (int i = 1; i <= 11; ++i) {
    SCOPED_TRACE(i);
    TGlyph g = ButtonGlyph(i);
    EXPECT_LE(g.size(), size_t(51));
    std::vector<TGlyphOp> want = Background(table[i - 1].background, start);
    for (const TGlyphOp& op : Strokes(table[i - 1].symbol, start)) want.push_back(op);
    EXPECT_EQ(DecodeGlyph(g, start, 1.0, 1.0, 0.0, 1), want);
  }
  EXPECT_TRUE(ButtonGlyph(0).empty());
  EXPECT_TRUE(ButtonGlyph(12).empty());
  EXPECT_TRUE(ButtonGlyph(-1).empty());
}

// ---- the interpreter ----

TEST(GlyphDecode, ScalesRoundsThenTurnsAndRoundsAgain) {
  const int32_t moveTo53[] = {3, 5, 3, 0};
  const int32_t moveTo11[] = {3, 1, 1, 0};
  const double c30 = std::cos(kPi / 6), s30 = std::sin(kPi / 6);
  const double c45 = std::cos(kPi / 4), s45 = std::sin(kPi / 4);
  struct Case {
    const char* name;
    TGlyph program;
    double s, cosA, sinA;
    int32_t sign;
    TPoint want;
  };
  const Case cases[] = {
      // (4, 2.4) -> (4, 2); turned: (3.46 - 1, 2 + 1.73) -> (2, 4)
      {"scale 0.8 turned 30 degrees", moveTo53, 0.8, c30, s30, 1, {102, 104}},
      {"sign -1 mirrors through the start", moveTo53, 0.8, c30, s30, -1, {98, 96}},
      // 2.5 and 1.5 both round to 2
      {"halves go to even", moveTo53, 0.5, 1.0, 0.0, 1, {102, 102}},
      // (1.4, 1.4) -> (1, 1) first; turned (0, 1.41) -> (0, 1), not (0, 2)
      {"rounded before turning", moveTo11, 1.4, c45, s45, 1, {100, 101}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<TGlyphOp> ops =
        DecodeGlyph(c.program, {100, 100}, c.s, c.cosA, c.sinA, c.sign);
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0], (TGlyphOp{TGlyphOp::MoveTo, {c.want}, 0}));
  }
}

TEST(GlyphDecode, EndMarksUnknownOpcodesAndLimits) {
  const TPoint o{0, 0};
  auto decode = [&](std::vector<int32_t> p) { return DecodeGlyph(p, o, 1.0, 1.0, 0.0, 1); };
  const TGlyphOp move12{TGlyphOp::MoveTo, {{1, 2}}, 0};
  const TGlyphOp line34{TGlyphOp::LineTo, {{3, 4}}, 0};

  // Opcodes above 7 draw nothing and the next integer is read as an opcode.
  EXPECT_EQ(decode({8, 3, 1, 2, 99, 2, 3, 4, 0}), (std::vector{move12, line34}));
  // Any value <= 0 ends the program.
  EXPECT_EQ(decode({3, 1, 2, -5, 2, 3, 4, 0}), (std::vector{move12}));
  // A program cut inside an opcode's operands stops before it; so does one without end mark.
  EXPECT_EQ(decode({3, 1, 2, 2, 3}), (std::vector{move12}));
  EXPECT_EQ(decode({3, 1, 2, 1, 0, 0, 1, 1, 2, 2}), (std::vector{move12}));
  EXPECT_EQ(decode({3, 1, 2, 2, 3, 4}), (std::vector{move12, line34}));
  // Colours, brush and pen width.
  EXPECT_EQ(decode({4, 10, 20, 30, 5, 1, 2, 3, 7, 3, 0}),
            (std::vector<TGlyphOp>{{TGlyphOp::PenColor, {}, int32_t(rgb(10, 20, 30))},
                                   {TGlyphOp::BrushColor, {}, int32_t(rgb(1, 2, 3))},
                                   {TGlyphOp::PenWidth, {}, 3}}));

  // A polygon keeps its first 30 points but consumes all of them.
  std::vector<int32_t> poly{6, 32};
  std::vector<TPoint> first30;
  for (int i = 0; i < 32; ++i) {
    poly.push_back(i);
    poly.push_back(100 + i);
    if (i < 30) first30.push_back({i, 100 + i});
  }
  poly.insert(poly.end(), {2, 3, 4, 0});
  EXPECT_EQ(decode(poly), (std::vector<TGlyphOp>{{TGlyphOp::Polygon, first30, 0}, line34}));
}

// ---- drawing ----

TEST(GlyphDraw, DigitStrokesLandOnTheirPixels) {
  const TColor ink = rgb(200, 0, 0);
  {
    // '1' at scale 2 on (50, 20): start (40, 20); L (7,0) -> (54, 20), L (7,16) -> (54, 52).
    Bitmap b = Paper();
    Canvas c(b);
    c.setPenColor(ink);
    DrawDigit('1', c, {50, 20}, 0.0, 2.0);
    EXPECT_EQ(b.pixel(40, 32), ink);  // the Bezier starts at (0,6)
    EXPECT_EQ(b.pixel(53, 20), ink);  // the short top stroke from the Bezier's end
    for (int y = 21; y < 52; ++y) EXPECT_EQ(b.pixel(54, y), ink) << y;
    EXPECT_EQ(b.pixel(54, 52), kPaper);  // line-to leaves its end point
    EXPECT_EQ(b.pixel(55, 30), kPaper);
    EXPECT_EQ(b.pixel(38, 30), kPaper);
  }
  {
    // '4' turned a quarter: the ruler runs down the screen, the digit grows toward -x. start =
    // (50, 45); glyph (8,0) -> (50, 53), (8,16) -> (34, 53), (0,11) -> (39, 45).
    Bitmap b = Paper();
    Canvas c(b);
    c.setPenColor(ink);
    DrawDigit('4', c, {50, 50}, kPi / 2, 1.0);
    for (int x = 35; x <= 50; ++x) EXPECT_EQ(b.pixel(x, 53), ink) << x;
    for (int y = 46; y <= 56; ++y) EXPECT_EQ(b.pixel(39, y), ink) << y;  // (11,11) to (0,11)
    EXPECT_EQ(b.pixel(51, 53), kPaper);
    EXPECT_EQ(b.pixel(45, 40), kPaper);
  }
  {
    // '0' at scale 1: its two arcs meet on the glyph's top and bottom middle, (5,0) and (5,16).
    Bitmap b = Paper();
    Canvas c(b);
    c.setPenColor(ink);
    DrawDigit('0', c, {60, 10}, 0.0, 1.0);
    EXPECT_EQ(b.pixel(60, 10), ink);
    EXPECT_EQ(b.pixel(60, 26), ink);
    EXPECT_EQ(b.pixel(60, 18), kPaper);  // hollow
  }
}

TEST(GlyphDraw, UnknownGlyphsDrawNothing) {
  Bitmap b = Paper();
  Canvas c(b);
  DrawDigit('x', c, {50, 20}, 0.3, 1.0);
  for (int n : {-1, 100, 123, -10}) DrawNumber(n, c, {50, 20}, 0.0, 1.0);
  DrawButtonIcon(0, c, {20, 20}, 1, 0.0, 1.0);
  DrawButtonIcon(12, c, {20, 20}, 1, 0.0, 1.0);
  EXPECT_TRUE(Blank(b));
}

TEST(GlyphDraw, TwoDigitNumbersMeetAtTheirPoint) {
  {
    // 11 at scale 2 on (50, 20): tens start at (30, 20), units at (50, 20); each '1' has its
    // stem at glyph x = 7.
    Bitmap b = Paper();
    Canvas c(b);
    c.setPenColor(clBlack);
    DrawNumber(11, c, {50, 20}, 0.0, 2.0);
    for (int y = 21; y < 52; ++y) {
      EXPECT_EQ(b.pixel(44, y), clBlack) << y;
      EXPECT_EQ(b.pixel(64, y), clBlack) << y;
    }
    EXPECT_EQ(b.pixel(54, 40), kPaper);
  }
  // Each digit offset by (Nearest(5s cos a), Nearest(5s sin a)) from the point; one digit at
  // the point itself.
  struct Case {
    int n;
    double a, s;
    TPoint tens, units;  // where the digits' top centres go; units only for 0..9
  };
  const Case cases[] = {
      {47, 0.0, 0.8, {56, 40}, {64, 40}},
      // 4 cos(-pi/8) = 3.70 -> 4, 4 sin(-pi/8) = -1.53 -> -2
      {10, -kPi / 8, 0.8, {56, 42}, {64, 38}},
      {99, 0.0, 1.2, {54, 40}, {66, 40}},
      {7, 0.5, 1.0, {0, 0}, {60, 40}},
      {0, 0.0, 0.8, {0, 0}, {60, 40}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.n);
    Bitmap got = Paper(), want = Paper();
    Canvas cg(got), cw(want);
    DrawNumber(k.n, cg, {60, 40}, k.a, k.s);
    if (k.n >= 10) DrawDigit(char('0' + k.n / 10), cw, k.tens, k.a, k.s);
    DrawDigit(char('0' + k.n % 10), cw, k.units, k.a, k.s);
    EXPECT_FALSE(Blank(got));
    EXPECT_TRUE(SamePixels(got, want));
  }
}

TEST(GlyphDraw, ButtonIconsFillTheirBoxAndDrawTheSymbol) {
  const TColor green = rgb(224, 238, 77), sand = rgb(238, 200, 157), red = rgb(243, 77, 58);
  const TColor grey = rgb(159, 159, 159), blue = rgb(0, 0, 255);
  struct Case {
    int button;
    TColor box, symbol;
    TPoint stroke;  // glyph point of the symbol's first move
    bool tall;      // box 16 high, else 15 with a grey outline
  };
  const Case cases[] = {
      {1, green, blue, {9, 5}, true},    {2, green, blue, {1, 5}, true},
      {3, green, blue, {9, 5}, true},    {4, red, clWhite, {3, 3}, false},
      {5, red, clWhite, {3, 12}, false}, {6, sand, blue, {1, 7}, true},
      {7, sand, blue, {9, 7}, true},     {8, sand, blue, {5, 2}, true},
      {9, sand, blue, {5, 13}, true},    {10, green, blue, {8, 13}, true},
      {11, green, blue, {4, 5}, true},
  };
  // Scale 2 on (20, 20): glyph point g is pixel (20 + 2 gx, 20 + 2 gy).
  for (const Case& k : cases) {
    SCOPED_TRACE(k.button);
    Bitmap b = Paper();
    Canvas c(b);
    DrawButtonIcon(k.button, c, {20, 20}, 1, 0.0, 2.0);
    EXPECT_EQ(b.pixel(22, 22), k.box);
    EXPECT_EQ(b.pixel(20 + 2 * k.stroke.x, 20 + 2 * k.stroke.y), k.symbol);
    EXPECT_EQ(b.pixel(19, 30), kPaper);
    EXPECT_EQ(b.pixel(41, 30), kPaper);
    if (k.tall) {
      EXPECT_EQ(b.pixel(25, 51), k.box);
      EXPECT_EQ(b.pixel(25, 52), k.box);  // outline in the box colour
      EXPECT_EQ(b.pixel(25, 53), kPaper);
    } else {
      EXPECT_EQ(b.pixel(25, 49), k.box);
      EXPECT_EQ(b.pixel(25, 50), grey);
      EXPECT_EQ(b.pixel(25, 51), kPaper);
    }
  }
}

TEST(GlyphDraw, NegativeSignTurnsAnIconByAHalfTurn) {
  // The minimise bar (3,12)-(7,12) at scale 2 from (60, 60) with sign -1: (54, 36) to (46, 36),
  // inside a box spanning (40, 30)..(60, 60).
  Bitmap b = Paper();
  Canvas c(b);
  DrawButtonIcon(5, c, {60, 60}, -1, 0.0, 2.0);
  for (int x = 47; x <= 54; ++x) EXPECT_EQ(b.pixel(x, 36), clWhite) << x;
  EXPECT_EQ(b.pixel(58, 58), rgb(243, 77, 58));
  EXPECT_EQ(b.pixel(42, 32), rgb(243, 77, 58));
  EXPECT_EQ(b.pixel(50, 62), kPaper);
  EXPECT_EQ(b.pixel(50, 28), kPaper);
  // A digit drawn afterwards is upright again: the stem of '1' (start (40, 20)) at x = 54.
  b.fill(kPaper);
  c.setPenColor(clBlack);
  DrawDigit('1', c, {50, 20}, 0.0, 2.0);
  EXPECT_EQ(b.pixel(54, 30), clBlack);
  EXPECT_EQ(b.pixel(46, 10), kPaper);
}

// ---- the ruler's paint ----

namespace {

class QuietHost : public TRegleHost {
 public:
  bool ShiftDown() const override { return false; }
  bool CtrlDown() const override { return false; }
  void MoveCursorTo(TPoint) override {}
  void ProcessMessages() override {}
  void SetHandCursor(bool) override {}
  bool ButtonShown(int i) const override { return options.ButtonShown[size_t(i)]; }
  TRegleOptions Options() const override { return options; }
  void SetTimerInterval(int32_t) override {}
  void StartTimer() override {}
  void StopTimer() override {}
  TRegleOptions options;
};

constexpr TColor kGrey = 8421504, kSilver = 12632256;
constexpr TColor kBody = 9039853, kBack = 7071985, kDisc = 4954607;
// Tick colours told apart.
constexpr TColor kCm = rgb(0, 0, 200), kHalf = rgb(0, 160, 0), kMm = rgb(200, 0, 0);
constexpr double kMm96 = 3.7795;  // "Pixels par centimètre" 37.795 at 96 pixels per inch

// The window's start-up on a 96 pixels-per-inch screen, then the disc placed at (400, 300).
// Angle 0 unless told: the 15 cm ruler is then L = 609, W = 80 with the pivot on the disc at
// local (0, 20), so local p lies at window (p.x + 400, p.y + 280).
class RulerPaint : public ::testing::Test {
 protected:
  RulerPaint() {
    host.options.CmColor = kCm;
    host.options.HalfCmColor = kHalf;
    host.options.MmColor = kMm;
  }
  void Start(double angle = 0.0) {
    ruler.ApplyOptions(host.options);
    ruler.SetAngle(angle);
    ruler.PlaceAt({400, 300});
  }
  Bitmap Painted() {
    Bitmap b(800, 600, kPaper);
    Canvas c(b);
    Paint(ruler, c);
    return b;
  }
  // Window x of millimetre graduation k on the unturned ruler whose 0 lies at x0.
  static int TickX(int x0, int k, int dir = 1) { return x0 + dir * int(std::nearbyint(k * kMm96)); }

  QuietHost host;
  TRegle ruler{host, 96.0};
};

int CountColour(const Bitmap& b, TColor c, TRect r = {0, 0, 800, 600}) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += b.pixel(x, y) == c;
  return n;
}

// Every pixel the reference drew has the same colour in the painting.
int MissingFrom(const Bitmap& painted, const Bitmap& reference) {
  int missing = 0;
  for (int y = 0; y < reference.height(); ++y)
    for (int x = 0; x < reference.width(); ++x)
      if (reference.pixel(x, y) != kPaper && painted.pixel(x, y) != reference.pixel(x, y))
        ++missing;
  return missing;
}

// Pixels of colour c that lie neither on a column [top, bottom) at one of xs nor on a pixel
// of the reference.
int StrayPixels(const Bitmap& painted, TColor c, const std::vector<int>& xs, int top, int bottom,
                const Bitmap& reference) {
  int stray = 0;
  for (int y = 0; y < painted.height(); ++y)
    for (int x = 0; x < painted.width(); ++x) {
      if (painted.pixel(x, y) != c || reference.pixel(x, y) != kPaper) continue;
      const bool onTick = y >= top && y < bottom && std::find(xs.begin(), xs.end(), x) != xs.end();
      if (!onTick) ++stray;
    }
  return stray;
}

}  // namespace

TEST_F(RulerPaint, DefaultRulerBodyBandAndDisc) {
  Start();
  const Bitmap b = Painted();
  // Body (96, 240)-(704, 288) over its outline, back band down to 320.
  EXPECT_EQ(b.pixel(300, 284), kBody);
  EXPECT_EQ(b.pixel(100, 240), kGrey);  // graduated edge, left of the 0 graduation at 115
  EXPECT_EQ(b.pixel(96, 260), kGrey);
  EXPECT_EQ(b.pixel(704, 260), kGrey);
  EXPECT_EQ(b.pixel(150, 305), kBack);
  EXPECT_EQ(b.pixel(150, 288), kSilver);  // the band's outline covers the body's lower edge
  EXPECT_EQ(b.pixel(150, 320), kSilver);
  EXPECT_EQ(b.pixel(96, 305), kSilver);
  for (TPoint out : {TPoint{95, 260}, TPoint{705, 260}, TPoint{300, 239}, TPoint{300, 321}})
    EXPECT_EQ(b.pixel(out.x, out.y), kPaper) << out.x << "," << out.y;
  // Disc: ellipse in (400, 300) +- 13.
  EXPECT_EQ(b.pixel(400, 300), kDisc);
  EXPECT_EQ(b.pixel(400, 287), kGrey);
  EXPECT_EQ(b.pixel(400, 285), kBody);
  EXPECT_EQ(b.pixel(387, 300), kGrey);
}

TEST_F(RulerPaint, DefaultRulerTicksAndNumbers) {
  Start();
  const Bitmap b = Painted();
  // 0 graduation at local x = 19 - 304 = -285: window (115, 240); 156 positions; ticks 13,
  // 19 and 26 pixels long.
  std::vector<int> cmColumns;
  for (int k = 0; k < 156; ++k) {
    SCOPED_TRACE(k);
    const int x = TickX(115, k);
    const TColor c = k % 10 == 0 ? kCm : k % 5 == 0 ? kHalf : kMm;
    const int length = k % 10 == 0 ? 26 : k % 5 == 0 ? 19 : 13;
    EXPECT_EQ(b.pixel(x, 240), c);
    EXPECT_EQ(b.pixel(x, 240 + length - 1), c);
    if (k % 10 != 0) {
      EXPECT_EQ(b.pixel(x, 240 + length), kBody);
    }
    EXPECT_NE(b.pixel(x + 1, 245), c);
    if (k % 10 == 0) cmColumns.push_back(x);
  }
  EXPECT_EQ(TickX(115, 155), 701);
  // Numbers 0..15 hang from the centimetre ticks' ends, scale 0.8, pen width 1; nothing
  // else is drawn in the centimetre colour.
  Bitmap numbers(800, 600, kPaper);
  Canvas nc(numbers);
  nc.setPenColor(kCm);
  for (int cm = 0; cm <= 15; ++cm) DrawNumber(cm, nc, {TickX(115, 10 * cm), 266}, 0.0, 0.8);
  EXPECT_EQ(MissingFrom(b, numbers), 0);
  EXPECT_EQ(StrayPixels(b, kCm, cmColumns, 240, 266, numbers), 0);
}

TEST_F(RulerPaint, DefaultRulerButtons) {
  Start();
  const Bitmap b = Painted();
  // B = 1.44: anchors x 14, -28, -126, 285, 261, -177, -228, -155, -206, -104, 72 at y 13.
  const TPoint anchors[12] = {{},         {414, 293}, {372, 293}, {274, 293},
                              {685, 293}, {661, 293}, {223, 293}, {172, 293},
                              {245, 293}, {194, 293}, {296, 293}, {472, 293}};
  Bitmap icons(800, 600, kPaper);
  Canvas ic(icons);
  ic.setPenWidth(2);
  for (int i = 1; i <= 11; ++i) {
    SCOPED_TRACE(i);
    Bitmap one(800, 600, kPaper);
    Canvas oc(one);
    oc.setPenWidth(2);
    DrawButtonIcon(i, oc, anchors[i], 1, 0.0, 1.44);
    EXPECT_EQ(MissingFrom(b, one), 0);
  }
  // No pivot marker and no frame while nothing is pressed or highlighted.
  EXPECT_EQ(CountColour(b, rgb(255, 255, 0)), 0);
  EXPECT_EQ(CountColour(b, clRed), 0);
}

TEST_F(RulerPaint, TurnedRulerRoundsEachTickOffsetAsAWhole) {
  Start(-kPi / 8);
  const Bitmap b = Painted();
  // cos = 0.92388, sin = -0.38268. 0 graduation T(-285, -40) = (114, 354); step (3.4918,
  // -1.4464): k = 1 -> +(3, -1), k = 5 -> +(17, -7) (not 5 * (3, -1)), k = 10 -> +(35, -14).
  EXPECT_EQ(b.pixel(114, 354), kCm);
  EXPECT_EQ(b.pixel(117, 353), kMm);
  EXPECT_EQ(b.pixel(131, 347), kHalf);
  EXPECT_EQ(b.pixel(149, 340), kCm);
  // Inner end of the 0 mm tick T(-285, -27) = (119, 366): the 1 hangs upright from
  // (149, 340) + 2 * (5, 12).
  Bitmap one(800, 600, kPaper);
  Canvas oc(one);
  oc.setPenColor(kCm);
  DrawNumber(1, oc, {159, 364}, -kPi / 8, 0.8);
  EXPECT_GT(CountColour(one, kCm), 10);
  EXPECT_EQ(MissingFrom(b, one), 0);
}

TEST_F(RulerPaint, TickUnderThePencilTurnsBlack) {
  Start();
  // Graduation 1 is at (119, 240); its neighbour 2 at (123, 240).
  struct Case {
    TPoint offset;
    bool black;
  };
  const Case cases[] = {{{0, 0}, true},  {{1, 1}, true},   {{-1, 1}, true},  {{1, -1}, true},
                        {{2, 0}, false}, {{0, -2}, false}, {{-2, 1}, false}, {{1, 2}, false}};
  for (const Case& k : cases) {
    SCOPED_TRACE(testing::Message() << k.offset.x << "," << k.offset.y);
    ruler.SetPencilPos({119 + k.offset.x, 240 + k.offset.y});
    const Bitmap b = Painted();
    const TRect row{116, 246, 123, 247};
    if (k.black) {
      EXPECT_EQ(CountColour(b, clBlack, row), 2);  // two pixels wide
      EXPECT_EQ(b.pixel(119, 246), clBlack);
      EXPECT_EQ(CountColour(b, kMm, row), 0);
    } else {
      EXPECT_EQ(CountColour(b, clBlack), 0);
      EXPECT_EQ(CountColour(b, kMm, row), 1);
    }
    EXPECT_EQ(b.pixel(123, 246), kMm);
    EXPECT_EQ(b.pixel(115, 246), kCm);
  }
  // A centimetre tick takes its number with it, in the tick's pen.
  ruler.SetPencilPos({153, 240});
  const Bitmap b = Painted();
  EXPECT_EQ(b.pixel(153, 250), clBlack);
  Bitmap one(800, 600, kPaper);
  Canvas oc(one);
  oc.setPenColor(clBlack);
  oc.setPenWidth(2);
  DrawNumber(1, oc, {153, 266}, 0.0, 0.8);
  EXPECT_EQ(MissingFrom(b, one), 0);
  EXPECT_EQ(CountColour(b, kCm, {140, 240, 166, 285}), 0);
  EXPECT_EQ(b.pixel(191, 246), kCm);  // graduation 20 keeps its colour
}

TEST_F(RulerPaint, TransparentBodyKeepsOutlineAndBand) {
  Start();
  ruler.SetTransparent(true);
  const Bitmap b = Painted();
  EXPECT_EQ(b.pixel(300, 284), kPaper);
  EXPECT_EQ(b.pixel(100, 240), kGrey);
  EXPECT_EQ(b.pixel(96, 260), kGrey);
  EXPECT_EQ(b.pixel(150, 305), kBack);
  EXPECT_EQ(b.pixel(115, 250), kCm);
}

TEST_F(RulerPaint, TickKindsFollowTheShownBoxes) {
  struct Case {
    bool cm, half, mm;
    const char* kinds;  // graduations 0, 3, 5, 10, 15: C cm, H half, m mm, - none
  };
  const Case cases[] = {
      {true, true, true, "CmHCH"},   {false, true, true, "HmHHH"},  {true, false, true, "CmmCm"},
      {true, true, false, "C-HCH"},  {false, false, true, "mmmmm"}, {false, false, false, "-----"},
      {false, true, false, "H-HHH"},
  };
  const int ks[5] = {0, 3, 5, 10, 15};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cm << c.half << c.mm);
    host.options.ShowCm = c.cm;
    host.options.ShowHalfCm = c.half;
    host.options.ShowMm = c.mm;
    Start();
    const Bitmap b = Painted();
    for (int i = 0; i < 5; ++i) {
      SCOPED_TRACE(ks[i]);
      const int x = TickX(115, ks[i]);
      switch (c.kinds[i]) {
        case 'C':
          EXPECT_EQ(b.pixel(x, 265), kCm);
          break;
        case 'H':
          EXPECT_EQ(b.pixel(x, 258), kHalf);
          EXPECT_EQ(b.pixel(x, 259), kBody);
          break;
        case 'm':
          EXPECT_EQ(b.pixel(x, 252), kMm);
          EXPECT_EQ(b.pixel(x, 253), kBody);
          break;
        default:
          EXPECT_EQ(b.pixel(x, 240), kGrey);
      }
    }
    // Numbers only come with centimetre ticks.
    if (!c.cm) {
      EXPECT_EQ(CountColour(b, kCm), 0);
    }
  }
}

TEST_F(RulerPaint, ShortRulerWithoutMarginShowsNoZero) {
  host.options.Reglet = true;
  Start();
  ASSERT_EQ(ruler.ZeroMargin, 0);
  const Bitmap b = Painted();
  // L = Nearest(156 * 3.7795) = 590: the 0 graduation is the corner (105, 240).
  EXPECT_EQ(b.pixel(105, 240), kCm);
  std::vector<int> cmColumns;
  Bitmap numbers(800, 600, kPaper);
  Canvas nc(numbers);
  nc.setPenColor(kCm);
  for (int cm = 0; cm <= 15; ++cm) {
    cmColumns.push_back(TickX(105, 10 * cm));
    if (cm > 0) DrawNumber(cm, nc, {TickX(105, 10 * cm), 266}, 0.0, 0.8);
  }
  EXPECT_EQ(MissingFrom(b, numbers), 0);
  EXPECT_EQ(StrayPixels(b, kCm, cmColumns, 240, 266, numbers), 0);
}

TEST_F(RulerPaint, WideRulerDrawsLargerBolderDigits) {
  host.options.WidthPx = 120;
  Start();
  ASSERT_DOUBLE_EQ(ruler.DigitScale, 1.2);
  const Bitmap b = Painted();
  // W = 120: pivot local (0, 30), so local p is window (p.x + 400, p.y + 270); 0 graduation
  // (115, 210), millimetre ticks 20 long, numbers from y = 250 at scale 1.2, pen width 2.
  std::vector<int> cmColumns;
  Bitmap numbers(800, 600, kPaper);
  Canvas nc(numbers);
  nc.setPenColor(kCm);
  nc.setPenWidth(2);
  for (int cm = 0; cm <= 15; ++cm) {
    cmColumns.push_back(TickX(115, 10 * cm));
    DrawNumber(cm, nc, {TickX(115, 10 * cm), 250}, 0.0, 1.2);
  }
  EXPECT_EQ(MissingFrom(b, numbers), 0);
  EXPECT_EQ(StrayPixels(b, kCm, cmColumns, 210, 250, numbers), 0);
  // The pen is back to width 1 for the next tick (graduation 11 at 157).
  EXPECT_EQ(CountColour(b, kMm, {155, 215, 160, 216}), 1);
  EXPECT_EQ(b.pixel(157, 229), kMm);
  EXPECT_EQ(b.pixel(157, 230), kBody);
}

TEST_F(RulerPaint, MirroredRulerCountsFromTheOtherEnd) {
  Start();
  ruler.Mirror();
  const Bitmap b = Painted();
  // 0 graduation at local x = 285: window (685, 240), numbers growing toward -x, upright.
  std::vector<int> cmColumns;
  Bitmap numbers(800, 600, kPaper);
  Canvas nc(numbers);
  nc.setPenColor(kCm);
  for (int cm = 0; cm <= 15; ++cm) {
    cmColumns.push_back(TickX(685, 10 * cm, -1));
    DrawNumber(cm, nc, {TickX(685, 10 * cm, -1), 266}, 0.0, 0.8);
  }
  EXPECT_EQ(b.pixel(685, 265), kCm);
  EXPECT_EQ(b.pixel(TickX(685, 5, -1), 258), kHalf);
  EXPECT_EQ(MissingFrom(b, numbers), 0);
  EXPECT_EQ(StrayPixels(b, kCm, cmColumns, 240, 266, numbers), 0);
  // Icons 3 and 10 turned a half turn about T(anchor + (16, 22)); the others unchanged.
  const TPoint turned[] = {{290, 315}, {312, 315}};
  const int which[] = {3, 10};
  for (int j = 0; j < 2; ++j) {
    SCOPED_TRACE(which[j]);
    Bitmap one(800, 600, kPaper);
    Canvas oc(one);
    oc.setPenWidth(2);
    DrawButtonIcon(which[j], oc, turned[j], -1, 0.0, 1.44);
    EXPECT_EQ(MissingFrom(b, one), 0);
  }
  Bitmap right(800, 600, kPaper);
  Canvas rc(right);
  rc.setPenWidth(2);
  DrawButtonIcon(6, rc, {223, 293}, 1, 0.0, 1.44);
  EXPECT_EQ(MissingFrom(b, right), 0);
}

TEST_F(RulerPaint, PivotMarkerAndHighlightFrame) {
  Start();
  const TColor yellow = rgb(255, 255, 0);
  ruler.ActiveButton = 6;
  EXPECT_EQ(Painted().pixel(400, 300), kDisc);
  for (uint8_t pressed : {1, 2, 3, 10}) {
    ruler.ActiveButton = pressed;
    const Bitmap b = Painted();
    EXPECT_EQ(b.pixel(400, 300), clRed) << int(pressed);
    EXPECT_GT(CountColour(b, yellow, {395, 295, 405, 305}), 0);
  }
  // About the 0 graduation the marker follows the pivot.
  ruler.SetPivotMode(2);
  ruler.ActiveButton = 10;
  Bitmap b = Painted();
  EXPECT_EQ(b.pixel(115, 240), clRed);
  EXPECT_EQ(b.pixel(400, 300), kDisc);

  // Button 6's box (223, 293) 14 by 22, framed in red.
  ruler.ActiveButton = 0;
  b = Painted();
  EXPECT_NE(b.pixel(230, 293), clRed);
  ruler.SetHighlight(6);
  b = Painted();
  for (TPoint p : {TPoint{230, 293}, TPoint{223, 304}, TPoint{237, 304}, TPoint{230, 315}})
    EXPECT_EQ(b.pixel(p.x, p.y), clRed) << p.x << "," << p.y;
  EXPECT_EQ(CountColour(b, clRed, {0, 0, 220, 600}), 0);
  EXPECT_EQ(CountColour(b, clRed, {241, 0, 800, 600}), 0);
}

TEST_F(RulerPaint, RendersAsAControlOfItsWindow) {
  Surface surface(800, 600, kPaper);
  ruler.setParent(&surface);
  ruler.setBounds(0, 0, 800, 600);
  Start();
  surface.render();
  EXPECT_EQ(surface.image().pixel(400, 300), kDisc);
  EXPECT_EQ(surface.image().pixel(300, 284), kBody);
  EXPECT_EQ(surface.image().pixel(115, 240), kCm);
  EXPECT_EQ(surface.image().pixel(95, 260), kPaper);
  ruler.setParent(nullptr);
}
