/* The reference for the setup-report benchmark: one plain HTTP GET through WinINet with the
   system's proxy settings, the body read and discarded. Prints the status code. */
#include <stdio.h>
#include <windows.h>
#include <wininet.h>

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
  return code;
}
