// The walk over the elements of the HTML document a hosted browser control shows.
#pragma once

#include <windows.h>
// The browser header follows windows.h.
#include <exdisp.h>

#include <functional>

#include "platform/browser.h"

namespace vkr::win32 {

// Visits the elements of the browser's top-level document (its `all` collection) in document
// order until `visit` returns false. False when there is no HTML document or an element could not
// be fetched; the walk ends there.
bool WalkDocumentElements(IWebBrowser2* browser, const std::function<bool(DocumentElement& element)>& visit);

}  // namespace vkr::win32
