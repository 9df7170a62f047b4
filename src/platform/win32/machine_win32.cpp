#include "platform/win32/machine_win32.h"

// Winsock 2 before windows.h, and windows.h before the headers that build on it.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <objbase.h>
// clang-format on
#include <cpuid.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

// The fault-guarded probes: each is one instruction followed by a return, so that a guarded
// fault can be skipped by advancing the instruction pointer over that instruction alone.
asm(".text\n"
    ".globl vkr_sse_probe\n"
    "vkr_sse_probe:\n"
    "  andps %xmm0, %xmm0\n"
    "  ret\n"
    ".globl vkr_invalid_opcode_probe\n"
    "vkr_invalid_opcode_probe:\n"
    "  ud2\n"
    "  ret\n");

namespace vkr::win32 {
namespace {

constexpr ULONG kAdapterBufferSize = 13440;

static_assert(sizeof(MEMORYSTATUSEX) == 64, "the memory status record is 64 bytes");
static_assert(sizeof(OSVERSIONINFOEXA) == 156, "the extended version record is 156 bytes");
#if defined(__i386__)
static_assert(sizeof(IP_ADAPTER_INFO) == 640, "the adapter buffer holds 21 records");
#endif

// Winsock for the lifetime of the object, when it could be started.
class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    started_ = ::WSAStartup(MAKEWORD(2, 0), &data) == 0;
  }
  ~WinsockSession() {
    if (started_) ::WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  bool started() const { return started_; }

 private:
  bool started_ = false;
};

std::string ToAnsi(const std::u16string& text) {
  if (text.empty()) return std::string();
  const int size =
      ::WideCharToMultiByte(CP_ACP, 0, Wide(text), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string ansi(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, Wide(text), static_cast<int>(text.size()), &ansi[0], size, nullptr, nullptr);
  return ansi;
}

// A function looked up by name in a module the process has loaded, or null.
template <typename Function>
Function LookUp(const wchar_t* module_name, const char* function_name) {
  const HMODULE module = ::GetModuleHandleW(module_name);
  if (!module) return nullptr;
  const FARPROC proc = ::GetProcAddress(module, function_name);
  // Through void (*)(void), the function type that converts to any other without a warning.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(proc));
}

bool AllocateAdministratorsSid(UniqueSid* sid) {
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  return ::AllocateAndInitializeSid(&nt_authority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                    0, 0, sid->put()) != FALSE;
}

// The one guarded probe in progress; the handler acts only for it.
struct FaultGuard {
  void* address;
  std::size_t length;
  DWORD thread;
  volatile bool faulted;
};
FaultGuard* volatile g_fault_guard = nullptr;
std::mutex g_fault_guard_mutex;

LONG CALLBACK SkipGuardedFault(EXCEPTION_POINTERS* exception) {
  FaultGuard* const guard = g_fault_guard;
  if (!guard || guard->thread != ::GetCurrentThreadId() ||
      exception->ExceptionRecord->ExceptionAddress != guard->address) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  guard->faulted = true;
#if defined(__i386__)
  exception->ContextRecord->Eip += static_cast<DWORD>(guard->length);
#else
  exception->ContextRecord->Rip += guard->length;
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

// Removes the vectored handler on every path.
class VectoredHandler {
 public:
  explicit VectoredHandler(PVECTORED_EXCEPTION_HANDLER handler) : cookie_(::AddVectoredExceptionHandler(1, handler)) {}
  ~VectoredHandler() {
    if (cookie_) ::RemoveVectoredExceptionHandler(cookie_);
  }
  VectoredHandler(const VectoredHandler&) = delete;
  VectoredHandler& operator=(const VectoredHandler&) = delete;
  bool installed() const { return cookie_ != nullptr; }

 private:
  PVOID cookie_;
};

}  // namespace

bool RunsWithoutFault(void (*probe)(), std::size_t length) {
  std::lock_guard<std::mutex> lock(g_fault_guard_mutex);
  FaultGuard guard{reinterpret_cast<void*>(probe), length, ::GetCurrentThreadId(), false};
  g_fault_guard = &guard;
  bool ran = false;
  {
    VectoredHandler handler(SkipGuardedFault);
    // Without the guard the instruction is not risked: it counts as faulting.
    if (handler.installed()) {
      probe();
      ran = !guard.faulted;
    }
  }
  g_fault_guard = nullptr;
  return ran;
}

// --- Identity ------------------------------------------------------------------------------------

bool Win32Machine::NewGuid(std::uint8_t guid[16]) {
  // UuidCreate is what CoCreateGuid calls, and the same answers count as success; calling it
  // directly keeps OLE out of the run modes that make a GUID but no window.
  UUID value;
  const RPC_STATUS status = ::UuidCreate(&value);
  if (status != RPC_S_OK && status != RPC_S_UUID_LOCAL_ONLY) return false;
  std::memcpy(guid, &value, 16);
  return true;
}

std::u16string Win32Machine::ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  if (!::GetComputerNameW(name, &size)) return std::u16string();
  return FromWide(name, size);
}

std::vector<std::uint32_t> Win32Machine::ResolveHostIPv4(const std::u16string& host_name) {
  std::vector<std::uint32_t> addresses;
  WinsockSession winsock;
  if (!winsock.started()) return addresses;
  const std::string ansi = ToAnsi(host_name);
  const hostent* host = ::gethostbyname(ansi.c_str());
  if (!host || host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list) return addresses;
  for (char** entry = host->h_addr_list; *entry; ++entry) {
    std::uint32_t address;
    std::memcpy(&address, *entry, 4);  // network order kept in memory order
    addresses.push_back(address);
  }
  return addresses;
}

// --- Processor -----------------------------------------------------------------------------------

bool Win32Machine::CpuidAvailable() {
#if defined(__i386__)
  // CPUID exists when bit 21 (ID) of EFLAGS can be toggled. The flags are restored afterwards.
  std::uint32_t original;
  std::uint32_t toggled;
  asm volatile(
      "pushfl\n\t"
      "popl %0\n\t"
      "movl %0, %1\n\t"
      "xorl $0x200000, %1\n\t"
      "pushl %1\n\t"
      "popfl\n\t"
      "pushfl\n\t"
      "popl %1\n\t"
      "pushl %0\n\t"
      "popfl\n\t"
      : "=&r"(original), "=&r"(toggled)
      :
      : "cc");
  return original != toggled;
#else
  return true;  // every x86-64 processor has CPUID
#endif
}

CpuidRegisters Win32Machine::Cpuid(std::uint32_t leaf) {
  CpuidRegisters registers;
  __cpuid_count(leaf, 0, registers.eax, registers.ebx, registers.ecx, registers.edx);
  return registers;
}

bool Win32Machine::SseExecutes() { return RunsWithoutFault(VkrSseProbe, kSseProbeLength); }

std::uint64_t Win32Machine::TimeStampCounter() { return __builtin_ia32_rdtsc(); }

bool Win32Machine::PerformanceCounter(std::int64_t* value) {
  LARGE_INTEGER counter;
  if (!::QueryPerformanceCounter(&counter)) return false;
  *value = counter.QuadPart;
  return true;
}

bool Win32Machine::PerformanceFrequency(std::int64_t* frequency) {
  LARGE_INTEGER value;
  if (!::QueryPerformanceFrequency(&value)) return false;
  *frequency = value.QuadPart;
  return true;
}

std::int32_t Win32Machine::GetCurrentThreadPriority() { return ::GetThreadPriority(::GetCurrentThread()); }

bool Win32Machine::SetCurrentThreadPriority(std::int32_t priority) {
  return ::SetThreadPriority(::GetCurrentThread(), priority) != FALSE;
}

bool Win32Machine::GetProcessAffinity(std::uint32_t* process_mask, std::uint32_t* system_mask) {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system)) return false;
  *process_mask = static_cast<std::uint32_t>(process);
  *system_mask = static_cast<std::uint32_t>(system);
  return true;
}

bool Win32Machine::SetProcessAffinity(std::uint32_t process_mask) {
  return ::SetProcessAffinityMask(::GetCurrentProcess(), process_mask) != FALSE;
}

SystemInfo Win32Machine::GetSystemInfo() {
  SYSTEM_INFO info = {};
  ::GetSystemInfo(&info);
  SystemInfo result;
  result.processor_architecture = info.wProcessorArchitecture;
  result.number_of_processors = info.dwNumberOfProcessors;
  return result;
}

// --- Memory and OS -------------------------------------------------------------------------------

bool Win32Machine::GlobalMemoryStatus(MemoryStatus* status) {
  MEMORYSTATUSEX memory = {};
  memory.dwLength = sizeof(memory);
  if (!::GlobalMemoryStatusEx(&memory)) return false;
  status->total_physical = memory.ullTotalPhys;
  status->available_physical = memory.ullAvailPhys;
  return true;
}

bool Win32Machine::GetVersionRecord(OsVersionRecord* record) {
  OSVERSIONINFOEXA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version))) return false;
  record->major = version.dwMajorVersion;
  record->minor = version.dwMinorVersion;
  record->build = version.dwBuildNumber;
  record->platform_id = version.dwPlatformId;
  record->csd_version =
      FromAnsiCodePage(std::string(version.szCSDVersion, strnlen(version.szCSDVersion, sizeof(version.szCSDVersion))));
  record->service_pack_major = version.wServicePackMajor;
  record->service_pack_minor = version.wServicePackMinor;
  record->suite_mask = version.wSuiteMask;
  record->product_type = version.wProductType;
  return true;
}

bool Win32Machine::GetProductInfo(std::uint32_t major, std::uint32_t minor, std::uint32_t service_pack_major,
                                  std::uint32_t service_pack_minor, std::uint32_t* product_type) {
  using GetProductInfoFunction = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, PDWORD);
  const auto get_product_info = LookUp<GetProductInfoFunction>(L"kernel32.dll", "GetProductInfo");
  if (!get_product_info) return false;
  DWORD product = 0;
  if (!get_product_info(major, minor, service_pack_major, service_pack_minor, &product)) return false;
  *product_type = product;
  return true;
}

std::uint32_t Win32Machine::GetVersion() { return ::GetVersion(); }

// --- Administrator membership --------------------------------------------------------------------

AdminMembership Win32Machine::CheckAdministratorsMembership() {
  using CheckTokenMembershipFunction = BOOL(WINAPI*)(HANDLE, PSID, PBOOL);
  UniqueSid administrators;
  if (!AllocateAdministratorsSid(&administrators)) return AdminMembership::kCallFailed;
  const auto check = LookUp<CheckTokenMembershipFunction>(L"advapi32.dll", "CheckTokenMembership");
  if (!check) return AdminMembership::kFunctionMissing;
  BOOL member = FALSE;
  if (!check(nullptr, administrators.get(), &member)) return AdminMembership::kCallFailed;
  return member ? AdminMembership::kMember : AdminMembership::kNotMember;
}

bool Win32Machine::AdministratorsGroupAttributes(std::vector<std::uint32_t>* attributes) {
  UniqueSid administrators;
  if (!AllocateAdministratorsSid(&administrators)) return false;
  UniqueKernelHandle token;
  if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, token.put())) {
    if (::GetLastError() != ERROR_NO_TOKEN) return false;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  }
  DWORD size = 0;
  if (!::GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &size) &&
      ::GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
    return false;
  }
  if (size < sizeof(TOKEN_GROUPS)) return false;
  // Whole pointers, so that the record is aligned.
  std::vector<void*> buffer((size + sizeof(void*) - 1) / sizeof(void*));
  if (!::GetTokenInformation(token.get(), TokenGroups, buffer.data(), size, &size)) return false;
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
  attributes->clear();
  for (DWORD i = 0; i < groups->GroupCount; ++i) {
    if (::EqualSid(groups->Groups[i].Sid, administrators.get())) attributes->push_back(groups->Groups[i].Attributes);
  }
  return true;
}

// --- Devices -------------------------------------------------------------------------------------

DeviceHandle Win32Machine::OpenDevice(const std::u16string& path, std::uint32_t access, std::uint32_t share) {
  const HANDLE device = ::CreateFileW(Wide(path), access, share, nullptr, OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return kNoDevice;
  return reinterpret_cast<DeviceHandle>(device);
}

bool Win32Machine::DeviceControl(DeviceHandle device, std::uint32_t code, const void* in, std::uint32_t in_size,
                                 void* out, std::uint32_t out_size) {
  if (device == kNoDevice) return false;
  DWORD returned = 0;
  return ::DeviceIoControl(reinterpret_cast<HANDLE>(device), code, const_cast<void*>(in), in_size, out, out_size,
                           &returned, nullptr) != FALSE;
}

void Win32Machine::CloseDevice(DeviceHandle device) {
  if (device != kNoDevice) ::CloseHandle(reinterpret_cast<HANDLE>(device));
}

// --- Adapters ------------------------------------------------------------------------------------

bool Win32Machine::AdapterAddresses(std::vector<std::vector<std::uint8_t>>* addresses) {
  // 64-bit units keep the records, which hold 64-bit times, aligned.
  std::vector<std::uint64_t> buffer(kAdapterBufferSize / sizeof(std::uint64_t), 0);
  ULONG size = kAdapterBufferSize;
  auto* first = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
  if (::GetAdaptersInfo(first, &size) != ERROR_SUCCESS) return false;
  const auto* begin = reinterpret_cast<const std::uint8_t*>(buffer.data());
  const auto* end = begin + kAdapterBufferSize;
  addresses->clear();
  // The chain lives in the buffer; a link that leaves it ends the walk.
  for (const IP_ADAPTER_INFO* adapter = first; adapter; adapter = adapter->Next) {
    const auto* at = reinterpret_cast<const std::uint8_t*>(adapter);
    if (at < begin || at + sizeof(IP_ADAPTER_INFO) > end) break;
    const std::size_t length = std::min<std::size_t>(adapter->AddressLength, MAX_ADAPTER_ADDRESS_LENGTH);
    addresses->emplace_back(adapter->Address, adapter->Address + length);
    if (addresses->size() > kAdapterBufferSize / sizeof(IP_ADAPTER_INFO)) break;  // a cycle
  }
  return true;
}

std::u16string Win32Machine::FromAnsiCodePage(const std::string& bytes) {
  if (bytes.empty()) return std::u16string();
  const int size = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (size <= 0) return std::u16string();
  std::wstring text(static_cast<std::size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], size);
  return FromWide(text);
}

}  // namespace vkr::win32
