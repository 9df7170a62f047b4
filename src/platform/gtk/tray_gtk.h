// The tray icon on Linux: a StatusNotifierItem on the session bus, which current desktops show
// (KDE Plasma, XFCE, Cinnamon, MATE, GNOME with its AppIndicator extension). Activate (a left
// click) arrives at the window as WM_LBUTTONDOWN and ContextMenu (a right click) as
// WM_RBUTTONDOWN, through its callback message, as the notification area's clicks do.
#pragma once

#include <gio/gio.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/tray.h"

namespace vkr::gtk {

class GtkWindows;

class SniTray : public Tray {
 public:
  explicit SniTray(GtkWindows* windows);
  ~SniTray() override;
  SniTray(const SniTray&) = delete;
  SniTray& operator=(const SniTray&) = delete;

  // NIM_ADD exports the item and registers it with the desktop's StatusNotifierWatcher; false
  // when there is no session bus or no watcher (nothing would show the icon). NIM_MODIFY changes
  // the tip; NIM_DELETE removes the item.
  bool Notify(std::uint32_t action, const TrayRecord& record) override;

  // The application's icon as the item's pixmap (ARGB32, network byte order), width x height.
  void SetIconPixmap(int width, int height, std::string argb);

 private:
  struct Item;
  bool Add(const TrayRecord& record);
  GDBusConnection* Bus();

  GtkWindows* windows_;
  GDBusConnection* bus_ = nullptr;
  bool bus_tried_ = false;
  int icon_width_ = 0;
  int icon_height_ = 0;
  std::string icon_argb_;
  int next_item_ = 1;
  std::map<std::pair<std::uintptr_t, std::uint32_t>, std::unique_ptr<Item>> items_;
};

}  // namespace vkr::gtk
