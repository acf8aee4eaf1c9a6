#pragma once
// Page size: A4 at the screen's resolution.

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
