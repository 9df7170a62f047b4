#include "statistics/vuxo_md5.h"

#include <cstring>
#include <vector>

#include "common/text.h"

namespace vkr {
namespace {

// Per-round shift amounts.
constexpr std::uint32_t S11 = 7, S12 = 12, S13 = 17, S14 = 22;
constexpr std::uint32_t S21 = 5, S22 = 9, S23 = 14, S24 = 20;
constexpr std::uint32_t S31 = 4, S32 = 11, S33 = 16, S34 = 23;
constexpr std::uint32_t S41 = 6, S42 = 10, S43 = 15, S44 = 21;

constexpr std::uint8_t kPadding[64] = {0x80};

inline std::uint32_t F(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return (x & y) | (~x & z); }
inline std::uint32_t G(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return (x & z) | (y & ~z); }
inline std::uint32_t H(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return x ^ y ^ z; }
inline std::uint32_t I(std::uint32_t x, std::uint32_t y, std::uint32_t z) { return y ^ (x | ~z); }
inline std::uint32_t RotateLeft(std::uint32_t x, std::uint32_t n) { return (x << n) | (x >> (32 - n)); }

// One step of a round: a := b + ((a + fn(b, c, d) + x + ac) <<< s).
template <std::uint32_t (*Fn)(std::uint32_t, std::uint32_t, std::uint32_t)>
inline void Step(std::uint32_t& a, std::uint32_t b, std::uint32_t c, std::uint32_t d, std::uint32_t x, std::uint32_t s,
                 std::uint32_t ac) {
  a = RotateLeft(a + Fn(b, c, d) + x + ac, s) + b;
}
constexpr auto FF = Step<F>;
constexpr auto GG = Step<G>;
constexpr auto HH = Step<H>;
constexpr auto II = Step<I>;

// Clears memory in a way the optimiser may not drop, since the data is never read afterwards.
void SecureZero(void* memory, std::size_t size) {
  volatile std::uint8_t* bytes = static_cast<volatile std::uint8_t*>(memory);
  while (size-- > 0) *bytes++ = 0;
}

}  // namespace

void MD5Init(MD5Context& context) {
  SecureZero(&context, sizeof(context));
  context.state[0] = 0x67452301;
  context.state[1] = 0xefcdab89;
  context.state[2] = 0x98badcfe;
  context.state[3] = 0x10325476;
}

void MD5Update(MD5Context& context, const std::uint8_t* input, std::uint32_t length) {
  std::uint32_t index = (context.count[0] >> 3) & 0x3F;
  const std::uint32_t bits_low = length << 3;
  context.count[0] += bits_low;
  if (context.count[0] < bits_low) ++context.count[1];
  context.count[1] += length >> 29;

  const std::uint32_t part = 64 - index;
  std::uint32_t i = 0;
  if (length >= part) {
    std::memcpy(&context.buffer[index], input, part);
    MD5Transform(context.state, context.buffer);
    for (i = part; length - i >= 64; i += 64) MD5Transform(context.state, &input[i]);
    index = 0;
  }
  if (length > i) std::memcpy(&context.buffer[index], &input[i], length - i);
}

void MD5Final(MD5Digest& digest, MD5Context& context) {
  std::uint8_t bits[8];
  MD5Encode(bits, context.count, 8);
  const std::uint32_t index = (context.count[0] >> 3) & 0x3F;
  const std::uint32_t pad_length = index < 56 ? 56 - index : 120 - index;
  MD5Update(context, kPadding, pad_length);
  MD5Update(context, bits, 8);
  MD5Encode(digest.data(), context.state, 16);
  SecureZero(&context, sizeof(context));
}

void MD5Transform(std::uint32_t state[4], const std::uint8_t block[64]) {
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  std::uint32_t x[16];
  MD5Decode(x, block, 64);

  // Round 1
  FF(a, b, c, d, x[0], S11, 0xd76aa478);
  FF(d, a, b, c, x[1], S12, 0xe8c7b756);
  FF(c, d, a, b, x[2], S13, 0x242070db);
  FF(b, c, d, a, x[3], S14, 0xc1bdceee);
  FF(a, b, c, d, x[4], S11, 0xf57c0faf);
  FF(d, a, b, c, x[5], S12, 0x4787c62a);
  FF(c, d, a, b, x[6], S13, 0xa8304613);
  FF(b, c, d, a, x[7], S14, 0xfd469501);
  FF(a, b, c, d, x[8], S11, 0x698098d8);
  FF(d, a, b, c, x[9], S12, 0x8b44f7af);
  FF(c, d, a, b, x[10], S13, 0xffff5bb1);
  FF(b, c, d, a, x[11], S14, 0x895cd7be);
  FF(a, b, c, d, x[12], S11, 0x6b901122);
  FF(d, a, b, c, x[13], S12, 0xfd987193);
  FF(c, d, a, b, x[14], S13, 0xa679438e);
  FF(b, c, d, a, x[15], S14, 0x49b40821);

  // Round 2
  GG(a, b, c, d, x[1], S21, 0xf61e2562);
  GG(d, a, b, c, x[6], S22, 0xc040b340);
  GG(c, d, a, b, x[11], S23, 0x265e5a51);
  GG(b, c, d, a, x[0], S24, 0xe9b6c7aa);
  GG(a, b, c, d, x[5], S21, 0xd62f105d);
  GG(d, a, b, c, x[10], S22, 0x02441453);
  GG(c, d, a, b, x[15], S23, 0xd8a1e681);
  GG(b, c, d, a, x[4], S24, 0xe7d3fbc8);
  GG(a, b, c, d, x[9], S21, 0x21e1cde6);
  GG(d, a, b, c, x[14], S22, 0xc33707d6);
  GG(c, d, a, b, x[3], S23, 0xf4d50d87);
  GG(b, c, d, a, x[8], S24, 0x455a14ed);
  GG(a, b, c, d, x[13], S21, 0xa9e3e905);
  GG(d, a, b, c, x[2], S22, 0xfcefa3f8);
  GG(c, d, a, b, x[7], S23, 0x676f02d9);
  GG(b, c, d, a, x[12], S24, 0x8d2a4c8a);

  // Round 3
  HH(a, b, c, d, x[5], S31, 0xfffa3942);
  HH(d, a, b, c, x[8], S32, 0x8771f681);
  HH(c, d, a, b, x[11], S33, 0x6d9d6122);
  HH(b, c, d, a, x[14], S34, 0xfde5380c);
  HH(a, b, c, d, x[1], S31, 0xa4beea44);
  HH(d, a, b, c, x[4], S32, 0x4bdecfa9);
  HH(c, d, a, b, x[7], S33, 0xf6bb4b60);
  HH(b, c, d, a, x[10], S34, 0xbebfbc70);
  HH(a, b, c, d, x[13], S31, 0x289b7ec6);
  HH(d, a, b, c, x[0], S32, 0xeaa127fa);
  HH(c, d, a, b, x[3], S33, 0xd4ef3085);
  HH(b, c, d, a, x[6], S34, 0x04881d05);
  HH(a, b, c, d, x[9], S31, 0xd9d4d039);
  HH(d, a, b, c, x[12], S32, 0xe6db99e5);
  HH(c, d, a, b, x[15], S33, 0x1fa27cf8);
  HH(b, c, d, a, x[2], S34, 0xc4ac5665);

  // Round 4
  II(a, b, c, d, x[0], S41, 0xf4292244);
  II(d, a, b, c, x[7], S42, 0x432aff97);
  II(c, d, a, b, x[14], S43, 0xab9423a7);
  II(b, c, d, a, x[5], S44, 0xfc93a039);
  II(a, b, c, d, x[12], S41, 0x655b59c3);
  II(d, a, b, c, x[3], S42, 0x8f0ccc92);
  II(c, d, a, b, x[10], S43, 0xffeff47d);
  II(b, c, d, a, x[1], S44, 0x85845dd1);
  II(a, b, c, d, x[8], S41, 0x6fa87e4f);
  II(d, a, b, c, x[15], S42, 0xfe2ce6e0);
  II(c, d, a, b, x[6], S43, 0xa3014314);
  II(b, c, d, a, x[13], S44, 0x4e0811a1);
  II(a, b, c, d, x[4], S41, 0xf7537e82);
  II(d, a, b, c, x[11], S42, 0xbd3af235);
  II(c, d, a, b, x[2], S43, 0x2ad7d2bb);
  II(b, c, d, a, x[9], S44, 0xeb86d391);

  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  SecureZero(x, sizeof(x));
}

void MD5Encode(std::uint8_t* output, const std::uint32_t* input, std::uint32_t length) {
  for (std::uint32_t i = 0, j = 0; j < length; ++i, j += 4) {
    output[j] = static_cast<std::uint8_t>(input[i]);
    output[j + 1] = static_cast<std::uint8_t>(input[i] >> 8);
    output[j + 2] = static_cast<std::uint8_t>(input[i] >> 16);
    output[j + 3] = static_cast<std::uint8_t>(input[i] >> 24);
  }
}

void MD5Decode(std::uint32_t* output, const std::uint8_t* input, std::uint32_t length) {
  for (std::uint32_t i = 0, j = 0; j < length; ++i, j += 4) {
    output[i] = static_cast<std::uint32_t>(input[j]) | (static_cast<std::uint32_t>(input[j + 1]) << 8) |
                (static_cast<std::uint32_t>(input[j + 2]) << 16) | (static_cast<std::uint32_t>(input[j + 3]) << 24);
  }
}

void MD5Buffer(const std::uint8_t* buffer, std::uint32_t length, MD5Digest& digest) {
  MD5Context context;
  MD5Init(context);
  MD5Update(context, buffer, length);
  MD5Final(digest, context);
}

void MD5String(const std::u16string& text, MD5Digest& digest) {
  // Only the first half of the UTF-16LE bytes: as many bytes as the text has code units.
  const std::size_t count = text.size();
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) {
    const char16_t unit = text[i / 2];
    bytes[i] = static_cast<std::uint8_t>(i % 2 == 0 ? unit & 0xFF : unit >> 8);
  }
  MD5Context context;
  MD5Init(context);
  // Fed in pieces so that a text longer than 32 bits can express still counts every byte.
  constexpr std::size_t kPiece = 1u << 30;
  for (std::size_t offset = 0; offset < count; offset += kPiece) {
    const std::size_t piece = count - offset < kPiece ? count - offset : kPiece;
    MD5Update(context, bytes.data() + offset, static_cast<std::uint32_t>(piece));
  }
  MD5Final(digest, context);
}

std::u16string MD5Print(const MD5Digest& digest) {
  std::u16string text;
  text.reserve(32);
  for (const std::uint8_t byte : digest) text += HexDigits(byte, 2, true);
  return text;
}

}  // namespace vkr
