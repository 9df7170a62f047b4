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
  UniqueInternetHandle session;
  UniqueInternetHandle connection;
  UniqueInternetHandle request;
  // The Content-Length the server announced, when it announced one.
  std::optional<std::uint64_t> announced_length;
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

}  // namespace

Win32Http::Win32Http(std::u16string user_agent) : user_agent_(std::move(user_agent)) {}

HttpResult Win32Http::Get(const std::u16string& url, std::uint32_t read_timeout_ms, std::size_t max_body) {
  HttpResult result;
  try {
    Request request;
    int status = 0;
    if (const DWORD error = SendRequest(user_agent_, url, read_timeout_ms, &request, &status)) {
      result.error = error;
      return result;
    }
    char chunk[kChunkBytes];
    for (;;) {
      DWORD got = 0;
      if (!::InternetReadFile(request.request.get(), chunk, sizeof(chunk), &got)) {
        result.error = LastErrorOr(ERROR_INTERNET_CONNECTION_ABORTED);
        result.body.clear();
        return result;
      }
      if (got == 0) break;
      const std::size_t room = max_body - result.body.size();
      if (got > room) {
        result.body.append(chunk, room);
        result.truncated = true;
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

HttpResult Win32Http::GetToFile(const std::u16string& url, std::uint32_t read_timeout_ms, std::uint64_t max_bytes,
                                const std::u16string& path) {
  HttpResult result;
  if (path.empty()) {
    result.error = ERROR_INVALID_PARAMETER;
    return result;
  }
  Request request;
  int status = 0;
  // The file is touched only once there is an answer, so a failed connection leaves an earlier
  // file in place.
  if (const DWORD error = SendRequest(user_agent_, url, read_timeout_ms, &request, &status)) {
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
    if (!::InternetReadFile(request.request.get(), chunk, sizeof(chunk), &got)) {
      result.error = LastErrorOr(ERROR_INTERNET_CONNECTION_ABORTED);
      discard();
      return result;
    }
    if (got == 0) break;
    if (got > max_bytes - written) {
      // Too long: the transfer ends here and nothing of it is kept.
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
