#include "uOverlays.h"

namespace {
TPageOverlays* overlays = nullptr;
}

void SetPageOverlays(TPageOverlays* o) {
  overlays = o;
}
TPageOverlays* PageOverlays() {
  return overlays;
}
