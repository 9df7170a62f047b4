#include "platform/win32/files_win32.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>

#include "platform/win32/batch_paths.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_headers.h"

namespace vkr::win32 {
namespace {

constexpr DWORD kNoAttributes = INVALID_FILE_ATTRIBUTES;

DWORD AttributesOf(const std::u16string& path) {
  return path.empty() ? kNoAttributes : ::GetFileAttributesW(Wide(path));
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// The length of the part of a path that names a root: "C:\", "\\server\share\" or "\".
std::size_t RootLength(const std::u16string& path) {
  if (path.size() >= 2 && path[1] == u':') return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    // Server and share names belong to the root.
    std::size_t separators = 0;
    for (std::size_t i = 2; i < path.size(); ++i) {
      if (IsSeparator(path[i]) && ++separators == 2) return i + 1;
    }
    return path.size();
  }
  return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

}  // namespace

bool Win32Files::FileExists(const std::u16string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32Files::DirectoryExists(const std::u16string& path) {
  const DWORD attributes = AttributesOf(path);
  return attributes != kNoAttributes && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32Files::CreateDirectories(const std::u16string& path) {
  std::u16string folder = path;
  const std::size_t root = RootLength(folder);
  while (folder.size() > root && IsSeparator(folder.back())) folder.pop_back();
  if (folder.empty()) return false;
  if (DirectoryExists(folder)) return true;
  if (folder.size() <= root) return false;  // a root that does not exist
  const std::size_t last = folder.find_last_of(u"\\/");
  if (last != std::u16string::npos && last + 1 > root) {
    const std::u16string parent = folder.substr(0, last + 1);
    if (parent.size() > root && !CreateDirectories(parent)) return false;
  }
  if (::CreateDirectoryW(Wide(folder), nullptr)) return true;
  // Another process may have created it meanwhile.
  return DirectoryExists(folder);
}

bool Win32Files::CreateNewDirectory(const std::u16string& path) {
  // CreateDirectoryW fails with ERROR_ALREADY_EXISTS for any name that is taken; the new folder
  // takes the security of its parent (the user's own temporary folder).
  return !path.empty() && ::CreateDirectoryW(Wide(path), nullptr) != FALSE;
}

bool Win32Files::ReadFile(const std::u16string& path, std::string* bytes, std::size_t max_bytes) {
  return ReadFileAt(path, 0, max_bytes, bytes);
}

bool Win32Files::WriteFile(const std::u16string& path, const std::string& bytes) {
  if (path.empty()) return false;
  UniqueFileHandle file(
      ::CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  std::size_t written = 0;
  while (written < bytes.size()) {
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - written, 1u << 20));
    DWORD put = 0;
    if (!::WriteFile(file.get(), bytes.data() + written, want, &put, nullptr) || put == 0) {
      // A half-written file is worth less than none.
      file.reset();
      ::DeleteFileW(Wide(path));
      return false;
    }
    written += put;
  }
  return true;
}

bool Win32Files::DeleteFile(const std::u16string& path) { return !path.empty() && ::DeleteFileW(Wide(path)); }

bool Win32Files::ReplaceFile(const std::u16string& source, const std::u16string& target) {
  if (source.empty() || target.empty()) return false;
  return ::MoveFileExW(Wide(source), Wide(target), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
}

bool Win32Files::RemoveDirectory(const std::u16string& path) { return !path.empty() && ::RemoveDirectoryW(Wide(path)); }

bool Win32Files::List(const std::u16string& pattern, std::vector<FileEntry>* entries) {
  entries->clear();
  if (pattern.empty()) return false;
  WIN32_FIND_DATAW data{};
  UniqueFindHandle find(
      ::FindFirstFileExW(Wide(pattern), FindExInfoStandard, &data, FindExSearchNameMatch, nullptr, 0));
  if (!find) return false;
  try {
    do {
      entries->push_back({FromWide(data.cFileName), data.dwFileAttributes});
    } while (::FindNextFileW(find.get(), &data));
  } catch (const std::bad_alloc&) {
    entries->clear();
    return false;
  }
  return !entries->empty();
}

bool Win32Files::GetAttributes(const std::u16string& path, std::uint32_t* attributes) {
  const DWORD value = AttributesOf(path);
  if (value == kNoAttributes) return false;
  *attributes = value;
  return true;
}

std::u16string Win32Files::TempFolder() {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  DWORD length = ::GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length > buffer.size()) {
    // The result did not fit: the length asked for includes the terminator.
    buffer.assign(length, L'\0');
    length = ::GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length >= buffer.size()) return u"";
  }
  return FromWide(buffer.c_str(), length);
}

std::u16string Win32Files::ModulePath() {
  // A truncated result fills the buffer exactly; grow until the path fits.
  for (DWORD size = MAX_PATH; size <= 32768 * 2; size *= 2) {
    std::wstring buffer(size, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return u"";
    if (length < size) return FromWide(buffer.c_str(), length);
  }
  return u"";
}

bool Win32Files::FileVersion(const std::u16string& path, std::uint32_t* ms, std::uint32_t* ls) {
  if (path.empty()) return false;
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(Wide(path), &handle);
  if (size == 0) return false;
  std::vector<BYTE> block;
  try {
    block.resize(size);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!::GetFileVersionInfoW(Wide(path), 0, size, block.data())) return false;
  void* fixed = nullptr;
  UINT fixed_length = 0;
  if (!::VerQueryValueW(block.data(), L"\\", &fixed, &fixed_length) || fixed == nullptr ||
      fixed_length < sizeof(VS_FIXEDFILEINFO)) {
    return false;
  }
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  if (info->dwSignature != VS_FFI_SIGNATURE) return false;
  *ms = info->dwFileVersionMS;
  *ls = info->dwFileVersionLS;
  return true;
}

bool Win32Files::ReadFileAt(const std::u16string& path, std::uint64_t offset, std::size_t max_bytes,
                            std::string* bytes) {
  bytes->clear();
  if (path.empty() || offset > static_cast<std::uint64_t>(INT64_MAX)) return false;
  UniqueFileHandle file(::CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(file.get(), position, nullptr, FILE_BEGIN)) return false;
  try {
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.get(), &size) && static_cast<std::uint64_t>(size.QuadPart) > offset) {
      bytes->reserve(static_cast<std::size_t>(
          std::min<std::uint64_t>(static_cast<std::uint64_t>(size.QuadPart) - offset, max_bytes)));
    }
    char chunk[64 * 1024];
    while (bytes->size() < max_bytes) {
      const DWORD want = static_cast<DWORD>(std::min<std::size_t>(sizeof(chunk), max_bytes - bytes->size()));
      DWORD got = 0;
      if (!::ReadFile(file.get(), chunk, want, &got, nullptr)) {
        bytes->clear();
        return false;
      }
      if (got == 0) break;
      bytes->append(chunk, got);
    }
  } catch (const std::bad_alloc&) {
    bytes->clear();
    return false;
  }
  return true;
}

bool Win32Files::EncodeOem(const std::u16string& text, std::string* bytes) {
  try {
    return EncodeOemCodePage(text, bytes);
  } catch (const std::bad_alloc&) {
    bytes->clear();
    return false;
  }
}

std::u16string Win32Files::ShortPath(const std::u16string& path) {
  try {
    return ShortPathName(path);
  } catch (const std::bad_alloc&) {
    return u"";
  }
}

std::u16string Win32Files::LongPath(const std::u16string& path) {
  try {
    return LongPathName(path);
  } catch (const std::bad_alloc&) {
    return u"";
  }
}

std::u16string Win32Files::UpperCaseFileName(const std::u16string& text) try {
  std::u16string upper = text;
  if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return upper;
  // Without LCMAP_LINGUISTIC_CASING the mapping is the file system's, the same in every locale;
  // it maps code unit to code unit, so the result fills the text's own length.
  const int units = static_cast<int>(text.size());
  if (::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, Wide(text), units, reinterpret_cast<wchar_t*>(upper.data()),
                     units) == units) {
    return upper;
  }
  // The letters A to Z at least.
  upper = text;
  for (char16_t& c : upper) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return upper;
} catch (const std::bad_alloc&) {
  return std::u16string();
}

std::u16string Win32Files::LowerCaseFileName(const std::u16string& text) try {
  std::u16string lower = text;
  if (text.empty() || text.size() > static_cast<std::size_t>(UINT_MAX / 2)) return lower;
  // CharLowerBuffW maps in place with the system's Unicode table, one code unit for one.
  ::CharLowerBuffW(reinterpret_cast<wchar_t*>(lower.data()), static_cast<DWORD>(lower.size()));
  return lower;
} catch (const std::bad_alloc&) {
  return std::u16string();
}

}  // namespace vkr::win32
