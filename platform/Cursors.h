#pragma once
#include <string>
#include <vector>

class QWidget;

namespace platform {

// Cursors registered under numbers, as the screen's cursor list. `art` rows use ' ' for
// transparent, 'X' for black and 'o' for white.
void registerCursor(int number, const std::vector<std::string>& art, int hotX, int hotY);
bool hasCursor(int number);
// 0 gives the default arrow.
void applyCursor(QWidget& widget, int number);

}  // namespace platform
