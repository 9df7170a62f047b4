// ExtractServerName over arbitrary addresses: the label is a piece of the address, and there is
// none without the game-server domain.
#include "common/public_config.h"
#include "common/public_unit.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  const std::u16string url = vkr::fuzz::ConsumeUrlish(data, 256);
  const std::u16string label = vkr::ExtractServerName(url);
  VKR_FUZZ_CHECK(label.size() <= url.size());
  VKR_FUZZ_CHECK(label.empty() || url.find(label) != std::u16string::npos);
  if (url.find(vkr::GameServerHostSuffix) == std::u16string::npos) VKR_FUZZ_CHECK(label.empty());
  return 0;
}
