// Helpers of the adapter tests that run under Wine. Portable declarations, so that a test file
// that needs no Windows header can keep the core's constants (platform/win_constants.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/system.h"

namespace vkr::testing {

// A new, empty folder under the system's temporary folder, removed with its contents at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  // The folder with its trailing separator.
  const std::u16string& path() const { return path_; }

 private:
  std::u16string path_;
};

// Removes a file or a folder with everything below it; true when nothing is left.
bool RemoveTree(const std::u16string& path);

// Polls the condition every few milliseconds, dispatching the calling thread's messages meanwhile,
// until it holds or the time-out has passed. Returns the condition's last value.
bool WaitUntil(const std::function<bool()>& condition, std::uint32_t timeout_ms);

// The real adapters (without the UI) installed as the process's system for the lifetime of the
// object; the previous system is restored afterwards.
class ScopedWin32System {
 public:
  ScopedWin32System();
  ~ScopedWin32System();
  ScopedWin32System(const ScopedWin32System&) = delete;
  ScopedWin32System& operator=(const ScopedWin32System&) = delete;

 private:
  struct Adapters;
  std::unique_ptr<Adapters> adapters_;
  System previous_;
};

// True when this 32-bit process runs on a 64-bit system (a 64-bit Wine prefix).
bool RunsUnderWow64();
// The process's ANSI code page (936 under a Chinese locale).
unsigned AnsiCodePage();
// Writes a shell link at `link` that points to `target`; false on any failure.
bool CreateShortcut(const std::u16string& link, const std::u16string& target);
// The folder of the test program, with its trailing separator.
std::u16string TestProgramFolder();
// Reads a whole file's bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::u16string& path);
// Creates or replaces a file with the bytes.
bool WriteWholeFile(const std::u16string& path, const std::string& bytes);

}  // namespace vkr::testing
