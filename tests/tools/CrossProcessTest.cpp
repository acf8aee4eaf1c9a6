// The message layer and the shell between real processes: this test program and scripted
// peer instruments, on a private rendezvous folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>

#include "platform/Messaging.h"
#include "platform/MessagingWire.h"
#include "platform/Screen.h"
#include "platform/Shell.h"

namespace {

using namespace platform;

// Set before the layer's first use; the peers inherit it.
const std::string& rendezvous() {
  static QTemporaryDir dir;
  static const std::string path = [] {
    qputenv("ZK_RENDEZVOUS_DIR", dir.path().toUtf8());
    return dir.path().toStdString() + "/";
  }();
  return path;
}

QTemporaryDir& scratch() {
  static QTemporaryDir dir;
  return dir;
}

// Runs the event loop until done() or the deadline.
bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
  const QDeadlineTimer deadline(ms);
  QTimer tick;
  tick.start(5);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

bool exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

std::string hexHandle(WindowHandle h) {
  std::ostringstream s;
  s << "0x" << std::hex << h;
  return s.str();
}

class Peer {
 public:
  Peer(const std::string& cls, const std::string& caption, const std::string& script,
       const std::string& message = "CM_Test") {
    static int serial = 0;
    const std::string base = scratch().path().toStdString() + "/" + cls + std::to_string(++serial);
    log_ = base + ".log";
    std::ofstream(base + ".script") << script;
    process_.setProgram(PEER_INSTRUMENT);
    process_.setArguments({"--class", QString::fromStdString(cls), "--caption",
                           QString::fromStdString(caption), "--message",
                           QString::fromStdString(message), "--log", QString::fromStdString(log_),
                           "--script", QString::fromStdString(base + ".script")});
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start();
    EXPECT_TRUE(process_.waitForStarted());
    EXPECT_TRUE(waitUntil([&] { return (window_ = findWindow(cls, caption)) != 0; }))
        << cls << " never appeared";
  }
  ~Peer() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished();
    }
  }

  WindowHandle window() const { return window_; }
  int64_t pid() const { return process_.processId(); }
  QProcess& process() { return process_; }

  std::vector<std::string> log() const {
    std::vector<std::string> lines;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // The lines that start with prefix, in order.
  std::vector<std::string> logged(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& l : log()) {
      if (l.rfind(prefix, 0) == 0) out.push_back(l);
    }
    return out;
  }
  bool waitForLine(const std::string& line) const {
    return waitUntil([&] {
      for (const std::string& l : log()) {
        if (l == line) return true;
      }
      return false;
    });
  }

 private:
  QProcess process_;
  std::string log_;
  WindowHandle window_ = 0;
};

// This program's own window, recording what reaches it.
class CrossProcess : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string expected = rendezvous();  // before the layer's first use
    ASSERT_EQ(rendezvousDir(), expected);
  }

  void SetUp() override {
    self_ = std::make_unique<MessageEndpoint>("TFTest", "Test", [this](const Message& m) {
      received_.push_back(m);
      return react_ ? react_(m) : 0;
    });
  }
  void TearDown() override { setSendTimeout(2000); }

  std::string sent(const std::string& name, uint64_t w, int64_t l) const {
    return "sent msg=" + std::to_string(registerMessage(name)) + " w=" + std::to_string(w) +
           " l=" + std::to_string(l) + " from=" + hexHandle(self_->handle());
  }

  const uint32_t kTest = registerMessage("CM_Test");
  const uint32_t kPing = registerMessage("CM_Ping");
  const uint32_t kPong = registerMessage("CM_Pong");
  std::unique_ptr<MessageEndpoint> self_;
  std::vector<Message> received_;
  std::function<int64_t(const Message&)> react_;
};

TEST_F(CrossProcess, WindowsAreFoundByClassAndCaptionAndAnswerSends) {
  Peer a("TFPeer", "Peer A", "answer CM_Test 11\n");
  Peer b("TFPeer", "Peer B", "answer CM_Test 22\n");
  ASSERT_NE(a.window(), b.window());
  EXPECT_EQ(findWindow("TFPeer", "Peer A"), a.window());
  EXPECT_EQ(findWindow("TFPeer", "Peer B"), b.window());
  EXPECT_EQ(findWindow("TFPeer"), b.window());  // the newest
  EXPECT_EQ(findWindow("TFPeer", "Peer C"), 0u);
  EXPECT_EQ(a.window() >> 32, uint64_t(a.pid()));

  EXPECT_EQ(self_->send(a.window(), kTest, 7, -3), 11);
  EXPECT_EQ(self_->send(b.window(), kTest, 8, 0), 22);
  EXPECT_EQ(self_->send(a.window(), kPing, 0, 0), 0);  // no answer scripted
  EXPECT_EQ(a.logged("sent"),
            (std::vector<std::string>{sent("CM_Test", 7, -3), sent("CM_Ping", 0, 0)}));
  // The peer numbered the name as we do.
  EXPECT_EQ(a.logged("message"),
            (std::vector<std::string>{"message CM_Test " + std::to_string(kTest)}));
  // A window that has gone answers nothing, its process still running.
  EXPECT_EQ(sendMessage(a.window() + 1, kTest, 0, 0), 0);
}

TEST_F(CrossProcess, CopyDataArrivesIntactBothWays) {
  Peer peer("TFCopyPeer", "Copy", "answer WM_COPYDATA 1\non WM_COPYDATA * echo\n");
  const std::vector<uint8_t> record = {0xFF, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x10,
                                       0x01, 0x00, 0x00, 0xF0, 0xFF, 0xFF, 0xFF, 'D'};
  react_ = [&](const Message&) { return 5; };
  EXPECT_EQ(self_->sendCopyData(peer.window(), 2, record), 1);
  ASSERT_EQ(received_.size(), 1u);  // the echo came inside the send's wait
  EXPECT_EQ(received_[0].msg, WM_COPYDATA);
  EXPECT_EQ(received_[0].wParam, peer.window());
  EXPECT_EQ(received_[0].sender, peer.window());
  ASSERT_TRUE(received_[0].copyData);
  EXPECT_EQ(received_[0].copyData->code, 2u);
  EXPECT_EQ(received_[0].copyData->bytes, record);
  EXPECT_EQ(peer.logged("copy"),
            (std::vector<std::string>{"copy code=2 bytes=ff000000020000001001000"
                                      "0f0ffffff44 from=" +
                                      hexHandle(self_->handle())}));
  EXPECT_EQ(peer.logged("echo-result"), (std::vector<std::string>{"echo-result 5"}));

  std::vector<uint8_t> largest(kMaxCopyData);
  for (size_t i = 0; i < largest.size(); ++i) largest[i] = uint8_t(i ^ (i >> 8));
  EXPECT_EQ(self_->sendCopyData(peer.window(), 9, largest), 1);
  ASSERT_EQ(received_.size(), 2u);
  EXPECT_EQ(received_[1].copyData->bytes, largest);

  largest.push_back(0);
  EXPECT_EQ(self_->sendCopyData(peer.window(), 9, largest), 0);
  EXPECT_EQ(self_->send(peer.window(), kTest, 1, 0), 0);  // a marker behind it
  EXPECT_EQ(received_.size(), 2u);
  EXPECT_EQ(peer.logged("copy").size(), 2u);
  EXPECT_EQ(peer.logged("sent").size(), 1u);
}

TEST_F(CrossProcess, SendsNestThreeDeep) {
  // We send Ping; inside it the peer sends Pong to us; inside that we send Deep to the peer.
  Peer peer("TFNestPeer", "Nest",
            "answer CM_Ping 77\nanswer CM_Deep 9\non CM_Ping * send TFTest|Test CM_Pong 5 6\n");
  const uint32_t deep = registerMessage("CM_Deep");
  int64_t deepResult = -1;
  react_ = [&](const Message& m) -> int64_t {
    if (m.msg != kPong) return 0;
    deepResult = self_->send(peer.window(), deep, 8, 0);
    return deepResult + 100;
  };
  EXPECT_EQ(self_->send(peer.window(), kPing, 1, 0), 77);
  ASSERT_EQ(received_.size(), 1u);
  EXPECT_EQ(received_[0].msg, kPong);
  EXPECT_EQ(received_[0].wParam, 5u);
  EXPECT_EQ(received_[0].lParam, 6);
  EXPECT_EQ(deepResult, 9);
  EXPECT_EQ(peer.log().back(), "send-result 109");
  EXPECT_EQ(peer.logged("sent"),
            (std::vector<std::string>{sent("CM_Ping", 1, 0), sent("CM_Deep", 8, 0)}));
}

TEST_F(CrossProcess, PostsWaitForTheEventLoopAndKeepTheirOrder) {
  Peer peer("TFPostPeer", "Post",
            "on CM_Ping * post TFTest CM_Post 1 0\n"
            "on CM_Ping * post TFTest CM_Post 2 0\n"
            "on CM_Ping * post TFTest CM_Post 3 0\n"
            "on CM_Ping * send TFTest CM_Pong 0 0\n");
  const uint32_t post = registerMessage("CM_Post");
  self_->send(peer.window(), kPing, 0, 0);
  // The posts were in before the send, yet only the sent Pong was handled during its wait.
  ASSERT_EQ(received_.size(), 1u);
  EXPECT_EQ(received_[0].msg, kPong);
  ASSERT_TRUE(waitUntil([&] { return received_.size() == 4; }));
  for (uint64_t i = 1; i <= 3; ++i) {
    EXPECT_EQ(received_[i].msg, post);
    EXPECT_EQ(received_[i].wParam, i);
    EXPECT_TRUE(received_[i].posted);
  }

  // And the other way: many posts, all there, in order.
  constexpr int kCount = 500;
  for (int i = 0; i < kCount; ++i) ASSERT_TRUE(self_->post(peer.window(), kTest, i, -i));
  ASSERT_TRUE(waitUntil([&] { return peer.logged("posted").size() == kCount; }));
  const auto lines = peer.logged("posted");
  for (int i = 0; i < kCount; ++i) {
    ASSERT_EQ(lines[i], "posted msg=" + std::to_string(kTest) + " w=" + std::to_string(i) +
                            " l=" + std::to_string(-i) + " from=" + hexHandle(self_->handle()));
  }
}

TEST_F(CrossProcess, APeerDyingInsideASendEndsItsWait) {
  Peer peer("TFDiePeer", "Die", "on CM_Test * die\n");
  setSendTimeout(60000);
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(self_->send(peer.window(), kTest, 0, 0), 0);
  EXPECT_LT(clock.elapsed(), 30000) << "the wait ran to its bound instead of ending at the death";
  EXPECT_TRUE(peer.process().waitForFinished());
  EXPECT_EQ(peer.process().exitCode(), 3);
}

TEST_F(CrossProcess, AHungPeerEndsTheSendAtTheBoundAndRecovers) {
  Peer peer("TFHungPeer", "Hung", "answer CM_Ping 1\nanswer CM_Pong 2\n");
  ASSERT_EQ(self_->send(peer.window(), kPing, 0, 0), 1);
  ASSERT_EQ(::kill(pid_t(peer.pid()), SIGSTOP), 0);
  setSendTimeout(200);
  EXPECT_EQ(self_->send(peer.window(), kPing, 0, 0), 0);
  ASSERT_EQ(::kill(pid_t(peer.pid()), SIGCONT), 0);
  setSendTimeout(10000);
  // The late answer to the first Ping (1) must not be taken for this one's.
  EXPECT_EQ(self_->send(peer.window(), kPong, 0, 0), 2);
  // Woken, the peer also handles the first Ping, answering into a closed connection.
  EXPECT_TRUE(waitUntil([&] { return peer.logged("sent").size() == 3; }));
}

TEST_F(CrossProcess, AKilledPeersFilesAreCleanedAway) {
  auto peer = std::make_unique<Peer>("TFKilledPeer", "Killed", "");
  const WindowHandle window = peer->window();
  const int64_t pid = peer->pid();
  const std::vector<std::string> files = {rendezvous() + wire::lockFileName(pid),
                                          rendezvous() + wire::socketFileName(pid),
                                          rendezvous() + wire::windowFileName(window)};
  peer->process().kill();
  ASSERT_TRUE(peer->process().waitForFinished());
  for (const std::string& f : files) EXPECT_TRUE(exists(f)) << f << " left by the dead peer";
  EXPECT_EQ(sendMessage(window, kTest, 0, 0), 0);
  EXPECT_FALSE(postMessage(window, kTest, 0, 0));
  EXPECT_FALSE(isWindow(window));
  EXPECT_EQ(findWindow("TFKilledPeer"), 0u);
  for (const std::string& f : files) EXPECT_FALSE(exists(f)) << f;
}

// --- Shell

TEST(Shell, StartProgramReturnsOnceTheWindowIsUp) {
  rendezvous();
  const QString peerDir = QFileInfo(PEER_INSTRUMENT).absolutePath();
  qputenv("PATH", (peerDir + ":" + qgetenv("PATH")).toUtf8());
  EXPECT_EQ(findProgram("peer_instrument.exe"), std::string(PEER_INSTRUMENT));
  EXPECT_EQ(findProgram("PEER_INSTRUMENT.EXE"), "");  // names keep their case
  EXPECT_EQ(findProgram("no_such_program.exe"), "");
  // The program's own folder comes before PATH.
  EXPECT_EQ(findProgram("tools_tests.exe"), programDir() + "tools_tests");

  const std::string log = scratch().path().toStdString() + "/shell.log";
  for (const bool byClass : {true, false}) {
    StartOptions options;
    const std::string cls = byClass ? "TFShellByClass" : "TFShellByPid";
    if (byClass) options.windowClass = cls;
    options.arguments = {"--class", cls, "--caption", "Shell", "--log", log};
    const StartedProgram started = startProgram("peer_instrument.exe", options);
    ASSERT_GT(started.pid, 0);
    EXPECT_NE(started.window, 0u) << cls;
    EXPECT_EQ(started.window >> 32, uint64_t(started.pid));
    EXPECT_EQ(findWindow(cls, "Shell"), started.window);
    ::kill(pid_t(started.pid), SIGKILL);
  }
  EXPECT_EQ(startProgram("no_such_program.exe").pid, 0);
}

TEST(Shell, DocumentLocations) {
  EXPECT_EQ(documentLocation("aide\\index.htm"), programDir() + "aide/index.htm");
  EXPECT_EQ(documentLocation("/home/u/a b.zkw"), "/home/u/a b.zkw");
  EXPECT_EQ(documentLocation("https://example.org/x"), "https://example.org/x");
}

}  // namespace
