#include "win32/win32_test_support.h"

#include <atomic>

#include "platform/std_threads.h"
#include "platform/win32/clock_win32.h"
#include "platform/win32/files_win32.h"
#include "platform/win32/handles.h"
#include "platform/win32/http_win32.h"
#include "platform/win32/processes_win32.h"
#include "platform/win32/profile_store_win32.h"
#include "platform/win32/registry_win32.h"
#include "platform/win32/shell_win32.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_headers.h"

namespace vkr::testing {

using win32::FromWide;
using win32::Wide;

ScratchFolder::ScratchFolder() {
  static std::atomic<unsigned> counter{0};
  win32::Win32Files files;
  const std::u16string base = files.TempFolder();
  for (;;) {
    path_ = base + u"vkr-test-" + FromWide(std::to_wstring(::GetCurrentProcessId()).c_str()) + u"-" +
            FromWide(std::to_wstring(counter++).c_str()) + u"\\";
    if (::CreateDirectoryW(Wide(path_), nullptr)) break;
    if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

bool RemoveTree(const std::u16string& path) {
  std::u16string target = path;
  while (target.size() > 3 && target.back() == u'\\') target.pop_back();
  const DWORD attributes = ::GetFileAttributesW(Wide(target));
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    ::SetFileAttributesW(Wide(target), FILE_ATTRIBUTE_NORMAL);
    return ::DeleteFileW(Wide(target)) != FALSE;
  }
  WIN32_FIND_DATAW data{};
  const std::u16string pattern = target + u"\\*";
  win32::UniqueFindHandle find(::FindFirstFileW(Wide(pattern), &data));
  if (find) {
    do {
      const std::u16string name = FromWide(data.cFileName);
      if (name != u"." && name != u"..") RemoveTree(target + u"\\" + name);
    } while (::FindNextFileW(find.get(), &data));
  }
  find.reset();
  return ::RemoveDirectoryW(Wide(target)) != FALSE;
}

bool WaitUntil(const std::function<bool()>& condition, std::uint32_t timeout_ms) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (::GetTickCount() - start >= timeout_ms) return condition();
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

struct ScopedWin32System::Adapters {
  win32::Win32Registry registry;
  win32::Win32ProfileStore profile;
  win32::Win32Files files;
  win32::Win32Shell shell;
  win32::Win32Processes processes;
  win32::Win32Http http;
  win32::Win32Clock clock;
  StdThreads threads;
};

ScopedWin32System::ScopedWin32System() : adapters_(std::make_unique<Adapters>()), previous_(Sys()) {
  System system;
  system.registry = &adapters_->registry;
  system.profile = &adapters_->profile;
  system.files = &adapters_->files;
  system.shell = &adapters_->shell;
  system.processes = &adapters_->processes;
  system.http = &adapters_->http;
  system.clock = &adapters_->clock;
  system.threads = &adapters_->threads;
  InstallSystem(system);
}

ScopedWin32System::~ScopedWin32System() { InstallSystem(previous_); }

bool RunsUnderWow64() {
  BOOL wow64 = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

unsigned AnsiCodePage() { return ::GetACP(); }

bool CreateShortcut(const std::u16string& link, const std::u16string& target) {
  const HRESULT com = ::CoInitialize(nullptr);
  bool saved = false;
  {
    win32::ComPtr<IShellLinkW> shell_link;
    win32::ComPtr<IPersistFile> file;
    saved = SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                         shell_link.put_void())) &&
            SUCCEEDED(shell_link->SetPath(Wide(target))) && SUCCEEDED(shell_link.As(IID_IPersistFile, &file)) &&
            SUCCEEDED(file->Save(Wide(link), TRUE));
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return saved;
}

std::u16string TestProgramFolder() {
  win32::Win32Files files;
  const std::u16string path = files.ModulePath();
  return path.substr(0, path.find_last_of(u'\\') + 1);
}

std::string ReadWholeFile(const std::u16string& path) {
  win32::Win32Files files;
  std::string bytes;
  files.ReadFile(path, &bytes, static_cast<std::size_t>(-1));
  return bytes;
}

bool WriteWholeFile(const std::u16string& path, const std::string& bytes) {
  win32::Win32Files files;
  return files.WriteFile(path, bytes);
}

}  // namespace vkr::testing
