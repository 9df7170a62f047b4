// MD5 over arbitrary bytes: the digest of a buffer is the same however it is fed in pieces, the
// final step leaves the context zeroed, the text digest covers the first half of the text's
// UTF-16LE bytes, and the printed form is 32 lower-case digits that read back as the digest.
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "statistics/vuxo_md5.h"

namespace {

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  const std::size_t piece_count = data.ConsumeIntegralInRange<std::size_t>(0, 16);
  std::vector<std::size_t> pieces;
  for (std::size_t i = 0; i < piece_count; ++i) pieces.push_back(data.ConsumeIntegralInRange<std::size_t>(0, 130));
  const std::u16string text = vkr::fuzz::ConsumeText(data, 96);
  const std::vector<std::uint8_t> message = data.ConsumeRemainingBytes<std::uint8_t>();

  vkr::MD5Digest whole;
  vkr::MD5Buffer(message.data(), static_cast<std::uint32_t>(message.size()), whole);

  vkr::MD5Context context;
  vkr::MD5Init(context);
  std::size_t fed = 0;
  for (const std::size_t piece : pieces) {
    const std::size_t length = std::min(piece, message.size() - fed);
    // Each piece from its own heap block, so that a read past the piece is seen.
    std::vector<std::uint8_t> copy(message.begin() + fed, message.begin() + fed + length);
    vkr::MD5Update(context, copy.data(), static_cast<std::uint32_t>(copy.size()));
    fed += length;
  }
  vkr::MD5Update(context, message.data() + fed, static_cast<std::uint32_t>(message.size() - fed));
  vkr::MD5Digest pieced;
  vkr::MD5Final(pieced, context);
  VKR_FUZZ_CHECK(pieced == whole);
  static const vkr::MD5Context kZero = {};
  VKR_FUZZ_CHECK(std::memcmp(&context, &kZero, sizeof(context)) == 0);

  vkr::MD5Digest of_text;
  vkr::MD5String(text, of_text);
  const std::vector<std::uint8_t> encoded = vkr::ToUtf16LeBytes(text, false);
  vkr::MD5Digest of_bytes;
  vkr::MD5Buffer(encoded.data(), static_cast<std::uint32_t>(text.size()), of_bytes);
  VKR_FUZZ_CHECK(of_text == of_bytes);

  const std::u16string printed = vkr::MD5Print(whole);
  VKR_FUZZ_CHECK(printed.size() == 32);
  for (std::size_t i = 0; i < 16; ++i) {
    const int high = HexValue(printed[2 * i]);
    const int low = HexValue(printed[2 * i + 1]);
    VKR_FUZZ_CHECK(high >= 0 && low >= 0 && high * 16 + low == whole[i]);
  }
  return 0;
}
