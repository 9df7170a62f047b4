#include "platform/win32/browser_site_win32.h"

namespace vkr::win32 {

HRESULT STDMETHODCALLTYPE BrowserSite::QueryInterface(REFIID iid, void** out) {
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
  } else if (IsEqualIID(iid, IID_IOleCommandTarget)) {
    *out = static_cast<IOleCommandTarget*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

HRESULT STDMETHODCALLTYPE BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                                        LPRECT position, LPRECT clip,
                                                        LPOLEINPLACEFRAMEINFO frame_info) {
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

HRESULT STDMETHODCALLTYPE BrowserSite::GetHostInfo(DOCHOSTUIINFO* info) {
  if (!info) return E_POINTER;
  info->dwFlags = settings_.host_info_flags;
  info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
  info->pchHostCss = nullptr;
  info->pchHostNS = nullptr;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE BrowserSite::QueryStatus(const GUID* group, ULONG count, OLECMD* commands, OLECMDTEXT* text) {
  if (!commands && count != 0) return E_POINTER;
  if (!group || !IsEqualGUID(*group, kDocHostCommandGroup)) return OLECMDERR_E_UNKNOWNGROUP;
  for (ULONG i = 0; i < count; ++i) {
    commands[i].cmdf = commands[i].cmdID == OLECMDID_SHOWSCRIPTERROR ? (OLECMDF_SUPPORTED | OLECMDF_ENABLED) : 0;
  }
  if (text) text->cwActual = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE BrowserSite::Exec(const GUID* group, DWORD command, DWORD, VARIANT*, VARIANT* out) {
  if (!group || !IsEqualGUID(*group, kDocHostCommandGroup)) return OLECMDERR_E_UNKNOWNGROUP;
  if (command != OLECMDID_SHOWSCRIPTERROR) return OLECMDERR_E_NOTSUPPORTED;
  // TRUE: continue running scripts on the page, and show nothing.
  if (out) {
    ::VariantClear(out);
    out->vt = VT_BOOL;
    out->boolVal = VARIANT_TRUE;
  }
  return S_OK;
}

bool BrowserSite::SwallowsShortcut(const MSG& message) const {
  return settings_.swallow_ctrl_n && IsCtrlNShortcut(message.message, message.wParam, ::GetKeyState(VK_CONTROL) < 0,
                                                     ::GetKeyState(VK_SHIFT) < 0, ::GetKeyState(VK_MENU) < 0);
}

}  // namespace vkr::win32
