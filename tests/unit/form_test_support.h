// Shared set-up of the window tests: the forms' embedded pictures and the login skin in the
// fakes, at the sizes of the committed artwork.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "fakes/fake_system.h"

namespace vkr::testing {

// Puts every picture the two windows load into the fake resources and the skin file beside the
// program.
void PutFormPictures(FakeSystem& system);

// What the message loop does once a shown window is on the screen: paints it, then delivers the
// messages posted meanwhile (the login window's first paint asks for its browser that way).
void PaintAndDeliver(FakeSystem& system, WindowHandle window);

// lParam of a mouse message at client (x, y).
inline std::intptr_t MousePoint(int x, int y) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) |
                                    static_cast<std::uint32_t>(x & 0xFFFF));
}

// Every url passed to IExplore.EXE, unquoted.
std::u16string LastIeUrl(const FakeSystem& system);

// The tray record a window hiding to the notification area adds: the only tray call so far, size
// 88, icon 0, message, icon and tip, the window's callback message, the application's icon and
// the tip "单击左键或右键".
void ExpectTrayIconAdded(const FakeSystem& system, WindowHandle window, std::uint32_t callback_message);

// A button of a window and the address its click opens in Internet Explorer.
struct ButtonAddress {
  const char* button;
  std::function<void()> click;
  std::u16string url;
};
// Clicks each button in turn and expects exactly one start of Internet Explorer, owned by `owner`,
// with the row's address.
void ExpectEachOpensItsAddress(FakeSystem& system, WindowHandle owner, const std::vector<ButtonAddress>& rows);

}  // namespace vkr::testing
