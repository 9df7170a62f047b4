// HTTP GET through WinINet with the per-user proxy settings (INTERNET_OPEN_TYPE_PRECONFIG).
#pragma once

#include "platform/http.h"

namespace vkr::win32 {

class Win32Http : public Http {
 public:
  explicit Win32Http(std::u16string user_agent = u"VelqoMorvane");

  HttpResult Get(const std::u16string& url, const HttpBounds& bounds, std::size_t max_body) override;
  HttpResult GetToFile(const std::u16string& url, const HttpBounds& bounds, std::uint64_t max_bytes,
                       const std::u16string& path) override;

 private:
  std::u16string user_agent_;
};

}  // namespace vkr::win32
