#include "sysinfo/disk_serial.h"

#include <algorithm>

#include "common/text.h"
#include "platform/win_constants.h"

namespace vkr {
namespace {

// A device opened through the machine, closed when the owner goes.
class DeviceOwner {
 public:
  DeviceOwner(Machine& machine, const std::u16string& path, std::uint32_t access, std::uint32_t share)
      : machine_(machine), device_(machine.OpenDevice(path, access, share)) {}
  ~DeviceOwner() {
    if (device_ != kNoDevice) machine_.CloseDevice(device_);
  }
  DeviceOwner(const DeviceOwner&) = delete;
  DeviceOwner& operator=(const DeviceOwner&) = delete;

  bool valid() const { return device_ != kNoDevice; }
  bool Control(std::uint32_t code, const void* in, std::size_t in_size, void* out, std::size_t out_size) {
    return machine_.DeviceControl(device_, code, in, static_cast<std::uint32_t>(in_size), out,
                                  static_cast<std::uint32_t>(out_size));
  }
  // SMART_GET_VERSION into a zero-filled GETVERSIONINPARAMS.
  bool SmartVersion(std::vector<std::uint8_t>* version) {
    version->assign(kSmartVersionSize, 0);
    return Control(win::SMART_GET_VERSION, nullptr, 0, version->data(), version->size());
  }

 private:
  Machine& machine_;
  DeviceHandle device_;
};

constexpr std::uint32_t kReadWrite = win::GENERIC_READ | win::GENERIC_WRITE;
constexpr std::uint32_t kShareReadWrite = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE;

bool IsBlank(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\n'; }
bool IsPrintable(std::uint8_t c) {
  const std::uint8_t low = c & 0x7Fu;
  return low >= 0x20 && low <= 0x7E;
}
int HexValue(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Hex pairs into text; false at the first byte that is not a digit or a pair that is neither
// zero nor printable. *k is the position after the last complete pair.
bool HexPass(const std::uint8_t* source, std::size_t length, std::uint8_t* text, std::size_t* k) {
  *k = 0;
  text[0] = 0;
  int digits = 0;
  for (std::size_t i = 0; i < length; ++i) {
    std::uint8_t c = source[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<std::uint8_t>(c - 'A' + 'a');
    if (IsBlank(c)) c = '0';
    ++digits;
    text[*k] = static_cast<std::uint8_t>(text[*k] << 4);
    const int value = HexValue(c);
    if (value < 0) return false;
    text[*k] = static_cast<std::uint8_t>(text[*k] + value);
    if (digits == 2) {
      if (text[*k] != 0 && !IsPrintable(text[*k])) return false;
      ++*k;
      text[*k] = 0;
      digits = 0;
    }
  }
  return true;
}

// The printable source as it is; a byte that is not printable ends the pass with nothing.
std::size_t RawPass(const std::uint8_t* source, std::size_t length, std::uint8_t* text) {
  std::size_t k = 0;
  for (std::size_t i = 0; i < length; ++i) {
    if (!IsPrintable(source[i])) return 0;
    text[k++] = source[i];
  }
  return k;
}

// Moves the text between its first and last non-blank byte to the start. Bytes after the new
// terminator keep what was there; a text of blanks only is left as it is.
void TrimInPlace(std::uint8_t* text) {
  std::size_t end = 0;
  while (text[end] != 0) ++end;
  std::size_t first = 0;
  while (first < end && IsBlank(text[first])) ++first;
  if (first == end) return;
  std::size_t last = end - 1;
  while (IsBlank(text[last])) --last;
  std::copy(text + first, text + last + 1, text);
  text[last - first + 1] = 0;
}

}  // namespace

std::u16string PhysicalDrivePath(int index) { return u"\\\\.\\PhysicalDrive" + ToText(index); }

std::uint8_t SmartIdentifyCommand(std::uint8_t device_map, int drive) {
  return ((device_map >> drive) & 0x10) != 0 ? kIdentifyPacketDevice : kIdentifyDevice;
}

std::vector<std::uint8_t> BuildSmartIdentifyRequest(int drive, std::uint8_t command) {
  std::vector<std::uint8_t> request(kSmartRequestSize, 0);
  request[0] = 512 & 0xFF;  // cBufferSize = 512, little-endian
  request[1] = 512 >> 8;
  request[5] = 1;                                  // bSectorCountReg
  request[9] = (drive & 1) != 0 ? 0xB0 : 0xA0;     // bDriveHeadReg: slave for odd drives
  request[10] = command;                           // bCommandReg
  request[12] = static_cast<std::uint8_t>(drive);  // bDriveNumber
  return request;
}

std::vector<std::uint8_t> BuildSharedSmartBuffer() {
  std::vector<std::uint8_t> buffer(kSmartSharedBufferSize, 0);
  buffer[10] = kIdentifyDevice;
  return buffer;
}

void SwapBytePairs(std::uint8_t* bytes, std::size_t length) {
  for (std::size_t i = 0; i + 1 < length; i += 2) std::swap(bytes[i], bytes[i + 1]);
}

std::string ZeroTerminatedBytes(const std::vector<std::uint8_t>& buffer, std::size_t start) {
  std::string bytes;
  for (std::size_t i = start; i < buffer.size() && buffer[i] != 0; ++i) bytes.push_back(static_cast<char>(buffer[i]));
  return bytes;
}

std::string SerialFromIdentifyReply(std::vector<std::uint8_t>* reply, std::size_t swap_length) {
  const std::size_t start = kIdentifyDataOffset + kIdentifySerialOffset;
  if (reply->size() < start + swap_length) return std::string();
  SwapBytePairs(reply->data() + start, swap_length);
  return ZeroTerminatedBytes(*reply, start);
}

bool DecodeSerialText(const std::vector<std::uint8_t>& reply, std::int64_t offset, std::uint8_t* text) {
  if (offset <= 0 || static_cast<std::uint64_t>(offset) >= reply.size()) {
    text[0] = 0;
    return false;
  }
  const std::uint8_t* source = reply.data() + offset;
  const std::size_t room = std::min<std::size_t>(reply.size() - static_cast<std::size_t>(offset), kSerialTextSize - 1);
  std::size_t length = 0;
  while (length < room && source[length] != 0) ++length;

  std::size_t k = 0;
  if (!HexPass(source, length, text, &k)) k = RawPass(source, length, text);
  text[k] = 0;
  TrimInPlace(text);
  return true;
}

std::string StorageSerialFromText(std::uint8_t* text) {
  SwapBytePairs(text, kSerialTextSize);
  std::size_t length = 0;
  while (length < kSerialTextSize && text[length] != 0) ++length;
  return std::string(reinterpret_cast<const char*>(text), length);
}

bool IsEnabledGroup(std::uint32_t attributes) {
  return (attributes & (win::SE_GROUP_ENABLED | win::SE_GROUP_USE_FOR_DENY_ONLY)) == win::SE_GROUP_ENABLED;
}

bool IsUserAdmin(Machine& machine) {
  const std::uint32_t version = machine.GetVersion();
  if ((version & 0x80000000u) != 0) return true;  // the 9x family has no NT security
  if ((version & 0xFFu) >= 5) {
    const AdminMembership membership = machine.CheckAdministratorsMembership();
    if (membership != AdminMembership::kFunctionMissing) return membership == AdminMembership::kMember;
  }
  std::vector<std::uint32_t> attributes;
  if (!machine.AdministratorsGroupAttributes(&attributes)) return false;
  return std::any_of(attributes.begin(), attributes.end(), IsEnabledGroup);
}

bool ReadSmartSerial(Machine& machine, std::u16string* serial) {
  for (std::size_t drive = 0; drive < kDriveCount; ++drive) {
    const int index = static_cast<int>(drive);
    DeviceOwner device(machine, PhysicalDrivePath(index), kReadWrite, kShareReadWrite);
    if (!device.valid()) continue;
    std::vector<std::uint8_t> version;
    if (!device.SmartVersion(&version) || version[kSmartDeviceMapOffset] == 0) continue;
    const std::uint8_t command = SmartIdentifyCommand(version[kSmartDeviceMapOffset], index);
    const std::vector<std::uint8_t> request = BuildSmartIdentifyRequest(index, command);
    std::vector<std::uint8_t> reply(kSmartReplySize, 0);
    if (!device.Control(win::SMART_RCV_DRIVE_DATA, request.data(), request.size(), reply.data(), reply.size())) {
      continue;
    }
    // Words 10 to 29: the serial and the words after it, which the text may run into.
    *serial = machine.FromAnsiCodePage(SerialFromIdentifyReply(&reply, 40));
    return true;
  }
  return false;
}

bool ReadStorageSerial(Machine& machine, std::u16string* serial) {
  std::vector<std::uint8_t> text(kSerialTextSize);
  for (std::size_t drive = 0; drive < kDriveCount; ++drive) {
    std::fill(text.begin(), text.end(), 0);
    DeviceOwner device(machine, PhysicalDrivePath(static_cast<int>(drive)), 0, kShareReadWrite);
    if (!device.valid()) continue;
    const std::vector<std::uint8_t> query(kStorageQuerySize, 0);  // StorageDeviceProperty, PropertyStandardQuery
    std::vector<std::uint8_t> reply(kStorageReplySize, 0);
    if (!device.Control(win::IOCTL_STORAGE_QUERY_PROPERTY, query.data(), query.size(), reply.data(), reply.size())) {
      continue;
    }
    const std::size_t field = kStorageSerialOffsetField;
    const std::uint32_t offset =
        reply[field] | (reply[field + 1] << 8) | (reply[field + 2] << 16) | (std::uint32_t{reply[field + 3]} << 24);
    if (offset == 0 || !DecodeSerialText(reply, offset, text.data())) continue;
    *serial = machine.FromAnsiCodePage(StorageSerialFromText(text.data()));
    return true;
  }
  return false;
}

bool ReadSmartSerialShared(Machine& machine, std::u16string* serial) {
  for (std::size_t drive = 0; drive < kDriveCount; ++drive) {
    DeviceOwner device(machine, PhysicalDrivePath(static_cast<int>(drive)), kReadWrite,
                       kShareReadWrite | win::FILE_SHARE_DELETE);
    if (!device.valid()) continue;
    std::vector<std::uint8_t> version;
    if (!device.SmartVersion(&version)) continue;
    std::vector<std::uint8_t> buffer = BuildSharedSmartBuffer();
    if (!device.Control(win::SMART_RCV_DRIVE_DATA, buffer.data(), kSmartSharedRequestSize, buffer.data(),
                        buffer.size())) {
      continue;
    }
    *serial = machine.FromAnsiCodePage(SerialFromIdentifyReply(&buffer, 20));
    return true;
  }
  return false;
}

std::u16string ReadHDDSerial(Machine& machine) {
  std::u16string serial;
  bool found = IsUserAdmin(machine) && ReadSmartSerial(machine, &serial);
  if (!found || serial.empty()) {
    serial.clear();
    found = ReadStorageSerial(machine, &serial);
  }
  if (!found || serial.empty()) {
    serial.clear();
    ReadSmartSerialShared(machine, &serial);
  }
  return serial;
}

}  // namespace vkr
