// The file system through the kernel32 file functions and the version resource API.
#pragma once

#include "platform/files.h"

namespace vkr::win32 {

class Win32Files : public Files {
 public:
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
  std::u16string TempFolder() override;
  std::u16string ModulePath() override;
  bool FileVersion(const std::u16string& path, std::uint32_t* ms, std::uint32_t* ls) override;
  bool ReadFileAt(const std::u16string& path, std::uint64_t offset, std::size_t max_bytes, std::string* bytes) override;
  bool EncodeOem(const std::u16string& text, std::string* bytes) override;
  std::u16string UpperCaseFileName(const std::u16string& text) override;
  std::u16string LowerCaseFileName(const std::u16string& text) override;
  std::u16string ShortPath(const std::u16string& path) override;
  std::u16string LongPath(const std::u16string& path) override;
};

}  // namespace vkr::win32
