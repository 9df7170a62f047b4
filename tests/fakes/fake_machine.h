#pragma once

#include <array>
#include <map>
#include <vector>

#include "platform/machine.h"

namespace vkr::testing {

// Replays recorded machine values.
class FakeMachine : public Machine {
 public:
  bool NewGuid(std::uint8_t guid[16]) override;
  std::u16string ComputerName() override { return computer_name; }
  std::vector<std::uint32_t> ResolveHostIPv4(const std::u16string& host_name) override;

  bool guid_fails = false;
  std::array<std::uint8_t, 16> guid{0x78, 0x56, 0x34, 0x12, 0x34, 0x12, 0x78, 0x56,
                                    0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78};
  int guids_made = 0;
  std::u16string computer_name = u"PLAYER-PC";
  std::map<std::u16string, std::vector<std::uint32_t>> hosts;  // name -> addresses
};

}  // namespace vkr::testing
