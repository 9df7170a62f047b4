#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// How long one exchange may take. Every exchange ends: the read time-out bounds the connection
// and each receive, and on top of it either the whole exchange has a time limit (the small
// answers) or a transfer that stops moving is abandoned (the downloads). A bound that ends an
// exchange gives the time-out error (12002).
struct HttpBounds {
  std::uint32_t read_timeout_ms = 0;  // the connection and each receive; 0 for the system's own
  std::uint32_t total_ms = 0;         // the whole exchange, headers and body; 0 for none
  // Abandon the transfer when fewer than `min_bytes` arrived in the last `window_ms`; 0 for off.
  std::uint32_t min_bytes = 0;
  std::uint32_t window_ms = 0;

  // A small answer: each receive and the whole exchange bounded.
  static HttpBounds Exchange(std::uint32_t read_timeout_ms, std::uint32_t total_ms) {
    return {read_timeout_ms, total_ms, 0, 0};
  }
  // A download: each receive bounded, and abandoned when it keeps fewer than `min_bytes` per
  // `window_ms`; a slow one that keeps moving goes on.
  static HttpBounds Download(std::uint32_t read_timeout_ms, std::uint32_t min_bytes, std::uint32_t window_ms) {
    return {read_timeout_ms, 0, min_bytes, window_ms};
  }
};

// The bounds of one exchange as it runs: the adapters report the bytes received so far with the
// time (milliseconds of a tick count that may wrap), and end the exchange when Expired says so.
class TransferWatch {
 public:
  TransferWatch(const HttpBounds& bounds, std::uint32_t now_ms);

  // Notes `received` bytes in all by now_ms; true when the exchange must end now: its whole time
  // is over, or fewer than min_bytes arrived in the last window.
  bool Expired(std::uint32_t now_ms, std::uint64_t received);
  // How long the next wait for the network may last: the read time-out, cut to what is left of
  // the whole time and to one window. At least 1 ms; 0 only when nothing bounds it.
  std::uint32_t NextWaitMs(std::uint32_t now_ms) const;

 private:
  struct Sample {
    std::uint32_t elapsed_ms;
    std::uint64_t received;
  };
  HttpBounds bounds_;
  std::uint32_t start_ms_;
  // Bytes received by a moment, a few per window (older ones dropped), so the memory stays small
  // however many receives a fast transfer makes.
  std::vector<Sample> samples_;
};

// An HTTP/1.1 client for plain GET requests through the system's proxy settings. Abstract so
// that tests can script answers. Blocking; call from worker threads or where a block is
// intended. Never throws. Ending an exchange, by any route, never waits for the rest of a body.
class Http {
 public:
  virtual ~Http() = default;

  // GET into memory, within `bounds`; at most max_body bytes are kept.
  virtual HttpResult Get(const std::u16string& url, const HttpBounds& bounds, std::size_t max_body) = 0;
  // GET streamed into a file, replacing it, within `bounds`. More than max_bytes ends the
  // transfer with truncated set and the partial file deleted; any failure deletes the partial file.
  virtual HttpResult GetToFile(const std::u16string& url, const HttpBounds& bounds, std::uint64_t max_bytes,
                               const std::u16string& path) = 0;
};

}  // namespace vkr
