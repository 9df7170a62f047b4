/* The reference for the setup-report benchmark: one plain HTTP GET through WinINet with the
   system's proxy settings, the body read and discarded. Prints the status code.

   It ends as vkr.exe does: once every thread of the process has started. WinINet starts a thread
   when it keeps the answered connection for reuse, and a process that ends while that thread is
   still starting dies by SIGSEGV under Wine. */
#include <stdio.h>

/* clang-format off */
#include <windows.h>
#include <tlhelp32.h>
#include <wininet.h>
/* clang-format on */

static volatile LONG started_threads = 0;

static void NTAPI CountThreads(PVOID module, DWORD reason, PVOID reserved) {
  (void)module;
  (void)reserved;
  if (reason == DLL_THREAD_ATTACH) InterlockedIncrement(&started_threads);
  if (reason == DLL_THREAD_DETACH) InterlockedDecrement(&started_threads);
}

__attribute__((section(".CRT$XLV"), used)) const PIMAGE_TLS_CALLBACK count_threads = CountThreads;

/* The other threads of this process, started or not; -1 when they cannot be listed. */
static long OtherThreads(void) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return -1;
  THREADENTRY32 entry;
  entry.dwSize = sizeof(entry);
  long count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == GetCurrentProcessId() && entry.th32ThreadID != GetCurrentThreadId()) ++count;
    entry.dwSize = sizeof(entry);
  }
  CloseHandle(snapshot);
  return count;
}

static void WaitForStartingThreads(DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  for (;;) {
    const long others = OtherThreads();
    if (others < 0 || others <= started_threads || GetTickCount64() >= deadline) return;
    Sleep(1);
  }
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  HINTERNET session = InternetOpenW(L"bench", INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, 0);
  if (!session) return 1;
  int code = 1;
  HINTERNET request = InternetOpenUrlW(session, argv[1], NULL, 0,
                                       INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI, 0);
  if (request) {
    DWORD status = 0, size = sizeof(status);
    HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, NULL);
    char buffer[4096];
    DWORD read = 0;
    while (InternetReadFile(request, buffer, sizeof(buffer), &read) && read > 0) {
    }
    printf("%lu\n", (unsigned long)status);
    code = status == 200 ? 0 : 1;
    InternetCloseHandle(request);
  }
  InternetCloseHandle(session);
  fflush(stdout);
  WaitForStartingThreads(2000);
  ExitProcess((UINT)code);
}
