// SHA-256 (FIPS 180-4), for checking downloaded installers against the published digest.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vkr {

class Sha256 {
 public:
  Sha256();
  void Update(const void* data, std::size_t size);
  std::array<std::uint8_t, 32> Finish();
  // Lower-case hexadecimal of the digest of `bytes`.
  static std::string HexOf(const std::string& bytes);
  static std::string ToHex(const std::array<std::uint8_t, 32>& digest);

 private:
  void Block(const std::uint8_t* block);
  std::uint32_t state_[8];
  std::uint8_t buffer_[64];
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;
};

}  // namespace vkr
