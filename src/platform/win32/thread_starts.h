// Waiting for threads that have been created but not yet started, before the process ends.
#pragma once

#include <cstdint>

namespace vkr::win32 {

// Waits, at most `timeout_ms`, until every other thread of the process has started (has run the
// program's thread-attach notification). WinINet starts a thread of its own when it keeps an
// answered connection for reuse; a process that ends while such a thread is still starting is
// ended by SIGSEGV under Wine. Returns true when no thread was left starting.
bool WaitForStartingThreads(std::uint32_t timeout_ms);

}  // namespace vkr::win32
