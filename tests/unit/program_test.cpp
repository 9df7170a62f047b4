#include "app/program.h"

#include <gtest/gtest.h>

#include "common/public_config.h"
#include "common/text.h"
#include "fakes/fake_system.h"
#include "platform/win_constants.h"
#include "statistics/statistics.h"

namespace vkr {
namespace {

using testing::FakeSystem;

TEST(HasUninstallSwitchTest, OnlyTheWholeFirstParameterInAnyCase) {
  struct Row {
    std::vector<std::u16string> arguments;
    bool uninstall;
  };
  const Row rows[] = {
      {{}, false},
      {{u"/uninst"}, true},
      {{u"/UNINST"}, true},
      {{u"/UnInSt", u"more"}, true},
      {{u"/autorun", u"/uninst"}, false},
      {{u"/uninstall"}, false},
      {{u"/uninst "}, false},
      {{u" /uninst"}, false},
      {{u""}, false},
  };
  for (const Row& row : rows) {
    FakeSystem system;
    system.processes.arguments = row.arguments;
    EXPECT_EQ(HasUninstallSwitch(), row.uninstall) << (row.arguments.empty() ? "" : ToUtf8(row.arguments[0]));
  }
}

TEST(HasUninstallSwitchTest, LowerCasingTouchesOnlyLatinLetters) {
  FakeSystem system;
  // U+0130 (capital I with dot) must not be folded into an "i".
  system.processes.arguments = {u"/UN\u0130NST"};
  EXPECT_FALSE(HasUninstallSwitch());
}

TEST(CheckStartupResourcesTest, StartsTheCompanionThenRequiresTheSkin) {
  FakeSystem system;
  system.files.PutFile(u"C:\\ProgramData\\Velqo\\vkr\\vkrAnimate.exe", "MZ");
  EXPECT_FALSE(CheckStartupResources());
  ASSERT_EQ(system.shell.executions.size(), 1u);
  EXPECT_EQ(system.shell.executions[0].file, u"C:\\ProgramData\\Velqo\\vkr\\vkrAnimate.exe");
  EXPECT_EQ(system.shell.executions[0].verb, u"");
  EXPECT_EQ(system.shell.executions[0].owner, kNoWindow);
  EXPECT_EQ(system.shell.executions[0].show, win::SW_SHOWNORMAL);
  ASSERT_EQ(system.ui.boxes.size(), 1u);
  EXPECT_EQ(system.ui.boxes[0].text, u"您的资源缺失，请下载新的程序或联系Velqo客服，谢谢！");
  EXPECT_EQ(system.ui.boxes[0].caption, u"错误");
  EXPECT_EQ(system.ui.boxes[0].type, 0x10u);
}

TEST(CheckStartupResourcesTest, PresentSkinWithoutCompanion) {
  FakeSystem system;
  system.files.PutFile(u"C:\\Program Files\\Velqo\\vkr\\Skin\\loginBack.png", "png");
  EXPECT_TRUE(CheckStartupResources());
  EXPECT_TRUE(system.shell.executions.empty());
  EXPECT_TRUE(system.ui.boxes.empty());
}

TEST(RunProgramTest, EveryModeCreatesDataDirAndEndsWithTheLoop) {
  for (const std::u16string first : {u"/uninst", u"/setupsucc", u"/SetupSuccAndDown"}) {
    FakeSystem system;
    system.processes.arguments = {first};
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_TRUE(system.files.DirectoryExists(u"C:\\ProgramData\\Velqo\\vkr")) << ToUtf8(first);
    EXPECT_EQ(system.ui.loops_run, 1);
    // These modes show no window, so they never start the GUI.
    EXPECT_EQ(system.ui.gui_starts, 0) << ToUtf8(first);
    // These modes never test for the skin.
    for (const auto& box : system.ui.boxes) EXPECT_NE(box.text, kMissingSkinText);
  }
}

TEST(RunProgramTest, NormalStartWithoutSkinShowsTheBoxAndEnds) {
  FakeSystem system;
  system.processes.arguments = {u"/autorun"};
  EXPECT_EQ(RunProgram(), 0);
  ASSERT_EQ(system.ui.boxes.size(), 1u);
  EXPECT_EQ(system.ui.boxes[0].caption, u"错误");
  EXPECT_EQ(system.ui.main_window, kNoWindow);
  EXPECT_EQ(system.ui.loops_run, 1);
  EXPECT_EQ(system.ui.gui_starts, 0);
}

TEST(RunProgramTest, TheEndDoesNotWaitForASendingReport) {
  FakeSystem system;
  system.files.PutFile(u"C:\\Program Files\\Velqo\\vkr\\Skin\\loginBack.png", "png");
  // While the program runs, the activity report's worker starts and is still sending when the
  // last window closes.
  system.ui.on_loop = [] { StatisticsManager()->SendStatisticsThread(kActiveStatistics); };
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(TSendStatWorker::Running(), 1);
  EXPECT_TRUE(system.clock.sleeps.empty());
  EXPECT_EQ(system.clock.ticks, 1000u);
  // The worker still has what it reports with.
  system.threads.RunAll();
  EXPECT_EQ(TSendStatWorker::Running(), 0);
  int reports = 0;
  for (const auto& request : system.http.requests) reports += StartsWith(request.url, StatisticsUrlFormat);
  EXPECT_EQ(reports, 1);
}

}  // namespace
}  // namespace vkr
