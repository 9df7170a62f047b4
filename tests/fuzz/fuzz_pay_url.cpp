// The recharge addresses over arbitrary server labels and user names: the inserted values can
// never add a parameter, a fragment or a blank to the address.
#include "common/public_config.h"
#include "common/public_unit.h"
#include "fakes/fake_system.h"
#include "fuzz_support.h"

namespace {

bool HasBreakingCharacter(const std::u16string& text) {
  for (const char16_t c : text) {
    if (c < 0x20 || c == 0x7F || c == u' ' || c == u'"' || c == u'#' || c == u'&') return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  vkr::testing::FakeSystem system;
  vkr::GameServerName = vkr::fuzz::ConsumeUrlish(data, 64);
  vkr::UserName = vkr::fuzz::ConsumeUrlish(data, 64);
  const std::u16string prefix = u"http://pay.velqo.com/select.php?gamename=qx&gameserver=";
  for (const std::u16string& url : {vkr::BuildPaySelectUrl(), vkr::BuildLoginPaySelectUrl()}) {
    if (url.empty()) continue;
    VKR_FUZZ_CHECK(url.compare(0, prefix.size(), prefix) == 0);
    const auto user_at = url.rfind(u"&username=");
    VKR_FUZZ_CHECK(user_at != std::u16string::npos && user_at >= prefix.size());
    VKR_FUZZ_CHECK(!HasBreakingCharacter(url.substr(prefix.size(), user_at - prefix.size())));
    VKR_FUZZ_CHECK(!HasBreakingCharacter(url.substr(user_at + 10)));
  }
  return 0;
}
