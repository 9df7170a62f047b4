#include "common/public_unit.h"

#include <gtest/gtest.h>

#include "common/public_config.h"
#include "common/text.h"
#include "fakes/fake_system.h"
#include "platform/win_constants.h"

namespace vkr {
namespace {

using testing::Describe;
using testing::FakeSystem;

TEST(IsVersionLowerTest, ComparesComponentByComponent) {
  struct Row {
    const char16_t* local;
    const char16_t* remote;
    bool lower;
  };
  const Row rows[] = {
      {u"1.4.0.0", u"1.4.0.1", true},  {u"1.4.0.0", u"1.4.0.0", false},  {u"1.4.0.0", u"1.3.9.9", false},
      {u"1.4.0.5", u"1.4.0.4", false}, {u"1.4.0.9", u"1.5.0.0", true},   {u"1.4.0.0", u"1.4", false},
      {u"1.4.0.0", u"", false},        {u"2.0.0.0", u"1.0.0.5", false},  {u"1.4.0.0", u" 1. 4.0.1", true},
      {u"1..4.0.0", u"1.4.0.1", true},  // the empty component between two dots is dropped
      {u"1.4.0.0", u"1.4..0.1", true}, {u"1.10.0.0", u"1.9.0.0", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(IsVersionLower(row.local, row.remote), row.lower) << ToUtf8(row.local) << " vs " << ToUtf8(row.remote);
  }
}

TEST(IsVersionLowerTest, NonNumericComponentRaises) {
  EXPECT_THROW(IsVersionLower(u"1.4.0.0", u"1.4.0.x"), VersionFormatError);
  EXPECT_THROW(IsVersionLower(u"1.4.0.0", u"<html>.a.b.c"), VersionFormatError);
  EXPECT_THROW(IsVersionLower(u"1.4.0.0", u"1.4.0.99999999999999999999"), VersionFormatError);
  // Differing counts are decided before any conversion.
  EXPECT_FALSE(IsVersionLower(u"1.4.0.0", u"garbage"));
}

TEST(ExtractServerNameTest, TakesTheLabelBeforeTheGameDomain) {
  struct Row {
    std::u16string url;
    std::u16string label;
  };
  const Row rows[] = {
      {u"http://s12" + GameServerHostSuffix + u"index.php", u"s12"},
      {u"http://S7" + GameServerHostSuffix, u"S7"},
      {u"http://www.velqo.com/index.php", u""},
      {u"", u""},
      {u"http://" + GameServerHostSuffix.substr(0) + u"x", u""},
      // Without "http://" the label starts at the seventh character.
      {u"abcdefgs3" + GameServerHostSuffix, u"gs3"},
      {u"https://s5" + GameServerHostSuffix, u"//s5"},
  };
  for (const Row& row : rows) EXPECT_EQ(ExtractServerName(row.url), row.label) << ToUtf8(row.url);
}

TEST(PaySelectUrlTest, NeedsServerAndUser) {
  FakeSystem system;
  UserName = u"player1";
  EXPECT_EQ(BuildPaySelectUrl(), u"");
  EXPECT_EQ(BuildLoginPaySelectUrl(), u"http://pay.velqo.com/select.php?gamename=qx&gameserver=&username=player1");
  GameServerName = u"S12";
  EXPECT_EQ(BuildPaySelectUrl(), u"http://pay.velqo.com/select.php?gamename=qx&gameserver=S12&username=player1");
  UserName.clear();
  EXPECT_EQ(BuildPaySelectUrl(), u"");
  EXPECT_EQ(BuildLoginPaySelectUrl(), u"");
}

TEST(PaySelectUrlTest, EncodesOnlyCharactersThatBreakTheAddress) {
  FakeSystem system;
  GameServerName = u"S%s1";
  UserName = u"a b&c#d\"e%f玩家+%41";
  EXPECT_EQ(BuildPaySelectUrl(),
            u"http://pay.velqo.com/select.php?gamename=qx&gameserver=S%25s1&username=a%20b%26c%23d%22e%25f玩家%2B%41");
}

TEST(AutoRunTest, AddFindAndRemoveTheRunEntry) {
  FakeSystem system;
  ApplicationTitle = kApplicationTitle;
  EXPECT_FALSE(HasAutoRun());
  // Asking creates the empty key.
  EXPECT_TRUE(system.registry.HasKey(win::HKEY_CURRENT_USER, kRunKeyPath));

  AddAutoRun(u"");
  EXPECT_EQ(system.registry.GetString(win::HKEY_CURRENT_USER, kRunKeyPath, u"VelqoMorvane"),
            u"\"C:\\ProgramData\\Velqo\\vkr\\vkr.exe\" /autorun");
  EXPECT_TRUE(HasAutoRun());

  // An existing value is left as it is.
  system.registry.PutString(win::HKEY_CURRENT_USER, kRunKeyPath, u"VelqoMorvane", u"other");
  AddAutoRun(u"");
  EXPECT_EQ(system.registry.GetString(win::HKEY_CURRENT_USER, kRunKeyPath, u"VelqoMorvane"), u"other");

  RemoveAutoRun(u"VelqoMorvane");
  EXPECT_FALSE(HasAutoRun());
  RemoveAutoRun(u"VelqoMorvane");  // absent: nothing happens
  EXPECT_EQ(system.registry.open_keys(), 0);
  for (const auto& request : system.registry.requests) EXPECT_EQ(request.access, win::KEY_ALL_ACCESS);
}

TEST(AutoRunTest, RunCommandNamesTheConfiguredProgramInDataDir) {
  FakeSystem system;
  LanderExeName = u"game launcher";
  EXPECT_EQ(RunCommand(), u"\"C:\\ProgramData\\Velqo\\vkr\\game launcher.exe\" /autorun");
  AddAutoRun(u"Custom");
  EXPECT_TRUE(system.registry.HasValue(win::HKEY_CURRENT_USER, kRunKeyPath, u"Custom"));
}

TEST(FoldersTest, PathsEndWithASeparatorAndFoldersAreCreated) {
  FakeSystem system;
  EXPECT_EQ(GetDataDir(), FakeSystem::kDataDir);
  EXPECT_TRUE(system.files.DirectoryExists(u"C:\\ProgramData\\Velqo\\vkr"));
  EXPECT_EQ(GetConfigPath(), FakeSystem::kConfigPath);
  EXPECT_EQ(GetAnimatePath(), u"C:\\ProgramData\\Velqo\\vkr\\vkrAnimate.exe");
  EXPECT_EQ(GetLoginSkinPath(), u"C:\\Program Files\\Velqo\\vkr\\Skin\\loginBack.png");
  EXPECT_EQ(GetDesktopFolder(), u"C:\\Users\\player\\Desktop\\");
  EXPECT_EQ(GetStartMenuFolder(true), u"C:\\Users\\player\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\");
  EXPECT_EQ(GetStartMenuFolder(false), u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\");

  const std::u16string group = GetProgramsGroupFolder(true);
  EXPECT_EQ(group, u"C:\\Users\\player\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Velqo游戏中心\\");
  EXPECT_TRUE(system.files.DirectoryExists(group));
  EXPECT_EQ(GetProgramsGroupFolder(false),
            u"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Velqo游戏中心\\");

  // A folder the shell cannot name still gets its separator; a failed creation returns the path.
  system.shell.folders.erase(win::CSIDL_DESKTOPDIRECTORY);
  EXPECT_EQ(GetDesktopFolder(), u"\\");
  system.files.MakeReadOnly(u"C:\\ProgramData");
  system.files.RemoveDirectory(u"C:\\ProgramData\\Velqo\\vkr");
  EXPECT_EQ(GetDataDir(), FakeSystem::kDataDir);
}

TEST(FileVersionTest, FourNumbersOrZeros) {
  FakeSystem system;
  system.files.version_ms = 0x00010004;
  system.files.version_ls = 0x0002000B;
  EXPECT_EQ(GetFileVersionString(), u"1.4.2.11");
  system.files.has_version = false;
  EXPECT_EQ(GetFileVersionString(), u"0.0.0.0");
}

TEST(OpenUrlInIETest, StartsInternetExplorerWithTheAddressAsOneArgument) {
  FakeSystem system;
  OpenUrlInIE(7, PayUrl);
  ASSERT_EQ(system.shell.executions.size(), 1u);
  const auto& e = system.shell.executions[0];
  EXPECT_EQ(e.owner, 7u);
  EXPECT_EQ(e.verb, u"open");
  EXPECT_EQ(e.file, u"IExplore.EXE");
  EXPECT_EQ(e.parameters, u"\"" + PayUrl + u"\"");
  EXPECT_EQ(e.directory, u"");
  EXPECT_EQ(e.show, win::SW_SHOWNORMAL);

  system.shell.executions.clear();
  OpenUrlInIE(7, u"http://x/\" -extoff \"y");
  EXPECT_EQ(system.shell.executions[0].parameters, u"\"http://x/%22 -extoff %22y\"");
  // Control characters could end the line; blanks, "#", "%" and "&" stay for the browser to read.
  system.shell.executions.clear();
  OpenUrlInIE(7, u"http://x/?a=1&b=%20 c#\r\n\x7F");
  EXPECT_EQ(system.shell.executions[0].parameters, u"\"http://x/?a=1&b=%20 c#%0D%0A\x7F\"");
}

TEST(OpenUrlInIETest, FallsBackToTheDefaultHandlerWhenTheBrowserCannotStart) {
  FakeSystem system;
  system.shell.results = {2};  // ERROR_FILE_NOT_FOUND
  OpenUrlInIE(7, ForumUrl);
  ASSERT_EQ(system.shell.executions.size(), 2u);
  const auto& e = system.shell.executions[1];
  EXPECT_EQ(e.verb, u"");
  EXPECT_EQ(e.file, ForumUrl);
  EXPECT_EQ(e.parameters, u"");
  EXPECT_EQ(e.show, win::SW_SHOWNORMAL);
}

class UpgradeAnimateIconTest : public ::testing::Test {
 protected:
  FakeSystem system;
  const std::u16string target = u"C:\\Program Files\\Velqo\\vkr\\Upgrade\\IconAnimate_Update.exe";
};

TEST_F(UpgradeAnimateIconTest, DownloadsAndStartsTheUpdater) {
  system.http.Answer(AnimateIconDownloadUrl, 200, "MZ\x90\x00 updater");
  UpgradeAnimateIcon();
  ASSERT_EQ(system.http.requests.size(), 1u);
  EXPECT_EQ(system.http.requests[0].url, u"http://down.velqo.com/Velqo/vkr/animateicon/VelqoAnimateIcon.exe");
  // Abandoned when fewer than 1 KiB arrived in the last 30 s; each receive waits 10 s at most.
  EXPECT_EQ(Describe(system.http.requests[0].bounds), "read=10000 total=0 min=1024 window=30000");
  EXPECT_EQ(system.http.requests[0].cap, kMaxDownloadBytes);
  EXPECT_EQ(system.files.Contents(target), std::string("MZ\x90\x00 updater"));
  ASSERT_EQ(system.processes.started.size(), 1u);
  EXPECT_EQ(system.processes.started[0].command_line, u"\"" + target + u"\"");
  EXPECT_EQ(system.processes.started[0].creation_flags, 0x220u);
  EXPECT_FALSE(system.processes.started[0].hidden);
}

TEST_F(UpgradeAnimateIconTest, RefusesWhatIsNotAProgramAndKeepsTheEarlierOne) {
  system.files.PutFile(target, "MZ old");
  const struct {
    int status;
    std::string body;
  } rows[] = {{200, "<html>cafe portal</html>"}, {404, "MZ not found page"}, {500, ""}, {200, ""}};
  for (const auto& row : rows) {
    system.http.Answer(AnimateIconDownloadUrl, row.status, row.body);
    UpgradeAnimateIcon();
    EXPECT_TRUE(system.processes.started.empty()) << row.body;
    EXPECT_EQ(system.files.Contents(target), "MZ old");
    EXPECT_FALSE(system.files.FileExists(u"C:\\Program Files\\Velqo\\vkr\\IconAnimate_Update.exe.part"));
  }
  system.http.Fail(AnimateIconDownloadUrl, 12002);
  UpgradeAnimateIcon();
  EXPECT_TRUE(system.processes.started.empty());
}

TEST_F(UpgradeAnimateIconTest, TheUpgradeFolderIsMadeOnlyForAGoodDownload) {
  const std::u16string folder = u"C:\\Program Files\\Velqo\\vkr\\Upgrade";
  const std::u16string side = u"C:\\Program Files\\Velqo\\vkr\\IconAnimate_Update.exe.part";
  const struct {
    const char* name;
    int status;  // 0: the transfer fails
    std::string body;
  } rows[] = {{"unreachable", 0, ""}, {"portal page", 200, "<html>portal</html>"}, {"not found", 404, "MZ"}};
  for (const auto& row : rows) {
    if (row.status == 0) {
      system.http.Fail(AnimateIconDownloadUrl, 12002);
    } else {
      system.http.Answer(AnimateIconDownloadUrl, row.status, row.body);
    }
    UpgradeAnimateIcon();
    EXPECT_FALSE(system.files.DirectoryExists(folder)) << row.name;
    EXPECT_FALSE(system.files.FileExists(side)) << row.name;
    EXPECT_TRUE(system.processes.started.empty()) << row.name;
  }
  system.http.Answer(AnimateIconDownloadUrl, 200, "MZ updater");
  UpgradeAnimateIcon();
  EXPECT_TRUE(system.files.DirectoryExists(folder));
  EXPECT_EQ(system.files.Contents(folder + u"\\IconAnimate_Update.exe"), "MZ updater");
  EXPECT_FALSE(system.files.FileExists(side));
  EXPECT_EQ(system.processes.started.size(), 1u);
}

TEST_F(UpgradeAnimateIconTest, AnUnwritableFolderEndsSilently) {
  system.files.MakeReadOnly(u"C:\\Program Files\\Velqo\\vkr");
  system.http.Answer(AnimateIconDownloadUrl, 200, "MZ updater");
  UpgradeAnimateIcon();
  EXPECT_TRUE(system.processes.started.empty());
}

}  // namespace
}  // namespace vkr
