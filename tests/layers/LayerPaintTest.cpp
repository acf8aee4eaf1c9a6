#include <gtest/gtest.h>

#include "platform/Surface.h"
#include "sheet/layers/uPages.h"

using platform::Bitmap;
using platform::Surface;
using platform::TColor;
using platform::TPoint;

namespace {

constexpr TColor kPanel = 0xFFDDDD;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kGreen = 0x00FF00;

void addSegment(TPage& layer, platform::TPoint a, platform::TPoint b, TColor colour) {
  layer.Segments.push_back(std::make_unique<TSegment>(1, layer, 3, a, b));
  layer.Segments.back()->color = colour;
}

// Two layers over a panel; the lower one holds a blue segment from (10, 10) to (30, 10).
struct Painting : ::testing::Test {
  Surface panel{200, 200, kPanel};
  TPage* first = nullptr;
  TPage* second = nullptr;

  void SetUp() override {
    first = TPage::Create(nullptr, &panel);
    first->SetBounds(20, 30, 100, 100);
    first->AddLayer();
    second = first->Next;
    first->ActivateOnly(0);
    addSegment(*first, {10, 10}, {30, 10}, kBlue);
  }
  void TearDown() override { first->freeAll(); }
  TColor at(int pageX, int pageY) { return panel.image().pixel(pageX + 20, pageY + 30); }
  void repaint() {
    panel.invalidateAll();
    panel.render();
  }
};

TEST_F(Painting, ObjectsPaintInPageCoordinatesBottomToTop) {
  addSegment(*second, {20, 0}, {20, 20}, kGreen);
  repaint();
  EXPECT_EQ(at(12, 10), kBlue);
  EXPECT_EQ(at(20, 10), kGreen);  // the upper layer covers the lower one
  EXPECT_EQ(at(50, 50), kPanel);  // layers are transparent
}

TEST_F(Painting, BackgroundWhiteKeepsLowerLinesAndBlackPaintsBlack) {
  second->Background = std::make_unique<Bitmap>(20, 20, platform::clWhite);
  second->Background->setPixel(15, 10, platform::clBlack);
  second->BackgroundLeft = 0;
  second->BackgroundTop = 0;
  repaint();
  EXPECT_EQ(at(12, 10), kBlue);
  EXPECT_EQ(at(15, 10), platform::clBlack);
  EXPECT_EQ(at(5, 5), kPanel);
}

TEST_F(Painting, HiddenLayerPaintsNothingButTheOthersStillDo) {
  addSegment(*second, {40, 40}, {60, 40}, kGreen);
  first->SetVisible(false);
  repaint();
  EXPECT_EQ(at(12, 10), kPanel);
  EXPECT_EQ(at(50, 40), kGreen);
}

TEST_F(Painting, SuspendedLayersPaintNothingAndIgnoreThePointer) {
  int presses = 0;
  second->OnMouseDown = [&](platform::Control&, const platform::MouseEvent&) { ++presses; };
  first->SuspendPainting(true);
  repaint();
  EXPECT_EQ(at(12, 10), kPanel);
  panel.mouseDown(60, 60, platform::MouseButton::Left, {});
  panel.mouseUp(60, 60, platform::MouseButton::Left, {});
  EXPECT_EQ(presses, 0);
  first->SuspendPainting(false);
  repaint();
  EXPECT_EQ(at(12, 10), kBlue);
  panel.mouseDown(60, 60, platform::MouseButton::Left, {});
  EXPECT_EQ(presses, 1);  // the top layer takes the pointer
}

TEST_F(Painting, ObjectDrawingOutsidePaintShowsAtOnce) {
  TSegment extra(1, *second, 3, {70, 70}, {90, 70});
  extra.color = kGreen;
  extra.Draw();
  EXPECT_EQ(at(80, 70), kGreen);
}

}  // namespace

namespace {

// One object of each kind on a layer, drawn by a repaint of the panel.
TEST(LayerObjects, EveryKindShowsOnTheRenderedPanel) {
  Surface panel(400, 400, platform::clWhite);
  TPage* layer = TPage::Create(nullptr, &panel);
  layer->SetBounds(10, 20, 300, 300);
  layer->ActivateOnly(0);
  const TColor green = 0x00A000, blue = 0xFF0000, black = 0;
  layer->Curves.push_back(std::make_unique<TCourbeLibre>(TPoint{20, 20}, *layer, green, 3));
  layer->Curves.back()->AddPoint({60, 20});
  layer->Segments.push_back(
      std::make_unique<TSegment>(1, *layer, 3, TPoint{20, 60}, TPoint{80, 60}));
  layer->Points.push_back(std::make_unique<TPointG>(TPoint{150, 150}, nullptr, *layer, 1));
  layer->Points.back()->color = blue;
  layer->Arcs.push_back(
      std::make_unique<TArc>(1, *layer, 3, TPoint{-1, 0}, TPoint{250, 100}, TPoint{200, 100}));
  platform::Font font;
  font.size = 20;
  font.color = black;
  layer->Labels.push_back(std::make_unique<TLibelle>(TPoint{100, 200}, *layer, font, "HHH"));
  layer->Labels.back()->SetLayerActive(true);

  panel.invalidateAll();
  panel.render();
  auto at = [&](int x, int y) { return panel.image().pixel(x + 10, y + 20); };
  EXPECT_EQ(at(40, 20), green);
  EXPECT_EQ(at(50, 60), platform::clRed);
  EXPECT_EQ(at(150, 150), blue);             // the cross's centre
  EXPECT_EQ(at(250, 100), platform::clRed);  // on the circle
  EXPECT_EQ(at(150, 100), platform::clRed);
  EXPECT_EQ(at(200, 100), platform::clWhite);  // no centre mark by default
  int dark = 0;
  for (int y = 200; y < 230; ++y)
    for (int x = 100; x < 160; ++x) dark += at(x, y) == black ? 1 : 0;
  EXPECT_GT(dark, 30);
  layer->freeAll();
}

}  // namespace
