#include "login/form_login.h"

#include <gtest/gtest.h>

#include <functional>

#include "common/browser_settings.h"
#include "common/public_config.h"
#include "common/public_unit.h"
#include "fakes/fake_browser.h"
#include "fakes/fake_graphics.h"
#include "fakes/fake_system.h"
#include "form_test_support.h"
#include "game/form_main.h"
#include "platform/win_constants.h"
#include "statistics/statistics.h"

namespace vkr {
namespace {

using testing::FakeBrowser;
using testing::FakeCanvas;
using testing::FakeElement;
using testing::FakeSystem;
using testing::FakeWindows;
using testing::MousePoint;

// A login window on fakes, created as the program entry creates it.
class LoginTest : public ::testing::Test {
 protected:
  LoginTest() {
    testing::PutFormPictures(system);
    login = std::make_unique<TFormLogin>();
    FormLogin = login.get();
    login->Show();
    testing::PaintAndDeliver(system, login->Handle());
  }
  ~LoginTest() override {
    login.reset();
    FormLogin = nullptr;
  }
  FakeBrowser& browser() { return *system.browsers.live.at(0); }
  FakeWindows::Window& window() { return system.windows.Get(login->Handle()); }
  WindowHandle handle() { return login->Handle(); }

  FakeSystem system;
  std::unique_ptr<TFormLogin> login;
};

TEST_F(LoginTest, CreationGivesTheSkinnedColourKeyedWindow) {
  const FakeWindows::Window& w = window();
  EXPECT_EQ(w.caption, u"VelqoMorvane");
  EXPECT_EQ(system.ui.application_window_text, u"VelqoMorvane");
  EXPECT_EQ(ApplicationTitle, u"VelqoMorvane");
  // Centred on the 1920 x 1080 screen, 888 x 566.
  EXPECT_EQ(w.bounds, (Rect{516, 257, 516 + 888, 257 + 566}));
  EXPECT_TRUE(w.style & win::WS_POPUP);
  EXPECT_TRUE(w.style & win::WS_MINIMIZEBOX);
  EXPECT_TRUE(w.style & win::WS_SYSMENU);
  EXPECT_TRUE(w.layered);
  EXPECT_EQ(w.color_key, 0xFFFFFFu);
  EXPECT_EQ(w.alpha, 255);
  EXPECT_EQ(w.background, 0xFFFFFFu);
  EXPECT_TRUE(w.visible);
  EXPECT_EQ(system.windows.control_words, std::vector<std::uint16_t>{0x133F});
  EXPECT_EQ(system.threads.started, 1);
}

TEST_F(LoginTest, BrowserLoadsTheLoginPageOffTheClientArea) {
  EXPECT_EQ(browser().parent, handle());
  EXPECT_EQ(browser().settings.host_info_flags, 0x4400Fu);
  EXPECT_TRUE(browser().settings.suppress_context_menus);
  EXPECT_TRUE(browser().settings.swallow_ctrl_n);
  EXPECT_EQ(browser().navigations, std::vector<std::u16string>{GameLoginUrl});
  EXPECT_EQ(browser().bounds, (Rect{-857, -542, -287, -202}));
  EXPECT_EQ(login->NavigateInfos().Caption(), u"正在为您加载资源，请稍后...");
  EXPECT_FALSE(login->NavigateError());
  EXPECT_FALSE(login->NavigateSuccess());
}

TEST_F(LoginTest, ControlsStandAtTheirLayoutRectangles) {
  EXPECT_EQ(login->Button(u"imgHomePage").BoundsRect(), (Rect{288, 147, 415, 195}));
  EXPECT_EQ(login->Button(u"imgPay").BoundsRect(), (Rect{428, 147, 557, 195}));
  EXPECT_EQ(login->Button(u"imgService").BoundsRect(), (Rect{573, 147, 698, 195}));
  EXPECT_EQ(login->Button(u"imgBbs").BoundsRect(), (Rect{713, 147, 840, 195}));
  EXPECT_EQ(login->Button(u"imgMin").BoundsRect(), (Rect{747, 121, 763, 136}));
  EXPECT_EQ(login->Button(u"imgClose").BoundsRect(), (Rect{768, 118, 788, 137}));
  for (const char16_t* name : {u"imgHomePage", u"imgPay", u"imgService", u"imgBbs", u"imgMin", u"imgClose"}) {
    TVuxoButton& button = login->Button(name);
    EXPECT_EQ(button.Cursor(), ControlCursor::kHand);
    EXPECT_TRUE(button.PictureNormal().HasGraphic());
    EXPECT_TRUE(button.PictureMouseOver().HasGraphic());
    EXPECT_EQ(button.PictureNormal().GetGraphic()->Kind(), GraphicKind::kJpeg);
  }
  // The skin, read from beside the program, at its natural size.
  EXPECT_EQ(login->Background().BoundsRect(), (Rect{0, 0, 888, 566}));
  EXPECT_EQ(login->Background().GetPicture().Width(), 888);
  // The label, sized to its text, in the middle of the browser's place.
  const LabelControl& label = login->NavigateInfos();
  EXPECT_EQ(label.Font().name, u"微软雅黑");
  EXPECT_EQ(label.Font().height, 21);
  EXPECT_EQ(label.Font().color, 0x00FFFFu);
  EXPECT_EQ(label.BackgroundColor(), 528421u);
  const Point centred = CenteredNavigateInfosPosition(label.Width(), label.Height());
  EXPECT_EQ(label.Left(), centred.x);
  EXPECT_EQ(label.Top(), centred.y);
}

TEST(LoginCreationOrderTest, UpdateWorkerStartsBeforeTheLoginPageIsRequested) {
  FakeSystem system;
  testing::PutFormPictures(system);
  // The navigations the login browser had when the worker was started.
  struct RecordingThreads : testing::FakeThreads {
    testing::FakeBrowserFactory* browsers = nullptr;
    std::size_t navigations_at_start = 99;
    bool StartDetached(std::function<void()> body) override {
      navigations_at_start = browsers->Last() ? browsers->Last()->navigations.size() : 0;
      return FakeThreads::StartDetached(std::move(body));
    }
  } threads;
  threads.browsers = &system.browsers;
  System with_threads = Sys();
  with_threads.threads = &threads;
  InstallSystem(with_threads);
  {
    TFormLogin login;
    login.Show();
    testing::PaintAndDeliver(system, login.Handle());
    EXPECT_EQ(threads.navigations_at_start, 0u);
    ASSERT_NE(system.browsers.Last(), nullptr);
    EXPECT_EQ(system.browsers.Last()->navigations.size(), 1u);
  }
}

// The window is on the screen before its browser exists: the first paint asks for the browser,
// which is made once and loads the login page once, off the client area.
TEST(LoginBrowserTest, TheFirstPaintMakesTheBrowserOnce) {
  FakeSystem system;
  testing::PutFormPictures(system);
  TFormLogin login;
  FormLogin = &login;
  login.Show();
  EXPECT_TRUE(system.windows.IsVisible(login.Handle()));
  EXPECT_EQ(system.threads.started, 1);
  EXPECT_TRUE(system.browsers.live.empty());
  EXPECT_EQ(login.LoginBrowser(), nullptr);

  FakeCanvas canvas;
  system.windows.Paint(login.Handle(), canvas);
  // Made after the paint has been shown, not inside it.
  EXPECT_TRUE(system.browsers.live.empty());
  EXPECT_EQ(system.windows.DeliverPosted(), 1);
  ASSERT_EQ(system.browsers.live.size(), 1u);
  EXPECT_EQ(login.LoginBrowser(), system.browsers.live[0]);
  EXPECT_EQ(system.browsers.live[0]->parent, login.Handle());
  EXPECT_EQ(system.browsers.live[0]->bounds, kBrowserHiddenRect);
  EXPECT_EQ(system.browsers.live[0]->navigations, std::vector<std::u16string>{GameLoginUrl});

  testing::PaintAndDeliver(system, login.Handle());
  testing::PaintAndDeliver(system, login.Handle());
  EXPECT_EQ(system.browsers.created, 1);
  EXPECT_EQ(system.browsers.live[0]->navigations.size(), 1u);
  FormLogin = nullptr;
}

// What can reach the window before its browser exists: the retry timer, a restore from the tray,
// and closing between the paint and the browser's creation.
TEST(LoginBrowserTest, EarlyMessagesBeforeTheBrowserAreHarmless) {
  {
    FakeSystem system;
    testing::PutFormPictures(system);
    TFormLogin login;
    FormLogin = &login;
    login.Show();
    system.windows.Dispatch(login.Handle(), win::WM_TIMER, login.Handle());
    system.windows.Dispatch(login.Handle(), kLoginNavigateFailedMessage);
    EXPECT_TRUE(system.browsers.live.empty());
    testing::PaintAndDeliver(system, login.Handle());
    ASSERT_EQ(system.browsers.live.size(), 1u);
    EXPECT_EQ(system.browsers.live[0]->navigations, std::vector<std::u16string>{GameLoginUrl});
    FormLogin = nullptr;
  }
  {
    FakeSystem system;
    testing::PutFormPictures(system);
    TFormLogin login;
    FormLogin = &login;
    login.Show();
    FakeCanvas canvas;
    system.windows.Paint(login.Handle(), canvas);
    login.imgCloseClick();
    system.windows.DeliverPosted();
    EXPECT_EQ(system.browsers.created, 0);
    EXPECT_EQ(system.ui.terminate_requests, 1);
    FormLogin = nullptr;
  }
}

// A login address that enters the game opens the game window from the browser's first
// navigation, before the login window would show: that browser is made with the window.
TEST(LoginBrowserTest, ALoginAddressThatEntersTheGameMakesTheBrowserWithTheWindow) {
  FakeSystem system;
  testing::PutFormPictures(system);
  const std::u16string saved = GameLoginUrl;
  GameLoginUrl = u"http://" + EnterGameMarker + u"sid=1";
  {
    TFormLogin login;
    ASSERT_EQ(system.browsers.live.size(), 1u);
    EXPECT_EQ(system.browsers.live[0]->navigations, std::vector<std::u16string>{GameLoginUrl});
    EXPECT_FALSE(system.windows.IsVisible(login.Handle()));
    testing::PaintAndDeliver(system, login.Handle());
    EXPECT_EQ(system.browsers.created, 1);
  }
  GameLoginUrl = saved;
}

TEST(CenteredNavigateInfosPositionTest, HalvesGoToTheEvenNeighbour) {
  struct Row {
    int width, height;
    Point expected;
  };
  const Row rows[] = {
      {100, 20, {287 + 235, 202 + 160}},
      {101, 21, {287 + 234, 202 + 160}},  // 234.5 -> 234, 159.5 -> 160
      {103, 23, {287 + 234, 202 + 158}},  // 233.5 -> 234, 158.5 -> 158
      {570, 340, {287, 202}},
      {600, 350, {287 - 15, 202 - 5}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(CenteredNavigateInfosPosition(row.width, row.height), row.expected) << row.width << "x" << row.height;
  }
}

TEST(SizingEdgeHitTestTest, CornerThenRightThenBottomEdges) {
  const Rect window{100, 100, 988, 666};
  struct Row {
    Point point;
    std::intptr_t expected;
  };
  const Row rows[] = {
      {{987, 665}, win::HTBOTTOMRIGHT}, {{982, 660}, win::HTBOTTOMRIGHT}, {{981, 665}, win::HTBOTTOM},
      {{987, 659}, win::HTRIGHT},       {{984, 300}, win::HTRIGHT},       {{983, 300}, win::HTCLIENT},
      {{500, 662}, win::HTBOTTOM},      {{500, 661}, win::HTCLIENT},      {{300, 300}, win::HTCLIENT},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(SizingEdgeHitTest(row.point, window, win::HTCLIENT), row.expected) << row.point.x << "," << row.point.y;
  }
}

TEST_F(LoginTest, HitTestAnswersFollowTheWindowsPlace) {
  const Rect bounds = window().bounds;
  EXPECT_EQ(system.windows.Dispatch(handle(), win::WM_NCHITTEST, 0, MousePoint(bounds.right - 2, 400)), win::HTRIGHT);
  EXPECT_EQ(system.windows.Dispatch(handle(), win::WM_NCHITTEST, 0, MousePoint(bounds.right - 5, bounds.bottom - 5)),
            win::HTBOTTOMRIGHT);
  EXPECT_EQ(system.windows.Dispatch(handle(), win::WM_NCHITTEST, 0, MousePoint(bounds.left + 10, bounds.top + 10)),
            win::HTCLIENT);
}

TEST_F(LoginTest, ExactPayUrlOpensInternetExplorerAndTheScanStillRuns) {
  browser().elements = {FakeElement{true, u"text", u"username", u"alice"}};
  EXPECT_TRUE(browser().RaiseBeforeNavigate2(PayUrl));
  ASSERT_EQ(system.shell.executions.size(), 1u);
  EXPECT_EQ(system.shell.executions[0].file, u"IExplore.EXE");
  EXPECT_EQ(system.shell.executions[0].owner, handle());
  EXPECT_EQ(testing::LastIeUrl(system), PayUrl);
  EXPECT_EQ(UserName, u"alice");
}

TEST_F(LoginTest, PayUrlWithASuffixNavigatesInsideTheWindow) {
  EXPECT_FALSE(browser().RaiseBeforeNavigate2(PayUrl + u"&x=1"));
  EXPECT_TRUE(system.shell.executions.empty());
}

TEST_F(LoginTest, UserNameComesFromTheFirstNonEmptyTextInputNamedUsername) {
  FakeElement not_input;
  not_input.is_input = false;
  FakeElement broken_type{true, u"text", u"username", u"x"};
  broken_type.fail_type = true;
  FakeElement broken_value{true, u"text", u"username", u"x"};
  broken_value.fail_value = true;
  FakeElement broken_name{true, u"text", u"username", u"x"};
  broken_name.fail_name = true;
  FakeElement unfetchable{true, u"text", u"username", u"x"};
  unfetchable.fail_fetch = true;
  struct Row {
    const char* what;
    std::vector<FakeElement> elements;
    std::u16string expected;
  };
  const std::vector<Row> rows = {
      {"plain", {{true, u"text", u"username", u"alice"}}, u"alice"},
      {"type in capitals", {{true, u"TEXT", u"username", u"bob"}}, u"bob"},
      {"name in other case", {{true, u"text", u"UserName", u"carol"}}, u""},
      {"password input", {{true, u"password", u"username", u"dave"}}, u""},
      {"empty value, later one", {{true, u"text", u"username", u""}, {true, u"text", u"username", u"erin"}}, u"erin"},
      {"first found ends the walk",
       {{true, u"text", u"username", u"fay"}, {true, u"text", u"username", u"gus"}},
       u"fay"},
      {"other elements passed over",
       {not_input, {true, u"text", u"user", u"x"}, {true, u"text", u"username", u"hal"}},
       u"hal"},
      {"error ends the scan", {broken_type, {true, u"text", u"username", u"ivy"}}, u""},
      {"error reading the value", {broken_value, {true, u"text", u"username", u"jo"}}, u""},
      {"error reading the name", {broken_name, {true, u"text", u"username", u"kim"}}, u""},
      {"an element that cannot be fetched ends the walk", {unfetchable, {true, u"text", u"username", u"lee"}}, u""},
  };
  for (const Row& row : rows) {
    UserName = u"previous";
    browser().elements = row.elements;
    EXPECT_FALSE(browser().RaiseBeforeNavigate2(u"http://login.velqo.com/client/next.php"));
    EXPECT_EQ(UserName, row.expected) << row.what;
  }
}

TEST_F(LoginTest, WithoutADocumentTheUserNameIsCleared) {
  UserName = u"previous";
  browser().has_document = false;
  browser().RaiseBeforeNavigate2(u"http://login.velqo.com/x");
  EXPECT_EQ(UserName, u"");
}

TEST_F(LoginTest, EnterGameOpensExactlyOneGameWindowAndReloadsTheLoginPage) {
  UserName = u"alice";
  browser().elements = {FakeElement{true, u"text", u"username", u"bob"}};
  const std::u16string url = u"http://login.velqo.com/entergame_pc.php?sid=7&server=3";
  EXPECT_TRUE(browser().RaiseBeforeNavigate2(url));
  EXPECT_EQ(EnterGameUrl, url);
  // The entering navigation does not scan.
  EXPECT_EQ(UserName, u"alice");
  EXPECT_EQ(browser().refreshes, 1);
  ASSERT_EQ(login->GameWindows().size(), 1u);
  ASSERT_NE(FormMain, nullptr);
  EXPECT_EQ(FormMain, login->GameWindows()[0].get());
  ASSERT_EQ(system.browsers.live.size(), 2u);
  EXPECT_EQ(system.browsers.live[1]->navigations, std::vector<std::u16string>{url});
  EXPECT_TRUE(system.windows.IsVisible(FormMain->Handle()));
  EXPECT_FALSE(window().visible);
}

TEST(LoginEnterGameTest, TheLoginWindowStaysWhenNoGameWindowCouldBeMade) {
  FakeSystem system;
  testing::PutFormPictures(system);
  TFormLogin login;
  FormLogin = &login;
  login.Show();
  testing::PaintAndDeliver(system, login.Handle());
  system.windows.fail_create = true;
  EXPECT_TRUE(system.browsers.live[0]->RaiseBeforeNavigate2(u"http://" + EnterGameMarker + u"a=1"));
  EXPECT_TRUE(system.windows.IsVisible(login.Handle()));
  FormLogin = nullptr;
}

TEST_F(LoginTest, ClosingTheGameWindowShowsTheLoginWindowAgain) {
  browser().RaiseBeforeNavigate2(u"http://" + EnterGameMarker + u"a=1");
  ASSERT_NE(FormMain, nullptr);
  FormMain->Close();
  EXPECT_TRUE(window().visible);
  EXPECT_EQ(FormMain, nullptr);
  EXPECT_EQ(system.ui.terminate_requests, 0);
  // A second entry releases the closed window and opens a new one.
  browser().RaiseBeforeNavigate2(u"http://" + EnterGameMarker + u"a=2");
  EXPECT_EQ(login->GameWindows().size(), 1u);
  EXPECT_EQ(EnterGameUrl, u"http://" + EnterGameMarker + u"a=2");
}

TEST_F(LoginTest, CompletedDocumentShowsTheBrowser) {
  browser().RaiseDocumentComplete(GameLoginUrl);
  EXPECT_TRUE(login->NavigateSuccess());
  EXPECT_EQ(browser().bounds, (Rect{287, 202, 857, 542}));
}

TEST_F(LoginTest, CompletedDocumentsAskForTheActivityReport) {
  CreateStatisticsManager();
  const int started = system.threads.started;  // the update worker
  // The error page of a failed load counts nothing.
  browser().RaiseNavigateError(GameLoginUrl);
  browser().RaiseDocumentComplete(u"res://ieframe.dll/dnserror.htm");
  EXPECT_EQ(system.profile.ReadString(GetConfigPath(), u"Common", u"RunCount", u"", 64), u"");
  system.windows.DeliverPosted();
  system.windows.FireTimer(handle(), handle());
  browser().RaiseDocumentComplete(GameLoginUrl);
  EXPECT_EQ(system.profile.ReadString(GetConfigPath(), u"Common", u"RunCount", u"", 64), u"1");
  EXPECT_EQ(system.threads.started, started + 1);
  // Every completed document counts; only the first of the configuration file reports.
  browser().RaiseDocumentComplete(GameLoginUrl + u"#frame");
  EXPECT_EQ(system.profile.ReadString(GetConfigPath(), u"Common", u"RunCount", u"", 64), u"2");
  EXPECT_EQ(system.threads.started, started + 1);
  ReleaseStatisticsManager();
}

TEST_F(LoginTest, FailureShowsTheTextAndRetriesEveryFiveSeconds) {
  EXPECT_FALSE(browser().RaiseNavigateError(GameLoginUrl));
  EXPECT_TRUE(login->NavigateError());
  EXPECT_EQ(login->NavigateInfos().Caption(), u"您的网络出现异常，请检查，谢谢！");
  const Point centred = CenteredNavigateInfosPosition(login->NavigateInfos().Width(), login->NavigateInfos().Height());
  EXPECT_EQ(login->NavigateInfos().Left(), centred.x);
  // Nothing is stopped inside the browser's event.
  EXPECT_EQ(browser().stops, 0);
  ASSERT_EQ(system.windows.posted.size(), 1u);
  EXPECT_EQ(system.windows.posted[0].message.message, 1224u);
  EXPECT_EQ(system.windows.posted[0].message.wparam, 0u);
  EXPECT_EQ(system.windows.posted[0].message.lparam, 0);

  // The error page completes while the failure is pending: the browser stays hidden.
  browser().RaiseDocumentComplete(u"res://ieframe.dll/dnserror.htm");
  EXPECT_FALSE(login->NavigateSuccess());
  EXPECT_EQ(browser().bounds, (Rect{-857, -542, -287, -202}));

  system.windows.DeliverPosted();
  EXPECT_EQ(browser().stops, 1);
  const std::uintptr_t timer_id = handle();
  ASSERT_EQ(window().timers.count(timer_id), 1u);
  EXPECT_EQ(window().timers[timer_id], 5000u);

  ASSERT_TRUE(system.windows.FireTimer(handle(), timer_id));
  EXPECT_TRUE(window().timers.empty());
  EXPECT_FALSE(login->NavigateError());
  EXPECT_EQ(browser().navigations, (std::vector<std::u16string>{GameLoginUrl, GameLoginUrl}));

  // Failing again arms the timer again; the text stays the failure text.
  browser().RaiseNavigateError(GameLoginUrl);
  system.windows.DeliverPosted();
  EXPECT_EQ(window().timers.count(timer_id), 1u);
  system.windows.FireTimer(handle(), timer_id);

  // The retry succeeds: later failures are ignored for good.
  browser().RaiseDocumentComplete(GameLoginUrl);
  EXPECT_TRUE(login->NavigateSuccess());
  EXPECT_EQ(browser().bounds, (Rect{287, 202, 857, 542}));
  browser().RaiseNavigateError(GameLoginUrl);
  EXPECT_TRUE(system.windows.posted.empty());
  EXPECT_FALSE(login->NavigateError());
}

TEST_F(LoginTest, AnyTimerMessageRetries) {
  browser().RaiseNavigateError(GameLoginUrl);
  system.windows.DeliverPosted();
  system.windows.Dispatch(handle(), win::WM_TIMER, 77, 0);
  EXPECT_TRUE(window().timers.empty());
  EXPECT_EQ(browser().navigations.size(), 2u);
}

TEST_F(LoginTest, RestoreFromTheTrayCancelsThePendingRetry) {
  browser().RaiseNavigateError(GameLoginUrl);
  system.windows.DeliverPosted();
  system.windows.Dispatch(handle(), win::WM_SYSCOMMAND, 0, 0);
  system.windows.Dispatch(handle(), kLoginTrayMessage, 0, win::WM_LBUTTONDOWN);
  EXPECT_TRUE(window().timers.empty());
  EXPECT_TRUE(login->NavigateError());
  EXPECT_EQ(browser().navigations.size(), 1u);
}

TEST_F(LoginTest, NewWindowsOfClientCommandsAreSuppressed) {
  EXPECT_TRUE(browser().RaiseNewWindow3(u"http://www.velqo.com/x?client_command=1"));
  EXPECT_TRUE(browser().RaiseNewWindow3(u"client_command"));
  EXPECT_FALSE(browser().RaiseNewWindow3(u"http://www.velqo.com/x?Client_Command=1", true));
  EXPECT_FALSE(browser().RaiseNewWindow3(u"http://www.velqo.com/news.html", true));
}

TEST_F(LoginTest, ButtonsOpenTheirPagesInInternetExplorer) {
  TFormLogin* l = login.get();
  const auto logged_in_pay = [l] {
    UserName = u"alice";
    l->imgPayClick();
  };
  testing::ExpectEachOpensItsAddress(
      system, handle(),
      {
          {"home page", [l] { l->imgHomePageClick(); }, u"http://www.velqo.com/qx/"},
          {"forum", [l] { l->imgBbsClick(); }, u"http://bbs.velqo.com/index.php?gid=1800"},
          {"service", [l] { l->imgServiceClick(); }, u"http://www.velqo.com/service.html"},
          {"recharge before logging in", [l] { l->imgPayClick(); },
           u"http://pay.velqo.com/index.php?step=3&game_id=155"},
          {"recharge once the user name is known", logged_in_pay,
           u"http://pay.velqo.com/select.php?gamename=qx&gameserver=&username=alice"},
      });
}

TEST_F(LoginTest, AClickOnAButtonReachesItsHandler) {
  const Rect r = login->Button(u"imgService").BoundsRect();
  system.windows.Dispatch(handle(), win::WM_MOUSEMOVE, 0, MousePoint(r.left + 5, r.top + 5));
  system.windows.Dispatch(handle(), win::WM_LBUTTONDOWN, win::MK_LBUTTON, MousePoint(r.left + 5, r.top + 5));
  system.windows.Dispatch(handle(), win::WM_LBUTTONUP, 0, MousePoint(r.left + 5, r.top + 5));
  EXPECT_EQ(testing::LastIeUrl(system), ServiceUrl);
}

TEST_F(LoginTest, MinimiseIsAnOrdinaryMinimise) {
  login->imgMinClick();
  EXPECT_EQ(window().show_state, win::SW_SHOWMINIMIZED);
  EXPECT_EQ(window().show_commands.back(), win::SW_MINIMIZE);
}

TEST_F(LoginTest, AnyMouseButtonOnTheBackgroundStartsTheSystemMove) {
  for (std::uint32_t message : {win::WM_LBUTTONDOWN, win::WM_RBUTTONDOWN}) {
    system.windows.default_calls.clear();
    const int releases = system.windows.capture_releases;
    system.windows.Dispatch(handle(), message, 0, MousePoint(100, 300));
    EXPECT_EQ(system.windows.capture_releases, releases + 1);
    ASSERT_EQ(system.windows.default_calls.size(), 1u);
    EXPECT_EQ(system.windows.default_calls[0].message.message, win::WM_SYSCOMMAND);
    EXPECT_EQ(system.windows.default_calls[0].message.wparam, 0xF011u);
    system.windows.Dispatch(handle(), message + 1, 0, MousePoint(100, 300));
  }
}

TEST_F(LoginTest, SystemCommandsOtherThanZeroGoToTheSystem) {
  system.windows.Dispatch(handle(), win::WM_SYSCOMMAND, win::SC_MINIMIZE, 1234);
  ASSERT_EQ(system.windows.default_calls.size(), 1u);
  EXPECT_EQ(system.windows.default_calls[0].message.wparam, win::SC_MINIMIZE);
  EXPECT_EQ(system.windows.default_calls[0].message.lparam, 1234);
  EXPECT_TRUE(system.tray.calls.empty());
}

TEST_F(LoginTest, CommandZeroHidesTheWindowToTheTray) {
  system.windows.Dispatch(handle(), win::WM_SYSCOMMAND, 0, 0);
  EXPECT_TRUE(window().ex_style & win::WS_EX_TOOLWINDOW);
  EXPECT_FALSE(window().ex_style & win::WS_EX_APPWINDOW);
  EXPECT_EQ(window().show_state, win::SW_SHOWMINIMIZED);
  EXPECT_FALSE(window().visible);
  testing::ExpectTrayIconAdded(system, handle(), 1225);

  system.windows.Dispatch(handle(), kLoginTrayMessage, 0, win::WM_LBUTTONDOWN);
  ASSERT_EQ(system.tray.calls.size(), 2u);
  EXPECT_EQ(system.tray.calls[1].action, win::NIM_DELETE);
  EXPECT_EQ(system.tray.calls[1].record.tip, u"左键双击弹出或右键");
  EXPECT_EQ(system.tray.calls[1].record.callback_message, 1225u);
  EXPECT_TRUE(window().ex_style & win::WS_EX_APPWINDOW);
  EXPECT_FALSE(window().ex_style & win::WS_EX_TOOLWINDOW);
  EXPECT_TRUE(window().visible);
  EXPECT_EQ(window().show_state, win::SW_SHOWNORMAL);
  EXPECT_EQ(system.windows.foreground_calls.back(), handle());
  EXPECT_EQ(system.windows.active_calls.back(), handle());
}

TEST_F(LoginTest, TrayRightButtonOffersOpenAndExit) {
  system.windows.Dispatch(handle(), win::WM_SYSCOMMAND, 0, 0);
  system.windows.cursor = Point{1800, 1050};
  system.menus.choices = {u"打开"};
  system.windows.Dispatch(handle(), kLoginTrayMessage, 0, win::WM_RBUTTONDOWN);
  ASSERT_EQ(system.menus.popups.size(), 1u);
  EXPECT_EQ(system.menus.popups[0].screen, (Point{1800, 1050}));
  ASSERT_EQ(system.menus.popups[0].items.size(), 2u);
  EXPECT_EQ(system.menus.popups[0].items[0].caption, u"打开");
  EXPECT_EQ(system.menus.popups[0].items[1].caption, u"退出");
  EXPECT_TRUE(window().visible);
  EXPECT_EQ(system.tray.calls.back().action, win::NIM_DELETE);
}

TEST_F(LoginTest, ADismissedTrayMenuLeavesTheWindowInTheTray) {
  system.windows.Dispatch(handle(), win::WM_SYSCOMMAND, 0, 0);
  system.windows.foreground_calls.clear();
  system.windows.Dispatch(handle(), kLoginTrayMessage, 0, win::WM_RBUTTONDOWN);
  ASSERT_EQ(system.menus.popups.size(), 1u);
  // The window is brought to the front before the menu pops up, so that a click elsewhere
  // closes the menu; the window itself stays hidden.
  EXPECT_EQ(system.menus.popups[0].foreground, handle());
  EXPECT_FALSE(window().visible);
  EXPECT_EQ(system.tray.calls.size(), 1u);
}

TEST_F(LoginTest, OtherTrayMouseMessagesAreIgnored) {
  system.windows.Dispatch(handle(), win::WM_SYSCOMMAND, 0, 0);
  system.windows.Dispatch(handle(), kLoginTrayMessage, 0, win::WM_MOUSEMOVE);
  system.windows.Dispatch(handle(), kLoginTrayMessage, 0, win::WM_LBUTTONDBLCLK);
  EXPECT_EQ(system.tray.calls.size(), 1u);
  EXPECT_TRUE(system.menus.popups.empty());
}

TEST(LoginCloseTest, EveryWayOfClosingEndsTheProgramOnceAndLeavesNothingBehind) {
  struct Way {
    const char* what;
    std::function<void(TFormLogin&, FakeSystem&)> close;
  };
  const Way ways[] = {
      {"close button", [](TFormLogin& l, FakeSystem&) { l.imgCloseClick(); }},
      {"CloseApp (the update worker's way), from the message loop",
       [](TFormLogin& l, FakeSystem& s) {
         l.CloseApp();
         s.windows.DeliverPosted();
       }},
      {"WM_CLOSE", [](TFormLogin& l, FakeSystem& s) { s.windows.Dispatch(l.Handle(), win::WM_CLOSE); }},
      {"exit in the tray menu",
       [](TFormLogin& l, FakeSystem& s) {
         s.windows.Dispatch(l.Handle(), win::WM_SYSCOMMAND, 0, 0);
         s.menus.choices = {u"退出"};
         s.windows.Dispatch(l.Handle(), kLoginTrayMessage, 0, win::WM_RBUTTONDOWN);
       }},
  };
  for (const Way& way : ways) {
    FakeSystem system;
    testing::PutFormPictures(system);
    TFormLogin login;
    FormLogin = &login;
    login.Show();
    testing::PaintAndDeliver(system, login.Handle());
    ASSERT_EQ(system.browsers.live.size(), 1u) << way.what;
    const WindowHandle closed = login.Handle();
    way.close(login, system);
    EXPECT_EQ(system.ui.terminate_requests, 1) << way.what;
    EXPECT_FALSE(login.HandleAllocated()) << way.what;
    EXPECT_FALSE(system.windows.Exists(closed)) << way.what;
    EXPECT_TRUE(system.browsers.live.empty()) << way.what;
    // A tray icon does not outlive the window.
    EXPECT_TRUE(system.tray.calls.empty() || system.tray.calls.back().action == win::NIM_DELETE) << way.what;
    // Closing again asks for nothing more.
    login.CloseApp();
    EXPECT_EQ(system.ui.terminate_requests, 1) << way.what;
    FormLogin = nullptr;
  }
}

TEST_F(LoginTest, AClosedWindowEntersNoGame) {
  login->CloseApp();
  system.windows.DeliverPosted();
  // A navigation the control reports late, while it goes.
  bool cancel = false;
  login->browserBeforeNavigate2(u"http://" + EnterGameMarker + u"late=1", cancel);
  EXPECT_TRUE(login->GameWindows().empty());
  EXPECT_EQ(FormMain, nullptr);
}

TEST(LoginCloseTest, CloseAppInsideABrowserEventClosesOnlyAfterTheEventHasReturned) {
  // The update worker's call can arrive while the GUI thread waits inside any browser event.
  const struct {
    const char* event;
    std::function<void(FakeBrowser&)> raise;
  } events[] = {
      {"BeforeNavigate2", [](FakeBrowser& b) { b.RaiseBeforeNavigate2(u"http://login.velqo.test/next"); }},
      {"DocumentComplete", [](FakeBrowser& b) { b.RaiseDocumentComplete(u"http://login.velqo.test/"); }},
      {"NavigateError", [](FakeBrowser& b) { b.RaiseNavigateError(u"http://login.velqo.test/"); }},
      {"NewWindow3", [](FakeBrowser& b) { b.RaiseNewWindow3(u"http://login.velqo.test/pop"); }},
  };
  for (const auto& entry : events) {
    FakeSystem fresh;
    testing::PutFormPictures(fresh);
    TFormLogin window;
    FormLogin = &window;
    window.Show();
    testing::PaintAndDeliver(fresh, window.Handle());
    FakeBrowser& control = *fresh.browsers.live.at(0);
    bool alive_after_call = false;
    // The worker's request comes through the handler the window gave the control.
    const auto wrap = [&](auto& handler) {
      auto inner = handler;
      handler = [&, inner](auto&&... args) {
        window.CloseApp();
        alive_after_call = window.HandleAllocated() && fresh.browsers.live.size() == 1;
        inner(args...);
      };
    };
    wrap(control.events.before_navigate2);
    wrap(control.events.document_complete);
    wrap(control.events.navigate_error);
    wrap(control.events.new_window3);
    entry.raise(control);
    EXPECT_TRUE(alive_after_call) << entry.event;
    EXPECT_TRUE(window.HandleAllocated()) << entry.event;
    EXPECT_EQ(fresh.ui.terminate_requests, 0) << entry.event;
    // The message loop then carries it out, once.
    fresh.windows.DeliverPosted();
    EXPECT_FALSE(window.HandleAllocated()) << entry.event;
    EXPECT_TRUE(fresh.browsers.live.empty()) << entry.event;
    EXPECT_EQ(fresh.ui.terminate_requests, 1) << entry.event;
    FormLogin = nullptr;
  }
}

TEST_F(LoginTest, ButtonsShowTheHandCursor) {
  const Rect bounds = window().bounds;
  const Rect r = login->Button(u"imgClose").BoundsRect();
  system.windows.cursor = Point{bounds.left + r.left + 2, bounds.top + r.top + 2};
  EXPECT_EQ(system.windows.Dispatch(handle(), win::WM_SETCURSOR, handle(), win::HTCLIENT), 1);
  system.windows.cursor = Point{bounds.left + 100, bounds.top + 300};
  system.windows.Dispatch(handle(), win::WM_SETCURSOR, handle(), win::HTCLIENT);
  EXPECT_EQ(system.windows.cursors, (std::vector<CursorShape>{CursorShape::kHand, CursorShape::kArrow}));
}

}  // namespace
}  // namespace vkr
