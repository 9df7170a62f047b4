#include "sysinfo/adapter_address.h"

#include "common/text.h"

namespace vkr {

std::u16string FormatAdapterAddress(const std::vector<std::uint8_t>& address) {
  std::u16string text;
  for (const std::uint8_t byte : address) {
    if (!text.empty()) text += u'-';
    text += HexDigits(byte, 2);
  }
  return text;
}

std::u16string JoinAdapterAddresses(const std::vector<std::vector<std::uint8_t>>& addresses) {
  std::u16string result;
  for (const auto& address : addresses) {
    const std::u16string text = FormatAdapterAddress(address);
    if (result.empty()) {
      result = text;
    } else {
      result += u",";
      result += text;
    }
  }
  return result;
}

std::u16string ReadMacAddress(Machine& machine) {
  std::vector<std::vector<std::uint8_t>> addresses;
  if (!machine.AdapterAddresses(&addresses)) return std::u16string();
  return JoinAdapterAddresses(addresses);
}

}  // namespace vkr
