#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vkr {

struct ProcessEntry {
  std::uint32_t process_id = 0;
  std::u16string exe_file;  // the snapshot's file name (szExeFile)
};

struct ProcessStart {
  std::u16string command_line;  // passed as CreateProcessW's command line, no application name
  std::uint32_t creation_flags = 0;
  bool hidden = false;  // STARTF_USESHOWWINDOW with SW_HIDE
  // The new process's current folder; empty inherits the launcher's.
  std::u16string current_directory;
};

// Processes. Abstract so that tests can record starts and replay snapshots. Never throws.
class Processes {
 public:
  virtual ~Processes() = default;

  // The command-line parameters after the program name, split as the runtime splits them.
  virtual std::vector<std::u16string> Arguments() = 0;
  // Starts a process (inherited environment, no handle inheritance) and closes its handles at
  // once; false when it could not be started.
  virtual bool Start(const ProcessStart& start) = 0;
  // The running processes; false when no snapshot could be taken.
  virtual bool Snapshot(std::vector<ProcessEntry>* entries) = 0;
  // Opens the process for termination and terminates it; false on any failure.
  virtual bool Terminate(std::uint32_t process_id, std::uint32_t exit_code) = 0;
  virtual std::uint32_t CurrentProcessId() = 0;
};

}  // namespace vkr
