#include "Dialogs.h"

#include "QtDialogs.h"

namespace platform {

namespace {

Dialogs* installed = nullptr;

}  // namespace

Dialogs& dialogs() {
  if (installed) return *installed;
  static QtDialogs qt;
  return qt;
}

void setDialogs(Dialogs* d) {
  installed = d;
}

}  // namespace platform
