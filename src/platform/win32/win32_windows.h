// Win32 adapters of the top-level windows, the tray icon, popup menus and embedded resources.
#pragma once

#include <functional>
#include <memory>

#include "platform/menu.h"
#include "platform/resources.h"
#include "platform/tray.h"
#include "platform/win32/windows_headers.h"
#include "platform/window.h"

namespace vkr::win32 {

class Win32Ui;

// Paints on a device context through the core's canvas. Installed by the composition root from
// the canvas adapter; without it a window shows only its background colour.
using DcCanvasFactory = std::function<std::unique_ptr<Canvas>(HDC dc)>;

class Win32Windows : public Windows {
 public:
  // `ui` runs the message loop whose pre-dispatch hook SetMessageHook sets; null for none.
  explicit Win32Windows(DcCanvasFactory canvas_factory = nullptr, Win32Ui* ui = nullptr);
  ~Win32Windows() override;
  Win32Windows(const Win32Windows&) = delete;
  Win32Windows& operator=(const Win32Windows&) = delete;

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
  bool SetColorKey(WindowHandle window, std::uint32_t color, std::uint8_t alpha) override;
  void SetBackground(WindowHandle window, std::uint32_t color) override;
  bool SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t period_ms) override;
  void KillTimer(WindowHandle window, std::uintptr_t id) override;
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
  bool HasMessageHook() override;
  std::uint32_t RegisterMessage(const std::u16string& name) override;
  void TranslateAndDispatch(const QueuedMessage& message) override;
  void SetFloatingPointControlWord(std::uint16_t word) override;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  void Paint(HWND hwnd);
  // Registers the window class once; false when it cannot be registered.
  bool RegisterWindowClass();

  DcCanvasFactory canvas_factory_;
  Win32Ui* ui_;
  ATOM class_atom_ = 0;
};

// The application's icon (resource 1 of the program file), or the system's default icon.
HICON ApplicationIcon(bool small_icon);

class Win32Tray : public Tray {
 public:
  bool Notify(std::uint32_t action, const TrayRecord& record) override;
};

class Win32Menus : public Menus {
 public:
  int TrackPopup(WindowHandle owner, const std::vector<MenuItem>& items, Point screen) override;
};

class Win32Resources : public Resources {
 public:
  bool Load(const std::u16string& name, std::string* bytes) override;
};

}  // namespace vkr::win32
