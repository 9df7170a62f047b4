#include "platform/win32/thread_starts.h"

#include <atomic>

#include "platform/win32/handles.h"
#include "platform/win32/windows_headers.h"

namespace vkr::win32 {
namespace {

// Threads of this process that have started (run their attach notification) and not yet ended.
std::atomic<long> g_started_threads{0};

void NTAPI CountThreads(PVOID, DWORD reason, PVOID) {
  if (reason == DLL_THREAD_ATTACH) g_started_threads.fetch_add(1);
  if (reason == DLL_THREAD_DETACH) g_started_threads.fetch_sub(1);
}

// The loader calls the callbacks of the program's TLS directory for every thread that starts or
// ends; the runtime's directory takes every callback placed in these sections.
extern "C" __attribute__((section(".CRT$XLV"), used)) const PIMAGE_TLS_CALLBACK vkr_count_threads = CountThreads;

// The other threads of this process that exist now, started or not; -1 when they cannot be listed.
long OtherThreads() {
  UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot) return -1;
  const DWORD process = ::GetCurrentProcessId();
  const DWORD self = ::GetCurrentThreadId();
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  long count = 0;
  for (BOOL more = ::Thread32First(snapshot.get(), &entry); more; more = ::Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID == process && entry.th32ThreadID != self) ++count;
    entry.dwSize = sizeof(entry);
  }
  return count;
}

}  // namespace

bool WaitForStartingThreads(std::uint32_t timeout_ms) {
  const ULONGLONG deadline = ::GetTickCount64() + timeout_ms;
  for (;;) {
    const long others = OtherThreads();
    if (others < 0) return false;
    if (others <= g_started_threads.load()) return true;
    if (::GetTickCount64() >= deadline) return false;
    ::Sleep(1);
  }
}

}  // namespace vkr::win32
