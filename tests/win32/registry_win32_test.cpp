#include "platform/win32/registry_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/win_constants.h"
#include "win32/win32_test_support.h"

namespace vkr::win32 {
namespace {

// Every test works below its own key, which the fixture deletes again.
class Win32RegistryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    registry_.DeleteTree(win::HKEY_CURRENT_USER, base_);
    registry_.DeleteTree(win::HKEY_LOCAL_MACHINE, base_);
  }

  std::vector<std::u16string> SubkeyNames(RegKey key) {
    std::vector<std::u16string> names;
    std::u16string name;
    for (std::uint32_t i = 0; registry_.EnumKey(key, i, &name) == win::ERROR_SUCCESS; ++i) names.push_back(name);
    return names;
  }
  std::vector<std::u16string> ValueNames(RegKey key) {
    std::vector<std::u16string> names;
    std::u16string name;
    for (std::uint32_t i = 0; registry_.EnumValue(key, i, &name) == win::ERROR_SUCCESS; ++i) names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
  }

  Win32Registry registry_;
  const std::u16string base_ = u"Software\\VkrAdapterTest";
};

TEST_F(Win32RegistryTest, CreatesSetsQueriesEnumeratesAndDeletes) {
  RegKey key = kNoRegKey;
  ASSERT_EQ(registry_.CreateKey(win::HKEY_CURRENT_USER, base_ + u"\\Outer\\Inner", win::KEY_ALL_ACCESS, &key),
            win::ERROR_SUCCESS);
  ASSERT_NE(key, kNoRegKey);

  const std::vector<std::uint8_t> text = ToUtf16LeBytes(u"\"C:\\Velqo\\vkr.exe\" /autorun 游戏", true);
  const std::vector<std::uint8_t> dword = {0x78, 0x56, 0x34, 0x12};
  EXPECT_EQ(registry_.SetValue(key, u"Text", win::REG_SZ, text), win::ERROR_SUCCESS);
  EXPECT_EQ(registry_.SetValue(key, u"Number", win::REG_DWORD, dword), win::ERROR_SUCCESS);
  EXPECT_EQ(registry_.SetValue(key, u"Empty", win::REG_BINARY, {}), win::ERROR_SUCCESS);
  const std::vector<std::uint8_t> big(70000, 0xA5);
  EXPECT_EQ(registry_.SetValue(key, u"Big", win::REG_BINARY, big), win::ERROR_SUCCESS);

  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  EXPECT_EQ(registry_.QueryValue(key, u"text", &type, &data), win::ERROR_SUCCESS);  // names ignore case
  EXPECT_EQ(type, win::REG_SZ);
  EXPECT_EQ(data, text);
  EXPECT_EQ(registry_.QueryValue(key, u"Number", &type, &data), win::ERROR_SUCCESS);
  EXPECT_EQ(type, win::REG_DWORD);
  EXPECT_EQ(data, dword);
  EXPECT_EQ(registry_.QueryValue(key, u"Empty", &type, &data), win::ERROR_SUCCESS);
  EXPECT_EQ(type, win::REG_BINARY);
  EXPECT_TRUE(data.empty());
  EXPECT_EQ(registry_.QueryValue(key, u"Big", &type, &data), win::ERROR_SUCCESS);
  EXPECT_EQ(data, big);
  EXPECT_EQ(registry_.QueryValue(key, u"Missing", &type, &data), win::ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(data.empty());

  EXPECT_EQ(ValueNames(key), (std::vector<std::u16string>{u"Big", u"Empty", u"Number", u"Text"}));
  EXPECT_EQ(registry_.DeleteValue(key, u"Number"), win::ERROR_SUCCESS);
  EXPECT_EQ(registry_.DeleteValue(key, u"Number"), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ValueNames(key), (std::vector<std::u16string>{u"Big", u"Empty", u"Text"}));
  registry_.CloseKey(key);

  RegKey outer = kNoRegKey;
  ASSERT_EQ(registry_.OpenKey(win::HKEY_CURRENT_USER, base_ + u"\\Outer", win::KEY_READ, &outer), win::ERROR_SUCCESS);
  RegKey second = kNoRegKey;
  ASSERT_EQ(registry_.CreateKey(outer, u"Second", win::KEY_ALL_ACCESS, &second), win::ERROR_SUCCESS);
  registry_.CloseKey(second);
  std::vector<std::u16string> subkeys = SubkeyNames(outer);
  std::sort(subkeys.begin(), subkeys.end());
  EXPECT_EQ(subkeys, (std::vector<std::u16string>{u"Inner", u"Second"}));
  std::u16string name;
  EXPECT_EQ(registry_.EnumKey(outer, 2, &name), win::ERROR_NO_MORE_ITEMS);
  registry_.CloseKey(outer);

  RegKey base = kNoRegKey;
  ASSERT_EQ(registry_.OpenKey(win::HKEY_CURRENT_USER, base_, win::KEY_ALL_ACCESS, &base), win::ERROR_SUCCESS);
  EXPECT_EQ(registry_.DeleteTree(base, u"Outer"), win::ERROR_SUCCESS);
  EXPECT_TRUE(SubkeyNames(base).empty());
  registry_.CloseKey(base);
  EXPECT_EQ(registry_.OpenKey(win::HKEY_CURRENT_USER, base_ + u"\\Outer\\Inner", win::KEY_READ, &key),
            win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, kNoRegKey);
}

TEST_F(Win32RegistryTest, RefusesWhatCannotBeDone) {
  RegKey key = 123;
  EXPECT_EQ(registry_.OpenKey(win::HKEY_CURRENT_USER, base_ + u"\\Absent", win::KEY_READ, &key),
            win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(key, kNoRegKey);
  EXPECT_NE(registry_.OpenKey(kNoRegKey, u"Software", win::KEY_READ, &key), win::ERROR_SUCCESS);
  // An empty subkey would empty the root instead of deleting a subkey.
  EXPECT_EQ(registry_.DeleteTree(win::HKEY_CURRENT_USER, u""), win::ERROR_INVALID_PARAMETER);

  RegKey read_only = kNoRegKey;
  ASSERT_EQ(registry_.CreateKey(win::HKEY_CURRENT_USER, base_, win::KEY_ALL_ACCESS, &read_only), win::ERROR_SUCCESS);
  registry_.CloseKey(read_only);
  ASSERT_EQ(registry_.OpenKey(win::HKEY_CURRENT_USER, base_, win::KEY_QUERY_VALUE, &read_only), win::ERROR_SUCCESS);
  EXPECT_EQ(registry_.SetValue(read_only, u"X", win::REG_SZ, ToUtf16LeBytes(u"x", true)), win::ERROR_ACCESS_DENIED);
  registry_.CloseKey(read_only);

  // Roots and the empty id are never closed.
  registry_.CloseKey(win::HKEY_CURRENT_USER);
  registry_.CloseKey(kNoRegKey);
  RegKey software = kNoRegKey;
  EXPECT_EQ(registry_.OpenKey(win::HKEY_CURRENT_USER, u"Software", win::KEY_READ, &software), win::ERROR_SUCCESS);
  registry_.CloseKey(software);
}

TEST_F(Win32RegistryTest, ViewsOfTheMachineKey) {
  RegKey key = kNoRegKey;
  ASSERT_EQ(registry_.CreateKey(win::HKEY_LOCAL_MACHINE, base_, win::KEY_ALL_ACCESS | win::KEY_WOW64_32KEY, &key),
            win::ERROR_SUCCESS);
  EXPECT_EQ(registry_.SetValue(key, u"View", win::REG_SZ, ToUtf16LeBytes(u"32", true)), win::ERROR_SUCCESS);
  registry_.CloseKey(key);

  // The launcher's own view is the 32-bit one.
  ASSERT_EQ(registry_.OpenKey(win::HKEY_LOCAL_MACHINE, base_, win::KEY_READ, &key), win::ERROR_SUCCESS);
  registry_.CloseKey(key);

  const long in_64_bit_view =
      registry_.OpenKey(win::HKEY_LOCAL_MACHINE, base_, win::KEY_READ | win::KEY_WOW64_64KEY, &key);
  if (vkr::testing::RunsUnderWow64()) {
    // A 64-bit system keeps the 32-bit programs' machine software apart.
    EXPECT_EQ(in_64_bit_view, win::ERROR_FILE_NOT_FOUND);
  } else {
    // A 32-bit system has one view, whatever the flag asks.
    ASSERT_EQ(in_64_bit_view, win::ERROR_SUCCESS);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    EXPECT_EQ(registry_.QueryValue(key, u"View", &type, &data), win::ERROR_SUCCESS);
    EXPECT_EQ(data, ToUtf16LeBytes(u"32", true));
    registry_.CloseKey(key);
  }
  registry_.DeleteTree(win::HKEY_LOCAL_MACHINE, base_);
  EXPECT_EQ(registry_.OpenKey(win::HKEY_LOCAL_MACHINE, base_, win::KEY_READ | win::KEY_WOW64_32KEY, &key),
            win::ERROR_FILE_NOT_FOUND);
}

}  // namespace
}  // namespace vkr::win32
