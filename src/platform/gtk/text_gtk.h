// UTF-16 texts of the core as the UTF-8 strings GTK, GLib, WebKit and libcurl speak, through
// GLib's converters. An ill-formed text converts as far as it is well-formed.
#pragma once

#include <glib.h>

#include <string>

namespace vkr::gtk {

inline std::string Utf8(const std::u16string& text) {
  glong written = 0;
  gchar* converted = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(text.data()), static_cast<glong>(text.size()),
                                     nullptr, &written, nullptr);
  std::string result = converted ? std::string(converted, static_cast<std::size_t>(written)) : std::string();
  g_free(converted);
  return result;
}

inline std::u16string Utf16(const char* text, gssize length = -1) {
  if (!text) return {};
  glong written = 0;
  gunichar2* converted = g_utf8_to_utf16(text, static_cast<glong>(length), nullptr, &written, nullptr);
  std::u16string result =
      converted ? std::u16string(reinterpret_cast<const char16_t*>(converted), static_cast<std::size_t>(written))
                : std::u16string();
  g_free(converted);
  return result;
}

inline std::u16string Utf16(const std::string& text) { return Utf16(text.data(), static_cast<gssize>(text.size())); }

}  // namespace vkr::gtk
