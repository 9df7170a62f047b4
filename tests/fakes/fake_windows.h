#pragma once

#include <deque>
#include <map>
#include <vector>

#include "platform/menu.h"
#include "platform/resources.h"
#include "platform/tray.h"
#include "platform/window.h"

namespace vkr::testing {

// Windows held in memory. Messages sent to a window go to its listener at once, as the real
// window procedure would take them; posted messages wait in a queue until the test delivers
// them. Unanswered messages are recorded as reaching the default procedure.
class FakeWindows : public Windows {
 public:
  struct Window {
    WindowSpec window_spec;
    WindowListener* listener = nullptr;
    Rect bounds;
    std::uint32_t style = 0;
    std::uint32_t ex_style = 0;
    std::u16string caption;
    bool visible = false;
    int show_state = 0;  // win::SW_SHOWNORMAL, SW_SHOWMAXIMIZED or SW_SHOWMINIMIZED
    bool layered = false;
    std::uint32_t color_key = 0;
    int alpha = -1;
    std::uint32_t background = 0;
    std::map<std::uintptr_t, std::uint32_t> timers;  // id -> period
    int invalidations = 0;
    bool destroyed = false;
    std::vector<int> show_commands;
  };
  struct Posted {
    WindowHandle window;
    WindowMessage message;
  };
  struct DefaultCall {
    WindowHandle window;
    WindowMessage message;
  };

  WindowHandle Create(const WindowSpec& window_spec, WindowListener* listener) override;
  void Destroy(WindowHandle window) override;
  void Show(WindowHandle window, int show_command) override;
  bool IsVisible(WindowHandle window) override;
  int ShowState(WindowHandle window) override;
  Rect Bounds(WindowHandle window) override;
  void SetBounds(WindowHandle window, const Rect& bounds) override;
  std::uint32_t Style(WindowHandle window) override;
  void SetStyle(WindowHandle window, std::uint32_t style) override;
  std::uint32_t ExStyle(WindowHandle window) override;
  void SetExStyle(WindowHandle window, std::uint32_t ex_style) override;
  void SetCaption(WindowHandle window, const std::u16string& caption) override;
  bool SetColorKey(WindowHandle window, std::uint32_t color, std::uint8_t alpha) override;
  void SetBackground(WindowHandle window, std::uint32_t color) override;
  bool SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t period_ms) override;
  void KillTimer(WindowHandle window, std::uintptr_t id) override;
  bool Post(WindowHandle window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override;
  std::intptr_t Send(WindowHandle window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) override;
  std::intptr_t DefaultProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wparam,
                                 std::intptr_t lparam) override;
  void SetCapture(WindowHandle window) override { capture = window; }
  void ReleaseCapture() override {
    capture = kNoWindow;
    ++capture_releases;
  }
  void Invalidate(WindowHandle window) override;
  void SetForeground(WindowHandle window) override { foreground_calls.push_back(window); }
  void SetActive(WindowHandle window) override { active_calls.push_back(window); }
  void SetCursor(CursorShape shape) override { cursors.push_back(shape); }
  Point ClientToScreen(WindowHandle window, Point point) override;
  bool IsChild(WindowHandle parent, WindowHandle window) override;
  WindowHandle DesktopWindow() override { return kDesktop; }
  Point CursorPos() override { return cursor; }
  std::int16_t KeyState(int virtual_key) override;
  Size PrimaryScreenSize() override { return screen; }
  Rect WorkArea() override { return work_area; }
  void SetMessageHook(std::function<bool(const QueuedMessage& message)> hook) override {
    message_hook = std::move(hook);
    ++hook_settings;
  }
  bool HasMessageHook() override { return static_cast<bool>(message_hook); }
  // Numbers from 0xC100 on, one per name, in the order first asked.
  std::uint32_t RegisterMessage(const std::u16string& name) override;
  void TranslateAndDispatch(const QueuedMessage& message) override { dispatched.push_back(message); }
  void SetFloatingPointControlWord(std::uint16_t word) override { control_words.push_back(word); }

  // Test helpers.
  Window& Get(WindowHandle window) { return windows_.at(window); }
  bool Exists(WindowHandle window) const;
  // Every window created, in order (destroyed ones included).
  std::vector<WindowHandle> Created() const { return created_; }
  // Delivers the posted messages in order (also those posted meanwhile); returns how many.
  int DeliverPosted();
  // Delivers WM_TIMER of that identifier when the timer is set; false otherwise.
  bool FireTimer(WindowHandle window, std::uintptr_t id);
  // Sends a message as the system would and returns the answer; unanswered ones are passed to
  // DefaultProcedure.
  std::intptr_t Dispatch(WindowHandle window, std::uint32_t message, std::uintptr_t wparam = 0,
                         std::intptr_t lparam = 0);
  // Paints the window on `canvas` through its listener.
  void Paint(WindowHandle window, Canvas& canvas);
  MinMaxInfo GetMinMaxInfo(WindowHandle window);

  static constexpr WindowHandle kDesktop = 0x10010;
  Size screen{1920, 1080};
  Rect work_area{0, 0, 1920, 1040};
  Point cursor{500, 600};
  std::map<int, std::int16_t> key_states;
  // parent -> children, for IsChild.
  std::multimap<WindowHandle, WindowHandle> children;
  std::deque<Posted> posted;
  std::vector<DefaultCall> default_calls;
  std::vector<QueuedMessage> dispatched;
  std::function<bool(const QueuedMessage& message)> message_hook;
  // How often SetMessageHook was called.
  int hook_settings = 0;
  std::map<std::u16string, std::uint32_t> registered_messages;
  std::vector<WindowHandle> foreground_calls;
  std::vector<WindowHandle> active_calls;
  std::vector<CursorShape> cursors;
  std::vector<std::uint16_t> control_words;
  WindowHandle capture = kNoWindow;
  int capture_releases = 0;
  // Create refuses every window while set.
  bool fail_create = false;

 private:
  Window* Find(WindowHandle window);
  std::map<WindowHandle, Window> windows_;
  std::vector<WindowHandle> created_;
  WindowHandle next_handle_ = 0x20000;
};

// Records every tray call; answers `answer`, false for a refused action.
class FakeTray : public Tray {
 public:
  bool Notify(std::uint32_t action, const TrayRecord& record) override {
    calls.push_back({action, record});
    return answer && refused_action != static_cast<std::int64_t>(action);
  }
  // A win::NIM_* action the system refuses (as it refuses adding an icon it already has).
  std::int64_t refused_action = -1;
  struct Call {
    std::uint32_t action;
    TrayRecord record;
  };
  std::vector<Call> calls;
  bool answer = true;
};

// Records every popup menu and answers with the queued choices (0 once they are used up).
class FakeMenus : public Menus {
 public:
  int TrackPopup(WindowHandle owner, const std::vector<MenuItem>& items, Point screen) override;
  struct Popup {
    WindowHandle owner;
    std::vector<MenuItem> items;
    Point screen;
    // The window last brought to the foreground when the menu popped up (kNoWindow for none).
    WindowHandle foreground = kNoWindow;
  };
  // The foreground requests of the windows (FakeSystem connects them).
  const std::vector<WindowHandle>* foreground_calls = nullptr;
  std::vector<Popup> popups;
  // Captions to choose, in order; an unknown caption or an empty queue dismisses the menu.
  std::deque<std::u16string> choices;
};

// Resources by name; every name absent unless put.
class FakeResources : public Resources {
 public:
  bool Load(const std::u16string& name, std::string* bytes) override;
  std::map<std::u16string, std::string> data;
  std::vector<std::u16string> loaded;
};

}  // namespace vkr::testing
