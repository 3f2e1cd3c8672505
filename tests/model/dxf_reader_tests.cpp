// Guards the DXF reader against lost or misplaced records, wrong colour
// resolution, encoding mistakes, unsafe handling of bad input and wrong
// failure reports.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <clocale>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "model/AcadDxfUnit.h"
#include "model/DxfReader.h"
#include "model/Feedback.h"
#include "model/TextCodec.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

using test::RecordingReporter;
using test::TempDir;
using test::U16;
using test::U8;
using test::WriteFile;

using PairList = std::vector<std::pair<int, std::string>>;

std::string Dxf(const PairList& pairs) {
  std::string s;
  for (const auto& [code, value] : pairs) s += std::to_string(code) + "\n" + value + "\n";
  return s;
}

PairList Entities(const PairList& body) {
  PairList p{{0, "SECTION"}, {2, "ENTITIES"}};
  p.insert(p.end(), body.begin(), body.end());
  p.push_back({0, "ENDSEC"});
  p.push_back({0, "EOF"});
  return p;
}

PairList Layers(const PairList& records) {
  PairList p{{0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "LAYER"}, {70, "3"}};
  p.insert(p.end(), records.begin(), records.end());
  p.push_back({0, "ENDTAB"});
  p.push_back({0, "ENDSEC"});
  return p;
}

PairList Concat(PairList a, const PairList& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct ReadResult {
  Drawing d;
  std::u16string status;
  std::u16string version;
  RecordingReporter reporter;
  ProgressCounter progress;
};

void ReadBytes(ReadResult& r, const std::string& bytes, TextEncoding encoding = TextEncoding::Ansi,
               const std::string& name = "drawing.dxf") {
  TempDir dir;
  WriteFile(dir / name, bytes);
  ReadDxf(r.d, dir / name, r.progress, r.reporter, encoding, r.status, r.version);
}

TEST(DxfReader, HeaderAndVersionCapture) {
  ReadResult r;
  ReadBytes(r, Dxf({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1018"},
                    {9, "$DWGCODEPAGE"}, {3, "ANSI_932"}, {9, "$ACADVER"}, {1, "AC1032"},
                    {0, "ENDSEC"}, {0, "EOF"}}));
  EXPECT_EQ(r.status, u"");
  EXPECT_EQ(r.version, u"AC1018");  // a second $ACADVER is ignored
  EXPECT_EQ(r.d.DwgCodePage, u"ANSI_932");
  ASSERT_EQ(r.d.LayerAry.size(), 1u);
  EXPECT_EQ(r.d.LayerAry[0].Name, u"0");
  EXPECT_EQ(r.progress.Position(), 0);
  EXPECT_EQ(r.progress.Max(), 50);

  // The version waits for the next group 1 wherever it comes.
  ReadResult late;
  ReadBytes(late, Dxf({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {70, "5"}, {9, "$X"},
                       {1, "AC1015"}, {0, "ENDSEC"}}));
  EXPECT_EQ(late.version, u"AC1015");

  ReadResult none;
  ReadBytes(none, Dxf(Entities({{0, "LINE"}, {8, "0"}})));
  EXPECT_EQ(none.version, u"");
  EXPECT_EQ(none.d.DwgCodePage, u"");
}

TEST(DxfReader, LayerTableVisibilityAndColours) {
  ReadResult r;
  PairList file = Concat(Layers({{0, "LAYER"}, {2, "OFF"}, {70, "0"}, {62, "-5"}, {6, "dashed"},
                                 {0, "LAYER"}, {2, "FROZEN"}, {70, "1"}, {62, "3"},
                                 {0, "LAYER"}, {2, "0"}, {62, "70000"}}),
                         Entities({{0, "LINE"}, {8, "OFF"}, {62, "256"},
                                   {0, "LINE"}, {8, "NEW"},
                                   {0, "LINE"}, {8, "FROZEN"}, {62, "0"}}));
  ReadBytes(r, Dxf(file));
  ASSERT_EQ(r.d.LayerAry.size(), 4u);
  EXPECT_FALSE(r.d.LayerAry[0].visible);
  EXPECT_EQ(r.d.LayerAry[0].color, -5);
  EXPECT_EQ(r.d.LayerAry[0].ltype, u"DASHED");
  EXPECT_FALSE(r.d.LayerAry[1].visible);
  EXPECT_EQ(r.d.LayerAry[1].color, 3);
  EXPECT_EQ(r.d.LayerAry[2].color, 4464);  // the low 16 bits of 70000
  EXPECT_TRUE(r.d.LayerAry[2].visible);
  EXPECT_EQ(r.d.LayerAry[3].Name, u"NEW");
  EXPECT_EQ(r.d.LayerAry[3].color, 7);
  ASSERT_EQ(r.d.EntLineAry.size(), 3u);
  EXPECT_EQ(r.d.EntLineAry[0].color, -5);
  EXPECT_EQ(r.d.EntLineAry[1].color, 7);
  EXPECT_EQ(r.d.EntLineAry[2].color, 0);  // BYBLOCK stays 0 outside blocks
}

TEST(DxfReader, BlockDefinitionsColoursAndInserts) {
  ReadResult r;
  PairList file = Layers({{0, "LAYER"}, {2, "0"}, {62, "2"}, {0, "LAYER"}, {2, "A"}, {62, "5"}});
  file = Concat(file, {{0, "SECTION"}, {2, "BLOCKS"},
                       {0, "BLOCK"}, {8, "0"}, {2, "B"}, {10, "1"}, {20, "2"}, {30, "3"},
                       {0, "LINE"}, {8, "0"}, {62, "1"}, {10, "0"}, {11, "1"},
                       {0, "LINE"}, {8, "A"}, {62, "0"},
                       {0, "INSERT"}, {2, "C"}, {8, "A"}, {10, "4"},
                       {0, "CIRCLE"}, {8, "A"}, {40, "2.5"},
                       {0, "ENDBLK"},
                       {0, "BLOCK"}, {2, "C"},
                       {0, "ATTDEF"}, {1, "tag"},
                       {0, "ELLIPSE"}, {8, "A"},
                       {0, "ENDBLK"},
                       {0, "ENDSEC"}});
  file = Concat(file, Entities({{0, "INSERT"}, {2, "B"}, {41, "2"}, {50, "90"}, {8, "A"}}));
  ReadBytes(r, Dxf(file));
  ASSERT_EQ(r.d.BlockAry.size(), 2u);
  const TBlockBlk& b = r.d.BlockAry[0];
  EXPECT_EQ(b.name, u"B");
  EXPECT_EQ(b.layer, u"0");
  EXPECT_EQ(b.base, (TAcadPoint{1, 2, 3}));
  ASSERT_EQ(r.d.BlkLineAry.size(), 2u);
  EXPECT_EQ(r.d.BlkLineAry[0].bname, u"B");
  EXPECT_EQ(r.d.BlkLineAry[0].color, 2);  // layer "0" inside a block takes the layer's colour
  EXPECT_EQ(r.d.BlkLineAry[1].color, 5);  // BYBLOCK inside a block takes the layer's colour
  ASSERT_EQ(b.InsertAry.size(), 1u);
  EXPECT_EQ(b.InsertAry[0].name, u"C");
  EXPECT_EQ(b.InsertAry[0].dimBlkName, u"B");
  EXPECT_EQ(b.InsertAry[0].color, 5);
  ASSERT_EQ(r.d.BlkCircleAry.size(), 1u);
  EXPECT_EQ(r.d.BlkCircleAry[0].hankei, 2.5);
  EXPECT_EQ(r.d.BlkCircleAry[0].color, 5);  // closed by ENDBLK
  EXPECT_TRUE(r.d.BlkTextAry.empty());      // ATTDEF is not read in blocks
  ASSERT_EQ(r.d.BlkEllipseAry.size(), 1u);
  EXPECT_EQ(r.d.BlkEllipseAry[0].bname, u"C");  // its inserts place it
  EXPECT_TRUE(r.d.BlkInsertAry.empty());
  ASSERT_EQ(r.d.EntInsertAry.size(), 1u);
  const TInsertBlk& ins = r.d.EntInsertAry[0];
  EXPECT_EQ(ins.dimBlkName, u"C");  // the last block definition of the file
  EXPECT_EQ(ins.scale, (TAcadPoint{2, 1, 1}));
  EXPECT_EQ(ins.rotate, 90);
  EXPECT_EQ(ins.color, 5);  // the last entity of ENTITIES is closed too
}

TEST(DxfReader, TextsDropEmptyAndAppendStrings) {
  ReadResult r;
  ReadBytes(r, Dxf(Entities({{0, "TEXT"}, {8, "L1"}, {40, "7"}, {1, "  padded  "},
                             {0, "TEXT"}, {8, "L2"}, {40, "9"},
                             {0, "TEXT"}, {1, "second"},
                             {0, "MTEXT"}, {8, "0"}, {3, "abc"}, {3, "def"}, {1, "ghi"}, {71, "7"},
                             {0, "ATTRIB"}, {8, "0"}, {1, "v"}, {73, "5"}, {74, "2"},
                             {0, "TEXT"}, {8, "0"}, {1, "\\U+30C6\\U+30B9\\U+30C8"}})));
  ASSERT_EQ(r.d.EntTextAry.size(), 5u);
  EXPECT_EQ(r.d.EntTextAry[0].str, u"padded");
  EXPECT_EQ(r.d.EntTextAry[1].str, u"second");
  // The dropped text's slot is reused with its layer and height.
  EXPECT_EQ(r.d.EntTextAry[1].layer, u"L2");
  EXPECT_EQ(r.d.EntTextAry[1].code40, 9);
  EXPECT_EQ(r.d.EntTextAry[2].str, u"abcdefghi");
  EXPECT_TRUE(r.d.EntTextAry[2].mtflag);
  EXPECT_EQ(r.d.EntTextAry[2].code71, 7);
  EXPECT_TRUE(r.d.EntTextAry[3].atflag);
  EXPECT_EQ(r.d.EntTextAry[3].code73, 2);
  EXPECT_EQ(r.d.EntTextAry[4].str, u"テスト");

  ReadResult onlyEmpty;
  ReadBytes(onlyEmpty, Dxf(Entities({{0, "TEXT"}, {8, "0"}})));
  EXPECT_TRUE(onlyEmpty.d.EntTextAry.empty());
}

TEST(DxfReader, EmbeddedObjectGroupsDoNotOverwriteTheText) {
  // As AutoCAD 2018 writes an MTEXT with column data and a multi-line ATTRIB.
  ReadResult r;
  ReadBytes(r, Dxf(Entities({{0, "MTEXT"}, {8, "0"}, {10, "183.5"}, {20, "5.2"}, {40, "1"}, {71, "1"},
                             {1, "two^Jlines"}, {101, "Embedded Object"}, {70, "1"}, {10, "1"},
                             {20, "0"}, {71, "2"}, {1, "again"},
                             {0, "ATTRIB"}, {8, "0"}, {10, "5"}, {1, "value"}, {70, "0"}, {71, "4"},
                             {101, "Embedded Object"}, {10, "9"}, {71, "1"}, {1, "value"},
                             {0, "TEXT"}, {8, "0"}, {1, "plain"}, {70, "0"}})));
  ASSERT_EQ(r.d.EntTextAry.size(), 3u);
  const TTextBlk& m = r.d.EntTextAry[0];
  EXPECT_EQ(m.str, u"two^Jlines");
  EXPECT_EQ(m.code70, 0);
  EXPECT_EQ(m.code71, 1);
  EXPECT_EQ(m.pt10, (TAcadPoint{183.5, 5.2, 0}));
  const TTextBlk& a = r.d.EntTextAry[1];
  EXPECT_EQ(a.str, u"value");
  EXPECT_EQ(a.code71, 4);
  EXPECT_EQ(a.pt10.x, 5);
  EXPECT_EQ(r.d.EntTextAry[2].str, u"plain");
}

TEST(DxfReader, PolylineVertices) {
  ReadResult r;
  ReadBytes(r, Dxf(Entities({{0, "LWPOLYLINE"}, {8, "0"}, {38, "5"}, {90, "2"}, {70, "1"},
                             {10, "1"}, {20, "2"}, {42, "1"}, {10, "3"}, {20, "4"},
                             {0, "POLYLINE"}, {8, "P"}, {66, "1"}, {10, "0"}, {20, "0"}, {30, "9"},
                             {0, "VERTEX"}, {8, "P"}, {10, "1"}, {20, "1"}, {30, "1"},
                             {0, "VERTEX"}, {8, "P"}, {70, "16"}, {10, "2"}, {20, "2"}, {30, "2"}, {42, "0.5"},
                             {0, "VERTEX"}, {10, "3"}, {20, "3"}, {30, "3"},
                             {0, "SEQEND"},
                             {0, "LINE"}, {10, "7"}})));
  ASSERT_EQ(r.d.EntLwpAry.size(), 2u);
  EXPECT_EQ(r.d.EntLwpAry[0].code70, 1);
  EXPECT_EQ(r.d.EntLwpAry[0].color, 7);  // resolved at its vertices
  EXPECT_EQ(r.d.EntLwpAry[1].ihand, 1);
  EXPECT_EQ(r.d.EntLwpAry[1].layer, u"P");
  ASSERT_EQ(r.d.EntLwpVerAry.size(), 5u);
  EXPECT_EQ(r.d.EntLwpVerAry[0].code10, (TAcadPoint{1, 2, 5}));
  EXPECT_EQ(r.d.EntLwpVerAry[0].code42, 1);
  EXPECT_EQ(r.d.EntLwpVerAry[1].code10, (TAcadPoint{3, 4, 5}));
  EXPECT_EQ(r.d.EntLwpVerAry[1].ihand, 0);
  EXPECT_EQ(r.d.EntLwpVerAry[2].code10, (TAcadPoint{1, 1, 1}));
  EXPECT_EQ(r.d.EntLwpVerAry[3].code42, 0.5);
  EXPECT_EQ(r.d.EntLwpVerAry[4].code10, (TAcadPoint{3, 3, 3}));
  EXPECT_EQ(r.d.EntLwpVerAry[4].ihand, 1);
  ASSERT_EQ(r.d.EntLineAry.size(), 1u);
  EXPECT_EQ(r.d.EntLineAry[0].st.x, 7);
}

TEST(DxfReader, PolylineWidthsFromHeaderConstantAndVertices) {
  ReadResult r;
  ReadBytes(r, Dxf(Entities({{0, "LWPOLYLINE"}, {90, "2"}, {43, "2"}, {10, "0"}, {20, "0"},
                             {10, "5"}, {20, "0"}, {40, "1"}, {41, "3"},
                             {0, "POLYLINE"}, {66, "1"}, {40, "0.5"}, {41, "0.25"},
                             {0, "VERTEX"}, {10, "1"}, {20, "1"}, {40, "2"},
                             {0, "VERTEX"}, {10, "2"}, {20, "2"},
                             {0, "SEQEND"}})));
  ASSERT_EQ(r.d.EntLwpVerAry.size(), 4u);
  EXPECT_EQ(r.d.EntLwpAry[0].code43, 2);
  EXPECT_EQ(r.d.EntLwpVerAry[0].code40, 2);
  EXPECT_EQ(r.d.EntLwpVerAry[0].code41, 2);
  EXPECT_EQ(r.d.EntLwpVerAry[1].code40, 1);
  EXPECT_EQ(r.d.EntLwpVerAry[1].code41, 3);
  EXPECT_EQ(r.d.EntLwpVerAry[2].code40, 2);
  EXPECT_EQ(r.d.EntLwpVerAry[2].code41, 0.25);
  EXPECT_EQ(r.d.EntLwpVerAry[3].code40, 0.5);
  EXPECT_EQ(r.d.EntLwpVerAry[3].code41, 0.25);
}

// The hatch reuses 10, 40, 42, 72 and 73 in every part; each must land in
// its part, and the seed points at the end must not move anything.
TEST(DxfReader, HatchPathsEdgesAndPatternLines) {
  ReadResult r;
  ReadBytes(r, Dxf(Entities(
                   {{0, "HATCH"}, {8, "H"}, {62, "3"}, {10, "0"}, {20, "0"}, {30, "2"}, {210, "0"}, {220, "0"},
                    {230, "1"}, {2, "ANSI31"}, {70, "0"}, {71, "0"}, {91, "2"},
                    // A polyline path with a bulge.
                    {92, "7"}, {72, "1"}, {73, "1"}, {93, "3"}, {10, "0"}, {20, "0"}, {42, "0.5"}, {10, "10"},
                    {20, "0"}, {10, "10"}, {20, "10"}, {97, "0"},
                    // An edge path of every kind of edge.
                    {92, "0"}, {93, "4"}, {72, "1"}, {10, "1"}, {20, "1"}, {11, "2"}, {21, "1"},
                    {72, "2"}, {10, "2"}, {20, "2"}, {40, "1"}, {50, "270"}, {51, "90"}, {73, "1"},
                    {72, "3"}, {10, "2"}, {20, "4"}, {11, "1"}, {21, "0"}, {40, "0.5"}, {50, "0"}, {51, "180"}, {73, "0"},
                    {72, "4"}, {94, "3"}, {73, "1"}, {74, "0"}, {95, "8"}, {96, "4"},
                    {40, "0"}, {40, "0"}, {40, "0"}, {40, "0"}, {40, "1"}, {40, "1"}, {40, "1"}, {40, "1"},
                    {10, "1"}, {20, "4"}, {10, "0"}, {20, "3"}, {10, "0"}, {20, "2"}, {10, "1"}, {20, "1"},
                    {42, "1"}, {42, "2"}, {42, "2"}, {42, "1"},
                    {97, "2"}, {11, "1"}, {21, "4"}, {11, "1"}, {21, "1"}, {12, "-1"}, {22, "0"},
                    {97, "1"}, {330, "1F"},
                    {75, "1"}, {76, "1"}, {52, "45"}, {41, "2"}, {77, "0"}, {78, "2"},
                    {53, "45"}, {43, "0"}, {44, "0"}, {45, "-1"}, {46, "1"}, {79, "2"}, {49, "1"}, {49, "-0.5"},
                    {53, "135"}, {43, "1"}, {44, "2"}, {45, "-1"}, {46, "-1"}, {79, "0"},
                    {47, "0.1"}, {98, "1"}, {10, "5"}, {20, "5"},
                    {0, "LINE"}, {10, "7"}})));
  ASSERT_EQ(r.d.EntHatchAry.size(), 1u);
  const THatchBlk& h = r.d.EntHatchAry[0];
  EXPECT_EQ(h.layer, u"H");
  EXPECT_EQ(h.color, 3);
  EXPECT_EQ(h.pattern, u"ANSI31");
  EXPECT_EQ(h.code10, (TAcadPoint{0, 0, 2}));
  EXPECT_EQ(h.code75, 1);
  EXPECT_EQ(h.code41, 2);
  EXPECT_EQ(h.code52, 45);
  ASSERT_EQ(h.paths.size(), 2u);
  EXPECT_EQ(h.paths[0].code92, 7);
  EXPECT_EQ(h.paths[0].count, 3u);
  EXPECT_EQ(h.paths[1].first, 3u);
  EXPECT_EQ(h.paths[1].count, 4u);
  ASSERT_EQ(h.edges.size(), 7u);
  EXPECT_EQ(h.edges[0].code42, 0.5);
  EXPECT_EQ(h.edges[2].code10, (TAcadPoint{10, 10, 0}));
  EXPECT_EQ(h.edges[3].type, 1);
  EXPECT_EQ(h.edges[3].code11, (TAcadPoint{2, 1, 0}));
  EXPECT_EQ(h.edges[4].code40, 1);
  EXPECT_EQ(h.edges[4].code50, 270);
  EXPECT_EQ(h.edges[5].code11, (TAcadPoint{1, 0, 0}));
  EXPECT_EQ(h.edges[5].code73, 0);
  ASSERT_EQ(h.splines.size(), 1u);
  const TSplineBlk& s = h.splines[h.edges[6].spline];
  EXPECT_EQ(s.code71, 3);
  EXPECT_EQ(s.code40Ary.size(), 8u);
  ASSERT_EQ(s.code10Ary.size(), 4u);
  EXPECT_EQ(s.code10Ary[3], (TAcadPoint{1, 1, 0}));
  EXPECT_EQ(s.code41Ary, (std::vector<double>{1, 2, 2, 1}));
  EXPECT_EQ(s.code11Ary.size(), 2u);
  EXPECT_EQ(s.code12, (TAcadPoint{-1, 0, 0}));
  ASSERT_EQ(h.lines.size(), 2u);
  EXPECT_EQ(h.lines[0].code53, 45);
  EXPECT_EQ(h.lines[0].offset, (TAcadPoint{-1, 1, 0}));
  EXPECT_EQ(h.lines[0].code49Ary, (std::vector<double>{1, -0.5}));
  EXPECT_EQ(h.lines[1].base, (TAcadPoint{1, 2, 0}));
  EXPECT_TRUE(h.lines[1].code49Ary.empty());
  ASSERT_EQ(r.d.EntLineAry.size(), 1u);
  EXPECT_EQ(r.d.EntLineAry[0].st.x, 7);
}

TEST(DxfReader, LeaderSplineDimensionFaceSolid) {
  ReadResult r;
  ReadBytes(r, Dxf(Entities({{0, "LEADER"}, {8, "0"}, {3, "STD"}, {76, "5"},
                             {10, "1"}, {20, "1"}, {30, "0"}, {10, "2"}, {20, "2"}, {30, "0"},
                             {10, "3"}, {20, "3"}, {30, "0"}, {10, "4"}, {20, "4"}, {30, "0"},
                             {10, "5"}, {20, "5"}, {30, "0"}, {77, "1"},
                             {0, "SPLINE"}, {70, "8"}, {71, "3"}, {40, "0"}, {40, "1"},
                             {10, "1"}, {20, "2"}, {30, "3"}, {10, "4"}, {41, "1"},
                             {0, "DIMENSION"}, {2, "*D1"}, {10, "1"}, {16, "6"}, {36, "7"}, {70, "32"},
                             {0, "3DFACE"}, {10, "0"}, {13, "4"}, {33, "5"},
                             {0, "SOLID"}, {62, "3"}, {12, "2"}, {23, "3"},
                             {0, "TRACE"}, {67, "1"}, {230, "-1"},
                             {0, "LINE"}, {67, "1"}, {0, "ELLIPSE"}, {67, "1"}})));
  ASSERT_EQ(r.d.LeaderAry.size(), 1u);
  const TLeaderBlk& l = r.d.LeaderAry[0];
  EXPECT_EQ(l.code76, 5);
  EXPECT_EQ(l.p1, (TAcadPoint{1, 1, 0}));
  EXPECT_EQ(l.p3, (TAcadPoint{3, 3, 0}));
  EXPECT_EQ(l.color, 7);
  ASSERT_EQ(r.d.SplineAry.size(), 1u);
  const TSplineBlk& s = r.d.SplineAry[0];
  ASSERT_EQ(s.code10Ary.size(), 2u);
  EXPECT_EQ(s.code10Ary[0], (TAcadPoint{1, 2, 3}));
  EXPECT_EQ(s.code10Ary[1], (TAcadPoint{4, 0, 0}));
  EXPECT_EQ(s.code40Ary.size(), 2u);
  EXPECT_EQ(s.code41Ary.size(), 1u);
  ASSERT_EQ(r.d.DimensionAry.size(), 1u);
  EXPECT_EQ(r.d.DimensionAry[0].dimblkName, u"*D1");
  EXPECT_EQ(r.d.DimensionAry[0].P6, (TAcadPoint{6, 0, 7}));
  EXPECT_EQ(r.d.DimensionAry[0].dimtype, 32);
  ASSERT_EQ(r.d.EntFaceAry.size(), 1u);
  EXPECT_EQ(r.d.EntFaceAry[0].count, 4);
  EXPECT_EQ(r.d.EntFaceAry[0].pt[3], (TAcadPoint{4, 0, 5}));
  ASSERT_EQ(r.d.EntSolidAry.size(), 2u);
  EXPECT_EQ(r.d.EntSolidAry[0].color, 3);  // a filled area in its own colour
  EXPECT_EQ(r.d.EntSolidAry[0].p3, (TAcadPoint{2, 0, 0}));
  EXPECT_EQ(r.d.EntSolidAry[0].p4, (TAcadPoint{0, 3, 0}));
  EXPECT_EQ(r.d.EntSolidAry[0].count, 4);
  // A TRACE is a solid; it and every other kind take their paper-space flag.
  EXPECT_EQ(r.d.EntSolidAry[1].count, 3);
  EXPECT_EQ(r.d.EntSolidAry[1].code210, (TAcadPoint{0, 0, -1}));
  EXPECT_EQ(r.d.EntSolidAry[1].code67, 1);
  ASSERT_EQ(r.d.EntLineAry.size(), 1u);
  EXPECT_EQ(r.d.EntLineAry[0].code67, 1);
  ASSERT_EQ(r.d.EntEllipseAry.size(), 1u);
  EXPECT_EQ(r.d.EntEllipseAry[0].code67, 1);
}

TEST(DxfReader, EveryKindIsReadInBlocksAndInsertsTakeArraysAndExtrusion) {
  ReadResult r;
  ReadBytes(r, Dxf({{0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {2, "B"},
                    {0, "SPLINE"}, {71, "3"}, {11, "1"}, {21, "2"}, {11, "3"}, {21, "4"}, {12, "1"},
                    {0, "LEADER"}, {76, "2"}, {10, "0"}, {20, "0"}, {30, "0"}, {10, "1"}, {20, "1"}, {30, "0"},
                    {0, "3DFACE"}, {13, "1"},
                    {0, "DIMENSION"}, {2, "*D7"},
                    {0, "TRACE"}, {10, "1"},
                    {0, "ENDBLK"}, {0, "ENDSEC"},
                    {0, "SECTION"}, {2, "ENTITIES"},
                    {0, "INSERT"}, {2, "B"}, {70, "3"}, {71, "2"}, {44, "5"}, {45, "6"}, {230, "-1"},
                    {0, "ENDSEC"}, {0, "EOF"}}));
  ASSERT_EQ(r.d.BlkSplineAry.size(), 1u);
  EXPECT_EQ(r.d.BlkSplineAry[0].bname, u"B");
  ASSERT_EQ(r.d.BlkSplineAry[0].code11Ary.size(), 2u);
  EXPECT_EQ(r.d.BlkSplineAry[0].code11Ary[1], (TAcadPoint{3, 4, 0}));
  EXPECT_EQ(r.d.BlkSplineAry[0].code12, (TAcadPoint{1, 0, 0}));
  ASSERT_EQ(r.d.BlkLeaderAry.size(), 1u);
  EXPECT_EQ(r.d.BlkLeaderAry[0].p2, (TAcadPoint{1, 1, 0}));
  ASSERT_EQ(r.d.BlkFaceAry.size(), 1u);
  ASSERT_EQ(r.d.BlkDimensionAry.size(), 1u);
  EXPECT_EQ(r.d.BlkDimensionAry[0].dimblkName, u"*D7");
  EXPECT_EQ(r.d.BlkDimensionAry[0].bname, u"B");
  ASSERT_EQ(r.d.BlkSolidAry.size(), 1u);
  EXPECT_TRUE(r.d.SplineAry.empty() && r.d.LeaderAry.empty() && r.d.DimensionAry.empty());
  ASSERT_EQ(r.d.EntInsertAry.size(), 1u);
  const TInsertBlk& grid = r.d.EntInsertAry[0];
  EXPECT_EQ(grid.code70, 3);
  EXPECT_EQ(grid.code71, 2);
  EXPECT_EQ(grid.code44, 5);
  EXPECT_EQ(grid.code45, 6);
  EXPECT_EQ(grid.code210, (TAcadPoint{0, 0, -1}));
}

TEST(DxfReader, ViewTableSurvivesLaterTables) {
  ReadResult r;
  ReadBytes(r, Dxf({{0, "SECTION"}, {2, "TABLES"},
                    {0, "TABLE"}, {2, "VIEW"}, {70, "2"},
                    {0, "VIEW"}, {2, "FRONT"}, {40, "10"}, {41, "20"}, {10, "1"}, {20, "2"},
                    {0, "VIEW"}, {2, "TOP"}, {40, "30"}, {41, "40"}, {70, "1"},
                    {0, "ENDTAB"},
                    {0, "TABLE"}, {2, "UCS"}, {0, "UCS"}, {2, "U"}, {40, "99"}, {0, "ENDTAB"},
                    {0, "TABLE"}, {2, "APPID"}, {0, "APPID"}, {2, "ACAD"}, {70, "0"}, {0, "ENDTAB"},
                    {0, "TABLE"}, {2, "DIMSTYLE"}, {0, "DIMSTYLE"}, {2, "ST"}, {41, "5"}, {0, "ENDTAB"},
                    {0, "ENDSEC"}, {0, "EOF"}}));
  ASSERT_EQ(r.d.ViewAry.size(), 2u);
  EXPECT_EQ(r.d.ViewAry[0].name, u"FRONT");
  EXPECT_EQ(r.d.ViewAry[0].center, (TAcadPoint{1, 2, 0}));
  EXPECT_EQ(r.d.ViewAry[1].name, u"TOP");
  EXPECT_EQ(r.d.ViewAry[1].height, 30);
  EXPECT_EQ(r.d.ViewAry[1].width, 40);
  EXPECT_EQ(r.d.ViewAry[1].code70, 1);
}

TEST(DxfReader, LinetypePatternsTheirScaleAndEachRecordsScale) {
  ReadResult r;
  PairList file{{0, "SECTION"}, {2, "HEADER"}, {9, "$CELTSCALE"}, {40, "7"},
                {9, "$LTSCALE"}, {40, "0.03"}, {9, "$TEXTSIZE"}, {40, "2.5"}, {0, "ENDSEC"},
                {0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "LTYPE"}, {70, "3"},
                {0, "LTYPE"}, {2, "Continuous"}, {70, "0"}, {3, "Solid line"}, {72, "65"},
                {73, "0"}, {40, "0"},
                // The count claims five elements; three are there. The text
                // of the second element is passed over, its length kept.
                {0, "LTYPE"}, {2, "gas_line"}, {3, "Gas --GAS--"}, {72, "65"}, {73, "5"},
                {40, "0.7"}, {49, "0.5"}, {74, "0"}, {49, "-0.2"}, {74, "2"}, {75, "0"},
                {340, "1F"}, {46, "0.1"}, {50, "0"}, {44, "-0.1"}, {45, "-0.05"}, {9, "GAS"},
                {49, "0"}, {0, "ENDTAB"},
                {0, "ENDSEC"}};
  file = Concat(file, Entities({{0, "LINE"}, {6, "gas_line"}, {48, "2.5"}, {10, "0"}, {11, "1"},
                                {0, "CIRCLE"}, {48, "0.5"}, {40, "1"},
                                {0, "ARC"}, {40, "1"},
                                {0, "LWPOLYLINE"}, {48, "3"}, {10, "0"}, {20, "0"},
                                {0, "ELLIPSE"}, {48, "4"}, {40, "0.5"},
                                {0, "SPLINE"}, {48, "5"}}));
  ReadBytes(r, Dxf(file));
  ASSERT_EQ(r.status, u"");
  EXPECT_DOUBLE_EQ(r.d.LtScale, 0.03);  // $CELTSCALE is for new entities only
  ASSERT_EQ(r.d.LtypeAry.size(), 2u);
  EXPECT_EQ(r.d.LtypeAry[0].name, u"CONTINUOUS");
  EXPECT_TRUE(r.d.LtypeAry[0].code49Ary.empty());
  const TLtypeTbl& gas = r.d.LtypeAry[1];
  EXPECT_EQ(gas.name, u"GAS_LINE");
  EXPECT_EQ(gas.code3, u"Gas --GAS--");
  EXPECT_EQ(gas.code73, 5);
  EXPECT_DOUBLE_EQ(gas.code40, 0.7);
  EXPECT_EQ(gas.code49Ary, (std::vector<double>{0.5, -0.2, 0}));
  EXPECT_EQ(gas.code74Ary, (std::vector<SmallInt>{0, 2, 0}));
  ASSERT_EQ(r.d.EntLineAry.size(), 1u);
  EXPECT_EQ(r.d.EntLineAry[0].ltype, u"GAS_LINE");
  EXPECT_FLOAT_EQ(r.d.EntLineAry[0].code48, 2.5f);
  EXPECT_FLOAT_EQ(r.d.EntCircleAry.at(0).code48, 0.5f);
  EXPECT_FLOAT_EQ(r.d.EntArcAry.at(0).code48, 1.0f);  // the format's default
  EXPECT_FLOAT_EQ(r.d.EntLwpAry.at(0).code48, 3.0f);
  EXPECT_FLOAT_EQ(r.d.EntEllipseAry.at(0).code48, 4.0f);
  EXPECT_FLOAT_EQ(r.d.SplineAry.at(0).code48, 5.0f);

  // A file without the header variable draws at scale 1, also after one
  // that had it.
  ReadBytes(r, Dxf(Entities({{0, "LINE"}})));
  EXPECT_EQ(r.d.LtScale, 1);
  EXPECT_TRUE(r.d.LtypeAry.empty());
}

TEST(DxfReader, BadValueStopsReadKeepingEarlierRecords) {
  ReadResult r;
  // Pair 8 is the bad one: code line 15, value line 16.
  ReadBytes(r, Dxf(Entities({{0, "LINE"}, {8, "0"}, {10, "1"}, {0, "LINE"}, {8, "A"}, {10, "x"},
                             {0, "LINE"}})),
            TextEncoding::Ansi, "folder-less.dxf");
  EXPECT_EQ(r.status, u"15:10/16:x");
  ASSERT_EQ(r.reporter.messages.size(), 1u);
  EXPECT_EQ(r.reporter.messages[0].text, u"folder-less.dxf\n15 行=10\n16 行=x");
  EXPECT_EQ(r.reporter.messages[0].caption, u"Quolmark");
  EXPECT_EQ(r.d.EntLineAry.size(), 2u);
  EXPECT_EQ(r.d.LayerAry.size(), 1u);  // "0" from the first line; the failing one never closed
  EXPECT_EQ(r.progress.Position(), 0);

  ReadResult fraction;
  ReadBytes(fraction, Dxf(Entities({{0, "LINE"}, {62, "1.5"}})));
  EXPECT_EQ(fraction.status, u"7:62/8:1.5");

  // A runaway value (or code) shows its first 80 characters and "…", whole
  // characters in either encoding; a value of exactly 80 shows as it is.
  const std::string digits(1'000'000, '7');
  const std::u16string shown = std::u16string(80, u'7') + u"…";
  ReadResult runaway;
  ReadBytes(runaway, Dxf(Entities({{0, "LINE"}, {10, digits}})));
  EXPECT_EQ(runaway.status, u"7:10/8:" + shown);
  ASSERT_EQ(runaway.reporter.messages.size(), 1u);
  EXPECT_EQ(runaway.reporter.messages[0].text, u"drawing.dxf\n7 行=10\n8 行=" + shown);
  ReadResult longCode;
  ReadBytes(longCode, "0\nSECTION\n2\nENTITIES\n0\nLINE\n" + std::string(100, '0') + "10\nx\n");
  EXPECT_EQ(longCode.status, u"7:" + std::u16string(80, u'0') + u"…/8:x");
  ReadResult wide, sjis, exact;
  std::string kanji;
  for (int i = 0; i < 100; ++i) kanji += i % 2 ? "日" : "\U0001F600";
  ReadBytes(wide, Dxf(Entities({{0, "LINE"}, {10, kanji}})), TextEncoding::Utf8);
  std::u16string wideShown;
  for (int i = 0; i < 80; ++i) wideShown += i % 2 ? u"日" : u"\U0001F600";
  EXPECT_EQ(wide.status, u"7:10/8:" + wideShown + u"…");
  ReadBytes(sjis, Dxf(Entities({{0, "LINE"}, {10, std::string(200, '\x93') }})), TextEncoding::Ansi);
  EXPECT_EQ(sjis.status.size(), 7 + 80 + 1u);
  ReadBytes(exact, Dxf(Entities({{0, "LINE"}, {10, digits.substr(0, 79) + "x"}})));
  EXPECT_EQ(exact.status, u"7:10/8:" + std::u16string(79, u'7') + u"x");

  // A code that is not a number makes the pair meaningless, not a failure.
  ReadResult badCode;
  ReadBytes(badCode, "0\nSECTION\n2\nENTITIES\nabc\nLINE\n0\nCIRCLE\n40\n2\n0\nENDSEC\n");
  EXPECT_EQ(badCode.status, u"");
  EXPECT_TRUE(badCode.d.EntLineAry.empty());
  EXPECT_EQ(badCode.d.EntCircleAry.size(), 1u);
}

TEST(DxfReader, RealsIgnoreTheUserLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = old ? old : "C";
  bool comma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
  ReadResult r;
  ReadBytes(r, Dxf(Entities({{0, "CIRCLE"}, {40, "2.75"}, {10, "-1.5e2"}, {20, "+.5"}})));
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(r.status, u"");
  ASSERT_EQ(r.d.EntCircleAry.size(), 1u);
  EXPECT_EQ(r.d.EntCircleAry[0].hankei, 2.75);
  EXPECT_EQ(r.d.EntCircleAry[0].center.x, -150);
  EXPECT_EQ(r.d.EntCircleAry[0].center.y, 0.5);
  if (!comma) GTEST_LOG_(INFO) << "no comma locale installed; checked in the C locale only";

  ReadResult nan;
  ReadBytes(nan, Dxf(Entities({{0, "CIRCLE"}, {40, "nan"}})));
  EXPECT_FALSE(nan.status.empty());
}

TEST(DxfReader, EncodingsLineEndsAndTrimming) {
  // Code page 932 with a 0x5C trail byte (表) and an NEC character (①).
  std::string sjis = "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nTEXT\r\n8\r\n0\r\n1\r\n\x95\x5C\x87\x40\r\n0\rENDSEC\r";
  ReadResult r;
  ReadBytes(r, sjis);
  ASSERT_EQ(r.d.EntTextAry.size(), 1u);
  EXPECT_EQ(r.d.EntTextAry[0].str, u"表①");

  std::string utf8 = "\xEF\xBB\xBF" + Dxf(Entities({{0, "TEXT"}, {8, "図面"}, {1, "文字\xFF"}}));
  ReadResult u;
  ReadBytes(u, utf8, TextEncoding::Utf8);
  ASSERT_EQ(u.d.EntTextAry.size(), 1u);
  EXPECT_EQ(u.d.EntTextAry[0].layer, u"図面");
  EXPECT_EQ(u.d.EntTextAry[0].str, u"文字\uFFFD");

  // The file ends after a code line: its value is empty.
  ReadResult cut;
  ReadBytes(cut, "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n");
  EXPECT_EQ(cut.status, u"");
  ASSERT_EQ(cut.d.EntLineAry.size(), 1u);
  EXPECT_EQ(cut.d.EntLineAry[0].layer, u"");
}

TEST(DxfReader, LinesAcrossReadChunks) {
  // Big enough for several chunks; CR LF pairs and a 2 MB text value land
  // on every kind of chunk boundary.
  std::string body = "0\r\nSECTION\r\n2\r\nENTITIES\r\n";
  for (int i = 0; i < 60000; ++i) body += "0\r\nLINE\r\n8\r\n0\r\n10\r\n" + std::to_string(i) + "\r\n";
  body += "0\r\nTEXT\r\n8\r\n0\r\n1\r\n" + std::string(2 << 20, 'x') + "\r\n";
  for (int i = 0; i < 60000; ++i) body += "0\rCIRCLE\r40\r" + std::to_string(i) + "\r";
  body += "0\nENDSEC\n";
  ReadResult r;
  ReadBytes(r, body);
  EXPECT_EQ(r.status, u"");
  ASSERT_EQ(r.d.EntLineAry.size(), 60000u);
  EXPECT_EQ(r.d.EntLineAry.back().st.x, 59999);
  ASSERT_EQ(r.d.EntTextAry.size(), 1u);
  EXPECT_EQ(r.d.EntTextAry[0].str.size(), std::size_t{2} << 20);
  ASSERT_EQ(r.d.EntCircleAry.size(), 60000u);
  EXPECT_EQ(r.d.EntCircleAry.back().hankei, 59999);
}

TEST(DxfReader, FileLayerFailures) {
  TempDir dir;
  ReadResult missing;
  ReadDxf(missing.d, dir / "none.dxf", missing.progress, missing.reporter, TextEncoding::Ansi,
          missing.status, missing.version);
  EXPECT_EQ(missing.status, u"");
  EXPECT_TRUE(missing.reporter.messages.empty());
  ASSERT_EQ(missing.d.LayerAry.size(), 1u);

  ReadResult folder;
  ReadDxf(folder.d, dir.path(), folder.progress, folder.reporter, TextEncoding::Ansi, folder.status,
          folder.version);
  EXPECT_EQ(folder.status, u"error");
  ASSERT_EQ(folder.reporter.messages.size(), 1u);
  EXPECT_EQ(folder.reporter.messages[0].text, u"DXFファイル読み込み失敗．");

  // A pipe would block a plain open for ever.
  std::string fifo = (dir / "pipe.dxf").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ReadResult pipe;
  ReadDxf(pipe.d, fifo, pipe.progress, pipe.reporter, TextEncoding::Ansi, pipe.status, pipe.version);
  EXPECT_EQ(pipe.status, u"error");
}

TEST(DxfReader, EveryReadStartsFromAnEmptyModel) {
  ReadResult r;
  ReadBytes(r, Dxf(Entities({{0, "LINE"}, {0, "CIRCLE"}})));
  r.d.ExtMin = {1, 2, 3};
  TempDir dir;
  WriteFile(dir / "b.dxf", Dxf(Entities({{0, "ARC"}})));
  ReadDxf(r.d, dir / "b.dxf", r.progress, r.reporter, TextEncoding::Ansi, r.status, r.version);
  EXPECT_TRUE(r.d.EntLineAry.empty());
  EXPECT_TRUE(r.d.EntCircleAry.empty());
  EXPECT_EQ(r.d.EntArcAry.size(), 1u);
  EXPECT_EQ(r.d.ExtMin, (TAcadPoint{1, 2, 3}));
}

TEST(DxfReader, EncodingFollowsTheFileRelease) {
  TempDir dir;
  std::string body = Dxf(Entities({{0, "TEXT"}, {8, "0"}, {1, "図"}}));
  auto header = [](const char* ver) {
    return Dxf({{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, ver}, {0, "ENDSEC"}});
  };
  WriteFile(dir / "new.dxf", header("AC1021") + body);
  ReadResult r;
  ReadDxfInFileEncoding(r.d, dir / "new.dxf", r.progress, r.reporter, r.status, r.version);
  ASSERT_EQ(r.d.EntTextAry.size(), 1u);
  EXPECT_EQ(r.d.EntTextAry[0].str, u"図");

  WriteFile(dir / "old.dxf", header("AC1018") + EncodeText(U16(body), TextEncoding::Ansi));
  ReadResult o;
  ReadDxfInFileEncoding(o.d, dir / "old.dxf", o.progress, o.reporter, o.status, o.version);
  ASSERT_EQ(o.d.EntTextAry.size(), 1u);
  EXPECT_EQ(o.d.EntTextAry[0].str, u"図");
}

TEST(DxfReader, ProgressMovesAboutFiftyTimes) {
  PairList body;
  for (int i = 0; i < 4000; ++i) {
    body.push_back({0, "LINE"});
    body.push_back({8, "LAYERNAME_LONG"});
    body.push_back({10, std::to_string(i) + ".567890123456"});
  }
  struct CountingProgress : ProgressCounter {
    int moves = 0;
    void SetPosition(int p) override {
      if (p > 0) ++moves;
      ProgressCounter::SetPosition(p);
    }
  };
  TempDir dir;
  WriteFile(dir / "p.dxf", Dxf(Entities(body)));
  Drawing d;
  CountingProgress progress;
  RecordingReporter reporter;
  std::u16string status, version;
  ReadDxf(d, dir / "p.dxf", progress, reporter, TextEncoding::Ansi, status, version);
  EXPECT_EQ(d.EntLineAry.size(), 4000u);
  EXPECT_GT(progress.moves, 30);
  EXPECT_LE(progress.moves, 60);
  EXPECT_EQ(progress.Position(), 0);
}

TEST(DxfReader, CorpusFilesReadWithoutCrash) {
  auto corpus = test::CorpusDir();
  if (corpus.empty() || !std::filesystem::exists(corpus / "dxf")) GTEST_SKIP() << "no corpus";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus / "dxf")) {
    if (entry.path().extension() != ".dxf" && entry.path().extension() != ".DXF") continue;
    ReadResult r;
    ReadDxfInFileEncoding(r.d, entry.path(), r.progress, r.reporter, r.status, r.version);
    EXPECT_FALSE(r.d.LayerAry.empty()) << entry.path();
    for (const auto& line : r.d.EntLineAry) {
      EXPECT_TRUE(std::isfinite(line.st.x) && std::isfinite(line.ed.y)) << entry.path();
      break;
    }
    ++files;
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

TEST(DxfReader, StyleTableAndTheStylesOfTexts) {
  ReadResult r;
  PairList file{{0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "STYLE"}, {70, "2"},
                {0, "STYLE"}, {2, "Standard"}, {70, "0"}, {40, "0.0"}, {41, "0.8"}, {50, "15"},
                {3, "txt.shx"}, {4, "extfont2.shx"},
                {0, "STYLE"}, {2, "Title"}, {3, "arialbd.ttf"}, {4, ""},
                {1001, "ACAD"}, {1000, "Arial"}, {1071, "33554432"},
                {0, "ENDTAB"}, {0, "ENDSEC"},
                // A block named STYLE opens no second table.
                {0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {2, "STYLE"}, {0, "ENDBLK"}, {0, "ENDSEC"}};
  file = Concat(file, Entities({{0, "TEXT"}, {8, "0"}, {1, "a"}, {40, "2"}, {7, "Title"}, {51, "-12.5"},
                                {0, "TEXT"}, {8, "0"}, {1, "b"}, {40, "2"},
                                {0, "MTEXT"}, {8, "0"}, {1, "c"}, {40, "2"},
                                {0, "MTEXT"}, {8, "0"}, {1, "d"}, {40, "2"}, {41, "30"}, {0, "STYLE"}}));
  ReadBytes(r, Dxf(file));
  EXPECT_EQ(r.status, u"");
  ASSERT_EQ(r.d.StyleAry.size(), 2u);
  const TStyleTbl& standard = r.d.StyleAry[0];
  EXPECT_EQ(standard.name, u"Standard");
  EXPECT_EQ(standard.code3, u"txt.shx");
  EXPECT_EQ(standard.code4, u"extfont2.shx");
  EXPECT_EQ(standard.code41, 0.8);
  EXPECT_EQ(standard.code50, 15);
  const TStyleTbl& title = r.d.StyleAry[1];
  EXPECT_EQ(title.code3, u"arialbd.ttf");
  EXPECT_EQ(title.family, u"Arial");
  EXPECT_EQ(title.code1071, 33554432);
  ASSERT_EQ(r.d.EntTextAry.size(), 4u);
  EXPECT_EQ(r.d.EntTextAry[0].style, u"Title");
  EXPECT_EQ(r.d.EntTextAry[0].code51, -12.5);
  EXPECT_EQ(r.d.EntTextAry[1].style, u"STANDARD");
  EXPECT_EQ(r.d.EntTextAry[1].code41, 1.0);
  // An MTEXT wraps only at a width its file gives.
  EXPECT_EQ(r.d.EntTextAry[2].code41, 0);
  EXPECT_EQ(r.d.EntTextAry[3].code41, 30);
}

}  // namespace
}  // namespace vantrel
