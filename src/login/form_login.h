// The login window (unit uFormLogin): the borderless, colour-keyed main window of the normal run.
// Its browser shows the platform's login page; the window watches every navigation of it (the
// recharge page goes to Internet Explorer, the user name is read from the page, the enter-game
// address opens a game window), retries a failing login page every 5 seconds, and can live in
// the notification area. Closing it ends the program.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/image_control.h"
#include "controls/label_control.h"
#include "controls/vuxo_button.h"
#include "platform/browser.h"
#include "ui/form.h"
#include "ui/tray_icon.h"

namespace vkr {

class TFormMain;

// Window-private messages of the login window.
inline constexpr std::uint32_t kLoginNavigateFailedMessage = 1224;  // WM_USER + 200
inline constexpr std::uint32_t kLoginTrayMessage = 1225;            // WM_USER + 201
inline constexpr std::uint32_t kLoginCloseAppMessage = 1226;        // WM_USER + 202
// Posted by the first paint: the login browser is made and loads the login page.
inline constexpr std::uint32_t kLoginCreateBrowserMessage = 1234;  // WM_USER + 210

inline constexpr char16_t kLoginLoadingText[] = u"正在为您加载资源，请稍后...";
inline constexpr char16_t kLoginFailureText[] = u"您的网络出现异常，请检查，谢谢！";
// The record that removes the login window's tray icon carries its own tip (never shown).
inline constexpr char16_t kLoginTrayTipRemove[] = u"左键双击弹出或右键";

inline constexpr int kLoginWidth = 888;
inline constexpr int kLoginHeight = 566;
inline constexpr std::uint32_t kRetryPeriodMs = 5000;

// Layout of the login window, client coordinates.
inline constexpr Rect kBrowserRect{287, 202, 857, 542};
inline constexpr Rect kBrowserHiddenRect{-857, -542, -287, -202};
inline constexpr Rect kHomePageRect{288, 147, 415, 195};
inline constexpr Rect kPayRect{428, 147, 557, 195};
inline constexpr Rect kServiceRect{573, 147, 698, 195};
inline constexpr Rect kBbsRect{713, 147, 840, 195};
inline constexpr Rect kMinRect{747, 121, 763, 136};
inline constexpr Rect kCloseRect{768, 118, 788, 137};

// Where the information label of the given size stands: in the middle of the browser's
// rectangle, each half rounded to the nearest integer with halves to the even neighbour.
Point CenteredNavigateInfosPosition(int width, int height);

// The hit-test answer of the sizing edges: the usual answer unless the point (screen
// coordinates) lies in the 6 x 6 bottom-right corner or on the 4-pixel right or bottom edge.
std::intptr_t SizingEdgeHitTest(Point point, const Rect& window, std::intptr_t usual);

class TFormLogin : public TForm {
 public:
  // Creates the window hidden and runs FormCreate: it starts the update worker and the login
  // page load.
  TFormLogin();
  ~TFormLogin() override;

  // Shows the window (created centred on the screen) and brings it to the front.
  void Show();
  // Closes the window exactly as its close button does, from the message loop: the request is
  // posted, so a browser event or other handler still on the stack returns first.
  void CloseApp();

  // The game windows this window has opened, the newest last; closed ones are released when the
  // next one opens and with this window.
  const std::vector<std::unique_ptr<TFormMain>>& GameWindows() const { return game_windows_; }
  // The page's browser; null before the window's first paint has made it (see the constructor)
  // and when the control could not be created.
  Browser* LoginBrowser() const { return browser.get(); }

  // Handlers, public so that tests can raise what the system would.
  void browserBeforeNavigate2(const std::u16string& url, bool& cancel);
  void browserDocumentComplete(const std::u16string& url);
  void browserNavigateError(const std::u16string& url, bool& cancel);
  void browserNewWindow3(const std::u16string& url, bool& cancel);
  void imgHomePageClick();
  void imgPayClick();
  void imgBbsClick();
  void imgServiceClick();
  void imgMinClick();
  void imgCloseClick();
  void imgBackgroundMouseDown();
  void mniOpenClick();
  void mniExitClick();

  bool NavigateError() const { return FNavigateError; }
  bool NavigateSuccess() const { return FNavigateSuccess; }
  const LabelControl& NavigateInfos() const { return lblNavigateInfos; }
  TVuxoButton& Button(const std::u16string& name);
  ImageControl& Background() { return imgBackground; }

 protected:
  std::optional<std::intptr_t> WndProc(const WindowMessage& message) override;
  void OnPaint(WindowHandle window, Canvas& canvas) override;
  void Destroyed() override;

 private:
  void FormCreate();
  // Makes the login browser (hidden) and connects its events; leaves it null on failure.
  void CreateLoginBrowser();
  void WMCreateBrowser();
  void FormClose();
  void PlaceControls();
  void SetBrowserVisible(bool visible);
  void CenterNavigateInfos();
  std::intptr_t FormDragMsg(const WindowMessage& message);
  void WMNavigateFailed();
  void WMTimer();
  void WMSysCommand(const WindowMessage& message);
  void WMBarIconClick(const WindowMessage& message);
  void RestoreFromTray();
  void EnterGame(const std::u16string& url);
  void ScanUserName();
  void RequestActivityReport();
  void ReleaseBrowser();
  std::uintptr_t RetryTimerId() const { return static_cast<std::uintptr_t>(Handle()); }

  std::unique_ptr<Browser> browser;
  TVuxoButton imgClose;
  TVuxoButton imgMin;
  TVuxoButton imgHomePage;
  TVuxoButton imgPay;
  TVuxoButton imgBbs;
  TVuxoButton imgService;
  LabelControl lblNavigateInfos;
  ImageControl imgBackground;
  bool FNavigateError = false;
  bool FNavigateSuccess = false;

  // The browser is made after the first paint (see the constructor); requested once.
  bool browser_deferred_ = false;
  bool browser_requested_ = false;
  bool closing_ = false;
  TrayIcon tray_{kLoginTrayMessage, kLoginTrayTipRemove};
  std::vector<std::unique_ptr<TFormMain>> game_windows_;
};

// The login window of the normal run; null before it exists and after it is gone.
extern TFormLogin* FormLogin;

// Asks for the login window's pictures (the button faces and the skin) to be decoded ahead, while
// the GUI starts; the window takes them as it is created.
void PrefetchLoginPictures();
// The normal run: creates the login window as the application's main window, stores it in
// FormLogin and shows it. Its creation starts the update worker; its first paint makes the
// browser, which loads the login page.
void CreateLoginWindow();
// Frees the login window (and any game window it opened) once the message loop has returned.
void ReleaseLoginWindow();

}  // namespace vkr
