#pragma once
// The undo journal: an append-only log of change records with a current position. Each
// record is framed by its length on both sides so it can be walked backwards:
//   i32 L (= 5 + payload length), u8 kind, payload, i32 L.
// Undo steps back over the record before the position, Redo forward over the one at it, and a
// new record is written at the position and cuts off the rest.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Streams.h"
#include "sheet/layers/uChangeRecorder.h"
#include "sheet/layers/uPages.h"

namespace journal_kind {
inline constexpr uint8_t ObjectAdded = 0;      // + object kind: curve, segment, point, arc, label
inline constexpr uint8_t ObjectDeleted = 5;    // + object kind
inline constexpr uint8_t LayerCleared = 10;    // snapshot before
inline constexpr uint8_t LayerDeleted = 11;    // snapshot before
inline constexpr uint8_t BeforeChange = 12;    // snapshot before
inline constexpr uint8_t AfterChange = 13;     // snapshot after
inline constexpr uint8_t LayerAdded = 14;      // snapshot of the new layer
inline constexpr uint8_t PictureChanged = 15;  // image-mode picture before painting
}  // namespace journal_kind

class TJournal : public TChangeRecorder {
 public:
  // The sheet's reference to its first layer: read for every record, and changed when undo
  // or redo inserts or deletes the layer at position 0.
  using FirstLayerRef = std::function<TPage*&()>;
  // The image-mode picture, read by PictureChanged records and replaced by their undo.
  using PictureRef = std::function<platform::Bitmap&()>;

  // A picture record claiming more than this is refused before anything is allocated.
  static constexpr int32_t kMaxPictureBytes = 64 * 1024 * 1024;
  static constexpr int kMaxFileNumber = 9999;

  // `folder` holds the journal file (the program's folder in the sheet).
  TJournal(std::string folder, FirstLayerRef firstLayer, PictureRef picture = {});
  ~TJournal() override;  // CloseJournal
  TJournal(const TJournal&) = delete;
  TJournal& operator=(const TJournal&) = delete;

  // Creates the first free "undoBlc0001".."undoBlc9999" of the folder for exclusive use; a
  // memory journal when none can be created. Nothing when a journal is already open.
  void OpenJournal();
  void ClearJournal();
  // Drops the journal and deletes its file.
  void CloseJournal();

  bool CanUndo() const;
  bool CanRedo() const;

  // Writes the record of `kind` at the position, cutting off what followed. Kinds 0..9 take
  // the object of `activeLayer` (the last of its list, or the one at its LastDeletedIndex);
  // snapshots are of the first active layer. Nothing while no journal is open, nor when the
  // record would have nothing to hold.
  void RecordChange(uint8_t kind, TPage& activeLayer) override;
  // The same for the first active layer of the chain (kind 15 needs none).
  void RecordChange(uint8_t kind);

  // A record that is malformed (cut short, counts beyond its length, addresses missing) raises
  // StreamError: the position is then where it was and the document as it was.
  void Undo();
  void Redo();

  bool IsOpen() const { return stream_ != nullptr; }
  bool InMemory() const { return memory_ != nullptr; }
  // Empty for a memory journal.
  const std::string& JournalName() const { return name_; }
  uint64_t Position() const { return stream_ ? stream_->position() : 0; }
  uint64_t Size() const { return stream_ ? stream_->size() : 0; }

 private:
  struct Record {
    uint64_t start = 0;
    uint8_t kind = 0;
    std::vector<uint8_t> payload;
    uint64_t end() const { return start + 9 + payload.size(); }
  };

  TPage* first() const;
  // The whole record starting at `start`, both lengths checked.
  Record readRecordAt(uint64_t start);
  // The record ending at `end`.
  Record readRecordBefore(uint64_t end);
  void writeRecord(uint8_t kind, const std::vector<uint8_t>& payload);
  void truncate(uint64_t size);

  void undoAt(uint64_t p0);
  // Answers the position to leave.
  uint64_t redoAt(uint64_t s);

  TPage& layerAt(int32_t position);
  void removeObject(TPage& layer, int kind, int32_t index);
  void insertObject(TPage& layer, int kind, int32_t index, platform::Stream& s);
  // Reads the snapshot into a scratch layer first, so that a bad one changes nothing.
  void loadSnapshot(const std::vector<uint8_t>& payload, TPage& layer);
  void checkSnapshot(const std::vector<uint8_t>& payload);
  TPage& insertLayer(int32_t position);
  void deleteLayer(int32_t position);
  platform::Bitmap readPicture(const std::vector<uint8_t>& payload);
  void showPicture(platform::Bitmap picture);

  std::string folder_;
  FirstLayerRef firstLayer_;
  PictureRef picture_;
  std::string name_;
  std::unique_ptr<platform::FileStream> file_;
  std::unique_ptr<platform::MemoryStream> memory_;
  platform::Stream* stream_ = nullptr;
};
