#include "uRegle.h"

#include <cmath>
#include <limits>
#include <numbers>

using platform::TPoint;

namespace {

// Nearest integer, halves to even; out-of-range values are clamped instead of overflowing.
int32_t Nearest(double v) {
  const double r = std::nearbyint(v);
  if (!(r >= double(std::numeric_limits<int32_t>::min())))
    return std::numeric_limits<int32_t>::min();
  if (r > double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
  return int32_t(r);
}

bool AlwaysVisible(int i) {
  return i == 4 || i == 5;
}

// The sweep cycle: translations, rotations about the 0 graduation, rotations about the
// disc, symmetry, minimise, close.
int NextInSweep(int i) {
  switch (i) {
    case 7:
      return 9;
    case 9:
      return 6;
    case 6:
      return 8;
    case 8:
      return 3;
    case 3:
      return 10;
    case 10:
      return 2;
    case 2:
      return 1;
    case 1:
      return 11;
    case 11:
      return 5;
    case 5:
      return 4;
    default:
      return 7;
  }
}

}  // namespace

TRegle::TRegle(TRegleHost& host, double pixelsPerInch) : host_(host) {
  PixelsPerMm = pixelsPerInch / 25.4;
  ZeroMargin = Nearest(PixelsPerMm * 5);
  host_.SetHandCursor(true);
  // The sweep starts off with the timer stopped.
  SweepState = 0;
  SetSweepState(2);
}

TRegle::~TRegle() = default;

// ---- Transforms

TPoint TRegle::T(TPoint p) const {
  const double vx = p.x - PivotLocal.x;
  const double vy = p.y - PivotLocal.y;
  return {Nearest(vx * CosAngle - vy * SinAngle) + PivotScreen.x,
          Nearest(vx * SinAngle + vy * CosAngle) + PivotScreen.y};
}

TPoint TRegle::ToLocal(TPoint w) const {
  const double ax = w.x - PivotScreen.x;
  const double ay = w.y - PivotScreen.y;
  return {Nearest(ax * CosAngle + ay * SinAngle) + PivotLocal.x,
          Nearest(-ax * SinAngle + ay * CosAngle) + PivotLocal.y};
}

TPoint TRegle::Turn(TPoint v) const {
  return {Nearest(v.x * CosAngle - v.y * SinAngle), Nearest(v.x * SinAngle + v.y * CosAngle)};
}

int32_t TRegle::ButtonBoxWidth() const {
  return Nearest(10 * ButtonScale);
}

int32_t TRegle::ButtonBoxHeight() const {
  return Nearest(15 * ButtonScale);
}

std::array<TPoint, 4> TRegle::ButtonFrame(int i) const {
  const TPoint a = ButtonScreen[i];
  const int32_t w = ButtonBoxWidth(), h = ButtonBoxHeight();
  const TPoint t1 = Turn({w, 0}), t2 = Turn({w, h}), t3 = Turn({0, h});
  return {a, TPoint{a.x + t1.x, a.y + t1.y}, TPoint{a.x + t2.x, a.y + t2.y},
          TPoint{a.x + t3.x, a.y + t3.y}};
}

TPoint TRegle::ButtonCentre(int i) const {
  const auto f = ButtonFrame(i);
  return {(f[0].x + f[2].x) / 2, (f[0].y + f[2].y) / 2};
}

// ---- Setters

void TRegle::SetAngle(double a) {
  if (a == Angle) return;
  Angle = a;
  CosAngle = std::cos(a);
  SinAngle = std::sin(a);
  ComputeGeometry();
  Repaint();
}

void TRegle::SetPixelsPerMm(double x) {
  if (x == PixelsPerMm) return;
  PixelsPerMm = x;
  ComputeGraduation();
  Repaint();
}

void TRegle::SetLengthPx(int32_t l) {
  if (l == LengthPx || l < 101) return;
  LengthPx = l;
  LayoutButtons();
  ComputeGeometry();
  Repaint();
}

void TRegle::SetWidthPx(int32_t w) {
  if (w == WidthPx || w <= 10) return;
  WidthPx = w;
  DigitScale = std::min(w / 100.0, 1.6);
  ButtonScale = w * 0.018;
  LayoutButtons();
  ComputeGeometry();
  Repaint();
}

void TRegle::SetTransparent(bool t) {
  if (t == Transparent) return;
  Transparent = t;
  Repaint();
}

void TRegle::SetHighlight(uint8_t i) {
  if (i == HighlightButton) return;
  HighlightButton = i;
  Repaint();
}

void TRegle::PlaceAt(TPoint p) {
  PivotScreen = p;
  ComputeGeometry();
  Repaint();
}

// ---- Layout

void TRegle::LayoutButtons() {
  const int32_t L = LengthPx, W = WidthPx;
  const auto R = [this](int k) { return Nearest(k * ButtonScale); };
  auto& x = ButtonLocal;
  x[1].x = R(10);
  x[2].x = -2 * R(10);
  x[4].x = L / 2 - R(10) - 5;
  x[5].x = L / 2 - R(30);
  x[7].x = -((3 * L) / 8);
  x[9].x = x[7].x + R(15);
  x[6].x = x[9].x + R(20);
  x[8].x = x[6].x + R(15);
  x[3].x = x[8].x + R(20);
  x[10].x = x[3].x + R(15);
  x[11].x = R(50);
  for (int i = 1; i <= kButtons; ++i) x[i].y = W / 6;

  // With button 10 on the centre line AxisA is infinite and its arctangent a quarter turn.
  const double a10 = std::abs(2.0 * x[10].x);
  AxisA = W / a10;
  AxisB = -W / (a10 + L / 2);

  DiscLocal = {0, W / 4};
  // The disc keeps its place on screen and the ruler is laid out again around it.
  PivotLocal = DiscLocal;
  PivotScreen = DiscScreen;
  PivotMode = 1;
  GrabAngleOffset = 0;
}

void TRegle::ComputeGeometry() {
  const int32_t b = LengthPx / 2, a = WidthPx / 2, c = WidthPx / 10;
  const TPoint p1 = T({-b, -a}), p2 = T({b, -a}), p3 = T({b, a}), p4 = T({-b, a});
  const TPoint inner2 = T({b, c}), inner1 = T({-b, c});
  BodyPolygon = {p1, p2, inner2, inner1};
  BackPolygon = {inner1, inner2, p3, p4};
  for (int i = 1; i <= kButtons; ++i) ButtonScreen[i] = T(ButtonLocal[i]);
  DiscScreen = T(DiscLocal);
  ComputeGraduation();
}

void TRegle::ComputeGraduation() {
  const int32_t L = LengthPx, W = WidthPx;
  TickCount = PixelsPerMm > 0 ? Nearest((L - ZeroMargin) / PixelsPerMm) : 0;
  const int32_t x0 = MirrorSign * (ZeroMargin - L / 2);
  ZeroMark = T({x0, -(W / 2)});
  MmTickEnd = T({x0, W / 6 - W / 2});
  TickStep = {MirrorSign * PixelsPerMm * CosAngle, MirrorSign * PixelsPerMm * SinAngle};
  PivotScreen = PivotMode == 1 ? DiscScreen : ZeroMark;
}

void TRegle::SetPivotMode(int32_t m) {
  if (m == PivotMode || m < 1 || m > 3) return;
  if (m == 1) {
    PivotLocal = DiscLocal;
    PivotScreen = DiscScreen;
    GrabAngleOffset = 0;
  } else {
    const TPoint z{MirrorSign * (ZeroMargin - LengthPx / 2), -(WidthPx / 2)};
    PivotScreen = T(z);
    PivotLocal = z;
    GrabAngleOffset = -std::atan(m == 2 ? AxisA : AxisB);
  }
  PivotMode = m;
}

// ---- Queries

std::array<TPoint, 4> TRegle::GetCorners() const {
  return {BodyPolygon[0], BodyPolygon[1], BackPolygon[2], BackPolygon[3]};
}

int TRegle::ButtonAt(int32_t x, int32_t y) const {
  const TPoint q = ToLocal({x, y});
  const int32_t w = ButtonBoxWidth(), h = ButtonBoxHeight();
  for (int i = 1; i <= kButtons; ++i) {
    const TPoint a = ButtonLocal[i];
    if (a.x < q.x && q.x < a.x + w && a.y < q.y && q.y < a.y + h)
      return AlwaysVisible(i) || host_.ButtonShown(i) ? i : 0;
  }
  return 0;
}

bool TRegle::DiscHit(TPoint p) const {
  const int32_t r = WidthPx / 6;
  return std::abs(p.x - DiscScreen.x) < r && std::abs(p.y - DiscScreen.y) < r;
}

double TRegle::PointerAngle(int32_t dx, int32_t dy) const {
  double a;
  if (dx > 0)
    a = std::atan(double(dy) / dx);
  else if (dx < 0)
    a = std::atan(double(dy) / dx) + std::numbers::pi;
  else
    a = dy > 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
  return a + GrabAngleOffset;
}

// ---- Movement

void TRegle::RotateStep(int dir) {
  const bool shift = host_.ShiftDown();
  double next;
  if (shift || host_.CtrlDown()) {
    // Close to a multiple of the snap angle: one snap further; elsewhere back to 0.
    const double q = shift ? std::numbers::pi / 4 : std::numbers::pi / 2;
    const double c = Angle / q;
    next = std::abs(c - std::trunc(c)) <= 0.1 ? Angle - q : 0.0;
  } else {
    next = Angle - dir * RotationStep;
  }
  SetAngle(next);
}

void TRegle::TranslateStep(int i) {
  const int32_t s = TranslationStep;
  const int32_t sc = Nearest(s * CosAngle), ss = Nearest(s * SinAngle);
  switch (i) {
    case 6:
      PivotScreen.x += sc;
      PivotScreen.y += ss;
      break;
    case 7:
      PivotScreen.x -= sc;
      PivotScreen.y -= ss;
      break;
    case 8:
      PivotScreen.x += ss;
      PivotScreen.y -= sc;
      break;
    case 9:
      PivotScreen.x -= ss;
      PivotScreen.y += sc;
      break;
    default:
      break;
  }
  ComputeGeometry();
  Repaint();
  if (OnMoved) OnMoved();
}

void TRegle::Mirror() {
  MirrorSign = -MirrorSign;
  // The pivot follows the 0 graduation to the other end.
  if (PivotMode == 2)
    SetPivotMode(3);
  else if (PivotMode == 3)
    SetPivotMode(2);
  ComputeGeometry();
  Repaint();
}

void TRegle::RotateToPointer(int32_t x, int32_t y) {
  if (Repeating) return;
  FirstDelayPending = false;
  Repeating = false;
  host_.StopTimer();
  if (ActiveButton == 3 || ActiveButton == 10)
    SetPivotMode(MirrorSign == 1 ? 2 : 3);
  else
    SetPivotMode(1);
  int32_t vx = x - PivotScreen.x, vy = y - PivotScreen.y;
  if (PivotMode == 2 || PivotMode == 3) {
    vx *= MirrorSign;
    vy *= MirrorSign;
    RotationRef = 0;
  }
  SetAngle(PointerAngle(vx, vy) - RotationRef);
  host_.ProcessMessages();
  RotatedByDrag = true;
}

void TRegle::DragToPointer(int32_t x, int32_t y) {
  if (Repeating) return;
  FirstDelayPending = false;
  Repeating = false;
  host_.StopTimer();
  const int ab = ActiveButton;
  if (ab == 0) {
    PivotScreen = {x + DragOffset.x, y + DragOffset.y};
  } else if (ab >= 6 && ab <= 9) {
    const double gx = x + DragOffset.x - ButtonScreen[ab].x;
    const double gy = y + DragOffset.y - ButtonScreen[ab].y;
    if (ab <= 7) {  // along the axis
      const double d = gx * CosAngle + gy * SinAngle;
      PivotScreen.x += Nearest(d * CosAngle);
      PivotScreen.y += Nearest(d * SinAngle);
    } else {  // across it
      const double d = gx * SinAngle - gy * CosAngle;
      PivotScreen.x += Nearest(d * SinAngle);
      PivotScreen.y -= Nearest(d * CosAngle);
    }
  }
  ComputeGeometry();
  Repaint();
  MovedByDrag = true;
}

void TRegle::ExecuteButton() {
  switch (ActiveButton) {
    case 1:
      SetPivotMode(1);
      RotateStep(+1);
      break;
    case 2:
      SetPivotMode(1);
      RotateStep(-1);
      break;
    case 3:
      SetPivotMode(2);
      RotateStep(+1);
      break;
    case 10:
      SetPivotMode(2);
      RotateStep(-1);
      break;
    case 4:
      // The window may be gone once the request returns: touch nothing afterwards.
      if (OnCloseRequest) OnCloseRequest();
      return;
    case 5:
      if (OnMinimizeRequest) OnMinimizeRequest();
      ActiveButton = 0;
      SetHighlight(0);
      break;
    case 6:
    case 7:
    case 8:
    case 9:
      TranslateStep(ActiveButton);
      break;
    case 11:
      Mirror();
      break;
    default:
      return;
  }
  // Keep the pointer on a button that has just turned or moved.
  if (ActiveButton != 0 && HighlightButton != 0) host_.MoveCursorTo(ButtonCentre(HighlightButton));
}

void TRegle::SetPencilPos(TPoint p) {
  if (p == PencilPos) return;
  const auto square = [this](TPoint c) {
    if (parent())
      parent()->invalidate(
          platform::TRect{c.x - 50, c.y - 50, c.x + 50, c.y + 50}.translated(left(), top()), false);
  };
  square(PencilPos);
  PencilPos = p;
  square(PencilPos);
}

void TRegle::ApplyOptions() {
  ApplyOptions(host_.Options());
}

void TRegle::ApplyOptions(const TRegleOptions& o) {
  for (int i = 1; i <= kButtons; ++i) ButtonVisible[i] = AlwaysVisible(i) || o.ButtonShown[i];
  SetPixelsPerMm(o.PixelsPerCm / 10);
  ZeroMargin = o.Reglet ? 0 : Nearest(PixelsPerMm * 5);
  const int32_t n = o.LengthCm.value_or(15);
  SetLengthPx(Nearest((n * 10 + 6) * PixelsPerMm + ZeroMargin));
  SetWidthPx(o.WidthPx.value_or(80));
  SetTransparent(o.Transparent);
  CmColor = o.CmColor;
  HalfCmColor = o.HalfCmColor;
  MmColor = o.MmColor;
  BodyColor = o.BodyColor;
  BackColor = o.BackColor;
  ShowCm = o.ShowCm;
  ShowHalfCm = o.ShowHalfCm;
  ShowMm = o.ShowMm;
  if (o.RotationStep && o.TranslationStep && o.RepeatDelay && o.RepeatInterval && o.SweepInterval) {
    RotationStep = *o.RotationStep;
    TranslationStep = *o.TranslationStep;
    RepeatDelay = *o.RepeatDelay;
    RepeatInterval = *o.RepeatInterval;
    SweepInterval = *o.SweepInterval;
    SetSweepState(o.Sweep ? 0 : 2);
  } else {
    // One unreadable field resets all five; the sweep keeps its state.
    RotationStep = 0.01;
    TranslationStep = 5;
    SweepInterval = 2000;
    RepeatDelay = 1000;
    RepeatInterval = 200;
  }
  if (OnOptionsApplied) OnOptionsApplied();
  LayoutButtons();
  ComputeGeometry();
}

// ---- Pointer, repeat and sweep

void TRegle::RegleMouseDown(int32_t x, int32_t y) {
  ActiveButton = uint8_t(ButtonAt(x, y));
  if (ActiveButton == 0) {
    // The body (or a hidden button): carried freely.
    DragOffset = {PivotScreen.x - x, PivotScreen.y - y};
    Dragging = true;
    return;
  }
  DragOffset = {ButtonScreen[ActiveButton].x - x, ButtonScreen[ActiveButton].y - y};
  if (!Repeating) {
    if (SweepState == 0) ExecuteButton();
    FirstDelayPending = true;
    host_.SetTimerInterval(RepeatDelay);
    host_.StartTimer();
  }
  switch (ActiveButton) {
    case 1:
    case 2:
      // Taken against the disc, about which the drag turns, and relative to the present
      // angle, so the ruler does not jump at the first move.
      RotationRef = PointerAngle(x - DiscScreen.x, y - DiscScreen.y) - GrabAngleOffset - Angle;
      RotatingByDrag = true;
      break;
    case 3:
    case 10:
      RotationRef = PointerAngle(x - PivotScreen.x, y - PivotScreen.y);
      RotatingByDrag = true;
      break;
    case 6:
    case 7:
    case 8:
    case 9:
      Dragging = true;
      break;
    default:
      break;
  }
}

void TRegle::RegleMouseMove(int32_t x, int32_t y) {
  if (SweepState == 0) return;
  if (RotatingByDrag) {
    RotateToPointer(x, y);
  } else if (Dragging) {
    DragToPointer(x, y);
  } else {
    const int b = ButtonAt(x, y);
    SetHighlight(uint8_t(b));
    host_.SetHandCursor(b != 0);
  }
}

void TRegle::RegleMouseUp(int32_t x, int32_t y) {
  FirstDelayPending = false;
  Repeating = false;
  if (SweepState != 0) {
    host_.StopTimer();
    if (RotatedByDrag || MovedByDrag) {
      RotatedByDrag = false;
      MovedByDrag = false;
      Repaint();
    } else {
      const int b = ButtonAt(x, y);
      if (b != 0 && b == ActiveButton) ExecuteButton();
    }
  } else {
    host_.SetTimerInterval(SweepInterval);
  }
  ActiveButton = 0;
  RotatingByDrag = false;
  Dragging = false;
  if (OnMoved) OnMoved();
}

void TRegle::TimerTempo() {
  if (FirstDelayPending) {
    FirstDelayPending = false;
    host_.SetTimerInterval(RepeatInterval);
    Repeating = true;
  } else if (Repeating) {
    ExecuteButton();
  } else if (SweepState == 0) {
    AdvanceSweep();
  }
}

void TRegle::SetSweepState(uint8_t s) {
  if (s == SweepState) return;
  SweepState = s;
  if (s != 0) {
    host_.StopTimer();
    FirstDelayPending = false;
    Repeating = false;
  } else {
    host_.SetTimerInterval(SweepInterval);
    SetHighlight(0);
    host_.StartTimer();
  }
}

void TRegle::AdvanceSweep() {
  int i = HighlightButton;
  do {
    i = i == 0 ? 7 : NextInSweep(i);
  } while (!(ButtonVisible[i] || AlwaysVisible(i)));
  SetHighlight(uint8_t(i));
  ActiveButton = uint8_t(i);
  host_.MoveCursorTo(ButtonCentre(i));
}

void TRegle::paint(platform::Canvas& canvas) {
  Paint(*this, canvas);
}
