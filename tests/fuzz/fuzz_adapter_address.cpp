// The adapter addresses over arbitrary byte lists: each byte becomes exactly two upper-case
// hexadecimal digits with "-" between bytes, the list is joined by "," from the first non-empty
// address on, and the bytes can be read back from the text.
#include <vector>

#include "fuzz_support.h"
#include "sysinfo/adapter_address.h"

namespace {

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// Checks one formatted address and reads its bytes back.
std::vector<std::uint8_t> ParseAddress(const std::u16string& text) {
  std::vector<std::uint8_t> bytes;
  VKR_FUZZ_CHECK(text.empty() || text.size() % 3 == 2);
  for (std::size_t i = 0; i < text.size(); i += 3) {
    const int high = HexValue(text[i]);
    const int low = HexValue(text[i + 1]);
    VKR_FUZZ_CHECK(high >= 0 && low >= 0);
    if (i + 2 < text.size()) VKR_FUZZ_CHECK(text[i + 2] == u'-');
    bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  std::vector<std::vector<std::uint8_t>> addresses(data.ConsumeIntegralInRange<std::size_t>(0, 8));
  for (auto& address : addresses) {
    // Mostly the usual six bytes, but any length (none included) can come.
    const std::size_t length = data.ConsumeBool() ? 6 : data.ConsumeIntegralInRange<std::size_t>(0, 20);
    address = data.ConsumeBytes<std::uint8_t>(length);
  }

  std::size_t expected_size = 0;
  std::vector<std::u16string> formatted;
  for (const auto& address : addresses) {
    const std::u16string text = vkr::FormatAdapterAddress(address);
    VKR_FUZZ_CHECK(text.size() == (address.empty() ? 0 : 3 * address.size() - 1));
    VKR_FUZZ_CHECK(ParseAddress(text) == address);
    formatted.push_back(text);
  }

  // The addresses before the first non-empty one leave nothing; every later one adds "," and
  // its text, even when that text is empty.
  std::size_t first = 0;
  while (first < formatted.size() && formatted[first].empty()) ++first;
  for (std::size_t i = first; i < formatted.size(); ++i) expected_size += formatted[i].size() + (i > first ? 1 : 0);

  const std::u16string joined = vkr::JoinAdapterAddresses(addresses);
  VKR_FUZZ_CHECK(joined.size() == expected_size);
  VKR_FUZZ_CHECK(joined.find_first_not_of(u"0123456789ABCDEF-,") == std::u16string::npos);
  std::size_t piece_start = 0;
  for (std::size_t i = first; i < formatted.size(); ++i) {
    VKR_FUZZ_CHECK(joined.compare(piece_start, formatted[i].size(), formatted[i]) == 0);
    piece_start += formatted[i].size();
    if (i + 1 < formatted.size()) {
      VKR_FUZZ_CHECK(joined[piece_start] == u',');
      ++piece_start;
    }
  }
  VKR_FUZZ_CHECK(piece_start == joined.size());
  return 0;
}
