#include "statistics/net_bar.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/text.h"
#include "fakes/fake_system.h"
#include "platform/win_constants.h"

namespace vkr {
namespace {

using testing::FakeRegistry;
using testing::FakeSystem;

constexpr RegKey kHklm = win::HKEY_LOCAL_MACHINE;
constexpr char16_t kRun[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char16_t kWinlogon[] = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr char16_t kUninstall[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// Many stage-2 keys are also stage-1 keys; making "software" itself unreadable skips stage 1, so
// that the value checks behind those keys can be seen.
void SkipKeyStage(FakeSystem& s) { s.registry.RestrictAccess(kHklm, u"SOFTWARE", 0); }

void Uninstall(FakeSystem& s, const std::u16string& entry, const std::u16string& display_name) {
  s.registry.PutString(kHklm, std::u16string(kUninstall) + u"\\" + entry, u"DisplayName", display_name);
}

struct Fixture {
  const char* name;
  std::function<void(FakeSystem&)> setup;
  std::int32_t code;
};

void RunFixtures(const std::vector<Fixture>& fixtures) {
  for (const Fixture& fixture : fixtures) {
    FakeSystem s;
    fixture.setup(s);
    EXPECT_EQ(GetNetBarType(), fixture.code) << fixture.name;
    EXPECT_EQ(s.registry.open_keys(), 0) << fixture.name;
    for (const auto& request : s.registry.requests) {
      EXPECT_EQ(request.access & (win::KEY_WOW64_32KEY | win::KEY_WOW64_64KEY), 0u) << fixture.name;
      EXPECT_FALSE(request.create) << fixture.name;
    }
  }
}

TEST(GetNetBarTypeTest, ProductKeysAloneAreTraces) {
  struct Row {
    const char16_t* subkey;
    std::int32_t code;
  };
  const Row rows[] = {
      {u"Hintsoft\\PubwinClient", 0},
      {u"Hintsoft\\pubwin", 0},
      {u"Sicent\\wx2004Clt", 1},
      {u"MpSoft\\smenu", 2},
      {u"Microsoft\\jingzu", 4},
      {u"iCafe8", 6},
      {u"Goyoo\\i8desk", 7},
      {u"Hintsoft1\\XunShanPro", 8},
      {u"SyncExpertNetBar", 9},
      {u"EYOOCLIENTSTATUS", 11},
      {u"RICHTECH", 12},
  };
  for (const Row& row : rows) {
    FakeSystem s;
    s.registry.PutKey(kHklm, std::u16string(u"SOFTWARE\\") + row.subkey);
    EXPECT_EQ(GetNetBarType(), row.code) << ToUtf8(row.subkey);
    EXPECT_TRUE(CheckNetBar());
    EXPECT_EQ(s.registry.open_keys(), 0);
  }
}

TEST(GetNetBarTypeTest, Fixtures) {
  RunFixtures({
      {"clean machine", [](FakeSystem&) {}, -1},
      {"two products: the earlier step wins",
       [](FakeSystem& s) {
         s.registry.PutKey(kHklm, u"SOFTWARE\\Richtech");
         s.registry.PutKey(kHklm, u"SOFTWARE\\Hintsoft\\pubwin");
       },
       0},
      {"a key in the 64-bit view only is not seen",
       [](FakeSystem& s) { s.registry.PutKey(kHklm, u"SOFTWARE\\iCafe8", FakeRegistry::View::k64); }, -1},
      {"software readable with query rights only still runs stage 1",
       [](FakeSystem& s) {
         s.registry.RestrictAccess(kHklm, u"SOFTWARE", win::KEY_QUERY_VALUE);
         s.registry.PutKey(kHklm, u"SOFTWARE\\iCafe8");
       },
       6},
      {"software unreadable: stage 3 still runs",
       [](FakeSystem& s) {
         SkipKeyStage(s);
         Uninstall(s, u"Richtech", u"锐起游戏共享精灵 3.0");
       },
       12},
      {"install folder without the program",
       [](FakeSystem& s) {
         SkipKeyStage(s);
         s.registry.PutString(kHklm, u"SOFTWARE\\Hintsoft\\PubwinClient", u"InstallDir", u"D:\\Pubwin");
         s.files.PutDirectory(u"D:\\Pubwin\\PubwinClient.exe");
       },
       -1},
      {"ExEPath naming a file",
       [](FakeSystem& s) {
         SkipKeyStage(s);
         s.registry.PutValue(kHklm, u"SOFTWARE\\Hintsoft\\pubwin", u"ExEPath", win::REG_EXPAND_SZ,
                             ToUtf16LeBytes(u"D:\\pw\\client.exe", true));
         s.files.PutFile(u"D:\\pw\\client.exe", "MZ");
       },
       0},
      {"logon chain with a quoted barclient.exe",
       [](FakeSystem& s) {
         s.registry.PutString(kHklm, kWinlogon, u"Userinit",
                              u"C:\\Windows\\system32\\userinit.exe,\"C:\\bar\\BarClient.exe\"");
         s.files.PutFile(u"C:\\Windows\\system32\\userinit.exe", "MZ");
         s.files.PutFile(u"C:\\bar\\BarClient.exe", "MZ");
       },
       3},
      {"a string value cut at its first zero",
       [](FakeSystem& s) {
         std::vector<std::uint8_t> data = ToUtf16LeBytes(u"C:\\gbt\\gamebt.exe", true);
         const std::vector<std::uint8_t> tail = ToUtf16LeBytes(u"junk", true);
         data.insert(data.end(), tail.begin(), tail.end());
         s.registry.PutValue(kHklm, kRun, u"ZGamebtClient", win::REG_SZ, data);
         s.files.PutFile(u"C:\\gbt\\gamebt.exe", "MZ");
       },
       10},
      {"binary ExEPath ends the detection although a later product is present",
       [](FakeSystem& s) {
         SkipKeyStage(s);
         s.registry.PutValue(kHklm, u"SOFTWARE\\Hintsoft\\pubwin", u"ExEPath", win::REG_BINARY, {1, 2, 3});
         s.registry.PutString(kHklm, kRun, u"ZGamebtClient", u"C:\\gbt\\gamebt.exe");
         s.files.PutFile(u"C:\\gbt\\gamebt.exe", "MZ");
         Uninstall(s, u"EYOO", u"EYOO2008 For EYOONET");
       },
       -1},
      {"binary ExEPath without data reads as empty",
       [](FakeSystem& s) {
         SkipKeyStage(s);
         s.registry.PutValue(kHklm, u"SOFTWARE\\Hintsoft\\pubwin", u"ExEPath", win::REG_BINARY, {});
         Uninstall(s, u"EYOO", u"EYOO2008 For EYOONET");
       },
       11},
      {"uninstall display name holding the mark inside a longer name",
       [](FakeSystem& s) { Uninstall(s, u"{A1}", u"网吧迅闪游戏更新客户端"); }, 8},
      {"uninstall marks are case-sensitive", [](FakeSystem& s) { Uninstall(s, u"{A1}", u"eyoo2008 for eyoonet"); }, -1},
      {"Qmenu entry", [](FakeSystem& s) { Uninstall(s, u"Qmenu", u"天下网吧Qmenu 2.1"); }, 13},
      {"a numeric display name is empty and the scan goes on",
       [](FakeSystem& s) {
         s.registry.PutDword(kHklm, std::u16string(kUninstall) + u"\\first", u"DisplayName", 7);
         Uninstall(s, u"second", u"EYOO2008 For EYOONET");
       },
       11},
      {"uninstall entries in list order",
       [](FakeSystem& s) {
         Uninstall(s, u"first", u"天下网吧Qmenu");
         Uninstall(s, u"second", u"迅闪");
       },
       13},
      {"within one entry the marks go in their order",
       [](FakeSystem& s) { Uninstall(s, u"both", u"天下网吧Qmenu 迅闪"); }, 8},
      {"an uninstall entry that cannot be opened is skipped",
       [](FakeSystem& s) {
         Uninstall(s, u"locked", u"迅闪");
         s.registry.RestrictAccess(kHklm, std::u16string(kUninstall) + u"\\locked", 0);
         Uninstall(s, u"open", u"锐起游戏共享精灵");
       },
       12},
  });
}

// Stage 2 where one value names the program (or its folder): with "software" unreadable when the
// value's key is also a stage-1 key.
struct ProgramValue {
  const char* name;
  bool skip_key_stage;
  const char16_t* key;
  const char16_t* value;
  const char16_t* text;
  const char16_t* file;  // the program file that exists, or none
  std::int32_t code;
};

TEST(GetNetBarTypeTest, ValuesThatNameTheProgram) {
  const ProgramValue rows[] = {
      {"software unreadable: stage 2 still runs", true, u"SOFTWARE\\Hintsoft\\PubwinClient", u"InstallDir",
       u"D:\\Pubwin", u"D:\\Pubwin\\PubwinClient.exe", 0},
      {"install folder with its separator", true, u"SOFTWARE\\Hintsoft\\PubwinClient", u"InstallDir", u"D:\\Pubwin\\",
       u"D:\\Pubwin\\PubwinClient.exe", 0},
      {"wxClient naming CLSMN.EXE in capitals", false, kRun, u"wxClient", u"C:\\wx\\CLSMN.EXE", u"C:\\wx\\CLSMN.EXE",
       1},
      {"wxClient quoted", false, kRun, u"wxClient", u"\"C:\\wx\\clsmn.exe\"", u"C:\\wx\\clsmn.exe", -1},
      {"wxClient with an argument", false, kRun, u"wxClient", u"C:\\wx\\clsmn.exe -s", u"C:\\wx\\clsmn.exe", -1},
      {"wxClient naming a missing file", false, kRun, u"wxClient", u"C:\\wx\\clsmn.exe", nullptr, -1},
      {"smenu default value folder", true, u"SOFTWARE\\MpSoft\\smenu", u"", u"E:\\smenu", u"E:\\smenu\\SMENU.exe", 2},
      {"logon chain items are not trimmed", false, kWinlogon, u"Userinit",
       u"C:\\Windows\\system32\\userinit.exe, C:\\bar\\barclient.exe,", u"C:\\bar\\barclient.exe", -1},
      {"logon chain item with a blank that exists as such", false, kWinlogon, u"Userinit",
       u"userinit.exe, C:\\bar\\barclient.exe", u" C:\\bar\\barclient.exe", 3},
      {"jzu naming heiclent.exe", false, kRun, u"jzu", u"C:\\jz\\heiclent.exe", u"C:\\jz\\heiclent.exe", 4},
      {"the cafe manager's Run value naming winlogon.exe", false, kRun, u"逍遥游网络大管家客户端",
       u"C:\\xy\\winlogon.exe", u"C:\\xy\\winlogon.exe", 5},
      {"application path of BarClientView.exe", false,
       u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\BarClientView.exe", u"",
       u"C:\\icafe\\BarClientView.exe", u"C:\\icafe\\BarClientView.exe", 6},
      {"InstCPath folder with BarOnline.exe", true, u"SOFTWARE\\Goyoo\\i8desk", u"InstCPath", u"C:\\i8",
       u"C:\\i8\\BarOnline.exe", 7},
      {"XsGameList_FPath naming a file", true, u"SOFTWARE\\Hintsoft1\\XunShanPro", u"XsGameList_FPath",
       u"C:\\xs\\list.dat", u"C:\\xs\\list.dat", 8},
      {"ClientDir folder with SEBarClt.exe", true, u"SOFTWARE\\SyncExpertNetBar", u"ClientDir", u"C:\\se",
       u"C:\\se\\SEBarClt.exe", 9},
      {"gamebt.exe followed by /boot", false, kRun, u"ZGamebtClient", u"C:\\gbt\\GameBT.exe /boot",
       u"C:\\gbt\\GameBT.exe", 10},
      {"gamebt.exe followed by /BOOT in capitals", false, kRun, u"ZGamebtClient", u"C:\\gbt\\gamebt.exe /BOOT",
       u"C:\\gbt\\gamebt.exe", -1},
  };
  std::vector<Fixture> fixtures;
  for (const ProgramValue& row : rows) {
    fixtures.push_back({row.name,
                        [row](FakeSystem& s) {
                          if (row.skip_key_stage) SkipKeyStage(s);
                          s.registry.PutString(kHklm, row.key, row.value, row.text);
                          if (row.file) s.files.PutFile(row.file, "MZ");
                        },
                        row.code});
  }
  RunFixtures(fixtures);
}

// A file name is lower-cased by the system's table before it is compared, not A to Z only: a
// capital outside A to Z counts as the letter the system makes of it, and only that.
TEST(GetNetBarTypeTest, FileNamesAreLowerCasedByTheSystemsTable) {
  const auto jzu_naming = [](const char16_t* path) {
    return [path](FakeSystem& s) {
      s.registry.PutString(kHklm, kRun, u"jzu", path);
      s.files.PutFile(path, "MZ");
    };
  };
  RunFixtures({
      {"HEİCLENT.EXE where the system's table makes the dotted capital an i",
       [jzu_naming](FakeSystem& s) {
         s.files.lower_case_extra[u'İ'] = u'i';
         jzu_naming(u"C:\\jz\\HEİCLENT.EXE")(s);
       },
       4},
      {"HEİCLENT.EXE where the system's table keeps the dotted capital apart", jzu_naming(u"C:\\jz\\HEİCLENT.EXE"), -1},
      {"BARCLIENTVIEW.EXE in capitals",
       [](FakeSystem& s) {
         s.registry.PutString(kHklm, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\BarClientView.exe", u"",
                              u"C:\\icafe\\BARCLIENTVIEW.EXE");
         s.files.PutFile(u"C:\\icafe\\BARCLIENTVIEW.EXE", "MZ");
       },
       6},
  });
}

TEST(GetNetBarTypeTest, ReadAccessFallsBackAndTheUninstallEntriesShareIt) {
  FakeSystem s;
  const std::uint32_t lesser = win::STANDARD_RIGHTS_READ | win::KEY_QUERY_VALUE | win::KEY_ENUMERATE_SUB_KEYS;
  s.registry.RestrictAccess(kHklm, kUninstall, lesser);
  Uninstall(s, u"one", u"nothing here");
  EXPECT_EQ(GetNetBarType(), -1);
  EXPECT_EQ(s.registry.open_keys(), 0);

  std::vector<std::uint32_t> uninstall_opens;
  std::uint32_t entry_access = 0;
  for (const auto& request : s.registry.requests) {
    if (EqualsIgnoreCaseAscii(request.path, kUninstall)) uninstall_opens.push_back(request.access);
    if (EqualsIgnoreCaseAscii(request.path, std::u16string(kUninstall) + u"\\one")) entry_access = request.access;
  }
  EXPECT_EQ(uninstall_opens, (std::vector<std::uint32_t>{win::KEY_READ, lesser}));
  EXPECT_EQ(entry_access, lesser);
}

TEST(GetNetBarTypeTest, KeyExistenceUsesTheLesserReadRights) {
  FakeSystem s;
  s.registry.PutKey(kHklm, u"SOFTWARE\\Richtech");
  EXPECT_EQ(GetNetBarType(), 12);
  ASSERT_FALSE(s.registry.requests.empty());
  EXPECT_EQ(s.registry.requests.front().path, u"software");
  EXPECT_EQ(s.registry.requests.front().access, win::KEY_READ);
  EXPECT_EQ(s.registry.requests.back().access,
            win::STANDARD_RIGHTS_READ | win::KEY_QUERY_VALUE | win::KEY_ENUMERATE_SUB_KEYS);
  EXPECT_EQ(s.registry.open_keys(), 0);
}

}  // namespace
}  // namespace vkr
