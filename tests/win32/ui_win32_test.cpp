#include "platform/win32/ui_win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "win32/win32_test_support.h"

namespace vkr::win32 {
namespace {

using vkr::testing::WaitUntil;

constexpr char kNeedsDisplay[] = "windows need a display: run Wine with DISPLAY set (Xvfb)";

// Ends a message loop that would otherwise never return, so that a failing test fails instead of
// hanging.
class LoopGuard {
 public:
  explicit LoopGuard(DWORD gui_thread) {
    guard_ = std::thread([this, gui_thread] {
      std::unique_lock<std::mutex> lock(mutex_);
      if (!done_cv_.wait_for(lock, std::chrono::seconds(20), [this] { return done_; })) {
        fired_ = true;
        ::PostThreadMessageW(gui_thread, WM_QUIT, 0, 0);
      }
    });
  }
  ~LoopGuard() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    done_cv_.notify_all();
    guard_.join();
  }
  bool fired() const { return fired_; }

 private:
  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::atomic<bool> fired_{false};
  std::thread guard_;
};

TEST(Win32UiTest, CallOnGuiThreadFromAWorkerRunsOnTheGuiThread) {
  Win32Ui ui;
  ASSERT_NE(ui.ApplicationWindow(), nullptr) << kNeedsDisplay;
  const DWORD gui_thread = ::GetCurrentThreadId();
  // Shared with the worker, which may outlive a failed test.
  struct State {
    std::atomic<DWORD> ran_on{0};
    std::atomic<bool> finished{false};
    std::atomic<bool> result{false};
  };
  const auto state = std::make_shared<State>();
  std::thread worker([state, &ui] {
    state->result = ui.CallOnGuiThread([state] { state->ran_on = ::GetCurrentThreadId(); });
    state->finished = true;
  });
  // The GUI thread pumps its messages meanwhile.
  const bool done = WaitUntil([&] { return state->finished.load(); }, 10000);
  if (done) {
    worker.join();
  } else {
    worker.detach();
  }
  ASSERT_TRUE(done);
  EXPECT_TRUE(state->result);
  EXPECT_EQ(state->ran_on, gui_thread);
}

TEST(Win32UiTest, CallOnGuiThreadFromTheGuiThreadRunsAtOnce) {
  Win32Ui ui;
  int calls = 0;
  EXPECT_TRUE(ui.CallOnGuiThread([&] { ++calls; }));
  EXPECT_EQ(calls, 1);
  // An error in the call does not escape.
  EXPECT_TRUE(ui.CallOnGuiThread([] { throw 7; }));
}

TEST(Win32UiTest, CallOnGuiThreadFailsOnceTheWindowIsGone) {
  auto gone = std::make_unique<Win32Ui>();
  const HWND window = gone->ApplicationWindow();
  ASSERT_NE(window, nullptr) << kNeedsDisplay;
  ::DestroyWindow(window);
  std::atomic<bool> ran{false};
  auto answer = std::async(std::launch::async, [&] { return gone->CallOnGuiThread([&] { ran = true; }); });
  ASSERT_EQ(answer.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_FALSE(answer.get());
  EXPECT_FALSE(ran);
}

TEST(Win32UiTest, ApplicationWindowIsHiddenAndCarriesTheText) {
  Win32Ui ui;
  const HWND window = ui.ApplicationWindow();
  ASSERT_NE(window, nullptr) << kNeedsDisplay;
  ui.SetApplicationWindowText(u"VelqoMorvane");
  wchar_t text[64] = {};
  ::GetWindowTextW(window, text, 64);
  EXPECT_STREQ(text, L"VelqoMorvane");
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_NE(::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  // A close request does not take the window away.
  ::SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(::IsWindow(window));
}

TEST(Win32UiTest, MessageLoopReturnsAtOnceWithoutAMainWindow) {
  Win32Ui ui;
  LoopGuard guard(::GetCurrentThreadId());
  EXPECT_EQ(ui.MainWindow(), kNoWindow);
  ui.RunMessageLoop();
  EXPECT_FALSE(guard.fired());
}

TEST(Win32UiTest, MessageLoopShowsEveryMessageToTheHookAndEndsOnTerminate) {
  Win32Ui ui;
  const HWND window = ui.ApplicationWindow();
  ui.SetMainWindow(reinterpret_cast<WindowHandle>(window));
  EXPECT_EQ(ui.MainWindow(), reinterpret_cast<WindowHandle>(window));
  int seen = 0;
  ui.SetPreDispatchHook([&](MSG& message) {
    if (message.message == WM_APP + 1) {
      ++seen;
      ui.Terminate();
      return true;
    }
    return false;
  });
  LoopGuard guard(::GetCurrentThreadId());
  ::PostMessageW(window, WM_APP + 1, 0, 0);
  ui.RunMessageLoop();
  EXPECT_FALSE(guard.fired());
  EXPECT_EQ(seen, 1);
}

TEST(Win32UiTest, TerminateFromAWorkerEndsTheLoop) {
  Win32Ui ui;
  ui.SetMainWindow(reinterpret_cast<WindowHandle>(ui.ApplicationWindow()));
  std::atomic<bool> call_ran{false};
  std::thread worker([&] {
    // The worker's way into the GUI, then the request to end.
    call_ran = ui.CallOnGuiThread([] {});
    ui.Terminate();
  });
  LoopGuard guard(::GetCurrentThreadId());
  ui.RunMessageLoop();
  worker.join();
  EXPECT_FALSE(guard.fired());
  EXPECT_TRUE(call_ran);
}

TEST(Win32UiTest, MessageBoxFromAWorkerBlocksOnlyTheWorker) {
  Win32Ui ui;
  ASSERT_NE(ui.ApplicationWindow(), nullptr) << kNeedsDisplay;
  // Shared with the worker, which may outlive a failed test.
  const auto answer = std::make_shared<std::atomic<int>>(-1);
  std::thread worker([answer, &ui] {
    *answer = ui.MessageBox(kNoWindow, u"发现新版本", u"VkrBoxFromWorker", 0x40 /* MB_ICONINFORMATION */);
  });
  // The GUI thread goes on and finds the box.
  HWND box = nullptr;
  const bool shown = WaitUntil([&] { return (box = ::FindWindowW(nullptr, L"VkrBoxFromWorker")) != nullptr; }, 10000);
  if (shown) {
    wchar_t text[64] = {};
    ::GetDlgItemTextW(box, 0xFFFF, text, 64);  // the box's static text
    EXPECT_STREQ(text, L"发现新版本");
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  }
  const bool answered = WaitUntil([&] { return answer->load() != -1; }, 10000);
  if (answered) {
    worker.join();
  } else {
    worker.detach();
  }
  ASSERT_TRUE(shown) << kNeedsDisplay;
  ASSERT_TRUE(answered);
  EXPECT_EQ(answer->load(), IDOK);
}

}  // namespace
}  // namespace vkr::win32
