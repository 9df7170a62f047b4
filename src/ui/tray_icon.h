// The notification-area icon that the login and game windows hide to, with its open/exit menu.
// Each window keeps its own callback message, removal tip and way back; the icon's record, the
// adding and the menu are the same for both.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/tray.h"
#include "platform/types.h"

namespace vkr {

// The system command (WM_SYSCOMMAND parameter) that asks a window to hide to the notification
// area; the game window's boss key sends it to itself.
inline constexpr std::uintptr_t kHideToTrayCommand = 0;

inline constexpr char16_t kTrayTipAdd[] = u"单击左键或右键";
// The message the system broadcasts to every top-level window when the taskbar has been created
// again (after the shell restarted): icons added before are gone then.
inline constexpr char16_t kTaskbarCreatedName[] = u"TaskbarCreated";
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
  // record that removes the icon (the system does not show it). Registers "TaskbarCreated".
  TrayIcon(std::uint32_t callback_message, std::u16string removal_tip);

  // True from an accepted add until the next removal.
  bool Shown() const { return shown_; }
  // Adds the icon with the tip "单击左键或右键", then hides the window, but only when the icon is
  // there: a hidden window without an icon could never be brought back. True when hidden.
  bool HideWindow(WindowHandle window);
  // Removes the icon, whether it is shown or not.
  void Remove(WindowHandle window);
  // The icon's callback with its mouse message: a left press asks the window back; a right press
  // brings the window to the foreground (a tray menu closes on a click elsewhere only then) and
  // pops up "打开" and "退出" at the cursor, answering with the choice. Anything else: kNone.
  TrayRequest OnCallback(WindowHandle window, std::intptr_t mouse_message);
  // For every message of the window; true when it is the taskbar's re-creation. Then a shown icon
  // is added again (or kept, when the system still has it); when neither works the icon is lost
  // and `icon_lost` brings the window back by itself.
  bool OnTaskbarCreated(WindowHandle window, std::uint32_t message, const std::function<void()>& icon_lost);

 private:
  std::uint32_t callback_message_;
  std::u16string removal_tip_;
  std::uint32_t taskbar_created_message_ = 0;
  bool shown_ = false;
};

}  // namespace vkr
