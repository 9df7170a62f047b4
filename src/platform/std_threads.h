// Detached worker threads on std::thread, for both editions (on Windows through the POSIX-threads
// MinGW-w64 runtime).
#pragma once

#include "platform/threads.h"

namespace vkr {

class StdThreads : public Threads {
 public:
  bool StartDetached(std::function<void()> body) override;
};

}  // namespace vkr
