#include "platform/win32/win32_windows.h"

#include <cstring>

#include "platform/canvas.h"
#include "platform/win32/handles.h"
#include "platform/win32/ui_win32.h"
#include "platform/win32/wide.h"

namespace vkr::win32 {
namespace {

constexpr wchar_t kWindowClass[] = L"VkrTopLevelWindow";

// What the adapter keeps per window, owned through GWLP_USERDATA from WM_NCCREATE to WM_NCDESTROY.
struct WindowData {
  Win32Windows* owner = nullptr;
  WindowListener* listener = nullptr;
  COLORREF background = RGB(255, 255, 255);
  bool tracking_mouse = false;
  // Set at WM_NCCREATE while Create waits for CreateWindowExW: from then on the window owns the
  // record, even when the creation fails afterwards (its WM_NCDESTROY has freed it then).
  bool* adopted = nullptr;
};

WindowData* DataOf(HWND hwnd) { return reinterpret_cast<WindowData*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

HWND ToHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle ToHandle(HWND hwnd) { return reinterpret_cast<WindowHandle>(hwnd); }

// A style change takes effect once the frame is recomputed.
void SetLongAndFrame(WindowHandle window, int index, std::uint32_t value) {
  HWND hwnd = ToHwnd(window);
  if (!::IsWindow(hwnd)) return;
  ::SetWindowLongW(hwnd, index, static_cast<LONG>(value));
  ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

// A memory bitmap selected into a memory DC for one double-buffered paint.
class BackBuffer {
 public:
  BackBuffer(HDC target, int width, int height)
      : dc_(::CreateCompatibleDC(target)),
        bitmap_(::CreateCompatibleBitmap(target, width, height)),
        selection_(dc_.get(), bitmap_.get()) {}
  bool ok() const { return selection_.selected(); }
  HDC dc() const { return dc_.get(); }

 private:
  UniqueMemoryDc dc_;
  UniqueGdiObject bitmap_;
  ScopedSelection selection_;
};

}  // namespace

HICON ApplicationIcon(bool small_icon) {
  const int size = small_icon ? ::GetSystemMetrics(SM_CXSMICON) : ::GetSystemMetrics(SM_CXICON);
  // Shared icons from the module need no destruction.
  HANDLE icon = ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_SHARED);
  if (!icon) icon = ::LoadImageW(nullptr, IDI_APPLICATION, IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE);
  return static_cast<HICON>(icon);
}

Win32Windows::Win32Windows(DcCanvasFactory canvas_factory, Win32Ui* ui)
    : canvas_factory_(std::move(canvas_factory)), ui_(ui) {}

bool Win32Windows::RegisterWindowClass() {
  // Registered with the first window rather than at start: loading the cursor and icons brings in
  // the theming DLL, which the run modes without a window never need.
  if (class_atom_) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  // Double-clicks are wanted: the game window's title toggles maximise on them.
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &Win32Windows::WindowProcedure;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = ApplicationIcon(false);
  wc.hIconSm = ApplicationIcon(true);
  wc.lpszClassName = kWindowClass;
  class_atom_ = ::RegisterClassExW(&wc);
  if (!class_atom_ && ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS) class_atom_ = 1;
  return class_atom_ != 0;
}

Win32Windows::~Win32Windows() = default;

WindowHandle Win32Windows::Create(const WindowSpec& window_spec, WindowListener* listener) {
  if (!listener || !RegisterWindowClass()) return kNoWindow;
  auto data = std::make_unique<WindowData>();
  data->owner = this;
  data->listener = listener;
  data->background = window_spec.background;
  bool adopted = false;
  data->adopted = &adopted;
  WindowData* const record = data.get();
  HWND hwnd = ::CreateWindowExW(window_spec.ex_style, kWindowClass, Wide(window_spec.caption),
                                window_spec.style & ~WS_VISIBLE, window_spec.bounds.left, window_spec.bounds.top,
                                window_spec.bounds.Width(), window_spec.bounds.Height(), ToHwnd(window_spec.parent),
                                nullptr, ::GetModuleHandleW(nullptr), data.get());
  // Owned by the window from WM_NCCREATE on; never reached, it is still this function's.
  if (adopted) data.release();
  if (!hwnd) return kNoWindow;
  record->adopted = nullptr;
  if (window_spec.application_icon) {
    ::SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ApplicationIcon(false)));
    ::SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(ApplicationIcon(true)));
  }
  return ToHandle(hwnd);
}

void Win32Windows::Destroy(WindowHandle window) {
  if (::IsWindow(ToHwnd(window))) ::DestroyWindow(ToHwnd(window));
}

void Win32Windows::Show(WindowHandle window, int show_command) { ::ShowWindow(ToHwnd(window), show_command); }

bool Win32Windows::IsVisible(WindowHandle window) { return ::IsWindowVisible(ToHwnd(window)) != FALSE; }

int Win32Windows::ShowState(WindowHandle window) {
  HWND hwnd = ToHwnd(window);
  if (!::IsWindow(hwnd)) return 0;
  if (::IsIconic(hwnd)) return SW_SHOWMINIMIZED;
  if (::IsZoomed(hwnd)) return SW_SHOWMAXIMIZED;
  return SW_SHOWNORMAL;
}

Rect Win32Windows::Bounds(WindowHandle window) {
  RECT r{};
  if (!::GetWindowRect(ToHwnd(window), &r)) return Rect{};
  return Rect{r.left, r.top, r.right, r.bottom};
}

void Win32Windows::SetBounds(WindowHandle window, const Rect& bounds) {
  ::SetWindowPos(ToHwnd(window), nullptr, bounds.left, bounds.top, bounds.Width(), bounds.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

std::uint32_t Win32Windows::Style(WindowHandle window) {
  return static_cast<std::uint32_t>(::GetWindowLongW(ToHwnd(window), GWL_STYLE));
}

void Win32Windows::SetStyle(WindowHandle window, std::uint32_t style) { SetLongAndFrame(window, GWL_STYLE, style); }

std::uint32_t Win32Windows::ExStyle(WindowHandle window) {
  return static_cast<std::uint32_t>(::GetWindowLongW(ToHwnd(window), GWL_EXSTYLE));
}

void Win32Windows::SetExStyle(WindowHandle window, std::uint32_t ex_style) {
  SetLongAndFrame(window, GWL_EXSTYLE, ex_style);
}

void Win32Windows::SetCaption(WindowHandle window, const std::u16string& caption) {
  ::SetWindowTextW(ToHwnd(window), Wide(caption));
}

bool Win32Windows::SetColorKey(WindowHandle window, std::uint32_t color, std::uint8_t alpha) {
  HWND hwnd = ToHwnd(window);
  if (!::IsWindow(hwnd)) return false;
  const LONG ex_style = ::GetWindowLongW(hwnd, GWL_EXSTYLE);
  if (!(ex_style & WS_EX_LAYERED)) ::SetWindowLongW(hwnd, GWL_EXSTYLE, ex_style | WS_EX_LAYERED);
  return ::SetLayeredWindowAttributes(hwnd, color, alpha, LWA_COLORKEY | LWA_ALPHA) != FALSE;
}

void Win32Windows::SetBackground(WindowHandle window, std::uint32_t color) {
  HWND hwnd = ToHwnd(window);
  WindowData* data = ::IsWindow(hwnd) ? DataOf(hwnd) : nullptr;
  if (!data) return;
  data->background = color;
  ::InvalidateRect(hwnd, nullptr, FALSE);
}

bool Win32Windows::SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t period_ms) {
  return ::SetTimer(ToHwnd(window), id, period_ms, nullptr) != 0;
}

void Win32Windows::KillTimer(WindowHandle window, std::uintptr_t id) { ::KillTimer(ToHwnd(window), id); }

bool Win32Windows::Post(WindowHandle window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
  return ::PostMessageW(ToHwnd(window), message, wparam, lparam) != FALSE;
}

std::intptr_t Win32Windows::Send(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                                 std::intptr_t lparam) {
  return ::SendMessageW(ToHwnd(window), message, wparam, lparam);
}

std::intptr_t Win32Windows::DefaultProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                                             std::intptr_t lparam) {
  return ::DefWindowProcW(ToHwnd(window), message, wparam, lparam);
}

void Win32Windows::SetCapture(WindowHandle window) { ::SetCapture(ToHwnd(window)); }
void Win32Windows::ReleaseCapture() { ::ReleaseCapture(); }
void Win32Windows::Invalidate(WindowHandle window) { ::InvalidateRect(ToHwnd(window), nullptr, FALSE); }
void Win32Windows::SetForeground(WindowHandle window) { ::SetForegroundWindow(ToHwnd(window)); }
void Win32Windows::SetActive(WindowHandle window) { ::SetActiveWindow(ToHwnd(window)); }

void Win32Windows::SetCursor(CursorShape shape) {
  ::SetCursor(::LoadCursorW(nullptr, shape == CursorShape::kHand ? IDC_HAND : IDC_ARROW));
}

Point Win32Windows::ClientToScreen(WindowHandle window, Point point) {
  POINT p{point.x, point.y};
  ::ClientToScreen(ToHwnd(window), &p);
  return Point{p.x, p.y};
}

bool Win32Windows::IsChild(WindowHandle parent, WindowHandle window) {
  return ::IsChild(ToHwnd(parent), ToHwnd(window)) != FALSE;
}

WindowHandle Win32Windows::DesktopWindow() { return ToHandle(::GetDesktopWindow()); }

Point Win32Windows::CursorPos() {
  POINT p{};
  ::GetCursorPos(&p);
  return Point{p.x, p.y};
}

std::int16_t Win32Windows::KeyState(int virtual_key) { return ::GetKeyState(virtual_key); }

Size Win32Windows::PrimaryScreenSize() {
  return Size{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

Rect Win32Windows::WorkArea() {
  RECT r{};
  if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) {
    const Size screen = PrimaryScreenSize();
    return Rect{0, 0, screen.width, screen.height};
  }
  return Rect{r.left, r.top, r.right, r.bottom};
}

void Win32Windows::SetMessageHook(std::function<bool(const QueuedMessage& message)> hook) {
  if (!ui_) return;
  if (!hook) {
    ui_->SetPreDispatchHook(nullptr);
    return;
  }
  ui_->SetPreDispatchHook([hook = std::move(hook)](MSG& msg) {
    const QueuedMessage message{ToHandle(msg.hwnd),
                                msg.message,
                                msg.wParam,
                                static_cast<std::intptr_t>(msg.lParam),
                                static_cast<std::uint32_t>(msg.time),
                                Point{msg.pt.x, msg.pt.y}};
    return hook(message);
  });
}

bool Win32Windows::HasMessageHook() { return ui_ && ui_->HasPreDispatchHook(); }

std::uint32_t Win32Windows::RegisterMessage(const std::u16string& name) {
  return name.empty() ? 0 : ::RegisterWindowMessageW(Wide(name));
}

void Win32Windows::TranslateAndDispatch(const QueuedMessage& message) {
  MSG msg{};
  msg.hwnd = ToHwnd(message.window);
  msg.message = message.message;
  msg.wParam = message.wparam;
  msg.lParam = message.lparam;
  msg.time = message.time;
  msg.pt = POINT{message.point.x, message.point.y};
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
}

void Win32Windows::SetFloatingPointControlWord(std::uint16_t word) {
#if defined(__i386__) || defined(__x86_64__)
  __asm__ __volatile__("fclex\n\tfldcw %0" : : "m"(word));
#else
  (void)word;
#endif
}

LRESULT CALLBACK Win32Windows::WindowProcedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    auto* data = static_cast<WindowData*>(create->lpCreateParams);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
    if (data && data->adopted) *data->adopted = true;
  }
  // The one boundary where the system calls the core for a window: nothing may escape it.
  try {
    WindowData* data = DataOf(hwnd);
    if (!data) return ::DefWindowProcW(hwnd, message, wparam, lparam);
    return data->owner->Handle(hwnd, message, wparam, lparam);
  } catch (...) {
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

LRESULT Win32Windows::Handle(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  WindowData* data = DataOf(hwnd);
  if (!data) return ::DefWindowProcW(hwnd, message, wparam, lparam);
  const WindowHandle window = ToHandle(hwnd);
  switch (message) {
    case WM_NCDESTROY: {
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      std::unique_ptr<WindowData> owned(data);
      if (owned->listener) owned->listener->OnDestroyed(window);
      return ::DefWindowProcW(hwnd, message, wparam, lparam);
    }
    case WM_ERASEBKGND:
      // WM_PAINT paints every pixel through its back buffer.
      return 1;
    case WM_PAINT:
      Paint(hwnd);
      return 0;
    case WM_GETMINMAXINFO: {
      auto* record = reinterpret_cast<MINMAXINFO*>(lparam);
      MinMaxInfo info;
      info.max_size = Size{record->ptMaxSize.x, record->ptMaxSize.y};
      info.max_position = Point{record->ptMaxPosition.x, record->ptMaxPosition.y};
      data->listener->OnGetMinMaxInfo(window, info);
      record->ptMaxSize = POINT{info.max_size.width, info.max_size.height};
      record->ptMaxPosition = POINT{info.max_position.x, info.max_position.y};
      return ::DefWindowProcW(hwnd, message, wparam, lparam);
    }
    case WM_MOUSEMOVE:
      if (!data->tracking_mouse) {
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = hwnd;
        data->tracking_mouse = ::TrackMouseEvent(&track) != FALSE;
      }
      break;
    case WM_MOUSELEAVE:
      data->tracking_mouse = false;
      break;
    default:
      break;
  }
  const std::optional<std::intptr_t> answer =
      data->listener->OnMessage(window, WindowMessage{message, wparam, static_cast<std::intptr_t>(lparam)});
  if (answer) return *answer;
  return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

void Win32Windows::Paint(HWND hwnd) {
  PAINTSTRUCT ps{};
  HDC dc = ::BeginPaint(hwnd, &ps);
  if (!dc) return;
  RECT client{};
  ::GetClientRect(hwnd, &client);
  WindowData* data = DataOf(hwnd);
  const COLORREF background = data ? data->background : RGB(255, 255, 255);
  if (client.right > 0 && client.bottom > 0) {
    BackBuffer buffer(dc, client.right, client.bottom);
    HDC target = buffer.ok() ? buffer.dc() : dc;
    UniqueGdiObject brush(::CreateSolidBrush(background));
    ::FillRect(target, &client, static_cast<HBRUSH>(brush.get()));
    if (canvas_factory_ && data && data->listener) {
      std::unique_ptr<Canvas> canvas = canvas_factory_(target);
      if (canvas) data->listener->OnPaint(ToHandle(hwnd), *canvas);
    }
    if (buffer.ok()) ::BitBlt(dc, 0, 0, client.right, client.bottom, buffer.dc(), 0, 0, SRCCOPY);
  }
  ::EndPaint(hwnd, &ps);
}

bool Win32Tray::Notify(std::uint32_t action, const TrayRecord& record) {
  // A whole record, zero-filled, so that the system never reads past it whatever cbSize says.
  NOTIFYICONDATAW data;
  std::memset(&data, 0, sizeof(data));
  data.cbSize = record.size;
  data.hWnd = ToHwnd(record.window);
  data.uID = record.id;
  data.uFlags = record.flags;
  data.uCallbackMessage = record.callback_message;
  data.hIcon = record.application_icon ? ApplicationIcon(true) : nullptr;
  const std::size_t capacity = sizeof(data.szTip) / sizeof(data.szTip[0]);
  const std::size_t length = record.tip.size() < capacity - 1 ? record.tip.size() : capacity - 1;
  std::memcpy(data.szTip, record.tip.data(), length * sizeof(wchar_t));
  return ::Shell_NotifyIconW(action, &data) != FALSE;
}

int Win32Menus::TrackPopup(WindowHandle owner, const std::vector<MenuItem>& items, Point screen) {
  UniqueMenu menu(::CreatePopupMenu());
  if (!menu) return 0;
  for (const MenuItem& item : items) {
    const UINT flags = MF_STRING | (item.checked ? MF_CHECKED : MF_UNCHECKED);
    if (!::AppendMenuW(menu.get(), flags, static_cast<UINT_PTR>(item.id), Wide(item.caption))) return 0;
  }
  const int chosen = static_cast<int>(
      ::TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                       screen.x, screen.y, 0, ToHwnd(owner), nullptr));
  // A menu shown for a tray icon otherwise fails to close on the next click elsewhere.
  ::PostMessageW(ToHwnd(owner), WM_NULL, 0, 0);
  return chosen;
}

bool Win32Resources::Load(const std::u16string& name, std::string* bytes) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceW(module, Wide(name), MAKEINTRESOURCEW(10));  // RT_RCDATA
  if (!found) return false;
  HGLOBAL loaded = ::LoadResource(module, found);
  const DWORD size = ::SizeofResource(module, found);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) return false;
  bytes->assign(static_cast<const char*>(data), size);
  return true;
}

}  // namespace vkr::win32
