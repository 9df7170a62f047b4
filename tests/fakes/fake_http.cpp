#include "fakes/fake_http.h"

namespace vkr::testing {

std::string Describe(const HttpBounds& bounds) {
  return "read=" + std::to_string(bounds.read_timeout_ms) + " total=" + std::to_string(bounds.total_ms) +
         " min=" + std::to_string(bounds.min_bytes) + " window=" + std::to_string(bounds.window_ms);
}

HttpResult FakeHttp::Get(const std::u16string& url, const HttpBounds& bounds, std::size_t max_body) {
  requests.push_back({url, bounds, max_body, u""});
  if (on_request) on_request(url);
  HttpResult result;
  const auto it = responses.find(url);
  if (it == responses.end()) {
    result.error = 12007;
    return result;
  }
  if (it->second.error != 0) {
    result.error = it->second.error;
    return result;
  }
  result.transferred = true;
  result.status = it->second.status;
  result.truncated = it->second.body.size() > max_body;
  result.body = it->second.body.substr(0, max_body);
  result.size = result.body.size();
  return result;
}

HttpResult FakeHttp::GetToFile(const std::u16string& url, const HttpBounds& bounds, std::uint64_t max_bytes,
                               const std::u16string& path) {
  requests.push_back({url, bounds, max_bytes, path});
  if (on_request) on_request(url);
  HttpResult result;
  const auto it = responses.find(url);
  if (it == responses.end() || it->second.error != 0) {
    result.error = it == responses.end() ? 12007 : it->second.error;
    return result;
  }
  result.status = it->second.status;
  if (it->second.body.size() > max_bytes) {
    result.transferred = true;
    result.truncated = true;
    return result;
  }
  if (!files_.WriteFile(path, it->second.body)) {
    result.error = 5;
    return result;
  }
  result.transferred = true;
  result.size = it->second.body.size();
  return result;
}

}  // namespace vkr::testing
