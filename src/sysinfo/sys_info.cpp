#include "sysinfo/sys_info.h"

#include <optional>

#include "platform/system.h"
#include "sysinfo/adapter_address.h"
#include "sysinfo/cpu_probe.h"
#include "sysinfo/disk_serial.h"
#include "sysinfo/os_description.h"

namespace vkr {
namespace {

// The probe needs the machine, the registry and the clock; without all three it finds nothing.
bool SystemReady() { return Sys().machine && Sys().registry && Sys().clock; }

}  // namespace

std::u16string TSysInfo::HDDSerial() {
  if (!Sys().machine) return std::u16string();
  // A system that names its own disk's serial answers for itself; Windows is asked the drives.
  std::u16string serial;
  if (Sys().machine->SystemDiskSerial(&serial)) return serial;
  return ReadHDDSerial(*Sys().machine);
}

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

std::u16string TSysInfo::OSDescription() {
  if (!FOSDescription.empty() || !Sys().machine) return FOSDescription;
  Machine& machine = *Sys().machine;
  std::string release;
  if (machine.OsReleaseText(&release)) {
    FOSDescription = DescribeOsRelease(release, machine.GetSystemInfo().processor_architecture);
    return FOSDescription;
  }
  OsVersionRecord record;
  if (!machine.GetVersionRecord(&record)) return FOSDescription;
  std::optional<std::uint32_t> product_type;
  std::uint32_t code = 0;
  if (UsesProductCode(record) &&
      machine.GetProductInfo(record.major, record.minor, record.service_pack_major, record.service_pack_minor, &code)) {
    product_type = code;
  }
  FOSDescription = DescribeOS(record, product_type, machine.GetSystemInfo().processor_architecture);
  return FOSDescription;
}

std::u16string TSysInfo::SupportedInstructionsDescription() {
  LoadCPUInfo();
  return FSupportedInstructionsDescription;
}

std::u16string TSysInfo::MacAddress() { return Sys().machine ? ReadMacAddress(*Sys().machine) : std::u16string(); }

void TSysInfo::LoadCPUInfo() {
  if (FCpuInit) return;
  FCpuInit = true;
  if (!SystemReady()) return;
  const TCPU cpu = ProbeCPU(*Sys().machine, *Sys().registry, *Sys().clock);
  FCPUName = cpu.ProcessorName;
  FCPUCores = cpu.CoresPerPackage;
  FCPUSpeed = cpu.Speed;
  FCPUThreadsPerCore = cpu.ThreadsPerCore;
  FCPUSerial = cpu.Serial;
  FSupportedInstructionsDescription = DescribeInstructions(cpu.InstructionSupport);
}

void TSysInfo::LoadMemoryInfo() {
  if (FMemoryInit || !Sys().machine) return;
  MemoryStatus status;
  if (!Sys().machine->GlobalMemoryStatus(&status)) return;
  FTotalPhysicalMemory = BytesToMiB(status.total_physical);
  FAvailablePhysicalMemory = BytesToMiB(status.available_physical);
  FMemoryInit = true;
}

}  // namespace vkr
