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

// "<base> [edition] [service pack] [architecture]", the parts joined by one blank; "Unknown OS"
// for a version outside 5.0, 5.1, 5.2, 6.0 and 6.1. `product_type` is GetProductInfo's answer
// when it gave one.
std::u16string DescribeOS(const OsVersionRecord& record, std::optional<std::uint32_t> product_type,
                          std::uint16_t processor_architecture);

}  // namespace vkr
