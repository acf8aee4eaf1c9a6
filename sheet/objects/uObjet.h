#pragma once
// What a layer asks of every drawing object it holds. The kinds themselves (curve, segment,
// point, arc, label) implement it.
#include "platform/Canvas.h"
#include "platform/Surface.h"
#include "platform/Types.h"

class TObjetGraphique {
 public:
  virtual ~TObjetGraphique() = default;

  // Paints on the layer's canvas according to selection and move state.
  virtual void Draw() = 0;
  // Paints on another canvas with coordinates and pen width multiplied by the scale.
  virtual void DrawScaled(platform::Canvas& target, double scale) = 0;
  virtual void SetSelected(bool selected) = 0;
  // Repaint rectangle in the page panel's coordinates.
  virtual platform::TRect GetBounds() const = 0;
  // A quarter turn within a page of width a and height b (turn true: portrait to landscape).
  virtual void QuarterTurn(bool turn, int a, int b) = 0;
};

// A text label is also a control of the page panel; the layer tells it about its layer.
class TLibelleBase : public platform::Control, public TObjetGraphique {
 public:
  // A label of an active layer comes to the front; one whose layer stops being active
  // deselects itself.
  virtual void SetLayerActive(bool active) = 0;
  // Shows or hides the label with its layer and repaints it.
  virtual void SetLayerVisible(bool visible) = 0;
  // Recomputes Left and Top from the label's page position and the first layer's place.
  virtual void PlaceOnPanel(platform::TPoint firstLayerOrigin) = 0;
};
