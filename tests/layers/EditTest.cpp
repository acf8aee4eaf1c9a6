#include <gtest/gtest.h>

#include <cmath>

#include "platform/Surface.h"
#include "sheet/layers/uChangeRecorder.h"
#include "sheet/layers/uPages.h"
#include "sheet/layers/uSettings.h"
#include "sheet/objects/ucalcul.h"

using platform::Surface;
using platform::TColor;
using platform::TPoint;

namespace {

constexpr TColor kBlue = 0xFF0000;

// What the journal would be told: each deletion with its list position, and the segment id a
// point's record carries.
struct Recorder : TChangeRecorder {
  struct Entry {
    uint8_t kind;
    int32_t index;
    int32_t markedId;
  };
  std::vector<Entry> entries;
  void RecordChange(uint8_t kind, TPage& layer) override {
    int32_t id = -1;
    if (kind == 7) {
      platform::MemoryStream s;
      layer.Points[size_t(layer.LastDeletedIndex)]->SaveToStream(s);
      s.seek(16);
      id = s.readI32();
    }
    entries.push_back({kind, layer.LastDeletedIndex, id});
  }
};

// Three layers on a panel, the page at (20, 30); the middle layer is active.
struct Editing : ::testing::Test {
  Surface panel{900, 1200, 0xFFDDDD};
  TPage* first = nullptr;
  TPage* active = nullptr;
  Recorder recorder;

  void SetUp() override {
    DragDropEnabled = true;
    first = TPage::Create(nullptr, &panel);
    first->SetBounds(20, 30, 794, 1123);
    first->AddLayer();
    first->AddLayer();
    first->ActivateOnly(1);
    active = first->Next;
    SetChangeRecorder(&recorder);
  }
  void TearDown() override {
    SetChangeRecorder(nullptr);
    first->freeAll();
  }
  TSegment* segment(TPoint a, TPoint b, uint8_t width = 2) {
    active->Segments.push_back(std::make_unique<TSegment>(1, *active, width, a, b));
    return active->Segments.back().get();
  }
  TPointG* mark(TSegment* s, TPoint at) {
    active->Points.push_back(std::make_unique<TPointG>(at, s, *active, 2));
    active->Points.back()->SnapToSegment();
    return active->Points.back().get();
  }
  TArc* arc(TPoint centre, int r) {
    active->Arcs.push_back(std::make_unique<TArc>(1, *active, 2, TPoint{-1, 0},
                                                  TPoint{centre.x + r, centre.y}, centre));
    return active->Arcs.back().get();
  }
  int32_t click(int x, int y, bool shift = false) {
    int32_t g = 0;
    first->HitSelect(x, y, shift, g);
    if (g > 0) first->SelectGroup(g);
    return g;
  }
  TColor pagePixel(int x, int y) {
    panel.render();
    return panel.image().pixel(x + 20, y + 30);
  }
};

TEST_F(Editing, PlainClickOnPaperDeselectsAndShiftKeeps) {
  TSegment* s = segment({100, 100}, {300, 100});
  click(200, 100);
  EXPECT_TRUE(s->Selected());
  click(500, 500, /*shift=*/true);
  EXPECT_TRUE(s->Selected());
  click(500, 500);
  EXPECT_FALSE(s->Selected());
  EXPECT_FALSE(first->HasSelection());
}

TEST_F(Editing, ClickSelectsTheGroupAndEverythingUnderThePointer) {
  TSegment* a = segment({100, 100}, {300, 100});
  TSegment* b = segment({200, 50}, {200, 150});  // crosses a at (200, 100)
  TArc* c = arc({600, 600}, 50);
  click(200, 100);
  EXPECT_TRUE(a->Selected());
  EXPECT_TRUE(b->Selected());
  EXPECT_FALSE(c->Selected());

  click(100, 100, true);
  click(600, 552, true);
  first->Group();  // a, b and the arc
  const int32_t g = first->SelectionGroup();
  EXPECT_EQ(g, 1);
  first->SelectAll(false);
  active->SelectAll(false);
  EXPECT_EQ(click(600, 552), g);
  EXPECT_TRUE(a->Selected() && b->Selected() && c->Selected());
}

TEST_F(Editing, GroupingNestsAndUngroupingRestores) {
  TSegment* a = segment({100, 100}, {300, 100});
  TSegment* b = segment({100, 200}, {300, 200});
  TSegment* c = segment({100, 300}, {300, 300});
  a->SetSelected(true);
  b->SetSelected(true);
  first->Group();
  ASSERT_EQ(first->SelectionGroup(), 1);
  first->Group();  // already exactly one group: nothing
  EXPECT_EQ(a->Entries(), (std::vector<int32_t>{1}));

  c->SetSelected(true);
  EXPECT_EQ(first->SelectionGroup(), 0);
  first->Group();
  EXPECT_EQ(first->SelectionGroup(), 2);
  EXPECT_EQ(a->Entries(), (std::vector<int32_t>{1, 2}));
  first->Ungroup(first->SelectionGroup());
  EXPECT_EQ(a->CurrentGroup(), 1);
  EXPECT_EQ(c->CurrentGroup(), 0);
  EXPECT_EQ(first->FreeGroupNumber(), 2);
}

TEST_F(Editing, MarksFollowTheirSegmentAndCountOnlyInTheGroupQuery) {
  TSegment* s = segment({100, 100}, {300, 100});
  TPointG* m1 = mark(s, {150, 120});
  TPointG* m2 = mark(s, {250, 80});
  EXPECT_EQ(m1->position, (TPoint{150, 100}));
  s->PushGroup(4);
  m1->PushGroup(4);
  s->SetSelected(true);
  EXPECT_TRUE(m1->Selected() && m2->Selected());
  EXPECT_TRUE(first->HasSelection());
  EXPECT_FALSE(first->HasMultipleSelection());
  EXPECT_EQ(first->SelectionGroup(), 0);  // m2 is not in group 4
  m2->PushGroup(4);
  EXPECT_EQ(first->SelectionGroup(), 4);
  EXPECT_TRUE(first->SegmentHasTwoMarks());
}

TEST_F(Editing, DeletingASegmentDeletesItsMarksAfterItWithTheirPositions) {
  segment({10, 500}, {90, 500});
  TSegment* s = segment({100, 100}, {300, 100});
  const int32_t id = s->id;
  active->Points.push_back(std::make_unique<TPointG>(TPoint{5, 5}, nullptr, *active, 2));
  mark(s, {150, 100});
  mark(s, {250, 100});
  s->SetSelected(true);
  first->DeleteSelection();

  ASSERT_EQ(recorder.entries.size(), 3u);
  EXPECT_EQ(recorder.entries[0].kind, 6);
  EXPECT_EQ(recorder.entries[0].index, 1);
  EXPECT_EQ(recorder.entries[1].kind, 7);
  EXPECT_EQ(recorder.entries[1].index, 1);
  EXPECT_EQ(recorder.entries[1].markedId, id);
  EXPECT_EQ(recorder.entries[2].index, 1);
  EXPECT_EQ(recorder.entries[2].markedId, id);
  EXPECT_EQ(active->Segments.size(), 1u);
  ASSERT_EQ(active->Points.size(), 1u);
  EXPECT_EQ(active->Points[0]->segment, nullptr);
}

TEST_F(Editing, AMarkLeftBehindByItsSegmentBecomesAFreePoint) {
  TSegment* s = segment({100, 100}, {300, 100});
  TPointG* m = mark(s, {150, 100});
  s->SetSelected(true);
  m->SetSelected(false);  // Shift-click took the mark out of the selection
  first->DeleteSelection();
  ASSERT_EQ(active->Points.size(), 1u);
  EXPECT_EQ(m->segment, nullptr);
  platform::MemoryStream rec;
  m->SaveToStream(rec);
  rec.seek(16);
  EXPECT_EQ(rec.readI32(), 0);
}

TEST_F(Editing, FitSegmentToMarksTakesTheFarthestPair) {
  TSegment* s = segment({100, 100}, {300, 100});
  mark(s, {105, 100});
  mark(s, {100, 100});
  mark(s, {112, 100});
  s->SetSelected(true);
  first->FitSegmentToMarks();
  EXPECT_EQ(s->P1, (TPoint{100, 100}));
  EXPECT_EQ(s->P2, (TPoint{112, 100}));
}

TEST_F(Editing, MergesTouchingCollinearSegmentsOnly) {
  TSegment* a = segment({100, 100}, {200, 150});
  TSegment* b = segment({200, 150}, {300, 200});
  TPointG* m = mark(b, {250, 175});
  a->SetSelected(true);
  b->SetSelected(true);
  ASSERT_TRUE(first->CanMergeSegments());
  first->MergeSegments();
  ASSERT_EQ(active->Segments.size(), 1u);
  EXPECT_EQ(a->P1, (TPoint{100, 100}));
  EXPECT_EQ(a->P2, (TPoint{300, 200}));
  EXPECT_EQ(m->segment, a);

  TSegment* c = segment({100, 300}, {200, 350});
  TSegment* d = segment({100, 320}, {200, 370});  // parallel, apart
  first->SelectAll(false);
  active->SelectAll(false);
  c->SetSelected(true);
  d->SetSelected(true);
  EXPECT_FALSE(first->CanMergeSegments());
}

TEST_F(Editing, BackgroundIsGrabbedOnlyOnANonWhitePixel) {
  active->Background = std::make_unique<platform::Bitmap>(50, 50, platform::clWhite);
  active->Background->setPixel(10, 10, platform::clBlack);
  active->BackgroundLeft = 200;
  active->BackgroundTop = 300;
  EXPECT_FALSE(first->GrabBackground(205, 305));  // white
  EXPECT_FALSE(first->GrabBackground(10, 10));    // outside
  ASSERT_TRUE(first->GrabBackground(210, 310));
  first->MoveSelection(7, -3);
  EXPECT_EQ(active->BackgroundLeft, 207);
  EXPECT_EQ(active->BackgroundTop, 297);
  first->GrabBackground(205, 305);
  first->MoveSelection(7, -3);
  EXPECT_EQ(active->BackgroundLeft, 207);
}

TEST_F(Editing, MirrorTwiceRestores) {
  TSegment* s = segment({100, 120}, {300, 170});
  TArc* c = arc({500, 600}, 40);
  TPointG* p = mark(nullptr, {50, 60});
  for (TObjetGraphique* o : std::initializer_list<TObjetGraphique*>{s, c, p}) o->SetSelected(true);
  for (int axis : {1, 2}) {
    active->MirrorSelection(axis);
    EXPECT_EQ(s->P1, (TPoint{axis == 1 ? 694 : 100, axis == 1 ? 120 : 1002}));
    active->MirrorSelection(axis);
    EXPECT_EQ(s->P1, (TPoint{100, 120}));
    EXPECT_EQ(c->centre, (TPoint{500, 600}));
    EXPECT_EQ(p->position, (TPoint{50, 60}));
  }
}

TEST_F(Editing, ADragInStepsEndsWhereOneMoveEnds) {
  TSegment* s = segment({100, 100}, {300, 100});
  TSegment* t = segment({100, 200}, {300, 200});
  s->SetSelected(true);
  t->SetSelected(true);
  // The first step hides the selection and waits for the repaint.
  first->MoveSelection(1, 1);
  EXPECT_EQ(s->P1, (TPoint{100, 100}));
  panel.render();
  for (int i = 0; i < 10; ++i) first->MoveSelection(3, -2);
  first->EndMove();
  EXPECT_EQ(s->P1, (TPoint{130, 80}));
  EXPECT_EQ(t->P2, (TPoint{330, 180}));
  EXPECT_EQ(s->moveState, msSelected);
  first->SelectAll(false);
  active->SelectAll(false);
  EXPECT_EQ(pagePixel(200, 80), platform::clRed);
}

TEST_F(Editing, StrokesBecomeSegmentsAndArcsOnTheActiveLayer) {
  first->StartCurve({100, 400}, 3, kBlue);
  for (int x = 110; x <= 300; x += 10) first->ExtendCurve({x, 400 + (x % 20 == 0 ? 1 : 0)});
  EXPECT_EQ(active->Curves.size(), 1u);
  EXPECT_TRUE(first->CurveToSegment());
  EXPECT_TRUE(active->Curves.empty());
  ASSERT_EQ(active->Segments.size(), 1u);
  EXPECT_EQ(active->Segments[0]->P1, (TPoint{100, 400}));
  EXPECT_EQ(active->Segments[0]->Color(), kBlue);

  const TPoint needle{500, 500};
  first->StartCurve({560, 500}, 2, kBlue);
  for (int deg = 5; deg <= 90; deg += 5) {
    const double a = deg * 3.14159265358979 / 180;
    first->ExtendCurveArc({500 + Nearest(60 * std::cos(a)), 500 - Nearest(60 * std::sin(a))},
                          needle);
  }
  EXPECT_TRUE(first->CurveToArc(needle));
  ASSERT_EQ(active->Arcs.size(), 1u);
  EXPECT_EQ(active->Arcs[0]->centre, needle);
  EXPECT_NEAR(active->Arcs[0]->radius, 60, 0.5);

  // A failed recognition makes nothing and still removes the stroke.
  first->StartCurve({0, 0}, 2, kBlue);
  EXPECT_FALSE(first->CurveToSegment());
  EXPECT_TRUE(active->Curves.empty());

  active->SelectAll(false);
  EXPECT_EQ(pagePixel(200, 400), kBlue);
  EXPECT_EQ(first->Next->Segments.size(), 1u);
  EXPECT_TRUE(first->Segments.empty());  // only the active layer acts
}

TEST_F(Editing, PlacedPointsMarksAndLabelsFollowTheDragOption) {
  TSegment* s = segment({100, 100}, {300, 100});
  s->SetSelected(true);
  first->AddMark({200, 130});
  ASSERT_EQ(active->Points.size(), 1u);
  EXPECT_EQ(active->Points[0]->segment, s);
  EXPECT_EQ(active->Points[0]->position, (TPoint{200, 100}));
  EXPECT_TRUE(active->Points[0]->Selected());
  EXPECT_EQ(active->Points[0]->Width(), PointSize + 1);

  DragDropEnabled = false;
  first->PlacePoint({50, 50});
  EXPECT_FALSE(active->Points[1]->Selected());
  first->AddLabel({60, 70}, "AB", platform::Font{});
  ASSERT_EQ(active->Labels.size(), 1u);
  EXPECT_FALSE(active->Labels[0]->Selected());
  EXPECT_TRUE(active->Labels[0]->LayerActive());
  EXPECT_EQ(active->Labels[0]->left(), 80);
}

TEST_F(Editing, WithoutAnActiveLayerNothingActsAndNothingIsSelected) {
  TSegment* s = segment({100, 100}, {300, 100});
  s->SetSelected(true);
  active->SetActive(false);
  EXPECT_EQ(first->ActiveLayer(), nullptr);
  EXPECT_FALSE(first->HasSelection());
  EXPECT_FALSE(first->HasMultipleSelection());
  EXPECT_FALSE(first->HasObjects());
  EXPECT_EQ(first->SelectionGroup(), 0);
  first->StartCurve({1, 1}, 1, 0);
  first->DeleteSelection();
  EXPECT_EQ(active->Segments.size(), 1u);
  EXPECT_TRUE(recorder.entries.empty());
}

TEST_F(Editing, PaintToSkipsHiddenLayersButPaintsTheOnesAfter) {
  first->Segments.push_back(
      std::make_unique<TSegment>(1, *first, 3, TPoint{10, 10}, TPoint{90, 10}));
  segment({10, 20}, {90, 20}, 3);
  TPage* third = first->LayerAt(2);
  third->Segments.push_back(
      std::make_unique<TSegment>(1, *third, 3, TPoint{10, 30}, TPoint{90, 30}));
  active->SetVisible(false);
  platform::Bitmap picture(200, 100, platform::clWhite);
  platform::Canvas c(picture);
  first->PaintTo(c, 2.0);
  EXPECT_EQ(picture.pixel(100, 20), platform::clRed);
  EXPECT_EQ(picture.pixel(100, 40), platform::clWhite);
  EXPECT_EQ(picture.pixel(100, 60), platform::clRed);
}

TEST_F(Editing, ContentBoundsCoverEveryLayerInLayerCoordinates) {
  platform::TRect none = first->ContentBounds();
  EXPECT_GT(none.Left, none.Right);
  segment({100, 100}, {300, 100});
  TPage* third = first->LayerAt(2);
  third->Arcs.push_back(
      std::make_unique<TArc>(1, *third, 2, TPoint{-1, 0}, TPoint{550, 500}, TPoint{500, 500}));
  const platform::TRect r = first->ContentBounds();
  EXPECT_EQ(r, (platform::TRect{86, 86, 556, 556}));
}

}  // namespace
