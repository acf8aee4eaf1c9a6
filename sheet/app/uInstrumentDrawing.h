#pragma once
// Turns pencil and compass records into strokes on the active layer: a pencil stroke becomes
// a free curve, fitted to a segment at pen lift when it was drawn along an edge; a compass
// stroke becomes an arc.
#include <cstdint>
#include <functional>

#include "platform/Colour.h"
#include "platform/Types.h"
#include "protocol/Protocol.h"
#include "sheet/layers/uPages.h"

class TInstrumentDrawing {
 public:
  struct Deps {
    std::function<TPage*()> firstLayer;  // none before the first page
    std::function<platform::TPoint(platform::TPoint)> screenToPage;
    std::function<void(const protocol::PencilRecord&)> relayPosition;
  };
  explicit TInstrumentDrawing(Deps deps) : deps_(std::move(deps)) {}

  void crayonChange(const protocol::PencilRecord& r);
  void compasChange(const protocol::CompassRecord& r);

  platform::TColor PencilColour = 255;
  int32_t PencilWidth = 2;
  platform::TColor CompassColour = 255;
  int32_t CompassWidth = 2;
  char PencilCommand = 0;
  char CompassCommand = 0;
  platform::TPoint PencilPoint;
  platform::TPoint NeedlePoint;
  platform::TPoint LeadPoint;

 private:
  // The active layer, and whether it is the one the stroke began on: a stroke ends where it
  // is when the active layer changes under it.
  TPage* activeLayer() const;
  bool strokeGoesOn(char previous, char drawing, uint64_t layerSerial) const;
  void record(uint8_t kind);

  Deps deps_;
  uint64_t pencilLayer_ = 0;
  uint64_t compassLayer_ = 0;
};
