#include "login/form_login.h"

#include <cmath>

#include "common/browser_settings.h"
#include "common/public_config.h"
#include "common/public_unit.h"
#include "common/text.h"
#include "game/form_main.h"
#include "login/updata_thread.h"
#include "platform/system.h"
#include "platform/win_constants.h"
#include "statistics/statistics.h"

namespace vkr {

TFormLogin* FormLogin = nullptr;

namespace {

std::unique_ptr<TFormLogin>& LoginWindowOwner() {
  static std::unique_ptr<TFormLogin> owner;
  return owner;
}

constexpr Color kWhiteKey = RgbColor(255, 255, 255);
constexpr Color kYellow = RgbColor(255, 255, 0);
constexpr Color kInfosBackground = RgbColor(37, 16, 8);  // 528421

// The six buttons, in the order the window loads their faces.
constexpr const char16_t* kLoginButtons[] = {u"CLOSE", u"MIN", u"HOMEPAGE", u"PAY", u"BBS", u"SERVICE"};

// The six buttons: resource names of their faces (JPEG, normal and mouse-over).
void LoadLoginButtonFaces(TVuxoButton& button, const std::u16string& name) {
  Picture normal;
  Picture over;
  LoadFormPicture(u"LOGIN_" + name + u"_NORMAL", GraphicKind::kJpeg, &normal);
  LoadFormPicture(u"LOGIN_" + name + u"_OVER", GraphicKind::kJpeg, &over);
  button.SetPicture(normal);
  button.SetPictureNormal(normal);
  button.SetPictureMouseOver(over);
  button.SetCursor(ControlCursor::kHand);
}

}  // namespace

void PrefetchLoginPictures() {
  std::string bytes;
  for (const char16_t* name : kLoginButtons) {
    for (const char16_t* face : {u"_NORMAL", u"_OVER"}) {
      if (Sys().resources->Load(u"LOGIN_" + std::u16string(name) + face, &bytes)) {
        Sys().graphics->Prefetch(GraphicKind::kJpeg, bytes);
      }
    }
  }
  GraphicKind kind;
  const std::u16string skin = GetLoginSkinPath();
  if (GraphicKindForFile(skin, &kind) && Sys().files->ReadFile(skin, &bytes, kMaxPictureFileBytes)) {
    Sys().graphics->Prefetch(kind, bytes);
  }
}

void CreateLoginWindow() {
  LoginWindowOwner() = std::make_unique<TFormLogin>();
  FormLogin = LoginWindowOwner().get();
  Sys().ui->SetMainWindow(FormLogin->Handle());
  // A login address that enters the game at once has opened a game window already; the login
  // window then stays hidden until that window closes.
  if (!FormMain) FormLogin->Show();
}

void ReleaseLoginWindow() {
  LoginWindowOwner().reset();
  FormLogin = nullptr;
}

Point CenteredNavigateInfosPosition(int width, int height) {
  return Point{kBrowserRect.left + RoundPixels((kBrowserRect.Width() - width) / 2.0),
               kBrowserRect.top + RoundPixels((kBrowserRect.Height() - height) / 2.0)};
}

std::intptr_t SizingEdgeHitTest(Point point, const Rect& window, std::intptr_t usual) {
  const int right = window.left + window.Width();
  const int bottom = window.top + window.Height();
  if (point.x >= right - 6 && point.y >= bottom - 6) return win::HTBOTTOMRIGHT;
  if (point.x >= right - 4) return win::HTRIGHT;
  if (point.y >= bottom - 4) return win::HTBOTTOM;
  return usual;
}

TFormLogin::TFormLogin() {
  // The form's components, as its resource declares them, before FormCreate runs.
  const Size screen = Sys().windows->PrimaryScreenSize();
  WindowSpec window_spec;
  window_spec.caption = kApplicationTitle;
  window_spec.bounds = vkr::BoundsRect(RoundPixels((screen.width - kLoginWidth) / 2.0),
                                       RoundPixels((screen.height - kLoginHeight) / 2.0), kLoginWidth, kLoginHeight);
  window_spec.style = win::WS_POPUP | win::WS_CLIPCHILDREN;
  // The main window owns the taskbar button.
  window_spec.ex_style = win::WS_EX_APPWINDOW;
  window_spec.background = kWhiteKey;
  if (!CreateHandle(window_spec)) return;

  // The browser control takes longer to create than everything else of the window together, so
  // it is made once the window has been painted (OnPaint). A login address that enters the game
  // is the exception: its first navigation opens the game window, and the login window must then
  // never show, so that browser is made here, before the window would be shown.
  browser_deferred_ = !Contains(GameLoginUrl, EnterGameMarker);
  if (!browser_deferred_) CreateLoginBrowser();

  // Bottom to top: the background picture, the information label, the buttons.
  imgBackground.SetBounds(0, 0, kLoginWidth, kLoginHeight);
  imgBackground.SetTransparent(true);
  imgBackground.SetOnMouseDown(
      [this](GraphicControl*, MouseButton, ShiftState, int, int) { imgBackgroundMouseDown(); });
  Controls().Add(&imgBackground);

  Font infos_font;
  infos_font.name = u"微软雅黑";
  infos_font.height = 21;
  infos_font.color = kYellow;
  lblNavigateInfos.SetFont(infos_font);
  lblNavigateInfos.SetBackgroundColor(kInfosBackground);
  lblNavigateInfos.SetAutoSize(true);
  lblNavigateInfos.SetCaption(kLoginLoadingText);
  Controls().Add(&lblNavigateInfos);

  const struct {
    TVuxoButton* button;
    const char16_t* name;
    void (TFormLogin::*click)();
  } buttons[] = {
      {&imgClose, u"CLOSE", &TFormLogin::imgCloseClick},
      {&imgMin, u"MIN", &TFormLogin::imgMinClick},
      {&imgHomePage, u"HOMEPAGE", &TFormLogin::imgHomePageClick},
      {&imgPay, u"PAY", &TFormLogin::imgPayClick},
      {&imgBbs, u"BBS", &TFormLogin::imgBbsClick},
      {&imgService, u"SERVICE", &TFormLogin::imgServiceClick},
  };
  for (const auto& entry : buttons) {
    LoadLoginButtonFaces(*entry.button, entry.name);
    auto click = entry.click;
    entry.button->SetOnClick([this, click](GraphicControl*) { (this->*click)(); });
    Controls().Add(entry.button);
  }

  FormCreate();
}

TFormLogin::~TFormLogin() {
  if (FormLogin == this) FormLogin = nullptr;
  // The game windows go first: closing one shows this window, which must still be whole.
  game_windows_.clear();
  if (HandleAllocated() && tray_.Shown()) tray_.Remove(Handle());
  // The browser's window is a child of this window: it goes before its parent.
  ReleaseBrowser();
  DestroyHandle();
}

void TFormLogin::FormCreate() {
  // The application title is also the name of the Run entry.
  Sys().ui->SetApplicationWindowText(kApplicationTitle);
  ApplicationTitle = kApplicationTitle;
  Sys().windows->SetCaption(Handle(), kApplicationTitle);
  // White is the transparent colour and the window's own colour, so the skin's white areas
  // give the window its shape; full opacity otherwise.
  Sys().windows->SetColorKey(Handle(), kWhiteKey, 255);
  Sys().windows->SetBackground(Handle(), kWhiteKey);
  FNavigateError = false;
  FNavigateSuccess = false;
  // The update worker frees itself; it reaches this window only through FormLogin.
  TUpdataThread::Start([]() {
    if (FormLogin) FormLogin->CloseApp();
  });
  // A borderless window that can still be minimised and restored from the taskbar.
  Sys().windows->SetStyle(Handle(), Sys().windows->Style(Handle()) | win::WS_MINIMIZEBOX | win::WS_SYSMENU);
  if (!browser_deferred_ && browser) browser->Navigate(GameLoginUrl);
  PlaceControls();
  std::u16string error;
  imgBackground.GetPicture().LoadFromFile(GetLoginSkinPath(), &error);
  // The hosted browser expects every floating-point exception masked.
  Sys().windows->SetFloatingPointControlWord(kFloatingPointControlWord);
}

void TFormLogin::PlaceControls() {
  const Rect bounds = BoundsRect();
  Sys().windows->SetBounds(Handle(), vkr::BoundsRect(bounds.left, bounds.top, kLoginWidth, kLoginHeight));
  SetBrowserVisible(false);
  CenterNavigateInfos();
  imgHomePage.SetBoundsRect(kHomePageRect);
  imgPay.SetBoundsRect(kPayRect);
  imgBbs.SetBoundsRect(kBbsRect);
  imgService.SetBoundsRect(kServiceRect);
  imgMin.SetBoundsRect(kMinRect);
  imgClose.SetBoundsRect(kCloseRect);
}

void TFormLogin::CreateLoginBrowser() {
  browser = Sys().browsers->CreateBrowser(Handle(), kBrowserHiddenRect, kLoginBrowserSettings);
  if (!browser) return;
  browser->events.before_navigate2 = [this](const std::u16string& url, bool& cancel) {
    browserBeforeNavigate2(url, cancel);
  };
  browser->events.document_complete = [this](const std::u16string& url) { browserDocumentComplete(url); };
  browser->events.navigate_error = [this](const std::u16string& url, const std::u16string&, std::int32_t,
                                          bool& cancel) { browserNavigateError(url, cancel); };
  browser->events.new_window3 = [this](const std::u16string& url, const std::u16string&, std::uint32_t, bool& cancel) {
    browserNewWindow3(url, cancel);
  };
}

void TFormLogin::OnPaint(WindowHandle window, Canvas& canvas) {
  TForm::OnPaint(window, canvas);
  if (!browser_deferred_ || browser_requested_) return;
  // Posted, so that the painted window reaches the screen before the control is made.
  browser_requested_ = true;
  Sys().windows->Post(Handle(), kLoginCreateBrowserMessage, 0, 0);
}

void TFormLogin::WMCreateBrowser() {
  if (browser || closing_ || !HandleAllocated()) return;
  CreateLoginBrowser();
  if (!browser) return;
  // Where the window was placed at creation: off the client area until the page has loaded.
  SetBrowserVisible(FNavigateSuccess);
  browser->Navigate(GameLoginUrl);
}

void TFormLogin::SetBrowserVisible(bool visible) {
  // The control keeps loading wherever it stands; only its place changes.
  if (browser) browser->SetBounds(visible ? kBrowserRect : kBrowserHiddenRect);
}

void TFormLogin::CenterNavigateInfos() {
  const Point position = CenteredNavigateInfosPosition(lblNavigateInfos.Width(), lblNavigateInfos.Height());
  lblNavigateInfos.SetBounds(position.x, position.y, lblNavigateInfos.Width(), lblNavigateInfos.Height());
}

void TFormLogin::Show() {
  if (!HandleAllocated()) return;
  Sys().windows->Show(Handle(), win::SW_SHOW);
  Sys().windows->SetForeground(Handle());
}

void TFormLogin::CloseApp() {
  // The update worker's call reaches the GUI thread wherever it waits for messages, which may be
  // inside an event of the browser that closing would free.
  if (closing_ || !HandleAllocated()) return;
  Sys().windows->Post(Handle(), kLoginCloseAppMessage, 0, 0);
}

void TFormLogin::FormClose() {
  if (closing_ || !HandleAllocated()) return;
  closing_ = true;
  // Closing the main window ends the program.
  Sys().ui->Terminate();
  if (tray_.Shown()) tray_.Remove(Handle());
  ReleaseBrowser();
  DestroyHandle();
}

void TFormLogin::ReleaseBrowser() {
  if (!browser) return;
  // A closing window takes no more events: the control may still raise some while it stops and
  // goes (a pending reload would otherwise enter the game once more).
  browser->events = BrowserEvents{};
  browser->Stop();
  browser.reset();
}

void TFormLogin::Destroyed() {
  closing_ = true;
  ReleaseBrowser();
}

void TFormLogin::browserBeforeNavigate2(const std::u16string& url, bool& cancel) {
  // The recharge page opens in Internet Explorer; the scan below still runs.
  if (url == PayUrl) {
    OpenUrlInIE(Handle(), url);
    cancel = true;
  }
  if (!Contains(url, EnterGameMarker)) {
    // The user name is read from the page about to be left.
    ScanUserName();
  } else {
    EnterGame(url);
    cancel = true;
  }
}

void TFormLogin::ScanUserName() {
  UserName.clear();
  if (!browser) return;
  // A false answer of any accessor is an error of the live document: it ends the scan.
  browser->ForEachDocumentElement([](DocumentElement& element) {
    if (!element.IsInput()) return true;
    std::u16string type;
    if (!element.Type(&type)) return false;
    if (UpperAscii(type) != u"TEXT") return true;
    std::u16string name;
    if (!element.Name(&name)) return false;
    if (name != u"username") return true;
    std::u16string value;
    if (!element.Value(&value)) return false;
    if (value.empty()) return true;
    UserName = value;
    return false;
  });
}

void TFormLogin::EnterGame(const std::u16string& url) {
  if (closing_) return;
  EnterGameUrl = url;
  if (browser) browser->Refresh();
  // Game windows closed since the last one are released here, outside their own handlers.
  for (auto it = game_windows_.begin(); it != game_windows_.end();) {
    it = (*it)->HandleAllocated() ? it + 1 : game_windows_.erase(it);
  }
  // However it closes, a game window brings this window back.
  game_windows_.push_back(std::make_unique<TFormMain>([this]() { Show(); }));
  FormMain = game_windows_.back().get();
  FormMain->Show();
  // Without a game window to show, the login window stays.
  if (HandleAllocated() && FormMain->HandleAllocated()) Sys().windows->Show(Handle(), win::SW_HIDE);
}

void TFormLogin::browserDocumentComplete(const std::u16string& /*url*/) {
  if (FNavigateError) return;
  FNavigateSuccess = true;
  SetBrowserVisible(true);
  RequestActivityReport();
}

void TFormLogin::RequestActivityReport() {
  // The manager decides whether this document sends the report (only the first of the
  // configuration file does).
  if (TStatisticsManager* manager = StatisticsManager()) manager->SendStatisticsThread(kActiveStatistics);
}

void TFormLogin::browserNavigateError(const std::u16string& /*url*/, bool& /*cancel*/) {
  if (FNavigateSuccess) return;
  FNavigateError = true;
  lblNavigateInfos.SetCaption(kLoginFailureText);
  CenterNavigateInfos();
  // The browser is stopped only after its own event has returned.
  Sys().windows->Post(Handle(), kLoginNavigateFailedMessage, 0, 0);
}

void TFormLogin::WMNavigateFailed() {
  if (FNavigateSuccess) return;
  if (browser) browser->Stop();
  Sys().windows->SetTimer(Handle(), RetryTimerId(), kRetryPeriodMs);
}

void TFormLogin::WMTimer() {
  Sys().windows->KillTimer(Handle(), RetryTimerId());
  FNavigateError = false;
  if (browser) browser->Navigate(GameLoginUrl);
}

void TFormLogin::browserNewWindow3(const std::u16string& url, bool& cancel) { cancel = Contains(url, kClientCommand); }

void TFormLogin::imgHomePageClick() { OpenUrlInIE(Handle(), HomePageUrl); }

void TFormLogin::imgPayClick() {
  std::u16string url = BuildLoginPaySelectUrl();
  if (url.empty()) url = PayUrl;
  OpenUrlInIE(Handle(), url);
}

void TFormLogin::imgBbsClick() { OpenUrlInIE(Handle(), ForumUrl); }

void TFormLogin::imgServiceClick() { OpenUrlInIE(Handle(), ServiceUrl); }

void TFormLogin::imgMinClick() {
  if (HandleAllocated()) Sys().windows->Show(Handle(), win::SW_MINIMIZE);
}

void TFormLogin::imgCloseClick() { FormClose(); }

void TFormLogin::imgBackgroundMouseDown() {
  Sys().windows->ReleaseCapture();
  Sys().windows->Send(Handle(), win::WM_SYSCOMMAND, kMoveCommand, 0);
}

void TFormLogin::mniOpenClick() { RestoreFromTray(); }

void TFormLogin::mniExitClick() { FormClose(); }

std::intptr_t TFormLogin::FormDragMsg(const WindowMessage& message) {
  const std::intptr_t usual =
      Sys().windows->DefaultProcedure(Handle(), message.message, message.wparam, message.lparam);
  return SizingEdgeHitTest(PointFromLParam(message.lparam), BoundsRect(), usual);
}

void TFormLogin::WMSysCommand(const WindowMessage& message) {
  if (message.wparam != kHideToTrayCommand) {
    // The system's own handling: the move loop, minimise, restore and close from the taskbar.
    Sys().windows->DefaultProcedure(Handle(), message.message, message.wparam, message.lparam);
    return;
  }
  Sys().windows->SetExStyle(Handle(),
                            (Sys().windows->ExStyle(Handle()) | win::WS_EX_TOOLWINDOW) & ~win::WS_EX_APPWINDOW);
  Sys().windows->Show(Handle(), win::SW_MINIMIZE);
  if (!tray_.HideWindow(Handle())) {
    // No icon to come back by: the minimised window keeps its taskbar button instead.
    Sys().windows->SetExStyle(Handle(),
                              (Sys().windows->ExStyle(Handle()) | win::WS_EX_APPWINDOW) & ~win::WS_EX_TOOLWINDOW);
  }
}

void TFormLogin::WMBarIconClick(const WindowMessage& message) {
  switch (tray_.OnCallback(Handle(), message.lparam)) {
    case TrayRequest::kLeftPress:
      RestoreFromTray();
      break;
    case TrayRequest::kOpen:
      mniOpenClick();
      break;
    case TrayRequest::kExit:
      mniExitClick();
      break;
    case TrayRequest::kNone:
      break;
  }
}

void TFormLogin::RestoreFromTray() {
  tray_.Remove(Handle());
  Sys().windows->SetExStyle(Handle(),
                            (Sys().windows->ExStyle(Handle()) | win::WS_EX_APPWINDOW) & ~win::WS_EX_TOOLWINDOW);
  // A pending retry is cancelled.
  Sys().windows->KillTimer(Handle(), RetryTimerId());
  Sys().windows->Show(Handle(), win::SW_SHOWNORMAL);
  Sys().windows->SetForeground(Handle());
  Sys().windows->SetActive(Handle());
}

std::optional<std::intptr_t> TFormLogin::WndProc(const WindowMessage& message) {
  if (tray_.OnTaskbarCreated(Handle(), message.message, [this] { RestoreFromTray(); })) return 0;
  switch (message.message) {
    case win::WM_NCHITTEST:
      return FormDragMsg(message);
    case kLoginNavigateFailedMessage:
      WMNavigateFailed();
      return 0;
    case kLoginCreateBrowserMessage:
      WMCreateBrowser();
      return 0;
    case win::WM_TIMER:
      WMTimer();
      return 0;
    case win::WM_SYSCOMMAND:
      WMSysCommand(message);
      return 0;
    case kLoginTrayMessage:
      WMBarIconClick(message);
      return 0;
    case kLoginCloseAppMessage:
      imgCloseClick();
      return 0;
    case win::WM_CLOSE:
      FormClose();
      return 0;
    default:
      return std::nullopt;
  }
}

TVuxoButton& TFormLogin::Button(const std::u16string& name) {
  if (name == u"imgClose") return imgClose;
  if (name == u"imgMin") return imgMin;
  if (name == u"imgHomePage") return imgHomePage;
  if (name == u"imgPay") return imgPay;
  if (name == u"imgBbs") return imgBbs;
  return imgService;
}

}  // namespace vkr
