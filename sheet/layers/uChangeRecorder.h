#pragma once
// The undo journal as the layer operations see it: they record before a deletion, with the
// object's list position in the layer's LastDeletedIndex.
#include <cstdint>

class TPage;

class TChangeRecorder {
 public:
  virtual ~TChangeRecorder() = default;
  // kind as the journal numbers records (5..9: curve, segment, point, arc, label deleted).
  virtual void RecordChange(uint8_t kind, TPage& activeLayer) = 0;
};

// The sheet installs its journal; nullptr records nothing.
void SetChangeRecorder(TChangeRecorder* recorder);
TChangeRecorder* ChangeRecorder();
