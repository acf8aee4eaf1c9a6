// The message layer inside one process: numbering, frame and registry encodings, the
// rendezvous folder checks, local delivery and the cleaning of a dead process's files.
// Cross-process behaviour is in tests/tools.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/Messaging.h"
#include "platform/MessagingWire.h"
#include "platform/Streams.h"

namespace {

using namespace platform;
namespace fs = std::filesystem;

// Points the layer at a private folder before its first use in this program.
std::string testRendezvous() {
  static QTemporaryDir dir;
  static const std::string path = [] {
    qputenv("ZK_RENDEZVOUS_DIR", dir.path().toUtf8());
    return dir.path().toStdString() + "/";
  }();
  return path;
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// --- Registered numbers

TEST(RegisterMessage, FollowsTheDocumentedHash) {
  // Worked out by hand from the formula in Messaging.h: another program must get these.
  const struct {
    const char* name;
    uint32_t number;
  } cases[] = {
      {"CM_KWQRegleMessage", 0xC61E},      {"CM_KWQCrayonMessage", 0xFF54},
      {"CM_KWQEquerreMessage", 0xEEF7},    {"CM_KWQCompasMessage", 0xD119},
      {"CM_KWQRapporteurMessage", 0xCC79},
  };
  for (const auto& c : cases) EXPECT_EQ(registerMessage(c.name), c.number) << c.name;
  EXPECT_EQ(registerMessage("cm_kwqreglemessage"), registerMessage("CM_KWQRegleMessage"));
}

// --- Frames

// A copy-data send, laid out field by field from the table in Messaging.h.
const std::vector<uint8_t> kGoldenSend = {
    59,   0,    0,    0,                             // length of what follows
    1,    0,    1,    0,    7,    0,    0,    0,     // version 1, kind send, sequence 7
    0x02, 0,    0,    0,    0x01, 0,    0,    0,     // to 0x0000000100000002
    0x04, 0,    0,    0,    0x03, 0,    0,    0,     // from 0x0000000300000004
    0x4A, 0,    0,    0,                             // WM_COPYDATA
    0x04, 0,    0,    0,    0x03, 0,    0,    0,     // wParam = from
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // lParam -1
    1,    0,    0,    0,                             // flags: copy-data follows
    2,    0,    0,    0,    3,    0,    0,    0,     // code 2, 3 bytes
    0xA1, 0xB2, 0xC3};

wire::Frame goldenFrame() {
  wire::Frame f;
  f.kind = wire::Kind::Send;
  f.seq = 7;
  f.to = 0x0000000100000002;
  f.from = 0x0000000300000004;
  f.msg = WM_COPYDATA;
  f.wParam = f.from;
  f.lParam = -1;
  f.copyData = CopyData{2, {0xA1, 0xB2, 0xC3}};
  return f;
}

void expectSameFrame(const wire::Frame& a, const wire::Frame& b) {
  EXPECT_EQ(a.kind, b.kind);
  EXPECT_EQ(a.seq, b.seq);
  EXPECT_EQ(a.to, b.to);
  EXPECT_EQ(a.from, b.from);
  EXPECT_EQ(a.msg, b.msg);
  EXPECT_EQ(a.wParam, b.wParam);
  EXPECT_EQ(a.lParam, b.lParam);
  ASSERT_EQ(a.copyData.has_value(), b.copyData.has_value());
  if (a.copyData) {
    EXPECT_EQ(a.copyData->code, b.copyData->code);
    EXPECT_EQ(a.copyData->bytes, b.copyData->bytes);
  }
  EXPECT_EQ(a.status, b.status);
  EXPECT_EQ(a.result, b.result);
}

std::vector<uint8_t> bodyOf(const std::vector<uint8_t>& frame) {
  return {frame.begin() + 4, frame.end()};
}

TEST(MessageFrames, GoldenSendEncodesAndDecodes) {
  EXPECT_EQ(wire::encode(goldenFrame()), kGoldenSend);
  expectSameFrame(wire::decode(bodyOf(kGoldenSend)), goldenFrame());
}

TEST(MessageFrames, EveryKindRoundTrips) {
  std::vector<wire::Frame> frames(6);
  frames[0].msg = 0xC61E;
  frames[0].wParam = ~0ull;
  frames[0].lParam = INT64_MIN;
  frames[1] = goldenFrame();
  frames[1].copyData->bytes.assign(kMaxCopyData, 0x5A);
  frames[2] = goldenFrame();
  frames[2].copyData->bytes.clear();
  frames[3].kind = wire::Kind::Post;
  frames[3].to = 42;
  frames[3].wParam = 100;
  frames[4].kind = wire::Kind::Reply;
  frames[4].seq = 0xFFFFFFFF;
  frames[4].result = -123456789012345;
  frames[5].kind = wire::Kind::Reply;
  frames[5].status = wire::Status::NoWindow;
  wire::FrameReader reader;
  for (const wire::Frame& f : frames) reader.append(wire::encode(f));  // all in one go
  for (const wire::Frame& f : frames) {
    auto body = reader.next();
    ASSERT_TRUE(body);
    expectSameFrame(wire::decode(std::move(*body)), f);
  }
  EXPECT_FALSE(reader.next());
  EXPECT_EQ(reader.buffered(), 0u);
}

TEST(MessageFrames, AFrameIsHandedOutOnlyWhenWhole) {
  wire::FrameReader reader;
  for (size_t i = 0; i + 1 < kGoldenSend.size(); ++i) {
    reader.append(std::span(kGoldenSend).subspan(i, 1));
    ASSERT_FALSE(reader.next()) << "after " << i + 1 << " bytes";
  }
  reader.append(std::span(kGoldenSend).last(1));
  auto body = reader.next();
  ASSERT_TRUE(body);
  expectSameFrame(wire::decode(std::move(*body)), goldenFrame());
}

TEST(MessageFrames, MalformedFramesAreRefused) {
  const auto patched = [](size_t at, std::vector<uint8_t> bytes) {
    std::vector<uint8_t> body = bodyOf(kGoldenSend);
    std::copy(bytes.begin(), bytes.end(), body.begin() + std::ptrdiff_t(at));
    return body;
  };
  const struct {
    const char* what;
    std::vector<uint8_t> body;
  } cases[] = {
      {"version 2", patched(0, {2, 0})},
      {"kind 0", patched(2, {0, 0})},
      {"kind 4", patched(2, {4, 0})},
      {"unknown flag", patched(44, {3, 0, 0, 0})},
      {"posted copy-data", patched(2, {2, 0})},
      {"count past the end", patched(52, {4, 0, 0, 0})},
      {"count over 64 KiB", patched(52, {1, 0, 1, 0})},
      {"count short of the end", patched(52, {2, 0, 0, 0})},
  };
  for (const auto& c : cases) {
    EXPECT_THROW(wire::decode(c.body), StreamError) << c.what;
  }
  const std::vector<uint8_t> body = bodyOf(kGoldenSend);
  for (size_t n = 0; n < body.size(); ++n) {
    EXPECT_THROW(wire::decode({body.begin(), body.begin() + std::ptrdiff_t(n)}), StreamError)
        << "cut at " << n;
  }
  // An impossible length is refused before its bytes are awaited.
  for (uint32_t length : {0u, 7u, wire::kMaxFrameBody + 1}) {
    wire::FrameReader reader;
    const uint8_t prefix[4] = {uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16),
                               uint8_t(length >> 24)};
    reader.append(prefix);
    EXPECT_THROW(reader.next(), StreamError) << length;
  }
  wire::Frame big = goldenFrame();
  big.copyData->bytes.resize(kMaxCopyData + 1);
  EXPECT_THROW(wire::encode(big), StreamError);
}

TEST(WindowRecords, RoundTripAndCuts) {
  wire::WindowRecord r{0x0000123400000002, 0x1234, 99, "TFRegle", "RègleVastoplume", "p4660.sock"};
  const std::vector<uint8_t> bytes = wire::encodeWindowRecord(r);
  const wire::WindowRecord back = wire::decodeWindowRecord(bytes);
  EXPECT_EQ(back.handle, r.handle);
  EXPECT_EQ(back.pid, r.pid);
  EXPECT_EQ(back.created, r.created);
  EXPECT_EQ(back.windowClass, r.windowClass);
  EXPECT_EQ(back.caption, r.caption);
  EXPECT_EQ(back.socketName, r.socketName);
  for (size_t n = 0; n < bytes.size(); ++n) {
    EXPECT_THROW(wire::decodeWindowRecord({bytes.begin(), bytes.begin() + std::ptrdiff_t(n)}),
                 StreamError);
  }
  r.pid = 7;  // a handle that names another process
  EXPECT_THROW(wire::decodeWindowRecord(wire::encodeWindowRecord(r)), StreamError);

  EXPECT_EQ(wire::windowFileName(0x0000123400000002), "w0000123400000002.win");
  EXPECT_EQ(wire::handleOfFileName("w0000123400000002.win"), 0x0000123400000002u);
  for (const char* other : {".w0000123400000002.win.tmp", "w000012340000002.win",
                            "w0000123400000002.wim", "w000012340000000G.win", "p4660.sock"}) {
    EXPECT_EQ(wire::handleOfFileName(other), 0u) << other;
  }
}

// --- Rendezvous folder

TEST(Rendezvous, OnlyAPrivateFolderOfTheUserIsAccepted) {
  QTemporaryDir base;
  const std::string root = base.path().toStdString() + "/";
  ::mkdir((root + "open").c_str(), 0700);
  ::chmod((root + "open").c_str(), 0755);
  ::mkdir((root + "group").c_str(), 0700);
  ::chmod((root + "group").c_str(), 0770);
  ::mkdir((root + "good").c_str(), 0700);
  ::symlink((root + "good").c_str(), (root + "link").c_str());
  std::ofstream(root + "file") << "x";
  ::mkdir((root + "foreign").c_str(), 0700);
  const bool canChown = ::chown((root + "foreign").c_str(), 65534, 65534) == 0;

  const struct {
    const char* name;
    bool accepted;
  } cases[] = {{"missing", true}, {"good", true},  {"open", false},   {"group", false},
               {"link", false},   {"file", false}, {"foreign", false}};
  for (const auto& c : cases) {
    if (std::string(c.name) == "foreign" && !canChown) continue;  // needs root
    std::string why;
    EXPECT_EQ(prepareRendezvousDir(root + c.name, &why), c.accepted) << c.name;
    EXPECT_EQ(why.empty(), c.accepted) << c.name << ": " << why;
  }
  struct stat st {};
  ASSERT_EQ(::lstat((root + "missing").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  // A refused folder is left as it was.
  ASSERT_EQ(::lstat((root + "open").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0755u);
}

TEST(PeerCredentials, ASocketOfAnotherUserIsRefused) {
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  EXPECT_TRUE(wire::peerIsCurrentUser(pair[0]));
  ::close(pair[0]);
  ::close(pair[1]);
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to connect as another user";

  QTemporaryDir base;
  ::chmod(base.path().toUtf8().constData(), 0755);
  const std::string path = base.path().toStdString() + "/s";
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ::chmod(path.c_str(), 0777);
  ASSERT_EQ(::listen(listener, 1), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) ::_exit(2);
    char c;
    while (::read(fd, &c, 1) > 0) {
    }  // until the parent has looked
    ::_exit(0);
  }
  const int accepted = ::accept(listener, nullptr, nullptr);
  ASSERT_GE(accepted, 0);
  EXPECT_FALSE(wire::peerIsCurrentUser(accepted));
  ::close(accepted);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ::close(listener);
}

// --- Endpoints of this process

class LocalMessaging : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string expected = testRendezvous();  // before the layer's first use
    ASSERT_EQ(rendezvousDir(), expected);
  }
};

TEST_F(LocalMessaging, FindWindowByClassAndCaption) {
  auto first = std::make_unique<MessageEndpoint>("TFFind", "First");
  auto second = std::make_unique<MessageEndpoint>("TFFind", "Second");
  MessageEndpoint other("TFOther", "First");
  EXPECT_EQ(findWindow("TFFind", "First"), first->handle());
  EXPECT_EQ(findWindow("TFFind", "Second"), second->handle());
  EXPECT_EQ(findWindow("TFFind"), second->handle());  // the newest of the class
  EXPECT_EQ(findWindow("TFFind", "Third"), 0u);
  EXPECT_EQ(findWindow("TFNone"), 0u);
  EXPECT_EQ(first->handle() >> 32, uint64_t(::getpid()));

  const std::string file = rendezvousDir() + wire::windowFileName(second->handle());
  EXPECT_TRUE(exists(file));
  second.reset();
  EXPECT_FALSE(exists(file));
  EXPECT_EQ(findWindow("TFFind"), first->handle());

  first->setCaption("Renamed");
  EXPECT_EQ(findWindow("TFFind", "First"), 0u);
  EXPECT_EQ(findWindow("TFFind", "Renamed"), first->handle());
  // The published record says the same.
  auto bytes =
      std::ifstream(rendezvousDir() + wire::windowFileName(first->handle()), std::ios::binary);
  std::vector<uint8_t> record((std::istreambuf_iterator<char>(bytes)), {});
  EXPECT_EQ(wire::decodeWindowRecord(record).caption, "Renamed");
}

TEST_F(LocalMessaging, SendAnswersTheHandlersResult) {
  std::vector<Message> seen;
  MessageEndpoint target("TFTarget", "T", [&](const Message& m) {
    seen.push_back(m);
    return int64_t(m.wParam) * 10 + m.lParam;
  });
  MessageEndpoint from("TFFrom", "F");
  EXPECT_EQ(from.send(target.handle(), 0xC001, 4, -2), 38);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].msg, 0xC001u);
  EXPECT_EQ(seen[0].sender, from.handle());
  EXPECT_FALSE(seen[0].posted);
  EXPECT_EQ(sendMessage(target.handle() + 1000, 0xC001, 4, -2), 0);
  EXPECT_EQ(sendMessage(0, 0xC001, 4, -2), 0);
  EXPECT_EQ(seen.size(), 1u);
}

TEST_F(LocalMessaging, PostsWaitForTheEventLoopAndKeepTheirOrder) {
  std::vector<uint64_t> order;
  MessageEndpoint target("TFPosts", "P", [&](const Message& m) {
    EXPECT_TRUE(m.posted);
    order.push_back(m.wParam);
    return 0;
  });
  for (uint64_t i = 1; i <= 5; ++i) EXPECT_TRUE(postMessage(target.handle(), 0xC002, i, 0));
  EXPECT_TRUE(order.empty());
  QCoreApplication::processEvents();
  EXPECT_EQ(order, (std::vector<uint64_t>{1, 2, 3, 4, 5}));

  const WindowHandle gone = [] { return MessageEndpoint("TFGone", "G").handle(); }();
  EXPECT_FALSE(postMessage(gone, 0xC002, 1, 0));
}

TEST_F(LocalMessaging, CopyDataIsBoundedTo64KiB) {
  std::vector<uint8_t> got;
  uint32_t code = 0;
  MessageEndpoint target("TFCopy", "C", [&](const Message& m) {
    EXPECT_EQ(m.msg, WM_COPYDATA);
    code = m.copyData->code;
    got = m.copyData->bytes;
    return int64_t(got.size());
  });
  std::vector<uint8_t> bytes(kMaxCopyData);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 7 + i / 256);
  EXPECT_EQ(sendCopyData(target.handle(), 0, 4, bytes), int64_t(kMaxCopyData));
  EXPECT_EQ(code, 4u);
  EXPECT_EQ(got, bytes);
  got.clear();
  bytes.push_back(0);
  EXPECT_EQ(sendCopyData(target.handle(), 0, 4, bytes), 0);
  EXPECT_TRUE(got.empty());
}

// The files a process leaves when it dies without tidying up.
class StaleProcess {
 public:
  explicit StaleProcess(int32_t pid) : pid_(pid), dir_(rendezvousDir()) {
    handle_ = (WindowHandle(uint32_t(pid)) << 32) | 1;
    std::ofstream(dir_ + wire::lockFileName(pid));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string sock = dir_ + wire::socketFileName(pid);
    std::strncpy(addr.sun_path, sock.c_str(), sizeof addr.sun_path - 1);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);  // the name stays, nobody listens
    const auto record =
        wire::encodeWindowRecord({handle_, pid, 1, "TFStale", "Stale", wire::socketFileName(pid)});
    std::ofstream(dir_ + wire::windowFileName(handle_), std::ios::binary)
        .write(reinterpret_cast<const char*>(record.data()), std::streamsize(record.size()));
  }
  ~StaleProcess() {
    for (const std::string& f : files()) ::unlink(f.c_str());
  }
  std::vector<std::string> files() const {
    return {dir_ + wire::lockFileName(pid_), dir_ + wire::socketFileName(pid_),
            dir_ + wire::windowFileName(handle_)};
  }
  WindowHandle handle() const { return handle_; }

 private:
  int32_t pid_;
  std::string dir_;
  WindowHandle handle_;
};

TEST_F(LocalMessaging, FilesOfADeadProcessAreRemovedUnderItsLock) {
  const int32_t pid = 0x3FFFFF00;  // above any real pid
  {
    // Its lock still held: the process counts as alive and its files stay.
    StaleProcess alive(pid);
    const int lock = ::open(alive.files()[0].c_str(), O_RDWR);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    EXPECT_EQ(findWindow("TFStale", "Stale"), alive.handle());
    for (const std::string& f : alive.files()) EXPECT_TRUE(exists(f)) << f;
    ::close(lock);
  }
  StaleProcess dead(pid);
  EXPECT_EQ(sendMessage(dead.handle(), 0xC003, 0, 0), 0);  // nobody listens
  EXPECT_EQ(findWindow("TFStale"), 0u);
  for (const std::string& f : dead.files()) EXPECT_FALSE(exists(f)) << f;
}

}  // namespace
