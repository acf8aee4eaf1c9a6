// A long random run of recorded changes, undone to the start and redone to the end.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <random>

#include "platform/Surface.h"
#include "sheet/layers/uChangeRecorder.h"
#include "sheet/layers/uJournal.h"
#include "sheet/layers/uPages.h"
#include "sheet/layers/uSauve.h"

using platform::TPoint;

namespace {

std::vector<uint8_t> document(TPage& first) {
  platform::MemoryStream m;
  WriteBlockFile(m, first, TBlockDocument{});
  return m.bytes();
}

struct RandomRun : ::testing::TestWithParam<unsigned> {
  std::string dir;
  platform::Surface panel{900, 1200, platform::clWhite};
  TPage* first = nullptr;
  platform::Bitmap paper{10, 10};
  std::unique_ptr<TJournal> journal;
  std::mt19937 rng{GetParam()};

  void SetUp() override {
    std::string pattern = (std::filesystem::path(::testing::TempDir()) / "jrXXXXXX").string();
    dir = ::mkdtemp(pattern.data());
    first = TPage::Create(nullptr, &panel);
    first->SetBounds(0, 0, 794, 1123);
    first->AddLayer();
    first->ActivateOnly(0);
    journal = std::make_unique<TJournal>(dir, [this]() -> TPage*& { return first; },
                                         [this]() -> platform::Bitmap& { return paper; });
    journal->OpenJournal();
    SetChangeRecorder(journal.get());
  }
  void TearDown() override {
    SetChangeRecorder(nullptr);
    journal.reset();
    first->freeAll();
    std::filesystem::remove_all(dir);
  }
  int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
  TPoint point() { return {50 + pick(700), 50 + pick(1000)}; }
  TPage& active() { return *first->ActiveLayer(); }

  // One change as the sheet's commands make it, recorded as they record it.
  void step() {
    TPage& a = active();
    switch (pick(8)) {
      case 0: {  // a stroke fitted to a segment
        a.Segments.push_back(std::make_unique<TSegment>(1, a, uint8_t(1 + pick(3)), point(), point()));
        ChangeRecorder()->RecordChange(1, a);
        break;
      }
      case 1: {  // a compass arc
        const TPoint c = point();
        a.Arcs.push_back(std::make_unique<TArc>(1, a, 2, TPoint{c.x, c.y - 40},
                                                TPoint{c.x + 40, c.y}, c));
        ChangeRecorder()->RecordChange(3, a);
        break;
      }
      case 2: {  // a free stroke
        a.Curves.push_back(std::make_unique<TCourbeLibre>(point(), a, 0xFF0000, 2));
        for (int i = 0; i < 5; ++i) a.Curves.back()->AddPoint(point());
        ChangeRecorder()->RecordChange(0, a);
        break;
      }
      case 3:  // delete a random selection
        for (auto& s : a.Segments) s->SetSelected(pick(2) == 0);
        for (auto& arc : a.Arcs) arc->SetSelected(pick(3) == 0);
        first->DeleteSelection();
        break;
      case 4: {  // a drag of everything, in steps
        ChangeRecorder()->RecordChange(12, a);
        a.SelectAll(true);
        for (int i = 0; i < 3; ++i) first->MoveSelection(pick(9) - 4, pick(9) - 4);
        first->EndMove();
        a.SelectAll(false);
        ChangeRecorder()->RecordChange(13, a);
        break;
      }
      case 5:  // "Effacer ..."
        if (pick(3) == 0) {
          ChangeRecorder()->RecordChange(10, a);
          a.Clear();
        }
        break;
      case 6:  // "&Ajouter un calque", made active
        if (first->LayerCount() < 4) {
          first->AddLayer();
          first->ActivateOnly(first->LayerCount() - 1);
          ChangeRecorder()->RecordChange(14, active());
        }
        break;
      case 7: {  // "Supprimer ..." of the active layer
        const int p = first->IndexOfLayer(&a);
        TPage* other = first->OtherActivatableLayer(p);
        if (first->LayerCount() > 1 && other) {
          ChangeRecorder()->RecordChange(11, a);
          other->SetActive(true);
          first = first->DeleteLayer(p);
        }
        break;
      }
    }
  }
};

TEST_P(RandomRun, UndoneToTheStartAndRedoneToTheEnd) {
  const std::vector<uint8_t> start = document(*first);
  for (int i = 0; i < 60; ++i) step();
  const std::vector<uint8_t> end = document(*first);
  int undone = 0;
  while (journal->CanUndo()) {
    journal->Undo();
    ++undone;
  }
  EXPECT_EQ(document(*first), start) << "after " << undone << " undo steps";
  while (journal->CanRedo()) journal->Redo();
  EXPECT_EQ(document(*first), end);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandomRun, ::testing::Values(1u, 7u, 42u, 2026u));

}  // namespace
