#include "platform/win32/profile_store_win32.h"

#include <limits>

#include "platform/win32/wide.h"
#include "platform/win32/windows_headers.h"

namespace vkr::win32 {

std::u16string Win32ProfileStore::ReadString(const std::u16string& path, const std::u16string& section,
                                             const std::u16string& key, const std::u16string& default_value,
                                             std::size_t buffer_chars) {
  if (buffer_chars == 0) return u"";
  if (buffer_chars > std::numeric_limits<DWORD>::max()) buffer_chars = std::numeric_limits<DWORD>::max();
  std::wstring buffer(buffer_chars, L'\0');
  // Section and key are always passed as texts: a null key would list the section's keys.
  const DWORD length = ::GetPrivateProfileStringW(Wide(section), Wide(key), Wide(default_value), buffer.data(),
                                                  static_cast<DWORD>(buffer_chars), Wide(path));
  return FromWide(buffer.c_str(), length < buffer_chars ? length : buffer_chars - 1);
}

bool Win32ProfileStore::WriteString(const std::u16string& path, const std::u16string& section,
                                    const std::u16string& key, const std::u16string& value) {
  return ::WritePrivateProfileStringW(Wide(section), Wide(key), Wide(value), Wide(path)) != FALSE;
}

}  // namespace vkr::win32
