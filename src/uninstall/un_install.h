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

// The folders that are never removed whole: every special folder of the shell, the temporary
// folder and the profile, in their long forms.
std::vector<std::u16string> ProtectedFolders();
// True when `folder` belongs to the launcher alone, so that the batch may remove it with
// everything in it: not a drive or share root, none of `protected_folders` nor a parent of one,
// and not a folder directly in `profile` (Downloads, Saved Games, Links, ... have no folder number
// on every system).
bool IsDedicatedFolder(const std::u16string& folder, const std::vector<std::u16string>& protected_folders,
                       const std::u16string& profile);
// The batch text, lines ending in CR LF. With `whole_folder` it removes `folder` with everything
// in it, otherwise only the launcher's own files in it. `exe` and `folder` are written quoted.
std::u16string BuildSelfDeleteBatch(const std::u16string& exe, const std::u16string& folder, bool whole_folder);
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
