#include "platform/win32/document_walk_win32.h"

// The HTML header follows windows.h (through the header above).
#include <mshtml.h>

#include <utility>

#include "platform/win32/com_values.h"
#include "platform/win32/handles.h"

namespace vkr::win32 {
namespace {

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

}  // namespace

bool WalkDocumentElements(IWebBrowser2* browser, const std::function<bool(DocumentElement& element)>& visit) {
  if (!browser) return false;
  ComPtr<IDispatch> document_dispatch;
  ComPtr<IHTMLDocument2> document;
  ComPtr<IHTMLElementCollection> all;
  long length = 0;
  if (FAILED(browser->get_Document(document_dispatch.put())) || !document_dispatch ||
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

}  // namespace vkr::win32
