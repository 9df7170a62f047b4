#include "sysinfo/cpu_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"

namespace vkr {
namespace {

// Leaf 0 as a processor reports the identification string: EBX, EDX, ECX, four bytes each.
CpuidRegisters IdLeaf(const char (&id)[13], std::uint32_t max_leaf = 0xD) {
  auto word = [&](int at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(id[at])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(id[at + 1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(id[at + 2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(id[at + 3])) << 24;
  };
  CpuidRegisters leaf;
  leaf.eax = max_leaf;
  leaf.ebx = word(0);
  leaf.edx = word(4);
  leaf.ecx = word(8);
  return leaf;
}

TEST(NormalizeMHzTest, SnapsTheLastTwoDigitsToTheNearerStep) {
  const std::int32_t rows[][2] = {{2394, 2390}, {2395, 2400}, {2670, 2666}, {2010, 2020}, {1599, 1600},
                                  {3000, 3000}, {1866, 1866}, {0, 0},       {99, 100},    {2133, 2133},
                                  {2141, 2133}, {2142, 2150}, {1025, 1020}, {1027, 1033}, {2063, 2066}};
  for (const auto& row : rows) EXPECT_EQ(NormalizeMHz(row[0]), row[1]) << row[0];
}

TEST(RoundHalfEvenTest, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(2400.4999), 2400);
  EXPECT_EQ(RoundHalfEven(2400.5001), 2401);
  EXPECT_EQ(RoundHalfEven(0.0), 0);
}

TEST(RunMhzPassesTest, StopsWhenTheLastThreePassesSettle) {
  struct Row {
    std::vector<std::int64_t> values;  // the pass values, MHz; the last one repeats
    int passes;
  };
  const Row rows[] = {
      {{2400, 2401, 2399}, 3},
      {{2400, 2402, 2398, 2400, 2400, 2400}, 6},  // goes on after 2400, 2402, 2398
      {{2400, 2410}, 20},                         // never settles: alternates below
      {{1000, 3000, 2400, 2400, 2400}, 5},
  };
  for (const Row& row : rows) {
    std::size_t next = 0;
    std::vector<std::int64_t> produced;
    int passes = 0;
    const std::int32_t mhz = RunMhzPasses(
        [&]() {
          std::int64_t value;
          if (row.values.size() == 2) {
            value = row.values[next % 2];
          } else {
            value = row.values[std::min(next, row.values.size() - 1)];
          }
          ++next;
          produced.push_back(value);
          return MhzPass{static_cast<std::uint32_t>(value * 1000), 1000};
        },
        &passes);
    EXPECT_EQ(passes, row.passes) << row.values[0] << ", " << row.values[1];
    std::int64_t sum = 0;
    for (const std::int64_t v : produced) sum += v;
    EXPECT_EQ(mhz, NormalizeMHz(static_cast<std::int32_t>(RoundHalfEven(static_cast<double>(sum) / passes))));
  }
}

TEST(RunMhzPassesTest, TotalsDecideTheResult) {
  // Pass values 2400, 2401 and 2399 settle; the totals give 7 200 000 cycles over 3000 us.
  const MhzPass passes[] = {{2400000, 1000}, {2401000, 1000}, {2399000, 1000}};
  int next = 0;
  EXPECT_EQ(RunMhzPasses([&]() { return passes[next++]; }), 2400);
  // No time measured: every pass value is its cycle count, the result is 0.
  int runs = 0;
  EXPECT_EQ(RunMhzPasses([]() { return MhzPass{2400, 0}; }, &runs), 0);
  EXPECT_EQ(runs, 3);
}

TEST(MhzPassValueTest, CyclesPerMicrosecondOrTheCycles) {
  EXPECT_EQ(MhzPassValue({2400500, 1000}), 2400);  // 2400.5 rounds to the even 2400
  EXPECT_EQ(MhzPassValue({2401500, 1000}), 2402);
  EXPECT_EQ(MhzPassValue({1234, 0}), 1234);
  EXPECT_TRUE(MhzPassesSettled(2400, 2401, 2399));
  EXPECT_FALSE(MhzPassesSettled(2400, 2402, 2398));
  EXPECT_TRUE(MhzPassesSettled(2400, 2400, 2401));
}

TEST(TicksToMicrosecondsTest, RoundsAndNeedsTheLowWordOfTheFrequency) {
  EXPECT_EQ(TicksToMicroseconds(10000, 10000000), 1000);
  EXPECT_EQ(TicksToMicroseconds(10000, 3579545), 2794);  // 2793.65...
  EXPECT_EQ(TicksToMicroseconds(10000, 0), 0);
  EXPECT_EQ(TicksToMicroseconds(10000, std::int64_t{1} << 32), 0);
}

TEST(MhzFromSleepTest, CyclesOverSecondsNormalised) {
  EXPECT_EQ(MhzFromSleep(1000, 1000 + 479000000, 0, 2000000, 10000000), 2400);  // 2395 MHz: a tie goes up
  EXPECT_EQ(MhzFromSleep(0, 480000000, 5, 2000005, 10000000), 2400);
  EXPECT_EQ(MhzFromSleep(0, 480000000, 0, 2000000, 0), 0);
  EXPECT_EQ(MhzFromSleep(0, 480000000, 7, 7, 10000000), 0);
}

TEST(DetectVendorTest, MatchesAllTwelveBytes) {
  struct Row {
    const char (&id)[13];
    TVendor vendor;
  };
  const Row rows[] = {
      {"AuthenticAMD", cvAMD},      {"CentaurHauls", cvCentaur},   {"CyrixInstead", cvCyrix},
      {"GenuineIntel", cvIntel},    {"GenuineTMx86", cvTransmeta}, {"NexGenDriven", cvNexGen},
      {"RiseRiseRise", cvRise},     {"UMC UMC UMC ", cvUMC},       {"Geode by NSC", cvNSC},
      {"SiS SiS SiS ", cvSiS},      {"GenuineIntex", cvUnknown},   {"genuineintel", cvUnknown},
      {"UMC UMC UMC\0", cvUnknown}, {"            ", cvUnknown},
  };
  for (const Row& row : rows) EXPECT_EQ(DetectVendor(IdLeaf(row.id)), row.vendor) << row.id;
  EXPECT_EQ(std::u16string(VendorName(cvNSC)), u"National Semiconductor");
  EXPECT_EQ(std::u16string(VendorName(cvUnknown)), u"Unknown");
  EXPECT_EQ(std::u16string(VendorName(cvCentaur)), u"Centaur (VIA)");
}

TEST(DetectInstructionSupportTest, ReadsTheBitsOfBothLeaves) {
  CpuidRegisters leaf1;
  leaf1.edx = (1u << 0) | (1u << 23) | (1u << 25) | (1u << 26);
  leaf1.ecx = 1u << 0;
  CpuidRegisters ext1;
  ext1.edx = (1u << 29) | (1u << 22) | (1u << 30) | (1u << 31);
  const TInstructionSupport all = DetectInstructionSupport(1, leaf1, 0x80000001u, ext1);
  EXPECT_EQ(all, 0x1FF);
  // Leaves beyond the highest one are not looked at.
  EXPECT_EQ(DetectInstructionSupport(0, leaf1, 0x80000001u, ext1),
            InstructionBit(iX64) | InstructionBit(iExMMX) | InstructionBit(iEx3DNow) | InstructionBit(i3DNow));
  EXPECT_EQ(DetectInstructionSupport(1, leaf1, 0x80000000u, ext1), 0x1F);
  CpuidRegisters sse2_only;
  sse2_only.edx = 1u << 26;
  EXPECT_EQ(DetectInstructionSupport(1, sse2_only, 0, ext1), InstructionBit(iSSE2));

  EXPECT_EQ(ApplySseExecutionTest(all, true), all);
  EXPECT_EQ(ApplySseExecutionTest(all, false),
            all & ~(InstructionBit(iSSE) | InstructionBit(iSSE2) | InstructionBit(iSSE3)));
}

TEST(DescribeInstructionsTest, NamesFourMembersInOrder) {
  const TInstructionSupport four =
      InstructionBit(iMMX) | InstructionBit(iSSE) | InstructionBit(i3DNow) | InstructionBit(iX64);
  EXPECT_EQ(DescribeInstructions(four), u"MMX,SSE,3DNow!,X64");
  EXPECT_EQ(DescribeInstructions(ApplySseExecutionTest(four, false)), u"MMX,3DNow!,X64");
  EXPECT_EQ(DescribeInstructions(0), u"");
  // The other members are detected but never named.
  EXPECT_EQ(DescribeInstructions(InstructionBit(iFPU) | InstructionBit(iSSE2) | InstructionBit(iSSE3) |
                                 InstructionBit(iExMMX) | InstructionBit(iEx3DNow)),
            u"");
  EXPECT_EQ(DescribeInstructions(InstructionBit(iX64) | InstructionBit(iSSE)), u"SSE,X64");
}

TEST(DetectTopologyTest, AmdAndIntelRules) {
  struct Row {
    const char* what;
    TVendor vendor;
    TopologyLeaves leaves;
    int cores;
    int threads;
  };
  auto leaves = [](std::uint32_t max_std, std::uint32_t max_ext, std::uint32_t leaf1_ebx, std::uint32_t leaf1_edx,
                   std::uint32_t leaf4_eax, std::uint32_t ext8_ecx) {
    TopologyLeaves l;
    l.max_standard_leaf = max_std;
    l.max_extended_leaf = max_ext;
    l.leaf1.ebx = leaf1_ebx;
    l.leaf1.edx = leaf1_edx;
    l.leaf4.eax = leaf4_eax;
    l.ext_leaf8.ecx = ext8_ecx;
    return l;
  };
  const std::uint32_t kHtt = 1u << 28;
  const Row rows[] = {
      {"AMD, 4 cores, 8 logical", cvAMD, leaves(1, 0x80000008u, 8u << 16, 0, 0, 3), 4, 2},
      {"AMD, field 255 wraps to one core", cvAMD, leaves(1, 0x80000008u, 4u << 16, 0, 0, 255), 1, 4},
      {"AMD, no leaf 0x80000008", cvAMD, leaves(1, 0x80000007u, 6u << 16, 0, 0, 3), 1, 6},
      {"AMD, logical field 0", cvAMD, leaves(1, 0x80000008u, 0, 0, 0, 1), 2, 0},
      {"AMD, no leaf 1", cvAMD, leaves(0, 0x80000001u, 8u << 16, 0, 0, 0), 1, 1},
      {"Intel without HTT", cvIntel, leaves(0xB, 0x80000008u, 16u << 16, 0, 7u << 26, 0), 1, 1},
      {"Intel, 4 cores, 8 logical", cvIntel, leaves(0xB, 0x80000008u, 8u << 16, kHtt, 3u << 26, 0), 4, 2},
      {"Intel below leaf 4", cvIntel, leaves(3, 0x80000008u, 2u << 16, kHtt, 3u << 26, 0), 1, 2},
      {"Intel, logical field 0", cvIntel, leaves(0xB, 0, 0, kHtt, 0, 0), 1, 1},
      {"Centaur", cvCentaur, leaves(0xB, 0x80000008u, 8u << 16, kHtt, 3u << 26, 3), 0, 0},
      {"Unknown", cvUnknown, leaves(0xB, 0x80000008u, 8u << 16, kHtt, 3u << 26, 3), 0, 0},
  };
  for (const Row& row : rows) {
    const Topology topology = DetectTopology(row.vendor, row.leaves);
    EXPECT_EQ(topology.cores_per_package, row.cores) << row.what;
    EXPECT_EQ(topology.threads_per_core, row.threads) << row.what;
  }
}

TEST(FormatCPUSerialTest, FourUpperCaseGroupsOfEight) {
  CpuidRegisters leaf1{0x000306A9u, 0x00100800u, 0x7FBAE3FFu, 0xBFEBFBFFu};
  EXPECT_EQ(FormatCPUSerial(leaf1), u"000306A9-00100800-7FBAE3FF-BFEBFBFF");
  EXPECT_EQ(FormatCPUSerial(CpuidRegisters()), u"00000000-00000000-00000000-00000000");
}

TEST(AffinityMaskForTest, PinsToTheTargetOrTheFirstProcessor) {
  std::uint32_t mask = 0;
  EXPECT_TRUE(AffinityMaskFor(0, 4, &mask));
  EXPECT_EQ(mask, 1u);
  EXPECT_TRUE(AffinityMaskFor(3, 4, &mask));
  EXPECT_EQ(mask, 8u);
  EXPECT_TRUE(AffinityMaskFor(4, 4, &mask));  // beyond the last processor
  EXPECT_EQ(mask, 1u);
  EXPECT_TRUE(AffinityMaskFor(31, 32, &mask));
  EXPECT_EQ(mask, 0x80000000u);
  mask = 77;
  EXPECT_FALSE(AffinityMaskFor(32, 64, &mask));
  EXPECT_EQ(mask, 77u);
}

TEST(BytesToMiBTest, IntegerDivision) {
  EXPECT_EQ(BytesToMiB(4294967295u), 4095);
  EXPECT_EQ(BytesToMiB(std::uint64_t{8} << 30), 8192);
  EXPECT_EQ(BytesToMiB(1048575), 0);
}

}  // namespace
}  // namespace vkr
