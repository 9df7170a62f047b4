/* Sends WM_NULL, with a time-out, to every visible top-level window whose caption is the first
 * argument, and prints how many answered and how many did not: "answered N unanswered M". A window
 * whose thread hangs does not answer within the time-out (the second argument, in milliseconds,
 * 5000 when absent). The e2e tests use it to show that the launcher's GUI thread still runs while
 * its workers wait for the network. Exit code 0 when at least one window answered and none failed,
 * 1 otherwise, 2 on bad usage. */
#include <stdio.h>
#include <windows.h>

#include "caption.h"

struct Ping {
  const WCHAR* caption;
  UINT timeout_ms;
  int answered;
  int unanswered;
};

static BOOL CALLBACK PingTopLevel(HWND window, LPARAM data) {
  struct Ping* ping = (struct Ping*)data;
  if (!IsVisibleWithCaption(window, ping->caption)) return TRUE;
  DWORD_PTR result = 0;
  if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, ping->timeout_ms, &result) != 0) {
    ping->answered++;
  } else {
    ping->unanswered++;
  }
  return TRUE;
}

int main(void) {
  int count = 0;
  WCHAR** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == NULL || count < 2 || count > 3) return 2;
  struct Ping ping = {arguments[1], 5000, 0, 0};
  if (count == 3) ping.timeout_ms = (UINT)_wtoi(arguments[2]);
  EnumWindows(PingTopLevel, (LPARAM)&ping);
  printf("answered %d unanswered %d\n", ping.answered, ping.unanswered);
  LocalFree(arguments);
  return ping.answered > 0 && ping.unanswered == 0 ? 0 : 1;
}
