#pragma once

#include <map>
#include <vector>

#include "platform/shell.h"

namespace vkr::testing {

// Records every shell request. Special and known folders default to a typical Windows 7 layout.
class FakeShell : public Shell {
 public:
  FakeShell();

  std::u16string SpecialFolder(int csidl) override;
  std::u16string KnownFolderPath(KnownFolder folder) override;
  std::intptr_t Execute(WindowHandle owner, const std::u16string& verb, const std::u16string& file,
                        const std::u16string& parameters, const std::u16string& directory, int show) override;
  std::u16string ResolveShortcut(const std::u16string& path) override;

  struct Execution {
    WindowHandle owner;
    std::u16string verb, file, parameters, directory;
    int show;
  };
  std::vector<Execution> executions;
  std::map<int, std::u16string> folders;                // by CSIDL, without trailing separator
  std::map<KnownFolder, std::u16string> known_folders;  // without trailing separator
  std::map<std::u16string, std::u16string> shortcuts;   // lower-cased link path -> target
  // Results handed out by Execute in order; 42 (success) once they are used up.
  std::vector<std::intptr_t> results;
};

}  // namespace vkr::testing
