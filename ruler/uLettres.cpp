#include "uLettres.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "ruler/uRegle.h"

using platform::Canvas;
using platform::TPoint;

int32_t GlyphSign = 1;

namespace {

// Angle and offset shared by the glyph calls, set by the drawing entry points.
double glyphCos = 1.0;
double glyphSin = 0.0;
constexpr TPoint kGlyphOffset{0, 0};

int32_t nearest(double v) {
  return int32_t(std::nearbyint(v));
}

// Opcodes of the tables below.
constexpr int32_t B = 1, L = 2, M = 3, PEN = 4, BRUSH = 5, POLY = 6;

constexpr int32_t kDigit0[] = {B, 5, 0, -1, 0, -1, 16, 5, 16, B, 5, 16, 11, 16, 11, 0, 5, 0, 0};
constexpr int32_t kDigit1[] = {B, 0, 6, 2, 6, 6, 2, 6, 0, L, 7, 0, L, 7, 16, 0};
constexpr int32_t kDigit2[] = {B, 0, 4, 0, -1, 8, -1, 8, 4, B,  8,
                               4, 8, 8, 0, 12, 0, 16, L, 8, 16, 0};
constexpr int32_t kDigit3[] = {B, 0, 4, 2, -5, 11, 5, 4, 7, B, 4, 7, 12, 11, 3, 20, 0, 13, 0};
constexpr int32_t kDigit4[] = {M, 11, 11, L, 0, 11, L, 8, 0, L, 8, 16, 0};
constexpr int32_t kDigit5[] = {M, 10, 0, L, 5, 0, L, 2, 6, B, 2, 6, 13, 7, 9, 18, 2, 15, 0};
constexpr int32_t kDigit6[] = {B, 10, 0, 0, 4, 2, 16, 6, 16, B, 6, 16, 12, 16, 10, 3, 3, 8, 0};
constexpr int32_t kDigit7[] = {M, 0, 3, L, 2, 0, L, 9, 0, L, 3, 16, M, 4, 8, L, 8, 8, 0};
constexpr int32_t kDigit8[] = {B, 5, 0, 1, 0,  0, 5, 5, 7, B, 5, 7, 10, 9, 9,  16, 5,  16, B,
                               5, 0, 9, 0, 10, 5, 5, 7, B, 5, 7, 0, 9,  1, 16, 5,  16, 0};
constexpr int32_t kDigit9[] = {B, 0, 16, 10, 12, 8, 0, 4, 0, B, 4, 0, -2, 0, 0, 13, 7, 8, 0};

// Icon backgrounds: pen, brush, the filled box, then the symbol's pen.
#define GREEN_BOX \
  PEN, 224, 238, 77, BRUSH, 224, 238, 77, POLY, 4, 0, 0, 10, 0, 10, 16, 0, 16, PEN, 0, 0, 255
#define SAND_BOX \
  PEN, 238, 200, 157, BRUSH, 238, 200, 157, POLY, 4, 0, 0, 10, 0, 10, 16, 0, 16, PEN, 0, 0, 255
#define RED_BOX \
  PEN, 159, 159, 159, BRUSH, 243, 77, 58, POLY, 4, 0, 0, 10, 0, 10, 15, 0, 15, PEN, 255, 255, 255

// Rotation arrows (1, 2, 3, 10), close cross (4), minimise bar (5), translation arrows right,
// left, up, down (6..9), symmetry brackets (11).
constexpr int32_t kButton1[] = {GREEN_BOX, M, 9, 5, L, 6, 2,  L, 4,  6,
                                B,         6, 2, 8, 6, 7, 15, 2, 15, 0};
constexpr int32_t kButton2[] = {GREEN_BOX, M, 1, 5, L, 4, 2,  L, 6,  6,
                                B,         4, 2, 1, 6, 3, 15, 8, 15, 0};
constexpr int32_t kButton3[] = {GREEN_BOX, M, 9, 5, L, 6, 2,  L, 4,  6,
                                B,         6, 2, 8, 6, 7, 13, 4, 14, 0};
constexpr int32_t kButton4[] = {RED_BOX, M, 3, 3, L, 7, 12, M, 7, 3, L, 3, 12, 0};
constexpr int32_t kButton5[] = {RED_BOX, M, 3, 12, L, 7, 12, 0};
constexpr int32_t kButton6[] = {SAND_BOX, M, 1, 7, L, 8, 7, M, 4, 4, L, 8, 7, L, 4, 11, 0};
constexpr int32_t kButton7[] = {SAND_BOX, M, 9, 7, L, 2, 7, M, 6, 4, L, 2, 7, L, 6, 11, 0};
constexpr int32_t kButton8[] = {SAND_BOX, M, 5, 2, L, 5, 12, M, 2, 8, L, 5, 2, L, 8, 8, 0};
constexpr int32_t kButton9[] = {SAND_BOX, M, 5, 13, L, 5, 3, M, 2, 7, L, 5, 13, L, 8, 7, 0};
constexpr int32_t kButton10[] = {GREEN_BOX, M, 8,  13, L,  4,  14, L, 3, 10,
                                 B,         4, 14, 8,  12, 10, 3,  4, 2, 0};
constexpr int32_t kButton11[] = {GREEN_BOX, M, 4, 5, L, 2, 8, L, 4,  13,
                                 M,         6, 5, L, 8, 8, L, 6, 13, 0};

#undef GREEN_BOX
#undef SAND_BOX
#undef RED_BOX

constexpr std::array<TGlyph, 10> kDigits = {kDigit0, kDigit1, kDigit2, kDigit3, kDigit4,
                                            kDigit5, kDigit6, kDigit7, kDigit8, kDigit9};
constexpr std::array<TGlyph, 11> kButtons = {kButton1, kButton2,  kButton3, kButton4,
                                             kButton5, kButton6,  kButton7, kButton8,
                                             kButton9, kButton10, kButton11};

template <size_t N>
constexpr bool fits(const std::array<TGlyph, N>& glyphs) {
  for (TGlyph g : glyphs)
    if (g.size() > size_t(kGlyphMaxLength)) return false;
  return true;
}
static_assert(fits(kDigits) && fits(kButtons), "a glyph program is at most 51 integers");

platform::TColor colourOf(int32_t r, int32_t g, int32_t b) {
  auto channel = [](int32_t v) { return uint8_t(std::clamp(v, 0, 255)); };
  return platform::rgb(channel(r), channel(g), channel(b));
}

}  // namespace

TGlyph DigitGlyph(char c) {
  if (c < '0' || c > '9') return {};
  return kDigits[size_t(c - '0')];
}

TGlyph ButtonGlyph(int button) {
  if (button < 1 || button > 11) return {};
  return kButtons[size_t(button - 1)];
}

std::vector<TGlyphOp> DecodeGlyph(TGlyph program, TPoint start, double s, double cosA, double sinA,
                                  int32_t sign) {
  std::vector<TGlyphOp> ops;
  size_t pos = 0;
  auto has = [&](size_t n) { return n <= program.size() - pos; };
  auto take = [&] { return program[pos++]; };
  auto point = [&] {
    const double x = nearest(s * take());
    const double y = nearest(s * take());
    const TPoint turned{nearest(x * cosA - y * sinA) + kGlyphOffset.x,
                        nearest(x * sinA + y * cosA) + kGlyphOffset.y};
    return TPoint{start.x + sign * turned.x, start.y + sign * turned.y};
  };
  while (has(1)) {
    const int32_t op = take();
    if (op <= 0) break;
    switch (op) {
      case TGlyphOp::Bezier: {
        if (!has(8)) return ops;
        TGlyphOp b{TGlyphOp::Bezier, {}, 0};
        for (int i = 0; i < 4; ++i) b.points.push_back(point());
        ops.push_back(std::move(b));
        break;
      }
      case TGlyphOp::LineTo:
      case TGlyphOp::MoveTo:
        if (!has(2)) return ops;
        ops.push_back({TGlyphOp::Kind(op), {point()}, 0});
        break;
      case TGlyphOp::PenColor:
      case TGlyphOp::BrushColor: {
        if (!has(3)) return ops;
        const int32_t r = take(), g = take(), b = take();
        ops.push_back({TGlyphOp::Kind(op), {}, int32_t(colourOf(r, g, b))});
        break;
      }
      case TGlyphOp::Polygon: {
        if (!has(1)) return ops;
        const int32_t n = std::max(take(), 0);
        if (!has(2 * size_t(n))) return ops;
        TGlyphOp poly{TGlyphOp::Polygon, {}, 0};
        for (int32_t i = 0; i < n; ++i) {
          if (i < kGlyphMaxPolygon) {
            poly.points.push_back(point());
          } else {
            pos += 2;
          }
        }
        ops.push_back(std::move(poly));
        break;
      }
      case TGlyphOp::PenWidth:
        if (!has(1)) return ops;
        ops.push_back({TGlyphOp::PenWidth, {}, take()});
        break;
      default:  // no drawing: the next integer is an opcode
        break;
    }
  }
  return ops;
}

void RunGlyph(TGlyph program, Canvas& canvas, TPoint start, double s) {
  for (const TGlyphOp& op : DecodeGlyph(program, start, s, glyphCos, glyphSin, GlyphSign)) {
    switch (op.kind) {
      case TGlyphOp::Bezier: {
        const TPoint pts[4] = {op.points[0], op.points[1], op.points[2], op.points[3]};
        canvas.polyBezier(pts);
        canvas.moveTo(pts[3].x, pts[3].y);
        break;
      }
      case TGlyphOp::LineTo:
        canvas.lineTo(op.points[0].x, op.points[0].y);
        break;
      case TGlyphOp::MoveTo:
        canvas.moveTo(op.points[0].x, op.points[0].y);
        break;
      case TGlyphOp::PenColor:
        canvas.setPenColor(platform::TColor(op.value));
        break;
      case TGlyphOp::BrushColor:
        canvas.setBrushColor(platform::TColor(op.value));
        break;
      case TGlyphOp::Polygon:
        canvas.polygon(op.points);
        break;
      case TGlyphOp::PenWidth:
        canvas.setPenWidth(op.value);
        break;
    }
  }
}

void DrawDigit(char c, Canvas& canvas, TPoint p, double a, double s) {
  glyphCos = std::cos(a);
  glyphSin = std::sin(a);
  GlyphSign = 1;
  // Half a glyph width back along the ruler, so the digit's top edge is centred on p.
  const TPoint start{p.x - nearest(s * 5 * glyphCos), p.y - nearest(s * 5 * glyphSin)};
  RunGlyph(DigitGlyph(c), canvas, start, s);
}

void DrawNumber(int n, Canvas& canvas, TPoint p, double a, double s) {
  if (n < 0 || n > 99) return;
  if (n <= 9) {
    DrawDigit(char('0' + n), canvas, p, a, s);
    return;
  }
  const TPoint half{nearest(5 * s * std::cos(a)), nearest(5 * s * std::sin(a))};
  DrawDigit(char('0' + n / 10), canvas, {p.x - half.x, p.y - half.y}, a, s);
  DrawDigit(char('0' + n % 10), canvas, {p.x + half.x, p.y + half.y}, a, s);
}

void DrawButtonIcon(int i, Canvas& canvas, TPoint anchor, int32_t sign, double a, double s) {
  glyphCos = std::cos(a);
  glyphSin = std::sin(a);
  GlyphSign = sign;
  RunGlyph(ButtonGlyph(i), canvas, anchor, s);
}

// ---- the ruler ----

namespace {

constexpr platform::TColor kGrey = 8421504;
constexpr platform::TColor kSilver = 12632256;
constexpr platform::TColor kYellow = 65535;

void PaintDisc(const TRegle& r, Canvas& canvas) {
  canvas.setPenColor(kGrey);
  canvas.setBrushColor(r.DiscColor);
  const int32_t d = r.WidthPx / 6;
  canvas.ellipse(r.DiscScreen.x - d, r.DiscScreen.y - d, r.DiscScreen.x + d, r.DiscScreen.y + d);
}

void PaintButtons(const TRegle& r, Canvas& canvas) {
  canvas.setPenColor(kGrey);
  canvas.setPenWidth(2);
  for (int i = 1; i <= TRegle::kButtons; ++i) {
    if (!r.ButtonVisible[size_t(i)]) continue;
    if ((i == 3 || i == 10) && r.MirrorSign == -1) {
      // The rotation about the 0 graduation now turns the other way: its arrows are shown
      // turned by a half turn about the far corner of the box.
      const TPoint local = r.ButtonLocal[size_t(i)];
      DrawButtonIcon(i, canvas, r.T({local.x + 16, local.y + 22}), -1, r.Angle, r.ButtonScale);
    } else {
      DrawButtonIcon(i, canvas, r.ButtonScreen[size_t(i)], 1, r.Angle, r.ButtonScale);
    }
  }
}

void PaintPivot(const TRegle& r, Canvas& canvas) {
  const uint8_t b = r.ActiveButton;
  if (b != 1 && b != 2 && b != 3 && b != 10) return;
  canvas.setPenColor(kYellow);
  canvas.setBrushColor(platform::clRed);
  canvas.setBrushStyle(platform::BrushStyle::Solid);
  const TPoint p = r.PivotScreen;
  canvas.ellipse(p.x - 4, p.y - 4, p.x + 4, p.y + 4);
}

void PaintHighlight(const TRegle& r, Canvas& canvas) {
  const int h = r.HighlightButton;
  if (h < 1 || h > TRegle::kButtons) return;
  const std::array<TPoint, 4> frame = r.ButtonFrame(h);
  canvas.setPenColor(platform::clRed);
  canvas.setBrushStyle(platform::BrushStyle::Clear);
  canvas.polygon({frame.begin(), frame.end()});
}

}  // namespace

void PaintGraduation(const TRegle& r, Canvas& canvas) {
  const TPoint zero = r.ZeroMark, mmEnd = r.MmTickEnd;
  const TPoint mmLength{mmEnd.x - zero.x, mmEnd.y - zero.y};
  int cm = 0;
  for (int32_t k = 0; k < r.TickCount; ++k) {
    // The offset from the 0 graduation is rounded as a whole, so ticks never drift.
    const TPoint off{nearest(k * r.TickStep.x), nearest(k * r.TickStep.y)};
    const TPoint base{zero.x + off.x, zero.y + off.y};
    const TPoint end{mmEnd.x + off.x, mmEnd.y + off.y};
    const bool underPencil =
        std::abs(base.x - r.PencilPos.x) < 2 && std::abs(base.y - r.PencilPos.y) < 2;
    auto pen = [&](platform::TColor own) {
      canvas.setPenColor(underPencil ? platform::clBlack : own);
    };
    canvas.setPenWidth(underPencil ? 2 : 1);
    canvas.moveTo(base.x, base.y);
    const bool cmTick = k % 10 == 0 && r.ShowCm;
    const bool halfTick = k % 5 == 0 && r.ShowHalfCm;
    if (r.ShowMm && !cmTick && !halfTick) {
      pen(r.MmColor);
      canvas.lineTo(end.x, end.y);
    }
    if (cmTick) {
      pen(r.CmColor);
      const TPoint tip{end.x + mmLength.x, end.y + mmLength.y};
      canvas.lineTo(tip.x, tip.y);
      if (r.DigitScale > 1.0) canvas.setPenWidth(2);
      // A ruler whose 0 lies on its very end (no margin) does not number it.
      if (r.ZeroMargin > 10 || cm > 0) DrawNumber(cm, canvas, tip, r.Angle, r.DigitScale);
      if (r.DigitScale > 1.0) canvas.setPenWidth(1);
      ++cm;
    } else if (halfTick) {
      pen(r.HalfCmColor);
      canvas.lineTo(end.x + mmLength.x / 2, end.y + mmLength.y / 2);
    }
  }
}

void Paint(TRegle& r, Canvas& canvas) {
  canvas.setPenMode(platform::PenMode::Copy);
  canvas.setPenColor(kGrey);
  canvas.setPenWidth(1);
  canvas.setBrushColor(r.BodyColor);
  canvas.setBrushStyle(r.Transparent ? platform::BrushStyle::Clear : platform::BrushStyle::Solid);
  canvas.polygon({r.BodyPolygon.begin(), r.BodyPolygon.end()});

  PaintGraduation(r, canvas);

  // The back band is always filled; its pen width is whatever the graduation left.
  canvas.setPenColor(kSilver);
  canvas.setBrushStyle(platform::BrushStyle::Solid);
  canvas.setBrushColor(r.BackColor);
  canvas.polygon({r.BackPolygon.begin(), r.BackPolygon.end()});

  PaintDisc(r, canvas);
  PaintButtons(r, canvas);
  PaintPivot(r, canvas);
  PaintHighlight(r, canvas);
}
