// The game window (unit uFormMain): a maximised, borderless window with a skinned title bar over
// the web frame that runs the game page. It opens external pages in Internet Explorer, offers a
// settings menu and a boss key that hides it to the notification area, forwards navigation keys
// to the page, reloads on the page's "client://loadgame|" command, and shows the login window
// again whenever it closes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "controls/image_control.h"
#include "controls/label_control.h"
#include "controls/vuxo_button.h"
#include "game/frame_web.h"
#include "ui/form.h"
#include "ui/tray_icon.h"

namespace vkr {

// Window-private messages of the game window.
inline constexpr std::uint32_t kRevigateMessage = 1025;  // WM_USER + 1
inline constexpr std::uint32_t kGameTrayMessage = 1230;  // WM_USER + 206

inline constexpr char16_t kLoadGamePrefix[] = u"client://loadgame|";
inline constexpr char16_t kBackServiceListCaption[] = u"【返回服务器列表】";
inline constexpr char16_t kMenuRefresh[] = u"刷新";
inline constexpr char16_t kMenuClearCache[] = u"清理缓存";
inline constexpr char16_t kMenuStartup[] = u"开机启动";
inline constexpr char16_t kCacheClearedText[] = u"缓存清除完毕！";
inline constexpr char16_t kManualAutoRunKey[] = u"ManualAutoRun";

// The form's design size: the title-bar buttons' positions assume this width.
inline constexpr int kGameDesignWidth = 936;
inline constexpr int kGameDesignHeight = 640;
inline constexpr int kTitleHeight = 35;
inline constexpr int kRestoredWidth = 1026;
inline constexpr int kRestoredHeight = 717;
inline constexpr int kWebTitleLeft = 45;
inline constexpr int kWebTitleMaxWidth = 350;
inline constexpr int kBackServiceListMaxWidth = 200;

// The web panel's rectangle for a window of that size: it overlaps the title bar by 2 pixels,
// extends 2 pixels past each side and 1 pixel past the bottom.
Rect WebPanelRect(int width, int height);
// The restored window: 1026 x 717, 2 pixels below the top, centred on the primary screen with the
// half rounded to the even neighbour.
Rect RestoredBounds(const Size& screen);
// The maximised placement: the primary monitor's work area, so that the window keeps clear of
// the taskbar on whichever edge it is docked (or auto-hidden).
MinMaxInfo MaximizedPlacement(const Rect& work_area);
// Whether a queued key message is one the page's browser should translate: Backspace, Tab, Enter,
// any key with Ctrl down, and the dedicated (extended) arrow and Delete keys.
bool IsForwardedKey(std::uint32_t message, std::uintptr_t key, std::intptr_t lparam, bool ctrl_down);
// The address after "client://loadgame|" when the URL begins with it.
std::optional<std::u16string> LoadGameTarget(const std::u16string& url);

class TFormMain : public TForm {
 public:
  // Creates the window hidden and runs FormCreate: the web frame starts loading EnterGameUrl.
  // `show_login_window` brings the login window back when this window closes.
  explicit TFormMain(std::function<void()> show_login_window);
  ~TFormMain() override;

  // Shows the window in the state FormCreate gave it (maximised).
  void Show();
  // Closes and frees the window and shows the login window (every way of closing ends here).
  void Close();

  TFrameWeb* Frame() const { return NewFrame.get(); }
  const std::u16string& RevigateUrl() const { return FRevigateUrl; }
  bool TrayIconShown() const { return tray_.Shown(); }

  // Written by the web frame: the page title, with the back-link 10 pixels after it.
  void SetWebTitle(const std::u16string& text);
  const LabelControl& WebTitle() const { return lblwebtitle; }
  LabelControl& BackServiceList() { return lblBackservicelist; }
  TVuxoButton& Button(const std::u16string& name);
  ImageControl& TitleImage() { return imgTitleLeft; }
  ImageControl& Logo() { return img1; }

  // Handlers, public so that tests can raise what the system would.
  void imgHomePageClick();
  void imgPayClick();
  void imgBbsClick();
  void imgServiceClick();
  void imgSettingClick();
  void imgBossKeyClick();
  void imgMinClick();
  void imgMaxClick();
  void imgCloseClick();
  void imgTitleLeftMouseMove(ShiftState shift, int x, int y);
  void lblBackservicelistClick();
  void N1Click();
  void N2Click();
  void mitemFreshClick();
  void mitemClearCacheClick();
  void mniStartupClick();
  bool ApplicationEvents1Message(const QueuedMessage& message);
  void FrameBeforeNavigate2(const std::u16string& url, bool& cancel);

  void OnGetMinMaxInfo(WindowHandle window, MinMaxInfo& info) override;

 protected:
  std::optional<std::intptr_t> WndProc(const WindowMessage& message) override;
  void Resized(int width, int height) override;
  void PaintBackground(Canvas& canvas) override;
  void Destroyed() override;

 private:
  void FormCreate();
  void AddNewFrame();
  void FormResize();
  void FormDestroy();
  void DisposBarIco();
  void WMSysCommand(const WindowMessage& message);
  void WMBarIconClick(const WindowMessage& message);
  void WMRevigate();
  void popmenuSettingPopup(bool* startup_checked);
  void SetBackServiceListUnderlined(bool underlined);

  TVuxoButton imgClose;
  TVuxoButton imgMax;
  TVuxoButton imgMin;
  TVuxoButton imgSetting;
  ImageControl imgFoot;
  LabelControl lblwebtitle;
  ImageControl imgTitleLeft;
  TVuxoButton imgBbs;
  TVuxoButton imgHomePage;
  TVuxoButton imgPay;
  TVuxoButton imgService;
  ImageControl img1;
  LabelControl lblBackservicelist;
  TVuxoButton imgBossKey;
  std::u16string FRevigateUrl;
  std::unique_ptr<TFrameWeb> NewFrame;

  std::function<void()> show_login_window_;
  bool closed_ = false;
  TrayIcon tray_{kGameTrayMessage, kTrayTipAdd};
};

// The current game window; null while none is open.
extern TFormMain* FormMain;

}  // namespace vkr
