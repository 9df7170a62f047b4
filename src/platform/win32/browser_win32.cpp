#include "platform/win32/browser_win32.h"

#include <windows.h>
// The COM and HTML headers follow windows.h.
#include <exdisp.h>
#include <mshtmhst.h>
#include <oleidl.h>

#include "platform/win32/browser_events_win32.h"
#include "platform/win32/browser_site_win32.h"
#include "platform/win32/com_values.h"
#include "platform/win32/document_walk_win32.h"
#include "platform/win32/handles.h"
#include "platform/win32/url_cache_win32.h"

namespace vkr::win32 {

namespace {

constexpr wchar_t kHostWindowClass[] = L"VkrBrowserHost";

// OleInitialize for the lifetime of a browser, balanced only when it succeeded.
class OleScope {
 public:
  OleScope() : result_(::OleInitialize(nullptr)) {}
  ~OleScope() {
    if (SUCCEEDED(result_)) ::OleUninitialize();
  }
  OleScope(const OleScope&) = delete;
  OleScope& operator=(const OleScope&) = delete;

 private:
  HRESULT result_;
};

class Win32Browser : public Browser {
 public:
  Win32Browser(HWND parent, const Rect& bounds, const BrowserHostSettings& settings);
  ~Win32Browser() override;
  Win32Browser(const Win32Browser&) = delete;
  Win32Browser& operator=(const Win32Browser&) = delete;

  // True when the control is up and in place.
  bool Start();

  bool Navigate(const std::u16string& url) override;
  void Refresh() override;
  void Stop() override;
  bool Busy() override;
  std::u16string LocationURL() override;
  bool ForEachDocumentElement(const std::function<bool(DocumentElement& element)>& visit) override;
  bool TranslateAcceleratorKey(const QueuedMessage& message) override;
  WindowHandle Window() override { return reinterpret_cast<WindowHandle>(window_.get()); }
  Rect Bounds() override { return bounds_; }
  void SetBounds(const Rect& bounds) override;
  bool ClearCache() override {
    int deleted = 0;
    return ClearUrlCache(&deleted);
  }

  // The host window's client area changed size.
  void Resized();
  // Makes the control the active one, with the keyboard focus.
  void Activate();
  ComPtr<IWebBrowser2> WebBrowser() { return web_browser_; }
  ComPtr<IOleClientSite> ControlSite() {
    ComPtr<IOleClientSite> site;
    if (ole_object_) ole_object_->GetClientSite(site.put());
    return site;
  }

 private:
  OleScope ole_;
  HWND parent_;
  Rect bounds_;
  BrowserHostSettings settings_;
  UniqueWindow window_;
  BrowserSite* site_ = nullptr;
  BrowserEventSink* sink_ = nullptr;
  ComPtr<IOleObject> ole_object_;
  ComPtr<IWebBrowser2> web_browser_;
  ComPtr<IConnectionPoint> connection_;
  DWORD cookie_ = 0;
};

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  try {
    auto* browser = reinterpret_cast<Win32Browser*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_SIZE) {
      if (browser) browser->Resized();
      return 0;
    }
    if (message == WM_SETFOCUS) {
      // The focus given to the host goes on to the page.
      if (browser) browser->Activate();
      return 0;
    }
  } catch (...) {
  }
  return ::DefWindowProcW(window, message, wparam, lparam);
}

bool RegisterHostClass() {
  static const bool registered = [] {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = HostWindowProc;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    // White, as an empty page is, until the control has painted.
    window_class.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    window_class.lpszClassName = kHostWindowClass;
    return ::RegisterClassExW(&window_class) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

Win32Browser::Win32Browser(HWND parent, const Rect& bounds, const BrowserHostSettings& settings)
    : parent_(parent), bounds_(bounds), settings_(settings) {}

bool Win32Browser::Start() {
  if (!parent_ || !::IsWindow(parent_) || !RegisterHostClass()) return false;
  window_.reset(::CreateWindowExW(0, kHostWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                  bounds_.left, bounds_.top, bounds_.Width(), bounds_.Height(), parent_, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr));
  if (!window_) return false;
  site_ = new BrowserSite(window_.get(), settings_);
  sink_ = new BrowserEventSink(this);
  if (FAILED(::CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                ole_object_.put_void()))) {
    return false;
  }
  if (FAILED(ole_object_->SetClientSite(static_cast<IOleClientSite*>(site_)))) return false;
  RECT client{};
  ::GetClientRect(window_.get(), &client);
  if (FAILED(ole_object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(site_), 0,
                                 window_.get(), &client))) {
    return false;
  }
  if (FAILED(ole_object_.As(IID_IWebBrowser2, &web_browser_))) return false;
  // Not silent: the page's own alert and confirm boxes must show (a wrong password, a notice).
  // Only the script-error prompt is suppressed, by the site's command target.
  web_browser_->put_Silent(VARIANT_FALSE);
  ComPtr<IConnectionPointContainer> container;
  if (FAILED(web_browser_.As(IID_IConnectionPointContainer, &container)) ||
      FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, connection_.put())) ||
      FAILED(connection_->Advise(static_cast<IDispatch*>(sink_), &cookie_))) {
    return false;
  }
  ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  return true;
}

Win32Browser::~Win32Browser() {
  if (window_) ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  if (sink_) sink_->Detach();
  if (connection_ && cookie_) connection_->Unadvise(cookie_);
  connection_.reset();
  web_browser_.reset();
  if (ole_object_) {
    ComPtr<IOleInPlaceObject> in_place;
    if (SUCCEEDED(ole_object_.As(IID_IOleInPlaceObject, &in_place))) in_place->InPlaceDeactivate();
    ole_object_->Close(OLECLOSE_NOSAVE);
    ole_object_->SetClientSite(nullptr);
    ole_object_.reset();
  }
  if (site_) {
    site_->Detach();
    site_->Release();
  }
  if (sink_) sink_->Release();
  window_.reset();
}

bool Win32Browser::Navigate(const std::u16string& url) {
  if (!web_browser_) return false;
  UniqueBstr address(url);
  UniqueVariant flags, target, post_data, headers;
  return SUCCEEDED(web_browser_->Navigate(address.get(), flags.get(), target.get(), post_data.get(), headers.get()));
}

void Win32Browser::Refresh() {
  if (web_browser_) web_browser_->Refresh();
}

void Win32Browser::Stop() {
  if (web_browser_) web_browser_->Stop();
}

bool Win32Browser::Busy() {
  VARIANT_BOOL busy = VARIANT_FALSE;
  return web_browser_ && SUCCEEDED(web_browser_->get_Busy(&busy)) && busy != VARIANT_FALSE;
}

std::u16string Win32Browser::LocationURL() {
  UniqueBstr location;
  if (!web_browser_ || FAILED(web_browser_->get_LocationURL(location.put()))) return {};
  return location.Text();
}

bool Win32Browser::ForEachDocumentElement(const std::function<bool(DocumentElement& element)>& visit) {
  return WalkDocumentElements(web_browser_.get(), visit);
}

bool Win32Browser::TranslateAcceleratorKey(const QueuedMessage& message) {
  MSG msg{};
  msg.hwnd = reinterpret_cast<HWND>(message.window);
  msg.message = message.message;
  msg.wParam = message.wparam;
  msg.lParam = message.lparam;
  msg.time = message.time;
  msg.pt = POINT{message.point.x, message.point.y};
  if (site_ && site_->SwallowsShortcut(msg)) return true;
  if (!web_browser_) return false;
  ComPtr<IDispatch> application;
  ComPtr<IOleInPlaceActiveObject> active_object;
  if (FAILED(web_browser_->get_Application(application.put())) || !application ||
      FAILED(application.As(IID_IOleInPlaceActiveObject, &active_object))) {
    return false;
  }
  return active_object->TranslateAccelerator(&msg) == S_OK;
}

void Win32Browser::SetBounds(const Rect& bounds) {
  bounds_ = bounds;
  if (window_) ::MoveWindow(window_.get(), bounds.left, bounds.top, bounds.Width(), bounds.Height(), TRUE);
}

void Win32Browser::Resized() {
  if (!ole_object_ || !window_) return;
  ComPtr<IOleInPlaceObject> in_place;
  if (FAILED(ole_object_.As(IID_IOleInPlaceObject, &in_place))) return;
  RECT client{};
  ::GetClientRect(window_.get(), &client);
  in_place->SetObjectRects(&client, &client);
}

void Win32Browser::Activate() {
  if (!ole_object_ || !window_) return;
  RECT client{};
  ::GetClientRect(window_.get(), &client);
  ole_object_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, static_cast<IOleClientSite*>(site_), 0, window_.get(), &client);
}

}  // namespace

std::unique_ptr<Browser> Win32BrowserFactory::CreateBrowser(WindowHandle parent, const Rect& bounds,
                                                            const BrowserHostSettings& settings) {
  try {
    auto browser = std::make_unique<Win32Browser>(reinterpret_cast<HWND>(parent), bounds, settings);
    if (!browser->Start()) return nullptr;
    return browser;
  } catch (...) {
    return nullptr;
  }
}

ComPtr<IOleClientSite> ControlClientSite(Browser& browser) {
  auto* win32_browser = dynamic_cast<Win32Browser*>(&browser);
  return win32_browser ? win32_browser->ControlSite() : ComPtr<IOleClientSite>();
}

ComPtr<IWebBrowser2> ControlWebBrowser(Browser& browser) {
  auto* win32_browser = dynamic_cast<Win32Browser*>(&browser);
  return win32_browser ? win32_browser->WebBrowser() : ComPtr<IWebBrowser2>();
}

}  // namespace vkr::win32
