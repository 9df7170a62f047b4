// The hosted WebBrowser control under the real system: hosting, the navigation events with Cancel
// written back, the host settings its site answers, its answer to the script-error prompt, and
// the URL cache clean-up.
#include "platform/win32/browser_win32.h"

#include <gtest/gtest.h>
#include <mshtmhst.h>
#include <wininet.h>
#include <winsock2.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/browser_site_win32.h"
#include "platform/win32/url_cache_win32.h"
#include "platform/win32/wide.h"

namespace vkr::win32 {
namespace {

constexpr DWORD kEventBoundMs = 30000;

// Dispatches this thread's messages until the condition holds or the bound has passed.
bool PumpUntil(const std::function<bool()>& condition, DWORD bound_ms) {
  const DWORD start = ::GetTickCount();
  while (!condition()) {
    if (::GetTickCount() - start > bound_ms) return condition();
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

// A top-level window to host the control in.
class ParentWindow {
 public:
  ParentWindow() {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = ::DefWindowProcW;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"VkrBrowserTestParent";
    ::RegisterClassW(&window_class);
    window_ = ::CreateWindowExW(0, L"VkrBrowserTestParent", L"browser test", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600,
                                nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  }
  ~ParentWindow() {
    if (window_) ::DestroyWindow(window_);
  }
  ParentWindow(const ParentWindow&) = delete;
  ParentWindow& operator=(const ParentWindow&) = delete;
  HWND get() const { return window_; }
  WindowHandle handle() const { return reinterpret_cast<WindowHandle>(window_); }

 private:
  HWND window_ = nullptr;
};

// A loopback HTTP server that records the request line of every request and answers a small page.
class LoopbackServer {
 public:
  LoopbackServer() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof(address);
    if (listener_ == INVALID_SOCKET || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener_, 8) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackServer() {
    stopping_ = true;
    if (listener_ != INVALID_SOCKET) ::closesocket(listener_);
    if (thread_.joinable()) thread_.join();
    ::WSACleanup();
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }
  std::u16string Url(const std::string& path) const {
    std::string url = "http://127.0.0.1:" + std::to_string(port_) + path;
    return std::u16string(url.begin(), url.end());
  }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }
  bool Saw(const std::string& path) {
    for (const std::string& line : Requests()) {
      if (line.find(" " + path + " ") != std::string::npos) return true;
    }
    return false;
  }

 private:
  void Serve() {
    while (!stopping_) {
      SOCKET client = ::accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;
      std::string request;
      char buffer[2048];
      while (request.find("\r\n\r\n") == std::string::npos) {
        int received = ::recv(client, buffer, sizeof(buffer), 0);
        if (received <= 0) break;
        request.append(buffer, received);
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(request.substr(0, request.find("\r\n")));
      }
      static const char kResponse[] =
          "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: 40\r\nConnection: close\r\n\r\n"
          "<html><title>page</title><body>x</body>";
      ::send(client, kResponse, sizeof(kResponse) - 1, 0);
      ::shutdown(client, SD_SEND);
      ::closesocket(client);
    }
  }

  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> requests_;
};

// A loopback port on which nothing listens.
int ClosedPort() {
  WSADATA data;
  ::WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof(address);
  ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  ::closesocket(probe);
  ::WSACleanup();
  return ntohs(address.sin_port);
}

class BrowserWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(parent_.get(), nullptr);
    browser_ = factory_.CreateBrowser(parent_.handle(), Rect{10, 20, 410, 320}, kLoginSettings);
    ASSERT_NE(browser_, nullptr);
  }

  static constexpr BrowserHostSettings kLoginSettings{0x4400F, true, true};
  ParentWindow parent_;
  Win32BrowserFactory factory_;
  std::unique_ptr<Browser> browser_;
};

TEST_F(BrowserWin32Test, HostsTheControlInAChildWindowOfTheParent) {
  HWND window = reinterpret_cast<HWND>(browser_->Window());
  ASSERT_TRUE(::IsWindow(window));
  EXPECT_EQ(::GetParent(window), parent_.get());
  EXPECT_TRUE(::IsChild(parent_.get(), window));
  RECT rect{};
  ::GetWindowRect(window, &rect);
  ::MapWindowPoints(nullptr, parent_.get(), reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.top, 20);
  EXPECT_EQ(rect.right - rect.left, 400);
  EXPECT_EQ(rect.bottom - rect.top, 300);

  browser_->SetBounds(Rect{-857, -542, -287, -202});
  EXPECT_EQ(browser_->Bounds(), (Rect{-857, -542, -287, -202}));
  ::GetWindowRect(window, &rect);
  ::MapWindowPoints(nullptr, parent_.get(), reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(rect.left, -857);
  EXPECT_EQ(rect.right - rect.left, 570);

  browser_.reset();
  EXPECT_FALSE(::IsWindow(window));
}

TEST_F(BrowserWin32Test, RefusesToStartWithoutAParentWindow) {
  EXPECT_EQ(factory_.CreateBrowser(kNoWindow, Rect{0, 0, 10, 10}, kLoginSettings), nullptr);
}

TEST_F(BrowserWin32Test, BeforeNavigate2GivesTheAddressAndItsCancelKeepsTheRequestFromTheServer) {
  LoopbackServer server;
  ASSERT_NE(server.port(), 0);
  std::vector<std::u16string> seen;
  browser_->events.before_navigate2 = [&](const std::u16string& url, bool& cancel) {
    EXPECT_FALSE(cancel);
    seen.push_back(url);
    cancel = url.find(u"/blocked") != std::u16string::npos;
  };
  ASSERT_TRUE(browser_->Navigate(server.Url("/blocked")));
  ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }, kEventBoundMs));
  EXPECT_EQ(seen[0], server.Url("/blocked"));

  // The next navigation proceeds; when the server has it, the cancelled one would have come first.
  ASSERT_TRUE(browser_->Navigate(server.Url("/allowed")));
  ASSERT_TRUE(PumpUntil([&] { return server.Saw("/allowed"); }, kEventBoundMs));
  EXPECT_FALSE(server.Saw("/blocked"));
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen[1], server.Url("/allowed"));
}

TEST_F(BrowserWin32Test, NavigateErrorComesForAnUnreachableAddress) {
  std::vector<std::u16string> errors;
  browser_->events.navigate_error = [&](const std::u16string& url, const std::u16string&, std::int32_t status,
                                        bool& cancel) {
    EXPECT_FALSE(cancel);
    EXPECT_NE(status, 0);
    errors.push_back(url);
  };
  std::string url = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/login";
  std::u16string address(url.begin(), url.end());
  ASSERT_TRUE(browser_->Navigate(address));
  ASSERT_TRUE(PumpUntil([&] { return !errors.empty(); }, kEventBoundMs));
  EXPECT_EQ(errors[0], address);
}

// The host UI handler of the site the browser's control holds; empty when there is none.
ComPtr<IDocHostUIHandler> HostUiHandler(Browser& browser) {
  ComPtr<IDocHostUIHandler> handler;
  ComPtr<IOleClientSite> site = ControlClientSite(browser);
  if (site) site.As(IID_IDocHostUIHandler, &handler);
  return handler;
}

// The flags GetHostInfo answers, or 0xFFFFFFFF when it fails.
DWORD HostInfoFlags(IDocHostUIHandler& handler) {
  DOCHOSTUIINFO info{};
  info.cbSize = sizeof(info);
  return handler.GetHostInfo(&info) == S_OK ? info.dwFlags : 0xFFFFFFFFu;
}

TEST_F(BrowserWin32Test, TheSiteAnswersTheHostSettings) {
  ComPtr<IDocHostUIHandler> handler = HostUiHandler(*browser_);
  ASSERT_TRUE(handler);
  EXPECT_EQ(HostInfoFlags(*handler.get()), 0x4400Fu);
  POINT point{1, 1};
  for (DWORD menu :
       {CONTEXT_MENU_DEFAULT, CONTEXT_MENU_IMAGE, CONTEXT_MENU_CONTROL, CONTEXT_MENU_TEXTSELECT, CONTEXT_MENU_ANCHOR}) {
    EXPECT_EQ(handler->ShowContextMenu(menu, &point, nullptr, nullptr), S_OK) << menu;
  }

  // Ctrl+N is swallowed only with Ctrl down alone.
  BYTE keys[256] = {};
  ::SetKeyboardState(keys);
  MSG message{};
  message.hwnd = reinterpret_cast<HWND>(browser_->Window());
  message.message = WM_KEYDOWN;
  message.wParam = 'N';
  EXPECT_EQ(handler->TranslateAccelerator(&message, nullptr, 0), S_FALSE);
  keys[VK_CONTROL] = 0x80;
  ::SetKeyboardState(keys);
  EXPECT_EQ(handler->TranslateAccelerator(&message, nullptr, 0), S_OK);
  QueuedMessage queued{browser_->Window(), WM_KEYDOWN, 'N', 0, 0, Point{}};
  EXPECT_TRUE(browser_->TranslateAcceleratorKey(queued));
  keys[VK_SHIFT] = 0x80;
  ::SetKeyboardState(keys);
  EXPECT_EQ(handler->TranslateAccelerator(&message, nullptr, 0), S_FALSE);
  message.wParam = 'M';
  keys[VK_SHIFT] = 0;
  ::SetKeyboardState(keys);
  EXPECT_EQ(handler->TranslateAccelerator(&message, nullptr, 0), S_FALSE);
  keys[VK_CONTROL] = 0;
  ::SetKeyboardState(keys);
}

TEST_F(BrowserWin32Test, OnlyTheScriptErrorPromptIsSuppressedAndTheControlIsNotSilent) {
  ComPtr<IOleCommandTarget> target;
  ComPtr<IOleClientSite> site = ControlClientSite(*browser_);
  ASSERT_TRUE(site);
  ASSERT_EQ(site.As(IID_IOleCommandTarget, &target), S_OK);

  // The document's question before a script-error prompt: go on running scripts, show nothing.
  VARIANT out;
  ::VariantInit(&out);
  EXPECT_EQ(target->Exec(&kDocHostCommandGroup, OLECMDID_SHOWSCRIPTERROR, 0, nullptr, &out), S_OK);
  EXPECT_EQ(out.vt, VT_BOOL);
  EXPECT_EQ(out.boolVal, VARIANT_TRUE);
  OLECMD status{OLECMDID_SHOWSCRIPTERROR, 0};
  EXPECT_EQ(target->QueryStatus(&kDocHostCommandGroup, 1, &status, nullptr), S_OK);
  EXPECT_EQ(status.cmdf, static_cast<DWORD>(OLECMDF_SUPPORTED | OLECMDF_ENABLED));

  // Everything else is left to the control: the page's own message boxes (alert, confirm), other
  // commands of the group, and commands of any other group or of none.
  const struct {
    const GUID* group;
    DWORD command;
    HRESULT answer;
  } others[] = {
      {&kDocHostCommandGroup, OLECMDID_SHOWMESSAGE, OLECMDERR_E_NOTSUPPORTED},
      {&kDocHostCommandGroup, OLECMDID_SHOWFIND, OLECMDERR_E_NOTSUPPORTED},
      {nullptr, OLECMDID_SHOWSCRIPTERROR, OLECMDERR_E_UNKNOWNGROUP},
      {&IID_IUnknown, OLECMDID_SHOWSCRIPTERROR, OLECMDERR_E_UNKNOWNGROUP},
  };
  for (const auto& other : others) {
    VARIANT untouched;
    ::VariantInit(&untouched);
    EXPECT_EQ(target->Exec(other.group, other.command, 0, nullptr, &untouched), other.answer) << other.command;
    EXPECT_EQ(untouched.vt, VT_EMPTY) << other.command;
  }

  // Silent would suppress the page's boxes too.
  ComPtr<IWebBrowser2> web_browser = ControlWebBrowser(*browser_);
  ASSERT_TRUE(web_browser);
  VARIANT_BOOL silent = VARIANT_TRUE;
  ASSERT_EQ(web_browser->get_Silent(&silent), S_OK);
  EXPECT_EQ(silent, VARIANT_FALSE);
}

TEST_F(BrowserWin32Test, TheFrameBrowserGetsItsOwnFlags) {
  auto frame = factory_.CreateBrowser(parent_.handle(), Rect{0, 0, 100, 100}, BrowserHostSettings{0x44008, true, true});
  ASSERT_NE(frame, nullptr);
  ComPtr<IDocHostUIHandler> handler = HostUiHandler(*frame);
  ASSERT_TRUE(handler);
  EXPECT_EQ(HostInfoFlags(*handler.get()), 0x44008u);
}

// An entry put into the URL cache the way the system caches a download.
bool PutCacheEntry(const std::wstring& url) {
  wchar_t file[MAX_PATH] = {};
  if (!::CreateUrlCacheEntryW(url.c_str(), 0, L"html", file, 0)) return false;
  UniqueFileHandle handle(::CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!handle) return false;
  DWORD written = 0;
  ::WriteFile(handle.get(), "cached", 6, &written, nullptr);
  handle.reset();
  FILETIME none{};
  return ::CommitUrlCacheEntryW(url.c_str(), file, none, none, NORMAL_CACHE_ENTRY, nullptr, 0, nullptr, nullptr);
}

bool InCache(const std::wstring& url) {
  DWORD size = 0;
  if (::GetUrlCacheEntryInfoW(url.c_str(), nullptr, &size)) return true;
  return ::GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

TEST(UrlCacheWin32Test, ClearCacheRunsToTheEndAndEmptiesTheCache) {
  const std::wstring first = L"http://cache.velqo.test/first.html";
  const std::wstring second = L"http://cache.velqo.test/second.html";
  ASSERT_TRUE(PutCacheEntry(first));
  ASSERT_TRUE(PutCacheEntry(second));
  ASSERT_TRUE(InCache(first));
  int deleted = 0;
  EXPECT_TRUE(ClearUrlCache(&deleted));
  EXPECT_GE(deleted, 2);
  EXPECT_FALSE(InCache(first));
  EXPECT_FALSE(InCache(second));
  // An empty cache ends at once, at the same end condition.
  EXPECT_TRUE(ClearUrlCache(&deleted));
  EXPECT_EQ(deleted, 0);
}

}  // namespace
}  // namespace vkr::win32
