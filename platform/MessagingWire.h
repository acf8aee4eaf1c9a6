#pragma once
// Encoding of the message layer's frames and registry records (layout in Messaging.h). Kept
// apart from the transport so that both can be tested byte for byte.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Messaging.h"

namespace platform::wire {

constexpr uint16_t kVersion = 1;
// version..flags (48) + code and count (8) + the largest copy-data.
constexpr uint32_t kMaxFrameBody = 56 + kMaxCopyData;
constexpr uint32_t kMaxRecordString = 1024;

enum class Kind : uint16_t { Send = 1, Post = 2, Reply = 3 };
enum class Status : uint32_t { Handled = 0, NoWindow = 1 };

struct Frame {
  Kind kind = Kind::Send;
  uint32_t seq = 0;
  // Send and Post.
  WindowHandle to = 0;
  WindowHandle from = 0;
  uint32_t msg = 0;
  uint64_t wParam = 0;
  int64_t lParam = 0;
  std::optional<CopyData> copyData;
  // Reply.
  Status status = Status::Handled;
  int64_t result = 0;
};

// The whole frame, length field included. Copy-data over kMaxCopyData raises StreamError.
std::vector<uint8_t> encode(const Frame& f);
// One frame's body (the bytes after the length field); StreamError unless it is exactly one
// well-formed version-1 frame.
Frame decode(std::vector<uint8_t> body);

// Collects bytes as they arrive and hands out whole frame bodies.
class FrameReader {
 public:
  void append(std::span<const uint8_t> bytes);
  // The next whole body, or nothing yet. StreamError when the length field is impossible.
  std::optional<std::vector<uint8_t>> next();
  size_t buffered() const { return buf_.size() - start_; }

 private:
  std::vector<uint8_t> buf_;
  size_t start_ = 0;
};

struct WindowRecord {
  WindowHandle handle = 0;
  int32_t pid = 0;
  uint64_t created = 0;
  std::string windowClass;
  std::string caption;
  std::string socketName;
};

std::vector<uint8_t> encodeWindowRecord(const WindowRecord& r);
WindowRecord decodeWindowRecord(std::vector<uint8_t> bytes);

std::string windowFileName(WindowHandle h);  // w<16 hex>.win
std::string socketFileName(int64_t pid);     // p<pid>.sock
std::string lockFileName(int64_t pid);       // p<pid>.lock
// The handle named by a registry file name, or 0 when the name is not one.
WindowHandle handleOfFileName(const std::string& name);

// True when the process at the other end of a Unix socket runs as this process's user.
bool peerIsCurrentUser(int fd);

}  // namespace platform::wire
