#include "MessagingWire.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>

#include "Streams.h"

namespace platform::wire {

namespace {

constexpr uint32_t kFlagCopyData = 1;
constexpr uint8_t kRecordMagic[4] = {'Z', 'K', 'W', 'N'};

void writeU64(Stream& s, uint64_t v) {
  s.writeU32(uint32_t(v));
  s.writeU32(uint32_t(v >> 32));
}

uint64_t readU64(Stream& s) {
  const uint64_t lo = s.readU32();
  const uint64_t hi = s.readU32();
  return lo | (hi << 32);
}

void writeText(Stream& s, const std::string& text) {
  if (text.size() > kMaxRecordString) throw StreamError("Texte trop long");
  s.writeU32(uint32_t(text.size()));
  s.writeBytes(text.data(), text.size());
}

std::string readText(Stream& s) {
  const uint32_t n = s.readU32();
  if (n > kMaxRecordString) throw StreamError("Texte trop long");
  s.require(n);
  std::string text(n, '\0');
  s.readBytes(text.data(), n);
  return text;
}

}  // namespace

std::vector<uint8_t> encode(const Frame& f) {
  MemoryStream s;
  s.writeU32(0);  // length, filled in below
  s.writeU16(kVersion);
  s.writeU16(uint16_t(f.kind));
  s.writeU32(f.seq);
  if (f.kind == Kind::Reply) {
    s.writeU32(uint32_t(f.status));
    writeU64(s, uint64_t(f.result));
  } else {
    writeU64(s, f.to);
    writeU64(s, f.from);
    s.writeU32(f.msg);
    writeU64(s, f.wParam);
    writeU64(s, uint64_t(f.lParam));
    if (f.copyData && f.kind != Kind::Send) throw StreamError("Copy-data is sent, never posted");
    s.writeU32(f.copyData ? kFlagCopyData : 0);
    if (f.copyData) {
      if (f.copyData->bytes.size() > kMaxCopyData) throw StreamError("Copy-data too large");
      s.writeU32(f.copyData->code);
      s.writeU32(uint32_t(f.copyData->bytes.size()));
      s.writeBytes(f.copyData->bytes.data(), f.copyData->bytes.size());
    }
  }
  const uint32_t body = uint32_t(s.size() - 4);
  s.seek(0);
  s.writeU32(body);
  return s.takeBytes();
}

Frame decode(std::vector<uint8_t> body) {
  MemoryStream s(std::move(body));
  if (s.readU16() != kVersion) throw StreamError("Unknown protocol version");
  Frame f;
  const uint16_t kind = s.readU16();
  if (kind < uint16_t(Kind::Send) || kind > uint16_t(Kind::Reply)) {
    throw StreamError("Unknown frame kind");
  }
  f.kind = Kind(kind);
  f.seq = s.readU32();
  if (f.kind == Kind::Reply) {
    const uint32_t status = s.readU32();
    if (status > uint32_t(Status::NoWindow)) throw StreamError("Unknown reply status");
    f.status = Status(status);
    f.result = int64_t(readU64(s));
  } else {
    f.to = readU64(s);
    f.from = readU64(s);
    f.msg = s.readU32();
    f.wParam = readU64(s);
    f.lParam = int64_t(readU64(s));
    const uint32_t flags = s.readU32();
    if (flags & ~kFlagCopyData) throw StreamError("Unknown frame flags");
    if (flags & kFlagCopyData) {
      if (f.kind != Kind::Send) throw StreamError("Posted copy-data");
      CopyData cd;
      cd.code = s.readU32();
      const uint32_t n = s.readU32();
      if (n > kMaxCopyData) throw StreamError("Copy-data too large");
      s.require(n);
      cd.bytes.resize(n);
      s.readBytes(cd.bytes.data(), n);
      f.copyData = std::move(cd);
    }
  }
  if (s.remaining() != 0) throw StreamError("Trailing bytes in frame");
  return f;
}

void FrameReader::append(std::span<const uint8_t> bytes) {
  if (start_ == buf_.size()) {
    buf_.clear();
    start_ = 0;
  } else if (start_ > 64 * 1024) {
    buf_.erase(buf_.begin(), buf_.begin() + std::ptrdiff_t(start_));
    start_ = 0;
  }
  buf_.insert(buf_.end(), bytes.begin(), bytes.end());
}

std::optional<std::vector<uint8_t>> FrameReader::next() {
  if (buffered() < 4) return std::nullopt;
  const uint32_t n = uint32_t(buf_[start_]) | (uint32_t(buf_[start_ + 1]) << 8) |
                     (uint32_t(buf_[start_ + 2]) << 16) | (uint32_t(buf_[start_ + 3]) << 24);
  if (n < 8 || n > kMaxFrameBody) throw StreamError("Impossible frame length");
  if (n > buffered() - 4) return std::nullopt;
  const auto first = buf_.begin() + std::ptrdiff_t(start_ + 4);
  std::vector<uint8_t> body(first, first + std::ptrdiff_t(n));
  start_ += 4 + size_t(n);
  return body;
}

std::vector<uint8_t> encodeWindowRecord(const WindowRecord& r) {
  MemoryStream s;
  s.writeBytes(kRecordMagic, 4);
  s.writeU16(kVersion);
  s.writeU16(0);
  writeU64(s, r.handle);
  s.writeI32(r.pid);
  writeU64(s, r.created);
  writeText(s, r.windowClass);
  writeText(s, r.caption);
  writeText(s, r.socketName);
  return s.takeBytes();
}

WindowRecord decodeWindowRecord(std::vector<uint8_t> bytes) {
  MemoryStream s(std::move(bytes));
  uint8_t magic[4];
  s.readBytes(magic, 4);
  for (int i = 0; i < 4; ++i) {
    if (magic[i] != kRecordMagic[i]) throw StreamError("Not a window record");
  }
  if (s.readU16() != kVersion) throw StreamError("Unknown record version");
  s.readU16();
  WindowRecord r;
  r.handle = readU64(s);
  r.pid = s.readI32();
  r.created = readU64(s);
  r.windowClass = readText(s);
  r.caption = readText(s);
  r.socketName = readText(s);
  if (s.remaining() != 0) throw StreamError("Trailing bytes in window record");
  if (int64_t(r.handle >> 32) != r.pid) throw StreamError("Handle of another process");
  return r;
}

std::string windowFileName(WindowHandle h) {
  char name[32];
  std::snprintf(name, sizeof name, "w%016llx.win", static_cast<unsigned long long>(h));
  return name;
}

namespace {

// Appended piecewise: "literal" + std::string trips a false -Wrestrict in g++ 12 at -O3.
std::string processFileName(int64_t pid, const char* suffix) {
  std::string name(1, 'p');
  name += std::to_string(pid);
  name += suffix;
  return name;
}

}  // namespace

std::string socketFileName(int64_t pid) {
  return processFileName(pid, ".sock");
}

std::string lockFileName(int64_t pid) {
  return processFileName(pid, ".lock");
}

WindowHandle handleOfFileName(const std::string& name) {
  if (name.size() != 21 || name[0] != 'w' || name.compare(17, 4, ".win") != 0) return 0;
  WindowHandle h = 0;
  for (size_t i = 1; i < 17; ++i) {
    const char c = name[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else {
      return 0;
    }
    h = (h << 4) | WindowHandle(digit);
  }
  return h;
}

bool peerIsCurrentUser(int fd) {
  ucred cred{};
  socklen_t len = sizeof cred;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred) {
    return false;
  }
  return cred.uid == geteuid();
}

}  // namespace platform::wire
