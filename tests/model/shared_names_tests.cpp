// Guards the shared names and the growth of the reader's tables against names that change case,
// merge or vanish with the record they came from, and records lost, reordered, torn apart or
// overwritten when a large table moves into its grown storage or has its pages faulted in ahead.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/AcadDxfUnit.h"
#include "model/DxfReader.h"
#include "model/Feedback.h"
#include "model/SharedName.h"
#include "model/TableStorage.h"
#include "model/TextCodec.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

Drawing Read(const std::string& bytes, std::u16string& status) {
  test::TempDir dir;
  test::WriteFile(dir / "a.dxf", bytes);
  Drawing d;
  ProgressCounter progress;
  SilentReporter reporter;
  std::u16string version;
  ReadDxf(d, dir / "a.dxf", progress, reporter, TextEncoding::Utf8, status, version);
  return d;
}

TEST(SharedName, ComparesAndCopiesAsTheTextItHolds) {
  SharedName wall(u"Wall");
  EXPECT_EQ(wall, u"Wall");
  EXPECT_NE(wall, SharedName(u"WALL"));
  EXPECT_EQ(wall, SharedName(std::u16string(u"Wall")));  // another handle, the same text
  EXPECT_EQ(std::hash<SharedName>()(wall), std::hash<SharedName>()(SharedName(u"Wall")));
  EXPECT_EQ(SharedName(u"BYLAYER"), u"BYLAYER");
  EXPECT_TRUE(SharedName().empty());

  TAcadLineBlk kept;
  {
    Drawing d;
    TAcadLineBlk& r = d.EntLineAry.emplace_back();
    r.layer = SharedName(u"A-101");
    kept = r;
  }
  EXPECT_EQ(kept.layer.str(), u"A-101");  // a copied record outlives its drawing
  const std::u16string& text = kept.layer;
  EXPECT_EQ(text.size(), 5u);
}

TEST(SharedName, ReadNamesKeepTheirCaseAndRepeatsShareOneHandle) {
  std::string file = "0\nSECTION\n2\nENTITIES\n";
  // Enough lines that the table grows past its first room and into
  // storage of its own; each keeps its place, points and names.
  const int kLines = 40000;
  for (int i = 0; i < kLines; ++i) {
    file += "0\nLINE\n8\n";
    file += i % 3 == 1 ? "WALL" : "Wall";
    if (i % 5 == 0) file += "\n6\nhidden";
    file += "\n10\n" + std::to_string(i) + "\n20\n0\n11\n1\n21\n" + std::to_string(-i) + "\n";
  }
  file += "0\nENDSEC\n0\nEOF\n";
  std::u16string status;
  const Drawing d = Read(file, status);
  EXPECT_EQ(status, u"");
  ASSERT_EQ(d.EntLineAry.size(), static_cast<std::size_t>(kLines));
  for (int i = 0; i < kLines; ++i) {
    const TAcadLineBlk& r = d.EntLineAry[i];
    ASSERT_EQ(r.st.x, i);
    ASSERT_EQ(r.ed.y, -i);
    ASSERT_EQ(r.layer, i % 3 == 1 ? u"WALL" : u"Wall");
    ASSERT_EQ(r.ltype, i % 5 == 0 ? u"HIDDEN" : u"BYLAYER");
  }
  EXPECT_TRUE(d.EntLineAry[0].layer.SameHandle(d.EntLineAry[kLines - 1].layer));
  // The layers the lines named, in the order they were first met.
  ASSERT_EQ(d.LayerAry.size(), 2u);
  EXPECT_EQ(d.LayerAry[0].Name, u"Wall");
  EXPECT_EQ(d.LayerAry[1].Name, u"WALL");
}

TEST(TableStorage, ALargeTableGrowsOnceAndKeepsItsRecordsInOrder) {
  std::vector<TTextBlk> texts(1000);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    texts[i].str = u"text number " + DecimalText(static_cast<long long>(i));
    texts[i].layer = SharedName(u"L" + DecimalText(static_cast<long long>(i % 7)));
  }
  const std::size_t room = 2 * kHugeTableBytes / sizeof(TTextBlk);
  ReserveTable(texts, room);
  EXPECT_GE(texts.capacity(), room);
  ASSERT_EQ(texts.size(), 1000u);
  for (std::size_t i = 0; i < texts.size(); ++i) {
    ASSERT_EQ(texts[i].str, u"text number " + DecimalText(static_cast<long long>(i)));
    ASSERT_EQ(texts[i].layer, u"L" + DecimalText(static_cast<long long>(i % 7)));
  }
  // A little more room still grows geometrically.
  const std::size_t before = texts.capacity();
  ReserveTable(texts, before + 1);
  EXPECT_GE(texts.capacity(), before + before / 2);
}

TEST(TableStorage, FaultingInAheadLeavesWhatIsThereAlone) {
  std::vector<std::uint64_t> table;
  table.reserve(BackgroundFaultIn::kWorthAThread / sizeof(std::uint64_t) + 4096);
  for (std::uint64_t i = 0; i < 1000; ++i) table.push_back(i * 7919);
  {
    const BackgroundFaultIn ahead({RoomOf(table, table.capacity())});
    // The pass goes on writing while the pages come in.
    for (std::uint64_t i = 1000; i < table.capacity(); ++i) table.push_back(i * 7919);
  }
  for (std::uint64_t i = 0; i < table.size(); ++i) ASSERT_EQ(table[i], i * 7919);
}

}  // namespace
}  // namespace vantrel
