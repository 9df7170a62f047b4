// The web frame (unit uFrameWeb): the panel of the game window that holds the game page's
// browser. It copies the page title into the game window's title bar, records the game server's
// label from the page address, and suppresses the page's client-command windows.
#pragma once

#include <memory>
#include <string>

#include "platform/browser.h"
#include "platform/geometry.h"
#include "platform/types.h"

namespace vkr {

class TFormMain;

class TFrameWeb {
 public:
  // Creates the browser in `parent` at `bounds` (parent client coordinates); `owner` is the game
  // window whose title bar the frame writes.
  TFrameWeb(TFormMain* owner, WindowHandle parent, const Rect& bounds);
  ~TFrameWeb();
  TFrameWeb(const TFrameWeb&) = delete;
  TFrameWeb& operator=(const TFrameWeb&) = delete;

  // The frame's browser; null when the control could not be created.
  Browser* embeddedwb() const { return embeddedwb_.get(); }
  void SetBounds(const Rect& bounds);

  void embeddedwbTitleChange(const std::u16string& text);
  void embeddedwbDocumentComplete(const std::u16string& url);
  void embeddedwbNewWindow3(const std::u16string& url, bool& cancel);

 private:
  TFormMain* owner_;
  std::unique_ptr<Browser> embeddedwb_;
};

}  // namespace vkr
