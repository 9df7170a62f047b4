// Composition root: builds the Win32 system layer, installs it and runs the program.

#include "app/program.h"
#include "platform/system.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/windows_headers.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // The GUI (OLE, common controls, the application window) is started by the normal mode only,
  // when it creates its first window.
  int exit_code = 1;
  try {
    vkr::InstallSystem(vkr::win32::CreateWin32System());
    exit_code = vkr::RunProgram();
  } catch (...) {
    // The last funnel: an error that escaped the program ends it quietly.
    exit_code = 1;
  }
  // Ending here, rather than returning to the runtime, stops the detached workers before any
  // process-wide value is destroyed: a worker still sending a report or downloading must never
  // see a freed object.
  ::ExitProcess(static_cast<UINT>(exit_code));
}
