// The disk serial's byte handling over arbitrary driver replies: nothing is read or written
// outside the buffers (each sits in a heap block of exactly its size, so the address sanitizer
// sees a step past either end), the decoded texts keep their length bounds, and exchanging the
// pairs twice gives the bytes back.
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz_support.h"
#include "sysinfo/disk_serial.h"

namespace {

using vkr::kSerialTextSize;

bool IsPrintable(std::uint8_t c) {
  const std::uint8_t low = c & 0x7Fu;
  return low >= 0x20 && low <= 0x7E;
}
bool IsBlank(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\n'; }

std::vector<std::uint8_t> ConsumeBytes(FuzzedDataProvider& data, std::size_t max_size) {
  const std::size_t size = data.ConsumeIntegralInRange<std::size_t>(0, max_size);
  std::vector<std::uint8_t> bytes = data.ConsumeBytes<std::uint8_t>(size);
  // Hex digits and blanks make the decoder's first pass go further than random bytes do.
  if (!bytes.empty() && data.ConsumeBool()) {
    static const char kHexish[] = "0123456789abcdefABCDEF \t\n";
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(kHexish[b % (sizeof(kHexish) - 1)]);
  }
  return bytes;
}

// The length of the zero-terminated text at `text`, which must end inside the buffer.
std::size_t TextLength(const std::uint8_t* text) {
  const void* zero = std::memchr(text, 0, kSerialTextSize);
  VKR_FUZZ_CHECK(zero != nullptr);
  return static_cast<std::size_t>(static_cast<const std::uint8_t*>(zero) - text);
}

void CheckSwapBytePairs(FuzzedDataProvider& data) {
  const std::vector<std::uint8_t> original = ConsumeBytes(data, 80);
  const std::size_t length = data.ConsumeIntegralInRange<std::size_t>(0, original.size());
  std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[original.size() + 1]);  // never empty
  if (!original.empty()) std::memcpy(bytes.get(), original.data(), original.size());
  vkr::SwapBytePairs(bytes.get(), length);
  for (std::size_t i = 0; i < original.size(); ++i) {
    const bool swapped = i < length - length % 2;
    VKR_FUZZ_CHECK(bytes[i] == (swapped ? original[i ^ 1] : original[i]));
  }
  vkr::SwapBytePairs(bytes.get(), length);
  VKR_FUZZ_CHECK(original.empty() || std::memcmp(bytes.get(), original.data(), original.size()) == 0);
}

void CheckIdentifyReply(FuzzedDataProvider& data) {
  const std::vector<std::uint8_t> original = ConsumeBytes(data, vkr::kSmartSharedBufferSize + 8);
  const std::size_t swap_length = data.ConsumeIntegralInRange<std::size_t>(0, 600);
  std::vector<std::uint8_t> reply(original);
  const std::string serial = vkr::SerialFromIdentifyReply(&reply, swap_length);
  const std::size_t start = vkr::kIdentifyDataOffset + vkr::kIdentifySerialOffset;
  if (original.size() < start + swap_length) {
    VKR_FUZZ_CHECK(serial.empty());
    VKR_FUZZ_CHECK(reply == original);
    return;
  }
  for (std::size_t i = 0; i < original.size(); ++i) {
    const bool swapped = i >= start && i - start < swap_length - swap_length % 2;
    VKR_FUZZ_CHECK(reply[i] == (swapped ? original[start + ((i - start) ^ 1)] : original[i]));
  }
  VKR_FUZZ_CHECK(serial == vkr::ZeroTerminatedBytes(reply, start));
  VKR_FUZZ_CHECK(serial.size() <= reply.size() - start);
  VKR_FUZZ_CHECK(serial.find('\0') == std::string::npos);
  VKR_FUZZ_CHECK(std::memcmp(serial.data(), reply.data() + start, serial.size()) == 0);
  VKR_FUZZ_CHECK(start + serial.size() == reply.size() || reply[start + serial.size()] == 0);
}

void CheckZeroTerminated(FuzzedDataProvider& data) {
  const std::vector<std::uint8_t> buffer = ConsumeBytes(data, 64);
  const std::size_t start = data.ConsumeIntegralInRange<std::size_t>(0, buffer.size() + 4);
  const std::string bytes = vkr::ZeroTerminatedBytes(buffer, start);
  if (start >= buffer.size()) {
    VKR_FUZZ_CHECK(bytes.empty());
    return;
  }
  VKR_FUZZ_CHECK(bytes.size() <= buffer.size() - start);
  VKR_FUZZ_CHECK(std::memcmp(bytes.data(), buffer.data() + start, bytes.size()) == 0);
  VKR_FUZZ_CHECK(bytes.find('\0') == std::string::npos);
  VKR_FUZZ_CHECK(start + bytes.size() == buffer.size() || buffer[start + bytes.size()] == 0);
}

void CheckStorageText(FuzzedDataProvider& data) {
  const std::vector<std::uint8_t> reply = ConsumeBytes(data, 2 * kSerialTextSize + 64);
  std::int64_t offset;
  switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      offset = data.ConsumeIntegral<std::int64_t>();
      break;
    case 1:
      offset = static_cast<std::int64_t>(reply.size()) - data.ConsumeIntegralInRange<std::int64_t>(-2, 2);
      break;
    default:
      offset = data.ConsumeIntegralInRange<std::int64_t>(-1, static_cast<std::int64_t>(reply.size()));
      break;
  }
  // The text buffer starts with leftovers, as a reused buffer would.
  std::unique_ptr<std::uint8_t[]> text(new std::uint8_t[kSerialTextSize]);
  std::memset(text.get(), data.ConsumeIntegral<std::uint8_t>(), kSerialTextSize);

  const bool decoded = vkr::DecodeSerialText(reply, offset, text.get());
  VKR_FUZZ_CHECK(decoded == (offset > 0 && static_cast<std::uint64_t>(offset) < reply.size()));
  if (!decoded) {
    VKR_FUZZ_CHECK(text[0] == 0);
    return;
  }
  std::size_t source_length = 0;
  const std::size_t room = std::min(reply.size() - static_cast<std::size_t>(offset), kSerialTextSize - 1);
  while (source_length < room && reply[static_cast<std::size_t>(offset) + source_length] != 0) ++source_length;

  const std::size_t length = TextLength(text.get());
  VKR_FUZZ_CHECK(length <= source_length);
  for (std::size_t i = 0; i < length; ++i) VKR_FUZZ_CHECK(IsPrintable(text[i]));
  // Trimmed, unless the text is all blanks (then it is left as it is).
  bool all_blank = true;
  for (std::size_t i = 0; i < length; ++i) all_blank = all_blank && IsBlank(text[i]);
  if (length > 0 && !all_blank) VKR_FUZZ_CHECK(!IsBlank(text[0]) && !IsBlank(text[length - 1]));

  std::vector<std::uint8_t> before(text.get(), text.get() + kSerialTextSize);
  const std::string serial = vkr::StorageSerialFromText(text.get());
  VKR_FUZZ_CHECK(serial.size() <= kSerialTextSize);
  VKR_FUZZ_CHECK(serial.find('\0') == std::string::npos);
  VKR_FUZZ_CHECK(std::memcmp(serial.data(), text.get(), serial.size()) == 0);
  // The exchange moves the text's terminator by at most one place.
  VKR_FUZZ_CHECK(serial.size() <= length + 1);
  vkr::SwapBytePairs(text.get(), kSerialTextSize);
  VKR_FUZZ_CHECK(std::memcmp(before.data(), text.get(), kSerialTextSize) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  FuzzedDataProvider data(bytes, size);
  switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      CheckSwapBytePairs(data);
      break;
    case 1:
      CheckIdentifyReply(data);
      break;
    case 2:
      CheckZeroTerminated(data);
      break;
    default:
      CheckStorageText(data);
      break;
  }
  return 0;
}
