// The update description read from arbitrary downloaded bytes: one line's value, trimmed, never
// longer than the file.
#include "common/ini_text.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  const std::string file(reinterpret_cast<const char*>(bytes), size);
  const std::u16string text = vkr::DecodeTextFile(file);
  VKR_FUZZ_CHECK(text.size() <= file.size());
  const std::u16string value = vkr::ReadIniValue(text, u"version", u"currentversion", u"\x0001");
  if (value == u"\x0001") return 0;
  VKR_FUZZ_CHECK(value.size() <= text.size());
  VKR_FUZZ_CHECK(value.find_first_of(u"\r\n") == std::u16string::npos);
  // UTF-8 round trip of what was decoded as UTF-8 without a mark gives the bytes back.
  if (vkr::ToUtf8(vkr::FromUtf8(file)) == file) VKR_FUZZ_CHECK(vkr::FromUtf8(file).size() <= file.size());
  return 0;
}
