/* What the window tools share: whether a top-level window is visible and its caption is exactly
 * the one asked for (the caption read as GetWindowTextW gives it, up to 1023 characters). */
#pragma once

#include <windows.h>

static inline BOOL IsVisibleWithCaption(HWND window, const WCHAR* wanted) {
  WCHAR caption[1024];
  if (!IsWindowVisible(window)) return FALSE;
  if (GetWindowTextW(window, caption, 1024) == 0) return FALSE;
  return lstrcmpW(caption, wanted) == 0;
}
