#include "sysinfo/cpu_probe.h"

#include <vector>

#include "common/text.h"
#include "platform/clock.h"
#include "platform/registry.h"
#include "platform/scoped_reg_key.h"
#include "platform/win_constants.h"

namespace vkr {

const char16_t kCentralProcessorKey[] = u"Hardware\\Description\\System\\CentralProcessor\\0";

namespace {

constexpr std::int64_t kTickDelay = 10000;
constexpr std::uint32_t kSleepMilliseconds = 200;
constexpr std::uint32_t kMinimumSleepTicks = 5;

// One value of the processor key, opened read-only for the read; false when the key or the
// value is missing.
bool QueryProcessorValue(Registry& registry, const std::u16string& name, std::uint32_t* type,
                         std::vector<std::uint8_t>* data) {
  ScopedRegKey key(registry);
  return registry.OpenKey(win::HKEY_LOCAL_MACHINE, kCentralProcessorKey, win::KEY_READ, key.out()) ==
             win::ERROR_SUCCESS &&
         registry.QueryValue(key.get(), name, type, data) == win::ERROR_SUCCESS;
}

// One pass of the tick measurement; false when the counter cannot be read.
bool RunTickPass(Machine& machine, std::int64_t delay, std::int64_t frequency, MhzPass* pass) {
  std::int64_t start = 0;
  if (!machine.PerformanceCounter(&start)) return false;
  const std::int32_t priority = machine.GetCurrentThreadPriority();
  const bool raised = priority != win::THREAD_PRIORITY_ERROR_RETURN &&
                      machine.SetCurrentThreadPriority(win::THREAD_PRIORITY_TIME_CRITICAL);
  bool counter_ok = true;
  std::int64_t now = start;
  std::uint64_t stamp0 = 0;
  // The first spin ends on a counter tick, so the measured spin starts on one.
  do {
    counter_ok = machine.PerformanceCounter(&now);
    stamp0 = machine.TimeStampCounter();
  } while (counter_ok && now - start < delay);
  start = now;
  std::uint64_t stamp1 = stamp0;
  while (counter_ok) {
    counter_ok = machine.PerformanceCounter(&now);
    stamp1 = machine.TimeStampCounter();
    if (now - start >= delay) break;
  }
  if (raised) machine.SetCurrentThreadPriority(priority);
  if (!counter_ok) return false;
  pass->cycles = static_cast<std::uint32_t>(stamp1) - static_cast<std::uint32_t>(stamp0);
  pass->microseconds = TicksToMicroseconds(now - start, frequency);
  return true;
}

}  // namespace

std::int32_t ReadRegistryMHz(Registry& registry) {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  if (!QueryProcessorValue(registry, u"~MHz", &type, &data) || type != win::REG_DWORD || data.size() != 4) return 0;
  return static_cast<std::int32_t>(data[0] | (data[1] << 8) | (data[2] << 16) | (std::uint32_t{data[3]} << 24));
}

std::int32_t MeasureMHzByTicks(Machine& machine, std::int64_t delay) {
  std::int64_t frequency = 0;
  if (!machine.PerformanceFrequency(&frequency)) return 0;
  bool counter_failed = false;
  const std::int32_t mhz = RunMhzPasses([&]() {
    MhzPass pass;
    if (!counter_failed && !RunTickPass(machine, delay, frequency, &pass)) counter_failed = true;
    return pass;
  });
  return counter_failed ? 0 : mhz;
}

std::int32_t MeasureMHzBySleep(Machine& machine, Clock& clock, std::uint32_t milliseconds) {
  const std::uint64_t tsc_start = machine.TimeStampCounter();
  std::int64_t counter_start = 0;
  if (!machine.PerformanceCounter(&counter_start)) return 0;
  const std::uint32_t ticks_start = clock.TickCount();
  clock.Sleep(milliseconds);
  while (clock.TickCount() - ticks_start < kMinimumSleepTicks) {
    // A sleep can come back early; the measured span is at least a few milliseconds.
  }
  const std::uint64_t tsc_end = machine.TimeStampCounter();
  std::int64_t counter_end = 0;
  std::int64_t frequency = 0;
  if (!machine.PerformanceCounter(&counter_end) || !machine.PerformanceFrequency(&frequency)) return 0;
  return MhzFromSleep(tsc_start, tsc_end, counter_start, counter_end, frequency);
}

std::int32_t GetCPUSpeedMHz(Machine& machine, Registry& registry, Clock& clock) {
  const std::int32_t recorded = ReadRegistryMHz(registry);
  if (recorded != 0) return recorded;
  const std::int32_t by_ticks = MeasureMHzByTicks(machine, kTickDelay);
  const std::int32_t by_sleep = MeasureMHzBySleep(machine, clock, kSleepMilliseconds);
  return by_sleep > by_ticks ? by_sleep : by_ticks;
}

std::u16string ReadProcessorName(Registry& registry) {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  if (!QueryProcessorValue(registry, u"ProcessorNameString", &type, &data)) return std::u16string();
  if (type != win::REG_SZ && type != win::REG_EXPAND_SZ) return std::u16string();
  return TextBeforeNul(FromUtf16LeBytes(data));
}

std::u16string BuildCPUSerial(Machine& machine, Clock& clock) {
  std::uint32_t process_mask = 0;
  std::uint32_t system_mask = 0;
  std::uint32_t pinned_mask = 0;
  bool restore = false;
  if (machine.GetProcessAffinity(&process_mask, &system_mask) &&
      AffinityMaskFor(0, machine.GetSystemInfo().number_of_processors, &pinned_mask) && pinned_mask != process_mask &&
      machine.SetProcessAffinity(pinned_mask)) {
    clock.Sleep(0);  // lets the scheduler move this thread onto the first processor
    restore = true;
  }
  const CpuidRegisters leaf1 = machine.Cpuid(1);
  if (restore) machine.SetProcessAffinity(process_mask);
  return FormatCPUSerial(leaf1);
}

TCPU ProbeCPU(Machine& machine, Registry& registry, Clock& clock) {
  TCPU cpu;
  if (!machine.CpuidAvailable()) return cpu;

  const CpuidRegisters leaf0 = machine.Cpuid(0);
  TopologyLeaves leaves;
  leaves.max_standard_leaf = leaf0.eax;
  cpu.Vendor = DetectVendor(leaf0);

  if (leaves.max_standard_leaf >= 1) leaves.leaf1 = machine.Cpuid(1);
  leaves.max_extended_leaf = machine.Cpuid(0x80000000u).eax;
  CpuidRegisters ext_leaf1;
  if (leaves.max_extended_leaf >= 0x80000001u) ext_leaf1 = machine.Cpuid(0x80000001u);
  cpu.InstructionSupport =
      DetectInstructionSupport(leaves.max_standard_leaf, leaves.leaf1, leaves.max_extended_leaf, ext_leaf1);
  if (HasInstruction(cpu.InstructionSupport, iSSE)) {
    cpu.InstructionSupport = ApplySseExecutionTest(cpu.InstructionSupport, machine.SseExecutes());
  }

  if (cpu.Vendor == cvAMD || cpu.Vendor == cvIntel) {
    if (cpu.Vendor == cvIntel && leaves.max_standard_leaf >= 4) leaves.leaf4 = machine.Cpuid(4);
    if (cpu.Vendor == cvAMD && leaves.max_extended_leaf >= 0x80000008u) leaves.ext_leaf8 = machine.Cpuid(0x80000008u);
    const Topology topology = DetectTopology(cpu.Vendor, leaves);
    cpu.CoresPerPackage = topology.cores_per_package;
    cpu.ThreadsPerCore = topology.threads_per_core;
  }

  cpu.Speed = GetCPUSpeedMHz(machine, registry, clock);
  cpu.ProcessorName = ReadProcessorName(registry);
  if (cpu.ProcessorName.empty()) cpu.ProcessorName = VendorName(cpu.Vendor);
  cpu.Serial = BuildCPUSerial(machine, clock);
  return cpu;
}

}  // namespace vkr
