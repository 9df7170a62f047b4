#include "common/text.h"

#include <gtest/gtest.h>

namespace vkr {
namespace {

TEST(PercentEncodeTest, OnlyTheGivenSetIsEncodedByItsLowByte) {
  const auto digits_and_tilde = [](char16_t c) { return (c >= u'0' && c <= u'9') || c == u'~' || c == 0x4E2D; };
  const struct {
    std::u16string text;
    std::u16string encoded;
  } rows[] = {
      {u"", u""},
      {u"a1b", u"a%31b"},
      {u"~%", u"%7E%"},
      {u"%7e~", u"%7e%7E"},             // an escape already there stays
      {u"\u4E2D\u6587", u"%2D\u6587"},  // a code unit beyond ASCII gives only its low byte
  };
  for (const auto& row : rows) {
    EXPECT_EQ(PercentEncode(row.text, digits_and_tilde), row.encoded) << ToUtf8(row.text);
  }
}

TEST(PercentEncodeTest, UnsafeUrlCharsAreControlsBlankQuoteHashPercentAmpersandPlusAndDelete) {
  EXPECT_EQ(EncodeUnsafeUrlChars(u"a b\"#%&\x01\x1F\x7F!'()*+,/:;=?@[]^`{|}~\u7528"),
            u"a%20b%22%23%25%26%01%1F%7F!'()*%2B,/:;=?@[]^`{|}~\u7528");
}

TEST(PercentEncodeTest, AValueThatArrivesEncodedIsSentUnchanged) {
  const struct {
    std::u16string text;
    std::u16string encoded;
  } rows[] = {
      {u"a%20b", u"a%20b"},                    // an escape stays
      {u"%E7%94%A8", u"%E7%94%A8"},            // upper-case digits
      {u"%e7%94%a8", u"%e7%94%a8"},            // lower-case digits
      {u"100%", u"100%25"},                    // nothing follows
      {u"%4", u"%254"},                        // one digit only
      {u"%zz", u"%25zz"},                      // not digits
      {u"%%41", u"%25%41"},                    // the first is bare, the second an escape
      {u"%2B+", u"%2B%2B"},                    // "+" is encoded, an encoded "+" stays
      {u"%\u0661\u0662", u"%25\u0661\u0662"},  // only ASCII digits make an escape
  };
  for (const auto& row : rows) {
    EXPECT_EQ(EncodeUnsafeUrlChars(row.text), row.encoded) << ToUtf8(row.text);
  }
}

TEST(HexDigitsTest, ZeroPaddedMostSignificantFirst) {
  EXPECT_EQ(HexDigits(0xABCDEF12u, 8), u"ABCDEF12");
  EXPECT_EQ(HexDigits(0xABCDEF12u, 8, true), u"abcdef12");
  EXPECT_EQ(HexDigits(0x5, 2), u"05");
  EXPECT_EQ(HexDigits(0x1FF, 2), u"FF");  // higher digits are dropped
  EXPECT_EQ(HexDigits(0, 4), u"0000");
  EXPECT_EQ(HexDigits(7, 0), u"");
}

TEST(TextBeforeNulTest, CutsAtTheFirstZero) {
  EXPECT_EQ(TextBeforeNul(std::u16string(u"C:\\x\0junk\0", 10)), u"C:\\x");
  EXPECT_EQ(TextBeforeNul(u"whole"), u"whole");
  EXPECT_EQ(TextBeforeNul(std::u16string(1, u'\0')), u"");
}

TEST(Utf16LeBytesTest, RoundTripAndALastOddByteIsDropped) {
  const std::u16string text = u"A\u4E2D\U0001F600";
  const std::vector<std::uint8_t> bytes = ToUtf16LeBytes(text, false);
  EXPECT_EQ(bytes.size(), 8u);
  EXPECT_EQ(bytes[2], 0x2D);
  EXPECT_EQ(bytes[3], 0x4E);
  EXPECT_EQ(FromUtf16LeBytes(bytes), text);
  EXPECT_EQ(FromUtf16LeBytes("A\0B", 3), u"A");
  EXPECT_EQ(ToUtf16LeBytes(u"", true), (std::vector<std::uint8_t>{0, 0}));
}

TEST(Utf8Test, OnlyWellFormedSequencesAreValidAndDecodeWithoutReplacement) {
  const struct {
    const char* what;
    std::string bytes;
    bool valid;
  } rows[] = {
      {"ASCII", "plain", true},
      {"empty", "", true},
      {"two, three and four bytes", "\xC2\xB0\xE7\x89\x88\xF0\x9F\x98\x80", true},
      {"the last code point", "\xF4\x8F\xBF\xBF", true},
      {"lone continuation byte", "a\x80", false},
      {"truncated sequence", "\xE7\x89", false},
      {"continuation missing", "\xE7\x41\x88", false},
      {"overlong two bytes", "\xC0\xAF", false},
      {"overlong three bytes", "\xE0\x80\xAF", false},
      {"overlong four bytes", "\xF0\x80\x80\xAF", false},
      {"surrogate", "\xED\xA0\x80", false},
      {"above U+10FFFF", "\xF4\x90\x80\x80", false},
      {"five-byte lead", "\xF8\x88\x80\x80\x80", false},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(IsValidUtf8(row.bytes), row.valid) << row.what;
    EXPECT_EQ(FromUtf8(row.bytes).find(u'\uFFFD') == std::u16string::npos, row.valid) << row.what;
  }
  EXPECT_EQ(FromUtf8("\xC2\xB0\xE7\x89\x88\xF0\x9F\x98\x80"), u"\u00B0\u7248\U0001F600");
  // Each byte of a broken sequence becomes one replacement, and decoding goes on after it.
  EXPECT_EQ(FromUtf8("\xC0\xAFz"), u"\uFFFD\uFFFDz");
}

}  // namespace
}  // namespace vkr
