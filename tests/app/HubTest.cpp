#include <gtest/gtest.h>

#include <map>
#include <string>

#include "sheet/app/uHub.h"

using protocol::Instrument;

namespace {

// Records every call in order; instruments "run" when their class is in `running`, and a
// send can be answered by a nested call into the hub (as a real instrument answers a wake).
struct FakeMessenger : TMessenger {
  std::vector<std::string> log;
  std::map<std::string, uint64_t> running;  // class -> window
  std::function<void(uint64_t to, int64_t w)> onSend;

  uint32_t RegisterMessage(std::string_view name) override {
    return 0xC000 + uint32_t(std::hash<std::string_view>{}(name) % 0x3FFF);
  }
  uint64_t FindWindow(std::string_view cls, std::string_view) override {
    auto it = running.find(std::string(cls));
    return it == running.end() ? 0 : it->second;
  }
  int64_t Send(uint64_t to, uint32_t, int64_t w, int64_t l) override {
    log.push_back("send " + std::to_string(to) + " " + std::to_string(w) + "," + std::to_string(l));
    if (onSend) onSend(to, w);
    return 0;
  }
  void Post(uint64_t to, uint32_t, int64_t w, int64_t l) override {
    log.push_back("post " + std::to_string(to) + " " + std::to_string(w) + "," + std::to_string(l));
  }
  void SendRecord(uint64_t to, uint32_t code, const std::vector<uint8_t>& b) override {
    log.push_back("record " + std::to_string(to) + " code " + std::to_string(code) + " " +
                  std::to_string(b.size()) + (b.size() && b[0] ? "" : " zero"));
  }
  void StartProgram(std::string_view program, std::string_view, std::string_view) override {
    log.push_back("start " + std::string(program));
  }
};

constexpr uint64_t kRuler = 11, kPencil = 22, kSquare = 33;

struct Hub : ::testing::Test {
  FakeMessenger m;
  TInstrumentHub hub{m};
  std::vector<std::pair<Instrument, bool>> checks;
  std::vector<protocol::PencilRecord> pencilRecords;

  void SetUp() override {
    hub.OnCheckChanged = [this](Instrument i, bool c) { checks.push_back({i, c}); };
    hub.OnPencilRecord = [this](const protocol::PencilRecord& r) { pencilRecords.push_back(r); };
    hub.Start();
    checks.clear();
  }
  void report(Instrument i, int64_t wire) { hub.DefaultHandler(hub.Message(i), wire, 0); }
  // Ruler and set square running and active, known to the sheet.
  void rulerAndSquareActive() {
    m.running = {{"TFRegle", kRuler}, {"TFEquerre", kSquare}};
    hub.WakeInstruments();
    report(Instrument::Ruler, 1);
    report(Instrument::SetSquare, 1);
    m.log.clear();
  }
};

TEST_F(Hub, StartsWithEveryInstrumentClosedAndDistinctMessages) {
  for (const auto& info : protocol::instruments()) {
    EXPECT_EQ(hub.State(info.id), TInstrumentHub::kClosed);
    EXPECT_FALSE(hub.Checked(info.id));
  }
  EXPECT_NE(hub.Message(Instrument::Ruler), hub.Message(Instrument::Pencil));
  EXPECT_FALSE(hub.DefaultHandler(0x0400, 1, 0));
}

TEST_F(Hub, StatesMapFromTheWireAndTheRulerRelaysEveryReport) {
  m.running = {{"TFRegle", kRuler}, {"TFCrayon", kPencil}, {"TFEquerre", kSquare}};
  hub.WakeInstruments();
  m.log.clear();
  report(Instrument::Ruler, 1);
  EXPECT_EQ(hub.State(Instrument::Ruler), TInstrumentHub::kActive);
  EXPECT_TRUE(hub.Checked(Instrument::Ruler));
  report(Instrument::Ruler, 2);  // minimised: still checked
  EXPECT_EQ(hub.State(Instrument::Ruler), TInstrumentHub::kMinimised);
  EXPECT_TRUE(hub.Checked(Instrument::Ruler));
  report(Instrument::Ruler, 7);  // unknown: unchanged, relayed as received
  EXPECT_EQ(hub.State(Instrument::Ruler), TInstrumentHub::kMinimised);
  report(Instrument::Ruler, 0);  // closed by its own button
  EXPECT_FALSE(hub.Checked(Instrument::Ruler));
  EXPECT_EQ(m.log,
            (std::vector<std::string>{"post 22 1,1", "post 33 1,1", "post 22 1,2", "post 33 1,2",
                                      "post 22 1,7", "post 33 1,7", "post 22 1,0", "post 33 1,0"}));
}

TEST_F(Hub, RecordsCountOnlyFromActiveInstrumentsAndShortOnesAreDropped) {
  protocol::PencilRecord r{0xFF, 3, {100, 200}, 'D'};
  std::vector<uint8_t> bytes = protocol::encode(r);
  hub.WMCopyData(2, bytes);  // the pencil is closed
  EXPECT_TRUE(pencilRecords.empty());
  m.running = {{"TFCrayon", kPencil}};
  hub.WakeInstruments();
  report(Instrument::Pencil, 1);
  hub.WMCopyData(2, bytes);
  ASSERT_EQ(pencilRecords.size(), 1u);
  EXPECT_EQ(pencilRecords[0], r);
  bytes.pop_back();
  hub.WMCopyData(2, bytes);  // 16 bytes
  hub.WMCopyData(0, protocol::encode(r));
  hub.WMCopyData(5, protocol::encode(r));
  EXPECT_EQ(pencilRecords.size(), 1u);
  report(Instrument::Pencil, 2);
  hub.WMCopyData(2, protocol::encode(r));
  EXPECT_EQ(pencilRecords.size(), 1u);
}

TEST_F(Hub, CheckingThePencilResynchronisesItInOrder) {
  rulerAndSquareActive();
  m.running["TFCrayon"] = kPencil;
  // The pencil answers the wake request by reporting active, inside the send.
  m.onSend = [this](uint64_t to, int64_t w) {
    if (to == kPencil && w == protocol::kRequestWake) report(Instrument::Pencil, 1);
  };
  hub.Crayon1Click();
  EXPECT_TRUE(hub.Checked(Instrument::Pencil));
  const std::vector<std::string> resync{"post 22 1,1", "record 22 code 1 32 zero",
                                        "record 33 code 1 32 zero", "post 22 3,1",
                                        "record 22 code 3 24 zero"};
  std::vector<std::string> expected{"start Crayon.exe", "send 22 99,0"};
  // Inside the wake: the pencil turned active, which wakes everyone and re-sends.
  expected.insert(expected.end(), {"send 11 99,0", "send 33 99,0", "send 22 99,0"});
  expected.insert(expected.end(), resync.begin(), resync.end());
  // Then the menu click's own steps.
  expected.insert(expected.end(), resync.begin(), resync.end());
  EXPECT_EQ(m.log, expected);
}

TEST_F(Hub, AMissingProgramLeavesTheItemUnchecked) {
  hub.Rgle1Click();
  EXPECT_EQ(m.log, (std::vector<std::string>{"start regle.exe"}));
  EXPECT_FALSE(hub.Checked(Instrument::Ruler));
  EXPECT_EQ(hub.State(Instrument::Ruler), TInstrumentHub::kClosed);
}

TEST_F(Hub, UncheckingPostsCloseAndTheStateWaitsForTheAnswer) {
  rulerAndSquareActive();
  hub.Equerre1Click();  // unchecks
  EXPECT_FALSE(hub.Checked(Instrument::SetSquare));
  EXPECT_EQ(hub.State(Instrument::SetSquare), TInstrumentHub::kActive);
  EXPECT_EQ(m.log, (std::vector<std::string>{"post 33 100,0"}));
  report(Instrument::SetSquare, 0);
  EXPECT_EQ(hub.State(Instrument::SetSquare), TInstrumentHub::kClosed);
}

TEST_F(Hub, RulerCornersGoToTheActiveOnesAndThePencilPositionToEveryKnownWindow) {
  rulerAndSquareActive();
  protocol::RulerCorners c{{{{1, 2}, {3, 4}, {5, 6}, {7, 8}}}};
  hub.WMCopyData(1, protocol::encode(c));
  EXPECT_EQ(hub.RulerCorners(), protocol::encode(c));
  EXPECT_EQ(m.log, (std::vector<std::string>{"record 33 code 1 32"}));
  m.log.clear();
  hub.RelayPencilPosition({0, 0, {9, 9}, 'x'});
  EXPECT_EQ(m.log, (std::vector<std::string>{"record 11 code 2 8", "record 33 code 2 8"}));
  m.log.clear();
  hub.FormClose();
  EXPECT_EQ(m.log, (std::vector<std::string>{"post 11 100,0", "post 33 100,0"}));
}

}  // namespace
