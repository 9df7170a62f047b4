#include "platform/browser.h"

namespace vkr {

namespace {
constexpr std::uint32_t kWmKeyDown = 0x0100;
constexpr std::uintptr_t kVirtualKeyN = 0x4E;
}  // namespace

bool IsCtrlNShortcut(std::uint32_t message, std::uintptr_t wparam, bool ctrl_down, bool shift_down, bool alt_down) {
  return message == kWmKeyDown && wparam == kVirtualKeyN && ctrl_down && !shift_down && !alt_down;
}

}  // namespace vkr
