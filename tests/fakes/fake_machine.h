#pragma once

#include <array>
#include <map>
#include <optional>
#include <vector>

#include "platform/machine.h"

namespace vkr::testing {

// Replays recorded machine values and records what was asked.
class FakeMachine : public Machine {
 public:
  bool NewGuid(std::uint8_t guid[16]) override;
  std::u16string ComputerName() override { return computer_name; }
  std::vector<std::uint32_t> ResolveHostIPv4(const std::u16string& host_name) override;

  bool CpuidAvailable() override { return cpuid_available; }
  CpuidRegisters Cpuid(std::uint32_t leaf) override;
  bool SseExecutes() override;
  std::uint64_t TimeStampCounter() override;
  bool PerformanceCounter(std::int64_t* value) override;
  bool PerformanceFrequency(std::int64_t* value) override;
  std::int32_t GetCurrentThreadPriority() override { return thread_priority; }
  bool SetCurrentThreadPriority(std::int32_t priority) override;
  bool GetProcessAffinity(std::uint32_t* process_mask, std::uint32_t* system_mask) override;
  bool SetProcessAffinity(std::uint32_t process_mask) override;
  SystemInfo GetSystemInfo() override { return system_info; }
  bool GlobalMemoryStatus(MemoryStatus* status) override;
  bool GetVersionRecord(OsVersionRecord* record) override;
  bool GetProductInfo(std::uint32_t major, std::uint32_t minor, std::uint32_t service_pack_major,
                      std::uint32_t service_pack_minor, std::uint32_t* product_type) override;
  std::uint32_t GetVersion() override { return windows_version; }
  AdminMembership CheckAdministratorsMembership() override;
  bool AdministratorsGroupAttributes(std::vector<std::uint32_t>* attributes) override;
  DeviceHandle OpenDevice(const std::u16string& path, std::uint32_t access, std::uint32_t share) override;
  bool DeviceControl(DeviceHandle device, std::uint32_t code, const void* in, std::uint32_t in_size, void* out,
                     std::uint32_t out_size) override;
  void CloseDevice(DeviceHandle device) override;
  bool AdapterAddresses(std::vector<std::vector<std::uint8_t>>* addresses) override;
  // Each byte one code unit (Latin-1), which keeps ASCII serials as they are.
  std::u16string FromAnsiCodePage(const std::string& bytes) override;
  bool OsReleaseText(std::string* text) override;
  bool SystemDiskSerial(std::u16string* serial) override;

  // --- Identity ---
  bool guid_fails = false;
  std::array<std::uint8_t, 16> guid{0x78, 0x56, 0x34, 0x12, 0x34, 0x12, 0x78, 0x56,
                                    0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78};
  int guids_made = 0;
  std::u16string computer_name = u"PLAYER-PC";
  std::map<std::u16string, std::vector<std::uint32_t>> hosts;  // name -> addresses

  // --- Processor ---
  bool cpuid_available = true;
  std::map<std::uint32_t, CpuidRegisters> cpuid;  // by leaf; a missing leaf reads as zeros
  std::vector<std::uint32_t> cpuid_calls;         // leaves in execution order
  std::vector<std::uint32_t> affinity_at_leaf1;   // the process mask at each leaf-1 execution
  bool sse_executes = true;
  int sse_tests = 0;
  // Each read of a counter returns its value and then advances it by its step: with the defaults
  // both clock measurements find 2400 MHz.
  std::uint64_t time_stamp = 0;
  std::uint64_t time_stamp_step = 240000;
  std::int64_t counter = 0;
  std::int64_t counter_step = 1000;
  std::int64_t frequency = 10000000;
  bool counter_fails = false;
  bool frequency_fails = false;
  std::int32_t thread_priority = 0;
  std::vector<std::int32_t> priority_sets;
  bool affinity_fails = false;
  std::uint32_t process_affinity = 0x3;
  std::uint32_t system_affinity = 0x3;
  std::vector<std::uint32_t> affinity_sets;
  SystemInfo system_info{0, 2};

  // --- Memory and OS ---
  bool memory_fails = false;
  MemoryStatus memory{4294967295u, 1073741824u};
  int memory_queries = 0;
  bool version_fails = false;
  OsVersionRecord version{6, 1, 7601, 2, u"Service Pack 1", 1, 0, 0x0100, 1};
  int version_queries = 0;
  bool product_info_available = true;
  std::uint32_t product_type = 1;
  int product_queries = 0;
  std::uint32_t windows_version = (7601u << 16) | (1u << 8) | 6u;  // GetVersion of 6.1.7601

  // --- Administrator membership ---
  AdminMembership admin_membership = AdminMembership::kMember;
  int membership_checks = 0;
  bool group_attributes_ok = true;
  std::vector<std::uint32_t> admin_group_attributes;
  int group_reads = 0;

  // --- Devices ---
  struct Device {
    bool smart_version_ok = true;
    std::vector<std::uint8_t> smart_version = std::vector<std::uint8_t>(24, 0);  // GETVERSIONINPARAMS
    bool identify_ok = true;
    std::vector<std::uint8_t> identify_reply;  // SENDCMDOUTPARAMS
    bool storage_ok = true;
    std::vector<std::uint8_t> storage_reply;  // STORAGE_DEVICE_DESCRIPTOR
  };
  std::map<std::u16string, Device> devices;  // by path; other paths do not open
  struct Open {
    std::u16string path;
    std::uint32_t access;
    std::uint32_t share;
  };
  std::vector<Open> opens;
  struct Control {
    std::u16string path;
    std::uint32_t code;
    std::vector<std::uint8_t> input;  // the in_size bytes as they were sent
    std::uint32_t out_size;
    bool same_buffer;
  };
  std::vector<Control> controls;
  int open_devices() const { return static_cast<int>(open_.size()); }

  // --- The system's own terms (Linux); unset, the machine answers the Windows way ---
  std::optional<std::string> os_release;
  std::optional<std::u16string> system_disk_serial;
  int disk_serial_reads = 0;

  // --- Adapters ---
  bool adapters_ok = true;
  std::vector<std::vector<std::uint8_t>> adapters;
  int adapter_reads = 0;

 private:
  std::map<DeviceHandle, std::u16string> open_;
  DeviceHandle next_device_ = 1;
};

}  // namespace vkr::testing
