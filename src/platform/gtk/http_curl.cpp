#include "platform/gtk/http_curl.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <new>

#include "platform/gtk/text_gtk.h"
#include "platform/win_constants.h"

namespace vkr::gtk {
namespace {

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using UniqueCurl = std::unique_ptr<CURL, CurlDeleter>;

// Where the body goes: memory up to a cap, or a file up to a cap. A body beyond the cap ends
// the transfer (the write callback refuses it) with `over_cap` set.
struct Sink {
  std::string* memory = nullptr;
  int fd = -1;
  std::uint64_t cap = 0;
  std::uint64_t received = 0;
  bool over_cap = false;
  bool write_failed = false;
};

std::uint32_t NowMs() {
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

// The exchange's own bounds, judged at libcurl's progress calls (at least once a second, also
// while nothing arrives).
struct Progress {
  TransferWatch* watch = nullptr;
  const Sink* sink = nullptr;
  bool expired = false;
};

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* progress = static_cast<Progress*>(user);
  if (progress->watch->Expired(NowMs(), progress->sink->received)) {
    progress->expired = true;
    return 1;
  }
  return 0;
}

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const std::size_t bytes = size * count;
  const std::uint64_t room = sink->cap - sink->received;
  if (bytes > room) {
    // Memory keeps what fits, as the Windows adapter does; a file keeps nothing.
    if (sink->memory) sink->memory->append(data, static_cast<std::size_t>(room));
    sink->received += room;
    sink->over_cap = true;
    return 0;
  }
  if (sink->memory) {
    try {
      sink->memory->append(data, bytes);
    } catch (const std::bad_alloc&) {
      sink->write_failed = true;
      return 0;
    }
  } else {
    std::size_t done = 0;
    while (done < bytes) {
      const ssize_t put = ::write(sink->fd, data + done, bytes - done);
      if (put < 0) {
        if (errno == EINTR) continue;
        sink->write_failed = true;
        return 0;
      }
      done += static_cast<std::size_t>(put);
    }
  }
  sink->received += bytes;
  return bytes;
}

// Runs one GET into the sink; returns the curl code and the status. A bound of the exchange that
// ends it gives CURLE_OPERATION_TIMEDOUT.
CURLcode Perform(const std::string& agent, const std::string& url, const HttpBounds& bounds, Sink* sink, long* status) {
  UniqueCurl curl(curl_easy_init());
  if (!curl) return CURLE_FAILED_INIT;
  CURL* handle = curl.get();
  TransferWatch watch(bounds, NowMs());
  Progress progress;
  progress.watch = &watch;
  progress.sink = sink;
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_USERAGENT, agent.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &WriteBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, sink);
  curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &progress);
  curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
  // One exchange per handle, and the connection ends with it: nothing waits for an unread body.
  curl_easy_setopt(handle, CURLOPT_FORBID_REUSE, 1L);
  // Redirects are followed, as WinINet follows them.
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  if (bounds.read_timeout_ms > 0) {
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(bounds.read_timeout_ms));
    // No byte for the read time-out ends the transfer: fewer than 1 byte a second for that long.
    const long seconds = static_cast<long>((bounds.read_timeout_ms + 999) / 1000);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, seconds);
  }
  if (bounds.total_ms > 0) curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, static_cast<long>(bounds.total_ms));
  CURLcode code = curl_easy_perform(handle);
  if (code == CURLE_ABORTED_BY_CALLBACK && progress.expired) code = CURLE_OPERATION_TIMEDOUT;
  curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, status);
  return code;
}

}  // namespace

std::uint32_t ErrorCodeForCurl(int curl_code) {
  switch (static_cast<CURLcode>(curl_code)) {
    case CURLE_OPERATION_TIMEDOUT:
      return win::ERROR_INTERNET_TIMEOUT;
    case CURLE_URL_MALFORMAT:
      return win::ERROR_INTERNET_INVALID_URL;
    case CURLE_UNSUPPORTED_PROTOCOL:
      return win::ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return win::ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
      return win::ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
      return win::ERROR_INTERNET_CONNECTION_RESET;
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
      return win::ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_TOO_MANY_REDIRECTS:
      return win::ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_OUT_OF_MEMORY:
      return win::ERROR_NOT_ENOUGH_MEMORY;
    default:
      return win::ERROR_INTERNET_INTERNAL_ERROR;
  }
}

CurlHttp::CurlHttp(std::string user_agent) : user_agent_(std::move(user_agent)) {}

HttpResult CurlHttp::Get(const std::u16string& url, const HttpBounds& bounds, std::size_t max_body) {
  HttpResult result;
  if (url.empty()) {
    result.error = win::ERROR_INTERNET_INVALID_URL;
    return result;
  }
  Sink sink;
  sink.memory = &result.body;
  sink.cap = max_body;
  long status = 0;
  const CURLcode code = Perform(user_agent_, Utf8(url), bounds, &sink, &status);
  if (sink.over_cap) {
    result.transferred = true;
    result.truncated = true;
    result.status = static_cast<int>(status);
    result.size = result.body.size();
    return result;
  }
  if (code != CURLE_OK) {
    result = HttpResult();
    result.error = sink.write_failed ? win::ERROR_NOT_ENOUGH_MEMORY : ErrorCodeForCurl(code);
    return result;
  }
  result.transferred = true;
  result.status = static_cast<int>(status);
  result.size = result.body.size();
  return result;
}

HttpResult CurlHttp::GetToFile(const std::u16string& url, const HttpBounds& bounds, std::uint64_t max_bytes,
                               const std::u16string& path) {
  HttpResult result;
  if (path.empty() || path.front() != u'/') {
    result.error = win::ERROR_INVALID_PARAMETER;
    return result;
  }
  if (url.empty()) {
    result.error = win::ERROR_INTERNET_INVALID_URL;
    return result;
  }
  const std::string name = Utf8(path);
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    result.error = win::ERROR_ACCESS_DENIED;
    return result;
  }
  Sink sink;
  sink.fd = fd;
  sink.cap = max_bytes;
  long status = 0;
  const CURLcode code = Perform(user_agent_, Utf8(url), bounds, &sink, &status);
  const bool closed = ::close(fd) == 0;
  if (sink.over_cap) {
    // Too long: nothing of it is kept.
    ::unlink(name.c_str());
    result.transferred = true;
    result.truncated = true;
    result.status = static_cast<int>(status);
    return result;
  }
  if (code != CURLE_OK || !closed || sink.write_failed) {
    ::unlink(name.c_str());
    result.error = sink.write_failed || !closed ? win::ERROR_WRITE_FAULT : ErrorCodeForCurl(code);
    return result;
  }
  result.transferred = true;
  result.status = static_cast<int>(status);
  result.size = sink.received;
  return result;
}

}  // namespace vkr::gtk
