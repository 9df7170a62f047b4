#include "game/frame_web.h"

#include "common/browser_settings.h"
#include "common/public_config.h"
#include "common/public_unit.h"
#include "common/text.h"
#include "game/form_main.h"
#include "platform/system.h"
#include "ui/form.h"

namespace vkr {

TFrameWeb::TFrameWeb(TFormMain* owner, WindowHandle parent, const Rect& bounds) : owner_(owner) {
  embeddedwb_ = Sys().browsers->CreateBrowser(parent, bounds, kFrameBrowserSettings);
  if (embeddedwb_) {
    embeddedwb_->events.title_change = [this](const std::u16string& text) { embeddedwbTitleChange(text); };
    embeddedwb_->events.document_complete = [this](const std::u16string& url) { embeddedwbDocumentComplete(url); };
    embeddedwb_->events.new_window3 = [this](const std::u16string& url, const std::u16string&, std::uint32_t,
                                             bool& cancel) { embeddedwbNewWindow3(url, cancel); };
  }
  Sys().windows->SetFloatingPointControlWord(kFloatingPointControlWord);
}

TFrameWeb::~TFrameWeb() {
  // Nothing the control raises while it goes reaches the frame or its window.
  if (embeddedwb_) embeddedwb_->events = BrowserEvents{};
}

void TFrameWeb::SetBounds(const Rect& bounds) {
  if (embeddedwb_) embeddedwb_->SetBounds(bounds);
}

void TFrameWeb::embeddedwbTitleChange(const std::u16string& text) {
  if (owner_) owner_->SetWebTitle(text);
}

void TFrameWeb::embeddedwbDocumentComplete(const std::u16string& /*url*/) {
  // The top-level address, also when a frame of the page completed.
  if (!embeddedwb_) return;
  const std::u16string label = ExtractServerName(embeddedwb_->LocationURL());
  if (!label.empty()) GameServerName = UpperAscii(label);
}

void TFrameWeb::embeddedwbNewWindow3(const std::u16string& url, bool& cancel) {
  cancel = Contains(url, kClientCommand);
}

}  // namespace vkr
