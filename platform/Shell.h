#pragma once
// Starting programs and opening documents, as the desktop shell does.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Messaging.h"

namespace platform {

struct StartOptions {
  // The window to wait for. Without a class, any window of the started process will do.
  std::string windowClass;
  std::optional<std::string> caption;
  std::vector<std::string> arguments;
  int timeoutMs = 5000;
};

struct StartedProgram {
  int64_t pid = 0;          // 0: the program could not be started
  WindowHandle window = 0;  // 0: no window within the time-out
};

// "Name.exe" (or "Name") as the executable Name in programDir(), else on PATH; empty when
// there is none.
std::string findProgram(const std::string& exeName);

// Starts the program detached and returns once its window is on the message layer or after the
// time-out. Sends that arrive meanwhile are handled (the program may report to us at once).
StartedProgram startProgram(const std::string& exeName, const StartOptions& options = {});

// What openDocument opens: URLs as they are, '\' turned into '/', a relative path taken in
// programDir().
std::string documentLocation(const std::string& path);

// Opens a document or URL with the desktop's default program; false when none took it.
bool openDocument(const std::string& path);

}  // namespace platform
