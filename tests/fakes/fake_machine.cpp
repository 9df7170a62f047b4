#include "fakes/fake_machine.h"

#include <algorithm>

namespace vkr::testing {

bool FakeMachine::NewGuid(std::uint8_t out[16]) {
  if (guid_fails) return false;
  std::copy(guid.begin(), guid.end(), out);
  ++guids_made;
  return true;
}

std::vector<std::uint32_t> FakeMachine::ResolveHostIPv4(const std::u16string& host_name) {
  const auto it = hosts.find(host_name);
  return it == hosts.end() ? std::vector<std::uint32_t>() : it->second;
}

}  // namespace vkr::testing
