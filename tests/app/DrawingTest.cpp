#include <gtest/gtest.h>

#include <cmath>

#include "platform/Surface.h"
#include "sheet/app/uInstrumentDrawing.h"
#include "sheet/layers/uChangeRecorder.h"

using platform::TPoint;

namespace {

struct Kinds : TChangeRecorder {
  std::vector<int> kinds;
  void RecordChange(uint8_t kind, TPage&) override { kinds.push_back(kind); }
};

// Two layers, the first active; the page's screen origin is (100, 50).
struct Drawing : ::testing::Test {
  platform::Surface panel{1000, 1200, platform::clWhite};
  TPage* first = nullptr;
  Kinds journal;
  std::vector<TPoint> relayed;
  TInstrumentDrawing d{{[this] { return first; },
                        [](TPoint s) {
                          return TPoint{s.x - 100, s.y - 50};
                        },
                        [this](const protocol::PencilRecord& r) { relayed.push_back(r.tip); }}};

  void SetUp() override {
    first = TPage::Create(nullptr, &panel);
    first->SetBounds(0, 0, 794, 1123);
    first->AddLayer();
    first->ActivateOnly(0);
    SetChangeRecorder(&journal);
  }
  void TearDown() override {
    SetChangeRecorder(nullptr);
    first->freeAll();
  }
  void pencil(const std::string& letters, TPoint from = {200, 300}, TPoint step = {10, 0}) {
    TPoint p = from;
    for (char c : letters) {
      d.crayonChange({0x00FF00, 3, p, c});
      p = {p.x + step.x, p.y + step.y};
    }
  }
};

TEST_F(Drawing, PencilStrokesBecomeSegmentsOrStayCurvesByTheLetterBeforeTheLift) {
  struct Case {
    const char* letters;
    size_t segments, curves;
    std::vector<int> kinds;
  };
  for (const Case& c : {Case{"DDDt", 1, 0, {1}}, Case{"TTt", 0, 1, {0}}, Case{"DTt", 0, 1, {0}},
                        Case{"TDt", 1, 0, {1}}, Case{"t", 0, 0, {}}, Case{"AtDt", 0, 0, {}}}) {
    SCOPED_TRACE(c.letters);
    first->Clear();
    journal.kinds.clear();
    d.PencilCommand = 0;
    pencil(c.letters);
    EXPECT_EQ(first->Segments.size(), c.segments);
    EXPECT_EQ(first->Curves.size(), c.curves);
    EXPECT_EQ(journal.kinds, c.kinds);
  }
  // The segment of "DDDt" in page coordinates, with the pencil's colour (set by the 'A' of the
  // last case; a 'D' record's own colour field is not used).
  first->Clear();
  pencil("DDDt");
  EXPECT_EQ(first->Segments[0]->P1, (TPoint{100, 250}));
  EXPECT_EQ(first->Segments[0]->P2, (TPoint{120, 250}));
  EXPECT_EQ(first->Segments[0]->Color(), 0x00FF00u);
  EXPECT_EQ(first->Segments[0]->Width(), 3);
}

TEST_F(Drawing, AStyleRecordEndsTheStrokeAndSetsTheNextOne) {
  pencil("TT");
  d.crayonChange({0xFF0000, 5, {0, 0}, 'A'});
  pencil("TTt", {400, 400});
  ASSERT_EQ(first->Curves.size(), 2u);
  EXPECT_EQ(first->Curves[1]->Color(), 0xFF0000u);
  EXPECT_EQ(first->Curves[1]->Width(), 5);
  EXPECT_EQ(journal.kinds, (std::vector<int>{0}));  // only the second stroke was recorded
  // Style records are not positions; every other letter is relayed, even unknown ones.
  relayed.clear();
  d.crayonChange({0, 0, {7, 8}, 'C'});
  d.crayonChange({0, 0, {7, 8}, 'x'});
  EXPECT_EQ(relayed, (std::vector<TPoint>{{7, 8}}));
}

TEST_F(Drawing, ChangingTheActiveLayerEndsTheStrokeWhereItIs) {
  pencil("DD");
  first->ActivateOnly(1);
  pencil("DDt", {300, 300});
  EXPECT_EQ(first->Curves.size(), 1u);  // the first stroke stays a curve on its layer
  EXPECT_TRUE(first->Segments.empty());
  ASSERT_EQ(first->Next->Curves.size(), 0u);
  ASSERT_EQ(first->Next->Segments.size(), 1u);  // the new stroke began on the new layer
  EXPECT_EQ(journal.kinds, (std::vector<int>{1}));
}

TEST_F(Drawing, CompassStrokeBecomesAnArcAboutTheNeedle) {
  const TPoint needle{500, 550};  // screen; page (400, 500)
  d.compasChange({0x0000AA, 2, {0, 0}, {0, 0}, 'C'});
  for (int deg = 0; deg <= 90; deg += 30) {
    const double a = deg * 3.14159265358979 / 180;
    const TPoint lead{needle.x + int(std::lround(80 * std::cos(a))),
                      needle.y - int(std::lround(80 * std::sin(a)))};
    d.compasChange({0x0000AA, 2, needle, lead, 'K'});
  }
  d.compasChange({0, 0, needle, {500, 470}, 'k'});
  ASSERT_EQ(first->Arcs.size(), 1u);
  EXPECT_EQ(first->Arcs[0]->centre, (TPoint{400, 500}));
  EXPECT_EQ(first->Arcs[0]->Color(), 0x0000AAu);
  EXPECT_TRUE(first->Curves.empty());
  EXPECT_EQ(journal.kinds, (std::vector<int>{3}));
  EXPECT_TRUE(relayed.empty());                     // compass positions go nowhere
  d.compasChange({0, 0, needle, {500, 470}, 'k'});  // 'k' not after 'K'
  EXPECT_EQ(first->Arcs.size(), 1u);
}

TEST_F(Drawing, NothingHappensBeforeThePageExists) {
  TPage* saved = first;
  first = nullptr;
  pencil("DDt");
  first = saved;
  EXPECT_TRUE(first->Curves.empty());
  EXPECT_EQ(relayed.size(), 3u);
}

}  // namespace
