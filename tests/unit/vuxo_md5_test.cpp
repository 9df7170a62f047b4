#include "statistics/vuxo_md5.h"

#include <gtest/gtest.h>

#include <string>

#include "common/text.h"

namespace vkr {
namespace {

std::string DigestOfBytes(const std::string& bytes) {
  MD5Digest digest;
  MD5Buffer(reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()), digest);
  return ToUtf8(MD5Print(digest));
}

std::string DigestOfText(const std::u16string& text) {
  MD5Digest digest;
  MD5String(text, digest);
  return ToUtf8(MD5Print(digest));
}

TEST(MD5BufferTest, Rfc1321Suite) {
  struct Row {
    std::string input;
    std::string digest;
  };
  const Row rows[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const Row& row : rows) EXPECT_EQ(DigestOfBytes(row.input), row.digest) << row.input;
}

TEST(MD5UpdateTest, PiecesAcrossBlockBoundariesGiveTheOneShotDigest) {
  // 200 bytes fed in uneven pieces: 1, 55, 8, 64, 72 (crossing the padding and block edges).
  std::string bytes;
  for (int i = 0; i < 200; ++i) bytes.push_back(static_cast<char>(i * 7 + 3));
  MD5Context context;
  MD5Init(context);
  std::size_t offset = 0;
  for (const std::size_t piece : {1u, 55u, 8u, 64u, 72u}) {
    MD5Update(context, reinterpret_cast<const std::uint8_t*>(bytes.data()) + offset, static_cast<std::uint32_t>(piece));
    offset += piece;
  }
  ASSERT_EQ(offset, bytes.size());
  MD5Digest digest;
  MD5Final(digest, context);
  EXPECT_EQ(ToUtf8(MD5Print(digest)), DigestOfBytes(bytes));
  // Final leaves nothing of the input behind.
  const auto* raw = reinterpret_cast<const std::uint8_t*>(&context);
  for (std::size_t i = 0; i < sizeof(context); ++i) ASSERT_EQ(raw[i], 0) << i;
}

TEST(MD5BufferTest, PaddingEdgeLengths) {
  // 55, 56 and 64 bytes of "a": one block, two blocks for the length field, a full block.
  EXPECT_EQ(DigestOfBytes(std::string(55, 'a')), "ef1772b6dff9a122358552954ad0df65");
  EXPECT_EQ(DigestOfBytes(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
  EXPECT_EQ(DigestOfBytes(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
}

TEST(MD5StringTest, DigestsTheFirstHalfOfTheUtf16Bytes) {
  EXPECT_EQ(DigestOfText(u"abc"), "70350f6027bce3713f6b76473084309b");
  EXPECT_EQ(DigestOfText(u"abc"), DigestOfBytes(std::string("a\0b", 3)));
  EXPECT_EQ(DigestOfText(u""), "d41d8cd98f00b204e9800998ecf8427e");
  // Same length, same first half: the second half has no influence.
  EXPECT_EQ(DigestOfText(u"abcXYZ"), DigestOfText(u"abcQRS"));
  EXPECT_NE(DigestOfText(u"abcXYZ"), DigestOfText(u"abdXYZ"));
  // A non-ASCII code unit contributes both its bytes when it lies in the first half.
  EXPECT_EQ(DigestOfText(u"迅闪xy"), DigestOfBytes(std::string("\xc5\x8f\xea\x95", 4)));
}

TEST(MD5PrintTest, LowerCaseHexHighDigitFirst) {
  MD5Digest digest{};
  for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = static_cast<std::uint8_t>(i * 17);
  EXPECT_EQ(MD5Print(digest), u"00112233445566778899aabbccddeeff");
}

}  // namespace
}  // namespace vkr
