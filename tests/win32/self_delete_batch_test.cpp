// The self-deleting batch against the real command interpreter: it waits for a running program to
// end, removes it (with its folder, or only its own files and then the folder when it is empty)
// and deletes itself; it runs in its own folder, never in the program's, expands no "!" of a path,
// runs no "ping" but the system's and is read in the OEM code page.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/text.h"
#include "platform/win32/batch_paths.h"
#include "platform/win32/handles.h"
#include "platform/win32/processes_win32.h"
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

// Starts a program in `folder` and keeps a handle to it.
UniqueKernelHandle Start(const std::u16string& command_line, const std::u16string& folder) {
  std::wstring line(reinterpret_cast<const wchar_t*>(command_line.c_str()));
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, Wide(folder),
                        &startup, &info)) {
    return UniqueKernelHandle();
  }
  ::CloseHandle(info.hThread);
  return UniqueKernelHandle(info.hProcess);
}

// Where the system's ping.exe is.
std::u16string SystemFolder() {
  wchar_t buffer[MAX_PATH];
  const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
  return FromWide(buffer, length);
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

  // Starts the stand-in launcher in its own folder, as Explorer and shortcuts do, then the batch
  // the way the uninstaller starts it, while the launcher still runs, from a process whose current
  // folder is the launcher's folder too. `interpreter` is put before the batch's command line.
  void RunBatch(FolderRemoval removal, const std::u16string& interpreter = u"") {
    UniqueKernelHandle program = Start(u"\"" + exe_ +
                                           u"\" --gtest_also_run_disabled_tests "
                                           u"--gtest_filter=SelfDeleteBatchStandIn.DISABLED_StaysAliveBriefly",
                                       game_);
    ASSERT_TRUE(program);
    std::string bytes;
    ASSERT_TRUE(EncodeOemCodePage(BuildSelfDeleteBatch(exe_, game_, removal, SystemFolder() + u"\\ping.exe"), &bytes));
    ASSERT_TRUE(WriteBytes(batch_, bytes));
    ProcessStart start = SelfDeleteBatchStart(batch_);
    start.command_line = interpreter + start.command_line;
    wchar_t own_folder[MAX_PATH];
    ASSERT_NE(::GetCurrentDirectoryW(MAX_PATH, own_folder), 0u);
    ASSERT_TRUE(::SetCurrentDirectoryW(Wide(game_)));
    const bool started = Win32Processes().Start(start);
    ASSERT_TRUE(::SetCurrentDirectoryW(own_folder));
    ASSERT_TRUE(started);
    // The program is still running, so the batch had to wait for it.
    EXPECT_EQ(::WaitForSingleObject(program.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_EQ(::WaitForSingleObject(program.get(), kWaitBoundMs), static_cast<DWORD>(WAIT_OBJECT_0));
    ASSERT_TRUE(WaitFor([&] { return !Exists(exe_) && !Exists(batch_); }));
  }
  // A "ping" that records that it ran, where the interpreter looks first: its current folder and
  // the launcher's folder.
  void PlantPing() {
    const std::string record = "@echo ran> \"" + ToUtf8(scratch_) + "\\ping ran.txt\"\r\n";
    ASSERT_TRUE(WriteBytes(scratch_ + u"\\ping.bat", record));
    ASSERT_TRUE(WriteBytes(game_ + u"\\ping.bat", record));
  }
  bool PingRan() const { return Exists(scratch_ + u"\\ping ran.txt"); }

  std::u16string scratch_, game_, exe_, batch_;
};

TEST_F(SelfDeleteBatchTest, RemovesTheDedicatedFolderOnceTheProgramHasEndedAndThenItself) {
  ASSERT_NO_FATAL_FAILURE(PlantPing());
  ASSERT_NO_FATAL_FAILURE(RunBatch(FolderRemoval::kWhole));
  // Gone although the launcher ran in it and the batch was started from it.
  ASSERT_TRUE(WaitFor([&] { return !Exists(game_); }));
  EXPECT_FALSE(Exists(batch_));
  EXPECT_TRUE(Exists(scratch_));
  EXPECT_FALSE(PingRan());
}

TEST_F(SelfDeleteBatchTest, InASharedFolderRemovesOnlyTheLaunchersFiles) {
  ASSERT_TRUE(WriteBytes(game_ + u"\\notes 100%.txt", "the user's"));
  ASSERT_TRUE(::CreateDirectoryW(Wide(game_ + u"\\Photos"), nullptr));
  ASSERT_TRUE(WriteBytes(game_ + u"\\Photos\\a.jpg", "jpg"));
  ASSERT_NO_FATAL_FAILURE(PlantPing());
  ASSERT_NO_FATAL_FAILURE(RunBatch(FolderRemoval::kOwnFiles));
  EXPECT_TRUE(Exists(game_ + u"\\notes 100%.txt"));
  EXPECT_TRUE(Exists(game_ + u"\\Photos\\a.jpg"));
  EXPECT_FALSE(Exists(game_ + u"\\Skin"));
  EXPECT_FALSE(Exists(game_ + u"\\Upgrade"));
  EXPECT_FALSE(Exists(exe_));
  EXPECT_FALSE(Exists(batch_));
  EXPECT_FALSE(PingRan());
}

TEST_F(SelfDeleteBatchTest, TheOwnFilesThenTheFolderWhenNothingElseIsLeft) {
  ASSERT_TRUE(::CreateDirectoryW(Wide(game_ + u"\\Tools"), nullptr));
  ASSERT_TRUE(WriteBytes(game_ + u"\\Tools\\helper.exe", "MZ"));
  ASSERT_NO_FATAL_FAILURE(RunBatch(FolderRemoval::kOwnFilesThenEmptyFolder));
  EXPECT_TRUE(Exists(game_ + u"\\Tools\\helper.exe"));
  EXPECT_FALSE(Exists(game_ + u"\\Skin"));

  TearDown();
  Prepare(u"Game Folder");
  ASSERT_NO_FATAL_FAILURE(RunBatch(FolderRemoval::kOwnFilesThenEmptyFolder));
  ASSERT_TRUE(WaitFor([&] { return !Exists(game_); }));
}

TEST_F(SelfDeleteBatchTest, AnExclamationMarkInAPathDoesNotExpand) {
  // With delayed expansion on for every interpreter (as a system setting can turn it on),
  // "!x!" would read as a variable, and the batch would name another folder.
  TearDown();
  Prepare(u"Game !x! Folder");
  ASSERT_NO_FATAL_FAILURE(RunBatch(FolderRemoval::kWhole, u"cmd.exe /V:ON /c "));
  ASSERT_TRUE(WaitFor([&] { return !Exists(game_); }));
  EXPECT_TRUE(Exists(scratch_));
}

TEST_F(SelfDeleteBatchTest, AFolderNamedInTheOemCodePage) {
  // The interpreter reads a batch in the console's OEM code page. This test's entry runs with code
  // page 1252 as the ANSI one and 437 as the OEM one, where "é" and "ü" have other bytes; code
  // page 936 holds them too.
  std::string bytes;
  ASSERT_TRUE(EncodeOemCodePage(u"Café ü", &bytes));
  RecordProperty("code_pages", ToUtf8(ToText(::GetACP()) + u"/" + ToText(::GetOEMCP())));
  TearDown();
  Prepare(u"Café ü");
  ASSERT_NO_FATAL_FAILURE(RunBatch(FolderRemoval::kWhole));
  ASSERT_TRUE(WaitFor([&] { return !Exists(game_); }));
  EXPECT_FALSE(Exists(batch_));
}

// The stand-in launcher: a copy of this program runs only this and ends after a moment.
TEST(SelfDeleteBatchStandIn, DISABLED_StaysAliveBriefly) { ::Sleep(kLingerMs); }

TEST(BatchPathsTest, EncodesExactlyOrSaysItCannot) {
  std::string bytes;
  EXPECT_TRUE(EncodeOemCodePage(u"C:\\Program Files\\vkr.exe", &bytes));
  EXPECT_EQ(bytes, "C:\\Program Files\\vkr.exe");
  EXPECT_TRUE(EncodeOemCodePage(u"", &bytes));
  EXPECT_EQ(bytes, "");
  // An emoji is in no OEM code page; a lone surrogate in none either.
  EXPECT_FALSE(EncodeOemCodePage(u"C:\\\U0001F600\\vkr.exe", &bytes));
  EXPECT_FALSE(EncodeOemCodePage(std::u16string(1, char16_t(0xD800)), &bytes));
  // The OEM code page, not the ANSI one.
  if (::GetOEMCP() == 936) {
    EXPECT_TRUE(EncodeOemCodePage(u"游戏", &bytes));
    EXPECT_EQ(bytes, "\xD3\xCE\xCF\xB7");
  } else if (::GetOEMCP() == 437) {
    EXPECT_FALSE(EncodeOemCodePage(u"游戏", &bytes));
    EXPECT_TRUE(EncodeOemCodePage(u"Café", &bytes));
    EXPECT_EQ(bytes, "Caf\x82");
  } else {
    ADD_FAILURE() << "no expectation for OEM code page " << ::GetOEMCP();
  }
}

TEST(BatchPathsTest, ShortAndLongFormsOfAnExistingPath) {
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
