// HTTP GET through libcurl. The proxy comes from the environment (http_proxy, no_proxy), which
// libcurl reads itself.
#pragma once

#include <string>

#include "platform/http.h"

namespace vkr::gtk {

class CurlHttp : public Http {
 public:
  // curl_global_init must have run (the composition root does it once, before any thread).
  explicit CurlHttp(std::string user_agent = "VelqoMorvane");

  // The read time-out bounds the connection and every stretch without a received byte, as the
  // Windows adapter's receive time-out does; the whole time is libcurl's own time-out, and the
  // progress callback abandons a download that stops moving.
  HttpResult Get(const std::u16string& url, const HttpBounds& bounds, std::size_t max_body) override;
  HttpResult GetToFile(const std::u16string& url, const HttpBounds& bounds, std::uint64_t max_bytes,
                       const std::u16string& path) override;

 private:
  std::string user_agent_;
};

// The Windows error code (WinINet's numbers) the core sees for a libcurl failure.
std::uint32_t ErrorCodeForCurl(int curl_code);

}  // namespace vkr::gtk
