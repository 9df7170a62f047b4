// The os-release reading over arbitrary text: a value never holds a control character, and the
// description is never empty, has no blank at either end and never two in a row.
#include <string>

#include "fuzz_support.h"
#include "sysinfo/os_description.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(bytes), size);
  for (const char* key : {"PRETTY_NAME", "NAME", "VERSION", ""}) {
    const std::optional<std::u16string> value = vkr::OsReleaseValue(text, key);
    if (!value) continue;
    for (const char16_t c : *value) VKR_FUZZ_CHECK(c >= 0x20 && c != 0x7F);
  }
  for (const std::uint16_t architecture : {0, 9, 0xFFFF}) {
    const std::u16string description = vkr::DescribeOsRelease(text, architecture);
    VKR_FUZZ_CHECK(!description.empty());
    VKR_FUZZ_CHECK(description.front() != u' ' && description.back() != u' ');
    VKR_FUZZ_CHECK(!vkr::Contains(description, u"  "));
  }
  return 0;
}
