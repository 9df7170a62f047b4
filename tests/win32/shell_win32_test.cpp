#include "platform/win32/shell_win32.h"

#include <gtest/gtest.h>

#include <string>

#include "common/text.h"
#include "platform/win32/files_win32.h"
#include "platform/win_constants.h"
#include "win32/win32_test_support.h"

namespace vkr::win32 {
namespace {

using vkr::testing::ScratchFolder;

TEST(Win32ShellTest, NamesSpecialFoldersWithoutCreatingThem) {
  Win32Shell shell;
  Win32Files files;
  for (const int csidl : {win::CSIDL_COMMON_APPDATA, win::CSIDL_DESKTOPDIRECTORY, win::CSIDL_PROGRAMS,
                          win::CSIDL_COMMON_PROGRAMS, win::CSIDL_STARTMENU, win::CSIDL_COMMON_STARTMENU}) {
    const std::u16string folder = shell.SpecialFolder(csidl);
    EXPECT_FALSE(folder.empty()) << csidl;
    EXPECT_EQ(folder.find(u'\0'), std::u16string::npos);
    EXPECT_NE(folder.back(), u'\\') << ToUtf8(folder);  // the shell gives no trailing separator
  }
  EXPECT_TRUE(files.DirectoryExists(shell.SpecialFolder(win::CSIDL_COMMON_APPDATA)));
  EXPECT_EQ(shell.SpecialFolder(0x7F), u"");  // no such folder
}

TEST(Win32ShellTest, NamesTheKnownFoldersThatHaveNoNumber) {
  Win32Shell shell;
  const std::u16string profile = shell.SpecialFolder(win::CSIDL_PROFILE) + u"\\";
  const struct {
    KnownFolder folder;
    const char16_t* below_profile;
  } rows[] = {
      {KnownFolder::kDownloads, u"Downloads"},
      {KnownFolder::kSavedGames, u"Saved Games"},
      {KnownFolder::kLinks, u"Links"},
      {KnownFolder::kLocalAppDataLow, u"AppData\\LocalLow"},
  };
  for (const auto& row : rows) {
    EXPECT_TRUE(EqualsIgnoreCaseAscii(shell.KnownFolderPath(row.folder), profile + row.below_profile))
        << ToUtf8(shell.KnownFolderPath(row.folder));
  }
  // The per-user program folder is unknown to older systems (and to Wine); where it is known it
  // lies in the local application data.
  const std::u16string programs = shell.KnownFolderPath(KnownFolder::kUserProgramFiles);
  EXPECT_TRUE(programs.empty() ||
              EqualsIgnoreCaseAscii(programs, shell.SpecialFolder(win::CSIDL_LOCAL_APPDATA) + u"\\Programs"))
      << ToUtf8(programs);
}

TEST(Win32ShellTest, ResolvesAShortcutToItsTarget) {
  ScratchFolder scratch;
  const std::u16string target = scratch.path() + u"vkr.exe";
  ASSERT_TRUE(vkr::testing::WriteWholeFile(target, "MZ"));
  const std::u16string link = scratch.path() + u"Velqo游戏.lnk";
  ASSERT_TRUE(vkr::testing::CreateShortcut(link, target));

  Win32Shell shell;
  EXPECT_TRUE(EqualsIgnoreCaseAscii(shell.ResolveShortcut(link), target)) << ToUtf8(shell.ResolveShortcut(link));
  EXPECT_EQ(shell.ResolveShortcut(scratch.path() + u"absent.lnk"), u"");
  ASSERT_TRUE(vkr::testing::WriteWholeFile(scratch.path() + u"broken.lnk", "not a link"));
  EXPECT_EQ(shell.ResolveShortcut(scratch.path() + u"broken.lnk"), u"");
  EXPECT_EQ(shell.ResolveShortcut(u""), u"");
}

TEST(Win32ShellTest, ExecuteReportsTheShellsResult) {
  ScratchFolder scratch;
  const std::u16string marker = scratch.path() + u"ran.txt";
  Win32Shell shell;
  const std::intptr_t started =
      shell.Execute(kNoWindow, u"open", u"cmd.exe", u"/c echo ran> \"" + marker + u"\"", scratch.path(), win::SW_HIDE);
  EXPECT_GT(started, 32);
  EXPECT_TRUE(vkr::testing::WaitUntil(
      [&] { return vkr::testing::ReadWholeFile(marker).find("ran") != std::string::npos; }, 20000));

  EXPECT_LE(shell.Execute(kNoWindow, u"", scratch.path() + u"absent.exe", u"", u"", win::SW_SHOWNORMAL), 32);
}

}  // namespace
}  // namespace vkr::win32
