// Guards the kinds beyond the first ones against being lost between the
// reader and the picture: points, polyface meshes and MESH faces (hidden
// edges shown, indices outside the vertices followed), multilines,
// multileaders, tables and arc dimensions through their blocks, attribute
// definitions in the model, and the counts of the older tables disturbed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "Builders.h"
#include "geometry/PassSequence.h"
#include "model/DxfReader.h"
#include "model/Feedback.h"
#include "model/TextCodec.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

using test::P;
using Pairs = std::vector<std::pair<int, std::string>>;

void Read(Drawing& d, const Pairs& pairs) {
  std::string bytes;
  for (const auto& [code, value] : pairs) bytes += std::to_string(code) + "\n" + value + "\n";
  test::TempDir dir;
  test::WriteFile(dir / "kinds.dxf", bytes);
  test::RecordingReporter reporter;
  ProgressCounter progress;
  std::u16string status, version;
  ReadDxf(d, dir / "kinds.dxf", progress, reporter, TextEncoding::Ansi, status, version);
  ASSERT_EQ(status, u"");
}

Pairs Vertex(double x, double y, int flags, int a = 0, int b = 0, int c = 0, int e = 0) {
  Pairs p{{0, "VERTEX"}, {8, "0"}, {10, std::to_string(x)}, {20, std::to_string(y)}, {30, "0"},
          {70, std::to_string(flags)}};
  if (a) p.push_back({71, std::to_string(a)});
  if (b) p.push_back({72, std::to_string(b)});
  if (c) p.push_back({73, std::to_string(c)});
  if (e) p.push_back({74, std::to_string(e)});
  return p;
}

bool HasLine(const Drawing& d, TAcadPoint a, TAcadPoint b) {
  return std::any_of(d.EntLineAry.begin(), d.EntLineAry.end(), [&](const TAcadLineBlk& l) {
    return (l.st == a && l.ed == b) || (l.st == b && l.ed == a);
  });
}

Pairs KindsDrawing() {
  Pairs p{{0, "SECTION"}, {2, "BLOCKS"},
          {0, "BLOCK"}, {2, "*T1"}, {10, "0"}, {20, "0"},
          {0, "LINE"}, {8, "0"}, {10, "0"}, {20, "0"}, {11, "1"}, {21, "0"},
          {0, "ENDBLK"},
          {0, "BLOCK"}, {2, "*D1"}, {10, "0"}, {20, "0"},
          {0, "LINE"}, {8, "0"}, {10, "7"}, {20, "7"}, {11, "8"}, {21, "8"},
          {0, "POINT"}, {8, "0"}, {10, "9"}, {20, "9"},
          {0, "ATTDEF"}, {8, "0"}, {10, "0"}, {20, "0"}, {40, "1"}, {1, "V"}, {2, "INBLOCK"},
          {0, "ENDBLK"},
          {0, "BLOCK"}, {330, "1F"}, {2, "B"}, {10, "0"}, {20, "0"},
          {0, "LINE"}, {8, "0"}, {10, "0"}, {20, "0"}, {11, "0"}, {21, "1"},
          {0, "ENDBLK"},
          {0, "ENDSEC"},
          {0, "SECTION"}, {2, "ENTITIES"},
          {0, "POINT"}, {8, "0"}, {10, "5"}, {20, "5"},
          {0, "ACAD_TABLE"}, {8, "0"}, {2, "*T1"}, {10, "100"}, {20, "0"}, {100, "AcDbTable"},
          {10, "555"}, {2, "X"},
          {0, "ARC_DIMENSION"}, {8, "0"}, {2, "*D1"}, {10, "7"}, {20, "7"},
          {0, "ATTDEF"}, {8, "0"}, {10, "1"}, {20, "2"}, {40, "2.5"}, {1, "DEFAULT"}, {3, "PROMPT"},
          {2, "TAG1"},
          {0, "MLINE"}, {8, "0"}, {2, "STANDARD"}, {40, "1"}, {70, "0"}, {71, "1"}, {73, "2"},
          {11, "0"}, {21, "0"}, {12, "1"}, {22, "0"}, {13, "0"}, {23, "1"},
          {74, "2"}, {41, "0.5"}, {41, "0"}, {75, "0"}, {74, "2"}, {41, "-0.5"}, {41, "0"}, {75, "0"},
          {11, "10"}, {21, "0"}, {12, "1"}, {22, "0"}, {13, "0"}, {23, "1"},
          {74, "2"}, {41, "0.5"}, {41, "0"}, {75, "0"}, {74, "2"}, {41, "-0.5"}, {41, "0"}, {75, "0"},
          {0, "MESH"}, {8, "0"}, {92, "3"}, {10, "20"}, {20, "0"}, {10, "21"}, {20, "0"},
          {10, "20"}, {20, "1"}, {93, "8"}, {90, "3"}, {90, "0"}, {90, "1"}, {90, "2"},
          {90, "3"}, {90, "0"}, {90, "1"}, {90, "99"},
          {0, "MULTILEADER"}, {8, "0"}, {300, "CONTEXT_DATA{"}, {40, "1"}, {41, "0.5"},
          {140, "1"}, {290, "1"}, {304, "NOTE"}, {12, "40"}, {22, "10"}, {13, "1"}, {23, "0"},
          {302, "LEADER{"}, {10, "38"}, {20, "10"}, {11, "1"}, {21, "0"}, {40, "2"},
          {304, "LEADER_LINE{"}, {10, "30"}, {20, "0"}, {305, "}"}, {271, "0"}, {303, "}"},
          {301, "}"}, {170, "1"}, {291, "1"}, {292, "1"}, {10, "1"}, {20, "1"}, {30, "1"},
          {0, "MULTILEADER"}, {8, "0"}, {300, "CONTEXT_DATA{"}, {296, "1"}, {341, "1F"},
          {15, "60"}, {25, "0"}, {16, "2"}, {26, "2"}, {301, "}"}, {170, "0"},
          {0, "POLYLINE"}, {8, "0"}, {66, "1"}, {70, "64"}};
  for (const Pairs& v : {Vertex(50, 0, 192), Vertex(51, 0, 192), Vertex(51, 1, 192), Vertex(50, 1, 192),
                         Vertex(0, 0, 128, 1, 2, -3, 4), Vertex(0, 0, 128, 1, 99, 0, 0)})
    p.insert(p.end(), v.begin(), v.end());
  p.insert(p.end(), {{0, "SEQEND"}, {0, "ENDSEC"}, {0, "EOF"}});
  return p;
}

TEST(MoreKinds, ReadIntoTablesOfTheirOwnLeavingTheCountsAlone) {
  Drawing d;
  Read(d, KindsDrawing());
  EXPECT_TRUE(d.EntLineAry.empty());
  EXPECT_TRUE(d.EntTextAry.empty());
  EXPECT_TRUE(d.EntInsertAry.empty());
  EXPECT_TRUE(d.DimensionAry.empty());
  ASSERT_EQ(d.EntPointAry.size(), 1u);
  EXPECT_EQ(d.BlkPointAry.size(), 1u);
  // The tag, not the default or the prompt; none from inside a block.
  ASSERT_EQ(d.AttdefAry.size(), 1u);
  EXPECT_EQ(d.AttdefAry[0].str, u"TAG1");
  ASSERT_EQ(d.AcadTableAry.size(), 1u);
  EXPECT_EQ(d.AcadTableAry[0].name, u"*T1");  // not the 2 of the table data
  EXPECT_EQ(d.AcadTableAry[0].base, P(100, 0));
  ASSERT_EQ(d.EntMLineAry.size(), 1u);
  ASSERT_EQ(d.EntMLineAry[0].verAry.size(), 2u);
  EXPECT_EQ(d.EntMLineAry[0].verAry[1].code41Ary, (std::vector<double>{0.5, -0.5}));
  ASSERT_EQ(d.EntMeshAry.size(), 1u);
  EXPECT_EQ(d.EntMeshAry[0].code10Ary.size(), 3u);
  EXPECT_EQ(d.EntMeshAry[0].code90Ary.size(), 8u);
  ASSERT_EQ(d.MLeaderAry.size(), 2u);
  const TMLeaderBlk& m = d.MLeaderAry[0];
  EXPECT_EQ(m.str, u"NOTE");
  EXPECT_EQ(m.code12, P(40, 10));
  ASSERT_EQ(m.leaderAry.size(), 1u);
  EXPECT_EQ(m.leaderAry[0].code10, P(38, 10));  // the context's 10 is not the leader's
  EXPECT_EQ(m.leaderAry[0].code10Ary, (std::vector<TAcadPoint>{P(30, 0)}));
  EXPECT_EQ(d.EntLwpVerAry[4].code73, -3);
}

TEST(MoreKinds, PassesDrawEachKindWhereItStands) {
  Drawing d;
  Read(d, KindsDrawing());
  RunGeometryPasses(d, {});
  // A point is a line without length.
  EXPECT_TRUE(HasLine(d, P(5, 5), P(5, 5)));
  // The table's block placed at the table, once; the arc dimension's
  // picture as stored, its point with it.
  EXPECT_EQ(std::count_if(d.EntLineAry.begin(), d.EntLineAry.end(),
                          [](const TAcadLineBlk& l) { return l.st == P(100, 0) && l.ed == P(101, 0); }),
            1);
  EXPECT_TRUE(HasLine(d, P(7, 7), P(8, 8)));
  EXPECT_TRUE(HasLine(d, P(9, 9), P(9, 9)));
  // Two elements half a unit either side of the multiline's vertices.
  EXPECT_TRUE(HasLine(d, P(0, 0.5), P(10, 0.5)));
  EXPECT_TRUE(HasLine(d, P(0, -0.5), P(10, -0.5)));
  // The MESH triangle; its face with an index past the vertices draws only
  // the edge it can.
  EXPECT_TRUE(HasLine(d, P(20, 0), P(21, 0)));
  EXPECT_TRUE(HasLine(d, P(21, 0), P(20, 1)));
  EXPECT_TRUE(HasLine(d, P(20, 1), P(20, 0)));
  // The polyface square without the edge from its hidden third corner.
  EXPECT_TRUE(HasLine(d, P(50, 0), P(51, 0)));
  EXPECT_TRUE(HasLine(d, P(51, 0), P(51, 1)));
  EXPECT_FALSE(HasLine(d, P(51, 1), P(50, 1)));
  EXPECT_TRUE(HasLine(d, P(50, 1), P(50, 0)));
  // The leader: an arrowhead at its start, the line from the head to the
  // leader's end and the landing along the dogleg.
  ASSERT_EQ(d.EntFillAry.size(), 1u);
  EXPECT_EQ(d.EntFillPtAry[d.EntFillAry[0].first], P(30, 0));
  EXPECT_TRUE(HasLine(d, P(38, 10), P(40, 10)));
  // Its frame: down from the text's top left corner by the text's height.
  EXPECT_TRUE(HasLine(d, P(40, 9.5), P(40, 10)));
  ASSERT_EQ(d.EntTextAry.size(), 2u);
  const auto note = std::find_if(d.EntTextAry.begin(), d.EntTextAry.end(),
                                 [](const TTextBlk& t) { return t.str == u"NOTE"; });
  ASSERT_NE(note, d.EntTextAry.end());
  EXPECT_TRUE(note->mtflag);
  EXPECT_EQ(note->pt10, P(40, 10));
  EXPECT_EQ(note->code40, 0.5);
  EXPECT_TRUE(std::any_of(d.EntTextAry.begin(), d.EntTextAry.end(),
                          [](const TTextBlk& t) { return t.str == u"TAG1" && t.pt10 == P(1, 2); }));
  // Block content: the block its record's handle names, inserted where the
  // context data say.
  EXPECT_TRUE(HasLine(d, P(60, 0), P(60, 2)));
  EXPECT_TRUE(d.MLeaderAry.empty() && d.EntPointAry.empty() && d.AttdefAry.empty());
}

}  // namespace
}  // namespace vantrel
