#pragma once

#include <functional>
#include <vector>

#include "platform/threads.h"

namespace vkr::testing {

// Keeps started bodies until the test runs them, so a test decides when a worker "runs".
class FakeThreads : public Threads {
 public:
  bool StartDetached(std::function<void()> body) override;
  // Runs and forgets every pending body (bodies started meanwhile run too).
  void RunAll();

  std::vector<std::function<void()>> pending;
  int started = 0;
  bool start_fails = false;
};

}  // namespace vkr::testing
