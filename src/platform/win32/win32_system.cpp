#include "platform/win32/win32_system.h"

#include "platform/win32/browser_win32.h"
#include "platform/win32/canvas_win32.h"

namespace vkr::win32 {

System CreateWin32System() {
  System system;
  // The adapters are added concern by concern.
  static Win32Graphics graphics;
  system.graphics = &graphics;
  static Win32BrowserFactory browsers;
  system.browsers = &browsers;
  return system;
}

}  // namespace vkr::win32
