// Plain value types shared by the system-layer interfaces. Nothing here includes a Windows
// header; the few Windows constants the core needs are defined by value in win_constants.h.
#pragma once

#include <cstdint>
#include <string>

namespace vkr {

// An opaque window identifier: the HWND's value in the Win32 build, any non-zero id in fakes.
using WindowHandle = std::uintptr_t;
constexpr WindowHandle kNoWindow = 0;

// Local wall-clock time, as the system reports it.
struct LocalTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

}  // namespace vkr
