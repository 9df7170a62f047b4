// The report address over arbitrary configuration values: the query always holds the service's
// ten parameters in their fixed order, the configured values come through percent-encoded with
// no character left that would break the address, an escape a value already held is kept as it
// is, and decoding gives back the value with those escapes decoded once.
#include <vector>

#include "common/public_config.h"
#include "fuzz_support.h"
#include "statistics/statistics.h"
#include "statistics/vuxo_md5.h"

namespace {

bool BreaksAddress(char16_t c) { return c < 0x20 || c == 0x7F || c == u' ' || c == u'"' || c == u'#' || c == u'&'; }

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

// What a value means once sent: its own "%" and two hex digits already stand for one character.
std::u16string WithEscapesDecoded(const std::u16string& value) {
  std::u16string decoded;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] == u'%' && i + 2 < value.size() && HexValue(value[i + 1]) >= 0 && HexValue(value[i + 2]) >= 0) {
      decoded.push_back(static_cast<char16_t>(HexValue(value[i + 1]) * 16 + HexValue(value[i + 2])));
      i += 2;
    } else {
      decoded.push_back(value[i]);
    }
  }
  return decoded;
}

// Checks that a value carries no breaking character and that every "%" starts an escape, and
// returns the value decoded.
std::u16string CheckedDecode(const std::u16string& value) {
  std::u16string decoded;
  for (std::size_t i = 0; i < value.size(); ++i) {
    VKR_FUZZ_CHECK(!BreaksAddress(value[i]));
    if (value[i] != u'%') {
      decoded.push_back(value[i]);
      continue;
    }
    VKR_FUZZ_CHECK(i + 2 < value.size());
    const int high = HexValue(value[i + 1]);
    const int low = HexValue(value[i + 2]);
    VKR_FUZZ_CHECK(high >= 0 && low >= 0);
    decoded.push_back(static_cast<char16_t>(high * 16 + low));
    i += 2;
  }
  return decoded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  vkr::StatisticsReport report;
  report.ext_1 = vkr::fuzz::ConsumeMostlyInRange<std::int32_t>(data, 0, 1);
  report.refer = vkr::fuzz::ConsumeUrlish(data, 48);
  report.uid = vkr::fuzz::ConsumeUrlish(data, 48);
  report.guid = vkr::fuzz::ConsumeUrlish(data, 48);
  // The machine id and the address come from the launcher's own formatting: a digest's digits
  // (or nothing when the gathering failed) and a dotted IPv4 address (or nothing).
  if (data.ConsumeBool()) {
    vkr::MD5Digest digest;
    for (std::uint8_t& b : digest) b = data.ConsumeIntegral<std::uint8_t>();
    report.machine_id = vkr::MD5Print(digest);
  }
  report.is_net_bar = data.ConsumeBool();
  if (data.ConsumeBool()) report.ip_address = vkr::FormatIPv4(data.ConsumeIntegral<std::uint32_t>());

  const std::u16string url = vkr::BuildStatisticsUrl(vkr::StatisticsUrlFormat, report);
  VKR_FUZZ_CHECK(url.compare(0, vkr::StatisticsUrlFormat.size(), vkr::StatisticsUrlFormat) == 0);
  const std::u16string query = url.substr(vkr::StatisticsUrlFormat.size());

  static const std::u16string kNames[] = {u"item",  u"platform", u"game_id", u"ext_1", u"ext_2",
                                          u"ext_3", u"ext_4",    u"ext_5",   u"ext_6", u"user_ip"};
  std::vector<std::u16string> values;
  std::size_t start = 0;
  for (const std::u16string& name : kNames) {
    VKR_FUZZ_CHECK(start <= query.size());
    const std::size_t end = std::min(query.find(u'&', start), query.size());
    const std::u16string parameter = query.substr(start, end - start);
    VKR_FUZZ_CHECK(parameter.compare(0, name.size() + 1, name + u"=") == 0);
    values.push_back(parameter.substr(name.size() + 1));
    start = end + 1;
  }
  VKR_FUZZ_CHECK(start == query.size() + 1);  // nothing after the last parameter

  VKR_FUZZ_CHECK(values[0] == u"4061rke2w7" && values[1] == u"Velqo" && values[2] == u"155");
  VKR_FUZZ_CHECK(values[3] == vkr::ToText(report.ext_1));
  VKR_FUZZ_CHECK(CheckedDecode(values[4]) == WithEscapesDecoded(report.refer));
  VKR_FUZZ_CHECK(CheckedDecode(values[5]) == WithEscapesDecoded(report.uid));
  VKR_FUZZ_CHECK(CheckedDecode(values[6]) == WithEscapesDecoded(report.guid));
  VKR_FUZZ_CHECK(values[7] == report.machine_id);
  VKR_FUZZ_CHECK(values[8] == (report.is_net_bar ? u"1" : u"2"));
  VKR_FUZZ_CHECK(values[9] == report.ip_address);
  for (const std::u16string& value : values) CheckedDecode(value);
  return 0;
}
