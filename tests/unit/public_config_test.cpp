#include "common/public_config.h"

#include <gtest/gtest.h>

#include "fakes/fake_system.h"

namespace vkr {
namespace {

using testing::FakeSystem;

TEST(LoadConfigTest, MissingFileGivesDefaultsAndCreatesDataDir) {
  FakeSystem system;
  LoadConfig();
  EXPECT_EQ(LanderExeName, u"vkr");
  EXPECT_EQ(GameLoginUrl, u"http://login.velqo.com/client/index.php?regtimes=1&refer=123ss");
  EXPECT_EQ(VersionCheck, u"http://down.velqo.com/Velqo/vkr/official1/app.ini");
  EXPECT_EQ(VersionDownLoad, u"http://down.velqo.com/Velqo/vkr/official1/Viziv_Ezadariz.exe");
  EXPECT_EQ(Refer, u"client");
  EXPECT_EQ(UID, u"");
  EXPECT_TRUE(system.files.DirectoryExists(u"C:\\ProgramData\\Velqo\\vkr"));
  EXPECT_FALSE(system.files.FileExists(FakeSystem::kConfigPath));
}

TEST(LoadConfigTest, PresentKeysWinAndEmptyValuesStayEmpty) {
  FakeSystem system;
  system.files.PutFile(FakeSystem::kConfigPath,
                       "[Install]\r\nRefer=wrong-section\r\n"
                       "[Common]\r\nLanderExeName=mygame\r\nGameLoginUrl=\r\nVersionCheck=http://a/app.ini\r\n"
                       "VersionDownLoad=http://a/setup.exe\r\nRefer=cafe88\r\nUID=推广员7\r\n");
  LoadConfig();
  EXPECT_EQ(LanderExeName, u"mygame");
  EXPECT_EQ(GameLoginUrl, u"");
  EXPECT_EQ(VersionCheck, u"http://a/app.ini");
  EXPECT_EQ(VersionDownLoad, u"http://a/setup.exe");
  EXPECT_EQ(Refer, u"cafe88");
  EXPECT_EQ(UID, u"推广员7");
}

TEST(LoadConfigTest, TheProgramNameIsUsedOnlyWhenItIsAPlainFileName) {
  const struct {
    std::string value;
    std::u16string taken;
  } rows[] = {
      {"mygame", u"mygame"},
      {"我的 游戏.v2", u"我的 游戏.v2"},
      {std::string(259, 'n'), std::u16string(259, u'n')},
      {std::string(260, 'n'), u"vkr"},
      {"", u"vkr"},
      {"..\\..\\Windows\\evil", u"vkr"},
      {"sub\\vkr", u"vkr"},
      {"sub/vkr", u"vkr"},
      {"C:evil", u"vkr"},
      {"vkr\" /autorun2", u"vkr"},
      {"a..b", u"vkr"},
      {"tab\tname", u"vkr"},
      {"be\x07ll", u"vkr"},
  };
  for (const auto& row : rows) {
    FakeSystem system;
    system.files.PutFile(FakeSystem::kConfigPath, "[Common]\r\nLanderExeName=" + row.value + "\r\n");
    LoadConfig();
    EXPECT_EQ(LanderExeName, row.taken) << row.value;
  }
}

TEST(LoadConfigTest, BinaryOrHugeFilesGiveDefaultsOrBoundedValues) {
  FakeSystem system;
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 131) & 0xFF));
  system.files.PutFile(FakeSystem::kConfigPath, binary);
  LoadConfig();
  EXPECT_EQ(Refer, u"client");

  system.files.PutFile(FakeSystem::kConfigPath, "[Common]\nRefer=" + std::string(100000, 'r') + "\n");
  LoadConfig();
  EXPECT_EQ(Refer.size(), 2047u);
}

}  // namespace
}  // namespace vkr
