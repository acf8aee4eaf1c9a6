#pragma once
#include <QTabBar>

#include "sheet/layers/uPages.h"

// One tab per layer, in chain order, the active layer's selected (the last active one if
// several carry the flag, the first tab if none).
void RebuildTabs(QTabBar& tabs, TPage* firstLayer);
