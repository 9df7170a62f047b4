// The uninstall mode on a desktop whose package manager owns the program's files: the same two
// questions, the other copies that share the user's data ended, and only what the launcher wrote
// for this user removed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/program.h"
#include "fakes/fake_system.h"
#include "platform/win_constants.h"
#include "uninstall/un_install.h"
#include "uninstall/un_install_desktop.h"

namespace vkr {
namespace {

using testing::FakeDesktop;
using testing::FakeSystem;

constexpr char16_t kConfig[] = u"/home/player/.local/share/velqo/vkr/lander.ini";
constexpr char16_t kCookies[] = u"/home/player/.local/share/velqo/vkr/web/cookies/cookies.db";
constexpr char16_t kStorage[] = u"/home/player/.local/share/velqo/vkr/web/localstorage/http_s12.localstorage";
constexpr char16_t kCacheRecord[] = u"/home/player/.cache/velqo/vkr/WebKitCache/Version 16/Records/abc";
// What is not the launcher's: another autostart entry, another game of the platform, a file the
// user put into the data folder, the program itself.
constexpr char16_t kOtherEntry[] = u"/home/player/.config/autostart/other.desktop";
constexpr char16_t kOtherGame[] = u"/home/player/.local/share/velqo/other/lander.ini";
constexpr char16_t kProgram[] = u"/usr/bin/vkr";
constexpr char16_t kSkin[] = u"/usr/share/vkr/Skin/loginBack.png";

class DesktopUninstallTest : public ::testing::Test {
 protected:
  DesktopUninstallTest() {
    system.UseDesktop();
    system.files.DeleteFile(system.files.module_path);
    system.files.module_path = kProgram;
    system.files.PutFile(kProgram, "ELF");
    system.files.PutFile(kSkin, "PNG");
    system.files.PutFile(kOtherEntry, "[Desktop Entry]\n");
    system.files.PutFile(FakeDesktop::kAutostartEntry, "[Desktop Entry]\nExec=/usr/bin/vkr /autorun\n");
    system.files.PutFile(kConfig, "[Common]\r\nRunCount=3\r\n");
    system.files.PutFile(kCookies, "cookies");
    system.files.PutFile(kStorage, "storage");
    system.files.PutFile(kCacheRecord, "cache");
  }
  FakeSystem system;
};

TEST_F(DesktopUninstallTest, ConfirmedRemovesWhatTheLauncherWroteAndKeepsEverythingElse) {
  system.files.PutFile(kOtherGame, "[Common]\r\n");
  system.ui.answers = {win::IDOK};

  EXPECT_TRUE(RunDesktopUninstall());

  ASSERT_EQ(system.ui.boxes.size(), 1u);
  EXPECT_EQ(system.ui.boxes[0].text, u"您确定要卸载VelqoMorvane吗？");
  EXPECT_EQ(system.ui.boxes[0].caption, u"卸载提示");
  EXPECT_EQ(system.ui.boxes[0].type, 0x121u);
  const std::vector<std::u16string> left = {kOtherEntry, kOtherGame, kSkin, kProgram};
  std::vector<std::u16string> files = system.files.AllFiles();
  std::sort(files.begin(), files.end());
  std::vector<std::u16string> expected = left;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(files, expected);
  EXPECT_FALSE(system.files.DirectoryExists(FakeDesktop::kDataDir));
  EXPECT_FALSE(system.files.DirectoryExists(u"/home/player/.cache/velqo"));
  // The vendor folder still holds another game; the autostart folder another entry.
  EXPECT_TRUE(system.files.DirectoryExists(u"/home/player/.local/share/velqo"));
  EXPECT_TRUE(system.files.DirectoryExists(u"/home/player/.config/autostart"));
  EXPECT_TRUE(system.files.DirectoryExists(u"/home/player/.cache"));
  // Nothing of the Windows way: no batch, no process started, no shortcut or registry work.
  EXPECT_TRUE(system.processes.started.empty());
  EXPECT_TRUE(system.processes.terminated.empty());
  EXPECT_TRUE(system.shell.executions.empty());
}

TEST_F(DesktopUninstallTest, AFileOfTheUsersInTheDataFolderKeepsItAndItsParent) {
  system.files.PutFile(u"/home/player/.local/share/velqo/vkr/notes.txt", "mine");
  system.ui.answers = {win::IDOK};
  EXPECT_TRUE(RunDesktopUninstall());
  EXPECT_EQ(system.files.Contents(u"/home/player/.local/share/velqo/vkr/notes.txt"), "mine");
  EXPECT_FALSE(system.files.FileExists(kConfig));
  EXPECT_FALSE(system.files.DirectoryExists(FakeDesktop::kWebData));
  EXPECT_FALSE(system.files.DirectoryExists(u"/home/player/.cache/velqo"));
}

TEST_F(DesktopUninstallTest, AnythingButOkOnEitherQuestionChangesNothing) {
  for (const bool other_copy : {false, true}) {
    for (const int answer : {win::IDCANCEL, 0}) {
      FakeSystem fresh;
      fresh.UseDesktop();
      fresh.files.PutFile(FakeDesktop::kAutostartEntry, "[Desktop Entry]\n");
      fresh.files.PutFile(kConfig, "[Common]\r\n");
      fresh.files.PutFile(kCookies, "cookies");
      fresh.files.PutFile(kCacheRecord, "cache");
      if (other_copy) fresh.desktop.other_copies = {4242};
      const std::vector<std::u16string> before = fresh.files.AllFiles();
      fresh.ui.answers = other_copy ? std::vector<int>{win::IDOK, answer} : std::vector<int>{answer};

      EXPECT_FALSE(RunDesktopUninstall());

      ASSERT_EQ(fresh.ui.boxes.size(), other_copy ? 2u : 1u);
      if (other_copy) {
        EXPECT_EQ(fresh.ui.boxes[1].text, u"检测到您正在运行 VelqoMorvane，您确定要强制退出并且卸载吗？");
        EXPECT_EQ(fresh.ui.boxes[1].type, 0x121u);
      }
      EXPECT_EQ(fresh.files.AllFiles(), before);
      EXPECT_TRUE(fresh.files.deleted.empty());
      EXPECT_TRUE(fresh.processes.terminated.empty());
    }
  }
}

TEST_F(DesktopUninstallTest, OtherCopiesAreEndedBeforeTheirDataGoes) {
  system.desktop.other_copies = {301, 302};
  system.ui.answers = {win::IDOK, win::IDOK};
  EXPECT_TRUE(RunDesktopUninstall());
  EXPECT_EQ(system.ui.boxes.size(), 2u);
  EXPECT_EQ(system.processes.terminated, (std::vector<std::uint32_t>{301, 302}));
  EXPECT_FALSE(system.files.FileExists(kConfig));
  // One pause, then the list is asked again and found empty.
  EXPECT_EQ(system.clock.sleeps, std::vector<std::uint32_t>{kTerminatePauseMs});
}

TEST_F(DesktopUninstallTest, ACopyThatWillNotEndIsAskedABoundedNumberOfTimesThenLeft) {
  system.desktop.other_copies = {301};
  system.desktop.unkillable = {301};
  system.ui.answers = {win::IDOK, win::IDOK};
  EXPECT_TRUE(RunDesktopUninstall());
  EXPECT_EQ(system.processes.terminated.size(), static_cast<std::size_t>(kMaxTerminateRounds));
  EXPECT_EQ(system.clock.sleeps.size(), static_cast<std::size_t>(kMaxTerminateRounds - 1));
  EXPECT_FALSE(system.files.FileExists(kConfig));
}

TEST_F(DesktopUninstallTest, ATreeWithLinksLosesTheLinksButNotWhatTheyPointAt) {
  system.files.PutFile(u"/home/player/Documents/save.dat", "precious");
  system.files.PutLink(u"/home/player/.cache/velqo/vkr/link", u"/home/player/Documents");
  DeleteDesktopTree(FakeDesktop::kWebCache);
  EXPECT_FALSE(system.files.DirectoryExists(FakeDesktop::kWebCache));
  EXPECT_EQ(system.files.Contents(u"/home/player/Documents/save.dat"), "precious");
  // A link named as the tree itself is removed as a link.
  system.files.PutLink(u"/home/player/.cache/velqo/vkr", u"/home/player/Documents");
  DeleteDesktopTree(FakeDesktop::kWebCache);
  EXPECT_EQ(system.files.Contents(u"/home/player/Documents/save.dat"), "precious");
  // No tree is removed from a relative path or the root.
  DeleteDesktopTree(u"/");
  DeleteDesktopTree(u"home/player/Documents");
  EXPECT_EQ(system.files.Contents(u"/home/player/Documents/save.dat"), "precious");
}

TEST_F(DesktopUninstallTest, TheSwitchRunsTheDesktopsUninstallWhereThereIsADesktop) {
  system.processes.arguments = {u"/UNINST"};
  system.ui.answers = {win::IDOK};
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_FALSE(system.files.FileExists(kConfig));
  EXPECT_FALSE(system.files.FileExists(FakeDesktop::kAutostartEntry));
  EXPECT_TRUE(system.files.FileExists(kProgram));
  EXPECT_TRUE(system.processes.started.empty());
  EXPECT_EQ(system.ui.gui_starts, 0);
}

}  // namespace
}  // namespace vkr
