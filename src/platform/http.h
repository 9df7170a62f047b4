#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vkr {

struct HttpResult {
  bool transferred = false;  // a response was received completely (or up to the cap)
  int status = 0;            // HTTP status code when transferred
  std::uint32_t error = 0;   // system error code when not transferred (12002 time-out, ...)
  bool truncated = false;    // the body was longer than the cap and was cut there
  std::string body;          // for Get: the body, at most max_body bytes
  std::uint64_t size = 0;    // bytes received (for GetToFile: bytes written to the file)

  bool Ok() const { return transferred && status >= 200 && status < 300; }
};

// An HTTP/1.1 client for plain GET requests through the system's proxy settings. Abstract so
// that tests can script answers. Blocking; call from worker threads or where a block is
// intended. Never throws.
class Http {
 public:
  virtual ~Http() = default;

  // GET into memory. The read time-out applies to each receive; at most max_body bytes are kept.
  virtual HttpResult Get(const std::u16string& url, std::uint32_t read_timeout_ms, std::size_t max_body) = 0;
  // GET streamed into a file, replacing it. More than max_bytes ends the transfer with
  // truncated set and the partial file deleted; any failure deletes the partial file.
  virtual HttpResult GetToFile(const std::u16string& url, std::uint32_t read_timeout_ms, std::uint64_t max_bytes,
                               const std::u16string& path) = 0;
};

}  // namespace vkr
