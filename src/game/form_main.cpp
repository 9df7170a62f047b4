#include "game/form_main.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "common/public_config.h"
#include "common/public_unit.h"
#include "common/text.h"
#include "platform/system.h"
#include "platform/win_constants.h"

namespace vkr {

TFormMain* FormMain = nullptr;

namespace {

constexpr Color kGameWindowColor = RgbColor(149, 131, 78);
constexpr Color kWebPanelColor = RgbColor(128, 128, 0);
constexpr Color kTitleTextColor = RgbColor(255, 255, 255);
constexpr std::uintptr_t kExtendedKeyFlag = 1u << 24;
constexpr int kMenuRefreshId = 1;
constexpr int kMenuClearCacheId = 2;
constexpr int kMenuStartupId = 3;

// Every game window that exists; the one message hook offers each queued message to them.
std::vector<TFormMain*>& LiveGameWindows() {
  static std::vector<TFormMain*> windows;
  return windows;
}

void LeaveLiveGameWindows(TFormMain* window) {
  auto& windows = LiveGameWindows();
  windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
}

// The hook is installed once, by the first game window, and stays: it may be running when a
// window closes or opens, so it is never replaced, and with no game window it takes nothing.
void InstallKeyboardHook() {
  if (Sys().windows->HasMessageHook()) return;
  Sys().windows->SetMessageHook([](const QueuedMessage& message) {
    // A copy: a handler may close a window and so change the list.
    const std::vector<TFormMain*> windows = LiveGameWindows();
    for (TFormMain* window : windows) {
      if (window->ApplicationEvents1Message(message)) return true;
    }
    return false;
  });
}

void LoadGamePicture(const std::u16string& name, Picture* picture) {
  LoadFormPicture(u"GAME_" + name, GraphicKind::kPng, picture);
}

void LoadGameButtonFaces(TVuxoButton& button, const std::u16string& name) {
  Picture normal;
  Picture over;
  LoadGamePicture(name + u"_NORMAL", &normal);
  LoadGamePicture(name + u"_OVER", &over);
  button.SetPicture(normal);
  button.SetPictureNormal(normal);
  button.SetPictureMouseOver(over);
}

Font TitleFont() {
  Font font;
  font.name = u"微软雅黑";
  font.height = 13;
  font.color = kTitleTextColor;
  return font;
}

}  // namespace

Rect WebPanelRect(int width, int height) {
  return vkr::BoundsRect(-2, kTitleHeight - 2, width + 4, height - kTitleHeight + 3);
}

Rect RestoredBounds(const Size& screen) {
  const int left = RoundPixels(screen.width / 2.0 - kRestoredWidth / 2.0);
  return vkr::BoundsRect(left, 2, kRestoredWidth, kRestoredHeight);
}

MinMaxInfo MaximizedPlacement(const Rect& work_area) {
  MinMaxInfo info;
  info.max_size = Size{work_area.Width(), work_area.Height()};
  info.max_position = Point{work_area.left, work_area.top};
  return info;
}

bool IsForwardedKey(std::uint32_t message, std::uintptr_t key, std::intptr_t lparam, bool ctrl_down) {
  if (message < win::WM_KEYDOWN || message > win::WM_UNICHAR) return false;
  if (key == win::VK_BACK || key == win::VK_TAB || key == win::VK_RETURN) return true;
  if (ctrl_down) return true;
  const bool cursor_key = (key >= win::VK_LEFT && key <= win::VK_DOWN) || key == win::VK_DELETE;
  // The dedicated keys, not their twins on the numeric keypad.
  return cursor_key && (static_cast<std::uintptr_t>(lparam) & kExtendedKeyFlag) != 0;
}

std::optional<std::u16string> LoadGameTarget(const std::u16string& url) {
  if (!StartsWith(url, kLoadGamePrefix)) return std::nullopt;
  return url.substr(std::char_traits<char16_t>::length(kLoadGamePrefix));
}

TFormMain::TFormMain(std::function<void()> show_login_window) : show_login_window_(std::move(show_login_window)) {
  WindowSpec window_spec;
  window_spec.caption = kApplicationTitle;
  window_spec.bounds = RestoredBounds(Sys().windows->PrimaryScreenSize());
  window_spec.bounds.right = window_spec.bounds.left + kGameDesignWidth;
  window_spec.bounds.bottom = window_spec.bounds.top + kGameDesignHeight;
  window_spec.style = win::WS_POPUP | win::WS_CLIPCHILDREN;
  // A taskbar button of its own, and the desktop as parent rather than the login window.
  window_spec.ex_style = win::WS_EX_APPWINDOW;
  window_spec.parent = Sys().windows->DesktopWindow();
  window_spec.background = kGameWindowColor;
  if (!CreateHandle(window_spec)) return;
  LiveGameWindows().push_back(this);

  // The title bar, bottom to top: background, foot strip, logo, labels, buttons. Positions are
  // the design's (936 x 640); the anchors carry them to the window's size.
  const struct {
    ImageControl* image;
    const char16_t* picture;
    Rect bounds;
    std::uint32_t anchors;
    bool transparent;
    bool double_click_toggles_maximized;
  } images[] = {
      {&imgTitleLeft, u"TITLE_BACK", vkr::BoundsRect(0, 0, kGameDesignWidth, kTitleHeight),
       kAnchorLeft | kAnchorTop | kAnchorRight, true, true},
      {&imgFoot, u"FOOT", vkr::BoundsRect(0, kGameDesignHeight - 11, kGameDesignWidth, 11),
       kAnchorLeft | kAnchorRight | kAnchorBottom, false, false},
      {&img1, u"LOGO", vkr::BoundsRect(7, -2, 26, 30), kAnchorLeft | kAnchorTop, true, true},
  };
  for (const auto& entry : images) {
    ImageControl& image = *entry.image;
    LoadGamePicture(entry.picture, &image.GetPicture());
    image.SetStretch(true);
    image.SetTransparent(entry.transparent);
    image.SetBoundsRect(entry.bounds);
    image.SetAnchors(entry.anchors);
    if (entry.double_click_toggles_maximized) image.SetOnDblClick([this](GraphicControl*) { imgMaxClick(); });
    Controls().Add(&image);
  }
  // Only the title image starts a drag; what lies over it does not.
  imgTitleLeft.SetOnMouseMove(
      [this](GraphicControl*, ShiftState shift, int x, int y) { imgTitleLeftMouseMove(shift, x, y); });

  // Sized to their text up to a width; the back link is moved after the title as it changes.
  const struct {
    LabelControl* label;
    int left;
    int max_width;
    void (TFormMain::*double_click)();
  } labels[] = {
      {&lblwebtitle, kWebTitleLeft, kWebTitleMaxWidth, &TFormMain::imgMaxClick},
      {&lblBackservicelist, 159, kBackServiceListMaxWidth, &TFormMain::lblBackservicelistClick},
  };
  for (const auto& entry : labels) {
    LabelControl& label = *entry.label;
    label.SetFont(TitleFont());
    label.SetTransparent(true);
    label.SetConstraints(SizeConstraints{0, 0, entry.max_width, 0});
    label.SetBounds(entry.left, 5, 0, 0);
    label.SetAutoSize(true);
    auto double_click = entry.double_click;
    label.SetOnDblClick([this, double_click](GraphicControl*) { (this->*double_click)(); });
    Controls().Add(&label);
  }
  // The back link underlines while the mouse is over it.
  lblBackservicelist.SetCursor(ControlCursor::kHand);
  lblBackservicelist.SetOnMouseEnter([this](GraphicControl*) { SetBackServiceListUnderlined(true); });
  lblBackservicelist.SetOnMouseLeave([this](GraphicControl*) { SetBackServiceListUnderlined(false); });
  lblBackservicelist.SetOnMouseUp(
      [this](GraphicControl*, MouseButton, ShiftState, int, int) { SetBackServiceListUnderlined(false); });
  lblBackservicelist.SetOnClick([this](GraphicControl*) { lblBackservicelistClick(); });

  // Anchored to the right edge. A zero size takes the button's picture and follows it; the close
  // button is 34 x 26, its 29 x 24 pictures drawn unscaled at the top-left corner.
  const struct {
    TVuxoButton* button;
    const char16_t* name;
    int left;
    Size fixed_size;
    void (TFormMain::*click)();
  } buttons[] = {
      {&imgClose, u"CLOSE", 900, {34, 26}, &TFormMain::imgCloseClick},
      {&imgMax, u"MAX", 872, {}, &TFormMain::imgMaxClick},
      {&imgMin, u"MIN", 845, {}, &TFormMain::imgMinClick},
      {&imgSetting, u"SETTING", 728, {}, &TFormMain::imgSettingClick},
      {&imgBbs, u"BBS", 665, {}, &TFormMain::imgBbsClick},
      {&imgHomePage, u"HOMEPAGE", 602, {}, &TFormMain::imgHomePageClick},
      {&imgPay, u"PAY", 536, {}, &TFormMain::imgPayClick},
      {&imgService, u"SERVICE", 470, {}, &TFormMain::imgServiceClick},
      {&imgBossKey, u"BOSSKEY", 816, {}, &TFormMain::imgBossKeyClick},
  };
  for (const auto& entry : buttons) {
    TVuxoButton& button = *entry.button;
    LoadGameButtonFaces(button, entry.name);
    button.SetCursor(ControlCursor::kHand);
    button.SetAnchors(kAnchorTop | kAnchorRight);
    if (entry.fixed_size.width > 0) {
      button.SetBounds(entry.left, 2, entry.fixed_size.width, entry.fixed_size.height);
    } else {
      button.SetBounds(entry.left, 2, button.Picture().Width(), button.Picture().Height());
      button.SetAutoSize(true);
    }
    auto click = entry.click;
    button.SetOnClick([this, click](GraphicControl*) { (this->*click)(); });
    Controls().Add(&button);
  }
  // The maximise button shows its check pictures while the window is maximised.
  const struct {
    const char16_t* picture;
    void (TVuxoButton::*set)(const Picture&);
  } check_faces[] = {
      {u"MAX_CHECK_NORMAL", &TVuxoButton::SetPictureCheckNormal},
      {u"MAX_CHECK_OVER", &TVuxoButton::SetPictureCheckMouseOver},
      {u"MAX_CHECK_DOWN", &TVuxoButton::SetPictureCheckMouseDown},
  };
  Picture check;
  for (const auto& entry : check_faces) {
    LoadGamePicture(entry.picture, &check);
    (imgMax.*entry.set)(check);
  }

  FormCreate();
}

void TFormMain::SetBackServiceListUnderlined(bool underlined) {
  Font font = lblBackservicelist.Font();
  if (underlined) {
    font.style |= kFontUnderline;
  } else {
    font.style &= ~static_cast<std::uint32_t>(kFontUnderline);
  }
  lblBackservicelist.SetFont(font);
}

TFormMain::~TFormMain() {
  LeaveLiveGameWindows(this);
  if (FormMain == this) FormMain = nullptr;
  if (tray_.Shown()) DisposBarIco();
  FormDestroy();
  DestroyHandle();
}

void TFormMain::FormCreate() {
  AddNewFrame();
  // Colour, caption, no border, the application's icon (given at creation).
  Sys().windows->SetBackground(Handle(), kGameWindowColor);
  Sys().windows->SetCaption(Handle(), kApplicationTitle);
  // A borderless window that the taskbar can still minimise, maximise and restore.
  Sys().windows->SetStyle(Handle(),
                          Sys().windows->Style(Handle()) | win::WS_SYSMENU | win::WS_MINIMIZEBOX | win::WS_MAXIMIZEBOX);
  // The check pictures stand for the maximised state, which Show gives the window (over the work
  // area, from OnGetMinMaxInfo).
  imgMax.SetCheck(true);
  lblBackservicelist.SetCaption(kBackServiceListCaption);
  // The hosted browser expects every floating-point exception masked.
  Sys().windows->SetFloatingPointControlWord(kFloatingPointControlWord);
  InstallKeyboardHook();
}

void TFormMain::AddNewFrame() {
  const Rect bounds = BoundsRect();
  NewFrame = std::make_unique<TFrameWeb>(this, Handle(), WebPanelRect(bounds.Width(), bounds.Height()));
  if (Browser* browser = NewFrame->embeddedwb()) {
    browser->events.before_navigate2 = [this](const std::u16string& url, bool& cancel) {
      FrameBeforeNavigate2(url, cancel);
    };
    browser->Navigate(EnterGameUrl);
  }
}

void TFormMain::Show() {
  if (HandleAllocated()) Sys().windows->Show(Handle(), win::SW_SHOWMAXIMIZED);
}

void TFormMain::Resized(int /*width*/, int /*height*/) { FormResize(); }

void TFormMain::FormResize() {
  const Rect bounds = BoundsRect();
  if (NewFrame) NewFrame->SetBounds(WebPanelRect(bounds.Width(), bounds.Height()));
}

void TFormMain::PaintBackground(Canvas& canvas) {
  const Rect bounds = BoundsRect();
  canvas.FillRect(WebPanelRect(bounds.Width(), bounds.Height()), kWebPanelColor);
}

void TFormMain::OnGetMinMaxInfo(WindowHandle /*window*/, MinMaxInfo& info) {
  info = MaximizedPlacement(Sys().windows->WorkArea());
}

void TFormMain::SetWebTitle(const std::u16string& text) {
  lblwebtitle.SetCaption(text);
  lblBackservicelist.SetLeft(lblwebtitle.Left() + lblwebtitle.Width() + 10);
}

void TFormMain::imgHomePageClick() { OpenUrlInIE(Handle(), HomePageUrl); }

void TFormMain::imgPayClick() {
  std::u16string url = BuildPaySelectUrl();
  if (url.empty()) url = PayUrl;
  OpenUrlInIE(Handle(), url);
}

void TFormMain::imgBbsClick() { OpenUrlInIE(Handle(), ForumUrl); }

void TFormMain::imgServiceClick() { OpenUrlInIE(Handle(), ServiceUrl); }

void TFormMain::popmenuSettingPopup(bool* startup_checked) { *startup_checked = HasAutoRun(); }

void TFormMain::imgSettingClick() {
  const Point corner = Sys().windows->ClientToScreen(Handle(), Point{imgSetting.Left(), imgSetting.Top() + 25});
  bool startup_checked = false;
  popmenuSettingPopup(&startup_checked);
  const int chosen = Sys().menus->TrackPopup(
      Handle(),
      {MenuItem{kMenuRefreshId, kMenuRefresh, false}, MenuItem{kMenuClearCacheId, kMenuClearCache, false},
       MenuItem{kMenuStartupId, kMenuStartup, startup_checked}},
      corner);
  if (chosen == kMenuRefreshId) mitemFreshClick();
  if (chosen == kMenuClearCacheId) mitemClearCacheClick();
  if (chosen == kMenuStartupId) mniStartupClick();
}

void TFormMain::mitemFreshClick() {
  if (NewFrame && NewFrame->embeddedwb()) NewFrame->embeddedwb()->Refresh();
}

void TFormMain::mitemClearCacheClick() {
  if (NewFrame && NewFrame->embeddedwb()) NewFrame->embeddedwb()->ClearCache();
  Sys().ui->MessageBox(Handle(), kCacheClearedText, ApplicationTitle, win::MB_OK | win::MB_ICONINFORMATION);
}

void TFormMain::mniStartupClick() {
  if (HasAutoRun()) {
    RemoveAutoRun(ApplicationTitle);
  } else {
    AddAutoRun(ApplicationTitle);
  }
  // Whatever the outcome: the user has chosen, so the installer's default no longer applies.
  Sys().profile->WriteString(GetConfigPath(), kSectionOperate, kManualAutoRunKey, u"1");
}

void TFormMain::imgBossKeyClick() { Sys().windows->Send(Handle(), win::WM_SYSCOMMAND, kHideToTrayCommand, 0); }

void TFormMain::imgMinClick() {
  if (HandleAllocated()) Sys().windows->Show(Handle(), win::SW_MINIMIZE);
}

void TFormMain::imgMaxClick() {
  if (!HandleAllocated()) return;
  if (Sys().windows->ShowState(Handle()) == win::SW_SHOWMAXIMIZED) {
    imgMax.SetCheck(false);
    Sys().windows->Show(Handle(), win::SW_RESTORE);
    Sys().windows->SetBounds(Handle(), RestoredBounds(Sys().windows->PrimaryScreenSize()));
  } else {
    imgMax.SetCheck(true);
    Sys().windows->Show(Handle(), win::SW_MAXIMIZE);
  }
}

void TFormMain::imgCloseClick() { Close(); }

void TFormMain::imgTitleLeftMouseMove(ShiftState shift, int /*x*/, int /*y*/) {
  if (shift != kLeftButton) return;
  Sys().windows->ReleaseCapture();
  Sys().windows->Send(Handle(), win::WM_SYSCOMMAND, kMoveCommand, 0);
}

void TFormMain::lblBackservicelistClick() { Close(); }

void TFormMain::Close() {
  if (closed_ || !HandleAllocated()) return;
  closed_ = true;
  // The close action frees the window; the login window comes back.
  if (show_login_window_) show_login_window_();
  if (tray_.Shown()) DisposBarIco();
  FormDestroy();
  DestroyHandle();
}

void TFormMain::FormDestroy() {
  LeaveLiveGameWindows(this);
  if (!NewFrame) return;
  if (Browser* browser = NewFrame->embeddedwb()) {
    // The window is going: the blank page's navigation and anything the control raises while it
    // goes reach no handler.
    browser->events = BrowserEvents{};
    if (browser->Busy()) browser->Stop();
    browser->Navigate(u"about:blank");
  }
  NewFrame.reset();
}

void TFormMain::Destroyed() {
  closed_ = true;
  LeaveLiveGameWindows(this);
  NewFrame.reset();
  if (FormMain == this) FormMain = nullptr;
}

void TFormMain::DisposBarIco() { tray_.Remove(Handle()); }

void TFormMain::WMSysCommand(const WindowMessage& message) {
  if (message.wparam != kHideToTrayCommand) {
    Sys().windows->DefaultProcedure(Handle(), message.message, message.wparam, message.lparam);
    return;
  }
  // The boss key; without an icon to come back by, the window stays.
  tray_.HideWindow(Handle());
}

void TFormMain::WMBarIconClick(const WindowMessage& message) {
  switch (tray_.OnCallback(Handle(), message.lparam)) {
    case TrayRequest::kLeftPress:
      // Back without taking the focus from where the player is.
      DisposBarIco();
      Sys().windows->Show(Handle(), win::SW_SHOWNA);
      break;
    case TrayRequest::kOpen:
      N1Click();
      break;
    case TrayRequest::kExit:
      N2Click();
      break;
    case TrayRequest::kNone:
      break;
  }
}

void TFormMain::N1Click() {
  Sys().windows->Show(Handle(), win::SW_SHOWNA);
  DisposBarIco();
}

void TFormMain::N2Click() {
  DisposBarIco();
  Close();
}

bool TFormMain::ApplicationEvents1Message(const QueuedMessage& message) {
  if (!NewFrame || !NewFrame->embeddedwb()) return false;
  Browser& browser = *NewFrame->embeddedwb();
  // The cheap test first: only key messages are ever forwarded.
  if (message.message < win::WM_KEYDOWN || message.message > win::WM_UNICHAR) return false;
  if (!Sys().windows->IsChild(browser.Window(), message.window)) return false;
  if (browser.Busy()) return false;
  const bool ctrl_down = Sys().windows->KeyState(win::VK_CONTROL) < 0;
  if (!IsForwardedKey(message.message, message.wparam, message.lparam, ctrl_down)) return false;
  if (!browser.TranslateAcceleratorKey(message)) Sys().windows->TranslateAndDispatch(message);
  return true;
}

void TFormMain::FrameBeforeNavigate2(const std::u16string& url, bool& cancel) {
  const std::optional<std::u16string> target = LoadGameTarget(url);
  if (!target) return;
  FRevigateUrl = *target;
  // Both navigations run after this event has returned.
  Sys().windows->Post(Handle(), kRevigateMessage, 0, 0);
  cancel = true;
}

void TFormMain::WMRevigate() {
  if (!NewFrame || !NewFrame->embeddedwb()) return;
  Browser& browser = *NewFrame->embeddedwb();
  if (browser.Busy()) browser.Stop();
  browser.Navigate(u"about:blank");
  browser.Navigate(FRevigateUrl);
}

std::optional<std::intptr_t> TFormMain::WndProc(const WindowMessage& message) {
  // Nothing leads back to a hidden window without its icon.
  if (tray_.OnTaskbarCreated(Handle(), message.message, [this] {
        DisposBarIco();
        Sys().windows->Show(Handle(), win::SW_SHOWNA);
      })) {
    return 0;
  }
  switch (message.message) {
    case win::WM_SYSCOMMAND:
      WMSysCommand(message);
      return 0;
    case kGameTrayMessage:
      WMBarIconClick(message);
      return 0;
    case kRevigateMessage:
      WMRevigate();
      return 0;
    case win::WM_CLOSE:
      Close();
      return 0;
    default:
      return std::nullopt;
  }
}

TVuxoButton& TFormMain::Button(const std::u16string& name) {
  if (name == u"imgClose") return imgClose;
  if (name == u"imgMax") return imgMax;
  if (name == u"imgMin") return imgMin;
  if (name == u"imgSetting") return imgSetting;
  if (name == u"imgBbs") return imgBbs;
  if (name == u"imgHomePage") return imgHomePage;
  if (name == u"imgPay") return imgPay;
  if (name == u"imgService") return imgService;
  return imgBossKey;
}

}  // namespace vkr
