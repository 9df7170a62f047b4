#include "platform/win32/http_win32.h"

#include <gtest/gtest.h>
#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/text.h"
#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_headers.h"
#include "win32/win32_test_support.h"

namespace vkr::win32 {
namespace {

using vkr::testing::ScratchFolder;

void SendAll(SOCKET client, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const int n = ::send(client, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
    if (n <= 0) return;
    sent += static_cast<std::size_t>(n);
  }
}

std::string Response(int status, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(status) +
         " Answer\r\nContent-Type: application/octet-stream\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

// A loopback HTTP server on its own thread that answers each connection through a handler.
class LoopbackServer {
 public:
  using Handler = std::function<void(SOCKET client, const std::string& request_head)>;

  explicit LoopbackServer(Handler handler) : handler_(std::move(handler)) {
    WSADATA data;
    started_ = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    ::listen(listener_, 8);
    int length = sizeof(address);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
  }

  ~LoopbackServer() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    ::closesocket(listener_);
    thread_.join();
    if (started_) ::WSACleanup();
  }

  std::uint16_t port() const { return port_; }
  std::u16string Url(const std::string& path) const {
    return FromUtf8("http://127.0.0.1:" + std::to_string(port_) + path);
  }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }
  // For handlers that hold a connection open without answering: returns when the client has
  // closed it, the server stops or the time is up.
  void HoldUntilClientLeaves(SOCKET client, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) return;
      }
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(client, &readable);
      timeval wait{0, 50000};
      if (::select(0, &readable, nullptr, nullptr, &wait) == 1) {
        char byte;
        if (::recv(client, &byte, 1, 0) <= 0) return;
      }
    }
  }

 private:
  void Run() {
    for (;;) {
      const SOCKET client = ::accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;
      DWORD receive_timeout = 5000;
      ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&receive_timeout),
                   sizeof(receive_timeout));
      std::string head;
      char buffer[4096];
      while (head.find("\r\n\r\n") == std::string::npos) {
        const int n = ::recv(client, buffer, sizeof(buffer), 0);
        if (n <= 0) break;
        head.append(buffer, static_cast<std::size_t>(n));
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(head);
      }
      handler_(client, head);
      ::shutdown(client, SD_SEND);
      ::closesocket(client);
    }
  }

  Handler handler_;
  bool started_ = false;
  SOCKET listener_ = INVALID_SOCKET;
  std::uint16_t port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  bool stopping_ = false;
  std::vector<std::string> requests_;
};

constexpr wchar_t kInternetSettings[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// Saves the per-user proxy settings, switches the proxy off for the test and restores them.
class Win32HttpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kInternetSettings, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, settings_.put(),
                      nullptr);
    for (Saved& saved : saved_) {
      DWORD size = sizeof(saved.data);
      saved.present =
          ::RegQueryValueExW(settings_.get(), saved.name, nullptr, &saved.type, saved.data, &size) == ERROR_SUCCESS;
      saved.size = size;
    }
    SetProxy(false, L"");
  }
  void TearDown() override {
    for (const Saved& saved : saved_) {
      if (saved.present) {
        ::RegSetValueExW(settings_.get(), saved.name, 0, saved.type, saved.data, saved.size);
      } else {
        ::RegDeleteValueW(settings_.get(), saved.name);
      }
    }
  }
  void SetProxy(bool enabled, const std::wstring& server) {
    const DWORD enable = enabled ? 1 : 0;
    ::RegSetValueExW(settings_.get(), L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enable),
                     sizeof(enable));
    ::RegSetValueExW(settings_.get(), L"ProxyServer", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                     static_cast<DWORD>((server.size() + 1) * sizeof(wchar_t)));
  }

  struct Saved {
    const wchar_t* name;
    bool present = false;
    DWORD type = 0;
    BYTE data[2048] = {};
    DWORD size = 0;
  };
  UniqueRegKey settings_;
  Saved saved_[3] = {{L"ProxyEnable"}, {L"ProxyServer"}, {L"ProxyOverride"}};
  Win32Http http_;
};

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  return bytes;
}

TEST_F(Win32HttpTest, GetGivesStatusAndBody) {
  LoopbackServer server([](SOCKET client, const std::string& head) {
    if (head.find("/missing") != std::string::npos) {
      SendAll(client, Response(404, "not here"));
    } else {
      SendAll(client, Response(200, "[version]\r\ncurrentversion=1.4.0.1\r\n"));
    }
  });
  HttpResult result = http_.Get(server.Url("/Velqo/vkr/official1/app.ini?x=1"), HttpBounds::Exchange(5000, 0), 1 << 20);
  EXPECT_TRUE(result.Ok());
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(result.body, "[version]\r\ncurrentversion=1.4.0.1\r\n");
  EXPECT_EQ(result.size, result.body.size());
  EXPECT_FALSE(result.truncated);
  ASSERT_EQ(server.Requests().size(), 1u);
  EXPECT_EQ(server.Requests()[0].rfind("GET /Velqo/vkr/official1/app.ini?x=1 HTTP/1.1\r\n", 0), 0u)
      << server.Requests()[0];

  result = http_.Get(server.Url("/missing"), HttpBounds::Exchange(5000, 0), 1 << 20);
  EXPECT_TRUE(result.transferred);
  EXPECT_EQ(result.status, 404);
  EXPECT_FALSE(result.Ok());
  EXPECT_EQ(result.body, "not here");
}

TEST_F(Win32HttpTest, GetCutsTheBodyAtTheCap) {
  const std::string body = Pattern(100000);
  LoopbackServer server([&](SOCKET client, const std::string&) { SendAll(client, Response(200, body)); });
  HttpResult result = http_.Get(server.Url("/big"), HttpBounds::Exchange(5000, 0), 1000);
  EXPECT_TRUE(result.transferred);
  EXPECT_TRUE(result.truncated);
  EXPECT_EQ(result.body, body.substr(0, 1000));

  result = http_.Get(server.Url("/big"), HttpBounds::Exchange(5000, 0), body.size());  // exactly the cap
  EXPECT_TRUE(result.Ok());
  EXPECT_FALSE(result.truncated);
  EXPECT_EQ(result.body, body);
}

TEST_F(Win32HttpTest, GetToFileStreamsTheBodyAndDeletesATruncatedFile) {
  const std::string body = "MZ" + Pattern(300000);
  LoopbackServer server([&](SOCKET client, const std::string&) { SendAll(client, Response(200, body)); });
  ScratchFolder scratch;
  const std::u16string path = scratch.path() + u"IconAnimate_Update.exe.part";
  HttpResult result = http_.GetToFile(server.Url("/Velqo/vkr/animateicon/VelqoAnimateIcon.exe"),
                                      HttpBounds::Exchange(5000, 0), 1 << 20, path);
  EXPECT_TRUE(result.Ok());
  EXPECT_FALSE(result.truncated);
  EXPECT_EQ(result.size, body.size());
  EXPECT_EQ(vkr::testing::ReadWholeFile(path), body);

  result = http_.GetToFile(server.Url("/again"), HttpBounds::Exchange(5000, 0), 1000, path);
  EXPECT_TRUE(result.transferred);
  EXPECT_TRUE(result.truncated);
  EXPECT_EQ(::GetFileAttributesW(Wide(path)), INVALID_FILE_ATTRIBUTES);  // the partial file is gone
}

TEST_F(Win32HttpTest, ASilentServerGivesATimeOut) {
  // The server reads the request, then says nothing for far longer than the read time-out.
  std::atomic<LoopbackServer*> self{nullptr};
  std::atomic<bool> headers_first{false};
  LoopbackServer server([&](SOCKET client, const std::string& head) {
    if (head.find("/stalled-body") != std::string::npos) {
      SendAll(client, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\npartial");
      headers_first = true;
    }
    if (LoopbackServer* server = self.load()) server->HoldUntilClientLeaves(client, std::chrono::seconds(30));
  });
  self = &server;
  for (const char* path : {"/silent", "/stalled-body"}) {
    const DWORD start = ::GetTickCount();
    const HttpResult result = http_.Get(server.Url(path), HttpBounds::Exchange(500, 0), 1 << 20);
    const DWORD elapsed = ::GetTickCount() - start;
    EXPECT_FALSE(result.transferred) << path;
    EXPECT_TRUE(result.error == ERROR_INTERNET_TIMEOUT || result.error == ERROR_INTERNET_CONNECTION_ABORTED)
        << path << ": " << result.error;
    // Bounded by the time-out, far from the server's 30 s of silence.
    EXPECT_LT(elapsed, 10000u) << path;
  }
  EXPECT_TRUE(headers_first);
}

// A server that declares a 1 GiB body on a connection the client may keep (no "Connection:
// close") and sends it in pieces of `piece` bytes with `pause` between them, until the client goes
// away, a send stalls for 2 s or `stop` is set; `sent` counts the body bytes that went out.
LoopbackServer::Handler DeclaredGibibyte(std::size_t piece, std::chrono::milliseconds pause,
                                         std::atomic<std::uint64_t>* sent, std::atomic<bool>* stop) {
  return [=](SOCKET client, const std::string&) {
    constexpr std::uint64_t kDeclared = 1ull << 30;
    DWORD send_timeout = 2000;
    ::setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&send_timeout), sizeof(send_timeout));
    SendAll(client, "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                        std::to_string(kDeclared) + "\r\n\r\n");
    const std::string bytes = "MZ" + std::string(piece, '\x90');
    *sent = 0;
    while (*sent < kDeclared && !*stop) {
      const int n = ::send(client, bytes.data() + (*sent == 0 ? 0 : 2), static_cast<int>(piece), 0);
      if (n <= 0) break;
      *sent += static_cast<std::uint64_t>(n);
      if (pause.count() > 0) std::this_thread::sleep_for(pause);
    }
  };
}

TEST_F(Win32HttpTest, EveryExchangeEndsWithinItsBounds) {
  // One byte every 100 ms: each receive gets a byte long before the read time-out, so only the
  // whole time (the small answers) or the stall rule (the downloads) ends it.
  for (const bool to_file : {false, true}) {
    std::atomic<std::uint64_t> sent{0};
    std::atomic<bool> stop{false};
    LoopbackServer server(DeclaredGibibyte(1, std::chrono::milliseconds(100), &sent, &stop));
    ScratchFolder scratch;
    const std::u16string path = scratch.path() + u"drip.exe";
    const HttpResult result =
        to_file ? http_.GetToFile(server.Url("/download"), HttpBounds::Download(5000, 1024, 1500), 1 << 20, path)
                : http_.Get(server.Url("/report"), HttpBounds::Exchange(5000, 1500), 4096);
    const std::uint64_t sent_when_done = sent.load();
    stop = true;
    EXPECT_FALSE(result.transferred) << to_file;
    EXPECT_EQ(result.error, static_cast<std::uint32_t>(ERROR_INTERNET_TIMEOUT)) << to_file;
    EXPECT_TRUE(result.body.empty());
    EXPECT_EQ(::GetFileAttributesW(Wide(path)), INVALID_FILE_ATTRIBUTES);
    // Ended by the bound (1.5 s, about 15 bytes), far from the body's end.
    EXPECT_LT(sent_when_done, 1000u) << to_file;
  }
}

TEST_F(Win32HttpTest, EndingAnExchangeNeverReadsTheRestOfTheBody) {
  // The body comes at full speed; the client keeps the cap and leaves at once. Reading the rest to
  // keep the connection would take the whole gibibyte before the call returns.
  for (const bool to_file : {false, true}) {
    std::atomic<std::uint64_t> sent{0};
    std::atomic<bool> stop{false};
    LoopbackServer server(DeclaredGibibyte(64 * 1024, std::chrono::milliseconds(0), &sent, &stop));
    ScratchFolder scratch;
    const std::u16string path = scratch.path() + u"huge.exe";
    const HttpResult result =
        to_file ? http_.GetToFile(server.Url("/download"), HttpBounds::Download(5000, 1024, 30000), 1 << 20, path)
                : http_.Get(server.Url("/report"), HttpBounds::Exchange(5000, 60000), 4096);
    const std::uint64_t sent_when_done = sent.load();
    stop = true;
    EXPECT_TRUE(result.transferred) << to_file;
    EXPECT_TRUE(result.truncated) << to_file;
    EXPECT_EQ(result.body.size(), to_file ? 0u : 4096u);
    EXPECT_EQ(::GetFileAttributesW(Wide(path)), INVALID_FILE_ATTRIBUTES);
    EXPECT_LT(sent_when_done, 256ull << 20) << to_file;
  }
}

TEST_F(Win32HttpTest, ABodyCutOffBeforeItsLengthIsAnError) {
  LoopbackServer server([](SOCKET client, const std::string&) {
    SendAll(client, "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nConnection: close\r\n\r\nMZ only the start");
  });
  HttpResult result = http_.Get(server.Url("/cut"), HttpBounds::Exchange(5000, 0), 1 << 20);
  EXPECT_FALSE(result.transferred);
  EXPECT_NE(result.error, 0u);
  EXPECT_TRUE(result.body.empty());

  ScratchFolder scratch;
  const std::u16string path = scratch.path() + u"cut.exe";
  result = http_.GetToFile(server.Url("/cut"), HttpBounds::Exchange(5000, 0), 1 << 20, path);
  EXPECT_FALSE(result.transferred);
  EXPECT_NE(result.error, 0u);
  EXPECT_EQ(::GetFileAttributesW(Wide(path)), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Win32HttpTest, ConnectionFailuresAndBadAddressesAreErrors) {
  // A port that nothing listens on.
  std::uint16_t closed_port = 0;
  {
    LoopbackServer server([](SOCKET, const std::string&) {});
    closed_port = server.port();
  }
  HttpResult result =
      http_.Get(FromUtf8("http://127.0.0.1:" + std::to_string(closed_port) + "/"), HttpBounds::Exchange(2000, 0), 100);
  EXPECT_FALSE(result.transferred);
  EXPECT_NE(result.error, 0u);

  for (const char16_t* url : {u"", u"ftp://down.velqo.com/file", u"not an address"}) {
    result = http_.Get(url, HttpBounds::Exchange(2000, 0), 100);
    EXPECT_FALSE(result.transferred) << ToUtf8(url);
    EXPECT_NE(result.error, 0u) << ToUtf8(url);
  }

  // A failed connection leaves an earlier file in place.
  ScratchFolder scratch;
  const std::u16string path = scratch.path() + u"kept.exe";
  ASSERT_TRUE(vkr::testing::WriteWholeFile(path, "MZold"));
  result = http_.GetToFile(FromUtf8("http://127.0.0.1:" + std::to_string(closed_port) + "/"),
                           HttpBounds::Exchange(2000, 0), 100, path);
  EXPECT_FALSE(result.transferred);
  EXPECT_NE(result.error, 0u);
  EXPECT_EQ(vkr::testing::ReadWholeFile(path), "MZold");
}

TEST_F(Win32HttpTest, ThePerUserProxyCarriesThePlatformHosts) {
  LoopbackServer proxy([](SOCKET client, const std::string&) { SendAll(client, Response(200, "via proxy")); });
  SetProxy(true, L"127.0.0.1:" + std::to_wstring(proxy.port()));
  const HttpResult result =
      http_.Get(u"http://down.velqo.com/Velqo/vkr/official1/app.ini", HttpBounds::Exchange(5000, 0), 1000);
  EXPECT_TRUE(result.Ok()) << result.error;
  EXPECT_EQ(result.body, "via proxy");
  ASSERT_EQ(proxy.Requests().size(), 1u);
  const std::string head = proxy.Requests()[0];
  // The proxy is asked for the absolute address.
  EXPECT_EQ(head.rfind("GET http://down.velqo.com", 0), 0u) << head;
  EXPECT_NE(head.find("/Velqo/vkr/official1/app.ini HTTP/1.1\r\n"), std::string::npos) << head;
}

}  // namespace
}  // namespace vkr::win32
