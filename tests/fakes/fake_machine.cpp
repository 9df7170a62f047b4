#include "fakes/fake_machine.h"

#include <algorithm>
#include <cstring>

#include "common/text.h"
#include "platform/win_constants.h"

namespace vkr::testing {
namespace {

// Copies a recorded reply into the caller's buffer, as far as both reach.
void CopyReply(const std::vector<std::uint8_t>& reply, void* out, std::uint32_t out_size) {
  if (!out) return;
  std::memcpy(out, reply.data(), std::min<std::size_t>(reply.size(), out_size));
}

}  // namespace

bool FakeMachine::NewGuid(std::uint8_t out[16]) {
  if (guid_fails) return false;
  std::copy(guid.begin(), guid.end(), out);
  ++guids_made;
  return true;
}

std::vector<std::uint32_t> FakeMachine::ResolveHostIPv4(const std::u16string& host_name) {
  const auto it = hosts.find(host_name);
  return it == hosts.end() ? std::vector<std::uint32_t>() : it->second;
}

CpuidRegisters FakeMachine::Cpuid(std::uint32_t leaf) {
  cpuid_calls.push_back(leaf);
  if (leaf == 1) affinity_at_leaf1.push_back(process_affinity);
  const auto it = cpuid.find(leaf);
  return it == cpuid.end() ? CpuidRegisters() : it->second;
}

bool FakeMachine::SseExecutes() {
  ++sse_tests;
  return sse_executes;
}

std::uint64_t FakeMachine::TimeStampCounter() {
  const std::uint64_t value = time_stamp;
  time_stamp += time_stamp_step;
  return value;
}

bool FakeMachine::PerformanceCounter(std::int64_t* value) {
  if (counter_fails) return false;
  *value = counter;
  counter += counter_step;
  return true;
}

bool FakeMachine::PerformanceFrequency(std::int64_t* value) {
  if (frequency_fails) return false;
  *value = frequency;
  return true;
}

bool FakeMachine::SetCurrentThreadPriority(std::int32_t priority) {
  priority_sets.push_back(priority);
  thread_priority = priority;
  return true;
}

bool FakeMachine::GetProcessAffinity(std::uint32_t* process_mask, std::uint32_t* system_mask) {
  if (affinity_fails) return false;
  *process_mask = process_affinity;
  *system_mask = system_affinity;
  return true;
}

bool FakeMachine::SetProcessAffinity(std::uint32_t process_mask) {
  affinity_sets.push_back(process_mask);
  if (affinity_fails) return false;
  process_affinity = process_mask;
  return true;
}

bool FakeMachine::GlobalMemoryStatus(MemoryStatus* status) {
  ++memory_queries;
  if (memory_fails) return false;
  *status = memory;
  return true;
}

bool FakeMachine::GetVersionRecord(OsVersionRecord* record) {
  ++version_queries;
  if (version_fails) return false;
  *record = version;
  return true;
}

bool FakeMachine::GetProductInfo(std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t* product) {
  ++product_queries;
  if (!product_info_available) return false;
  *product = product_type;
  return true;
}

AdminMembership FakeMachine::CheckAdministratorsMembership() {
  ++membership_checks;
  return admin_membership;
}

bool FakeMachine::AdministratorsGroupAttributes(std::vector<std::uint32_t>* attributes) {
  ++group_reads;
  if (!group_attributes_ok) return false;
  *attributes = admin_group_attributes;
  return true;
}

DeviceHandle FakeMachine::OpenDevice(const std::u16string& path, std::uint32_t access, std::uint32_t share) {
  opens.push_back({path, access, share});
  if (devices.find(path) == devices.end()) return kNoDevice;
  const DeviceHandle handle = next_device_++;
  open_[handle] = path;
  return handle;
}

bool FakeMachine::DeviceControl(DeviceHandle handle, std::uint32_t code, const void* in, std::uint32_t in_size,
                                void* out, std::uint32_t out_size) {
  const auto open = open_.find(handle);
  if (open == open_.end()) return false;
  Control control{open->second, code, {}, out_size, in != nullptr && in == out};
  if (in) {
    const auto* bytes = static_cast<const std::uint8_t*>(in);
    control.input.assign(bytes, bytes + in_size);
  }
  controls.push_back(control);
  const Device& device = devices[open->second];
  switch (code) {
    case win::SMART_GET_VERSION:
      if (!device.smart_version_ok) return false;
      CopyReply(device.smart_version, out, out_size);
      return true;
    case win::SMART_RCV_DRIVE_DATA:
      if (!device.identify_ok) return false;
      CopyReply(device.identify_reply, out, out_size);
      return true;
    case win::IOCTL_STORAGE_QUERY_PROPERTY:
      if (!device.storage_ok) return false;
      CopyReply(device.storage_reply, out, out_size);
      return true;
    default:
      return false;
  }
}

void FakeMachine::CloseDevice(DeviceHandle device) { open_.erase(device); }

bool FakeMachine::AdapterAddresses(std::vector<std::vector<std::uint8_t>>* addresses) {
  ++adapter_reads;
  if (!adapters_ok) return false;
  *addresses = adapters;
  return true;
}

std::u16string FakeMachine::FromAnsiCodePage(const std::string& bytes) { return FromLatin1(bytes); }

bool FakeMachine::OsReleaseText(std::string* text) {
  if (!os_release) return false;
  *text = *os_release;
  return true;
}

bool FakeMachine::SystemDiskSerial(std::u16string* serial) {
  ++disk_serial_reads;
  if (!system_disk_serial) return false;
  *serial = *system_disk_serial;
  return true;
}

}  // namespace vkr::testing
