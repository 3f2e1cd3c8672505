// Guards against passes run in the wrong order (extruded polyline arcs left unchorded, block
// polylines missing from placed blocks), source tables left filled so records draw twice, the
// symbol-layer switch touching other layers, a drawing cut short by its expansion budget without
// a word, and real-world drawings giving unusable extents.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "Builders.h"
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
