#include "common/command_line.h"

#include <vector>

#include "common/text.h"
#include "platform/system.h"

namespace vkr {

std::u16string FirstParameterLowered() {
  const std::vector<std::u16string> arguments = Sys().processes->Arguments();
  return arguments.empty() ? std::u16string() : LowerAscii(arguments.front());
}

}  // namespace vkr
