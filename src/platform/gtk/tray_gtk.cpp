#include "platform/gtk/tray_gtk.h"

#include <unistd.h>

#include "platform/gtk/text_gtk.h"
#include "platform/gtk/windows_gtk.h"
#include "platform/win_constants.h"

namespace vkr::gtk {
namespace {

constexpr char kItemPath[] = "/StatusNotifierItem";
constexpr char kWatcherName[] = "org.kde.StatusNotifierWatcher";
constexpr char kWatcherPath[] = "/StatusNotifierWatcher";
constexpr char kItemInterface[] = "org.kde.StatusNotifierItem";

constexpr char kIntrospection[] =
    "<node>"
    " <interface name='org.kde.StatusNotifierItem'>"
    "  <property name='Category' type='s' access='read'/>"
    "  <property name='Id' type='s' access='read'/>"
    "  <property name='Title' type='s' access='read'/>"
    "  <property name='Status' type='s' access='read'/>"
    "  <property name='WindowId' type='i' access='read'/>"
    "  <property name='IconName' type='s' access='read'/>"
    "  <property name='IconPixmap' type='a(iiay)' access='read'/>"
    "  <property name='ToolTip' type='(sa(iiay)ss)' access='read'/>"
    "  <property name='ItemIsMenu' type='b' access='read'/>"
    "  <property name='Menu' type='o' access='read'/>"
    "  <method name='Activate'><arg name='x' type='i' direction='in'/><arg name='y' type='i' direction='in'/></method>"
    "  <method name='SecondaryActivate'><arg name='x' type='i' direction='in'/>"
    "<arg name='y' type='i' direction='in'/></method>"
    "  <method name='ContextMenu'><arg name='x' type='i' direction='in'/>"
    "<arg name='y' type='i' direction='in'/></method>"
    "  <method name='Scroll'><arg name='delta' type='i' direction='in'/>"
    "<arg name='orientation' type='s' direction='in'/></method>"
    "  <signal name='NewToolTip'/>"
    "  <signal name='NewIcon'/>"
    "  <signal name='NewStatus'><arg name='status' type='s'/></signal>"
    " </interface>"
    "</node>";

GDBusNodeInfo* Introspection() {
  static GDBusNodeInfo* const info = g_dbus_node_info_new_for_xml(kIntrospection, nullptr);
  return info;
}

}  // namespace

// Each item has a bus connection of its own, so that each can be the one object at the path the
// desktop's hosts look at.
struct SniTray::Item {
  ~Item() {
    if (connection && registration) g_dbus_connection_unregister_object(connection, registration);
    if (connection) {
      g_dbus_connection_close_sync(connection, nullptr, nullptr);
      g_object_unref(connection);
    }
  }
  SniTray* owner = nullptr;
  GDBusConnection* connection = nullptr;
  TrayRecord record;
  std::string bus_name;
  guint registration = 0;
};

namespace {

GVariant* Pixmaps(int width, int height, const std::string& argb) {
  GVariantBuilder pixmaps;
  g_variant_builder_init(&pixmaps, G_VARIANT_TYPE("a(iiay)"));
  if (width > 0 && height > 0 && argb.size() == static_cast<std::size_t>(width) * height * 4) {
    GVariant* bytes = g_variant_new_fixed_array(G_VARIANT_TYPE_BYTE, argb.data(), argb.size(), 1);
    g_variant_builder_add(&pixmaps, "(ii@ay)", width, height, bytes);
  }
  return g_variant_builder_end(&pixmaps);
}

}  // namespace

SniTray::SniTray(GtkWindows* windows) : windows_(windows) {}

SniTray::~SniTray() {
  items_.clear();
  if (bus_) g_object_unref(bus_);
}

void SniTray::SetIconPixmap(int width, int height, std::string argb) {
  icon_width_ = width;
  icon_height_ = height;
  icon_argb_ = std::move(argb);
}

GDBusConnection* SniTray::Bus() {
  if (!bus_tried_) {
    bus_tried_ = true;
    // Only a session bus the environment names: none is started on the launcher's behalf.
    const char* address = g_getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address) bus_ = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  }
  return bus_;
}

bool SniTray::Notify(std::uint32_t action, const TrayRecord& record) {
  const auto key = std::make_pair(static_cast<std::uintptr_t>(record.window), record.id);
  switch (action) {
    case win::NIM_ADD:
      if (items_.count(key)) return false;
      return Add(record);
    case win::NIM_MODIFY: {
      const auto it = items_.find(key);
      if (it == items_.end()) return false;
      it->second->record.tip = record.tip;
      g_dbus_connection_emit_signal(it->second->connection, nullptr, kItemPath, kItemInterface, "NewToolTip", nullptr,
                                    nullptr);
      return true;
    }
    case win::NIM_DELETE: {
      const auto it = items_.find(key);
      if (it == items_.end()) return false;
      items_.erase(it);
      return true;
    }
    default:
      return false;
  }
}

bool SniTray::Add(const TrayRecord& record) {
  GDBusConnection* bus = Bus();
  if (!bus || !Introspection()) return false;
  // Nothing shows an item without a watcher: then the icon is refused, as the system refuses one
  // without a notification area.
  GVariant* owner = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
      g_variant_new("(s)", kWatcherName), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
  gboolean has_watcher = FALSE;
  if (owner) {
    g_variant_get(owner, "(b)", &has_watcher);
    g_variant_unref(owner);
  }
  if (!has_watcher) return false;

  auto item = std::make_unique<Item>();
  item->owner = this;
  item->record = record;
  item->bus_name = "org.kde.StatusNotifierItem-" + std::to_string(::getpid()) + "-" + std::to_string(next_item_++);

  static const GDBusInterfaceVTable vtable = {
      // Methods: the clicks.
      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method, GVariant*,
         GDBusMethodInvocation* invocation, gpointer data) {
        auto* item = static_cast<Item*>(data);
        std::intptr_t mouse = 0;
        if (g_strcmp0(method, "Activate") == 0) mouse = win::WM_LBUTTONDOWN;
        if (g_strcmp0(method, "ContextMenu") == 0) mouse = win::WM_RBUTTONDOWN;
        g_dbus_method_invocation_return_value(invocation, nullptr);
        if (mouse != 0 && item->owner->windows_) {
          item->owner->windows_->Post(item->record.window, item->record.callback_message, item->record.id, mouse);
        }
      },
      // Properties.
      [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* property, GError**,
         gpointer data) -> GVariant* {
        auto* item = static_cast<Item*>(data);
        SniTray* tray = item->owner;
        if (g_strcmp0(property, "Category") == 0) return g_variant_new_string("ApplicationStatus");
        if (g_strcmp0(property, "Id") == 0) return g_variant_new_string("vkr");
        if (g_strcmp0(property, "Title") == 0) return g_variant_new_string(g_get_application_name());
        if (g_strcmp0(property, "Status") == 0) return g_variant_new_string("Active");
        if (g_strcmp0(property, "WindowId") == 0) return g_variant_new_int32(0);
        if (g_strcmp0(property, "IconName") == 0) return g_variant_new_string("");
        if (g_strcmp0(property, "IconPixmap") == 0) {
          return Pixmaps(tray->icon_width_, tray->icon_height_, tray->icon_argb_);
        }
        if (g_strcmp0(property, "ToolTip") == 0) {
          const std::string tip = Utf8(item->record.tip.substr(0, 127));
          return g_variant_new("(s@a(iiay)ss)", "", Pixmaps(0, 0, ""), tip.c_str(), "");
        }
        if (g_strcmp0(property, "ItemIsMenu") == 0) return g_variant_new_boolean(FALSE);
        if (g_strcmp0(property, "Menu") == 0) return g_variant_new_object_path("/NO_DBUSMENU");
        return nullptr;
      },
      nullptr,
      {nullptr}};
  gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  item->connection = address ? g_dbus_connection_new_for_address_sync(
                                   address,
                                   static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                                                     G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                                   nullptr, nullptr, nullptr)
                             : nullptr;
  g_free(address);
  if (!item->connection) return false;
  item->registration = g_dbus_connection_register_object(item->connection, kItemPath, Introspection()->interfaces[0],
                                                         &vtable, item.get(), nullptr, nullptr);
  if (item->registration == 0) return false;
  // The name is owned before the watcher hears of it (closing the connection releases it).
  GVariant* requested = g_dbus_connection_call_sync(
      item->connection, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
      g_variant_new("(su)", item->bus_name.c_str(), 4u), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 2000, nullptr,
      nullptr);
  if (!requested) return false;
  g_variant_unref(requested);
  GVariant* registered = g_dbus_connection_call_sync(
      item->connection, kWatcherName, kWatcherPath, kWatcherName, "RegisterStatusNotifierItem",
      g_variant_new("(s)", item->bus_name.c_str()), nullptr, G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, nullptr);
  if (!registered) return false;
  g_variant_unref(registered);
  items_[std::make_pair(static_cast<std::uintptr_t>(record.window), record.id)] = std::move(item);
  return true;
}

}  // namespace vkr::gtk
