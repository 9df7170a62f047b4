// The update check worker: started once by the login window, it makes sure the companion is
// installed, compares the launcher's version with the platform's description file, and when a
// newer launcher exists, announces it, downloads and starts the installer and closes the launcher.
#pragma once

#include <functional>
#include <string>

namespace vkr {

class TUpdataThread {
 public:
  // Starts the worker on a thread of its own. `close_app` is the login window's CloseApp; the
  // worker runs it through one synchronous call on the GUI thread. False when no thread could be
  // started.
  static bool Start(std::function<void()> close_app);

  // The worker's run, on the calling thread (the thread body; also called directly by tests).
  static void Execute(const std::function<void()>& close_app);
};

}  // namespace vkr
