// IsVersionLower over arbitrary version texts: it returns or raises VersionFormatError, and
// where it returns, the order is strict (never both ways, never against itself).
#include "common/public_unit.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  const std::u16string a = vkr::fuzz::ConsumeText(data, 64);
  const std::u16string b = vkr::fuzz::ConsumeText(data, 64);
  try {
    const bool a_lower = vkr::IsVersionLower(a, b);
    const bool b_lower = vkr::IsVersionLower(b, a);
    VKR_FUZZ_CHECK(!(a_lower && b_lower));
    VKR_FUZZ_CHECK(!vkr::IsVersionLower(a, a));
  } catch (const vkr::VersionFormatError&) {
  }
  return 0;
}
