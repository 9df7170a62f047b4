#include "platform/win32/registry_win32.h"

#include "platform/win32/wide.h"
#include "platform/win32/windows_headers.h"

namespace vkr::win32 {
namespace {

// The predefined roots. Their RegKey ids are the low 32 bits of the system's root handles
// (win::HKEY_*); on a 64-bit build the handles themselves are sign-extended.
const HKEY kPredefinedRoots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
                                 HKEY_CURRENT_CONFIG};

RegKey RootId(HKEY root) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(root)); }

bool IsPredefinedRoot(RegKey key) {
  for (const HKEY root : kPredefinedRoots) {
    if (key == RootId(root)) return true;
  }
  return false;
}

// Every id that is not a root is the HKEY value itself.
HKEY ToHkey(RegKey key) {
  for (const HKEY root : kPredefinedRoots) {
    if (key == RootId(root)) return root;
  }
  return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(key));
}

RegKey FromHkey(HKEY key) { return static_cast<RegKey>(reinterpret_cast<std::uintptr_t>(key)); }

// Registry key names are at most 255 characters; value names at most 16383.
constexpr DWORD kMaxKeyNameChars = 256;
constexpr DWORD kMaxValueNameChars = 16384;

}  // namespace

long Win32Registry::OpenKey(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out) {
  *out = kNoRegKey;
  if (parent == kNoRegKey) return ERROR_INVALID_HANDLE;
  HKEY key = nullptr;
  const LONG result = ::RegOpenKeyExW(ToHkey(parent), Wide(path), 0, access, &key);
  if (result == ERROR_SUCCESS) *out = FromHkey(key);
  return result;
}

long Win32Registry::CreateKey(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out) {
  *out = kNoRegKey;
  if (parent == kNoRegKey) return ERROR_INVALID_HANDLE;
  HKEY key = nullptr;
  const LONG result = ::RegCreateKeyExW(ToHkey(parent), Wide(path), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                        nullptr, &key, nullptr);
  if (result == ERROR_SUCCESS) *out = FromHkey(key);
  return result;
}

long Win32Registry::QueryValue(RegKey key, const std::u16string& name, std::uint32_t* type,
                               std::vector<std::uint8_t>* data) {
  data->clear();
  DWORD value_type = REG_NONE;
  DWORD size = 0;
  LONG result = ::RegQueryValueExW(ToHkey(key), Wide(name), nullptr, &value_type, nullptr, &size);
  // The value may grow between the size query and the read; ask again until it fits.
  for (int attempt = 0; result == ERROR_SUCCESS && attempt < 8; ++attempt) {
    data->resize(size);
    DWORD got = size;
    result = ::RegQueryValueExW(ToHkey(key), Wide(name), nullptr, &value_type, size ? data->data() : nullptr, &got);
    if (result == ERROR_SUCCESS) {
      data->resize(got);
      *type = value_type;
      return result;
    }
    if (result == ERROR_MORE_DATA) {
      size = got;
      result = ERROR_SUCCESS;
    }
  }
  data->clear();
  return result == ERROR_SUCCESS ? ERROR_MORE_DATA : result;
}

long Win32Registry::SetValue(RegKey key, const std::u16string& name, std::uint32_t type,
                             const std::vector<std::uint8_t>& data) {
  return ::RegSetValueExW(ToHkey(key), Wide(name), 0, type, data.empty() ? nullptr : data.data(),
                          static_cast<DWORD>(data.size()));
}

long Win32Registry::DeleteValue(RegKey key, const std::u16string& name) {
  return ::RegDeleteValueW(ToHkey(key), Wide(name));
}

long Win32Registry::DeleteTree(RegKey key, const std::u16string& subkey) {
  // An empty subkey would empty the key itself instead of deleting a subkey.
  if (subkey.empty()) return ERROR_INVALID_PARAMETER;
  return ::RegDeleteTreeW(ToHkey(key), Wide(subkey));
}

long Win32Registry::EnumKey(RegKey key, std::uint32_t index, std::u16string* name) {
  wchar_t buffer[kMaxKeyNameChars];
  DWORD length = kMaxKeyNameChars;
  const LONG result = ::RegEnumKeyExW(ToHkey(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  *name = result == ERROR_SUCCESS ? FromWide(buffer, length) : std::u16string();
  return result;
}

long Win32Registry::EnumValue(RegKey key, std::uint32_t index, std::u16string* name) {
  std::wstring buffer(kMaxValueNameChars, L'\0');
  DWORD length = kMaxValueNameChars;
  const LONG result = ::RegEnumValueW(ToHkey(key), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
  *name = result == ERROR_SUCCESS ? FromWide(buffer.c_str(), length) : std::u16string();
  return result;
}

void Win32Registry::CloseKey(RegKey key) {
  if (key == kNoRegKey || IsPredefinedRoot(key)) return;
  ::RegCloseKey(ToHkey(key));
}

}  // namespace vkr::win32
