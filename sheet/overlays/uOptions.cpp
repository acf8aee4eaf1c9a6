#include "uOptions.h"

#include <filesystem>
#include <system_error>

#include "platform/Screen.h"
#include "sheet/objects/uArcs.h"
#include "sheet/objects/uPointGs.h"

TSheetOptions SheetOptionsInForce(const TOptionsSheet& sheet) {
  TSheetOptions o;
  o.Orientation = sheet.Orientation();
  o.DragDropEnabled = sheet.DragDropEnabled();
  o.CopyPasteEnabled = sheet.CopyPasteEnabled();
  o.DrawArcCentres = ::DrawArcCentres;
  o.GridShown = ::GridShown;
  o.FrameShown = ::FrameShown;
  o.PointSize = uint8_t(::PointSize);
  return o;
}

void ApplySheetOptions(const TSheetOptions& o, const TOptionsSheet& sheet) {
  sheet.ChangeOrientation(o.Orientation);
  sheet.SetEditOptions(o.DragDropEnabled, o.CopyPasteEnabled);
  ::GridShown = o.GridShown;
  ::FrameShown = o.FrameShown;
  ::DrawArcCentres = o.DrawArcCentres;
  ::PointSize = o.PointSize;
}

void WriteOptionsRecord(platform::Stream& s, const TOptionsRecord& r) {
  const TSheetOptions& o = r.Options;
  s.writeU16(OptionsRecordVersion);
  s.writeBool(o.Orientation == 0);
  s.writeBool(o.DragDropEnabled);
  s.writeBool(o.CopyPasteEnabled);
  s.writeBool(o.DrawArcCentres);
  s.writeBool(o.GridShown);
  WriteGridRecord(s, r.Grid);
  s.writeBool(o.FrameShown);
  WriteFrameRecord(s, r.Frame);
  s.writeU8(o.PointSize);
}

uint16_t ReadOptionsRecord(platform::Stream& s, TOptionsRecord& r) {
  // Each field is stored as soon as it is read: the options file keeps what a cut record
  // still carries.
  TSheetOptions& o = r.Options;
  const uint16_t version = s.readU16();
  o.Orientation = s.readBool() ? 0 : 1;
  o.DragDropEnabled = s.readBool();
  o.CopyPasteEnabled = s.readBool();
  o.DrawArcCentres = s.readBool();
  if (version >= 1) {
    o.GridShown = s.readBool();
    ReadGridRecord(s, r.Grid, o.Orientation);
  }
  if (version >= 2) {
    o.FrameShown = s.readBool();
    ReadFrameRecord(s, r.Frame);
  }
  o.PointSize = s.readU8();
  return version;
}

std::string SheetOptionsPath() {
  return platform::programDir() + SheetOptionsFileName;
}

TOptionsLoad LoadSheetOptions(const std::string& path, TOptionsRecord& r) {
  r.Options = TSheetOptions{};
  std::error_code ec;
  if (std::filesystem::status(path, ec).type() == std::filesystem::file_type::not_found)
    return TOptionsLoad::Missing;
  platform::FileStream file(path, platform::FileStream::Mode::Read);
  try {
    ReadOptionsRecord(file, r);
  } catch (const platform::StreamError&) {
    return TOptionsLoad::Short;
  }
  return TOptionsLoad::Read;
}

void SaveSheetOptions(const std::string& path, const TOptionsRecord& r) {
  platform::SaveFile file(path);
  WriteOptionsRecord(file, r);
  file.commit();
}
