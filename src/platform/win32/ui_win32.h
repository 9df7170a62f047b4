// The user interface of the process: message boxes, the hidden application window, the
// synchronous call onto the GUI thread and the message loop.
#pragma once

#include <atomic>
#include <functional>

#include "platform/ui.h"
#include "platform/win32/windows_headers.h"

namespace vkr::win32 {

class Win32Ui : public Ui {
 public:
  // Sees every message that RunMessageLoop takes from the queue, before it is translated and
  // dispatched; returning true consumes the message. Runs on the GUI thread.
  using PreDispatchHook = std::function<bool(MSG& message)>;

  // The calling thread becomes the GUI thread. With `start_gui` the GUI is started at once
  // (StartGui); otherwise the first StartGui call does it.
  explicit Win32Ui(bool start_gui = true);
  // Destroys the application window; CallOnGuiThread from other threads then returns false.
  // Call on the GUI thread.
  ~Win32Ui() override;
  Win32Ui(const Win32Ui&) = delete;
  Win32Ui& operator=(const Win32Ui&) = delete;

  int MessageBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                 std::uint32_t type) override;
  void RunMessageLoop() override;
  void Terminate() override;
  void SetMainWindow(WindowHandle window) override;
  WindowHandle MainWindow() override;
  void SetApplicationWindowText(const std::u16string& text) override;
  bool CallOnGuiThread(const std::function<void()>& call) override;
  // OLE (the browser control needs it), the common controls and the hidden application window,
  // once; on the GUI thread.
  void StartGui() override;

  // Extension point for the window code: the hook of the message loop (empty for none). Set it
  // on the GUI thread.
  void SetPreDispatchHook(PreDispatchHook hook);
  bool HasPreDispatchHook() const { return static_cast<bool>(pre_dispatch_hook_); }
  // The hidden application window (null when it could not be created).
  HWND ApplicationWindow() const { return window_.load(); }
  DWORD GuiThreadId() const { return gui_thread_id_; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

  const DWORD gui_thread_id_;
  const UINT call_message_;
  std::atomic<HWND> window_{nullptr};
  bool gui_started_ = false;
  bool ole_initialized_ = false;
  std::atomic<WindowHandle> main_window_{kNoWindow};
  PreDispatchHook pre_dispatch_hook_;
};

}  // namespace vkr::win32
