// The host settings of the launcher's two browsers: the login window's `browser` and the web
// frame's `embeddedwb`.
#pragma once

#include "platform/browser.h"
#include "platform/win_constants.h"

namespace vkr {

// No text selection, no help menu, no 3-D border, no scroll bars, forms auto-complete, themes.
inline constexpr BrowserHostSettings kLoginBrowserSettings{
    win::DOCHOSTUIFLAG_DIALOG | win::DOCHOSTUIFLAG_DISABLE_HELP_MENU | win::DOCHOSTUIFLAG_NO3DBORDER |
        win::DOCHOSTUIFLAG_SCROLL_NO | win::DOCHOSTUIFLAG_ENABLE_FORMS_AUTOCOMPLETE | win::DOCHOSTUIFLAG_THEME,
    true, true};

// No scroll bars, forms auto-complete, themes.
inline constexpr BrowserHostSettings kFrameBrowserSettings{
    win::DOCHOSTUIFLAG_SCROLL_NO | win::DOCHOSTUIFLAG_ENABLE_FORMS_AUTOCOMPLETE | win::DOCHOSTUIFLAG_THEME, true, true};

}  // namespace vkr
