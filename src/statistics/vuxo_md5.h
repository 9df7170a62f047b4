// MD5 message digest (RFC 1321) with the few wrappers the launcher needs: a digest of a byte
// buffer, of a text, and its lower-case hexadecimal rendering.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vkr {

// The running state of one digest.
struct MD5Context {
  std::uint32_t state[4];   // chaining values A, B, C, D
  std::uint32_t count[2];   // bits fed so far, modulo 2^64, low word first
  std::uint8_t buffer[64];  // input not yet compressed
};

// The digest in standard byte order (A, B, C, D, each little-endian).
using MD5Digest = std::array<std::uint8_t, 16>;

// Zeroes the whole context, then sets the standard initial state.
void MD5Init(MD5Context& context);
// Feeds bytes; every completed 64-byte block is compressed.
void MD5Update(MD5Context& context, const std::uint8_t* input, std::uint32_t length);
// Appends the padding and the bit length, writes the digest and zeroes the whole context.
void MD5Final(MD5Digest& digest, MD5Context& context);
// The compression function over one 64-byte block.
void MD5Transform(std::uint32_t state[4], const std::uint8_t block[64]);
// 32-bit words to little-endian bytes and back; `length` counts bytes (a multiple of 4).
void MD5Encode(std::uint8_t* output, const std::uint32_t* input, std::uint32_t length);
void MD5Decode(std::uint32_t* output, const std::uint8_t* input, std::uint32_t length);

// The digest of `length` bytes.
void MD5Buffer(const std::uint8_t* buffer, std::uint32_t length, MD5Digest& digest);
// The digest of the first n bytes of the text's UTF-16LE form, n being the number of code units:
// the first half of the encoded text. The machine fingerprint sent to the statistics service is
// defined over exactly these bytes, so this must not be "fixed" to digest the whole text.
void MD5String(const std::u16string& text, MD5Digest& digest);
// The 16 bytes in order as 32 lower-case hexadecimal digits.
std::u16string MD5Print(const MD5Digest& digest);

}  // namespace vkr
