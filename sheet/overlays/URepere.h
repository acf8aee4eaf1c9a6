#pragma once
// The coordinate frame: two axes through an origin, with arrowheads and ticks, optionally tied
// to the grid. No widgets here: the frame dialog (UDlgRepere.h) holds the settings and calls
// these; so do the tests.
#include <cstdint>

#include "UGrille.h"
#include "platform/Canvas.h"
#include "platform/Colour.h"
#include "platform/Streams.h"
#include "platform/Types.h"

// The sheet-wide frame switch, kept with the sheet options.
extern bool FrameShown;

// An origin that has not been placed yet; the first paint puts it at the rectangle's centre.
inline constexpr platform::TPoint FrameOriginUnset{-1000, -1000};
inline constexpr int32_t FrameSpacingMin = 1, FrameSpacingMax = 50;
inline constexpr uint16_t FrameRecordVersion = 3;
inline constexpr int FramePreviewSize = 80;

// What the frame dialog holds.
struct TFrameSettings {
  int32_t SpacingX = 10;    // mm between ticks on the horizontal axis, 1..50
  int32_t SpacingY = 10;    // mm between ticks on the vertical axis, 1..50
  int32_t ColourIndex = 0;  // into NamedColours; -1 when nothing is selected
  bool LinkToGrid = true;   // "Lier le repère à la grille"
  // Page pixels at scale 1 of the screen it was placed on.
  platform::TPoint Origin = FrameOriginUnset;
  uint8_t XDirection = 1;  // 1: the horizontal arrow at the right end; anything else: left
  uint8_t YDirection = 1;  // 1: the vertical arrow at the top end; anything else: bottom
  friend bool operator==(const TFrameSettings&, const TFrameSettings&) = default;
};

// What the frame reads of the rest of the sheet.
struct TFrameEnv {
  TGridSettings Grid;      // the grid dialog's settings
  bool GridShown = false;  // the grid switch
  int Ppi = 96;            // the screen's pixels per inch
};

// The selected named colour, pure red when none is selected.
platform::TColor FrameColor(const TFrameSettings& f);
inline void SetOrigin(TFrameSettings& f, platform::TPoint p) {
  f.Origin = p;
}
// Moves the origin to the nearest grid intersection, counted from the grid area's corner with
// the grid's spacings, when the frame is tied to a shown grid. An unreadable area field counts
// the intersections from the page's corner, as the grid then draws them.
void SnapOriginToGrid(TFrameSettings& f, const TFrameEnv& env);
// The settings of a new document.
void ResetFrame(TFrameSettings& f);

// The rectangle a layer's own paint draws the frame in: the grid area when the frame is tied
// to a shown grid, else the whole layer.
platform::TRect FrameRectOnLayer(const TFrameSettings& f, const TFrameEnv& env, int width,
                                 int height);

// Draws the frame within `rect` (page pixels at scale 1) at scale s. Places an unplaced origin
// at the rectangle's centre and snaps it to the grid first, so `f.Origin` may change. An axis
// whose origin lies outside a tied grid's area is left out. Ticks lie at whole steps from the
// origin, none on it, and stop short of the rectangle's edges.
void DrawFrame(platform::Canvas& canvas, TFrameSettings& f, const TFrameEnv& env,
               const platform::TRect& rect, double s);

// The dialog's picture of the two arrows on a `size` square canvas (white is the caller's).
void DrawPreview(platform::Canvas& canvas, const TFrameSettings& f, int size = FramePreviewSize);
// A press at (x, y) from the preview's top-left corner: strictly inside the square it points
// the arrows towards the press's quarter and answers true; elsewhere it changes nothing.
bool PressOnPreview(TFrameSettings& f, int x, int y, int size = FramePreviewSize);

// The frame record, version 3. The reader takes versions 0 to 3 (later ones as 3): the tie
// from version 2, the origin and directions from version 3; older records keep what `f`
// holds. Spacings are brought into 1..50 and an index outside the colour list reads as -1,
// as the dialog's controls would hold them. `f` changes only once the whole record has been
// read; a short record raises StreamError.
void WriteFrameRecord(platform::Stream& s, const TFrameSettings& f);
void ReadFrameRecord(platform::Stream& s, TFrameSettings& f);
