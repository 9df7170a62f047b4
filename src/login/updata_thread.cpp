#include "login/updata_thread.h"

#include "platform/system.h"

namespace vkr {

bool TUpdataThread::Start(std::function<void()> close_app) {
  return Sys().threads->StartDetached([close_app = std::move(close_app)]() {
    try {
      Execute(close_app);
    } catch (...) {
      // The worker ends silently on any error it did not expect.
    }
  });
}

void TUpdataThread::Execute(const std::function<void()>& /*close_app*/) {
  // The update check is added with the update worker.
}

}  // namespace vkr
