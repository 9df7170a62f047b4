#include <gtest/gtest.h>

#include "app/program.h"
#include "common/public_config.h"
#include "fakes/fake_browser.h"
#include "fakes/fake_system.h"
#include "form_test_support.h"
#include "login/form_login.h"

namespace vkr {
namespace {

using testing::FakeSystem;

// Looks at the program while its message loop "runs".
struct ObservingUi : testing::FakeUi {
  std::function<void()> during_loop;
  std::size_t windows_when_gui_started = 0;
  testing::FakeWindows* windows = nullptr;
  void StartGui() override {
    FakeUi::StartGui();
    windows_when_gui_started = windows->Created().size();
  }
  void RunMessageLoop() override {
    FakeUi::RunMessageLoop();
    if (during_loop) during_loop();
  }
};

TEST(NormalModeTest, TheLoginWindowIsTheMainWindowWhileTheLoopRuns) {
  FakeSystem system;
  testing::PutFormPictures(system);
  ObservingUi ui;
  ui.windows = &system.windows;
  System with_ui = Sys();
  with_ui.ui = &ui;
  InstallSystem(with_ui);
  bool observed = false;
  ui.during_loop = [&]() {
    observed = true;
    ASSERT_NE(FormLogin, nullptr);
    EXPECT_EQ(ui.main_window, FormLogin->Handle());
    EXPECT_TRUE(system.windows.IsVisible(FormLogin->Handle()));
    // The browser comes with the first paint.
    EXPECT_TRUE(system.browsers.live.empty());
    testing::PaintAndDeliver(system, FormLogin->Handle());
    ASSERT_EQ(system.browsers.live.size(), 1u);
    EXPECT_EQ(system.browsers.live[0]->navigations, std::vector<std::u16string>{GameLoginUrl});
    EXPECT_EQ(system.threads.started, 1);
  };
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(observed);
  // The GUI is started once, before the first window exists.
  EXPECT_EQ(ui.gui_starts, 1);
  EXPECT_EQ(ui.windows_when_gui_started, 0u);
  // After the loop the window is gone with everything it held.
  EXPECT_EQ(FormLogin, nullptr);
  EXPECT_TRUE(system.browsers.live.empty());
  EXPECT_FALSE(system.windows.Exists(system.windows.Created().at(0)));
}

TEST(NormalModeTest, MissingSkinCreatesNoWindow) {
  FakeSystem system;
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(system.windows.Created().empty());
  EXPECT_EQ(FormLogin, nullptr);
}

}  // namespace
}  // namespace vkr
