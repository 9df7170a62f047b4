// The user interface of the process on GTK: message boxes (from any thread), the message loop,
// the synchronous call onto the GUI thread, popup menus and the program's embedded resources.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/menu.h"
#include "platform/resources.h"
#include "platform/ui.h"

namespace vkr::gtk {

class GtkWindows;

class GtkUi : public Ui {
 public:
  // The calling thread becomes the GUI thread.
  explicit GtkUi(GtkWindows* windows);
  ~GtkUi() override;
  GtkUi(const GtkUi&) = delete;
  GtkUi& operator=(const GtkUi&) = delete;

  // A GTK dialog with the buttons of `type` ("确定", "取消", ...), run modally on the GUI thread;
  // from a worker the call waits for it there. 0 when there is no display.
  int MessageBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                 std::uint32_t type) override;
  void RunMessageLoop() override;
  void Terminate() override;
  void SetMainWindow(WindowHandle window) override;
  WindowHandle MainWindow() override;
  void SetApplicationWindowText(const std::u16string& text) override;
  bool CallOnGuiThread(const std::function<void()>& call) override;
  // Initialises GTK on the display (once) and takes its events for the message loop's hook.
  void StartGui() override;

  bool OnGuiThread() const { return std::this_thread::get_id() == gui_thread_; }
  // True once GTK has a display; it is initialised on first need.
  bool EnsureGtk();

 private:
  int ShowMessageBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption, std::uint32_t type);

  GtkWindows* windows_;
  const std::thread::id gui_thread_;
  bool gtk_tried_ = false;
  bool gtk_ready_ = false;
  bool events_attached_ = false;
  std::atomic<bool> quit_requested_{false};
  std::atomic<WindowHandle> main_window_{kNoWindow};
  // Set when the message loop has ended: calls from workers are refused from then on.
  std::mutex gone_mutex_;
  std::condition_variable gone_changed_;
  bool gone_ = false;
};

// A GtkMenu at a screen point, run in a nested loop until it closes.
class GtkMenus : public Menus {
 public:
  int TrackPopup(WindowHandle owner, const std::vector<MenuItem>& items, Point screen) override;
};

// The pictures of the windows' forms, compiled into the program (the same files and names as the
// Windows program's RCDATA resources).
class EmbeddedResources : public Resources {
 public:
  bool Load(const std::u16string& name, std::string* bytes) override;
};

}  // namespace vkr::gtk
