#pragma once
// The hub's messenger on the platform's window messaging, speaking as the sheet's window.
#include "platform/Messaging.h"
#include "sheet/app/uMessenger.h"

class TPlatformMessenger : public TMessenger {
 public:
  explicit TPlatformMessenger(const platform::MessageEndpoint& self) : self_(self) {}

  uint32_t RegisterMessage(std::string_view name) override;
  uint64_t FindWindow(std::string_view windowClass, std::string_view caption) override;
  int64_t Send(uint64_t to, uint32_t msg, int64_t wParam, int64_t lParam) override;
  void Post(uint64_t to, uint32_t msg, int64_t wParam, int64_t lParam) override;
  void SendRecord(uint64_t to, uint32_t code, const std::vector<uint8_t>& bytes) override;
  void StartProgram(std::string_view program, std::string_view windowClass,
                    std::string_view caption) override;

 private:
  const platform::MessageEndpoint& self_;
};
