// The Win32 browser adapter: the WebBrowser control hosted in a child window through the OLE
// site interfaces, with the host settings, the event sink and the URL cache clean-up.
#pragma once

#include <memory>

#include "platform/browser.h"

namespace vkr::win32 {

class Win32BrowserFactory : public BrowserFactory {
 public:
  std::unique_ptr<Browser> CreateBrowser(WindowHandle parent, const Rect& bounds,
                                         const BrowserHostSettings& settings) override;
};

// Deletes every entry of the WinInet URL cache (normal, sticky, offline- and online-tracked,
// cookie and history entries; all groups). True when the enumeration ended with "no more items";
// *deleted counts the entries removed.
bool ClearUrlCache(int* deleted);

}  // namespace vkr::win32
