#include "uChangeRecorder.h"

namespace {
TChangeRecorder* recorder = nullptr;
}

void SetChangeRecorder(TChangeRecorder* r) {
  recorder = r;
}
TChangeRecorder* ChangeRecorder() {
  return recorder;
}
