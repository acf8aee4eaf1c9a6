#include "uInstrumentDrawing.h"

#include "sheet/layers/uChangeRecorder.h"

namespace pc = protocol::pencil_cmd;
namespace cc = protocol::compass_cmd;

TPage* TInstrumentDrawing::activeLayer() const {
  TPage* first = deps_.firstLayer ? deps_.firstLayer() : nullptr;
  return first ? first->ActiveLayer() : nullptr;
}

bool TInstrumentDrawing::strokeGoesOn(char previous, char drawing, uint64_t layerSerial) const {
  if (previous != drawing) return false;
  TPage* a = activeLayer();
  return a && a->Serial == layerSerial;
}

void TInstrumentDrawing::record(uint8_t kind) {
  TPage* a = activeLayer();
  if (a && ChangeRecorder()) ChangeRecorder()->RecordChange(kind, *a);
}

void TInstrumentDrawing::crayonChange(const protocol::PencilRecord& r) {
  char previous = PencilCommand;
  PencilCommand = r.command;
  if (protocol::setsColour(r.command)) PencilColour = r.colour;
  if (protocol::setsThickness(r.command)) PencilWidth = r.thickness;
  if (protocol::isStyleCommand(r.command)) return;

  PencilPoint = deps_.screenToPage(r.tip);
  if (deps_.relayPosition) deps_.relayPosition(r);

  // 'D' and 'T' are one stroke; a stroke whose layer is no longer active has ended.
  const bool drawing = previous == pc::kDownAlongEdge || previous == pc::kDownFree;
  if (drawing && !strokeGoesOn(previous, previous, pencilLayer_)) previous = 0;

  TPage* first = deps_.firstLayer ? deps_.firstLayer() : nullptr;
  if (!first) return;
  if (r.command == pc::kLifted) {
    if (previous == pc::kDownAlongEdge) {
      if (first->CurveToSegment()) record(1);
    } else if (previous == pc::kDownFree) {
      record(0);
    }
  } else if (r.command == pc::kDownAlongEdge || r.command == pc::kDownFree) {
    if (previous == pc::kDownAlongEdge || previous == pc::kDownFree) {
      first->ExtendCurve(PencilPoint);
    } else if (TPage* a = first->ActiveLayer()) {
      first->StartCurve(PencilPoint, uint8_t(PencilWidth & 0xFF), PencilColour);
      pencilLayer_ = a->Serial;
    }
  }
}

void TInstrumentDrawing::compasChange(const protocol::CompassRecord& r) {
  char previous = CompassCommand;
  CompassCommand = r.command;
  if (protocol::setsColour(r.command)) CompassColour = r.colour;
  if (protocol::setsThickness(r.command)) CompassWidth = r.thickness;
  if (protocol::isStyleCommand(r.command)) return;

  LeadPoint = deps_.screenToPage(r.lead);
  NeedlePoint = deps_.screenToPage(r.needle);
  if (previous == cc::kLeadDown && !strokeGoesOn(previous, cc::kLeadDown, compassLayer_))
    previous = 0;

  TPage* first = deps_.firstLayer ? deps_.firstLayer() : nullptr;
  if (!first) return;
  if (r.command == cc::kLeadLifted && previous == cc::kLeadDown) {
    if (first->CurveToArc(NeedlePoint)) record(3);
  } else if (r.command == cc::kLeadDown) {
    if (previous == cc::kLeadDown) {
      first->ExtendCurveArc(LeadPoint, NeedlePoint);
    } else if (TPage* a = first->ActiveLayer()) {
      first->StartCurve(LeadPoint, uint8_t(CompassWidth & 0xFF), CompassColour);
      compassLayer_ = a->Serial;
    }
  }
}
