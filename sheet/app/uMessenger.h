#pragma once
// The window-message services the instrument hub uses; the program plugs in the platform's
// messaging, tests a recording double.
#include <cstdint>
#include <string_view>
#include <vector>

class TMessenger {
 public:
  virtual ~TMessenger() = default;
  virtual uint32_t RegisterMessage(std::string_view name) = 0;
  // 0 when no such window exists.
  virtual uint64_t FindWindow(std::string_view windowClass, std::string_view caption) = 0;
  virtual int64_t Send(uint64_t to, uint32_t msg, int64_t wParam, int64_t lParam) = 0;
  virtual void Post(uint64_t to, uint32_t msg, int64_t wParam, int64_t lParam) = 0;
  // WM_COPYDATA with the sheet's window as wParam.
  virtual void SendRecord(uint64_t to, uint32_t code, const std::vector<uint8_t>& bytes) = 0;
  // Starts the program and returns when its window appears or after the time-out.
  virtual void StartProgram(std::string_view program, std::string_view windowClass,
                            std::string_view caption) = 0;
};
