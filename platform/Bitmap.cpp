#include "Bitmap.h"

#include <cstring>

#include "QtBridge.h"

namespace platform {

Bitmap::Bitmap() : d_(std::make_unique<Impl>()) {}

Bitmap::Bitmap(int width, int height, TColor fill) : d_(std::make_unique<Impl>()) {
  if (width > 0 && height > 0) {
    d_->image = QImage(width, height, QImage::Format_RGB32);
    d_->image.fill(toPixel(fill));
  }
}

Bitmap::Bitmap(const Bitmap& other) : d_(std::make_unique<Impl>(*other.d_)) {}
Bitmap& Bitmap::operator=(const Bitmap& other) {
  if (this != &other) *d_ = *other.d_;
  return *this;
}
Bitmap::Bitmap(Bitmap&& other) noexcept : d_(std::make_unique<Impl>()) {
  std::swap(d_, other.d_);
}
Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  std::swap(d_, other.d_);
  return *this;
}
Bitmap::~Bitmap() = default;

int Bitmap::width() const {
  return d_->image.width();
}
int Bitmap::height() const {
  return d_->image.height();
}

void Bitmap::resize(int width, int height) {
  if (width == this->width() && height == this->height()) return;
  if (width <= 0 || height <= 0) {
    d_->image = QImage();
    return;
  }
  QImage next(width, height, QImage::Format_RGB32);
  next.fill(toPixel(clWhite));
  const int w = std::min(width, this->width());
  const int h = std::min(height, this->height());
  for (int y = 0; y < h; ++y)
    std::memcpy(next.scanLine(y), d_->image.constScanLine(y), size_t(w) * 4);
  d_->image = std::move(next);
}

void Bitmap::fill(TColor c) {
  if (!isEmpty()) d_->image.fill(toPixel(c));
}

TColor Bitmap::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return clInvalid;
  return fromPixel(scanLine(y)[x]);
}

void Bitmap::setPixel(int x, int y, TColor c) {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return;
  scanLine(y)[x] = toPixel(c);
}

uint32_t* Bitmap::scanLine(int y) {
  return reinterpret_cast<uint32_t*>(d_->image.scanLine(y));
}
const uint32_t* Bitmap::scanLine(int y) const {
  return reinterpret_cast<const uint32_t*>(d_->image.constScanLine(y));
}
int Bitmap::strideInPixels() const {
  return int(d_->image.bytesPerLine() / 4);
}

}  // namespace platform
