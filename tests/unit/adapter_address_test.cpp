#include "sysinfo/adapter_address.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "fakes/fake_machine.h"

namespace vkr {
namespace {

using Addresses = std::vector<std::vector<std::uint8_t>>;

TEST(FormatAdapterAddressTest, UpperCaseHexPairsJoinedByDashes) {
  EXPECT_EQ(FormatAdapterAddress({0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}), u"00-1A-2B-3C-4D-5E");
  EXPECT_EQ(FormatAdapterAddress({0xFF}), u"FF");
  EXPECT_EQ(FormatAdapterAddress({}), u"");
  EXPECT_EQ(FormatAdapterAddress({1, 2, 3, 4, 5, 6, 7, 0xE8}), u"01-02-03-04-05-06-07-E8");
}

TEST(JoinAdapterAddressesTest, ListInChainOrder) {
  struct Row {
    Addresses addresses;
    std::u16string text;
  };
  const Row rows[] = {
      {{{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, {0x00, 0x50, 0x56, 0xC0, 0x00, 0x08}},
       u"00-1A-2B-3C-4D-5E,00-50-56-C0-00-08"},
      {{{}, {0x00, 0x50, 0x56, 0xC0, 0x00, 0x08}}, u"00-50-56-C0-00-08"},   // an empty first adds nothing
      {{{0x00, 0x50, 0x56, 0xC0, 0x00, 0x08}, {}}, u"00-50-56-C0-00-08,"},  // a later one leaves a ","
      {{{}, {}, {0xAB}}, u"AB"},
      {{}, u""},
  };
  for (const Row& row : rows) EXPECT_EQ(JoinAdapterAddresses(row.addresses), row.text) << ToUtf8(row.text);
}

TEST(ReadMacAddressTest, EmptyWhenTheListCannotBeRead) {
  testing::FakeMachine machine;
  machine.adapters = {{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}};
  EXPECT_EQ(ReadMacAddress(machine), u"00-1A-2B-3C-4D-5E");
  machine.adapters_ok = false;  // e.g. more adapters than fit in the buffer
  EXPECT_EQ(ReadMacAddress(machine), u"");
  machine.adapters_ok = true;
  machine.adapters.clear();
  EXPECT_EQ(ReadMacAddress(machine), u"");
}

}  // namespace
}  // namespace vkr
