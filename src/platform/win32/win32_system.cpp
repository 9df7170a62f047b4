#include "platform/win32/win32_system.h"

#include "platform/std_threads.h"
#include "platform/win32/browser_win32.h"
#include "platform/win32/canvas_win32.h"
#include "platform/win32/clock_win32.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/http_win32.h"
#include "platform/win32/machine_win32.h"
#include "platform/win32/processes_win32.h"
#include "platform/win32/profile_store_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/shell_win32.h"
#include "platform/win32/ui_win32.h"
#include "platform/win32/win32_windows.h"

namespace vkr::win32 {

System CreateWin32System() {
  // Built once and never destroyed: detached workers may still use them while the process ends.
  // The UI adapter makes the calling thread the GUI thread.
  static Win32Registry* const registry = new Win32Registry;
  static Win32ProfileStore* const profile = new Win32ProfileStore;
  static Win32Files* const files = new Win32Files;
  static Win32Shell* const shell = new Win32Shell;
  static Win32Processes* const processes = new Win32Processes;
  static Win32Http* const http = new Win32Http;
  static Win32Clock* const clock = new Win32Clock;
  static Win32Ui* const ui = new Win32Ui(/*start_gui=*/false);
  static StdThreads* const threads = new StdThreads;
  static Win32Machine* const machine = new Win32Machine;
  static Win32Graphics* const graphics = new Win32Graphics;
  static Win32BrowserFactory* const browsers = new Win32BrowserFactory;
  static Win32Windows* const windows =
      new Win32Windows([](HDC dc) -> std::unique_ptr<Canvas> { return std::make_unique<DcCanvas>(dc); }, ui);
  static Win32Tray* const tray = new Win32Tray;
  static Win32Menus* const menus = new Win32Menus;
  static Win32Resources* const resources = new Win32Resources;

  // In the order of System's members, whose types all differ: the compiler checks the order. No
  // desktop adapter: the core follows the Windows conventions itself.
  return System{registry, profile, files, shell,     processes,          http,
                clock,    machine, ui,    threads,   graphics,           browsers,
                windows,  tray,    menus, resources, /*desktop=*/nullptr};
}

}  // namespace vkr::win32
