#include "platform/win32/processes_win32.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "common/text.h"
#include "platform/win32/files_win32.h"
#include "platform/win_constants.h"
#include "win32/win32_test_support.h"

namespace vkr::win32 {
namespace {

using vkr::testing::ScratchFolder;
using vkr::testing::WaitUntil;

std::set<std::uint32_t> ProcessIdsNamed(Win32Processes& processes, const std::u16string& name) {
  std::set<std::uint32_t> ids;
  std::vector<ProcessEntry> entries;
  if (!processes.Snapshot(&entries)) return ids;
  for (const auto& entry : entries) {
    if (EqualsIgnoreCaseAscii(entry.exe_file, name)) ids.insert(entry.process_id);
  }
  return ids;
}

TEST(Win32ProcessesTest, ArgumentsFollowTheProgramName) {
  Win32Processes processes;
  const std::vector<std::u16string> arguments = processes.Arguments();
  // The C runtime splits the same command line on its own.
  ASSERT_EQ(arguments.size(), static_cast<std::size_t>(__argc > 0 ? __argc - 1 : 0));
  for (std::size_t i = 0; i < arguments.size(); ++i) EXPECT_EQ(ToUtf8(arguments[i]), __argv[i + 1]);
}

TEST(Win32ProcessesTest, StartsAHiddenCommand) {
  ScratchFolder scratch;
  const std::u16string marker = scratch.path() + u"started.txt";
  Win32Processes processes;
  ProcessStart start;
  start.command_line = u"cmd.exe /c echo started> \"" + marker + u"\"";
  start.creation_flags = win::CREATE_NEW_PROCESS_GROUP | win::NORMAL_PRIORITY_CLASS;
  start.hidden = true;
  ASSERT_TRUE(processes.Start(start));
  EXPECT_TRUE(
      WaitUntil([&] { return vkr::testing::ReadWholeFile(marker).find("started") != std::string::npos; }, 20000));

  start.command_line = scratch.path() + u"absent.exe";
  EXPECT_FALSE(processes.Start(start));
  start.command_line = u"";
  EXPECT_FALSE(processes.Start(start));
}

TEST(Win32ProcessesTest, StartsInTheCurrentFolderAskedFor) {
  ScratchFolder scratch;
  const std::u16string folder = scratch.path() + u"start here";
  ASSERT_TRUE(Win32Files().CreateDirectories(folder));
  const std::u16string marker = scratch.path() + u"folder.txt";
  Win32Processes processes;
  ProcessStart start;
  start.command_line = u"cmd.exe /c cd > \"" + marker + u"\"";
  start.hidden = true;
  start.current_directory = folder;
  ASSERT_TRUE(processes.Start(start));
  ASSERT_TRUE(WaitUntil([&] { return vkr::testing::ReadWholeFile(marker).find("\r\n") != std::string::npos; }, 20000));
  EXPECT_TRUE(EqualsIgnoreCaseAscii(FromLatin1(vkr::testing::ReadWholeFile(marker)), folder + u"\r\n"))
      << vkr::testing::ReadWholeFile(marker);

  // A folder that does not exist starts nothing.
  start.current_directory = scratch.path() + u"absent";
  EXPECT_FALSE(processes.Start(start));
}

TEST(Win32ProcessesTest, SnapshotFindsTheOwnProcess) {
  Win32Processes processes;
  std::vector<ProcessEntry> entries;
  ASSERT_TRUE(processes.Snapshot(&entries));
  const std::set<std::uint32_t> own = ProcessIdsNamed(processes, u"win32_tests.exe");
  EXPECT_EQ(own.count(processes.CurrentProcessId()), 1u);
}

TEST(Win32ProcessesTest, TerminatesAStartedProcess) {
  Win32Processes processes;
  const std::set<std::uint32_t> before = ProcessIdsNamed(processes, u"ping.exe");
  ProcessStart start;
  start.command_line = u"ping.exe -n 60 127.0.0.1";
  start.hidden = true;
  ASSERT_TRUE(processes.Start(start));

  std::uint32_t started = 0;
  ASSERT_TRUE(WaitUntil(
      [&] {
        for (const std::uint32_t id : ProcessIdsNamed(processes, u"ping.exe")) {
          if (before.count(id) == 0) started = id;
        }
        return started != 0;
      },
      20000));
  EXPECT_TRUE(processes.Terminate(started, 0));
  EXPECT_TRUE(WaitUntil([&] { return ProcessIdsNamed(processes, u"ping.exe").count(started) == 0; }, 20000));
  EXPECT_FALSE(processes.Terminate(0, 0));
  EXPECT_FALSE(processes.Terminate(0x7FFFFFF0u, 0));  // no such process
}

}  // namespace
}  // namespace vkr::win32
