#pragma once

#include <vector>

#include "platform/processes.h"

namespace vkr::testing {

// Replays a process list and records starts and terminations. A terminated process leaves the
// list unless it is marked as one that survives termination.
class FakeProcesses : public Processes {
 public:
  std::vector<std::u16string> Arguments() override { return arguments; }
  bool Start(const ProcessStart& start) override;
  bool Snapshot(std::vector<ProcessEntry>* entries) override;
  bool Terminate(std::uint32_t process_id, std::uint32_t exit_code) override;
  std::uint32_t CurrentProcessId() override { return own_id; }

  std::vector<std::u16string> arguments;
  std::vector<ProcessStart> started;
  std::vector<ProcessEntry> running;
  std::vector<std::uint32_t> terminated;
  std::vector<std::uint32_t> unkillable;  // ids whose termination fails
  std::uint32_t own_id = 100;
  bool start_fails = false;
  bool snapshot_fails = false;
  int snapshots = 0;
};

}  // namespace vkr::testing
