/* Prints, as UTF-8 lines, the class name and text of every child window of the visible top-level
 * windows whose caption is the first argument: "Static<TAB>text". The e2e tests use it to read the
 * text of a message box, which X tools cannot see. Exit code 0 when such a window exists, 1 when
 * none does, 2 on bad usage. */
#include <windows.h>

#include "caption.h"

static HANDLE output;

static void WriteUtf8(const WCHAR* text) {
  char buffer[4096];
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, NULL, NULL);
  if (bytes > 1) {
    DWORD written;
    WriteFile(output, buffer, (DWORD)bytes - 1, &written, NULL);
  }
}

static BOOL CALLBACK PrintChild(HWND child, LPARAM unused) {
  (void)unused;
  WCHAR class_name[256];
  WCHAR text[1024];
  if (GetClassNameW(child, class_name, 256) == 0) class_name[0] = 0;
  /* WM_GETTEXT reaches windows of other processes; GetWindowTextW would not. */
  if (SendMessageTimeoutW(child, WM_GETTEXT, 1024, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, NULL) == 0) text[0] = 0;
  text[1023] = 0;
  WriteUtf8(class_name);
  WriteUtf8(L"\t");
  WriteUtf8(text);
  WriteUtf8(L"\n");
  return TRUE;
}

struct Search {
  const WCHAR* caption;
  int found;
};

static BOOL CALLBACK VisitTopLevel(HWND window, LPARAM data) {
  struct Search* search = (struct Search*)data;
  if (!IsVisibleWithCaption(window, search->caption)) return TRUE;
  search->found = 1;
  EnumChildWindows(window, PrintChild, 0);
  return TRUE;
}

int main(void) {
  int count = 0;
  WCHAR** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == NULL || count != 2) return 2;
  output = GetStdHandle(STD_OUTPUT_HANDLE);
  struct Search search = {arguments[1], 0};
  EnumWindows(VisitTopLevel, (LPARAM)&search);
  LocalFree(arguments);
  return search.found ? 0 : 1;
}
