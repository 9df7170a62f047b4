// Local time, the tick count and sleeping through kernel32.
#pragma once

#include "platform/clock.h"

namespace vkr::win32 {

class Win32Clock : public Clock {
 public:
  LocalTime Now() override;
  std::uint32_t TickCount() override;
  void Sleep(std::uint32_t milliseconds) override;
};

}  // namespace vkr::win32
