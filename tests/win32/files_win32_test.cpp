#include "platform/win32/files_win32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/text.h"
#include "platform/win_constants.h"
#include "win32/win32_test_support.h"

namespace vkr::win32 {
namespace {

using vkr::testing::ScratchFolder;

std::uint32_t AttributesOf(const std::vector<FileEntry>& entries, const std::u16string& name) {
  const auto it = std::find_if(entries.begin(), entries.end(), [&](const FileEntry& e) { return e.name == name; });
  return it == entries.end() ? 0xFFFFFFFFu : it->attributes;
}

TEST(Win32FilesTest, CreatesFoldersWithParentsAndTellsFilesFromFolders) {
  ScratchFolder scratch;
  Win32Files files;
  const std::u16string deep = scratch.path() + u"Velqo\\vkr\\游戏\\";
  EXPECT_FALSE(files.DirectoryExists(deep));
  EXPECT_TRUE(files.CreateDirectories(deep));
  EXPECT_TRUE(files.DirectoryExists(deep));
  EXPECT_TRUE(files.CreateDirectories(scratch.path() + u"Velqo/vkr"));  // already there, other separator
  EXPECT_FALSE(files.FileExists(deep));

  const std::u16string file = deep + u"lander.ini";
  EXPECT_TRUE(files.WriteFile(file, "x"));
  EXPECT_TRUE(files.FileExists(file));
  EXPECT_FALSE(files.DirectoryExists(file));
  // A file in the way of a folder.
  EXPECT_FALSE(files.CreateDirectories(file + u"\\below"));
  EXPECT_FALSE(files.CreateDirectories(u""));
  EXPECT_FALSE(files.FileExists(u""));
}

TEST(Win32FilesTest, WritesAndReadsBytes) {
  ScratchFolder scratch;
  Win32Files files;
  const std::u16string path = scratch.path() + u"data.bin";
  std::string bytes("MZ\0\x01\xFF", 5);
  bytes += std::string(200000, 'q');
  ASSERT_TRUE(files.WriteFile(path, bytes));
  std::string read;
  EXPECT_TRUE(files.ReadFile(path, &read, static_cast<std::size_t>(-1)));
  EXPECT_EQ(read, bytes);
  EXPECT_TRUE(files.ReadFile(path, &read, 2));
  EXPECT_EQ(read, "MZ");
  ASSERT_TRUE(files.WriteFile(path, ""));  // replaces
  EXPECT_TRUE(files.ReadFile(path, &read, 100));
  EXPECT_EQ(read, "");

  EXPECT_FALSE(files.ReadFile(scratch.path() + u"absent.bin", &read, 100));
  EXPECT_FALSE(files.WriteFile(scratch.path() + u"absent\\data.bin", "x"));
  EXPECT_FALSE(files.ReadFile(scratch.path(), &read, 100));  // a folder
}

TEST(Win32FilesTest, ReadsFromAnOffset) {
  ScratchFolder scratch;
  Win32Files files;
  const std::u16string path = scratch.path() + u"data.bin";
  ASSERT_TRUE(files.WriteFile(path, "0123456789"));
  std::string read;
  EXPECT_TRUE(files.ReadFileAt(path, 4, 3, &read));
  EXPECT_EQ(read, "456");
  EXPECT_TRUE(files.ReadFileAt(path, 8, 100, &read));
  EXPECT_EQ(read, "89");
  EXPECT_TRUE(files.ReadFileAt(path, 50, 100, &read));  // past the end: nothing
  EXPECT_EQ(read, "");
  EXPECT_FALSE(files.ReadFileAt(scratch.path() + u"absent.bin", 0, 100, &read));

  // The OEM form and the path forms forward to the system.
  std::string oem;
  EXPECT_TRUE(files.EncodeOem(u"del /q \"vkr.exe\"", &oem));
  EXPECT_EQ(oem, "del /q \"vkr.exe\"");
  EXPECT_TRUE(EqualsIgnoreCaseAscii(files.LongPath(path), path)) << ToUtf8(files.LongPath(path));
  EXPECT_EQ(files.LongPath(scratch.path() + u"absent.bin"), u"");
}

TEST(Win32FilesTest, ListsWithAttributes) {
  ScratchFolder scratch;
  Win32Files files;
  ASSERT_TRUE(files.WriteFile(scratch.path() + u"a.lnk", "link"));
  ASSERT_TRUE(files.WriteFile(scratch.path() + u"b.txt", "text"));
  ASSERT_TRUE(files.CreateDirectories(scratch.path() + u"sub"));

  std::vector<FileEntry> entries;
  ASSERT_TRUE(files.List(scratch.path() + u"*", &entries));
  EXPECT_EQ(entries.size(), 5u);  // ".", "..", two files, one folder
  EXPECT_NE(AttributesOf(entries, u".") & win::FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_NE(AttributesOf(entries, u"sub") & win::FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(AttributesOf(entries, u"b.txt") & win::FILE_ATTRIBUTE_DIRECTORY, 0u);

  ASSERT_TRUE(files.List(scratch.path() + u"*.lnk", &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, u"a.lnk");

  EXPECT_FALSE(files.List(scratch.path() + u"*.exe", &entries));
  EXPECT_TRUE(entries.empty());
  EXPECT_FALSE(files.List(scratch.path() + u"absent\\*", &entries));

  std::uint32_t attributes = 0;
  EXPECT_TRUE(files.GetAttributes(scratch.path() + u"sub", &attributes));
  EXPECT_NE(attributes & win::FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_FALSE(files.GetAttributes(scratch.path() + u"absent", &attributes));
}

TEST(Win32FilesTest, ReplacesDeletesAndRemoves) {
  ScratchFolder scratch;
  Win32Files files;
  const std::u16string source = scratch.path() + u"new.part";
  const std::u16string target = scratch.path() + u"IconAnimate_Update.exe";
  ASSERT_TRUE(files.WriteFile(source, "MZnew"));
  ASSERT_TRUE(files.WriteFile(target, "MZold"));
  EXPECT_TRUE(files.ReplaceFile(source, target));
  EXPECT_FALSE(files.FileExists(source));
  EXPECT_EQ(vkr::testing::ReadWholeFile(target), "MZnew");
  EXPECT_FALSE(files.ReplaceFile(source, target));  // the source is gone
  EXPECT_EQ(vkr::testing::ReadWholeFile(target), "MZnew");

  const std::u16string folder = scratch.path() + u"Upgrade";
  ASSERT_TRUE(files.CreateDirectories(folder));
  EXPECT_TRUE(files.ReplaceFile(target, folder + u"\\moved.exe"));  // also to a file that does not exist
  EXPECT_FALSE(files.RemoveDirectory(folder));                      // not empty
  EXPECT_TRUE(files.DeleteFile(folder + u"\\moved.exe"));
  EXPECT_FALSE(files.DeleteFile(folder + u"\\moved.exe"));
  EXPECT_TRUE(files.RemoveDirectory(folder));
  EXPECT_FALSE(files.DirectoryExists(folder));
}

TEST(Win32FilesTest, NamesTheTemporaryFolderAndTheProgram) {
  Win32Files files;
  const std::u16string temp = files.TempFolder();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), u'\\');
  EXPECT_TRUE(files.DirectoryExists(temp));

  const std::u16string program = files.ModulePath();
  EXPECT_TRUE(files.FileExists(program)) << ToUtf8(program);
  EXPECT_EQ(LowerAscii(ExtractFileName(program)), u"win32_tests.exe");
}

TEST(Win32FilesTest, ReadsTheFileVersion) {
  Win32Files files;
  // The launcher is built beside the tests.
  const std::u16string launcher = vkr::testing::TestProgramFolder() + u"vkr.exe";
  ASSERT_TRUE(files.FileExists(launcher)) << ToUtf8(launcher);
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
  ASSERT_TRUE(files.FileVersion(launcher, &ms, &ls));
  EXPECT_EQ(ms, 0x00010004u);
  EXPECT_EQ(ls, 0u);

  ScratchFolder scratch;
  ASSERT_TRUE(files.WriteFile(scratch.path() + u"plain.txt", "no version here"));
  EXPECT_FALSE(files.FileVersion(scratch.path() + u"plain.txt", &ms, &ls));
  EXPECT_FALSE(files.FileVersion(scratch.path() + u"absent.exe", &ms, &ls));
}

}  // namespace
}  // namespace vkr::win32
