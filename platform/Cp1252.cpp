// Windows-1252 <-> UTF-8. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) map to the C1 controls of the same value, as Windows converts them, so every
// byte survives a round trip.
#include <cstdint>

#include "Streams.h"

namespace platform {

namespace {

constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

void appendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

char toCp1252(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return char(cp);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == cp) return char(0x80 + i);
  return '?';
}

bool isContinuation(uint8_t b) {
  return (b & 0xC0) == 0x80;
}

}  // namespace

std::string cp1252ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const uint8_t b = uint8_t(c);
    if (b < 0x80)
      out += c;
    else if (b < 0xA0)
      appendUtf8(out, kHigh[b - 0x80]);
    else
      appendUtf8(out, b);
  }
  return out;
}

// Strict UTF-8: overlong forms, surrogates and values past U+10FFFF are invalid. Each
// invalid sequence (its longest valid prefix, or a single stray byte) becomes one '?'.
std::string utf8ToCp1252(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  const size_t n = utf8.size();
  size_t i = 0;
  while (i < n) {
    const uint8_t b0 = uint8_t(utf8[i]);
    if (b0 < 0x80) {
      out += char(b0);
      ++i;
      continue;
    }
    int len;
    char32_t cp;
    uint8_t lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      len = 2;
      cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      len = 3;
      cp = b0 & 0x0F;
      if (b0 == 0xE0) lo = 0xA0;
      if (b0 == 0xED) hi = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      len = 4;
      cp = b0 & 0x07;
      if (b0 == 0xF0) lo = 0x90;
      if (b0 == 0xF4) hi = 0x8F;
    } else {
      out += '?';
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool ok = true;
    for (int k = 1; k < len; ++k, ++j) {
      const uint8_t b = j < n ? uint8_t(utf8[j]) : 0;
      const bool valid = j < n && (k == 1 ? (b >= lo && b <= hi) : isContinuation(b));
      if (!valid) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (b & 0x3F);
    }
    out += ok ? toCp1252(cp) : '?';
    i = j;
  }
  return out;
}

}  // namespace platform
