#include "UGrille.h"

#include <cmath>

int PageWidthPx(int ppi) {
  return int(std::nearbyint(ppi * 210 / 25.4));
}
int PageHeightPx(int ppi) {
  return int(std::nearbyint(ppi * 297 / 25.4));
}

TPageSize PageSizeFor(int orientation, int ppi) {
  const int shortSide = PageWidthPx(ppi), longSide = PageHeightPx(ppi);
  return orientation == 1 ? TPageSize{longSide, shortSide} : TPageSize{shortSide, longSide};
}
