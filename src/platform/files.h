#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vkr {

struct FileEntry {
  std::u16string name;           // file name only, as the enumeration gives it
  std::uint32_t attributes = 0;  // win::FILE_ATTRIBUTE_* bits
};

// The file system, with Windows paths. Abstract so that tests can replace it with an in-memory
// one. Members never throw; may be called from any thread.
class Files {
 public:
  virtual ~Files() = default;

  virtual bool FileExists(const std::u16string& path) = 0;       // an existing non-folder
  virtual bool DirectoryExists(const std::u16string& path) = 0;  // an existing folder
  // Creates the folder and any missing parents; true when the folder exists afterwards.
  virtual bool CreateDirectories(const std::u16string& path) = 0;
  // Creates one new folder whose parent exists, for this user only where the system has such a
  // notion; false when anything (a folder, a file, a link) already has that name or it cannot be
  // made. Never reuses what is there.
  virtual bool CreateNewDirectory(const std::u16string& path) = 0;
  // Reads at most max_bytes of the file into *bytes; false when it cannot be opened or read.
  virtual bool ReadFile(const std::u16string& path, std::string* bytes, std::size_t max_bytes) = 0;
  // Creates or replaces the file with the bytes; false on any failure.
  virtual bool WriteFile(const std::u16string& path, const std::string& bytes) = 0;
  virtual bool DeleteFile(const std::u16string& path) = 0;
  // Moves `source` onto `target`, replacing an existing target; false on any failure.
  virtual bool ReplaceFile(const std::u16string& source, const std::u16string& target) = 0;
  // Removes an empty folder (or a junction/symbolic link to a folder, as a link).
  virtual bool RemoveDirectory(const std::u16string& path) = 0;
  // Enumerates a FindFirstFile pattern such as "C:\dir\*" or "C:\dir\*.lnk", "." and ".."
  // included as the system gives them. False when nothing can be enumerated.
  virtual bool List(const std::u16string& pattern, std::vector<FileEntry>* entries) = 0;
  // Attributes of a path, or false when it does not exist.
  virtual bool GetAttributes(const std::u16string& path, std::uint32_t* attributes) = 0;
  // The temporary folder as the system names it (GetTempPathW), as given.
  virtual std::u16string TempFolder() = 0;
  // Full path of the running program file.
  virtual std::u16string ModulePath() = 0;
  // The fixed file version of the file's version resource (high and low double words); false
  // when the file has no version resource.
  virtual bool FileVersion(const std::u16string& path, std::uint32_t* ms, std::uint32_t* ls) = 0;
  // Reads at most max_bytes from `offset` on; fewer (or none) at the end of the file. False when
  // the file cannot be opened or read.
  virtual bool ReadFileAt(const std::u16string& path, std::uint64_t offset, std::size_t max_bytes,
                          std::string* bytes) = 0;
  // The text in the console's OEM code page, the one the command interpreter reads batch files
  // with; false when a character has no exact form there (*bytes then holds the system's lossy
  // conversion).
  virtual bool EncodeOem(const std::u16string& text, std::string* bytes) = 0;
  // The text with each code unit upper-cased by the system's own table, the rule the file system
  // compares names with (not a language's); as long as the text. Empty only when out of memory.
  virtual std::u16string UpperCaseFileName(const std::u16string& text) = 0;
  // The text with each code unit lower-cased by the system's own Unicode table (CharLowerBuffW:
  // the file system's rule, not a language's), not A to Z only; as long as the text. Empty only
  // when out of memory.
  virtual std::u16string LowerCaseFileName(const std::u16string& text) = 0;
  // The 8.3 short form of an existing path (GetShortPathNameW); empty on failure or when the
  // volume keeps no short names.
  virtual std::u16string ShortPath(const std::u16string& path) = 0;
  // The long form of an existing path, every component as stored (GetLongPathNameW); empty on
  // failure.
  virtual std::u16string LongPath(const std::u16string& path) = 0;
};

}  // namespace vkr
