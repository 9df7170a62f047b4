// Reading one value from initialisation-file text held in memory, with the rules of the
// system's profile functions: sections and keys compared without regard to letter case, blanks
// around keys and values removed, one pair of surrounding quotation marks stripped, the first
// matching section and key winning.
#pragma once

#include <string>

namespace vkr {

// Decodes the bytes of a downloaded text file: UTF-16LE or UTF-8 when they carry a byte-order
// mark, UTF-8 when valid, otherwise each byte as one character.
std::u16string DecodeTextFile(const std::string& bytes);

// The value of `key` in `section`, or `fallback` when either is absent.
std::u16string ReadIniValue(const std::u16string& text, const std::u16string& section, const std::u16string& key,
                            const std::u16string& fallback);

}  // namespace vkr
