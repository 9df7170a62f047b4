// The uninstall mode: after the user confirms, ends the other running copies and the icon
// companion, removes the shortcuts (with their taskbar pins), the program-group folder, the
// registry entries and lander.ini, and starts a hidden batch file that removes the program once
// the process has ended.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace vkr {

inline constexpr char16_t kUninstallCaption[] = u"卸载提示";
inline constexpr char16_t kUninstallQuestion[] = u"您确定要卸载VelqoMorvane吗？";
inline constexpr char16_t kForceQuitQuestion[] = u"检测到您正在运行 VelqoMorvane，您确定要强制退出并且卸载吗？";
// MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2: OK and Cancel, question icon, Cancel the
// default button. (By value: this header is also included next to the Windows headers.)
inline constexpr std::uint32_t kUninstallQuestionStyle = 0x121;

inline constexpr char16_t kShortcutPattern[] = u"*.lnk";
inline constexpr char16_t kTaskbarUnpinVerb[] = u"taskbarunpin";
inline constexpr char16_t kUninstallKeyPath[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char16_t kUninstallKeyName[] = u"VelqoMorvane";
inline constexpr char16_t kGameGroupFolderName[] = u"VelqoMorvane";
inline constexpr char16_t kSelfDeleteBatchName[] = u"~wzuninstmyself.bat";

// Another copy that does not end at once is asked again after a short pause, a bounded number of
// times; then uninstalling goes on without it.
inline constexpr int kMaxTerminateRounds = 20;
inline constexpr std::uint32_t kTerminatePauseMs = 250;
// The batch tries to delete the program about once a second for at most five minutes.
inline constexpr int kMaxBatchTries = 300;

inline constexpr char16_t kBatchWriteErrorCaption[] = u"错误";

// Runs the whole mode; true when the user confirmed and the steps ran, false when the user
// cancelled (nothing has been changed then).
bool RunUninstall();

// The first process other than this one whose file name equals the file-name part of `name`
// (letters A to Z compared without case); false for an empty name or when none runs.
bool FindOtherProcess(const std::u16string& name, ProcessEntry* entry);
// Ends at most one other process of that name; failures are ignored.
void TerminateOtherProcess(const std::u16string& name);
// Ends every other process of that name that the snapshot shows; failures are ignored.
void TerminateOtherProcesses(const std::u16string& name);

// The target path of a shell link, or empty.
std::u16string ResolveShortcutTarget(const std::u16string& path);
// True when the shortcut's target exists and has the file name `own` (without regard to case).
bool IsLauncherShortcut(const std::u16string& shortcut, const std::u16string& own);
void UnpinFromTaskbar(const std::u16string& shortcut);
void RemoveDesktopShortcuts();
void RemoveStartMenuEntries();
void RemoveRegistryEntries();
void DeleteConfigFile();

// How much of the launcher's folder the batch removes.
enum class FolderRemoval {
  kOwnFiles,                 // only the launcher's own files
  kOwnFilesThenEmptyFolder,  // the launcher's own files, then the folder when nothing else is left
  kWhole,                    // the folder with everything in it
};

// The folders that decide how much of the launcher's folder may go, in their long forms.
struct SharedFolders {
  // Never removed, nor a folder above one: the shell's special folders and the temporary folder.
  std::vector<std::u16string> special;
  // Besides, a folder directly in one is not removed whole (it may be a maker's folder that its
  // programs share): Program Files and its Common Files in both views, and the per-user Programs.
  std::vector<std::u16string> programs;
  // Besides, no folder anywhere in one is removed whole: Downloads, Saved Games, Links,
  // AppData\LocalLow.
  std::vector<std::u16string> user_data;
  // A folder directly in the profile is never removed (not every folder there has a number).
  std::u16string profile;
  // Where other programs are registered as installed: a folder that is one of them, or above
  // one, is not removed whole.
  std::vector<std::u16string> other_programs;
};

// The shared folders of this machine: the shell's folders, the 64-bit program folders from the
// registry's 64-bit view, the known folders, and the install locations of the other uninstall
// entries (per machine in both views, per user).
SharedFolders CollectSharedFolders();
// How much of `folder` may go. Folder names are compared with the system's case rules, in every
// spelling that names the same folder ("/", doubled separators, "\\?\", "\\.\" and "\??\" forms,
// "." and ".." steps, trailing dots and blanks). A drive or share root, a relative path and a
// device path that names no drive get kOwnFiles.
FolderRemoval JudgeFolder(const std::u16string& folder, const SharedFolders& shared);
// True when the folder or a folder above it is a junction, symbolic link or mount point, or
// cannot be looked at.
bool PathHasLink(const std::u16string& folder);
// True when a subfolder other than the launcher's own (Skin, Upgrade) holds a program (.exe) at
// any depth, or when the folder cannot be looked through.
bool HoldsAnotherProgram(const std::u16string& folder);
// The batch text, lines ending in CR LF, for `removal` of `folder`; `ping` is the full path of
// the program that paces its tries. `exe`, `folder` and `ping` are written quoted. Empty when one
// of them holds a quotation mark or a control character, which no Windows path holds.
std::u16string BuildSelfDeleteBatch(const std::u16string& exe, const std::u16string& folder, FolderRemoval removal,
                                    const std::u16string& ping);
// How the batch at `batch` is started: its path quoted as the command line, hidden, at idle
// priority, with the batch's own folder as its current folder, so that the interpreter never
// holds the launcher's folder open.
ProcessStart SelfDeleteBatchStart(const std::u16string& batch);
// Writes the batch into the temporary folder and starts it hidden at idle priority. False when
// the batch could not be written (then nothing was started).
bool StartSelfDeleteBatch();

// True when the folder holds no entry but "." and ".."; a folder that cannot be enumerated counts
// as empty.
bool IsDirectoryEmpty(const std::u16string& folder);
// Deletes the folder's files and subfolders, then the folder when it has become empty. A link
// (junction or symbolic link) is removed as a link and never entered.
void DeleteDirectoryTree(const std::u16string& folder);

}  // namespace vkr
