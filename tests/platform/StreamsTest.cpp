#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <array>
#include <atomic>
#include <bit>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "platform/Streams.h"

// Records the largest single allocation while armed, to prove that counts read from the data
// are checked against the bytes that remain before anything is sized from them.
namespace {
std::atomic<bool> gProbeArmed{false};
std::atomic<size_t> gLargestAllocation{0};
}  // namespace

void* operator new(size_t n) {
  if (gProbeArmed.load(std::memory_order_relaxed)) {
    size_t seen = gLargestAllocation.load(std::memory_order_relaxed);
    while (n > seen && !gLargestAllocation.compare_exchange_weak(seen, n)) {
    }
  }
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}

namespace platform {
namespace {

struct AllocationProbe {
  AllocationProbe() {
    gLargestAllocation = 0;
    gProbeArmed = true;
  }
  ~AllocationProbe() { gProbeArmed = false; }
  size_t largest() const { return gLargestAllocation; }
};

using Bytes = std::vector<uint8_t>;

// Little-endian fields appended by hand, independent of the Stream writer under test.
struct Layout {
  Bytes b;
  Layout& u8(uint8_t v) {
    b.push_back(v);
    return *this;
  }
  Layout& u16(uint16_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
  Layout& u32(uint32_t v) { return u16(uint16_t(v)).u16(uint16_t(v >> 16)); }
  Layout& i32(int32_t v) { return u32(uint32_t(v)); }
  Layout& raw(const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
    return *this;
  }
  Layout& zeros(size_t n) {
    b.insert(b.end(), n, 0);
    return *this;
  }
};

// --- typed values

// u8 7F | u16 BEEF | i16 -300 | i32 -2 | u32 01020304 | double 0.1 | true | false | "é€"
const Bytes kRecord = {
    0x7F,                                            //
    0xEF, 0xBE,                                      //
    0xD4, 0xFE,                                      //
    0xFE, 0xFF, 0xFF, 0xFF,                          //
    0x04, 0x03, 0x02, 0x01,                          //
    0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xB9, 0x3F,  // 0x3FB999999999999A
    0x01, 0x00,                                      //
    0x02, 0x00, 0x00, 0x00, 0xE9, 0x80,              //
};

void readRecord(Stream& s) {
  EXPECT_EQ(s.readU8(), 0x7F);
  EXPECT_EQ(s.readU16(), 0xBEEF);
  EXPECT_EQ(s.readI16(), -300);
  EXPECT_EQ(s.readI32(), -2);
  EXPECT_EQ(s.readU32(), 0x01020304u);
  EXPECT_EQ(s.readDouble(), 0.1);
  EXPECT_TRUE(s.readBool());
  EXPECT_FALSE(s.readBool());
  EXPECT_EQ(s.readString(), "é€");
}

TEST(StreamValues, WritesTheLittleEndianLayout) {
  MemoryStream s;
  s.writeU8(0x7F);
  s.writeU16(0xBEEF);
  s.writeI16(-300);
  s.writeI32(-2);
  s.writeU32(0x01020304);
  s.writeDouble(0.1);
  s.writeBool(true);
  s.writeBool(false);
  s.writeString("é€");
  EXPECT_EQ(s.bytes(), kRecord);
}

TEST(StreamValues, ReadsTheLittleEndianLayout) {
  MemoryStream s(kRecord);
  readRecord(s);
  EXPECT_EQ(s.remaining(), 0u);
}

TEST(StreamValues, DoublesKeepEveryBit) {
  for (double v : {-0.0, 1e-310, -2.5, 1e300, 3.141592653589793}) {
    MemoryStream s;
    s.writeDouble(v);
    s.seek(0);
    const double back = s.readDouble();
    EXPECT_EQ(std::bit_cast<uint64_t>(back), std::bit_cast<uint64_t>(v)) << v;
  }
}

TEST(StreamValues, AnyNonZeroByteReadsTrue) {
  MemoryStream s(Bytes{0x00, 0x01, 0x02, 0x80, 0xFF});
  EXPECT_FALSE(s.readBool());
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(s.readBool()) << i;
}

// --- strings

TEST(StreamStrings, CountThenWindows1252Bytes) {
  struct Case {
    std::string utf8;
    Bytes bytes;
    bool roundTrips;
  };
  const Case cases[] = {
      {"", {0, 0, 0, 0}, true},
      {"abc", {3, 0, 0, 0, 'a', 'b', 'c'}, true},
      {"é", {1, 0, 0, 0, 0xE9}, true},
      {"€", {1, 0, 0, 0, 0x80}, true},
      {"ł", {1, 0, 0, 0, '?'}, false},
      {"Œuvre – “ÿ”",
       {11, 0, 0, 0, 0x8C, 'u', 'v', 'r', 'e', ' ', 0x96, ' ', 0x93, 0xFF, 0x94},
       true},
      {"a😀b", {3, 0, 0, 0, 'a', '?', 'b'}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    MemoryStream out;
    out.writeString(c.utf8);
    EXPECT_EQ(out.bytes(), c.bytes);
    if (c.roundTrips) {
      MemoryStream in(c.bytes);
      EXPECT_EQ(in.readString(), c.utf8);
      EXPECT_EQ(in.remaining(), 0u);
    }
  }
}

TEST(StreamStrings, BadCountsThrowBeforeAllocating) {
  struct Case {
    const char* name;
    Bytes bytes;
  };
  const Case cases[] = {
      {"huge", {0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b', 'c'}},
      {"one too many", {4, 0, 0, 0, 'a', 'b', 'c'}},
      {"negative", {0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c'}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryStream s(c.bytes);
    AllocationProbe probe;
    EXPECT_THROW(s.readString(), StreamError);
    EXPECT_LT(probe.largest(), 4096u);
  }
}

// --- Windows-1252

TEST(Cp1252, TableMatchesTheCodePage) {
  const std::pair<uint8_t, const char*> known[] = {
      {0x41, "A"},      {0x80, "€"}, {0x81, "\u0081"}, {0x82, "‚"}, {0x83, "ƒ"},
      {0x8A, "Š"},      {0x8C, "Œ"}, {0x8D, "\u008D"}, {0x8E, "Ž"}, {0x8F, "\u008F"},
      {0x90, "\u0090"}, {0x91, "‘"}, {0x95, "•"},      {0x98, "˜"}, {0x99, "™"},
      {0x9D, "\u009D"}, {0x9F, "Ÿ"}, {0xA0, "\u00A0"}, {0xE9, "é"}, {0xFF, "ÿ"},
  };
  for (const auto& [byte, utf8] : known) {
    EXPECT_EQ(cp1252ToUtf8(std::string(1, char(byte))), utf8) << int(byte);
    EXPECT_EQ(utf8ToCp1252(utf8), std::string(1, char(byte))) << int(byte);
  }
  // Every byte survives the round trip, so no two bytes share a character.
  std::string all;
  for (int b = 0; b < 256; ++b) all += char(b);
  EXPECT_EQ(utf8ToCp1252(cp1252ToUtf8(all)), all);
}

TEST(Cp1252, UnmappedAndInvalidInputBecomesQuestionMarks) {
  const std::pair<const char*, const char*> cases[] = {
      {"\u0080", "?"},               // a C1 control the code page replaces by €
      {"\u0100", "?"},               // just past Latin-1
      {"\xC3", "?"},                 // truncated
      {"\xC3x", "?x"},               // bad continuation keeps the next byte
      {"\xC0\xAF", "??"},            // overlong
      {"\xE0\x80\xAF", "???"},       // overlong three-byte form
      {"\xED\xA0\x80", "???"},       // surrogate
      {"\xF4\x90\x80\x80", "????"},  // beyond U+10FFFF
      {"a\xFF\xFE"
       "b",
       "a??b"},           // bytes never valid in UTF-8
      {"\x80z", "?z"},    // stray continuation
      {"\xE2\x82", "?"},  // € cut short
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(utf8ToCp1252(in), out) << in;
}

// --- bounds

TEST(StreamBounds, ReadsPastTheEndThrowAndLeaveThePosition) {
  MemoryStream s(Bytes{1, 2, 3});
  s.readU8();
  EXPECT_THROW(s.readU32(), StreamError);
  EXPECT_EQ(s.position(), 1u);
  EXPECT_THROW(s.readDouble(), StreamError);
  EXPECT_THROW(s.skip(3), StreamError);
  EXPECT_THROW(s.require(3), StreamError);
  EXPECT_NO_THROW(s.require(2));
  EXPECT_THROW(s.seek(4), StreamError);
  EXPECT_EQ(s.readU16(), 0x0302);
  EXPECT_THROW(s.readU8(), StreamError);
  try {
    s.readU8();
  } catch (const StreamError& e) {
    EXPECT_STREQ(e.what(), "Lecture au-delà de la fin des données");
  }
}

TEST(StreamBounds, EveryCutOfARecordThrows) {
  for (size_t cut = 0; cut < kRecord.size(); ++cut) {
    MemoryStream s(Bytes(kRecord.begin(), kRecord.begin() + long(cut)));
    EXPECT_THROW(readRecord(s), StreamError) << "cut at " << cut;
  }
}

TEST(StreamBounds, MemoryStreamOverwritesExtendsAndTruncates) {
  MemoryStream s(Bytes{1, 2, 3, 4});
  s.seek(2);
  s.writeU32(0x08070605);
  EXPECT_EQ(s.bytes(), (Bytes{1, 2, 5, 6, 7, 8}));
  s.truncate(3);
  EXPECT_EQ(s.bytes(), (Bytes{1, 2, 5}));
  EXPECT_EQ(s.position(), 3u);
  EXPECT_EQ(s.takeBytes(), (Bytes{1, 2, 5}));
  EXPECT_EQ(s.size(), 0u);
  EXPECT_EQ(s.position(), 0u);
}

// --- BMP

// A bitmap's pixels as {top-left, top-right, bottom-left, bottom-right}.
using Quad = std::array<TColor, 4>;
Quad quadOf(const Bitmap& b) {
  EXPECT_EQ(b.width(), 2);
  EXPECT_EQ(b.height(), 2);
  return {b.pixel(0, 0), b.pixel(1, 0), b.pixel(0, 1), b.pixel(1, 1)};
}

const TColor kRed = rgb(0xFF, 0, 0), kGreen = rgb(0, 0xFF, 0), kBlue = rgb(0, 0, 0xFF);
const TColor kOdd = rgb(0x33, 0x22, 0x11);

// 2x2, 8 bits, 4-colour palette, bottom-up, two spare bytes counted in bfSize.
const Bytes kPaletted8 = {
    // BITMAPFILEHEADER: "BM", bfSize 80, reserved, bfOffBits 70
    'B', 'M', 80, 0, 0, 0, 0, 0, 0, 0, 70, 0, 0, 0,
    // BITMAPINFOHEADER: size 40, 2 x 2, 1 plane, 8 bpp, BI_RGB, 8 image bytes, 0 x 0 ppm,
    // 4 colours used, 0 important
    40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    4, 0, 0, 0, 0, 0, 0, 0,
    // palette, B G R reserved: red, green, blue, (33,22,11)
    0x00, 0x00, 0xFF, 0, 0x00, 0xFF, 0x00, 0, 0xFF, 0x00, 0x00, 0, 0x11, 0x22, 0x33, 0,
    // bottom row then top row, each padded to 4 bytes
    2, 3, 0, 0, 0, 1, 0, 0,
    // inside bfSize, after the pixels
    0xAA, 0xAA};

TEST(BmpRead, PalettedFixtureConsumesExactlyItsFileSize) {
  Bytes data = kPaletted8;
  Layout marker;
  marker.u32(0xDEADBEEF);
  data.insert(data.end(), marker.b.begin(), marker.b.end());
  MemoryStream s(data);
  const Bitmap b = readBitmap(s);
  EXPECT_EQ(quadOf(b), (Quad{kRed, kGreen, kBlue, kOdd}));
  EXPECT_EQ(s.position(), 80u);
  EXPECT_EQ(s.readU32(), 0xDEADBEEFu);
}

TEST(BmpRead, EveryCutThrows) {
  for (size_t cut = 0; cut < kPaletted8.size(); ++cut) {
    MemoryStream s(Bytes(kPaletted8.begin(), kPaletted8.begin() + long(cut)));
    EXPECT_THROW(readBitmap(s), StreamError) << "cut at " << cut;
  }
}

struct Info {
  uint32_t headerSize = 40;
  int32_t width = 2, height = 2;
  uint16_t bits = 8;
  uint32_t compression = 0;
  uint32_t colorsUsed = 0;
  Bytes inHeader = {};  // fields past the first 40 bytes of a larger header
};

// A BMP file from its parts: headers, then `between` (masks, palette), then the rows.
Bytes bmpFile(const Info& info, const Bytes& between, const Bytes& rows) {
  Layout h;
  if (info.headerSize == 12) {
    h.u32(12).u16(uint16_t(info.width)).u16(uint16_t(info.height)).u16(1).u16(info.bits);
  } else {
    h.u32(info.headerSize).i32(info.width).i32(info.height).u16(1).u16(info.bits);
    h.u32(info.compression).u32(uint32_t(rows.size())).i32(0).i32(0).u32(info.colorsUsed).u32(0);
    h.raw(info.inHeader);
    if (info.headerSize > h.b.size()) h.zeros(info.headerSize - h.b.size());
  }
  const uint32_t offBits = uint32_t(14 + h.b.size() + between.size());
  Layout f;
  f.u8('B').u8('M').u32(offBits + uint32_t(rows.size())).u16(0).u16(0).u32(offBits);
  return f.raw(h.b).raw(between).raw(rows).b;
}

const Bytes kQuadPalette = {0x00, 0x00, 0xFF, 0, 0x00, 0xFF, 0x00, 0,
                            0xFF, 0x00, 0x00, 0, 0x11, 0x22, 0x33, 0};

TEST(BmpRead, DecodesEveryDepthAndHeader) {
  Bytes corePalette = {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0x00, 0x11, 0x22, 0x33};
  corePalette.resize(256 * 3, 0);
  const Bytes v5Masks = Layout().u32(0x00FF0000).u32(0x0000FF00).u32(0x000000FF).u32(0xFF000000).b;
  const Bytes rows24 = {0xFF, 0x00, 0x00, 0x11, 0x22, 0x33, 0, 0,   // bottom: blue, odd
                        0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0, 0};  // top: red, green
  struct Case {
    const char* name;
    Bytes file;
    Quad expected;
  };
  const Case cases[] = {
      {"1 bit",
       bmpFile({.bits = 1, .colorsUsed = 2}, {0x00, 0x00, 0xFF, 0, 0xFF, 0x00, 0x00, 0},
               {0x80, 0, 0, 0, 0x40, 0, 0, 0}),
       {kRed, kBlue, kBlue, kRed}},
      {"4 bit",
       bmpFile({.bits = 4, .colorsUsed = 4}, kQuadPalette, {0x23, 0, 0, 0, 0x01, 0, 0, 0}),
       {kRed, kGreen, kBlue, kOdd}},
      {"8 bit, full palette implied",
       bmpFile({.bits = 8}, Layout().raw(kQuadPalette).zeros(252 * 4).b, {2, 3, 0, 0, 0, 1, 0, 0}),
       {kRed, kGreen, kBlue, kOdd}},
      {"8 bit, core header",
       bmpFile({.headerSize = 12, .bits = 8}, corePalette, {2, 3, 0, 0, 0, 1, 0, 0}),
       {kRed, kGreen, kBlue, kOdd}},
      {"16 bit 5-5-5",
       bmpFile({.bits = 16}, {}, Layout().u16(0x001F).u16(0x7FFF).u16(0x7C00).u16(0x03E0).b),
       {kRed, kGreen, kBlue, clWhite}},
      {"24 bit", bmpFile({.bits = 24}, {}, rows24), {kRed, kGreen, kBlue, kOdd}},
      {"24 bit, top-down",
       bmpFile(
           {.height = -2, .bits = 24}, {},
           {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0, 0, 0xFF, 0x00, 0x00, 0x11, 0x22, 0x33, 0, 0}),
       {kRed, kGreen, kBlue, kOdd}},
      {"24 bit, V5 header",
       bmpFile({.headerSize = 124, .bits = 24}, {}, rows24),
       {kRed, kGreen, kBlue, kOdd}},
      {"32 bit",
       bmpFile({.bits = 32}, {},
               {0xFF, 0x00, 0x00, 0x99, 0x11, 0x22, 0x33, 0x99,    //
                0x00, 0x00, 0xFF, 0x99, 0x00, 0xFF, 0x00, 0x99}),  //
       {kRed, kGreen, kBlue, kOdd}},
      // Masks that put red in the low byte: a reader that assumed B G R X would swap them.
      {"32 bit bitfields, RGBX",
       bmpFile({.bits = 32, .compression = 3}, Layout().u32(0xFF).u32(0xFF00).u32(0xFF0000).b,
               {0x00, 0x00, 0xFF, 0, 0x33, 0x22, 0x11, 0,    //
                0xFF, 0x00, 0x00, 0, 0x00, 0xFF, 0x00, 0}),  //
       {kRed, kGreen, kBlue, kOdd}},
      {"32 bit bitfields, V5 header",
       bmpFile({.headerSize = 124, .bits = 32, .compression = 3, .inHeader = v5Masks}, {},
               {0xFF, 0x00, 0x00, 0xFF, 0x11, 0x22, 0x33, 0xFF,    //
                0x00, 0x00, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0xFF}),  //
       {kRed, kGreen, kBlue, kOdd}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryStream s(c.file);
    try {
      EXPECT_EQ(quadOf(readBitmap(s)), c.expected);
      EXPECT_EQ(s.remaining(), 0u);
    } catch (const StreamError& e) {
      ADD_FAILURE() << e.what();
    }
  }
}

TEST(BmpRead, RefusesMalformedImagesBeforeAllocating) {
  const Bytes rows24(16, 0);
  Bytes shortOfPixels = bmpFile({.bits = 24}, {}, rows24);
  shortOfPixels[2] -= 1;  // bfSize one byte short of the rows
  shortOfPixels.pop_back();
  Bytes longerThanStream = bmpFile({.bits = 24}, {}, rows24);
  longerThanStream[2] += 10;
  Bytes offBitsPastEnd = bmpFile({.bits = 24}, {}, rows24);
  offBitsPastEnd[10] = 0xFF;
  Bytes badSignature = kPaletted8;
  badSignature[1] = 'A';
  struct Case {
    const char* name;
    Bytes file;
  };
  const Case cases[] = {
      {"RLE8", bmpFile({.bits = 8, .compression = 1, .colorsUsed = 4}, kQuadPalette, {0, 0, 0, 1})},
      {"RLE4", bmpFile({.bits = 4, .compression = 2, .colorsUsed = 4}, kQuadPalette, {0, 0, 0, 1})},
      {"JPEG", bmpFile({.bits = 24, .compression = 4}, {}, rows24)},
      {"zero width", bmpFile({.width = 0, .bits = 24}, {}, rows24)},
      {"zero height", bmpFile({.height = 0, .bits = 24}, {}, rows24)},
      {"negative width", bmpFile({.width = -2, .bits = 24}, {}, rows24)},
      {"too wide", bmpFile({.width = 32769, .bits = 24}, {}, rows24)},
      {"too tall, top-down", bmpFile({.height = -32769, .bits = 24}, {}, rows24)},
      {"huge, pixels not in the file",
       bmpFile({.width = 32768, .height = 32768, .bits = 24}, {}, rows24)},
      {"bfSize short of the pixels", shortOfPixels},
      {"bfSize beyond the stream", longerThanStream},
      {"bfOffBits beyond bfSize", offBitsPastEnd},
      {"bad signature", badSignature},
      {"2 bits per pixel", bmpFile({.bits = 2}, {}, rows24)},
      {"palette larger than the depth",
       bmpFile({.bits = 4, .colorsUsed = 17}, Bytes(68, 0), rows24)},
      {"bitfields on a paletted image",
       bmpFile({.bits = 8, .compression = 3}, Bytes(12 + 1024, 0), rows24)},
      {"unknown header size", bmpFile({.headerSize = 24, .bits = 24}, {}, rows24)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryStream s(c.file);
    AllocationProbe probe;
    EXPECT_THROW(readBitmap(s), StreamError);
    EXPECT_LT(probe.largest(), 64u * 1024);
  }
}

TEST(BmpWrite, RoundTripsAndReaderStopsAtItsEnd) {
  Bitmap src(5, 3);  // 15 bytes a row: one byte of padding
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      src.setPixel(x, y, rgb(uint8_t(x * 50), uint8_t(y * 90 + 1), uint8_t(x * y * 17 + 3)));
  MemoryStream s;
  writeBitmap(s, src);
  const Bytes& b = s.bytes();
  const Bytes header = Layout()
                           .u8('B')
                           .u8('M')
                           .u32(54 + 16 * 3)
                           .u16(0)
                           .u16(0)
                           .u32(54)
                           .u32(40)
                           .i32(5)
                           .i32(3)
                           .u16(1)
                           .u16(24)
                           .u32(0)
                           .u32(16 * 3)
                           .b;
  ASSERT_EQ(b.size(), 54u + 16 * 3);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + long(header.size())), header);
  // The first row stored is the bottom one, B G R, then a zero pad byte.
  const TColor bottomLeft = src.pixel(0, 2);
  EXPECT_EQ((Bytes(b.begin() + 54, b.begin() + 57)),
            (Bytes{blueOf(bottomLeft), greenOf(bottomLeft), redOf(bottomLeft)}));
  EXPECT_EQ(b[54 + 15], 0);

  s.writeU32(0xCAFEF00D);
  s.seek(0);
  const Bitmap back = readBitmap(s);
  ASSERT_EQ(back.width(), 5);
  ASSERT_EQ(back.height(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(back.pixel(x, y), src.pixel(x, y)) << x << "," << y;
  EXPECT_EQ(s.readU32(), 0xCAFEF00Du);

  MemoryStream none;
  EXPECT_THROW(writeBitmap(none, Bitmap()), StreamError);
}

// --- files

class StreamFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (std::filesystem::temp_directory_path() / "zk-streams-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string path(const char* name) const { return (dir_ / name).string(); }
  static Bytes contents(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  static void put(const std::string& p, const Bytes& bytes) {
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), long(bytes.size()));
  }
  size_t entries() const {
    return size_t(std::distance(std::filesystem::directory_iterator(dir_), {}));
  }

  std::filesystem::path dir_;
};

TEST_F(StreamFiles, CreateExclusiveMakesAPrivateFileAndRefusesAnExistingOne) {
  const std::string p = path("doc.bin");
  {
    FileStream f(p, FileStream::Mode::CreateExclusive);
    f.writeU32(0x01020304);
    f.writeString("été");
    EXPECT_EQ(f.size(), 11u);
    EXPECT_EQ(f.position(), 11u);
  }
  struct stat st;
  ASSERT_EQ(stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(contents(p), (Bytes{4, 3, 2, 1, 3, 0, 0, 0, 0xE9, 't', 0xE9}));

  try {
    FileStream again(p, FileStream::Mode::CreateExclusive);
    ADD_FAILURE() << "opened an existing file exclusively";
  } catch (const StreamError& e) {
    EXPECT_NE(std::string(e.what()).find("Impossible d'ouvrir le fichier « " + p + " » : "),
              std::string::npos)
        << e.what();
  }
  EXPECT_EQ(contents(p).size(), 11u);

  FileStream in(p, FileStream::Mode::Read);
  EXPECT_EQ(in.size(), 11u);
  EXPECT_EQ(in.readU32(), 0x01020304u);
  EXPECT_EQ(in.readString(), "été");
  EXPECT_THROW(in.readU8(), StreamError);
  in.seek(8);
  EXPECT_EQ(in.readU8(), 0xE9);
  EXPECT_THROW(in.seek(12), StreamError);
}

TEST_F(StreamFiles, ReadWriteOverwritesInPlaceAndTruncates) {
  const std::string p = path("doc.bin");
  put(p, {1, 2, 3, 4, 5, 6});
  {
    FileStream f(p, FileStream::Mode::ReadWrite);
    f.seek(4);
    f.writeU32(0x0A090807);
    EXPECT_EQ(f.size(), 8u);
    f.truncate(5);
    EXPECT_EQ(f.position(), 5u);
    f.seek(1);
    EXPECT_EQ(f.readU16(), 0x0302);
    f.flush();
  }
  EXPECT_EQ(contents(p), (Bytes{1, 2, 3, 4, 7}));
}

TEST_F(StreamFiles, OpeningWhatIsNotAReadableFileFails) {
  EXPECT_THROW(FileStream(path("missing"), FileStream::Mode::Read), StreamError);
  EXPECT_THROW(FileStream(path("missing"), FileStream::Mode::ReadWrite), StreamError);
  EXPECT_THROW(FileStream(dir_.string(), FileStream::Mode::Read), StreamError);
}

TEST_F(StreamFiles, SaveFileTouchesNothingWithoutCommit) {
  const std::string p = path("doc.bin");
  put(p, {9, 9, 9});
  {
    SaveFile f(p);
    f.writeU32(0x11111111);
  }
  EXPECT_EQ(contents(p), (Bytes{9, 9, 9}));
  EXPECT_EQ(entries(), 1u);
  {
    SaveFile f(path("new.bin"));
    f.writeU8(1);
  }
  EXPECT_FALSE(std::filesystem::exists(path("new.bin")));
}

TEST_F(StreamFiles, SaveFileCommitReplacesTheTargetWhole) {
  const std::string p = path("doc.bin");
  put(p, Bytes(100, 9));
  {
    SaveFile f(p);
    f.writeU32(0x04030201);
    f.seek(1);
    f.writeU8(0xEE);
    f.commit();
  }
  EXPECT_EQ(contents(p), (Bytes{1, 0xEE, 3, 4}));
  EXPECT_EQ(entries(), 1u);

  SaveFile lost(path("no-such-dir/doc.bin"));
  lost.writeU8(1);
  EXPECT_THROW(lost.commit(), StreamError);
  EXPECT_EQ(entries(), 1u);
}

// Reads are served from a window of the file: across its edges, after writes and after moves
// they must still answer what the file holds.
TEST_F(StreamFiles, BufferedReadsFollowWritesMovesAndWindowEdges) {
  const std::string p = path("big.bin");
  Bytes big(200000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = uint8_t(i * 7 + i / 251);
  put(p, big);
  FileStream f(p, FileStream::Mode::ReadWrite);
  f.seek(65530);
  auto le = [&](size_t at) {
    return uint32_t(big[at]) | uint32_t(big[at + 1]) << 8 | uint32_t(big[at + 2]) << 16 |
           uint32_t(big[at + 3]) << 24;
  };
  EXPECT_EQ(f.readU32(), le(65530));  // fills a 64 KiB window from 65530
  f.skip(65530 + 65536 - 2 - f.position());
  EXPECT_EQ(f.readU32(), le(131064));  // two bytes in the window, two beyond it
  f.seek(10);
  f.writeU32(0xA1B2C3D4);  // inside the window just read
  f.seek(8);
  f.skip(2);
  EXPECT_EQ(f.readU32(), 0xA1B2C3D4u);
  Bytes rest(150000);
  f.seek(50000);
  f.readBytes(rest.data(), rest.size());  // larger than the window
  EXPECT_TRUE(std::equal(rest.begin(), rest.end(), big.begin() + 50000));
  EXPECT_THROW(f.readU8(), StreamError);
}

TEST_F(StreamFiles, SaveFileOnAFullDiskFailsAndKeepsTheOldFile) {
  const std::string p = path("doc.bin");
  put(p, Bytes(100, 9));
  SaveFile f(p);
  for (int i = 0; i < 1000; ++i) f.writeU32(uint32_t(i));
  // Every write of this process fails past 0 bytes, as on a full disk.
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit none = saved;
  none.rlim_cur = 0;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &none), 0);
  bool threw = false;
  try {
    f.commit();
  } catch (const StreamError&) {
    threw = true;
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_TRUE(threw);
  EXPECT_EQ(contents(p), Bytes(100, 9));
  EXPECT_EQ(entries(), 1u);
}

}  // namespace
}  // namespace platform
