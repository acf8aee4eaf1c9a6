#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/Streams.h"
#include "platform/Surface.h"
#include "sheet/layers/uJournal.h"
#include "sheet/layers/uPages.h"
#include "sheet/layers/uSettings.h"
#include "tests/support/Bytes.h"

using platform::Bitmap;
using platform::StreamError;
using platform::Surface;
using platform::TPoint;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Overwrites bytes in place: the journal keeps its size and reads the new content.
void patch(const std::string& path, uint64_t offset, const std::vector<uint8_t>& bytes) {
  std::fstream f(path, std::ios::binary | std::ios::in | std::ios::out);
  f.seekp(std::streamoff(offset));
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> le32(int32_t v) {
  return Bytes().i32(v).b;
}

struct TempDir {
  std::string path;
  TempDir() {
    std::string pattern = (fs::path(::testing::TempDir()) / "journalXXXXXX").string();
    path = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

// Three layers on a panel, the middle one active, with the journal installed as the sheet does.
struct Journal : ::testing::Test {
  TempDir dir;
  Surface panel{900, 1200, 0xFFFFFF};
  TPage* first = nullptr;
  Bitmap paper{40, 30};
  TJournal journal{dir.path, [this]() -> TPage*& { return first; },
                   [this]() -> Bitmap& { return paper; }};

  void SetUp() override {
    first = TPage::Create(nullptr, &panel);
    first->SetBounds(20, 30, 794, 1123);
    first->AddLayer();
    first->AddLayer();
    first->ActivateOnly(1);
    journal.OpenJournal();
    SetChangeRecorder(&journal);
  }
  void TearDown() override {
    SetChangeRecorder(nullptr);
    journal.CloseJournal();
    first->freeAll();
  }
  TPage* active() { return first->ActiveLayer(); }
  // Drawn as the pencil does: appended, then recorded.
  TSegment* draw(TPoint a, TPoint b) {
    TPage* l = active();
    l->Segments.push_back(std::make_unique<TSegment>(1, *l, 2, a, b));
    journal.RecordChange(journal_kind::ObjectAdded + 1, *l);
    return l->Segments.back().get();
  }
  std::vector<int32_t> ids(TPage* l) {
    std::vector<int32_t> r;
    for (auto& s : l->Segments) r.push_back(s->id);
    return r;
  }
  void undoAll() {
    while (journal.CanUndo()) journal.Undo();
  }
};

TEST_F(Journal, RecordsCarryTheirLengthBeforeAndAfter) {
  ASSERT_FALSE(journal.InMemory());
  EXPECT_EQ(fs::path(journal.JournalName()).filename(), "undoBlc0001");

  journal.RecordChange(16, *active());  // a kind without payload
  TSegment* s = draw({10, 10}, {50, 60});
  platform::MemoryStream segment;
  s->SaveToStream(segment);

  Bytes expected;
  expected.i32(5).u8(16).i32(5);
  const int32_t length = int32_t(5 + 8 + segment.size());
  expected.i32(length).u8(1).i32(1).i32(0);
  expected.b.insert(expected.b.end(), segment.bytes().begin(), segment.bytes().end());
  expected.i32(length);
  EXPECT_EQ(fileBytes(journal.JournalName()), expected.b);
  EXPECT_EQ(journal.Position(), expected.b.size());
  EXPECT_EQ(journal.Size(), expected.b.size());

  // A new record at the position cuts off the redo part.
  journal.Undo();
  EXPECT_EQ(journal.Position(), 9u);
  EXPECT_TRUE(journal.CanRedo());
  journal.RecordChange(17, *active());
  EXPECT_FALSE(journal.CanRedo());
  EXPECT_EQ(fileBytes(journal.JournalName()), Bytes().i32(5).u8(16).i32(5).i32(5).u8(17).i32(5).b);
}

TEST_F(Journal, DrawnSegmentsComeBackWithTheirPositionsAndIds) {
  draw({10, 10}, {100, 10});
  draw({10, 40}, {100, 40});
  draw({10, 80}, {100, 80});
  const std::vector<int32_t> drawn = ids(active());

  journal.Undo();
  EXPECT_EQ(ids(active()), std::vector<int32_t>(drawn.begin(), drawn.begin() + 2));
  journal.Undo();
  EXPECT_EQ(ids(active()), std::vector<int32_t>{drawn[0]});
  journal.Redo();
  journal.Redo();
  EXPECT_EQ(ids(active()), drawn);
  EXPECT_EQ(active()->Segments[1]->P1, (TPoint{10, 40}));
  EXPECT_FALSE(journal.CanRedo());

  journal.Undo();
  draw({0, 0}, {5, 5});
  EXPECT_FALSE(journal.CanRedo());
}

TEST_F(Journal, EachDeletedObjectComesBackAtItsListPosition) {
  TPage* l = active();
  for (int i = 0; i < 5; ++i)
    l->Segments.push_back(
        std::make_unique<TSegment>(1, *l, 2, TPoint{10, 20 + 30 * i}, TPoint{200, 20 + 30 * i}));
  l->Labels.push_back(std::make_unique<TLibelle>(TPoint{300, 300}, *l, platform::Font{}, "angle"));
  l->Labels.back()->SetLayerActive(true);
  const std::vector<int32_t> all = ids(l);
  for (int i : {0, 2, 3}) l->Segments[size_t(i)]->SetSelected(true);
  l->Labels[0]->SetSelected(true);

  first->DeleteSelection();  // records each deletion before it
  ASSERT_EQ(ids(l), (std::vector<int32_t>{all[1], all[4]}));
  ASSERT_TRUE(l->Labels.empty());

  journal.Undo();
  ASSERT_EQ(l->Labels.size(), 1u);
  EXPECT_EQ(l->Labels[0]->Text(), "angle");
  EXPECT_TRUE(l->Labels[0]->LayerActive());
  journal.Undo();
  EXPECT_EQ(ids(l), (std::vector<int32_t>{all[1], all[3], all[4]}));
  journal.Undo();
  EXPECT_EQ(ids(l), (std::vector<int32_t>{all[1], all[2], all[3], all[4]}));
  journal.Undo();
  EXPECT_EQ(ids(l), all);
  EXPECT_FALSE(journal.CanUndo());

  journal.Redo();
  EXPECT_EQ(ids(l), (std::vector<int32_t>{all[1], all[2], all[3], all[4]}));
}

TEST_F(Journal, ADragIsOneStepEachWay) {
  TSegment* s = draw({10, 10}, {100, 10});
  s->SetSelected(true);
  journal.RecordChange(journal_kind::BeforeChange);
  first->MoveSelection(1, 1);  // hides the selection until the repaint
  panel.render();
  first->MoveSelection(30, 40);
  first->EndMove();
  ASSERT_EQ(s->P1, (TPoint{40, 50}));
  journal.RecordChange(journal_kind::AfterChange);
  const uint64_t end = journal.Position();

  journal.Undo();
  ASSERT_EQ(active()->Segments.size(), 1u);
  EXPECT_EQ(active()->Segments[0]->P1, (TPoint{10, 10}));
  EXPECT_TRUE(journal.CanUndo());  // the drawing is still there to undo
  journal.Redo();
  EXPECT_EQ(active()->Segments[0]->P1, (TPoint{40, 50}));
  EXPECT_EQ(journal.Position(), end);
}

struct DeletedLayer : Journal, ::testing::WithParamInterface<int> {};

TEST_P(DeletedLayer, ComesBackWhereItWas) {
  const int p = GetParam();
  first->ActivateOnly(p);
  TPage* doomed = active();
  doomed->Rename("figure");
  doomed->Segments.push_back(
      std::make_unique<TSegment>(1, *doomed, 2, TPoint{1, 2}, TPoint{60, 70}));
  const int32_t id = doomed->Segments[0]->id;
  doomed->Background = std::make_unique<Bitmap>(8, 6, platform::TColor(0x123456));
  doomed->BackgroundLeft = 11;
  doomed->BackgroundTop = 12;
  const std::string neighbour = first->LayerAt(p == 0 ? 1 : 0)->Name;

  // "Supprimer ...": record, move the activation, delete.
  TPage* other = first->OtherActivatableLayer(p);
  journal.RecordChange(journal_kind::LayerDeleted);
  other->SetActive(true);
  first = first->DeleteLayer(p);
  ASSERT_EQ(first->LayerCount(), 2);

  journal.Undo();
  ASSERT_EQ(first->LayerCount(), 3);
  TPage* back = first->LayerAt(p);
  EXPECT_EQ(back->Name, "figure");
  EXPECT_TRUE(back->Visible);
  EXPECT_FALSE(back->Protected);
  ASSERT_EQ(back->Segments.size(), 1u);
  EXPECT_EQ(back->Segments[0]->id, id);
  ASSERT_TRUE(back->Background);
  EXPECT_EQ(back->Background->pixel(3, 3), platform::TColor(0x123456));
  EXPECT_EQ(back->BackgroundLeft, 11);
  EXPECT_EQ(back->BackgroundTop, 12);
  EXPECT_EQ(first->LayerAt(p == 0 ? 1 : 0)->Name, neighbour);
  EXPECT_EQ(first->Previous, nullptr);

  journal.Redo();
  EXPECT_EQ(first->LayerCount(), 2);
  ASSERT_NE(active(), nullptr);
  EXPECT_NE(active()->Name, "figure");
}

INSTANTIATE_TEST_SUITE_P(Journal, DeletedLayer, ::testing::Values(0, 1, 2));

TEST_F(Journal, UndoingAnAddedLayerRemovesItAndActivatesAnother) {
  first->AddLayer();
  first->ActivateOnly(3);
  journal.RecordChange(journal_kind::LayerAdded);

  journal.Undo();
  EXPECT_EQ(first->LayerCount(), 3);
  int actives = 0;
  for (TPage* l = first; l; l = l->Next) actives += l->Active;
  EXPECT_EQ(actives, 1);
  EXPECT_FALSE(journal.CanUndo());

  journal.Redo();
  EXPECT_EQ(first->LayerCount(), 4);
  EXPECT_EQ(first->LayerAt(3)->Name, "calque 4");
}

TEST_F(Journal, UndoOfAnAddedLayerKeepsTheOnlyActivatableOne) {
  TPage* added = first->LayerAt(2);
  first->ActivateOnly(2);
  journal.RecordChange(journal_kind::LayerAdded);
  first->SetProtected(true);
  first->Next->SetProtected(true);

  journal.Undo();  // nothing else can be active: nothing changes, the position moves
  EXPECT_EQ(first->LayerCount(), 3);
  EXPECT_EQ(first->LayerAt(2), added);
  EXPECT_FALSE(journal.CanUndo());
}

TEST_F(Journal, ClearedLayerIsRestoredAndClearedAgain) {
  draw({5, 5}, {50, 5});
  draw({5, 25}, {50, 25});
  journal.RecordChange(journal_kind::LayerCleared);
  active()->Clear();
  journal.Undo();
  EXPECT_EQ(active()->Segments.size(), 2u);
  journal.Redo();
  EXPECT_TRUE(active()->Segments.empty());
}

TEST_F(Journal, UndoingEverythingLeavesTheDocumentUnmodified) {
  draw({5, 5}, {50, 5});
  first->AddLayer();
  first->ActivateOnly(3);
  journal.RecordChange(journal_kind::LayerAdded);
  draw({1, 1}, {9, 9});
  active()->Segments[0]->SetSelected(true);
  journal.RecordChange(journal_kind::BeforeChange);
  first->MoveSelection(3, 3);
  first->EndMove();
  journal.RecordChange(journal_kind::AfterChange);
  first->DeleteSelection();
  EXPECT_TRUE(journal.CanUndo());  // the sheet counts this as modified

  undoAll();
  EXPECT_FALSE(journal.CanUndo());
  EXPECT_EQ(first->LayerCount(), 3);
  EXPECT_TRUE(first->Next->Segments.empty());

  draw({5, 5}, {50, 5});
  journal.ClearJournal();  // saving a block file
  EXPECT_FALSE(journal.CanUndo());
  EXPECT_FALSE(journal.CanRedo());
  EXPECT_EQ(fileBytes(journal.JournalName()).size(), 0u);
}

TEST_F(Journal, PaintingTwiceIsUndoneAndRedoneThroughTheLatestPicture) {
  auto paint = [this](platform::TColor c) {
    journal.RecordChange(journal_kind::PictureChanged);
    paper.fill(c);
  };
  paint(0x0000FF);
  paint(0x00FF00);

  journal.Undo();
  EXPECT_EQ(paper.pixel(5, 5), platform::TColor(0x0000FF));
  journal.Undo();
  EXPECT_EQ(paper.pixel(5, 5), platform::clWhite);
  EXPECT_FALSE(journal.CanUndo());
  journal.Redo();
  EXPECT_EQ(paper.pixel(5, 5), platform::TColor(0x0000FF));
  journal.Redo();
  EXPECT_EQ(paper.pixel(5, 5), platform::TColor(0x00FF00));
  const uint64_t at = journal.Position();
  journal.Redo();  // the record of the latest picture: nothing to go to
  EXPECT_EQ(paper.pixel(5, 5), platform::TColor(0x00FF00));
  EXPECT_EQ(journal.Position(), at);
  EXPECT_TRUE(journal.CanRedo());
}

TEST_F(Journal, PictureClaimingMoreThanTheBoundIsRefused) {
  // Noise does not compress: the claimed size stays within zlib's ratio to the record.
  paper = Bitmap(170, 170);
  uint32_t seed = 12345;
  for (int y = 0; y < paper.height(); ++y)
    for (int x = 0; x < paper.width(); ++x) {
      seed = seed * 1664525u + 1013904223u;
      paper.setPixel(x, y, platform::TColor(seed >> 8));
    }
  journal.RecordChange(journal_kind::PictureChanged);
  ASSERT_GT(uint64_t(journal.Position()) * 1032, uint64_t(TJournal::kMaxPictureBytes) + 1);
  paper.fill(0x0000FF);
  const uint64_t end = journal.Position();
  patch(journal.JournalName(), 5, le32(TJournal::kMaxPictureBytes + 1));

  EXPECT_THROW(journal.Undo(), StreamError);
  EXPECT_EQ(paper.pixel(0, 0), platform::TColor(0x0000FF));
  EXPECT_EQ(journal.Position(), end);
  EXPECT_EQ(journal.Size(), end);  // no picture record appended for a refused step
}

// A journal changed under the sheet: each fault refuses the step, and the document, the
// position and the journal stay usable.
struct Fault {
  const char* name;
  int64_t offset;  // from the end of the record when negative
  std::vector<uint8_t> bytes;
};

TEST_F(Journal, MalformedRecordsAreRefusedCleanly) {
  draw({5, 5}, {50, 5});  // ObjectAdded, then a snapshot
  const uint64_t before = journal.Position();
  active()->Rename("abc");
  journal.RecordChange(journal_kind::LayerCleared);
  active()->Clear();
  // Changed since, unrecorded: a refused step must leave this as it is.
  active()->Rename("after");
  active()->Segments.push_back(
      std::make_unique<TSegment>(1, *active(), 2, TPoint{7, 7}, TPoint{70, 7}));
  const std::vector<uint8_t> good = fileBytes(journal.JournalName());
  const int64_t size = int64_t(good.size());
  // The snapshot: position, visible, protected, name "abc", then the curve count.
  const int64_t curveCount = int64_t(before) + 5 + 4 + 1 + 1 + 4 + 3;
  const Fault faults[] = {
      {"closing length beyond the journal", size - 4, le32(0x7FFFFFFF)},
      {"closing length below a header", size - 4, le32(2)},
      {"lengths that disagree", int64_t(before), le32(int32_t(size - int64_t(before)))},
      {"count beyond the record", curveCount, le32(1000000)},
      {"layer outside the chain", int64_t(before) + 5, le32(7)},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.name);
    patch(journal.JournalName(), uint64_t(f.offset), f.bytes);
    EXPECT_THROW(journal.Undo(), StreamError);
    EXPECT_EQ(journal.Position(), uint64_t(size));
    ASSERT_EQ(active()->Segments.size(), 1u);
    EXPECT_EQ(active()->Segments[0]->P1, (TPoint{7, 7}));
    EXPECT_EQ(active()->Name, "after");
    EXPECT_EQ(first->LayerCount(), 3);
    patch(journal.JournalName(), 0, good);
  }
  journal.Undo();
  ASSERT_EQ(active()->Segments.size(), 1u);
  EXPECT_EQ(active()->Segments[0]->P1, (TPoint{5, 5}));
  EXPECT_EQ(active()->Name, "abc");

  // An object record whose list position is not in the list.
  patch(journal.JournalName(), 9, le32(4));
  EXPECT_THROW(journal.Undo(), StreamError);
  EXPECT_EQ(active()->Segments.size(), 1u);
  patch(journal.JournalName(), 0, good);
  journal.Undo();
  EXPECT_TRUE(active()->Segments.empty());
}

TEST_F(Journal, AJournalCutShortIsRefusedAndTheSheetGoesOn) {
  draw({5, 5}, {50, 5});
  draw({5, 25}, {50, 25});
  const uint64_t end = journal.Position();
  ASSERT_EQ(::truncate(journal.JournalName().c_str(), off_t(end - 3)), 0);

  EXPECT_THROW(journal.Undo(), StreamError);
  EXPECT_EQ(active()->Segments.size(), 2u);
  EXPECT_EQ(journal.Position(), end);

  draw({5, 45}, {50, 45});  // recording goes on at the position
  journal.Undo();
  EXPECT_EQ(active()->Segments.size(), 2u);
}

// ---- The journal file ----

struct JournalFile : ::testing::Test {
  TempDir dir;
  TPage* none = nullptr;
  TJournal::FirstLayerRef noLayers = [this]() -> TPage*& { return none; };
  std::string name(int n) {
    char leaf[16];
    std::snprintf(leaf, sizeof leaf, "undoBlc%04d", n);
    return (fs::path(dir.path) / leaf).string();
  }
  void touch(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
  }
};

TEST_F(JournalFile, TakesTheFirstFreeNameAndDeletesItOnClose) {
  touch(name(1), "another sheet");
  TJournal a(dir.path, noLayers), b(dir.path, noLayers);
  a.OpenJournal();
  b.OpenJournal();
  EXPECT_EQ(a.JournalName(), name(2));
  EXPECT_EQ(b.JournalName(), name(3));
  EXPECT_TRUE(fs::exists(name(3)));

  a.RecordChange(16);
  a.CloseJournal();
  EXPECT_FALSE(fs::exists(name(2)));
  EXPECT_FALSE(a.IsOpen());
  a.RecordChange(16);  // closed: nothing
  EXPECT_FALSE(a.CanUndo());
  const std::vector<uint8_t> other = fileBytes(name(1));
  EXPECT_EQ(std::string(other.begin(), other.end()), "another sheet");
}

TEST_F(JournalFile, FallsBackToMemoryWithTheSameBehaviour) {
  // Every name taken: no other sheet's journal is replaced.
  for (int n = 1; n <= TJournal::kMaxFileNumber; ++n) touch(name(n), n == 9999 ? "last" : "");
  TJournal full(dir.path, noLayers);
  full.OpenJournal();
  EXPECT_TRUE(full.InMemory());
  const std::vector<uint8_t> last = fileBytes(name(9999));
  EXPECT_EQ(std::string(last.begin(), last.end()), "last");

  TJournal nowhere((fs::path(dir.path) / "missing").string(), noLayers);
  nowhere.OpenJournal();
  EXPECT_TRUE(nowhere.InMemory());
  nowhere.RecordChange(16);
  nowhere.RecordChange(17);
  EXPECT_EQ(nowhere.Size(), 18u);
  nowhere.Undo();
  EXPECT_EQ(nowhere.Position(), 9u);
  EXPECT_TRUE(nowhere.CanRedo());
  nowhere.Redo();
  EXPECT_FALSE(nowhere.CanRedo());
  nowhere.CloseJournal();
  EXPECT_FALSE(nowhere.IsOpen());
}

}  // namespace
