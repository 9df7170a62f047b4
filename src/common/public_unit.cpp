#include "common/public_unit.h"

#include <vector>

#include "common/desktop_entry.h"
#include "common/public_config.h"
#include "common/text.h"
#include "platform/scoped_reg_key.h"
#include "platform/system.h"
#include "platform/win_constants.h"

namespace vkr {
namespace {

bool OpenRunKey(ScopedRegKey* key) {
  return Sys().registry->CreateKey(win::HKEY_CURRENT_USER, kRunKeyPath, win::KEY_ALL_ACCESS, key->out()) ==
         win::ERROR_SUCCESS;
}

bool ValueExists(RegKey key, const std::u16string& name) {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  return Sys().registry->QueryValue(key, name, &type, &data) == win::ERROR_SUCCESS;
}

constexpr std::uint32_t kDownloadReadTimeoutMs = 10000;

}  // namespace

void OpenUrlInIE(WindowHandle owner, const std::u16string& url) {
  if (Sys().desktop) {
    Sys().desktop->OpenUrl(owner, url);
    return;
  }
  // The address is one argument of the browser's command line: quoted, with any quotation mark
  // or control character in it encoded so that it cannot end the argument or the line.
  const std::u16string argument = u"\"" + PercentEncode(url, [](char16_t c) { return c == u'"' || c < 0x20; }) + u"\"";
  const std::intptr_t result = Sys().shell->Execute(owner, u"open", u"IExplore.EXE", argument, u"", win::SW_SHOWNORMAL);
  if (result <= 32) {
    Sys().shell->Execute(owner, u"", url, u"", u"", win::SW_SHOWNORMAL);
  }
}

std::u16string RunCommand() { return u"\"" + GetDataDir() + LanderExeName + u".exe\" /autorun"; }

void AddAutoRun(const std::u16string& value_name) {
  // The desktop's autostart entry has a name of its own; the value name is the Run key's.
  if (Sys().desktop) return AddAutostartEntry();
  const std::u16string command = RunCommand();
  const std::u16string name = value_name.empty() ? ApplicationTitle : value_name;
  ScopedRegKey key;
  if (!OpenRunKey(&key) || ValueExists(key.get(), name)) return;
  Sys().registry->SetValue(key.get(), name, win::REG_SZ, ToUtf16LeBytes(command, true));
}

bool HasAutoRun() {
  if (Sys().desktop) return HasAutostartEntry();
  ScopedRegKey key;
  return OpenRunKey(&key) && ValueExists(key.get(), ApplicationTitle);
}

void RemoveAutoRun(const std::u16string& value_name) {
  if (Sys().desktop) return RemoveAutostartEntry();
  ScopedRegKey key;
  if (OpenRunKey(&key) && ValueExists(key.get(), value_name)) {
    Sys().registry->DeleteValue(key.get(), value_name);
  }
}

std::u16string GetSpecialFolder(int csidl) {
  return IncludeTrailingBackslash(TextBeforeNul(Sys().shell->SpecialFolder(csidl)));
}

std::u16string GetDesktopFolder() { return GetSpecialFolder(win::CSIDL_DESKTOPDIRECTORY); }

std::u16string GetStartMenuFolder(bool per_user) {
  return GetSpecialFolder(per_user ? win::CSIDL_STARTMENU : win::CSIDL_COMMON_STARTMENU);
}

std::u16string GetProgramsGroupFolder(bool per_user) {
  const std::u16string folder =
      GetSpecialFolder(per_user ? win::CSIDL_PROGRAMS : win::CSIDL_COMMON_PROGRAMS) + kProgramsGroupName;
  Sys().files->CreateDirectories(folder);
  return IncludeTrailingBackslash(folder);
}

std::u16string GetDataDir() {
  if (Sys().desktop) return Sys().desktop->DataDir();
  const std::u16string folder = GetSpecialFolder(win::CSIDL_COMMON_APPDATA) + u"Velqo\\vkr";
  Sys().files->CreateDirectories(folder);
  return IncludeTrailingBackslash(folder);
}

std::u16string GetConfigPath() { return GetDataDir() + kConfigFileName; }

std::u16string GetLauncherFolder() { return ExtractFilePath(Sys().files->ModulePath()); }

std::u16string GetLoginSkinPath() {
  if (Sys().desktop) return Sys().desktop->LoginSkinPath();
  return GetLauncherFolder() + u"Skin\\loginBack.png";
}

std::u16string GetAnimatePath() { return GetDataDir() + u"vkr" + u"Animate.exe"; }

std::u16string GetFileVersionString() {
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
  if (!Sys().files->FileVersion(Sys().files->ModulePath(), &ms, &ls)) return u"0.0.0.0";
  return ToText(ms >> 16) + u"." + ToText(ms & 0xFFFF) + u"." + ToText(ls >> 16) + u"." + ToText(ls & 0xFFFF);
}

namespace {

std::vector<std::u16string> SplitVersion(const std::u16string& text) {
  std::vector<std::u16string> parts;
  std::size_t i = 0;
  while (i <= text.size()) {
    while (i < text.size() && text[i] == u' ') ++i;
    const auto dot = text.find(u'.', i);
    const std::size_t end = dot == std::u16string::npos ? text.size() : dot;
    if (end > i) parts.push_back(text.substr(i, end - i));
    if (dot == std::u16string::npos) break;
    i = dot + 1;
  }
  return parts;
}

std::int64_t VersionComponent(const std::u16string& text) {
  // Wider than 32 bits so that a long component compares instead of wrapping.
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  if (i >= text.size()) throw VersionFormatError("version component is not a number");
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < u'0' || text[i] > u'9') throw VersionFormatError("version component is not a number");
    if (value > 0x7FFFFFFF) throw VersionFormatError("version component out of range");
    value = value * 10 + (text[i] - u'0');
  }
  if (value > 0x7FFFFFFF) throw VersionFormatError("version component out of range");
  return negative ? -value : value;
}

}  // namespace

bool IsVersionLower(const std::u16string& local, const std::u16string& remote) {
  const auto local_parts = SplitVersion(local);
  const auto remote_parts = SplitVersion(remote);
  if (local_parts.size() != remote_parts.size()) return false;
  for (std::size_t i = 0; i < local_parts.size(); ++i) {
    const std::int64_t l = VersionComponent(local_parts[i]);
    const std::int64_t r = VersionComponent(remote_parts[i]);
    if (l < r) return true;
    if (l > r) return false;
  }
  return false;
}

std::u16string ExtractServerName(const std::u16string& url) {
  const auto http = url.find(u"http://");
  const auto suffix = url.find(GameServerHostSuffix);
  // 1-based positions, 0 when absent.
  const std::int64_t p = http == std::u16string::npos ? 0 : static_cast<std::int64_t>(http) + 1;
  const std::int64_t q = suffix == std::u16string::npos ? 0 : static_cast<std::int64_t>(suffix) + 1;
  const std::int64_t start = p + 7;
  const std::int64_t length = q - start;
  if (length <= 0) return u"";
  return url.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(length));
}

namespace {

std::u16string FillPaySelectUrl(const std::u16string& server, const std::u16string& user) {
  std::u16string url = ReplaceFirst(PaySelectUrlFormat, u"%s", u"\x0001");
  url = ReplaceFirst(url, u"%s", EncodeUnsafeUrlChars(user));
  // The placeholder keeps a label holding "%s" from being taken for the second field.
  return ReplaceFirst(url, u"\x0001", EncodeUnsafeUrlChars(server));
}

}  // namespace

std::u16string BuildPaySelectUrl() {
  if (GameServerName.empty() || UserName.empty()) return u"";
  return FillPaySelectUrl(GameServerName, UserName);
}

std::u16string BuildLoginPaySelectUrl() {
  if (UserName.empty()) return u"";
  return FillPaySelectUrl(u"", UserName);
}

bool IsWindowsProgramFile(const std::u16string& path) {
  std::string head;
  return Sys().files->ReadFile(path, &head, 2) && head == "MZ";
}

bool DownloadProgram(const std::u16string& url, const std::u16string& target, std::uint32_t read_timeout_ms,
                     std::uint64_t max_bytes, const std::function<bool(const std::u16string&)>& accept,
                     const std::u16string& side_file) {
  const std::u16string partial = side_file.empty() ? target + u".part" : side_file;
  const HttpResult result = Sys().http->GetToFile(
      url, HttpBounds::Download(read_timeout_ms, kDownloadMinBytes, kDownloadWindowMs), max_bytes, partial);
  const bool good = result.Ok() && !result.truncated && IsWindowsProgramFile(partial) && (!accept || accept(partial));
  if (!good || !Sys().files->ReplaceFile(partial, target)) {
    Sys().files->DeleteFile(partial);
    return false;
  }
  return true;
}

bool StartDownloadedProgram(const std::u16string& path, const std::u16string& current_directory) {
  ProcessStart start;
  start.current_directory = current_directory;
  // Quoted, so that a folder with blanks cannot make the system start another program.
  start.command_line = u"\"" + path + u"\"";
  start.creation_flags = win::CREATE_NEW_PROCESS_GROUP | win::NORMAL_PRIORITY_CLASS;
  return Sys().processes->Start(start);
}

void UpgradeAnimateIcon() {
  // Where the package manager updates the launcher, it downloads no Windows program.
  if (Sys().desktop && !Sys().desktop->SelfUpdates()) return;
  // The download goes to a side file beside the program, and the "Upgrade" folder is made only for
  // a good one: a failed download leaves no folder behind.
  const std::u16string launcher = GetLauncherFolder();
  const std::u16string folder = launcher + u"Upgrade";
  const std::u16string file = folder + u"\\IconAnimate_Update.exe";
  const auto make_folder = [&folder](const std::u16string&) { return Sys().files->CreateDirectories(folder); };
  if (DownloadProgram(AnimateIconDownloadUrl, file, kDownloadReadTimeoutMs, kMaxDownloadBytes, make_folder,
                      launcher + u"IconAnimate_Update.exe.part")) {
    StartDownloadedProgram(file);
  }
}

}  // namespace vkr
