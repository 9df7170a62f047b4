// The Linux edition's adapters against the real system: profile files, files, the XDG desktop,
// libcurl through a loopback server (and through http_proxy), pictures, and the GTK windows'
// messages and timers under the display scripts/test provides.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "common/text.h"
#include "gtk/scratch_folder.h"
#include "platform/gtk/canvas_gtk.h"
#include "platform/gtk/http_curl.h"
#include "platform/gtk/posix_system.h"
#include "platform/gtk/ui_gtk.h"
#include "platform/gtk/windows_gtk.h"
#include "platform/win_constants.h"

namespace vkr::gtk {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Polls until the condition holds or the bound passes, running GTK's loop meanwhile.
template <typename Condition>
bool WaitFor(Condition condition, int timeout_ms = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (gdk_display_get_default()) {
      while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

TEST(PosixProfileStoreTest, ReadsAndWritesWithTheProfileRules) {
  const ScratchFolder scratch_folder;
  const std::string& scratch = scratch_folder;
  PosixFiles files;
  PosixProfileStore profile(&files);
  const std::u16string path = FromUtf8(scratch + "/lander.ini");
  EXPECT_EQ(profile.ReadString(path, u"Common", u"RunCount", u"none", 260), u"none");
  ASSERT_TRUE(profile.WriteString(path, u"Common", u"RunCount", u"1"));
  ASSERT_TRUE(profile.WriteString(path, u"Install", u"GUID", u"{ABC}"));
  ASSERT_TRUE(profile.WriteString(path, u"common", u"runcount", u"2"));
  ASSERT_TRUE(profile.WriteString(path, u"Common", u"Refer", u"网吧"));
  EXPECT_EQ(ReadAll(scratch + "/lander.ini"), "[Common]\r\nruncount=2\r\nRefer=网吧\r\n[Install]\r\nGUID={ABC}\r\n");
  const struct {
    const char16_t* section;
    const char16_t* key;
    std::size_t buffer;
    const char16_t* expected;
  } rows[] = {
      {u"COMMON", u"RUNCOUNT", 260, u"2"},    {u"Common", u"Refer", 260, u"网吧"},
      {u"Install", u"GUID", 3, u"{A"},        {u"Install", u"Missing", 260, u"default"},
      {u"Missing", u"GUID", 260, u"default"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(profile.ReadString(path, row.section, row.key, u"default", row.buffer), row.expected) << ToUtf8(row.key);
  }
  // A file that is UTF-16 stays UTF-16; blanks and quotes around values go, an empty value is not
  // absent.
  const std::string utf16_path = scratch + "/wide.ini";
  std::string wide = "\xFF\xFE";
  for (const char c : std::string("[Common]\r\nUID= \"x y\" \r\nRefer=\r\n")) wide += std::string(1, c) + '\0';
  std::ofstream(utf16_path, std::ios::binary) << wide;
  EXPECT_EQ(profile.ReadString(FromUtf8(utf16_path), u"Common", u"UID", u"", 260), u"x y");
  EXPECT_EQ(profile.ReadString(FromUtf8(utf16_path), u"Common", u"Refer", u"client", 260), u"");
  ASSERT_TRUE(profile.WriteString(FromUtf8(utf16_path), u"Operate", u"ManualAutoRun", u"1"));
  const std::string written = ReadAll(utf16_path);
  EXPECT_EQ(written.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(profile.ReadString(FromUtf8(utf16_path), u"Operate", u"ManualAutoRun", u"", 260), u"1");
}

TEST(PosixFilesTest, RefusesRelativePathsAndKeepsTheFileRules) {
  const ScratchFolder scratch_folder;
  const std::string& scratch = scratch_folder;
  PosixFiles files;
  for (const char16_t* relative : {u"lander.ini", u"Skin\\loginBack.png", u""}) {
    EXPECT_FALSE(files.WriteFile(relative, "x"));
    EXPECT_FALSE(files.CreateDirectories(relative));
  }
  const std::u16string folder = FromUtf8(scratch + "/a/b/c");
  ASSERT_TRUE(files.CreateDirectories(folder));
  EXPECT_TRUE(files.DirectoryExists(folder));
  ASSERT_TRUE(files.WriteFile(folder + u"/one.txt", "1"));
  ASSERT_TRUE(files.WriteFile(folder + u"/two.lnk", "2"));
  std::vector<FileEntry> entries;
  ASSERT_TRUE(files.List(folder + u"/*.lnk", &entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, u"two.lnk");
  ASSERT_TRUE(files.ReplaceFile(folder + u"/one.txt", folder + u"/two.lnk"));
  std::string bytes;
  ASSERT_TRUE(files.ReadFile(folder + u"/two.lnk", &bytes, 100));
  EXPECT_EQ(bytes, "1");
  EXPECT_FALSE(files.FileExists(folder + u"/one.txt"));
  EXPECT_FALSE(files.DeleteFile(folder));
  std::uint32_t ms = 0;
  std::uint32_t ls = 0;
  EXPECT_TRUE(files.FileVersion(files.ModulePath(), &ms, &ls));
  EXPECT_FALSE(files.FileVersion(folder + u"/two.lnk", &ms, &ls));
}

TEST(XdgDesktopTest, DataDirFollowsXdgAndAddressesGoToXdgOpenAsOneArgument) {
  const ScratchFolder scratch_folder;
  const std::string& scratch = scratch_folder;
  PosixFiles files;
  XdgDesktop desktop(&files);
  ::setenv("XDG_DATA_HOME", (scratch + "/data").c_str(), 1);
  EXPECT_EQ(desktop.DataDir(), FromUtf8(scratch + "/data/velqo/vkr/"));
  EXPECT_TRUE(files.DirectoryExists(FromUtf8(scratch + "/data/velqo/vkr")));
  ::setenv("XDG_DATA_HOME", "relative/data", 1);
  ::setenv("HOME", (scratch + "/home").c_str(), 1);
  EXPECT_EQ(desktop.DataDir(), FromUtf8(scratch + "/home/.local/share/velqo/vkr/"));
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_FALSE(desktop.SelfUpdates());

  // A recording xdg-open first on PATH.
  const std::string bin = scratch + "/bin";
  ASSERT_TRUE(files.CreateDirectories(FromUtf8(bin)));
  const std::string log = scratch + "/opened.log";
  std::ofstream(bin + "/xdg-open") << "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" >> '" << log << "'\n";
  ::chmod((bin + "/xdg-open").c_str(), 0755);
  const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
  ::setenv("PATH", (bin + ":" + path).c_str(), 1);
  desktop.OpenUrl(0, u"http://pay.velqo.com/select.php?gamename=qx&gameserver=S12&username=a b;$(x)");
  EXPECT_TRUE(WaitFor([&] { return !ReadAll(log).empty(); }));
  EXPECT_EQ(ReadAll(log), "1|http://pay.velqo.com/select.php?gamename=qx&gameserver=S12&username=a b;$(x)\n");
  ::setenv("PATH", path.c_str(), 1);
}

// A loopback server that answers each connection with one canned answer (or holds it open).
class LoopbackServer {
 public:
  // With `drip_ms`, the answer is followed by one more byte every drip_ms, without end.
  explicit LoopbackServer(std::string answer, bool stall = false, int drip_ms = 0)
      : answer_(std::move(answer)), stall_(stall), drip_ms_(drip_ms) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    socklen_t length = sizeof(address);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    ::listen(listener_, 4);
    thread_ = std::thread([this] {
      const int client = ::accept(listener_, nullptr, nullptr);
      if (client < 0) return;
      char buffer[4096];
      const ssize_t got = ::recv(client, buffer, sizeof(buffer), 0);
      if (got > 0) request_.assign(buffer, static_cast<std::size_t>(got));
      if (drip_ms_ > 0) {
        ::send(client, answer_.data(), answer_.size(), MSG_NOSIGNAL);
        while (!stop_ && ::send(client, "x", 1, MSG_NOSIGNAL) == 1) {
          ++dripped_;
          std::this_thread::sleep_for(std::chrono::milliseconds(drip_ms_));
        }
      } else if (!stall_) {
        ::send(client, answer_.data(), answer_.size(), MSG_NOSIGNAL);
      } else {
        while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      ::close(client);
    });
  }
  ~LoopbackServer() {
    stop_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    ::close(listener_);
    thread_.join();
  }
  int port() const { return port_; }
  // The request as received (read once the transfer is over).
  const std::string& request() const { return request_; }
  int dripped() const { return dripped_; }

 private:
  std::string answer_;
  bool stall_;
  int drip_ms_;
  std::atomic<int> dripped_{0};
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::string request_;
  std::thread thread_;
};

TEST(CurlHttpTest, BodiesCapsStallsAndTheEnvironmentsProxy) {
  ::unsetenv("http_proxy");
  CurlHttp http;
  {
    LoopbackServer server("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello");
    const HttpResult result = http.Get(FromUtf8("http://127.0.0.1:" + std::to_string(server.port()) + "/x"),
                                       HttpBounds::Exchange(5000, 0), 100);
    EXPECT_TRUE(result.Ok());
    EXPECT_EQ(result.body, "hello");
    EXPECT_NE(server.request().find("User-Agent: VelqoMorvane\r\n"), std::string::npos) << server.request();
  }
  {
    LoopbackServer server("HTTP/1.1 200 OK\r\nContent-Length: 10\r\nConnection: close\r\n\r\n0123456789");
    const HttpResult result =
        http.Get(FromUtf8("http://127.0.0.1:" + std::to_string(server.port()) + "/"), HttpBounds::Exchange(5000, 0), 4);
    EXPECT_TRUE(result.transferred);
    EXPECT_TRUE(result.truncated);
    EXPECT_EQ(result.body, "0123");
  }
  {
    // Fewer bytes than announced: cut off, not complete.
    LoopbackServer server("HTTP/1.1 200 OK\r\nContent-Length: 10\r\nConnection: close\r\n\r\n0123");
    const HttpResult result = http.Get(FromUtf8("http://127.0.0.1:" + std::to_string(server.port()) + "/"),
                                       HttpBounds::Exchange(5000, 0), 100);
    EXPECT_FALSE(result.transferred);
    EXPECT_EQ(result.error, 12030u);
  }
  {
    LoopbackServer server("", /*stall=*/true);
    const HttpResult result = http.Get(FromUtf8("http://127.0.0.1:" + std::to_string(server.port()) + "/"),
                                       HttpBounds::Exchange(1000, 0), 100);
    EXPECT_FALSE(result.transferred);
    EXPECT_EQ(result.error, 12002u);
  }
  {
    // A declared gibibyte, one byte every 100 ms: every receive gets a byte in time, so only the
    // whole time (a small answer) or the stall rule (a download) ends the exchange.
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n\r\nMZ";
    for (const bool to_file : {false, true}) {
      LoopbackServer server(head, false, 100);
      const std::u16string url = FromUtf8("http://127.0.0.1:" + std::to_string(server.port()) + "/");
      const ScratchFolder scratch_folder;
      const std::string& scratch = scratch_folder;
      const HttpResult result =
          to_file ? http.GetToFile(url, HttpBounds::Download(5000, 1024, 1500), 1 << 20, FromUtf8(scratch + "/d.exe"))
                  : http.Get(url, HttpBounds::Exchange(5000, 1500), 4096);
      EXPECT_FALSE(result.transferred) << to_file;
      EXPECT_EQ(result.error, 12002u) << to_file;
      EXPECT_LT(server.dripped(), 100) << to_file;
      EXPECT_FALSE(std::filesystem::exists(scratch + "/d.exe"));
    }
  }
  {
    // Through http_proxy: the request goes to the proxy with the absolute address.
    LoopbackServer proxy("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    ::setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(proxy.port())).c_str(), 1);
    const ScratchFolder scratch_folder;
    const std::string& scratch = scratch_folder;
    const HttpResult result = http.GetToFile(u"http://down.velqo.com/Velqo/vkr/official1/app.ini",
                                             HttpBounds::Exchange(5000, 0), 100, FromUtf8(scratch + "/app.ini"));
    ::unsetenv("http_proxy");
    EXPECT_TRUE(result.transferred);
    EXPECT_EQ(result.status, 404);
    EXPECT_EQ(proxy.request().rfind("GET http://down.velqo.com/Velqo/vkr/official1/app.ini HTTP/1.1\r\n", 0), 0u)
        << proxy.request();
  }
}

TEST(CairoGraphicsTest, DecodesTheLaunchersPicturesAndRefusesGarbage) {
  EmbeddedResources resources;
  CairoGraphics graphics;
  std::string png;
  std::string jpeg;
  ASSERT_TRUE(resources.Load(u"GAME_CLOSE_NORMAL", &png));
  ASSERT_TRUE(resources.Load(u"LOGIN_CLOSE_NORMAL", &jpeg));
  std::u16string error;
  auto close = graphics.Decode(GraphicKind::kPng, png, &error);
  ASSERT_TRUE(close);
  EXPECT_EQ(close->Width(), 29);
  EXPECT_EQ(close->Height(), 24);
  EXPECT_TRUE(close->SupportsPartialTransparency());
  auto login = graphics.Decode(GraphicKind::kJpeg, jpeg, &error);
  ASSERT_TRUE(login);
  EXPECT_FALSE(login->SupportsPartialTransparency());
  EXPECT_FALSE(graphics.Decode(GraphicKind::kPng, "not a picture", &error));
  EXPECT_FALSE(error.empty());
  Font font;
  font.name = u"微软雅黑";
  font.height = 21;
  const Size text = graphics.MeasureText(font, u"您的网络出现异常，请检查，谢谢！");
  EXPECT_GT(text.width, 16 * 15);
  EXPECT_GE(text.height, 21);
}

class RecordingListener : public WindowListener {
 public:
  std::optional<std::intptr_t> OnMessage(WindowHandle, const WindowMessage& message) override {
    messages.push_back(message);
    return std::nullopt;
  }
  void OnPaint(WindowHandle, Canvas&) override { ++paints; }
  void OnDestroyed(WindowHandle) override { destroyed = true; }
  std::vector<WindowMessage> messages;
  int paints = 0;
  bool destroyed = false;
};

TEST(GtkWindowsTest, PostedMessagesInOrderTimersSizeAndDestruction) {
  if (!gdk_display_get_default()) GTEST_SKIP() << "no display";
  GtkWindows windows;
  RecordingListener listener;
  WindowSpec window_spec;
  window_spec.caption = u"VelqoMorvane";
  window_spec.bounds = Rect{10, 10, 310, 210};
  const WindowHandle window = windows.Create(window_spec, &listener);
  ASSERT_NE(window, kNoWindow);
  windows.Show(window, win::SW_SHOW);
  EXPECT_TRUE(WaitFor([&] { return listener.paints > 0; }));
  for (std::uint32_t i = 0; i < 5; ++i) ASSERT_TRUE(windows.Post(window, 0x0400 + i, i, 0));
  EXPECT_TRUE(WaitFor([&] {
    int posted = 0;
    for (const auto& m : listener.messages) posted += m.message >= 0x0400 && m.message < 0x0405;
    return posted == 5;
  }));
  std::vector<std::uint32_t> order;
  for (const auto& m : listener.messages) {
    if (m.message >= 0x0400 && m.message < 0x0405) order.push_back(m.message);
  }
  EXPECT_EQ(order, (std::vector<std::uint32_t>{0x400, 0x401, 0x402, 0x403, 0x404}));
  ASSERT_TRUE(windows.SetTimer(window, window, 20));
  EXPECT_TRUE(WaitFor([&] {
    for (const auto& m : listener.messages) {
      if (m.message == win::WM_TIMER && m.wparam == window) return true;
    }
    return false;
  }));
  windows.KillTimer(window, window);
  listener.messages.clear();
  windows.SetBounds(window, Rect{20, 30, 420, 330});
  EXPECT_EQ(windows.Bounds(window), (Rect{20, 30, 420, 330}));
  ASSERT_FALSE(listener.messages.empty());
  EXPECT_EQ(listener.messages[0].message, win::WM_SIZE);
  EXPECT_EQ(listener.messages[0].lparam, (300 << 16) | 400);
  // Maximised to the work area, and back.
  windows.Show(window, win::SW_SHOWMAXIMIZED);
  EXPECT_EQ(windows.ShowState(window), win::SW_SHOWMAXIMIZED);
  EXPECT_EQ(windows.Bounds(window), windows.WorkArea());
  windows.Show(window, win::SW_RESTORE);
  EXPECT_EQ(windows.Bounds(window), (Rect{20, 30, 420, 330}));
  // A close request with nobody answering destroys the window; posts to it fail from then on.
  EXPECT_EQ(windows.Send(window, win::WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(listener.destroyed);
  EXPECT_FALSE(windows.Post(window, 0x0400, 0, 0));
  EXPECT_EQ(windows.Bounds(window), Rect{});
}

TEST(GtkUiTest, WorkersCallOntoTheGuiThreadAndWaitForIt) {
  if (!gdk_display_get_default()) GTEST_SKIP() << "no display";
  GtkWindows windows;
  GtkUi ui(&windows);
  std::atomic<bool> ran_on_gui{false};
  std::atomic<bool> returned{false};
  const std::thread::id gui = std::this_thread::get_id();
  std::thread worker([&] { returned = ui.CallOnGuiThread([&] { ran_on_gui = std::this_thread::get_id() == gui; }); });
  EXPECT_TRUE(WaitFor([&] { return returned.load(); }));
  worker.join();
  EXPECT_TRUE(ran_on_gui);
}

}  // namespace
}  // namespace vkr::gtk

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The window tests need the display scripts/test provides; the others run without one.
  gtk_init_check(&argc, &argv);
  return RUN_ALL_TESTS();
}
