// The message layer between two processes, against a raw socketpair ping-pong of the same
// bytes. The peer is this program started again with --peer on a private rendezvous folder.
//
// Targets: a 17-byte copy-data round trip at most twice the raw one; at least 20,000 records a
// second from one process to another, none lost.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "platform/Messaging.h"

extern char** environ;

namespace {

using namespace platform;

constexpr const char* kPeerClass = "TFBenchPeer";
constexpr int kPostBatch = 1000;

// A pencil record: colour, thickness, x, y, letter.
constexpr std::array<uint8_t, 17> kRecord = {0xFF, 0, 0, 0, 2,    0, 0, 0,  0x10,
                                             1,    0, 0, 0, 0xF0, 0, 0, 'D'};

int gRawFd = -1;
WindowHandle gPeer = 0;
MessageEndpoint* gSelf = nullptr;

uint32_t countMessage() {
  return registerMessage("CM_BenchCount");
}
uint32_t postMessageNumber() {
  return registerMessage("CM_BenchPost");
}

// --- The other processes

[[noreturn]] void rawEcho(int fd) {
  std::array<uint8_t, kRecord.size()> buf;
  for (;;) {
    size_t got = 0;
    while (got < buf.size()) {
      const ssize_t n = ::read(fd, buf.data() + got, buf.size() - got);
      if (n <= 0) ::_exit(0);
      got += size_t(n);
    }
    if (::write(fd, buf.data(), buf.size()) != ssize_t(buf.size())) ::_exit(0);
  }
}

int runPeer(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  int64_t records = 0;
  int64_t posts = 0;
  MessageEndpoint peer(kPeerClass, "Bench", [&](const Message& m) -> int64_t {
    if (m.copyData) return ++records;
    if (m.posted && m.msg == postMessageNumber()) return ++posts;
    if (m.msg == countMessage()) return posts;
    return 0;
  });
  return app.exec();
}

// --- Benchmarks

void BM_RawSocketPairRoundTrip(benchmark::State& state) {
  std::array<uint8_t, kRecord.size()> back;
  for (auto _ : state) {
    if (::write(gRawFd, kRecord.data(), kRecord.size()) != ssize_t(kRecord.size())) {
      state.SkipWithError("write");
      break;
    }
    size_t got = 0;
    while (got < back.size()) {
      const ssize_t n = ::read(gRawFd, back.data() + got, back.size() - got);
      if (n <= 0) break;
      got += size_t(n);
    }
    benchmark::DoNotOptimize(back);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RawSocketPairRoundTrip)->UseRealTime();

void BM_CopyDataRoundTrip(benchmark::State& state) {
  int64_t last = gSelf->sendCopyData(gPeer, 2, kRecord);
  for (auto _ : state) {
    const int64_t n = gSelf->sendCopyData(gPeer, 2, kRecord);
    if (n != last + 1) {
      state.SkipWithError("a record went missing");
      break;
    }
    last = n;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CopyDataRoundTrip)->UseRealTime();

void BM_PostedMessages(benchmark::State& state) {
  int64_t posted = gSelf->send(gPeer, countMessage(), 0, 0);
  for (auto _ : state) {
    for (int i = 0; i < kPostBatch; ++i) {
      if (!gSelf->post(gPeer, postMessageNumber(), uint64_t(i), 0)) {
        state.SkipWithError("post refused");
        return;
      }
    }
    posted += kPostBatch;
    const QDeadlineTimer deadline(10000);
    while (gSelf->send(gPeer, countMessage(), 0, 0) != posted) {
      if (deadline.hasExpired()) {
        state.SkipWithError("posted messages went missing");
        return;
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * kPostBatch);
}
BENCHMARK(BM_PostedMessages)->UseRealTime();

// Prints the runs as usual, then the ratio the target is about.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // Repetitions reported one by one are averaged; a reported mean is taken as it is.
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      auto& [sum, count] = times_[r.run_name.str()];
      if (r.run_type == Run::RT_Iteration && count >= 0) {
        sum += r.GetAdjustedRealTime();
        ++count;
      } else if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "mean") {
        sum = r.GetAdjustedRealTime();
        count = -1;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto raw = times_.find("BM_RawSocketPairRoundTrip/real_time");
    const auto layer = times_.find("BM_CopyDataRoundTrip/real_time");
    const auto mean = [](const std::pair<double, int>& t) {
      return t.second < 0 ? t.first : t.first / t.second;
    };
    if (raw != times_.end() && layer != times_.end() && raw->second.second != 0 &&
        layer->second.second != 0) {
      const double rawMean = mean(raw->second);
      const double layerMean = mean(layer->second);
      std::printf("copy-data round trip / raw round trip = %.2f (target <= 2.0)\n",
                  layerMean / rawMean);
    }
  }

 private:
  std::map<std::string, std::pair<double, int>> times_;  // sum, runs (-1: a mean)
};

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--peer") == 0) return runPeer(argc, argv);

  // The raw echo is forked before anything else starts threads.
  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return 1;
  const pid_t raw = ::fork();
  if (raw == 0) {
    ::close(pair[0]);
    rawEcho(pair[1]);
  }
  ::close(pair[1]);
  gRawFd = pair[0];

  char dirTemplate[] = "/tmp/zk-bench-XXXXXX";
  if (!::mkdtemp(dirTemplate)) return 1;
  ::setenv("ZK_RENDEZVOUS_DIR", dirTemplate, 1);

  QCoreApplication app(argc, argv);
  MessageEndpoint self("TFBench", "Bench");
  gSelf = &self;

  char peerArg[] = "--peer";
  char* peerArgv[] = {argv[0], peerArg, nullptr};
  pid_t peer = 0;
  if (::posix_spawn(&peer, "/proc/self/exe", nullptr, nullptr, peerArgv, environ) != 0) return 1;
  const QDeadlineTimer deadline(10000);
  while (!(gPeer = findWindow(kPeerClass)) && !deadline.hasExpired()) dispatchSentMessages(10);

  int status = 0;
  if (gPeer) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
  } else {
    std::fprintf(stderr, "the peer never appeared\n");
    status = 1;
  }
  ::kill(peer, SIGTERM);
  ::waitpid(peer, nullptr, 0);
  ::close(gRawFd);
  ::waitpid(raw, nullptr, 0);
  QDir(dirTemplate).removeRecursively();
  return status;
}
