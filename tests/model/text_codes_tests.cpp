// Guards against wrong \U+ decoding (chained, overlapping, short or invalid pieces), a decode that
// slows with the square of the text, MTEXT codes left in or text lost by the strip, and wrong line
// splits (quotes, trailing breaks, "}").
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "model/TextCodes.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

using test::U16;

std::u16string Decoded(const std::u16string& s) {
  std::vector<TTextBlk> table(1);
  table[0].str = s;
  DecodeUnicodeEscapes(table);
  return table[0].str;
}

// The plain loop the decoder must agree with.
std::u16string NaiveDecoded(std::u16string t) {
  for (;;) {
    std::size_t pos = t.find(u"\\U+");
    if (pos == std::u16string::npos) return t;
    std::u16string piece = t.substr(pos, 7);
    std::u16string digits = piece.substr(3);
    unsigned code = 0;
    bool ok = !digits.empty();
    for (char16_t c : digits) {
      int d = (c >= u'0' && c <= u'9') ? c - u'0'
              : (c >= u'A' && c <= u'F') ? c - u'A' + 10
              : (c >= u'a' && c <= u'f') ? c - u'a' + 10 : -1;
      if (d < 0) ok = false;
      code = code * 16 + (d < 0 ? 0 : d);
    }
    std::u16string rep(1, ok ? char16_t(code & 0xFFFF) : u'\0');
    std::u16string out;
    std::size_t start = 0;
    for (std::size_t p = t.find(piece); p != std::u16string::npos; p = t.find(piece, start)) {
      out += t.substr(start, p - start) + rep;
      start = p + piece.size();
    }
    t = out + t.substr(start);
  }
}

TEST(UnicodeEscapes, DecodeHexPiecesIncludingShortAndInvalidOnes) {
  EXPECT_EQ(Decoded(u"A\\U+00B0B"), U16("A°B"));
  EXPECT_EQ(Decoded(u"\\U+00b0"), U16("°"));
  EXPECT_EQ(Decoded(u"x\\U+ZZZZy"), std::u16string(u"x\0y", 3));
  EXPECT_EQ(Decoded(u"ab\\U+4"), u"ab\u0004");
  EXPECT_EQ(Decoded(u"ab\\U+"), std::u16string(u"ab\0", 3));
  EXPECT_EQ(Decoded(u"\\U+005CU+0041"), u"A");  // the decoded backslash opens a new escape
  EXPECT_EQ(Decoded(u"\\U+65E5\\U+672C \\U+65E5"), U16("日本 日"));
  EXPECT_EQ(Decoded(u"plain"), u"plain");
}

TEST(UnicodeEscapes, AgreeWithThePlainReplaceLoopOnAwkwardMixtures) {
  const char16_t alphabet[] = u"\\\\\\UUU++05CcB2b4x\"";
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> pick(0, sizeof(alphabet) / 2 - 2), len(0, 40);
  for (int round = 0; round < 20000; ++round) {
    std::u16string s;
    for (int i = len(rng); i > 0; --i) s.push_back(alphabet[pick(rng)]);
    ASSERT_EQ(Decoded(s), NaiveDecoded(s)) << test::U8(s);
  }
  // Texts built from escape fragments, where pieces overlap, recur, chain
  // through decoded backslashes and plus signs, and a replace-all cuts into
  // escapes further on; short ones many times, long ones a few.
  const std::u16string fragments[] = {u"\\U+", u"\\U+0041", u"\\U+005C", u"\\U+005c", u"\\U+0055",
                                      u"\\U+002B", u"U+", u"\\", u"00", u"41", u"5C", u"12", u"Z", u"+", u"U"};
  std::uniform_int_distribution<int> fragment(0, std::size(fragments) - 1);
  for (int count : {4, 12, 40, 3000}) {
    for (int round = 0; round < (count < 100 ? 20000 : 5); ++round) {
      std::u16string s;
      for (int i = 0; i < count; ++i) s += fragments[fragment(rng)];
      ASSERT_EQ(Decoded(s), NaiveDecoded(s)) << test::U8(s);
    }
  }
  // Chained and overlapping pieces the random mix may miss.
  for (std::u16string s : {u"\\U+0041\\U+12\\U+0041", u"\\U+005CU+\\U+005C", u"\\U+\\U+0041", u"\\U+0055\\U+002B0041",
                           u"\\\\U+0055+0041", u"\\U+005c\\U+005C\\U+005cU+0041"})
    EXPECT_EQ(Decoded(s), NaiveDecoded(s)) << test::U8(s);
}

// Thousands of distinct pieces, each overlapping the next escape: the
// literal loop takes a pass over the text per piece (25 s for this text).
TEST(UnicodeEscapes, DecodeALongTextOfOverlappingPiecesInAboutLinearTime) {
  std::u16string s;
  for (unsigned i = 0; s.size() < 1'000'000; ++i) {
    s += i % 10 == 0 ? u"\\U+005C" : u"\\U+";
    s.push_back(static_cast<char16_t>(0x4E00 + i % 20000));
  }
  const auto start = std::chrono::steady_clock::now();
  const std::u16string decoded = Decoded(s);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(decoded.find(u"\\U+"), std::u16string::npos);
  EXPECT_LT(decoded.size(), s.size() / 3);
}

TEST(MTextCodes, StripRemovesFormattingAndKeepsText) {
  EXPECT_EQ(StripMTextCodes(u"{\\fArial|b0|i0|c128|p34;abc}"), u"abc");
  EXPECT_EQ(StripMTextCodes(u"\\A1;Hello"), u"Hello");
  EXPECT_EQ(StripMTextCodes(u"\\LUnder\\l"), u"Under");
  EXPECT_EQ(StripMTextCodes(u"a\\{b\\}c"), u"ab}c");
  EXPECT_EQ(StripMTextCodes(u"C:\\\\dir"), u"C:\\dir");
  EXPECT_EQ(StripMTextCodes(u"C:\\\\Temp"), u"C:\\");
  EXPECT_EQ(StripMTextCodes(u"\\S1/2;"), u"1/2;");
  EXPECT_EQ(StripMTextCodes(u"\\H2.5x;big\\Pnext"), u"big\\Pnext");
  EXPECT_EQ(StripMTextCodes(u"a^Ib^ c\\~d"), u"abcd");
  EXPECT_EQ(StripMTextCodes(u"\\C1;"), u"");
  EXPECT_EQ(StripMTextCodes(u""), u"");
  EXPECT_EQ(StripMTextCodes(U16("{\\H0.7x;図面}名")), U16("図面名"));
}

TEST(MTextCodes, SplitBreaksLinesAndDropsTrailingBlankAndBraceLines) {
  std::vector<std::u16string> lines{u"stale"};
  EXPECT_EQ(SplitMTextLines(u"one\\Ptwo\\P}", lines), 2);
  EXPECT_EQ(lines, (std::vector<std::u16string>{u"one", u"two"}));
  EXPECT_EQ(SplitMTextLines(u"a^Jb", lines), 2);
  EXPECT_EQ(lines, (std::vector<std::u16string>{u"a", u"b"}));
  EXPECT_EQ(SplitMTextLines(u"a\\p", lines), 1);
  EXPECT_EQ(SplitMTextLines(u"a\\P\\P", lines), 2);  // only the last blank line goes
  EXPECT_EQ(lines, (std::vector<std::u16string>{u"a", u""}));
  EXPECT_EQ(SplitMTextLines(u" x \\P\\Py", lines), 3);
  EXPECT_EQ(lines, (std::vector<std::u16string>{u" x ", u"", u"y"}));
  EXPECT_EQ(SplitMTextLines(u"", lines), 0);
  EXPECT_EQ(SplitMTextLines(std::u16string(u"ab\0c\\Pd", 7), lines), 1);  // NUL ends the text
  EXPECT_EQ(lines, (std::vector<std::u16string>{u"ab"}));
}

TEST(MTextCodes, SplitReadsQuotedLines) {
  std::vector<std::u16string> lines;
  EXPECT_EQ(SplitMTextLines(u"\"word\"", lines), 1);
  EXPECT_EQ(lines[0], u"word");
  EXPECT_EQ(SplitMTextLines(u"\"say \"\"hi\"\"\"\\Pnext", lines), 2);
  EXPECT_EQ(lines, (std::vector<std::u16string>{u"say \"hi\"", u"next"}));
  // A quoted line runs over breaks; text after its closing quote is a line of its own.
  EXPECT_EQ(SplitMTextLines(u"\"a\\Pb\"c\\Pd", lines), 3);
  EXPECT_EQ(lines, (std::vector<std::u16string>{u"a\rb", u"c", u"d"}));
  EXPECT_EQ(SplitMTextLines(u"x\"y\"", lines), 1);  // a quote inside a line is plain text
  EXPECT_EQ(lines[0], u"x\"y\"");
  EXPECT_EQ(SplitMTextLines(u"\"open", lines), 1);
  EXPECT_EQ(lines[0], u"open");
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

std::u16string Texts(const std::vector<MTextRun>& runs) {
  std::u16string s;
  for (const MTextRun& r : runs) s += r.text + u"|";
  return s;
}

TEST(TextCodes, MTextRunsCarryTheirFormatsAndNoCodeShowsRaw) {
  MTextRun base;
  base.height = 2;
  auto p = ParseMTextRuns(u"a{\\H1.5x;b{\\H4;c}d}e\\Pf^Jg\\Nh", base);
  ASSERT_EQ(p.size(), 4u);
  ASSERT_EQ(p[0].size(), 5u);
  EXPECT_EQ(Texts(p[0]), u"a|b|c|d|e|");
  EXPECT_EQ(p[0][1].height, 3);  // relative to the height in force
  EXPECT_EQ(p[0][2].height, 4);  // absolute
  EXPECT_EQ(p[0][3].height, 3);
  EXPECT_EQ(p[0][4].height, 2);  // the brace ends the format
  EXPECT_EQ(Texts(p[1]) + Texts(p[2]) + Texts(p[3]), u"f|g|h|");

  // Colour, faces with their bold and italic bits, stacks, lines.
  p = ParseMTextRuns(u"\\C1;r\\C256;\\fArial|b1|i1|c0;x\\FROMANS.SHX;y\\S1^2;\\S3#4;\\Lu\\lv\\Ow\\o", base);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(Texts(p[0]), u"r|x|y1/23/4|u|v|w|");
  EXPECT_EQ(p[0][0].aci, 1);
  EXPECT_EQ(p[0][1].aci, 256);
  EXPECT_EQ(p[0][1].font, u"Arial");
  EXPECT_TRUE(p[0][1].bold && p[0][1].italic && !p[0][1].fontIsFile);
  EXPECT_EQ(p[0][2].font, u"ROMANS.SHX");
  EXPECT_TRUE(p[0][2].fontIsFile && !p[0][2].bold);
  EXPECT_TRUE(p[0][3].underline);
  EXPECT_FALSE(p[0][4].underline);
  EXPECT_TRUE(p[0][5].overline);

  // Codes with arguments, unknown codes, escapes and broken numbers.
  p = ParseMTextRuns(u"\\A1;\\pxi-3,l3;\\T1.1;\\Q15;\\W0.8;\\H;\\Hx;\\Z\\{a\\}\\\\^Ib\\~c\\M+18140", base);
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(Texts(p[0]), u"{a}\\ b c|");
  EXPECT_EQ(p[0][0].oblique, 15);
  EXPECT_EQ(p[0][0].widthFactor, 0.8);
  EXPECT_EQ(p[0][0].height, 2);
  // Unbalanced braces and a code cut off at the end.
  p = ParseMTextRuns(u"}}a{{b\\H", base);
  EXPECT_EQ(Texts(p.at(0)), u"ab|");
}

}  // namespace
}  // namespace vantrel
