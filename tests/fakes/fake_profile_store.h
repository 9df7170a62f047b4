#pragma once

#include "fakes/fake_files.h"
#include "platform/profile_store.h"

namespace vkr::testing {

// Initialisation files kept as UTF-8 text in a FakeFiles, read and rewritten on every call as the
// system's profile functions do: sections and keys case-insensitive, blanks around a value
// removed, a write creating the file (its folder must exist) and the section.
class FakeProfileStore : public ProfileStore {
 public:
  explicit FakeProfileStore(FakeFiles& files) : files_(files) {}

  std::u16string ReadString(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                            const std::u16string& default_value, std::size_t buffer_chars) override;
  bool WriteString(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                   const std::u16string& value) override;

  int reads = 0;
  int writes = 0;

 private:
  FakeFiles& files_;
};

}  // namespace vkr::testing
