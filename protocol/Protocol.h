#pragma once
// What the sheet and the instrument programs say to each other: window names, registered
// message names, state values, requests and the WM_COPYDATA record layouts. Both programs
// use this one definition so that neither side can drift from the other.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/Colour.h"
#include "platform/Types.h"

namespace protocol {

// ---------------------------------------------------------------------------------------
// Programs and windows

// In the order of the instrument table; the hub has its own orders for waking and dispatch.
enum class Instrument : uint8_t { Ruler, Pencil, SetSquare, Compass, Protractor };

inline constexpr std::size_t kInstrumentCount = 5;

// dwData of a WM_COPYDATA record.
using RecordCode = uint32_t;

inline constexpr RecordCode kRulerCornersCode = 1;
inline constexpr RecordCode kPencilCode = 2;  // pencil record, and the position the sheet relays
inline constexpr RecordCode kSetSquareCode = 3;
inline constexpr RecordCode kCompassCode = 4;

struct InstrumentInfo {
  Instrument id;
  std::string_view program;      // started by this bare file name
  std::string_view windowClass;  // found by class and caption together
  std::string_view caption;
  std::string_view messageName;  // registered at start-up
  std::optional<RecordCode> recordCode;
};

// The sheet's main window; the ruler finds it by this class alone.
inline constexpr std::string_view kSheetWindowClass = "TFZeridazKWZ";

const InstrumentInfo& info(Instrument which);
// All five, in the order of Instrument.
std::span<const InstrumentInfo, kInstrumentCount> instruments();
// Codes 1 to 4; anything else (0, 5, ...) belongs to no instrument and is ignored.
std::optional<Instrument> instrumentForRecordCode(uint64_t code);

// ---------------------------------------------------------------------------------------
// States and requests

// wParam of an instrument's state message (lParam 0).
enum class WireState : int32_t { Closed = 0, Active = 1, Minimised = 2 };

// The sheet's own state byte: the order differs from the wire, so always convert.
enum class SheetState : uint8_t { Active = 0, Minimised = 1, Closed = 2 };

// A wParam that is not 0, 1 or 2 answers nothing: the stored state stays as it was.
std::optional<WireState> wireStateFromParam(int64_t wParam);
std::optional<SheetState> sheetStateFromWire(int64_t wParam);
SheetState toSheetState(WireState s);
WireState toWireState(SheetState s);

// wParam of the instrument's registered message sent by the sheet (lParam 0).
inline constexpr int32_t kRequestWake = 99;    // answer with a state message (1 or 2)
inline constexpr int32_t kRequestClose = 100;  // close; the ruler sends no state on this path

// wParam of a state relayed by the sheet (lParam the state on the wire): the record code of
// the instrument the state is about.
inline constexpr int32_t kRelayRulerState = int32_t(kRulerCornersCode);
inline constexpr int32_t kRelaySetSquareState = int32_t(kSetSquareCode);

// ---------------------------------------------------------------------------------------
// Command letters (last byte of the pencil and compass records)

namespace pencil_cmd {
inline constexpr char kSetColourAndThickness = 'A';
inline constexpr char kSetColour = 'C';
inline constexpr char kSetThickness = 'I';
inline constexpr char kDownAlongEdge = 'D';  // the stroke becomes a segment when lifted
inline constexpr char kDownFree = 'T';       // the stroke stays a free curve
inline constexpr char kLifted = 't';
}  // namespace pencil_cmd

namespace compass_cmd {
inline constexpr char kSetColourAndThickness = 'A';
inline constexpr char kSetColour = 'C';
inline constexpr char kSetThickness = 'I';
inline constexpr char kLeadDown = 'K';    // turning about the needle
inline constexpr char kLeadLifted = 'k';  // the stroke becomes an arc
}  // namespace compass_cmd

// 'A', 'C' and 'I' (both instruments): style only, the position fields are ignored and a
// pencil record of this kind is not relayed as a position. Every other letter is a position.
constexpr bool isStyleCommand(char c) {
  return c == 'A' || c == 'C' || c == 'I';
}
constexpr bool setsColour(char c) {
  return c == 'A' || c == 'C';
}
constexpr bool setsThickness(char c) {
  return c == 'A' || c == 'I';
}

// ---------------------------------------------------------------------------------------
// Records. All integers little-endian, coordinates in screen pixels. Every decoder reads
// through the bounds-checked stream and raises platform::StreamError when the record is
// shorter than its layout; bytes beyond the layout are ignored (the peers' records may
// carry alignment padding).

inline constexpr std::size_t kRulerCornersSize = 32;
inline constexpr std::size_t kPencilSize = 17;  // the bytes read; longer records are accepted
inline constexpr std::size_t kPencilPositionSize = 8;
inline constexpr std::size_t kSetSquareSize = 24;
inline constexpr std::size_t kCompassSize = 25;  // the bytes read; longer records are accepted

// Code 1: P1..P4 around the outline; P1-P2 is the graduated edge, P3-P4 the back edge.
struct RulerCorners {
  std::array<platform::TPoint, 4> P{};
  friend bool operator==(const RulerCorners&, const RulerCorners&) = default;
};

// Code 2, from the pencil.
struct PencilRecord {
  platform::TColor colour = 0;
  int32_t thickness = 0;
  platform::TPoint tip;
  char command = 0;
  friend bool operator==(const PencilRecord&, const PencilRecord&) = default;
};

// Code 2, from the sheet to the ruler, set square and protractor.
struct PencilPosition {
  platform::TPoint tip;
  friend bool operator==(const PencilPosition&, const PencilPosition&) = default;
};

// Code 3: opaque to the sheet, which keeps the last one and passes it on unchanged.
struct SetSquareRecord {
  std::array<platform::TPoint, 3> points{};
  friend bool operator==(const SetSquareRecord&, const SetSquareRecord&) = default;
};

// Code 4, from the compass.
struct CompassRecord {
  platform::TColor colour = 0;
  int32_t thickness = 0;
  platform::TPoint needle;
  platform::TPoint lead;  // the drawing tip
  char command = 0;
  friend bool operator==(const CompassRecord&, const CompassRecord&) = default;
};

// The position the sheet relays for a pencil record: bytes 8..15, unchanged.
constexpr PencilPosition positionOf(const PencilRecord& r) {
  return {r.tip};
}

std::vector<uint8_t> encode(const RulerCorners& r);     // 32 bytes
std::vector<uint8_t> encode(const PencilRecord& r);     // 17 bytes
std::vector<uint8_t> encode(const PencilPosition& r);   // 8 bytes
std::vector<uint8_t> encode(const SetSquareRecord& r);  // 24 bytes
std::vector<uint8_t> encode(const CompassRecord& r);    // 25 bytes

RulerCorners decodeRulerCorners(std::span<const uint8_t> bytes);
PencilRecord decodePencil(std::span<const uint8_t> bytes);
PencilPosition decodePencilPosition(std::span<const uint8_t> bytes);
SetSquareRecord decodeSetSquare(std::span<const uint8_t> bytes);
CompassRecord decodeCompass(std::span<const uint8_t> bytes);

}  // namespace protocol
