#include "platform/win32/ui_win32.h"

#include <utility>

#include "platform/win32/wide.h"

namespace vkr::win32 {
namespace {

constexpr wchar_t kApplicationWindowClass[] = L"VkrApplicationWindow";
constexpr wchar_t kCallMessageName[] = L"VkrCallOnGuiThread";
// What the window answers once a call has run; a window that is gone answers 0 instead.
constexpr LRESULT kCallDone = 0x4C4C4143;

bool RegisterApplicationWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.lpszClassName = kApplicationWindowClass;
  return ::RegisterClassExW(&window_class) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

Win32Ui::Win32Ui(bool start_gui)
    : gui_thread_id_(::GetCurrentThreadId()), call_message_(::RegisterWindowMessageW(kCallMessageName)) {
  if (start_gui) StartGui();
}

void Win32Ui::StartGui() {
  if (gui_started_ || ::GetCurrentThreadId() != gui_thread_id_) return;
  gui_started_ = true;
  ole_initialized_ = SUCCEEDED(::OleInitialize(nullptr));
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  ::InitCommonControlsEx(&controls);
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (!RegisterApplicationWindowClass(instance, &Win32Ui::WindowProc)) return;
  // A tool window that is never shown: it has no taskbar button, the main window owns that.
  ::CreateWindowExW(WS_EX_TOOLWINDOW, kApplicationWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance,
                    this);
}

Win32Ui::~Win32Ui() {
  const HWND window = window_.exchange(nullptr);
  if (ole_initialized_ && ::GetCurrentThreadId() == gui_thread_id_) ::OleUninitialize();
  if (window == nullptr) return;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (::GetCurrentThreadId() == gui_thread_id_) {
    ::DestroyWindow(window);
  } else {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
  }
}

int Win32Ui::MessageBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                        std::uint32_t type) {
  return ::MessageBoxW(reinterpret_cast<HWND>(owner), Wide(text), Wide(caption), type);
}

void Win32Ui::RunMessageLoop() {
  if (main_window_.load() == kNoWindow) return;
  MSG message{};
  for (;;) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) break;  // WM_QUIT, or a broken queue
    bool consumed = false;
    if (pre_dispatch_hook_) {
      try {
        consumed = pre_dispatch_hook_(message);
      } catch (...) {
        consumed = false;
      }
    }
    if (!consumed) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
}

void Win32Ui::Terminate() {
  // WM_QUIT belongs in the GUI thread's queue, wherever the request comes from.
  if (::GetCurrentThreadId() == gui_thread_id_) {
    ::PostQuitMessage(0);
  } else {
    ::PostThreadMessageW(gui_thread_id_, WM_QUIT, 0, 0);
  }
}

void Win32Ui::SetMainWindow(WindowHandle window) { main_window_.store(window); }

WindowHandle Win32Ui::MainWindow() { return main_window_.load(); }

void Win32Ui::SetApplicationWindowText(const std::u16string& text) {
  if (const HWND window = window_.load()) ::SetWindowTextW(window, Wide(text));
}

bool Win32Ui::CallOnGuiThread(const std::function<void()>& call) {
  if (!call) return false;
  if (::GetCurrentThreadId() == gui_thread_id_) {
    try {
      call();
    } catch (...) {
    }
    return true;
  }
  const HWND window = window_.load();
  if (window == nullptr || !::IsWindow(window)) return false;
  // SendMessageW waits until the GUI thread has run the call, and fails at once when the window
  // has been destroyed or its thread has ended.
  return ::SendMessageW(window, call_message_, 0, reinterpret_cast<LPARAM>(&call)) == kCallDone;
}

void Win32Ui::SetPreDispatchHook(PreDispatchHook hook) { pre_dispatch_hook_ = std::move(hook); }

LRESULT CALLBACK Win32Ui::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  // The window procedure is a callback boundary: nothing may escape it.
  try {
    if (message == WM_NCCREATE) {
      auto* ui = static_cast<Win32Ui*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(ui));
      ui->window_.store(window);
    }
    if (auto* ui = reinterpret_cast<Win32Ui*>(::GetWindowLongPtrW(window, GWLP_USERDATA))) {
      return ui->HandleMessage(window, message, wparam, lparam);
    }
  } catch (...) {
    return 0;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

LRESULT Win32Ui::HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == call_message_ && call_message_ != 0) {
    const auto* call = reinterpret_cast<const std::function<void()>*>(lparam);
    try {
      (*call)();
    } catch (...) {
    }
    return kCallDone;
  }
  switch (message) {
    case WM_CLOSE:
      // The application window lives as long as the process; a close request goes to the main
      // window.
      if (const WindowHandle main = main_window_.load()) ::PostMessageW(reinterpret_cast<HWND>(main), WM_CLOSE, 0, 0);
      return 0;
    case WM_NCDESTROY: {
      HWND expected = window;
      window_.compare_exchange_strong(expected, nullptr);
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
    }
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace vkr::win32
