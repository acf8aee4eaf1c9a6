#pragma once
// Page size and the grid: geometry, drawing and record. No widgets here: the layers, the
// frame and the tests call these with the settings read from the grid dialog (UDlgGrille.h).
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Canvas.h"
#include "platform/Colour.h"
#include "platform/Streams.h"
#include "platform/Types.h"

// 210 mm at `ppi` pixels per inch, to the nearest pixel (halves to even).
int PageWidthPx(int ppi);
// 297 mm at `ppi` pixels per inch.
int PageHeightPx(int ppi);

struct TPageSize {
  int width;
  int height;
};
// Portrait (orientation 0) is the short side wide; landscape (1) swaps them.
TPageSize PageSizeFor(int orientation, int ppi);
// The same page in millimetres: 210 x 297, or 297 x 210 in landscape.
TPageSize PageSizeMm(int orientation);

// The sheet-wide grid switch, kept with the sheet options.
extern bool GridShown;

// What the grid dialog holds. The area fields are the texts as typed, in millimetres; the grid
// falls back (see below) while one of them is not an integer.
struct TGridSettings {
  std::string OriginX = "0";
  std::string OriginY = "0";
  std::string Width = "210";
  std::string Height = "297";
  int32_t SpacingX = 10;    // mm between vertical lines, 1..50
  int32_t SpacingY = 10;    // mm between horizontal lines, 1..50
  int32_t ColourIndex = 0;  // into NamedColours; -1 when nothing is selected
  bool Lines = true;        // lines ("Grille"), else intersection points
  bool Mark5 = false;
  bool Mark10 = false;
  friend bool operator==(const TGridSettings&, const TGridSettings&) = default;
};

inline constexpr int32_t GridSpacingMin = 1, GridSpacingMax = 50;
inline constexpr uint16_t GridRecordVersion = 2;

// An area field as an integer: an optional sign and decimal digits, within 32 bits.
std::optional<int32_t> GridFieldValue(const std::string& text);

// The grid area in page pixels at scale 1; empty while an area field is not an integer.
// Right and Bottom are the last line's position: left + Nearest(w·k), not Nearest((ox + w)·k).
platform::TRect GridRect(const TGridSettings& g, int ppi);
// Nearest(ox·k) <= v <= Nearest((ox + w)·k); false while a field is not an integer.
bool IsWithinGridX(const TGridSettings& g, int ppi, int v);
bool IsWithinGridY(const TGridSettings& g, int ppi, int v);
// The selected named colour, black when none is selected.
platform::TColor GridColor(const TGridSettings& g);
inline bool GridLines(const TGridSettings& g) {
  return g.Lines;
}

// Draws the grid at scale s (1 on screen). Pen widths of the marks do not follow s. Lines stay
// within the area; intersection points start one spacing from the canvas origin and cover the
// whole clip whatever the area says.
void DrawGrid(platform::Canvas& canvas, const TGridSettings& g, int ppi, double s);

// The whole page for the orientation.
void ResetGridArea(TGridSettings& g, int orientation);
// The settings of a new document.
void ResetGrid(TGridSettings& g, int orientation);

// The grid record, version 2. The reader takes versions 0 to 2 (and later ones as 2): marks
// from version 1, the area from version 2, else the whole page. Spacings are brought into
// 1..50 and an index outside the colour list reads as -1, as the dialog's controls would hold
// them. `g` changes only once the whole record has been read; a short record raises
// StreamError.
void WriteGridRecord(platform::Stream& s, const TGridSettings& g);
void ReadGridRecord(platform::Stream& s, TGridSettings& g, int orientation);

// The checks run when an area field loses the focus. Each may correct a field and answers the
// message to show, empty when none.
enum class TGridField { OriginX, OriginY, Width, Height };
std::string CheckGridField(TGridSettings& g, TGridField left, int orientation);
