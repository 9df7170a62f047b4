#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vkr {

// A registry key identifier. The predefined roots are the values of win::HKEY_* (win_constants.h);
// keys opened through Registry are other non-zero values and must be given back to CloseKey.
using RegKey = std::uint64_t;
constexpr RegKey kNoRegKey = 0;

// The system registry. Abstract so that tests can replace it with an in-memory registry.
// Every member returns a Win32 error code (win::ERROR_SUCCESS on success) and never throws.
// Paths are relative to the given key, without a leading separator. `access` is a KEY_* mask and
// may carry KEY_WOW64_32KEY or KEY_WOW64_64KEY to select a view; without either the process's
// own view applies (the 32-bit view for the 32-bit launcher). May be called from any thread.
class Registry {
 public:
  virtual ~Registry() = default;

  // Opens an existing key. On failure *out is kNoRegKey.
  virtual long OpenKey(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out) = 0;
  // Opens a key, creating it and any missing parents.
  virtual long CreateKey(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out) = 0;
  // Reads a value's type and raw bytes (strings as UTF-16LE, with whatever terminator is stored).
  // An empty name is the key's default value.
  virtual long QueryValue(RegKey key, const std::u16string& name, std::uint32_t* type,
                          std::vector<std::uint8_t>* data) = 0;
  virtual long SetValue(RegKey key, const std::u16string& name, std::uint32_t type,
                        const std::vector<std::uint8_t>& data) = 0;
  virtual long DeleteValue(RegKey key, const std::u16string& name) = 0;
  // Deletes the subkey with all its subkeys and values.
  virtual long DeleteTree(RegKey key, const std::u16string& subkey) = 0;
  // The name of the index-th subkey; win::ERROR_NO_MORE_ITEMS past the last.
  virtual long EnumKey(RegKey key, std::uint32_t index, std::u16string* name) = 0;
  // The name of the index-th value; win::ERROR_NO_MORE_ITEMS past the last.
  virtual long EnumValue(RegKey key, std::uint32_t index, std::u16string* name) = 0;
  // Releases a key from OpenKey or CreateKey; predefined roots and kNoRegKey are ignored.
  virtual void CloseKey(RegKey key) = 0;
};

}  // namespace vkr
