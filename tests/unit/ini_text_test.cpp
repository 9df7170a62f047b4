#include "common/ini_text.h"

#include <gtest/gtest.h>

#include "common/text.h"

namespace vkr {
namespace {

TEST(ReadIniValueTest, FollowsTheProfileRules) {
  const struct {
    std::string file;
    std::u16string value;
  } rows[] = {
      {"[version]\ncurrentversion=1.4.0.1\n", u"1.4.0.1"},
      {"[VERSION]\r\nCurrentVersion =  1.4.0.1  \r\n", u"1.4.0.1"},
      {"[other]\ncurrentversion=9.9.9.9\n[version]\ncurrentversion=1.0.0.2", u"1.0.0.2"},
      {"[version]\ncurrentversion=\"1.2.3.4\"\n", u"1.2.3.4"},
      {"[version]\ncurrentversion=\n", u""},
      {"[version]\n", u"<absent>"},
      {"currentversion=1.0.0.0\n", u"<absent>"},
      {"", u"<absent>"},
      {"\xEF\xBB\xBF[version]\ncurrentversion=2.0.0.0\n", u"2.0.0.0"},
      {std::string("\xFF\xFE[\0v\0e\0r\0s\0i\0o\0n\0]\0\n\0c\0u\0r\0r\0e\0n\0t\0v\0e\0r\0s\0i\0o\0n\0=\0003\0", 54),
       u"3"},
      {"[version\ncurrentversion=1\n", u"<absent>"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ReadIniValue(DecodeTextFile(row.file), u"version", u"currentversion", u"<absent>"), row.value)
        << row.file;
  }
}

TEST(DecodeTextFileTest, InvalidUtf8FallsBackToBytes) {
  EXPECT_EQ(DecodeTextFile("a\xB0"
                           "b"),
            std::u16string(u"a\u00B0b"));
  EXPECT_EQ(DecodeTextFile("\xE7\x89\x88"), u"版");
  // Sequences of UTF-8's shape that are not UTF-8 (overlong, surrogate) are bytes too.
  EXPECT_EQ(DecodeTextFile("v=\xC0\xAF"), u"v=\u00C0\u00AF");
  EXPECT_EQ(DecodeTextFile("\xED\xA0\x80"), u"\u00ED\u00A0\u0080");
}

}  // namespace
}  // namespace vkr
