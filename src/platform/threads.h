#pragma once

#include <functional>

namespace vkr {

// Worker threads. Abstract so that tests can run a worker's body when they choose.
class Threads {
 public:
  virtual ~Threads() = default;

  // Starts a detached thread running `body`; the body must catch everything itself. False when
  // no thread could be started (the body is then not run).
  virtual bool StartDetached(std::function<void()> body) = 0;
};

}  // namespace vkr
