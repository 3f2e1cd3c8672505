// Guards against mis-decoded Japanese text (0x5C as yen, NEC rows lost), reads stopped by bad
// bytes, broken characters swallowing line ends, and wrong byte counts or encodings.
#include <gtest/gtest.h>

#include "model/TextCodec.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

using test::U16;

TEST(TextCodec, Cp932DecodesBackslashKanaKanjiAndNecRows) {
  // 0x5C stays a backslash (paths, MTEXT codes); ① is an NEC row-13 character.
  EXPECT_EQ(DecodeText("C:\\a", TextEncoding::Ansi), u"C:\\a");
  EXPECT_EQ(DecodeText("\x93\xfa\x96\x7b", TextEncoding::Ansi), U16("日本"));
  EXPECT_EQ(DecodeText("\xb1\xb2", TextEncoding::Ansi), U16("ｱｲ"));
  EXPECT_EQ(DecodeText("\x87\x40", TextEncoding::Ansi), U16("①"));
  EXPECT_EQ(DecodeText("\x81\x5f", TextEncoding::Ansi), u"\uFF3C");  // full-width reverse solidus
}

TEST(TextCodec, UndecodableBytesBecomeReplacementWithoutEatingNeighbours) {
  EXPECT_EQ(DecodeText("a\x80z", TextEncoding::Ansi), u"a\uFFFDz");
  // A lead byte before a line end or at the end stands alone.
  EXPECT_EQ(DecodeText("\x93\n", TextEncoding::Ansi), u"\uFFFD\n");
  EXPECT_EQ(DecodeText("x\x93", TextEncoding::Ansi), u"x\uFFFD");
  EXPECT_EQ(DecodeText("\xff\xfe", TextEncoding::Ansi), u"\uFFFD\uFFFD");

  EXPECT_EQ(DecodeText("\xe6\x97\xa5", TextEncoding::Utf8), U16("日"));
  EXPECT_EQ(DecodeText("a\xe6\x97", TextEncoding::Utf8), u"a\uFFFD");  // truncated
  EXPECT_EQ(DecodeText("\xc0\xaf", TextEncoding::Utf8), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(DecodeText("\xed\xa0\x80", TextEncoding::Utf8), u"\uFFFD\uFFFD\uFFFD");  // surrogate
  EXPECT_EQ(DecodeText("\xf0\x9f\x98\x80", TextEncoding::Utf8), u"\U0001F600");
}

TEST(TextCodec, EncodeRoundTripsAndReplacesWhatCp932Lacks) {
  std::u16string text = U16("図面①ｱ\\x");
  EXPECT_EQ(DecodeText(EncodeText(text, TextEncoding::Ansi), TextEncoding::Ansi), text);
  EXPECT_EQ(EncodeText(U16("é😀a"), TextEncoding::Ansi), "??a");
  EXPECT_EQ(EncodeText(U16("é😀a"), TextEncoding::Utf8), "\xc3\xa9\xf0\x9f\x98\x80" "a");
  EXPECT_EQ(U16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xef\xbf\xbd");
}

TEST(TextCodec, Cp932ByteCountCountsFullWidthAsTwo) {
  EXPECT_EQ(Cp932ByteCount(u""), 0);
  EXPECT_EQ(Cp932ByteCount(u"abc"), 3);
  EXPECT_EQ(Cp932ByteCount(U16("日本ｱ")), 5);
  EXPECT_EQ(Cp932ByteCount(U16("①")), 2);
  EXPECT_EQ(Cp932ByteCount(U16("é😀")), 2);  // each becomes one '?'
}

TEST(TextCodec, EncodingFollowsVersionOrder) {
  EXPECT_EQ(EncodingForVersion(u""), TextEncoding::Ansi);
  EXPECT_EQ(EncodingForVersion(u"AC1018"), TextEncoding::Ansi);
  EXPECT_EQ(EncodingForVersion(u"AC1021"), TextEncoding::Utf8);
  EXPECT_EQ(EncodingForVersion(u"AC1032"), TextEncoding::Utf8);
  EXPECT_EQ(EncodingForVersion(u"AC102"), TextEncoding::Ansi);
  EXPECT_EQ(EncodingForVersion(u"ac1009"), TextEncoding::Utf8);  // lower case orders after
}

}  // namespace
}  // namespace vantrel
