#pragma once
// The sheet options: their values, the options record (in "Zeridazs.opt" and at the head of
// every block file) and the file. No widgets here: the options dialog (UDlgOptions.h) builds
// the values from its controls and calls these; so do the tests.
#include <cstdint>
#include <functional>
#include <string>

#include "UGrille.h"
#include "URepere.h"
#include "platform/Streams.h"

inline constexpr uint16_t OptionsRecordVersion = 2;
inline constexpr const char* SheetOptionsFileName = "Zeridazs.opt";

// The options as the dialog shows them. The defaults are those of a sheet without an options
// file.
struct TSheetOptions {
  uint8_t Orientation = 0;  // 0 portrait, 1 landscape
  bool DragDropEnabled = true;
  bool CopyPasteEnabled = true;
  bool DrawArcCentres = false;
  bool GridShown = false;   // the grid switch
  bool FrameShown = false;  // the frame switch
  // 1, 2 or 3; a record's byte is taken as it comes.
  uint8_t PointSize = 1;
  friend bool operator==(const TSheetOptions&, const TSheetOptions&) = default;
};

// One options record: the options with the grid's and the frame's own settings.
struct TOptionsRecord {
  TSheetOptions Options;
  TGridSettings Grid;
  TFrameSettings Frame;
  friend bool operator==(const TOptionsRecord&, const TOptionsRecord&) = default;
};

// What the options read and change of the main window. The orientation changes only through
// the sheet, which turns the page. DragDropEnabled and CopyPasteEnabled belong to the layers,
// which the overlays do not link: the sheet reads and sets them. The defaults stand for a
// sheet that has no page yet and keeps nothing.
struct TOptionsSheet {
  std::function<uint8_t()> Orientation = [] { return uint8_t(0); };
  std::function<void(uint8_t)> ChangeOrientation = [](uint8_t) {};
  std::function<bool()> DragDropEnabled = [] { return true; };
  std::function<bool()> CopyPasteEnabled = [] { return true; };
  std::function<void(bool dragDrop, bool copyPaste)> SetEditOptions = [](bool, bool) {};
};

// The options in force: the orientation and the edit options from the sheet, the rest from
// the globals (PointSize, DrawArcCentres, GridShown, FrameShown).
TSheetOptions SheetOptionsInForce(const TOptionsSheet& sheet);
// Puts `o` in force: ChangeOrientation, the sheet's edit options, then the globals. Repaints
// nothing.
void ApplySheetOptions(const TSheetOptions& o, const TOptionsSheet& sheet);

// Writes version 2 with all ten fields.
void WriteOptionsRecord(platform::Stream& s, const TOptionsRecord& r);
// Reads versions 0 to 2 (later ones as 2) in the record's order: the grid switch and record
// from version 1, the frame switch and record from version 2; an older record keeps what `r`
// holds for them. A grid record of version 0 or 1 takes the whole page of the orientation just
// read. A short record raises StreamError with the fields read so far in `r` and the others
// as they were; the grid and frame settings change only whole. Answers the version.
uint16_t ReadOptionsRecord(platform::Stream& s, TOptionsRecord& r);

// ProgramDir + "Zeridazs.opt".
std::string SheetOptionsPath();

enum class TOptionsLoad {
  Missing,  // no file: the defaults
  Read,     // one whole record
  Short,    // cut short: defaults for the fields it lacks
};
// Reads the options file at `path` into `r`. The options start from their defaults and the
// file's fields replace them; the grid and frame settings change only when the file carries
// them whole, and not at all without a file. A file cut short is no error: the sheet must
// start. Raises StreamError when the file exists but cannot be opened.
TOptionsLoad LoadSheetOptions(const std::string& path, TOptionsRecord& r);
// Writes `r` as the whole file at `path`, or raises StreamError and leaves the file as it was.
void SaveSheetOptions(const std::string& path, const TOptionsRecord& r);
