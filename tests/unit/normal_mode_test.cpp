#include <gtest/gtest.h>

#include "app/program.h"
#include "common/public_config.h"
#include "common/public_unit.h"
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
  std::size_t prefetched_when_gui_started = 0;
  std::size_t decodes_when_gui_started = 0;
  testing::FakeWindows* windows = nullptr;
  testing::FakeGraphics* graphics = nullptr;
  void StartGui() override {
    FakeUi::StartGui();
    windows_when_gui_started = windows->Created().size();
    if (graphics) {
      prefetched_when_gui_started = graphics->prefetched.size();
      decodes_when_gui_started = static_cast<std::size_t>(graphics->decodes);
    }
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

// The login window's twelve button faces and its skin are asked for before the GUI starts (and
// before anything is decoded), in the order the window decodes them.
TEST(NormalModeTest, TheLoginPicturesAreDecodedAheadWhileTheGuiStarts) {
  FakeSystem system;
  testing::PutFormPictures(system);
  ObservingUi ui;
  ui.windows = &system.windows;
  ui.graphics = &system.graphics;
  System with_ui = Sys();
  with_ui.ui = &ui;
  InstallSystem(with_ui);
  ui.during_loop = [&]() { testing::PaintAndDeliver(system, FormLogin->Handle()); };
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(ui.decodes_when_gui_started, 0u);
  ASSERT_EQ(ui.prefetched_when_gui_started, 13u);
  const auto& prefetched = system.graphics.prefetched;
  ASSERT_EQ(prefetched.size(), 13u);
  const char16_t* order[] = {u"CLOSE", u"MIN", u"HOMEPAGE", u"PAY", u"BBS", u"SERVICE"};
  for (std::size_t i = 0; i < 12; ++i) {
    std::string bytes;
    const std::u16string name = u"LOGIN_" + std::u16string(order[i / 2]) + (i % 2 == 0 ? u"_NORMAL" : u"_OVER");
    ASSERT_TRUE(system.resources.Load(name, &bytes));
    EXPECT_EQ(prefetched[i].format, GraphicKind::kJpeg) << i;
    EXPECT_EQ(prefetched[i].bytes, bytes) << i;
  }
  std::string skin;
  ASSERT_TRUE(system.files.ReadFile(GetLoginSkinPath(), &skin, 1u << 20));
  EXPECT_EQ(prefetched[12].format, GraphicKind::kPng);
  EXPECT_EQ(prefetched[12].bytes, skin);
}

TEST(NormalModeTest, MissingSkinCreatesNoWindow) {
  FakeSystem system;
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(system.windows.Created().empty());
  EXPECT_EQ(FormLogin, nullptr);
  EXPECT_TRUE(system.graphics.prefetched.empty());
}

}  // namespace
}  // namespace vkr
