#pragma once
#include <cstdint>

namespace platform {

// 0x00BBGGRR: red in the low byte. Every model value and file uses this form.
using TColor = uint32_t;

constexpr TColor rgb(uint8_t r, uint8_t g, uint8_t b) {
  return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16);
}
constexpr uint8_t redOf(TColor c) {
  return uint8_t(c & 0xFF);
}
constexpr uint8_t greenOf(TColor c) {
  return uint8_t((c >> 8) & 0xFF);
}
constexpr uint8_t blueOf(TColor c) {
  return uint8_t((c >> 16) & 0xFF);
}

// The 32-bit pixel of a backing image (Qt's 0xAARRGGBB with alpha 0xFF).
constexpr uint32_t toPixel(TColor c) {
  return 0xFF000000u | (uint32_t(redOf(c)) << 16) | (uint32_t(greenOf(c)) << 8) | blueOf(c);
}
constexpr TColor fromPixel(uint32_t p) {
  return rgb(uint8_t((p >> 16) & 0xFF), uint8_t((p >> 8) & 0xFF), uint8_t(p & 0xFF));
}

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clSilver = 0xC0C0C0;
// Answer of a pixel read outside the image or the clip (GDI's CLR_INVALID).
constexpr TColor clInvalid = 0xFFFFFFFF;

}  // namespace platform
