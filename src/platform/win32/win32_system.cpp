#include "platform/win32/win32_system.h"

namespace vkr::win32 {

System CreateWin32System() {
  System system;
  // The adapters are added concern by concern.
  return system;
}

}  // namespace vkr::win32
