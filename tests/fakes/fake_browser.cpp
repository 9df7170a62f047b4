#include "fakes/fake_browser.h"

#include <algorithm>

namespace vkr::testing {

namespace {

class FakeDocumentElement : public DocumentElement {
 public:
  explicit FakeDocumentElement(const FakeElement& element) : element_(element) {}
  bool IsInput() override { return element_.is_input; }
  bool Type(std::u16string* type) override { return Read(element_.fail_type, element_.type, type); }
  bool Name(std::u16string* name) override { return Read(element_.fail_name, element_.name, name); }
  bool Value(std::u16string* value) override { return Read(element_.fail_value, element_.value, value); }

 private:
  bool Read(bool fail, const std::u16string& what, std::u16string* out) {
    if (!element_.is_input || fail) return false;
    *out = what;
    return true;
  }
  const FakeElement& element_;
};

}  // namespace

FakeBrowser::FakeBrowser(FakeBrowserFactory* factory, WindowHandle parent_window, const Rect& initial_bounds,
                         const BrowserHostSettings& host_settings)
    : parent(parent_window), bounds(initial_bounds), settings(host_settings), factory_(factory) {}

FakeBrowser::~FakeBrowser() {
  if (factory_) factory_->Gone(this);
}

bool FakeBrowser::Navigate(const std::u16string& url) {
  calls.push_back(u"Navigate " + url);
  navigations.push_back(url);
  return navigate_result;
}

void FakeBrowser::Refresh() {
  calls.push_back(u"Refresh");
  ++refreshes;
}

void FakeBrowser::Stop() {
  calls.push_back(u"Stop");
  ++stops;
}

bool FakeBrowser::ForEachDocumentElement(const std::function<bool(DocumentElement& element)>& visit) {
  if (!has_document) return false;
  // A copy, so that a visitor that changes the document does not disturb the walk.
  std::vector<FakeElement> snapshot = elements;
  for (const FakeElement& element : snapshot) {
    if (element.fail_fetch) return false;
    FakeDocumentElement view(element);
    if (!visit(view)) break;
  }
  return true;
}

bool FakeBrowser::TranslateAcceleratorKey(const QueuedMessage& message) {
  accelerator_messages.push_back(message);
  return accelerator_result;
}

void FakeBrowser::SetBounds(const Rect& new_bounds) {
  bounds = new_bounds;
  ++bounds_changes;
}

bool FakeBrowser::ClearCache() {
  calls.push_back(u"ClearCache");
  ++cache_clears;
  return cache_clear_result;
}

bool FakeBrowser::RaiseBeforeNavigate2(const std::u16string& url, bool cancel) {
  if (events.before_navigate2) events.before_navigate2(url, cancel);
  return cancel;
}

void FakeBrowser::RaiseDocumentComplete(const std::u16string& url) {
  if (events.document_complete) events.document_complete(url);
}

bool FakeBrowser::RaiseNavigateError(const std::u16string& url, std::int32_t status_code, bool cancel,
                                     const std::u16string& frame) {
  if (events.navigate_error) events.navigate_error(url, frame, status_code, cancel);
  return cancel;
}

bool FakeBrowser::RaiseNewWindow3(const std::u16string& url, bool cancel, const std::u16string& url_context,
                                  std::uint32_t flags) {
  if (events.new_window3) events.new_window3(url, url_context, flags, cancel);
  return cancel;
}

void FakeBrowser::RaiseTitleChange(const std::u16string& text) {
  if (events.title_change) events.title_change(text);
}

std::unique_ptr<Browser> FakeBrowserFactory::CreateBrowser(WindowHandle parent, const Rect& bounds,
                                                           const BrowserHostSettings& settings) {
  if (fail) return nullptr;
  auto browser = std::make_unique<FakeBrowser>(this, parent, bounds, settings);
  ++created;
  browser->window = static_cast<WindowHandle>(0xB000 + created);
  live.push_back(browser.get());
  return browser;
}

void FakeBrowserFactory::Gone(FakeBrowser* browser) {
  live.erase(std::remove(live.begin(), live.end(), browser), live.end());
}

}  // namespace vkr::testing
