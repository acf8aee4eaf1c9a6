#pragma once
// Little-endian byte builder for hand-written record fixtures, so that golden bytes follow
// the record tables and not the writer under test.
#include <cstdint>
#include <cstring>
#include <vector>

struct Bytes {
  std::vector<uint8_t> b;
  Bytes& u8(uint8_t v) {
    b.push_back(v);
    return *this;
  }
  Bytes& u16(uint16_t v) { return u8(uint8_t(v)).u8(uint8_t(v >> 8)); }
  Bytes& i32(int32_t v) {
    const uint32_t u = uint32_t(v);
    return u8(uint8_t(u)).u8(uint8_t(u >> 8)).u8(uint8_t(u >> 16)).u8(uint8_t(u >> 24));
  }
  Bytes& pt(int32_t x, int32_t y) { return i32(x).i32(y); }
  Bytes& f64(double v) {
    uint64_t u;
    std::memcpy(&u, &v, 8);
    for (int i = 0; i < 8; ++i) u8(uint8_t(u >> (8 * i)));
    return *this;
  }
  // An i32 count then the Windows-1252 bytes.
  Bytes& str(const std::vector<uint8_t>& cp1252) {
    i32(int32_t(cp1252.size()));
    b.insert(b.end(), cp1252.begin(), cp1252.end());
    return *this;
  }
};
