#pragma once

#include <cstdint>

#include "platform/types.h"

namespace vkr {

// Time. Abstract so that tests can fix the time and skip the waits. Any thread.
class Clock {
 public:
  virtual ~Clock() = default;

  virtual LocalTime Now() = 0;
  virtual std::uint32_t TickCount() = 0;  // milliseconds since start, wrapping
  virtual void Sleep(std::uint32_t milliseconds) = 0;
};

}  // namespace vkr
