// The browser on WebKitGTK: one WebKitWebView per browser, placed in its window's client area.
// The view's signals become the control's events, in the order they came:
//   decide-policy (every navigation, frames included) -> BeforeNavigate2, the decision held while
//     the top-level document's inputs are read with JavaScript, then used or ignored by Cancel;
//   a frame's load (a user script posting to a script message handler) and the page's finished
//     load -> DocumentComplete;  load-failed -> NavigateError;  the title -> TitleChange;
//   create (window.open, target links) -> NewWindow3: no view for a cancelled request, a window
//     of its own otherwise.
#pragma once

#include <memory>

#include "platform/browser.h"

typedef struct _WebKitWebContext WebKitWebContext;

namespace vkr::gtk {

class GtkWindows;

class WebKitBrowserFactory : public BrowserFactory {
 public:
  // Pages keep their data (cookies, cache, local storage) under $XDG_DATA_HOME/velqo/vkr/web and
  // $XDG_CACHE_HOME/velqo/vkr; requests go through http_proxy / no_proxy of the environment.
  explicit WebKitBrowserFactory(GtkWindows* windows);
  ~WebKitBrowserFactory() override;

  std::unique_ptr<Browser> CreateBrowser(WindowHandle parent, const Rect& bounds,
                                         const BrowserHostSettings& settings) override;

 private:
  WebKitWebContext* Context();

  GtkWindows* windows_;
  WebKitWebContext* context_ = nullptr;
};

// The proxy of the environment as WebKit takes it: the http_proxy address (empty for none) and
// the no_proxy hosts.
struct EnvironmentProxy {
  std::string address;
  std::vector<std::string> ignore_hosts;
};
EnvironmentProxy ProxyFromEnvironment();

}  // namespace vkr::gtk
