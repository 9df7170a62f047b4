#include "platform/win32/profile_store_win32.h"

#include <gtest/gtest.h>

#include <string>

#include "common/text.h"
#include "win32/win32_test_support.h"

namespace vkr::win32 {
namespace {

using vkr::testing::ScratchFolder;

constexpr std::size_t kBuffer = 260;

TEST(Win32ProfileStoreTest, MissingGivesTheDefaultAndEmptyGivesEmpty) {
  ScratchFolder folder;
  const std::u16string path = folder.path() + u"lander.ini";
  Win32ProfileStore store;
  EXPECT_EQ(store.ReadString(path, u"Common", u"Refer", u"client", kBuffer), u"client");  // no file

  ASSERT_TRUE(vkr::testing::WriteWholeFile(path, "[Common]\r\nGameLoginUrl=\r\nRefer=site7\r\nRunCount=abc\r\n"));
  EXPECT_EQ(store.ReadString(path, u"Common", u"GameLoginUrl", u"http://default/", kBuffer), u"");
  EXPECT_EQ(store.ReadString(path, u"Common", u"refer", u"client", kBuffer), u"site7");  // keys ignore case
  EXPECT_EQ(store.ReadString(path, u"Common", u"UID", u"", kBuffer), u"");
  EXPECT_EQ(store.ReadString(path, u"Common", u"LanderExeName", u"vkr", kBuffer), u"vkr");
  EXPECT_EQ(store.ReadString(path, u"Install", u"RunCount", u"0", kBuffer), u"0");  // other section
  EXPECT_EQ(store.ReadString(path, u"Common", u"RunCount", u"", kBuffer), u"abc");
  EXPECT_EQ(store.ReadString(path, u"Common", u"Refer", u"", 0), u"");
}

TEST(Win32ProfileStoreTest, WritesCreateTheFileAndReadBack) {
  ScratchFolder folder;
  const std::u16string path = folder.path() + u"lander.ini";
  Win32ProfileStore store;
  EXPECT_TRUE(store.WriteString(path, u"Common", u"RunCount", u"1"));
  EXPECT_TRUE(store.WriteString(path, u"Install", u"GUID", u"{0A1B2C3D-0000-1111-2222-333344445555}"));
  EXPECT_TRUE(store.WriteString(path, u"Common", u"RunCount", u"2"));
  EXPECT_EQ(store.ReadString(path, u"Common", u"RunCount", u"", kBuffer), u"2");
  EXPECT_EQ(store.ReadString(path, u"Install", u"GUID", u"", kBuffer), u"{0A1B2C3D-0000-1111-2222-333344445555}");
  // The file is really written, not only cached.
  const std::string bytes = vkr::testing::ReadWholeFile(path);
  EXPECT_NE(bytes.find("RunCount=2"), std::string::npos) << bytes;
  EXPECT_NE(bytes.find("[Install]"), std::string::npos) << bytes;

  EXPECT_FALSE(store.WriteString(folder.path() + u"absent\\lander.ini", u"Common", u"RunCount", u"1"));
}

TEST(Win32ProfileStoreTest, LongValuesAreCutAtTheBuffer) {
  ScratchFolder folder;
  const std::u16string path = folder.path() + u"lander.ini";
  std::string line = "[Install]\r\nGUID=";
  std::u16string value;
  for (int i = 0; i < 300; ++i) value += static_cast<char16_t>(u'a' + i % 26);
  line += ToUtf8(value) + "\r\n";
  ASSERT_TRUE(vkr::testing::WriteWholeFile(path, line));
  Win32ProfileStore store;
  const std::u16string read = store.ReadString(path, u"Install", u"GUID", u"", kBuffer);
  EXPECT_EQ(read, value.substr(0, 259));
  EXPECT_EQ(store.ReadString(path, u"Install", u"GUID", u"", 1000), value);
}

TEST(Win32ProfileStoreTest, ChineseValuesRoundTripUnderAChineseLocale) {
  // A new file is written in the ANSI code page, so Chinese text needs a Chinese one.
  if (vkr::testing::AnsiCodePage() != 936) GTEST_SKIP() << "run Wine with LC_ALL=zh_CN.UTF-8 for this case";
  ScratchFolder folder;
  const std::u16string path = folder.path() + u"lander.ini";
  Win32ProfileStore store;
  const std::u16string value = u"Velqo游戏中心 用户";
  EXPECT_TRUE(store.WriteString(path, u"Common", u"UID", value));
  EXPECT_EQ(store.ReadString(path, u"Common", u"UID", u"", kBuffer), value);
}

TEST(Win32ProfileStoreTest, ChineseValuesRoundTripInAUnicodeFile) {
  // A file that begins with the UTF-16LE byte order mark is read and written as UTF-16 in any
  // locale.
  ScratchFolder folder;
  const std::u16string path = folder.path() + u"lander.ini";
  std::string bom_file = "\xFF\xFE";
  for (const std::uint8_t byte : ToUtf16LeBytes(u"[Common]\r\nRefer=推广\r\n", false))
    bom_file += static_cast<char>(byte);
  ASSERT_TRUE(vkr::testing::WriteWholeFile(path, bom_file));
  Win32ProfileStore store;
  EXPECT_EQ(store.ReadString(path, u"Common", u"Refer", u"", kBuffer), u"推广");
  EXPECT_TRUE(store.WriteString(path, u"Common", u"UID", u"玩家"));
  EXPECT_EQ(store.ReadString(path, u"Common", u"UID", u"", kBuffer), u"玩家");
}

}  // namespace
}  // namespace vkr::win32
