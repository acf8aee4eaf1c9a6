// BMP file images. The reader trusts nothing: it copies exactly the bytes the file header
// announces into a bounded stream and parses only those, so a damaged image can neither
// read beyond itself nor leave the enclosing stream misplaced.
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "Streams.h"

namespace platform {

namespace {

constexpr uint16_t kSignature = 0x4D42;  // "BM"
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;
constexpr int kMaxSide = 32768;
constexpr int32_t kPelsPerMeter96Dpi = 3780;

[[noreturn]] void bad(const std::string& why) {
  throw StreamError("Image BMP invalide : " + why);
}

uint64_t rowBytes(uint64_t width, unsigned bits) {
  return (width * bits + 31) / 32 * 4;
}

// One colour channel described by a bit mask, widened to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t max = 0;

  explicit Channel(uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    max = m >> shift;
    if ((max & (max + 1)) != 0) bad("masque de couleur discontinu");
  }
  uint8_t operator()(uint32_t px) const {
    if (max == 0) return 0;
    const uint64_t v = (px & mask) >> shift;
    return uint8_t((v * 255 + max / 2) / max);
  }
};

}  // namespace

void writeBitmap(Stream& s, const Bitmap& bmp) {
  const int w = bmp.width(), h = bmp.height();
  if (w <= 0 || h <= 0) throw StreamError("Impossible d'enregistrer une image vide");
  if (w > kMaxSide || h > kMaxSide) throw StreamError("Image trop grande pour être enregistrée");
  const uint64_t stride = rowBytes(uint64_t(w), 24);
  const uint64_t imageSize = stride * uint64_t(h);
  const uint32_t offBits = kFileHeaderSize + kInfoHeaderSize;

  MemoryStream out;
  out.writeU16(kSignature);
  out.writeU32(uint32_t(offBits + imageSize));
  out.writeU16(0);
  out.writeU16(0);
  out.writeU32(offBits);

  out.writeU32(kInfoHeaderSize);
  out.writeI32(w);
  out.writeI32(h);  // positive: bottom-up
  out.writeU16(1);
  out.writeU16(24);
  out.writeU32(kBiRgb);
  out.writeU32(uint32_t(imageSize));
  out.writeI32(kPelsPerMeter96Dpi);
  out.writeI32(kPelsPerMeter96Dpi);
  out.writeU32(0);
  out.writeU32(0);
  s.writeBytes(out.bytes().data(), out.size());

  std::vector<uint8_t> row(size_t(stride), 0);
  for (int y = h - 1; y >= 0; --y) {
    const uint32_t* line = bmp.scanLine(y);
    for (int x = 0; x < w; ++x) {
      const TColor c = fromPixel(line[x]);
      row[size_t(x) * 3] = blueOf(c);
      row[size_t(x) * 3 + 1] = greenOf(c);
      row[size_t(x) * 3 + 2] = redOf(c);
    }
    s.writeBytes(row.data(), row.size());
  }
}

Bitmap readBitmap(Stream& s) {
  // File header, then the whole image as announced by it.
  const uint64_t start = s.position();
  s.require(kFileHeaderSize);
  if (s.readU16() != kSignature) bad("signature absente");
  const uint32_t fileSize = s.readU32();
  s.skip(4);  // reserved
  const uint32_t offBits = s.readU32();
  if (fileSize < kFileHeaderSize + kCoreHeaderSize) bad("taille de fichier trop petite");
  s.seek(start);
  s.require(fileSize);
  std::vector<uint8_t> file(fileSize);
  s.readBytes(file.data(), file.size());

  MemoryStream m(std::move(file));
  m.seek(kFileHeaderSize);
  const uint32_t headerSize = m.readU32();
  if (headerSize != kCoreHeaderSize && headerSize < kInfoHeaderSize) bad("en-tête d'image inconnu");
  if (headerSize > fileSize - kFileHeaderSize) bad("en-tête tronqué");

  int64_t width, height;
  unsigned bits;
  uint32_t compression = kBiRgb, colorsUsed = 0;
  bool topDown = false;
  if (headerSize == kCoreHeaderSize) {
    width = m.readU16();
    height = m.readU16();
    m.skip(2);  // planes
    bits = m.readU16();
  } else {
    width = m.readI32();
    height = m.readI32();
    m.skip(2);
    bits = m.readU16();
    compression = m.readU32();
    m.skip(12);  // image size, resolution
    colorsUsed = m.readU32();
    if (height < 0) {
      topDown = true;
      height = -height;
    }
  }
  if (compression == kBiRle8 || compression == kBiRle4)
    throw StreamError("Image BMP compressée (RLE) : format non pris en charge");
  const bool bitfields = compression == kBiBitfields || compression == kBiAlphaBitfields;
  if (compression != kBiRgb && !bitfields) throw StreamError("Compression BMP non prise en charge");
  if (width <= 0 || width > kMaxSide || height <= 0 || height > kMaxSide)
    bad("dimensions hors limites");
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
    bad("profondeur de couleur non prise en charge");
  if (bitfields && bits != 16 && bits != 32) bad("masques de couleur sur une image à palette");

  // Colour masks sit right after the 40-byte part of the header, inside it for V2 and later.
  uint32_t masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
  if (bits == 16) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  uint64_t paletteStart = kFileHeaderSize + headerSize;
  if (bitfields) {
    m.seek(kFileHeaderSize + kInfoHeaderSize);
    for (auto& mask : masks) mask = m.readU32();
    if (headerSize == kInfoHeaderSize) paletteStart += compression == kBiBitfields ? 12 : 16;
  }
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]);

  std::array<TColor, 256> palette{};  // indices beyond the stored entries answer black
  if (bits <= 8) {
    const uint32_t capacity = 1u << bits;
    const uint32_t entries = colorsUsed == 0 ? capacity : colorsUsed;
    if (entries > capacity) bad("palette trop grande");
    const unsigned entrySize = headerSize == kCoreHeaderSize ? 3 : 4;
    m.seek(paletteStart);
    m.require(uint64_t(entries) * entrySize);
    for (uint32_t i = 0; i < entries; ++i) {
      const uint8_t b = m.readU8(), g = m.readU8(), r = m.readU8();
      if (entrySize == 4) m.skip(1);
      palette[i] = rgb(r, g, b);
    }
  }

  const uint64_t stride = rowBytes(uint64_t(width), bits);
  if (offBits > fileSize || stride * uint64_t(height) > fileSize - offBits)
    bad("données d'image hors du fichier");
  m.seek(offBits);

  const int w = int(width), h = int(height);
  Bitmap bmp(w, h);
  std::vector<uint8_t> row(static_cast<size_t>(stride));
  for (int r = 0; r < h; ++r) {
    m.readBytes(row.data(), row.size());
    uint32_t* line = bmp.scanLine(topDown ? r : h - 1 - r);
    for (int x = 0; x < w; ++x) {
      const size_t i = size_t(x);
      TColor c;
      switch (bits) {
        case 1:
          c = palette[(row[i / 8] >> (7 - i % 8)) & 1];
          break;
        case 4:
          c = palette[(row[i / 2] >> (i % 2 ? 0 : 4)) & 0x0F];
          break;
        case 8:
          c = palette[row[i]];
          break;
        case 16: {
          const uint32_t px = uint32_t(row[i * 2]) | (uint32_t(row[i * 2 + 1]) << 8);
          c = rgb(red(px), green(px), blue(px));
          break;
        }
        case 24:
          c = rgb(row[i * 3 + 2], row[i * 3 + 1], row[i * 3]);
          break;
        default: {
          const uint32_t px = uint32_t(row[i * 4]) | (uint32_t(row[i * 4 + 1]) << 8) |
                              (uint32_t(row[i * 4 + 2]) << 16) | (uint32_t(row[i * 4 + 3]) << 24);
          c = rgb(red(px), green(px), blue(px));
          break;
        }
      }
      line[x] = toPixel(c);
    }
  }
  return bmp;
}

}  // namespace platform
