/* Presses a button of another process's dialog: press_button CAPTION TEXT finds the visible
 * top-level windows whose caption is CAPTION, and in each the child button whose text is TEXT, and
 * posts the dialog the notification the button sends when clicked. The e2e tests use it for the
 * boxes that the launcher's workers show: it needs neither the keyboard focus nor the mouse, which a
 * display without a window manager gives out unreliably. Exit code 0 when a button was pressed, 1
 * when none was found, 2 on bad usage. */
#include <windows.h>

#include "caption.h"

struct Press {
  const WCHAR* caption;
  const WCHAR* text;
  HWND dialog;
  int pressed;
};

static BOOL CALLBACK PressChild(HWND child, LPARAM data) {
  struct Press* press = (struct Press*)data;
  WCHAR class_name[64];
  WCHAR text[256];
  if (GetClassNameW(child, class_name, 64) == 0 || lstrcmpiW(class_name, L"Button") != 0) return TRUE;
  if (SendMessageTimeoutW(child, WM_GETTEXT, 256, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, NULL) == 0) return TRUE;
  text[255] = 0;
  if (lstrcmpW(text, press->text) != 0) return TRUE;
  if (PostMessageW(press->dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(child), BN_CLICKED), (LPARAM)child)) {
    press->pressed++;
  }
  return FALSE;
}

static BOOL CALLBACK VisitTopLevel(HWND window, LPARAM data) {
  struct Press* press = (struct Press*)data;
  if (!IsVisibleWithCaption(window, press->caption)) return TRUE;
  press->dialog = window;
  EnumChildWindows(window, PressChild, data);
  return TRUE;
}

int main(void) {
  int count = 0;
  WCHAR** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == NULL || count != 3) return 2;
  struct Press press = {arguments[1], arguments[2], NULL, 0};
  EnumWindows(VisitTopLevel, (LPARAM)&press);
  LocalFree(arguments);
  return press.pressed > 0 ? 0 : 1;
}
