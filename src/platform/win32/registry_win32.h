// The registry through the advapi32 functions. RegKey ids are HKEY values: the predefined roots
// are the system's own root handles, opened keys are the HKEY the system gave.
#pragma once

#include "platform/registry.h"

namespace vkr::win32 {

class Win32Registry : public Registry {
 public:
  long OpenKey(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out) override;
  long CreateKey(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out) override;
  long QueryValue(RegKey key, const std::u16string& name, std::uint32_t* type,
                  std::vector<std::uint8_t>* data) override;
  long SetValue(RegKey key, const std::u16string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data) override;
  long DeleteValue(RegKey key, const std::u16string& name) override;
  long DeleteTree(RegKey key, const std::u16string& subkey) override;
  long EnumKey(RegKey key, std::uint32_t index, std::u16string* name) override;
  long EnumValue(RegKey key, std::uint32_t index, std::u16string* name) override;
  void CloseKey(RegKey key) override;
};

}  // namespace vkr::win32
