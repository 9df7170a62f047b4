#include "fakes/fake_profile_store.h"

#include <vector>

#include "common/text.h"

namespace vkr::testing {
namespace {

struct Line {
  std::u16string text;
};

std::vector<std::u16string> SplitLines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  std::u16string current;
  for (const char16_t c : text) {
    if (c == u'\n') {
      if (!current.empty() && current.back() == u'\r') current.pop_back();
      lines.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

bool IsSection(const std::u16string& line, std::u16string* name) {
  const std::u16string trimmed = Trim(line);
  if (trimmed.size() < 2 || trimmed.front() != u'[') return false;
  const auto close = trimmed.find(u']');
  if (close == std::u16string::npos) return false;
  *name = Trim(trimmed.substr(1, close - 1));
  return true;
}

bool IsKey(const std::u16string& line, std::u16string* key, std::u16string* value) {
  const auto eq = line.find(u'=');
  if (eq == std::u16string::npos) return false;
  *key = Trim(line.substr(0, eq));
  *value = Trim(line.substr(eq + 1));
  return !key->empty();
}

}  // namespace

std::u16string FakeProfileStore::ReadString(const std::u16string& path, const std::u16string& section,
                                            const std::u16string& key, const std::u16string& default_value,
                                            std::size_t buffer_chars) {
  ++reads;
  const std::size_t limit = buffer_chars == 0 ? 0 : buffer_chars - 1;
  std::string bytes;
  std::u16string result = default_value;
  if (files_.ReadFile(path, &bytes, static_cast<std::size_t>(-1))) {
    std::u16string current;
    bool in_section = false;
    for (const auto& line : SplitLines(FromUtf8(bytes))) {
      std::u16string name, k, v;
      if (IsSection(line, &name)) {
        in_section = EqualsIgnoreCaseAscii(name, section);
      } else if (in_section && IsKey(line, &k, &v) && EqualsIgnoreCaseAscii(k, key)) {
        if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front()) {
          v = v.substr(1, v.size() - 2);
        }
        result = v;
        break;
      }
    }
  }
  if (result.size() > limit) result.resize(limit);
  return result;
}

bool FakeProfileStore::WriteString(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                                   const std::u16string& value) {
  ++writes;
  std::string bytes;
  files_.ReadFile(path, &bytes, static_cast<std::size_t>(-1));
  std::vector<std::u16string> lines = SplitLines(FromUtf8(bytes));
  bool in_section = false;
  bool written = false;
  std::size_t section_end = lines.size();
  bool found_section = false;
  for (std::size_t i = 0; i < lines.size() && !written; ++i) {
    std::u16string name, k, v;
    if (IsSection(lines[i], &name)) {
      if (in_section) {
        section_end = i;
        break;
      }
      in_section = EqualsIgnoreCaseAscii(name, section);
      if (in_section) {
        found_section = true;
        section_end = lines.size();
      }
    } else if (in_section && IsKey(lines[i], &k, &v) && EqualsIgnoreCaseAscii(k, key)) {
      lines[i] = k + u"=" + value;
      written = true;
    }
  }
  if (!written) {
    if (found_section) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(section_end), key + u"=" + value);
    } else {
      lines.push_back(u"[" + section + u"]");
      lines.push_back(key + u"=" + value);
    }
  }
  std::u16string text;
  for (const auto& line : lines) text += line + u"\r\n";
  return files_.WriteFile(path, ToUtf8(text));
}

}  // namespace vkr::testing
