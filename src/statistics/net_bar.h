// Internet-cafe detection: looks for the registry and file traces that known cafe management and
// game-distribution products leave on a machine. Only reads the registry and asks whether files
// exist; writes nothing and starts nothing.
#pragma once

#include <cstdint>

namespace vkr {

// Product codes of GetNetBarType; kNoNetBar when nothing was found or the detection ended on an
// error.
inline constexpr std::int32_t kNoNetBar = -1;

// The code (0 to 13) of the first product whose trace the checks find, in their fixed order, or
// kNoNetBar. Every key it opens is closed on every way out. Reads HKEY_LOCAL_MACHINE in the
// process's default registry view (the 32-bit view for the 32-bit launcher).
std::int32_t GetNetBarType();
// True when GetNetBarType finds a product.
bool CheckNetBar();

}  // namespace vkr
