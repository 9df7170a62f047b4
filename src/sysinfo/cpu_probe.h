// The processor probe: runs the CPUID, counter and registry reads behind the processor figures
// and applies the rules of cpu_rules.h to them.
#pragma once

#include <cstdint>
#include <string>

#include "sysinfo/cpu_rules.h"

namespace vkr {

class Clock;
class Registry;

// Where the processor name and the recorded clock live, under HKEY_LOCAL_MACHINE.
extern const char16_t kCentralProcessorKey[];

// Fills a TCPU; everything stays cleared when the processor has no CPUID.
TCPU ProbeCPU(Machine& machine, Registry& registry, Clock& clock);

// "~MHz" of the processor key, or 0 when the key or an integer value is missing.
std::int32_t ReadRegistryMHz(Registry& registry);
// The recorded clock when there is one, else the better of the two measurements.
std::int32_t GetCPUSpeedMHz(Machine& machine, Registry& registry, Clock& clock);
// Time-stamp cycles over spins of `delay` counter ticks, at time-critical priority.
std::int32_t MeasureMHzByTicks(Machine& machine, std::int64_t delay);
// Time-stamp cycles over a sleep of `milliseconds`.
std::int32_t MeasureMHzBySleep(Machine& machine, Clock& clock, std::uint32_t milliseconds);
// "ProcessorNameString" of the processor key as stored, or empty.
std::u16string ReadProcessorName(Registry& registry);
// Leaf 1 as text, executed with the process pinned to the first processor.
std::u16string BuildCPUSerial(Machine& machine, Clock& clock);

}  // namespace vkr
