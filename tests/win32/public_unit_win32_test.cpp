// The shared helpers against the real system: the Run entry, DataDir and the program's version.
#include <gtest/gtest.h>

#include <vector>

#include "common/public_config.h"
#include "common/public_unit.h"
#include "common/text.h"
#include "platform/system.h"
#include "platform/win32/files_win32.h"
#include "platform/win_constants.h"
#include "win32/win32_test_support.h"

namespace vkr {
namespace {

using vkr::testing::ScopedWin32System;

// GetDataDir creates DataDir as a side effect; this removes what it created, so that a test leaves
// the prefix as it found it. Needs the system installed.
class DataDirCleanup {
 public:
  DataDirCleanup()
      : velqo_(IncludeTrailingBackslash(Sys().shell->SpecialFolder(win::CSIDL_COMMON_APPDATA)) + u"Velqo"),
        existed_(Sys().files->DirectoryExists(velqo_)) {}
  ~DataDirCleanup() {
    if (existed_) return;
    Sys().files->RemoveDirectory(velqo_ + u"\\vkr");
    Sys().files->RemoveDirectory(velqo_);
  }

 private:
  const std::u16string velqo_;
  const bool existed_;
};

// Keeps the prefix's Run value of the application title (if any) and puts it back afterwards.
class RunEntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetConfigForTesting();
    RegKey key = kNoRegKey;
    if (Sys().registry->OpenKey(win::HKEY_CURRENT_USER, kRunKeyPath, win::KEY_READ, &key) == win::ERROR_SUCCESS) {
      had_value_ = Sys().registry->QueryValue(key, ApplicationTitle, &saved_type_, &saved_data_) == win::ERROR_SUCCESS;
      Sys().registry->CloseKey(key);
    }
    RemoveAutoRun(ApplicationTitle);
  }
  void TearDown() override {
    RegKey key = kNoRegKey;
    if (Sys().registry->CreateKey(win::HKEY_CURRENT_USER, kRunKeyPath, win::KEY_ALL_ACCESS, &key) ==
        win::ERROR_SUCCESS) {
      if (had_value_) {
        Sys().registry->SetValue(key, ApplicationTitle, saved_type_, saved_data_);
      } else {
        Sys().registry->DeleteValue(key, ApplicationTitle);
      }
      Sys().registry->CloseKey(key);
    }
    ResetConfigForTesting();
  }

  bool QueryRunValue(const std::u16string& name, std::uint32_t* type, std::vector<std::uint8_t>* data) {
    RegKey key = kNoRegKey;
    if (Sys().registry->OpenKey(win::HKEY_CURRENT_USER, kRunKeyPath, win::KEY_READ, &key) != win::ERROR_SUCCESS) {
      return false;
    }
    const bool found = Sys().registry->QueryValue(key, name, type, data) == win::ERROR_SUCCESS;
    Sys().registry->CloseKey(key);
    return found;
  }

  ScopedWin32System system_;
  DataDirCleanup data_dir_cleanup_;
  bool had_value_ = false;
  std::uint32_t saved_type_ = 0;
  std::vector<std::uint8_t> saved_data_;
};

TEST_F(RunEntryTest, AddedFoundAndRemovedInTheRealRegistry) {
  EXPECT_FALSE(HasAutoRun());
  AddAutoRun(u"");
  EXPECT_TRUE(HasAutoRun());
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_TRUE(QueryRunValue(ApplicationTitle, &type, &data));
  EXPECT_EQ(type, win::REG_SZ);
  EXPECT_EQ(data, ToUtf16LeBytes(u"\"" + GetDataDir() + u"vkr.exe\" /autorun", true));

  // A second call leaves an existing value alone, whatever it holds.
  RegKey key = kNoRegKey;
  ASSERT_EQ(Sys().registry->OpenKey(win::HKEY_CURRENT_USER, kRunKeyPath, win::KEY_ALL_ACCESS, &key),
            win::ERROR_SUCCESS);
  Sys().registry->SetValue(key, ApplicationTitle, win::REG_SZ, ToUtf16LeBytes(u"other", true));
  Sys().registry->CloseKey(key);
  AddAutoRun(ApplicationTitle);
  ASSERT_TRUE(QueryRunValue(ApplicationTitle, &type, &data));
  EXPECT_EQ(data, ToUtf16LeBytes(u"other", true));

  RemoveAutoRun(ApplicationTitle);
  EXPECT_FALSE(HasAutoRun());
  EXPECT_FALSE(QueryRunValue(ApplicationTitle, &type, &data));
}

TEST(DataDirTest, CreatedUnderTheCommonApplicationDataFolder) {
  ScopedWin32System system;
  const DataDirCleanup cleanup;
  const std::u16string common = Sys().shell->SpecialFolder(win::CSIDL_COMMON_APPDATA);
  ASSERT_FALSE(common.empty());

  const std::u16string data_dir = GetDataDir();
  EXPECT_EQ(data_dir, IncludeTrailingBackslash(common) + u"Velqo\\vkr\\");
  EXPECT_TRUE(Sys().files->DirectoryExists(data_dir));
  EXPECT_EQ(GetConfigPath(), data_dir + u"lander.ini");
}

TEST(FileVersionStringTest, TheTestProgramHasNoVersionResource) {
  ScopedWin32System system;
  EXPECT_EQ(GetFileVersionString(), u"0.0.0.0");
}

// The real files, with the launcher beside the tests as the running program.
class LauncherAsProgram : public win32::Win32Files {
 public:
  std::u16string ModulePath() override { return vkr::testing::TestProgramFolder() + u"vkr.exe"; }
};

TEST(FileVersionStringTest, TheLauncherIsVersionOneFour) {
  ScopedWin32System system;
  LauncherAsProgram files;
  Sys().files = &files;
  EXPECT_EQ(GetFileVersionString(), u"1.4.0.0");
}

}  // namespace
}  // namespace vkr
