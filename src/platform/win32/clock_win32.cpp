#include "platform/win32/clock_win32.h"

#include "platform/win32/windows_headers.h"

namespace vkr::win32 {

LocalTime Win32Clock::Now() {
  SYSTEMTIME time{};
  ::GetLocalTime(&time);
  LocalTime now;
  now.year = time.wYear;
  now.month = time.wMonth;
  now.day = time.wDay;
  now.hour = time.wHour;
  now.minute = time.wMinute;
  now.second = time.wSecond;
  return now;
}

std::uint32_t Win32Clock::TickCount() { return ::GetTickCount(); }

void Win32Clock::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace vkr::win32
