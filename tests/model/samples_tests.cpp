// Guards against bundled samples that no longer read cleanly, probe to the wrong release or code
// page, or decode their Japanese texts differently in Shift-JIS and UTF-8.
#include <gtest/gtest.h>

#include <algorithm>

#include "model/DxfReader.h"
#include "model/Feedback.h"
#include "model/FileProbes.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

using test::U16;

struct Sample {
  const char* file;
  const char16_t* version;
  const char16_t* codePage;
};

constexpr Sample kSamples[] = {
    {"basic-shapes-r12.dxf", u"AC1009", u"ANSI_932"},
    {"blocks-nested-r2000.dxf", u"AC1015", u"ANSI_1252"},
    {"japanese-sjis-r2004.dxf", u"AC1018", u"ANSI_932"},
    {"japanese-utf8-r2018.dxf", u"AC1032", u"ANSI_932"},
};

std::filesystem::path SamplePath(const char* file) { return test::SourceDir() / "samples" / file; }

Drawing ReadSample(const char* file, std::u16string& status) {
  Drawing d;
  ProgressCounter progress;
  test::RecordingReporter reporter;
  std::u16string version;
  ReadDxfInFileEncoding(d, SamplePath(file), progress, reporter, status, version);
  EXPECT_TRUE(reporter.messages.empty()) << file;
  return d;
}

TEST(Samples, ProbeAndReadWithoutFailure) {
  for (const Sample& s : kSamples) {
    const auto path = SamplePath(s.file);
    ASSERT_TRUE(std::filesystem::exists(path)) << s.file;
    EXPECT_LT(std::filesystem::file_size(path), 50u * 1024) << s.file;
    std::u16string signature, version, codePage;
    ASSERT_TRUE(ReadFileSignature(path, signature));
    EXPECT_FALSE(IsForeignHead(signature)) << s.file;
    ASSERT_TRUE(ReadAcadVer(path, version));
    EXPECT_EQ(version, s.version) << s.file;
    ASSERT_TRUE(ReadDwgCodePage(path, codePage));
    EXPECT_EQ(codePage, s.codePage) << s.file;

    std::u16string status = u"stale";
    Drawing d = ReadSample(s.file, status);
    EXPECT_EQ(status, u"") << s.file;
    EXPECT_EQ(d.DwgCodePage, s.codePage) << s.file;
    EXPECT_EQ(d.ViewAry.size(), 2u) << s.file;
    EXPECT_FALSE(d.DimensionAry.empty()) << s.file;
    // Every drawing has an off layer or nested blocks, or both.
    const bool offLayer = std::any_of(d.LayerAry.begin(), d.LayerAry.end(),
                                      [](const TLayer& l) { return !l.visible; });
    const bool nested = std::any_of(d.BlockAry.begin(), d.BlockAry.end(),
                                    [](const TBlockBlk& b) { return !b.InsertAry.empty(); });
    EXPECT_TRUE(offLayer || nested) << s.file;
  }
}

TEST(Samples, JapaneseTextsAreTheSameInShiftJisAndUtf8) {
  std::u16string status;
  const Drawing sjis = ReadSample("japanese-sjis-r2004.dxf", status);
  const Drawing utf8 = ReadSample("japanese-utf8-r2018.dxf", status);
  ASSERT_EQ(sjis.EntTextAry.size(), utf8.EntTextAry.size());
  int same = 0;
  for (std::size_t i = 0; i < sjis.EntTextAry.size(); ++i)
    if (sjis.EntTextAry[i].str == utf8.EntTextAry[i].str) ++same;
  // All but the line that code page 932 can only carry as \U+ escapes.
  EXPECT_EQ(same, int(sjis.EntTextAry.size()) - 1);
  // Second bytes 0x5C (表, ソ, 能, 予) must not turn into backslashes.
  EXPECT_TRUE(std::any_of(sjis.EntTextAry.begin(), sjis.EntTextAry.end(), [](const TTextBlk& t) {
    return t.str == U16("表示ソフト・能力・予定表");
  }));
  EXPECT_TRUE(std::any_of(sjis.EntTextAry.begin(), sjis.EntTextAry.end(),
                          [](const TTextBlk& t) { return t.str == U16("Café €"); }));
  ASSERT_FALSE(sjis.LayerAry.empty());
  EXPECT_TRUE(std::any_of(sjis.LayerAry.begin(), sjis.LayerAry.end(),
                          [](const TLayer& l) { return l.Name == U16("非表示") && !l.visible; }));
  EXPECT_EQ(sjis.ViewAry[0].name, U16("全体"));
  EXPECT_EQ(utf8.ViewAry[0].name, U16("全体"));
}

}  // namespace
}  // namespace vantrel
