// The processor rules as pure functions over raw CPUID values and counter readings: vendor,
// instruction sets, topology, clock arithmetic and the serial text.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/geometry.h"
#include "platform/machine.h"

namespace vkr {

enum TVendor : std::uint8_t {
  cvUnknown,
  cvAMD,
  cvCentaur,
  cvCyrix,
  cvIntel,
  cvTransmeta,
  cvNexGen,
  cvRise,
  cvUMC,
  cvNSC,
  cvSiS,
};

enum TInstructions : std::uint8_t { iFPU, iMMX, iSSE, iSSE2, iSSE3, iX64, iExMMX, iEx3DNow, i3DNow };

// A set of TInstructions: bit n stands for the member of value n.
using TInstructionSupport = std::uint16_t;
constexpr TInstructionSupport InstructionBit(TInstructions member) {
  return static_cast<TInstructionSupport>(1u << member);
}
constexpr bool HasInstruction(TInstructionSupport set, TInstructions member) {
  return (set & InstructionBit(member)) != 0;
}

// What the processor probe finds.
struct TCPU {
  TVendor Vendor = cvUnknown;
  std::u16string ProcessorName;
  TInstructionSupport InstructionSupport = 0;
  std::uint8_t CoresPerPackage = 0;
  std::uint8_t ThreadsPerCore = 0;
  std::int32_t Speed = 0;
  std::u16string Serial;
};

// The twelve-character identification string of each vendor (empty for cvUnknown) and the name
// used when the registry holds no processor name.
const char* VendorId(TVendor vendor);
const char16_t* VendorName(TVendor vendor);

// Leaf 0's identification string is the bytes of EBX, then EDX, then ECX.
TVendor DetectVendor(const CpuidRegisters& leaf0);

// The instruction sets of leaf 1 (when the highest standard leaf is at least 1) and of leaf
// 0x80000001 (when the highest extended leaf is at least 0x80000001).
TInstructionSupport DetectInstructionSupport(std::uint32_t max_standard_leaf, const CpuidRegisters& leaf1,
                                             std::uint32_t max_extended_leaf, const CpuidRegisters& ext_leaf1);
// The SSE members removed when the SSE execution test faulted.
TInstructionSupport ApplySseExecutionTest(TInstructionSupport set, bool sse_executes);

// The CPUID values the topology rules read.
struct TopologyLeaves {
  std::uint32_t max_standard_leaf = 0;
  std::uint32_t max_extended_leaf = 0;
  CpuidRegisters leaf1;
  CpuidRegisters leaf4;      // sub-leaf 0; read only when max_standard_leaf >= 4
  CpuidRegisters ext_leaf8;  // 0x80000008; read only when max_extended_leaf >= 0x80000008
};
struct Topology {
  std::uint8_t cores_per_package = 0;
  std::uint8_t threads_per_core = 0;
};
// Cores per package and threads per core for AMD and Intel; zeros for every other vendor.
Topology DetectTopology(TVendor vendor, const TopologyLeaves& leaves);

// "MMX", "SSE", "3DNow!", "X64" for those present, in that order, joined by ",".
std::u16string DescribeInstructions(TInstructionSupport set);

// Snaps the last two digits of a clock in MHz to the nearer of the steps 0, 20, 33, 50, 60, 66,
// 80, 90, 100, 133; a tie goes up.
std::int32_t NormalizeMHz(std::int32_t mhz);

// One pass of the tick-based clock measurement.
struct MhzPass {
  std::uint32_t cycles = 0;       // time-stamp counter advance, low 32 bits
  std::int64_t microseconds = 0;  // counter advance in microseconds
};
// The pass's own clock value: cycles per microsecond, or the cycles when no time passed.
std::int64_t MhzPassValue(const MhzPass& pass);
// True when each of the three values lies within one MHz of their mean.
bool MhzPassesSettled(std::int64_t x1, std::int64_t x2, std::int64_t x3);
// Runs 3 to 20 passes, stopping once the last three settle; the result is the normalised clock
// over all passes, or 0 when no time was measured. *passes_run tells how many ran.
std::int32_t RunMhzPasses(const std::function<MhzPass()>& run_pass, int* passes_run = nullptr);
// Counter ticks to microseconds, or 0 when the frequency's low 32 bits are 0.
std::int64_t TicksToMicroseconds(std::int64_t ticks, std::int64_t frequency);
// The clock over a sleep: time-stamp advance divided by elapsed seconds, in MHz, normalised; 0
// when the arithmetic fails (no frequency, no counter advance, a result out of range).
std::int32_t MhzFromSleep(std::uint64_t tsc_start, std::uint64_t tsc_end, std::int64_t counter_start,
                          std::int64_t counter_end, std::int64_t frequency);

// The affinity mask that pins the process to `target`: a target above count - 1 becomes 0.
// False when the target is 32 or more (the mask is left alone).
bool AffinityMaskFor(std::uint32_t target, std::uint32_t processor_count, std::uint32_t* mask);

// Leaf 1's registers as "%.8X-%.8X-%.8X-%.8X" (35 characters).
std::u16string FormatCPUSerial(const CpuidRegisters& leaf1);

// Bytes to MiB, integer division kept in 32 bits.
std::int32_t BytesToMiB(std::uint64_t bytes);

}  // namespace vkr
