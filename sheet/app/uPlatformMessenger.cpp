#include "uPlatformMessenger.h"

#include "platform/Shell.h"

uint32_t TPlatformMessenger::RegisterMessage(std::string_view name) {
  return platform::registerMessage(std::string(name));
}

uint64_t TPlatformMessenger::FindWindow(std::string_view windowClass, std::string_view caption) {
  return platform::findWindow(std::string(windowClass), std::string(caption));
}

int64_t TPlatformMessenger::Send(uint64_t to, uint32_t msg, int64_t wParam, int64_t lParam) {
  return self_.send(to, msg, uint64_t(wParam), lParam);
}

void TPlatformMessenger::Post(uint64_t to, uint32_t msg, int64_t wParam, int64_t lParam) {
  self_.post(to, msg, uint64_t(wParam), lParam);
}

void TPlatformMessenger::SendRecord(uint64_t to, uint32_t code, const std::vector<uint8_t>& bytes) {
  self_.sendCopyData(to, code, bytes);
}

void TPlatformMessenger::StartProgram(std::string_view program, std::string_view windowClass,
                                      std::string_view caption) {
  platform::StartOptions o;
  o.windowClass = std::string(windowClass);
  o.caption = std::string(caption);
  platform::startProgram(std::string(program), o);
}
