#include "platform/win32/threads_win32.h"

#include <thread>
#include <utility>

namespace vkr::win32 {

bool Win32Threads::StartDetached(std::function<void()> body) {
  if (!body) return false;
  try {
    std::thread worker([body = std::move(body)]() noexcept {
      // The thread's entry: nothing may escape it, or the process would end.
      try {
        body();
      } catch (...) {
      }
    });
    worker.detach();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace vkr::win32
