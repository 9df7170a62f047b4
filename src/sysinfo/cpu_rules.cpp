#include "sysinfo/cpu_rules.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "common/text.h"

namespace vkr {
namespace {

struct VendorRow {
  const char* id;
  const char16_t* name;
};
// Indexed by TVendor.
constexpr VendorRow kVendors[] = {
    {"", u"Unknown"},
    {"AuthenticAMD", u"AMD"},
    {"CentaurHauls", u"Centaur (VIA)"},
    {"CyrixInstead", u"Cyrix"},
    {"GenuineIntel", u"Intel"},
    {"GenuineTMx86", u"Transmeta"},
    {"NexGenDriven", u"NexGen"},
    {"RiseRiseRise", u"Rise"},
    {"UMC UMC UMC ", u"UMC"},
    {"Geode by NSC", u"National Semiconductor"},
    {"SiS SiS SiS ", u"SiS"},
};
constexpr int kVendorCount = sizeof(kVendors) / sizeof(kVendors[0]);

constexpr std::int32_t kMhzSteps[] = {0, 20, 33, 50, 60, 66, 80, 90, 100, 133};

constexpr int kMinPasses = 3;
constexpr int kMaxPasses = 20;

bool Bit(std::uint32_t value, int bit) { return ((value >> bit) & 1u) != 0; }

// Bits 23..16 of leaf 1 EBX: the logical processors per package, 1 when the field is 0.
std::uint32_t LogicalProcessors(const CpuidRegisters& leaf1) {
  const std::uint32_t logical = (leaf1.ebx >> 16) & 0xFFu;
  return logical == 0 ? 1 : logical;
}

// A rounded value as a 32-bit clock, or 0 when it does not fit.
std::int32_t ClockOrZero(double mhz) {
  if (!std::isfinite(mhz) || mhz < 0 || mhz > std::numeric_limits<std::int32_t>::max()) return 0;
  return static_cast<std::int32_t>(RoundHalfEven(mhz));
}

}  // namespace

const char* VendorId(TVendor vendor) { return vendor < kVendorCount ? kVendors[vendor].id : ""; }

const char16_t* VendorName(TVendor vendor) {
  return vendor < kVendorCount ? kVendors[vendor].name : kVendors[cvUnknown].name;
}

TVendor DetectVendor(const CpuidRegisters& leaf0) {
  // Each register holds four characters, lowest byte first.
  char id[12];
  const std::uint32_t regs[3] = {leaf0.ebx, leaf0.edx, leaf0.ecx};
  for (int r = 0; r < 3; ++r) {
    for (int b = 0; b < 4; ++b) id[r * 4 + b] = static_cast<char>((regs[r] >> (8 * b)) & 0xFFu);
  }
  for (int vendor = cvSiS; vendor >= cvAMD; --vendor) {
    if (std::memcmp(id, kVendors[vendor].id, 12) == 0) return static_cast<TVendor>(vendor);
  }
  return cvUnknown;
}

TInstructionSupport DetectInstructionSupport(std::uint32_t max_standard_leaf, const CpuidRegisters& leaf1,
                                             std::uint32_t max_extended_leaf, const CpuidRegisters& ext_leaf1) {
  TInstructionSupport set = 0;
  if (max_standard_leaf >= 1) {
    if (Bit(leaf1.edx, 0)) set |= InstructionBit(iFPU);
    if (Bit(leaf1.edx, 23)) set |= InstructionBit(iMMX);
    if (Bit(leaf1.edx, 25)) set |= InstructionBit(iSSE);
    if (Bit(leaf1.edx, 26)) set |= InstructionBit(iSSE2);
    if (Bit(leaf1.ecx, 0)) set |= InstructionBit(iSSE3);
  }
  if (max_extended_leaf >= 0x80000001u) {
    if (Bit(ext_leaf1.edx, 29)) set |= InstructionBit(iX64);
    if (Bit(ext_leaf1.edx, 22)) set |= InstructionBit(iExMMX);
    if (Bit(ext_leaf1.edx, 30)) set |= InstructionBit(iEx3DNow);
    if (Bit(ext_leaf1.edx, 31)) set |= InstructionBit(i3DNow);
  }
  return set;
}

TInstructionSupport ApplySseExecutionTest(TInstructionSupport set, bool sse_executes) {
  if (sse_executes) return set;
  return static_cast<TInstructionSupport>(set &
                                          ~(InstructionBit(iSSE) | InstructionBit(iSSE2) | InstructionBit(iSSE3)));
}

Topology DetectTopology(TVendor vendor, const TopologyLeaves& leaves) {
  Topology topology;
  if (vendor == cvAMD) {
    std::uint32_t cores = 1;
    std::uint32_t logical = 1;
    if (leaves.max_standard_leaf > 0) logical = LogicalProcessors(leaves.leaf1);
    if (leaves.max_extended_leaf >= 0x80000008u) {
      cores = ((leaves.ext_leaf8.ecx & 0xFFu) + 1) & 0xFFu;  // 255 + 1 wraps to 0 in the 8-bit field
      if (cores == 0) cores = 1;
    }
    topology.cores_per_package = static_cast<std::uint8_t>(cores);
    topology.threads_per_core = static_cast<std::uint8_t>(logical / cores);
  } else if (vendor == cvIntel) {
    topology.cores_per_package = 1;
    topology.threads_per_core = 1;
    if (Bit(leaves.leaf1.edx, 28)) {
      const std::uint32_t cores = leaves.max_standard_leaf < 4 ? 1 : ((leaves.leaf4.eax >> 26) & 0x3Fu) + 1;
      const std::uint32_t logical = LogicalProcessors(leaves.leaf1);
      topology.cores_per_package = static_cast<std::uint8_t>(cores);
      topology.threads_per_core = static_cast<std::uint8_t>(logical / cores);
    }
  }
  return topology;
}

std::u16string DescribeInstructions(TInstructionSupport set) {
  struct Named {
    TInstructions member;
    const char16_t* name;
  };
  static constexpr Named kNamed[] = {{iMMX, u"MMX"}, {iSSE, u"SSE"}, {i3DNow, u"3DNow!"}, {iX64, u"X64"}};
  std::u16string text;
  for (const Named& named : kNamed) {
    if (!HasInstruction(set, named.member)) continue;
    if (!text.empty()) text += u",";
    text += named.name;
  }
  return text;
}

std::int32_t NormalizeMHz(std::int32_t mhz) {
  if (mhz < 0) return mhz;  // no step lies below a negative remainder
  const std::int32_t r = mhz % 100;
  std::size_t hi = 1;
  while (kMhzSteps[hi] <= r) ++hi;  // r < 100 = the ninth step, so this stops in range
  const std::int32_t lo_step = kMhzSteps[hi - 1];
  const std::int32_t hi_step = kMhzSteps[hi];
  const std::int64_t snapped =
      (r - lo_step < hi_step - r) ? std::int64_t{mhz} - (r - lo_step) : std::int64_t{mhz} + (hi_step - r);
  return snapped > std::numeric_limits<std::int32_t>::max() ? mhz : static_cast<std::int32_t>(snapped);
}

std::int64_t MhzPassValue(const MhzPass& pass) {
  if (pass.microseconds == 0) return pass.cycles;
  return RoundHalfEven(static_cast<double>(pass.cycles) / static_cast<double>(pass.microseconds));
}

bool MhzPassesSettled(std::int64_t x1, std::int64_t x2, std::int64_t x3) {
  const std::int64_t sum = x1 + x2 + x3;
  for (const std::int64_t x : {x1, x2, x3}) {
    const std::int64_t deviation = 3 * x - sum;
    if (deviation > 3 || deviation < -3) return false;
  }
  return true;
}

std::int32_t RunMhzPasses(const std::function<MhzPass()>& run_pass, int* passes_run) {
  std::uint64_t total_cycles = 0;
  std::int64_t total_microseconds = 0;
  std::int64_t values[3] = {0, 0, 0};  // the last three pass values, oldest first
  int passes = 0;
  while (passes < kMaxPasses) {
    const MhzPass pass = run_pass();
    total_cycles += pass.cycles;
    total_microseconds += pass.microseconds;
    values[0] = values[1];
    values[1] = values[2];
    values[2] = MhzPassValue(pass);
    ++passes;
    if (passes >= kMinPasses && MhzPassesSettled(values[0], values[1], values[2])) break;
  }
  if (passes_run) *passes_run = passes;
  if (total_microseconds <= 0) return 0;
  return NormalizeMHz(ClockOrZero(static_cast<double>(total_cycles) / static_cast<double>(total_microseconds)));
}

std::int64_t TicksToMicroseconds(std::int64_t ticks, std::int64_t frequency) {
  if ((static_cast<std::uint64_t>(frequency) & 0xFFFFFFFFu) == 0) return 0;
  return RoundHalfEven(static_cast<double>(ticks) * 1000000.0 / static_cast<double>(frequency));
}

std::int32_t MhzFromSleep(std::uint64_t tsc_start, std::uint64_t tsc_end, std::int64_t counter_start,
                          std::int64_t counter_end, std::int64_t frequency) {
  if (frequency == 0 || counter_end == counter_start) return 0;
  const double cycles = static_cast<double>(static_cast<std::int64_t>(tsc_end - tsc_start));
  const double seconds = static_cast<double>(counter_end - counter_start) / static_cast<double>(frequency);
  return NormalizeMHz(ClockOrZero(cycles / seconds / 1000000.0));
}

bool AffinityMaskFor(std::uint32_t target, std::uint32_t processor_count, std::uint32_t* mask) {
  if (target >= 32) return false;
  if (processor_count == 0 || target > processor_count - 1) target = 0;
  *mask = 1u << target;
  return true;
}

std::u16string FormatCPUSerial(const CpuidRegisters& leaf1) {
  return HexDigits(leaf1.eax, 8) + u'-' + HexDigits(leaf1.ebx, 8) + u'-' + HexDigits(leaf1.ecx, 8) + u'-' +
         HexDigits(leaf1.edx, 8);
}

std::int32_t BytesToMiB(std::uint64_t bytes) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes / 1048576u));
}

}  // namespace vkr
