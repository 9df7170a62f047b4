#include "uninstall/un_install.h"

#include <string>
#include <utility>
#include <vector>

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
    win::CSIDL_MYPICTURES,
    win::CSIDL_PROFILE,
    win::CSIDL_SYSTEMX86,
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

// The program folders the shell numbers: in a 32-bit process on a 64-bit system these are the
// "(x86)" ones; the 64-bit ones come from the registry's 64-bit view.
constexpr int kProgramFolderNumbers[] = {
    win::CSIDL_PROGRAM_FILES,
    win::CSIDL_PROGRAM_FILESX86,
    win::CSIDL_PROGRAM_FILES_COMMON,
    win::CSIDL_PROGRAM_FILES_COMMONX86,
};
constexpr char16_t kCurrentVersionPath[] = u"Software\\Microsoft\\Windows\\CurrentVersion";
constexpr const char16_t* kProgramFolderValues[] = {u"ProgramFilesDir", u"CommonFilesDir"};

// A known folder, and where it lies below the profile when the shell cannot name it.
struct UserDataFolder {
  KnownFolder folder;
  const char16_t* below_profile;
};
constexpr UserDataFolder kUserDataFolders[] = {
    {KnownFolder::kDownloads, u"Downloads"},
    {KnownFolder::kSavedGames, u"Saved Games"},
    {KnownFolder::kLinks, u"Links"},
    {KnownFolder::kLocalAppDataLow, u"AppData\\LocalLow"},
};

constexpr char16_t kInstallLocationValue[] = u"InstallLocation";
// Enough for any machine; an uninstall key listing more is read this far.
constexpr std::uint32_t kMaxUninstallEntries = 65536;

// The subfolders the launcher itself fills; a program in any other is another's.
constexpr const char16_t* kOwnSubfolders[] = {u"Skin", u"Upgrade"};
// A folder holding more than this is looked through no further and taken as holding a program.
constexpr int kMaxScannedEntries = 20000;

std::u16string OwnFileName() { return ExtractFileName(Sys().files->ModulePath()); }

bool IsDotEntry(const std::u16string& name) { return name == u"." || name == u".."; }

std::u16string Fold(const std::u16string& text) { return Sys().files->UpperCaseFileName(text); }

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsDriveStep(const std::u16string& step) {
  return step.size() == 2 && step[1] == u':' &&
         ((step[0] >= u'A' && step[0] <= u'Z') || (step[0] >= u'a' && step[0] <= u'z'));
}

// A path taken apart into the steps that name its folder, in the spelling given: the root ("C:"
// or "\\server\share") and the folders below it. Separators may be "\" or "/"; the "\\?\",
// "\\.\" and "\??\" prefixes go, and so do the steps that name the same folder another way: empty
// and "." steps, a ".." step with the step before it (never the root), and trailing dots and
// blanks of every step. The system drops trailing dots and blanks only in some places; dropping
// them everywhere can only make more folders compare equal to a shared one, which keeps more,
// never less. Not valid for a relative path or a device path that names no drive or share.
struct PathSteps {
  bool valid = false;
  std::u16string root;
  std::vector<std::u16string> steps;

  // The path of the root and the first `count` steps.
  std::u16string Join(std::size_t count) const {
    std::u16string path = root;
    for (std::size_t i = 0; i < count && i < steps.size(); ++i) path += u"\\" + steps[i];
    return path;
  }
};

PathSteps SplitPath(const std::u16string& path) {
  std::vector<std::u16string> raw;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    raw.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  // raw: the texts between separators; a path that begins with two separators has two empty
  // texts first.
  PathSteps result;
  std::size_t next = 0;
  const bool two_separators = raw.size() >= 3 && raw[0].empty() && raw[1].empty();
  bool unc = false;
  if (two_separators && (raw[2] == u"?" || raw[2] == u".")) {
    // "\\?\C:\..." or "\\?\UNC\server\share\...", and the same with ".".
    if (raw.size() >= 4 && EqualsIgnoreCaseAscii(raw[3], u"UNC")) {
      unc = true;
      next = 4;
    } else {
      next = 3;
    }
  } else if (two_separators) {
    unc = true;
    next = 2;
  } else if (raw.size() >= 2 && raw[0].empty() && raw[1] == u"??") {
    next = 2;  // "\??\C:\..."
  }
  if (unc) {
    if (raw.size() < next + 2 || raw[next].empty() || raw[next + 1].empty()) return result;
    result.root = u"\\\\" + raw[next] + u"\\" + raw[next + 1];
    next += 2;
  } else {
    if (raw.size() <= next || !IsDriveStep(raw[next])) return result;
    result.root = raw[next];
    next += 1;
  }
  for (std::size_t i = next; i < raw.size(); ++i) {
    std::u16string step = raw[i];
    if (step == u"..") {
      if (!result.steps.empty()) result.steps.pop_back();
      continue;
    }
    while (!step.empty() && (step.back() == u'.' || step.back() == u' ')) step.pop_back();
    if (!step.empty()) result.steps.push_back(step);
  }
  result.valid = true;
  return result;
}

// The form in which two paths of one folder compare equal: its steps joined with "\" and
// upper-cased by the system's rule. Empty for a path that is not valid.
std::u16string FolderKey(const PathSteps& steps, std::size_t count) {
  return steps.valid ? Fold(steps.Join(count)) : std::u16string();
}
std::u16string FolderKey(const std::u16string& path) {
  const PathSteps steps = SplitPath(path);
  return FolderKey(steps, steps.steps.size());
}

bool IsOrAbove(const std::u16string& key, const std::u16string& other) {
  return key == other || StartsWith(other, key + u"\\");
}
bool IsInside(const std::u16string& key, const std::u16string& other) { return StartsWith(key, other + u"\\"); }

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
// The interpreter reads a batch in the console's OEM code page, so the batch is written in it;
// ASCII forms (the path itself, then its short form) come first, as they read the same in every
// code page, then a form that the OEM code page holds exactly.
std::u16string BatchSafePath(const std::u16string& path) {
  if (path.empty()) return u"";
  const std::u16string short_path = Sys().files->ShortPath(path);
  if (IsAscii(path)) return path;
  if (!short_path.empty() && IsAscii(short_path)) return short_path;
  std::string bytes;
  if (Sys().files->EncodeOem(path, &bytes)) return path;
  if (!short_path.empty() && Sys().files->EncodeOem(short_path, &bytes)) return short_path;
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

// Appends the long form of `path` when it names a folder at all.
void AddFolder(std::vector<std::u16string>* folders, const std::u16string& path) {
  if (!path.empty()) folders->push_back(LongFormOrSelf(path));
}

// The special folder without a trailing separator; empty when the shell cannot name it.
std::u16string SpecialFolderPath(int csidl) {
  return ExcludeTrailingBackslash(TextBeforeNul(Sys().shell->SpecialFolder(csidl)));
}

// A text value (REG_SZ, or REG_EXPAND_SZ as stored) cut at its first zero; empty otherwise.
std::u16string ReadText(RegKey key, const std::u16string& name) {
  std::uint32_t type = win::REG_NONE;
  std::vector<std::uint8_t> data;
  if (Sys().registry->QueryValue(key, name, &type, &data) != win::ERROR_SUCCESS) return u"";
  if (type != win::REG_SZ && type != win::REG_EXPAND_SZ) return u"";
  return TextBeforeNul(FromUtf16LeBytes(data));
}

// An install location as installers write it: blanks around it and one pair of quotation marks
// go.
std::u16string CleanLocation(const std::u16string& text) {
  std::u16string location = Trim(text);
  if (location.size() >= 2 && location.front() == u'"' && location.back() == u'"') {
    location = Trim(location.substr(1, location.size() - 2));
  }
  return location;
}

// The install locations of the uninstall entries under `root` in the view that `view` selects,
// but the launcher's own entry.
void AddInstallLocations(RegKey root, std::uint32_t view, std::vector<std::u16string>* folders) {
  Registry& registry = *Sys().registry;
  ScopedRegKey uninstall;
  if (registry.OpenKey(root, kUninstallKeyPath, win::KEY_READ | view, uninstall.out()) != win::ERROR_SUCCESS) return;
  const std::u16string own = Fold(kUninstallKeyName);
  for (std::uint32_t index = 0; index < kMaxUninstallEntries; ++index) {
    std::u16string name;
    const long result = registry.EnumKey(uninstall.get(), index, &name);
    if (result == win::ERROR_NO_MORE_ITEMS) break;
    if (result != win::ERROR_SUCCESS || Fold(name) == own) continue;
    ScopedRegKey entry;
    if (registry.OpenKey(uninstall.get(), name, win::KEY_QUERY_VALUE | view, entry.out()) != win::ERROR_SUCCESS) {
      continue;
    }
    AddFolder(folders, CleanLocation(ReadText(entry.get(), kInstallLocationValue)));
  }
}

bool HasExeExtension(const std::u16string& name) {
  const std::u16string upper = Fold(name);
  return upper.size() > 4 && upper.compare(upper.size() - 4, 4, u".EXE") == 0;
}

bool IsOwnSubfolder(const std::u16string& name) {
  const std::u16string upper = Fold(name);
  for (const char16_t* own : kOwnSubfolders) {
    if (upper == Fold(own)) return true;
  }
  return false;
}

// True when the tree below `folder` holds a program file, or cannot be looked through within
// the depth and the budget of entries. Links are not followed: what they point to lies outside.
bool TreeHoldsProgram(const std::u16string& folder, int depth, int* budget) {
  std::vector<FileEntry> entries;
  if (depth >= kMaxTreeDepth || !Sys().files->List(IncludeTrailingBackslash(folder) + u"*", &entries)) return true;
  for (const FileEntry& entry : entries) {
    if (IsDotEntry(entry.name)) continue;
    if (--*budget < 0) return true;
    if (entry.attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) continue;
    const std::u16string path = IncludeTrailingBackslash(folder) + entry.name;
    if (entry.attributes & win::FILE_ATTRIBUTE_DIRECTORY) {
      if (TreeHoldsProgram(path, depth + 1, budget)) return true;
    } else if (HasExeExtension(entry.name)) {
      return true;
    }
  }
  return false;
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

// The folder with its trailing separator: "/" for a desktop's paths, which begin with one (no
// Windows path the launcher names does), "\" otherwise.
std::u16string FolderPrefix(const std::u16string& folder) {
  if (!folder.empty() && folder.front() == u'/') return folder.back() == u'/' ? folder : folder + u'/';
  return IncludeTrailingBackslash(folder);
}

void DeleteTree(const std::u16string& folder, int depth) {
  Files& files = *Sys().files;
  std::vector<FileEntry> entries;
  const std::u16string prefix = FolderPrefix(folder);
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

SharedFolders CollectSharedFolders() {
  SharedFolders shared;
  for (const int number : kProtectedFolderNumbers) AddFolder(&shared.special, SpecialFolderPath(number));
  AddFolder(&shared.special, ExcludeTrailingBackslash(Sys().files->TempFolder()));

  for (const int number : kProgramFolderNumbers) AddFolder(&shared.programs, SpecialFolderPath(number));
  {
    ScopedRegKey current_version;
    if (Sys().registry->OpenKey(win::HKEY_LOCAL_MACHINE, kCurrentVersionPath,
                                win::KEY_QUERY_VALUE | win::KEY_WOW64_64KEY,
                                current_version.out()) == win::ERROR_SUCCESS) {
      for (const char16_t* value : kProgramFolderValues) {
        AddFolder(&shared.programs, ExcludeTrailingBackslash(ReadText(current_version.get(), value)));
      }
    }
  }
  AddFolder(&shared.programs, Sys().shell->KnownFolderPath(KnownFolder::kUserProgramFiles));
  const std::u16string local_app_data = SpecialFolderPath(win::CSIDL_LOCAL_APPDATA);
  if (!local_app_data.empty()) AddFolder(&shared.programs, local_app_data + u"\\Programs");

  const std::u16string profile = SpecialFolderPath(win::CSIDL_PROFILE);
  shared.profile = profile.empty() ? profile : LongFormOrSelf(profile);
  for (const UserDataFolder& folder : kUserDataFolders) {
    const std::u16string path = Sys().shell->KnownFolderPath(folder.folder);
    if (!path.empty()) {
      AddFolder(&shared.user_data, path);
    } else if (!profile.empty()) {
      AddFolder(&shared.user_data, profile + u"\\" + folder.below_profile);
    }
  }

  AddInstallLocations(win::HKEY_LOCAL_MACHINE, win::KEY_WOW64_32KEY, &shared.other_programs);
  AddInstallLocations(win::HKEY_LOCAL_MACHINE, win::KEY_WOW64_64KEY, &shared.other_programs);
  AddInstallLocations(win::HKEY_CURRENT_USER, 0, &shared.other_programs);
  return shared;
}

FolderRemoval JudgeFolder(const std::u16string& folder, const SharedFolders& shared) {
  const PathSteps steps = SplitPath(folder);
  if (!steps.valid || steps.steps.empty()) return FolderRemoval::kOwnFiles;
  const std::u16string key = FolderKey(steps, steps.steps.size());
  const std::u16string parent = FolderKey(steps, steps.steps.size() - 1);
  if (key.empty()) return FolderRemoval::kOwnFiles;
  // Keys of the folders in a list; a path that names no folder counts for nothing.
  const auto keys_of = [](const std::vector<std::u16string>& folders) {
    std::vector<std::u16string> keys;
    for (const std::u16string& other : folders) {
      std::u16string other_key = FolderKey(other);
      if (!other_key.empty()) keys.push_back(std::move(other_key));
    }
    return keys;
  };
  const std::vector<std::u16string> special = keys_of(shared.special);
  const std::vector<std::u16string> programs = keys_of(shared.programs);
  const std::vector<std::u16string> user_data = keys_of(shared.user_data);
  const std::vector<std::u16string> others = keys_of(shared.other_programs);
  const std::u16string profile = FolderKey(shared.profile);

  for (const auto* list : {&special, &programs, &user_data}) {
    for (const std::u16string& other : *list) {
      if (IsOrAbove(key, other)) return FolderRemoval::kOwnFiles;
    }
  }
  if (!profile.empty() && (IsOrAbove(key, profile) || parent == profile)) return FolderRemoval::kOwnFiles;
  for (const std::u16string& program_folder : programs) {
    if (parent == program_folder) return FolderRemoval::kOwnFilesThenEmptyFolder;
  }
  for (const std::u16string& other : user_data) {
    if (IsInside(key, other)) return FolderRemoval::kOwnFilesThenEmptyFolder;
  }
  for (const std::u16string& other : others) {
    if (IsOrAbove(key, other)) return FolderRemoval::kOwnFilesThenEmptyFolder;
  }
  return FolderRemoval::kWhole;
}

bool PathHasLink(const std::u16string& folder) {
  const PathSteps steps = SplitPath(folder);
  if (!steps.valid) return true;
  // The root itself is a drive or a share; a volume mounted in a folder is a reparse point there.
  for (std::size_t count = steps.steps.size(); count > 0; --count) {
    std::uint32_t attributes = 0;
    if (!Sys().files->GetAttributes(steps.Join(count), &attributes)) return true;
    if (attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) return true;
  }
  return false;
}

bool HoldsAnotherProgram(const std::u16string& folder) {
  std::vector<FileEntry> entries;
  if (!Sys().files->List(IncludeTrailingBackslash(folder) + u"*", &entries)) return true;
  int budget = kMaxScannedEntries;
  for (const FileEntry& entry : entries) {
    if (IsDotEntry(entry.name)) continue;
    if (--budget < 0) return true;
    const bool directory = (entry.attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!directory || (entry.attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) || IsOwnSubfolder(entry.name)) continue;
    if (TreeHoldsProgram(IncludeTrailingBackslash(folder) + entry.name, 1, &budget)) return true;
  }
  return false;
}

std::u16string BuildSelfDeleteBatch(const std::u16string& exe, const std::u16string& folder, FolderRemoval removal,
                                    const std::u16string& ping) {
  if (!IsBatchQuotable(exe) || !IsBatchQuotable(folder) || !IsBatchQuotable(ping)) return std::u16string();
  const std::u16string exe_quoted = BatchQuoted(exe);
  const std::u16string own = folder + u"\\";
  // Delayed expansion, when the system turns it on for every interpreter, would read "!" in a
  // path as a variable.
  std::vector<std::u16string> lines = {u"@setlocal DisableDelayedExpansion", u"@echo off", u"set /a vkr_tries=0",
                                       u":try", u"del /q /f " + exe_quoted};
  if (removal == FolderRemoval::kWhole) {
    lines.push_back(u"rmdir /s /q " + BatchQuoted(folder));
  } else {
    // Only what the launcher itself put there; a folder goes only when it has become empty.
    lines.push_back(u"del /q /f " + BatchQuoted(own + u"Skin\\loginBack.png"));
    lines.push_back(u"rmdir " + BatchQuoted(own + u"Skin"));
    lines.push_back(u"del /q /f " + BatchQuoted(own + u"Upgrade\\IconAnimate_Update.exe"));
    lines.push_back(u"rmdir " + BatchQuoted(own + u"Upgrade"));
    lines.push_back(u"del /q /f " + BatchQuoted(own + u"Viziv_Ezadariz.exe"));
    if (removal == FolderRemoval::kOwnFilesThenEmptyFolder) lines.push_back(u"rmdir " + BatchQuoted(folder));
  }
  lines.push_back(u"if not exist " + exe_quoted + u" goto done");
  lines.push_back(u"set /a vkr_tries+=1");
  lines.push_back(u"if %vkr_tries% geq " + ToText(kMaxBatchTries) + u" goto done");
  // About one second: the program is still ending. By its full path, so that no "ping" in the
  // current folder or on the search path runs instead.
  lines.push_back(BatchQuoted(ping) + u" -n 2 127.0.0.1 >nul");
  lines.push_back(u"goto try");
  lines.push_back(u":done");
  lines.push_back(u"del \"%~f0\"");
  std::u16string text;
  for (const std::u16string& line : lines) text += line + u"\r\n";
  return text;
}

ProcessStart SelfDeleteBatchStart(const std::u16string& batch) {
  ProcessStart start;
  // Quoted, so that a temporary folder with blanks (a user name with a blank) still names the file.
  start.command_line = u"\"" + batch + u"\"";
  start.creation_flags = win::IDLE_PRIORITY_CLASS;
  start.hidden = true;
  // Not the launcher's current folder, which is its own folder when it was started from there:
  // the interpreter would hold it open and the folder could not be removed.
  start.current_directory = ExtractFilePath(batch);
  return start;
}

bool StartSelfDeleteBatch() {
  Files& files = *Sys().files;
  const std::u16string exe = files.ModulePath();
  const std::u16string folder = ExcludeTrailingBackslash(ExtractFilePath(exe));
  const std::u16string batch = IncludeTrailingBackslash(files.TempFolder()) + kSelfDeleteBatchName;

  // Without the long form the folder cannot be told apart from a shared one: keep it.
  const std::u16string long_folder = files.LongPath(folder);
  FolderRemoval removal =
      long_folder.empty() ? FolderRemoval::kOwnFiles : JudgeFolder(long_folder, CollectSharedFolders());
  // Through a link the folder may be any other folder: only the launcher's own files go.
  if (removal != FolderRemoval::kOwnFiles && PathHasLink(long_folder)) removal = FolderRemoval::kOwnFiles;
  if (removal == FolderRemoval::kWhole && HoldsAnotherProgram(long_folder)) {
    removal = FolderRemoval::kOwnFilesThenEmptyFolder;
  }

  const std::u16string system = SpecialFolderPath(win::CSIDL_SYSTEM);
  const std::u16string ping = system.empty() ? std::u16string() : BatchSafePath(system + u"\\ping.exe");
  const std::u16string batch_exe = BatchSafePath(exe);
  const std::u16string text =
      batch_exe.empty() || ping.empty()
          ? std::u16string()
          : BuildSelfDeleteBatch(batch_exe, ExcludeTrailingBackslash(ExtractFilePath(batch_exe)), removal, ping);
  std::string bytes;
  if (text.empty() || !files.EncodeOem(text, &bytes)) {
    ShowBatchError(kBatchPathErrorText + folder);
    return false;
  }
  if (!files.WriteFile(batch, bytes)) {
    ShowBatchError(kBatchWriteErrorText + batch);
    return false;
  }
  Sys().processes->Start(SelfDeleteBatchStart(batch));
  return true;
}

bool IsDirectoryEmpty(const std::u16string& folder) {
  std::vector<FileEntry> entries;
  if (!Sys().files->List(FolderPrefix(folder) + u"*", &entries)) return true;
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
