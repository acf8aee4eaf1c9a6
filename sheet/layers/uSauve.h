#pragma once
// The document's byte streams: the layer record in its three forms (block, file, snapshot),
// the block file (".blc"), the layer file (".clq") and the compressed paper image of the undo
// journal. Every read goes through the bounds-checked streams: a record that ends early raises
// StreamError, and what was read before it stays in the document.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Streams.h"
#include "sheet/layers/uPages.h"
#include "sheet/overlays/uOptions.h"

inline constexpr uint16_t BlockFileVersion = 2;
inline constexpr uint16_t LayerRecordVersion = 2;
inline constexpr uint16_t LayerFileVersion = 0;

// WriteLayers modes.
inline constexpr int LayersBlockForm = 0;  // every layer, block form
inline constexpr int LayersFileForm = 1;   // the active layer only, file form

// Called on the first layer. Mode 0 writes the block-form record of every layer, each ending
// with its continuation byte; mode 1 the file-form record of the active layer (nothing when
// no layer is active).
void WriteLayers(platform::Stream& s, TPage& first, int mode);
// Called on the first layer of a fresh document: reads block-form records into it and into the
// layers it creates after it. Visible, Protected and Name are assigned plainly; the stored
// bounds are skipped; segments keep their stored ids and objects their stored groups.
// `versions`, when given, receives each record's layer version as stored.
void ReadLayers(platform::Stream& s, TPage& first, std::vector<uint16_t>* versions = nullptr);
// Called on the first layer, the stream just after the layer file's version: appends the
// objects of a file-form record to the active layer, giving their groups fresh numbers
// through the GroupMap, and replaces its background only when the record has one. Reads
// nothing when no layer is active.
void ImportLayer(platform::Stream& s, TPage& first);

// The active layer's position, visibility, protection, name, objects and background (nothing
// when no layer is active).
void WriteLayerSnapshot(platform::Stream& s, TPage& first);
// The stream just after the position: clears `layer` and fills it from the snapshot, then
// restacks from it, raises OnLayersChanged and repaints it.
void ReadLayerSnapshot(platform::Stream& s, TPage& layer);
// Replaces the layer's background with a bitmap and its two offsets, and repaints it. The
// old picture stays when the bitmap cannot be read.
void ReadBackground(platform::Stream& s, TPage& layer);

// What a block file carries besides the layers.
struct TBlockDocument {
  // As stored (a later version than BlockFileVersion reads as that one); always written as
  // BlockFileVersion.
  uint16_t Version = BlockFileVersion;
  uint8_t Orientation = 0;  // 0 portrait, 1 landscape
  // In: the options in force, kept for what an older file lacks. Out: as read.
  TOptionsRecord Options;
  bool HasOptions = true;                          // false after reading a version 0 file
  uint16_t OptionsVersion = OptionsRecordVersion;  // as stored
  std::vector<uint16_t> LayerVersions;             // as stored, after reading
  // The image-mode picture, present exactly when the document was saved in image mode.
  std::optional<platform::Bitmap> Picture;
};

// Block version, orientation, options record, WriteLayers mode 0, the image-mode flag and,
// when doc.Picture is set, the picture.
void WriteBlockFile(platform::Stream& s, TPage& first, const TBlockDocument& doc);
// Reads into a fresh one-layer chain. `head` is called once the orientation and the options
// record (when the version has one) are read and before the layers: the sheet turns and
// resizes the page and puts the options in force there. Raises StreamError on a short file;
// `doc` and the chain then keep what was read.
void ReadBlockFile(platform::Stream& s, TPage& first, TBlockDocument& doc,
                   const std::function<void(const TBlockDocument&)>& head = {});

// The u16 0 then WriteLayers mode 1.
void WriteLayerFile(platform::Stream& s, TPage& first);
// Skips the version, then ImportLayer.
void ReadLayerFile(platform::Stream& s, TPage& first);

// The paper image's BMP file image: its length as i32, then the image as a zlib stream at the
// fastest level.
void WritePaperImage(platform::Stream& s, const platform::Bitmap& paper);
// Reads a section of `n` bytes written by WritePaperImage into `paper`, which changes only
// when the whole section reads. A length the compressed bytes cannot hold, bad zlib data or a
// bad image raises StreamError; exactly n bytes are consumed otherwise.
void ReadPaperImage(platform::Stream& s, uint64_t n, platform::Bitmap& paper);
