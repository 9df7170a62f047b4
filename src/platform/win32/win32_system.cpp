#include "platform/win32/win32_system.h"

#include "platform/win32/machine_win32.h"

namespace vkr::win32 {

System CreateWin32System() {
  System system;
  static Win32Machine machine;
  system.machine = &machine;
  // The adapters are added concern by concern.
  return system;
}

}  // namespace vkr::win32
