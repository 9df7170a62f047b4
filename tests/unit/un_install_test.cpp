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

// Every batch starts and ends alike: the bounded wait for the program, then its own deletion.
const std::string kBatchHead = "@echo off\r\nset /a vkr_tries=0\r\n:try\r\n";
const std::string kBatchTail =
    "set /a vkr_tries+=1\r\n"
    "if %vkr_tries% geq 300 goto done\r\n"
    "ping -n 2 127.0.0.1 >nul\r\n"
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
}

TEST_F(UninstallTest, TheBatchForASharedFolderDeletesOnlyTheLaunchersFiles) {
  system.files.module_path = u"C:\\Users\\player\\Desktop\\vkr.exe";
  system.files.PutFile(system.files.module_path, "MZ");

  ASSERT_TRUE(StartSelfDeleteBatch());

  EXPECT_EQ(BatchBytes(), kBatchHead +
                              "del /q /f \"C:\\Users\\player\\Desktop\\vkr.exe\"\r\n"
                              "del /q /f \"C:\\Users\\player\\Desktop\\Skin\\loginBack.png\"\r\n"
                              "rmdir \"C:\\Users\\player\\Desktop\\Skin\"\r\n"
                              "del /q /f \"C:\\Users\\player\\Desktop\\Upgrade\\IconAnimate_Update.exe\"\r\n"
                              "rmdir \"C:\\Users\\player\\Desktop\\Upgrade\"\r\n"
                              "del /q /f \"C:\\Users\\player\\Desktop\\Viziv_Ezadariz.exe\"\r\n"
                              "if not exist \"C:\\Users\\player\\Desktop\\vkr.exe\" goto done\r\n" +
                              kBatchTail);
}

TEST_F(UninstallTest, BatchPathsInTheAnsiCodePage) {
  // Percent signs are doubled so that the interpreter does not expand them.
  system.files.module_path = u"C:\\100% Games\\vkr.exe";
  system.files.PutFile(system.files.module_path, "MZ");
  ASSERT_TRUE(StartSelfDeleteBatch());
  EXPECT_NE(BatchBytes().find("rmdir /s /q \"C:\\100%% Games\"\r\n"), std::string::npos);

  // Not ASCII and without a short form: written in the ANSI code page.
  system.files.module_path = u"D:\\游戏中心\\vkr.exe";
  system.files.PutFile(system.files.module_path, "MZ");
  ASSERT_TRUE(StartSelfDeleteBatch());
  EXPECT_NE(BatchBytes().find("del /q /f \"D:\\\xD3\xCE\xCF\xB7\xD6\xD0\xD0\xC4\\vkr.exe\"\r\n"), std::string::npos);

  // An ASCII short form is preferred to the ANSI one.
  system.files.short_paths[LowerAscii(system.files.module_path)] = u"D:\\A1B2~1\\vkr.exe";
  ASSERT_TRUE(StartSelfDeleteBatch());
  EXPECT_NE(BatchBytes().find("rmdir /s /q \"D:\\A1B2~1\"\r\n"), std::string::npos);
  EXPECT_EQ(BatchBytes().find('\xD3'), std::string::npos);
}

TEST_F(UninstallTest, APathTheBatchCannotNameStartsNoBatch) {
  system.files.module_path = u"D:\\Игры\\vkr.exe";
  system.files.PutFile(system.files.module_path, "MZ");

  EXPECT_FALSE(StartSelfDeleteBatch());

  EXPECT_FALSE(system.files.FileExists(kBatchPath));
  EXPECT_TRUE(system.processes.started.empty());
  ASSERT_EQ(system.ui.boxes.size(), 1u);
  EXPECT_EQ(system.ui.boxes[0].type, win::MB_ICONERROR);
  EXPECT_TRUE(Contains(system.ui.boxes[0].text, u"D:\\Игры"));
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

bool WholeFolderRemoved(FakeSystem& system) {
  return system.files.Contents(kBatchPath).find("rmdir /s /q") != std::string::npos;
}

TEST(FolderGuardTest, OnlyADedicatedFolderIsRemovedWhole) {
  struct Row {
    std::u16string program;
    bool whole;
  };
  const Row rows[] = {
      {u"C:\\Program Files\\Velqo\\vkr\\vkr.exe", true},
      {u"D:\\Games\\Morvane\\vkr.exe", true},
      {u"C:\\Users\\player\\Desktop\\Morvane\\vkr.exe", true},
      {u"C:\\ProgramData\\Velqo\\vkr\\vkr.exe", true},
      {u"C:\\vkr.exe", false},
      {u"D:\\vkr.exe", false},
      {u"\\\\server\\share\\vkr.exe", false},
      {u"C:\\Windows\\vkr.exe", false},
      {u"C:\\Windows\\system32\\vkr.exe", false},
      {u"C:\\Program Files\\vkr.exe", false},
      {u"C:\\ProgramData\\vkr.exe", false},
      {u"C:\\Users\\player\\vkr.exe", false},
      {u"C:\\Users\\vkr.exe", false},  // parent of the profile
      {u"C:\\Users\\player\\Desktop\\vkr.exe", false},
      {u"C:\\Users\\player\\Documents\\vkr.exe", false},
      {u"C:\\Users\\player\\Downloads\\vkr.exe", false},  // directly in the profile
      {u"C:\\Users\\player\\AppData\\Local\\Temp\\vkr.exe", false},
      {u"C:\\Users\\player\\AppData\\vkr.exe", false},  // parent of special folders
      {u"C:\\Users\\player\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\vkr.exe", false},
      {u"C:\\Users\\Public\\Desktop\\vkr.exe", false},
      {u"c:/users/PLAYER/desktop/vkr.exe", false},
  };
  for (const Row& row : rows) {
    FakeSystem system;
    system.files.PutDirectory(kTemp);
    system.files.PutDirectory(u"D:\\");
    system.files.module_path = row.program;
    system.files.PutFile(row.program, "MZ");
    ASSERT_TRUE(StartSelfDeleteBatch()) << ToUtf8(row.program);
    EXPECT_EQ(WholeFolderRemoved(system), row.whole) << ToUtf8(row.program);
  }
}

TEST(FolderGuardTest, ShortAndUnknownFormsAreResolvedBeforeTheyAreJudged) {
  FakeSystem system;
  system.files.PutDirectory(kTemp);
  // Started through the short form of Program Files itself.
  system.files.module_path = u"C:\\PROGRA~1\\vkr.exe";
  system.files.long_paths[u"c:\\progra~1"] = u"C:\\Program Files";
  ASSERT_TRUE(StartSelfDeleteBatch());
  EXPECT_FALSE(WholeFolderRemoved(system));

  // A folder whose long form cannot be had is kept.
  system.files.module_path = u"C:\\Program Files\\Velqo\\vkr\\vkr.exe";
  system.files.long_path_fails = true;
  ASSERT_TRUE(StartSelfDeleteBatch());
  EXPECT_FALSE(WholeFolderRemoved(system));

  // A temporary folder given in short form still protects its long form.
  system.files.long_path_fails = false;
  system.files.temp_folder = u"C:\\Users\\PLAYER~1\\AppData\\Local\\Temp\\";
  system.files.long_paths[u"c:\\users\\player~1\\appdata\\local\\temp\\"] = kTemp;
  system.files.module_path = std::u16string(kTemp) + u"vkr.exe";
  system.files.PutFile(system.files.module_path, "MZ");
  EXPECT_FALSE(IsDedicatedFolder(ExcludeTrailingBackslash(kTemp), ProtectedFolders(), u"C:\\Users\\player"));
}

TEST(FolderGuardTest, RootsAndOddPathsAreNeverDedicated) {
  const std::vector<std::u16string> none;
  for (const char16_t* folder : {u"", u"C:", u"C:\\", u"\\\\server", u"\\\\server\\share\\", u"\\\\?\\C:\\",
                                 u"\\\\?\\UNC\\server\\share", u"relative"}) {
    EXPECT_FALSE(IsDedicatedFolder(folder, none, u"")) << ToUtf8(folder);
  }
  EXPECT_TRUE(IsDedicatedFolder(u"\\\\server\\share\\vkr", none, u""));
  EXPECT_TRUE(IsDedicatedFolder(u"\\\\?\\C:\\Games\\vkr", none, u""));
  EXPECT_FALSE(IsDedicatedFolder(u"\\\\?\\C:\\Games", {u"C:\\Games\\Steam"}, u""));
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
