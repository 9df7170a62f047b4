// The Win32 browser adapter: the WebBrowser control hosted in a child window through the OLE
// site interfaces, with the host settings, the event sink and the URL cache clean-up.
#pragma once

#include <oleidl.h>
#include <windows.h>

#include <memory>

#include "platform/browser.h"
#include "platform/win32/handles.h"

namespace vkr::win32 {

class Win32BrowserFactory : public BrowserFactory {
 public:
  std::unique_ptr<Browser> CreateBrowser(WindowHandle parent, const Rect& bounds,
                                         const BrowserHostSettings& settings) override;
};

// Converts one DWebBrowserEvents2 call (its arguments come last first, some by reference) into the
// matching callback of `events` and writes Cancel back. DISP_E_MEMBERNOTFOUND for other events; no
// exception leaves it.
HRESULT DispatchBrowserEvent(const BrowserEvents& events, DISPID id, DISPPARAMS* params);

// The client site the control of a browser made by Win32BrowserFactory holds (to inspect the
// host settings it answers); empty for any other browser.
ComPtr<IOleClientSite> ControlClientSite(Browser& browser);

// Deletes every entry of the WinInet URL cache (normal, sticky, offline- and online-tracked,
// cookie and history entries; all groups). True when the enumeration ended with "no more items";
// *deleted counts the entries removed.
bool ClearUrlCache(int* deleted);

}  // namespace vkr::win32
