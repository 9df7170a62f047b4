#include "sysinfo/adapter_address.h"

namespace vkr {

std::u16string FormatAdapterAddress(const std::vector<std::uint8_t>& address) {
  static const char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string text;
  for (const std::uint8_t byte : address) {
    if (!text.empty()) text += u'-';
    text += kDigits[byte >> 4];
    text += kDigits[byte & 0xF];
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
