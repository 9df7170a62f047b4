#pragma once

#include <functional>
#include <vector>

#include "platform/ui.h"

namespace vkr::testing {

// Records message boxes and answers them from a queue (OK once it is used up). The message
// loop "runs" by counting (and calling on_loop, where a test acts while it runs); a test that
// needs windows drives them directly.
class FakeUi : public Ui {
 public:
  int MessageBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                 std::uint32_t type) override;
  void RunMessageLoop() override {
    ++loops_run;
    if (on_loop) on_loop();
  }
  void Terminate() override { ++terminate_requests; }
  void SetMainWindow(WindowHandle window) override { main_window = window; }
  WindowHandle MainWindow() override { return main_window; }
  void SetApplicationWindowText(const std::u16string& text) override { application_window_text = text; }
  bool CallOnGuiThread(const std::function<void()>& call) override;
  void StartGui() override { ++gui_starts; }

  struct Box {
    WindowHandle owner;
    std::u16string text, caption;
    std::uint32_t type;
  };
  std::vector<Box> boxes;
  std::vector<int> answers;
  int loops_run = 0;
  std::function<void()> on_loop;
  int terminate_requests = 0;
  int gui_calls = 0;
  int gui_starts = 0;
  bool gui_gone = false;
  WindowHandle main_window = kNoWindow;
  std::u16string application_window_text;
};

}  // namespace vkr::testing
