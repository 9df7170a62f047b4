#pragma once

#include "fakes/fake_browser.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_files.h"
#include "fakes/fake_graphics.h"
#include "fakes/fake_http.h"
#include "fakes/fake_machine.h"
#include "fakes/fake_processes.h"
#include "fakes/fake_profile_store.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_shell.h"
#include "fakes/fake_threads.h"
#include "fakes/fake_ui.h"
#include "fakes/fake_windows.h"
#include "platform/system.h"

namespace vkr::testing {

// Every fake, installed as the process's system for the lifetime of the object, with the
// configuration and run-time values reset to their start values. Tests create one per test.
class FakeSystem {
 public:
  FakeSystem();
  ~FakeSystem();
  FakeSystem(const FakeSystem&) = delete;
  FakeSystem& operator=(const FakeSystem&) = delete;

  FakeFiles files;
  FakeRegistry registry;
  FakeProfileStore profile{files};
  FakeShell shell;
  FakeProcesses processes;
  FakeHttp http{files};
  FakeClock clock;
  FakeMachine machine;
  FakeUi ui;
  FakeThreads threads;
  FakeGraphics graphics;
  FakeBrowserFactory browsers;
  FakeWindows windows;
  FakeTray tray;
  FakeMenus menus;
  FakeResources resources;
  FakeDesktop desktop{files};

  // Installs the fake desktop: the shared helpers then follow the Linux desktop's conventions.
  // Without it (the default) they follow the Windows ones.
  void UseDesktop();

  // DataDir and lander.ini as the fake shell places them.
  static constexpr char16_t kDataDir[] = u"C:\\ProgramData\\Velqo\\vkr\\";
  static constexpr char16_t kConfigPath[] = u"C:\\ProgramData\\Velqo\\vkr\\lander.ini";

 private:
  System previous_;
};

}  // namespace vkr::testing
