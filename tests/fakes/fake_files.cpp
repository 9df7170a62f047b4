#include "fakes/fake_files.h"

#include "common/text.h"
#include "platform/win_constants.h"

namespace vkr::testing {
namespace {

// "*" and "?" wildcards, compared case-insensitively.
bool WildcardMatch(const std::u16string& pattern, const std::u16string& name) {
  std::size_t p = 0, n = 0, star = std::u16string::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      mark = n;
    } else if (star != std::u16string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace

FakeFiles::FakeFiles() {
  PutDirectory(u"C:\\");
  oem_characters = {{u'游', "\xD3\xCE"}, {u'戏', "\xCF\xB7"}, {u'中', "\xD6\xD0"}, {u'心', "\xD0\xC4"}};
}

std::u16string FakeFiles::Key(const std::u16string& path) {
  std::u16string key = LowerAscii(path);
  for (auto& c : key) {
    if (c == u'/') c = u'\\';
  }
  while (key.size() > 3 && key.back() == u'\\') key.pop_back();
  if (key.size() == 2 && key[1] == u':') key += u'\\';
  return key;
}

std::u16string FakeFiles::ParentKey(const std::u16string& key) {
  if (key.size() <= 3) return u"";
  const auto pos = key.find_last_of(u'\\');
  if (pos == std::u16string::npos) return u"";
  return Key(key.substr(0, pos + 1));
}

bool FakeFiles::IsReadOnly(const std::u16string& key) const {
  for (const auto& folder : read_only_) {
    if (key == folder || StartsWith(key, folder + u"\\")) return true;
  }
  return false;
}

bool FakeFiles::FileExists(const std::u16string& path) {
  const auto it = nodes_.find(Key(path));
  return it != nodes_.end() && !it->second.directory;
}

bool FakeFiles::DirectoryExists(const std::u16string& path) {
  const auto it = nodes_.find(Key(path));
  return it != nodes_.end() && it->second.directory;
}

bool FakeFiles::CreateDirectories(const std::u16string& path) {
  const std::u16string key = Key(path);
  if (key.empty()) return false;
  const auto it = nodes_.find(key);
  if (it != nodes_.end()) return it->second.directory;
  const std::u16string parent = ParentKey(key);
  if (parent.empty() || !CreateDirectories(parent)) return false;
  if (IsReadOnly(key)) return false;
  Node node;
  node.display = ExcludeTrailingBackslash(path);
  node.directory = true;
  nodes_[key] = node;
  return true;
}

bool FakeFiles::CreateNewDirectory(const std::u16string& path) {
  const std::u16string key = Key(path);
  if (key.empty() || nodes_.count(key) != 0) return false;
  const std::u16string parent = ParentKey(key);
  const auto it = nodes_.find(parent);
  if (it == nodes_.end() || !it->second.directory || IsReadOnly(key)) return false;
  Node node;
  node.display = ExcludeTrailingBackslash(path);
  node.directory = true;
  nodes_[key] = node;
  new_directories.push_back(node.display);
  return true;
}

bool FakeFiles::ReadFile(const std::u16string& path, std::string* bytes, std::size_t max_bytes) {
  const auto it = nodes_.find(Key(path));
  if (it == nodes_.end() || it->second.directory) return false;
  *bytes = it->second.bytes.substr(0, max_bytes);
  return true;
}

bool FakeFiles::WriteFile(const std::u16string& path, const std::string& bytes) {
  const std::u16string key = Key(path);
  if (IsReadOnly(key) || !DirectoryExists(ParentKey(key))) return false;
  auto& node = nodes_[key];
  if (node.directory) return false;
  node.display = path;
  node.bytes = bytes;
  written.push_back(path);
  return true;
}

bool FakeFiles::DeleteFile(const std::u16string& path) {
  const std::u16string key = Key(path);
  const auto it = nodes_.find(key);
  if (it == nodes_.end() || it->second.directory || IsReadOnly(key)) return false;
  nodes_.erase(it);
  deleted.push_back(path);
  return true;
}

bool FakeFiles::ReplaceFile(const std::u16string& source, const std::u16string& target) {
  const std::u16string from = Key(source);
  const std::u16string to = Key(target);
  const auto it = nodes_.find(from);
  if (it == nodes_.end() || it->second.directory || IsReadOnly(from) || IsReadOnly(to)) return false;
  if (!DirectoryExists(ParentKey(to))) return false;
  const auto existing = nodes_.find(to);
  if (existing != nodes_.end() && existing->second.directory) return false;
  Node node = it->second;
  node.display = target;
  nodes_.erase(it);
  nodes_[to] = node;
  written.push_back(target);
  return true;
}

bool FakeFiles::RemoveDirectory(const std::u16string& path) {
  const std::u16string key = Key(path);
  const auto it = nodes_.find(key);
  if (it == nodes_.end() || !it->second.directory || IsReadOnly(key)) return false;
  if (it->second.link_target.empty()) {
    for (const auto& [other, node] : nodes_) {
      if (ParentKey(other) == key) return false;  // not empty
    }
  }
  nodes_.erase(it);
  deleted.push_back(path);
  return true;
}

bool FakeFiles::List(const std::u16string& pattern, std::vector<FileEntry>* entries) {
  entries->clear();
  const std::u16string normalized = Key(pattern);
  const auto slash = normalized.find_last_of(u'\\');
  if (slash == std::u16string::npos) return false;
  const std::u16string folder = Key(normalized.substr(0, slash + 1));
  const std::u16string mask = normalized.substr(slash + 1);
  const auto dir = nodes_.find(folder);
  if (dir == nodes_.end() || !dir->second.directory) return false;
  std::u16string listed = folder;
  if (!dir->second.link_target.empty()) listed = Key(dir->second.link_target);
  if (listed.size() > 3) {
    for (const char16_t* dots : {u".", u".."}) {
      if (WildcardMatch(mask, dots)) entries->push_back({dots, win::FILE_ATTRIBUTE_DIRECTORY});
    }
  }
  for (const auto& [key, node] : nodes_) {
    if (key == listed || ParentKey(key) != listed) continue;
    const std::u16string name = ExtractFileName(ExcludeTrailingBackslash(node.display));
    if (!WildcardMatch(mask, LowerAscii(name))) continue;
    std::uint32_t attributes = node.directory ? win::FILE_ATTRIBUTE_DIRECTORY : win::FILE_ATTRIBUTE_ARCHIVE;
    if (!node.link_target.empty()) attributes |= win::FILE_ATTRIBUTE_REPARSE_POINT;
    entries->push_back({name, attributes});
  }
  return !entries->empty();
}

bool FakeFiles::GetAttributes(const std::u16string& path, std::uint32_t* attributes) {
  const auto it = nodes_.find(Key(path));
  if (it == nodes_.end()) return false;
  *attributes = it->second.directory ? win::FILE_ATTRIBUTE_DIRECTORY : win::FILE_ATTRIBUTE_ARCHIVE;
  if (!it->second.link_target.empty()) *attributes |= win::FILE_ATTRIBUTE_REPARSE_POINT;
  return true;
}

bool FakeFiles::FileVersion(const std::u16string& path, std::uint32_t* ms, std::uint32_t* ls) {
  if (!has_version || !FileExists(path)) return false;
  *ms = version_ms;
  *ls = version_ls;
  return true;
}

bool FakeFiles::ReadFileAt(const std::u16string& path, std::uint64_t offset, std::size_t max_bytes,
                           std::string* bytes) {
  const auto it = nodes_.find(Key(path));
  if (it == nodes_.end() || it->second.directory) return false;
  const std::string& all = it->second.bytes;
  *bytes = offset >= all.size() ? std::string() : all.substr(static_cast<std::size_t>(offset), max_bytes);
  return true;
}

bool FakeFiles::EncodeOem(const std::u16string& text, std::string* bytes) {
  bytes->clear();
  bool exact = true;
  for (const char16_t c : text) {
    const auto it = oem_characters.find(c);
    if (c < 0x80) {
      *bytes += static_cast<char>(c);
    } else if (it != oem_characters.end()) {
      *bytes += it->second;
    } else {
      *bytes += '?';
      exact = false;
    }
  }
  return exact;
}

std::u16string FakeFiles::UpperCaseFileName(const std::u16string& text) {
  std::u16string upper = text;
  for (char16_t& c : upper) {
    const bool latin = (c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7);
    const bool greek = c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2;
    const bool cyrillic = c >= 0x430 && c <= 0x44F;
    if (latin || greek || cyrillic) {
      c = static_cast<char16_t>(c - 0x20);
    } else if (c >= 0x450 && c <= 0x45F) {
      c = static_cast<char16_t>(c - 0x50);
    }
  }
  return upper;
}

std::u16string FakeFiles::LowerCaseFileName(const std::u16string& text) {
  std::u16string lower = text;
  for (char16_t& c : lower) {
    const bool latin = (c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
    const bool greek = c >= 0x391 && c <= 0x3A9 && c != 0x3A2;
    const bool cyrillic = c >= 0x410 && c <= 0x42F;
    if (latin || greek || cyrillic) {
      c = static_cast<char16_t>(c + 0x20);
    } else if (c >= 0x400 && c <= 0x40F) {
      c = static_cast<char16_t>(c + 0x50);
    } else if (const auto it = lower_case_extra.find(c); it != lower_case_extra.end()) {
      c = it->second;
    }
  }
  return lower;
}

std::u16string FakeFiles::ShortPath(const std::u16string& path) {
  const auto it = short_paths.find(LowerAscii(path));
  return it == short_paths.end() || nodes_.count(Key(path)) == 0 ? std::u16string() : it->second;
}

std::u16string FakeFiles::LongPath(const std::u16string& path) {
  if (long_path_fails) return u"";
  const auto it = long_paths.find(LowerAscii(path));
  if (it != long_paths.end()) return it->second;
  return nodes_.count(Key(path)) != 0 ? path : std::u16string();
}

void FakeFiles::PutFile(const std::u16string& path, const std::string& bytes) {
  const std::u16string key = Key(path);
  CreateDirectories(ParentKey(key));
  Node node;
  node.display = path;
  node.bytes = bytes;
  nodes_[key] = node;
}

void FakeFiles::PutDirectory(const std::u16string& path) {
  const std::u16string key = Key(path);
  if (!ParentKey(key).empty()) CreateDirectories(ParentKey(key));
  Node node;
  node.display = ExcludeTrailingBackslash(path);
  node.directory = true;
  nodes_[key] = node;
}

void FakeFiles::MakeReadOnly(const std::u16string& folder) { read_only_.insert(Key(folder)); }

void FakeFiles::PutLink(const std::u16string& path, const std::u16string& target) {
  PutDirectory(path);
  nodes_[Key(path)].link_target = target;
}

std::string FakeFiles::Contents(const std::u16string& path) const {
  const auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? std::string() : it->second.bytes;
}

std::vector<std::u16string> FakeFiles::AllFiles() const {
  std::vector<std::u16string> files;
  for (const auto& [key, node] : nodes_) {
    if (!node.directory) files.push_back(node.display);
  }
  return files;
}

}  // namespace vkr::testing
