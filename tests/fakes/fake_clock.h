#pragma once

#include <vector>

#include "platform/clock.h"

namespace vkr::testing {

// A fixed clock; Sleep advances the tick count and is recorded instead of waiting.
class FakeClock : public Clock {
 public:
  LocalTime Now() override { return now; }
  std::uint32_t TickCount() override { return ticks; }
  void Sleep(std::uint32_t milliseconds) override {
    sleeps.push_back(milliseconds);
    ticks += milliseconds;
  }

  LocalTime now{2026, 12, 10, 9, 5, 3};
  std::uint32_t ticks = 1000;
  std::vector<std::uint32_t> sleeps;
};

}  // namespace vkr::testing
