#include "uninstall/un_install.h"

#include "common/public_config.h"
#include "common/public_unit.h"
#include "common/text.h"
#include "platform/scoped_reg_key.h"
#include "platform/system.h"
#include "platform/win_constants.h"

namespace vkr {
namespace {

static_assert(kUninstallQuestionStyle == (win::MB_OKCANCEL | win::MB_ICONQUESTION | win::MB_DEFBUTTON2));

constexpr char16_t kBatchWriteErrorText[] = u"无法创建卸载批处理文件：";
constexpr char16_t kBatchPathErrorText[] = u"无法自动删除程序文件夹，请手动删除：";

// Deep enough for any tree under MAX_PATH; a deeper one is left in place rather than risking the
// stack.
constexpr int kMaxTreeDepth = 128;

// Every special folder the shell can name that a user keeps files in or the system needs.
constexpr int kProtectedFolderNumbers[] = {
    win::CSIDL_DESKTOP,
    win::CSIDL_PROGRAMS,
    win::CSIDL_PERSONAL,
    win::CSIDL_FAVORITES,
    win::CSIDL_STARTUP,
    win::CSIDL_RECENT,
    win::CSIDL_SENDTO,
    win::CSIDL_STARTMENU,
    win::CSIDL_MYMUSIC,
    win::CSIDL_MYVIDEO,
    win::CSIDL_DESKTOPDIRECTORY,
    win::CSIDL_NETHOOD,
    win::CSIDL_FONTS,
    win::CSIDL_TEMPLATES,
    win::CSIDL_COMMON_STARTMENU,
    win::CSIDL_COMMON_PROGRAMS,
    win::CSIDL_COMMON_STARTUP,
    win::CSIDL_COMMON_DESKTOPDIRECTORY,
    win::CSIDL_APPDATA,
    win::CSIDL_PRINTHOOD,
    win::CSIDL_LOCAL_APPDATA,
    win::CSIDL_COMMON_FAVORITES,
    win::CSIDL_INTERNET_CACHE,
    win::CSIDL_COOKIES,
    win::CSIDL_HISTORY,
    win::CSIDL_COMMON_APPDATA,
    win::CSIDL_WINDOWS,
    win::CSIDL_SYSTEM,
    win::CSIDL_PROGRAM_FILES,
    win::CSIDL_MYPICTURES,
    win::CSIDL_PROFILE,
    win::CSIDL_SYSTEMX86,
    win::CSIDL_PROGRAM_FILESX86,
    win::CSIDL_PROGRAM_FILES_COMMON,
    win::CSIDL_PROGRAM_FILES_COMMONX86,
    win::CSIDL_COMMON_TEMPLATES,
    win::CSIDL_COMMON_DOCUMENTS,
    win::CSIDL_COMMON_ADMINTOOLS,
    win::CSIDL_ADMINTOOLS,
    win::CSIDL_COMMON_MUSIC,
    win::CSIDL_COMMON_PICTURES,
    win::CSIDL_COMMON_VIDEO,
    win::CSIDL_RESOURCES,
    win::CSIDL_CDBURN_AREA,
};

std::u16string OwnFileName() { return ExtractFileName(Sys().files->ModulePath()); }

bool IsDotEntry(const std::u16string& name) { return name == u"." || name == u".."; }

// A path in the form used to compare folders: separators as "\", no "\\?\" prefix, no trailing
// separator, letters A to Z lower-cased, and the steps that name the same folder another way
// taken out: empty and "." steps, a ".." step with the step before it (never the drive or the
// share), and trailing dots and blanks of every step. The system drops trailing dots and blanks
// only in some places; dropping them everywhere can only make more folders compare equal to a
// protected one, which keeps more, never less.
std::u16string FolderKey(const std::u16string& path) {
  std::u16string key = LowerAscii(path);
  for (char16_t& c : key) {
    if (c == u'/') c = u'\\';
  }
  std::u16string prefix;
  std::size_t fixed_steps = 1;  // the drive
  if (StartsWith(key, u"\\\\?\\unc\\")) {
    key = key.substr(8);
    prefix = u"\\\\";
    fixed_steps = 2;  // the server and the share
  } else if (StartsWith(key, u"\\\\?\\")) {
    key = key.substr(4);
  } else if (StartsWith(key, u"\\\\")) {
    key = key.substr(2);
    prefix = u"\\\\";
    fixed_steps = 2;
  }
  std::vector<std::u16string> steps;
  std::size_t start = 0;
  while (start <= key.size()) {
    std::size_t end = key.find(u'\\', start);
    if (end == std::u16string::npos) end = key.size();
    std::u16string step = key.substr(start, end - start);
    start = end + 1;
    if (step == u"..") {
      if (steps.size() > fixed_steps) steps.pop_back();
      continue;
    }
    while (!step.empty() && (step.back() == u'.' || step.back() == u' ')) step.pop_back();
    if (!step.empty()) steps.push_back(step);
  }
  std::u16string folded = prefix;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (i > 0) folded += u'\\';
    folded += steps[i];
  }
  return folded;
}

// A drive ("c:"), a share ("\\server\share") or the server above it, or no folder at all.
bool IsRootKey(const std::u16string& key) {
  if (StartsWith(key, u"\\\\")) {
    const auto server_end = key.find(u'\\', 2);
    if (server_end == std::u16string::npos) return true;
    return key.find(u'\\', server_end + 1) == std::u16string::npos;
  }
  return key.find(u'\\') == std::u16string::npos;
}

std::u16string LongFormOrSelf(const std::u16string& path) {
  const std::u16string long_path = Sys().files->LongPath(path);
  return long_path.empty() ? path : long_path;
}

bool IsAscii(const std::u16string& text) {
  for (const char16_t c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

// The form of a path that the command interpreter reads back from the batch exactly, or empty.
// The interpreter decodes a batch with the console code page, which differs from the ANSI code
// page outside ASCII on some systems, so ASCII forms (the path itself, then its short form) come
// first; a form the ANSI code page holds exactly is next.
std::u16string BatchSafePath(const std::u16string& path) {
  const std::u16string short_path = Sys().files->ShortPath(path);
  if (IsAscii(path)) return path;
  if (!short_path.empty() && IsAscii(short_path)) return short_path;
  std::string bytes;
  if (Sys().files->EncodeAnsi(path, &bytes)) return path;
  if (!short_path.empty() && Sys().files->EncodeAnsi(short_path, &bytes)) return short_path;
  return u"";
}

// False for a path with a quotation mark or a control character: no Windows path holds one, and
// inside the batch it would end the quotation or the line.
bool IsBatchQuotable(const std::u16string& path) {
  for (const char16_t c : path) {
    if (c < 0x20 || c == u'"') return false;
  }
  return true;
}

// A path inside quotation marks, with "%" doubled so that the interpreter does not expand it.
std::u16string BatchQuoted(const std::u16string& path) {
  std::u16string quoted = u"\"";
  for (const char16_t c : path) {
    quoted += c;
    if (c == u'%') quoted += u'%';
  }
  return quoted + u"\"";
}

void ShowBatchError(const std::u16string& text) {
  Sys().ui->MessageBox(kNoWindow, text, kBatchWriteErrorCaption, win::MB_ICONERROR);
}

void RemoveLauncherShortcuts(const std::u16string& folder, bool unpin) {
  // "\" alone: the shell could not name the folder, and the drive's root is not it.
  if (folder.size() <= 1) return;
  const std::u16string own = OwnFileName();
  std::vector<FileEntry> entries;
  if (!Sys().files->List(folder + kShortcutPattern, &entries)) return;
  for (const FileEntry& entry : entries) {
    if (entry.attributes & win::FILE_ATTRIBUTE_DIRECTORY) continue;
    const std::u16string path = folder + entry.name;
    if (!IsLauncherShortcut(path, own)) continue;
    if (unpin) UnpinFromTaskbar(path);
    Sys().files->DeleteFile(path);
  }
}

void DeleteTree(const std::u16string& folder, int depth) {
  Files& files = *Sys().files;
  std::vector<FileEntry> entries;
  const std::u16string prefix = IncludeTrailingBackslash(folder);
  if (depth < kMaxTreeDepth && files.List(prefix + u"*", &entries)) {
    for (const FileEntry& entry : entries) {
      if (IsDotEntry(entry.name)) continue;
      const std::u16string path = prefix + entry.name;
      const bool directory = (entry.attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
      if (entry.attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) {
        // A junction or symbolic link: what it points to is not part of this tree.
        directory ? files.RemoveDirectory(path) : files.DeleteFile(path);
      } else if (directory) {
        DeleteTree(path, depth + 1);
      } else {
        files.DeleteFile(path);
      }
    }
  }
  if (IsDirectoryEmpty(folder)) files.RemoveDirectory(folder);
}

}  // namespace

bool FindOtherProcess(const std::u16string& name, ProcessEntry* entry) {
  *entry = ProcessEntry();
  if (name.empty()) return false;
  const std::u16string target = LowerAscii(ExtractFileName(name));
  const std::uint32_t self = Sys().processes->CurrentProcessId();
  std::vector<ProcessEntry> processes;
  if (!Sys().processes->Snapshot(&processes)) return false;
  for (const ProcessEntry& process : processes) {
    if (process.process_id != self && LowerAscii(process.exe_file) == target) {
      *entry = process;
      return true;
    }
  }
  return false;
}

void TerminateOtherProcess(const std::u16string& name) {
  ProcessEntry entry;
  if (!FindOtherProcess(name, &entry)) return;
  if (entry.process_id != 0 && entry.process_id != Sys().processes->CurrentProcessId()) {
    Sys().processes->Terminate(entry.process_id, 0);
  }
}

void TerminateOtherProcesses(const std::u16string& name) {
  if (name.empty()) return;
  const std::u16string target = LowerAscii(ExtractFileName(name));
  const std::uint32_t self = Sys().processes->CurrentProcessId();
  std::vector<ProcessEntry> processes;
  if (!Sys().processes->Snapshot(&processes)) return;
  for (const ProcessEntry& process : processes) {
    if (process.process_id != 0 && process.process_id != self && LowerAscii(process.exe_file) == target) {
      Sys().processes->Terminate(process.process_id, 0);
    }
  }
}

std::u16string ResolveShortcutTarget(const std::u16string& path) { return Sys().shell->ResolveShortcut(path); }

bool IsLauncherShortcut(const std::u16string& shortcut, const std::u16string& own) {
  const std::u16string target = ResolveShortcutTarget(shortcut);
  return !target.empty() && Sys().files->FileExists(target) && LowerAscii(ExtractFileName(target)) == LowerAscii(own);
}

void UnpinFromTaskbar(const std::u16string& shortcut) {
  Sys().shell->Execute(kNoWindow, kTaskbarUnpinVerb, shortcut, u"", u"", win::SW_SHOWNORMAL);
}

void RemoveDesktopShortcuts() { RemoveLauncherShortcuts(GetDesktopFolder(), true); }

void RemoveStartMenuEntries() {
  RemoveLauncherShortcuts(GetStartMenuFolder(true), false);
  for (const bool per_user : {true, false}) {
    const std::u16string group = GetProgramsGroupFolder(per_user);
    const std::u16string game = group + kGameGroupFolderName;
    if (Sys().files->DirectoryExists(game)) DeleteDirectoryTree(game);
    const std::u16string group_folder = ExcludeTrailingBackslash(group);
    if (IsDirectoryEmpty(group_folder)) DeleteDirectoryTree(group_folder);
  }
}

void RemoveRegistryEntries() {
  Registry& registry = *Sys().registry;
  {
    ScopedRegKey run;
    if (registry.OpenKey(win::HKEY_CURRENT_USER, kRunKeyPath, win::KEY_QUERY_VALUE | win::KEY_SET_VALUE, run.out()) ==
        win::ERROR_SUCCESS) {
      std::uint32_t type = 0;
      std::vector<std::uint8_t> data;
      if (registry.QueryValue(run.get(), kApplicationTitle, &type, &data) == win::ERROR_SUCCESS) {
        registry.DeleteValue(run.get(), kApplicationTitle);
      }
    }
  }
  ScopedRegKey uninstall;
  if (registry.OpenKey(win::HKEY_LOCAL_MACHINE, kUninstallKeyPath, win::KEY_ALL_ACCESS, uninstall.out()) !=
      win::ERROR_SUCCESS) {
    return;
  }
  bool registered = false;
  {
    ScopedRegKey game;
    registered = registry.OpenKey(uninstall.get(), kUninstallKeyName, win::KEY_READ, game.out()) == win::ERROR_SUCCESS;
  }
  if (registered) registry.DeleteTree(uninstall.get(), kUninstallKeyName);
}

void DeleteConfigFile() {
  const std::u16string path = GetConfigPath();
  if (Sys().files->FileExists(path)) Sys().files->DeleteFile(path);
}

std::vector<std::u16string> ProtectedFolders() {
  std::vector<std::u16string> folders;
  for (const int number : kProtectedFolderNumbers) {
    const std::u16string folder = Sys().shell->SpecialFolder(number);
    if (!folder.empty()) folders.push_back(LongFormOrSelf(folder));
  }
  const std::u16string temp = Sys().files->TempFolder();
  if (!temp.empty()) folders.push_back(LongFormOrSelf(temp));
  return folders;
}

bool IsDedicatedFolder(const std::u16string& folder, const std::vector<std::u16string>& protected_folders,
                       const std::u16string& profile) {
  const std::u16string key = FolderKey(folder);
  if (key.empty() || IsRootKey(key)) return false;
  for (const std::u16string& protected_folder : protected_folders) {
    const std::u16string other = FolderKey(protected_folder);
    if (other.empty()) continue;
    if (key == other || StartsWith(other, key + u"\\")) return false;
  }
  const std::u16string profile_key = FolderKey(profile);
  return profile_key.empty() || FolderKey(ExtractFilePath(key)) != profile_key;
}

std::u16string BuildSelfDeleteBatch(const std::u16string& exe, const std::u16string& folder, bool whole_folder) {
  if (!IsBatchQuotable(exe) || !IsBatchQuotable(folder)) return std::u16string();
  const std::u16string exe_quoted = BatchQuoted(exe);
  const std::u16string own = folder + u"\\";
  std::vector<std::u16string> lines = {u"@echo off", u"set /a vkr_tries=0", u":try", u"del /q /f " + exe_quoted};
  if (whole_folder) {
    lines.push_back(u"rmdir /s /q " + BatchQuoted(folder));
  } else {
    // Only what the launcher itself put there; a folder goes only when it has become empty.
    lines.push_back(u"del /q /f " + BatchQuoted(own + u"Skin\\loginBack.png"));
    lines.push_back(u"rmdir " + BatchQuoted(own + u"Skin"));
    lines.push_back(u"del /q /f " + BatchQuoted(own + u"Upgrade\\IconAnimate_Update.exe"));
    lines.push_back(u"rmdir " + BatchQuoted(own + u"Upgrade"));
    lines.push_back(u"del /q /f " + BatchQuoted(own + u"Viziv_Ezadariz.exe"));
  }
  lines.push_back(u"if not exist " + exe_quoted + u" goto done");
  lines.push_back(u"set /a vkr_tries+=1");
  lines.push_back(u"if %vkr_tries% geq " + ToText(kMaxBatchTries) + u" goto done");
  // About one second: the program is still ending.
  lines.push_back(u"ping -n 2 127.0.0.1 >nul");
  lines.push_back(u"goto try");
  lines.push_back(u":done");
  lines.push_back(u"del \"%~f0\"");
  std::u16string text;
  for (const std::u16string& line : lines) text += line + u"\r\n";
  return text;
}

bool StartSelfDeleteBatch() {
  Files& files = *Sys().files;
  const std::u16string exe = files.ModulePath();
  const std::u16string folder = ExcludeTrailingBackslash(ExtractFilePath(exe));
  const std::u16string batch = IncludeTrailingBackslash(files.TempFolder()) + kSelfDeleteBatchName;

  // Without the long form the folder cannot be told apart from a protected one: keep it.
  const std::u16string long_folder = files.LongPath(folder);
  const bool whole_folder =
      !long_folder.empty() && IsDedicatedFolder(long_folder, ProtectedFolders(),
                                                LongFormOrSelf(Sys().shell->SpecialFolder(win::CSIDL_PROFILE)));

  const std::u16string batch_exe = BatchSafePath(exe);
  const std::u16string text =
      batch_exe.empty()
          ? std::u16string()
          : BuildSelfDeleteBatch(batch_exe, ExcludeTrailingBackslash(ExtractFilePath(batch_exe)), whole_folder);
  std::string bytes;
  if (text.empty() || !files.EncodeAnsi(text, &bytes)) {
    ShowBatchError(kBatchPathErrorText + folder);
    return false;
  }
  if (!files.WriteFile(batch, bytes)) {
    ShowBatchError(kBatchWriteErrorText + batch);
    return false;
  }
  ProcessStart start;
  // Quoted, so that a temporary folder with blanks (a user name with a blank) still names the file.
  start.command_line = u"\"" + batch + u"\"";
  start.creation_flags = win::IDLE_PRIORITY_CLASS;
  start.hidden = true;
  Sys().processes->Start(start);
  return true;
}

bool IsDirectoryEmpty(const std::u16string& folder) {
  std::vector<FileEntry> entries;
  if (!Sys().files->List(IncludeTrailingBackslash(folder) + u"*", &entries)) return true;
  for (const FileEntry& entry : entries) {
    if (!IsDotEntry(entry.name)) return false;
  }
  return true;
}

void DeleteDirectoryTree(const std::u16string& folder) {
  if (folder.empty()) return;
  std::uint32_t attributes = 0;
  if (Sys().files->GetAttributes(folder, &attributes) && (attributes & win::FILE_ATTRIBUTE_REPARSE_POINT)) {
    Sys().files->RemoveDirectory(folder);
    return;
  }
  DeleteTree(folder, 0);
}

bool RunUninstall() {
  Ui& ui = *Sys().ui;
  if (ui.MessageBox(kNoWindow, kUninstallQuestion, kUninstallCaption, kUninstallQuestionStyle) != win::IDOK) {
    return false;
  }
  const std::u16string own = OwnFileName();
  ProcessEntry other;
  if (FindOtherProcess(own, &other)) {
    if (ui.MessageBox(kNoWindow, kForceQuitQuestion, kUninstallCaption, kUninstallQuestionStyle) != win::IDOK) {
      return false;
    }
    // Termination does not wait for the process to end: scan again after a pause.
    for (int round = 0; round < kMaxTerminateRounds; ++round) {
      if (round > 0) Sys().clock->Sleep(kTerminatePauseMs);
      if (!FindOtherProcess(own, &other)) break;
      TerminateOtherProcesses(own);
    }
  }
  TerminateOtherProcess(ExtractFileName(GetAnimatePath()));
  RemoveDesktopShortcuts();
  RemoveStartMenuEntries();
  RemoveRegistryEntries();
  DeleteConfigFile();
  StartSelfDeleteBatch();
  return true;
}

}  // namespace vkr
