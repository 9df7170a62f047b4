#pragma once

#include "platform/browser.h"
#include "platform/canvas.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/http.h"
#include "platform/machine.h"
#include "platform/menu.h"
#include "platform/processes.h"
#include "platform/profile_store.h"
#include "platform/registry.h"
#include "platform/resources.h"
#include "platform/shell.h"
#include "platform/threads.h"
#include "platform/tray.h"
#include "platform/ui.h"
#include "platform/window.h"

namespace vkr {

// One implementation of each system concern. The Win32 composition root installs the real
// adapters once at start-up; a test installs fakes for its own duration. The launcher's shared
// services are free functions, so they reach the system through Sys().
struct System {
  Registry* registry = nullptr;
  ProfileStore* profile = nullptr;
  Files* files = nullptr;
  Shell* shell = nullptr;
  Processes* processes = nullptr;
  Http* http = nullptr;
  Clock* clock = nullptr;
  Machine* machine = nullptr;
  Ui* ui = nullptr;
  Threads* threads = nullptr;
  Graphics* graphics = nullptr;
  BrowserFactory* browsers = nullptr;
  Windows* windows = nullptr;
  Tray* tray = nullptr;
  Menus* menus = nullptr;
  Resources* resources = nullptr;
  // The Linux desktop's conventions; null for the Windows ones, which the core follows itself.
  Desktop* desktop = nullptr;
};

// The installed system. Installing happens before any worker thread starts and while none runs.
System& Sys();
void InstallSystem(const System& system);

}  // namespace vkr
