// Top-level windows on GTK 3: borderless GtkWindows whose client area the core paints (a drawing
// area under an overlay that holds the browsers). GDK events become the core's Win32 message
// vocabulary, and what the system's default window procedure would do (the move and size loops,
// minimise, maximise to the work area, closing) is done here.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "platform/window.h"

namespace vkr::gtk {

class GtkWindows : public Windows {
 public:
  GtkWindows();
  ~GtkWindows() override;
  GtkWindows(const GtkWindows&) = delete;
  GtkWindows& operator=(const GtkWindows&) = delete;

  // Takes every GDK event before GTK dispatches it (the message loop's hook); called once GTK
  // has been initialised.
  void AttachEventHandler();

  WindowHandle Create(const WindowSpec& window_spec, WindowListener* listener) override;
  void Destroy(WindowHandle window) override;
  void Show(WindowHandle window, int show_command) override;
  bool IsVisible(WindowHandle window) override;
  int ShowState(WindowHandle window) override;
  Rect Bounds(WindowHandle window) override;
  void SetBounds(WindowHandle window, const Rect& bounds) override;
  std::uint32_t Style(WindowHandle window) override;
  void SetStyle(WindowHandle window, std::uint32_t style) override;
  std::uint32_t ExStyle(WindowHandle window) override;
  void SetExStyle(WindowHandle window, std::uint32_t ex_style) override;
  void SetCaption(WindowHandle window, const std::u16string& caption) override;
  // The colour key becomes the window's X shape (input and bounding): every pixel the core paints
  // in that colour is left out of the window. The constant alpha is not applied (without a
  // compositor it could not be).
  bool SetColorKey(WindowHandle window, std::uint32_t color, std::uint8_t alpha) override;
  void SetBackground(WindowHandle window, std::uint32_t color) override;
  bool SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t period_ms) override;
  void KillTimer(WindowHandle window, std::uintptr_t id) override;
  // Any thread.
  bool Post(WindowHandle window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override;
  std::intptr_t Send(WindowHandle window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override;
  std::intptr_t DefaultProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                                 std::intptr_t lparam) override;
  void SetCapture(WindowHandle window) override;
  void ReleaseCapture() override;
  void Invalidate(WindowHandle window) override;
  void SetForeground(WindowHandle window) override;
  void SetActive(WindowHandle window) override;
  void SetCursor(CursorShape shape) override;
  Point ClientToScreen(WindowHandle window, Point point) override;
  bool IsChild(WindowHandle parent, WindowHandle window) override;
  WindowHandle DesktopWindow() override;
  Point CursorPos() override;
  std::int16_t KeyState(int virtual_key) override;
  Size PrimaryScreenSize() override;
  Rect WorkArea() override;
  void SetMessageHook(std::function<bool(const QueuedMessage& message)> hook) override;
  bool HasMessageHook() override { return static_cast<bool>(hook_); }
  // This desktop broadcasts no registered messages: 0, which no window takes for one.
  std::uint32_t RegisterMessage(const std::u16string&) override { return 0; }
  void TranslateAndDispatch(const QueuedMessage& message) override;
  // The browser needs no particular floating-point state on Linux.
  void SetFloatingPointControlWord(std::uint16_t word) override;

  // For the browser adapter: children placed in a window's client area at bounds of their own.
  // The container is null when `parent` is no window.
  GtkOverlay* ChildContainer(WindowHandle parent);
  // Registers a child widget as a window handle below `parent` (for IsChild); the widget is
  // placed at `bounds` (parent client coordinates) while it is a child of the container.
  WindowHandle AddChild(WindowHandle parent, GtkWidget* widget, const Rect& bounds);
  // A handle for something inside a child (no widget of its own to place).
  WindowHandle AddInnerHandle(WindowHandle parent, GtkWidget* focus_widget);
  void SetChildBounds(GtkWidget* widget, const Rect& bounds);
  void RemoveHandle(WindowHandle handle);
  // The key event the hook is looking at, while it looks.
  GdkEvent* CurrentKeyEvent() const { return current_key_event_; }
  // The GtkWindow of a top-level handle, or null.
  GtkWindow* TopLevelWidget(WindowHandle window);

 private:
  struct TopLevel;
  struct Child {
    WindowHandle parent = kNoWindow;
    GtkWidget* widget = nullptr;  // placed in the container, or focus target
    Rect bounds;
    bool placed = false;
  };

  TopLevel* Find(WindowHandle window);
  std::optional<std::intptr_t> Dispatch(TopLevel* top, std::uint32_t message, std::uintptr_t wparam,
                                        std::intptr_t lparam);
  std::intptr_t Deliver(WindowHandle window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
  void ApplyBounds(TopLevel* top, const Rect& bounds, bool send_size);
  void Maximize(TopLevel* top);
  void RestoreFromMaximized(TopLevel* top);
  void BeginMove(TopLevel* top);
  void BeginResize(TopLevel* top, GdkWindowEdge edge);
  void Paint(TopLevel* top, cairo_t* cr);
  void UpdateShape(TopLevel* top, cairo_surface_t* painted);
  std::intptr_t HitTest(TopLevel* top, double x_root, double y_root);
  void Finish(WindowHandle window);

  static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer handle);
  static gboolean OnButton(GtkWidget*, GdkEventButton* event, gpointer handle);
  static gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer handle);
  static gboolean OnCrossing(GtkWidget*, GdkEventCrossing* event, gpointer handle);
  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer handle);
  static gboolean OnConfigure(GtkWidget*, GdkEventConfigure* event, gpointer handle);
  static gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer handle);
  static gboolean OnChildPosition(GtkOverlay*, GtkWidget* widget, GdkRectangle* allocation, gpointer handle);
  static void OnGdkEvent(GdkEvent* event, gpointer self);

  std::map<WindowHandle, std::unique_ptr<TopLevel>> windows_;
  std::map<WindowHandle, Child> children_;
  WindowHandle next_handle_ = 0x1000;
  WindowHandle capture_ = kNoWindow;
  // The window whose mouse event is being handled (the cursor is set on it).
  WindowHandle pointer_window_ = kNoWindow;
  // The last button press or motion with a button held: a move or size loop starts from it.
  guint drag_button_ = 0;
  double drag_x_root_ = 0;
  double drag_y_root_ = 0;
  guint32 drag_time_ = 0;
  GdkEvent* current_key_event_ = nullptr;
  std::function<bool(const QueuedMessage& message)> hook_;
  // Handles that may receive posted messages, for other threads.
  std::mutex live_mutex_;
  std::set<WindowHandle> live_;
};

// The Win32 virtual-key code of a GDK key value and whether it is one of the extended keys (the
// dedicated cursor block, not the keypad); 0 when it has none.
int VirtualKeyOf(guint keyval, bool* extended);
// WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN or WM_SYSKEYUP with its parameters for a GDK key event.
QueuedMessage KeyMessageOf(const GdkEventKey& event, WindowHandle window);

}  // namespace vkr::gtk
