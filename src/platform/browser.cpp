#include "platform/browser.h"

#include "platform/win_constants.h"

namespace vkr {

namespace {
constexpr std::uintptr_t kVirtualKeyN = 'N';  // a letter's virtual key is its capital
}  // namespace

bool IsCtrlNShortcut(std::uint32_t message, std::uintptr_t wparam, bool ctrl_down, bool shift_down, bool alt_down) {
  return message == win::WM_KEYDOWN && wparam == kVirtualKeyN && ctrl_down && !shift_down && !alt_down;
}

}  // namespace vkr
