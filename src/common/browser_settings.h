// What the launcher's two browsers share, the login window's `browser` and the web frame's
// `embeddedwb`: their host settings and the page's command text.
#pragma once

#include "platform/browser.h"
#include "platform/win_constants.h"

namespace vkr {

// New-window requests whose address holds this are the page's commands, never windows.
inline constexpr char16_t kClientCommand[] = u"client_command";

// No text selection, no help menu, no 3-D border, no scroll bars, forms auto-complete, themes.
inline constexpr BrowserHostSettings kLoginBrowserSettings{
    win::DOCHOSTUIFLAG_DIALOG | win::DOCHOSTUIFLAG_DISABLE_HELP_MENU | win::DOCHOSTUIFLAG_NO3DBORDER |
        win::DOCHOSTUIFLAG_SCROLL_NO | win::DOCHOSTUIFLAG_ENABLE_FORMS_AUTOCOMPLETE | win::DOCHOSTUIFLAG_THEME,
    true, true};

// No scroll bars, forms auto-complete, themes.
inline constexpr BrowserHostSettings kFrameBrowserSettings{
    win::DOCHOSTUIFLAG_SCROLL_NO | win::DOCHOSTUIFLAG_ENABLE_FORMS_AUTOCOMPLETE | win::DOCHOSTUIFLAG_THEME, true, true};

}  // namespace vkr
