// Composition root: builds the Win32 system layer, installs it and runs the program.

#include "app/program.h"
#include "platform/system.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/windows_headers.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // OLE for the GUI thread: the embedded browser control and drag and drop need it.
  const HRESULT ole = ::OleInitialize(nullptr);
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  ::InitCommonControlsEx(&controls);

  int exit_code = 1;
  try {
    vkr::InstallSystem(vkr::win32::CreateWin32System());
    exit_code = vkr::RunProgram();
  } catch (...) {
    // The last funnel: an error that escaped the program ends it quietly.
    exit_code = 1;
  }
  if (SUCCEEDED(ole)) ::OleUninitialize();
  // Ending here, rather than returning to the runtime, stops the detached workers before any
  // process-wide value is destroyed: a worker still sending a report or downloading must never
  // see a freed object.
  ::ExitProcess(static_cast<UINT>(exit_code));
}
