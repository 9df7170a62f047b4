// UTF-16 text between the core (std::u16string) and the Windows API (wchar_t, 16-bit here).
#pragma once

#include <string>

namespace vkr::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows build has 16-bit wchar_t");

inline const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
// Null for the empty text: the API's "no value".
inline const wchar_t* WideOrNull(const std::u16string& text) { return text.empty() ? nullptr : Wide(text); }
inline std::u16string FromWide(const wchar_t* text) {
  return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}
inline std::u16string FromWide(const wchar_t* text, std::size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}
inline std::u16string FromWide(const std::wstring& text) { return FromWide(text.c_str(), text.size()); }

}  // namespace vkr::win32
