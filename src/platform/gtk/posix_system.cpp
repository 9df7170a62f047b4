#include "platform/gtk/posix_system.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define VKR_X86 1
#endif
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <glib.h>
#include <ifaddrs.h>
#include <limits.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <thread>

#include "common/ini_text.h"
#include "common/text.h"
#include "platform/win_constants.h"

#ifndef VKR_VERSION_MAJOR
#define VKR_VERSION_MAJOR 0
#define VKR_VERSION_MINOR 0
#define VKR_VERSION_PATCH 0
#define VKR_VERSION_TWEAK 0
#endif

namespace vkr::gtk {
namespace {

// The path as a file name, or empty when it is not absolute (or holds a zero).
std::string FileName(const std::u16string& path) {
  if (path.empty() || path.front() != u'/' || path.find(u'\0') != std::u16string::npos) return {};
  return ToUtf8(path);
}

bool StatPath(const std::string& name, struct stat* info) { return !name.empty() && ::stat(name.c_str(), info) == 0; }

// A file descriptor closed on every path.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes now and reports whether the close succeeded (a write error can show only here).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t put = ::write(fd, data, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

bool ReadUpTo(int fd, std::size_t max_bytes, std::string* bytes) {
  bytes->clear();
  char chunk[64 * 1024];
  while (bytes->size() < max_bytes) {
    const std::size_t want = std::min(sizeof(chunk), max_bytes - bytes->size());
    const ssize_t got = ::read(fd, chunk, want);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) break;
    bytes->append(chunk, static_cast<std::size_t>(got));
  }
  return true;
}

}  // namespace

// ---- Files -------------------------------------------------------------------------------------

bool PosixFiles::FileExists(const std::u16string& path) {
  struct stat info {};
  return StatPath(FileName(path), &info) && !S_ISDIR(info.st_mode);
}

bool PosixFiles::DirectoryExists(const std::u16string& path) {
  struct stat info {};
  return StatPath(FileName(path), &info) && S_ISDIR(info.st_mode);
}

bool PosixFiles::CreateDirectories(const std::u16string& path) {
  std::string name = FileName(path);
  if (name.empty()) return false;
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  for (std::size_t slash = name.find('/', 1);; slash = name.find('/', slash + 1)) {
    const std::string part = slash == std::string::npos ? name : name.substr(0, slash);
    if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  return DirectoryExists(path);
}

bool PosixFiles::CreateNewDirectory(const std::u16string& path) {
  // mkdir never follows or reuses an existing name (EEXIST), a symbolic link included.
  const std::string name = FileName(path);
  return !name.empty() && ::mkdir(name.c_str(), 0700) == 0;
}

bool PosixFiles::ReadFile(const std::u16string& path, std::string* bytes, std::size_t max_bytes) {
  return ReadFileAt(path, 0, max_bytes, bytes);
}

bool PosixFiles::WriteFile(const std::u16string& path, const std::string& bytes) {
  const std::string name = FileName(path);
  if (name.empty()) return false;
  Descriptor file(::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  return file.ok() && WriteAll(file.get(), bytes.data(), bytes.size()) && file.Close();
}

bool PosixFiles::DeleteFile(const std::u16string& path) {
  const std::string name = FileName(path);
  struct stat info {};
  if (name.empty() || ::lstat(name.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  return ::unlink(name.c_str()) == 0;
}

bool PosixFiles::ReplaceFile(const std::u16string& source, const std::u16string& target) {
  const std::string from = FileName(source);
  const std::string to = FileName(target);
  return !from.empty() && !to.empty() && ::rename(from.c_str(), to.c_str()) == 0;
}

bool PosixFiles::RemoveDirectory(const std::u16string& path) {
  const std::string name = FileName(path);
  if (name.empty()) return false;
  struct stat info {};
  if (::lstat(name.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) return ::unlink(name.c_str()) == 0;
  return ::rmdir(name.c_str()) == 0;
}

bool PosixFiles::List(const std::u16string& pattern, std::vector<FileEntry>* entries) {
  entries->clear();
  const std::string name = FileName(pattern);
  const auto slash = name.rfind('/');
  if (name.empty() || slash == std::string::npos) return false;
  const std::string folder = slash == 0 ? "/" : name.substr(0, slash);
  const std::string match = name.substr(slash + 1);
  DIR* directory = ::opendir(folder.c_str());
  if (!directory) return false;
  while (const dirent* entry = ::readdir(directory)) {
    // "*" also matches names that begin with a dot, as the Windows enumeration does: a folder
    // holding only such names is not empty.
    if (::fnmatch(match.c_str(), entry->d_name, 0) != 0 && std::strcmp(match.c_str(), entry->d_name) != 0) {
      continue;
    }
    FileEntry found;
    found.name = FromUtf8(entry->d_name);
    GetAttributes(FromUtf8(folder + "/" + entry->d_name), &found.attributes);
    entries->push_back(std::move(found));
  }
  ::closedir(directory);
  return !entries->empty();
}

bool PosixFiles::GetAttributes(const std::u16string& path, std::uint32_t* attributes) {
  const std::string name = FileName(path);
  struct stat info {};
  if (name.empty() || ::lstat(name.c_str(), &info) != 0) return false;
  std::uint32_t bits = 0;
  if (S_ISLNK(info.st_mode)) {
    bits |= win::FILE_ATTRIBUTE_REPARSE_POINT;
    struct stat target {};
    if (::stat(name.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) bits |= win::FILE_ATTRIBUTE_DIRECTORY;
  } else if (S_ISDIR(info.st_mode)) {
    bits |= win::FILE_ATTRIBUTE_DIRECTORY;
  }
  if (::access(name.c_str(), W_OK) != 0 && errno == EACCES) bits |= win::FILE_ATTRIBUTE_READONLY;
  const std::u16string base = ExtractFileName(path);
  if (!base.empty() && base.front() == u'.') bits |= win::FILE_ATTRIBUTE_HIDDEN;
  *attributes = bits == 0 ? win::FILE_ATTRIBUTE_NORMAL : bits;
  return true;
}

std::u16string PosixFiles::TempFolder() {
  const char* tmp = ::getenv("TMPDIR");
  std::string folder = tmp && tmp[0] == '/' ? tmp : "/tmp";
  if (folder.back() != '/') folder += '/';
  return FromUtf8(folder);
}

std::u16string PosixFiles::ModulePath() {
  char buffer[4096];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (length <= 0) return u"";
  return FromUtf8(std::string(buffer, static_cast<std::size_t>(length)));
}

bool PosixFiles::FileVersion(const std::u16string& path, std::uint32_t* ms, std::uint32_t* ls) {
  if (path.empty() || path != ModulePath()) return false;
  *ms = (VKR_VERSION_MAJOR << 16) | VKR_VERSION_MINOR;
  *ls = (VKR_VERSION_PATCH << 16) | VKR_VERSION_TWEAK;
  return true;
}

bool PosixFiles::ReadFileAt(const std::u16string& path, std::uint64_t offset, std::size_t max_bytes,
                            std::string* bytes) {
  const std::string name = FileName(path);
  if (name.empty()) return false;
  Descriptor file(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (!file.ok() || ::fstat(file.get(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  if (offset > 0 && ::lseek(file.get(), static_cast<off_t>(offset), SEEK_SET) < 0) return false;
  return ReadUpTo(file.get(), max_bytes, bytes);
}

bool PosixFiles::EncodeOem(const std::u16string& text, std::string* bytes) {
  *bytes = ToUtf8(text);
  return true;
}

std::u16string PosixFiles::UpperCaseFileName(const std::u16string& text) { return text; }

std::u16string PosixFiles::LowerCaseFileName(const std::u16string& text) try {
  // Unicode's simple lower-case mapping, code unit by code unit as the Windows table maps, so the
  // result keeps the text's length; the halves of a surrogate pair stay as they are. Like that
  // table (the file system's, not a language's), the dotted capital I, the Kelvin and Angstrom
  // signs and the capital sharp s keep their form: to a file name they are letters of their own.
  std::u16string lower = text;
  for (char16_t& c : lower) {
    const bool kept = c == 0x0130 || c == 0x212A || c == 0x212B || c == 0x1E9E;
    if (!kept && (c < 0xD800 || c > 0xDFFF)) {
      const gunichar mapped = g_unichar_tolower(c);
      if (mapped <= 0xFFFF && (mapped < 0xD800 || mapped > 0xDFFF)) c = static_cast<char16_t>(mapped);
    }
  }
  return lower;
} catch (const std::bad_alloc&) {
  return std::u16string();
}

std::u16string PosixFiles::ShortPath(const std::u16string&) { return u""; }

std::u16string PosixFiles::LongPath(const std::u16string& path) {
  const std::string name = FileName(path);
  if (name.empty()) return u"";
  char* resolved = ::realpath(name.c_str(), nullptr);
  if (!resolved) return u"";
  std::u16string result = FromUtf8(resolved);
  ::free(resolved);
  return result;
}

// ---- Profile store -----------------------------------------------------------------------------

namespace {

constexpr std::size_t kMaxProfileBytes = 16 * 1024 * 1024;

bool IsUtf16(const std::string& bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
         static_cast<unsigned char>(bytes[1]) == 0xFE;
}

std::string EncodeProfile(const std::u16string& text, bool utf16) {
  if (!utf16) return ToUtf8(text);
  std::string bytes = "\xFF\xFE";
  for (const char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

// Splits text into lines without their line ends.
std::vector<std::u16string> Lines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of(u"\r\n", start);
    if (end == std::u16string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end;
    if (start < text.size() && text[start] == u'\r') ++start;
    if (start < text.size() && text[start] == u'\n') ++start;
  }
  return lines;
}

// The section a line heads, if it heads one.
bool SectionOf(const std::u16string& line, std::u16string* section) {
  const std::u16string trimmed = Trim(line);
  if (trimmed.empty() || trimmed.front() != u'[') return false;
  const auto close = trimmed.find(u']');
  if (close == std::u16string::npos) return false;
  *section = Trim(trimmed.substr(1, close - 1));
  return true;
}

}  // namespace

std::u16string PosixProfileStore::ReadString(const std::u16string& path, const std::u16string& section,
                                             const std::u16string& key, const std::u16string& default_value,
                                             std::size_t buffer_chars) {
  if (buffer_chars == 0) return u"";
  std::string bytes;
  std::u16string value = default_value;
  if (files_->ReadFile(path, &bytes, kMaxProfileBytes)) {
    value = ReadIniValue(DecodeTextFile(bytes), section, key, default_value);
  }
  if (value.size() > buffer_chars - 1) value.resize(buffer_chars - 1);
  return value;
}

bool PosixProfileStore::WriteString(const std::u16string& path, const std::u16string& section,
                                    const std::u16string& key, const std::u16string& value) {
  if (section.empty() || key.empty()) return false;
  std::string bytes;
  const bool existed = files_->ReadFile(path, &bytes, kMaxProfileBytes);
  const bool utf16 = existed && IsUtf16(bytes);
  std::vector<std::u16string> lines = Lines(existed ? DecodeTextFile(bytes) : u"");
  const std::u16string entry = key + u"=" + value;
  // Find the section; in it, replace the key's first line or add the key after its last line.
  bool in_section = false;
  bool found_section = false;
  std::size_t insert_at = lines.size();
  bool done = false;
  for (std::size_t i = 0; i < lines.size() && !done; ++i) {
    std::u16string heading;
    if (SectionOf(lines[i], &heading)) {
      if (in_section) break;
      in_section = EqualsIgnoreCaseAscii(heading, section);
      if (in_section) {
        found_section = true;
        insert_at = i + 1;
      }
      continue;
    }
    if (!in_section) continue;
    const std::u16string trimmed = Trim(lines[i]);
    if (!trimmed.empty()) insert_at = i + 1;
    const auto eq = trimmed.find(u'=');
    if (eq != std::u16string::npos && EqualsIgnoreCaseAscii(Trim(trimmed.substr(0, eq)), key)) {
      lines[i] = entry;
      done = true;
    }
  }
  if (!done) {
    if (found_section) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insert_at), entry);
    } else {
      lines.push_back(u"[" + section + u"]");
      lines.push_back(entry);
    }
  }
  std::u16string text;
  for (const auto& line : lines) text += line + u"\r\n";
  const std::u16string side = path + u".new";
  if (!files_->WriteFile(side, EncodeProfile(text, utf16))) return false;
  if (!files_->ReplaceFile(side, path)) {
    files_->DeleteFile(side);
    return false;
  }
  return true;
}

// ---- Registry ----------------------------------------------------------------------------------

namespace {

// The one key there is: any handle value serves, the launcher only passes it back.
constexpr RegKey kProcessorKey = 0x50524F43;
constexpr char16_t kProcessorKeyPath[] = u"Hardware\\Description\\System\\CentralProcessor\\0";

struct ProcessorDescription {
  std::string name;  // empty when neither source names one
  std::uint32_t mhz = 0;
};

std::string ReadSmallFile(const std::string& path, std::size_t max_bytes = 256 * 1024) {
  std::string bytes;
  Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.ok() || !ReadUpTo(file.get(), max_bytes, &bytes)) return {};
  return bytes;
}

// The pieces of a text between separators (lines, or the zero-separated entries of an
// environment), in order; a last piece without a separator counts.
std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(separator, start);
    if (end == std::string::npos) end = text.size();
    pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

ProcessorDescription DescribeProcessor() {
  ProcessorDescription description;
  const std::string cpuinfo = ReadSmallFile("/proc/cpuinfo");
#ifdef VKR_X86
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid_max(0x80000000u, nullptr) >= 0x80000004u) {
    char brand[49] = {};
    for (unsigned i = 0; i < 3; ++i) {
      __cpuid_count(0x80000002u + i, 0, a, b, c, d);
      std::memcpy(brand + 16 * i, &a, 4);
      std::memcpy(brand + 16 * i + 4, &b, 4);
      std::memcpy(brand + 16 * i + 8, &c, 4);
      std::memcpy(brand + 16 * i + 12, &d, 4);
    }
    description.name = brand;  // up to its first zero, leading blanks kept as Windows keeps them
  }
  if (__get_cpuid_max(0, nullptr) >= 0x16) {
    __cpuid_count(0x16, 0, a, b, c, d);
    description.mhz = a & 0xFFFF;
  }
#endif
  bool printable = !description.name.empty();
  for (const char ch : description.name) printable = printable && ch >= 0x20 && ch < 0x7F;
  if (!printable) description.name = CpuInfoField(cpuinfo, "model name");
  if (description.mhz == 0) {
    const std::string mhz = CpuInfoField(cpuinfo, "cpu MHz");
    char* end = nullptr;
    const double value = mhz.empty() ? 0 : std::strtod(mhz.c_str(), &end);
    if (end && *end == '\0' && value >= 1 && value < 1e6)
      description.mhz = static_cast<std::uint32_t>(std::lround(value));
  }
  return description;
}

const ProcessorDescription& Processor() {
  // Read once: the processor does not change while the launcher runs.
  static const ProcessorDescription processor = DescribeProcessor();
  return processor;
}

}  // namespace

std::string CpuInfoField(const std::string& cpuinfo, const std::string& field) {
  for (const std::string& line : Split(cpuinfo, '\n')) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    std::string key = line.substr(0, colon);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.pop_back();
    if (key != field) continue;
    std::string value = line.substr(colon + 1);
    const auto first = value.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    value = value.substr(first);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r')) value.pop_back();
    return value;
  }
  return {};
}

long HardwareRegistry::OpenKey(RegKey parent, const std::u16string& path, std::uint32_t, RegKey* out) {
  *out = kNoRegKey;
  std::u16string key = path;
  while (!key.empty() && key.front() == u'\\') key.erase(key.begin());
  if (parent != win::HKEY_LOCAL_MACHINE || !EqualsIgnoreCaseAscii(key, kProcessorKeyPath)) {
    return win::ERROR_FILE_NOT_FOUND;
  }
  *out = kProcessorKey;
  return win::ERROR_SUCCESS;
}
long HardwareRegistry::CreateKey(RegKey, const std::u16string&, std::uint32_t, RegKey* out) {
  *out = kNoRegKey;
  return win::ERROR_ACCESS_DENIED;
}
long HardwareRegistry::QueryValue(RegKey key, const std::u16string& name, std::uint32_t* type,
                                  std::vector<std::uint8_t>* data) {
  if (key != kProcessorKey) return win::ERROR_INVALID_HANDLE;
  const ProcessorDescription& processor = Processor();
  if (EqualsIgnoreCaseAscii(name, u"ProcessorNameString") && !processor.name.empty()) {
    *type = win::REG_SZ;
    *data = ToUtf16LeBytes(FromUtf8(processor.name), true);
    return win::ERROR_SUCCESS;
  }
  if (EqualsIgnoreCaseAscii(name, u"~MHz") && processor.mhz != 0) {
    *type = win::REG_DWORD;
    const std::uint32_t mhz = processor.mhz;
    *data = {static_cast<std::uint8_t>(mhz), static_cast<std::uint8_t>(mhz >> 8), static_cast<std::uint8_t>(mhz >> 16),
             static_cast<std::uint8_t>(mhz >> 24)};
    return win::ERROR_SUCCESS;
  }
  return win::ERROR_FILE_NOT_FOUND;
}
long HardwareRegistry::SetValue(RegKey, const std::u16string&, std::uint32_t, const std::vector<std::uint8_t>&) {
  return win::ERROR_ACCESS_DENIED;
}
long HardwareRegistry::DeleteValue(RegKey, const std::u16string&) { return win::ERROR_ACCESS_DENIED; }
long HardwareRegistry::DeleteTree(RegKey, const std::u16string&) { return win::ERROR_ACCESS_DENIED; }
long HardwareRegistry::EnumKey(RegKey key, std::uint32_t, std::u16string*) {
  return key == kProcessorKey ? win::ERROR_NO_MORE_ITEMS : win::ERROR_INVALID_HANDLE;
}
long HardwareRegistry::EnumValue(RegKey key, std::uint32_t, std::u16string*) {
  return key == kProcessorKey ? win::ERROR_NO_MORE_ITEMS : win::ERROR_INVALID_HANDLE;
}
void HardwareRegistry::CloseKey(RegKey) {}

// ---- Shell -------------------------------------------------------------------------------------

namespace {

// Any result above 32 says the program was started.
constexpr std::intptr_t kShellSuccess = 42;

}  // namespace

std::u16string PosixShell::SpecialFolder(int csidl) {
  const char* folder = nullptr;
  switch (csidl) {
    case win::CSIDL_DESKTOPDIRECTORY:
      folder = g_get_user_special_dir(G_USER_DIRECTORY_DESKTOP);
      break;
    case win::CSIDL_PERSONAL:
      folder = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS);
      break;
    case win::CSIDL_PROFILE:
      folder = g_get_home_dir();
      break;
    default:
      break;
  }
  return folder && folder[0] == '/' ? FromUtf8(folder) : u"";
}

std::u16string PosixShell::KnownFolderPath(KnownFolder known) {
  const char* folder = known == KnownFolder::kDownloads ? g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD) : nullptr;
  return folder && folder[0] == '/' ? FromUtf8(folder) : u"";
}

std::intptr_t PosixShell::Execute(WindowHandle, const std::u16string&, const std::u16string& file,
                                  const std::u16string& parameters, const std::u16string& directory, int) {
  if (file.empty()) return win::SE_ERR_FNF;
  const std::string name = ToUtf8(file);
  const std::string folder = directory.empty() ? std::string() : ToUtf8(directory);
  std::vector<std::string> argv;
  if (name.front() == '/' && ::access(name.c_str(), X_OK) == 0) {
    argv.push_back(name);
  } else if (name.front() != '/' && name.find("://") == std::string::npos && !FindOnPath(name).empty()) {
    argv.push_back(name);
  }
  if (!argv.empty()) {
    if (!parameters.empty()) {
      gchar** split = nullptr;
      if (!g_shell_parse_argv(ToUtf8(parameters).c_str(), nullptr, &split, nullptr)) return win::SE_ERR_FNF;
      for (gchar** p = split; *p; ++p) argv.push_back(*p);
      g_strfreev(split);
    }
  } else {
    // A document or an address: the desktop's handler opens it.
    if (name.front() == '/' && ::access(name.c_str(), F_OK) != 0) return win::SE_ERR_FNF;
    if (name.front() != '/' && name.find("://") == std::string::npos) return win::SE_ERR_FNF;
    argv = {"xdg-open", name};
  }
  return SpawnDetached(argv, folder) ? kShellSuccess : win::SE_ERR_FNF;
}

std::u16string PosixShell::ResolveShortcut(const std::u16string&) { return u""; }

std::string FindOnPath(const std::string& program) {
  if (program.empty() || program.find('/') != std::string::npos) return {};
  const char* path = ::getenv("PATH");
  std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = folders.substr(start, end - start);
    start = end + 1;
    if (folder.empty() || folder.front() != '/') continue;
    const std::string candidate = folder + "/" + program;
    struct stat info {};
    if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0) {
      return candidate;
    }
  }
  return {};
}

bool SpawnDetached(const std::vector<std::string>& argv, const std::string& directory) {
  if (argv.empty()) return false;
  const std::string program = argv[0].front() == '/' ? argv[0] : FindOnPath(argv[0]);
  if (program.empty()) return false;
  std::vector<gchar*> arguments;
  arguments.push_back(const_cast<gchar*>(program.c_str()));
  for (std::size_t i = 1; i < argv.size(); ++i) arguments.push_back(const_cast<gchar*>(argv[i].c_str()));
  arguments.push_back(nullptr);
  GPid child = 0;
  GError* error = nullptr;
  // Without G_SPAWN_DO_NOT_REAP_CHILD GLib reaps the child itself; stdin comes from /dev/null so
  // that a started program never reads the launcher's terminal.
  const gboolean started = g_spawn_async(directory.empty() ? nullptr : directory.c_str(), arguments.data(), nullptr,
                                         G_SPAWN_STDIN_FROM_DEV_NULL, nullptr, nullptr, &child, &error);
  if (error) g_error_free(error);
  return started;
}

// ---- Processes ---------------------------------------------------------------------------------

PosixProcesses::PosixProcesses(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) arguments_.push_back(FromUtf8(argv[i] ? argv[i] : ""));
}

std::vector<std::u16string> PosixProcesses::Arguments() { return arguments_; }

bool PosixProcesses::Start(const ProcessStart& start) {
  if (start.command_line.empty()) return false;
  gchar** split = nullptr;
  if (!g_shell_parse_argv(ToUtf8(start.command_line).c_str(), nullptr, &split, nullptr)) return false;
  std::vector<std::string> argv;
  for (gchar** p = split; *p; ++p) argv.push_back(*p);
  g_strfreev(split);
  return SpawnDetached(argv, ToUtf8(start.current_directory));
}

bool PosixProcesses::Snapshot(std::vector<ProcessEntry>* entries) {
  entries->clear();
  DIR* proc = ::opendir("/proc");
  if (!proc) return false;
  while (const dirent* entry = ::readdir(proc)) {
    char* end = nullptr;
    const unsigned long id = std::strtoul(entry->d_name, &end, 10);
    if (!end || *end != '\0' || id == 0) continue;
    char target[4096];
    const std::string link = std::string("/proc/") + entry->d_name + "/exe";
    const ssize_t length = ::readlink(link.c_str(), target, sizeof(target) - 1);
    std::string name;
    if (length > 0) {
      name.assign(target, static_cast<std::size_t>(length));
      name = name.substr(name.rfind('/') + 1);
    } else {
      std::string comm;
      Descriptor file(::open((std::string("/proc/") + entry->d_name + "/comm").c_str(), O_RDONLY | O_CLOEXEC));
      if (!file.ok() || !ReadUpTo(file.get(), 64, &comm)) continue;
      while (!comm.empty() && comm.back() == '\n') comm.pop_back();
      name = comm;
    }
    entries->push_back({static_cast<std::uint32_t>(id), FromUtf8(name)});
  }
  ::closedir(proc);
  return true;
}

bool PosixProcesses::Terminate(std::uint32_t process_id, std::uint32_t) {
  if (process_id == 0 || process_id == static_cast<std::uint32_t>(::getpid())) return false;
  return ::kill(static_cast<pid_t>(process_id), SIGKILL) == 0;
}

std::uint32_t PosixProcesses::CurrentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

// ---- Clock -------------------------------------------------------------------------------------

LocalTime PosixClock::Now() {
  const time_t seconds = ::time(nullptr);
  struct tm parts {};
  ::localtime_r(&seconds, &parts);
  LocalTime now;
  now.year = parts.tm_year + 1900;
  now.month = parts.tm_mon + 1;
  now.day = parts.tm_mday;
  now.hour = parts.tm_hour;
  now.minute = parts.tm_min;
  now.second = parts.tm_sec;
  return now;
}

std::uint32_t PosixClock::TickCount() {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

void PosixClock::Sleep(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// ---- Machine -----------------------------------------------------------------------------------

bool PosixMachine::NewGuid(std::uint8_t guid[16]) {
  Descriptor random(::open("/dev/urandom", O_RDONLY | O_CLOEXEC));
  std::string bytes;
  if (!random.ok() || !ReadUpTo(random.get(), 16, &bytes) || bytes.size() != 16) return false;
  std::memcpy(guid, bytes.data(), 16);
  // A version 4 (random) identifier in memory order: Data3's high nibble, then the variant.
  guid[7] = static_cast<std::uint8_t>((guid[7] & 0x0F) | 0x40);
  guid[8] = static_cast<std::uint8_t>((guid[8] & 0x3F) | 0x80);
  return true;
}

namespace {

// The interfaces' addresses of one family, in interface order.
template <typename Take>
void ForEachInterfaceAddress(int family, Take take) {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return;
  std::vector<std::pair<unsigned, const ifaddrs*>> found;
  for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
    if (!entry->ifa_addr || entry->ifa_addr->sa_family != family || (entry->ifa_flags & IFF_LOOPBACK)) continue;
    found.push_back({::if_nametoindex(entry->ifa_name), entry});
  }
  std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [index, entry] : found) take(*entry);
  ::freeifaddrs(list);
}

}  // namespace

std::u16string PosixMachine::ComputerName() {
  char name[256] = {};
  if (::gethostname(name, sizeof(name) - 1) != 0) return u"";
  std::string text(name);
  const auto dot = text.find('.');
  if (dot != std::string::npos) text.resize(dot);
  // The computer's short name as Windows keeps it: at most 15 characters, in capitals.
  if (text.size() > 15) text.resize(15);
  return UpperAscii(FromUtf8(text));
}

std::vector<std::uint32_t> PosixMachine::ResolveHostIPv4(const std::u16string& host_name) {
  std::vector<std::uint32_t> addresses;
  // The own name resolves, as on Windows, to the addresses of the machine's interfaces; the
  // name service often knows it only as a loopback address.
  if (!host_name.empty() && EqualsIgnoreCaseAscii(host_name, ComputerName())) {
    ForEachInterfaceAddress(AF_INET, [&](const ifaddrs& entry) {
      if (!(entry.ifa_flags & IFF_UP)) return;
      const std::uint32_t value = reinterpret_cast<const sockaddr_in*>(entry.ifa_addr)->sin_addr.s_addr;
      if (std::find(addresses.begin(), addresses.end(), value) == addresses.end()) addresses.push_back(value);
    });
    if (!addresses.empty()) return addresses;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (host_name.empty() || ::getaddrinfo(ToUtf8(host_name).c_str(), nullptr, &hints, &found) != 0) return addresses;
  for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
    const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
    const std::uint32_t value = address->sin_addr.s_addr;
    if (std::find(addresses.begin(), addresses.end(), value) == addresses.end()) addresses.push_back(value);
  }
  ::freeaddrinfo(found);
  return addresses;
}

#ifdef VKR_X86
bool PosixMachine::CpuidAvailable() { return __get_cpuid_max(0, nullptr) != 0; }

CpuidRegisters PosixMachine::Cpuid(std::uint32_t leaf) {
  CpuidRegisters registers;
  __cpuid_count(leaf, 0, registers.eax, registers.ebx, registers.ecx, registers.edx);
  return registers;
}

// Every x86-64 processor has SSE, and the system enables it.
bool PosixMachine::SseExecutes() { return true; }

std::uint64_t PosixMachine::TimeStampCounter() { return __rdtsc(); }
#else
// Without CPUID the probe finds no processor figures, as on a Windows processor without it.
bool PosixMachine::CpuidAvailable() { return false; }
CpuidRegisters PosixMachine::Cpuid(std::uint32_t) { return CpuidRegisters(); }
bool PosixMachine::SseExecutes() { return false; }
std::uint64_t PosixMachine::TimeStampCounter() {
  struct timespec now {};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
}
#endif

bool PosixMachine::PerformanceCounter(std::int64_t* value) {
  struct timespec now {};
  if (::clock_gettime(CLOCK_MONOTONIC, &now) != 0) return false;
  *value = static_cast<std::int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
  return true;
}

bool PosixMachine::PerformanceFrequency(std::int64_t* frequency) {
  *frequency = 1000000000;
  return true;
}

std::int32_t PosixMachine::GetCurrentThreadPriority() { return 0; }

// Raising a thread's priority needs rights a player's session does not have; the probe's
// measurement runs at the normal priority.
bool PosixMachine::SetCurrentThreadPriority(std::int32_t priority) { return priority == 0; }

bool PosixMachine::GetProcessAffinity(std::uint32_t* process_mask, std::uint32_t* system_mask) {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof(set), &set) != 0) return false;
  std::uint32_t mask = 0;
  for (int cpu = 0; cpu < 32; ++cpu) {
    if (CPU_ISSET(cpu, &set)) mask |= 1u << cpu;
  }
  const long online = ::sysconf(_SC_NPROCESSORS_CONF);
  std::uint32_t all = 0;
  for (long cpu = 0; cpu < online && cpu < 32; ++cpu) all |= 1u << cpu;
  *process_mask = mask;
  *system_mask = all | mask;
  return true;
}

bool PosixMachine::SetProcessAffinity(std::uint32_t process_mask) {
  if (process_mask == 0) return false;
  cpu_set_t set;
  CPU_ZERO(&set);
  for (int cpu = 0; cpu < 32; ++cpu) {
    if (process_mask & (1u << cpu)) CPU_SET(cpu, &set);
  }
  return ::sched_setaffinity(0, sizeof(set), &set) == 0;
}

SystemInfo PosixMachine::GetSystemInfo() {
  SystemInfo info;
#if defined(__x86_64__)
  info.processor_architecture = win::PROCESSOR_ARCHITECTURE_AMD64;
#elif defined(__i386__)
  info.processor_architecture = win::PROCESSOR_ARCHITECTURE_INTEL;
#else
  info.processor_architecture = win::PROCESSOR_ARCHITECTURE_UNKNOWN;
#endif
  const long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
  info.number_of_processors = processors > 0 ? static_cast<std::uint32_t>(processors) : 1;
  return info;
}

bool PosixMachine::GlobalMemoryStatus(MemoryStatus* status) {
  struct sysinfo info {};
  if (::sysinfo(&info) != 0) return false;
  status->total_physical = static_cast<std::uint64_t>(info.totalram) * info.mem_unit;
  status->available_physical = static_cast<std::uint64_t>(info.freeram + info.bufferram) * info.mem_unit;
  return true;
}

bool PosixMachine::GetVersionRecord(OsVersionRecord*) { return false; }
bool PosixMachine::GetProductInfo(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t*) {
  return false;
}
std::uint32_t PosixMachine::GetVersion() { return 0; }
AdminMembership PosixMachine::CheckAdministratorsMembership() { return AdminMembership::kFunctionMissing; }
bool PosixMachine::AdministratorsGroupAttributes(std::vector<std::uint32_t>*) { return false; }
DeviceHandle PosixMachine::OpenDevice(const std::u16string&, std::uint32_t, std::uint32_t) { return kNoDevice; }
bool PosixMachine::DeviceControl(DeviceHandle, std::uint32_t, const void*, std::uint32_t, void*, std::uint32_t) {
  return false;
}
void PosixMachine::CloseDevice(DeviceHandle) {}
bool PosixMachine::AdapterAddresses(std::vector<std::vector<std::uint8_t>>* addresses) {
  addresses->clear();
  ifaddrs* probe = nullptr;
  if (::getifaddrs(&probe) != 0) return false;
  ::freeifaddrs(probe);
  ForEachInterfaceAddress(AF_PACKET, [&](const ifaddrs& entry) {
    const auto* link = reinterpret_cast<const sockaddr_ll*>(entry.ifa_addr);
    // At most the 8 bytes the adapter list holds; an interface without a hardware address (a
    // tunnel, a point-to-point link) is no adapter.
    const std::size_t length = std::min<std::size_t>(link->sll_halen, 8);
    std::vector<std::uint8_t> address(link->sll_addr, link->sll_addr + length);
    if (std::any_of(address.begin(), address.end(), [](std::uint8_t byte) { return byte != 0; })) {
      addresses->push_back(std::move(address));
    }
  });
  return true;
}

std::u16string PosixMachine::FromAnsiCodePage(const std::string& bytes) { return FromUtf8(bytes); }

bool PosixMachine::OsReleaseText(std::string* text) {
  *text = ReadSmallFile("/etc/os-release", 64 * 1024);
  if (text->empty()) *text = ReadSmallFile("/usr/lib/os-release", 64 * 1024);
  return true;
}

bool PosixMachine::SystemDiskSerial(std::u16string* serial) {
  unsigned major = 0;
  unsigned minor = 0;
  *serial = RootDeviceNumber(&major, &minor) ? FromUtf8(DiskSerial(major, minor)) : u"";
  return true;
}

namespace {

std::string TrimmedPrintable(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  const std::string value = text.substr(first, last - first + 1);
  for (const char c : value) {
    if (c < 0x20 || c >= 0x7F) return {};
  }
  return value;
}

std::string RealPath(const std::string& path) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (!resolved) return {};
  std::string result = resolved;
  ::free(resolved);
  return result;
}

// The first entry of a folder by name, or empty.
std::string FirstEntry(const std::string& folder) {
  DIR* directory = ::opendir(folder.c_str());
  if (!directory) return {};
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(directory)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) names.push_back(entry->d_name);
  }
  ::closedir(directory);
  return names.empty() ? std::string() : *std::min_element(names.begin(), names.end());
}

}  // namespace

bool RootDeviceNumber(unsigned* major, unsigned* minor) {
  struct stat root {};
  if (::stat("/", &root) == 0 && ::major(root.st_dev) != 0) {
    *major = ::major(root.st_dev);
    *minor = ::minor(root.st_dev);
    return true;
  }
  // A file system without a device number of its own (btrfs, a union): the device its mount
  // names, the last mount of "/" being the one in sight.
  const std::string table = ReadSmallFile("/proc/self/mountinfo", 1024 * 1024);
  std::string source;
  for (const std::string& line : Split(table, '\n')) {
    const std::vector<std::string> fields = Split(line, ' ');
    const auto separator = std::find(fields.begin(), fields.end(), "-");
    if (fields.size() > 4 && fields[4] == "/" && separator != fields.end() && separator + 2 < fields.end()) {
      source = *(separator + 2);
    }
  }
  struct stat device {};
  if (source.rfind("/dev/", 0) != 0 || ::stat(source.c_str(), &device) != 0 || !S_ISBLK(device.st_mode)) return false;
  *major = ::major(device.st_rdev);
  *minor = ::minor(device.st_rdev);
  return true;
}

std::string DiskSerial(unsigned major, unsigned minor, const std::string& sys, const std::string& udev_data) {
  std::string folder = RealPath(sys + "/dev/block/" + std::to_string(major) + ":" + std::to_string(minor));
  // Down to the disk: a mapped or assembled device's first member, a partition's disk.
  for (int depth = 0; depth < 8 && !folder.empty(); ++depth) {
    const std::string member = FirstEntry(folder + "/slaves");
    if (member.empty()) break;
    folder = RealPath(folder + "/slaves/" + member);
  }
  if (folder.empty()) return {};
  struct stat partition {};
  if (::stat((folder + "/partition").c_str(), &partition) == 0) folder = folder.substr(0, folder.rfind('/'));

  std::string number = ReadSmallFile(folder + "/dev", 64);
  while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
  if (!number.empty()) {
    const std::string record = ReadSmallFile(udev_data + "/b" + number, 64 * 1024);
    const std::string key = "E:ID_SERIAL_SHORT=";
    for (const std::string& line : Split(record, '\n')) {
      if (line.compare(0, key.size(), key) != 0) continue;
      const std::string serial = TrimmedPrintable(line.substr(key.size()));
      if (!serial.empty()) return serial;
      break;
    }
  }
  for (const char* name : {"/serial", "/device/serial"}) {
    const std::string serial = TrimmedPrintable(ReadSmallFile(folder + name, 4096));
    if (!serial.empty()) return serial;
  }
  // The unit serial number page: a 4-byte header whose last byte is the serial's length.
  const std::string page = ReadSmallFile(folder + "/device/vpd_pg80", 4096);
  if (page.size() > 4 && static_cast<unsigned char>(page[1]) == 0x80) {
    const std::size_t length = std::min<std::size_t>(static_cast<unsigned char>(page[3]), page.size() - 4);
    return TrimmedPrintable(page.substr(4, length));
  }
  return {};
}

// ---- Desktop -----------------------------------------------------------------------------------

namespace {

std::string BaseFolder(const char* variable, const char* below_home) {
  const char* value = ::getenv(variable);
  if (value && value[0] == '/') return value;
  const char* home = ::getenv("HOME");
  return home && home[0] == '/' ? std::string(home) + below_home : std::string();
}

std::string WithoutTrailingSlashes(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// The launcher's folder below a base folder.
std::string Below(const std::string& base, const char* folder) { return base.empty() ? base : base + folder; }

constexpr char kProgramFolder[] = "/velqo/vkr";

}  // namespace

std::string DataHomeFrom(const char* xdg_data_home, const char* home) {
  if (xdg_data_home && xdg_data_home[0] == '/') return WithoutTrailingSlashes(xdg_data_home);
  if (home && home[0] == '/') return WithoutTrailingSlashes(home) + "/.local/share";
  return {};
}

std::string XdgDataHome() { return DataHomeFrom(::getenv("XDG_DATA_HOME"), ::getenv("HOME")); }
std::string XdgCacheHome() { return WithoutTrailingSlashes(BaseFolder("XDG_CACHE_HOME", "/.cache")); }
std::string XdgConfigHome() { return WithoutTrailingSlashes(BaseFolder("XDG_CONFIG_HOME", "/.config")); }

std::string LauncherDataFolder() { return Below(XdgDataHome(), kProgramFolder); }
std::string LauncherWebDataFolder() { return Below(LauncherDataFolder(), "/web"); }
std::string LauncherCacheFolder() { return Below(XdgCacheHome(), kProgramFolder); }

std::vector<std::uint32_t> ProcessesSharingData(const std::string& program_name, const std::string& data_home) {
  std::vector<std::uint32_t> copies;
  if (program_name.empty() || data_home.empty()) return copies;
  DIR* proc = ::opendir("/proc");
  if (!proc) return copies;
  const pid_t self = ::getpid();
  const uid_t user = ::getuid();
  while (const dirent* entry = ::readdir(proc)) {
    char* end = nullptr;
    const unsigned long id = std::strtoul(entry->d_name, &end, 10);
    if (!end || *end != '\0' || id == 0 || id == static_cast<unsigned long>(self)) continue;
    const std::string folder = std::string("/proc/") + entry->d_name;
    struct stat owner {};
    if (::stat(folder.c_str(), &owner) != 0 || owner.st_uid != user) continue;
    char target[PATH_MAX];
    const ssize_t length = ::readlink((folder + "/exe").c_str(), target, sizeof(target) - 1);
    if (length <= 0) continue;
    std::string program(target, static_cast<std::size_t>(length));
    // A program file replaced by an upgrade while it runs is still the same program.
    const std::string deleted = " (deleted)";
    if (program.size() > deleted.size() &&
        program.compare(program.size() - deleted.size(), deleted.size(), deleted) == 0) {
      program.resize(program.size() - deleted.size());
    }
    if (program.substr(program.rfind('/') + 1) != program_name) continue;
    // The environment it started with: its data home, as it computes it.
    const std::string environment = ReadSmallFile(folder + "/environ", 1024 * 1024);
    std::string xdg_data_home;
    std::string home;
    bool has_xdg = false;
    bool has_home = false;
    for (const std::string& variable : Split(environment, '\0')) {
      if (variable.rfind("XDG_DATA_HOME=", 0) == 0) {
        xdg_data_home = variable.substr(14);
        has_xdg = true;
      } else if (variable.rfind("HOME=", 0) == 0) {
        home = variable.substr(5);
        has_home = true;
      }
    }
    if (DataHomeFrom(has_xdg ? xdg_data_home.c_str() : nullptr, has_home ? home.c_str() : nullptr) == data_home) {
      copies.push_back(static_cast<std::uint32_t>(id));
    }
  }
  ::closedir(proc);
  return copies;
}

std::u16string XdgDesktop::DataDir() {
  const std::string folder = LauncherDataFolder();
  if (folder.empty()) return u"";
  files_->CreateDirectories(FromUtf8(folder));
  return FromUtf8(folder) + u"/";
}

std::u16string XdgDesktop::LoginSkinPath() {
  // Beside the program in the build folder; in <prefix>/share/vkr when installed.
  const std::u16string folder = ExtractFilePath(files_->ModulePath());
  const std::u16string beside = folder + u"Skin/loginBack.png";
  if (files_->FileExists(beside) || folder.size() < 2) return beside;
  const std::u16string prefix = ExtractFilePath(folder.substr(0, folder.size() - 1));
  const std::u16string installed = prefix + u"share/vkr/Skin/loginBack.png";
  return files_->FileExists(installed) ? installed : beside;
}

std::u16string XdgDesktop::AutostartEntryPath() {
  const std::string config = XdgConfigHome();
  return config.empty() ? u"" : FromUtf8(config + "/autostart/vkr.desktop");
}

std::vector<std::u16string> XdgDesktop::BrowserDataFolders() {
  std::vector<std::u16string> folders;
  for (const std::string& folder : {LauncherWebDataFolder(), LauncherCacheFolder()}) {
    if (!folder.empty()) folders.push_back(FromUtf8(folder));
  }
  return folders;
}

std::vector<std::uint32_t> XdgDesktop::OtherCopies() {
  return ProcessesSharingData(ToUtf8(ExtractFileName(files_->ModulePath())), XdgDataHome());
}

void XdgDesktop::OpenUrl(WindowHandle, const std::u16string& url) {
  // The address is one argument of its own: nothing in it can reach a shell.
  if (!url.empty()) SpawnDetached({"xdg-open", ToUtf8(url)});
}

}  // namespace vkr::gtk
