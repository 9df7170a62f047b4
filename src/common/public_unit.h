// Shell and system helpers shared by the windows, the update worker, the statistics manager and
// the uninstaller. None keeps state of its own. Folder paths end with "\".
#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include "platform/types.h"

namespace vkr {

// The Run key under HKEY_CURRENT_USER, relative to the root.
inline constexpr char16_t kRunKeyPath[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char16_t kProgramsGroupName[] = u"Velqo游戏中心";

// The largest companion updater the launcher accepts.
inline constexpr std::uint64_t kMaxDownloadBytes = 64ull * 1024 * 1024;
// A download (the companion updater, the installer) is abandoned when fewer than this many bytes
// arrived in the last kDownloadWindowMs; a slow one that keeps moving goes on.
inline constexpr std::uint32_t kDownloadMinBytes = 1024;
inline constexpr std::uint32_t kDownloadWindowMs = 30000;

// Raised by IsVersionLower for a component that is not a decimal integer.
class VersionFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void OpenUrlInIE(WindowHandle owner, const std::u16string& url);

// The Run command: "<DataDir><LanderExeName>.exe" /autorun
std::u16string RunCommand();
void AddAutoRun(const std::u16string& value_name);
bool HasAutoRun();
void RemoveAutoRun(const std::u16string& value_name);

std::u16string GetSpecialFolder(int csidl);
std::u16string GetDesktopFolder();
std::u16string GetStartMenuFolder(bool per_user);
std::u16string GetProgramsGroupFolder(bool per_user);
std::u16string GetDataDir();
std::u16string GetConfigPath();
// The folder of the running program, with its trailing separator.
std::u16string GetLauncherFolder();
std::u16string GetLoginSkinPath();
std::u16string GetAnimatePath();

std::u16string GetFileVersionString();
// True when `local` is older than `remote`, component by component; false when the component
// counts differ. Throws VersionFormatError for a component that is not a decimal integer.
bool IsVersionLower(const std::u16string& local, const std::u16string& remote);
std::u16string ExtractServerName(const std::u16string& url);
std::u16string BuildPaySelectUrl();
std::u16string BuildLoginPaySelectUrl();

// True when the file begins with the "MZ" signature of a Windows program.
bool IsWindowsProgramFile(const std::u16string& path);
// Downloads a Windows program to `target` through a side file, so that a failed or refused
// download leaves an earlier file in place: `target` is replaced only when the answer is
// successful and complete, begins with "MZ" and passes `accept` (when given, on the side file).
// Each receive waits at most read_timeout_ms, and a download that stops moving is abandoned
// (kDownloadMinBytes per kDownloadWindowMs). The side file is `partial`, or target + ".part"
// when that is empty.
bool DownloadProgram(const std::u16string& url, const std::u16string& target, std::uint32_t read_timeout_ms,
                     std::uint64_t max_bytes, const std::function<bool(const std::u16string&)>& accept = nullptr,
                     const std::u16string& partial = u"");
// Starts a downloaded program as a new process group at normal priority, without waiting for it,
// in `current_directory` (empty: the launcher's own current folder).
bool StartDownloadedProgram(const std::u16string& path, const std::u16string& current_directory = u"");
void UpgradeAnimateIcon();

}  // namespace vkr
