// Small text helpers over UTF-16 strings, with the semantics the launcher's rules rely on.
#pragma once

#include <cstddef>
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
// Whether the bytes are well-formed UTF-8: no stray or missing continuation bytes, no overlong
// forms, no surrogates, nothing above U+10FFFF. The sequences FromUtf8 decodes without U+FFFD.
bool IsValidUtf8(const std::string& bytes);
// Latin-1 widening of bytes (each byte one code unit), for ASCII protocol text.
std::u16string FromLatin1(const std::string& bytes);

// Replaces each code unit for which `encoded` is true by "%" and the two upper-case hexadecimal
// digits of its low byte (meant for ASCII sets); everything else stays as it is. A "%" that
// already begins an escape (two hexadecimal digits follow) stays as it is, so a value that
// arrives encoded is sent unchanged.
std::u16string PercentEncode(const std::u16string& text, bool (*encoded)(char16_t));
// The one encoder of the values the launcher puts into the addresses it builds: percent-encodes
// the characters that would break an address or change its meaning: control characters, blank,
// quotation mark, "#", "%" (not when it begins an escape), "&", "+" (a blank to most web back
// ends), DEL. Everything else, non-ASCII included, stays as it is.
std::u16string EncodeUnsafeUrlChars(const std::u16string& text);

// `value` as `digits` hexadecimal digits, most significant first, zero-padded (higher digits are
// dropped); upper-case unless `lower_case`.
std::u16string HexDigits(std::uint32_t value, int digits, bool lower_case = false);

// The text before its first zero code unit (all of it when it has none), as a C string reads.
std::u16string TextBeforeNul(std::u16string text);

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

// UTF-16LE bytes of a text, with or without a terminating zero code unit, and back (a last odd
// byte is dropped).
std::vector<std::uint8_t> ToUtf16LeBytes(const std::u16string& text, bool with_terminator);
std::u16string FromUtf16LeBytes(const void* bytes, std::size_t size);
inline std::u16string FromUtf16LeBytes(const std::vector<std::uint8_t>& bytes) {
  return FromUtf16LeBytes(bytes.data(), bytes.size());
}

}  // namespace vkr
