#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "platform/std_threads.h"
#include "platform/win32/clock_win32.h"
#include "win32/win32_test_support.h"

namespace vkr::win32 {
namespace {

// The threads of both editions, here under the Windows runtime.
TEST(StdThreadsTest, RunsTheBodyOnItsOwnThreadAndSwallowsErrors) {
  StdThreads threads;
  std::atomic<bool> thrown{false};
  EXPECT_TRUE(threads.StartDetached([&] {
    thrown = true;
    throw std::runtime_error("escapes the body");
  }));
  ASSERT_TRUE(vkr::testing::WaitUntil([&] { return thrown.load(); }, 10000));

  const std::thread::id caller = std::this_thread::get_id();
  std::atomic<bool> ran{false};
  std::atomic<bool> other_thread{false};
  EXPECT_TRUE(threads.StartDetached([&] {
    other_thread = std::this_thread::get_id() != caller;
    ran = true;
  }));
  ASSERT_TRUE(vkr::testing::WaitUntil([&] { return ran.load(); }, 10000));
  EXPECT_TRUE(other_thread);
  EXPECT_FALSE(threads.StartDetached(nullptr));
}

TEST(Win32ClockTest, GivesALocalTimeAndATickCountThatAdvances) {
  Win32Clock clock;
  const LocalTime now = clock.Now();
  EXPECT_GE(now.year, 2000);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_LE(now.hour, 23);
  EXPECT_LE(now.second, 59);
  const std::uint32_t before = clock.TickCount();
  clock.Sleep(100);
  // The tick count may move in steps of about 16 ms.
  EXPECT_GE(clock.TickCount() - before, 50u);
}

}  // namespace
}  // namespace vkr::win32
