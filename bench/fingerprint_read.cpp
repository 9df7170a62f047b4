// Times a full read of the three fingerprint properties (CPUSerial, HDDSerial, MacAddress) of a
// fresh TSysInfo against the real machine, as the statistics worker does once per report.
// Usage: fingerprint_read.exe [rounds]. Prints the fastest, median and slowest round in ms.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "sysinfo/sys_info.h"
#include "win32/real_system.h"

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  vkr::win32::RealSystem system;
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  std::vector<double> milliseconds;
  std::size_t characters = 0;
  for (int i = 0; i < rounds; ++i) {
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    ::QueryPerformanceCounter(&start);
    vkr::TSysInfo info;
    characters += info.CPUSerial().size() + info.HDDSerial().size() + info.MacAddress().size();
    ::QueryPerformanceCounter(&end);
    milliseconds.push_back(static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                           static_cast<double>(frequency.QuadPart));
  }
  std::sort(milliseconds.begin(), milliseconds.end());
  std::printf("fingerprint read: rounds %d, min %.2f ms, median %.2f ms, max %.2f ms (%u characters)\n", rounds,
              milliseconds.front(), milliseconds[milliseconds.size() / 2], milliseconds.back(),
              static_cast<unsigned>(characters / rounds));
  return 0;
}
