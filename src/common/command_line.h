// The command-line switches. Only the first parameter counts, lower-cased (A to Z only) and
// compared as a whole: the entry picks the run mode by it, and the statistics manager tells a
// setup report and a start at logon from it.
#pragma once

#include <string>

namespace vkr {

inline constexpr char16_t kUninstallSwitch[] = u"/uninst";
inline constexpr char16_t kSetupSuccessSwitch[] = u"/setupsucc";
inline constexpr char16_t kSetupSuccessAndDownloadSwitch[] = u"/setupsuccanddown";
inline constexpr char16_t kAutoRunSwitch[] = u"/autorun";

// The first command-line parameter lower-cased (A to Z only), or empty without parameters.
std::u16string FirstParameterLowered();

}  // namespace vkr
