#include "sysinfo/os_description.h"

#include <gtest/gtest.h>

#include "common/text.h"

namespace vkr {
namespace {

OsVersionRecord Record(std::uint32_t major, std::uint32_t minor, std::uint8_t product_type, std::uint16_t suite,
                       const std::u16string& csd) {
  OsVersionRecord record;
  record.major = major;
  record.minor = minor;
  record.product_type = product_type;
  record.suite_mask = suite;
  record.csd_version = csd;
  return record;
}

TEST(DescribeOSTest, VersionsEditionsServicePackAndArchitecture) {
  struct Row {
    OsVersionRecord record;
    std::optional<std::uint32_t> product;
    std::uint16_t architecture;
    std::u16string text;
  };
  const Row rows[] = {
      {Record(5, 1, 1, 0x0200, u"Service Pack 3"), {}, 0, u"Windows XP Home Edition Service Pack 3 X86"},
      {Record(5, 1, 1, 0x0000, u"Service Pack 3"), {}, 0, u"Windows XP Professional Service Pack 3 X86"},
      {Record(5, 1, 3, 0x0200, u""), {}, 0, u"Windows XP Server X86"},
      {Record(6, 1, 1, 0x0100, u"Service Pack 1"), 1u, 0, u"Windows 7 Ultimate Edition Service Pack 1 X86"},
      {Record(6, 1, 1, 0, u""), 48u, 9, u"Windows 7 Professional Edition X64"},
      {Record(6, 1, 1, 0, u"Service Pack 1"), 0u, 0, u"Windows 7 Service Pack 1 X86"},
      {Record(6, 1, 1, 0, u""), {}, 0, u"Windows 7 X86"},
      {Record(6, 1, 3, 0, u""), 8u, 9, u"Windows Server 2008 R2 Datacenter Edition X64"},
      {Record(6, 0, 1, 0, u"Service Pack 2"), 3u, 0, u"Windows Vista Home Premium Edition Service Pack 2 X86"},
      {Record(6, 0, 3, 0, u""), 17u, 6, u"Windows Server 2008 Web Edition IA64"},
      {Record(5, 2, 3, 0, u"Service Pack 2"), {}, 0, u"Windows Server 2003 Standard Edition Service Pack 2 X86"},
      {Record(5, 2, 1, 0x0082, u""), {}, 0, u"Windows Server 2003 DataCenter Edition X86"},
      {Record(5, 2, 3, 0x0002, u""), {}, 0, u"Windows Server 2003 Enterprise Edition X86"},
      {Record(5, 2, 3, 0x0400, u""), {}, 0, u"Windows Server 2003 Web Edition X86"},
      {Record(5, 2, 3, 0x0001, u""), {}, 0, u"Windows Server 2003 Small Business Edition X86"},
      {Record(5, 2, 3, 0x8000, u""), {}, 0, u"Windows Server 2003 Home Server X86"},
      {Record(5, 0, 1, 0x0080, u"Service Pack 4"), {}, 0, u"Windows 2000 Professional Service Pack 4 X86"},
      {Record(5, 0, 3, 0x0082, u""), {}, 0, u"Windows 2000 DataCenter Server X86"},
      {Record(5, 0, 3, 0x0002, u""), {}, 0, u"Windows 2000 Advanced Server X86"},
      {Record(5, 0, 3, 0, u""), {}, 5, u"Windows 2000 Server"},  // an unknown architecture adds nothing
      {Record(6, 2, 1, 0, u"Service Pack 1"), 48u, 0, u"Unknown OS"},
      {Record(10, 0, 1, 0, u""), {}, 9, u"Unknown OS"},
      {Record(4, 0, 1, 0, u"Service Pack 6"), {}, 0, u"Unknown OS"},
  };
  for (const Row& row : rows) {
    const std::u16string text = DescribeOS(row.record, row.product, row.architecture);
    EXPECT_EQ(text, row.text) << ToUtf8(row.text);
    EXPECT_FALSE(Contains(text, u"  ")) << ToUtf8(text);
  }
}

TEST(DescribeOSTest, BlanksOfTheServicePackTextAreNotDoubled) {
  struct Row {
    std::u16string csd;
    std::u16string text;
  };
  const Row rows[] = {
      {u" ", u"Windows XP Professional X86"},
      {u"   ", u"Windows XP Professional X86"},
      {u" Service Pack 3 ", u"Windows XP Professional Service Pack 3 X86"},
      {u"Service  Pack   3", u"Windows XP Professional Service Pack 3 X86"},
      {u"Service\tPack 3", u"Windows XP Professional Service\tPack 3 X86"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(DescribeOS(Record(5, 1, 1, 0, row.csd), {}, 0), row.text) << ToUtf8(row.csd);
  }
}

TEST(ProductEditionTest, EveryCodeOfTheTable) {
  struct Row {
    std::vector<std::uint32_t> codes;
    std::u16string edition;
  };
  const Row rows[] = {
      {{1, 28, 71}, u"Ultimate Edition"},
      {{2, 5, 67}, u"Home Basic Edition"},
      {{3, 26, 68}, u"Home Premium Edition"},
      {{4, 10, 14, 15, 27, 38, 41, 70}, u"Enterprise Edition"},
      {{6, 16}, u"Business Edition"},
      {{7, 13, 36}, u"Standard Edition"},
      {{8, 12, 37, 39}, u"Datacenter Edition"},
      {{9, 24, 35}, u"Small Business Server"},
      {{11, 47, 66}, u"Starter Edition"},
      {{17, 29}, u"Web Edition"},
      {{20, 21, 22, 23}, u"Storage Server"},
      {{48, 49, 69}, u"Professional Edition"},
      {{0, 18, 19, 25, 30, 72, 0xABCDABCDu}, u""},
  };
  for (const Row& row : rows) {
    for (const std::uint32_t code : row.codes) EXPECT_EQ(ProductEdition(code), row.edition) << code;
  }
}

TEST(OsReleaseTest, ValuesUnquotedAsTheShellReadsThem) {
  struct Row {
    const char* text;
    const char* key;
    std::optional<std::u16string> value;
  };
  const Row rows[] = {
      {"PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n", "PRETTY_NAME", u"Debian GNU/Linux 12 (bookworm)"},
      {"NAME=Fedora\nVERSION=\"39 (Workstation Edition)\"\n", "NAME", u"Fedora"},
      {"NAME='Arch Linux'\n", "NAME", u"Arch Linux"},
      {"NAME=\"A \\\"quoted\\\" \\$name\\\\\"\n", "NAME", u"A \"quoted\" $name\\"},
      {"NAME='it\\s'\n", "NAME", u"it\\s"},
      {"  NAME=\"indented\"  \r\n", "NAME", u"indented"},
      {"# NAME=comment\nNAME=real\n", "NAME", u"real"},
      {"NAME=first\nNAME=second\n", "NAME", u"first"},
      {"PRETTY_NAME=x\n", "NAME", std::nullopt},
      {"NAME=\"unterminated\n", "NAME", std::nullopt},
      {"NAME=\"\xE7\x8E\xA9\x01\"\n", "NAME", u"\u73A9"},
      {"", "NAME", std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(OsReleaseValue(row.text, row.key), row.value) << row.text;
}

TEST(OsReleaseTest, DescriptionFallsBackFromThePrettyNameAndAddsTheArchitecture) {
  struct Row {
    const char* text;
    std::uint16_t architecture;
    std::u16string description;
  };
  const Row rows[] = {
      {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n", 9,
       u"Debian GNU/Linux 12 (bookworm) X64"},
      {"NAME=Fedora\nVERSION=\"39  (Workstation Edition) \"\n", 9, u"Fedora 39 (Workstation Edition) X64"},
      {"NAME=Alpine\n", 0, u"Alpine X86"},
      {"PRETTY_NAME=\"\"\nNAME=Gentoo\n", 12, u"Gentoo"},
      {"PRETTY_NAME=\"  Spaced   out  \"\n", 9, u"Spaced out X64"},
      {"", 9, u"Linux X64"},
      {"garbage without equals\n\x01\x02", 0xFFFF, u"Linux"},
  };
  for (const Row& row : rows) EXPECT_EQ(DescribeOsRelease(row.text, row.architecture), row.description) << row.text;
}

}  // namespace
}  // namespace vkr
