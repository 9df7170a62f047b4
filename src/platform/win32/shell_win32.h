// The shell: special and known folders, ShellExecuteW and shell links.
#pragma once

#include "platform/shell.h"

namespace vkr::win32 {

class Win32Shell : public Shell {
 public:
  std::u16string SpecialFolder(int csidl) override;
  std::u16string KnownFolderPath(KnownFolder folder) override;
  std::intptr_t Execute(WindowHandle owner, const std::u16string& verb, const std::u16string& file,
                        const std::u16string& parameters, const std::u16string& directory, int show) override;
  std::u16string ResolveShortcut(const std::u16string& path) override;
};

}  // namespace vkr::win32
