#include "uSauve.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

using platform::Bitmap;
using platform::MemoryStream;
using platform::Stream;
using platform::StreamError;

namespace {

// Every object record takes at least one byte, so a count beyond the bytes left cannot be
// right; it is refused before anything is made from it.
int32_t readCount(Stream& s) {
  const int32_t n = s.readI32();
  if (n < 0) throw StreamError("Nombre d'objets négatif");
  s.require(uint64_t(n));
  return n;
}

template <class T>
void writeList(Stream& s, const TObjectList<T>& list) {
  s.writeI32(int32_t(list.size()));
  for (const auto& o : list) o->SaveToStream(s);
}

// Reads a counted sequence, appending each object as soon as it is whole so that a short
// record leaves the ones before it in the layer. `adopt` runs on each before it is appended.
template <class T, class Make, class Adopt>
void readList(Stream& s, TObjectList<T>& list, Make&& make, Adopt&& adopt) {
  const int32_t n = readCount(s);
  for (int32_t i = 0; i < n; ++i) {
    std::unique_ptr<T> o = make();
    adopt(*o);
    list.push_back(std::move(o));
  }
}

// The five sequences in record order; points only from version 1.
template <class Adopt>
void readObjects(Stream& s, TPage& into, uint16_t version, Adopt&& adopt) {
  readList(
      s, into.Curves, [&] { return TCourbeLibre::CreateFromStream(s, into); }, adopt);
  readList(
      s, into.Segments, [&] { return TSegment::CreateFromStream(s, into, false); }, adopt);
  if (version >= 1)
    readList(
        s, into.Points, [&] { return TPointG::CreateFromStream(s, into); }, adopt);
  readList(
      s, into.Arcs, [&] { return TArc::CreateFromStream(s, into); }, adopt);
  readList(
      s, into.Labels, [&] { return TLibelle::CreateFromStream(s, into); }, adopt);
}

void readObjects(Stream& s, TPage& into, uint16_t version) {
  readObjects(s, into, version, [](TObjetGraphique&) {});
}

void writeObjects(Stream& s, const TPage& layer) {
  writeList(s, layer.Curves);
  writeList(s, layer.Segments);
  writeList(s, layer.Points);
  writeList(s, layer.Arcs);
  writeList(s, layer.Labels);
}

void writeBackground(Stream& s, const TPage& layer) {
  s.writeBool(layer.Background != nullptr);
  if (!layer.Background) return;
  platform::writeBitmap(s, *layer.Background);
  s.writeI32(layer.BackgroundLeft);
  s.writeI32(layer.BackgroundTop);
}

// File form: the block form without the layer's attributes, bounds and continuation.
void writeFileForm(Stream& s, const TPage& layer) {
  s.writeU16(LayerRecordVersion);
  writeObjects(s, layer);
  writeBackground(s, layer);
}

void writeBlockForm(Stream& s, const TPage& layer) {
  s.writeU16(LayerRecordVersion);
  s.writeBool(layer.Visible);
  s.writeBool(layer.Protected);
  s.writeString(layer.Name);
  s.writeI32(layer.left());
  s.writeI32(layer.top());
  s.writeI32(layer.width());
  s.writeI32(layer.height());
  writeObjects(s, layer);
  writeBackground(s, layer);
  s.writeBool(layer.Next != nullptr);
}

uint16_t readLayerVersion(Stream& s) {
  return std::min(s.readU16(), LayerRecordVersion);
}

}  // namespace

void WriteLayers(Stream& s, TPage& first, int mode) {
  TPage* head = first.FirstLayer();
  if (mode == LayersBlockForm) {
    for (const TPage* l = head; l; l = l->Next) writeBlockForm(s, *l);
  } else if (mode == LayersFileForm) {
    if (const TPage* a = head->ActiveLayer()) writeFileForm(s, *a);
  }
}

void ReadLayers(Stream& s, TPage& first, std::vector<uint16_t>* versions) {
  TPage* l = &first;
  for (;;) {
    const uint16_t stored = s.readU16();
    if (versions) versions->push_back(stored);
    const uint16_t version = std::min(stored, LayerRecordVersion);
    l->Visible = s.readBool();
    l->Protected = s.readBool();
    l->Name = s.readString();
    s.skip(16);  // the bounds when saved: the page size comes from the orientation
    readObjects(s, *l, version);
    if (version > 1 && s.readBool()) ReadBackground(s, *l);
    if (!s.readBool()) return;
    TPage* n = TPage::Create(l, l->Panel());
    l->Next = n;
    n->setBounds(l->left(), l->top(), l->width(), l->height());
    n->OnLayersChanged = l->OnLayersChanged;
    l = n;
  }
}

void ImportLayer(Stream& s, TPage& first) {
  TPage* head = first.FirstLayer();
  TPage* a = head->ActiveLayer();
  if (!a) return;
  auto& map = head->GroupMap;
  map.clear();
  // Groups new to the map take the layer's first free number; the object is appended only
  // afterwards, so two new groups of one object share that number.
  auto remap = [&](int32_t g) {
    for (const auto& [from, to] : map)
      if (from == g) return to;
    const int32_t given = head->FreeGroupNumber();
    map.emplace_back(g, given);
    return given;
  };
  const uint16_t version = readLayerVersion(s);
  readObjects(s, *a, version, [&](TObjetGraphique& o) { o.RemapGroups(remap); });
  if (version > 1 && s.readBool()) ReadBackground(s, *a);
}

void WriteLayerSnapshot(Stream& s, TPage& first) {
  TPage* head = first.FirstLayer();
  const TPage* a = head->ActiveLayer();
  if (!a) return;
  s.writeI32(head->IndexOfLayer(a));
  s.writeBool(a->Visible);
  s.writeBool(a->Protected);
  s.writeString(a->Name);
  writeObjects(s, *a);
  writeBackground(s, *a);
}

void ReadLayerSnapshot(Stream& s, TPage& layer) {
  layer.Clear();
  layer.Visible = s.readBool();
  layer.Protected = s.readBool();
  layer.Name = s.readString();
  readObjects(s, layer, LayerRecordVersion);
  if (s.readBool()) ReadBackground(s, layer);
  layer.RestackLayers();
  if (layer.OnLayersChanged) layer.OnLayersChanged(&layer);
  layer.invalidate();
}

void ReadBackground(Stream& s, TPage& layer) {
  layer.Background = std::make_unique<Bitmap>(platform::readBitmap(s));
  layer.invalidate();
  layer.BackgroundLeft = s.readI32();
  layer.BackgroundTop = s.readI32();
}

void WriteBlockFile(Stream& s, TPage& first, const TBlockDocument& doc) {
  s.writeU16(BlockFileVersion);
  s.writeU8(doc.Orientation);
  WriteOptionsRecord(s, doc.Options);
  WriteLayers(s, first, LayersBlockForm);
  s.writeBool(doc.Picture.has_value());
  if (doc.Picture) platform::writeBitmap(s, *doc.Picture);
}

void ReadBlockFile(Stream& s, TPage& first, TBlockDocument& doc,
                   const std::function<void(const TBlockDocument&)>& head) {
  doc.Version = s.readU16();
  const uint16_t version = std::min(doc.Version, BlockFileVersion);
  doc.Orientation = s.readU8() != 0 ? 1 : 0;
  doc.HasOptions = version >= 1;
  doc.Picture.reset();
  doc.LayerVersions.clear();
  if (doc.HasOptions) doc.OptionsVersion = ReadOptionsRecord(s, doc.Options);
  if (head) head(doc);
  ReadLayers(s, first, &doc.LayerVersions);
  if (version > 1 && s.readBool()) doc.Picture = platform::readBitmap(s);
}

void WriteLayerFile(Stream& s, TPage& first) {
  s.writeU16(LayerFileVersion);
  WriteLayers(s, first, LayersFileForm);
}

void ReadLayerFile(Stream& s, TPage& first) {
  s.readU16();  // every version reads alike
  ImportLayer(s, first);
}

void WritePaperImage(Stream& s, const Bitmap& paper) {
  MemoryStream image;
  platform::writeBitmap(image, paper);
  const std::vector<uint8_t>& raw = image.bytes();
  uLongf packedSize = compressBound(uLong(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), Z_BEST_SPEED) != Z_OK)
    throw StreamError("Compression de l'image impossible");
  s.writeI32(int32_t(raw.size()));
  s.writeBytes(packed.data(), packedSize);
}

void ReadPaperImage(Stream& s, uint64_t n, Bitmap& paper) {
  if (n < 4) throw StreamError("Image compressée tronquée");
  const int32_t length = s.readI32();
  const uint64_t packedSize = n - 4;
  s.require(packedSize);
  // zlib expands at most about 1032 to 1: a larger length cannot be right.
  if (length < 0 || uint64_t(length) > packedSize * 1032 + 64)
    throw StreamError("Longueur d'image compressée invalide");
  std::vector<uint8_t> packed(packedSize);
  s.readBytes(packed.data(), packedSize);
  std::vector<uint8_t> raw(static_cast<size_t>(length));
  uLongf rawSize = uLongf(length);
  if (uncompress(raw.data(), &rawSize, packed.data(), uLong(packedSize)) != Z_OK ||
      rawSize != uLongf(length))
    throw StreamError("Image compressée illisible");
  MemoryStream image(std::move(raw));
  paper = platform::readBitmap(image);
}
