#include "platform/win32/browser_win32.h"

#include <windows.h>
// The COM and HTML headers follow windows.h.
#include <exdisp.h>
#include <exdispid.h>
#include <mshtmhst.h>
#include <mshtml.h>
#include <oleidl.h>
#include <wininet.h>

#include <atomic>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace vkr::win32 {

namespace {

constexpr wchar_t kHostWindowClass[] = L"VkrBrowserHost";

// The URL cache entries ClearCache removes: normal, sticky, offline- and online-tracked, cookie
// and history entries.
constexpr DWORD kCacheClearFilter = NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY | TRACK_OFFLINE_CACHE_ENTRY |
                                    TRACK_ONLINE_CACHE_ENTRY | COOKIE_CACHE_ENTRY | URLHISTORY_CACHE_ENTRY;

class UniqueBstr {
 public:
  explicit UniqueBstr(const std::u16string& text)
      : value_(::SysAllocStringLen(Wide(text), static_cast<UINT>(text.size()))) {}
  UniqueBstr() = default;
  ~UniqueBstr() { ::SysFreeString(value_); }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  BSTR get() const { return value_; }
  BSTR* put() {
    ::SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }
  std::u16string Text() const { return value_ ? FromWide(value_, ::SysStringLen(value_)) : std::u16string(); }

 private:
  BSTR value_ = nullptr;
};

class UniqueVariant {
 public:
  UniqueVariant() { ::VariantInit(&value_); }
  ~UniqueVariant() { ::VariantClear(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  VARIANT* get() { return &value_; }

 private:
  VARIANT value_;
};

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

// ---- Event arguments: the control passes them last first, some by reference.

VARIANTARG* Argument(const DISPPARAMS* params, UINT position) {
  if (!params || !params->rgvarg || position >= params->cArgs) return nullptr;
  return &params->rgvarg[params->cArgs - 1 - position];
}

std::u16string ArgumentText(const DISPPARAMS* params, UINT position) {
  VARIANTARG* argument = Argument(params, position);
  if (!argument) return {};
  UniqueVariant copy;
  if (FAILED(::VariantCopyInd(copy.get(), argument))) return {};
  if (copy.get()->vt != VT_BSTR && FAILED(::VariantChangeType(copy.get(), copy.get(), 0, VT_BSTR))) return {};
  BSTR text = copy.get()->bstrVal;
  return text ? FromWide(text, ::SysStringLen(text)) : std::u16string();
}

std::int32_t ArgumentInt(const DISPPARAMS* params, UINT position) {
  VARIANTARG* argument = Argument(params, position);
  if (!argument) return 0;
  UniqueVariant copy;
  if (FAILED(::VariantCopyInd(copy.get(), argument))) return 0;
  if (copy.get()->vt != VT_I4 && FAILED(::VariantChangeType(copy.get(), copy.get(), 0, VT_I4))) {
    // Flags may exceed the signed range; take them unsigned.
    if (FAILED(::VariantChangeType(copy.get(), copy.get(), 0, VT_UI4))) return 0;
    return static_cast<std::int32_t>(copy.get()->ulVal);
  }
  return copy.get()->lVal;
}

// The Cancel argument: a VARIANT_BOOL by reference, directly or inside a referenced VARIANT.
VARIANT_BOOL* CancelPointer(const DISPPARAMS* params, UINT position) {
  VARIANTARG* argument = Argument(params, position);
  if (!argument) return nullptr;
  if (argument->vt == (VT_BYREF | VT_BOOL)) return argument->pboolVal;
  if (argument->vt == (VT_BYREF | VT_VARIANT) && argument->pvarVal && argument->pvarVal->vt == VT_BOOL) {
    return &argument->pvarVal->boolVal;
  }
  return nullptr;
}

bool ReadCancel(VARIANT_BOOL* cancel) { return cancel && *cancel != VARIANT_FALSE; }
void WriteCancel(VARIANT_BOOL* cancel, bool value) {
  if (cancel) *cancel = value ? VARIANT_TRUE : VARIANT_FALSE;
}

class Win32Browser;

// A COM object with a reference count; the last Release deletes it.
template <typename Derived>
class RefCounted {
 public:
  ULONG AddRefImpl() { return ++references_; }
  ULONG ReleaseImpl() {
    ULONG left = --references_;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

 private:
  std::atomic<ULONG> references_{1};
};

// The DWebBrowserEvents2 sink. It forwards to the browser's callbacks while attached; no
// exception leaves Invoke.
class EventSink : public IDispatch, public RefCounted<EventSink> {
 public:
  explicit EventSink(Win32Browser* owner) : owner_(owner) {}
  virtual ~EventSink() = default;
  void Detach() { owner_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, DIID_DWebBrowserEvents2)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override;

 private:
  Win32Browser* owner_;
};

// The site the control lives in: client site, in-place site and frame, and the host UI handler
// with the launcher's settings.
class Site : public IOleClientSite,
             public IOleInPlaceSite,
             public IOleInPlaceFrame,
             public IDocHostUIHandler,
             public RefCounted<Site> {
 public:
  Site(HWND window, const BrowserHostSettings& settings) : window_(window), settings_(settings) {}
  virtual ~Site() = default;
  void Detach() { window_ = nullptr; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite)) {
      *out = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame)) {
      *out = static_cast<IOleInPlaceFrame*>(this);
    } else if (IsEqualIID(iid, IID_IDocHostUIHandler)) {
      *out = static_cast<IDocHostUIHandler*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return AddRefImpl(); }
  ULONG STDMETHODCALLTYPE Release() override { return ReleaseImpl(); }

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnShowWindow(WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (shared by the in-place site and the frame)
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(WINBOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override { return window_ ? S_OK : S_FALSE; }
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnUIActivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                             LPRECT clip, LPOLEINPLACEFRAMEINFO frame_info) override {
    if (frame) {
      *frame = static_cast<IOleInPlaceFrame*>(this);
      AddRef();
    }
    if (document) *document = nullptr;
    RECT client{};
    if (window_) ::GetClientRect(window_, &client);
    if (position) *position = client;
    if (clip) *clip = client;
    if (frame_info) {
      frame_info->fMDIApp = FALSE;
      frame_info->hwndFrame = window_ ? ::GetAncestor(window_, GA_ROOT) : nullptr;
      frame_info->haccel = nullptr;
      frame_info->cAccelEntries = 0;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow and IOleInPlaceFrame: no menus, toolbars or borders of our own.
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override { return S_OK; }
  // Shared by the frame and the host UI handler.
  HRESULT STDMETHODCALLTYPE EnableModeless(WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  // IDocHostUIHandler
  HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override {
    // S_OK tells the control the host has shown the menu: with it, no menu appears.
    return settings_.suppress_context_menus ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override {
    if (!info) return E_POINTER;
    info->dwFlags = settings_.host_info_flags;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    info->pchHostCss = nullptr;
    info->pchHostNS = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                   IOleInPlaceUIWindow*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, WINBOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message, const GUID*, DWORD) override {
    // S_OK: handled here, so the control does not act on it.
    return message && SwallowsShortcut(*message) ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* key, DWORD) override {
    if (key) *key = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget** target) override {
    if (target) *target = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** external) override {
    if (external) *external = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
    if (out) *out = nullptr;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject** out) override {
    if (out) *out = nullptr;
    return S_FALSE;
  }

  bool SwallowsShortcut(const MSG& message) const {
    return settings_.swallow_ctrl_n && IsCtrlNShortcut(message.message, message.wParam, ::GetKeyState(VK_CONTROL) < 0,
                                                       ::GetKeyState(VK_SHIFT) < 0, ::GetKeyState(VK_MENU) < 0);
  }

 private:
  HWND window_;
  BrowserHostSettings settings_;
};

// One element of the document's `all` collection.
class HtmlElement : public DocumentElement {
 public:
  explicit HtmlElement(ComPtr<IDispatch> element) : element_(std::move(element)) {}

  bool IsInput() override {
    if (!queried_) {
      queried_ = true;
      element_.As(IID_IHTMLInputElement, &input_);
    }
    return static_cast<bool>(input_);
  }
  bool Type(std::u16string* type) override {
    return Read(type, [this](BSTR* out) { return input_->get_type(out); });
  }
  bool Name(std::u16string* name) override {
    return Read(name, [this](BSTR* out) { return input_->get_name(out); });
  }
  bool Value(std::u16string* value) override {
    return Read(value, [this](BSTR* out) { return input_->get_value(out); });
  }

 private:
  template <typename Getter>
  bool Read(std::u16string* out, Getter getter) {
    if (!IsInput()) return false;
    UniqueBstr text;
    if (FAILED(getter(text.put()))) return false;
    *out = text.Text();
    return true;
  }

  ComPtr<IDispatch> element_;
  ComPtr<IHTMLInputElement> input_;
  bool queried_ = false;
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
  Site* site_ = nullptr;
  EventSink* sink_ = nullptr;
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
  site_ = new Site(window_.get(), settings_);
  sink_ = new EventSink(this);
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
  // Script errors and other dialogs of the control would block the launcher's window.
  web_browser_->put_Silent(VARIANT_TRUE);
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
  if (!web_browser_) return false;
  ComPtr<IDispatch> document_dispatch;
  ComPtr<IHTMLDocument2> document;
  ComPtr<IHTMLElementCollection> all;
  long length = 0;
  if (FAILED(web_browser_->get_Document(document_dispatch.put())) || !document_dispatch ||
      FAILED(document_dispatch.As(IID_IHTMLDocument2, &document)) || FAILED(document->get_all(all.put())) || !all ||
      FAILED(all->get_length(&length))) {
    return false;
  }
  for (long i = 0; i < length; ++i) {
    VARIANT name;
    ::VariantInit(&name);
    name.vt = VT_I4;
    name.lVal = i;
    VARIANT index;
    ::VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = 0;
    ComPtr<IDispatch> item;
    if (FAILED(all->item(name, index, item.put())) || !item) return false;
    HtmlElement element(std::move(item));
    if (!visit(element)) break;
  }
  return true;
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

HRESULT STDMETHODCALLTYPE EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                            UINT*) {
  try {
    if (!owner_) return S_OK;
    return DispatchBrowserEvent(owner_->events, id, params);
  } catch (...) {
    return S_OK;
  }
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

HRESULT DispatchBrowserEvent(const BrowserEvents& events, DISPID id, DISPPARAMS* params) {
  // The handler may free the browser and its events: each handler is copied before it runs, and
  // nothing of the browser is touched after.
  try {
    switch (id) {
      case DISPID_BEFORENAVIGATE2: {
        // pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel
        auto handler = events.before_navigate2;
        if (!handler) return S_OK;
        VARIANT_BOOL* cancel_argument = CancelPointer(params, 6);
        bool cancel = ReadCancel(cancel_argument);
        handler(ArgumentText(params, 1), cancel);
        WriteCancel(cancel_argument, cancel);
        return S_OK;
      }
      case DISPID_DOCUMENTCOMPLETE: {
        // pDisp, URL
        auto handler = events.document_complete;
        if (handler) handler(ArgumentText(params, 1));
        return S_OK;
      }
      case DISPID_NAVIGATEERROR: {
        // pDisp, URL, Frame, StatusCode, Cancel
        auto handler = events.navigate_error;
        if (!handler) return S_OK;
        VARIANT_BOOL* cancel_argument = CancelPointer(params, 4);
        bool cancel = ReadCancel(cancel_argument);
        handler(ArgumentText(params, 1), ArgumentText(params, 2), ArgumentInt(params, 3), cancel);
        WriteCancel(cancel_argument, cancel);
        return S_OK;
      }
      case DISPID_NEWWINDOW3: {
        // ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl
        auto handler = events.new_window3;
        if (!handler) return S_OK;
        VARIANT_BOOL* cancel_argument = CancelPointer(params, 1);
        bool cancel = ReadCancel(cancel_argument);
        handler(ArgumentText(params, 4), ArgumentText(params, 3), static_cast<std::uint32_t>(ArgumentInt(params, 2)),
                cancel);
        WriteCancel(cancel_argument, cancel);
        return S_OK;
      }
      case DISPID_TITLECHANGE: {
        // Text
        auto handler = events.title_change;
        if (handler) handler(ArgumentText(params, 0));
        return S_OK;
      }
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  } catch (...) {
    return S_OK;
  }
}

ComPtr<IOleClientSite> ControlClientSite(Browser& browser) {
  auto* win32_browser = dynamic_cast<Win32Browser*>(&browser);
  return win32_browser ? win32_browser->ControlSite() : ComPtr<IOleClientSite>();
}

namespace {

enum class CacheWalk { kEnded, kFailed, kNotStarted };

// Walks the URL cache with the given first/next calls, deleting each entry by its source URL
// (with `filter_types`, only entries of those types). kEnded when the walk ran to "no more items";
// kNotStarted when the first call failed with another error.
template <typename FindFirst, typename FindNext>
CacheWalk WalkAndDelete(FindFirst find_first, FindNext find_next, DWORD filter_types, int* deleted) {
  // Entries are variable-sized; the buffer grows when an entry does not fit.
  std::vector<std::uint64_t> buffer(4096 / sizeof(std::uint64_t));
  auto entry = [&] { return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.data()); };
  auto capacity = [&] { return static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t)); };
  DWORD size = capacity();
  UniqueUrlCacheFind find(find_first(entry(), &size));
  if (!find && ::GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
    buffer.resize(size / sizeof(std::uint64_t) + 1);
    size = capacity();
    find.reset(find_first(entry(), &size));
  }
  if (!find) return ::GetLastError() == ERROR_NO_MORE_ITEMS ? CacheWalk::kEnded : CacheWalk::kNotStarted;
  for (;;) {
    const INTERNET_CACHE_ENTRY_INFOW* info = entry();
    if (info->lpszSourceUrlName && (filter_types == 0 || (info->CacheEntryType & filter_types) != 0) &&
        ::DeleteUrlCacheEntryW(info->lpszSourceUrlName)) {
      ++*deleted;
    }
    size = capacity();
    if (find_next(find.get(), entry(), &size)) continue;
    DWORD error = ::GetLastError();
    if (error == ERROR_INSUFFICIENT_BUFFER) {
      buffer.resize(size / sizeof(std::uint64_t) + 1);
      size = capacity();
      if (find_next(find.get(), entry(), &size)) continue;
      error = ::GetLastError();
    }
    // The end condition is "no more items"; any other error ends the walk too, reported.
    return error == ERROR_NO_MORE_ITEMS ? CacheWalk::kEnded : CacheWalk::kFailed;
  }
}

}  // namespace

bool ClearUrlCache(int* deleted) {
  *deleted = 0;
  CacheWalk walk = WalkAndDelete(
      [](INTERNET_CACHE_ENTRY_INFOW* info, DWORD* size) {
        return ::FindFirstUrlCacheEntryExW(nullptr, 0, kCacheClearFilter, 0, info, size, nullptr, nullptr, nullptr);
      },
      [](HANDLE find, INTERNET_CACHE_ENTRY_INFOW* info, DWORD* size) {
        return ::FindNextUrlCacheEntryExW(find, info, size, nullptr, nullptr, nullptr) != FALSE;
      },
      0, deleted);
  if (walk != CacheWalk::kNotStarted) return walk == CacheWalk::kEnded;
  // Systems without the filtered enumeration (Wine) get the plain one, filtered here by type.
  walk = WalkAndDelete(
      [](INTERNET_CACHE_ENTRY_INFOW* info, DWORD* size) { return ::FindFirstUrlCacheEntryW(nullptr, info, size); },
      [](HANDLE find, INTERNET_CACHE_ENTRY_INFOW* info, DWORD* size) {
        return ::FindNextUrlCacheEntryW(find, info, size) != FALSE;
      },
      kCacheClearFilter, deleted);
  return walk == CacheWalk::kEnded;
}

}  // namespace vkr::win32
