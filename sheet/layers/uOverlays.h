#pragma once
// The grid and the coordinate frame, as the layers see them: every visible layer paints them
// under its objects. The sheet installs the painter; without one nothing is drawn.
#include "platform/Canvas.h"
#include "platform/Types.h"

class TPageOverlays {
 public:
  virtual ~TPageOverlays() = default;
  // On a layer's own repaint (scale 1, page rectangle of the layer).
  virtual void PaintOnLayer(platform::Canvas& canvas, const platform::TRect& page) = 0;
  // On a foreign canvas at a scale (printing, pictures).
  virtual void PaintScaled(platform::Canvas& canvas, const platform::TRect& page, double scale) = 0;
};

void SetPageOverlays(TPageOverlays* overlays);
TPageOverlays* PageOverlays();
