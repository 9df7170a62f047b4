// HTTP GET through libcurl. The proxy comes from the environment (http_proxy, no_proxy), which
// libcurl reads itself.
#pragma once

#include <string>

#include "platform/http.h"

namespace vkr::gtk {

// How long a transfer may take. The read time-out of the interface bounds the connection and
// every stretch without a received byte, as the Windows adapter's receive time-out does; the
// other two are off unless set.
struct TransferBounds {
  std::uint32_t read_timeout_ms = 0;
  // The whole exchange, headers and body; 0 for no bound.
  std::uint32_t total_ms = 0;
  // Abandon a transfer that moves fewer than `low_speed_bytes` in `low_speed_seconds`; 0 for off.
  std::uint32_t low_speed_bytes = 0;
  std::uint32_t low_speed_seconds = 0;
};

class CurlHttp : public Http {
 public:
  // curl_global_init must have run (the composition root does it once, before any thread).
  explicit CurlHttp(std::string user_agent = "VelqoMorvane");

  HttpResult Get(const std::u16string& url, std::uint32_t read_timeout_ms, std::size_t max_body) override;
  HttpResult GetToFile(const std::u16string& url, std::uint32_t read_timeout_ms, std::uint64_t max_bytes,
                       const std::u16string& path) override;

  // The same, with every bound given.
  HttpResult GetBounded(const std::u16string& url, const TransferBounds& bounds, std::size_t max_body);
  HttpResult GetToFileBounded(const std::u16string& url, const TransferBounds& bounds, std::uint64_t max_bytes,
                              const std::u16string& path);

 private:
  std::string user_agent_;
};

// The Windows error code (WinINet's numbers) the core sees for a libcurl failure.
std::uint32_t ErrorCodeForCurl(int curl_code);

}  // namespace vkr::gtk
