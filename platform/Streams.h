#pragma once
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Bitmap.h"

namespace platform {

// Raised by every read past the end of the data and by every malformed record.
class StreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A positioned byte stream, little-endian. Reads are bounds-checked in the form
// `n > size - pos`; nothing is allocated from a count before the bytes are known to exist.
class Stream {
 public:
  virtual ~Stream() = default;

  virtual uint64_t size() const = 0;
  virtual uint64_t position() const = 0;
  virtual void seek(uint64_t pos) = 0;  // beyond the end raises StreamError
  uint64_t remaining() const { return size() - position(); }

  // Raw transfers; read raises StreamError when fewer than n bytes remain.
  virtual void readBytes(void* dst, uint64_t n) = 0;
  virtual void writeBytes(const void* src, uint64_t n) = 0;

  uint8_t readU8();
  uint16_t readU16();
  int16_t readI16();
  int32_t readI32();
  uint32_t readU32();
  double readDouble();
  bool readBool();  // any non-zero byte is true
  // An i32 byte count then that many Windows-1252 bytes; answered in UTF-8.
  std::string readString();
  // Raises StreamError unless n bytes remain: call before sizing anything from a count.
  void require(uint64_t n) const;
  void skip(uint64_t n);

  void writeU8(uint8_t v);
  void writeU16(uint16_t v);
  void writeI16(int16_t v);
  void writeI32(int32_t v);
  void writeU32(uint32_t v);
  void writeDouble(double v);
  void writeBool(bool v);                     // 1 or 0
  void writeString(const std::string& utf8);  // characters outside Windows-1252 become '?'
};

class MemoryStream : public Stream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<uint8_t> bytes) : data_(std::move(bytes)) {}

  uint64_t size() const override { return data_.size(); }
  uint64_t position() const override { return pos_; }
  void seek(uint64_t pos) override;
  void readBytes(void* dst, uint64_t n) override;
  void writeBytes(const void* src, uint64_t n) override;  // overwrites, then extends

  const std::vector<uint8_t>& bytes() const { return data_; }
  std::vector<uint8_t> takeBytes();
  void clear();
  void truncate(uint64_t size);  // drops the bytes from size on; position clamped

 private:
  std::vector<uint8_t> data_;
  uint64_t pos_ = 0;
};

// A file opened for reading, or read-write. For writing a document whole or not at all use
// SaveFile below.
class FileStream : public Stream {
 public:
  enum class Mode { Read, ReadWrite, CreateExclusive };
  // Raises StreamError with the path and the reason when the file cannot be opened.
  FileStream(const std::string& path, Mode mode);
  ~FileStream() override;

  uint64_t size() const override;
  uint64_t position() const override;
  void seek(uint64_t pos) override;
  void readBytes(void* dst, uint64_t n) override;
  void writeBytes(const void* src, uint64_t n) override;
  void truncate(uint64_t size);
  void flush();

 private:
  // Reads go through a window of the file: records are read field by field.
  static constexpr size_t kWindow = 64 * 1024;
  void fill(uint64_t from, size_t n, uint8_t* dst);

  int fd_ = -1;
  std::string path_;
  uint64_t pos_ = 0;
  uint64_t size_ = 0;
  std::vector<uint8_t> window_;
  uint64_t windowStart_ = 0;
  size_t windowLen_ = 0;
};

// Writes a file whole or not at all: a temporary file beside the target, renamed on commit.
class SaveFile : public Stream {
 public:
  explicit SaveFile(const std::string& path);
  ~SaveFile() override;  // without commit the target is untouched

  uint64_t size() const override { return buffer_.size(); }
  uint64_t position() const override { return buffer_.position(); }
  void seek(uint64_t pos) override { buffer_.seek(pos); }
  void readBytes(void* dst, uint64_t n) override { buffer_.readBytes(dst, n); }
  void writeBytes(const void* src, uint64_t n) override { buffer_.writeBytes(src, n); }
  // Raises StreamError when the file cannot be written; the target is then unchanged.
  void commit();

 private:
  std::string path_;
  MemoryStream buffer_;
};

// Windows-1252 <-> UTF-8.
std::string cp1252ToUtf8(const std::string& bytes);
std::string utf8ToCp1252(const std::string& utf8);  // unmapped characters become '?'

// A bitmap as a complete BMP file image (24 bits per pixel, bottom-up). The reader takes
// the file-size field and consumes exactly that many bytes; it reads 1, 4, 8, 24 and 32 bit
// images.
void writeBitmap(Stream& s, const Bitmap& bmp);
Bitmap readBitmap(Stream& s);

}  // namespace platform
