#include "uJournal.h"

#include <cstdio>
#include <filesystem>
#include <limits>
#include <type_traits>
#include <utility>

#include "sheet/layers/uSauve.h"

using platform::Bitmap;
using platform::MemoryStream;
using platform::Stream;
using platform::StreamError;

namespace {

namespace jk = journal_kind;

[[noreturn]] void malformed(const char* why) {
  throw StreamError(std::string("Journal d'annulation illisible : ") + why);
}

// Calls f with the object list of kind k (0 curves, 1 segments, 2 points, 3 arcs, 4 labels).
template <class F>
decltype(auto) withList(TPage& layer, int k, F&& f) {
  switch (k) {
    case 0:
      return f(layer.Curves);
    case 1:
      return f(layer.Segments);
    case 2:
      return f(layer.Points);
    case 3:
      return f(layer.Arcs);
    default:
      return f(layer.Labels);
  }
}

template <class T>
std::unique_ptr<T> createObject(Stream& s, TPage& host) {
  // Segments keep their stored id: marks and later records name them by it.
  if constexpr (std::is_same_v<T, TSegment>)
    return TSegment::CreateFromStream(s, host, false);
  else
    return T::CreateFromStream(s, host);
}

bool entryExists(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(p, ec));
}

}  // namespace

TJournal::TJournal(std::string folder, FirstLayerRef firstLayer, PictureRef picture)
    : folder_(std::move(folder)),
      firstLayer_(std::move(firstLayer)),
      picture_(std::move(picture)) {}

TJournal::~TJournal() {
  CloseJournal();
}

// ---- Lifecycle ----

void TJournal::OpenJournal() {
  if (stream_) return;
  // Exclusive creation: a second sheet finds the name taken and goes on to the next one, and
  // no other sheet's journal is ever replaced.
  for (int n = 1; n <= kMaxFileNumber; ++n) {
    char leaf[16];
    std::snprintf(leaf, sizeof leaf, "undoBlc%04d", n);
    const std::filesystem::path path = std::filesystem::path(folder_) / leaf;
    if (entryExists(path)) continue;
    try {
      file_ = std::make_unique<platform::FileStream>(path.string(),
                                                     platform::FileStream::Mode::CreateExclusive);
      name_ = path.string();
      stream_ = file_.get();
      return;
    } catch (const StreamError&) {
      if (entryExists(path)) continue;  // taken meanwhile
      break;                            // the folder refuses files
    }
  }
  memory_ = std::make_unique<MemoryStream>();
  stream_ = memory_.get();
}

void TJournal::ClearJournal() {
  if (!stream_) return;
  truncate(0);
  stream_->seek(0);
}

void TJournal::CloseJournal() {
  stream_ = nullptr;
  memory_.reset();
  if (file_) {
    file_.reset();
    std::error_code ec;
    std::filesystem::remove(name_, ec);
  }
  name_.clear();
}

bool TJournal::CanUndo() const {
  return stream_ && stream_->position() > 0;
}

bool TJournal::CanRedo() const {
  return stream_ && stream_->position() < stream_->size();
}

// ---- Writing ----

TPage* TJournal::first() const {
  return firstLayer_ ? firstLayer_() : nullptr;
}

void TJournal::truncate(uint64_t size) {
  if (file_)
    file_->truncate(size);
  else
    memory_->truncate(size);
}

void TJournal::writeRecord(uint8_t kind, const std::vector<uint8_t>& payload) {
  if (payload.size() > uint64_t(std::numeric_limits<int32_t>::max()) - 5)
    throw StreamError("Journal d'annulation : modification trop grande");
  const int32_t length = int32_t(5 + payload.size());
  MemoryStream rec;
  rec.writeI32(length);
  rec.writeU8(kind);
  rec.writeBytes(payload.data(), payload.size());
  rec.writeI32(length);

  const uint64_t start = stream_->position();
  try {
    stream_->writeBytes(rec.bytes().data(), rec.size());
    truncate(start + rec.size());
  } catch (...) {
    // A short write (full disk) must not leave half a record for Undo to walk into.
    try {
      truncate(start);
      stream_->seek(start);
    } catch (...) {
    }
    throw;
  }
}

void TJournal::RecordChange(uint8_t kind, TPage& activeLayer) {
  if (!stream_) return;
  TPage* f = first();
  MemoryStream payload;
  if (kind <= jk::ObjectDeleted + 4) {
    if (!f) return;
    const int32_t position = f->IndexOfLayer(&activeLayer);
    if (position >= f->LayerCount()) return;
    const int k = kind % 5;
    const int64_t count = withList(activeLayer, k, [](auto& list) { return int64_t(list.size()); });
    const int64_t index = kind < jk::ObjectDeleted ? count - 1 : activeLayer.LastDeletedIndex;
    if (index < 0 || index >= count) return;
    payload.writeI32(position);
    payload.writeI32(int32_t(index));
    withList(activeLayer, k, [&](auto& list) { list[size_t(index)]->SaveToStream(payload); });
  } else if (kind <= jk::LayerAdded) {
    if (!f || !f->ActiveLayer()) return;
    WriteLayerSnapshot(payload, *f);
  } else if (kind == jk::PictureChanged) {
    if (!picture_) return;
    WritePaperImage(payload, picture_());
  }
  writeRecord(kind, payload.bytes());
}

void TJournal::RecordChange(uint8_t kind) {
  TPage* f = first();
  TPage* a = f ? f->ActiveLayer() : nullptr;
  if (a) {
    RecordChange(kind, *a);
  } else if (kind >= jk::PictureChanged && stream_) {
    // Neither the picture nor the kinds beyond it concern a layer.
    MemoryStream payload;
    if (kind == jk::PictureChanged) {
      if (!picture_) return;
      WritePaperImage(payload, picture_());
    }
    writeRecord(kind, payload.bytes());
  }
}

// ---- Reading ----

TJournal::Record TJournal::readRecordAt(uint64_t start) {
  stream_->seek(start);
  const int32_t length = stream_->readI32();
  if (length < 5) malformed("longueur d'enregistrement invalide");
  // Kind, payload and the closing length: known to be there before anything is sized.
  stream_->require(uint64_t(length));
  Record r;
  r.start = start;
  r.kind = stream_->readU8();
  r.payload.resize(size_t(length - 5));
  stream_->readBytes(r.payload.data(), r.payload.size());
  if (stream_->readI32() != length) malformed("longueurs d'enregistrement discordantes");
  return r;
}

TJournal::Record TJournal::readRecordBefore(uint64_t end) {
  if (end < 9) malformed("enregistrement tronqué");
  stream_->seek(end - 4);
  const int32_t length = stream_->readI32();
  if (length < 5 || uint64_t(length) + 4 > end) malformed("longueur d'enregistrement invalide");
  Record r = readRecordAt(end - 4 - uint64_t(length));
  if (r.end() != end) malformed("longueurs d'enregistrement discordantes");
  return r;
}

TPage& TJournal::layerAt(int32_t position) {
  TPage* f = first();
  TPage* layer = f ? f->LayerAt(position) : nullptr;
  if (!layer) malformed("calque introuvable");
  return *layer;
}

void TJournal::removeObject(TPage& layer, int kind, int32_t index) {
  withList(layer, kind, [&](auto& list) {
    using T = typename std::decay_t<decltype(list)>::value_type::element_type;
    if (index < 0 || size_t(index) >= list.size()) malformed("objet introuvable");
    const platform::TRect bounds = list[size_t(index)]->GetBounds();
    if constexpr (std::is_same_v<T, TSegment>) {
      // Marks added since are not recorded: they must not keep the freed segment.
      for (auto& p : layer.Points)
        if (p->segment == list[size_t(index)].get()) {
          p->DetachFromSegment();
          p->ForgetDetachedSegment();
        }
    }
    list.erase(list.begin() + ptrdiff_t(index));
    // Labels are controls: the panel repaints where they were when they go.
    if constexpr (!std::is_same_v<T, TLibelle>)
      if (layer.Owner()) layer.Owner()->invalidate(bounds, true);
  });
}

void TJournal::insertObject(TPage& layer, int kind, int32_t index, Stream& s) {
  withList(layer, kind, [&](auto& list) {
    using T = typename std::decay_t<decltype(list)>::value_type::element_type;
    if (index < 0 || size_t(index) > list.size()) malformed("position d'objet invalide");
    std::unique_ptr<T> object = createObject<T>(s, layer);
    if constexpr (std::is_same_v<T, TLibelle>) {
      object->SetLayerVisible(layer.Visible);
      object->SetLayerActive(layer.Active);
    } else if (layer.Owner()) {
      layer.Owner()->invalidate(object->GetBounds(), false);
    }
    list.insert(list.begin() + ptrdiff_t(index), std::move(object));
  });
}

void TJournal::checkSnapshot(const std::vector<uint8_t>& payload) {
  TPage* f = first();
  if (!f) malformed("aucun calque");
  TPage* scratch = TPage::Create(nullptr, f->Panel());
  scratch->SetBounds(f->left(), f->top(), f->width(), f->height());
  try {
    MemoryStream s(payload);
    s.seek(4);
    ReadLayerSnapshot(s, *scratch);
  } catch (...) {
    scratch->free();
    throw;
  }
  scratch->free();
}

void TJournal::loadSnapshot(const std::vector<uint8_t>& payload, TPage& layer) {
  MemoryStream s(payload);
  s.seek(4);
  ReadLayerSnapshot(s, layer);
}

TPage& TJournal::insertLayer(int32_t position) {
  TPage* f = first();
  TPage* layer = f ? f->InsertLayer(position) : nullptr;
  if (!layer) malformed("position de calque invalide");
  if (!layer->Previous) firstLayer_() = layer;
  return *layer;
}

void TJournal::deleteLayer(int32_t position) {
  TPage* f = first();
  TPage& doomed = layerAt(position);
  TPage* other = f->OtherActivatableLayer(position);
  if (!other) return;  // the last layer that can be active stays
  // Only the deleted layer's activation moves: another active layer keeps it.
  if (doomed.Active) other->SetActive(true);
  firstLayer_() = f->DeleteLayer(position);
}

Bitmap TJournal::readPicture(const std::vector<uint8_t>& payload) {
  MemoryStream s(payload);
  const int32_t size = s.readI32();
  if (size < 0 || size > kMaxPictureBytes) malformed("image trop grande");
  s.seek(0);
  Bitmap picture;
  ReadPaperImage(s, payload.size(), picture);
  return picture;
}

void TJournal::showPicture(Bitmap picture) {
  if (picture_) picture_() = std::move(picture);
}

namespace {
int32_t leadingI32(const std::vector<uint8_t>& payload) {
  MemoryStream s(std::vector<uint8_t>(
      payload.begin(), payload.begin() + ptrdiff_t(std::min<size_t>(4, payload.size()))));
  return s.readI32();
}
}  // namespace

// ---- Undo and Redo ----

void TJournal::Undo() {
  if (!CanUndo()) return;
  const uint64_t p0 = stream_->position();
  try {
    undoAt(p0);
  } catch (...) {
    stream_->seek(p0);
    throw;
  }
}

void TJournal::undoAt(uint64_t p0) {
  Record r = readRecordBefore(p0);
  // An AfterChange is undone with the BeforeChange before it, as one step.
  while (r.kind == jk::AfterChange) {
    if (r.start == 0) {
      stream_->seek(0);
      return;
    }
    p0 = r.start;
    r = readRecordBefore(p0);
  }

  if (r.kind < jk::ObjectDeleted) {
    MemoryStream s(r.payload);
    const int32_t layer = s.readI32();
    const int32_t index = s.readI32();
    removeObject(layerAt(layer), r.kind, index);
  } else if (r.kind < jk::LayerCleared) {
    MemoryStream s(r.payload);
    const int32_t layer = s.readI32();
    const int32_t index = s.readI32();
    insertObject(layerAt(layer), r.kind - jk::ObjectDeleted, index, s);
  } else if (r.kind == jk::LayerCleared || r.kind == jk::BeforeChange) {
    TPage& layer = layerAt(leadingI32(r.payload));
    checkSnapshot(r.payload);
    loadSnapshot(r.payload, layer);
  } else if (r.kind == jk::LayerDeleted) {
    const int32_t position = leadingI32(r.payload);
    checkSnapshot(r.payload);
    loadSnapshot(r.payload, insertLayer(position));
  } else if (r.kind == jk::LayerAdded) {
    deleteLayer(leadingI32(r.payload));
  } else if (r.kind == jk::PictureChanged) {
    Bitmap before = readPicture(r.payload);
    if (p0 == stream_->size()) {
      // The picture as it is now, so that Redo can come back to it.
      stream_->seek(p0);
      RecordChange(jk::PictureChanged);
    }
    showPicture(std::move(before));
  }
  stream_->seek(r.start);
}

void TJournal::Redo() {
  if (!CanRedo()) return;
  const uint64_t s0 = stream_->position();
  try {
    stream_->seek(redoAt(s0));
  } catch (...) {
    stream_->seek(s0);
    throw;
  }
}

uint64_t TJournal::redoAt(uint64_t s) {
  Record r = readRecordAt(s);
  // A BeforeChange is redone with the AfterChange after it, as one step.
  while (r.kind == jk::BeforeChange) {
    if (r.end() >= stream_->size()) return r.end();
    r = readRecordAt(r.end());
  }
  const uint64_t end = r.end();

  if (r.kind < jk::ObjectDeleted) {
    MemoryStream p(r.payload);
    const int32_t layer = p.readI32();
    const int32_t index = p.readI32();
    insertObject(layerAt(layer), r.kind, index, p);
  } else if (r.kind < jk::LayerCleared) {
    MemoryStream p(r.payload);
    const int32_t layer = p.readI32();
    const int32_t index = p.readI32();
    removeObject(layerAt(layer), r.kind - jk::ObjectDeleted, index);
  } else if (r.kind == jk::LayerCleared) {
    layerAt(leadingI32(r.payload)).Clear();
  } else if (r.kind == jk::LayerDeleted) {
    deleteLayer(leadingI32(r.payload));
  } else if (r.kind == jk::AfterChange) {
    TPage& layer = layerAt(leadingI32(r.payload));
    checkSnapshot(r.payload);
    loadSnapshot(r.payload, layer);
  } else if (r.kind == jk::LayerAdded) {
    const int32_t position = leadingI32(r.payload);
    checkSnapshot(r.payload);
    loadSnapshot(r.payload, insertLayer(position));
  } else if (r.kind == jk::PictureChanged) {
    // The picture after this change is in the record that follows; the last record has none.
    if (end >= stream_->size()) return r.start;
    showPicture(readPicture(readRecordAt(end).payload));
  }
  return end;
}
