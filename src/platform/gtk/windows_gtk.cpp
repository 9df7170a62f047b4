#include "platform/gtk/windows_gtk.h"

#include <gdk/gdkkeysyms.h>

#include <cmath>

#include "platform/gtk/canvas_gtk.h"
#include "platform/gtk/text_gtk.h"
#include "platform/win_constants.h"

namespace vkr::gtk {
namespace {

constexpr WindowHandle kDesktopHandle = 0x10;

std::intptr_t MakeLParam(int low, int high) {
  return static_cast<std::intptr_t>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(low)) |
                                    (static_cast<std::uint32_t>(static_cast<std::uint16_t>(high)) << 16));
}

std::uintptr_t MouseKeys(guint state) {
  std::uintptr_t keys = 0;
  if (state & GDK_BUTTON1_MASK) keys |= win::MK_LBUTTON;
  if (state & GDK_BUTTON3_MASK) keys |= win::MK_RBUTTON;
  if (state & GDK_BUTTON2_MASK) keys |= win::MK_MBUTTON;
  if (state & GDK_SHIFT_MASK) keys |= win::MK_SHIFT;
  if (state & GDK_CONTROL_MASK) keys |= win::MK_CONTROL;
  return keys;
}

std::uintptr_t ButtonKey(guint button) {
  switch (button) {
    case 1:
      return win::MK_LBUTTON;
    case 2:
      return win::MK_MBUTTON;
    case 3:
      return win::MK_RBUTTON;
    default:
      return 0;
  }
}

bool EdgeOf(std::intptr_t hit, GdkWindowEdge* edge) {
  switch (hit) {
    case win::HTLEFT:
      *edge = GDK_WINDOW_EDGE_WEST;
      return true;
    case win::HTRIGHT:
      *edge = GDK_WINDOW_EDGE_EAST;
      return true;
    case win::HTTOP:
      *edge = GDK_WINDOW_EDGE_NORTH;
      return true;
    case win::HTBOTTOM:
      *edge = GDK_WINDOW_EDGE_SOUTH;
      return true;
    case win::HTTOPLEFT:
      *edge = GDK_WINDOW_EDGE_NORTH_WEST;
      return true;
    case win::HTTOPRIGHT:
      *edge = GDK_WINDOW_EDGE_NORTH_EAST;
      return true;
    case win::HTBOTTOMLEFT:
      *edge = GDK_WINDOW_EDGE_SOUTH_WEST;
      return true;
    case win::HTBOTTOMRIGHT:
      *edge = GDK_WINDOW_EDGE_SOUTH_EAST;
      return true;
    default:
      return false;
  }
}

// The SC_SIZE + n edge numbers of the system's size loop.
bool EdgeOfSizeCommand(std::uintptr_t command, GdkWindowEdge* edge) {
  static const std::intptr_t kHits[] = {0,
                                        win::HTLEFT,
                                        win::HTRIGHT,
                                        win::HTTOP,
                                        win::HTTOPLEFT,
                                        win::HTTOPRIGHT,
                                        win::HTBOTTOM,
                                        win::HTBOTTOMLEFT,
                                        win::HTBOTTOMRIGHT};
  const std::uintptr_t n = command & 0xF;
  return n >= 1 && n <= 8 && EdgeOf(kHits[n], edge);
}

const char* CursorNameFor(std::intptr_t hit) {
  switch (hit) {
    case win::HTLEFT:
    case win::HTRIGHT:
      return "ew-resize";
    case win::HTTOP:
    case win::HTBOTTOM:
      return "ns-resize";
    case win::HTTOPLEFT:
    case win::HTBOTTOMRIGHT:
      return "nwse-resize";
    case win::HTTOPRIGHT:
    case win::HTBOTTOMLEFT:
      return "nesw-resize";
    default:
      return "default";
  }
}

GdkMonitor* PrimaryMonitor() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return nullptr;
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor && gdk_display_get_n_monitors(display) > 0) monitor = gdk_display_get_monitor(display, 0);
  return monitor;
}

}  // namespace

struct GtkWindows::TopLevel {
  WindowHandle handle = kNoWindow;
  WindowListener* listener = nullptr;
  GtkWidget* window = nullptr;
  GtkWidget* overlay = nullptr;
  GtkWidget* surface = nullptr;  // the drawing area the core paints and whose mouse events it gets
  Rect bounds;
  Rect normal_bounds;
  bool visible = false;
  bool maximized = false;
  bool iconified = false;
  std::uint32_t style = 0;
  std::uint32_t ex_style = 0;
  Color background = kWhite;
  bool color_key = false;
  Color key = kWhite;
  cairo_region_t* shape = nullptr;
  std::map<std::uintptr_t, guint> timers;
  bool mouse_inside = false;
  // Double-click detection, as the system does it for a class with CS_DBLCLKS.
  guint last_button = 0;
  guint32 last_press_time = 0;
  double last_x = 0;
  double last_y = 0;
  bool last_was_double = false;
  bool destroying = false;
};

namespace {

// What a signal handler or source gets: the adapter and the window's handle, looked up afresh on
// every call so that a destroyed window is never touched.
struct Binding {
  GtkWindows* owner;
  WindowHandle handle;
};

struct TimerBinding {
  GtkWindows* owner;
  WindowHandle handle;
  std::uintptr_t id;
};

struct PostedMessage {
  GtkWindows* owner;
  WindowHandle handle;
  std::uint32_t message;
  std::uintptr_t wparam;
  std::intptr_t lparam;
};

void FreeBinding(gpointer data, GClosure*) { delete static_cast<Binding*>(data); }

}  // namespace

GtkWindows::GtkWindows() = default;

GtkWindows::~GtkWindows() {
  for (auto& entry : windows_) {
    TopLevel* top = entry.second.get();
    for (auto& timer : top->timers) g_source_remove(timer.second);
    if (top->shape) cairo_region_destroy(top->shape);
  }
}

void GtkWindows::AttachEventHandler() { gdk_event_handler_set(&GtkWindows::OnGdkEvent, this, nullptr); }

GtkWindows::TopLevel* GtkWindows::Find(WindowHandle window) {
  const auto it = windows_.find(window);
  return it == windows_.end() || it->second->destroying ? nullptr : it->second.get();
}

GtkWindow* GtkWindows::TopLevelWidget(WindowHandle window) {
  TopLevel* top = Find(window);
  return top ? GTK_WINDOW(top->window) : nullptr;
}

WindowHandle GtkWindows::Create(const WindowSpec& window_spec, WindowListener* listener) {
  if (!listener || !gdk_display_get_default()) return kNoWindow;
  auto top = std::make_unique<TopLevel>();
  top->handle = next_handle_++;
  top->listener = listener;
  top->bounds = window_spec.bounds;
  top->normal_bounds = window_spec.bounds;
  top->style = window_spec.style;
  top->ex_style = window_spec.ex_style;
  top->background = window_spec.background;

  top->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(top->window);
  gtk_window_set_decorated(window, FALSE);
  gtk_window_set_title(window, Utf8(window_spec.caption).c_str());
  gtk_widget_set_app_paintable(top->window, TRUE);
  gtk_window_set_skip_taskbar_hint(window, (window_spec.ex_style & win::WS_EX_TOOLWINDOW) != 0);
  gtk_window_move(window, window_spec.bounds.left, window_spec.bounds.top);
  gtk_window_set_default_size(window, std::max(1, window_spec.bounds.Width()),
                              std::max(1, window_spec.bounds.Height()));
  gtk_window_resize(window, std::max(1, window_spec.bounds.Width()), std::max(1, window_spec.bounds.Height()));
  if (window_spec.application_icon) {
    if (GList* icons = gtk_window_get_default_icon_list()) {
      gtk_window_set_icon_list(window, icons);
      g_list_free(icons);
    }
  }

  top->overlay = gtk_overlay_new();
  top->surface = gtk_drawing_area_new();
  gtk_widget_add_events(top->surface, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK |
                                          GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK);
  gtk_container_add(GTK_CONTAINER(top->overlay), top->surface);
  gtk_container_add(GTK_CONTAINER(top->window), top->overlay);
  gtk_widget_show(top->surface);
  gtk_widget_show(top->overlay);

  const WindowHandle handle = top->handle;
  const auto connect = [&](GtkWidget* widget, const char* signal, GCallback callback) {
    g_signal_connect_data(widget, signal, callback, new Binding{this, handle}, &FreeBinding, GConnectFlags(0));
  };
  connect(top->surface, "draw", G_CALLBACK(&GtkWindows::OnDraw));
  connect(top->surface, "button-press-event", G_CALLBACK(&GtkWindows::OnButton));
  connect(top->surface, "button-release-event", G_CALLBACK(&GtkWindows::OnButton));
  connect(top->surface, "motion-notify-event", G_CALLBACK(&GtkWindows::OnMotion));
  connect(top->surface, "leave-notify-event", G_CALLBACK(&GtkWindows::OnCrossing));
  connect(top->window, "delete-event", G_CALLBACK(&GtkWindows::OnDelete));
  connect(top->window, "configure-event", G_CALLBACK(&GtkWindows::OnConfigure));
  connect(top->window, "window-state-event", G_CALLBACK(&GtkWindows::OnWindowState));
  connect(top->overlay, "get-child-position", G_CALLBACK(&GtkWindows::OnChildPosition));

  windows_[handle] = std::move(top);
  {
    std::lock_guard<std::mutex> lock(live_mutex_);
    live_.insert(handle);
  }
  return handle;
}

void GtkWindows::Destroy(WindowHandle window) {
  TopLevel* top = Find(window);
  if (!top) return;
  top->destroying = true;
  {
    std::lock_guard<std::mutex> lock(live_mutex_);
    live_.erase(window);
  }
  for (auto& timer : top->timers) g_source_remove(timer.second);
  top->timers.clear();
  if (capture_ == window) capture_ = kNoWindow;
  WindowListener* listener = top->listener;
  top->listener = nullptr;
  // Children (browsers) must have been removed by their owners; any left go with the window.
  for (auto it = children_.begin(); it != children_.end();) {
    it = it->second.parent == window ? children_.erase(it) : std::next(it);
  }
  gtk_widget_destroy(top->window);
  if (listener) listener->OnDestroyed(window);
  Finish(window);
}

void GtkWindows::Finish(WindowHandle window) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return;
  if (it->second->shape) cairo_region_destroy(it->second->shape);
  windows_.erase(it);
}

void GtkWindows::Show(WindowHandle window, int show_command) {
  TopLevel* top = Find(window);
  if (!top) return;
  GtkWindow* gtk_window = GTK_WINDOW(top->window);
  switch (show_command) {
    case win::SW_HIDE:
      // A click after the window comes back starts afresh, never as a double-click.
      top->last_button = 0;
      top->visible = false;
      gtk_widget_hide(top->window);
      return;
    case win::SW_SHOWMINIMIZED:
    case win::SW_MINIMIZE:
    case win::SW_SHOWMINNOACTIVE:
      top->iconified = true;
      gtk_window_iconify(gtk_window);
      if (!top->visible) {
        top->visible = true;
        gtk_widget_show(top->window);
      }
      return;
    case win::SW_SHOWMAXIMIZED:
      Maximize(top);
      break;
    case win::SW_SHOWNORMAL:
    case win::SW_RESTORE:
      if (top->iconified) {
        top->iconified = false;
        gtk_window_deiconify(gtk_window);
      } else if (top->maximized) {
        RestoreFromMaximized(top);
      }
      break;
    default:
      break;
  }
  const bool activate = show_command != win::SW_SHOWNA && show_command != win::SW_SHOWNOACTIVATE;
  gtk_window_set_focus_on_map(gtk_window, activate);
  top->visible = true;
  gtk_widget_show(top->window);
  if (activate) gtk_window_present(gtk_window);
  gtk_window_set_focus_on_map(gtk_window, TRUE);
}

bool GtkWindows::IsVisible(WindowHandle window) {
  TopLevel* top = Find(window);
  return top && top->visible;
}

int GtkWindows::ShowState(WindowHandle window) {
  TopLevel* top = Find(window);
  if (!top) return 0;
  if (top->iconified) return win::SW_SHOWMINIMIZED;
  if (top->maximized) return win::SW_SHOWMAXIMIZED;
  return win::SW_SHOWNORMAL;
}

Rect GtkWindows::Bounds(WindowHandle window) {
  TopLevel* top = Find(window);
  return top ? top->bounds : Rect{};
}

void GtkWindows::SetBounds(WindowHandle window, const Rect& bounds) {
  if (TopLevel* top = Find(window)) ApplyBounds(top, bounds, true);
}

void GtkWindows::ApplyBounds(TopLevel* top, const Rect& bounds, bool send_size) {
  const bool resized = bounds.Width() != top->bounds.Width() || bounds.Height() != top->bounds.Height();
  top->bounds = bounds;
  GtkWindow* window = GTK_WINDOW(top->window);
  gtk_window_move(window, bounds.left, bounds.top);
  gtk_window_resize(window, std::max(1, bounds.Width()), std::max(1, bounds.Height()));
  // As SetWindowPos does, the new size is told at once.
  if (resized && send_size) {
    Deliver(top->handle, win::WM_SIZE, top->maximized ? win::SIZE_MAXIMIZED : win::SIZE_RESTORED,
            MakeLParam(bounds.Width(), bounds.Height()));
  }
}

void GtkWindows::Maximize(TopLevel* top) {
  if (top->maximized) return;
  const Size screen = PrimaryScreenSize();
  MinMaxInfo info;
  info.max_size = screen;
  info.max_position = Point{0, 0};
  if (top->listener) top->listener->OnGetMinMaxInfo(top->handle, info);
  top->normal_bounds = top->bounds;
  top->maximized = true;
  ApplyBounds(top, BoundsRect(info.max_position.x, info.max_position.y, info.max_size.width, info.max_size.height),
              true);
}

void GtkWindows::RestoreFromMaximized(TopLevel* top) {
  if (!top->maximized) return;
  top->maximized = false;
  ApplyBounds(top, top->normal_bounds, true);
}

std::uint32_t GtkWindows::Style(WindowHandle window) {
  TopLevel* top = Find(window);
  return top ? top->style : 0;
}

void GtkWindows::SetStyle(WindowHandle window, std::uint32_t style) {
  if (TopLevel* top = Find(window)) top->style = style;
}

std::uint32_t GtkWindows::ExStyle(WindowHandle window) {
  TopLevel* top = Find(window);
  return top ? top->ex_style : 0;
}

void GtkWindows::SetExStyle(WindowHandle window, std::uint32_t ex_style) {
  TopLevel* top = Find(window);
  if (!top) return;
  top->ex_style = ex_style;
  // A tool window has no taskbar button.
  gtk_window_set_skip_taskbar_hint(GTK_WINDOW(top->window), (ex_style & win::WS_EX_TOOLWINDOW) != 0);
}

void GtkWindows::SetCaption(WindowHandle window, const std::u16string& caption) {
  if (TopLevel* top = Find(window)) gtk_window_set_title(GTK_WINDOW(top->window), Utf8(caption).c_str());
}

bool GtkWindows::SetColorKey(WindowHandle window, std::uint32_t color, std::uint8_t /*alpha*/) {
  TopLevel* top = Find(window);
  if (!top) return false;
  top->color_key = true;
  top->key = color;
  top->ex_style |= win::WS_EX_LAYERED;
  gtk_widget_queue_draw(top->surface);
  return true;
}

void GtkWindows::SetBackground(WindowHandle window, std::uint32_t color) {
  TopLevel* top = Find(window);
  if (!top) return;
  top->background = color;
  gtk_widget_queue_draw(top->surface);
}

bool GtkWindows::SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t period_ms) {
  TopLevel* top = Find(window);
  if (!top) return false;
  KillTimer(window, id);
  auto* binding = new TimerBinding{this, window, id};
  top->timers[id] = g_timeout_add_full(
      G_PRIORITY_DEFAULT, std::max<std::uint32_t>(period_ms, 1),
      [](gpointer data) -> gboolean {
        auto* timer = static_cast<TimerBinding*>(data);
        timer->owner->Deliver(timer->handle, win::WM_TIMER, timer->id, 0);
        return G_SOURCE_CONTINUE;
      },
      binding, [](gpointer data) { delete static_cast<TimerBinding*>(data); });
  return true;
}

void GtkWindows::KillTimer(WindowHandle window, std::uintptr_t id) {
  TopLevel* top = Find(window);
  if (!top) return;
  const auto it = top->timers.find(id);
  if (it == top->timers.end()) return;
  const guint source = it->second;
  top->timers.erase(it);
  g_source_remove(source);
}

bool GtkWindows::Post(WindowHandle window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  {
    std::lock_guard<std::mutex> lock(live_mutex_);
    if (live_.count(window) == 0) return false;
  }
  // One source per message, all at the input events' priority: they are taken in the order
  // posted.
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        const auto* posted = static_cast<PostedMessage*>(data);
        GtkWindows* self = posted->owner;
        const QueuedMessage queued{posted->handle, posted->message, posted->wparam, posted->lparam, 0, Point{}};
        bool consumed = false;
        if (self->hook_) {
          try {
            consumed = self->hook_(queued);
          } catch (...) {
            consumed = false;
          }
        }
        if (!consumed) self->Deliver(posted->handle, posted->message, posted->wparam, posted->lparam);
        return G_SOURCE_REMOVE;
      },
      new PostedMessage{this, window, message, wparam, lparam},
      [](gpointer data) { delete static_cast<PostedMessage*>(data); });
  return true;
}

std::intptr_t GtkWindows::Send(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                               std::intptr_t lparam) {
  return Deliver(window, message, wparam, lparam);
}

std::optional<std::intptr_t> GtkWindows::Dispatch(TopLevel* top, std::uint32_t message, std::uintptr_t wparam,
                                                  std::intptr_t lparam) {
  if (!top || !top->listener) return std::nullopt;
  // The one boundary where GTK calls the core for a window: nothing may escape it.
  try {
    return top->listener->OnMessage(top->handle, WindowMessage{message, wparam, lparam});
  } catch (...) {
    return std::nullopt;
  }
}

std::intptr_t GtkWindows::Deliver(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                                  std::intptr_t lparam) {
  TopLevel* top = Find(window);
  if (!top) return 0;
  if (const std::optional<std::intptr_t> answer = Dispatch(top, message, wparam, lparam)) return *answer;
  return DefaultProcedure(window, message, wparam, lparam);
}

std::intptr_t GtkWindows::DefaultProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                                           std::intptr_t lparam) {
  TopLevel* top = Find(window);
  if (!top) return 0;
  switch (message) {
    case win::WM_NCHITTEST: {
      const auto x = static_cast<std::int16_t>(static_cast<std::uint32_t>(lparam) & 0xFFFF);
      const auto y = static_cast<std::int16_t>((static_cast<std::uint32_t>(lparam) >> 16) & 0xFFFF);
      return top->bounds.Contains(Point{x, y}) ? win::HTCLIENT : win::HTNOWHERE;
    }
    case win::WM_SETCURSOR: {
      const auto hit = static_cast<std::int16_t>(static_cast<std::uint32_t>(lparam) & 0xFFFF);
      if (GdkWindow* target = gtk_widget_get_window(top->surface)) {
        GdkCursor* cursor = gdk_cursor_new_from_name(gdk_window_get_display(target), CursorNameFor(hit));
        gdk_window_set_cursor(target, cursor);
        if (cursor) g_object_unref(cursor);
      }
      return 1;
    }
    case win::WM_SYSCOMMAND: {
      const std::uintptr_t command = wparam & 0xFFF0;
      GdkWindowEdge edge;
      if (command == win::SC_MOVE) {
        BeginMove(top);
      } else if (command == win::SC_SIZE && EdgeOfSizeCommand(wparam, &edge)) {
        BeginResize(top, edge);
      } else if (command == win::SC_MINIMIZE) {
        Show(window, win::SW_MINIMIZE);
      } else if (command == win::SC_MAXIMIZE) {
        Show(window, win::SW_SHOWMAXIMIZED);
      } else if (command == win::SC_RESTORE) {
        Show(window, win::SW_RESTORE);
      } else if (command == win::SC_CLOSE) {
        Deliver(window, win::WM_CLOSE, 0, 0);
      }
      return 0;
    }
    case win::WM_CLOSE:
      Destroy(window);
      return 0;
    default:
      return 0;
  }
}

void GtkWindows::BeginMove(TopLevel* top) {
  if (drag_button_ == 0) return;
  gtk_window_begin_move_drag(GTK_WINDOW(top->window), static_cast<gint>(drag_button_), static_cast<gint>(drag_x_root_),
                             static_cast<gint>(drag_y_root_), drag_time_);
}

void GtkWindows::BeginResize(TopLevel* top, GdkWindowEdge edge) {
  if (drag_button_ == 0) return;
  gtk_window_begin_resize_drag(GTK_WINDOW(top->window), edge, static_cast<gint>(drag_button_),
                               static_cast<gint>(drag_x_root_), static_cast<gint>(drag_y_root_), drag_time_);
}

void GtkWindows::SetCapture(WindowHandle window) {
  if (Find(window)) capture_ = window;
}

void GtkWindows::ReleaseCapture() {
  const WindowHandle previous = capture_;
  if (previous == kNoWindow) return;
  capture_ = kNoWindow;
  Deliver(previous, win::WM_CAPTURECHANGED, 0, 0);
}

void GtkWindows::Invalidate(WindowHandle window) {
  if (TopLevel* top = Find(window)) gtk_widget_queue_draw(top->surface);
}

void GtkWindows::SetForeground(WindowHandle window) {
  TopLevel* top = Find(window);
  if (top && top->visible) gtk_window_present(GTK_WINDOW(top->window));
}

void GtkWindows::SetActive(WindowHandle window) { SetForeground(window); }

void GtkWindows::SetCursor(CursorShape shape) {
  TopLevel* top = Find(pointer_window_);
  if (!top) return;
  GdkWindow* target = gtk_widget_get_window(top->surface);
  if (!target) return;
  GdkCursor* cursor =
      gdk_cursor_new_from_name(gdk_window_get_display(target), shape == CursorShape::kHand ? "pointer" : "default");
  gdk_window_set_cursor(target, cursor);
  if (cursor) g_object_unref(cursor);
}

Point GtkWindows::ClientToScreen(WindowHandle window, Point point) {
  TopLevel* top = Find(window);
  if (!top) return point;
  return Point{top->bounds.left + point.x, top->bounds.top + point.y};
}

bool GtkWindows::IsChild(WindowHandle parent, WindowHandle window) {
  if (parent == kNoWindow || window == kNoWindow) return false;
  // Walk up from the window; a window is not its own child.
  for (int depth = 0; depth < 16; ++depth) {
    const auto it = children_.find(window);
    if (it == children_.end()) return false;
    window = it->second.parent;
    if (window == parent) return true;
  }
  return false;
}

WindowHandle GtkWindows::DesktopWindow() { return kDesktopHandle; }

Point GtkWindows::CursorPos() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return Point{};
  GdkSeat* seat = gdk_display_get_default_seat(display);
  GdkDevice* pointer = seat ? gdk_seat_get_pointer(seat) : nullptr;
  if (!pointer) return Point{};
  gint x = 0;
  gint y = 0;
  gdk_device_get_position(pointer, nullptr, &x, &y);
  return Point{x, y};
}

std::int16_t GtkWindows::KeyState(int virtual_key) {
  constexpr std::int16_t kDown = static_cast<std::int16_t>(0x8000);
  guint state = 0;
  if (current_key_event_) {
    // The state at the key event being looked at, as GetKeyState reports it for a queued message.
    state = current_key_event_->key.state;
  } else if (GdkDisplay* display = gdk_display_get_default()) {
    state = gdk_keymap_get_modifier_state(gdk_keymap_get_for_display(display));
  }
  switch (virtual_key) {
    case win::VK_CONTROL:
      return state & GDK_CONTROL_MASK ? kDown : 0;
    case 0x10:  // VK_SHIFT
      return state & GDK_SHIFT_MASK ? kDown : 0;
    case win::VK_MENU:
      return state & GDK_MOD1_MASK ? kDown : 0;
    default:
      return 0;
  }
}

Size GtkWindows::PrimaryScreenSize() {
  GdkMonitor* monitor = PrimaryMonitor();
  if (!monitor) return Size{};
  GdkRectangle geometry{};
  gdk_monitor_get_geometry(monitor, &geometry);
  return Size{geometry.width, geometry.height};
}

Rect GtkWindows::WorkArea() {
  GdkMonitor* monitor = PrimaryMonitor();
  if (!monitor) return Rect{};
  GdkRectangle area{};
  gdk_monitor_get_workarea(monitor, &area);
  return BoundsRect(area.x, area.y, area.width, area.height);
}

void GtkWindows::SetMessageHook(std::function<bool(const QueuedMessage& message)> hook) { hook_ = std::move(hook); }

void GtkWindows::TranslateAndDispatch(const QueuedMessage& /*message*/) {
  if (current_key_event_) gtk_main_do_event(current_key_event_);
}

void GtkWindows::SetFloatingPointControlWord(std::uint16_t /*word*/) {}

// ---- Children ----------------------------------------------------------------------------------

GtkOverlay* GtkWindows::ChildContainer(WindowHandle parent) {
  TopLevel* top = Find(parent);
  return top ? GTK_OVERLAY(top->overlay) : nullptr;
}

WindowHandle GtkWindows::AddChild(WindowHandle parent, GtkWidget* widget, const Rect& bounds) {
  TopLevel* top = Find(parent);
  if (!top || !widget) return kNoWindow;
  const WindowHandle handle = next_handle_++;
  children_[handle] = Child{parent, widget, bounds, true};
  gtk_overlay_add_overlay(GTK_OVERLAY(top->overlay), widget);
  return handle;
}

WindowHandle GtkWindows::AddInnerHandle(WindowHandle parent, GtkWidget* focus_widget) {
  const WindowHandle handle = next_handle_++;
  children_[handle] = Child{parent, focus_widget, Rect{}, false};
  return handle;
}

void GtkWindows::SetChildBounds(GtkWidget* widget, const Rect& bounds) {
  for (auto& entry : children_) {
    if (entry.second.widget == widget && entry.second.placed) {
      entry.second.bounds = bounds;
      gtk_widget_queue_resize(widget);
    }
  }
}

void GtkWindows::RemoveHandle(WindowHandle handle) { children_.erase(handle); }

gboolean GtkWindows::OnChildPosition(GtkOverlay*, GtkWidget* widget, GdkRectangle* allocation, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  for (const auto& entry : binding->owner->children_) {
    if (entry.second.widget == widget && entry.second.placed) {
      allocation->x = entry.second.bounds.left;
      allocation->y = entry.second.bounds.top;
      allocation->width = std::max(1, entry.second.bounds.Width());
      allocation->height = std::max(1, entry.second.bounds.Height());
      return TRUE;
    }
  }
  return FALSE;
}

// ---- Events ------------------------------------------------------------------------------------

gboolean GtkWindows::OnDraw(GtkWidget* widget, cairo_t* cr, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  if (TopLevel* top = binding->owner->Find(binding->handle)) binding->owner->Paint(top, cr);
  (void)widget;
  return TRUE;
}

void GtkWindows::Paint(TopLevel* top, cairo_t* cr) {
  const int width = gtk_widget_get_allocated_width(top->surface);
  const int height = gtk_widget_get_allocated_height(top->surface);
  if (width <= 0 || height <= 0) return;
  // The core paints into a buffer of its own: the colour key is read back from it.
  cairo_surface_t* buffer = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* buffer_cr = cairo_create(buffer);
  cairo_set_source_rgb(buffer_cr, (top->background & 0xFF) / 255.0, ((top->background >> 8) & 0xFF) / 255.0,
                       ((top->background >> 16) & 0xFF) / 255.0);
  cairo_paint(buffer_cr);
  if (top->listener) {
    CairoCanvas canvas(buffer_cr);
    try {
      top->listener->OnPaint(top->handle, canvas);
    } catch (...) {
    }
  }
  cairo_destroy(buffer_cr);
  cairo_surface_flush(buffer);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(cr, buffer, 0, 0);
  cairo_paint(cr);
  if (top->color_key) UpdateShape(top, buffer);
  cairo_surface_destroy(buffer);
}

void GtkWindows::UpdateShape(TopLevel* top, cairo_surface_t* painted) {
  const int width = cairo_image_surface_get_width(painted);
  const int height = cairo_image_surface_get_height(painted);
  const unsigned char* data = cairo_image_surface_get_data(painted);
  const int stride = cairo_image_surface_get_stride(painted);
  const std::uint32_t key = ((top->key & 0xFF) << 16) | (top->key & 0xFF00) | ((top->key >> 16) & 0xFF);
  cairo_region_t* region = cairo_region_create();
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    int x = 0;
    while (x < width) {
      while (x < width && (row[x] & 0xFFFFFF) == key) ++x;
      const int start = x;
      while (x < width && (row[x] & 0xFFFFFF) != key) ++x;
      if (x > start) {
        const cairo_rectangle_int_t run{start, y, x - start, 1};
        cairo_region_union_rectangle(region, &run);
      }
    }
  }
  if (top->shape && cairo_region_equal(top->shape, region)) {
    cairo_region_destroy(region);
    return;
  }
  if (top->shape) cairo_region_destroy(top->shape);
  top->shape = region;
  gtk_widget_shape_combine_region(top->window, region);
  gtk_widget_input_shape_combine_region(top->window, region);
}

std::intptr_t GtkWindows::HitTest(TopLevel* top, double x_root, double y_root) {
  const std::intptr_t lparam = MakeLParam(static_cast<int>(std::floor(x_root)), static_cast<int>(std::floor(y_root)));
  return Deliver(top->handle, win::WM_NCHITTEST, 0, lparam);
}

gboolean GtkWindows::OnButton(GtkWidget*, GdkEventButton* event, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  GtkWindows* self = binding->owner;
  TopLevel* top = self->Find(binding->handle);
  // The system's own double-click detection below stands for GTK's.
  if (!top || (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE)) return TRUE;
  const WindowHandle handle = top->handle;
  self->pointer_window_ = handle;
  const int x = static_cast<int>(std::floor(event->x_root)) - top->bounds.left;
  const int y = static_cast<int>(std::floor(event->y_root)) - top->bounds.top;
  const std::uintptr_t button_key = ButtonKey(event->button);
  if (button_key == 0) return TRUE;
  const std::uint32_t base = event->button == 1   ? win::WM_LBUTTONDOWN
                             : event->button == 3 ? win::WM_RBUTTONDOWN
                                                  : win::WM_MBUTTONDOWN;
  if (event->type == GDK_BUTTON_PRESS) {
    self->drag_button_ = event->button;
    self->drag_x_root_ = event->x_root;
    self->drag_y_root_ = event->y_root;
    self->drag_time_ = event->time;
    const std::intptr_t hit = self->HitTest(top, event->x_root, event->y_root);
    if (!(top = self->Find(handle))) return TRUE;
    GdkWindowEdge edge;
    if (hit == win::HTCAPTION) {
      self->BeginMove(top);
      return TRUE;
    }
    if (EdgeOf(hit, &edge)) {
      self->BeginResize(top, edge);
      return TRUE;
    }
    if (hit != win::HTCLIENT) return TRUE;
    gint double_time = 400;
    gint double_distance = 4;
    g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &double_time, "gtk-double-click-distance",
                 &double_distance, nullptr);
    const bool is_double = !top->last_was_double && top->last_button == event->button &&
                           event->time - top->last_press_time <= static_cast<guint32>(double_time) &&
                           std::fabs(event->x_root - top->last_x) <= double_distance &&
                           std::fabs(event->y_root - top->last_y) <= double_distance;
    top->last_button = event->button;
    top->last_press_time = event->time;
    top->last_x = event->x_root;
    top->last_y = event->y_root;
    top->last_was_double = is_double;
    const std::uint32_t message = is_double ? base + 2 : base;
    self->Deliver(handle, message, MouseKeys(event->state) | button_key, MakeLParam(x, y));
  } else {
    self->drag_button_ = 0;
    self->Deliver(handle, base + 1, MouseKeys(event->state) & ~button_key, MakeLParam(x, y));
  }
  return TRUE;
}

gboolean GtkWindows::OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  GtkWindows* self = binding->owner;
  TopLevel* top = self->Find(binding->handle);
  if (!top) return TRUE;
  const WindowHandle handle = top->handle;
  self->pointer_window_ = handle;
  top->mouse_inside = true;
  if (event->state & (GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_BUTTON3_MASK)) {
    self->drag_button_ = event->state & GDK_BUTTON1_MASK ? 1 : event->state & GDK_BUTTON3_MASK ? 3 : 2;
    self->drag_x_root_ = event->x_root;
    self->drag_y_root_ = event->y_root;
    self->drag_time_ = event->time;
  }
  const std::intptr_t hit = self->HitTest(top, event->x_root, event->y_root);
  if (!self->Find(handle)) return TRUE;
  self->Deliver(handle, win::WM_SETCURSOR, handle, MakeLParam(static_cast<int>(hit), win::WM_MOUSEMOVE));
  if (!(top = self->Find(handle)) || (hit != win::HTCLIENT && self->capture_ != handle)) return TRUE;
  const int x = static_cast<int>(std::floor(event->x_root)) - top->bounds.left;
  const int y = static_cast<int>(std::floor(event->y_root)) - top->bounds.top;
  self->Deliver(handle, win::WM_MOUSEMOVE, MouseKeys(event->state), MakeLParam(x, y));
  return TRUE;
}

gboolean GtkWindows::OnCrossing(GtkWidget*, GdkEventCrossing* event, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  TopLevel* top = binding->owner->Find(binding->handle);
  if (!top || event->type != GDK_LEAVE_NOTIFY || event->mode != GDK_CROSSING_NORMAL) return FALSE;
  if (!top->mouse_inside) return FALSE;
  top->mouse_inside = false;
  binding->owner->Deliver(top->handle, win::WM_MOUSELEAVE, 0, 0);
  return FALSE;
}

gboolean GtkWindows::OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  binding->owner->Deliver(binding->handle, win::WM_CLOSE, 0, 0);
  // The window goes only through Destroy.
  return TRUE;
}

gboolean GtkWindows::OnConfigure(GtkWidget*, GdkEventConfigure* event, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  TopLevel* top = binding->owner->Find(binding->handle);
  if (!top) return FALSE;
  const Rect now = BoundsRect(event->x, event->y, event->width, event->height);
  if (now == top->bounds) return FALSE;
  const bool resized = now.Width() != top->bounds.Width() || now.Height() != top->bounds.Height();
  top->bounds = now;
  if (resized) {
    binding->owner->Deliver(top->handle, win::WM_SIZE, top->maximized ? win::SIZE_MAXIMIZED : win::SIZE_RESTORED,
                            MakeLParam(now.Width(), now.Height()));
  }
  return FALSE;
}

gboolean GtkWindows::OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  TopLevel* top = binding->owner->Find(binding->handle);
  if (top && (event->changed_mask & GDK_WINDOW_STATE_ICONIFIED)) {
    top->iconified = (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
  }
  return FALSE;
}

void GtkWindows::OnGdkEvent(GdkEvent* event, gpointer data) {
  auto* self = static_cast<GtkWindows*>(data);
  if (self->hook_ && (event->type == GDK_KEY_PRESS || event->type == GDK_KEY_RELEASE)) {
    // The window of a key message: the focused child (a browser's page) when it is one of ours,
    // otherwise the top-level window.
    WindowHandle target = kNoWindow;
    GtkWidget* widget = gtk_get_event_widget(event);
    GtkWidget* toplevel = widget ? gtk_widget_get_toplevel(widget) : nullptr;
    for (const auto& entry : self->windows_) {
      if (entry.second->window != toplevel || entry.second->destroying) continue;
      target = entry.first;
      GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(toplevel));
      for (const auto& child : self->children_) {
        if (focus && child.second.widget == focus && !child.second.placed) target = child.first;
      }
    }
    const QueuedMessage message = KeyMessageOf(event->key, target);
    GdkEvent* const previous = self->current_key_event_;
    self->current_key_event_ = event;
    bool consumed = false;
    try {
      consumed = self->hook_(message);
    } catch (...) {
      consumed = false;
    }
    self->current_key_event_ = previous;
    if (consumed) return;
  }
  gtk_main_do_event(event);
}

int VirtualKeyOf(guint keyval, bool* extended) {
  *extended = false;
  if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return static_cast<int>('A' + (keyval - GDK_KEY_a));
  if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return static_cast<int>('A' + (keyval - GDK_KEY_A));
  if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return static_cast<int>('0' + (keyval - GDK_KEY_0));
  if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F12) return static_cast<int>(0x70 + (keyval - GDK_KEY_F1));
  if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9) return static_cast<int>(0x60 + (keyval - GDK_KEY_KP_0));
  struct Row {
    guint keyval;
    int key;
    bool extended;
  };
  static const Row kRows[] = {
      {GDK_KEY_BackSpace, 0x08, false},
      {GDK_KEY_Tab, 0x09, false},
      {GDK_KEY_ISO_Left_Tab, 0x09, false},
      {GDK_KEY_Return, 0x0D, false},
      {GDK_KEY_KP_Enter, 0x0D, true},
      {GDK_KEY_Escape, 0x1B, false},
      {GDK_KEY_space, 0x20, false},
      {GDK_KEY_Page_Up, 0x21, true},
      {GDK_KEY_Page_Down, 0x22, true},
      {GDK_KEY_End, 0x23, true},
      {GDK_KEY_Home, 0x24, true},
      {GDK_KEY_Left, 0x25, true},
      {GDK_KEY_Up, 0x26, true},
      {GDK_KEY_Right, 0x27, true},
      {GDK_KEY_Down, 0x28, true},
      {GDK_KEY_Insert, 0x2D, true},
      {GDK_KEY_Delete, 0x2E, true},
      {GDK_KEY_KP_Page_Up, 0x21, false},
      {GDK_KEY_KP_Page_Down, 0x22, false},
      {GDK_KEY_KP_End, 0x23, false},
      {GDK_KEY_KP_Home, 0x24, false},
      {GDK_KEY_KP_Left, 0x25, false},
      {GDK_KEY_KP_Up, 0x26, false},
      {GDK_KEY_KP_Right, 0x27, false},
      {GDK_KEY_KP_Down, 0x28, false},
      {GDK_KEY_KP_Insert, 0x2D, false},
      {GDK_KEY_KP_Delete, 0x2E, false},
      {GDK_KEY_Shift_L, 0x10, false},
      {GDK_KEY_Shift_R, 0x10, false},
      {GDK_KEY_Control_L, 0x11, false},
      {GDK_KEY_Control_R, 0x11, true},
      {GDK_KEY_Alt_L, 0x12, false},
      {GDK_KEY_Alt_R, 0x12, true},
  };
  for (const Row& row : kRows) {
    if (row.keyval == keyval) {
      *extended = row.extended;
      return row.key;
    }
  }
  return 0;
}

QueuedMessage KeyMessageOf(const GdkEventKey& event, WindowHandle window) {
  bool extended = false;
  const int key = VirtualKeyOf(event.keyval, &extended);
  const bool alt = (event.state & GDK_MOD1_MASK) != 0;
  const bool press = event.type == GDK_KEY_PRESS;
  QueuedMessage message;
  message.window = window;
  message.message = press ? (alt ? win::WM_SYSKEYDOWN : win::WM_KEYDOWN) : (alt ? win::WM_SYSKEYUP : win::WM_KEYUP);
  message.wparam = static_cast<std::uintptr_t>(key);
  // Repeat count 1, the scan code (X key codes are the PC scan codes plus 8), the extended flag,
  // and for a release the previous-state and transition bits.
  std::uint32_t lparam = 1;
  lparam |= (static_cast<std::uint32_t>(event.hardware_keycode >= 8 ? event.hardware_keycode - 8 : 0) & 0xFF) << 16;
  if (extended) lparam |= 1u << 24;
  if (alt) lparam |= 1u << 29;
  if (!press) lparam |= (1u << 30) | (1u << 31);
  message.lparam = static_cast<std::intptr_t>(static_cast<std::int32_t>(lparam));
  message.time = event.time;
  return message;
}

}  // namespace vkr::gtk
