// Detached worker threads on std::thread (the POSIX-threads MinGW runtime).
#pragma once

#include "platform/threads.h"

namespace vkr::win32 {

class Win32Threads : public Threads {
 public:
  bool StartDetached(std::function<void()> body) override;
};

}  // namespace vkr::win32
