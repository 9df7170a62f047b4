// The readable description of the operating system, from its version record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/machine.h"

namespace vkr {

// True for the versions whose edition comes from the product code (6.0 and 6.1).
bool UsesProductCode(const OsVersionRecord& record);
// The edition of a product code, or empty for a code the table does not hold.
std::u16string ProductEdition(std::uint32_t product_type);

// "<base> [edition] [service pack] [architecture]", the parts joined by one blank (runs of blanks
// in the service-pack text count as one, at its ends as none); "Unknown OS"
// for a version outside 5.0, 5.1, 5.2, 6.0 and 6.1. `product_type` is GetProductInfo's answer
// when it gave one.
std::u16string DescribeOS(const OsVersionRecord& record, std::optional<std::uint32_t> product_type,
                          std::uint16_t processor_architecture);

// The value of `key` in an os-release text (KEY=VALUE lines; "#" starts a comment): unquoted
// from "..." (with the shell's backslash escapes of '"', '\', '$' and '`') or '...', control
// characters dropped; nullopt when the key is absent or its value is not valid. The first line
// of a key counts.
std::optional<std::u16string> OsReleaseValue(const std::string& text, const std::string& key);
// The system's own name for itself: PRETTY_NAME, else NAME with VERSION, else NAME, else
// "Linux"; then the architecture, as DescribeOS appends it.
std::u16string DescribeOsRelease(const std::string& text, std::uint16_t processor_architecture);

}  // namespace vkr
