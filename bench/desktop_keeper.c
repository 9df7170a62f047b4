/* Keeps the prefix's desktop process running between the timed runs of the Wine benchmarks, as the
   shell keeps it running on Windows. Wine ends the desktop when the last program using it has
   ended and starts it again with the next one, which would put the desktop's own start-up inside
   every timed run. Shows nothing; runs until it is killed. */
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR command_line, int show) {
  (void)previous;
  (void)command_line;
  (void)show;
  /* A window that is never shown ties the process to the desktop. */
  HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, NULL, NULL, instance, NULL);
  if (!window) return 1;
  MSG message;
  while (GetMessageW(&message, NULL, 0, 0) > 0) {
    DispatchMessageW(&message);
  }
  return 0;
}
