#include <gtest/gtest.h>

#include "FakeObjects.h"
#include "platform/Surface.h"
#include "sheet/layers/uPages.h"

using platform::Bitmap;
using platform::Surface;
using platform::TColor;

namespace {

constexpr TColor kPanel = 0xFFDDDD;
constexpr TColor kBlue = 0xFF0000;
constexpr TColor kGreen = 0x00FF00;

// Two layers over a panel; the lower one holds a blue square at (10, 10).
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
    first->Segments.emplace_back(new FakeObject(*first, {10, 10}, kBlue));
  }
  void TearDown() override { first->freeAll(); }
  TColor at(int pageX, int pageY) { return panel.image().pixel(pageX + 20, pageY + 30); }
  void repaint() {
    panel.invalidateAll();
    panel.render();
  }
};

TEST_F(Painting, ObjectsPaintInPageCoordinatesBottomToTop) {
  second->Curves.emplace_back(new FakeObject(*second, {12, 12}, kGreen));
  repaint();
  EXPECT_EQ(at(10, 10), kBlue);
  EXPECT_EQ(at(13, 13), kGreen);  // the upper layer covers the lower one
  EXPECT_EQ(at(50, 50), kPanel);  // layers are transparent
}

TEST_F(Painting, BackgroundWhiteKeepsLowerLinesAndBlackPaintsBlack) {
  second->Background = std::make_unique<Bitmap>(20, 20, platform::clWhite);
  second->Background->setPixel(11, 11, platform::clBlack);
  second->BackgroundLeft = 0;
  second->BackgroundTop = 0;
  repaint();
  EXPECT_EQ(at(10, 10), kBlue);
  EXPECT_EQ(at(11, 11), platform::clBlack);
  EXPECT_EQ(at(5, 5), kPanel);
}

TEST_F(Painting, HiddenLayerPaintsNothingButTheOthersStillDo) {
  second->Curves.emplace_back(new FakeObject(*second, {40, 40}, kGreen));
  first->SetVisible(false);
  repaint();
  EXPECT_EQ(at(10, 10), kPanel);
  EXPECT_EQ(at(41, 41), kGreen);
}

TEST_F(Painting, SuspendedLayersPaintNothingAndIgnoreThePointer) {
  int presses = 0;
  second->OnMouseDown = [&](platform::Control&, const platform::MouseEvent&) { ++presses; };
  first->SuspendPainting(true);
  repaint();
  EXPECT_EQ(at(10, 10), kPanel);
  panel.mouseDown(60, 60, platform::MouseButton::Left, {});
  panel.mouseUp(60, 60, platform::MouseButton::Left, {});
  EXPECT_EQ(presses, 0);
  first->SuspendPainting(false);
  repaint();
  EXPECT_EQ(at(10, 10), kBlue);
  panel.mouseDown(60, 60, platform::MouseButton::Left, {});
  EXPECT_EQ(presses, 1);  // the top layer takes the pointer
}

TEST_F(Painting, ObjectDrawingOutsidePaintShowsAtOnce) {
  FakeObject extra(*second, {70, 70}, kGreen);
  extra.Draw();
  EXPECT_EQ(at(71, 71), kGreen);
}

}  // namespace
