#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fakes/fake_files.h"
#include "platform/http.h"

namespace vkr::testing {

// The bounds as one line ("read=10000 total=15000 min=0 window=0"), for comparisons in tests.
std::string Describe(const HttpBounds& bounds);

// Answers GET requests from a table of scripted responses by exact address; an address without
// a script fails as an unreachable host (error 12007). Records every request.
class FakeHttp : public Http {
 public:
  explicit FakeHttp(FakeFiles& files) : files_(files) {}

  HttpResult Get(const std::u16string& url, const HttpBounds& bounds, std::size_t max_body) override;
  HttpResult GetToFile(const std::u16string& url, const HttpBounds& bounds, std::uint64_t max_bytes,
                       const std::u16string& path) override;

  struct Response {
    int status = 200;
    std::string body;
    std::uint32_t error = 0;  // non-zero: the transfer fails with this code
  };
  void Answer(const std::u16string& url, int status, const std::string& body) { responses[url] = {status, body, 0}; }
  void Fail(const std::u16string& url, std::uint32_t error) { responses[url] = {0, "", error}; }

  struct Request {
    std::u16string url;
    HttpBounds bounds;
    std::uint64_t cap;
    std::u16string path;  // empty for Get
  };
  std::vector<Request> requests;
  std::map<std::u16string, Response> responses;
  // Called at each request before it is answered (a test may change the world there).
  std::function<void(const std::u16string&)> on_request;

 private:
  FakeFiles& files_;
};

}  // namespace vkr::testing
