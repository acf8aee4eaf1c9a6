#include "Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>
#include <system_error>

namespace platform {

static_assert(std::numeric_limits<double>::is_iec559, "doubles are stored as IEEE-754");

namespace {

[[noreturn]] void pastEnd() {
  throw StreamError("Lecture au-delà de la fin des données");
}

std::string reason(int err) {
  return std::generic_category().message(err);
}

[[noreturn]] void fileError(const char* what, const std::string& path, int err) {
  throw StreamError(std::string(what) + " « " + path + " » : " + reason(err));
}

}  // namespace

// --- Stream: typed values, assembled byte by byte so the host's byte order never matters.

uint8_t Stream::readU8() {
  uint8_t b;
  readBytes(&b, 1);
  return b;
}

uint16_t Stream::readU16() {
  uint8_t b[2];
  readBytes(b, 2);
  return uint16_t(b[0] | (b[1] << 8));
}

int16_t Stream::readI16() {
  return int16_t(readU16());
}

uint32_t Stream::readU32() {
  uint8_t b[4];
  readBytes(b, 4);
  return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}

int32_t Stream::readI32() {
  return int32_t(readU32());
}

double Stream::readDouble() {
  uint8_t b[8];
  readBytes(b, 8);
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | b[i];
  return std::bit_cast<double>(bits);
}

bool Stream::readBool() {
  return readU8() != 0;
}

std::string Stream::readString() {
  const int32_t n = readI32();
  if (n < 0) throw StreamError("Longueur de chaîne négative");
  require(uint64_t(n));
  std::string bytes(size_t(n), '\0');
  readBytes(bytes.data(), bytes.size());
  return cp1252ToUtf8(bytes);
}

void Stream::require(uint64_t n) const {
  const uint64_t pos = position(), end = size();
  if (pos > end || n > end - pos) pastEnd();
}

void Stream::skip(uint64_t n) {
  require(n);
  seek(position() + n);
}

void Stream::writeU8(uint8_t v) {
  writeBytes(&v, 1);
}

void Stream::writeU16(uint16_t v) {
  const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
  writeBytes(b, 2);
}

void Stream::writeI16(int16_t v) {
  writeU16(uint16_t(v));
}

void Stream::writeU32(uint32_t v) {
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  writeBytes(b, 4);
}

void Stream::writeI32(int32_t v) {
  writeU32(uint32_t(v));
}

void Stream::writeDouble(double v) {
  uint64_t bits = std::bit_cast<uint64_t>(v);
  uint8_t b[8];
  for (auto& byte : b) {
    byte = uint8_t(bits);
    bits >>= 8;
  }
  writeBytes(b, 8);
}

void Stream::writeBool(bool v) {
  writeU8(v ? 1 : 0);
}

void Stream::writeString(const std::string& utf8) {
  const std::string bytes = utf8ToCp1252(utf8);
  if (bytes.size() > size_t(std::numeric_limits<int32_t>::max()))
    throw StreamError("Chaîne trop longue pour être enregistrée");
  writeI32(int32_t(bytes.size()));
  writeBytes(bytes.data(), bytes.size());
}

// --- MemoryStream

void MemoryStream::seek(uint64_t pos) {
  if (pos > data_.size()) throw StreamError("Position au-delà de la fin des données");
  pos_ = pos;
}

void MemoryStream::readBytes(void* dst, uint64_t n) {
  if (n > data_.size() - pos_) pastEnd();
  if (n == 0) return;
  std::memcpy(dst, data_.data() + pos_, size_t(n));
  pos_ += n;
}

void MemoryStream::writeBytes(const void* src, uint64_t n) {
  if (n == 0) return;
  if (n > data_.max_size() - pos_) throw StreamError("Données trop volumineuses");
  if (pos_ + n > data_.size()) data_.resize(size_t(pos_ + n));
  std::memcpy(data_.data() + pos_, src, size_t(n));
  pos_ += n;
}

std::vector<uint8_t> MemoryStream::takeBytes() {
  std::vector<uint8_t> out = std::move(data_);
  data_.clear();
  pos_ = 0;
  return out;
}

void MemoryStream::clear() {
  data_.clear();
  pos_ = 0;
}

void MemoryStream::truncate(uint64_t size) {
  if (size < data_.size()) data_.resize(size_t(size));
  pos_ = std::min(pos_, uint64_t(data_.size()));
}

// --- FileStream

FileStream::FileStream(const std::string& path, Mode mode) : path_(path) {
  // O_NONBLOCK so that a FIFO given by mistake cannot hang the open; cleared below.
  int flags = O_CLOEXEC | O_NONBLOCK;
  switch (mode) {
    case Mode::Read:
      flags |= O_RDONLY;
      break;
    case Mode::ReadWrite:
      flags |= O_RDWR;
      break;
    case Mode::CreateExclusive:
      flags |= O_RDWR | O_CREAT | O_EXCL;
      break;
  }
  do {
    fd_ = ::open(path.c_str(), flags, 0600);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) fileError("Impossible d'ouvrir le fichier", path, errno);

  struct stat st;
  if (::fstat(fd_, &st) != 0) {
    const int err = errno;
    ::close(fd_);
    fileError("Impossible d'ouvrir le fichier", path, err);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd_);
    throw StreamError("Impossible d'ouvrir le fichier « " + path +
                      " » : ce n'est pas un fichier ordinaire");
  }
  ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
  size_ = uint64_t(st.st_size);
}

FileStream::~FileStream() {
  if (fd_ >= 0) ::close(fd_);
}

uint64_t FileStream::size() const {
  return size_;
}
uint64_t FileStream::position() const {
  return pos_;
}

// A move reads the file afresh: only a sequential run of reads is served from the window.
void FileStream::seek(uint64_t pos) {
  if (pos > size_) throw StreamError("Position au-delà de la fin des données");
  pos_ = pos;
  windowLen_ = 0;
}

// Reads n bytes at `from` with positioned reads, so the descriptor's own offset never matters.
void FileStream::fill(uint64_t from, size_t n, uint8_t* dst) {
  size_t done = 0;
  while (done < n) {
    const ssize_t got =
        ::pread(fd_, dst + done, std::min<size_t>(n - done, 1u << 30), off_t(from + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      if (got == 0)
        throw StreamError("Le fichier « " + path_ + " » a été raccourci pendant la lecture");
      fileError("Impossible de lire le fichier", path_, errno);
    }
    done += size_t(got);
  }
}

void FileStream::readBytes(void* dst, uint64_t n) {
  if (n > size_ - pos_) pastEnd();
  auto* out = static_cast<uint8_t*>(dst);
  const bool inWindow = pos_ >= windowStart_ && pos_ - windowStart_ <= windowLen_ &&
                        n <= windowLen_ - (pos_ - windowStart_);
  if (!inWindow) {
    if (n >= kWindow) {
      fill(pos_, size_t(n), out);
      pos_ += n;
      return;
    }
    windowLen_ = 0;
    window_.resize(kWindow);
    const size_t want = size_t(std::min<uint64_t>(kWindow, size_ - pos_));
    fill(pos_, want, window_.data());
    windowStart_ = pos_;
    windowLen_ = want;
  }
  std::memcpy(out, window_.data() + (pos_ - windowStart_), size_t(n));
  pos_ += n;
}

void FileStream::writeBytes(const void* src, uint64_t n) {
  windowLen_ = 0;  // what was read may have changed
  const auto* in = static_cast<const uint8_t*>(src);
  uint64_t done = 0;
  while (done < n) {
    const size_t chunk = size_t(std::min<uint64_t>(n - done, 1u << 30));
    const ssize_t put = ::pwrite(fd_, in + done, chunk, off_t(pos_ + done));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      const int err = put < 0 ? errno : ENOSPC;
      pos_ += done;
      size_ = std::max(size_, pos_);
      fileError("Impossible d'écrire le fichier", path_, err);
    }
    done += uint64_t(put);
  }
  pos_ += n;
  size_ = std::max(size_, pos_);
}

void FileStream::truncate(uint64_t size) {
  if (size > uint64_t(std::numeric_limits<off_t>::max()))
    throw StreamError("Taille de fichier invalide");
  int rc;
  do {
    rc = ::ftruncate(fd_, off_t(size));
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) fileError("Impossible d'écrire le fichier", path_, errno);
  windowLen_ = 0;
  size_ = size;
  if (pos_ > size_) seek(size_);
}

void FileStream::flush() {
  if (::fsync(fd_) != 0) fileError("Impossible d'écrire le fichier", path_, errno);
}

// --- SaveFile: QSaveFile writes beside the target, syncs, then renames over it.

SaveFile::SaveFile(const std::string& path) : path_(path) {}

SaveFile::~SaveFile() = default;

void SaveFile::commit() {
  QSaveFile file(QFile::decodeName(QByteArray::fromStdString(path_)));
  auto fail = [&](const QString& why) {
    file.cancelWriting();
    throw StreamError("Impossible d'enregistrer le fichier « " + path_ +
                      " » : " + why.toStdString());
  };
  if (!file.open(QIODevice::WriteOnly)) fail(file.errorString());
  const auto& bytes = buffer_.bytes();
  size_t done = 0;
  while (done < bytes.size()) {
    const qint64 put =
        file.write(reinterpret_cast<const char*>(bytes.data()) + done, qint64(bytes.size() - done));
    if (put <= 0) fail(file.errorString());
    done += size_t(put);
  }
  // A failed last flush (disk full) is not seen by commit(), which would rename a cut file
  // over the target.
  if (!file.flush()) fail(file.errorString());
  if (!file.commit()) fail(file.errorString());
}

}  // namespace platform
