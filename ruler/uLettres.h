#pragma once
// Vector glyphs of the ruler: the digits of the graduation and the button icons are small
// drawing programs, scaled and turned with the ruler, so they stay sharp at any angle and need
// no font.
#include <cstdint>
#include <span>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Colour.h"
#include "platform/Types.h"

// A glyph program: opcodes with their operands, ended by a value <= 0. Coordinates are glyph
// units in a box 10 wide and 16 high, y downward.
//   1 x1 y1 .. x4 y4   cubic Bezier (does not use the current position), then move to point 4
//   2 x y              line to          3 x y   move to
//   4 r g b            pen colour       5 r g b brush colour
//   6 n x1 y1 .. xn yn filled polygon (first 30 points)
//   7 w                pen width;       above 7: skipped
using TGlyph = std::span<const int32_t>;

// Longest program, end mark included.
constexpr int kGlyphMaxLength = 51;
constexpr int kGlyphMaxPolygon = 30;

// Digit program of '0'..'9'; empty for any other character.
TGlyph DigitGlyph(char c);
// Icon program of button 1..11; empty otherwise.
TGlyph ButtonGlyph(int button);

// One drawing step of a decoded glyph, in window pixels.
struct TGlyphOp {
  enum Kind : uint8_t { Bezier = 1, LineTo, MoveTo, PenColor, BrushColor, Polygon, PenWidth };
  Kind kind;
  std::vector<platform::TPoint> points;  // Bezier: 4; LineTo, MoveTo: 1; Polygon: n
  int32_t value = 0;                     // PenColor, BrushColor: a TColor; PenWidth: the width
  friend bool operator==(const TGlyphOp&, const TGlyphOp&) = default;
};

// Decodes a program: a glyph point g becomes start + sign * turn(Nearest(s * g)), each
// coordinate rounded after scaling and again after turning by the angle (cosA, sinA).
// Reading stops at the end mark, at a truncated opcode, or at the end of the span.
std::vector<TGlyphOp> DecodeGlyph(TGlyph program, platform::TPoint start, double s, double cosA,
                                  double sinA, int32_t sign);

// Orientation factor of glyph drawing: -1 turns a glyph by a half turn about its start point.
// Set by DrawDigit (+1) and DrawButtonIcon (its sign).
extern int32_t GlyphSign;

// Interprets a program with the angle and sign left by the last drawing call.
void RunGlyph(TGlyph program, platform::Canvas& canvas, platform::TPoint start, double s);

// One digit, upright with respect to the ruler at angle a, its top edge centred on p; it
// extends 16 * s into the ruler.
void DrawDigit(char c, platform::Canvas& canvas, platform::TPoint p, double a, double s);
// n in 0..99 centred on p (two digits meet at p); any other n draws nothing.
void DrawNumber(int n, platform::Canvas& canvas, platform::TPoint p, double a, double s);
// Icon of button i with its glyph-box origin on the anchor; sign -1 draws it turned by a half
// turn about the anchor.
void DrawButtonIcon(int i, platform::Canvas& canvas, platform::TPoint anchor, int32_t sign,
                    double a, double s);

class TRegle;

// The graduation: millimetre, half-centimetre and centimetre ticks with the centimetre numbers;
// the tick under the pencil tip is drawn black and two pixels wide. A step of Paint (declared
// with TRegle), which draws body, graduation, back band, disc, buttons, pivot and highlight.
void PaintGraduation(const TRegle& regle, platform::Canvas& canvas);
