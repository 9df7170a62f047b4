#pragma once

#include <string>
#include <vector>

#include "platform/browser.h"

namespace vkr::testing {

class FakeBrowserFactory;

// One element of the fake document. The fail_* flags make that accessor fail.
struct FakeElement {
  bool is_input = true;
  std::u16string type = u"text";
  std::u16string name;
  std::u16string value;
  bool fail_type = false;
  bool fail_name = false;
  bool fail_value = false;
  // The element cannot be fetched from the collection at all.
  bool fail_fetch = false;
};

// A browser that records what it is asked and lets a test raise its events and read Cancel back.
class FakeBrowser : public Browser {
 public:
  FakeBrowser() = default;
  FakeBrowser(FakeBrowserFactory* factory, WindowHandle parent, const Rect& bounds,
              const BrowserHostSettings& settings);
  ~FakeBrowser() override;

  bool Navigate(const std::u16string& url) override;
  void Refresh() override;
  void Stop() override;
  bool Busy() override { return busy; }
  std::u16string LocationURL() override { return location_url; }
  bool ForEachDocumentElement(const std::function<bool(DocumentElement& element)>& visit) override;
  bool TranslateAcceleratorKey(const QueuedMessage& message) override;
  WindowHandle Window() override { return window; }
  Rect Bounds() override { return bounds; }
  void SetBounds(const Rect& new_bounds) override;
  bool ClearCache() override;

  // Raise an event as the control would; each returns the Cancel value the handler left.
  bool RaiseBeforeNavigate2(const std::u16string& url, bool cancel = false);
  void RaiseDocumentComplete(const std::u16string& url);
  bool RaiseNavigateError(const std::u16string& url, std::int32_t status_code = -2146697211, bool cancel = false,
                          const std::u16string& frame = u"");
  bool RaiseNewWindow3(const std::u16string& url, bool cancel = false, const std::u16string& url_context = u"",
                       std::uint32_t flags = 0);
  void RaiseTitleChange(const std::u16string& text);

  // What the browser was asked, in order: "Navigate <url>", "Refresh", "Stop", "ClearCache".
  std::vector<std::u16string> calls;
  std::vector<std::u16string> navigations;
  int refreshes = 0;
  int stops = 0;
  int cache_clears = 0;
  int bounds_changes = 0;
  std::vector<QueuedMessage> accelerator_messages;

  // State a test sets up.
  bool busy = false;
  std::u16string location_url;
  bool has_document = true;
  std::vector<FakeElement> elements;
  bool accelerator_result = true;
  bool cache_clear_result = true;
  bool navigate_result = true;
  WindowHandle window = 0;
  WindowHandle parent = kNoWindow;
  Rect bounds;
  BrowserHostSettings settings;

 private:
  FakeBrowserFactory* factory_ = nullptr;
};

// Hands out fake browsers and keeps track of the live ones, so that a test reaches the browser a
// window created.
class FakeBrowserFactory : public BrowserFactory {
 public:
  std::unique_ptr<Browser> CreateBrowser(WindowHandle parent, const Rect& bounds,
                                         const BrowserHostSettings& settings) override;

  // The browsers not yet destroyed, in creation order.
  std::vector<FakeBrowser*> live;
  int created = 0;
  bool fail = false;
  // The most recently created browser still alive, or nullptr.
  FakeBrowser* Last() const { return live.empty() ? nullptr : live.back(); }

 private:
  friend class FakeBrowser;
  void Gone(FakeBrowser* browser);
};

}  // namespace vkr::testing
