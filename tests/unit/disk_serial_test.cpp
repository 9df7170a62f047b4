#include "sysinfo/disk_serial.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/text.h"
#include "fakes/fake_machine.h"
#include "platform/win_constants.h"

namespace vkr {
namespace {

using testing::FakeMachine;

constexpr std::uint32_t kReadWrite = win::GENERIC_READ | win::GENERIC_WRITE;
constexpr std::uint32_t kShareReadWrite = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE;

std::u16string Drive(int index) { return u"\\\\.\\PhysicalDrive" + ToText(index); }

// GETVERSIONINPARAMS with the given device map.
std::vector<std::uint8_t> SmartVersion(std::uint8_t device_map) {
  std::vector<std::uint8_t> version(24, 0);
  version[0] = 1;
  version[3] = device_map;
  return version;
}

// A SMART reply whose IDENTIFY data holds `text` from byte 20 as a drive stores it: each pair of
// characters high byte first.
std::vector<std::uint8_t> IdentifyReply(const std::string& text, std::size_t size = kSmartReplySize) {
  std::vector<std::uint8_t> reply(size, 0);
  std::uint8_t* field = reply.data() + kIdentifyDataOffset + kIdentifySerialOffset;
  std::memcpy(field, text.data(), text.size());
  SwapBytePairs(field, text.size() + (text.size() & 1));
  return reply;
}

// A storage descriptor whose serial text sits at byte 0x100.
std::vector<std::uint8_t> StorageReply(const std::string& source) {
  std::vector<std::uint8_t> reply(kStorageReplySize, 0);
  reply[kStorageSerialOffsetField + 1] = 0x01;  // SerialNumberOffset = 0x100
  std::memcpy(reply.data() + 0x100, source.data(), source.size());
  return reply;
}

// A machine whose drive 0 answers the SMART requests with `text` as its serial field.
FakeMachine SmartDrive0(const std::string& text, std::size_t reply_size = kSmartReplySize) {
  FakeMachine machine;
  machine.devices[Drive(0)].smart_version = SmartVersion(0x01);
  machine.devices[Drive(0)].identify_reply = IdentifyReply(text, reply_size);
  return machine;
}

// A machine whose user is no administrator, so that the storage query runs first.
FakeMachine NonAdminMachine() {
  FakeMachine machine;
  machine.admin_membership = AdminMembership::kNotMember;
  return machine;
}

TEST(SmartRequestTest, IdentifyRecordIsByteExact) {
  // Device map 0x10: drive 0 is an ATAPI device, drive 1 (bit 4 of map >> 1 clear) is not.
  EXPECT_EQ(SmartIdentifyCommand(0x10, 0), 0xA1);
  EXPECT_EQ(SmartIdentifyCommand(0x10, 1), 0xEC);
  EXPECT_EQ(SmartIdentifyCommand(0x20, 1), 0xA1);
  EXPECT_EQ(SmartIdentifyCommand(0x01, 0), 0xEC);

  const std::vector<std::uint8_t> drive0 = {0x00, 0x02, 0, 0, 0, 1, 0, 0, 0, 0xA0, 0xA1, 0, 0, 0, 0, 0,
                                            0,    0,    0, 0, 0, 0, 0, 0, 0, 0,    0,    0, 0, 0, 0, 0};
  EXPECT_EQ(BuildSmartIdentifyRequest(0, 0xA1), drive0);
  const std::vector<std::uint8_t> drive1 = {0x00, 0x02, 0, 0, 0, 1, 0, 0, 0, 0xB0, 0xEC, 0, 1, 0, 0, 0,
                                            0,    0,    0, 0, 0, 0, 0, 0, 0, 0,    0,    0, 0, 0, 0, 0};
  EXPECT_EQ(BuildSmartIdentifyRequest(1, 0xEC), drive1);

  std::vector<std::uint8_t> shared(545, 0);
  shared[10] = 0xEC;
  EXPECT_EQ(BuildSharedSmartBuffer(), shared);
}

TEST(ReadSmartSerialTest, SendsTheCommandOfTheDeviceMap) {
  struct Row {
    int drive;  // the only drive present
    std::uint8_t command;
    std::uint8_t head;
  };
  const Row rows[] = {{0, 0xA1, 0xA0}, {1, 0xEC, 0xB0}};
  for (const Row& row : rows) {
    FakeMachine machine;
    machine.devices[Drive(row.drive)].smart_version = SmartVersion(0x10);
    machine.devices[Drive(row.drive)].identify_reply = IdentifyReply("WD-WCAV12345678     ");
    std::u16string serial;
    ASSERT_TRUE(ReadSmartSerial(machine, &serial));
    EXPECT_EQ(serial, u"WD-WCAV12345678     ");
    ASSERT_EQ(machine.controls.size(), 2u);
    EXPECT_EQ(machine.controls[0].code, win::SMART_GET_VERSION);
    const auto& identify = machine.controls[1];
    EXPECT_EQ(identify.code, win::SMART_RCV_DRIVE_DATA);
    EXPECT_EQ(identify.input, BuildSmartIdentifyRequest(row.drive, row.command));
    EXPECT_EQ(identify.input[9], row.head);
    EXPECT_EQ(identify.input[10], row.command);
    EXPECT_EQ(identify.out_size, 544u);
    EXPECT_FALSE(identify.same_buffer);
    EXPECT_EQ(machine.opens.back().access, kReadWrite);
    EXPECT_EQ(machine.opens.back().share, kShareReadWrite);
    EXPECT_EQ(machine.opens.size(), static_cast<std::size_t>(row.drive + 1));
    EXPECT_EQ(machine.open_devices(), 0);
  }
}

TEST(ReadSmartSerialTest, SkipsDrivesWithoutDeviceMapOrAnswer) {
  FakeMachine machine;
  machine.devices[Drive(0)].smart_version = SmartVersion(0);  // no IDE device
  machine.devices[Drive(1)].smart_version_ok = false;
  machine.devices[Drive(2)].smart_version = SmartVersion(0x01);
  machine.devices[Drive(2)].identify_ok = false;
  machine.devices[Drive(3)].smart_version = SmartVersion(0x01);
  machine.devices[Drive(3)].identify_reply = IdentifyReply("S3SERIAL");
  machine.devices[Drive(4)].smart_version = SmartVersion(0x01);
  std::u16string serial;
  EXPECT_TRUE(ReadSmartSerial(machine, &serial));
  EXPECT_EQ(serial, u"S3SERIAL");
  EXPECT_EQ(machine.opens.size(), 4u);
  EXPECT_EQ(machine.open_devices(), 0);

  FakeMachine none;
  EXPECT_FALSE(ReadSmartSerial(none, &serial));
  EXPECT_EQ(none.opens.size(), 16u);
  EXPECT_EQ(none.opens[15].path, u"\\\\.\\PhysicalDrive15");
}

TEST(ReadSmartSerialTest, RightAlignedSerialKeepsItsLeadingBlanks) {
  // Twelve characters behind eight blanks; words 20 and 21 are zero.
  FakeMachine machine = SmartDrive0("        5QM12ABC3456");
  std::u16string serial;
  ASSERT_TRUE(ReadSmartSerial(machine, &serial));
  EXPECT_EQ(serial, u"        5QM12ABC3456");
}

TEST(SmartSerialTest, TheTwoMethodsExchangeDifferentSpans) {
  // Twenty serial characters with no zero, then word 20 holding "XY": the first method exchanges
  // words 10 to 29 and reads on into word 20 in order; the shared method exchanges words 10 to 19
  // only and reads word 20 as stored.
  FakeMachine machine = SmartDrive0("ABCDEFGHIJKLMNOPQRSTXY");
  std::u16string serial;
  ASSERT_TRUE(ReadSmartSerial(machine, &serial));
  EXPECT_EQ(serial, u"ABCDEFGHIJKLMNOPQRSTXY");

  FakeMachine shared = SmartDrive0("ABCDEFGHIJKLMNOPQRSTXY", kSmartSharedBufferSize);
  shared.devices[Drive(0)].smart_version = SmartVersion(0);  // the map is not looked at
  ASSERT_TRUE(ReadSmartSerialShared(shared, &serial));
  EXPECT_EQ(serial, u"ABCDEFGHIJKLMNOPQRSTYX");
  ASSERT_EQ(shared.controls.size(), 2u);
  const auto& identify = shared.controls[1];
  EXPECT_EQ(identify.code, win::SMART_RCV_DRIVE_DATA);
  EXPECT_EQ(identify.input.size(), 33u);
  EXPECT_EQ(identify.out_size, 545u);
  EXPECT_TRUE(identify.same_buffer);
  std::vector<std::uint8_t> request(33, 0);
  request[10] = 0xEC;
  EXPECT_EQ(identify.input, request);
  EXPECT_EQ(shared.opens[0].access, kReadWrite);
  EXPECT_EQ(shared.opens[0].share, kShareReadWrite | win::FILE_SHARE_DELETE);
  EXPECT_EQ(shared.open_devices(), 0);
}

TEST(DecodeSerialTextTest, ExamplesThroughTheExchangeOfAllPairs) {
  struct Row {
    std::string source;
    std::u16string serial;
  };
  const Row rows[] = {
      {"4142434431323334", u"BADC2143"},
      {"3132333435", u"2143"},         // odd length: the last character changes place with the zero
      {"  S1ABCDEF  ", u"1SBADCFEF"},  // raw, trimmed; the "F" behind the trim comes along
      {"00000000", u""},
      {"    ", u""},
      {"  20  ", u" "},  // blanks read as "0": bytes 0, 0x20, 0; the blank is exchanged forward
      {"6a6B", u"kj"},
      {"zz", u"zz"},  // not hex: raw
      {"4G", u"G4"},
      {"0102", u"1020"},  // the pair 0x01 is not printable: raw text
  };
  for (const Row& row : rows) {
    FakeMachine machine = NonAdminMachine();
    machine.devices[Drive(0)].storage_reply = StorageReply(row.source);
    machine.devices[Drive(1)].storage_reply = StorageReply("4142");
    std::u16string serial;
    ASSERT_TRUE(ReadStorageSerial(machine, &serial)) << row.source;
    EXPECT_EQ(serial, row.serial) << row.source;
    // Success on drive 0 ends the scan, whatever the text.
    EXPECT_EQ(machine.opens.size(), 1u) << row.source;
    EXPECT_EQ(machine.opens[0].access, 0u);
    EXPECT_EQ(machine.opens[0].share, kShareReadWrite);
    ASSERT_EQ(machine.controls.size(), 1u);
    EXPECT_EQ(machine.controls[0].code, win::IOCTL_STORAGE_QUERY_PROPERTY);
    EXPECT_EQ(machine.controls[0].input, std::vector<std::uint8_t>(12, 0));
    EXPECT_EQ(machine.controls[0].out_size, 8192u);
    EXPECT_EQ(machine.open_devices(), 0);
  }
}

TEST(DecodeSerialTextTest, WritesInPlaceAndLeavesTheRest) {
  std::vector<std::uint8_t> reply(64, 0);
  const char source[] = "  S1ABCDEF  ";
  std::memcpy(reply.data() + 8, source, sizeof(source) - 1);
  std::uint8_t text[kSerialTextSize] = {};
  ASSERT_TRUE(DecodeSerialText(reply, 8, text));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(text)), "S1ABCDEF");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(text + 9)), "F  ");

  text[0] = 'x';
  EXPECT_FALSE(DecodeSerialText(reply, 0, text));
  EXPECT_EQ(text[0], 0);
  EXPECT_FALSE(DecodeSerialText(reply, -4, text));
  EXPECT_FALSE(DecodeSerialText(reply, 64, text));  // beyond the reply
}

TEST(DecodeSerialTextTest, LongSourceIsCutToTheBuffer) {
  std::vector<std::uint8_t> reply(kStorageReplySize, 0);
  std::memset(reply.data() + 0x100, 'S', 1500);
  reply[kStorageSerialOffsetField + 1] = 0x01;
  FakeMachine machine = NonAdminMachine();
  machine.devices[Drive(0)].storage_reply = reply;
  std::u16string serial;
  ASSERT_TRUE(ReadStorageSerial(machine, &serial));
  // 1023 characters fit; an odd length loses its last one to the exchange.
  EXPECT_EQ(serial, std::u16string(1022, u'S'));
}

TEST(ReadStorageSerialTest, ZeroOffsetOrFailedQueryMovesOn) {
  FakeMachine machine = NonAdminMachine();
  machine.devices[Drive(0)].storage_reply = std::vector<std::uint8_t>(kStorageReplySize, 0);
  machine.devices[Drive(1)].storage_ok = false;
  machine.devices[Drive(2)].storage_reply = StorageReply("4142434431323334");
  std::u16string serial;
  EXPECT_TRUE(ReadStorageSerial(machine, &serial));
  EXPECT_EQ(serial, u"BADC2143");
  EXPECT_EQ(machine.opens.size(), 3u);
}

TEST(IsUserAdminTest, MembershipRoads) {
  struct Row {
    const char* what;
    std::uint32_t version;
    AdminMembership membership;
    bool groups_ok;
    std::vector<std::uint32_t> attributes;
    bool admin;
    int checks;
    int group_reads;
  };
  const std::uint32_t kSeven = 0x1DB10106u;
  const std::uint32_t kNt4 = 0x05650004u;
  const std::uint32_t k98 = 0xC0000A04u;
  const Row rows[] = {
      {"9x family", k98, AdminMembership::kNotMember, false, {}, true, 0, 0},
      {"member", kSeven, AdminMembership::kMember, false, {}, true, 1, 0},
      {"not a member", kSeven, AdminMembership::kNotMember, true, {0x07}, false, 1, 0},
      {"check failed", kSeven, AdminMembership::kCallFailed, true, {0x07}, false, 1, 0},
      {"no CheckTokenMembership: enabled group", kSeven, AdminMembership::kFunctionMissing, true, {0x07}, true, 1, 1},
      {"no CheckTokenMembership: deny only", kSeven, AdminMembership::kFunctionMissing, true, {0x14}, false, 1, 1},
      {"NT 4: enabled group", kNt4, AdminMembership::kMember, true, {0x10, 0x04}, true, 0, 1},
      {"NT 4: disabled group", kNt4, AdminMembership::kMember, true, {0x03}, false, 0, 1},
      {"NT 4: no group", kNt4, AdminMembership::kMember, true, {}, false, 0, 1},
      {"NT 4: token unreadable", kNt4, AdminMembership::kMember, false, {0x04}, false, 0, 1},
  };
  for (const Row& row : rows) {
    FakeMachine machine;
    machine.windows_version = row.version;
    machine.admin_membership = row.membership;
    machine.group_attributes_ok = row.groups_ok;
    machine.admin_group_attributes = row.attributes;
    EXPECT_EQ(IsUserAdmin(machine), row.admin) << row.what;
    EXPECT_EQ(machine.membership_checks, row.checks) << row.what;
    EXPECT_EQ(machine.group_reads, row.group_reads) << row.what;
  }
}

TEST(ReadHDDSerialTest, MethodOrder) {
  {
    // An administrator gets the SMART serial; the other methods are not tried.
    FakeMachine machine = SmartDrive0("SMART-SERIAL");
    machine.devices[Drive(0)].storage_reply = StorageReply("STORAGE");
    EXPECT_EQ(ReadHDDSerial(machine), u"SMART-SERIAL");
    EXPECT_EQ(machine.opens.size(), 1u);
  }
  {
    // A user who is not an administrator never reaches the first method.
    FakeMachine machine = NonAdminMachine();
    machine.devices[Drive(0)].smart_version = SmartVersion(0x01);
    machine.devices[Drive(0)].identify_reply = IdentifyReply("SMART-SERIAL");
    machine.devices[Drive(0)].storage_reply = StorageReply("4142");
    EXPECT_EQ(ReadHDDSerial(machine), u"BA");
    ASSERT_EQ(machine.opens.size(), 1u);
    EXPECT_EQ(machine.opens[0].access, 0u);
  }
  {
    // The first method's empty text moves on to the storage query.
    FakeMachine machine;
    machine.devices[Drive(0)].smart_version = SmartVersion(0x01);
    machine.devices[Drive(0)].identify_reply = IdentifyReply("");
    machine.devices[Drive(1)].smart_version = SmartVersion(0x01);
    machine.devices[Drive(1)].identify_reply = IdentifyReply("NOT-REACHED");
    machine.devices[Drive(0)].storage_reply = StorageReply("4142");
    EXPECT_EQ(ReadHDDSerial(machine), u"BA");
    ASSERT_EQ(machine.opens.size(), 2u);
    EXPECT_EQ(machine.opens[1].access, 0u);
  }
  {
    // The storage query's empty text for drive 0 does not try drive 1; the shared method runs.
    FakeMachine machine = NonAdminMachine();
    machine.devices[Drive(0)].storage_reply = StorageReply("00000000");
    machine.devices[Drive(1)].storage_reply = StorageReply("4142");
    machine.devices[Drive(0)].identify_reply = IdentifyReply("SHARED-SERIAL", kSmartSharedBufferSize);
    EXPECT_EQ(ReadHDDSerial(machine), u"SHARED-SERIAL");
    ASSERT_EQ(machine.opens.size(), 2u);
    EXPECT_EQ(machine.opens[0].path, Drive(0));
    EXPECT_EQ(machine.opens[0].access, 0u);
    EXPECT_EQ(machine.opens[1].path, Drive(0));
    EXPECT_EQ(machine.opens[1].share, kShareReadWrite | win::FILE_SHARE_DELETE);
    EXPECT_EQ(machine.open_devices(), 0);
  }
  {
    // Nothing answers: every method scans all sixteen drives, and the result is empty.
    FakeMachine machine;
    EXPECT_EQ(ReadHDDSerial(machine), u"");
    EXPECT_EQ(machine.opens.size(), 48u);
  }
}

TEST(SwapBytePairsTest, ExchangesWholePairsOnly) {
  std::uint8_t bytes[] = {1, 2, 3, 4, 5};
  SwapBytePairs(bytes, 5);
  const std::uint8_t expected[] = {2, 1, 4, 3, 5};
  EXPECT_EQ(std::memcmp(bytes, expected, 5), 0);
}

}  // namespace
}  // namespace vkr
