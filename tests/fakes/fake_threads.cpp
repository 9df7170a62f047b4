#include "fakes/fake_threads.h"

namespace vkr::testing {

bool FakeThreads::StartDetached(std::function<void()> body) {
  if (start_fails) return false;
  ++started;
  pending.push_back(std::move(body));
  return true;
}

void FakeThreads::RunAll() {
  while (!pending.empty()) {
    auto body = std::move(pending.front());
    pending.erase(pending.begin());
    body();
  }
}

}  // namespace vkr::testing
