#include "uninstall/un_install.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/program.h"
#include "common/text.h"
#include "fakes/fake_system.h"
#include "platform/win_constants.h"

namespace vkr {
namespace {

using testing::FakeRegistry;
using testing::FakeSystem;

constexpr char16_t kTemp[] = u"C:\\Users\\player\\AppData\\Local\\Temp\\";
constexpr char16_t kBatchPath[] = u"C:\\Users\\player\\AppData\\Local\\Temp\\~wzuninstmyself.bat";
constexpr char16_t kDesktop[] = u"C:\\Users\\player\\Desktop\\";
constexpr char16_t kStartMenu[] = u"C:\\Users\\player\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\";
constexpr char16_t kUserGroup[] =
    u"C:\\Users\\player\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Velqo游戏中心";
constexpr char16_t kCommonGroup[] = u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Velqo游戏中心";
constexpr char16_t kRunPath[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char16_t kUninstallPath[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char16_t kLauncher[] = u"C:\\Program Files\\Velqo\\vkr\\vkr.exe";

class UninstallTest : public ::testing::Test {
 protected:
  UninstallTest() {
    system.files.PutDirectory(kTemp);
    system.files.PutDirectory(u"D:\\");
  }

  void PutShortcut(const std::u16string& path, const std::u16string& target) {
    system.files.PutFile(path, "lnk");
    system.shell.shortcuts[LowerAscii(path)] = target;
  }
  // A machine with everything an installation leaves behind.
  void Install() {
    PutShortcut(std::u16string(kDesktop) + u"Morvane.lnk", kLauncher);
    PutShortcut(std::u16string(kStartMenu) + u"Morvane.lnk", kLauncher);
    PutShortcut(std::u16string(kUserGroup) + u"\\VelqoMorvane\\Morvane.lnk", kLauncher);
    system.files.PutFile(FakeSystem::kConfigPath, "[Common]\r\n");
    system.files.PutFile(std::u16string(FakeSystem::kDataDir) + u"vkrAnimate.exe", "MZ");
    system.registry.PutString(win::HKEY_CURRENT_USER, kRunPath, u"VelqoMorvane", u"\"x\" /autorun");
    system.registry.PutString(win::HKEY_LOCAL_MACHINE, std::u16string(kUninstallPath) + u"\\VelqoMorvane",
                              u"DisplayName", u"Morvane");
  }
  void Running(std::uint32_t id, const std::u16string& exe) { system.processes.running.push_back({id, exe}); }
  std::string BatchBytes() const { return system.files.Contents(kBatchPath); }
  std::vector<std::u16string> Executions(const std::u16string& verb) const {
    std::vector<std::u16string> files;
    for (const auto& e : system.shell.executions) {
      if (e.verb == verb) files.push_back(e.file);
    }
    return files;
  }

  FakeSystem system;
};

// The whole visible state of the fake machine, to show that a cancelled run changed nothing.
struct MachineState {
  std::vector<std::u16string> files;
  bool run_value;
  bool uninstall_key;
  bool user_group;
  bool common_group;
  bool operator==(const MachineState& o) const {
    return files == o.files && run_value == o.run_value && uninstall_key == o.uninstall_key &&
           user_group == o.user_group && common_group == o.common_group;
  }
};

MachineState StateOf(FakeSystem& system) {
  return {system.files.AllFiles(), system.registry.HasValue(win::HKEY_CURRENT_USER, kRunPath, u"VelqoMorvane"),
          system.registry.HasKey(win::HKEY_LOCAL_MACHINE, std::u16string(kUninstallPath) + u"\\VelqoMorvane"),
          system.files.DirectoryExists(kUserGroup), system.files.DirectoryExists(kCommonGroup)};
}

TEST_F(UninstallTest, FirstQuestionAnythingButOkChangesNothing) {
  for (const int answer : {win::IDCANCEL, 0, 7 /* IDNO */}) {
    FakeSystem fresh;
    fresh.files.PutDirectory(kTemp);
    fresh.files.PutFile(FakeSystem::kConfigPath, "[Common]");
    fresh.files.PutFile(std::u16string(kDesktop) + u"Morvane.lnk", "lnk");
    fresh.shell.shortcuts[LowerAscii(std::u16string(kDesktop) + u"Morvane.lnk")] = kLauncher;
    fresh.registry.PutString(win::HKEY_CURRENT_USER, kRunPath, u"VelqoMorvane", u"x");
    fresh.processes.running = {{200, u"vkrAnimate.exe"}};
    const MachineState before = StateOf(fresh);
    fresh.ui.answers = {answer};

    EXPECT_FALSE(RunUninstall());

    ASSERT_EQ(fresh.ui.boxes.size(), 1u);
    EXPECT_EQ(fresh.ui.boxes[0].text, u"您确定要卸载VelqoMorvane吗？");
    EXPECT_EQ(fresh.ui.boxes[0].caption, u"卸载提示");
    EXPECT_EQ(fresh.ui.boxes[0].type, 0x121u);
    EXPECT_EQ(fresh.ui.boxes[0].owner, kNoWindow);
    EXPECT_TRUE(StateOf(fresh) == before) << answer;
    EXPECT_TRUE(fresh.processes.terminated.empty());
    EXPECT_TRUE(fresh.processes.started.empty());
    EXPECT_TRUE(fresh.shell.executions.empty());
  }
}

TEST_F(UninstallTest, CancelOnTheSecondQuestionChangesNothing) {
  Install();
  Running(300, u"VKR.EXE");
  const MachineState before = StateOf(system);
  system.ui.answers = {win::IDOK, win::IDCANCEL};

  EXPECT_FALSE(RunUninstall());

  ASSERT_EQ(system.ui.boxes.size(), 2u);
  EXPECT_EQ(system.ui.boxes[1].text, u"检测到您正在运行 VelqoMorvane，您确定要强制退出并且卸载吗？");
  EXPECT_EQ(system.ui.boxes[1].caption, u"卸载提示");
  EXPECT_EQ(system.ui.boxes[1].type, 0x121u);
  EXPECT_TRUE(StateOf(system) == before);
  EXPECT_TRUE(system.processes.terminated.empty());
  EXPECT_TRUE(system.shell.executions.empty());
  EXPECT_TRUE(system.processes.started.empty());
}

TEST_F(UninstallTest, ConfirmedRunRemovesEverythingAndKeepsDataDir) {
  Install();
  system.processes.running = {{100, u"vkr.exe"}, {200, u"vkrAnimate.exe"}};

  EXPECT_TRUE(RunUninstall());

  // Only the first question: no other copy runs (the own id is not another copy).
  EXPECT_EQ(system.ui.boxes.size(), 1u);
  EXPECT_EQ(system.processes.terminated, std::vector<std::uint32_t>{200});
  EXPECT_FALSE(system.files.FileExists(std::u16string(kDesktop) + u"Morvane.lnk"));
  EXPECT_FALSE(system.files.FileExists(std::u16string(kStartMenu) + u"Morvane.lnk"));
  EXPECT_FALSE(system.files.DirectoryExists(kUserGroup));
  EXPECT_FALSE(system.files.DirectoryExists(kCommonGroup));
  EXPECT_FALSE(system.registry.HasValue(win::HKEY_CURRENT_USER, kRunPath, u"VelqoMorvane"));
  EXPECT_FALSE(system.registry.HasKey(win::HKEY_LOCAL_MACHINE, std::u16string(kUninstallPath) + u"\\VelqoMorvane"));
  EXPECT_EQ(system.registry.open_keys(), 0);
  EXPECT_FALSE(system.files.FileExists(FakeSystem::kConfigPath));
  EXPECT_TRUE(system.files.DirectoryExists(FakeSystem::kDataDir));
  EXPECT_TRUE(system.files.FileExists(std::u16string(FakeSystem::kDataDir) + u"vkrAnimate.exe"));
  ASSERT_EQ(system.processes.started.size(), 1u);
  EXPECT_EQ(system.processes.started[0].command_line, u"\"" + std::u16string(kBatchPath) + u"\"");
  EXPECT_EQ(system.processes.started[0].creation_flags, 0x40u);
  EXPECT_TRUE(system.processes.started[0].hidden);
  EXPECT_EQ(system.processes.started[0].current_directory, kTemp);
  EXPECT_FALSE(BatchBytes().empty());
  // The program itself is left to the batch.
  EXPECT_TRUE(system.files.FileExists(kLauncher));
}

TEST_F(UninstallTest, OtherCopiesAreEndedAfterTheSecondQuestion) {
  Running(100, u"vkr.exe");
  Running(301, u"VKR.exe");
  Running(302, u"vkr.exe");
  Running(303, u"notvkr.exe");
  system.ui.answers = {win::IDOK, win::IDOK};

  EXPECT_TRUE(RunUninstall());

  EXPECT_EQ(system.ui.boxes.size(), 2u);
  EXPECT_EQ(system.processes.terminated, (std::vector<std::uint32_t>{301, 302}));
  ASSERT_EQ(system.processes.running.size(), 2u);
  EXPECT_EQ(system.processes.started.size(), 1u);
}

TEST_F(UninstallTest, ACopyThatCannotBeEndedStopsTheLoopAfterItsBound) {
  Running(301, u"vkr.exe");
  Running(302, u"vkr.exe");
  system.processes.unkillable = {301};
  system.ui.answers = {win::IDOK, win::IDOK};

  EXPECT_TRUE(RunUninstall());

  // The killable copy behind the unkillable one is ended too.
  EXPECT_EQ(std::count(system.processes.terminated.begin(), system.processes.terminated.end(), 302u), 1);
  EXPECT_EQ(std::count(system.processes.terminated.begin(), system.processes.terminated.end(), 301u),
            kMaxTerminateRounds);
  EXPECT_EQ(system.clock.sleeps, std::vector<std::uint32_t>(kMaxTerminateRounds - 1, kTerminatePauseMs));
  // Uninstalling went on.
  EXPECT_EQ(system.processes.started.size(), 1u);
}

TEST(FindOtherProcessTest, MatchesTheFileNameWithoutCaseAndSkipsItself) {
  struct Row {
    std::u16string name;
    bool found;
    std::uint32_t id;
  };
  const Row rows[] = {
      {u"", false, 0},
      {u"vkr.exe", true, 5},
      {u"VKR.EXE", true, 5},
      {u"C:\\elsewhere\\Vkr.Exe", true, 5},
      {u"vkrAnimate.exe", true, 7},
      {u"vkr", false, 0},
      {u"other.exe", false, 0},
  };
  for (const Row& row : rows) {
    FakeSystem system;
    system.processes.running = {{100, u"vkr.exe"}, {5, u"VKR.exe"}, {6, u"vkr.exe"}, {7, u"vkranimate.EXE"}};
    ProcessEntry entry{99, u"stale"};
    EXPECT_EQ(FindOtherProcess(row.name, &entry), row.found) << ToUtf8(row.name);
    EXPECT_EQ(entry.process_id, row.id) << ToUtf8(row.name);
  }
}

TEST(FindOtherProcessTest, NoSnapshotFindsNothing) {
  FakeSystem system;
  system.processes.running = {{5, u"vkr.exe"}};
  system.processes.snapshot_fails = true;
  ProcessEntry entry;
  EXPECT_FALSE(FindOtherProcess(u"vkr.exe", &entry));
  TerminateOtherProcess(u"vkr.exe");
  TerminateOtherProcesses(u"vkr.exe");
  EXPECT_TRUE(system.processes.terminated.empty());
}

TEST(TerminateOtherProcessTest, EndsAtMostOneAndNeverProcessZero) {
  FakeSystem system;
  system.processes.running = {{5, u"vkr.exe"}, {6, u"vkr.exe"}};
  TerminateOtherProcess(u"vkr.exe");
  EXPECT_EQ(system.processes.terminated, std::vector<std::uint32_t>{5});

  system.processes.running = {{0, u"vkr.exe"}};
  system.processes.terminated.clear();
  TerminateOtherProcess(u"vkr.exe");
  TerminateOtherProcesses(u"vkr.exe");
  EXPECT_TRUE(system.processes.terminated.empty());
}

TEST_F(UninstallTest, TheShortcutRuleOnTheDesktop) {
  const std::u16string desktop = kDesktop;
  system.files.PutFile(u"D:\\Copy\\VKR.EXE", "MZ");
  PutShortcut(desktop + u"Own.lnk", kLauncher);
  PutShortcut(desktop + u"Copy.lnk", u"D:\\Copy\\VKR.EXE");
  PutShortcut(desktop + u"Missing.lnk", u"D:\\Gone\\vkr.exe");
  PutShortcut(desktop + u"Other.lnk", u"C:\\Windows\\notepad.exe");
  system.files.PutFile(desktop + u"Broken.lnk", "not a link");
  PutShortcut(desktop + u"Sub\\Nested.lnk", kLauncher);
  PutShortcut(u"C:\\Users\\Public\\Desktop\\Common.lnk", kLauncher);
  system.files.PutDirectory(desktop + u"Folder.lnk");
  system.files.PutFile(desktop + u"vkr.exe.txt", "notes");

  RemoveDesktopShortcuts();

  EXPECT_FALSE(system.files.FileExists(desktop + u"Own.lnk"));
  EXPECT_FALSE(system.files.FileExists(desktop + u"Copy.lnk"));
  for (const char16_t* kept : {u"Missing.lnk", u"Other.lnk", u"Broken.lnk", u"Sub\\Nested.lnk", u"vkr.exe.txt"}) {
    EXPECT_TRUE(system.files.FileExists(desktop + kept)) << ToUtf8(kept);
  }
  EXPECT_TRUE(system.files.FileExists(u"C:\\Users\\Public\\Desktop\\Common.lnk"));
  EXPECT_TRUE(system.files.DirectoryExists(desktop + u"Folder.lnk"));
  // Both removed shortcuts were unpinned, and nothing else.
  std::vector<std::u16string> unpinned = Executions(u"taskbarunpin");
  std::sort(unpinned.begin(), unpinned.end());
  EXPECT_EQ(unpinned, (std::vector<std::u16string>{desktop + u"Copy.lnk", desktop + u"Own.lnk"}));
  for (const auto& e : system.shell.executions) {
    EXPECT_EQ(e.owner, kNoWindow);
    EXPECT_EQ(e.parameters, u"");
    EXPECT_EQ(e.directory, u"");
    EXPECT_EQ(e.show, win::SW_SHOWNORMAL);
  }
}

// Records whether the shortcut still existed when it was unpinned.
class UnpinOrderShell : public testing::FakeShell {
 public:
  explicit UnpinOrderShell(Files* files) : files_(files) {}
  std::intptr_t Execute(WindowHandle owner, const std::u16string& verb, const std::u16string& file,
                        const std::u16string& parameters, const std::u16string& directory, int show) override {
    existed_when_unpinned.push_back(files_->FileExists(file));
    return FakeShell::Execute(owner, verb, file, parameters, directory, show);
  }
  std::vector<bool> existed_when_unpinned;

 private:
  Files* files_;
};

TEST_F(UninstallTest, DesktopShortcutsAreUnpinnedBeforeTheyAreDeleted) {
  UnpinOrderShell shell(&system.files);
  shell.shortcuts[LowerAscii(std::u16string(kDesktop) + u"Own.lnk")] = kLauncher;
  system.files.PutFile(std::u16string(kDesktop) + u"Own.lnk", "lnk");
  System installed = Sys();
  installed.shell = &shell;
  InstallSystem(installed);

  RemoveDesktopShortcuts();

  EXPECT_EQ(shell.existed_when_unpinned, std::vector<bool>{true});
  EXPECT_FALSE(system.files.FileExists(std::u16string(kDesktop) + u"Own.lnk"));
}

TEST_F(UninstallTest, StartMenuShortcutsAreDeletedWithoutUnpinningAndSubfoldersAreNotSearched) {
  const std::u16string menu = kStartMenu;
  PutShortcut(menu + u"Morvane.lnk", kLauncher);
  PutShortcut(menu + u"Missing.lnk", u"C:\\Nowhere\\vkr.exe");
  PutShortcut(menu + u"Programs\\Games\\Morvane.lnk", kLauncher);
  PutShortcut(u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Morvane.lnk", kLauncher);

  RemoveStartMenuEntries();

  EXPECT_FALSE(system.files.FileExists(menu + u"Morvane.lnk"));
  EXPECT_TRUE(system.files.FileExists(menu + u"Missing.lnk"));
  EXPECT_TRUE(system.files.FileExists(menu + u"Programs\\Games\\Morvane.lnk"));
  EXPECT_TRUE(system.files.FileExists(u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Morvane.lnk"));
  EXPECT_TRUE(system.shell.executions.empty());
}

TEST_F(UninstallTest, TheGroupFolderGoesOnlyWhenItEndsUpEmpty) {
  const std::u16string user_group = kUserGroup;
  const std::u16string common_group = kCommonGroup;
  PutShortcut(user_group + u"\\VelqoMorvane\\Morvane.lnk", kLauncher);
  system.files.PutFile(user_group + u"\\VelqoMorvane\\Readme.txt", "any file goes");
  system.files.PutFile(user_group + u"\\OtherGame\\Other.lnk", "lnk");
  system.files.PutFile(common_group + u"\\VelqoMorvane\\Deep\\Uninstall.lnk", "lnk");

  RemoveStartMenuEntries();

  EXPECT_FALSE(system.files.DirectoryExists(user_group + u"\\VelqoMorvane"));
  EXPECT_TRUE(system.files.FileExists(user_group + u"\\OtherGame\\Other.lnk"));
  EXPECT_TRUE(system.files.DirectoryExists(user_group));
  EXPECT_FALSE(system.files.DirectoryExists(common_group));
}

TEST_F(UninstallTest, AMissingGroupFolderIsCreatedAndRemovedAgain) {
  ASSERT_FALSE(system.files.DirectoryExists(kUserGroup));

  RemoveStartMenuEntries();

  EXPECT_FALSE(system.files.DirectoryExists(kUserGroup));
  EXPECT_FALSE(system.files.DirectoryExists(kCommonGroup));
  const auto& deleted = system.files.deleted;
  EXPECT_NE(std::find(deleted.begin(), deleted.end(), kUserGroup), deleted.end());
  EXPECT_NE(std::find(deleted.begin(), deleted.end(), kCommonGroup), deleted.end());
}

TEST_F(UninstallTest, RegistryEntriesGoAndOthersStay) {
  Install();
  system.registry.PutString(win::HKEY_CURRENT_USER, kRunPath, u"OtherApp", u"other.exe");
  system.registry.PutString(win::HKEY_LOCAL_MACHINE, std::u16string(kUninstallPath) + u"\\VelqoMorvane\\Sub\\Deeper",
                            u"x", u"y");
  system.registry.PutKey(win::HKEY_LOCAL_MACHINE, std::u16string(kUninstallPath) + u"\\OtherGame");

  RemoveRegistryEntries();

  EXPECT_FALSE(system.registry.HasValue(win::HKEY_CURRENT_USER, kRunPath, u"VelqoMorvane"));
  EXPECT_TRUE(system.registry.HasValue(win::HKEY_CURRENT_USER, kRunPath, u"OtherApp"));
  EXPECT_FALSE(system.registry.HasKey(win::HKEY_LOCAL_MACHINE, std::u16string(kUninstallPath) + u"\\VelqoMorvane"));
  EXPECT_TRUE(system.registry.HasKey(win::HKEY_LOCAL_MACHINE, std::u16string(kUninstallPath) + u"\\OtherGame"));
  EXPECT_EQ(system.registry.open_keys(), 0);
}

TEST_F(UninstallTest, MissingRegistryKeysAreNeitherCreatedNorAnError) {
  RemoveRegistryEntries();
  EXPECT_FALSE(system.registry.HasKey(win::HKEY_CURRENT_USER, kRunPath));
  EXPECT_FALSE(system.registry.HasKey(win::HKEY_LOCAL_MACHINE, kUninstallPath));
  for (const auto& request : system.registry.requests) EXPECT_FALSE(request.create);
  EXPECT_EQ(system.registry.open_keys(), 0);

  // Keys present, the entries not.
  system.registry.PutKey(win::HKEY_CURRENT_USER, kRunPath);
  system.registry.PutKey(win::HKEY_LOCAL_MACHINE, kUninstallPath);
  RemoveRegistryEntries();
  EXPECT_TRUE(system.registry.HasKey(win::HKEY_LOCAL_MACHINE, kUninstallPath));
  EXPECT_EQ(system.registry.open_keys(), 0);
}

TEST_F(UninstallTest, WithoutAdministratorRightsTheRegistrationStaysAndTheRestGoesOn) {
  Install();
  system.registry.RestrictAccess(win::HKEY_LOCAL_MACHINE, kUninstallPath, win::KEY_READ);

  EXPECT_TRUE(RunUninstall());

  EXPECT_TRUE(system.registry.HasKey(win::HKEY_LOCAL_MACHINE, std::u16string(kUninstallPath) + u"\\VelqoMorvane"));
  EXPECT_FALSE(system.registry.HasValue(win::HKEY_CURRENT_USER, kRunPath, u"VelqoMorvane"));
  EXPECT_FALSE(system.files.FileExists(FakeSystem::kConfigPath));
  EXPECT_EQ(system.processes.started.size(), 1u);
  EXPECT_EQ(system.registry.open_keys(), 0);
}

TEST_F(UninstallTest, DeleteConfigFileKeepsDataDirAndTheCompanion) {
  system.files.PutFile(FakeSystem::kConfigPath, "[Common]");
  system.files.PutFile(std::u16string(FakeSystem::kDataDir) + u"vkrAnimate.exe", "MZ");
  DeleteConfigFile();
  EXPECT_FALSE(system.files.FileExists(FakeSystem::kConfigPath));
  EXPECT_TRUE(system.files.FileExists(std::u16string(FakeSystem::kDataDir) + u"vkrAnimate.exe"));
  // A missing file is no error and DataDir stays.
  DeleteConfigFile();
  EXPECT_TRUE(system.files.DirectoryExists(FakeSystem::kDataDir));
}

// Every batch starts and ends alike: no delayed expansion, the bounded wait for the program (ping
// by its full path), then its own deletion.
const std::string kBatchHead = "@setlocal DisableDelayedExpansion\r\n@echo off\r\nset /a vkr_tries=0\r\n:try\r\n";
const std::string kBatchTail =
    "set /a vkr_tries+=1\r\n"
    "if %vkr_tries% geq 300 goto done\r\n"
    "\"C:\\Windows\\system32\\ping.exe\" -n 2 127.0.0.1 >nul\r\n"
    "goto try\r\n"
    ":done\r\n"
    "del \"%~f0\"\r\n";

TEST_F(UninstallTest, TheBatchForADedicatedFolderWithBlanks) {
  system.files.module_path = u"C:\\Program Files\\Velqo Games\\Morvane 2\\vkr.exe";
  system.files.PutFile(system.files.module_path, "MZ");

  ASSERT_TRUE(StartSelfDeleteBatch());

  EXPECT_EQ(BatchBytes(), kBatchHead +
                              "del /q /f \"C:\\Program Files\\Velqo Games\\Morvane 2\\vkr.exe\"\r\n"
                              "rmdir /s /q \"C:\\Program Files\\Velqo Games\\Morvane 2\"\r\n"
                              "if not exist \"C:\\Program Files\\Velqo Games\\Morvane 2\\vkr.exe\" goto done\r\n" +
                              kBatchTail);
  ASSERT_EQ(system.processes.started.size(), 1u);
  EXPECT_EQ(system.processes.started[0].command_line,
            u"\"C:\\Users\\player\\AppData\\Local\\Temp\\~wzuninstmyself.bat\"");
  EXPECT_EQ(system.processes.started[0].creation_flags, win::IDLE_PRIORITY_CLASS);
  EXPECT_TRUE(system.processes.started[0].hidden);
  // The temporary folder as its current folder, never the launcher's.
  EXPECT_EQ(system.processes.started[0].current_directory, kTemp);
}

TEST_F(UninstallTest, TheBatchForAFolderThatIsNotOnlyTheLaunchersDeletesItsOwnFiles) {
  // The launcher's own files; in a folder directly in Program Files (perhaps a maker's folder that
  // its programs share) the folder goes too when nothing else is left in it, never a desktop.
  const std::string own_files =
      "del /q /f \"%1\\vkr.exe\"\r\n"
      "del /q /f \"%1\\Skin\\loginBack.png\"\r\n"
      "rmdir \"%1\\Skin\"\r\n"
      "del /q /f \"%1\\Upgrade\\IconAnimate_Update.exe\"\r\n"
      "rmdir \"%1\\Upgrade\"\r\n"
      "del /q /f \"%1\\Viziv_Ezadariz.exe\"\r\n";
  const struct {
    std::string folder;
    std::string folder_line;
  } rows[] = {
      {"C:\\Users\\player\\Desktop", ""},
      {"C:\\Program Files\\Morvane", "rmdir \"C:\\Program Files\\Morvane\"\r\n"},
  };
  for (const auto& row : rows) {
    system.files.module_path = FromUtf8(row.folder + "\\vkr.exe");
    system.files.PutFile(system.files.module_path, "MZ");

    ASSERT_TRUE(StartSelfDeleteBatch());

    std::string body = own_files;
    for (std::size_t at = body.find("%1"); at != std::string::npos; at = body.find("%1", at + row.folder.size())) {
      body.replace(at, 2, row.folder);
    }
    EXPECT_EQ(BatchBytes(), kBatchHead + body + row.folder_line + "if not exist \"" + row.folder +
                                "\\vkr.exe\" goto done\r\n" + kBatchTail)
        << row.folder;
  }
}

TEST_F(UninstallTest, BatchPathsInTheOemCodePage) {
  // Percent signs are doubled so that the interpreter does not expand them.
  system.files.module_path = u"C:\\100% Games\\vkr.exe";
  system.files.PutFile(system.files.module_path, "MZ");
  ASSERT_TRUE(StartSelfDeleteBatch());
  EXPECT_NE(BatchBytes().find("rmdir /s /q \"C:\\100%% Games\"\r\n"), std::string::npos);

  // Not ASCII and without a short form: written in the OEM code page, which the interpreter reads.
  system.files.module_path = u"D:\\游戏中心\\vkr.exe";
  system.files.PutFile(system.files.module_path, "MZ");
  ASSERT_TRUE(StartSelfDeleteBatch());
  EXPECT_NE(BatchBytes().find("del /q /f \"D:\\\xD3\xCE\xCF\xB7\xD6\xD0\xD0\xC4\\vkr.exe\"\r\n"), std::string::npos);

  // An ASCII short form is preferred to the OEM one.
  system.files.short_paths[LowerAscii(system.files.module_path)] = u"D:\\A1B2~1\\vkr.exe";
  ASSERT_TRUE(StartSelfDeleteBatch());
  EXPECT_NE(BatchBytes().find("rmdir /s /q \"D:\\A1B2~1\"\r\n"), std::string::npos);
  EXPECT_EQ(BatchBytes().find('\xD3'), std::string::npos);

  // Code page 437 as the OEM one: "é" is 0x82 there (0xE9 in the ANSI code page 1252).
  system.files.oem_characters = {{u'é', "\x82"}};
  system.files.module_path = u"D:\\Café\\vkr.exe";
  system.files.PutFile(system.files.module_path, "MZ");
  ASSERT_TRUE(StartSelfDeleteBatch());
  EXPECT_NE(BatchBytes().find("rmdir /s /q \"D:\\Caf\x82\"\r\n"), std::string::npos);
}

TEST_F(UninstallTest, APathTheBatchCannotNameStartsNoBatch) {
  // A folder outside the OEM code page without a short form, and one with a quotation mark,
  // which would end the batch's quoting.
  for (const char16_t* folder : {u"D:\\Игры", u"D:\\Ga\"mes"}) {
    system.ui.boxes.clear();
    system.files.module_path = std::u16string(folder) + u"\\vkr.exe";
    system.files.PutFile(system.files.module_path, "MZ");

    EXPECT_FALSE(StartSelfDeleteBatch()) << ToUtf8(folder);

    EXPECT_FALSE(system.files.FileExists(kBatchPath));
    EXPECT_TRUE(system.processes.started.empty());
    ASSERT_EQ(system.ui.boxes.size(), 1u);
    EXPECT_EQ(system.ui.boxes[0].type, win::MB_ICONERROR);
    EXPECT_TRUE(Contains(system.ui.boxes[0].text, folder)) << ToUtf8(folder);
  }

  // Without the system folder the batch cannot name the program that paces it.
  system.ui.boxes.clear();
  system.files.module_path = u"D:\\Games\\vkr.exe";
  system.files.PutFile(system.files.module_path, "MZ");
  system.shell.folders.erase(win::CSIDL_SYSTEM);
  EXPECT_FALSE(StartSelfDeleteBatch());
  EXPECT_FALSE(system.files.FileExists(kBatchPath));
  EXPECT_TRUE(system.processes.started.empty());
  EXPECT_EQ(system.ui.boxes.size(), 1u);
}

TEST_F(UninstallTest, ABatchThatCannotBeWrittenIsReportedAfterTheEarlierSteps) {
  Install();
  system.files.MakeReadOnly(kTemp);

  EXPECT_TRUE(RunUninstall());

  EXPECT_FALSE(system.files.FileExists(FakeSystem::kConfigPath));
  EXPECT_FALSE(system.files.FileExists(std::u16string(kDesktop) + u"Morvane.lnk"));
  EXPECT_TRUE(system.processes.started.empty());
  ASSERT_EQ(system.ui.boxes.size(), 2u);
  EXPECT_EQ(system.ui.boxes[1].type, win::MB_ICONERROR);
  EXPECT_EQ(system.ui.boxes[1].caption, u"错误");
  EXPECT_TRUE(Contains(system.ui.boxes[1].text, kBatchPath));
}

TEST_F(UninstallTest, AFailedBatchStartIsIgnored) {
  system.processes.start_fails = true;
  EXPECT_TRUE(RunUninstall());
  EXPECT_TRUE(system.files.FileExists(kBatchPath));
  EXPECT_EQ(system.ui.boxes.size(), 1u);
}

TEST_F(UninstallTest, TheTempFolderGetsItsSeparator) {
  system.files.temp_folder = u"C:\\Users\\player\\AppData\\Local\\Temp";
  ASSERT_TRUE(StartSelfDeleteBatch());
  EXPECT_TRUE(system.files.FileExists(kBatchPath));
}

// How much of the launcher's folder the written batch removes.
FolderRemoval RemovalIn(const std::string& batch, const std::u16string& folder) {
  if (batch.find("rmdir /s /q") != std::string::npos) return FolderRemoval::kWhole;
  const std::string own_folder_line = "rmdir \"" + ToUtf8(folder) + "\"\r\n";
  return batch.find(own_folder_line) != std::string::npos ? FolderRemoval::kOwnFilesThenEmptyFolder
                                                          : FolderRemoval::kOwnFiles;
}

const char* NameOf(FolderRemoval removal) {
  switch (removal) {
    case FolderRemoval::kOwnFiles:
      return "own files";
    case FolderRemoval::kOwnFilesThenEmptyFolder:
      return "own files, then the empty folder";
    case FolderRemoval::kWhole:
      return "whole";
  }
  return "?";
}

// A fresh machine with the launcher at `program`; the batch it writes.
class FolderGuardTest : public ::testing::Test {
 protected:
  FolderGuardTest() {
    system.files.PutDirectory(kTemp);
    system.files.PutDirectory(u"D:\\");
    // The letters of the folder names below have an OEM form, so that the batch can be written.
    const std::u16string letters = u"ДОКУМЕНТЫдокументыÉé";
    for (std::size_t i = 0; i < letters.size(); ++i) {
      system.files.oem_characters[letters[i]] = std::string(1, static_cast<char>(0x80 + i));
    }
  }
  FolderRemoval Removal(const std::u16string& program) {
    system.files.module_path = program;
    system.files.PutFile(program, "MZ");
    EXPECT_TRUE(StartSelfDeleteBatch()) << ToUtf8(program);
    return RemovalIn(system.files.Contents(kBatchPath), ExcludeTrailingBackslash(ExtractFilePath(program)));
  }
  void ExpectRemovals(const std::vector<std::pair<std::u16string, FolderRemoval>>& rows) {
    for (const auto& [program, expected] : rows) {
      EXPECT_STREQ(NameOf(Removal(program)), NameOf(expected)) << ToUtf8(program);
    }
  }

  FakeSystem system;
};

constexpr FolderRemoval kOwn = FolderRemoval::kOwnFiles;
constexpr FolderRemoval kOwnThenEmpty = FolderRemoval::kOwnFilesThenEmptyFolder;
constexpr FolderRemoval kWhole = FolderRemoval::kWhole;

TEST_F(FolderGuardTest, OnlyADedicatedFolderIsRemovedWhole) {
  ExpectRemovals({
      {u"C:\\Program Files\\Velqo\\vkr\\vkr.exe", kWhole},
      {u"D:\\Games\\Morvane\\vkr.exe", kWhole},
      {u"C:\\Users\\player\\Desktop\\Morvane\\vkr.exe", kWhole},
      {u"C:\\ProgramData\\Velqo\\vkr\\vkr.exe", kWhole},
      {u"C:\\vkr.exe", kOwn},
      {u"D:\\vkr.exe", kOwn},
      {u"\\\\server\\share\\vkr.exe", kOwn},
      {u"C:\\Windows\\vkr.exe", kOwn},
      {u"C:\\Windows\\system32\\vkr.exe", kOwn},
      {u"C:\\Program Files\\vkr.exe", kOwn},
      {u"C:\\ProgramData\\vkr.exe", kOwn},
      {u"C:\\Users\\player\\vkr.exe", kOwn},
      {u"C:\\Users\\vkr.exe", kOwn},  // parent of the profile
      {u"C:\\Users\\player\\Desktop\\vkr.exe", kOwn},
      {u"C:\\Users\\player\\Documents\\vkr.exe", kOwn},
      {u"C:\\Users\\player\\Contacts\\vkr.exe", kOwn},  // directly in the profile
      {u"C:\\Users\\player\\AppData\\Local\\Temp\\vkr.exe", kOwn},
      {u"C:\\Users\\player\\AppData\\vkr.exe", kOwn},  // parent of special folders
      {u"C:\\Users\\player\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\vkr.exe", kOwn},
      {u"C:\\Users\\Public\\Desktop\\vkr.exe", kOwn},
      {u"c:/users/PLAYER/desktop/vkr.exe", kOwn},
  });
}

TEST_F(FolderGuardTest, ProgramFoldersOfBothViewsAndFoldersDirectlyInThem) {
  // A 32-bit process on a 64-bit system: the folder numbers give the "(x86)" folders, the
  // registry's 64-bit view the others.
  system.shell.folders[win::CSIDL_PROGRAM_FILES] = u"C:\\Program Files (x86)";
  system.shell.folders[win::CSIDL_PROGRAM_FILES_COMMON] = u"C:\\Program Files (x86)\\Common Files";
  const std::u16string current_version = u"Software\\Microsoft\\Windows\\CurrentVersion";
  system.registry.PutString(win::HKEY_LOCAL_MACHINE, current_version, u"ProgramFilesDir", u"C:\\Program Files",
                            FakeRegistry::View::k64);
  system.registry.PutString(win::HKEY_LOCAL_MACHINE, current_version, u"CommonFilesDir",
                            u"C:\\Program Files\\Common Files", FakeRegistry::View::k64);
  system.registry.PutString(win::HKEY_LOCAL_MACHINE, current_version, u"ProgramFilesDir", u"C:\\Program Files (x86)",
                            FakeRegistry::View::k32);
  ExpectRemovals({
      {u"C:\\Program Files\\vkr.exe", kOwn},
      {u"C:\\Program Files\\Common Files\\vkr.exe", kOwn},
      {u"C:\\Program Files (x86)\\vkr.exe", kOwn},
      // A maker's folder directly in a program folder may be shared by its programs.
      {u"C:\\Program Files\\Velqo\\vkr.exe", kOwnThenEmpty},
      {u"C:\\Program Files\\Common Files\\Velqo\\vkr.exe", kOwnThenEmpty},
      {u"C:\\Program Files (x86)\\Morvane\\vkr.exe", kOwnThenEmpty},
      {u"C:\\Users\\player\\AppData\\Local\\Programs\\Morvane\\vkr.exe", kOwnThenEmpty},
      {u"C:\\Users\\player\\AppData\\Local\\Programs\\vkr.exe", kOwn},
      // The launcher's own folder in a maker's folder: the normal install.
      {u"C:\\Program Files\\Velqo\\vkr\\vkr.exe", kWhole},
      {u"C:\\Program Files (x86)\\Velqo\\vkr\\vkr.exe", kWhole},
      {u"C:\\Users\\player\\AppData\\Local\\Programs\\Velqo\\vkr\\vkr.exe", kWhole},
  });
  EXPECT_EQ(system.registry.open_keys(), 0);
}

TEST_F(FolderGuardTest, NothingInsideTheKnownFoldersWithoutANumberGoesWhole) {
  system.shell.known_folders[KnownFolder::kDownloads] = u"D:\\Downloads";
  ExpectRemovals({
      {u"D:\\Downloads\\vkr.exe", kOwn},
      {u"D:\\Downloads\\Morvane\\vkr.exe", kOwnThenEmpty},
      {u"D:\\Downloads\\Games\\Morvane\\vkr.exe", kOwnThenEmpty},
      {u"C:\\Users\\player\\Saved Games\\Morvane\\vkr.exe", kOwnThenEmpty},
      {u"C:\\Users\\player\\Links\\Morvane\\vkr.exe", kOwnThenEmpty},
      {u"C:\\Users\\player\\AppData\\LocalLow\\Velqo\\vkr\\vkr.exe", kOwnThenEmpty},
      {u"C:\\Users\\player\\AppData\\LocalLow\\vkr.exe", kOwn},
      {u"D:\\Games\\Downloads\\vkr\\vkr.exe", kWhole},
  });
  // Where the shell cannot name them, their places in the profile stand in.
  system.shell.known_folders.clear();
  system.shell.folders.erase(win::CSIDL_LOCAL_APPDATA);
  ExpectRemovals({
      {u"C:\\Users\\player\\Downloads\\Morvane\\vkr.exe", kOwnThenEmpty},
      {u"C:\\Users\\player\\AppData\\LocalLow\\Velqo\\vkr\\vkr.exe", kOwnThenEmpty},
      {u"D:\\Downloads\\Morvane\\vkr.exe", kWhole},
  });
}

TEST_F(FolderGuardTest, AFolderAnotherProgramIsRegisteredInIsNotRemovedWhole) {
  const std::u16string uninstall = kUninstallPath;
  const std::u16string program = u"C:\\Games\\Velqo\\vkr.exe";
  struct Row {
    RegKey root;
    FakeRegistry::View view;
    std::u16string entry, location;
    FolderRemoval expected;
  };
  const Row rows[] = {
      {win::HKEY_LOCAL_MACHINE, FakeRegistry::View::k32, u"OtherGame", u"C:\\Games\\Velqo\\Other", kOwnThenEmpty},
      {win::HKEY_LOCAL_MACHINE, FakeRegistry::View::k64, u"OtherGame", u"C:\\Games\\Velqo\\Other\\", kOwnThenEmpty},
      {win::HKEY_CURRENT_USER, FakeRegistry::View::k32, u"OtherGame", u"C:\\Games\\Velqo\\x\\y", kOwnThenEmpty},
      // The folder itself, quoted and spelt another way.
      {win::HKEY_LOCAL_MACHINE, FakeRegistry::View::k32, u"OtherGame", u" \"c:\\GAMES\\velqo\\\" ", kOwnThenEmpty},
      // The launcher's own entry, a folder above it, a neighbour and an empty location do not count.
      {win::HKEY_LOCAL_MACHINE, FakeRegistry::View::k32, u"velqomorvane", u"C:\\Games\\Velqo", kWhole},
      {win::HKEY_LOCAL_MACHINE, FakeRegistry::View::k32, u"Suite", u"C:\\Games", kWhole},
      {win::HKEY_LOCAL_MACHINE, FakeRegistry::View::k32, u"OtherGame", u"C:\\Games\\Velqo2", kWhole},
      {win::HKEY_LOCAL_MACHINE, FakeRegistry::View::k32, u"OtherGame", u"", kWhole},
  };
  for (const Row& row : rows) {
    FakeSystem fresh;
    fresh.files.PutDirectory(kTemp);
    fresh.registry.PutString(win::HKEY_LOCAL_MACHINE, uninstall + u"\\Unrelated", u"InstallLocation", u"D:\\Else");
    fresh.registry.PutString(row.root, uninstall + u"\\" + row.entry, u"InstallLocation", row.location, row.view);
    fresh.files.module_path = program;
    fresh.files.PutFile(program, "MZ");
    ASSERT_TRUE(StartSelfDeleteBatch());
    EXPECT_STREQ(NameOf(RemovalIn(fresh.files.Contents(kBatchPath), u"C:\\Games\\Velqo")), NameOf(row.expected))
        << ToUtf8(row.location);
    EXPECT_EQ(fresh.registry.open_keys(), 0);
  }
}

TEST_F(FolderGuardTest, AFolderWithAProgramInASubfolderIsNotRemovedWhole) {
  struct Row {
    std::vector<std::u16string> files;  // below the launcher's folder
    FolderRemoval expected;
  };
  const Row rows[] = {
      {{u"Tools\\helper.exe"}, kOwnThenEmpty},
      {{u"Data\\bin\\Game.EXE"}, kOwnThenEmpty},
      {{u"Другая\\ИГРА.EXE"}, kOwnThenEmpty},
      // The launcher's own subfolders, however written, a program beside the launcher and files
      // that only look like programs.
      {{u"Skin\\loginBack.png", u"SKIN\\tool.exe", u"upgrade\\IconAnimate_Update.exe"}, kWhole},
      {{u"uninst.exe", u"Logs\\today.log", u"Docs\\readme.exe.txt", u"Docs\\exe"}, kWhole},
  };
  for (const Row& row : rows) {
    FakeSystem fresh;
    fresh.files.PutDirectory(kTemp);
    fresh.files.PutDirectory(u"D:\\");
    fresh.files.module_path = u"D:\\Games\\Morvane\\vkr.exe";
    fresh.files.PutFile(fresh.files.module_path, "MZ");
    for (const std::u16string& file : row.files) fresh.files.PutFile(u"D:\\Games\\Morvane\\" + file, "x");
    ASSERT_TRUE(StartSelfDeleteBatch());
    EXPECT_STREQ(NameOf(RemovalIn(fresh.files.Contents(kBatchPath), u"D:\\Games\\Morvane")), NameOf(row.expected))
        << ToUtf8(row.files.front());
  }
}

TEST_F(FolderGuardTest, AProgramBehindALinkInTheFolderIsNotItsOwn) {
  // The link is removed as a link and never entered, so what it points to is not in the folder.
  system.files.PutFile(u"D:\\Other\\other.exe", "MZ");
  system.files.PutLink(u"D:\\Games\\Morvane\\Shared", u"D:\\Other");
  EXPECT_EQ(Removal(u"D:\\Games\\Morvane\\vkr.exe"), kWhole);
}

TEST_F(FolderGuardTest, AFolderTooLargeToLookThroughIsNotRemovedWhole) {
  for (int i = 0; i < 20001; ++i) system.files.PutFile(u"D:\\Games\\Morvane\\Data\\" + ToText(i) + u".dat", "");
  EXPECT_EQ(Removal(u"D:\\Games\\Morvane\\vkr.exe"), kOwnThenEmpty);
}

TEST_F(FolderGuardTest, ALinkInThePathKeepsEverythingButTheLaunchersFiles) {
  // The folder itself, a folder above it, a mount point two levels up.
  system.files.PutFile(u"D:\\Real\\notes.txt", "the user's");
  system.files.PutLink(u"D:\\Games\\Morvane", u"D:\\Real");
  system.files.PutLink(u"D:\\Linked", u"D:\\Real");
  system.files.PutLink(u"D:\\Mounted", u"E:\\");
  for (const char16_t* program : {u"D:\\Games\\Morvane\\vkr.exe", u"D:\\Linked\\vkr\\vkr.exe",
                                  u"D:\\Mounted\\Games\\vkr\\vkr.exe", u"D:\\Linked\\Downloads\\vkr\\vkr.exe"}) {
    EXPECT_EQ(Removal(program), kOwn) << ToUtf8(program);
  }
  EXPECT_EQ(Removal(u"D:\\Games\\Plain\\vkr.exe"), kWhole);
  // A folder on the way that cannot be looked at counts as a link.
  EXPECT_TRUE(PathHasLink(u"D:\\Nowhere\\vkr"));
  EXPECT_TRUE(PathHasLink(u"relative\\vkr"));
  EXPECT_FALSE(PathHasLink(u"D:\\Games\\Plain"));
}

TEST_F(FolderGuardTest, FolderNamesAreComparedWithTheSystemsCaseRules) {
  system.shell.folders[win::CSIDL_PERSONAL] = u"D:\\Документы";
  system.shell.folders[win::CSIDL_MYPICTURES] = u"D:\\Médias\\Images";
  ExpectRemovals({
      {u"D:\\ДОКУМЕНТЫ\\vkr.exe", kOwn},
      {u"D:\\документы\\vkr.exe", kOwn},
      {u"D:\\MÉDIAS\\vkr.exe", kOwn},  // above a special folder
      {u"D:\\Документы\\Velqo\\vkr\\vkr.exe", kWhole},
  });
  const SharedFolders shared = [] {
    SharedFolders folders;
    folders.special = {u"D:\\Игры\\Сохранения"};
    folders.profile = u"D:\\Ελένη";
    return folders;
  }();
  EXPECT_EQ(JudgeFolder(u"d:\\иГРЫ", shared), kOwn);
  EXPECT_EQ(JudgeFolder(u"D:\\ελένη\\Morvane", shared), kOwn);
}

TEST_F(FolderGuardTest, ShortAndUnknownFormsAreResolvedBeforeTheyAreJudged) {
  // Started through the short form of Program Files itself.
  system.files.module_path = u"C:\\PROGRA~1\\vkr.exe";
  system.files.long_paths[u"c:\\progra~1"] = u"C:\\Program Files";
  ASSERT_TRUE(StartSelfDeleteBatch());
  EXPECT_EQ(RemovalIn(system.files.Contents(kBatchPath), u"C:\\PROGRA~1"), kOwn);

  // A folder whose long form cannot be had is kept.
  system.files.module_path = u"C:\\Program Files\\Velqo\\vkr\\vkr.exe";
  system.files.long_path_fails = true;
  ASSERT_TRUE(StartSelfDeleteBatch());
  EXPECT_EQ(RemovalIn(system.files.Contents(kBatchPath), u"C:\\Program Files\\Velqo\\vkr"), kOwn);

  // A temporary folder given in short form still protects its long form.
  system.files.long_path_fails = false;
  system.files.temp_folder = u"C:\\Users\\PLAYER~1\\AppData\\Local\\Temp\\";
  system.files.long_paths[u"c:\\users\\player~1\\appdata\\local\\temp"] = ExcludeTrailingBackslash(kTemp);
  EXPECT_EQ(JudgeFolder(ExcludeTrailingBackslash(kTemp), CollectSharedFolders()), kOwn);
}

SharedFolders SpecialOnly(std::vector<std::u16string> special, std::u16string profile = u"") {
  SharedFolders shared;
  shared.special = std::move(special);
  shared.profile = std::move(profile);
  return shared;
}

TEST_F(FolderGuardTest, RootsAndOddPathsAreNeverRemovedWhole) {
  for (const char16_t* folder :
       {u"", u"C:", u"C:\\", u"\\\\server", u"\\\\server\\share\\", u"\\\\?\\C:\\", u"\\\\?\\UNC\\server\\share",
        u"relative", u"\\Games\\vkr", u"\\\\?\\Volume{12345678-1234-1234-1234-123456789012}\\Games\\vkr",
        u"\\\\.\\PhysicalDrive0\\vkr", u"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\vkr", u"\\\\.\\UNC\\server"}) {
    EXPECT_EQ(JudgeFolder(folder, {}), kOwn) << ToUtf8(folder);
  }
  for (const char16_t* folder : {u"\\\\server\\share\\vkr", u"\\\\?\\C:\\Games\\vkr", u"\\\\.\\C:\\Games\\vkr",
                                 u"\\??\\C:\\Games\\vkr", u"\\\\.\\UNC\\server\\share\\vkr"}) {
    EXPECT_EQ(JudgeFolder(folder, {}), kWhole) << ToUtf8(folder);
  }
  EXPECT_EQ(JudgeFolder(u"\\\\?\\C:\\Games", SpecialOnly({u"C:\\Games\\Steam"})), kOwn);
}

TEST_F(FolderGuardTest, SharedFoldersSpeltAnotherWayStillProtect) {
  // Doubled separators, "." and ".." steps, trailing dots or blanks and the "\\?\", "\\.\" and
  // "\??\" forms name the same folder to the system, on either side of the comparison.
  const SharedFolders documents = SpecialOnly({u"D:\\Documents\\", u"\\\\server\\share\\Documents"});
  for (const char16_t* folder :
       {u"D:\\\\Documents", u"D:\\.\\Documents", u"D:\\Games\\..\\Documents", u"D:\\Documents.", u"D:\\Documents \\",
        u"\\\\?\\D:/Documents//", u"D:\\..\\Documents", u"\\\\.\\D:\\Documents", u"\\??\\d:\\DOCUMENTS",
        u"\\\\.\\unc\\SERVER\\share\\Documents\\", u"\\\\?\\UNC\\server\\share\\x\\..\\Documents"}) {
    EXPECT_EQ(JudgeFolder(folder, documents), kOwn) << ToUtf8(folder);
  }
  EXPECT_EQ(JudgeFolder(u"D:\\Documents", SpecialOnly({u"D:\\\\Documents\\.\\"})), kOwn);
  EXPECT_EQ(JudgeFolder(u"D:\\Documents", SpecialOnly({u"\\\\.\\D:\\Documents"})), kOwn);
  EXPECT_EQ(JudgeFolder(u"D:\\Games", SpecialOnly({u"D:\\Games\\\\Steam"})), kOwn);
  // A folder directly in the profile, however written.
  EXPECT_EQ(JudgeFolder(u"C:\\Users\\.\\player\\\\Links", SpecialOnly({}, u"C:\\Users\\player")), kOwn);
  EXPECT_EQ(JudgeFolder(u"C:\\Users\\player\\Links", SpecialOnly({}, u"\\\\?\\C:\\Users\\player\\.\\")), kOwn);
  // Below a shared folder the usual rule holds.
  EXPECT_EQ(JudgeFolder(u"D:\\Documents\\.\\Velqo\\vkr", documents), kWhole);
  EXPECT_EQ(JudgeFolder(u"D:\\Documents\\x\\..\\vkr", documents), kWhole);
}

TEST(SelfDeleteBatchTest, APathThatCouldBreakALineGivesNoBatch) {
  // No Windows path holds these; a batch built from one could run anything.
  const std::u16string ping = u"C:\\Windows\\system32\\ping.exe";
  for (const char16_t* path :
       {u"C:\\Games\\vkr.exe\r\ndel /q C:\\x", u"C:\\Ga\"mes\\vkr.exe", u"C:\\Games\\vkr\x01.exe"}) {
    EXPECT_EQ(BuildSelfDeleteBatch(path, u"C:\\Games", kWhole, ping), u"") << ToUtf8(path);
    EXPECT_EQ(BuildSelfDeleteBatch(u"C:\\Games\\vkr.exe", path, kOwn, ping), u"") << ToUtf8(path);
    EXPECT_EQ(BuildSelfDeleteBatch(u"C:\\Games\\vkr.exe", u"C:\\Games", kOwnThenEmpty, path), u"") << ToUtf8(path);
  }
  EXPECT_NE(BuildSelfDeleteBatch(u"C:\\100%\\vkr.exe", u"C:\\100%", kWhole, ping), u"");
}

TEST_F(UninstallTest, DeleteDirectoryTreeRemovesLinksAsLinks) {
  system.files.PutFile(u"D:\\Precious\\keep.txt", "user data");
  system.files.PutFile(u"C:\\Tree\\a.txt", "a");
  system.files.PutFile(u"C:\\Tree\\Sub\\Deeper\\b.txt", "b");
  system.files.PutLink(u"C:\\Tree\\Sub\\ToPrecious", u"D:\\Precious");

  DeleteDirectoryTree(u"C:\\Tree");

  EXPECT_FALSE(system.files.DirectoryExists(u"C:\\Tree"));
  EXPECT_TRUE(system.files.FileExists(u"D:\\Precious\\keep.txt"));
  // The link itself went, as a link (the fake refuses to remove a folder that is not empty).
  const auto& deleted = system.files.deleted;
  EXPECT_EQ(
      std::count_if(deleted.begin(), deleted.end(),
                    [](const std::u16string& d) { return EqualsIgnoreCaseAscii(d, u"C:\\Tree\\Sub\\ToPrecious"); }),
      1);
}

TEST_F(UninstallTest, DeleteDirectoryTreeOnALinkRemovesOnlyTheLink) {
  system.files.PutFile(u"D:\\Precious\\keep.txt", "user data");
  system.files.PutLink(u"C:\\Link", u"D:\\Precious");
  DeleteDirectoryTree(u"C:\\Link");
  EXPECT_FALSE(system.files.DirectoryExists(u"C:\\Link"));
  EXPECT_TRUE(system.files.FileExists(u"D:\\Precious\\keep.txt"));
}

TEST_F(UninstallTest, DeleteDirectoryTreeKeepsWhatCannotBeDeleted) {
  system.files.PutFile(u"C:\\Tree\\a.txt", "a");
  system.files.PutFile(u"C:\\Tree\\Locked\\b.txt", "b");
  system.files.MakeReadOnly(u"C:\\Tree\\Locked");
  const std::size_t before = system.files.deleted.size();
  DeleteDirectoryTree(u"");
  EXPECT_EQ(system.files.deleted.size(), before);

  DeleteDirectoryTree(u"C:\\Tree\\");

  EXPECT_FALSE(system.files.FileExists(u"C:\\Tree\\a.txt"));
  EXPECT_TRUE(system.files.FileExists(u"C:\\Tree\\Locked\\b.txt"));
  EXPECT_TRUE(system.files.DirectoryExists(u"C:\\Tree"));
}

TEST_F(UninstallTest, IsDirectoryEmpty) {
  system.files.PutDirectory(u"C:\\Empty");
  system.files.PutFile(u"C:\\Full\\x", "");
  system.files.PutDirectory(u"C:\\WithFolder\\Sub");
  EXPECT_TRUE(IsDirectoryEmpty(u"C:\\Empty"));
  EXPECT_TRUE(IsDirectoryEmpty(u"C:\\Missing"));
  EXPECT_FALSE(IsDirectoryEmpty(u"C:\\Full"));
  EXPECT_FALSE(IsDirectoryEmpty(u"C:\\WithFolder\\"));
}

TEST_F(UninstallTest, TheUninstallSwitchRunsTheModeWithoutAWindow) {
  Install();
  system.processes.arguments = {u"/UNINST"};
  system.ui.answers = {win::IDCANCEL};
  EXPECT_EQ(RunProgram(), 0);
  ASSERT_EQ(system.ui.boxes.size(), 1u);
  EXPECT_EQ(system.ui.boxes[0].text, kUninstallQuestion);
  EXPECT_TRUE(system.files.FileExists(FakeSystem::kConfigPath));
  EXPECT_EQ(system.ui.main_window, kNoWindow);
}

}  // namespace
}  // namespace vkr
