// Small text helpers over UTF-16 strings, with the semantics the launcher's rules rely on.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vkr {

// Lower-cases the letters A to Z only; every other code unit stays as it is.
std::u16string LowerAscii(std::u16string text);
std::u16string UpperAscii(std::u16string text);
// Removes leading and trailing code units up to and including the blank (control characters
// and blanks), as the classic Trim does.
std::u16string Trim(const std::u16string& text);
// Case-insensitive (A to Z) equality.
bool EqualsIgnoreCaseAscii(const std::u16string& a, const std::u16string& b);

// A decimal integer: optional blanks, optional sign, digits, nothing after; nullopt otherwise or
// when it does not fit in 32 bits.
std::optional<std::int32_t> ParseInt32(const std::u16string& text);
std::int32_t ParseInt32Or(const std::u16string& text, std::int32_t fallback);
std::u16string ToText(std::int64_t value);

// "%d" with zero-padding to `width` digits.
std::u16string ZeroPadded(std::int64_t value, int width);

// Conversions between UTF-8 and UTF-16. Invalid input becomes U+FFFD.
std::u16string FromUtf8(const std::string& text);
std::string ToUtf8(const std::u16string& text);
// Latin-1 widening of bytes (each byte one code unit), for ASCII protocol text.
std::u16string FromLatin1(const std::string& bytes);

// Percent-encodes the characters that would break an address when inserted into it: control
// characters, blank, quotation mark, "#", "%", "&", DEL. Everything else, non-ASCII included,
// stays as it is.
std::u16string EncodeUnsafeUrlChars(const std::u16string& text);

// Paths: the folder part with its trailing separator, the file-name part, and a separator added
// when missing.
std::u16string ExtractFilePath(const std::u16string& path);
std::u16string ExtractFileName(const std::u16string& path);
std::u16string IncludeTrailingBackslash(const std::u16string& path);
std::u16string ExcludeTrailingBackslash(const std::u16string& path);

// Replaces the first occurrence of `what`; returns the text unchanged when it is absent.
std::u16string ReplaceFirst(const std::u16string& text, const std::u16string& what, const std::u16string& with);
bool Contains(const std::u16string& text, const std::u16string& what);
bool StartsWith(const std::u16string& text, const std::u16string& prefix);

// UTF-16LE bytes of a text, with or without a terminating zero code unit, and back.
std::vector<std::uint8_t> ToUtf16LeBytes(const std::u16string& text, bool with_terminator);
std::u16string FromUtf16LeBytes(const std::vector<std::uint8_t>& bytes);

}  // namespace vkr
