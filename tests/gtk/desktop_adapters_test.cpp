// The Linux edition's desktop places and machine probe against this machine: the XDG folders, the
// autostart entry written through the real files, the other copies that share the user's data,
// the skin beside the program or under its prefix, the system disk's serial from device data
// (scratch sysfs trees and this machine's), the processor description, the adapters, the own
// address and the system's own description.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "common/desktop_entry.h"
#include "common/public_unit.h"
#include "common/text.h"
#include "gtk/scratch_folder.h"
#include "platform/gtk/posix_system.h"
#include "platform/system.h"
#include "platform/win_constants.h"
#include "statistics/net_bar.h"
#include "sysinfo/sys_info.h"

extern char** environ;

namespace vkr::gtk {
namespace {

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const std::string& path, const std::string& bytes) {
  const std::string folder = path.substr(0, path.rfind('/'));
  std::system(("mkdir -p '" + folder + "'").c_str());
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\t')) text.pop_back();
  const auto first = text.find_first_not_of(" \t");
  return first == std::string::npos ? std::string() : text.substr(first);
}

std::string CommandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, got);
    ::pclose(pipe);
  }
  return out;
}

// Sets environment variables for one test and puts the old values back.
class Environment {
 public:
  void Set(const char* name, const char* value) {
    if (saved_.count(name) == 0) {
      const char* old = std::getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~Environment() {
    for (const auto& [name, value] : saved_)
      value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

// The real files with a program path of the test's choosing.
class FilesAt : public PosixFiles {
 public:
  explicit FilesAt(std::string program) : program_(std::move(program)) {}
  std::u16string ModulePath() override { return FromUtf8(program_); }

 private:
  std::string program_;
};

// Installs the given adapters as the system for one test.
class InstalledSystem {
 public:
  explicit InstalledSystem(const System& system) : previous_(Sys()) { InstallSystem(system); }
  ~InstalledSystem() { InstallSystem(previous_); }

 private:
  System previous_;
};

TEST(XdgPlacesTest, FollowTheBaseFoldersAndTheirDefaults) {
  const ScratchFolder scratch_folder("vkr-desktop-test");
  const std::string& scratch = scratch_folder;
  Environment environment;
  PosixFiles files;
  XdgDesktop desktop(&files);
  environment.Set("HOME", (scratch + "/home").c_str());
  environment.Set("XDG_DATA_HOME", nullptr);
  environment.Set("XDG_CACHE_HOME", nullptr);
  environment.Set("XDG_CONFIG_HOME", "relative/config");  // not absolute: the default applies
  EXPECT_EQ(desktop.DataDir(), FromUtf8(scratch + "/home/.local/share/velqo/vkr/"));
  EXPECT_EQ(desktop.AutostartEntryPath(), FromUtf8(scratch + "/home/.config/autostart/vkr.desktop"));
  EXPECT_EQ(desktop.BrowserDataFolders(), (std::vector<std::u16string>{
                                              FromUtf8(scratch + "/home/.local/share/velqo/vkr/web"),
                                              FromUtf8(scratch + "/home/.cache/velqo/vkr"),
                                          }));
  environment.Set("XDG_DATA_HOME", (scratch + "/data/").c_str());
  environment.Set("XDG_CACHE_HOME", (scratch + "/cache").c_str());
  environment.Set("XDG_CONFIG_HOME", (scratch + "/config").c_str());
  EXPECT_EQ(desktop.DataDir(), FromUtf8(scratch + "/data/velqo/vkr/"));
  EXPECT_EQ(desktop.AutostartEntryPath(), FromUtf8(scratch + "/config/autostart/vkr.desktop"));
  EXPECT_EQ(desktop.BrowserDataFolders(), (std::vector<std::u16string>{FromUtf8(scratch + "/data/velqo/vkr/web"),
                                                                       FromUtf8(scratch + "/cache/velqo/vkr")}));
  // Without any base folder there is no place for anything.
  environment.Set("HOME", nullptr);
  environment.Set("XDG_DATA_HOME", nullptr);
  environment.Set("XDG_CACHE_HOME", nullptr);
  environment.Set("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(desktop.DataDir(), u"");
  EXPECT_EQ(desktop.AutostartEntryPath(), u"");
  EXPECT_TRUE(desktop.BrowserDataFolders().empty());
}

TEST(XdgPlacesTest, TheAutostartEntryIsWrittenReadAndRemovedThroughTheRealFiles) {
  const ScratchFolder scratch_folder("vkr-desktop-test");
  const std::string& scratch = scratch_folder;
  Environment environment;
  environment.Set("XDG_CONFIG_HOME", (scratch + "/config").c_str());
  FilesAt files(scratch + "/My Games/vkr");
  XdgDesktop desktop(&files);
  System system;
  system.files = &files;
  system.desktop = &desktop;
  InstalledSystem installed(system);

  EXPECT_FALSE(HasAutoRun());
  AddAutoRun(u"VelqoMorvane");
  const std::string entry = scratch + "/config/autostart/vkr.desktop";
  EXPECT_TRUE(HasAutoRun());
  EXPECT_NE(Contents(entry).find("\nExec=\"" + scratch + "/My Games/vkr\" /autorun\n"), std::string::npos);
  struct stat info {};
  ASSERT_EQ(::stat(entry.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
  EXPECT_NE(::access((entry + ".new").c_str(), F_OK), 0);
  RemoveAutoRun(u"VelqoMorvane");
  EXPECT_FALSE(HasAutoRun());
  EXPECT_NE(::access(entry.c_str(), F_OK), 0);
}

TEST(XdgPlacesTest, TheSkinLiesBesideTheProgramOrUnderItsPrefix) {
  const ScratchFolder scratch_folder("vkr-desktop-test");
  const std::string& scratch = scratch_folder;
  Write(scratch + "/usr/share/vkr/Skin/loginBack.png", "png");
  FilesAt installed(scratch + "/usr/bin/vkr");
  EXPECT_EQ(XdgDesktop(&installed).LoginSkinPath(), FromUtf8(scratch + "/usr/share/vkr/Skin/loginBack.png"));
  Write(scratch + "/usr/bin/Skin/loginBack.png", "png");
  EXPECT_EQ(XdgDesktop(&installed).LoginSkinPath(), FromUtf8(scratch + "/usr/bin/Skin/loginBack.png"));
  // Neither: the place beside the program, where the start-up check then misses it.
  FilesAt bare(scratch + "/elsewhere/vkr");
  EXPECT_EQ(XdgDesktop(&bare).LoginSkinPath(), FromUtf8(scratch + "/elsewhere/Skin/loginBack.png"));
}

TEST(PosixFileNamesTest, LowerCasesByUnicodeUnitForUnit) {
  PosixFiles files;
  const std::u16string cases[][2] = {
      {u"", u""},
      {u"C:\\WX\\CLSMN.EXE", u"c:\\wx\\clsmn.exe"},
      {u"D:\\MÉDIAS\\ДОКУМЕНТЫ\\ΕΛΈΝΗ", u"d:\\médias\\документы\\ελένη"},
      // As the Windows table: the dotted capital I, the Kelvin and Angstrom signs and the capital
      // sharp s stay; other scripts stay, and so do the halves of a pair outside the basic plane.
      {u"HEİCLENT.EXE \u212A\u212B\u1E9E 游戏 \U0001D400", u"heİclent.exe \u212A\u212B\u1E9E 游戏 \U0001D400"},
  };
  for (const auto& entry : cases) {
    EXPECT_EQ(files.LowerCaseFileName(entry[0]), entry[1]) << ToUtf8(entry[0]);
  }
}

pid_t Spawn(const std::string& program, const std::vector<std::string>& variables) {
  std::vector<char*> env;
  for (const std::string& variable : variables) env.push_back(const_cast<char*>(variable.c_str()));
  env.push_back(nullptr);
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>("30"), nullptr};
  pid_t child = 0;
  return ::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv, env.data()) == 0 ? child : -1;
}

TEST(OtherCopiesTest, OnlyCopiesOfTheProgramThatShareTheDataHomeCount) {
  const ScratchFolder scratch_folder("vkr-desktop-test");
  const std::string& scratch = scratch_folder;
  const std::string copy = scratch + "/bin/vkr-copy-test";
  Write(copy, Contents("/bin/sleep"));
  ::chmod(copy.c_str(), 0755);
  const std::string other_program = scratch + "/bin/not-the-launcher";
  Write(other_program, Contents("/bin/sleep"));
  ::chmod(other_program.c_str(), 0755);
  const std::string home = "HOME=" + scratch + "/home";
  const pid_t sharing = Spawn(copy, {home});
  const pid_t by_xdg = Spawn(copy, {"HOME=/elsewhere", "XDG_DATA_HOME=" + scratch + "/home/.local/share/"});
  const pid_t other_home = Spawn(copy, {"HOME=" + scratch + "/other"});
  const pid_t other_name = Spawn(other_program, {home});
  ASSERT_GT(sharing, 0);
  ASSERT_GT(by_xdg, 0);
  ASSERT_GT(other_home, 0);
  ASSERT_GT(other_name, 0);
  const std::string data_home = scratch + "/home/.local/share";
  std::vector<std::uint32_t> found;
  // Each child is found once it has become the program (after its exec).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    found = ProcessesSharingData("vkr-copy-test", data_home);
    if (found.size() >= 2) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::sort(found.begin(), found.end());
  std::vector<std::uint32_t> expected = {static_cast<std::uint32_t>(sharing), static_cast<std::uint32_t>(by_xdg)};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);
  EXPECT_TRUE(ProcessesSharingData("vkr-copy-test", "").empty());
  EXPECT_TRUE(ProcessesSharingData("", data_home).empty());
  for (const pid_t child : {sharing, by_xdg, other_home, other_name}) {
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
  }
}

TEST(DataHomeTest, AnAbsoluteVariableWinsElseTheDefaultBelowHome) {
  EXPECT_EQ(DataHomeFrom("/x/data/", "/home/p"), "/x/data");
  EXPECT_EQ(DataHomeFrom("relative", "/home/p"), "/home/p/.local/share");
  EXPECT_EQ(DataHomeFrom(nullptr, "/home/p/"), "/home/p/.local/share");
  EXPECT_EQ(DataHomeFrom("", nullptr), "");
  EXPECT_EQ(DataHomeFrom(nullptr, "home/p"), "");
}

// A scratch sysfs: /dev/block/M:m links into a device tree, as the kernel lays it out.
class ScratchSysfs {
 public:
  ScratchSysfs() : root_(folder_) {}
  std::string sys() const { return root_ + "/sys"; }
  std::string udev() const { return root_ + "/udev"; }
  // A block device folder (below devices/) with its "dev" file and its number's link.
  std::string Device(const std::string& path, const std::string& number) {
    const std::string folder = root_ + "/sys/devices/" + path;
    Write(folder + "/dev", number + "\n");
    std::system(("mkdir -p '" + root_ + "/sys/dev/block'").c_str());
    ::symlink(("../../devices/" + path).c_str(), (root_ + "/sys/dev/block/" + number).c_str());
    return folder;
  }

 private:
  ScratchFolder folder_{"vkr-desktop-test"};
  std::string root_;
};

TEST(DiskSerialTest, FromUdevDataThenSysfsDownToTheDisk) {
  ScratchSysfs tree;
  // A SATA disk with a partition: udev's short serial of the disk, not of the partition.
  const std::string sda = tree.Device("pci0/ata1/block/sda", "8:0");
  const std::string sda1 = tree.Device("pci0/ata1/block/sda/sda1", "8:1");
  Write(sda1 + "/partition", "1\n");
  Write(tree.udev() + "/b8:0", "S:disk/by-id/x\nE:ID_SERIAL=WDC_WD10_WD-WCC4N1\nE:ID_SERIAL_SHORT=  WD-WCC4N1  \n");
  Write(tree.udev() + "/b8:1", "E:ID_SERIAL_SHORT=partition\n");
  EXPECT_EQ(DiskSerial(8, 1, tree.sys(), tree.udev()), "WD-WCC4N1");
  EXPECT_EQ(DiskSerial(8, 0, tree.sys(), tree.udev()), "WD-WCC4N1");
  // An NVMe disk without udev data: its device's serial.
  const std::string nvme = tree.Device("pci1/nvme0/nvme0n1", "259:0");
  Write(nvme + "/device/serial", "S4EWNX0R123456      \n");
  EXPECT_EQ(DiskSerial(259, 0, tree.sys(), tree.udev()), "S4EWNX0R123456");
  // An encrypted or logical volume: the first member's disk.
  const std::string dm = tree.Device("virtual/block/dm-0", "254:1");
  const std::string vdb = tree.Device("pci2/virtio3/block/vdb", "252:16");
  const std::string vdb2 = tree.Device("pci2/virtio3/block/vdb/vdb2", "252:18");
  Write(vdb2 + "/partition", "2\n");
  Write(vdb + "/serial", "virtio-serial-7\n");
  std::system(("mkdir -p '" + dm + "/slaves'").c_str());
  ::symlink(vdb2.c_str(), (dm + "/slaves/vdb2").c_str());
  EXPECT_EQ(DiskSerial(254, 1, tree.sys(), tree.udev()), "virtio-serial-7");
  // A SCSI disk's unit serial page.
  const std::string sdb = tree.Device("pci3/host0/block/sdb", "8:16");
  Write(sdb + "/device/vpd_pg80", std::string("\x00\x80\x00\x0A", 4) + "  ZA1B2C3D" + "junk");
  EXPECT_EQ(DiskSerial(8, 16, tree.sys(), tree.udev()), "ZA1B2C3D");
  // What names nothing printable, and what is not there at all, give nothing.
  const std::string sdc = tree.Device("pci3/host1/block/sdc", "8:32");
  Write(sdc + "/serial", "   \n");
  Write(sdc + "/device/serial", "\x01\x02\x03");
  EXPECT_EQ(DiskSerial(8, 32, tree.sys(), tree.udev()), "");
  EXPECT_EQ(DiskSerial(9, 9, tree.sys(), tree.udev()), "");
}

TEST(MachineProbeTest, TheSystemDiskAndTheSystemsOwnDescriptionOnThisMachine) {
  PosixMachine machine;
  std::u16string serial = u"unset";
  ASSERT_TRUE(machine.SystemDiskSerial(&serial));
  unsigned major = 0;
  unsigned minor = 0;
  if (RootDeviceNumber(&major, &minor)) {
    EXPECT_EQ(serial, FromUtf8(DiskSerial(major, minor)));
  } else {
    EXPECT_EQ(serial, u"");
  }
  for (const char16_t c : serial) EXPECT_TRUE(c > 0x20 || (c == u' ' && !serial.empty())) << ToUtf8(serial);
  EXPECT_EQ(serial, Trim(serial));

  std::string release;
  ASSERT_TRUE(machine.OsReleaseText(&release));
  EXPECT_EQ(release, Contents("/etc/os-release"));
}

TEST(MachineProbeTest, TheProcessorAsThisMachineDescribesIt) {
  const std::string cpuinfo = Contents("/proc/cpuinfo");
  HardwareRegistry registry;
  RegKey key = kNoRegKey;
  ASSERT_EQ(registry.OpenKey(win::HKEY_LOCAL_MACHINE, u"Hardware\\Description\\System\\CentralProcessor\\0",
                             win::KEY_READ, &key),
            win::ERROR_SUCCESS);
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  ASSERT_EQ(registry.QueryValue(key, u"ProcessorNameString", &type, &data), win::ERROR_SUCCESS);
  EXPECT_EQ(type, win::REG_SZ);
  std::u16string name = FromUtf16LeBytes(data);
  name.resize(name.find(u'\0'));
  // The kernel takes its model name from the same brand string, blanks removed.
  EXPECT_EQ(ToUtf8(Trim(name)), CpuInfoField(cpuinfo, "model name"));
  if (registry.QueryValue(key, u"~MHz", &type, &data) == win::ERROR_SUCCESS) {
    ASSERT_EQ(data.size(), 4u);
    const std::uint32_t mhz = data[0] | (data[1] << 8) | (data[2] << 16) | (std::uint32_t{data[3]} << 24);
    EXPECT_GT(mhz, 0u);
    EXPECT_LT(mhz, 100000u);
  }
  EXPECT_EQ(registry.QueryValue(key, u"Identifier", &type, &data), win::ERROR_FILE_NOT_FOUND);
  registry.CloseKey(key);
  // Nothing else is there: no software branch, no café product, no Run key.
  EXPECT_EQ(registry.OpenKey(win::HKEY_LOCAL_MACHINE, u"software", win::KEY_READ, &key), win::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(registry.CreateKey(win::HKEY_CURRENT_USER, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                               win::KEY_ALL_ACCESS, &key),
            win::ERROR_ACCESS_DENIED);

  // The probe and the café detection on these adapters.
  PosixMachine machine;
  PosixClock clock;
  PosixFiles files;
  System system;
  system.machine = &machine;
  system.registry = &registry;
  system.clock = &clock;
  system.files = &files;
  InstalledSystem installed(system);
  TSysInfo info;
  EXPECT_EQ(ToUtf8(Trim(info.CPUName())), CpuInfoField(cpuinfo, "model name"));
  EXPECT_GT(info.CPUSpeed(), 0);
  EXPECT_EQ(info.CPUSerial().size(), 35u);
  EXPECT_GT(info.TotalPhysicalMemory(), 0);
  EXPECT_EQ(GetNetBarType(), -1);
}

TEST(CpuInfoFieldTest, TakesTheFirstLineOfTheField) {
  const std::string cpuinfo =
      "processor\t: 0\nvendor_id\t: GenuineIntel\nmodel name\t:   Intel(R) Xeon(R)  \ncpu MHz\t\t: 2599.998\n\n"
      "processor\t: 1\nmodel name\t: Second\n";
  EXPECT_EQ(CpuInfoField(cpuinfo, "model name"), "Intel(R) Xeon(R)");
  EXPECT_EQ(CpuInfoField(cpuinfo, "cpu MHz"), "2599.998");
  EXPECT_EQ(CpuInfoField(cpuinfo, "model"), "");
  EXPECT_EQ(CpuInfoField("", "model name"), "");
}

TEST(MachineProbeTest, AdaptersInInterfaceOrderAndTheOwnAddress) {
  // The interfaces as sysfs lists them, by index, without the loopback and address-less ones.
  std::vector<std::pair<int, std::string>> interfaces;
  for (const std::string& line : {CommandOutput("ls /sys/class/net")}) {
    std::size_t start = 0;
    while (start < line.size()) {
      std::size_t end = line.find('\n', start);
      if (end == std::string::npos) end = line.size();
      const std::string name = line.substr(start, end - start);
      start = end + 1;
      if (name.empty()) continue;
      const std::string folder = "/sys/class/net/" + name;
      const int type = std::atoi(Contents(folder + "/type").c_str());
      std::string address = Trimmed(Contents(folder + "/address"));
      if (type == 772 || address.empty() || address.find_first_not_of("0:") == std::string::npos) continue;
      for (char& c : address) c = c == ':' ? '-' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      interfaces.push_back({std::atoi(Contents(folder + "/ifindex").c_str()), address.substr(0, 23)});
    }
  }
  std::sort(interfaces.begin(), interfaces.end());
  std::string expected;
  for (const auto& [index, address] : interfaces) expected += (expected.empty() ? "" : ",") + address;

  PosixMachine machine;
  System system;
  system.machine = &machine;
  InstalledSystem installed(system);
  TSysInfo info;
  EXPECT_EQ(ToUtf8(info.MacAddress()), expected);

  // The own name resolves to the interfaces' addresses, as `hostname -I` lists them.
  std::vector<std::string> listed;
  const std::string all = CommandOutput("hostname -I");
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find_first_of(" \n", start);
    if (end == std::string::npos) end = all.size();
    const std::string address = all.substr(start, end - start);
    start = end + 1;
    if (!address.empty() && address.find(':') == std::string::npos) listed.push_back(address);
  }
  std::vector<std::string> resolved;
  for (const std::uint32_t address : machine.ResolveHostIPv4(machine.ComputerName())) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&address);
    resolved.push_back(std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) +
                       "." + std::to_string(bytes[3]));
  }
  // (A machine without an address of its own falls back to the name service.)
  if (!listed.empty()) {
    EXPECT_EQ(resolved, listed);
  }
  EXPECT_LE(machine.ComputerName().size(), 15u);
  EXPECT_EQ(machine.ComputerName(), UpperAscii(machine.ComputerName()));
}

}  // namespace
}  // namespace vkr::gtk
