#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/http.h"

namespace vkr {
namespace {

// The clock is the test's: each step gives the time and the bytes received by then.
struct Step {
  std::uint32_t at_ms;
  std::uint64_t received;
  bool expired;
};

void Replay(const HttpBounds& bounds, std::uint32_t start_ms, const std::vector<Step>& steps, const char* name) {
  TransferWatch watch(bounds, start_ms);
  for (const Step& step : steps) {
    EXPECT_EQ(watch.Expired(start_ms + step.at_ms, step.received), step.expired)
        << name << " at " << step.at_ms << " ms with " << step.received << " bytes";
  }
}

TEST(TransferWatchTest, TheWholeTimeEndsAnExchangeHoweverFastItMoves) {
  const HttpBounds report = HttpBounds::Exchange(10000, 15000);
  // A drip of one byte a second, a body at full speed, and one that has not begun: all end at 15 s.
  Replay(report, 1000, {{1000, 1, false}, {14000, 14, false}, {14999, 15, false}, {15000, 15, true}}, "drip");
  Replay(report, 1000, {{10, 1u << 20, false}, {7000, 700u << 20, false}, {15001, 1u << 30, true}}, "huge");
  Replay(report, 1000, {{14999, 0, false}, {15000, 0, true}}, "silent");
  // Over the wrap of the tick count.
  Replay(report, 0xFFFFF000u, {{14999, 3, false}, {15000, 3, true}}, "wrapping");
}

TEST(TransferWatchTest, ADownloadEndsOnlyWhenItStopsMoving) {
  const HttpBounds download = HttpBounds::Download(30000, 1024, 30000);
  // A download has no whole time: 1 KiB a second goes on for an hour.
  std::vector<Step> steady;
  for (std::uint32_t second = 1; second <= 3600; ++second) steady.push_back({second * 1000, second * 1024ull, false});
  Replay(download, 5000, steady, "slow but moving");
  // One byte a second: fewer than 1 KiB in the first 30 s.
  Replay(download, 5000, {{1000, 1, false}, {29000, 29, false}, {30000, 30, true}}, "drip");
  Replay(download, 5000, {{29999, 0, false}, {30000, 0, true}}, "silent");
  // Exactly 1 KiB per window goes on; a transfer that moved well and then stalls ends one
  // window after its last progress (give or take a sample step).
  Replay(download, 5000, {{30000, 1024, false}, {60000, 2048, false}, {61000, 2048, false}}, "just enough");
  Replay(download, 5000,
         {{1000, 1u << 20, false},
          {20000, 50u << 20, false},
          {40000, 50u << 20, false},
          {49000, 50u << 20, false},
          {52000, 50u << 20, true}},
         "stalls after a fast start");
}

TEST(TransferWatchTest, StallsAreJudgedOnTheLastWindowOnly) {
  const HttpBounds download = HttpBounds::Download(30000, 1024, 30000);
  TransferWatch watch(download, 0);
  // 10 KiB in the first second, then 100 bytes every 10 s: the early burst does not count for long.
  EXPECT_FALSE(watch.Expired(1000, 10240));
  std::uint64_t received = 10240;
  bool ended = false;
  std::uint32_t ended_at = 0;
  for (std::uint32_t t = 2000; t <= 60000 && !ended; t += 1000) {
    if (t % 10000 == 0) received += 100;
    if (watch.Expired(t, received)) {
      ended = true;
      ended_at = t;
    }
  }
  ASSERT_TRUE(ended);
  // The burst leaves the window 30 s after it came (at most one sample step later).
  EXPECT_GE(ended_at, 31000u);
  EXPECT_LE(ended_at, 32000u);
}

TEST(TransferWatchTest, NoBoundsNeverEnd) {
  TransferWatch watch(HttpBounds{}, 0);
  for (const std::uint32_t t : {0u, 60000u, 3600000u}) EXPECT_FALSE(watch.Expired(t, 0));
  EXPECT_EQ(watch.NextWaitMs(0), 0u);
}

TEST(TransferWatchTest, TheNextWaitIsCutToWhatTheBoundsLeave) {
  const struct {
    HttpBounds bounds;
    std::uint32_t at_ms;
    std::uint32_t wait_ms;
  } rows[] = {
      {HttpBounds::Exchange(10000, 15000), 0, 10000},        // the read time-out
      {HttpBounds::Exchange(10000, 15000), 9000, 6000},      // what is left of the whole time
      {HttpBounds::Exchange(10000, 15000), 15000, 1},        // over: the next wait is the shortest
      {HttpBounds::Exchange(10000, 15000), 20000, 1},        //
      {HttpBounds::Exchange(0, 15000), 1000, 14000},         // no read time-out of its own
      {HttpBounds::Download(30000, 1024, 20000), 0, 20000},  // one window at most
      {HttpBounds::Download(10000, 1024, 30000), 50000, 10000},
  };
  for (const auto& row : rows) {
    const TransferWatch watch(row.bounds, 100);
    EXPECT_EQ(watch.NextWaitMs(100 + row.at_ms), row.wait_ms) << row.at_ms;
  }
}

}  // namespace
}  // namespace vkr
