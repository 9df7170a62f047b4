// The Windows headers for the adapters, in the order they need. Include this instead of
// <windows.h> and the other system headers: it also removes the A/W macros that share a name with
// members of the system-layer interfaces, so that those members keep their names in every
// translation unit.
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <knownfolders.h>
#include <shobjidl.h>
#include <tlhelp32.h>
#include <wininet.h>
// clang-format on

#undef DeleteFile
#undef MessageBox
#undef RemoveDirectory
#undef ReplaceFile
