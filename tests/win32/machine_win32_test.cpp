// The machine adapter against the real processor and system (run under Wine). Machine values
// differ from host to host, so these tests check shapes and agreement with a second source.
#include "platform/win32/machine_win32.h"

// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <winioctl.h>
// clang-format on

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <thread>

#include "common/text.h"
#include "platform/system.h"
#include "sysinfo/cpu_probe.h"
#include "sysinfo/cpu_rules.h"
#include "sysinfo/disk_serial.h"
#include "sysinfo/sys_info.h"
#include "win32/real_system.h"

namespace vkr::win32 {
namespace {

bool IsSerialPattern(const std::u16string& text) {
  if (text.size() != 35) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (i % 9 == 8) {
      if (c != u'-') return false;
    } else if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) {
      return false;
    }
  }
  return true;
}

// The physical addresses of the IPv4 adapters as a second API reports them.
std::set<std::u16string> AddressesFromAdapterAddresses() {
  std::set<std::u16string> result;
  ULONG size = 64 * 1024;
  std::vector<std::uint64_t> buffer(size / sizeof(std::uint64_t));
  auto* first = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
  if (::GetAdaptersAddresses(AF_INET, 0, nullptr, first, &size) != ERROR_SUCCESS) return result;
  for (const IP_ADAPTER_ADDRESSES* adapter = first; adapter; adapter = adapter->Next) {
    std::u16string text;
    for (ULONG i = 0; i < adapter->PhysicalAddressLength; ++i) {
      static const char16_t kDigits[] = u"0123456789ABCDEF";
      if (i) text += u'-';
      text += kDigits[adapter->PhysicalAddress[i] >> 4];
      text += kDigits[adapter->PhysicalAddress[i] & 0xF];
    }
    result.insert(text);
  }
  return result;
}

std::vector<std::u16string> Split(const std::u16string& text, char16_t separator) {
  std::vector<std::u16string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = text.find(separator, start);
    parts.push_back(text.substr(start, at == std::u16string::npos ? std::u16string::npos : at - start));
    if (at == std::u16string::npos) return parts;
    start = at + 1;
  }
}

TEST(Win32MachineTest, CpuidAndVendorString) {
  Win32Machine machine;
  ASSERT_TRUE(machine.CpuidAvailable());
  const CpuidRegisters leaf0 = machine.Cpuid(0);
  EXPECT_GE(leaf0.eax, 1u);
  char id[13] = {};
  std::memcpy(id, &leaf0.ebx, 4);
  std::memcpy(id + 4, &leaf0.edx, 4);
  std::memcpy(id + 8, &leaf0.ecx, 4);
  EXPECT_EQ(std::strlen(id), 12u);
  for (int i = 0; i < 12; ++i) EXPECT_TRUE(std::isprint(static_cast<unsigned char>(id[i]))) << id;
  // The processor this runs on has SSE (the leaf 1 bit) and the system lets it execute.
  EXPECT_NE(machine.Cpuid(1).edx & (1u << 25), 0u);
  EXPECT_TRUE(machine.SseExecutes());
  EXPECT_TRUE(machine.SseExecutes());
}

TEST(Win32MachineTest, GuardedFaultIsSkippedAndReported) {
  EXPECT_FALSE(RunsWithoutFault(VkrInvalidOpcodeProbe, kInvalidOpcodeProbeLength));
  // The guard is gone afterwards and can be set up again, also from another thread.
  EXPECT_FALSE(RunsWithoutFault(VkrInvalidOpcodeProbe, kInvalidOpcodeProbeLength));
  bool other_thread = true;
  std::thread([&]() { other_thread = RunsWithoutFault(VkrInvalidOpcodeProbe, kInvalidOpcodeProbeLength); }).join();
  EXPECT_FALSE(other_thread);
  EXPECT_TRUE(RunsWithoutFault(VkrSseProbe, kSseProbeLength));
}

TEST(Win32MachineTest, CountersPriorityAndAffinity) {
  Win32Machine machine;
  std::int64_t frequency = 0;
  ASSERT_TRUE(machine.PerformanceFrequency(&frequency));
  EXPECT_GT(frequency, 0);
  std::int64_t first = 0;
  std::int64_t second = 0;
  ASSERT_TRUE(machine.PerformanceCounter(&first));
  const std::uint64_t stamp = machine.TimeStampCounter();
  do {
    ASSERT_TRUE(machine.PerformanceCounter(&second));
  } while (second == first);
  EXPECT_GT(second, first);
  EXPECT_GT(machine.TimeStampCounter(), stamp);

  const std::int32_t priority = machine.GetCurrentThreadPriority();
  ASSERT_NE(priority, THREAD_PRIORITY_ERROR_RETURN);
  EXPECT_TRUE(machine.SetCurrentThreadPriority(priority));
  EXPECT_EQ(machine.GetCurrentThreadPriority(), priority);

  std::uint32_t process_mask = 0;
  std::uint32_t system_mask = 0;
  ASSERT_TRUE(machine.GetProcessAffinity(&process_mask, &system_mask));
  EXPECT_NE(process_mask, 0u);
  EXPECT_EQ(process_mask & ~system_mask, 0u);
  const SystemInfo info = machine.GetSystemInfo();
  EXPECT_GE(info.number_of_processors, 1u);
  EXPECT_EQ(info.processor_architecture, PROCESSOR_ARCHITECTURE_INTEL);  // the 32-bit view
}

TEST(Win32MachineTest, BothClockMeasurementsFindAClock) {
  Win32Machine machine;
  TickClock clock;
  EXPECT_GT(MeasureMHzByTicks(machine, 10000), 0);
  EXPECT_GT(MeasureMHzBySleep(machine, clock, 20), 0);
  EXPECT_EQ(machine.GetCurrentThreadPriority(), THREAD_PRIORITY_NORMAL);  // restored after each pass
}

TEST(Win32MachineTest, MemoryAndVersion) {
  Win32Machine machine;
  MemoryStatus memory;
  ASSERT_TRUE(machine.GlobalMemoryStatus(&memory));
  EXPECT_GT(memory.total_physical, 0u);
  EXPECT_LE(memory.available_physical, memory.total_physical);

  OsVersionRecord version;
  ASSERT_TRUE(machine.GetVersionRecord(&version));
  const DWORD packed = ::GetVersion();
  EXPECT_EQ(version.major, packed & 0xFF);
  EXPECT_EQ(version.minor, (packed >> 8) & 0xFF);
  EXPECT_EQ(machine.GetVersion(), packed);
  std::uint32_t product = 0;
  if (version.major >= 6) {
    EXPECT_TRUE(machine.GetProductInfo(version.major, version.minor, 0, 0, &product));
  }
}

TEST(Win32MachineTest, AdministratorMembership) {
  Win32Machine machine;
  // The Wine user is an administrator; both roads say so.
  EXPECT_EQ(machine.CheckAdministratorsMembership(), AdminMembership::kMember);
  std::vector<std::uint32_t> attributes;
  ASSERT_TRUE(machine.AdministratorsGroupAttributes(&attributes));
  EXPECT_TRUE(std::any_of(attributes.begin(), attributes.end(), IsEnabledGroup));
  EXPECT_TRUE(IsUserAdmin(machine));
}

TEST(Win32MachineTest, PhysicalDriveAnswersTheStorageQuery) {
  Win32Machine machine;
  const DeviceHandle drive = machine.OpenDevice(PhysicalDrivePath(0), 0, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_NE(drive, kNoDevice);
  const std::vector<std::uint8_t> query(kStorageQuerySize, 0);
  std::vector<std::uint8_t> reply(kStorageReplySize, 0);
  const bool answered =
      machine.DeviceControl(drive, IOCTL_STORAGE_QUERY_PROPERTY, query.data(), static_cast<std::uint32_t>(query.size()),
                            reply.data(), static_cast<std::uint32_t>(reply.size()));
  machine.CloseDevice(drive);
  ASSERT_TRUE(answered);
  // Wine's answer carries no serial offset, so the storage method moves on and finds nothing.
  const std::uint32_t offset = reply[24] | (reply[25] << 8) | (reply[26] << 16) | (std::uint32_t{reply[27]} << 24);
  EXPECT_EQ(offset, 0u);
  std::u16string serial;
  EXPECT_FALSE(ReadStorageSerial(machine, &serial));
  EXPECT_EQ(machine.OpenDevice(u"\\\\.\\PhysicalDrive99", 0, FILE_SHARE_READ), kNoDevice);
}

TEST(Win32MachineTest, AdapterList) {
  Win32Machine machine;
  std::vector<std::vector<std::uint8_t>> addresses;
  ASSERT_TRUE(machine.AdapterAddresses(&addresses));
  EXPECT_FALSE(addresses.empty());
  for (const auto& address : addresses) EXPECT_LE(address.size(), 8u);
}

TEST(Win32MachineTest, Identity) {
  Win32Machine machine;
  std::uint8_t first[16];
  std::uint8_t second[16];
  ASSERT_TRUE(machine.NewGuid(first));
  ASSERT_TRUE(machine.NewGuid(second));
  EXPECT_NE(std::memcmp(first, second, 16), 0);
  const std::u16string name = machine.ComputerName();
  EXPECT_FALSE(name.empty());
  EXPECT_LE(name.size(), 15u);
  const std::vector<std::uint32_t> loopback = machine.ResolveHostIPv4(u"localhost");
  const std::uint8_t expected[4] = {127, 0, 0, 1};
  std::uint32_t expected_value;
  std::memcpy(&expected_value, expected, 4);
  EXPECT_NE(std::find(loopback.begin(), loopback.end(), expected_value), loopback.end());
  EXPECT_TRUE(machine.ResolveHostIPv4(u"no-such-host.invalid").empty());
}

TEST(Win32SysInfoTest, RealProbe) {
  RealSystem system;
  TSysInfo info;
  const std::u16string serial = info.CPUSerial();
  EXPECT_TRUE(IsSerialPattern(serial)) << ToUtf8(serial);
  EXPECT_GT(info.CPUSpeed(), 0);
  EXPECT_FALSE(info.CPUName().empty());
  EXPECT_TRUE(Contains(info.SupportedInstructionsDescription(), u"SSE"));
  EXPECT_GT(info.TotalPhysicalMemory(), 0);
  EXPECT_GE(info.TotalPhysicalMemory(), info.AvailablePhysicalMemory());
  const std::u16string os = info.OSDescription();
  EXPECT_TRUE(StartsWith(os, u"Windows 7 ")) << ToUtf8(os);
  EXPECT_EQ(os.substr(os.size() - 4), u" X86") << ToUtf8(os);
  EXPECT_FALSE(Contains(os, u"  ")) << ToUtf8(os);
  EXPECT_EQ(info.CPUSerial(), serial);  // kept

  const std::u16string mac = info.MacAddress();
  const std::set<std::u16string> known = AddressesFromAdapterAddresses();
  ASSERT_FALSE(mac.empty());
  for (const std::u16string& group : Split(mac, u',')) {
    if (group.empty()) continue;
    EXPECT_TRUE(known.count(group)) << ToUtf8(group) << " in " << ToUtf8(mac);
  }

  // Wine answers the storage query with no serial; the read still returns, the same each time.
  const std::u16string disk = info.HDDSerial();
  EXPECT_EQ(info.HDDSerial(), disk);
  EXPECT_EQ(disk.find(u'\0'), std::u16string::npos);
}

// The real machine, noting the process's affinity as the system reports it whenever leaf 1 runs.
class AffinityAtLeaf1 : public Win32Machine {
 public:
  CpuidRegisters Cpuid(std::uint32_t leaf) override {
    if (leaf == 1) masks.push_back(ProcessAffinity());
    return Win32Machine::Cpuid(leaf);
  }
  static DWORD_PTR ProcessAffinity() {
    DWORD_PTR process = 0;
    DWORD_PTR system = 0;
    return ::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system) ? process : 0;
  }
  std::vector<DWORD_PTR> masks;
};

TEST(Win32SysInfoTest, TheSerialIsReadPinnedToTheFirstProcessorAndTheAffinityComesBack) {
  DWORD_PTR original = 0;
  DWORD_PTR system = 0;
  ASSERT_TRUE(::GetProcessAffinityMask(::GetCurrentProcess(), &original, &system));
  // Started on the second processor alone where there is one, so that the pin is a real move.
  const DWORD_PTR start = (system & 2) ? 2 : original;
  ASSERT_TRUE(::SetProcessAffinityMask(::GetCurrentProcess(), start));
  AffinityAtLeaf1 machine;
  TickClock clock;
  const std::u16string serial = BuildCPUSerial(machine, clock);
  const DWORD_PTR after = AffinityAtLeaf1::ProcessAffinity();
  ::SetProcessAffinityMask(::GetCurrentProcess(), original);
  EXPECT_TRUE(IsSerialPattern(serial)) << ToUtf8(serial);
  EXPECT_EQ(machine.masks, std::vector<DWORD_PTR>{1});
  EXPECT_EQ(after, start);
  EXPECT_EQ(AffinityAtLeaf1::ProcessAffinity(), original);
}

}  // namespace
}  // namespace vkr::win32
