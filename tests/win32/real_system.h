// The real system for tests and benchmarks of the Windows build: the composition root's adapters,
// completed with plain registry reads and the system clock where it has none of its own.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/system.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_system.h"

namespace vkr::win32 {

// Reads of the real registry, for the processor key, where the composition root has no registry
// adapter of its own yet.
class ReadOnlyRegistry : public Registry {
 public:
  long OpenKey(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out) override {
    HKEY key = nullptr;
    const long result =
        ::RegOpenKeyExW(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(parent)), Wide(path), 0, access, &key);
    *out = result == ERROR_SUCCESS ? reinterpret_cast<RegKey>(key) : kNoRegKey;
    return result;
  }
  long CreateKey(RegKey, const std::u16string&, std::uint32_t, RegKey*) override { return ERROR_ACCESS_DENIED; }
  long QueryValue(RegKey key, const std::u16string& name, std::uint32_t* type,
                  std::vector<std::uint8_t>* data) override {
    DWORD value_type = 0;
    DWORD size = 0;
    long result = ::RegQueryValueExW(reinterpret_cast<HKEY>(key), Wide(name), nullptr, &value_type, nullptr, &size);
    if (result != ERROR_SUCCESS) return result;
    data->assign(size, 0);
    result = ::RegQueryValueExW(reinterpret_cast<HKEY>(key), Wide(name), nullptr, &value_type, data->data(), &size);
    data->resize(size);
    *type = value_type;
    return result;
  }
  long SetValue(RegKey, const std::u16string&, std::uint32_t, const std::vector<std::uint8_t>&) override {
    return ERROR_ACCESS_DENIED;
  }
  long DeleteValue(RegKey, const std::u16string&) override { return ERROR_ACCESS_DENIED; }
  long DeleteTree(RegKey, const std::u16string&) override { return ERROR_ACCESS_DENIED; }
  long EnumKey(RegKey, std::uint32_t, std::u16string*) override { return ERROR_NO_MORE_ITEMS; }
  long EnumValue(RegKey, std::uint32_t, std::u16string*) override { return ERROR_NO_MORE_ITEMS; }
  void CloseKey(RegKey key) override {
    if (key != kNoRegKey) ::RegCloseKey(reinterpret_cast<HKEY>(key));
  }
};

class TickClock : public Clock {
 public:
  LocalTime Now() override { return LocalTime(); }
  std::uint32_t TickCount() override { return ::GetTickCount(); }
  void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

// The real system installed for one test, completed with the reads above where the composition
// root has no adapter of its own.
class RealSystem {
 public:
  RealSystem() : previous_(Sys()) {
    System system = CreateWin32System();
    if (!system.registry) system.registry = &registry_;
    if (!system.clock) system.clock = &clock_;
    InstallSystem(system);
  }
  ~RealSystem() { InstallSystem(previous_); }

 private:
  System previous_;
  ReadOnlyRegistry registry_;
  TickClock clock_;
};

}  // namespace vkr::win32
