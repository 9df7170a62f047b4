// The desktop seam: where an edition installs its own conventions, the shared helpers follow them
// instead of the Windows shell's: the data folder and the skin, addresses opened outside, no
// self-update, and the autostart entry in place of the Run key.
#include "platform/desktop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/desktop_entry.h"
#include "common/public_config.h"
#include "common/public_unit.h"
#include "common/text.h"
#include "fakes/fake_system.h"
#include "login/updata_thread.h"
#include "platform/win_constants.h"

namespace vkr {
namespace {

using testing::FakeDesktop;
using testing::FakeSystem;

constexpr char16_t kRunPath[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class DesktopTest : public ::testing::Test {
 protected:
  DesktopTest() {
    system.UseDesktop();
    system.files.module_path = u"/usr/bin/vkr";
    system.files.PutFile(system.files.module_path, "ELF");
  }
  std::string Entry() const { return system.files.Contents(FakeDesktop::kAutostartEntry); }
  FakeSystem system;
};

TEST_F(DesktopTest, PathsComeFromTheDesktopAndNotFromTheShell) {
  EXPECT_EQ(GetDataDir(), u"/home/player/.local/share/velqo/vkr/");
  EXPECT_EQ(GetConfigPath(), u"/home/player/.local/share/velqo/vkr/lander.ini");
  EXPECT_EQ(GetLoginSkinPath(), u"/usr/share/vkr/Skin/loginBack.png");
  EXPECT_TRUE(system.files.DirectoryExists(FakeDesktop::kDataDir));
  // Nothing was created on the Windows side of the fakes.
  EXPECT_FALSE(system.files.DirectoryExists(FakeSystem::kDataDir));
}

TEST_F(DesktopTest, AddressesOpenThroughTheDesktopOnly) {
  OpenUrlInIE(77, PayUrl + u"&x=\"quoted\"");
  ASSERT_EQ(system.desktop.opened.size(), 1u);
  EXPECT_EQ(system.desktop.opened[0].owner, 77u);
  // The address goes as it is: the desktop passes it as one argument, no quoting needed.
  EXPECT_EQ(system.desktop.opened[0].url, PayUrl + u"&x=\"quoted\"");
  EXPECT_TRUE(system.shell.executions.empty());
}

TEST_F(DesktopTest, WithoutSelfUpdatesNothingIsDownloadedOrStarted) {
  system.http.Answer(AnimateIconDownloadUrl, 200, "MZ updater");
  UpgradeAnimateIcon();
  EXPECT_FALSE(TUpdataThread::Start([] {}));
  system.threads.RunAll();
  EXPECT_TRUE(system.http.requests.empty());
  EXPECT_TRUE(system.processes.started.empty());
  EXPECT_EQ(system.threads.started, 0);
}

TEST_F(DesktopTest, WithSelfUpdatesTheWorkerStartsAsOnWindows) {
  system.desktop.self_updates = true;
  EXPECT_TRUE(TUpdataThread::Start([] {}));
  EXPECT_EQ(system.threads.started, 1);
}

TEST_F(DesktopTest, AutoRunWritesFindsAndRemovesTheAutostartEntryAndNeverTheRunKey) {
  EXPECT_FALSE(HasAutoRun());
  AddAutoRun(ApplicationTitle);
  EXPECT_TRUE(HasAutoRun());
  EXPECT_EQ(Entry(),
            "[Desktop Entry]\n"
            "Type=Application\n"
            "Version=1.0\n"
            "Name=VelqoMorvane\n"
            "Name[zh_CN]=墨梵\n"
            "Comment=Starts the VelqoMorvane launcher when you log in\n"
            "Exec=/usr/bin/vkr /autorun\n"
            "Icon=vkr\n"
            "Terminal=false\n"
            "X-GNOME-Autostart-enabled=true\n");
  // Written through a side file that does not stay behind.
  EXPECT_FALSE(system.files.FileExists(std::u16string(FakeDesktop::kAutostartEntry) + u".new"));
  // An entry that is there and enabled is left as it is, whatever it holds.
  system.files.PutFile(FakeDesktop::kAutostartEntry, "[Desktop Entry]\nExec=/opt/other /autorun\n");
  AddAutoRun(u"");
  EXPECT_EQ(Entry(), "[Desktop Entry]\nExec=/opt/other /autorun\n");
  RemoveAutoRun(ApplicationTitle);
  EXPECT_FALSE(system.files.FileExists(FakeDesktop::kAutostartEntry));
  EXPECT_FALSE(HasAutoRun());
  RemoveAutoRun(ApplicationTitle);  // nothing left to remove: no harm
  EXPECT_FALSE(system.registry.HasKey(win::HKEY_CURRENT_USER, kRunPath));
}

TEST_F(DesktopTest, AnEntryTheSessionSwitchedOffCountsAsAbsentAndIsReplacedWhenAdded) {
  system.files.PutFile(FakeDesktop::kAutostartEntry, "[Desktop Entry]\nExec=/usr/bin/vkr /autorun\nHidden=true\n");
  EXPECT_FALSE(HasAutoRun());
  AddAutoRun(ApplicationTitle);
  EXPECT_TRUE(HasAutoRun());
  EXPECT_NE(Entry().find("Exec=/usr/bin/vkr /autorun\n"), std::string::npos);
  EXPECT_EQ(Entry().find("Hidden"), std::string::npos);
}

TEST_F(DesktopTest, NoEntryIsWrittenWithoutAPlaceOrForAPathNoExecLineHolds) {
  system.desktop.autostart_entry_path.clear();
  AddAutoRun(ApplicationTitle);
  EXPECT_FALSE(HasAutoRun());
  system.desktop.autostart_entry_path = FakeDesktop::kAutostartEntry;
  system.files.module_path = u"/opt/a=b/vkr";
  AddAutoRun(ApplicationTitle);
  EXPECT_FALSE(system.files.FileExists(FakeDesktop::kAutostartEntry));
  // A folder that cannot be written: nothing, and no side file either.
  system.files.module_path = u"/usr/bin/vkr";
  system.files.PutDirectory(u"/home/player/.config/autostart");
  system.files.MakeReadOnly(u"/home/player/.config/autostart");
  AddAutoRun(ApplicationTitle);
  EXPECT_FALSE(HasAutoRun());
  EXPECT_TRUE(system.files.written.empty());
}

TEST(QuoteExecWordTest, QuotesReservedCharactersAndEscapesForTheValue) {
  struct Row {
    std::u16string word;
    std::u16string quoted;
  };
  const Row rows[] = {
      {u"/usr/bin/vkr", u"/usr/bin/vkr"},
      {u"/home/玩家/vkr", u"/home/玩家/vkr"},
      {u"/opt/My Games/vkr", u"\"/opt/My Games/vkr\""},
      {u"/opt/it's/vkr", u"\"/opt/it's/vkr\""},
      {u"/opt/$HOME/vkr", u"\"/opt/\\\\$HOME/vkr\""},
      {u"/opt/a\"b/vkr", u"\"/opt/a\\\\\"b/vkr\""},
      {u"/opt/a\\b/vkr", u"\"/opt/a\\\\\\\\b/vkr\""},
      {u"/opt/a`b/vkr", u"\"/opt/a\\\\`b/vkr\""},
      {u"/opt/100%/vkr", u"/opt/100%%/vkr"},
      {u"/opt/100% sure/vkr", u"\"/opt/100%% sure/vkr\""},
      {u"/opt/~x/(1)/vkr", u"\"/opt/~x/(1)/vkr\""},
      {u"", u""},
      {u"/opt/a\nb/vkr", u""},
      {u"/opt/a\tb/vkr", u""},
      {u"/opt/\uFFFD/vkr", u""},
  };
  for (const Row& row : rows) EXPECT_EQ(QuoteExecWord(row.word), row.quoted) << ToUtf8(row.word);
}

TEST(AutostartEntryTest, IsEnabledUnlessTheEntryGroupHidesOrSwitchesItOff) {
  struct Row {
    const char* text;
    bool enabled;
  };
  const Row rows[] = {
      {"[Desktop Entry]\nExec=vkr /autorun\n", true},
      {"", true},
      {"[Desktop Entry]\nHidden=true\n", false},
      {"[Desktop Entry]\r\nHidden = true\r\n", false},
      {"[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", false},
      {"[Desktop Entry]\nHidden=false\nX-GNOME-Autostart-enabled=true\n", true},
      // Keys and values are case-sensitive, and only the entry's own group counts.
      {"[Desktop Entry]\nhidden=true\nHidden=True\n", true},
      {"[Desktop Action x]\nHidden=true\n", true},
      {"# Hidden=true\n[Desktop Entry]\n", true},
  };
  for (const Row& row : rows) EXPECT_EQ(IsAutostartEntryEnabled(row.text), row.enabled) << row.text;
}

}  // namespace
}  // namespace vkr
