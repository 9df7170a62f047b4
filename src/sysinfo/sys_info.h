// The probe of the machine the launcher runs on: processor, memory, operating system, the first
// physical drive's serial and the network adapter addresses. The statistics manager owns one and
// builds the machine fingerprint from CPUSerial, HDDSerial and MacAddress.
#pragma once

#include <cstdint>
#include <string>

namespace vkr {

// Reaches the machine through Sys().machine (and the processor key through Sys().registry).
// Processor figures are probed once, on the first read of any of them; memory figures are kept
// after the first successful read; the OS description once it is non-empty; the disk serial and
// the adapter addresses are read afresh on every access. No member throws or shows anything.
// One instance is used from one thread at a time.
class TSysInfo {
 public:
  TSysInfo() = default;

  std::u16string HDDSerial();
  std::u16string CPUName();
  std::uint8_t CPUCores();
  std::u16string CPUSerial();
  std::int32_t CPUSpeed();
  std::uint8_t CPUThreadsPerCore();
  std::int32_t TotalPhysicalMemory();
  std::int32_t AvailablePhysicalMemory();
  std::u16string OSDescription();
  std::u16string SupportedInstructionsDescription();
  std::u16string MacAddress();

 private:
  void LoadCPUInfo();
  void LoadMemoryInfo();

  bool FCpuInit = false;
  bool FMemoryInit = false;
  std::u16string FCPUName;
  std::uint8_t FCPUCores = 0;
  std::int32_t FCPUSpeed = 0;
  std::uint8_t FCPUThreadsPerCore = 0;
  std::int32_t FTotalPhysicalMemory = 0;
  std::int32_t FAvailablePhysicalMemory = 0;
  std::u16string FOSDescription;
  std::u16string FSupportedInstructionsDescription;
  std::u16string FCPUSerial;
};

}  // namespace vkr
