#include "sysinfo/sys_info.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "fakes/fake_system.h"
#include "platform/win_constants.h"
#include "sysinfo/cpu_probe.h"

namespace vkr {
namespace {

using testing::FakeSystem;

CpuidRegisters Leaf(std::uint32_t eax, std::uint32_t ebx, std::uint32_t ecx, std::uint32_t edx) {
  return CpuidRegisters{eax, ebx, ecx, edx};
}

// An Intel processor with MMX, SSE, SSE2, SSE3, x86-64 and hyper-threading: 4 cores, 8 threads.
void PutIntel(testing::FakeMachine& machine) {
  machine.cpuid[0] = Leaf(0xD, 0x756E6547u, 0x6C65746Eu, 0x49656E69u);  // "GenuineIntel"
  machine.cpuid[1] = Leaf(0x000306A9u, 0x00080800u, 0x7FBAE3FFu, 0xBFEBFBFFu);
  machine.cpuid[4] = Leaf(3u << 26, 0, 0, 0);
  machine.cpuid[0x80000000u] = Leaf(0x80000008u, 0, 0, 0);
  machine.cpuid[0x80000001u] = Leaf(0, 0, 1, 1u << 29);
}

void PutRecordedMHz(FakeSystem& system, std::uint32_t mhz) {
  system.registry.PutDword(win::HKEY_LOCAL_MACHINE, kCentralProcessorKey, u"~MHz", mhz);
}

TEST(TSysInfoTest, ProcessorFromCpuidAndRegistry) {
  FakeSystem system;
  PutIntel(system.machine);
  PutRecordedMHz(system, 2394);
  system.registry.PutString(win::HKEY_LOCAL_MACHINE, kCentralProcessorKey, u"ProcessorNameString",
                            u"       Intel(R) Core(TM) i7-3770 CPU @ 3.40GHz");
  TSysInfo info;
  EXPECT_EQ(info.CPUSpeed(), 2394);  // recorded, not snapped
  EXPECT_EQ(info.CPUName(), u"       Intel(R) Core(TM) i7-3770 CPU @ 3.40GHz");
  EXPECT_EQ(info.CPUCores(), 4);
  EXPECT_EQ(info.CPUThreadsPerCore(), 2);
  EXPECT_EQ(info.CPUSerial(), u"000306A9-00080800-7FBAE3FF-BFEBFBFF");
  EXPECT_EQ(info.SupportedInstructionsDescription(), u"MMX,SSE,X64");
  EXPECT_EQ(system.machine.sse_tests, 1);
  // With a recorded clock nothing is measured.
  EXPECT_TRUE(system.machine.priority_sets.empty());
  EXPECT_EQ(system.clock.sleeps, std::vector<std::uint32_t>{0});  // only the pinning's yield
  EXPECT_EQ(system.registry.open_keys(), 0);
}

TEST(TSysInfoTest, ProcessorProbeRunsOnce) {
  FakeSystem system;
  PutIntel(system.machine);
  PutRecordedMHz(system, 3400);
  TSysInfo info;
  info.CPUSerial();
  const std::size_t executions = system.machine.cpuid_calls.size();
  EXPECT_GT(executions, 0u);
  info.CPUName();
  info.CPUCores();
  info.CPUSpeed();
  info.CPUThreadsPerCore();
  info.SupportedInstructionsDescription();
  info.CPUSerial();
  EXPECT_EQ(system.machine.cpuid_calls.size(), executions);
  EXPECT_EQ(system.machine.sse_tests, 1);

  // Even a probe that found nothing is not repeated.
  FakeSystem bare;
  bare.machine.cpuid_available = false;
  TSysInfo empty;
  EXPECT_EQ(empty.CPUName(), u"");
  EXPECT_EQ(empty.CPUSerial(), u"");
  EXPECT_EQ(empty.SupportedInstructionsDescription(), u"");
  EXPECT_EQ(empty.CPUSpeed(), 0);
  EXPECT_EQ(empty.CPUCores(), 0);
  EXPECT_EQ(empty.CPUThreadsPerCore(), 0);
  bare.machine.cpuid_available = true;
  PutIntel(bare.machine);
  EXPECT_EQ(empty.CPUSerial(), u"");
  EXPECT_TRUE(bare.machine.cpuid_calls.empty());
}

TEST(TSysInfoTest, OtherVendorHasNoTopologyAndTheVendorName) {
  FakeSystem system;
  system.machine.cpuid[0] = Leaf(1, 0x746E6543u, 0x736C7561u, 0x48727561u);  // "CentaurHauls"
  system.machine.cpuid[1] = Leaf(0x6F8, 0x00080800u, 0, 1u << 23);
  PutRecordedMHz(system, 1600);
  TSysInfo info;
  EXPECT_EQ(info.CPUName(), u"Centaur (VIA)");
  EXPECT_EQ(info.CPUCores(), 0);
  EXPECT_EQ(info.CPUThreadsPerCore(), 0);
  EXPECT_EQ(info.SupportedInstructionsDescription(), u"MMX");
  EXPECT_EQ(system.machine.sse_tests, 0);  // no SSE bit, no execution test

  FakeSystem unknown;
  unknown.machine.cpuid[0] = Leaf(1, 0x6E756F4Eu, 0x6E6F4E65u, 0x21656E6Fu);
  PutRecordedMHz(unknown, 1600);
  TSysInfo other;
  EXPECT_EQ(other.CPUName(), u"Unknown");
}

TEST(TSysInfoTest, FaultingSseIsNotDescribed) {
  FakeSystem system;
  PutIntel(system.machine);
  system.machine.cpuid[0x80000001u] = Leaf(0, 0, 0, (1u << 29) | (1u << 31));
  system.machine.sse_executes = false;
  PutRecordedMHz(system, 2000);
  TSysInfo info;
  EXPECT_EQ(info.SupportedInstructionsDescription(), u"MMX,3DNow!,X64");
}

TEST(TSysInfoTest, SerialIsReadPinnedToTheFirstProcessor) {
  FakeSystem system;
  PutIntel(system.machine);
  PutRecordedMHz(system, 2000);
  system.machine.process_affinity = 0xF;
  system.machine.system_info.number_of_processors = 4;
  TSysInfo info;
  const std::u16string serial = info.CPUSerial();
  ASSERT_EQ(serial.size(), 35u);
  EXPECT_EQ(system.machine.affinity_sets, (std::vector<std::uint32_t>{0x1, 0xF}));
  EXPECT_EQ(system.machine.affinity_at_leaf1.back(), 0x1u);
  EXPECT_EQ(system.machine.process_affinity, 0xFu);
  EXPECT_EQ(system.clock.sleeps, std::vector<std::uint32_t>{0});

  // Already pinned: nothing to change or restore.
  FakeSystem pinned;
  PutIntel(pinned.machine);
  PutRecordedMHz(pinned, 2000);
  pinned.machine.process_affinity = 0x1;
  TSysInfo again;
  EXPECT_EQ(again.CPUSerial(), serial);
  EXPECT_TRUE(pinned.machine.affinity_sets.empty());
}

TEST(TSysInfoTest, MeasuresTheClockWithoutARecordedValue) {
  FakeSystem system;
  PutIntel(system.machine);
  // The key exists but holds no "~MHz": the clock is measured and the rest is still probed.
  system.registry.PutString(win::HKEY_LOCAL_MACHINE, kCentralProcessorKey, u"ProcessorNameString", u"Fake CPU");
  system.machine.thread_priority = 2;
  TSysInfo info;
  EXPECT_EQ(info.CPUSpeed(), 2400);
  EXPECT_EQ(info.CPUName(), u"Fake CPU");
  EXPECT_EQ(info.CPUSerial().size(), 35u);
  // Three settled passes, each at time-critical priority and restored after; then the sleep.
  EXPECT_EQ(system.machine.priority_sets, (std::vector<std::int32_t>{15, 2, 15, 2, 15, 2}));
  EXPECT_EQ(system.clock.sleeps.front(), 200u);
  EXPECT_EQ(system.registry.open_keys(), 0);
}

TEST(CpuSpeedTest, MeasurementRules) {
  {
    testing::FakeMachine machine;
    machine.thread_priority = win::THREAD_PRIORITY_ERROR_RETURN;
    EXPECT_EQ(MeasureMHzByTicks(machine, 10000), 2400);
    EXPECT_TRUE(machine.priority_sets.empty());  // an unreadable priority is not raised
  }
  {
    testing::FakeMachine machine;
    machine.frequency_fails = true;
    EXPECT_EQ(MeasureMHzByTicks(machine, 10000), 0);
  }
  {
    testing::FakeMachine machine;
    machine.counter_fails = true;
    EXPECT_EQ(MeasureMHzByTicks(machine, 10000), 0);
  }
  {
    // The sleep measurement wins when it is the higher one.
    FakeSystem system;
    system.machine.time_stamp_step = 266600;  // 2666 MHz per 1000 counter ticks at 10 MHz
    EXPECT_EQ(GetCPUSpeedMHz(system.machine, system.registry, system.clock), 2666);
    system.machine.frequency = 0;
    EXPECT_EQ(MeasureMHzBySleep(system.machine, system.clock, 200), 0);
  }
  {
    // A recorded value of another type is no recorded clock.
    FakeSystem system;
    system.registry.PutString(win::HKEY_LOCAL_MACHINE, kCentralProcessorKey, u"~MHz", u"2394");
    EXPECT_EQ(ReadRegistryMHz(system.registry), 0);
    PutRecordedMHz(system, 2394);
    EXPECT_EQ(ReadRegistryMHz(system.registry), 2394);
    EXPECT_EQ(system.registry.open_keys(), 0);
  }
}

TEST(TSysInfoTest, MemoryIsKeptAfterTheFirstSuccess) {
  FakeSystem system;
  system.machine.memory_fails = true;
  TSysInfo info;
  EXPECT_EQ(info.TotalPhysicalMemory(), 0);
  EXPECT_EQ(info.AvailablePhysicalMemory(), 0);
  EXPECT_EQ(system.machine.memory_queries, 2);  // a failed read is tried again
  system.machine.memory_fails = false;
  EXPECT_EQ(info.TotalPhysicalMemory(), 4095);  // 4 294 967 295 bytes
  EXPECT_EQ(info.AvailablePhysicalMemory(), 1024);
  system.machine.memory.available_physical = 0;
  EXPECT_EQ(info.AvailablePhysicalMemory(), 1024);  // not refreshed
  EXPECT_EQ(system.machine.memory_queries, 3);
}

TEST(TSysInfoTest, OSDescriptionIsKeptOnceKnown) {
  FakeSystem system;
  system.machine.version_fails = true;
  TSysInfo info;
  EXPECT_EQ(info.OSDescription(), u"");
  system.machine.version_fails = false;
  EXPECT_EQ(info.OSDescription(), u"Windows 7 Ultimate Edition Service Pack 1 X86");
  EXPECT_EQ(info.OSDescription(), u"Windows 7 Ultimate Edition Service Pack 1 X86");
  EXPECT_EQ(system.machine.version_queries, 2);
  EXPECT_EQ(system.machine.product_queries, 1);
}

TEST(TSysInfoTest, OSDescriptionProductCodeOnlyForVistaAndSeven) {
  struct Row {
    std::uint32_t major;
    std::uint32_t minor;
    bool product_available;
    std::uint32_t product;
    std::u16string text;
    int product_queries;
  };
  const Row rows[] = {
      {6, 1, true, 48, u"Windows 7 Professional Edition Service Pack 1 X86", 1},
      {6, 1, true, 0, u"Windows 7 Service Pack 1 X86", 1},
      {6, 1, false, 48, u"Windows 7 Service Pack 1 X86", 1},
      {6, 0, true, 6, u"Windows Vista Business Edition Service Pack 1 X86", 1},
      {5, 1, true, 48, u"Windows XP Professional Service Pack 1 X86", 0},
      {6, 2, true, 48, u"Unknown OS", 0},
  };
  for (const Row& row : rows) {
    FakeSystem system;
    system.machine.version.major = row.major;
    system.machine.version.minor = row.minor;
    system.machine.product_info_available = row.product_available;
    system.machine.product_type = row.product;
    TSysInfo info;
    EXPECT_EQ(info.OSDescription(), row.text) << ToUtf8(row.text);
    EXPECT_EQ(system.machine.product_queries, row.product_queries) << ToUtf8(row.text);
  }
}

TEST(TSysInfoTest, DiskSerialAndAdaptersAreReadOnEveryAccess) {
  FakeSystem system;
  system.machine.adapters = {{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, {0x00, 0x50, 0x56, 0xC0, 0x00, 0x08}};
  TSysInfo info;
  EXPECT_EQ(info.MacAddress(), u"00-1A-2B-3C-4D-5E,00-50-56-C0-00-08");
  system.machine.adapters.pop_back();
  EXPECT_EQ(info.MacAddress(), u"00-1A-2B-3C-4D-5E");
  EXPECT_EQ(system.machine.adapter_reads, 2);

  EXPECT_EQ(info.HDDSerial(), u"");
  const std::size_t opens = system.machine.opens.size();
  EXPECT_EQ(opens, 48u);
  EXPECT_EQ(info.HDDSerial(), u"");
  EXPECT_EQ(system.machine.opens.size(), 2 * opens);
}

TEST(TSysInfoTest, ASystemThatDescribesItselfIsNotAskedTheWindowsWay) {
  FakeSystem system;
  system.machine.os_release = "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n";
  system.machine.system_info.processor_architecture = win::PROCESSOR_ARCHITECTURE_AMD64;
  system.machine.system_disk_serial = u"WD-WCC4N1234567";
  system.machine.adapters = {{0x02, 0xFC, 0x00, 0x00, 0x00, 0x01}};
  TSysInfo info;
  EXPECT_EQ(info.OSDescription(), u"Debian GNU/Linux 12 (bookworm) X64");
  EXPECT_EQ(system.machine.version_queries, 0);
  EXPECT_EQ(system.machine.product_queries, 0);
  EXPECT_EQ(info.HDDSerial(), u"WD-WCC4N1234567");
  // Read afresh on every access, and no drive is opened for it.
  system.machine.system_disk_serial = u"";
  EXPECT_EQ(info.HDDSerial(), u"");
  EXPECT_EQ(system.machine.disk_serial_reads, 2);
  EXPECT_TRUE(system.machine.opens.empty());
  // The fingerprint takes the pieces as on Windows.
  EXPECT_EQ(info.MacAddress(), u"02-FC-00-00-00-01");
}

TEST(TSysInfoTest, NothingFoundWithoutAMachine) {
  System saved = Sys();
  InstallSystem(System());
  TSysInfo info;
  EXPECT_EQ(info.CPUSerial(), u"");
  EXPECT_EQ(info.HDDSerial(), u"");
  EXPECT_EQ(info.MacAddress(), u"");
  EXPECT_EQ(info.OSDescription(), u"");
  EXPECT_EQ(info.TotalPhysicalMemory(), 0);
  InstallSystem(saved);
}

}  // namespace
}  // namespace vkr
