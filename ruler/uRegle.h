#pragma once
// The graduated ruler: its state, the local frame its shape is laid out in, the placing of
// its outline, graduation and eleven buttons in window pixels, the hit tests, and every
// operation that moves, turns, mirrors or resizes it.
//
// Window pixels are the client pixels of the full-screen ruler window; the ruler control
// covers that whole client area from (0, 0), so its own client coordinates are the same.
// The local frame has its origin at the ruler's centre, x along the length, y across; the
// graduated edge is y = -(W div 2). The window's y axis points down, so a growing Angle turns
// the ruler clockwise on screen.
//
// Everything the system owns (key state, the system pointer, the timer, the options dialog)
// comes through TRegleHost, so the model runs without a window.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "platform/Canvas.h"
#include "platform/Colour.h"
#include "platform/Surface.h"
#include "platform/Types.h"

// A real-valued window vector (the step from one millimetre graduation to the next).
struct TPointD {
  double x = 0;
  double y = 0;
};

// The option values as the options dialog holds them. Fields the dialog converts from text
// are empty when the text could not be converted; ApplyOptions supplies the fall-backs.
struct TRegleOptions {
  // Index 1..11 (0 unused); 4 and 5 are always visible whatever is stored here.
  std::array<bool, 12> ButtonShown{false, true, true, true, true, true,
                                   true,  true, true, true, true, true};
  double PixelsPerCm = 37.795;  // "Pixels par centimètre"
  bool Reglet = false;          // "Réglet" chosen rather than "Règle"
  std::optional<int32_t> LengthCm = 15;
  std::optional<int32_t> WidthPx = 80;
  bool Transparent = false;
  platform::TColor CmColor = platform::clRed;
  platform::TColor HalfCmColor = platform::clRed;
  platform::TColor MmColor = platform::clRed;
  platform::TColor BodyColor = 9039853;
  platform::TColor BackColor = 7071985;
  bool ShowCm = true;
  bool ShowHalfCm = true;
  bool ShowMm = true;
  std::optional<double> RotationStep = 0.01;
  std::optional<int32_t> TranslationStep = 5;
  std::optional<int32_t> RepeatDelay = 1000;
  std::optional<int32_t> RepeatInterval = 200;
  std::optional<int32_t> SweepInterval = 2000;
  bool Sweep = false;  // "Balayage automatique"
};

// What the ruler asks of its window and of the system.
class TRegleHost {
 public:
  virtual ~TRegleHost() = default;
  // Keyboard state at the moment of the call (not of the last event).
  virtual bool ShiftDown() const = 0;
  virtual bool CtrlDown() const = 0;
  // Moves the system pointer onto a window point of the ruler.
  virtual void MoveCursorTo(platform::TPoint window) = 0;
  // Lets the platform handle pending messages (a rotation drag repaints between steps).
  virtual void ProcessMessages() = 0;
  // The control's pointer shape: hand over a button, the default arrow elsewhere.
  virtual void SetHandCursor(bool hand) = 0;
  // Whether the options dialog currently shows button i as visible (4 and 5 always are).
  virtual bool ButtonShown(int i) const = 0;
  // The options as the dialog holds them now.
  virtual TRegleOptions Options() const = 0;
  // The one repeat and sweep timer; each tick calls TRegle::TimerTempo. Setting the
  // interval of a running timer starts its count again.
  virtual void SetTimerInterval(int32_t ms) = 0;
  virtual void StartTimer() = 0;
  virtual void StopTimer() = 0;
};

class TRegle : public platform::Control {
 public:
  static constexpr int kButtons = 11;
  static constexpr platform::TColor kDefaultBodyColor = 9039853;  // red 237, green 239, blue 137
  static constexpr platform::TColor kDefaultBackColor = 7071985;  // red 241, green 232, blue 107
  static constexpr platform::TColor kDiscColor = 4954607;         // red 239, green 153, blue 75

  // A ruler in its creation state, for a screen of `pixelsPerInch`. The window then sizes
  // it, calls ApplyOptions, SetAngle(-pi/8) and PlaceAt(its centre).
  TRegle(TRegleHost& host, double pixelsPerInch);
  ~TRegle() override;

  // ---- State, in the order of the original control. Read freely; change the fields that
  // have a setter only through it.
  std::array<platform::TPoint, 4> BodyPolygon{};  // P1, P2, T(b, c), T(-b, c)
  std::array<platform::TPoint, 4> BackPolygon{};  // T(-b, c), T(b, c), P3, P4
  // Top-left anchor of each button box, local frame and window pixels; index 1..11.
  std::array<platform::TPoint, 12> ButtonLocal{};
  std::array<platform::TPoint, 12> ButtonScreen{};
  std::array<bool, 12> ButtonVisible{};  // index 1..11
  platform::TPoint DiscLocal;            // (0, W div 4)
  platform::TPoint DiscScreen;
  uint8_t ActiveButton = 0;     // pressed or being executed, 0 none
  uint8_t HighlightButton = 0;  // framed in red (hover or sweep), 0 none
  double Angle = 0;
  double CosAngle = 1;
  double SinAngle = 0;
  TPointD TickStep;  // window step between millimetre graduations, unrounded
  double PixelsPerMm = 0;
  double DigitScale = 0.8;
  double ButtonScale = 1.44;
  double GrabAngleOffset = 0;  // added to pointer angles in drags about the 0 graduation
  double AxisA = 0;
  double AxisB = 0;
  int32_t ZeroMargin = 0;  // pixels from the first end to the 0 graduation
  int32_t LengthPx = 620;  // L
  int32_t WidthPx = 80;    // W
  int32_t TickCount = 0;   // millimetre graduation positions
  platform::TPoint PivotLocal;
  platform::TPoint PivotScreen;
  // 1 pivot on the centre disc; 2 (3 when mirrored) on the 0 graduation; 0 before layout.
  int32_t PivotMode = 0;
  platform::TPoint ZeroMark;   // 0 graduation on the graduated edge
  platform::TPoint MmTickEnd;  // inner end of the 0 millimetre tick
  platform::TPoint DragOffset;
  platform::TColor BodyColor = kDefaultBodyColor;
  platform::TColor BackColor = kDefaultBackColor;
  platform::TColor CmColor = platform::clRed;
  platform::TColor HalfCmColor = platform::clRed;
  platform::TColor MmColor = platform::clRed;
  platform::TColor DiscColor = kDiscColor;
  bool ShowCm = true;
  bool ShowHalfCm = true;
  bool ShowMm = true;
  bool RotatingByDrag = false;
  bool RotatedByDrag = false;
  bool Dragging = false;
  bool MovedByDrag = false;
  bool Transparent = false;
  // Notifications to the window.
  std::function<void()> OnOptionsApplied, OnCloseRequest, OnMinimizeRequest, OnMoved;
  bool FirstDelayPending = false;
  bool Repeating = false;
  uint8_t SweepState = 2;      // 0 running, 1 paused, 2 off
  platform::TPoint PencilPos;  // (-1, -1): no pencil

  // One ruler per program: the original's program-wide values live here.
  int32_t MirrorSign = 1;  // direction of the graduation along the ruler
  double RotationStep = 0.01;
  int32_t TranslationStep = 5;
  int32_t SweepInterval = 2000;
  int32_t RepeatDelay = 1000;
  int32_t RepeatInterval = 200;
  double RotationRef = 0;  // pointer angle taken when a rotation drag starts

  // ---- Transforms.
  // Local to window: turned about the pivot, each coordinate rounded on its own.
  platform::TPoint T(platform::TPoint local) const;
  // Window to local, as hit testing uses it.
  platform::TPoint ToLocal(platform::TPoint window) const;
  // A local vector turned by Angle, each coordinate rounded.
  platform::TPoint Turn(platform::TPoint v) const;
  // Button box size in pixels: along the ruler, across it.
  int32_t ButtonBoxWidth() const;
  int32_t ButtonBoxHeight() const;
  // The four window corners of button i's box (the red frame), anchor first.
  std::array<platform::TPoint, 4> ButtonFrame(int i) const;
  // Centre of button i's box: midpoint of its first and third frame corners, truncated.
  platform::TPoint ButtonCentre(int i) const;

  // ---- Setters; each ignores a repeated value and repaints when it changes something.
  void SetAngle(double a);
  void SetPixelsPerMm(double x);
  void SetLengthPx(int32_t l);  // ignored below 101
  void SetWidthPx(int32_t w);   // ignored at 10 or less
  void SetTransparent(bool t);
  void SetHighlight(uint8_t i);
  void PlaceAt(platform::TPoint p);  // the pivot goes to p

  // ---- Layout.
  void LayoutButtons();
  void ComputeGeometry();
  void ComputeGraduation();
  void SetPivotMode(int32_t m);

  // ---- Queries.
  std::array<platform::TPoint, 4> GetCorners() const;  // P1, P2, P3, P4; P1 -> P2 graduated
  // The window-region polygon (P1..P4, alternate fill).
  std::array<platform::TPoint, 4> OutlineRegion() const { return GetCorners(); }
  int ButtonAt(int32_t x, int32_t y) const;  // visible button under a window point, else 0
  bool DiscHit(platform::TPoint p) const;
  double PointerAngle(int32_t dx, int32_t dy) const;

  // ---- Movement.
  void RotateStep(int dir);   // +1 turns counter-clockwise on screen
  void TranslateStep(int i);  // 6 +x, 7 -x, 8 toward the graduated edge, 9 toward the back
  void Mirror();              // reverses the graduation; nothing moves on screen
  void RotateToPointer(int32_t x, int32_t y);
  void DragToPointer(int32_t x, int32_t y);
  void ExecuteButton();  // the action of ActiveButton
  void SetPencilPos(platform::TPoint p);
  void ApplyOptions();  // from the host's options dialog
  void ApplyOptions(const TRegleOptions& o);

  // ---- Pointer, repeat and sweep (window pixels).
  void RegleMouseDown(int32_t x, int32_t y);
  void RegleMouseMove(int32_t x, int32_t y);
  void RegleMouseUp(int32_t x, int32_t y);
  void TimerTempo();
  void SetSweepState(uint8_t s);
  void AdvanceSweep();

  // Control.
  void paint(platform::Canvas& canvas) override;
  void mouseDown(const platform::MouseEvent& e) override { RegleMouseDown(e.x, e.y); }
  void mouseMove(const platform::MouseEvent& e) override { RegleMouseMove(e.x, e.y); }
  void mouseUp(const platform::MouseEvent& e) override { RegleMouseUp(e.x, e.y); }

 private:
  void Repaint() { invalidate(); }
  TRegleHost& host_;
};

// Paints the ruler (body, graduation, back band, disc, buttons, pivot, highlight) on the
// canvas of its window. Defined with the glyphs in uLettres.cpp.
void Paint(TRegle& regle, platform::Canvas& canvas);
