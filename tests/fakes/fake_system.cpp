#include "fakes/fake_system.h"

#include "common/public_config.h"

namespace vkr::testing {

FakeSystem::FakeSystem() : previous_(Sys()) {
  System system;
  system.registry = &registry;
  system.profile = &profile;
  system.files = &files;
  system.shell = &shell;
  system.processes = &processes;
  system.http = &http;
  system.clock = &clock;
  system.machine = &machine;
  system.ui = &ui;
  system.threads = &threads;
  system.graphics = &graphics;
  system.browsers = &browsers;
  system.windows = &windows;
  system.tray = &tray;
  system.menus = &menus;
  menus.foreground_calls = &windows.foreground_calls;
  system.resources = &resources;
  InstallSystem(system);
  ResetConfigForTesting();
  files.PutFile(files.module_path, "MZ launcher");
}

void FakeSystem::UseDesktop() {
  desktop.terminated = &processes.terminated;
  System system = Sys();
  system.desktop = &desktop;
  InstallSystem(system);
}

FakeSystem::~FakeSystem() {
  ResetConfigForTesting();
  InstallSystem(previous_);
}

}  // namespace vkr::testing
