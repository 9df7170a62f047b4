#include "common/ini_text.h"

#include "common/text.h"

namespace vkr {

std::u16string DecodeTextFile(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    return FromUtf16LeBytes(bytes.data() + 2, bytes.size() - 2);
  }
  if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return FromUtf8(bytes.substr(3));
  if (IsValidUtf8(bytes)) return FromUtf8(bytes);
  return FromLatin1(bytes);
}

std::u16string ReadIniValue(const std::u16string& text, const std::u16string& section, const std::u16string& key,
                            const std::u16string& fallback) {
  bool in_section = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of(u"\r\n", start);
    if (end == std::u16string::npos) end = text.size();
    const std::u16string line = Trim(text.substr(start, end - start));
    start = end + 1;
    if (!line.empty() && line.front() == u'[') {
      const auto close = line.find(u']');
      if (close != std::u16string::npos) {
        in_section = EqualsIgnoreCaseAscii(Trim(line.substr(1, close - 1)), section);
        continue;
      }
    }
    if (!in_section) continue;
    const auto eq = line.find(u'=');
    if (eq == std::u16string::npos || !EqualsIgnoreCaseAscii(Trim(line.substr(0, eq)), key)) continue;
    std::u16string value = Trim(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return fallback;
}

}  // namespace vkr
