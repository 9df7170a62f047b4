// The serial number of the first physical drive that answers one of three driver-level
// methods, and the administrator test that decides whether the first method is tried. The byte
// handling here is what the machine fingerprint sees, so it is kept exact.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/machine.h"

namespace vkr {

// Layout of the SMART and storage-query records, in bytes.
constexpr std::size_t kDriveCount = 16;
constexpr std::size_t kSmartVersionSize = 24;        // GETVERSIONINPARAMS
constexpr std::size_t kSmartDeviceMapOffset = 3;     // bIDEDeviceMap
constexpr std::size_t kSmartRequestSize = 32;        // SENDCMDINPARAMS without its data byte
constexpr std::size_t kSmartReplySize = 544;         // SENDCMDOUTPARAMS with 512 data bytes
constexpr std::size_t kSmartSharedRequestSize = 33;  // SENDCMDINPARAMS with its data byte
constexpr std::size_t kSmartSharedBufferSize = 545;  // request and reply in one buffer
constexpr std::size_t kIdentifyDataOffset = 16;      // bBuffer of SENDCMDOUTPARAMS
constexpr std::size_t kIdentifySerialOffset = 20;    // words 10 to 19 of the IDENTIFY data
constexpr std::size_t kStorageQuerySize = 12;        // STORAGE_PROPERTY_QUERY
constexpr std::size_t kStorageReplySize = 8192;
constexpr std::size_t kStorageSerialOffsetField = 24;  // STORAGE_DEVICE_DESCRIPTOR.SerialNumberOffset
constexpr std::size_t kSerialTextSize = 1024;

constexpr std::uint8_t kIdentifyDevice = 0xEC;
constexpr std::uint8_t kIdentifyPacketDevice = 0xA1;

// "\\.\PhysicalDrive<index>".
std::u16string PhysicalDrivePath(int index);
// IDENTIFY PACKET DEVICE when bit 4 of (device map >> drive) is set, else IDENTIFY DEVICE.
std::uint8_t SmartIdentifyCommand(std::uint8_t device_map, int drive);
// The 32-byte SENDCMDINPARAMS of the first method.
std::vector<std::uint8_t> BuildSmartIdentifyRequest(int drive, std::uint8_t command);
// The 545-byte request-and-reply buffer of the shared method: zeros but bCommandReg = 0xEC.
std::vector<std::uint8_t> BuildSharedSmartBuffer();

// Exchanges byte 0 with 1, 2 with 3, ... for length / 2 pairs.
void SwapBytePairs(std::uint8_t* bytes, std::size_t length);
// The bytes from `start` up to the first zero or the end of the buffer.
std::string ZeroTerminatedBytes(const std::vector<std::uint8_t>& buffer, std::size_t start);
// Exchanges the pairs of `swap_length` bytes from the serial field of a SMART reply and returns
// the zero-terminated bytes that start there.
std::string SerialFromIdentifyReply(std::vector<std::uint8_t>* reply, std::size_t swap_length);

// Decodes the storage query's serial text at reply[offset] into `text` (kSerialTextSize bytes),
// in place: hex pairs when the whole text is hex, else the printable text as it is; then
// trimmed of blanks. A source longer than kSerialTextSize - 1 bytes is cut there. Fails for an
// offset outside the reply.
bool DecodeSerialText(const std::vector<std::uint8_t>& reply, std::int64_t offset, std::uint8_t* text);
// The storage serial from a decoded text buffer: all 512 pairs exchanged, then the
// zero-terminated bytes at its start.
std::string StorageSerialFromText(std::uint8_t* text);

// True for an enabled group that is not for deny only.
bool IsEnabledGroup(std::uint32_t attributes);
// Membership of the built-in Administrators group; always true on the 9x family.
bool IsUserAdmin(Machine& machine);

// The three methods; each scans drives 0 to 15 and stops at the first that answers.
bool ReadSmartSerial(Machine& machine, std::u16string* serial);
bool ReadStorageSerial(Machine& machine, std::u16string* serial);
bool ReadSmartSerialShared(Machine& machine, std::u16string* serial);
// The first non-empty serial of the methods in order (the first for administrators only), or
// the shared method's text.
std::u16string ReadHDDSerial(Machine& machine);

}  // namespace vkr
