// The self-deleting batch against the real command interpreter: it waits for a running program to
// end, removes it (with its folder or only its own files) and deletes itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/text.h"
#include "platform/win32/batch_paths.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "uninstall/un_install.h"

namespace vkr::win32 {
namespace {

// How long the copy of this test program, standing in for the launcher, stays alive.
constexpr DWORD kLingerMs = 1500;
constexpr DWORD kWaitBoundMs = 60000;

std::u16string ModulePath() {
  wchar_t buffer[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return FromWide(buffer, length);
}

std::u16string TempFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
  std::u16string folder = FromWide(buffer, length);
  if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
  return folder;
}

bool Exists(const std::u16string& path) { return ::GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES; }

bool WriteBytes(const std::u16string& path, const std::string& bytes) {
  UniqueFileHandle file(
      ::CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

UniqueKernelHandle Start(const std::u16string& command_line, DWORD flags, bool hidden) {
  std::wstring line(reinterpret_cast<const wchar_t*>(command_line.c_str()));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (hidden) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup, &info)) {
    return UniqueKernelHandle();
  }
  ::CloseHandle(info.hThread);
  return UniqueKernelHandle(info.hProcess);
}

// Polls a condition until it holds or the bound has passed.
template <typename Condition>
bool WaitFor(Condition condition) {
  const ULONGLONG end = ::GetTickCount64() + kWaitBoundMs;
  while (!condition()) {
    if (::GetTickCount64() > end) return false;
    ::Sleep(100);
  }
  return true;
}

void RemoveTree(const std::u16string& folder) {
  WIN32_FIND_DATAW data;
  UniqueFindHandle find(::FindFirstFileW(Wide(folder + u"\\*"), &data));
  if (find) {
    do {
      const std::u16string name = FromWide(data.cFileName);
      if (name == u"." || name == u"..") continue;
      const std::u16string path = folder + u"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        ::SetFileAttributesW(Wide(path), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(Wide(path));
      }
    } while (::FindNextFileW(find.get(), &data));
  }
  ::RemoveDirectoryW(Wide(folder));
}

class SelfDeleteBatchTest : public ::testing::Test {
 protected:
  void SetUp() override { Prepare(u"Game Folder"); }
  void Prepare(const std::u16string& game_folder) {
    scratch_ = TempFolder() + u"vkr uninstall " + ToText(::GetCurrentProcessId());
    RemoveTree(scratch_);
    ASSERT_TRUE(::CreateDirectoryW(Wide(scratch_), nullptr));
    game_ = scratch_ + u"\\" + game_folder;
    exe_ = game_ + u"\\vkr.exe";
    batch_ = scratch_ + u"\\~wzuninstmyself.bat";
    ASSERT_TRUE(::CreateDirectoryW(Wide(game_), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(Wide(game_ + u"\\Skin"), nullptr));
    ASSERT_TRUE(::CreateDirectoryW(Wide(game_ + u"\\Upgrade"), nullptr));
    ASSERT_TRUE(WriteBytes(game_ + u"\\Skin\\loginBack.png", "png"));
    ASSERT_TRUE(WriteBytes(game_ + u"\\Upgrade\\IconAnimate_Update.exe", "MZ"));
    ASSERT_TRUE(::CopyFileW(Wide(ModulePath()), Wide(exe_), FALSE));
  }
  void TearDown() override { RemoveTree(scratch_); }

  // Starts the stand-in launcher, then the batch, hidden at idle priority, while it still runs.
  void RunBatch(bool whole_folder) {
    UniqueKernelHandle program = Start(u"\"" + exe_ +
                                           u"\" --gtest_also_run_disabled_tests "
                                           u"--gtest_filter=SelfDeleteBatchStandIn.DISABLED_StaysAliveBriefly",
                                       CREATE_NO_WINDOW, false);
    ASSERT_TRUE(program);
    std::string bytes;
    ASSERT_TRUE(EncodeOemCodePage(BuildSelfDeleteBatch(exe_, game_, whole_folder), &bytes));
    ASSERT_TRUE(WriteBytes(batch_, bytes));
    UniqueKernelHandle batch = Start(u"\"" + batch_ + u"\"", IDLE_PRIORITY_CLASS, true);
    ASSERT_TRUE(batch);
    // The program is still running, so the batch had to wait for it.
    EXPECT_EQ(::WaitForSingleObject(program.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_EQ(::WaitForSingleObject(program.get(), kWaitBoundMs), static_cast<DWORD>(WAIT_OBJECT_0));
    ASSERT_TRUE(WaitFor([&] { return !Exists(exe_) && !Exists(batch_); }));
    EXPECT_EQ(::WaitForSingleObject(batch.get(), kWaitBoundMs), static_cast<DWORD>(WAIT_OBJECT_0));
  }

  std::u16string scratch_, game_, exe_, batch_;
};

TEST_F(SelfDeleteBatchTest, RemovesTheDedicatedFolderOnceTheProgramHasEndedAndThenItself) {
  RunBatch(true);
  EXPECT_FALSE(Exists(game_));
  EXPECT_FALSE(Exists(batch_));
  EXPECT_TRUE(Exists(scratch_));
}

TEST_F(SelfDeleteBatchTest, InASharedFolderRemovesOnlyTheLaunchersFiles) {
  ASSERT_TRUE(WriteBytes(game_ + u"\\notes 100%.txt", "the user's"));
  ASSERT_TRUE(::CreateDirectoryW(Wide(game_ + u"\\Photos"), nullptr));
  ASSERT_TRUE(WriteBytes(game_ + u"\\Photos\\a.jpg", "jpg"));
  RunBatch(false);
  EXPECT_TRUE(Exists(game_ + u"\\notes 100%.txt"));
  EXPECT_TRUE(Exists(game_ + u"\\Photos\\a.jpg"));
  EXPECT_FALSE(Exists(game_ + u"\\Skin"));
  EXPECT_FALSE(Exists(game_ + u"\\Upgrade"));
  EXPECT_FALSE(Exists(exe_));
  EXPECT_FALSE(Exists(batch_));
}

TEST_F(SelfDeleteBatchTest, AFolderNamedInTheAnsiCodePage) {
  // The interpreter reads the batch with the console code page; on a Chinese system that is the
  // ANSI code page, so a Chinese folder name is written as it is.
  if (::GetACP() != 936 || ::GetOEMCP() != 936) GTEST_SKIP() << "needs code page 936";
  TearDown();
  Prepare(u"游戏 中心");
  RunBatch(true);
  EXPECT_FALSE(Exists(game_));
  EXPECT_FALSE(Exists(batch_));
}

// The stand-in launcher: a copy of this program runs only this and ends after a moment.
TEST(SelfDeleteBatchStandIn, DISABLED_StaysAliveBriefly) { ::Sleep(kLingerMs); }

TEST(AnsiPathsTest, EncodesExactlyOrSaysItCannot) {
  std::string bytes;
  EXPECT_TRUE(EncodeOemCodePage(u"C:\\Program Files\\vkr.exe", &bytes));
  EXPECT_EQ(bytes, "C:\\Program Files\\vkr.exe");
  EXPECT_TRUE(EncodeOemCodePage(u"", &bytes));
  EXPECT_EQ(bytes, "");
  // An emoji is in no ANSI code page; a lone surrogate in none either.
  EXPECT_FALSE(EncodeOemCodePage(u"C:\\\U0001F600\\vkr.exe", &bytes));
  EXPECT_FALSE(EncodeOemCodePage(std::u16string(1, char16_t(0xD800)), &bytes));
  if (::GetACP() == 936) {
    EXPECT_TRUE(EncodeOemCodePage(u"游戏", &bytes));
    EXPECT_EQ(bytes, "\xD3\xCE\xCF\xB7");
  } else if (::GetACP() == 1252) {
    EXPECT_FALSE(EncodeOemCodePage(u"游戏", &bytes));
    EXPECT_TRUE(EncodeOemCodePage(u"Café", &bytes));
    EXPECT_EQ(bytes, "Caf\xE9");
  }
}

TEST(AnsiPathsTest, ShortAndLongFormsOfAnExistingPath) {
  const std::u16string folder = TempFolder() + u"vkr long folder name for short form";
  ::CreateDirectoryW(Wide(folder), nullptr);
  const std::u16string short_form = ShortPathName(folder);
  ASSERT_FALSE(short_form.empty());
  EXPECT_EQ(LongPathName(short_form), folder);
  EXPECT_EQ(LongPathName(folder), folder);
  EXPECT_EQ(ShortPathName(folder + u"\\missing"), u"");
  EXPECT_EQ(LongPathName(folder + u"\\missing"), u"");
  EXPECT_EQ(LongPathName(u""), u"");
  ::RemoveDirectoryW(Wide(folder));
}

}  // namespace
}  // namespace vkr::win32
