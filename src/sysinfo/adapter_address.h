// The hardware addresses of the network adapters as one text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/machine.h"

namespace vkr {

// Each byte as two upper-case hexadecimal digits, joined by "-"; empty for no bytes.
std::u16string FormatAdapterAddress(const std::vector<std::uint8_t>& address);
// The formatted addresses joined by ","; an address that comes while the text is still empty
// replaces it, so an empty first address leaves no separator.
std::u16string JoinAdapterAddresses(const std::vector<std::vector<std::uint8_t>>& addresses);
// The adapter list as text, or empty when it cannot be read.
std::u16string ReadMacAddress(Machine& machine);

}  // namespace vkr
