// The Linux edition's adapters of the concerns that need no display: files, profile files, the
// registry (absent but for the processor's description), the shell, processes, clock, the machine
// and the desktop's conventions (XDG folders, xdg-open, the autostart entry); its threads are
// platform/std_threads.h. Paths are UTF-8 file names; relative paths are refused, since the
// launcher only ever names absolute ones.
#pragma once

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "platform/machine.h"
#include "platform/processes.h"
#include "platform/profile_store.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace vkr::gtk {

class PosixFiles : public Files {
 public:
  bool FileExists(const std::u16string& path) override;
  bool DirectoryExists(const std::u16string& path) override;
  bool CreateDirectories(const std::u16string& path) override;
  bool CreateNewDirectory(const std::u16string& path) override;
  bool ReadFile(const std::u16string& path, std::string* bytes, std::size_t max_bytes) override;
  bool WriteFile(const std::u16string& path, const std::string& bytes) override;
  bool DeleteFile(const std::u16string& path) override;
  bool ReplaceFile(const std::u16string& source, const std::u16string& target) override;
  bool RemoveDirectory(const std::u16string& path) override;
  // The pattern's last component may hold "*" and "?" (matched with the shell's rules).
  bool List(const std::u16string& pattern, std::vector<FileEntry>* entries) override;
  bool GetAttributes(const std::u16string& path, std::uint32_t* attributes) override;
  std::u16string TempFolder() override;
  std::u16string ModulePath() override;
  // The running program has the build's version; other files have none.
  bool FileVersion(const std::u16string& path, std::uint32_t* ms, std::uint32_t* ls) override;
  bool ReadFileAt(const std::u16string& path, std::uint64_t offset, std::size_t max_bytes, std::string* bytes) override;
  // The system's text encoding is UTF-8: every text has an exact form.
  bool EncodeOem(const std::u16string& text, std::string* bytes) override;
  // File names are compared exactly: the text as it is.
  std::u16string UpperCaseFileName(const std::u16string& text) override;
  std::u16string LowerCaseFileName(const std::u16string& text) override;
  // There are no short names.
  std::u16string ShortPath(const std::u16string& path) override;
  std::u16string LongPath(const std::u16string& path) override;
};

// The profile functions' rules on a file: sections and keys without regard to letter case, blanks
// around values removed, one pair of quotation marks stripped, the first match winning. A file
// that begins with the UTF-16LE byte-order mark stays UTF-16LE; any other is read and written as
// UTF-8. Writes replace the file through a side file, so a crash never leaves half a file.
class PosixProfileStore : public ProfileStore {
 public:
  explicit PosixProfileStore(Files* files) : files_(files) {}
  std::u16string ReadString(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                            const std::u16string& default_value, std::size_t buffer_chars) override;
  bool WriteString(const std::u16string& path, const std::u16string& section, const std::u16string& key,
                   const std::u16string& value) override;

 private:
  Files* files_;
};

// Linux has no registry: every key is absent and none can be created, but one. The system's
// description of its processor, which Windows keeps under HKEY_LOCAL_MACHINE
// "Hardware\Description\System\CentralProcessor\0", is read from the processor itself: its
// name ("ProcessorNameString") from CPUID's brand string, else /proc/cpuinfo's "model name"; its
// clock ("~MHz") from CPUID leaf 0x16, else /proc/cpuinfo's "cpu MHz". A value neither names is
// absent.
class HardwareRegistry : public Registry {
 public:
  long OpenKey(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out) override;
  long CreateKey(RegKey parent, const std::u16string& path, std::uint32_t access, RegKey* out) override;
  long QueryValue(RegKey key, const std::u16string& name, std::uint32_t* type,
                  std::vector<std::uint8_t>* data) override;
  long SetValue(RegKey key, const std::u16string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data) override;
  long DeleteValue(RegKey key, const std::u16string& name) override;
  long DeleteTree(RegKey key, const std::u16string& subkey) override;
  long EnumKey(RegKey key, std::uint32_t index, std::u16string* name) override;
  long EnumValue(RegKey key, std::uint32_t index, std::u16string* name) override;
  void CloseKey(RegKey key) override;
};

// The shell's execute on Linux: a program file is started with the parameters split as a shell
// would; anything else (a document, an address) goes to xdg-open. Special folders are named only
// where the XDG user folders have a counterpart.
class PosixShell : public Shell {
 public:
  std::u16string SpecialFolder(int csidl) override;
  // Downloads, the XDG user folder; the others have no counterpart.
  std::u16string KnownFolderPath(KnownFolder folder) override;
  std::intptr_t Execute(WindowHandle owner, const std::u16string& verb, const std::u16string& file,
                        const std::u16string& parameters, const std::u16string& directory, int show) override;
  std::u16string ResolveShortcut(const std::u16string& path) override;
};

class PosixProcesses : public Processes {
 public:
  PosixProcesses(int argc, char** argv);
  std::vector<std::u16string> Arguments() override;
  // The command line is split as a shell would split it; the program is found on PATH.
  bool Start(const ProcessStart& start) override;
  // From /proc: each process's id and its program's file name.
  bool Snapshot(std::vector<ProcessEntry>* entries) override;
  bool Terminate(std::uint32_t process_id, std::uint32_t exit_code) override;
  std::uint32_t CurrentProcessId() override;

 private:
  std::vector<std::u16string> arguments_;
};

class PosixClock : public Clock {
 public:
  LocalTime Now() override;
  std::uint32_t TickCount() override;
  void Sleep(std::uint32_t milliseconds) override;
};

// The processor natively (CPUID, the time-stamp counter); memory from sysinfo; the system's
// description from os-release; the system disk's serial from the device data (udev's, then
// sysfs); the hardware addresses of the network interfaces in interface order, without the
// loopback and without those that have none; the own host's IPv4 addresses from its interfaces.
// What only Windows can tell (the version record, the administrators group, drive requests) is
// reported as unavailable.
class PosixMachine : public Machine {
 public:
  bool NewGuid(std::uint8_t guid[16]) override;
  std::u16string ComputerName() override;
  std::vector<std::uint32_t> ResolveHostIPv4(const std::u16string& host_name) override;
  bool CpuidAvailable() override;
  CpuidRegisters Cpuid(std::uint32_t leaf) override;
  bool SseExecutes() override;
  std::uint64_t TimeStampCounter() override;
  bool PerformanceCounter(std::int64_t* value) override;
  bool PerformanceFrequency(std::int64_t* frequency) override;
  std::int32_t GetCurrentThreadPriority() override;
  bool SetCurrentThreadPriority(std::int32_t priority) override;
  bool GetProcessAffinity(std::uint32_t* process_mask, std::uint32_t* system_mask) override;
  bool SetProcessAffinity(std::uint32_t process_mask) override;
  SystemInfo GetSystemInfo() override;
  bool GlobalMemoryStatus(MemoryStatus* status) override;
  bool GetVersionRecord(OsVersionRecord* record) override;
  bool GetProductInfo(std::uint32_t major, std::uint32_t minor, std::uint32_t service_pack_major,
                      std::uint32_t service_pack_minor, std::uint32_t* product_type) override;
  std::uint32_t GetVersion() override;
  AdminMembership CheckAdministratorsMembership() override;
  bool AdministratorsGroupAttributes(std::vector<std::uint32_t>* attributes) override;
  DeviceHandle OpenDevice(const std::u16string& path, std::uint32_t access, std::uint32_t share) override;
  bool DeviceControl(DeviceHandle device, std::uint32_t code, const void* in, std::uint32_t in_size, void* out,
                     std::uint32_t out_size) override;
  void CloseDevice(DeviceHandle device) override;
  bool AdapterAddresses(std::vector<std::vector<std::uint8_t>>* addresses) override;
  std::u16string FromAnsiCodePage(const std::string& bytes) override;
  bool OsReleaseText(std::string* text) override;
  bool SystemDiskSerial(std::u16string* serial) override;
};

// The XDG conventions: DataDir is $XDG_DATA_HOME/velqo/vkr (by default ~/.local/share/velqo/vkr),
// the pages' data "web" in it and their cache $XDG_CACHE_HOME/velqo/vkr, the autostart entry
// $XDG_CONFIG_HOME/autostart/vkr.desktop; the skin lies beside the program (the build folder) or
// in <prefix>/share/vkr (installed); addresses open with `xdg-open ADDRESS` found on PATH; the
// package manager updates the launcher.
class XdgDesktop : public Desktop {
 public:
  explicit XdgDesktop(Files* files) : files_(files) {}
  std::u16string DataDir() override;
  std::u16string LoginSkinPath() override;
  void OpenUrl(WindowHandle owner, const std::u16string& url) override;
  bool SelfUpdates() override { return false; }
  std::u16string AutostartEntryPath() override;
  std::vector<std::u16string> BrowserDataFolders() override;
  // The processes of this user whose program has the own program's file name and whose
  // environment names the same data home.
  std::vector<std::uint32_t> OtherCopies() override;

 private:
  Files* files_;
};

// The XDG base folders: the variable when it names an absolute folder, else the default below
// $HOME; empty when neither names one.
std::string XdgDataHome();
std::string XdgCacheHome();
std::string XdgConfigHome();
// The data home a process with these two variables uses (either may be null).
std::string DataHomeFrom(const char* xdg_data_home, const char* home);
// The launcher's folders: its data (lander.ini), the pages' data in it, their cache; empty when
// there is no base folder for them.
std::string LauncherDataFolder();
std::string LauncherWebDataFolder();
std::string LauncherCacheFolder();
// The ids of the processes of the calling user, other than the own, whose program file is named
// `program_name` and whose initial environment gives `data_home` as its data home.
std::vector<std::uint32_t> ProcessesSharingData(const std::string& program_name, const std::string& data_home);

// The major and minor number of the block device that holds "/" (from stat, else from the mount
// table's source for file systems with a device number of their own); false when there is none.
bool RootDeviceNumber(unsigned* major, unsigned* minor);
// The serial of the disk behind the block device major:minor: a partition's disk, the first disk
// below a mapped or assembled device; from udev's data (ID_SERIAL_SHORT), else sysfs ("serial",
// "device/serial", the SCSI unit serial page "device/vpd_pg80"). Blanks around it are removed;
// empty when none names a printable one. `sys` and `udev_data` are the roots of sysfs and of
// udev's data folder.
std::string DiskSerial(unsigned major, unsigned minor, const std::string& sys = "/sys",
                       const std::string& udev_data = "/run/udev/data");
// The value of the first line "<field> : value" of a /proc/cpuinfo text, blanks removed.
std::string CpuInfoField(const std::string& cpuinfo, const std::string& field);

// The file named `program` in the first folder of PATH that holds an executable one; empty when
// none does.
std::string FindOnPath(const std::string& program);
// Starts argv[0] (found on PATH) with the arguments, detached: the child is reaped at once and
// the program runs on without the launcher. False when it could not be started.
bool SpawnDetached(const std::vector<std::string>& argv, const std::string& directory = "");

}  // namespace vkr::gtk
