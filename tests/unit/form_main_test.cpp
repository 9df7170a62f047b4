#include "game/form_main.h"

#include <gtest/gtest.h>

#include "common/public_config.h"
#include "common/public_unit.h"
#include "common/text.h"
#include "fakes/fake_browser.h"
#include "fakes/fake_system.h"
#include "form_test_support.h"
#include "login/form_login.h"
#include "platform/win_constants.h"

namespace vkr {
namespace {

using testing::FakeBrowser;
using testing::FakeSystem;
using testing::FakeWindows;
using testing::MousePoint;

constexpr WindowHandle kPageWindow = 0x7777;

// A game window opened by a login window, as entering the game opens it.
class GameTest : public ::testing::Test {
 protected:
  GameTest() {
    testing::PutFormPictures(system);
    login = std::make_unique<TFormLogin>();
    FormLogin = login.get();
    login->Show();
    testing::PaintAndDeliver(system, login->Handle());
    url = u"http://" + EnterGameMarker + u"sid=1";
    system.browsers.live[0]->RaiseBeforeNavigate2(url);
    game = FormMain;
    frame_browser().window = 0x6000;
    system.windows.children.insert({0x6000, kPageWindow});
  }
  ~GameTest() override {
    login.reset();
    FormLogin = nullptr;
  }
  FakeBrowser& frame_browser() { return *system.browsers.live.at(1); }
  FakeWindows::Window& window() { return system.windows.Get(game->Handle()); }
  WindowHandle handle() { return game->Handle(); }
  QueuedMessage Key(std::uint32_t message, std::uintptr_t key, std::intptr_t lparam = 0) {
    return QueuedMessage{kPageWindow, message, key, lparam, 0, {}};
  }

  FakeSystem system;
  std::unique_ptr<TFormLogin> login;
  std::u16string url;
  TFormMain* game = nullptr;
};

TEST_F(GameTest, CreationGivesAMaximisedDesktopWindowWithItsOwnTaskbarButton) {
  ASSERT_NE(game, nullptr);
  const FakeWindows::Window& w = window();
  EXPECT_EQ(w.window_spec.parent, FakeWindows::kDesktop);
  EXPECT_TRUE(w.ex_style & win::WS_EX_APPWINDOW);
  EXPECT_TRUE(w.style & win::WS_POPUP);
  EXPECT_TRUE(w.style & win::WS_SYSMENU);
  EXPECT_TRUE(w.style & win::WS_MINIMIZEBOX);
  EXPECT_TRUE(w.style & win::WS_MAXIMIZEBOX);
  EXPECT_EQ(w.caption, u"VelqoMorvane");
  EXPECT_EQ(w.background, 0x4E8395u);  // RGB(149, 131, 78)
  EXPECT_TRUE(w.window_spec.application_icon);
  EXPECT_TRUE(w.visible);
  EXPECT_EQ(w.show_state, win::SW_SHOWMAXIMIZED);
  EXPECT_EQ(w.bounds, system.windows.work_area);
  EXPECT_TRUE(game->Button(u"imgMax").Check());
  EXPECT_EQ(game->BackServiceList().Caption(), u"【返回服务器列表】");
  // The login window, the web frame and the game window each set the control word.
  EXPECT_EQ(system.windows.control_words, (std::vector<std::uint16_t>{0x133F, 0x133F, 0x133F}));
  EXPECT_EQ(frame_browser().navigations, std::vector<std::u16string>{url});
  EXPECT_EQ(frame_browser().settings.host_info_flags, 0x44008u);
  EXPECT_TRUE(frame_browser().settings.suppress_context_menus);
  EXPECT_TRUE(frame_browser().settings.swallow_ctrl_n);
  EXPECT_EQ(frame_browser().parent, handle());
}

TEST_F(GameTest, WebPanelFollowsTheWindowSize) {
  EXPECT_EQ(frame_browser().bounds, WebPanelRect(1920, 1040));
  EXPECT_EQ(WebPanelRect(1920, 1040), (Rect{-2, 33, 1922, 1041}));
  EXPECT_EQ(WebPanelRect(1026, 717), (Rect{-2, 33, 1028, 718}));
  game->imgMaxClick();
  EXPECT_EQ(frame_browser().bounds, WebPanelRect(1026, 717));
}

TEST_F(GameTest, TitleButtonsKeepTheirDistanceToTheRightEdge) {
  // Design positions assume 936 pixels; maximised the window is 1920 wide.
  const int shift = 1920 - 936;
  EXPECT_EQ(game->Button(u"imgClose").BoundsRect(), (Rect{900 + shift, 2, 934 + shift, 28}));
  EXPECT_EQ(game->Button(u"imgMax").BoundsRect(), (Rect{872 + shift, 2, 900 + shift, 26}));
  EXPECT_EQ(game->Button(u"imgMin").Left(), 845 + shift);
  EXPECT_EQ(game->Button(u"imgBossKey").Left(), 816 + shift);
  EXPECT_EQ(game->Button(u"imgSetting").BoundsRect(), (Rect{728 + shift, 2, 788 + shift, 26}));
  EXPECT_EQ(game->Button(u"imgBbs").Width(), 57);
  EXPECT_EQ(game->Button(u"imgService").Left(), 470 + shift);
  EXPECT_EQ(game->TitleImage().BoundsRect(), (Rect{0, 0, 1920, 35}));
  EXPECT_EQ(game->Logo().BoundsRect(), (Rect{7, -2, 33, 28}));
}

TEST(RestoredBoundsTest, CentredTwoPixelsBelowTheTop) {
  struct Row {
    int screen_width;
    int left;
  };
  const Row rows[] = {{1920, 447}, {1366, 170}, {1365, 170}, {1367, 170}, {1024, -1}};
  for (const Row& row : rows) {
    EXPECT_EQ(RestoredBounds(Size{row.screen_width, 768}), (Rect{row.left, 2, row.left + 1026, 719}))
        << row.screen_width;
  }
}

TEST_F(GameTest, MaximiseToggleRestoresTo1026By717AndBack) {
  game->imgMaxClick();
  EXPECT_FALSE(game->Button(u"imgMax").Check());
  EXPECT_EQ(window().show_state, win::SW_SHOWNORMAL);
  EXPECT_EQ(window().bounds, (Rect{447, 2, 447 + 1026, 2 + 717}));
  game->imgMaxClick();
  EXPECT_TRUE(game->Button(u"imgMax").Check());
  EXPECT_EQ(window().show_state, win::SW_SHOWMAXIMIZED);
  EXPECT_EQ(window().bounds, system.windows.work_area);
}

TEST_F(GameTest, DoubleClicksOnTheTitleLabelAndLogoToggleToo) {
  const Point points[] = {{300, 20}, {game->WebTitle().Left() + 1, 8}, {10, 10}};
  bool maximised = true;
  for (const Point& p : points) {
    system.windows.Dispatch(handle(), win::WM_LBUTTONDOWN, win::MK_LBUTTON, MousePoint(p.x, p.y));
    system.windows.Dispatch(handle(), win::WM_LBUTTONUP, 0, MousePoint(p.x, p.y));
    system.windows.Dispatch(handle(), win::WM_LBUTTONDBLCLK, win::MK_LBUTTON, MousePoint(p.x, p.y));
    system.windows.Dispatch(handle(), win::WM_LBUTTONUP, 0, MousePoint(p.x, p.y));
    maximised = !maximised;
    EXPECT_EQ(window().show_state == win::SW_SHOWMAXIMIZED, maximised) << p.x << "," << p.y;
  }
}

TEST(MaximizedPlacementTest, TheWorkAreaForEveryTaskbarEdge) {
  struct Row {
    const char* edge;
    Rect work_area;
    MinMaxInfo expected;
  };
  const Row rows[] = {
      {"bottom", {0, 0, 1920, 1040}, {{1920, 1040}, {0, 0}}},
      {"top", {0, 40, 1920, 1080}, {{1920, 1040}, {0, 40}}},
      {"left", {62, 0, 1920, 1080}, {{1858, 1080}, {62, 0}}},
      {"right", {0, 0, 1858, 1080}, {{1858, 1080}, {0, 0}}},
      {"auto-hidden", {0, 0, 1920, 1080}, {{1920, 1080}, {0, 0}}},
  };
  for (const Row& row : rows) {
    const MinMaxInfo info = MaximizedPlacement(row.work_area);
    EXPECT_EQ(info.max_size, row.expected.max_size) << row.edge;
    EXPECT_EQ(info.max_position, row.expected.max_position) << row.edge;
  }
}

TEST_F(GameTest, MaxSizeMessageAnswersTheWorkArea) {
  system.windows.work_area = Rect{62, 0, 1920, 1080};
  const MinMaxInfo info = system.windows.GetMinMaxInfo(handle());
  EXPECT_EQ(info.max_size, (Size{1858, 1080}));
  EXPECT_EQ(info.max_position, (Point{62, 0}));
}

TEST_F(GameTest, TitleButtonsOpenTheirPages) {
  TFormMain* g = game;
  // Recharge opens the server's own page only when both the server label and the user name are
  // known.
  const auto pay_with = [g](std::u16string server, std::u16string user) {
    return [g, server, user] {
      GameServerName = server;
      UserName = user;
      g->imgPayClick();
    };
  };
  const std::u16string pay = u"http://pay.velqo.com/index.php?step=3&game_id=155";
  testing::ExpectEachOpensItsAddress(
      system, handle(),
      {
          {"home page", [g] { g->imgHomePageClick(); }, u"http://www.velqo.com/qx/"},
          {"forum", [g] { g->imgBbsClick(); }, u"http://bbs.velqo.com/index.php?gid=1800"},
          {"service", [g] { g->imgServiceClick(); }, u"http://www.velqo.com/service.html"},
          {"recharge, nothing known", pay_with(u"", u""), pay},
          {"recharge, server only", pay_with(u"S12", u""), pay},
          {"recharge, user only", pay_with(u"", u"alice"), pay},
          {"recharge, both", pay_with(u"S12", u"alice"),
           u"http://pay.velqo.com/select.php?gamename=qx&gameserver=S12&username=alice"},
      });
}

TEST_F(GameTest, SettingsMenuOpensBelowTheButton) {
  system.menus.choices = {u"刷新"};
  game->imgSettingClick();
  ASSERT_EQ(system.menus.popups.size(), 1u);
  const auto& popup = system.menus.popups[0];
  const Rect bounds = window().bounds;
  EXPECT_EQ(popup.screen, (Point{bounds.left + game->Button(u"imgSetting").Left(), bounds.top + 2 + 25}));
  ASSERT_EQ(popup.items.size(), 3u);
  EXPECT_EQ(popup.items[0].caption, u"刷新");
  EXPECT_EQ(popup.items[1].caption, u"清理缓存");
  EXPECT_EQ(popup.items[2].caption, u"开机启动");
  EXPECT_FALSE(popup.items[2].checked);
  EXPECT_EQ(frame_browser().refreshes, 1);
}

TEST_F(GameTest, ClearCacheEmptiesTheCacheThenSaysSo) {
  system.menus.choices = {u"清理缓存"};
  game->imgSettingClick();
  EXPECT_EQ(frame_browser().cache_clears, 1);
  ASSERT_EQ(system.ui.boxes.size(), 1u);
  EXPECT_EQ(system.ui.boxes[0].text, u"缓存清除完毕！");
  EXPECT_EQ(system.ui.boxes[0].type, win::MB_ICONINFORMATION);
  EXPECT_EQ(system.ui.boxes[0].owner, handle());
}

TEST_F(GameTest, StartWithWindowsTogglesTheRunEntryAndRecordsTheChoice) {
  system.menus.choices = {u"开机启动"};
  game->imgSettingClick();
  EXPECT_TRUE(HasAutoRun());
  EXPECT_EQ(system.profile.ReadString(GetConfigPath(), u"Operate", u"ManualAutoRun", u"", 64), u"1");
  system.profile.WriteString(GetConfigPath(), u"Operate", u"ManualAutoRun", u"0");

  system.menus.choices = {u"开机启动"};
  game->imgSettingClick();
  // The check mark showed the entry at the second popup.
  EXPECT_TRUE(system.menus.popups[1].items[2].checked);
  EXPECT_FALSE(HasAutoRun());
  EXPECT_EQ(system.profile.ReadString(GetConfigPath(), u"Operate", u"ManualAutoRun", u"", 64), u"1");
}

TEST_F(GameTest, OnALinuxDesktopStartWithTheSystemTogglesTheAutostartEntryAndRecordsTheChoice) {
  system.UseDesktop();
  system.menus.choices = {u"开机启动"};
  game->imgSettingClick();
  EXPECT_TRUE(system.files.FileExists(testing::FakeDesktop::kAutostartEntry));
  EXPECT_EQ(system.profile.ReadString(GetConfigPath(), u"Operate", u"ManualAutoRun", u"", 64), u"1");
  EXPECT_EQ(GetConfigPath(), std::u16string(testing::FakeDesktop::kDataDir) + u"lander.ini");
  system.profile.WriteString(GetConfigPath(), u"Operate", u"ManualAutoRun", u"0");

  system.menus.choices = {u"开机启动"};
  game->imgSettingClick();
  EXPECT_TRUE(system.menus.popups[1].items[2].checked);
  EXPECT_FALSE(system.files.FileExists(testing::FakeDesktop::kAutostartEntry));
  EXPECT_EQ(system.profile.ReadString(GetConfigPath(), u"Operate", u"ManualAutoRun", u"", 64), u"1");
  EXPECT_FALSE(system.registry.HasKey(win::HKEY_CURRENT_USER, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"));
}

TEST_F(GameTest, BossKeyHidesToTheTrayAndALeftPressBringsItBack) {
  game->imgBossKeyClick();
  EXPECT_FALSE(window().visible);
  testing::ExpectTrayIconAdded(system, handle(), 1230);

  system.windows.Dispatch(handle(), kGameTrayMessage, 0, win::WM_LBUTTONDOWN);
  ASSERT_EQ(system.tray.calls.size(), 2u);
  EXPECT_EQ(system.tray.calls[1].action, win::NIM_DELETE);
  EXPECT_EQ(system.tray.calls[1].record.callback_message, 1230u);
  // The game window removes its icon with the record it added it with.
  EXPECT_EQ(system.tray.calls[1].record.tip, u"单击左键或右键");
  EXPECT_TRUE(window().visible);
  // Shown without being activated.
  EXPECT_EQ(window().show_commands.back(), win::SW_SHOWNA);
  EXPECT_TRUE(system.windows.foreground_calls.empty() || system.windows.foreground_calls.back() != handle());
}

TEST_F(GameTest, TrayMenuOpenShowsAndExitClosesOnlyTheGameWindow) {
  game->imgBossKeyClick();
  system.windows.cursor = Point{1700, 1060};
  system.menus.choices = {u"打开"};
  system.windows.Dispatch(handle(), kGameTrayMessage, 0, win::WM_RBUTTONDOWN);
  ASSERT_EQ(system.menus.popups.size(), 1u);
  EXPECT_EQ(system.menus.popups[0].screen, (Point{1700, 1060}));
  EXPECT_EQ(system.menus.popups[0].foreground, handle());
  EXPECT_TRUE(window().visible);
  EXPECT_EQ(system.tray.calls.back().action, win::NIM_DELETE);

  game->imgBossKeyClick();
  system.menus.choices = {u"退出"};
  const WindowHandle closed = handle();
  system.windows.Dispatch(closed, kGameTrayMessage, 0, win::WM_RBUTTONDOWN);
  EXPECT_FALSE(system.windows.Exists(closed));
  EXPECT_EQ(system.tray.calls.back().action, win::NIM_DELETE);
  EXPECT_TRUE(system.windows.IsVisible(login->Handle()));
  EXPECT_EQ(system.ui.terminate_requests, 0);
}

TEST_F(GameTest, OtherSystemCommandsGoToTheSystem) {
  system.windows.default_calls.clear();
  system.windows.Dispatch(handle(), win::WM_SYSCOMMAND, win::SC_RESTORE, 5);
  ASSERT_FALSE(system.windows.default_calls.empty());
  EXPECT_EQ(system.windows.default_calls.back().message.wparam, win::SC_RESTORE);
  EXPECT_TRUE(system.tray.calls.empty());
}

TEST_F(GameTest, EveryWayOfClosingShowsTheLoginWindowAndBlanksTheFrame) {
  struct Way {
    const char* what;
    std::function<void(TFormMain*, FakeSystem&)> close;
  };
  const Way ways[] = {
      {"close button", [](TFormMain* g, FakeSystem&) { g->imgCloseClick(); }},
      {"back link", [](TFormMain* g, FakeSystem&) { g->lblBackservicelistClick(); }},
      {"WM_CLOSE", [](TFormMain* g, FakeSystem& s) { s.windows.Dispatch(g->Handle(), win::WM_CLOSE); }},
      {"system close",
       [](TFormMain* g, FakeSystem& s) { s.windows.Dispatch(g->Handle(), win::WM_SYSCOMMAND, win::SC_CLOSE); }},
  };
  game->imgCloseClick();
  for (const Way& way : ways) {
    system.browsers.live[0]->RaiseBeforeNavigate2(url);
    TFormMain* current = FormMain;
    EXPECT_FALSE(system.windows.IsVisible(login->Handle())) << way.what;
    const WindowHandle closed = current->Handle();
    way.close(current, system);
    EXPECT_FALSE(system.windows.Exists(closed)) << way.what;
    EXPECT_TRUE(system.windows.IsVisible(login->Handle())) << way.what;
    EXPECT_EQ(FormMain, nullptr) << way.what;
    // The frame's browser is gone with the window.
    EXPECT_EQ(system.browsers.live.size(), 1u) << way.what;
  }
  EXPECT_EQ(system.ui.terminate_requests, 0);
}

// Keeps the calls of every browser when it is destroyed.
struct RecordingBrowserFactory : testing::FakeBrowserFactory {
  struct RecordingBrowser : FakeBrowser {
    using FakeBrowser::FakeBrowser;
    ~RecordingBrowser() override { log->push_back(calls); }
    std::vector<std::vector<std::u16string>>* log = nullptr;
  };
  std::unique_ptr<Browser> CreateBrowser(WindowHandle parent, const Rect& bounds,
                                         const BrowserHostSettings& settings) override {
    auto browser = std::make_unique<RecordingBrowser>(this, parent, bounds, settings);
    browser->log = &gone_calls;
    live.push_back(browser.get());
    return browser;
  }
  std::vector<std::vector<std::u16string>> gone_calls;
};

TEST(GameCloseTest, ABusyBrowserIsStoppedAndBlankedBeforeItGoes) {
  FakeSystem system;
  testing::PutFormPictures(system);
  RecordingBrowserFactory browsers;
  System with_browsers = Sys();
  with_browsers.browsers = &browsers;
  InstallSystem(with_browsers);
  TFormLogin login;
  FormLogin = &login;
  login.Show();
  testing::PaintAndDeliver(system, login.Handle());
  browsers.live[0]->RaiseBeforeNavigate2(u"http://" + EnterGameMarker + u"x=1");
  ASSERT_NE(FormMain, nullptr);
  browsers.live[1]->busy = true;
  FormMain->Close();
  ASSERT_EQ(browsers.gone_calls.size(), 1u);
  const std::vector<std::u16string>& calls = browsers.gone_calls[0];
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[calls.size() - 2], u"Stop");
  EXPECT_EQ(calls.back(), u"Navigate about:blank");
  FormLogin = nullptr;
}

TEST_F(GameTest, DragOnTheTitleImageWithTheLeftButtonAlone) {
  system.windows.default_calls.clear();
  game->imgTitleLeftMouseMove(kLeftButton | kShiftKey, 5, 5);
  EXPECT_TRUE(system.windows.default_calls.empty());
  game->imgTitleLeftMouseMove(kLeftButton | kDoubleClick, 5, 5);
  EXPECT_TRUE(system.windows.default_calls.empty());
  game->imgTitleLeftMouseMove(kLeftButton, 5, 5);
  ASSERT_EQ(system.windows.default_calls.size(), 1u);
  EXPECT_EQ(system.windows.default_calls[0].message.message, win::WM_SYSCOMMAND);
  EXPECT_EQ(system.windows.default_calls[0].message.wparam, 0xF011u);
  EXPECT_GE(system.windows.capture_releases, 1);
}

TEST_F(GameTest, MinimiseButton) {
  game->imgMinClick();
  EXPECT_EQ(window().show_state, win::SW_SHOWMINIMIZED);
}

TEST(IsForwardedKeyTest, NavigationKeysOnly) {
  constexpr std::intptr_t kExtended = 1 << 24;
  struct Row {
    std::uint32_t message;
    std::uintptr_t key;
    std::intptr_t lparam;
    bool ctrl;
    bool forwarded;
  };
  const Row rows[] = {
      {win::WM_KEYDOWN, win::VK_BACK, 0, false, true},
      {win::WM_KEYDOWN, win::VK_TAB, 0, false, true},
      {win::WM_KEYUP, win::VK_RETURN, 0, false, true},
      {win::WM_CHAR, 'a', 0, true, true},
      {win::WM_KEYDOWN, 'A', 0, false, false},
      {win::WM_KEYDOWN, win::VK_LEFT, kExtended, false, true},
      {win::WM_KEYDOWN, win::VK_DOWN, kExtended, false, true},
      {win::WM_KEYDOWN, win::VK_DELETE, kExtended, false, true},
      {win::WM_KEYDOWN, win::VK_LEFT, 0, false, false},    // keypad 4 with NumLock off
      {win::WM_KEYDOWN, win::VK_DELETE, 0, false, false},  // keypad decimal point
      {win::WM_KEYDOWN, 0x24, kExtended, false, false},    // Home is not among them
      {win::WM_UNICHAR, win::VK_TAB, 0, false, true},
      {0x010A, win::VK_TAB, 0, false, false},
      {0x00FF, win::VK_TAB, 0, false, false},
      {win::WM_MOUSEMOVE, win::VK_TAB, 0, true, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(IsForwardedKey(row.message, row.key, row.lparam, row.ctrl), row.forwarded)
        << std::hex << row.message << " " << row.key;
  }
}

TEST_F(GameTest, ForwardedKeysGoToTheBrowserAndAreConsumed) {
  ASSERT_TRUE(system.windows.message_hook);
  EXPECT_TRUE(system.windows.message_hook(Key(win::WM_KEYDOWN, win::VK_TAB)));
  ASSERT_EQ(frame_browser().accelerator_messages.size(), 1u);
  EXPECT_EQ(frame_browser().accelerator_messages[0].wparam, static_cast<std::uintptr_t>(win::VK_TAB));
  EXPECT_TRUE(system.windows.dispatched.empty());

  // Not consumed by the browser: translated and dispatched directly, still taken from the loop.
  frame_browser().accelerator_result = false;
  EXPECT_TRUE(system.windows.message_hook(Key(win::WM_KEYDOWN, win::VK_RETURN)));
  EXPECT_EQ(system.windows.dispatched.size(), 1u);

  // With Ctrl down any key.
  system.windows.key_states[win::VK_CONTROL] = -128;
  EXPECT_TRUE(system.windows.message_hook(Key(win::WM_KEYDOWN, 'C')));
  system.windows.key_states.clear();
  EXPECT_FALSE(system.windows.message_hook(Key(win::WM_KEYDOWN, 'C')));
}

TEST_F(GameTest, NothingIsForwardedWhileBusyOrOutsideThePage) {
  frame_browser().busy = true;
  EXPECT_FALSE(system.windows.message_hook(Key(win::WM_KEYDOWN, win::VK_TAB)));
  frame_browser().busy = false;
  QueuedMessage elsewhere = Key(win::WM_KEYDOWN, win::VK_TAB);
  elsewhere.window = login->Handle();
  EXPECT_FALSE(system.windows.message_hook(elsewhere));
  EXPECT_TRUE(frame_browser().accelerator_messages.empty());
}

TEST_F(GameTest, WithoutAGameWindowTheHookTakesNothing) {
  game->imgCloseClick();
  ASSERT_TRUE(system.windows.message_hook);
  EXPECT_FALSE(system.windows.message_hook(Key(win::WM_KEYDOWN, win::VK_TAB)));
  EXPECT_TRUE(system.windows.dispatched.empty());
}

TEST_F(GameTest, TheKeyboardHookIsInstalledOnceAndNeverReplaced) {
  EXPECT_EQ(system.windows.hook_settings, 1);
  // A second game window while the first is open, then a third after both have closed: the one
  // hook serves them all.
  system.browsers.live[0]->RaiseBeforeNavigate2(u"http://" + EnterGameMarker + u"sid=2");
  ASSERT_NE(FormMain, game);
  FormMain->imgCloseClick();
  game->imgCloseClick();
  system.browsers.live[0]->RaiseBeforeNavigate2(u"http://" + EnterGameMarker + u"sid=3");
  ASSERT_NE(FormMain, nullptr);
  EXPECT_EQ(system.windows.hook_settings, 1);
  FakeBrowser& newest = *system.browsers.live.back();
  newest.window = 0x6100;
  system.windows.children.insert({0x6100, 0x7778});
  ASSERT_TRUE(system.windows.message_hook);
  EXPECT_TRUE(system.windows.message_hook(QueuedMessage{0x7778, win::WM_KEYDOWN, win::VK_TAB, 0, 0, {}}));
  EXPECT_EQ(newest.accelerator_messages.size(), 1u);
}

TEST_F(GameTest, BothWindowsAddTheirIconAgainWhenTheTaskbarIsCreatedAgain) {
  ASSERT_EQ(system.windows.registered_messages.count(u"TaskbarCreated"), 1u);
  const std::uint32_t taskbar_created = system.windows.registered_messages.at(u"TaskbarCreated");
  const struct {
    const char* window;
    WindowHandle handle;
    std::uint32_t callback;
    std::function<void()> hide;
  } rows[] = {
      {"game window", handle(), kGameTrayMessage, [this] { game->imgBossKeyClick(); }},
      {"login window", login->Handle(), kLoginTrayMessage,
       [this] { system.windows.Dispatch(login->Handle(), win::WM_SYSCOMMAND, 0, 0); }},
  };
  for (const auto& row : rows) {
    // Not in the tray: nothing to add.
    system.tray.calls.clear();
    system.windows.Dispatch(row.handle, taskbar_created);
    EXPECT_TRUE(system.tray.calls.empty()) << row.window;

    row.hide();
    system.windows.Dispatch(row.handle, taskbar_created);
    ASSERT_EQ(system.tray.calls.size(), 2u) << row.window;
    EXPECT_EQ(system.tray.calls[1].action, win::NIM_ADD) << row.window;
    EXPECT_EQ(system.tray.calls[1].record.window, row.handle) << row.window;
    EXPECT_EQ(system.tray.calls[1].record.callback_message, row.callback) << row.window;
    EXPECT_EQ(system.tray.calls[1].record.tip, u"单击左键或右键") << row.window;
    EXPECT_FALSE(system.windows.IsVisible(row.handle)) << row.window;

    // A system that kept the icon refuses the add and takes a modification: still in the tray.
    system.tray.calls.clear();
    system.tray.refused_action = win::NIM_ADD;
    system.windows.Dispatch(row.handle, taskbar_created);
    system.tray.refused_action = -1;
    ASSERT_EQ(system.tray.calls.size(), 2u) << row.window;
    EXPECT_EQ(system.tray.calls[1].action, win::NIM_MODIFY) << row.window;
    EXPECT_FALSE(system.windows.IsVisible(row.handle)) << row.window;
    system.windows.Dispatch(row.handle, row.callback, 0, win::WM_LBUTTONDOWN);
    EXPECT_TRUE(system.windows.IsVisible(row.handle)) << row.window;
  }
}

TEST_F(GameTest, AWindowWhoseIconCannotBeAddedStaysInSight) {
  const std::uint32_t taskbar_created = system.windows.registered_messages.at(u"TaskbarCreated");
  // The boss key with no notification area to add the icon to: nothing would lead back.
  system.tray.answer = false;
  game->imgBossKeyClick();
  EXPECT_TRUE(window().visible);
  EXPECT_FALSE(game->TrayIconShown());

  // The login window's hide to the tray: minimised with its taskbar button instead.
  system.windows.Dispatch(login->Handle(), win::WM_SYSCOMMAND, 0, 0);
  const FakeWindows::Window& login_window = system.windows.Get(login->Handle());
  EXPECT_TRUE(login_window.ex_style & win::WS_EX_APPWINDOW);
  EXPECT_FALSE(login_window.ex_style & win::WS_EX_TOOLWINDOW);

  // An icon lost with the old taskbar that the new one refuses: the window comes back by itself.
  system.tray.answer = true;
  game->imgBossKeyClick();
  ASSERT_FALSE(window().visible);
  system.tray.answer = false;
  system.windows.Dispatch(handle(), taskbar_created);
  EXPECT_TRUE(window().visible);
  EXPECT_FALSE(game->TrayIconShown());
}

TEST(LoadGameTargetTest, PrefixAtTheFirstPositionOnly) {
  EXPECT_EQ(LoadGameTarget(u"client://loadgame|http://s1.morvane.velqo.com/"),
            std::optional<std::u16string>(u"http://s1.morvane.velqo.com/"));
  EXPECT_EQ(LoadGameTarget(u"client://loadgame|"), std::optional<std::u16string>(u""));
  EXPECT_EQ(LoadGameTarget(u"http://x/?client://loadgame|http://y/"), std::nullopt);
  EXPECT_EQ(LoadGameTarget(u"Client://loadgame|http://y/"), std::nullopt);
  EXPECT_EQ(LoadGameTarget(u"client://loadgame"), std::nullopt);
}

TEST_F(GameTest, LoadGameBlanksThenLoadsTheAddressAfterTheEvent) {
  const std::u16string target = u"http://s3.morvane.velqo.com/play";
  EXPECT_TRUE(frame_browser().RaiseBeforeNavigate2(u"client://loadgame|" + target));
  EXPECT_EQ(game->RevigateUrl(), target);
  ASSERT_EQ(system.windows.posted.size(), 1u);
  EXPECT_EQ(system.windows.posted[0].message.message, 1025u);
  EXPECT_EQ(frame_browser().navigations.size(), 1u);
  frame_browser().busy = true;
  system.windows.DeliverPosted();
  EXPECT_EQ(frame_browser().stops, 1);
  EXPECT_EQ(frame_browser().navigations, (std::vector<std::u16string>{url, u"about:blank", target}));
}

TEST_F(GameTest, OtherAddressesNavigateNormally) {
  EXPECT_FALSE(frame_browser().RaiseBeforeNavigate2(u"http://s3.morvane.velqo.com/?client://loadgame|x"));
  EXPECT_TRUE(system.windows.posted.empty());
  EXPECT_TRUE(frame_browser().RaiseBeforeNavigate2(u"client://loadgame|"));
  system.windows.DeliverPosted();
  EXPECT_EQ(frame_browser().stops, 0);
  EXPECT_EQ(frame_browser().navigations, (std::vector<std::u16string>{url, u"about:blank", u""}));
}

TEST_F(GameTest, TitleIsCopiedAndTheBackLinkFollowsTenPixelsAfterIt) {
  frame_browser().RaiseTitleChange(u"abc");
  EXPECT_EQ(game->WebTitle().Caption(), u"abc");
  EXPECT_EQ(game->WebTitle().Left(), 45);
  EXPECT_EQ(game->BackServiceList().Left(), 45 + game->WebTitle().Width() + 10);
  EXPECT_LT(game->WebTitle().Width(), 350);
  frame_browser().RaiseTitleChange(std::u16string(200, u'墨'));
  EXPECT_EQ(game->WebTitle().Width(), 350);
  EXPECT_EQ(game->BackServiceList().Left(), 405);
}

TEST_F(GameTest, BackLinkUnderlinesUnderTheMouse) {
  LabelControl& link = game->BackServiceList();
  const Point inside{link.Left() + 2, link.Top() + 2};
  system.windows.Dispatch(handle(), win::WM_MOUSEMOVE, 0, MousePoint(inside.x, inside.y));
  EXPECT_TRUE(link.Font().style & kFontUnderline);
  EXPECT_EQ(link.Cursor(), ControlCursor::kHand);
  system.windows.Dispatch(handle(), win::WM_MOUSEMOVE, 0, MousePoint(600, 300));
  EXPECT_FALSE(link.Font().style & kFontUnderline);
}

TEST_F(GameTest, GameServerNameComesFromTheTopLevelAddress) {
  struct Row {
    std::u16string location;  // the top-level address when a document completes
    std::u16string expected;
  };
  // In order: each row starts from what the one before left.
  const Row rows[] = {
      {u"http://s12.morvane.velqo.com/game.php", u"S12"},
      {u"about:blank", u"S12"},
      {u"http://login.velqo.com/client/index.php", u"S12"},
      {u"http://qq\u00e97.morvane.velqo.com/", u"QQ\u00e97"},
  };
  GameServerName = u"";
  for (const Row& row : rows) {
    frame_browser().location_url = row.location;
    // The event's own address (a frame's) is not what counts.
    frame_browser().RaiseDocumentComplete(u"http://ads.example.com/frame.html");
    EXPECT_EQ(GameServerName, row.expected) << ToUtf8(row.location);
  }
}

TEST_F(GameTest, FrameSuppressesOnlyClientCommandWindows) {
  EXPECT_TRUE(frame_browser().RaiseNewWindow3(u"http://s1.morvane.velqo.com/?client_command=pay"));
  EXPECT_FALSE(frame_browser().RaiseNewWindow3(u"http://s1.morvane.velqo.com/?CLIENT_COMMAND", true));
  EXPECT_FALSE(frame_browser().RaiseNewWindow3(u"http://www.velqo.com/", true));
}

}  // namespace
}  // namespace vkr
