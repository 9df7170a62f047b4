#include "fakes/fake_processes.h"

#include <algorithm>

namespace vkr::testing {

bool FakeProcesses::Start(const ProcessStart& start) {
  if (start_fails) return false;
  started.push_back(start);
  return true;
}

bool FakeProcesses::Snapshot(std::vector<ProcessEntry>* entries) {
  ++snapshots;
  if (snapshot_fails) return false;
  *entries = running;
  return true;
}

bool FakeProcesses::Terminate(std::uint32_t process_id, std::uint32_t /*exit_code*/) {
  terminated.push_back(process_id);
  if (std::find(unkillable.begin(), unkillable.end(), process_id) != unkillable.end()) return false;
  const auto before = running.size();
  running.erase(
      std::remove_if(running.begin(), running.end(), [&](const ProcessEntry& e) { return e.process_id == process_id; }),
      running.end());
  return running.size() != before;
}

}  // namespace vkr::testing
