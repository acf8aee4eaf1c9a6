#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/Surface.h"
#include "sheet/layers/uSauve.h"
#include "tests/support/Bytes.h"

using platform::Bitmap;
using platform::MemoryStream;
using platform::StreamError;
using platform::Surface;

namespace {

constexpr platform::TColor kBlue = 0xFF0000, kYellow = 0x00FFFF;

std::vector<uint8_t> text(const std::string& s) {
  return {s.begin(), s.end()};
}

// Record builders following the record tables, so that the fixtures do not come from the
// writer under test.
Bytes& segment(Bytes& b, int32_t id, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
               std::vector<int32_t> groups = {}) {
  b.u16(3).i32(id).u8(0).u8(1).i32(0x0000FF).u8(2).pt(x1, y1).pt(x2, y2).u8(0);
  b.i32(int32_t(groups.size()));
  for (int32_t g : groups) b.i32(g);
  return b;
}
Bytes& point(Bytes& b, int32_t x, int32_t y, int32_t segmentId, std::vector<int32_t> groups = {}) {
  b.u16(2).u8(1).i32(0x00FF00).u8(1).pt(x, y).i32(segmentId).i32(int32_t(groups.size()));
  for (int32_t g : groups) b.i32(g);
  return b;
}
Bytes& label(Bytes& b, const std::string& s, int32_t x, int32_t y) {
  return b.u16(1).u8(1).i32(0).str(text("Arial")).i32(12).u8(0).pt(x, y).str(text(s)).i32(0);
}
// A 2 x 1 picture, 24 bits bottom-up: a blue pixel then a red one, rows padded to 8 bytes.
Bytes& bitmap2x1(Bytes& b) {
  b.u16(0x4D42).i32(62).u16(0).u16(0).i32(54);
  b.i32(40).i32(2).i32(1).u16(1).u16(24).i32(0).i32(8).i32(3780).i32(3780).i32(0).i32(0);
  return b.u8(0xFF).u8(0).u8(0).u8(0).u8(0).u8(0xFF).u8(0).u8(0);
}
// The options record as a new document writes it.
Bytes& defaultOptions(Bytes& b) {
  b.u16(2).u8(1).u8(1).u8(1).u8(0).u8(0);
  b.u16(2).i32(10).i32(10).i32(0).u8(1).u8(0).u8(0);
  b.str(text("0")).str(text("0")).str(text("210")).str(text("297"));
  b.u8(0).u16(3).i32(10).i32(10).i32(0).u8(1).pt(-1000, -1000).u8(1).u8(1);
  return b.u8(1);
}

// One block-form layer record of `version`: a segment (id 7), a mark on it from version 1, a
// label, and a background picture from version 2.
Bytes& blockLayer(Bytes& b, uint16_t version, bool visible, bool prot, const std::string& name,
                  bool more) {
  b.u16(version).u8(visible).u8(prot).str(text(name)).i32(1).i32(2).i32(3).i32(4);
  b.i32(0);
  segment(b.i32(1), 7, 10, 20, 110, 20);
  if (version >= 1) point(b.i32(1), 60, 20, 7);
  b.i32(0);
  label(b.i32(1), "A", 30, 40);
  if (version >= 2) bitmap2x1(b.u8(1)).i32(5).i32(6);
  return b.u8(more);
}

// A document as the sheet starts one: a single active layer at the page size.
struct Doc : ::testing::Test {
  Surface panel{900, 1200, 0xFFDDDD};
  TPage* first = nullptr;
  std::vector<std::string> changes;

  void SetUp() override { first = fresh(); }
  void TearDown() override {
    if (first) first->freeAll();
  }
  TPage* fresh() {
    TPage* p = TPage::Create(nullptr, &panel);
    p->OnLayersChanged = [this](TPage* sender) { changes.push_back(sender->Name); };
    p->SetBounds(0, 0, 794, 1123);
    p->ActivateOnly(0);
    return p;
  }
  void renew() {
    first->freeAll();
    first = fresh();
  }
  std::vector<uint8_t> written(void (*write)(platform::Stream&, TPage&)) {
    MemoryStream s;
    write(s, *first);
    return s.bytes();
  }
};

TEST_F(Doc, GoldenBlockFileReadsAndWritesBackByteForByte) {
  Bytes b;
  b.u16(2).u8(0);
  defaultOptions(b);
  blockLayer(b, 2, true, false, "calque 1", true);
  blockLayer(b, 2, false, true, "Fond\xE9", false);
  bitmap2x1(b.u8(1));
  MemoryStream in(b.b);
  TBlockDocument doc;
  doc.Options.Options.PointSize = 3;
  int heads = 0;
  ReadBlockFile(in, *first, doc, [&](const TBlockDocument& d) {
    ++heads;
    EXPECT_EQ(first->LayerCount(), 1);  // before the layers
    EXPECT_EQ(d.Options.Options.PointSize, 1);
  });
  EXPECT_EQ(in.position(), in.size());
  EXPECT_EQ(heads, 1);
  EXPECT_EQ(doc.Version, 2);
  EXPECT_EQ(doc.Orientation, 0);
  EXPECT_TRUE(doc.HasOptions);
  EXPECT_EQ(doc.Options, TOptionsRecord{});
  ASSERT_TRUE(doc.Picture);
  EXPECT_EQ(doc.Picture->pixel(0, 0), kBlue);
  EXPECT_EQ(doc.Picture->pixel(1, 0), platform::clRed);

  ASSERT_EQ(first->LayerCount(), 2);
  TPage* second = first->Next;
  EXPECT_EQ(second->Name, "Fond\xC3\xA9");
  EXPECT_FALSE(second->Visible);
  EXPECT_TRUE(second->Protected);
  EXPECT_EQ(second->boundsRect(), first->boundsRect());
  EXPECT_EQ(first->boundsRect(), (platform::TRect{0, 0, 794, 1123}));
  for (TPage* l : {first, second}) {
    ASSERT_EQ(l->Segments.size(), 1u);
    EXPECT_EQ(l->Segments[0]->id, 7);
    EXPECT_EQ(l->Segments[0]->P2, (platform::TPoint{110, 20}));
    ASSERT_EQ(l->Points.size(), 1u);
    EXPECT_EQ(l->Points[0]->segment, l->FindSegmentById(7));
    ASSERT_EQ(l->Labels.size(), 1u);
    EXPECT_EQ(l->Labels[0]->Text(), "A");
    ASSERT_TRUE(l->Background);
    EXPECT_EQ(l->Background->width(), 2);
    EXPECT_EQ(l->BackgroundLeft, 5);
    EXPECT_EQ(l->BackgroundTop, 6);
  }
  // Read plainly: no tab refresh, the fresh layer's activity as it was.
  EXPECT_TRUE(changes.empty());
  EXPECT_TRUE(first->Active);
  EXPECT_FALSE(second->Active);
  EXPECT_TRUE(second->OnLayersChanged);

  MemoryStream out;
  WriteBlockFile(out, *first, doc);
  std::vector<uint8_t> want = b.b;
  // The bounds stored were 1, 2, 3, 4: written back they are the page's.
  Bytes stored, page;
  stored.i32(1).i32(2).i32(3).i32(4);
  page.i32(0).i32(0).i32(794).i32(1123);
  for (int n = 0; n < 2; ++n) {
    auto at = std::search(want.begin(), want.end(), stored.b.begin(), stored.b.end());
    ASSERT_NE(at, want.end());
    std::copy(page.b.begin(), page.b.end(), at);
  }
  EXPECT_EQ(out.bytes(), want);
}

// Older versions lack sections; later ones read as the highest known.
TEST_F(Doc, BlockFileOfEveryVersion) {
  struct Case {
    uint16_t block, layer;
    bool options, points, background, picture;
  };
  for (const Case& c : {Case{0, 0, false, false, false, false},
                        Case{1, 1, true, true, false, false}, Case{2, 2, true, true, true, true},
                        Case{3, 3, true, true, true, true}, Case{2, 0, true, false, false, true}}) {
    SCOPED_TRACE(testing::Message() << "block " << c.block << " layer " << c.layer);
    renew();
    Bytes b;
    b.u16(c.block).u8(7);  // any non-zero byte is landscape
    if (c.options) {
      defaultOptions(b);
    }
    blockLayer(b, c.layer, true, false, "x", false);
    if (c.picture) bitmap2x1(b.u8(1));

    MemoryStream in(b.b);
    TBlockDocument doc;
    doc.Options.Options.PointSize = 3;  // kept when the file has no options
    ReadBlockFile(in, *first, doc);
    EXPECT_EQ(in.position(), in.size());
    EXPECT_EQ(doc.Version, c.block);
    EXPECT_EQ(doc.Orientation, 1);
    EXPECT_EQ(doc.HasOptions, c.options);
    EXPECT_EQ(doc.LayerVersions, (std::vector<uint16_t>{c.layer}));
    EXPECT_EQ(doc.Options.Options.PointSize, c.options ? 1 : 3);
    EXPECT_EQ(doc.Picture.has_value(), c.picture);
    EXPECT_EQ(first->LayerCount(), 1);
    EXPECT_EQ(first->Segments.size(), 1u);
    EXPECT_EQ(first->Points.size(), c.points ? 1u : 0u);
    EXPECT_EQ(first->Labels.size(), 1u);
    EXPECT_EQ(first->Background != nullptr, c.background);
  }
}

TEST_F(Doc, BlockWithoutImageModeWritesAFalseFlagAndReadsNoPicture) {
  MemoryStream out;
  TBlockDocument doc;
  doc.Orientation = 1;
  WriteBlockFile(out, *first, doc);
  const std::vector<uint8_t>& bytes = out.bytes();
  EXPECT_EQ(bytes[0], 2);
  EXPECT_EQ(bytes[2], 1);
  EXPECT_EQ(bytes.back(), 0);  // image mode false, nothing after it

  renew();
  MemoryStream in(bytes);
  TBlockDocument back;
  back.Picture = Bitmap(1, 1);
  ReadBlockFile(in, *first, back);
  EXPECT_FALSE(back.Picture);
  EXPECT_EQ(back.Orientation, 1);
}

TEST_F(Doc, EveryCutOfABlockFileIsRefusedAndLeavesAUsableChain) {
  Bytes b;
  b.u16(2).u8(0);
  defaultOptions(b);
  blockLayer(b, 2, true, false, "un", true);
  blockLayer(b, 2, true, false, "deux", false);
  bitmap2x1(b.u8(1));
  for (size_t n = 0; n < b.b.size(); ++n) {
    SCOPED_TRACE(n);
    renew();
    MemoryStream in(std::vector<uint8_t>(b.b.begin(), b.b.begin() + long(n)));
    TBlockDocument doc;
    EXPECT_THROW(ReadBlockFile(in, *first, doc), StreamError);
    // What was read stays and can be shown and saved again.
    ASSERT_LE(first->LayerCount(), 2);
    MemoryStream again;
    WriteBlockFile(again, *first, doc);
    TPage* other = fresh();
    MemoryStream re(again.bytes());
    TBlockDocument doc2;
    EXPECT_NO_THROW(ReadBlockFile(re, *other, doc2));
    EXPECT_EQ(other->LayerCount(), first->LayerCount());
    other->freeAll();
  }
}

// A count beyond the bytes left is refused before any object is made from the bytes that
// follow it.
TEST_F(Doc, CountLargerThanTheBytesLeftIsRefusedUpFront) {
  Bytes rec;
  rec.u16(2).i32(0).i32(0).i32(0).i32(0);
  label(rec.i32(1000), "A", 0, 0);
  ASSERT_LT(rec.b.size(), 1000u);
  MemoryStream in(rec.b);
  EXPECT_THROW(ImportLayer(in, *first), StreamError);
  EXPECT_TRUE(first->Labels.empty());

  Bytes negative;
  negative.u16(2).i32(-1);
  MemoryStream in2(negative.b);
  EXPECT_THROW(ImportLayer(in2, *first), StreamError);
}

TEST_F(Doc, GoldenLayerFileHoldsTheActiveLayerOnly) {
  first->AddLayer();
  first->ActivateOnly(1);
  TPage* a = first->Next;
  a->Segments.push_back(
      std::make_unique<TSegment>(0, *a, 2, platform::TPoint{10, 20}, platform::TPoint{110, 20}));
  a->Segments[0]->id = 7;
  a->Segments[0]->color = 0x0000FF;
  first->Segments.push_back(
      std::make_unique<TSegment>(0, *first, 1, platform::TPoint{0, 0}, platform::TPoint{5, 5}));

  Bytes b;
  b.u16(0).u16(2).i32(0);
  segment(b.i32(1), 7, 10, 20, 110, 20);
  b.i32(0).i32(0).i32(0).u8(0);
  EXPECT_EQ(written(WriteLayerFile), b.b);

  // Read back into the first layer of another document.
  renew();
  MemoryStream in(b.b);
  ReadLayerFile(in, *first);
  EXPECT_EQ(in.position(), in.size());
  ASSERT_EQ(first->Segments.size(), 1u);
  EXPECT_EQ(first->Segments[0]->id, 7);
  EXPECT_EQ(written(WriteLayerFile), b.b);

  for (size_t n = 0; n < b.b.size(); ++n) {
    renew();
    MemoryStream cut(std::vector<uint8_t>(b.b.begin(), b.b.begin() + long(n)));
    EXPECT_THROW(ReadLayerFile(cut, *first), StreamError) << n;
    EXPECT_LE(first->Segments.size(), 1u);
  }
}

TEST_F(Doc, LayerFileWithoutActiveLayerIsOnlyTheVersion) {
  first->SetActive(false);
  EXPECT_EQ(written(WriteLayerFile), (std::vector<uint8_t>{0, 0}));
  Bytes b;
  b.u16(0).u16(2).i32(0);
  MemoryStream in(b.b);
  ReadLayerFile(in, *first);
  EXPECT_EQ(in.position(), 2u);  // nothing read past the version
}

TEST_F(Doc, LayerRecordOfEveryVersionImports) {
  struct Case {
    uint16_t version;
    bool points, background;
  };
  for (const Case& c :
       {Case{0, false, false}, Case{1, true, false}, Case{2, true, true}, Case{9, true, true}}) {
    SCOPED_TRACE(c.version);
    renew();
    Bytes b;
    b.u16(0).u16(c.version).i32(0);
    segment(b.i32(1), 7, 10, 20, 110, 20);
    if (c.version >= 1) point(b.i32(1), 60, 20, 7);
    b.i32(0).i32(0);
    if (c.version >= 1) bitmap2x1(b.u8(1)).i32(3).i32(4);
    MemoryStream in(b.b);
    ReadLayerFile(in, *first);
    // A version 1 record carries no background section: what follows is not read.
    EXPECT_EQ(in.position() == in.size(), c.version != 1);
    EXPECT_EQ(first->Points.size(), c.points ? 1u : 0u);
    EXPECT_EQ(first->Background != nullptr, c.background);
  }
}

TEST_F(Doc, ImportAppendsRenumbersGroupsAndKeepsTheLayerAttributes) {
  first->Rename("mien");
  first->Segments.push_back(
      std::make_unique<TSegment>(0, *first, 1, platform::TPoint{0, 0}, platform::TPoint{5, 5}));
  first->Segments[0]->PushGroup(1);
  first->Segments.push_back(
      std::make_unique<TSegment>(0, *first, 1, platform::TPoint{0, 9}, platform::TPoint{5, 9}));
  first->Segments[1]->PushGroup(2);
  first->Background = std::make_unique<Bitmap>(4, 4);
  first->GroupMap = {{1, 99}};  // left over from an earlier paste
  changes.clear();

  Bytes b;
  b.u16(0).u16(2).i32(0).i32(3);
  segment(b, 40, 10, 20, 110, 20, {1});
  segment(b, 41, 10, 30, 110, 30, {1});
  segment(b, 42, 10, 40, 110, 40, {2});
  point(b.i32(1), 60, 20, 40, {7, 8});  // two groups new to the map
  b.i32(0).i32(0).u8(0);
  MemoryStream in(b.b);
  ReadLayerFile(in, *first);

  ASSERT_EQ(first->Segments.size(), 5u);
  EXPECT_EQ(first->Segments[2]->Entries(), (std::vector<int32_t>{3}));
  EXPECT_EQ(first->Segments[3]->Entries(), (std::vector<int32_t>{3}));
  EXPECT_EQ(first->Segments[4]->Entries(), (std::vector<int32_t>{4}));
  EXPECT_EQ(first->Segments[2]->id, 40);
  ASSERT_EQ(first->Points.size(), 1u);
  EXPECT_EQ(first->Points[0]->Entries(), (std::vector<int32_t>{5, 5}));
  EXPECT_EQ(first->Points[0]->segment, first->Segments[2].get());
  // The picture stays: the file has none.
  ASSERT_TRUE(first->Background);
  EXPECT_EQ(first->Background->width(), 4);
  EXPECT_EQ(first->Name, "mien");
  EXPECT_TRUE(changes.empty());

  Bytes withPicture;
  withPicture.u16(0).u16(2).i32(0).i32(0).i32(0).i32(0).i32(0);
  bitmap2x1(withPicture.u8(1)).i32(3).i32(4);
  MemoryStream in2(withPicture.b);
  ReadLayerFile(in2, *first);
  EXPECT_EQ(first->Background->width(), 2);
  EXPECT_EQ(first->BackgroundLeft, 3);
}

TEST_F(Doc, ReadLayersAssignsPlainlyAndSkipsBounds) {
  Bytes b;
  blockLayer(b, 2, false, true, "cache", true);
  blockLayer(b, 2, true, false, "vu", false);
  MemoryStream in(b.b);
  ReadLayers(in, *first);
  ASSERT_EQ(first->LayerCount(), 2);
  EXPECT_FALSE(first->Visible);
  EXPECT_TRUE(first->Protected);
  // No SetVisible: the label was not told its layer is hidden, and the layer stays active.
  EXPECT_TRUE(first->Labels[0]->visible());
  EXPECT_TRUE(first->Active);
  EXPECT_EQ(first->Next->Previous, first);
  EXPECT_EQ(first->Next->Number, 2);
  EXPECT_EQ(first->Next->boundsRect(), (platform::TRect{0, 0, 794, 1123}));
  first->Next->Rename("autre");
  EXPECT_EQ(changes, (std::vector<std::string>{"autre"}));  // the handler came along
}

TEST_F(Doc, GoldenSnapshotRestoresTheLayer) {
  first->AddLayer();
  first->ActivateOnly(1);
  TPage* a = first->Next;
  a->Rename("deux");
  a->Labels.push_back(
      std::make_unique<TLibelle>(platform::TPoint{30, 40}, *a, platform::Font{"Arial", 12}, "A"));
  a->Labels[0]->SetColor(0);
  a->Background = std::make_unique<Bitmap>(2, 1);
  a->Background->setPixel(0, 0, kBlue);
  a->Background->setPixel(1, 0, platform::clRed);
  a->BackgroundLeft = 5;
  a->BackgroundTop = 6;

  Bytes b;
  b.i32(1).u8(1).u8(0).str(text("deux")).i32(0).i32(0).i32(0).i32(0);
  label(b.i32(1), "A", 30, 40);
  bitmap2x1(b.u8(1)).i32(5).i32(6);
  EXPECT_EQ(written(WriteLayerSnapshot), b.b);

  a->Clear();
  a->Rename("vide");
  a->Segments.push_back(
      std::make_unique<TSegment>(0, *a, 1, platform::TPoint{0, 0}, platform::TPoint{5, 5}));
  changes.clear();
  MemoryStream in(b.b);
  ASSERT_EQ(in.readI32(), 1);
  ReadLayerSnapshot(in, *a);
  EXPECT_EQ(in.position(), in.size());
  EXPECT_EQ(a->Name, "deux");
  EXPECT_TRUE(a->Segments.empty());
  ASSERT_EQ(a->Labels.size(), 1u);
  EXPECT_EQ(a->BackgroundTop, 6);
  EXPECT_EQ(changes, (std::vector<std::string>{"deux"}));
  EXPECT_EQ(written(WriteLayerSnapshot), b.b);

  for (size_t n = 4; n < b.b.size(); ++n) {
    MemoryStream cut(std::vector<uint8_t>(b.b.begin(), b.b.begin() + long(n)));
    cut.seek(4);
    EXPECT_THROW(ReadLayerSnapshot(cut, *a), StreamError) << n;
  }
}

TEST_F(Doc, ThreeLayersRoundTrip) {
  first->Rename("un");
  first->AddLayer();
  first->AddLayer();
  TPage* third = first->LayerAt(2);
  third->SetProtected(true);
  first->Next->SetVisible(false);
  third->Segments.push_back(
      std::make_unique<TSegment>(1, *third, 3, platform::TPoint{1, 2}, platform::TPoint{30, 40}));
  third->Background = std::make_unique<Bitmap>(3, 2, kYellow);
  first->Arcs.push_back(std::make_unique<TArc>(0, *first, 2, platform::TPoint{100, 50},
                                               platform::TPoint{50, 100},
                                               platform::TPoint{50, 50}));
  MemoryStream out;
  TBlockDocument doc;
  WriteBlockFile(out, *first, doc);

  TPage* other = fresh();
  MemoryStream in(out.bytes());
  TBlockDocument back;
  ReadBlockFile(in, *other, back);
  ASSERT_EQ(other->LayerCount(), 3);
  for (int i = 0; i < 3; ++i) {
    TPage* x = first->LayerAt(i);
    TPage* y = other->LayerAt(i);
    EXPECT_EQ(x->Name, y->Name);
    EXPECT_EQ(x->Visible, y->Visible);
    EXPECT_EQ(x->Protected, y->Protected);
    EXPECT_EQ(x->Segments.size(), y->Segments.size());
    EXPECT_EQ(x->Arcs.size(), y->Arcs.size());
    EXPECT_EQ(x->Background != nullptr, y->Background != nullptr);
  }
  EXPECT_EQ(other->LayerAt(2)->Background->pixel(2, 1), kYellow);
  MemoryStream again;
  WriteBlockFile(again, *other, back);
  EXPECT_EQ(again.bytes(), out.bytes());
  other->freeAll();
}

TEST(PaperImage, CompressedSectionRoundTripsAndRefusesBadLengths) {
  Bitmap paper(40, 30, platform::clWhite);
  for (int x = 0; x < 40; ++x) paper.setPixel(x, 10, platform::clRed);
  MemoryStream s;
  s.writeU8(0xAB);  // sections sit inside the journal, not at its start
  WritePaperImage(s, paper);
  const uint64_t n = s.size() - 1;

  // The length, then a zlib stream of the bitmap file image.
  MemoryStream image;
  platform::writeBitmap(image, paper);
  const std::vector<uint8_t>& bytes = s.bytes();
  MemoryStream head(bytes);
  head.seek(1);
  EXPECT_EQ(uint64_t(head.readI32()), image.size());
  std::vector<uint8_t> raw(image.size());
  uLongf rawSize = uLongf(raw.size());
  ASSERT_EQ(uncompress(raw.data(), &rawSize, bytes.data() + 5, uLong(n - 4)), Z_OK);
  EXPECT_EQ(raw, image.bytes());

  Bitmap back(1, 1);
  MemoryStream in(bytes);
  in.seek(1);
  ReadPaperImage(in, n, back);
  EXPECT_EQ(in.position(), in.size());
  EXPECT_EQ(back.width(), 40);
  EXPECT_EQ(back.pixel(7, 10), platform::clRed);
  EXPECT_EQ(back.pixel(7, 11), platform::clWhite);

  auto refused = [&](std::vector<uint8_t> data, uint64_t len) {
    Bitmap kept(3, 3, kBlue);
    MemoryStream t(std::move(data));
    t.seek(1);
    EXPECT_THROW(ReadPaperImage(t, len, kept), StreamError);
    EXPECT_EQ(kept.width(), 3);
  };
  // Cut anywhere, or told a section longer than the data.
  for (uint64_t cut = 1; cut < bytes.size(); cut += 7)
    refused(std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(cut)), cut - 1);
  refused(bytes, n + 1);
  // A length no zlib stream of this size can give, refused before sizing anything from it.
  std::vector<uint8_t> huge = bytes;
  huge[4] = 0x7F;
  refused(huge, n);
  // A length that disagrees with the data.
  std::vector<uint8_t> wrong = bytes;
  wrong[1] ^= 1;
  refused(wrong, n);
}

}  // namespace
