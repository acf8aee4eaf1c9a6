#pragma once
#include <string>

namespace platform {

// The screen's logical pixels per inch (96 on a usual desktop).
int screenPixelsPerInch();

// The folder of the running executable, ending with '/'.
std::string programDir();

// The user's documents folder.
std::string documentsDir();

}  // namespace platform
