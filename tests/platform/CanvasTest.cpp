#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Canvas.h"

using namespace platform;

namespace {

constexpr TColor kBlue = rgb(0, 0, 255);
constexpr TColor kGreen = rgb(0, 160, 0);

// Bounding box of the pixels that differ from `bg`; empty when none does.
TRect paintedBox(const Bitmap& b, TColor bg = clWhite) {
  TRect box;
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x)
      if (b.pixel(x, y) != bg) box = box.united({x, y, x + 1, y + 1});
  return box;
}

int countNot(const Bitmap& b, const TRect& r, TColor bg = clWhite) {
  int n = 0;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x) n += b.pixel(x, y) != bg;
  return n;
}

bool samePixels(const Bitmap& a, const Bitmap& b) {
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) return false;
  return true;
}

using Drawing = std::function<void(Canvas&)>;

}  // namespace

TEST(CanvasXor, DrawingTwiceRestoresThePixels) {
  const std::vector<std::pair<const char*, Drawing>> cases = {
      {"line", [](Canvas& c) { c.moveTo(2, 3), c.lineTo(30, 17); }},
      {"polyline",
       [](Canvas& c) {
         c.polyline({{2, 2}, {20, 2}, {20, 20}, {4, 28}});
       }},
      {"ellipse", [](Canvas& c) { c.ellipse(3, 4, 33, 25); }},
      {"clear ellipse",
       [](Canvas& c) {
         c.setBrushStyle(BrushStyle::Clear);
         c.ellipse(3, 4, 33, 25);
       }},
      {"rectangle", [](Canvas& c) { c.rectangle(5, 5, 30, 20); }},
      {"arc", [](Canvas& c) { c.arc(0, 0, 30, 30, 30, 15, 0, 15); }},
      {"wide line",
       [](Canvas& c) {
         c.setPenWidth(4);
         c.moveTo(3, 30), c.lineTo(35, 4);
       }},
  };
  for (const auto& [name, draw] : cases) {
    SCOPED_TRACE(name);
    Bitmap b(40, 32, rgb(0x12, 0x34, 0x56));
    for (int x = 0; x < 40; ++x) b.setPixel(x, 10, kGreen);  // not a uniform background
    const Bitmap before = b;
    Canvas c(b);
    c.setPenMode(PenMode::Xor);
    c.setPenColor(rgb(0xFF, 0x80, 0x01));
    c.setBrushColor(rgb(0x0F, 0xF0, 0x33));
    draw(c);
    EXPECT_FALSE(samePixels(b, before));
    for (int y = 0; y < b.height(); ++y)
      for (int x = 0; x < b.width(); ++x)
        ASSERT_EQ(b.scanLine(y)[x] >> 24, 0xFFu) << "opaque at " << x << "," << y;
    draw(c);
    EXPECT_TRUE(samePixels(b, before));
  }
}

TEST(CanvasXor, PenColourIsXoredWithTheDestination) {
  Bitmap b(10, 4, rgb(0x12, 0x34, 0x56));
  Canvas c(b);
  c.setPenMode(PenMode::Xor);
  c.setPenColor(rgb(0xFF, 0x0F, 0x00));
  c.moveTo(0, 1);
  c.lineTo(9, 1);
  EXPECT_EQ(b.pixel(4, 1), rgb(0x12 ^ 0xFF, 0x34 ^ 0x0F, 0x56));
  EXPECT_EQ(b.pixel(4, 0), rgb(0x12, 0x34, 0x56));
}

TEST(CanvasLine, LineToLeavesTheEndPointAndPolylinePaintsEachJointOnce) {
  Bitmap b(20, 20);
  Canvas c(b);
  c.setPenColor(clBlack);
  c.moveTo(2, 5);
  c.lineTo(12, 5);
  EXPECT_EQ(b.pixel(2, 5), clBlack);
  EXPECT_EQ(b.pixel(11, 5), clBlack);
  EXPECT_EQ(b.pixel(12, 5), clWhite);
  EXPECT_EQ(c.penPos(), (TPoint{12, 5}));
  EXPECT_EQ(countNot(b, {0, 0, 20, 20}), 10);

  // In XOR a joint painted twice would come back white.
  Bitmap x(20, 20);
  Canvas cx(x);
  cx.setPenMode(PenMode::Xor);
  cx.setPenColor(clWhite);
  cx.polyline({{2, 2}, {10, 2}, {10, 10}, {2, 10}});
  EXPECT_EQ(x.pixel(10, 2), clBlack);
  EXPECT_EQ(x.pixel(10, 10), clBlack);
  EXPECT_EQ(x.pixel(2, 10), clWhite);
  EXPECT_EQ(countNot(x, {0, 0, 20, 20}), 24);
}

TEST(CanvasShape, BoundingBoxesLeaveOutTheRightAndBottomEdges) {
  const std::vector<std::pair<const char*, Drawing>> cases = {
      {"ellipse", [](Canvas& c) { c.ellipse(3, 4, 21, 15); }},
      {"clear ellipse",
       [](Canvas& c) {
         c.setBrushStyle(BrushStyle::Clear);
         c.ellipse(3, 4, 21, 15);
       }},
      {"rectangle", [](Canvas& c) { c.rectangle(3, 4, 21, 15); }},
      {"full arc", [](Canvas& c) { c.arc(3, 4, 21, 15, 21, 9, 21, 9); }},
  };
  for (const auto& [name, draw] : cases) {
    SCOPED_TRACE(name);
    Bitmap b(30, 30);
    Canvas c(b);
    c.setBrushColor(kBlue);
    draw(c);
    EXPECT_EQ(paintedBox(b), (TRect{3, 4, 21, 15}));
  }
}

TEST(CanvasShape, RectangleHasAPenFrameAndABrushInterior) {
  Bitmap b(20, 20);
  Canvas c(b);
  c.setPenColor(clRed);
  c.setBrushColor(kBlue);
  c.rectangle(2, 2, 10, 8);
  EXPECT_EQ(b.pixel(2, 2), clRed);
  EXPECT_EQ(b.pixel(9, 7), clRed);
  EXPECT_EQ(b.pixel(5, 7), clRed);
  EXPECT_EQ(b.pixel(5, 4), kBlue);
  c.setBrushStyle(BrushStyle::Clear);
  b.fill(clWhite);
  c.rectangle(2, 2, 10, 8);
  EXPECT_EQ(b.pixel(5, 4), clWhite);
}

TEST(CanvasShape, PolygonIsClosedAndFilled) {
  Bitmap b(30, 30);
  Canvas c(b);
  c.setBrushColor(kBlue);
  c.polygon({{2, 2}, {25, 2}, {25, 25}});
  EXPECT_EQ(b.pixel(2, 2), clBlack);
  EXPECT_EQ(b.pixel(25, 25), clBlack);
  EXPECT_EQ(b.pixel(13, 13), clBlack);  // the closing edge
  EXPECT_EQ(b.pixel(20, 8), kBlue);
  EXPECT_EQ(b.pixel(8, 20), clWhite);
}

TEST(CanvasShape, ArcRunsCounterClockwiseFromStartToEnd) {
  // Circle in [0, 41) around (20, 20); right point (40, 20), top point (20, 0).
  auto quarters = [](int x3, int y3, int x4, int y4) {
    Bitmap b(41, 41);
    Canvas c(b);
    c.arc(0, 0, 41, 41, x3, y3, x4, y4);
    // Away from the axes, where neighbouring quarters meet.
    return std::vector<int>{countNot(b, {23, 0, 41, 18}), countNot(b, {0, 0, 18, 18}),
                            countNot(b, {0, 23, 18, 41}), countNot(b, {23, 23, 41, 41})};
  };
  const std::vector<int> upperRight = quarters(40, 20, 20, 0);
  EXPECT_GT(upperRight[0], 10);
  EXPECT_EQ(upperRight[1], 0);
  EXPECT_EQ(upperRight[2], 0);
  EXPECT_EQ(upperRight[3], 0);
  const std::vector<int> others = quarters(20, 0, 40, 20);
  EXPECT_EQ(others[0], 0);
  EXPECT_GT(others[1], 10);
  EXPECT_GT(others[2], 10);
  EXPECT_GT(others[3], 10);
  // Radials through far points pick the same angles as points on the circle.
  EXPECT_EQ(quarters(400, 20, 20, -300), upperRight);
}

TEST(CanvasShape, BezierRunsFromFirstToLastPointThroughTheControls) {
  Bitmap b(40, 40);
  Canvas c(b);
  c.polyBezier({{2, 30}, {2, 2}, {36, 2}, {36, 30}});
  EXPECT_EQ(b.pixel(2, 30), clBlack);
  EXPECT_GT(countNot(b, {34, 26, 39, 32}), 0);
  EXPECT_GT(countNot(b, {15, 7, 24, 11}), 0);  // the top of the curve, y = 9
  EXPECT_EQ(countNot(b, {10, 15, 30, 40}), 0);
}

TEST(CanvasBlit, RasterOperationsCombineChannels) {
  constexpr TColor dest = rgb(0x12, 0x34, 0x56);
  struct Case {
    TColor src;
    RasterOp op;
    TColor expected;
  };
  const Case cases[] = {
      {clWhite, RasterOp::And, dest},
      {clBlack, RasterOp::And, clBlack},
      {rgb(0xF0, 0x0F, 0xFF), RasterOp::And, rgb(0x10, 0x04, 0x56)},
      {rgb(0xF0, 0x0F, 0xFF), RasterOp::Copy, rgb(0xF0, 0x0F, 0xFF)},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.src);
    Bitmap b(10, 10, dest);
    Canvas c(b);
    c.draw(3, 4, Bitmap(2, 3, k.src), k.op);
    EXPECT_EQ(b.pixel(3, 4), k.expected);
    EXPECT_EQ(b.pixel(4, 6), k.expected);
    EXPECT_EQ(paintedBox(b, dest), (k.expected == dest ? TRect{} : TRect{3, 4, 5, 7}));
  }
}

TEST(CanvasBlit, StretchDrawScalesEachSourcePixel) {
  Bitmap src(2, 2);
  src.setPixel(0, 0, clRed);
  src.setPixel(1, 0, kBlue);
  src.setPixel(0, 1, kGreen);
  src.setPixel(1, 1, clBlack);
  Bitmap b(12, 10);
  Canvas c(b);
  c.stretchDraw({2, 2, 8, 6}, src);  // 3x across, 2x down
  EXPECT_EQ(paintedBox(b), (TRect{2, 2, 8, 6}));
  const struct {
    int x, y;
    TColor c;
  } expect[] = {{2, 2, clRed},  {4, 3, clRed},  {5, 2, kBlue},   {7, 3, kBlue},
                {2, 4, kGreen}, {4, 5, kGreen}, {5, 4, clBlack}, {7, 5, clBlack}};
  for (const auto& e : expect) EXPECT_EQ(b.pixel(e.x, e.y), e.c) << e.x << "," << e.y;

  // Shrinking samples the source rather than dropping the copy.
  Bitmap small(3, 3);
  Canvas(small).stretchDraw({0, 0, 1, 1}, src);
  EXPECT_NE(small.pixel(0, 0), clWhite);
  EXPECT_EQ(small.pixel(1, 1), clWhite);
}

TEST(CanvasBlit, CopyWithinOneBitmapReadsTheOriginalPixels) {
  Bitmap b(10, 1);
  for (int x = 0; x < 10; ++x) b.setPixel(x, 0, rgb(uint8_t(x), 0, 0));
  Canvas c(b);
  c.copyRect({2, 0, 10, 1}, b, {0, 0, 8, 1});
  for (int x = 2; x < 10; ++x) EXPECT_EQ(b.pixel(x, 0), rgb(uint8_t(x - 2), 0, 0));
}

TEST(CanvasClip, WritesOutsideAreDroppedAndReadsAnswerInvalid) {
  Bitmap b(20, 20);
  Canvas c(b, {0, 0}, {5, 5, 10, 10});
  EXPECT_EQ(c.clipRect(), (TRect{5, 5, 10, 10}));
  c.setPixel(4, 5, clRed);
  c.setPixel(10, 7, clRed);
  c.setPixel(5, 9, clRed);
  EXPECT_EQ(b.pixel(4, 5), clWhite);
  EXPECT_EQ(b.pixel(10, 7), clWhite);
  EXPECT_EQ(c.pixel(5, 9), clRed);
  EXPECT_EQ(c.pixel(4, 5), clInvalid);
  EXPECT_EQ(c.pixel(10, 10), clInvalid);
  EXPECT_EQ(c.pixel(-1, -1), clInvalid);

  c.setBrushColor(kBlue);
  c.fillRect({0, 0, 20, 20});
  c.moveTo(0, 12), c.lineTo(19, 12);
  c.moveTo(0, 0), c.lineTo(19, 19);
  c.ellipse(0, 0, 20, 20);
  EXPECT_EQ(paintedBox(b), (TRect{5, 5, 10, 10}));

  // A clip past the image is cut to it; nothing reaches beyond.
  Canvas wide(b, {0, 0}, {-5, -5, 50, 50});
  EXPECT_EQ(wide.clipRect(), (TRect{0, 0, 20, 20}));
  EXPECT_EQ(wide.pixel(20, 0), clInvalid);
  wide.setPixel(25, 0, clRed);
}

TEST(CanvasOrigin, CanvasPointZeroLiesAtTheOrigin) {
  const std::vector<std::pair<const char*, Drawing>> cases = {
      {"pixel", [](Canvas& c) { c.setPixel(0, 0, clBlack); }},
      {"fill",
       [](Canvas& c) {
         c.fillRect({0, 0, 1, 1});
       }},
      {"line", [](Canvas& c) { c.lineTo(1, 0); }},
      {"rectangle", [](Canvas& c) { c.rectangle(0, 0, 4, 3); }},
      {"ellipse", [](Canvas& c) { c.ellipse(0, 0, 6, 5); }},
      {"text", [](Canvas& c) { c.textOut(0, 0, "W"); }},
      {"draw", [](Canvas& c) { c.draw(0, 0, Bitmap(2, 2, clBlack)); }},
  };
  for (const auto& [name, draw] : cases) {
    SCOPED_TRACE(name);
    Bitmap b(40, 50);
    Canvas c(b, {10, 20}, {0, 0, 40, 50});
    EXPECT_EQ(c.clipRect(), (TRect{-10, -20, 30, 30}));
    c.setBrushColor(clBlack);
    draw(c);
    const TRect box = paintedBox(b);
    EXPECT_EQ(box.Left, 10);
    EXPECT_EQ(box.Top, 20);
  }
}

TEST(CanvasRaw, RowsAddressCanvasPoints) {
  Bitmap b(30, 30);
  Canvas c(b, {7, 3}, {7, 3, 20, 20});
  const RawPixels raw = c.raw();
  EXPECT_EQ(raw.clip, (TRect{0, 0, 13, 17}));
  raw.row(2)[5] = 0xFF0000FFu;  // blue in Qt's 0xAARRGGBB
  EXPECT_EQ(c.pixel(5, 2), kBlue);
  EXPECT_EQ(b.pixel(12, 5), kBlue);
}

TEST(CanvasFloodFill, FillsTheConnectedSurfaceOnly) {
  Bitmap b(300, 200);
  Canvas c(b);
  c.setPenColor(clRed);
  c.setBrushStyle(BrushStyle::Clear);
  c.rectangle(10, 10, 290, 190);
  c.moveTo(150, 10), c.lineTo(150, 190);  // split in two
  // A diagonal wall: 4-connected filling must not slip between its corners.
  c.setPenColor(clBlack);
  c.moveTo(11, 60), c.lineTo(61, 10);
  c.setBrushColor(kBlue);
  c.floodFill(100, 100, clWhite);

  EXPECT_EQ(b.pixel(100, 100), kBlue);
  EXPECT_EQ(b.pixel(149, 189 - 1), kBlue);
  EXPECT_EQ(b.pixel(11, 11 + 60 - 1), kBlue);  // just under the diagonal
  EXPECT_EQ(b.pixel(20, 20), clWhite);         // corner cut off by the diagonal
  EXPECT_EQ(b.pixel(200, 100), clWhite);       // other half
  EXPECT_EQ(b.pixel(5, 5), clWhite);           // outside
  EXPECT_EQ(b.pixel(10, 100), clRed);
  EXPECT_EQ(b.pixel(150, 100), clRed);
  int blue = 0;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) blue += b.pixel(x, y) == kBlue;
  EXPECT_EQ(blue, 139 * 178 - (50 * 51) / 2);

  // A start on another colour, or a fill with the surface colour, changes nothing.
  const Bitmap before = b;
  c.floodFill(10, 100, clWhite);
  c.setBrushColor(clWhite);
  c.floodFill(200, 100, clWhite);
  EXPECT_TRUE(samePixels(b, before));
}

TEST(CanvasFloodFill, StaysInsideTheClip) {
  Bitmap b(40, 40);
  Canvas c(b, {0, 0}, {5, 5, 20, 20});
  c.setBrushColor(kBlue);
  c.floodFill(10, 10, clWhite);
  EXPECT_EQ(paintedBox(b), (TRect{5, 5, 20, 20}));
}

TEST(CanvasText, TwelvePointArialIsAboutSixteenPixelsHigh) {
  Bitmap b(200, 40);
  Canvas c(b);
  Font f;
  f.size = 12;
  f.color = clBlack;
  c.setFont(f);
  const int h = c.textHeight("Hg");
  EXPECT_GE(h, 16);
  EXPECT_LE(h, 19);
  const int w = c.textWidth("Hello");
  EXPECT_GT(w, 20);
  EXPECT_LT(c.textWidth("Hell"), w);
  EXPECT_EQ(c.textWidth(""), 0);

  c.setBrushStyle(BrushStyle::Clear);
  c.textOut(5, 7, "Hello");
  const TRect box = paintedBox(b);
  EXPECT_FALSE(box.isEmpty());
  EXPECT_EQ(box.intersected({5, 7, 5 + w, 7 + h}), box);
  EXPECT_GE(box.width(), w / 2);
  // Without antialiasing every text pixel is the font colour.
  for (int y = box.Top; y < box.Bottom; ++y)
    for (int x = box.Left; x < box.Right; ++x) {
      const TColor p = b.pixel(x, y);
      ASSERT_TRUE(p == clWhite || p == clBlack) << x << "," << y;
    }

  // A solid brush fills the text cell behind the glyphs.
  b.fill(clWhite);
  c.setBrushStyle(BrushStyle::Solid);
  c.setBrushColor(kBlue);
  f.bold = true;
  c.setFont(f);
  c.textOut(5, 7, "Hello");
  EXPECT_EQ(paintedBox(b), rectXYWH(5, 7, c.textWidth("Hello"), h));
  int blue = 0, black = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) {
      blue += b.pixel(x, y) == kBlue;
      black += b.pixel(x, y) == clBlack;
    }
  EXPECT_GT(black, 30);
  EXPECT_EQ(blue + black, c.textWidth("Hello") * h);
}
