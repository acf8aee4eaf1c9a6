// The grid record: golden bytes built field by field from the record's layout, read, written
// back, and cut at every byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Streams.h"
#include "sheet/overlays/UGrille.h"

using platform::MemoryStream;
using platform::StreamError;
using Bytes = std::vector<uint8_t>;

namespace {

struct Builder {
  Bytes b;
  Builder& u16(uint16_t v) {
    b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
    return *this;
  }
  Builder& i32(int32_t v) {
    const auto u = uint32_t(v);
    b.insert(b.end(), {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)});
    return *this;
  }
  Builder& u8(uint8_t v) {
    b.push_back(v);
    return *this;
  }
  Builder& str(const std::string& raw) {  // raw Windows-1252 bytes
    i32(int32_t(raw.size()));
    b.insert(b.end(), raw.begin(), raw.end());
    return *this;
  }
  // Mark5, Mark10 (from version 1).
  Builder& marks(uint8_t m5, uint8_t m10) { return u8(m5).u8(m10); }
  // OriginX, OriginY, Width, Height (from version 2).
  Builder& area(const char* ox, const char* oy, const char* w, const char* h) {
    return str(ox).str(oy).str(w).str(h);
  }
};

// Version, SpacingX, SpacingY, ColourIndex, Lines.
Builder Head(uint16_t version, int32_t sx, int32_t sy, int32_t colour, uint8_t lines) {
  Builder b;
  b.u16(version).i32(sx).i32(sy).i32(colour).u8(lines);
  return b;
}

TGridSettings Make(std::string ox, std::string oy, std::string w, std::string h, int32_t sx,
                   int32_t sy, int32_t colour, bool lines, bool mark5, bool mark10) {
  return {std::move(ox), std::move(oy), std::move(w), std::move(h), sx, sy,
          colour,        lines,         mark5,        mark10};
}

struct Case {
  const char* what;
  Bytes in;
  TGridSettings before;  // what the dialog held
  int orientation;
  TGridSettings after;
  Bytes out;  // written back, always version 2
};

std::vector<Case> Cases() {
  const TGridSettings held = Make("1", "2", "3", "4", 20, 30, 5, true, true, true);
  return {
      {"version 0: no marks, area reset for landscape", Head(0, 5, 7, 3, 0).b, held, 1,
       Make("0", "0", "297", "210", 5, 7, 3, false, true, true),
       Head(2, 5, 7, 3, 0).marks(1, 1).area("0", "0", "297", "210").b},
      {"version 1: marks read, area reset for portrait", Head(1, 12, 50, 15, 1).marks(1, 0).b,
       Make("1", "2", "3", "4", 20, 30, 5, false, false, true), 0,
       Make("0", "0", "210", "297", 12, 50, 15, true, true, false),
       Head(2, 12, 50, 15, 1).marks(1, 0).area("0", "0", "210", "297").b},
      {"version 2: area texts as typed, no colour selected",
       Head(2, 10, 1, -1, 1).marks(0, 1).area("15", "-5", "180", "2\xE9").b, held, 1,
       Make("15", "-5", "180", "2é", 10, 1, -1, true, false, true),
       Head(2, 10, 1, -1, 1).marks(0, 1).area("15", "-5", "180", "2\xE9").b},
      {"values the controls cannot hold", Head(2, 0, 51, 16, 7).marks(2, 0).area("", "", "", "").b,
       held, 0, Make("", "", "", "", 1, 50, -1, true, true, false),
       Head(2, 1, 50, -1, 1).marks(1, 0).area("", "", "", "").b},
  };
}

}  // namespace

TEST(GridRecord, ReadsEveryVersionAndWritesVersion2) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.what);
    MemoryStream in(c.in);
    TGridSettings g = c.before;
    ReadGridRecord(in, g, c.orientation);
    EXPECT_EQ(g, c.after);
    EXPECT_EQ(in.position(), c.in.size());
    MemoryStream out;
    WriteGridRecord(out, g);
    EXPECT_EQ(out.bytes(), c.out);
  }
}

TEST(GridRecord, EveryCutThrowsAndChangesNothing) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.what);
    for (size_t n = 0; n < c.in.size(); ++n) {
      MemoryStream in(Bytes(c.in.begin(), c.in.begin() + ptrdiff_t(n)));
      TGridSettings g = c.before;
      EXPECT_THROW(ReadGridRecord(in, g, c.orientation), StreamError) << n << " bytes";
      EXPECT_EQ(g, c.before) << n << " bytes";
    }
  }
}

TEST(GridRecord, NegativeStringCountThrows) {
  MemoryStream in(Head(2, 10, 10, 0, 1).marks(0, 0).str("0").i32(-1).b);
  TGridSettings g;
  EXPECT_THROW(ReadGridRecord(in, g, 0), StreamError);
  EXPECT_EQ(g, TGridSettings{});
}
