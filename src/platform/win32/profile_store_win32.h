// Initialisation files through GetPrivateProfileStringW and WritePrivateProfileStringW.
#pragma once

#include "platform/profile_store.h"

namespace vkr::win32 {

class Win32ProfileStore : public ProfileStore {
 public:
  std::u16string ReadString(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                            const std::u16string& default_value, std::size_t buffer_chars) override;
  bool WriteString(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                   const std::u16string& value) override;
};

}  // namespace vkr::win32
