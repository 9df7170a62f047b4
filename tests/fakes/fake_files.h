#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"

namespace vkr::testing {

// An in-memory file system with Windows path rules: "\" or "/" separators, case-insensitive
// names (A to Z), folders that must exist before files are put in them. Records every write and
// delete so that tests can assert on them.
class FakeFiles : public Files {
 public:
  FakeFiles();

  bool FileExists(const std::u16string& path) override;
  bool DirectoryExists(const std::u16string& path) override;
  bool CreateDirectories(const std::u16string& path) override;
  bool CreateNewDirectory(const std::u16string& path) override;
  bool ReadFile(const std::u16string& path, std::string* bytes, std::size_t max_bytes) override;
  bool WriteFile(const std::u16string& path, const std::string& bytes) override;
  bool DeleteFile(const std::u16string& path) override;
  bool ReplaceFile(const std::u16string& source, const std::u16string& target) override;
  bool RemoveDirectory(const std::u16string& path) override;
  bool List(const std::u16string& pattern, std::vector<FileEntry>* entries) override;
  bool GetAttributes(const std::u16string& path, std::uint32_t* attributes) override;
  std::u16string TempFolder() override { return temp_folder; }
  std::u16string ModulePath() override { return module_path; }
  bool FileVersion(const std::u16string& path, std::uint32_t* ms, std::uint32_t* ls) override;
  bool ReadFileAt(const std::u16string& path, std::uint64_t offset, std::size_t max_bytes, std::string* bytes) override;
  bool EncodeOem(const std::u16string& text, std::string* bytes) override;
  // A simple rule: A to Z, the Latin-1, Greek and Cyrillic small letters.
  std::u16string UpperCaseFileName(const std::u16string& text) override;
  // The table of UpperCaseFileName the other way round, then `lower_case_extra`.
  std::u16string LowerCaseFileName(const std::u16string& text) override;
  std::u16string ShortPath(const std::u16string& path) override;
  std::u16string LongPath(const std::u16string& path) override;

  // Test set-up: a file (its folders are created) or a folder.
  void PutFile(const std::u16string& path, const std::string& bytes);
  void PutDirectory(const std::u16string& path);
  // A folder below which nothing can be created, written or deleted.
  void MakeReadOnly(const std::u16string& folder);
  // A folder entry that is a link (junction) to another folder; enumerations show it with the
  // reparse-point attribute, and RemoveDirectory removes the link only.
  void PutLink(const std::u16string& path, const std::u16string& target);
  std::string Contents(const std::u16string& path) const;
  std::vector<std::u16string> AllFiles() const;

  std::u16string temp_folder = u"C:\\Users\\player\\AppData\\Local\\Temp\\";
  std::u16string module_path = u"C:\\Program Files\\Velqo\\vkr\\vkr.exe";
  bool has_version = true;
  std::uint32_t version_ms = 0x00010004;
  std::uint32_t version_ls = 0x00000000;

  // The OEM code page: ASCII as it is, these characters as given (by default a few of code page
  // 936), every other character lossy as "?".
  std::map<char16_t, std::string> oem_characters;
  // Lower-case forms LowerCaseFileName gives beyond its table, for a system whose table has them.
  std::map<char16_t, char16_t> lower_case_extra;
  // Short forms by lower-cased long path; a path without one has no short form.
  std::map<std::u16string, std::u16string> short_paths;
  // Long forms by lower-cased path; any other existing path is its own long form.
  std::map<std::u16string, std::u16string> long_paths;
  bool long_path_fails = false;

  std::vector<std::u16string> written;          // paths of WriteFile/ReplaceFile targets, in order
  std::vector<std::u16string> deleted;          // paths of DeleteFile and RemoveDirectory, in order
  std::vector<std::u16string> new_directories;  // folders made by CreateNewDirectory, in order

 private:
  struct Node {
    std::u16string display;  // the path as first given
    bool directory = false;
    std::string bytes;
    std::u16string link_target;
  };
  static std::u16string Key(const std::u16string& path);
  static std::u16string ParentKey(const std::u16string& key);
  bool IsReadOnly(const std::u16string& key) const;
  std::map<std::u16string, Node> nodes_;
  std::set<std::u16string> read_only_;
};

}  // namespace vkr::testing
