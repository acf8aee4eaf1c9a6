// The ruler's window under the offscreen platform: its shape, the messages it exchanges with
// a sheet (a second endpoint of the sheet's class in this process), the timer it drives, F6
// and the Ctrl gesture. The window stands at (30, 20) so that screen and client pixels differ.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCursor>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPolygon>
#include <QRegion>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "platform/Messaging.h"
#include "platform/ScriptedDialogs.h"
#include "protocol/Protocol.h"
#include "ruler/Unit1.h"

using platform::TPoint;

namespace {

const QPoint kOrigin(30, 20);

QPoint Q(TPoint p) {
  return {p.x, p.y};
}

// The offscreen platform cannot shape windows and says so at every mask; the widget keeps the
// mask all the same, and that is what these tests read.
QtMessageHandler gPreviousHandler = nullptr;
void QuietAboutMasks(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.contains("does not support setting window masks")) return;
  if (gPreviousHandler)
    gPreviousHandler(type, context, text);
  else
    fprintf(stderr, "%s\n", qPrintable(text));
}

TPoint Mid(TPoint a, TPoint b) {
  return {(a.x + b.x) / 2, (a.y + b.y) / 2};
}

// A window of the sheet's class that keeps what the ruler tells it.
struct SheetPeer {
  std::vector<platform::Message> log;
  platform::MessageEndpoint ep{std::string(protocol::kSheetWindowClass), "Bloc : SansNom.blc",
                               [this](const platform::Message& m) {
                                 log.push_back(m);
                                 return int64_t(0);
                               }};
  struct State {
    uint64_t value;
    bool posted;
    friend bool operator==(const State&, const State&) = default;
  };
  std::vector<State> states(uint32_t msg) const {
    std::vector<State> r;
    for (const auto& m : log)
      if (m.msg == msg) r.push_back({m.wParam, m.posted});
    return r;
  }
  std::vector<protocol::RulerCorners> corners() const {
    std::vector<protocol::RulerCorners> r;
    for (const auto& m : log) {
      if (m.msg != platform::WM_COPYDATA || !m.copyData) continue;
      EXPECT_EQ(m.copyData->code, protocol::kRulerCornersCode);
      EXPECT_EQ(m.copyData->bytes.size(), protocol::kRulerCornersSize);
      r.push_back(protocol::decodeRulerCorners(m.copyData->bytes));
    }
    return r;
  }
};

class RulerWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::setDialogs(&dialogs);
    gPreviousHandler = qInstallMessageHandler(QuietAboutMasks);
  }
  void TearDown() override {
    w.reset();
    sheet.reset();
    Flush();
    qInstallMessageHandler(gPreviousHandler);
    platform::setDialogs(nullptr);
  }

  void Open(bool withSheet = true) {
    if (withSheet) sheet = std::make_unique<SheetPeer>();
    w = std::make_unique<TFRegle>(dir.filePath("Regles.opt").toStdString());
    w->move(kOrigin);
    w->show();
    Flush();
  }
  // Delivers the posted messages.
  static void Flush() { QCoreApplication::processEvents(); }

  TRegle& R() { return w->Regle(); }
  QRegion Outline() {
    QPolygon p;
    for (TPoint c : R().GetCorners()) p << Q(c);
    return QRegion(p, Qt::OddEvenFill);
  }
  protocol::RulerCorners ScreenCorners() {
    protocol::RulerCorners r;
    const auto c = R().GetCorners();
    for (int i = 0; i < 4; ++i) r.P[i] = {c[i].x + kOrigin.x(), c[i].y + kOrigin.y()};
    return r;
  }
  uint32_t Msg() const { return w->RegleMessage; }
  void SendToRuler(uint64_t wParam) {
    sheet->ep.send(w->Endpoint().handle(), w->RegleMessage, wParam, 0);
  }
  // Hovers (so the button is framed, as a pupil's pointer does) and presses.
  void PressButton(int i) {
    const QPoint p = Q(R().ButtonCentre(i));
    QTest::mouseMove(w.get(), p);
    QTest::mousePress(w.get(), Qt::LeftButton, {}, p);
  }
  // Releases where the system pointer is: the ruler keeps it on a button it moves.
  void ReleaseAtPointer() {
    QTest::mouseRelease(w.get(), Qt::LeftButton, {}, w->mapFromGlobal(QCursor::pos()));
  }
  void MoveWithCtrl(TPoint p, Qt::MouseButtons held = Qt::NoButton) {
    QMouseEvent e(QEvent::MouseMove, QPointF(Q(p)), QPointF(w->mapToGlobal(Q(p))), Qt::NoButton,
                  held, Qt::ControlModifier);
    QCoreApplication::sendEvent(w.get(), &e);
  }
  int CountColour(TPoint c, platform::TColor colour) {
    w->surface().render();
    int n = 0;
    for (int y = c.y - 1; y <= c.y + 1; ++y)
      for (int x = c.x - 1; x <= c.x + 1; ++x) n += w->surface().image().pixel(x, y) == colour;
    return n;
  }

  QTemporaryDir dir;  // no options file: the defaults
  platform::ScriptedDialogs dialogs;
  std::unique_ptr<SheetPeer> sheet;
  std::unique_ptr<TFRegle> w;
};

}  // namespace

TEST_F(RulerWindow, ShownCutToTheRulerAndAnnouncedWithoutCorners) {
  Open();
  EXPECT_EQ(w->windowTitle(), "RegleVastoplume");
  EXPECT_TRUE(w->windowFlags().testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(platform::findWindow("TFRegle", "RegleVastoplume"), w->Endpoint().handle());
  EXPECT_EQ(w->RegleMessage, 0xC61Eu);

  // Turned by -pi/8 with its disc at the centre of the window.
  EXPECT_DOUBLE_EQ(R().Angle, -std::numbers::pi / 8);
  EXPECT_EQ(R().DiscScreen, (TPoint{w->width() / 2, w->height() / 2}));

  // Shaped at once, before any corner report: around the ruler the desktop takes the clicks.
  const QRegion mask = w->mask();
  EXPECT_EQ(mask, Outline());
  EXPECT_TRUE(mask.contains(Q(R().DiscScreen)));
  EXPECT_FALSE(mask.contains(QPoint(2, 2)));
  EXPECT_FALSE(mask.contains(QPoint(w->width() - 3, w->height() - 3)));
  EXPECT_LT(mask.boundingRect().width(), w->width());

  EXPECT_EQ(w->SheetWnd, sheet->ep.handle());
  EXPECT_EQ(sheet->states(Msg()), (std::vector<SheetPeer::State>{{1, false}}));
  EXPECT_TRUE(sheet->corners().empty());
}

TEST_F(RulerWindow, DraggingTheBodyReshapesAtEveryMoveAndReportsAtTheRelease) {
  Open();
  const QPoint grab = Q(R().T({-150, -20}));  // the graduated body, clear of the buttons
  QTest::mousePress(w.get(), Qt::LeftButton, {}, grab);
  const QRegion before = w->mask();
  for (QPoint step : {QPoint(40, 25), QPoint(90, 60)}) {
    QTest::mouseMove(w.get(), grab + step);
    EXPECT_EQ(w->mask(), Outline());
    EXPECT_NE(w->mask(), before);
  }
  EXPECT_EQ(R().DiscScreen, (TPoint{w->width() / 2 + 90, w->height() / 2 + 60}));
  EXPECT_TRUE(sheet->corners().empty());

  QTest::mouseRelease(w.get(), Qt::LeftButton, {}, grab + QPoint(90, 60));
  ASSERT_EQ(sheet->corners().size(), 1u);
  EXPECT_EQ(sheet->corners()[0], ScreenCorners());  // screen pixels, P1-P2 graduated
}

TEST_F(RulerWindow, HeldButtonRepeatsOnTheTimerAndEachStepIsReported) {
  Open();
  const TPoint start = R().PivotScreen;
  PressButton(6);  // +x
  EXPECT_TRUE(w->RepeatTimer().isActive());
  EXPECT_EQ(w->RepeatTimer().interval(), 1000);

  w->TimerTempo();  // the first delay ends without a step
  EXPECT_EQ(w->RepeatTimer().interval(), 200);
  EXPECT_EQ(R().PivotScreen, start);
  EXPECT_TRUE(sheet->corners().empty());

  // 5 pixels along the ruler turned by -pi/8: (5, -2) each.
  w->TimerTempo();
  w->TimerTempo();
  EXPECT_EQ(R().PivotScreen, (TPoint{start.x + 10, start.y - 4}));
  EXPECT_EQ(w->mask(), Outline());
  ASSERT_EQ(sheet->corners().size(), 2u);
  EXPECT_EQ(sheet->corners().back(), ScreenCorners());

  // The pointer followed the button, so the release performs it once more.
  EXPECT_EQ(w->mapFromGlobal(QCursor::pos()), Q(R().ButtonCentre(6)));
  ReleaseAtPointer();
  EXPECT_FALSE(w->RepeatTimer().isActive());
  EXPECT_EQ(R().PivotScreen, (TPoint{start.x + 15, start.y - 6}));
  EXPECT_EQ(sheet->corners().size(), 4u);  // the step, then the release
  EXPECT_EQ(sheet->corners().back(), ScreenCorners());
}

TEST_F(RulerWindow, RotationStepsReshapeTheWindowBeforeAnyReport) {
  Open();
  const double a0 = R().Angle;
  PressButton(1);
  w->TimerTempo();
  w->TimerTempo();
  w->TimerTempo();
  EXPECT_DOUBLE_EQ(R().Angle, a0 - 2 * R().RotationStep);
  EXPECT_EQ(w->mask(), Outline());
  EXPECT_TRUE(sheet->corners().empty());  // rotation steps report at the release only
}

TEST_F(RulerWindow, WakeRequestIsAnsweredWithTheState) {
  struct Case {
    const char* name;
    bool minimised;
    uint64_t request;
    std::vector<SheetPeer::State> states;
    bool corners;
  };
  const Case cases[] = {
      {"shown", false, 99, {{1, false}}, true},
      {"minimised", true, 99, {{2, true}}, false},
      {"other code", false, 98, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open();
    if (c.minimised) w->showMinimized();
    Flush();
    sheet->log.clear();
    R().SetPencilPos(R().ZeroMark);

    SendToRuler(c.request);
    Flush();
    EXPECT_EQ(sheet->states(Msg()), c.states);
    const auto corners = sheet->corners();
    ASSERT_EQ(corners.size(), c.corners ? 1u : 0u);
    if (c.corners) {
      EXPECT_EQ(corners[0], ScreenCorners());
      EXPECT_EQ(R().PencilPos, (TPoint{-1, -1}));  // a report clears the pencil mark
    }
    w.reset();
    sheet.reset();
  }
}

TEST_F(RulerWindow, CloseRequestClosesWithoutAStateMessage) {
  Open();
  R().SetSweepState(0);
  sheet->log.clear();
  sheet->ep.post(w->Endpoint().handle(), w->RegleMessage, 100, 0);
  Flush();
  EXPECT_FALSE(w->isVisible());
  EXPECT_FALSE(w->RepeatTimer().isActive());
  // Closed for good: a later wake is not answered.
  SendToRuler(99);
  Flush();
  EXPECT_TRUE(sheet->log.empty());
}

TEST_F(RulerWindow, CloseButtonPostsClosedThenCloses) {
  Open();
  sheet->log.clear();
  PressButton(4);
  QTest::mouseRelease(w.get(), Qt::LeftButton, {}, Q(R().ButtonCentre(4)));
  Flush();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(sheet->states(Msg()), (std::vector<SheetPeer::State>{{0, true}}));
  EXPECT_TRUE(sheet->corners().empty());
}

TEST_F(RulerWindow, MinimisePausesTheSweepAndRestoreResumesIt) {
  Open();
  R().SetSweepState(0);
  sheet->log.clear();
  PressButton(5);  // with the sweep running the press performs the button
  QTest::mouseRelease(w.get(), Qt::LeftButton, {}, Q(R().ButtonCentre(5)));
  Flush();
  EXPECT_TRUE(w->isMinimized());
  EXPECT_EQ(R().SweepState, 1);
  EXPECT_FALSE(w->RepeatTimer().isActive());
  EXPECT_EQ(sheet->states(Msg()), (std::vector<SheetPeer::State>{{2, true}}));

  sheet->log.clear();
  w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
  Flush();
  EXPECT_EQ(sheet->states(Msg()), (std::vector<SheetPeer::State>{{1, true}}));
  ASSERT_EQ(sheet->corners().size(), 1u);
  EXPECT_EQ(sheet->corners()[0], ScreenCorners());
  EXPECT_EQ(R().SweepState, 0);
  EXPECT_TRUE(w->RepeatTimer().isActive());
  EXPECT_EQ(w->RepeatTimer().interval(), 2000);
}

TEST_F(RulerWindow, PencilPositionMarksTheGraduationUnderTheTip) {
  Open();
  // Along the 0 centimetre tick, away from its number.
  const TPoint onTick = Mid(R().ZeroMark, R().MmTickEnd);
  EXPECT_EQ(CountColour(onTick, platform::clBlack), 0);
  EXPECT_GT(CountColour(onTick, platform::clRed), 0);

  const auto sendRecord = [&](uint32_t code, std::vector<uint8_t> bytes) {
    sheet->ep.sendCopyData(w->Endpoint().handle(), code, bytes);
  };
  const TPoint tipOnScreen{R().ZeroMark.x + kOrigin.x(), R().ZeroMark.y + kOrigin.y()};
  sendRecord(protocol::kPencilCode, protocol::encode(protocol::PencilPosition{tipOnScreen}));
  EXPECT_EQ(R().PencilPos, R().ZeroMark);
  EXPECT_GT(CountColour(onTick, platform::clBlack), 0);

  // Other codes and records too short for a point leave the mark where it is.
  const auto elsewhere = protocol::encode(protocol::PencilPosition{{5, 5}});
  sendRecord(protocol::kSetSquareCode, elsewhere);
  sendRecord(protocol::kRulerCornersCode, elsewhere);
  sendRecord(protocol::kPencilCode, {1, 2, 3, 4});
  EXPECT_EQ(R().PencilPos, R().ZeroMark);

  SendToRuler(99);  // the corner report clears it
  EXPECT_EQ(R().PencilPos, (TPoint{-1, -1}));
  EXPECT_EQ(CountColour(onTick, platform::clBlack), 0);
}

TEST_F(RulerWindow, F6PausesAndResumesOnlyARunningSweep) {
  struct Case {
    std::vector<uint8_t> reach;  // SetSweepState calls before F6
    uint8_t after;
    bool timer;
  };
  const Case cases[] = {{{0}, 1, false}, {{0, 1}, 0, true}, {{}, 2, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "to " << int(c.after));
    Open(false);
    for (uint8_t s : c.reach) R().SetSweepState(s);
    QTest::keyClick(w.get(), Qt::Key_F6);
    EXPECT_EQ(R().SweepState, c.after);
    EXPECT_EQ(w->RepeatTimer().isActive(), c.timer);
    if (c.timer) {
      EXPECT_EQ(w->RepeatTimer().interval(), 2000);
    }
    QTest::keyClick(w.get(), Qt::Key_F5);
    EXPECT_EQ(R().SweepState, c.after);
    w.reset();
  }
}

TEST_F(RulerWindow, SweepTickFramesTheNextButtonAndPutsThePointerOnIt) {
  Open(false);
  R().SetSweepState(0);
  w->TimerTempo();
  EXPECT_EQ(R().HighlightButton, 7);
  EXPECT_EQ(QCursor::pos(), w->mapToGlobal(Q(R().ButtonCentre(7))));
  w->TimerTempo();
  EXPECT_EQ(R().HighlightButton, 9);
  EXPECT_EQ(QCursor::pos(), w->mapToGlobal(Q(R().ButtonCentre(9))));
}

TEST_F(RulerWindow, CtrlOverTheDiscOpensTheOptions) {
  struct Case {
    int result;
    int32_t width;
  };
  for (const Case& c : {Case{QDialog::Accepted, 120}, Case{QDialog::Rejected, 80}}) {
    SCOPED_TRACE(c.result);
    Open(false);
    dialogs.queueModal(
        c.result, [](QDialog& d) { static_cast<TDlgOptions&>(d).EditLargeur->setText("120"); });
    const size_t before = dialogs.callsOf("modal").size();
    MoveWithCtrl(R().DiscScreen);
    const auto calls = dialogs.callsOf("modal");
    ASSERT_EQ(calls.size(), before + 1);
    EXPECT_EQ(calls.back().text, "Options");
    EXPECT_EQ(R().WidthPx, c.width);
    EXPECT_EQ(w->mask(), Outline());
    w.reset();
  }
}

TEST_F(RulerWindow, NoOptionsWithoutCtrlOffTheDiscOrDuringADrag) {
  Open(false);
  dialogs.queueModal(QDialog::Accepted);
  const TPoint disc = R().DiscScreen;
  QTest::mouseMove(w.get(), Q(disc));    // no Ctrl
  MoveWithCtrl({disc.x + 200, disc.y});  // off the disc
  MoveWithCtrl(disc, Qt::LeftButton);    // a button held
  EXPECT_TRUE(dialogs.callsOf("modal").empty());
}

TEST_F(RulerWindow, AloneItWorksAndFindsASheetStartedLater) {
  Open(false);
  EXPECT_EQ(w->SheetWnd, 0u);
  EXPECT_EQ(w->mask(), Outline());
  const QPoint grab = Q(R().T({-150, -20}));
  QTest::mousePress(w.get(), Qt::LeftButton, {}, grab);
  QTest::mouseMove(w.get(), grab + QPoint(20, 0));
  QTest::mouseRelease(w.get(), Qt::LeftButton, {}, grab + QPoint(20, 0));
  EXPECT_EQ(w->mask(), Outline());

  sheet = std::make_unique<SheetPeer>();
  QTest::mouseClick(w.get(), Qt::LeftButton, {}, grab + QPoint(20, 0));
  EXPECT_EQ(w->SheetWnd, sheet->ep.handle());
  ASSERT_EQ(sheet->corners().size(), 1u);
  EXPECT_EQ(sheet->corners()[0], ScreenCorners());
}
