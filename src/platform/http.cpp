#include "platform/http.h"

#include <algorithm>

namespace vkr {
namespace {

// Samples per window: the window is judged to within 1/kSamplesPerWindow of its length, always
// in the transfer's favour (the bytes counted may span a little more than one window).
constexpr std::uint32_t kSamplesPerWindow = 32;

}  // namespace

TransferWatch::TransferWatch(const HttpBounds& bounds, std::uint32_t now_ms) : bounds_(bounds), start_ms_(now_ms) {
  samples_.push_back({0, 0});
}

bool TransferWatch::Expired(std::uint32_t now_ms, std::uint64_t received) {
  const std::uint32_t elapsed = now_ms - start_ms_;
  if (bounds_.total_ms > 0 && elapsed >= bounds_.total_ms) return true;
  if (bounds_.min_bytes == 0 || bounds_.window_ms == 0) return false;

  const std::uint32_t step = std::max<std::uint32_t>(1, bounds_.window_ms / kSamplesPerWindow);
  if (elapsed - samples_.back().elapsed_ms >= step) samples_.push_back({elapsed, received});
  if (elapsed < bounds_.window_ms) return false;
  // The newest sample at or before the window's start: what had arrived by then at the most.
  const std::uint32_t window_start = elapsed - bounds_.window_ms;
  std::size_t base = 0;
  while (base + 1 < samples_.size() && samples_[base + 1].elapsed_ms <= window_start) ++base;
  samples_.erase(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(base));
  return received - samples_.front().received < bounds_.min_bytes;
}

std::uint32_t TransferWatch::NextWaitMs(std::uint32_t now_ms) const {
  std::uint32_t wait = bounds_.read_timeout_ms;
  const auto cut = [&wait](std::uint32_t limit) { wait = wait == 0 ? limit : std::min(wait, limit); };
  if (bounds_.total_ms > 0) {
    const std::uint32_t elapsed = now_ms - start_ms_;
    cut(elapsed >= bounds_.total_ms ? 1 : bounds_.total_ms - elapsed);
  }
  if (bounds_.min_bytes > 0 && bounds_.window_ms > 0) cut(bounds_.window_ms);
  return wait;
}

}  // namespace vkr
