#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vkr {

struct CpuidRegisters {
  std::uint32_t eax = 0;
  std::uint32_t ebx = 0;
  std::uint32_t ecx = 0;
  std::uint32_t edx = 0;
};

// The fields of GetSystemInfo that the probe reads.
struct SystemInfo {
  std::uint16_t processor_architecture = 0;  // win::PROCESSOR_ARCHITECTURE_*
  std::uint32_t number_of_processors = 0;
};

// The fields of MEMORYSTATUSEX that the probe reads, in bytes.
struct MemoryStatus {
  std::uint64_t total_physical = 0;
  std::uint64_t available_physical = 0;
};

// The fields of OSVERSIONINFOEXA that the probe reads; the service-pack text (szCSDVersion) is
// converted from the system code page.
struct OsVersionRecord {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t platform_id = 0;
  std::u16string csd_version;
  std::uint16_t service_pack_major = 0;
  std::uint16_t service_pack_minor = 0;
  std::uint16_t suite_mask = 0;
  std::uint8_t product_type = 0;
};

// The outcome of asking CheckTokenMembership about the Administrators group.
enum class AdminMembership {
  kMember,
  kNotMember,
  kCallFailed,       // the SID could not be built or the call failed
  kFunctionMissing,  // the system has no CheckTokenMembership
};

// An opaque device identifier: the HANDLE's value in the Win32 build, any non-zero id in fakes.
using DeviceHandle = std::uintptr_t;
constexpr DeviceHandle kNoDevice = 0;

// The machine: identity queries and the hardware probes behind the system information.
// Abstract so that tests can replay recorded values. Members never throw and may be called from
// any thread.
class Machine {
 public:
  virtual ~Machine() = default;

  // --- Identity --------------------------------------------------------------------------------
  // A new GUID's 16 bytes in memory order (the generator CoCreateGuid uses); false when no GUID could be made.
  virtual bool NewGuid(std::uint8_t guid[16]) = 0;
  // GetComputerNameW into room for 16 characters; empty when the call fails.
  virtual std::u16string ComputerName() = 0;
  // Winsock start-up, gethostbyname on the name in the ANSI code page, cleanup: the IPv4 address
  // list of the first host entry, each address as four bytes in network order.
  virtual std::vector<std::uint32_t> ResolveHostIPv4(const std::u16string& host_name) = 0;

  // --- Hardware probes (processor, memory, OS, disks, adapters) -------------------------------
  // True when the processor has the CPUID instruction: bit 21 (ID) of EFLAGS can be toggled.
  virtual bool CpuidAvailable() = 0;
  // CPUID with EAX = leaf and ECX = 0. Only called when CpuidAvailable().
  virtual CpuidRegisters Cpuid(std::uint32_t leaf) = 0;
  // Executes one SSE instruction (ANDPS XMM0, XMM0) under a fault guard: true when it ran, false
  // when it faulted (the operating system has not enabled SSE).
  virtual bool SseExecutes() = 0;
  // The time-stamp counter (RDTSC).
  virtual std::uint64_t TimeStampCounter() = 0;
  // QueryPerformanceCounter / QueryPerformanceFrequency; false when the call fails.
  virtual bool PerformanceCounter(std::int64_t* value) = 0;
  virtual bool PerformanceFrequency(std::int64_t* frequency) = 0;
  // GetThreadPriority / SetThreadPriority on the calling thread. The read gives
  // win::THREAD_PRIORITY_ERROR_RETURN when it fails.
  virtual std::int32_t GetCurrentThreadPriority() = 0;
  virtual bool SetCurrentThreadPriority(std::int32_t priority) = 0;
  // GetProcessAffinityMask / SetProcessAffinityMask of the own process (32-bit masks).
  virtual bool GetProcessAffinity(std::uint32_t* process_mask, std::uint32_t* system_mask) = 0;
  virtual bool SetProcessAffinity(std::uint32_t process_mask) = 0;
  // GetSystemInfo: the view of the running process.
  virtual SystemInfo GetSystemInfo() = 0;
  // GlobalMemoryStatusEx on a zero-filled record of 64 bytes; false when the call fails.
  virtual bool GlobalMemoryStatus(MemoryStatus* status) = 0;
  // GetVersionExA on a zero-filled extended record (156 bytes); false when the call fails.
  virtual bool GetVersionRecord(OsVersionRecord* record) = 0;
  // GetProductInfo, looked up by name in kernel32.dll on every call; false when the function is
  // missing or the call fails.
  virtual bool GetProductInfo(std::uint32_t major, std::uint32_t minor, std::uint32_t service_pack_major,
                              std::uint32_t service_pack_minor, std::uint32_t* product_type) = 0;
  // GetVersion's packed value: low byte the major version, high bit set on the 9x family.
  virtual std::uint32_t GetVersion() = 0;
  // CheckTokenMembership (looked up by name in advapi32.dll) of the caller's effective token in
  // the built-in Administrators group (S-1-5-32-544). The SID is allocated and freed here.
  virtual AdminMembership CheckAdministratorsMembership() = 0;
  // The older road to the same answer: the thread token (or, without one, the process token)
  // opened for TOKEN_QUERY, its TokenGroups read, and the attributes of every group whose SID
  // equals the Administrators SID collected in token order. False when the SID, a token or the
  // group list cannot be had.
  virtual bool AdministratorsGroupAttributes(std::vector<std::uint32_t>* attributes) = 0;
  // CreateFileW(path, access, share, OPEN_EXISTING, no flags) on a device such as
  // "\\.\PhysicalDrive0"; kNoDevice when it fails. Every device opened must be closed.
  virtual DeviceHandle OpenDevice(const std::u16string& path, std::uint32_t access, std::uint32_t share) = 0;
  // DeviceIoControl: `in` and `out` may be null with size 0, and may be the same buffer.
  virtual bool DeviceControl(DeviceHandle device, std::uint32_t code, const void* in, std::uint32_t in_size, void* out,
                             std::uint32_t out_size) = 0;
  virtual void CloseDevice(DeviceHandle device) = 0;
  // GetAdaptersInfo into a zero-filled buffer of 13440 bytes (the size passed): the address
  // bytes of every adapter in the chain, first to last, each AddressLength bytes long (at most
  // 8). False on any result other than success, a buffer too small for all adapters included.
  virtual bool AdapterAddresses(std::vector<std::vector<std::uint8_t>>* addresses) = 0;
  // Bytes in the system's ANSI code page as text.
  virtual std::u16string FromAnsiCodePage(const std::string& bytes) = 0;

  // --- What a system tells of itself in its own terms --------------------------------------------
  // The operating system's release description, the text of its os-release file (Linux; empty
  // when the file cannot be read). False where the description is built from the version record
  // (Windows).
  virtual bool OsReleaseText(std::string* text) = 0;
  // The serial of the disk that holds the system, as the system's device data name it (Linux;
  // empty when they name none). False where the serial is read through the drive requests above
  // (Windows).
  virtual bool SystemDiskSerial(std::u16string* serial) = 0;
};

}  // namespace vkr
