// Top-level windows: creation, bounds, show states, styles, colour key, timers, messages, capture,
// repaint, the screen's metrics, cursor and key state. The core decides what its windows do; the
// adapter creates them, forwards their messages and paints through the listener.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/browser.h"
#include "platform/geometry.h"
#include "platform/types.h"

namespace vkr {

class Canvas;

// One message as the window procedure received it.
struct WindowMessage {
  std::uint32_t message = 0;
  std::uintptr_t wparam = 0;
  std::intptr_t lparam = 0;
};

// The part of WM_GETMINMAXINFO's record that the launcher's windows set: the size and position of
// the maximised window, in screen coordinates of the primary monitor.
struct MinMaxInfo {
  Size max_size;
  Point max_position;
};

// What a window tells its owner. All calls come on the GUI thread, from the window procedure.
class WindowListener {
 public:
  virtual ~WindowListener() = default;

  // Every message the window receives, before any default handling, except WM_PAINT,
  // WM_GETMINMAXINFO and WM_NCDESTROY (below). Return a value to answer the message, or nullopt to
  // let the system's default handling (DefWindowProcW) run.
  virtual std::optional<std::intptr_t> OnMessage(WindowHandle window, const WindowMessage& message) = 0;
  // WM_PAINT: draw the whole client area on `canvas` (the adapter double-buffers it).
  virtual void OnPaint(WindowHandle window, Canvas& canvas) = 0;
  // WM_GETMINMAXINFO with the system's proposal in `info`; the default handling runs afterwards.
  virtual void OnGetMinMaxInfo(WindowHandle /*window*/, MinMaxInfo& /*info*/) {}
  // The window is gone (WM_NCDESTROY); no further call comes for it.
  virtual void OnDestroyed(WindowHandle /*window*/) {}
};

// How a top-level window is created. It starts hidden.
struct WindowSpec {
  std::u16string caption;
  // Screen coordinates.
  Rect bounds;
  std::uint32_t style = 0;
  std::uint32_t ex_style = 0;
  // The parent (or owner) window; kNoWindow for none.
  WindowHandle parent = kNoWindow;
  // The colour that erases the background, 0x00BBGGRR.
  std::uint32_t background = 0xFFFFFF;
  // The application's icon as the window's big and small icon.
  bool application_icon = true;
};

// Mouse cursors a window shows over its parts.
enum class CursorShape { kArrow, kHand };

// Top-level windows of the GUI thread. Abstract so that tests can drive fake windows and read
// back what the launcher asked of them. Every member is for the GUI thread; a call on a handle
// that is no window does nothing and returns the type's empty value.
class Windows {
 public:
  virtual ~Windows() = default;

  // Creates a hidden window whose messages go to `listener` until OnDestroyed. kNoWindow on
  // failure. The listener must outlive the window.
  virtual WindowHandle Create(const WindowSpec& window_spec, WindowListener* listener) = 0;
  // DestroyWindow. The listener's OnDestroyed runs before it returns.
  virtual void Destroy(WindowHandle window) = 0;

  // ShowWindow with a win::SW_* command.
  virtual void Show(WindowHandle window, int show_command) = 0;
  virtual bool IsVisible(WindowHandle window) = 0;
  // win::SW_SHOWMAXIMIZED, win::SW_SHOWMINIMIZED or win::SW_SHOWNORMAL (IsZoomed, IsIconic).
  virtual int ShowState(WindowHandle window) = 0;
  // The window's rectangle in screen coordinates; its size is its client size (the launcher's
  // windows have no frame).
  virtual Rect Bounds(WindowHandle window) = 0;
  virtual void SetBounds(WindowHandle window, const Rect& bounds) = 0;
  // GWL_STYLE and GWL_EXSTYLE through GetWindowLongW / SetWindowLongW. After a change the frame
  // is recomputed (SetWindowPos with SWP_FRAMECHANGED) so that the change takes effect.
  virtual std::uint32_t Style(WindowHandle window) = 0;
  virtual void SetStyle(WindowHandle window, std::uint32_t style) = 0;
  virtual std::uint32_t ExStyle(WindowHandle window) = 0;
  virtual void SetExStyle(WindowHandle window, std::uint32_t ex_style) = 0;
  virtual void SetCaption(WindowHandle window, const std::u16string& caption) = 0;
  // Makes the window layered (WS_EX_LAYERED) with the colour key 0x00BBGGRR (every pixel of
  // exactly that colour is transparent) and the constant alpha. False when the system refuses.
  virtual bool SetColorKey(WindowHandle window, std::uint32_t color, std::uint8_t alpha) = 0;
  // The colour that erases the window's background, 0x00BBGGRR.
  virtual void SetBackground(WindowHandle window, std::uint32_t color) = 0;

  // SetTimer / KillTimer on the window; setting an identifier again replaces its timer. WM_TIMER
  // arrives through OnMessage.
  virtual bool SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t period_ms) = 0;
  virtual void KillTimer(WindowHandle window, std::uintptr_t id) = 0;
  // RegisterWindowMessageW: the message number the system gives that name, the same in every
  // program of the session (0xC000 to 0xFFFF); 0 when there is none. Such a message arrives
  // through OnMessage like any other.
  virtual std::uint32_t RegisterMessage(const std::u16string& name) = 0;
  // PostMessageW (false on failure) and SendMessageW.
  virtual bool Post(WindowHandle window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) = 0;
  virtual std::intptr_t Send(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                             std::intptr_t lparam) = 0;
  // DefWindowProcW of the window.
  virtual std::intptr_t DefaultProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                                         std::intptr_t lparam) = 0;
  virtual void SetCapture(WindowHandle window) = 0;
  virtual void ReleaseCapture() = 0;
  // Asks for the whole client area to be repainted.
  virtual void Invalidate(WindowHandle window) = 0;
  virtual void SetForeground(WindowHandle window) = 0;
  virtual void SetActive(WindowHandle window) = 0;
  // Shows the cursor shape now (SetCursor); the answer to WM_SETCURSOR over a client part.
  virtual void SetCursor(CursorShape shape) = 0;

  // Client coordinates of `window` to screen coordinates.
  virtual Point ClientToScreen(WindowHandle window, Point point) = 0;
  // True when `window` is a descendant of `parent` (IsChild).
  virtual bool IsChild(WindowHandle parent, WindowHandle window) = 0;
  virtual WindowHandle DesktopWindow() = 0;
  // GetCursorPos, screen coordinates.
  virtual Point CursorPos() = 0;
  // GetKeyState: negative while the key is down.
  virtual std::int16_t KeyState(int virtual_key) = 0;
  // The primary screen's size (SM_CXSCREEN, SM_CYSCREEN).
  virtual Size PrimaryScreenSize() = 0;
  // The primary monitor's work area: the screen less the taskbar and other docked bars.
  virtual Rect WorkArea() = 0;

  // Sets the hook that sees every message the GUI thread's message loop takes from the queue,
  // before it is translated and dispatched; returning true takes the message out of the loop.
  // An empty hook removes it. One hook at a time.
  virtual void SetMessageHook(std::function<bool(const QueuedMessage& message)> hook) = 0;
  // True while a message hook is set.
  virtual bool HasMessageHook() = 0;
  // TranslateMessage and DispatchMessageW of a queued message, for a hook that takes a message
  // out of the ordinary loop.
  virtual void TranslateAndDispatch(const QueuedMessage& message) = 0;

  // Sets the x87 floating-point control word of the calling thread (the hosted browser expects
  // every exception masked).
  virtual void SetFloatingPointControlWord(std::uint16_t word) = 0;
};

}  // namespace vkr
