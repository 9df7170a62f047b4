// The embedded web browser: a child control that shows pages, the events it raises on every
// navigation, the host settings it is created with, and the factory that creates it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/geometry.h"
#include "platform/types.h"

namespace vkr {

// A message as the message loop took it from the queue (the system's MSG record).
struct QueuedMessage {
  WindowHandle window = kNoWindow;
  std::uint32_t message = 0;
  std::uintptr_t wparam = 0;
  std::intptr_t lparam = 0;
  std::uint32_t time = 0;
  Point point;  // screen coordinates of the cursor when the message was posted
};

// How the host presents the control (IDocHostUIHandler).
struct BrowserHostSettings {
  // The DOCHOSTUIFLAG_* bits GetHostInfo answers.
  std::uint32_t host_info_flags = 0;
  // ShowContextMenu answers "shown" for every menu, so that none appears.
  bool suppress_context_menus = true;
  // The host's TranslateAccelerator swallows a WM_KEYDOWN of N with Ctrl alone (no new window).
  bool swallow_ctrl_n = true;
};

// The events of a browser, raised on the GUI thread while the control runs its own code. Each
// may be left empty. Cancel comes in with the control's value (false) and is written back.
struct BrowserEvents {
  // Before every navigation, frames included; cancel = true suppresses it.
  std::function<void(const std::u16string& url, bool& cancel)> before_navigate2;
  // A document (the top-level one or a frame's) has completed.
  std::function<void(const std::u16string& url)> document_complete;
  // A navigation failed; raised before the error page's DocumentComplete. `status_code` is the
  // HRESULT or HTTP status the control reports; cancel = true suppresses the error page.
  std::function<void(const std::u16string& url, const std::u16string& frame, std::int32_t status_code, bool& cancel)>
      navigate_error;
  // A new top-level window is requested; cancel = false lets the control open its own window.
  std::function<void(const std::u16string& url, const std::u16string& url_context, std::uint32_t flags, bool& cancel)>
      new_window3;
  // The document's title changed.
  std::function<void(const std::u16string& text)> title_change;
};

// One element of a document's `all` collection. The accessors read lazily from the live element;
// false means it could not be read, which ends a walk.
class DocumentElement {
 public:
  virtual ~DocumentElement() = default;
  // True when the element is an HTML input element (the accessors below need one).
  virtual bool IsInput() = 0;
  virtual bool Type(std::u16string* type) = 0;
  virtual bool Name(std::u16string* name) = 0;
  virtual bool Value(std::u16string* value) = 0;
};

// One hosted browser control. Every member is for the GUI thread and never throws; a call on a
// control that failed to start does nothing and returns the type's empty value.
class Browser {
 public:
  virtual ~Browser() = default;

  BrowserEvents events;

  // Starts loading the address (no flags, target, post data or headers) and returns at once.
  // False when the control refused the request.
  virtual bool Navigate(const std::u16string& url) = 0;
  // A plain reload of the current page.
  virtual void Refresh() = 0;
  // Cancels the current load; errors are ignored.
  virtual void Stop() = 0;
  // True while a load is in progress.
  virtual bool Busy() = 0;
  // The address of the top-level document; empty when there is none.
  virtual std::u16string LocationURL() = 0;
  // Visits the elements of the top-level HTML document in document order (index 0 to length - 1)
  // until `visit` returns false. Returns false when there is no HTML document or an element could
  // not be fetched; the walk then ends there.
  virtual bool ForEachDocumentElement(const std::function<bool(DocumentElement& element)>& visit) = 0;
  // Offers a queued key message to the control's in-place active object (its accelerator
  // translation). True when the control consumed it (S_OK).
  virtual bool TranslateAcceleratorKey(const QueuedMessage& message) = 0;
  // The control's window: every window of the page is a descendant of it (for IsChild tests).
  virtual WindowHandle Window() = 0;
  // Bounds in the parent window's client coordinates.
  virtual Rect Bounds() = 0;
  virtual void SetBounds(const Rect& bounds) = 0;
  // Empties the system's internet cache synchronously. True when the enumeration ran to its end
  // (no more items); false when it stopped on another error.
  virtual bool ClearCache() = 0;
};

// Creates browsers. Abstract so that tests hand out fake browsers and reach the ones a window
// created. GUI thread.
class BrowserFactory {
 public:
  virtual ~BrowserFactory() = default;
  // A browser hosted in a child window of `parent` at `bounds` (parent client coordinates).
  // nullptr when the control cannot be created.
  virtual std::unique_ptr<Browser> CreateBrowser(WindowHandle parent, const Rect& bounds,
                                                 const BrowserHostSettings& settings) = 0;
};

// The shortcut the hosts swallow: WM_KEYDOWN of N (0x4E) with Ctrl down and neither Shift nor Alt.
bool IsCtrlNShortcut(std::uint32_t message, std::uintptr_t wparam, bool ctrl_down, bool shift_down, bool alt_down);

}  // namespace vkr
