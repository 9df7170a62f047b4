// Composition root: builds the Win32 system layer, installs it and runs the program.

#include "app/program.h"
#include "platform/system.h"
#include "platform/win32/thread_starts.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/windows_headers.h"

namespace {
// The longest the end waits for threads that are still starting.
constexpr std::uint32_t kStartingThreadsWaitMs = 2000;
}  // namespace

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
  //
  // A thread that is still starting when the process ends takes the process down with it under
  // Wine (SIGSEGV during the end), and WinINet starts one as the last answer of a run comes in:
  // it keeps the kept-alive connection for reuse and starts a thread to expire it. The end waits
  // until such threads have started, a few milliseconds at most.
  vkr::win32::WaitForStartingThreads(kStartingThreadsWaitMs);
  ::ExitProcess(static_cast<UINT>(exit_code));
}
