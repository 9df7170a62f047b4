// The notification-area icon that the login and game windows hide to, with its open/exit menu.
// Each window keeps its own callback message, removal tip and way back; the icon's record, the
// adding and the menu are the same for both.
#pragma once

#include <cstdint>
#include <string>

#include "platform/tray.h"
#include "platform/types.h"

namespace vkr {

// The system command (WM_SYSCOMMAND parameter) that asks a window to hide to the notification
// area; the game window's boss key sends it to itself.
inline constexpr std::uintptr_t kHideToTrayCommand = 0;

inline constexpr char16_t kTrayTipAdd[] = u"单击左键或右键";
inline constexpr char16_t kMenuOpen[] = u"打开";
inline constexpr char16_t kMenuExit[] = u"退出";

// The tray record of a window: size 88 (not the record's full 956 bytes), icon 0, message, icon
// and tip, the application's icon.
TrayRecord MakeTrayRecord(WindowHandle window, std::uint32_t callback_message, const std::u16string& tip);

// What the icon's callback asks of its window.
enum class TrayRequest { kNone, kLeftPress, kOpen, kExit };

class TrayIcon {
 public:
  // `callback_message`: the window-private message the icon sends. `removal_tip`: the tip of the
  // record that removes the icon (the system does not show it). `foreground_before_menu`: bring
  // the window to the foreground before the menu pops up.
  TrayIcon(std::uint32_t callback_message, std::u16string removal_tip, bool foreground_before_menu);

  // True from an accepted add until the next removal.
  bool Shown() const { return shown_; }
  // Adds the icon with the tip "单击左键或右键", then hides the window.
  void HideWindow(WindowHandle window);
  // Removes the icon, whether it is shown or not.
  void Remove(WindowHandle window);
  // The icon's callback with its mouse message: a left press asks the window back; a right press
  // pops up "打开" and "退出" at the cursor and answers with the choice. Anything else: kNone.
  TrayRequest OnCallback(WindowHandle window, std::intptr_t mouse_message);

 private:
  std::uint32_t callback_message_;
  std::u16string removal_tip_;
  bool foreground_before_menu_;
  bool shown_ = false;
};

}  // namespace vkr
