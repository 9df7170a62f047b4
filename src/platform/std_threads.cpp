#include "platform/std_threads.h"

#include <thread>
#include <utility>

namespace vkr {

bool StdThreads::StartDetached(std::function<void()> body) {
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

}  // namespace vkr
