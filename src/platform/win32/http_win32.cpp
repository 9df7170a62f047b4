#include "platform/win32/http_win32.h"

#include <cstdint>
#include <new>
#include <optional>
#include <utility>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_headers.h"

namespace vkr::win32 {
namespace {

constexpr DWORD kChunkBytes = 16 * 1024;

// One GET request: the session (opened per request, because WinINet reads the proxy settings
// when a session opens), its connection and the request, each owned here.
struct Request {
  Request() = default;
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;
  // Closing a request whose body is not read to its end makes WinINet (Wine's, at least) read
  // what has already arrived of the rest, to keep the connection for another request: as long as
  // the server keeps sending fast, up to the whole announced length. An exchange left at its cap,
  // with the body still coming, therefore leaves its handles open; they end with the process. At
  // most a handful of exchanges per process are ever left that way (the reports, the description,
  // the two downloads). One that ended by a bound or an error had its body stalled or broken:
  // closing it reads nothing more.
  ~Request() {
    if (left_at_cap) {
      request.release();
      connection.release();
      session.release();
    }
  }

  UniqueInternetHandle session;
  UniqueInternetHandle connection;
  UniqueInternetHandle request;
  // The Content-Length the server announced, when it announced one.
  std::optional<std::uint64_t> announced_length;
  bool left_at_cap = false;  // the exchange ended at its cap, before the body's end
};

std::optional<std::uint64_t> AnnouncedLength(HINTERNET request) {
  wchar_t text[32] = {};
  DWORD size = sizeof(text);
  if (!::HttpQueryInfoW(request, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr)) return std::nullopt;
  std::uint64_t length = 0;
  const wchar_t* c = text;
  while (*c == L' ') ++c;
  if (*c < L'0' || *c > L'9') return std::nullopt;
  for (; *c >= L'0' && *c <= L'9'; ++c) {
    if (length > (UINT64_MAX - 9) / 10) return std::nullopt;
    length = length * 10 + static_cast<std::uint64_t>(*c - L'0');
  }
  return length;
}

// A body that ended before its announced length was cut off by the connection, not complete.
bool EndedEarly(const Request& request, std::uint64_t received) {
  return request.announced_length && received < *request.announced_length;
}

void SetTimeouts(HINTERNET handle, DWORD timeout_ms) {
  for (const DWORD option :
       {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
        INTERNET_OPTION_DATA_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
    DWORD value = timeout_ms;
    ::InternetSetOptionW(handle, option, &value, sizeof(value));
  }
}

// The error of the last WinINet call. Wine lets the socket's own time-out (WSAETIMEDOUT) through
// when a body stalls; it is reported as the WinINet time-out, like every other time-out.
DWORD LastErrorOr(DWORD fallback) {
  const DWORD error = ::GetLastError();
  if (error == WSAETIMEDOUT) return ERROR_INTERNET_TIMEOUT;
  return error != 0 ? error : fallback;
}

// Sends the request and reads the status. The time-outs are set on every handle, the request's
// included: Wine honours the receive time-out only on the connection or request handle, and the
// request handle exists before anything is sent, so waiting for the headers is bounded too.
// Returns 0 or the system error code.
DWORD SendRequest(const std::u16string& agent, const std::u16string& url, std::uint32_t timeout_ms, Request* out,
                  int* status) {
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwSchemeLength = 1;
  parts.dwHostNameLength = 1;
  parts.dwUserNameLength = 1;
  parts.dwPasswordLength = 1;
  parts.dwUrlPathLength = 1;
  parts.dwExtraInfoLength = 1;
  if (url.empty() || !::InternetCrackUrlW(Wide(url), static_cast<DWORD>(url.size()), 0, &parts)) {
    return LastErrorOr(ERROR_INTERNET_INVALID_URL);
  }
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
    return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
  }
  if (parts.lpszHostName == nullptr || parts.dwHostNameLength == 0) return ERROR_INTERNET_INVALID_URL;
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  const std::wstring user = parts.lpszUserName ? std::wstring(parts.lpszUserName, parts.dwUserNameLength) : L"";
  const std::wstring password = parts.lpszPassword ? std::wstring(parts.lpszPassword, parts.dwPasswordLength) : L"";
  std::wstring object = parts.lpszUrlPath ? std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) : L"";
  if (parts.lpszExtraInfo) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (object.empty()) object = L"/";

  out->session.reset(::InternetOpenW(Wide(agent), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!out->session) return LastErrorOr(ERROR_INTERNET_INTERNAL_ERROR);
  SetTimeouts(out->session.get(), timeout_ms);
  out->connection.reset(::InternetConnectW(out->session.get(), host.c_str(), parts.nPort,
                                           user.empty() ? nullptr : user.c_str(),
                                           password.empty() ? nullptr : password.c_str(), INTERNET_SERVICE_HTTP, 0, 0));
  if (!out->connection) return LastErrorOr(ERROR_INTERNET_INTERNAL_ERROR);
  SetTimeouts(out->connection.get(), timeout_ms);
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI;
  if (parts.nScheme == INTERNET_SCHEME_HTTPS) flags |= INTERNET_FLAG_SECURE;
  const wchar_t* accept_types[] = {L"*/*", nullptr};
  out->request.reset(
      ::HttpOpenRequestW(out->connection.get(), L"GET", object.c_str(), nullptr, nullptr, accept_types, flags, 0));
  if (!out->request) return LastErrorOr(ERROR_INTERNET_INTERNAL_ERROR);
  SetTimeouts(out->request.get(), timeout_ms);
  if (!::HttpSendRequestW(out->request.get(), nullptr, 0, nullptr, 0)) return LastErrorOr(ERROR_INTERNET_TIMEOUT);
  DWORD code = 0;
  DWORD length = sizeof(code);
  if (!::HttpQueryInfoW(out->request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &length, nullptr)) {
    return LastErrorOr(ERROR_HTTP_INVALID_SERVER_RESPONSE);
  }
  *status = static_cast<int>(code);
  out->announced_length = AnnouncedLength(out->request.get());
  return 0;
}

// One receive of the body within the exchange's bounds: the receive waits no longer than the
// bounds leave, and a transfer past its whole time, or one that has stopped moving, ends with
// the time-out error before anything more is read. *got 0 is the end of the body.
bool ReadWithin(Request* request, TransferWatch* watch, std::uint64_t received, char (&chunk)[kChunkBytes],
                DWORD* got) {
  const DWORD now = ::GetTickCount();
  if (watch->Expired(now, received)) {
    ::SetLastError(ERROR_INTERNET_TIMEOUT);
    return false;
  }
  const DWORD wait = watch->NextWaitMs(now);
  if (wait != 0) {
    for (const DWORD option : {INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT}) {
      DWORD value = wait;
      ::InternetSetOptionW(request->request.get(), option, &value, sizeof(value));
    }
  }
  // Only what has arrived is asked for: a read of a whole chunk would wait until the chunk is
  // full, which a body that trickles in takes hours to fill, each receive within the time-out.
  DWORD available = 0;
  if (!::InternetQueryDataAvailable(request->request.get(), &available, 0, 0)) return false;
  *got = 0;
  if (available > 0 &&
      !::InternetReadFile(request->request.get(), chunk, available < kChunkBytes ? available : kChunkBytes, got)) {
    return false;
  }
  return true;
}

}  // namespace

Win32Http::Win32Http(std::u16string user_agent) : user_agent_(std::move(user_agent)) {}

HttpResult Win32Http::Get(const std::u16string& url, const HttpBounds& bounds, std::size_t max_body) {
  HttpResult result;
  try {
    Request request;
    TransferWatch watch(bounds, ::GetTickCount());
    int status = 0;
    if (const DWORD error = SendRequest(user_agent_, url, watch.NextWaitMs(::GetTickCount()), &request, &status)) {
      result.error = error;
      return result;
    }
    char chunk[kChunkBytes];
    for (;;) {
      DWORD got = 0;
      if (!ReadWithin(&request, &watch, result.body.size(), chunk, &got)) {
        result.error = LastErrorOr(ERROR_INTERNET_CONNECTION_ABORTED);
        result.body.clear();
        return result;
      }
      if (got == 0) break;
      const std::size_t room = max_body - result.body.size();
      if (got > room) {
        result.body.append(chunk, room);
        result.truncated = true;
        request.left_at_cap = true;
        break;
      }
      result.body.append(chunk, got);
    }
    if (!result.truncated && EndedEarly(request, result.body.size())) {
      result = HttpResult();
      result.error = ERROR_INTERNET_CONNECTION_ABORTED;
      return result;
    }
    result.transferred = true;
    result.status = status;
    result.size = result.body.size();
  } catch (const std::bad_alloc&) {
    result = HttpResult();
    result.error = ERROR_NOT_ENOUGH_MEMORY;
  }
  return result;
}

HttpResult Win32Http::GetToFile(const std::u16string& url, const HttpBounds& bounds, std::uint64_t max_bytes,
                                const std::u16string& path) {
  HttpResult result;
  if (path.empty()) {
    result.error = ERROR_INVALID_PARAMETER;
    return result;
  }
  Request request;
  TransferWatch watch(bounds, ::GetTickCount());
  int status = 0;
  // The file is touched only once there is an answer, so a failed connection leaves an earlier
  // file in place.
  if (const DWORD error = SendRequest(user_agent_, url, watch.NextWaitMs(::GetTickCount()), &request, &status)) {
    result.error = error;
    return result;
  }
  UniqueFileHandle file(
      ::CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    result.error = LastErrorOr(ERROR_ACCESS_DENIED);
    return result;
  }
  auto discard = [&] {
    file.reset();
    ::DeleteFileW(Wide(path));
  };
  std::uint64_t written = 0;
  char chunk[kChunkBytes];
  for (;;) {
    DWORD got = 0;
    if (!ReadWithin(&request, &watch, written, chunk, &got)) {
      result.error = LastErrorOr(ERROR_INTERNET_CONNECTION_ABORTED);
      discard();
      return result;
    }
    if (got == 0) break;
    if (got > max_bytes - written) {
      // Too long: the transfer ends here and nothing of it is kept.
      request.left_at_cap = true;
      discard();
      result.transferred = true;
      result.truncated = true;
      result.status = status;
      return result;
    }
    DWORD put = 0;
    if (!::WriteFile(file.get(), chunk, got, &put, nullptr) || put != got) {
      result.error = LastErrorOr(ERROR_WRITE_FAULT);
      discard();
      return result;
    }
    written += got;
  }
  if (EndedEarly(request, written)) {
    result.error = ERROR_INTERNET_CONNECTION_ABORTED;
    discard();
    return result;
  }
  if (!::CloseHandle(file.release())) {
    result.error = LastErrorOr(ERROR_WRITE_FAULT);
    ::DeleteFileW(Wide(path));
    return result;
  }
  result.transferred = true;
  result.status = status;
  result.size = written;
  return result;
}

}  // namespace vkr::win32
