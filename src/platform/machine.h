#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vkr {

// The machine: identity queries and the hardware probes behind the system information.
// Abstract so that tests can replay recorded values. Members never throw and may be called from
// any thread.
class Machine {
 public:
  virtual ~Machine() = default;

  // --- Identity --------------------------------------------------------------------------------
  // CoCreateGuid's 16 bytes in memory order; false when no GUID could be made.
  virtual bool NewGuid(std::uint8_t guid[16]) = 0;
  // GetComputerNameW into room for 16 characters; empty when the call fails.
  virtual std::u16string ComputerName() = 0;
  // Winsock start-up, gethostbyname on the name in the ANSI code page, cleanup: the IPv4 address
  // list of the first host entry, each address as four bytes in network order.
  virtual std::vector<std::uint32_t> ResolveHostIPv4(const std::u16string& host_name) = 0;

  // --- Hardware probes (processor, memory, OS, disks, adapters) are added below. -------------
};

}  // namespace vkr
