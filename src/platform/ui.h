#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/types.h"

namespace vkr {

// The user interface of the process: message boxes, the message loop and the application
// object. Windows, canvases, pictures, menus and the tray are added by the window code.
// Abstract so that tests can answer boxes and record what was shown.
class Ui {
 public:
  virtual ~Ui() = default;

  // A modal message box (MessageBoxW). Safe from any thread: from a worker it blocks that worker
  // only. Returns the button pressed (win::IDOK, win::IDCANCEL, ...), 0 on failure.
  virtual int MessageBox(WindowHandle owner, const std::u16string& text, const std::u16string& caption,
                         std::uint32_t type) = 0;
  // Runs the GUI thread's message loop until Terminate is requested. Returns at once when the
  // application has no main window.
  virtual void RunMessageLoop() = 0;
  // Asks the GUI thread's message loop to end. Any thread: from a worker it is posted to the GUI
  // thread.
  virtual void Terminate() = 0;
  // Sets the window that is the application's main window (it owns the taskbar button).
  virtual void SetMainWindow(WindowHandle window) = 0;
  virtual WindowHandle MainWindow() = 0;
  // Sets the text of the hidden application window.
  virtual void SetApplicationWindowText(const std::u16string& text) = 0;
  // Runs `call` on the GUI thread and waits until it has returned. From the GUI thread itself it
  // runs at once. Returns false when the GUI thread has gone (the call was not run).
  virtual bool CallOnGuiThread(const std::function<void()>& call) = 0;
  // Makes the calling thread the GUI thread for windows (the component libraries, the hidden
  // application window). Called once, before the first window is created; the run modes that
  // show no window never pay for it. Message boxes work without it.
  virtual void StartGui() = 0;
};

}  // namespace vkr
