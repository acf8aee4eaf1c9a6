// The sheet's window against scripted instrument programs in other processes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "protocol/Protocol.h"
#include "sheet/app/uZeridaz.h"
#include "sheet/layers/uChangeRecorder.h"
#include "sheet/layers/uSauve.h"

using platform::TPoint;

namespace {

std::string hex(const std::vector<uint8_t>& bytes) {
  static const char* d = "0123456789abcdef";
  std::string s;
  for (uint8_t b : bytes) {
    s += d[b >> 4];
    s += d[b & 15];
  }
  return s;
}

template <class F>
bool waitFor(F&& done, int ms = 8000) {
  QDeadlineTimer deadline(ms);
  while (!done() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
  return done();
}

struct Kinds : TChangeRecorder {
  std::vector<int> kinds;
  void RecordChange(uint8_t kind, TPage&) override { kinds.push_back(kind); }
};

// The sheet's real window in this process and peers started as separate programs, on the
// private rendezvous folder of the test main.
struct Instruments : ::testing::Test {
  std::unique_ptr<TFZeridazKWZ> sheet;
  std::vector<std::unique_ptr<QProcess>> peers;
  QTemporaryDir work;
  Kinds journal;

  void SetUp() override {
    sheet = std::make_unique<TFZeridazKWZ>();
    sheet->Layout().Panel6->setFixedSize(900, 1200);
    sheet->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet.get()));
    if (sheet->FirstActivation) sheet->FormActivate();
    SetChangeRecorder(&journal);
  }
  void TearDown() override {
    SetChangeRecorder(nullptr);
    for (auto& p : peers) {
      p->kill();
      p->waitForFinished(2000);
    }
    sheet.reset();
  }
  // Starts a peer as `who` with a script; answers its log file.
  QString peer(protocol::Instrument who, const std::string& script) {
    const auto& info = protocol::info(who);
    const QString name = QString::fromUtf8(info.windowClass.data(), int(info.windowClass.size()));
    const QString scriptPath = work.filePath(name + ".script");
    const QString logPath = work.filePath(name + ".log");
    std::ofstream(scriptPath.toStdString()) << script;
    auto p = std::make_unique<QProcess>();
    p->start(PEER_INSTRUMENT,
             {"--class", name, "--caption",
              QString::fromUtf8(info.caption.data(), int(info.caption.size())), "--message",
              QString::fromUtf8(info.messageName.data(), int(info.messageName.size())), "--log",
              logPath, "--script", scriptPath});
    EXPECT_TRUE(p->waitForStarted(5000));
    peers.push_back(std::move(p));
    return logPath;
  }
  static std::string log(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll().toStdString();
  }
  // Runs the event loop meanwhile: the peer's sends wait for this process to answer them.
  bool finished(size_t i) {
    return waitFor([&] { return peers[i]->state() == QProcess::NotRunning; });
  }
  TPoint screenOf(TPoint page) {
    const TPoint o = sheet->FirstLayer()->clientToScreen({0, 0});
    return {o.x + page.x, o.y + page.y};
  }
  std::string pencilLine(TPoint page, char c) {
    return "copy TFZeridazKWZ 2 " +
           hex(protocol::encode(protocol::PencilRecord{0xFF0000, 3, screenOf(page), c})) + "\n";
  }
};

TEST_F(Instruments, APencilStrokeAlongTheRulerBecomesASegment) {
  std::string script = "send TFZeridazKWZ CM_KWQCrayonMessage 1 0\n";
  script += pencilLine({100, 200}, 'A');
  for (int x = 100; x <= 400; x += 50) script += pencilLine({x, 200}, 'D');
  script += pencilLine({400, 200}, 't');
  script += "wait 100\nexit\n";
  const QString logPath = peer(protocol::Instrument::Pencil, script);
  TPage* page = sheet->FirstLayer();
  ASSERT_TRUE(waitFor([&] { return !page->Segments.empty(); }));
  EXPECT_TRUE(finished(0));
  ASSERT_EQ(page->Segments.size(), 1u);
  EXPECT_EQ(page->Segments[0]->P1, (TPoint{100, 200}));
  EXPECT_EQ(page->Segments[0]->P2, (TPoint{400, 200}));
  EXPECT_EQ(page->Segments[0]->Color(), 0xFF0000u);
  EXPECT_TRUE(page->Curves.empty());
  EXPECT_EQ(journal.kinds, (std::vector<int>{1}));
  EXPECT_TRUE(sheet->Crayon1->isChecked());
}

std::vector<uint8_t> documentBytes(TPage& first) {
  platform::MemoryStream m;
  WriteBlockFile(m, first, TBlockDocument{});
  return m.bytes();
}

// Drawn by a pencil in another process, saved whole to a file, opened again, undone and redone:
// the same document every time.
TEST_F(Instruments, ADrawnDocumentSurvivesSaveOpenUndoAndRedo) {
  SetChangeRecorder(&sheet->Journal());
  std::string script = "send TFZeridazKWZ CM_KWQCrayonMessage 1 0\n";
  for (int x = 100; x <= 300; x += 50) script += pencilLine({x, 200}, 'D');
  script += pencilLine({300, 200}, 't');
  for (int x = 100; x <= 300; x += 50) script += pencilLine({x, 400 + (x % 100) / 2}, 'T');
  script += pencilLine({300, 400}, 't') + "exit\n";
  peer(protocol::Instrument::Pencil, script);
  ASSERT_TRUE(finished(0));
  TPage* page = sheet->FirstLayer();
  ASSERT_EQ(page->Segments.size(), 1u);
  ASSERT_EQ(page->Curves.size(), 1u);
  const std::vector<uint8_t> drawn = documentBytes(*page);

  const std::string path = work.filePath("dessin.blc").toStdString();
  {
    platform::SaveFile f(path);
    WriteBlockFile(f, *page, TBlockDocument{});
    f.commit();
  }
  platform::Surface panel(900, 1200, platform::clWhite);
  TPage* opened = TPage::Create(nullptr, &panel);
  // Layer records carry the bounds: the opened page stands where the sheet shows its own.
  opened->SetBounds(page->left(), page->top(), page->width(), page->height());
  {
    platform::FileStream f(path, platform::FileStream::Mode::Read);
    TBlockDocument doc;
    ReadBlockFile(f, *opened, doc);
  }
  EXPECT_EQ(documentBytes(*opened), drawn);
  opened->freeAll();

  // The teachers' tool prints it on a true A4 page.
  QProcess tool;
  const QString pdf = work.filePath("dessin.pdf");
  tool.start(ZERIDAZ_DOC, {"render", QString::fromStdString(path), pdf});
  ASSERT_TRUE(tool.waitForFinished(30000));
  EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
  QFile out(pdf);
  ASSERT_TRUE(out.open(QIODevice::ReadOnly));
  EXPECT_TRUE(out.readAll().contains("/MediaBox [0 0 595.28 841.89]"));

  ASSERT_TRUE(sheet->Journal().CanUndo());
  sheet->Annuler1Click();
  sheet->Annuler1Click();
  EXPECT_TRUE(sheet->FirstLayer()->Segments.empty());
  EXPECT_TRUE(sheet->FirstLayer()->Curves.empty());
  EXPECT_FALSE(sheet->Journal().CanUndo());
  sheet->Refaire1Click();
  sheet->Refaire1Click();
  EXPECT_EQ(documentBytes(*sheet->FirstLayer()), drawn);
}

TEST_F(Instruments, RecordsOfAnInactivePencilAreDropped) {
  std::string script = pencilLine({100, 200}, 'D') + pencilLine({300, 200}, 'D') +
                       pencilLine({300, 200}, 't') + "exit\n";
  peer(protocol::Instrument::Pencil, script);
  EXPECT_TRUE(finished(0));
  QCoreApplication::processEvents();
  EXPECT_TRUE(sheet->FirstLayer()->Segments.empty());
  EXPECT_TRUE(sheet->FirstLayer()->Curves.empty());
}

// The ruler closes by its own button: the item is unchecked and the pencil is told (1, 0).
TEST_F(Instruments, TheRulerClosingUnchecksItAndTellsThePencil) {
  const QString pencilLog = peer(protocol::Instrument::Pencil, "wait 6000\n");
  ASSERT_TRUE(waitFor([&] { return platform::findWindow("TFCrayon") != 0; }));
  // The ruler answers the wake request with active, inside the wake loop.
  peer(protocol::Instrument::Ruler,
       "on CM_KWQRegleMessage 99 send sender CM_KWQRegleMessage 1 0\n"
       "wait 300\npost TFZeridazKWZ CM_KWQRegleMessage 0 0\nwait 200\nexit\n");
  ASSERT_TRUE(waitFor([&] { return platform::findWindow("TFRegle") != 0; }));
  sheet->Hub().WakeInstruments();
  EXPECT_EQ(sheet->Hub().State(protocol::Instrument::Ruler), TInstrumentHub::kActive);
  EXPECT_TRUE(sheet->Rgle1->isChecked());
  ASSERT_TRUE(waitFor([&] { return !sheet->Rgle1->isChecked(); }));
  EXPECT_EQ(sheet->Hub().State(protocol::Instrument::Ruler), TInstrumentHub::kClosed);
  const uint32_t pencilMsg = platform::registerMessage("CM_KWQCrayonMessage");
  ASSERT_TRUE(waitFor([&] {
    return log(pencilLog).find("msg=" + std::to_string(pencilMsg) + " w=1 l=0") !=
           std::string::npos;
  }));
}

TEST_F(Instruments, APeerKilledInTheMiddleOfASendDoesNotHangTheSheet) {
  peer(protocol::Instrument::Ruler, "on CM_KWQRegleMessage 99 die\nwait 6000\n");
  ASSERT_TRUE(waitFor([&] { return platform::findWindow("TFRegle") != 0; }));
  QElapsedTimer t;
  t.start();
  sheet->Hub().WakeInstruments();
  EXPECT_LT(t.elapsed(), 4000);
  EXPECT_EQ(sheet->Hub().State(protocol::Instrument::Ruler), TInstrumentHub::kClosed);
}

}  // namespace
