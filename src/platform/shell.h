#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace vkr {

// Folders that the shell names by a known-folder id only, without a CSIDL number.
enum class KnownFolder {
  kDownloads,
  kSavedGames,
  kLinks,
  kLocalAppDataLow,   // AppData\LocalLow
  kUserProgramFiles,  // AppData\Local\Programs
};

// The Windows shell. Abstract so that tests can record what the launcher asks of it.
class Shell {
 public:
  virtual ~Shell() = default;

  // The special folder by CSIDL number as the shell names it, without creating it; empty when
  // the shell cannot name it. Any thread.
  virtual std::u16string SpecialFolder(int csidl) = 0;
  // The known folder as the shell names it, without creating it; empty when the shell cannot
  // name it (an older system, a folder the system does not know). Any thread.
  virtual std::u16string KnownFolderPath(KnownFolder folder) = 0;
  // ShellExecuteW. An empty verb, parameters or directory is passed as no value (null). Returns
  // the shell's result code: greater than 32 on success. GUI thread or a thread with COM.
  virtual std::intptr_t Execute(WindowHandle owner, const std::u16string& verb, const std::u16string& file,
                                const std::u16string& parameters, const std::u16string& directory, int show) = 0;
  // The target path of a shell link (.lnk) through the shell-link object; empty when any step
  // fails.
  virtual std::u16string ResolveShortcut(const std::u16string& path) = 0;
};

}  // namespace vkr
