#include "sysinfo/sys_info.h"

namespace vkr {

// The probes behind these accessors are filled in step by step; until then every figure reads as
// its "nothing found" value.

std::u16string TSysInfo::HDDSerial() { return std::u16string(); }

std::u16string TSysInfo::CPUName() {
  LoadCPUInfo();
  return FCPUName;
}
std::uint8_t TSysInfo::CPUCores() {
  LoadCPUInfo();
  return FCPUCores;
}
std::u16string TSysInfo::CPUSerial() {
  LoadCPUInfo();
  return FCPUSerial;
}
std::int32_t TSysInfo::CPUSpeed() {
  LoadCPUInfo();
  return FCPUSpeed;
}
std::uint8_t TSysInfo::CPUThreadsPerCore() {
  LoadCPUInfo();
  return FCPUThreadsPerCore;
}
std::int32_t TSysInfo::TotalPhysicalMemory() {
  LoadMemoryInfo();
  return FTotalPhysicalMemory;
}
std::int32_t TSysInfo::AvailablePhysicalMemory() {
  LoadMemoryInfo();
  return FAvailablePhysicalMemory;
}
std::u16string TSysInfo::OSDescription() { return FOSDescription; }
std::u16string TSysInfo::SupportedInstructionsDescription() {
  LoadCPUInfo();
  return FSupportedInstructionsDescription;
}
std::u16string TSysInfo::MacAddress() { return std::u16string(); }

void TSysInfo::LoadCPUInfo() { FCpuInit = true; }
void TSysInfo::LoadMemoryInfo() {}

}  // namespace vkr
