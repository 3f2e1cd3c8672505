// Guards against passes run in the wrong order (extruded polyline arcs left unchorded, block
// polylines missing from placed blocks), kinds of block contents left out or drawn where nothing
// inserts them, MTEXT points moved by their extrusion, source tables left filled so records draw
// twice, the
// symbol-layer switch touching other layers, a drawing cut short by its expansion budget without
// a word, and real-world drawings giving unusable extents.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "Builders.h"
#include "geometry/AcadCtrl2016.h"
#include "geometry/PassSequence.h"
#include "model/DxfReader.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

using test::AddPolyline;
using test::P;

TEST(GeometryPasses, ExtrudedPolylineArcsAreChordedAndMappedToTheWorld) {
  Drawing d;
  AddPolyline(d.EntLwpAry, d.EntLwpVerAry, 0, {{P(0, 0), 1}, {P(2, 0)}, {P(2, 5)}});
  d.EntLwpAry[0].code210 = P(0, 0, -1);
  RunGeometryPasses(d, {});
  EXPECT_TRUE(d.EntLwpAry.empty());
  EXPECT_TRUE(d.EntLwpVerAry.empty());
  // The half-circle arc stays in the table, marked, and its chords replace it.
  ASSERT_EQ(d.EntArcAry.size(), 1u);
  EXPECT_EQ(d.EntArcAry[0].code67, -1);
  ASSERT_GT(d.EntLineAry.size(), 2u);
  // The straight segment comes first and is mirrored in x like every chord.
  EXPECT_EQ(d.EntLineAry[0].st, P(-2, 0));
  EXPECT_EQ(d.EntLineAry[0].ed, P(-2, 5));
  for (const TAcadLineBlk& l : d.EntLineAry) EXPECT_LE(l.st.x, 1e-12);
  EXPECT_NEAR(d.ExtMin.x, -2, 1e-12);
  EXPECT_NEAR(d.ExtMin.y, -1, 1e-12);
  EXPECT_NEAR(d.ExtMax.x, 0, 1e-12);
  EXPECT_NEAR(d.ExtMax.y, 5, 1e-12);
}

TEST(GeometryPasses, BlockPolylinesArePlacedAndWorkTablesEmptied) {
  Drawing d;
  TBlockBlk b = test::Block(u"B");
  b.InsertAry.push_back(test::Insert(u"C", P(0, 0)));
  d.BlockAry = {b, test::Block(u"C")};
  AddPolyline(d.BlkLwpAry, d.BlkLwpVerAry, 1, {{P(0, 0)}, {P(1, 0)}, {P(1, 1)}}, u"B");
  d.BlkCircleAry.push_back(test::Circle(P(0, 0), 1, u"C"));
  d.EntInsertAry.push_back(test::Insert(u"B", P(10, 0)));
  TFaceBlk face;
  face.count = 3;
  face.pt[1] = P(-1, 0);
  face.pt[2] = P(0, -1);
  d.EntFaceAry.push_back(face);
  RunGeometryPasses(d, {});

  EXPECT_EQ(d.EntLineAry.size(), 6u);  // triangle placed at x 10, then the face
  EXPECT_EQ(d.EntLineAry[0].st, P(10, 0));
  ASSERT_EQ(d.EntCircleAry.size(), 1u);  // the nested insert of C
  EXPECT_EQ(d.EntCircleAry[0].center, P(10, 0));
  for (bool empty : {d.BlkLwpAry.empty(), d.BlkLwpVerAry.empty(), d.EntInsertAry.empty(),
                     d.BlkInsertAry.empty(), d.BlockAry.empty(), d.EntFaceAry.empty(),
                     d.LeaderAry.empty(), d.EntSolidAry.empty(), d.SplineAry.empty()})
    EXPECT_TRUE(empty);
  EXPECT_EQ(d.ExtMin, P(-1, -1, 0));
  EXPECT_EQ(d.ExtMax, P(11, 1, 0));
}

TEST(GeometryPasses, EveryKindOfABlockIsPlacedOnlyWhereSomethingInsertsIt) {
  Drawing d;
  TBlockBlk house = test::Block(u"B");
  d.BlockAry = {house, test::Block(u"*D1"), test::Block(u"UNUSED")};
  // A named block inserted nowhere holds an insert of B: no second copy.
  TInsertBlk copy = test::Insert(u"B", P(0, 50));
  copy.dimBlkName = u"UNUSED";
  d.BlockAry[2].InsertAry.push_back(copy);
  TEllipseBlk ellipse;
  ellipse.bname = u"B";
  ellipse.endpoint = P(2, 0);
  ellipse.henpei = 0.5;
  ellipse.owari = 2 * kPi;
  d.BlkEllipseAry.push_back(ellipse);
  TSplineBlk spline;
  spline.bname = u"B";
  spline.code71 = 2;
  spline.code10Ary = {P(0, 0), P(1, 2), P(2, 0)};
  d.BlkSplineAry.push_back(spline);
  TLeaderBlk leader;
  leader.bname = u"B";
  leader.code76 = 2;
  leader.p2 = P(0, 3);
  d.BlkLeaderAry.push_back(leader);
  TFaceBlk face;
  face.bname = u"B";
  face.pt[1] = P(0, -1);
  face.pt[2] = P(-1, -1);
  d.BlkFaceAry.push_back(face);
  TSolidBlk solid;
  solid.bname = u"B";
  solid.p2 = P(1, 0);
  solid.p3 = P(0, -2);
  d.BlkSolidAry.push_back(solid);
  TDimensionBlk dimension;  // its picture is drawn in the block's coordinates
  dimension.bname = u"B";
  dimension.dimblkName = u"*D1";
  d.BlkDimensionAry.push_back(dimension);
  d.BlkLineAry.push_back(test::Line(P(0, -4), P(3, -4), u"*D1"));
  d.EntInsertAry.push_back(test::Insert(u"B", P(100, 0)));
  // An MTEXT seen from below stays where its world point puts it; a
  // paper-space line neither draws nor widens the fit.
  TTextBlk note = test::Text(P(105, 5), 1, u"x");
  note.mtflag = true;
  note.code210 = P(0, 0, -1);
  d.EntTextAry.push_back(note);
  TAcadLineBlk paper = test::Line(P(-500, -500), P(-400, -400));
  paper.code67 = 1;
  d.EntLineAry.push_back(paper);
  RunGeometryPasses(d, {});

  std::size_t placedLines = 0;
  for (const TAcadLineBlk& l : d.EntLineAry) {
    if (l.code67 != 0) continue;
    ++placedLines;
    EXPECT_GT(l.st.x, 97.5) << "drawn outside the insert";
    EXPECT_LT(l.st.y, 10) << "drawn where nothing inserts the block";
  }
  // 36 ellipse chords, the spline's, one leader line, three face edges
  // and the dimension's line.
  EXPECT_GT(placedLines, 36u + 1 + 3 + 1 + 2);
  ASSERT_EQ(d.EntFillAry.size(), 1u);
  EXPECT_EQ(d.EntFillPtAry[d.EntFillAry[0].first + 1], P(101, 0));
  EXPECT_EQ(d.EntTextAry[0].pt10, P(105, 5));
  EXPECT_GT(d.ExtMin.x, 97);
  EXPECT_NEAR(d.ExtMin.y, -4, 1e-12);
}

TEST(GeometryPasses, AnExpansionPastItsBudgetSaysTheDrawingShowsInPart) {
  Drawing d;
  d.BlockAry = {test::Block(u"B")};
  d.BlkLineAry.push_back(test::Line(P(0, 0), P(1, 0), u"B"));
  d.EntInsertAry = {test::Insert(u"B", P(0, 0)), test::Insert(u"B", P(5, 5))};
  Drawing whole = d;
  const PassOutcome all = RunGeometryPasses(whole, {});  // the machine's budget
  EXPECT_FALSE(all.drawnInPart);
  EXPECT_EQ(all.placed, 2u);

  PassOptions options;
  options.expansionBudget = sizeof(TAcadLineBlk);
  const PassOutcome part = RunGeometryPasses(d, options);
  EXPECT_TRUE(part.drawnInPart);
  EXPECT_EQ(part.placed, 1u);
  EXPECT_EQ(d.ExtMax, P(1, 0, 0));  // the extents are those of what was placed
  EXPECT_TRUE(d.EntInsertAry.empty());
}

TEST(GeometryPasses, SymbolLayerSwitchSetsOnlyTheTwoSymbolLayers) {
  Drawing d;
  d.LayerAry = {test::Layer(u"newjis", 1), test::Layer(u"OLDJIS", 1), test::Layer(u"NEWJIS", 1),
                test::Layer(u"NEWJISX", 1)};
  TAcadLineBlk symbol = test::Line(P(100, 100), P(200, 200));
  symbol.layer = u"OLDJIS";
  d.EntLineAry = {test::Line(P(0, 0), P(1, 1)), symbol};

  Drawing plain = d;
  RunGeometryPasses(plain, {});
  EXPECT_EQ(plain.ExtMax, P(200, 200, 0));

  PassOptions options;
  options.symbolLayerSwitch = true;
  options.newJisChecked = true;
  options.oldJisChecked = false;
  RunGeometryPasses(d, options);
  EXPECT_TRUE(d.LayerAry[0].visible);
  EXPECT_FALSE(d.LayerAry[1].visible);
  EXPECT_TRUE(d.LayerAry[2].visible);  // the scan stopped after two layers
  EXPECT_TRUE(d.LayerAry[3].visible);
  EXPECT_EQ(d.ExtMax, P(1, 1, 0));  // the switch runs before the extents

  d.LayerAry[2].visible = false;
  ApplySymbolLayerSwitch(d, false, true);
  EXPECT_FALSE(d.LayerAry[0].visible);
  EXPECT_TRUE(d.LayerAry[1].visible);
  EXPECT_FALSE(d.LayerAry[2].visible);
}

// Every real-world text DXF that reads without failure goes through the
// passes and ends with finite extents.
TEST(GeometryPasses, CorpusDrawingsGiveFiniteExtents) {
  const std::filesystem::path dir = test::CorpusDir() / "dxf";
  if (test::CorpusDir().empty() || !std::filesystem::is_directory(dir))
    GTEST_SKIP() << "no corpus";
  int passed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (!entry.is_regular_file()) continue;
    Drawing d;
    ProgressCounter progress;
    SilentReporter reporter;
    std::u16string status, version;
    ReadDxfInFileEncoding(d, entry.path(), progress, reporter, status, version);
    if (!status.empty()) continue;
    SCOPED_TRACE(entry.path().filename().string());
    RunGeometryPasses(d, {});
    EXPECT_TRUE(std::isfinite(d.ExtMin.x) && std::isfinite(d.ExtMin.y));
    EXPECT_TRUE(std::isfinite(d.ExtMax.x) && std::isfinite(d.ExtMax.y));
    EXPECT_LE(d.ExtMin.x, d.ExtMax.x);
    EXPECT_LE(d.ExtMin.y, d.ExtMax.y);
    ++passed;
  }
  EXPECT_GT(passed, 0);
}

}  // namespace
}  // namespace vantrel
