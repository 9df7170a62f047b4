// Processes: the command line, CreateProcessW, the ToolHelp snapshot and termination.
#pragma once

#include "platform/processes.h"

namespace vkr::win32 {

class Win32Processes : public Processes {
 public:
  std::vector<std::u16string> Arguments() override;
  bool Start(const ProcessStart& start) override;
  bool Snapshot(std::vector<ProcessEntry>* entries) override;
  bool Terminate(std::uint32_t process_id, std::uint32_t exit_code) override;
  std::uint32_t CurrentProcessId() override;
};

}  // namespace vkr::win32
