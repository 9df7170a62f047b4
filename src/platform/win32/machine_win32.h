// The machine adapter: identity (GUID, computer name, host addresses) and the hardware probes
// (CPUID, counters, priority and affinity, memory, version, administrator membership, physical
// drives, adapter list) through the processor's instructions and the Windows API.
#pragma once

#include <cstddef>

#include "platform/machine.h"

namespace vkr::win32 {

class Win32Machine : public Machine {
 public:
  bool NewGuid(std::uint8_t guid[16]) override;
  std::u16string ComputerName() override;
  std::vector<std::uint32_t> ResolveHostIPv4(const std::u16string& host_name) override;

  bool CpuidAvailable() override;
  CpuidRegisters Cpuid(std::uint32_t leaf) override;
  bool SseExecutes() override;
  std::uint64_t TimeStampCounter() override;
  bool PerformanceCounter(std::int64_t* value) override;
  bool PerformanceFrequency(std::int64_t* frequency) override;
  std::int32_t GetCurrentThreadPriority() override;
  bool SetCurrentThreadPriority(std::int32_t priority) override;
  bool GetProcessAffinity(std::uint32_t* process_mask, std::uint32_t* system_mask) override;
  bool SetProcessAffinity(std::uint32_t process_mask) override;
  SystemInfo GetSystemInfo() override;
  bool GlobalMemoryStatus(MemoryStatus* status) override;
  bool GetVersionRecord(OsVersionRecord* record) override;
  bool GetProductInfo(std::uint32_t major, std::uint32_t minor, std::uint32_t service_pack_major,
                      std::uint32_t service_pack_minor, std::uint32_t* product_type) override;
  std::uint32_t GetVersion() override;
  AdminMembership CheckAdministratorsMembership() override;
  bool AdministratorsGroupAttributes(std::vector<std::uint32_t>* attributes) override;
  DeviceHandle OpenDevice(const std::u16string& path, std::uint32_t access, std::uint32_t share) override;
  bool DeviceControl(DeviceHandle device, std::uint32_t code, const void* in, std::uint32_t in_size, void* out,
                     std::uint32_t out_size) override;
  void CloseDevice(DeviceHandle device) override;
  bool AdapterAddresses(std::vector<std::vector<std::uint8_t>>* addresses) override;
  std::u16string FromAnsiCodePage(const std::string& bytes) override;
  // Windows describes itself through the version record and its drives through the requests.
  bool OsReleaseText(std::string*) override { return false; }
  bool SystemDiskSerial(std::u16string*) override { return false; }
};

// Runs `probe`, a function whose first instruction is `length` bytes long and may fault, under a
// vectored exception handler: a fault of that instruction on this thread is skipped and reported
// as false. Any other exception passes on untouched. Serialised across threads.
bool RunsWithoutFault(void (*probe)(), std::size_t length);

// Probes for RunsWithoutFault: ANDPS XMM0, XMM0 (3 bytes), and UD2 (2 bytes), which always faults.
extern "C" void VkrSseProbe() asm("vkr_sse_probe");
extern "C" void VkrInvalidOpcodeProbe() asm("vkr_invalid_opcode_probe");
constexpr std::size_t kSseProbeLength = 3;
constexpr std::size_t kInvalidOpcodeProbeLength = 2;

}  // namespace vkr::win32
