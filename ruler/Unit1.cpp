#include "Unit1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPolygon>
#include <QRegion>
#include <QScreen>
#include <QShowEvent>
#include <QWindowStateChangeEvent>
#include <numbers>

#include "platform/Screen.h"
#include "platform/Streams.h"

using platform::TPoint;
using protocol::WireState;

namespace {

const protocol::InstrumentInfo& Self() {
  return protocol::info(protocol::Instrument::Ruler);
}

QPoint ToQ(TPoint p) {
  return {p.x, p.y};
}

}  // namespace

TFRegle::TFRegle(std::string optionsPath)
    : platform::SurfaceWidget(kKeyColor),
      RegleMessage(platform::registerMessage(std::string(Self().messageName))),
      endpoint_(std::string(Self().windowClass), std::string(Self().caption)) {
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  setAttribute(Qt::WA_TranslucentBackground);
  setWindowTitle(QString::fromUtf8(Self().caption.data(), qsizetype(Self().caption.size())));
  setGeometry(screen()->geometry());

  QObject::connect(&RepeatTimer_, &QTimer::timeout, this, [this] { TimerTempo(); });
  // Parented, so that the dialog stays above the always-on-top ruler.
  DlgOptions_ = std::make_unique<TDlgOptions>(this, std::move(optionsPath));

  Regle_ = std::make_unique<TRegle>(*this, platform::screenPixelsPerInch());
  Regle_->setParent(&surface());
  Regle_->OnCloseRequest = [this] { RegleCloseRequest(); };
  Regle_->OnMinimizeRequest = [this] { RegleMinimizeRequest(); };
  Regle_->OnMoved = [this] { RegleMoved(); };
  Regle_->setBounds(0, 0, width(), height());
  onResized = [this] { Regle_->setBounds(0, 0, surface().width(), surface().height()); };
  // Every move of the ruler repaints it: the shape follows there, drags and rotation steps
  // included, not only at the corner reports.
  auto repaint = std::move(surface().onChanged);
  surface().onChanged = [this, repaint](const platform::TRect& r) {
    if (repaint) repaint(r);
    ApplyRegion();
  };

  Regle_->ApplyOptions();
  Regle_->SetAngle(-std::numbers::pi / 8);
  Regle_->PlaceAt({width() / 2, height() / 2});
  ApplyRegion();

  endpoint_.setHandler([this](const platform::Message& m) { return WndProc(m); });
}

TFRegle::~TFRegle() {
  endpoint_.setHandler({});
  surface().onChanged = {};
}

// ---- Window operations

void TFRegle::FindSheet() {
  if (SheetWnd == 0) SheetWnd = platform::findWindow(std::string(protocol::kSheetWindowClass));
}

void TFRegle::ApplyRegion() {
  if (!Regle_) return;
  const auto outline = Regle_->OutlineRegion();
  if (shapedTo_ == outline) return;
  shapedTo_ = outline;
  QPolygon polygon;
  for (const TPoint& p : outline) polygon << ToQ(p);
  setMask(QRegion(polygon, Qt::OddEvenFill));
}

void TFRegle::SendCorners() {
  // A closed window reports nothing more; the sheet was told 0 already, or asked for it.
  if (closed_) return;
  Regle_->SetPencilPos({-1, -1});
  protocol::RulerCorners corners;
  const auto client = Regle_->GetCorners();
  for (size_t i = 0; i < client.size(); ++i) {
    const QPoint s = mapToGlobal(ToQ(client[i]));
    corners.P[i] = {s.x(), s.y()};
  }
  ApplyRegion();
  FindSheet();
  if (SheetWnd == 0) return;
  endpoint_.sendCopyData(SheetWnd, protocol::kRulerCornersCode, protocol::encode(corners));
}

void TFRegle::SendState(WireState s) {
  if (SheetWnd) endpoint_.send(SheetWnd, RegleMessage, uint64_t(s), 0);
}

void TFRegle::PostState(WireState s) {
  if (SheetWnd) endpoint_.post(SheetWnd, RegleMessage, uint64_t(s), 0);
}

// ---- Handlers

int64_t TFRegle::WndProc(const platform::Message& m) {
  if (closed_) return 0;
  if (m.msg == RegleMessage) {
    CMRegleMessage(m.wParam);
  } else if (m.msg == platform::WM_COPYDATA && m.copyData) {
    WMCopyData(*m.copyData);
  }
  return 0;
}

void TFRegle::FormActivate() {
  if (activated_) return;
  activated_ = true;
  // No corners yet: they follow the first release, wake-up or restore.
  SheetWnd = 0;
  FindSheet();
  SendState(WireState::Active);
}

void TFRegle::CMRegleMessage(uint64_t wParam) {
  if (wParam == uint64_t(protocol::kRequestWake)) {
    FindSheet();
    if (isMinimized()) {
      PostState(WireState::Minimised);
    } else {
      SendState(WireState::Active);
      SendCorners();
    }
  } else if (wParam == uint64_t(protocol::kRequestClose)) {
    close();
  }
}

void TFRegle::WMCopyData(const platform::CopyData& data) {
  if (data.code != protocol::kPencilCode) return;
  try {
    const TPoint tip = protocol::decodePencilPosition(data.bytes).tip;
    const QPoint c = mapFromGlobal(ToQ(tip));
    Regle_->SetPencilPos({c.x(), c.y()});
  } catch (const platform::StreamError&) {
    // Too short to hold a point: not a position.
  }
}

void TFRegle::WMNCHitTest(TPoint client) {
  if (!Regle_->DiscHit(client)) return;
  if (DlgOptions_->ShowOptions(*Regle_)) Regle_->ApplyOptions();
  Regle_->invalidate();
  ApplyRegion();
}

void TFRegle::FormKeyDown(int key) {
  if (key != Qt::Key_F6) return;
  if (Regle_->SweepState == 0)
    Regle_->SetSweepState(1);
  else if (Regle_->SweepState == 1)
    Regle_->SetSweepState(0);
}

void TFRegle::ApplicationRestore() {
  FindSheet();
  PostState(WireState::Active);
  SendCorners();
  if (Regle_->SweepState == 1) Regle_->SetSweepState(0);
}

void TFRegle::RegleCloseRequest() {
  FindSheet();
  PostState(WireState::Closed);
  close();
}

void TFRegle::RegleMinimizeRequest() {
  if (Regle_->SweepState == 0) Regle_->SetSweepState(1);
  FindSheet();
  PostState(WireState::Minimised);
  showMinimized();
}

void TFRegle::RegleMoved() {
  SendCorners();
}

void TFRegle::TimerTempo() {
  Regle_->TimerTempo();
}

// ---- TRegleHost

bool TFRegle::ShiftDown() const {
  return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

bool TFRegle::CtrlDown() const {
  return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
}

void TFRegle::MoveCursorTo(TPoint window) {
  QCursor::setPos(screen(), mapToGlobal(ToQ(window)));
}

void TFRegle::ProcessMessages() {
  // Enough to show the turned ruler; pointer input stays queued so drag steps do not nest.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TFRegle::SetHandCursor(bool hand) {
  setCursor(hand ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

bool TFRegle::ButtonShown(int i) const {
  return DlgOptions_->ButtonShown(i);
}

TRegleOptions TFRegle::Options() const {
  return DlgOptions_->Options();
}

void TFRegle::SetTimerInterval(int32_t ms) {
  RepeatTimer_.setInterval(ms);
}

void TFRegle::StartTimer() {
  RepeatTimer_.start();
}

void TFRegle::StopTimer() {
  RepeatTimer_.stop();
}

// ---- Qt events

void TFRegle::showEvent(QShowEvent* e) {
  SurfaceWidget::showEvent(e);
  // Activation is not certain on X11 (no window manager, focus rules); the first show is.
  FormActivate();
}

void TFRegle::closeEvent(QCloseEvent* e) {
  SurfaceWidget::closeEvent(e);
  if (e->isAccepted()) {
    closed_ = true;
    StopTimer();
  }
}

void TFRegle::changeEvent(QEvent* e) {
  SurfaceWidget::changeEvent(e);
  if (e->type() != QEvent::WindowStateChange) return;
  const auto old = static_cast<QWindowStateChangeEvent*>(e)->oldState();
  if (old.testFlag(Qt::WindowMinimized) && !isMinimized()) ApplicationRestore();
}

void TFRegle::keyPressEvent(QKeyEvent* e) {
  FormKeyDown(e->key());
  SurfaceWidget::keyPressEvent(e);
}

void TFRegle::mouseMoveEvent(QMouseEvent* e) {
  // A held button keeps the pointer captured: no hit test, so no dialog in the middle of a drag.
  if (e->buttons() == Qt::NoButton && e->modifiers().testFlag(Qt::ControlModifier)) {
    const QPoint p = e->position().toPoint();
    WMNCHitTest({p.x(), p.y()});
  }
  SurfaceWidget::mouseMoveEvent(e);
}
