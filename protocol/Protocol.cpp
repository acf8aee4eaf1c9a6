#include "Protocol.h"

#include "platform/Streams.h"

namespace protocol {

namespace {

constexpr std::array<InstrumentInfo, kInstrumentCount> kInstruments = {{
    {Instrument::Ruler, "regle.exe", "TFRegle", "RegleVastoplume", "CM_KWQRegleMessage",
     kRulerCornersCode},
    {Instrument::Pencil, "Crayon.exe", "TFCrayon", "CrayonVastoplume", "CM_KWQCrayonMessage",
     kPencilCode},
    {Instrument::SetSquare, "Equerre.exe", "TFEquerre", "EquerreVastoplume", "CM_KWQEquerreMessage",
     kSetSquareCode},
    {Instrument::Compass, "Compas.exe", "TFCompas", "CompasVastoplume", "CM_KWQCompasMessage",
     kCompassCode},
    {Instrument::Protractor, "Rapporteur.exe", "TFRapporteur", "RapporteurVastoplume",
     "CM_KWQRapporteurMessage", std::nullopt},
}};

// info() indexes the table by the enum.
constexpr bool tableFollowsEnum() {
  for (std::size_t i = 0; i < kInstruments.size(); ++i)
    if (std::size_t(kInstruments[i].id) != i) return false;
  return true;
}
static_assert(tableFollowsEnum());

// Only the record's own bytes are copied; anything after its layout is never looked at.
platform::MemoryStream prefix(std::span<const uint8_t> bytes, std::size_t layout) {
  const std::span<const uint8_t> head = bytes.first(bytes.size() < layout ? bytes.size() : layout);
  return platform::MemoryStream(std::vector<uint8_t>(head.begin(), head.end()));
}

platform::TPoint readPoint(platform::Stream& s) {
  platform::TPoint p;
  p.x = s.readI32();
  p.y = s.readI32();
  return p;
}

void writePoint(platform::Stream& s, platform::TPoint p) {
  s.writeI32(p.x);
  s.writeI32(p.y);
}

}  // namespace

const InstrumentInfo& info(Instrument which) {
  return kInstruments.at(std::size_t(which));
}

std::span<const InstrumentInfo, kInstrumentCount> instruments() {
  return kInstruments;
}

std::optional<Instrument> instrumentForRecordCode(uint64_t code) {
  for (const InstrumentInfo& i : kInstruments)
    if (i.recordCode && *i.recordCode == code) return i.id;
  return std::nullopt;
}

std::optional<WireState> wireStateFromParam(int64_t wParam) {
  switch (wParam) {
    case 0:
      return WireState::Closed;
    case 1:
      return WireState::Active;
    case 2:
      return WireState::Minimised;
    default:
      return std::nullopt;
  }
}

std::optional<SheetState> sheetStateFromWire(int64_t wParam) {
  if (auto w = wireStateFromParam(wParam)) return toSheetState(*w);
  return std::nullopt;
}

SheetState toSheetState(WireState s) {
  switch (s) {
    case WireState::Closed:
      return SheetState::Closed;
    case WireState::Active:
      return SheetState::Active;
    case WireState::Minimised:
      return SheetState::Minimised;
  }
  return SheetState::Closed;
}

WireState toWireState(SheetState s) {
  switch (s) {
    case SheetState::Active:
      return WireState::Active;
    case SheetState::Minimised:
      return WireState::Minimised;
    case SheetState::Closed:
      return WireState::Closed;
  }
  return WireState::Closed;
}

std::vector<uint8_t> encode(const RulerCorners& r) {
  platform::MemoryStream s;
  for (const platform::TPoint& p : r.P) writePoint(s, p);
  return s.takeBytes();
}

std::vector<uint8_t> encode(const PencilRecord& r) {
  platform::MemoryStream s;
  s.writeU32(r.colour);
  s.writeI32(r.thickness);
  writePoint(s, r.tip);
  s.writeU8(uint8_t(r.command));
  return s.takeBytes();
}

std::vector<uint8_t> encode(const PencilPosition& r) {
  platform::MemoryStream s;
  writePoint(s, r.tip);
  return s.takeBytes();
}

std::vector<uint8_t> encode(const SetSquareRecord& r) {
  platform::MemoryStream s;
  for (const platform::TPoint& p : r.points) writePoint(s, p);
  return s.takeBytes();
}

std::vector<uint8_t> encode(const CompassRecord& r) {
  platform::MemoryStream s;
  s.writeU32(r.colour);
  s.writeI32(r.thickness);
  writePoint(s, r.needle);
  writePoint(s, r.lead);
  s.writeU8(uint8_t(r.command));
  return s.takeBytes();
}

RulerCorners decodeRulerCorners(std::span<const uint8_t> bytes) {
  platform::MemoryStream s = prefix(bytes, kRulerCornersSize);
  RulerCorners r;
  for (platform::TPoint& p : r.P) p = readPoint(s);
  return r;
}

PencilRecord decodePencil(std::span<const uint8_t> bytes) {
  platform::MemoryStream s = prefix(bytes, kPencilSize);
  PencilRecord r;
  r.colour = s.readU32();
  r.thickness = s.readI32();
  r.tip = readPoint(s);
  r.command = char(s.readU8());
  return r;
}

PencilPosition decodePencilPosition(std::span<const uint8_t> bytes) {
  platform::MemoryStream s = prefix(bytes, kPencilPositionSize);
  return {readPoint(s)};
}

SetSquareRecord decodeSetSquare(std::span<const uint8_t> bytes) {
  platform::MemoryStream s = prefix(bytes, kSetSquareSize);
  SetSquareRecord r;
  for (platform::TPoint& p : r.points) p = readPoint(s);
  return r;
}

CompassRecord decodeCompass(std::span<const uint8_t> bytes) {
  platform::MemoryStream s = prefix(bytes, kCompassSize);
  CompassRecord r;
  r.colour = s.readU32();
  r.thickness = s.readI32();
  r.needle = readPoint(s);
  r.lead = readPoint(s);
  r.command = char(s.readU8());
  return r;
}

}  // namespace protocol
