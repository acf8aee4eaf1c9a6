#pragma once
// Thick lines, circles and arcs with a simple anti-aliasing: a solid run across the stroke
// plus one edge pixel on each side mixed by coverage. Pixels are written one by one straight
// into the canvas's rows, so the pen mode has no effect; pixels outside the clip are dropped.
#include <cstdint>

#include "platform/Canvas.h"
#include "platform/Colour.h"
#include "platform/Types.h"

// Edge pixel blend modes of lines and circles.
enum TBlendMode : uint8_t {
  bmBackground = 0,  // mixed with the given background
  bmPlain = 1,       // the plain colour
  bmCanvas = 2,      // mixed with the pixel already on the canvas
};

void DrawAALine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width, uint8_t mode,
                platform::TColor background, platform::TColor colour, platform::Canvas& canvas);
void DrawAACircle(int32_t cx, int32_t cy, int32_t r, int32_t width, uint8_t mode,
                  platform::TColor background, platform::TColor colour, platform::Canvas& canvas);
// From `start` counter-clockwise on screen to `end`; `mode` is not used.
void DrawAAArc(int32_t cx, int32_t cy, int32_t r, int32_t width, platform::TPoint start,
               platform::TPoint end, uint8_t mode, platform::TColor background,
               platform::TColor colour, platform::Canvas& canvas);
// Mixes one edge pixel at coverage c (0..1) according to `mode`.
void BlendPixel(platform::Canvas& canvas, int32_t x, int32_t y, double c, uint8_t mode,
                platform::TColor background, platform::TColor colour);
// Octant 0..7 of p around (cx, cy).
int Octant(int32_t cx, int32_t cy, platform::TPoint p);
