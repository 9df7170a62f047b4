// The Win32 system layer: one adapter of each concern, built by the composition root.
#pragma once

#include "platform/system.h"

namespace vkr::win32 {

// Creates the real adapters (once per process) and returns the aggregate pointing at them.
System CreateWin32System();

}  // namespace vkr::win32
