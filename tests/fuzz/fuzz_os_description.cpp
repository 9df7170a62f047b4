// The OS description over arbitrary version records, product codes and service-pack texts: the
// parts are joined by single blanks, nothing stands before the base text or after the last part,
// the length is bounded by the parts, and the product code counts only where it applies.
#include <optional>

#include "fuzz_support.h"
#include "sysinfo/os_description.h"

namespace {

// The text without its blanks: what of the service-pack text must come through unchanged.
std::u16string WithoutBlanks(const std::u16string& text) {
  std::u16string out;
  for (const char16_t c : text) {
    if (c != u' ') out.push_back(c);
  }
  return out;
}

bool EndsWith(const std::u16string& text, const std::u16string& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::u16string ConsumeServicePack(FuzzedDataProvider& data) {
  static const std::u16string kPieces[] = {u"Service Pack ", u"1", u"3", u" ", u"  ", u"\t", u", v.721", u"Build"};
  return vkr::fuzz::ConsumeFromPieces(data, kPieces, data.ConsumeIntegralInRange<std::size_t>(0, 128));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  using vkr::fuzz::ConsumeMostlyInRange;
  FuzzedDataProvider data(bytes, size);
  vkr::OsVersionRecord record;
  record.major = ConsumeMostlyInRange<std::uint32_t>(data, 4, 6);
  record.minor = ConsumeMostlyInRange<std::uint32_t>(data, 0, 2);
  record.build = data.ConsumeIntegral<std::uint32_t>();
  record.platform_id = data.ConsumeIntegral<std::uint32_t>();
  record.service_pack_major = data.ConsumeIntegral<std::uint16_t>();
  record.service_pack_minor = data.ConsumeIntegral<std::uint16_t>();
  record.suite_mask = data.ConsumeIntegral<std::uint16_t>();
  record.product_type = ConsumeMostlyInRange<std::uint8_t>(data, 1, 3);
  std::optional<std::uint32_t> product;
  if (data.ConsumeBool()) product = ConsumeMostlyInRange<std::uint32_t>(data, 0, 80);
  static const std::uint16_t kArchitectures[] = {0, 6, 9, 5, 12, 0xFFFF};
  const std::uint16_t architecture =
      data.ConsumeBool() ? kArchitectures[data.ConsumeIntegralInRange<std::size_t>(0, std::size(kArchitectures) - 1)]
                         : data.ConsumeIntegral<std::uint16_t>();
  record.csd_version = ConsumeServicePack(data);

  const std::u16string text = vkr::DescribeOS(record, product, architecture);
  const bool known = record.major == 5 ? record.minor <= 2 : record.major == 6 && record.minor <= 1;
  if (!known) {
    VKR_FUZZ_CHECK(text == u"Unknown OS");
    return 0;
  }
  static const std::u16string kBases[] = {u"Windows 2000",  u"Windows XP",          u"Windows Server 2003",
                                          u"Windows Vista", u"Windows Server 2008", u"Windows 7"};
  bool has_base = false;
  for (const std::u16string& base : kBases) {
    has_base = has_base || (vkr::StartsWith(text, base) && (text.size() == base.size() || text[base.size()] == u' '));
  }
  VKR_FUZZ_CHECK(has_base);
  VKR_FUZZ_CHECK(!vkr::Contains(text, u"  "));
  VKR_FUZZ_CHECK(text.front() != u' ' && text.back() != u' ');
  // The longest base and edition, the service pack, the longest architecture and three blanks.
  VKR_FUZZ_CHECK(text.size() <= 22 + 22 + record.csd_version.size() + 4 + 3);
  // The service pack's other characters come through as they are, after the edition.
  const std::u16string csd = WithoutBlanks(record.csd_version);
  const std::u16string packed = WithoutBlanks(text);
  VKR_FUZZ_CHECK(vkr::Contains(packed, csd));
  switch (architecture) {
    case 0:
      VKR_FUZZ_CHECK(EndsWith(text, u" X86") && EndsWith(packed, csd + u"X86"));
      break;
    case 6:
      VKR_FUZZ_CHECK(EndsWith(text, u" IA64") && EndsWith(packed, csd + u"IA64"));
      break;
    case 9:
      VKR_FUZZ_CHECK(EndsWith(text, u" X64") && EndsWith(packed, csd + u"X64"));
      break;
    default:
      VKR_FUZZ_CHECK(EndsWith(packed, csd));
      break;
  }
  // Without an edition of its own, the product code changes nothing.
  if (!vkr::UsesProductCode(record) || (product && vkr::ProductEdition(*product).empty())) {
    VKR_FUZZ_CHECK(vkr::DescribeOS(record, std::nullopt, architecture) == text);
  }
  return 0;
}
