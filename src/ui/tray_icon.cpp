#include "ui/tray_icon.h"

#include <utility>

#include "platform/system.h"
#include "platform/win_constants.h"

namespace vkr {

namespace {

constexpr int kMenuOpenId = 1;
constexpr int kMenuExitId = 2;

}  // namespace

TrayRecord MakeTrayRecord(WindowHandle window, std::uint32_t callback_message, const std::u16string& tip) {
  TrayRecord record;
  record.size = 88;
  record.window = window;
  record.id = 0;
  record.flags = win::NIF_MESSAGE | win::NIF_ICON | win::NIF_TIP;
  record.callback_message = callback_message;
  record.application_icon = true;
  record.tip = tip;
  return record;
}

TrayIcon::TrayIcon(std::uint32_t callback_message, std::u16string removal_tip)
    : callback_message_(callback_message),
      removal_tip_(std::move(removal_tip)),
      taskbar_created_message_(Sys().windows->RegisterMessage(kTaskbarCreatedName)) {}

bool TrayIcon::HideWindow(WindowHandle window) {
  // An icon already there refuses a second add and still leads back.
  shown_ = Sys().tray->Notify(win::NIM_ADD, MakeTrayRecord(window, callback_message_, kTrayTipAdd)) || shown_;
  if (shown_) Sys().windows->Show(window, win::SW_HIDE);
  return shown_;
}

bool TrayIcon::OnTaskbarCreated(WindowHandle window, std::uint32_t message, const std::function<void()>& icon_lost) {
  if (taskbar_created_message_ == 0 || message != taskbar_created_message_) return false;
  if (!shown_) return true;
  // The new taskbar knows no icon: the one the window lives in is added again. A system that
  // kept it refuses the add and takes a modification.
  const TrayRecord record = MakeTrayRecord(window, callback_message_, kTrayTipAdd);
  shown_ = Sys().tray->Notify(win::NIM_ADD, record) || Sys().tray->Notify(win::NIM_MODIFY, record);
  if (!shown_) icon_lost();
  return true;
}

void TrayIcon::Remove(WindowHandle window) {
  Sys().tray->Notify(win::NIM_DELETE, MakeTrayRecord(window, callback_message_, removal_tip_));
  shown_ = false;
}

TrayRequest TrayIcon::OnCallback(WindowHandle window, std::intptr_t mouse_message) {
  if (mouse_message == win::WM_LBUTTONDOWN) return TrayRequest::kLeftPress;
  if (mouse_message != win::WM_RBUTTONDOWN) return TrayRequest::kNone;
  const Point cursor = Sys().windows->CursorPos();
  Sys().windows->SetForeground(window);
  const int chosen = Sys().menus->TrackPopup(
      window, {MenuItem{kMenuOpenId, kMenuOpen, false}, MenuItem{kMenuExitId, kMenuExit, false}}, cursor);
  if (chosen == kMenuOpenId) return TrayRequest::kOpen;
  if (chosen == kMenuExitId) return TrayRequest::kExit;
  return TrayRequest::kNone;
}

}  // namespace vkr
