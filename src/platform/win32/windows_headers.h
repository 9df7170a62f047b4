// The Windows headers for the adapters. Include this instead of <windows.h>: it removes the
// A/W macros that share a name with members of the system-layer interfaces, so that those
// members keep their names in every translation unit.
#pragma once

#include <windows.h>
#include <wininet.h>

#undef DeleteFile
#undef MessageBox
#undef RemoveDirectory
#undef ReplaceFile
