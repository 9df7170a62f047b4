// The desktop's conventions for the few things the Windows program does through the Windows
// shell's: where the launcher's files live, how an address opens in the user's browser, and
// whether the launcher updates itself. The Linux edition installs its own; without one
// (Sys().desktop null) the core follows the Windows conventions itself.
#pragma once

#include <string>

#include "platform/types.h"

namespace vkr {

// Abstract so that tests can record what the launcher asked. Members never throw.
class Desktop {
 public:
  virtual ~Desktop() = default;

  // The launcher's data folder (lander.ini), created with any missing parents, with its
  // trailing separator. Any thread.
  virtual std::u16string DataDir() = 0;
  // The login skin picture that ships beside the program. Any thread.
  virtual std::u16string LoginSkinPath() = 0;
  // Shows the address in the user's web browser, outside the launcher. GUI thread.
  virtual void OpenUrl(WindowHandle owner, const std::u16string& url) = 0;
  // True when the launcher downloads and starts its own installer and companion updater; false
  // where the system's package manager updates it.
  virtual bool SelfUpdates() = 0;
};

}  // namespace vkr
