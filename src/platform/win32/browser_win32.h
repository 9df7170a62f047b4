// The Win32 browser adapter: the WebBrowser control hosted in a child window through the OLE
// site interfaces (browser_site_win32.h), its events (browser_events_win32.h), the document walk
// (document_walk_win32.h) and the URL cache clean-up (url_cache_win32.h).
#pragma once

#include <windows.h>
// The COM headers follow windows.h.
#include <exdisp.h>
#include <oleidl.h>

#include <memory>

#include "platform/browser.h"
#include "platform/win32/handles.h"

namespace vkr::win32 {

class Win32BrowserFactory : public BrowserFactory {
 public:
  std::unique_ptr<Browser> CreateBrowser(WindowHandle parent, const Rect& bounds,
                                         const BrowserHostSettings& settings) override;
};

// The client site the control of a browser made by Win32BrowserFactory holds (to inspect the
// host settings it answers); empty for any other browser.
ComPtr<IOleClientSite> ControlClientSite(Browser& browser);
// The WebBrowser interface of a browser made by Win32BrowserFactory (to read its properties);
// empty for any other browser.
ComPtr<IWebBrowser2> ControlWebBrowser(Browser& browser);

}  // namespace vkr::win32
