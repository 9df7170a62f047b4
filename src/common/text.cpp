#include "common/text.h"

#include <limits>

namespace vkr {

std::u16string LowerAscii(std::u16string text) {
  for (auto& c : text) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
  }
  return text;
}

std::u16string UpperAscii(std::u16string text) {
  for (auto& c : text) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - (u'a' - u'A'));
  }
  return text;
}

std::u16string Trim(const std::u16string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && text[begin] <= u' ') ++begin;
  while (end > begin && text[end - 1] <= u' ') --end;
  return text.substr(begin, end - begin);
}

bool EqualsIgnoreCaseAscii(const std::u16string& a, const std::u16string& b) {
  return a.size() == b.size() && LowerAscii(a) == LowerAscii(b);
}

std::optional<std::int32_t> ParseInt32(const std::u16string& text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  if (i >= text.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
    if (value > static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max() || value < std::numeric_limits<std::int32_t>::min()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(value);
}

std::int32_t ParseInt32Or(const std::u16string& text, std::int32_t fallback) {
  return ParseInt32(text).value_or(fallback);
}

std::u16string ToText(std::int64_t value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string ZeroPadded(std::int64_t value, int width) {
  std::u16string digits = ToText(value < 0 ? -value : value);
  while (static_cast<int>(digits.size()) < width) digits.insert(digits.begin(), u'0');
  if (value < 0) digits.insert(digits.begin(), u'-');
  return digits;
}

namespace {

// The length (1 to 4) of the well-formed UTF-8 sequence at text[i], with its code point; 0 when the
// bytes there are not one.
std::size_t DecodeUtf8Sequence(const std::string& text, std::size_t i, std::uint32_t* code_point) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  if (c < 0x80) {
    *code_point = c;
    return 1;
  }
  const std::size_t length = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  std::uint32_t value = c & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    value = (value << 6) | (next & 0x3F);
  }
  constexpr std::uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kMinimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *code_point = value;
  return length;
}

}  // namespace

std::u16string FromUtf8(const std::string& text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::uint32_t cp = 0;
    std::size_t length = DecodeUtf8Sequence(text, i, &cp);
    if (length == 0) {
      cp = 0xFFFD;
      length = 1;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += length;
  }
  return out;
}

bool IsValidUtf8(const std::string& bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::uint32_t cp = 0;
    const std::size_t length = DecodeUtf8Sequence(bytes, i, &cp);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string ToUtf8(const std::u16string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::u16string FromLatin1(const std::string& bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (const char b : bytes) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(b)));
  return out;
}

namespace {

bool IsHexDigit(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

}  // namespace

std::u16string PercentEncode(const std::u16string& text, bool (*encoded)(char16_t)) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'%' && i + 2 < text.size() && IsHexDigit(text[i + 1]) && IsHexDigit(text[i + 2])) {
      // An escape already there stays whole, its digits included.
      out.append(text, i, 3);
      i += 2;
    } else if (encoded(c)) {
      out.push_back(u'%');
      out += HexDigits(c & 0xFF, 2);
    } else {
      out.push_back(c);
    }
  }
  return out;
}

std::u16string EncodeUnsafeUrlChars(const std::u16string& text) {
  return PercentEncode(text, [](char16_t c) {
    return c < 0x20 || c == 0x7F || c == u' ' || c == u'"' || c == u'#' || c == u'%' || c == u'&' || c == u'+';
  });
}

std::u16string HexDigits(std::uint32_t value, int digits, bool lower_case) {
  const char16_t* const table = lower_case ? u"0123456789abcdef" : u"0123456789ABCDEF";
  std::u16string text(digits > 0 ? static_cast<std::size_t>(digits) : 0, u'0');
  for (std::size_t i = text.size(); i > 0; --i) {
    text[i - 1] = table[value & 0xF];
    value >>= 4;
  }
  return text;
}

std::u16string TextBeforeNul(std::u16string text) {
  const auto zero = text.find(u'\0');
  if (zero != std::u16string::npos) text.resize(zero);
  return text;
}

std::u16string ExtractFilePath(const std::u16string& path) {
  const auto pos = path.find_last_of(u"\\/:");
  return pos == std::u16string::npos ? std::u16string() : path.substr(0, pos + 1);
}

std::u16string ExtractFileName(const std::u16string& path) {
  const auto pos = path.find_last_of(u"\\/:");
  return pos == std::u16string::npos ? path : path.substr(pos + 1);
}

std::u16string IncludeTrailingBackslash(const std::u16string& path) {
  if (!path.empty() && path.back() == u'\\') return path;
  return path + u'\\';
}

std::u16string ExcludeTrailingBackslash(const std::u16string& path) {
  if (!path.empty() && path.back() == u'\\') return path.substr(0, path.size() - 1);
  return path;
}

std::u16string ReplaceFirst(const std::u16string& text, const std::u16string& what, const std::u16string& with) {
  const auto pos = what.empty() ? std::u16string::npos : text.find(what);
  if (pos == std::u16string::npos) return text;
  return text.substr(0, pos) + with + text.substr(pos + what.size());
}

bool Contains(const std::u16string& text, const std::u16string& what) {
  return text.find(what) != std::u16string::npos;
}

bool StartsWith(const std::u16string& text, const std::u16string& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::uint8_t> ToUtf16LeBytes(const std::u16string& text, bool with_terminator) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve((text.size() + 1) * 2);
  for (const char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  if (with_terminator) {
    bytes.push_back(0);
    bytes.push_back(0);
  }
  return bytes;
}

std::u16string FromUtf16LeBytes(const void* bytes, std::size_t size) {
  const auto* data = static_cast<const std::uint8_t*>(bytes);
  std::u16string text;
  text.reserve(size / 2);
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  }
  return text;
}

}  // namespace vkr
