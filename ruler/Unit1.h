#pragma once
// The ruler program's window: full screen, borderless, always on top, and shaped to the
// ruler's outline, so that around the ruler the desktop shows and takes the clicks. It hosts
// the ruler (TRegle), drives its one timer and speaks for it to the sheet. The behaviour lives
// in TRegle; each handler here is a line or two that calls it or the sheet.
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Messaging.h"
#include "platform/SurfaceWidget.h"
#include "platform/Types.h"
#include "protocol/Protocol.h"
#include "ruler/UOptions.h"
#include "ruler/uRegle.h"

class TFRegle : public platform::SurfaceWidget, public TRegleHost {
 public:
  // The window's background: whatever the ruler does not paint.
  static constexpr platform::TColor kKeyColor = 16119285;  // red, green and blue 245

  // Creates the options dialog (reading `optionsPath`; empty means "Regles.opt" beside the
  // program), then the ruler, laid out for the screen, turned by -pi/8 about its centre, with
  // the window already cut to its outline: the window is never shown unshaped.
  explicit TFRegle(std::string optionsPath = {});
  ~TFRegle() override;

  TRegle& Regle() { return *Regle_; }
  TDlgOptions& DlgOptions() { return *DlgOptions_; }
  const platform::MessageEndpoint& Endpoint() const { return endpoint_; }
  const QTimer& RepeatTimer() const { return RepeatTimer_; }

  // The registered "CM_KWQRegleMessage".
  const uint32_t RegleMessage;
  // The sheet's window, 0 while not found.
  platform::WindowHandle SheetWnd = 0;

  // ---- Window operations.
  // Looks for the sheet (by its class alone) while it is not known.
  void FindSheet();
  // The window's shape (drawn and clickable) becomes the ruler's outline, if it changed.
  void ApplyRegion();
  // Clears the pencil mark, reshapes the window and sends the corners record to the sheet.
  void SendCorners();

  // ---- Handlers.
  // Once, when the window is first shown: tells the sheet the ruler is active.
  void FormActivate();
  // The registered message: 99 wake, 100 close, others ignored.
  void CMRegleMessage(uint64_t wParam);
  // Code 2 (the pencil tip, screen pixels) marks the graduation under it; others ignored.
  void WMCopyData(const platform::CopyData& data);
  // Ctrl with the pointer (client pixels) over the centre disc opens the options.
  void WMNCHitTest(platform::TPoint client);
  // F6 pauses and resumes a running sweep.
  void FormKeyDown(int key);
  void ApplicationRestore();
  void RegleCloseRequest();
  void RegleMinimizeRequest();
  void RegleMoved();
  // The tick of RepeatTimer.
  void TimerTempo();

  // ---- TRegleHost.
  bool ShiftDown() const override;
  bool CtrlDown() const override;
  void MoveCursorTo(platform::TPoint window) override;
  void ProcessMessages() override;
  void SetHandCursor(bool hand) override;
  bool ButtonShown(int i) const override;
  TRegleOptions Options() const override;
  void SetTimerInterval(int32_t ms) override;
  void StartTimer() override;
  void StopTimer() override;

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  int64_t WndProc(const platform::Message& m);
  void SendState(protocol::WireState s);
  void PostState(protocol::WireState s);

  QTimer RepeatTimer_;
  std::unique_ptr<TDlgOptions> DlgOptions_;
  std::unique_ptr<TRegle> Regle_;
  std::optional<std::array<platform::TPoint, 4>> shapedTo_;  // outline of the current mask
  bool activated_ = false;
  bool closed_ = false;
  // Last: withdrawn first, so no message reaches a half-destroyed window.
  platform::MessageEndpoint endpoint_;
};
