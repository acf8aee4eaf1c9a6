#pragma once
// Window messages between programs: registered message numbers, top-level endpoints found by
// class and caption, synchronous sends (which nest), posted messages and copy-data records.
//
// Wire format, version 1 (docs/MESSAGING.md says the same at more length). Everything is
// little-endian; any program that follows this can take part.
//
// Registered numbers. registerMessage(name): FNV-1a 32-bit over the name's UTF-8 bytes with
// ASCII letters lowered (offset basis 0x811C9DC5, prime 0x01000193), then
// 0xC000 | ((h ^ (h >> 16)) & 0x3FFF).
//
// Rendezvous folder: $ZK_RENDEZVOUS_DIR, else $XDG_RUNTIME_DIR/zeridaz, else
// /tmp/zeridaz-<uid>. Created 0700; used only if lstat shows a directory (not a link) owned
// by the user with mode exactly 0700. In it, per process <pid> (decimal):
//   p<pid>.lock  held with flock(LOCK_EX) for the life of the process. Whoever takes it
//                without waiting may remove that pid's files below, and must hold it while
//                doing so; the taker checks that the locked file is still the one at the path.
//   p<pid>.sock  the process's listening SOCK_STREAM socket (filesystem name, mode 0600).
//   w<handle>.win one per endpoint, <handle> as 16 lowercase hex digits; written to a
//                dot-named temporary and renamed, so it is always whole:
//                  "ZKWN", u16 version 1, u16 0, u64 handle, i32 pid, u64 creation time (ns),
//                  then three strings (u32 byte count + UTF-8 bytes, at most 1024 bytes each):
//                  class, caption, socket file name.
// A handle is pid << 32 | n (n = 1, 2, ... within the process); the socket of a handle is
// p<handle >> 32>.sock. Both ends of a connection check SO_PEERCRED and drop other users.
//
// Frames, in both directions of a connection: u32 length (bytes after this field, at most
// kMaxFrameBody), then
//   u16 version (1), u16 kind (1 send, 2 post, 3 reply), u32 sequence
//   send, post: u64 to, u64 from, u32 msg, u64 wParam, i64 lParam, u32 flags
//               (bit 0: copy-data follows; send only), [u32 code, u32 count (<= 64 KiB), bytes]
//   reply:      u32 status (0 handled, 1 no such window), i64 result
// A frame is decoded only once all its bytes are in; a malformed frame closes the connection.
// Requests go on the connection the sender opened to the receiver's socket; the reply to a
// send comes back on it with the same sequence number. Posts and sends on one connection keep
// their order. A copy-data send is msg 0x004A (WM_COPYDATA) with wParam = the sender.
//
// Semantics. All of it runs on the thread that first used it (the GUI thread); nothing is
// locked. A send waits at most sendTimeout() for its reply, meanwhile handling the sends that
// arrive for this process's endpoints (so sends nest to any depth) and queueing posted ones;
// queued posts are delivered in order from the Qt event loop (a QCoreApplication must exist).
// Messages to windows that no longer exist are lost; a send to one answers 0.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {

using WindowHandle = uint64_t;

constexpr uint32_t WM_COPYDATA = 0x004A;
constexpr size_t kMaxCopyData = 64 * 1024;

struct CopyData {
  uint32_t code = 0;  // dwData
  std::vector<uint8_t> bytes;
};

struct Message {
  uint32_t msg = 0;
  uint64_t wParam = 0;
  int64_t lParam = 0;
  WindowHandle sender = 0;  // 0 when the sender did not say
  bool posted = false;
  std::optional<CopyData> copyData;  // with msg == WM_COPYDATA
};

// The same number in every process for the same name (letter case ignored), in 0xC000..0xFFFF.
uint32_t registerMessage(const std::string& name);

// A top-level window taking part in messaging. Its handle is published on construction and
// withdrawn on destruction. Create and destroy endpoints outside their own handler.
class MessageEndpoint {
 public:
  using Handler = std::function<int64_t(const Message&)>;

  MessageEndpoint(std::string windowClass, std::string caption, Handler handler = {});
  ~MessageEndpoint();
  MessageEndpoint(const MessageEndpoint&) = delete;
  MessageEndpoint& operator=(const MessageEndpoint&) = delete;

  WindowHandle handle() const { return handle_; }
  const std::string& windowClass() const { return class_; }
  const std::string& caption() const { return caption_; }
  void setCaption(std::string caption);
  void setHandler(Handler handler) { handler_ = std::move(handler); }

  // The free functions below with this endpoint as the sender.
  int64_t send(WindowHandle to, uint32_t msg, uint64_t wParam, int64_t lParam) const;
  bool post(WindowHandle to, uint32_t msg, uint64_t wParam, int64_t lParam) const;
  int64_t sendCopyData(WindowHandle to, uint32_t code, std::span<const uint8_t> bytes) const;

 private:
  friend class MessageBus;
  WindowHandle handle_ = 0;
  std::string class_;
  std::string caption_;
  Handler handler_;
};

struct WindowInfo {
  WindowHandle handle = 0;
  int64_t pid = 0;
  std::string windowClass;
  std::string caption;
};

// The newest live window of that class (and caption, when given), or 0.
WindowHandle findWindow(const std::string& windowClass);
WindowHandle findWindow(const std::string& windowClass, const std::string& caption);
// Every live window, this process's included; stale entries of dead processes are removed.
std::vector<WindowInfo> listWindows();
bool isWindow(WindowHandle window);

// Synchronous: the handler's result, or 0 when the window does not exist, the peer dies or
// does not answer within sendTimeout().
int64_t sendMessage(WindowHandle to, uint32_t msg, uint64_t wParam, int64_t lParam,
                    WindowHandle from = 0);
// WM_COPYDATA with wParam = from. More than kMaxCopyData bytes is refused (answers 0, nothing
// is sent).
int64_t sendCopyData(WindowHandle to, WindowHandle from, uint32_t code,
                     std::span<const uint8_t> bytes);
// Asynchronous, in order, through the receiver's event loop. False when it could not be
// queued (no such process, or its connection is overfull).
bool postMessage(WindowHandle to, uint32_t msg, uint64_t wParam, int64_t lParam,
                 WindowHandle from = 0);

// Waits for timeoutMs handling incoming sends as a send's wait does (posts stay queued); for
// callers that block on something else, such as a program starting.
void dispatchSentMessages(int timeoutMs);

// The bound on a send's wait (2000 ms unless changed).
int sendTimeout();
void setSendTimeout(int ms);

// The folder the environment names (not checked).
std::string rendezvousPath();
// Creates path 0700 when missing; false (with the reason) unless it is then a directory, not a
// symbolic link, owned by the user, with mode 0700.
bool prepareRendezvousDir(const std::string& path, std::string* why = nullptr);
// The folder in use, with a trailing '/'; empty when it was refused (then only this process's
// own endpoints can be reached).
std::string rendezvousDir();

}  // namespace platform
