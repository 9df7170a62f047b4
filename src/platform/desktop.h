// The desktop's conventions for the few things the Windows program does through the Windows
// shell's: where the launcher's files live, how an address opens in the user's browser, whether
// the launcher updates itself, how it starts with the session, and which of its own copies run.
// The Linux edition installs its own; without one (Sys().desktop null) the core follows the
// Windows conventions itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace vkr {

// Abstract so that tests can record what the launcher asked. Members never throw. Paths use the
// desktop's own separator ("/") and name folders without a trailing one unless said otherwise.
class Desktop {
 public:
  virtual ~Desktop() = default;

  // The launcher's data folder (lander.ini), created with any missing parents, with its
  // trailing separator. Any thread.
  virtual std::u16string DataDir() = 0;
  // The login skin picture that ships with the program. Any thread.
  virtual std::u16string LoginSkinPath() = 0;
  // Shows the address in the user's web browser, outside the launcher. GUI thread.
  virtual void OpenUrl(WindowHandle owner, const std::u16string& url) = 0;
  // True when the launcher downloads and starts its own installer and companion updater; false
  // where the system's package manager updates it.
  virtual bool SelfUpdates() = 0;

  // The file of the user's autostart entry that starts the launcher with the session; empty
  // when the desktop names no place for one. Its folder may not exist yet. Any thread.
  virtual std::u16string AutostartEntryPath() = 0;
  // The folders that hold the pages' data and cache: the launcher's alone, nothing else is kept
  // in them. Any thread.
  virtual std::vector<std::u16string> BrowserDataFolders() = 0;
  // The ids of the other running copies of the launcher that use this user's data folder (the
  // own process never among them). Any thread.
  virtual std::vector<std::uint32_t> OtherCopies() = 0;
};

}  // namespace vkr
