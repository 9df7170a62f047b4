/* A tiny Windows program that records that it ran: it appends its command line, as UTF-8, to a
 * file named after itself with ".ran" added (C:\dir\name.exe writes C:\dir\name.exe.ran), then
 * ends. The stand-in serves it as the installer and the companion updater, and the tests place it
 * wherever the launcher is expected to start a program. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  (void)instance;
  (void)previous;
  (void)command_line;
  (void)show;
  WCHAR path[MAX_PATH + 8];
  DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return 1;
  lstrcpyW(path + length, L".ran");

  const WCHAR* line = GetCommandLineW();
  int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, NULL, 0, NULL, NULL);
  if (bytes <= 0) return 1;
  char* text = (char*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)bytes + 2);
  if (text == NULL) return 1;
  WideCharToMultiByte(CP_UTF8, 0, line, -1, text, bytes, NULL, NULL);
  text[bytes - 1] = '\r';
  text[bytes] = '\n';

  int result = 1;
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    if (WriteFile(file, text, (DWORD)bytes + 1, &written, NULL) && written == (DWORD)bytes + 1) result = 0;
    CloseHandle(file);
  }
  HeapFree(GetProcessHeap(), 0, text);
  return result;
}
