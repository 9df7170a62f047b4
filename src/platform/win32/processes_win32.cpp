#include "platform/win32/processes_win32.h"

#include <new>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_headers.h"

namespace vkr::win32 {

std::vector<std::u16string> Win32Processes::Arguments() {
  std::vector<std::u16string> arguments;
  int count = 0;
  UniqueLocalMemory argv(reinterpret_cast<HLOCAL>(::CommandLineToArgvW(::GetCommandLineW(), &count)));
  if (!argv) return arguments;
  const auto* const* values = reinterpret_cast<const wchar_t* const*>(argv.get());
  try {
    // The first entry is the program name.
    for (int i = 1; i < count; ++i) arguments.push_back(FromWide(values[i]));
  } catch (const std::bad_alloc&) {
    arguments.clear();
  }
  return arguments;
}

bool Win32Processes::Start(const ProcessStart& start) {
  if (start.command_line.empty()) return false;
  // CreateProcessW may write into its command line, so it gets a copy of its own.
  std::wstring command_line(reinterpret_cast<const wchar_t*>(start.command_line.c_str()), start.command_line.size());
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (start.hidden) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, start.creation_flags, nullptr,
                        WideOrNull(start.current_directory), &startup, &info)) {
    return false;
  }
  UniqueKernelHandle process(info.hProcess);
  UniqueKernelHandle thread(info.hThread);
  return true;
}

bool Win32Processes::Snapshot(std::vector<ProcessEntry>* entries) {
  entries->clear();
  UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  if (!::Process32FirstW(snapshot.get(), &entry)) return false;
  try {
    do {
      entries->push_back({entry.th32ProcessID, FromWide(entry.szExeFile)});
      entry.dwSize = sizeof(entry);
    } while (::Process32NextW(snapshot.get(), &entry));
  } catch (const std::bad_alloc&) {
    entries->clear();
    return false;
  }
  return true;
}

bool Win32Processes::Terminate(std::uint32_t process_id, std::uint32_t exit_code) {
  UniqueKernelHandle process(::OpenProcess(PROCESS_TERMINATE, FALSE, process_id));
  return process && ::TerminateProcess(process.get(), exit_code);
}

std::uint32_t Win32Processes::CurrentProcessId() { return ::GetCurrentProcessId(); }

}  // namespace vkr::win32
