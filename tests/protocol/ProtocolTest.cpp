#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Streams.h"
#include "protocol/Protocol.h"

namespace protocol {
namespace {

using Bytes = std::vector<uint8_t>;
using platform::StreamError;

// --- Golden records, byte by byte from the layouts. The values mix signs, extremes and
// four distinct bytes per field so that a swapped order or a wrong offset shows.

// P1 (1, -2), P2 (0x12345678, 300), P3 (INT32_MIN, INT32_MAX), P4 (-300, 0).
const Bytes kRulerGolden = {
    0x01, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF,  // P1
    0x78, 0x56, 0x34, 0x12, 0x2C, 0x01, 0x00, 0x00,  // P2
    0x00, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x7F,  // P3
    0xD4, 0xFE, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00,  // P4
};

// Colour R 0x11 G 0x22 B 0x33, thickness 3, tip (640, -5), letter 'D'.
const Bytes kPencilGolden = {
    0x11, 0x22, 0x33, 0x00,  // colour
    0x03, 0x00, 0x00, 0x00,  // thickness
    0x80, 0x02, 0x00, 0x00,  // X
    0xFB, 0xFF, 0xFF, 0xFF,  // Y
    0x44,                    // 'D'
};

// The position the sheet relays for kPencilGolden.
const Bytes kPositionGolden = {0x80, 0x02, 0x00, 0x00, 0xFB, 0xFF, 0xFF, 0xFF};

// (10, 20), (-1, 0x01020304), (65536, -65536).
const Bytes kSetSquareGolden = {
    0x0A, 0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00,  //
    0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01,  //
    0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0xFF, 0xFF,  //
};

// Red, thickness 2, needle (100, 200), lead (-100, 1000), letter 'K'.
const Bytes kCompassGolden = {
    0xFF, 0x00, 0x00, 0x00,  // colour
    0x02, 0x00, 0x00, 0x00,  // thickness
    0x64, 0x00, 0x00, 0x00,  // needle X
    0xC8, 0x00, 0x00, 0x00,  // needle Y
    0x9C, 0xFF, 0xFF, 0xFF,  // lead X
    0xE8, 0x03, 0x00, 0x00,  // lead Y
    0x4B,                    // 'K'
};

TEST(ProtocolRecords, DecodeGoldenRecords) {
  EXPECT_EQ(decodeRulerCorners(kRulerGolden),
            (RulerCorners{{{{1, -2}, {0x12345678, 300}, {INT32_MIN, INT32_MAX}, {-300, 0}}}}));

  const PencilRecord pencil = decodePencil(kPencilGolden);
  EXPECT_EQ(pencil.colour, platform::rgb(0x11, 0x22, 0x33));
  EXPECT_EQ(pencil.thickness, 3);
  EXPECT_EQ(pencil.tip, (platform::TPoint{640, -5}));
  EXPECT_EQ(pencil.command, pencil_cmd::kDownAlongEdge);

  EXPECT_EQ(decodePencilPosition(kPositionGolden).tip, (platform::TPoint{640, -5}));

  EXPECT_EQ(decodeSetSquare(kSetSquareGolden),
            (SetSquareRecord{{{{10, 20}, {-1, 0x01020304}, {65536, -65536}}}}));

  const CompassRecord compass = decodeCompass(kCompassGolden);
  EXPECT_EQ(compass.colour, platform::clRed);
  EXPECT_EQ(compass.thickness, 2);
  EXPECT_EQ(compass.needle, (platform::TPoint{100, 200}));
  EXPECT_EQ(compass.lead, (platform::TPoint{-100, 1000}));
  EXPECT_EQ(compass.command, compass_cmd::kLeadDown);
}

// One row per layout: its golden bytes, its length, and decode-then-encode through it.
struct Layout {
  const char* name;
  const Bytes* golden;
  std::size_t size;
  std::function<Bytes(const Bytes&)> roundTrip;
};

const Layout kLayouts[] = {
    {"ruler corners", &kRulerGolden, 32,
     [](const Bytes& b) { return encode(decodeRulerCorners(b)); }},
    {"pencil", &kPencilGolden, 17, [](const Bytes& b) { return encode(decodePencil(b)); }},
    {"pencil position", &kPositionGolden, 8,
     [](const Bytes& b) { return encode(decodePencilPosition(b)); }},
    {"set square", &kSetSquareGolden, 24,
     [](const Bytes& b) { return encode(decodeSetSquare(b)); }},
    {"compass", &kCompassGolden, 25, [](const Bytes& b) { return encode(decodeCompass(b)); }},
};

TEST(ProtocolRecords, EncodeGivesTheGoldenBytes) {
  for (const Layout& l : kLayouts) {
    SCOPED_TRACE(l.name);
    ASSERT_EQ(l.golden->size(), l.size);
    EXPECT_EQ(l.roundTrip(*l.golden), *l.golden);
  }
}

TEST(ProtocolRecords, EveryCutIsRefused) {
  for (const Layout& l : kLayouts) {
    for (std::size_t n = 0; n < l.size; ++n) {
      SCOPED_TRACE(std::string(l.name) + " cut to " + std::to_string(n));
      const Bytes cut(l.golden->begin(), l.golden->begin() + std::ptrdiff_t(n));
      EXPECT_THROW(l.roundTrip(cut), StreamError);
    }
  }
}

// The peers may send their records with alignment padding (20 and 28 bytes for the pencil
// and compass); only the layout's bytes are read.
TEST(ProtocolRecords, TrailingBytesAreIgnored) {
  for (const Layout& l : kLayouts) {
    for (std::size_t extra : {1u, 3u, 64u}) {
      SCOPED_TRACE(std::string(l.name) + " plus " + std::to_string(extra));
      Bytes longer = *l.golden;
      longer.resize(l.size + extra, 0xA5);
      EXPECT_EQ(l.roundTrip(longer), *l.golden);
    }
  }
}

TEST(ProtocolRecords, RelayedPositionIsBytes8To15OfThePencilRecord) {
  const Bytes slice(kPencilGolden.begin() + 8, kPencilGolden.begin() + 16);
  EXPECT_EQ(encode(positionOf(decodePencil(kPencilGolden))), slice);
  EXPECT_EQ(slice, kPositionGolden);
}

// A letter outside the table is kept as it came (it is still a position report).
TEST(ProtocolRecords, UnknownLetterSurvivesTheRoundTrip) {
  Bytes b = kPencilGolden;
  b[16] = 0xE9;
  const PencilRecord r = decodePencil(b);
  EXPECT_EQ(uint8_t(r.command), 0xE9);
  EXPECT_FALSE(isStyleCommand(r.command));
  EXPECT_EQ(encode(r), b);
}

TEST(ProtocolCommands, LetterClasses) {
  struct Row {
    char letter;
    bool style, colour, thickness;
  };
  const Row rows[] = {
      {'A', true, true, true},    {'C', true, true, false},   {'I', true, false, true},
      {'D', false, false, false}, {'T', false, false, false}, {'t', false, false, false},
      {'K', false, false, false}, {'k', false, false, false}, {'a', false, false, false},
      {'c', false, false, false}, {'i', false, false, false}, {'\0', false, false, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string("letter ") + std::to_string(int(r.letter)));
    EXPECT_EQ(isStyleCommand(r.letter), r.style);
    EXPECT_EQ(setsColour(r.letter), r.colour);
    EXPECT_EQ(setsThickness(r.letter), r.thickness);
  }
}

// --- States

TEST(ProtocolStates, WireToSheet) {
  struct Row {
    int64_t wire;
    std::optional<int> sheet;  // the state byte, or none: the stored state is left alone
  };
  const Row rows[] = {
      {0, 2},
      {1, 0},
      {2, 1},
      {3, std::nullopt},
      {-1, std::nullopt},
      {99, std::nullopt},
      {100, std::nullopt},
      {int64_t(1) << 32, std::nullopt},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("wire " + std::to_string(r.wire));
    const std::optional<SheetState> s = sheetStateFromWire(r.wire);
    ASSERT_EQ(s.has_value(), r.sheet.has_value());
    if (s) {
      EXPECT_EQ(int(*s), *r.sheet);
    }
    EXPECT_EQ(wireStateFromParam(r.wire).has_value(), r.sheet.has_value());
  }
}

TEST(ProtocolStates, SheetToWireAndBack) {
  struct Row {
    SheetState sheet;
    int sheetByte;
    int wire;
  };
  const Row rows[] = {
      {SheetState::Active, 0, 1},
      {SheetState::Minimised, 1, 2},
      {SheetState::Closed, 2, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("sheet " + std::to_string(r.sheetByte));
    EXPECT_EQ(int(r.sheet), r.sheetByte);
    EXPECT_EQ(int(toWireState(r.sheet)), r.wire);
    EXPECT_EQ(toSheetState(toWireState(r.sheet)), r.sheet);
    EXPECT_EQ(sheetStateFromWire(r.wire), r.sheet);
  }
}

// --- Names and numbers, as the other programs know them

TEST(ProtocolInstruments, TableAsPublished) {
  struct Row {
    Instrument id;
    const char *program, *windowClass, *caption, *message;
    std::optional<uint32_t> code;
  };
  const Row rows[] = {
      {Instrument::Ruler, "regle.exe", "TFRegle", "RegleVastoplume", "CM_KWQRegleMessage", 1},
      {Instrument::Pencil, "Crayon.exe", "TFCrayon", "CrayonVastoplume", "CM_KWQCrayonMessage", 2},
      {Instrument::SetSquare, "Equerre.exe", "TFEquerre", "EquerreVastoplume",
       "CM_KWQEquerreMessage", 3},
      {Instrument::Compass, "Compas.exe", "TFCompas", "CompasVastoplume", "CM_KWQCompasMessage", 4},
      {Instrument::Protractor, "Rapporteur.exe", "TFRapporteur", "RapporteurVastoplume",
       "CM_KWQRapporteurMessage", std::nullopt},
  };
  ASSERT_EQ(instruments().size(), std::size(rows));
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    SCOPED_TRACE(r.program);
    for (const InstrumentInfo* got : {&info(r.id), &instruments()[i]}) {
      EXPECT_EQ(got->id, r.id);
      EXPECT_EQ(got->program, r.program);
      EXPECT_EQ(got->windowClass, r.windowClass);
      EXPECT_EQ(got->caption, r.caption);
      EXPECT_EQ(got->messageName, r.message);
      EXPECT_EQ(got->recordCode, r.code);
    }
  }
  EXPECT_EQ(kSheetWindowClass, "TFZeridazKWZ");
}

TEST(ProtocolInstruments, RecordCodeToInstrument) {
  struct Row {
    uint64_t code;
    std::optional<Instrument> who;
  };
  const Row rows[] = {
      {0, std::nullopt},
      {1, Instrument::Ruler},
      {2, Instrument::Pencil},
      {3, Instrument::SetSquare},
      {4, Instrument::Compass},
      {5, std::nullopt},
      {(uint64_t(1) << 32) | 1, std::nullopt},  // the whole dwData counts, not its low half
  };
  for (const Row& r : rows) {
    SCOPED_TRACE("code " + std::to_string(r.code));
    EXPECT_EQ(instrumentForRecordCode(r.code), r.who);
  }
}

// Values other programs compare against; a slip here breaks them silently.
TEST(ProtocolInstruments, RequestsRelaysAndLetters) {
  EXPECT_EQ(kRequestWake, 99);
  EXPECT_EQ(kRequestClose, 100);
  EXPECT_EQ(kRelayRulerState, 1);
  EXPECT_EQ(kRelaySetSquareState, 3);
  EXPECT_EQ(std::string({pencil_cmd::kSetColourAndThickness, pencil_cmd::kSetColour,
                         pencil_cmd::kSetThickness, pencil_cmd::kDownAlongEdge,
                         pencil_cmd::kDownFree, pencil_cmd::kLifted}),
            "ACIDTt");
  EXPECT_EQ(
      std::string({compass_cmd::kSetColourAndThickness, compass_cmd::kSetColour,
                   compass_cmd::kSetThickness, compass_cmd::kLeadDown, compass_cmd::kLeadLifted}),
      "ACIKk");
}

}  // namespace
}  // namespace protocol
