#pragma once

#include <cstddef>
#include <string>

namespace vkr {

// The system's initialisation-file functions on a file path (GetPrivateProfileStringW and
// WritePrivateProfileStringW). Abstract so that tests can replace it with an in-memory store.
// May be called from any thread; each call is one system call.
class ProfileStore {
 public:
  virtual ~ProfileStore() = default;

  // The value of `key` in `section`, or `default_value` when the file, section or key is absent.
  // A key present with an empty value gives the empty text. At most buffer_chars - 1 characters
  // are returned, as with the system's fixed-size buffer.
  virtual std::u16string ReadString(const std::u16string& path, const std::u16string& section,
                                    const std::u16string& key, const std::u16string& default_value,
                                    std::size_t buffer_chars) = 0;
  // Writes the value, creating the file and section when needed; false when the write failed.
  virtual bool WriteString(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                           const std::u16string& value) = 0;
};

}  // namespace vkr
