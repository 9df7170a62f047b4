#include "platform/win32/batch_paths.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide.h"

namespace vkr::win32 {
namespace {

// Calls a GetShortPathNameW-shaped function, growing the buffer when the path is longer.
template <typename Function>
std::u16string PathForm(Function function, const std::u16string& path) {
  if (path.empty()) return u"";
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD length = function(Wide(path), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return u"";
    if (length < buffer.size()) return FromWide(buffer.data(), length);
    buffer.resize(length + 1);
  }
  return u"";
}

}  // namespace

bool EncodeOemCodePage(const std::u16string& text, std::string* bytes) {
  bytes->clear();
  if (text.empty()) return true;
  const UINT code_page = ::GetOEMCP();
  const int units = static_cast<int>(text.size());
  // UTF-8 takes no default character and holds every valid text; a few other code pages refuse
  // the best-fit flag. Either way the round trip below is the judge.
  DWORD flags = code_page == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL used_default = FALSE;
  BOOL* used_default_out = code_page == CP_UTF8 ? nullptr : &used_default;
  int size = ::WideCharToMultiByte(code_page, flags, Wide(text), units, nullptr, 0, nullptr, used_default_out);
  if (size <= 0 && ::GetLastError() == ERROR_INVALID_FLAGS) {
    flags = 0;
    used_default_out = nullptr;
    size = ::WideCharToMultiByte(code_page, flags, Wide(text), units, nullptr, 0, nullptr, nullptr);
  }
  if (size <= 0) return false;
  bytes->resize(static_cast<std::size_t>(size));
  used_default = FALSE;
  if (::WideCharToMultiByte(code_page, flags, Wide(text), units, bytes->data(), size, nullptr, used_default_out) !=
      size) {
    return false;
  }
  if (used_default) return false;
  // A round trip catches any mapping that is not exact.
  const int wide_size = ::MultiByteToWideChar(code_page, 0, bytes->data(), size, nullptr, 0);
  if (wide_size != units) return false;
  std::wstring back(static_cast<std::size_t>(wide_size), L'\0');
  ::MultiByteToWideChar(code_page, 0, bytes->data(), size, back.data(), wide_size);
  return FromWide(back) == text;
}

std::u16string ShortPathName(const std::u16string& path) { return PathForm(::GetShortPathNameW, path); }

std::u16string LongPathName(const std::u16string& path) { return PathForm(::GetLongPathNameW, path); }

}  // namespace vkr::win32
