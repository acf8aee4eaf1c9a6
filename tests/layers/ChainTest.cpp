#include <gtest/gtest.h>

#include "platform/Surface.h"
#include "sheet/layers/uPages.h"

using platform::Surface;

namespace {

TLibelle* addLabel(TPage& layer, platform::TPoint at) {
  layer.Labels.push_back(std::make_unique<TLibelle>(at, layer, platform::Font{}, "abc"));
  return layer.Labels.back().get();
}

// A document as the sheet starts one: the first layer at the page size, active.
struct Chain : ::testing::Test {
  Surface panel{900, 1200, 0xFFDDDD};
  TPage* first = nullptr;
  std::vector<std::string> changes;

  void SetUp() override {
    first = TPage::Create(nullptr, &panel);
    first->OnLayersChanged = [this](TPage* sender) { changes.push_back(sender->Name); };
    first->SetBounds(0, 0, 794, 1123);
    first->ActivateOnly(0);
  }
  void TearDown() override {
    if (first) first->freeAll();
  }
  std::vector<std::string> names() {
    std::vector<std::string> out;
    for (TPage* l = first; l; l = l->Next) out.push_back(l->Name);
    return out;
  }
  // Every link agrees with its neighbour and the backward walk mirrors the forward one.
  void expectWalkable() {
    ASSERT_EQ(first->Previous, nullptr);
    std::vector<TPage*> forward;
    for (TPage* l = first; l; l = l->Next) {
      if (l->Next) {
        EXPECT_EQ(l->Next->Previous, l);
      }
      forward.push_back(l);
    }
    std::vector<TPage*> backward;
    for (TPage* l = forward.back(); l; l = l->Previous) backward.insert(backward.begin(), l);
    EXPECT_EQ(forward, backward);
  }
};

TEST_F(Chain, NewDocumentHasOneActiveLayerNamedCalque1) {
  EXPECT_EQ(first->LayerCount(), 1);
  EXPECT_EQ(first->Name, "calque 1");
  EXPECT_TRUE(first->Visible);
  EXPECT_FALSE(first->Protected);
  EXPECT_EQ(first->ActiveLayer(), first);
  EXPECT_EQ(first->boundsRect(), (platform::TRect{0, 0, 794, 1123}));
}

TEST_F(Chain, AddedLayersAreNumberedAndTheLastIsOnTop) {
  first->AddLayer();
  first->AddLayer();
  EXPECT_EQ(names(), (std::vector<std::string>{"calque 1", "calque 2", "calque 3"}));
  TPage* last = first->LayerAt(2);
  EXPECT_EQ(panel.controls().back(), last);
  EXPECT_EQ(last->boundsRect(), first->boundsRect());
  EXPECT_FALSE(last->Active);
  EXPECT_EQ(changes, (std::vector<std::string>{"calque 1", "calque 2"}));
  expectWalkable();
}

TEST_F(Chain, InsertAtZeroBecomesFirstWithTheOldFirstNumberPlusOne) {
  first->AddLayer();
  TPage* inserted = first->InsertLayer(0);
  ASSERT_NE(inserted, nullptr);
  EXPECT_EQ(inserted->Previous, nullptr);
  EXPECT_EQ(inserted->Next, first);
  first = inserted;
  EXPECT_EQ(names(), (std::vector<std::string>{"calque 2", "calque 1", "calque 2"}));
  expectWalkable();
}

TEST_F(Chain, NumbersAreNeverReused) {
  first->AddLayer();
  first->AddLayer();
  first = first->DeleteLayer(1);
  first->AddLayer();
  EXPECT_EQ(names(), (std::vector<std::string>{"calque 1", "calque 3", "calque 4"}));
}

TEST_F(Chain, InsertingBetweenKeepsTheChainWalkableAfterDeletingTheFollower) {
  first->AddLayer();
  first->AddLayer();
  TPage* inserted = first->InsertLayer(1);
  ASSERT_NE(inserted, nullptr);
  EXPECT_EQ(first->IndexOfLayer(inserted), 1);
  expectWalkable();
  first = first->DeleteLayer(2);  // the layer that followed the inserted one
  EXPECT_EQ(first->IndexOfLayer(inserted), 1);
  EXPECT_EQ(first->LayerCount(), 3);
  expectWalkable();
}

TEST_F(Chain, DeletingTheFirstLayerMakesTheSecondFirst) {
  first->AddLayer();
  TPage* second = first->Next;
  changes.clear();
  first = first->DeleteLayer(0);
  EXPECT_EQ(first, second);
  EXPECT_EQ(first->Previous, nullptr);
  EXPECT_EQ(first->LayerCount(), 1);
  EXPECT_EQ(changes.size(), 1u);
  EXPECT_EQ(panel.indexOf(second), 0);
}

TEST_F(Chain, OutOfRangePositionsChangeNothing) {
  first->AddLayer();
  changes.clear();
  EXPECT_EQ(first->LayerAt(2), nullptr);
  EXPECT_EQ(first->LayerAt(-1), nullptr);
  EXPECT_EQ(first->InsertLayer(5), nullptr);
  EXPECT_EQ(first->DeleteLayer(7), first);
  EXPECT_EQ(first->LayerCount(), 2);
  EXPECT_EQ(first->IndexOfLayer(nullptr), 2);
  EXPECT_TRUE(changes.empty());
}

TEST_F(Chain, FreeAllFreesEveryLayer) {
  for (int i = 0; i < 4; ++i) first->AddLayer();
  ASSERT_EQ(first->LayerCount(), 5);
  ASSERT_EQ(panel.controls().size(), 5u);
  first->freeAll();
  first = nullptr;
  EXPECT_TRUE(panel.controls().empty());
}

TEST_F(Chain, HiddenOrProtectedLayersCannotBecomeActive) {
  first->AddLayer();
  first->AddLayer();
  TPage* hidden = first->LayerAt(1);
  TPage* locked = first->LayerAt(2);
  hidden->SetVisible(false);
  locked->SetProtected(true);
  hidden->SetActive(true);
  locked->SetActive(true);
  EXPECT_FALSE(hidden->Active);
  EXPECT_FALSE(locked->Active);
  EXPECT_EQ(first->OtherActivatableLayer(0), nullptr);
  EXPECT_EQ(first->OtherActivatableLayer(1), first);

  first->SetActive(false);
  EXPECT_EQ(first->ActiveLayer(), nullptr);
  locked->SetProtected(false);
  first->ActivateFirstAvailable();
  EXPECT_EQ(first->ActiveLayer(), first);
  EXPECT_FALSE(locked->Active);  // the walk stops at the first that can be active
}

TEST_F(Chain, ActivateOnlyCountsFromTheLayerCalled) {
  first->AddLayer();
  first->AddLayer();
  first->Next->ActivateOnly(1);  // position 1 from the second layer: the third
  EXPECT_TRUE(first->Active);    // before the walk: untouched
  EXPECT_FALSE(first->Next->Active);
  EXPECT_TRUE(first->LayerAt(2)->Active);
  EXPECT_EQ(first->ActiveLayer(), first);  // the first active in chain order
}

TEST_F(Chain, DeactivatingDeselectsEveryObjectAndTellsLabels) {
  auto* seg = new TSegment(1, *first, 2, {10, 10}, {50, 10});
  first->Segments.emplace_back(seg);
  TLibelle* label = addLabel(*first, {30, 40});
  label->SetLayerActive(true);
  seg->SetSelected(true);
  label->SetSelected(true);
  first->SetActive(false);
  EXPECT_FALSE(seg->Selected());
  EXPECT_FALSE(label->Selected());
  EXPECT_FALSE(label->LayerActive());
  first->AddLayer();  // its layer control now lies above the label
  first->SetActive(true);
  EXPECT_TRUE(label->LayerActive());
  EXPECT_EQ(panel.controls().back(), label);  // an active layer's labels lie above all
}

TEST_F(Chain, HidingALayerHidesItsLabelsAndKeepsItActive) {
  TLibelle* label = addLabel(*first, {0, 0});
  first->SetVisible(false);
  EXPECT_FALSE(label->visible());
  EXPECT_TRUE(first->Active);
  first->SetVisible(true);
  EXPECT_TRUE(label->visible());
}

TEST_F(Chain, RestackPutsEachLayerAboveItsLabels) {
  first->AddLayer();
  TPage* second = first->Next;
  TLibelle* a = addLabel(*first, {0, 0});
  TLibelle* b = addLabel(*second, {5, 5});
  first->RestackLayers();
  std::vector<platform::Control*> expected{a, first, b, second};
  EXPECT_EQ(panel.controls(), expected);
}

TEST_F(Chain, RenameRaisesOnlyOnChange) {
  first->Rename("calque 1");
  EXPECT_TRUE(changes.empty());
  first->Rename("figure");
  EXPECT_EQ(changes, (std::vector<std::string>{"figure"}));
}

TEST_F(Chain, BoundsTurnsAndLabelsReachEveryLayer) {
  first->AddLayer();
  auto* point = new TPointG({1, 2}, nullptr, *first, 2);
  first->Points.emplace_back(point);
  auto* seg = new TSegment(1, *first->Next, 1, {3, 4}, {10, 20});
  first->Next->Segments.emplace_back(seg);
  TLibelle* label = addLabel(*first->Next, {30, 40});

  first->SetBounds(50, 60, 1123, 794);
  EXPECT_EQ(first->Next->boundsRect(), (platform::TRect{50, 60, 1173, 854}));
  first->TurnPage(true);  // (x, y) -> (y, width - x)
  EXPECT_EQ(point->position, (platform::TPoint{2, 1122}));
  EXPECT_EQ(seg->P1, (platform::TPoint{4, 1120}));
  EXPECT_EQ(label->Position(), (platform::TPoint{40, 1093}));
  first->PlaceLabels();
  EXPECT_EQ(label->left(), 90);
  EXPECT_EQ(label->top(), 1153);
  first->SetBounds(-40, 60, 1123, 794);  // scrolled horizontally
  first->FollowScroll();
  EXPECT_EQ(label->left(), 0);
}

TEST_F(Chain, ClearEmptiesEveryListAndTheBackground) {
  first->Curves.emplace_back(new TCourbeLibre({1, 1}, *first, 0, 1));
  first->Segments.emplace_back(new TSegment(1, *first, 1, {1, 1}, {5, 5}));
  addLabel(*first, {0, 0});
  first->Background = std::make_unique<platform::Bitmap>(10, 10);
  first->Clear();
  EXPECT_TRUE(first->Curves.empty());
  EXPECT_TRUE(first->Segments.empty());
  EXPECT_TRUE(first->Labels.empty());
  EXPECT_EQ(first->Background, nullptr);
  EXPECT_EQ(panel.controls().size(), 1u);  // the label left the panel
}

}  // namespace
