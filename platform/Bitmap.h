#pragma once
#include <cstdint>
#include <memory>

#include "Colour.h"

namespace platform {

// A 32-bit RGB image (each pixel 0xFFRRGGBB). Rows are contiguous; the model reaches pixels
// through a Canvas, never through Qt.
class Bitmap {
 public:
  Bitmap();
  Bitmap(int width, int height, TColor fill = clWhite);
  Bitmap(const Bitmap& other);
  Bitmap& operator=(const Bitmap& other);
  Bitmap(Bitmap&&) noexcept;
  Bitmap& operator=(Bitmap&&) noexcept;
  ~Bitmap();

  int width() const;
  int height() const;
  bool isEmpty() const { return width() <= 0 || height() <= 0; }
  // Keeps the pixels that still fit; new ones are white.
  void resize(int width, int height);
  void fill(TColor c);

  TColor pixel(int x, int y) const;       // clInvalid outside
  void setPixel(int x, int y, TColor c);  // ignored outside

  uint32_t* scanLine(int y);
  const uint32_t* scanLine(int y) const;
  int strideInPixels() const;

  struct Impl;
  Impl& impl() { return *d_; }
  const Impl& impl() const { return *d_; }

 private:
  std::unique_ptr<Impl> d_;
};

}  // namespace platform
