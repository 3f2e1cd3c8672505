// Guards against misplaced block contents (wrong turn, scale, mirror, extrusion or base), texts and
// arcs that keep their angles under a turned or mirrored insert, lost or wrongly inherited layers
// and colours, case-folded or last-wins block lookups, nested inserts lost below two levels,
// looping or placed where nothing inserts them, MINSERT cells left out, dimension blocks moved
// instead of copied, and an expansion that passes its budget or places out of table order.
#include <gtest/gtest.h>

#include <cmath>

#include "Builders.h"
#include "geometry/AcadCtrl2016.h"
#include "geometry/Blocks.h"
#include "geometry/Flatten.h"

namespace vantrel {
namespace {

using test::Arc;
using test::Block;
using test::Insert;
using test::Line;
using test::P;

void ExpectPoint(const TAcadPoint& p, double x, double y, double tol = 1e-12) {
  EXPECT_NEAR(p.x, x, tol);
  EXPECT_NEAR(p.y, y, tol);
}

TEST(ExpandInserts, PlacesByBaseScaleAndTurn) {
  Drawing d;
  d.BlockAry.push_back(Block(u"B", P(1, 1)));
  d.BlkLineAry.push_back(Line(P(1, 1), P(2, 1), u"B"));
  d.BlkArcAry.push_back(Arc(P(2, 1), 1, 0, 90, u"B"));
  d.BlkCircleAry.push_back(test::Circle(P(1, 2), 0.5, u"B"));
  d.EntInsertAry.push_back(Insert(u"B", P(10, 5), 90, P(2, 2, 1)));
  d.EntInsertAry.push_back(Insert(u"B", P(10, 5), 90, P(-2, 2, 1)));
  ExpandInserts(d);

  ASSERT_EQ(d.EntLineAry.size(), 2u);
  ExpectPoint(d.EntLineAry[0].st, 10, 5);
  ExpectPoint(d.EntLineAry[0].ed, 10, 7);
  EXPECT_EQ(d.EntLineAry[0].bname, u"B");  // copied whole

  ASSERT_EQ(d.EntArcAry.size(), 2u);
  ExpectPoint(d.EntArcAry[0].center, 10, 7);
  EXPECT_EQ(d.EntArcAry[0].hankei, 2);
  EXPECT_EQ(d.EntArcAry[0].st, 90);
  EXPECT_EQ(d.EntArcAry[0].ed, 180);
  // A mirrored insert mirrors the arc: from (10, 1) at -90 degrees to
  // (8, 3) at 180, now running from 180 to 270.
  ExpectPoint(d.EntArcAry[1].center, 10, 3);
  EXPECT_NEAR(d.EntArcAry[1].hankei, 2, 1e-12);
  EXPECT_NEAR(d.EntArcAry[1].st, -180, 1e-9);
  EXPECT_NEAR(d.EntArcAry[1].ed, -90, 1e-9);

  ASSERT_EQ(d.EntCircleAry.size(), 2u);
  ExpectPoint(d.EntCircleAry[0].center, 8, 5);
  EXPECT_EQ(d.EntCircleAry[1].hankei, 1);  // |scale.x|
}

TEST(ExpandInserts, TextsTurnScaleAndMirrorWithTheInsert) {
  Drawing d;
  d.BlockAry.push_back(Block(u"T"));
  TTextBlk text = test::Text(P(1, 0), 2, u"A", u"T");
  text.pt11 = P(2, 0);
  text.code50 = 15;
  d.BlkTextAry.push_back(text);
  TTextBlk mtext = text;
  mtext.mtflag = true;
  mtext.code71 = 1;
  mtext.pt11 = P(1, 0);  // direction vector
  d.BlkTextAry.push_back(mtext);
  mtext.pt11 = P(0, 0);  // turned by group 50 alone
  d.BlkTextAry.push_back(mtext);
  d.EntInsertAry.push_back(Insert(u"T", P(0, 0), 90, P(2, 2, 1)));
  d.EntInsertAry.push_back(Insert(u"T", P(0, 0), 0, P(3, 1, 1)));
  d.EntInsertAry.push_back(Insert(u"T", P(0, 0), 0, P(-1, 1, 1)));
  ExpandInserts(d);
  ASSERT_EQ(d.EntTextAry.size(), 9u);
  const auto& t = d.EntTextAry;
  // A turn: positions, angle and height go with it.
  ExpectPoint(t[0].pt10, 0, 2);
  ExpectPoint(t[0].pt11, 0, 4);
  EXPECT_EQ(t[0].code50, 105);
  EXPECT_EQ(t[0].code40, 4);
  ExpectPoint(t[1].pt11, 0, 1);
  EXPECT_EQ(t[2].code50, 105);
  // An unequal scale: the height follows y, the width factor x over y.
  EXPECT_NEAR(t[3].code40, 2 * std::hypot(3 * std::sin(15 * kDegToRad), std::cos(15 * kDegToRad)), 1e-12);
  EXPECT_NEAR(t[3].code50, std::atan2(std::sin(15 * kDegToRad), 3 * std::cos(15 * kDegToRad)) / kDegToRad,
              1e-9);
  EXPECT_GT(t[3].code41, 2);
  // A mirror: the mirrored cell, the text in it still readable, aligned
  // right at the mirrored insertion point.
  ExpectPoint(t[6].pt10, -1, 0);
  ExpectPoint(t[6].pt11, -1, 0);
  EXPECT_NEAR(t[6].code50, -15, 1e-9);
  EXPECT_EQ(t[6].code72, 2);
  EXPECT_EQ(t[7].code71, 3);  // an MTEXT's attachment changes sides
}

TEST(ExpandInserts, LayerZeroAndByBlockElementsTakeTheInsertsLayer) {
  Drawing d;
  d.LayerAry.push_back(test::Layer(u"0", 7));
  d.LayerAry.push_back(test::Layer(u"WALL", 3));
  d.BlockAry.push_back(Block(u"B"));
  TAcadLineBlk onZero = Line(P(0, 0), P(1, 0), u"B");
  onZero.layer = u"0";
  onZero.color = 1;
  onZero.ltype = u"CONTINUOUS";
  TAcadLineBlk byBlock = Line(P(0, 0), P(1, 0), u"B");
  byBlock.layer = u"A";
  byBlock.color = 0;
  TAcadLineBlk own = Line(P(0, 0), P(1, 0), u"B");
  own.layer = u"A";
  own.color = 5;
  own.ltype = u"DASHED";
  d.BlkLineAry = {onZero, byBlock, own};
  TInsertBlk wall = Insert(u"B", P(0, 0));
  wall.layer = u"WALL";
  wall.ltype = u"HIDDEN";
  wall.code67 = 1;
  wall.code210 = P(0, 0, -1);
  d.EntInsertAry.push_back(wall);
  TInsertBlk elsewhere = Insert(u"B", P(0, 0));
  elsewhere.layer = u"NEW";  // not in the layer table
  d.EntInsertAry.push_back(elsewhere);
  ExpandInserts(d);

  ASSERT_EQ(d.EntLineAry.size(), 6u);
  EXPECT_EQ(d.EntLineAry[0].layer, u"WALL");
  EXPECT_EQ(d.EntLineAry[0].color, 3);
  EXPECT_EQ(d.EntLineAry[0].ltype, u"HIDDEN");
  EXPECT_EQ(d.EntLineAry[1].layer, u"WALL");
  EXPECT_EQ(d.EntLineAry[1].color, 3);
  EXPECT_EQ(d.EntLineAry[2].layer, u"A");
  EXPECT_EQ(d.EntLineAry[2].color, 5);
  EXPECT_EQ(d.EntLineAry[2].ltype, u"DASHED");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(d.EntLineAry[i].code67, 1);
    EXPECT_EQ(d.EntLineAry[i].code210, P(0, 0, -1));
  }
  // A missing layer is appended once, with colour 7.
  EXPECT_EQ(d.EntLineAry[3].color, 7);
  ASSERT_EQ(d.LayerAry.size(), 3u);
  EXPECT_EQ(d.LayerAry[2].Name, u"NEW");
  EXPECT_EQ(d.LayerAry[2].color, 7);
}

TEST(ExpandInserts, BlockNamesMatchExactlyAndTheFirstBlockWins) {
  Drawing d;
  d.BlockAry.push_back(Block(u"DOOR", P(0, 0)));
  d.BlockAry.push_back(Block(u"Door", P(1, 0)));
  d.BlockAry.push_back(Block(u"Door", P(50, 0)));  // a later duplicate
  d.BlkLineAry.push_back(Line(P(1, 0), P(2, 0), u"Door"));
  d.BlkLineAry.push_back(Line(P(7, 7), P(8, 8), u"DOOR"));
  d.EntInsertAry.push_back(Insert(u"Door", P(0, 0)));
  TInsertBlk hidden = Insert(u"Door", P(0, 0));
  hidden.code60 = 1;
  d.EntInsertAry.push_back(hidden);
  d.EntInsertAry.push_back(Insert(u"Missing", P(0, 0)));
  ExpandInserts(d);
  ASSERT_EQ(d.EntLineAry.size(), 1u);
  EXPECT_EQ(d.EntLineAry[0].st, P(0, 0));
  EXPECT_EQ(d.EntLineAry[0].ed, P(1, 0));
}

// X holds an insert of Y at (5, 0) and has base (5, 0); Y holds a line from
// its origin, an insert of Z and an insert of itself.
Drawing NestedDrawing() {
  Drawing d;
  TBlockBlk x = Block(u"X", P(5, 0));
  TInsertBlk y = Insert(u"Y", P(5, 0));
  y.dimBlkName = u"X";
  x.InsertAry.push_back(y);
  TBlockBlk yb = Block(u"Y");
  TInsertBlk z = Insert(u"Z", P(1, 1));
  z.dimBlkName = u"Y";
  yb.InsertAry.push_back(z);
  TInsertBlk self = Insert(u"Y", P(3, 3));
  self.dimBlkName = u"Y";
  yb.InsertAry.push_back(self);
  d.BlockAry = {x, yb, Block(u"Z")};
  d.BlkLineAry.push_back(Line(P(0, 0), P(1, 0), u"Y"));
  d.BlkLineAry.push_back(Line(P(0, 0), P(0, 1), u"Z"));
  return d;
}

TEST(ExpandBlocks, NestedInsertsArePlacedAtEveryDepthAndASelfInsertOnce) {
  Drawing d = NestedDrawing();
  d.EntInsertAry.push_back(Insert(u"X", P(100, 100)));
  ExpandInserts(d);
  ExpandBlocks(d);

  // Y placed through X at (100, 100), Z through Y one level deeper; Y's
  // insert of itself is the repetition that is skipped.
  ASSERT_EQ(d.EntLineAry.size(), 2u);
  ExpectPoint(d.EntLineAry[0].st, 100, 100);
  ExpectPoint(d.EntLineAry[0].ed, 101, 100);
  ExpectPoint(d.EntLineAry[1].st, 101, 101);
  ExpectPoint(d.EntLineAry[1].ed, 101, 102);
}

TEST(ExpandBlocks, CyclesThroughOtherBlocksAndLongChainsEnd) {
  // A holds B, B holds A again: each placed once under the model insert.
  Drawing d;
  TBlockBlk a = Block(u"A"), b = Block(u"B");
  TInsertBlk toB = Insert(u"B", P(10, 0));
  toB.dimBlkName = u"A";
  a.InsertAry.push_back(toB);
  TInsertBlk toA = Insert(u"A", P(0, 10));
  toA.dimBlkName = u"B";
  b.InsertAry.push_back(toA);
  d.BlockAry = {a, b};
  d.BlkLineAry.push_back(Line(P(0, 0), P(1, 0), u"A"));
  d.BlkLineAry.push_back(Line(P(0, 0), P(0, 1), u"B"));
  d.EntInsertAry.push_back(Insert(u"A", P(0, 0)));
  ExpandInserts(d);
  ExpandBlocks(d);
  ASSERT_EQ(d.EntLineAry.size(), 2u);
  ExpectPoint(d.EntLineAry[1].st, 10, 0);

  // A chain ten thousand blocks deep, each holding the next one step on.
  Drawing chain;
  const int depth = 10000;
  for (int i = 0; i < depth; ++i) {
    TBlockBlk link = Block(u"La" + test::Number(i));
    if (i + 1 < depth) {
      TInsertBlk next = Insert(u"La" + test::Number(i + 1), P(1, 0));
      next.dimBlkName = link.name;
      link.InsertAry.push_back(next);
    }
    chain.BlkLineAry.push_back(Line(P(0, 0), P(0, 1), link.name));
    chain.BlockAry.push_back(link);
  }
  chain.EntInsertAry.push_back(Insert(u"La0", P(0, 0)));
  ExpandInserts(chain);
  ExpandBlocks(chain);
  ASSERT_EQ(chain.EntLineAry.size(), static_cast<std::size_t>(depth));
  ExpectPoint(chain.EntLineAry.back().st, depth - 1, 0);
}

TEST(ExpandInserts, MInsertPlacesEveryRowAndColumnAndExtrusionMirrors) {
  Drawing d;
  d.BlockAry.push_back(Block(u"C"));
  d.BlkCircleAry.push_back(test::Circle(P(0, 0), 1, u"C"));
  TInsertBlk grid = Insert(u"C", P(100, 0), 90);
  grid.code70 = 3;  // columns, 5 apart along the turned x axis
  grid.code71 = 2;  // rows, 4 apart along the turned y axis
  grid.code44 = 5;
  grid.code45 = 4;
  d.EntInsertAry.push_back(grid);
  TInsertBlk under = Insert(u"C", P(7, 3));
  under.code210 = P(0, 0, -1);  // seen from below: x runs the other way
  d.EntInsertAry.push_back(under);
  ExpandInserts(d);
  ASSERT_EQ(d.EntCircleAry.size(), 7u);
  ExpectPoint(d.EntCircleAry[1].center, 100, 5);
  ExpectPoint(d.EntCircleAry[2].center, 100, 10);
  ExpectPoint(d.EntCircleAry[3].center, 96, 0);
  ExpectPoint(d.EntCircleAry[5].center, 96, 10);
  ExpectPoint(d.EntCircleAry[6].center, -7, 3);
}

TEST(ExpandBlocks, NestedPlacementCombinesTurnScaleAndLayer) {
  Drawing d;
  d.LayerAry.push_back(test::Layer(u"OUTER", 4));
  TBlockBlk outer = Block(u"OUT", P(1, 0));
  TInsertBlk inner = Insert(u"IN", P(2, 0), 30, P(1, 2, 1));
  inner.color = 0;
  inner.layer = u"X";
  inner.dimBlkName = u"OUT";
  outer.InsertAry.push_back(inner);
  d.BlockAry = {outer, Block(u"IN")};
  d.BlkLineAry.push_back(Line(P(0, 0), P(1, 0), u"IN"));
  TInsertBlk placer = Insert(u"OUT", P(10, 10), 90, P(3, 3, 1));
  placer.layer = u"OUTER";
  placer.ltype = u"CENTER";
  d.EntInsertAry.push_back(placer);
  ExpandBlocks(d);

  // The line of IN, placed by the combined insert: length 3 at 120 degrees,
  // on the layer the nested insert took from the placer.
  ASSERT_EQ(d.EntLineAry.size(), 1u);
  EXPECT_EQ(d.EntLineAry[0].layer, u"OUTER");
  EXPECT_EQ(d.EntLineAry[0].ltype, u"CENTER");
  EXPECT_EQ(d.EntLineAry[0].color, 4);
  ExpectPoint(d.EntLineAry[0].st, 10, 13);
  ExpectPoint(d.EntLineAry[0].ed, 10 + 3 * std::cos(120 * kDegToRad),
              13 + 3 * std::sin(120 * kDegToRad));
}

TEST(ExpandBlocks, InvisibleModelInsertStillPlacesTheInsertsNestedInItsBlock) {
  Drawing d = NestedDrawing();
  d.BlkLineAry.push_back(Line(P(5, 0), P(5, 9), u"X"));
  TInsertBlk x = Insert(u"X", P(100, 100));
  x.code60 = 1;
  d.EntInsertAry.push_back(x);
  ExpandInserts(d);
  EXPECT_TRUE(d.EntLineAry.empty());
  ExpandBlocks(d);
  ASSERT_EQ(d.EntLineAry.size(), 2u);  // Y's line and Z's below it, not X's
  ExpectPoint(d.EntLineAry[0].st, 100, 100);
}

TEST(ExpandBlocks, NamedBlocksThatNothingInsertsDrawNothing) {
  Drawing d;
  auto holder = [](const std::u16string& name) {
    TBlockBlk b = Block(name);
    TInsertBlk leaf = Insert(u"LEAF", P(7, 0));
    leaf.dimBlkName = name;
    b.InsertAry.push_back(leaf);
    return b;
  };
  // A and C are never inserted; B is. A comes before B, C after it.
  d.BlockAry = {holder(u"A"), holder(u"B"), holder(u"C"), Block(u"LEAF")};
  d.BlkLineAry.push_back(Line(P(0, 0), P(1, 0), u"LEAF"));
  d.EntInsertAry.push_back(Insert(u"B", P(0, 50)));
  ExpandBlocks(d);
  ASSERT_EQ(d.EntLineAry.size(), 1u);
  ExpectPoint(d.EntLineAry[0].st, 7, 50);  // B's leaf, placed by the model insert
}

// A dimension block "*D1" with two lines, a solid, a circle and a text, and an
// anonymous block "*U2" that is no dimension's block, holding an arrow insert.
Drawing DimensionDrawing(bool withDimension) {
  Drawing d;
  TBlockBlk dim = Block(u"*D1", P(1000, 1000));
  TInsertBlk arrow = Insert(u"ARROW", P(3, 3));
  arrow.dimBlkName = u"*D1";
  dim.InsertAry.push_back(arrow);
  TBlockBlk group = Block(u"*U2");
  TInsertBlk member = Insert(u"ARROW", P(40, 0));
  member.dimBlkName = u"*U2";
  group.InsertAry.push_back(member);
  d.BlockAry = {dim, group, Block(u"ARROW")};
  d.BlkLineAry.push_back(Line(P(0, 0), P(10, 0), u"*D1"));
  d.BlkLineAry.push_back(Line(P(0, 1), P(10, 1), u"*D1"));
  d.BlkLineAry.push_back(Line(P(0, 0), P(0.5, 0.25), u"ARROW"));
  d.BlkCircleAry.push_back(test::Circle(P(5, 5), 1, u"*D1"));
  TSolidBlk solid;
  solid.bname = u"*D1";
  solid.layer = u"DIM";
  solid.p1 = P(0, 0);
  solid.p2 = P(1, 0);
  solid.p3 = P(1, 1);
  solid.p4 = P(0, 1);
  d.BlkSolidAry.push_back(solid);
  d.BlkTextAry.push_back(test::Text(P(5, 2), 2.5, u"10", u"*D1"));
  BlockCurvesToLines(d, 10);  // the solid becomes a fill
  if (withDimension) {
    TDimensionBlk dimension;
    dimension.dimblkName = u"*D1";
    dimension.code67 = 1;
    d.DimensionAry.push_back(dimension);
  }
  d.EntInsertAry.push_back(Insert(u"*U2", P(0, 100)));
  return d;
}

TEST(ExpandBlocks, DimensionBlocksAreCopiedAsStoredWithTheirArrows) {
  Drawing d = DimensionDrawing(true);
  ExpandBlocks(d);
  // Everything of the picture, unmoved (the block base is ignored), in the
  // dimension's space.
  ASSERT_GE(d.EntLineAry.size(), 2u);
  EXPECT_EQ(d.EntLineAry[0].st, P(0, 0));
  EXPECT_EQ(d.EntLineAry[1].ed, P(10, 1));
  EXPECT_EQ(d.EntLineAry[1].code67, 1);
  ASSERT_EQ(d.EntCircleAry.size(), 1u);
  ASSERT_EQ(d.EntFillAry.size(), 1u);
  EXPECT_EQ(d.EntFillAry[0].layer, u"DIM");
  EXPECT_EQ(d.EntFillPtAry[2], P(1, 1));
  ASSERT_EQ(d.EntTextAry.size(), 1u);
  EXPECT_EQ(d.EntTextAry[0].pt10, P(5, 2));
  // The arrow stands where the dimension block put it. The insert of *U2 is
  // not drawn: *U2 is no dimension's block and the drawing has dimensions.
  ASSERT_EQ(d.EntLineAry.size(), 3u);
  ExpectPoint(d.EntLineAry[2].st, 3, 3);
  EXPECT_EQ(d.EntLineAry[2].code67, 1);
}

TEST(ExpandBlocks, AnonymousGroupMembersAreDrawnTwiceOnlyWithoutDimensions) {
  Drawing d = DimensionDrawing(false);
  ExpandBlocks(d);
  // No dimension: *D1 is not copied, but both anonymous blocks leave their
  // inserts in place, and *U2's is also placed by the model insert.
  ASSERT_EQ(d.EntLineAry.size(), 3u);
  ExpectPoint(d.EntLineAry[0].st, 3, 3);     // *D1's arrow in place
  ExpectPoint(d.EntLineAry[1].st, 40, 100);  // *U2's member placed by the model insert
  ExpectPoint(d.EntLineAry[2].st, 40, 0);    // *U2's member in place
  EXPECT_TRUE(d.EntTextAry.empty());
}

// The room reserved ahead of the expansion is counted by the same rules as
// the placing; a count that drifts from them would cost a move of every record.
TEST(ExpansionRoom, CountsExactlyWhatBothLevelsAppend) {
  Drawing nested = NestedDrawing();
  nested.EntInsertAry.push_back(Insert(u"X", P(100, 100)));
  nested.EntInsertAry.push_back(Insert(u"Y", P(0, 0)));
  Drawing drawings[] = {nested, DimensionDrawing(true), DimensionDrawing(false)};
  for (Drawing& d : drawings) {
    d.BlkTextAry.push_back(test::Text(P(0, 0), 1, u"t", u"ARROW"));
    d.BlkCircleAry.push_back(test::Circle(P(0, 0), 1, u"Y"));
    const TableRoom room = ExpansionRoom(d);
    const std::size_t lines = d.EntLineAry.size(), circles = d.EntCircleAry.size(),
                      arcs = d.EntArcAry.size(), texts = d.EntTextAry.size();
    ExpandInserts(d);
    ExpandBlocks(d);
    EXPECT_EQ(d.EntLineAry.size() - lines, room.lines);
    EXPECT_EQ(d.EntCircleAry.size() - circles, room.circles);
    EXPECT_EQ(d.EntArcAry.size() - arcs, room.arcs);
    EXPECT_EQ(d.EntTextAry.size() - texts, room.texts);
    EXPECT_GT(room.lines, 0u);
  }
}

TEST(ExpandBlocks, EmptyOrMissingBlocksAddNothing) {
  Drawing d;
  d.BlockAry.push_back(Block(u"EMPTY"));
  TBlockBlk b = Block(u"B");
  TInsertBlk ghost = Insert(u"GHOST", P(0, 0));
  ghost.dimBlkName = u"B";
  b.InsertAry.push_back(ghost);
  d.BlockAry.push_back(b);
  d.EntInsertAry.push_back(Insert(u"EMPTY", P(0, 0)));
  d.EntInsertAry.push_back(Insert(u"B", P(0, 0)));
  ExpandInserts(d);
  ExpandBlocks(d);
  EXPECT_TRUE(d.EntLineAry.empty());
  EXPECT_TRUE(d.EntCircleAry.empty());
}

// B (two lines) holds an insert of C (one line); five model inserts of B.
Drawing BudgetDrawing() {
  Drawing d;
  TBlockBlk b = Block(u"B");
  TInsertBlk nested = Insert(u"C", P(0, 0));
  nested.dimBlkName = u"B";
  b.InsertAry = {nested};
  d.BlockAry = {b, Block(u"C")};
  d.BlkLineAry.push_back(Line(P(0, 0), P(1, 0), u"B"));
  d.BlkLineAry.push_back(Line(P(0, 0), P(0, 1), u"B"));
  d.BlkLineAry.push_back(Line(P(0, 0), P(1, 1), u"C"));
  for (int i = 0; i < 5; ++i) d.EntInsertAry.push_back(Insert(u"B", P(10.0 * i, 0)));
  return d;
}

TEST(ExpansionBudget, PlacesWhatFitsInTableOrderAndNothingAfter) {
  Drawing whole = BudgetDrawing();
  ExpansionBudget unlimited;
  ExpandInserts(whole, unlimited);
  ExpandBlocks(whole, unlimited);
  EXPECT_FALSE(unlimited.stopped);
  EXPECT_EQ(unlimited.placed, 15u);
  EXPECT_EQ(whole.EntLineAry.size(), 15u);

  Drawing d = BudgetDrawing();
  ExpansionBudget budget;
  budget.bytes = 5 * sizeof(TAcadLineBlk);  // two inserts and half of the third
  ExpandInserts(d, budget);
  ASSERT_EQ(d.EntLineAry.size(), 4u);
  EXPECT_EQ(d.EntLineAry[2].st, P(10, 0));  // the second insert's: table order
  // Once stopped, nothing more: not even the small nested level.
  ExpandBlocks(d, budget);
  EXPECT_TRUE(d.BlkInsertAry.empty());
  EXPECT_EQ(d.EntLineAry.size(), 4u);
  EXPECT_TRUE(budget.stopped);
  EXPECT_EQ(budget.placed, 4u);
}

TEST(ExpansionBudget, NestedInsertsArePaidWithWhatTheyPlace) {
  Drawing d = BudgetDrawing();
  ExpansionBudget budget;
  // Two copies of B's nested insert, each with the line of C it places.
  budget.bytes = 2 * (NestedInsertBytes() + sizeof(TAcadLineBlk)) + NestedInsertBytes();
  ExpandBlocks(d, budget);
  ASSERT_EQ(d.EntLineAry.size(), 2u);  // every collected insert is placed
  ExpectPoint(d.EntLineAry[1].ed, 11, 1);
  EXPECT_TRUE(budget.stopped);
  EXPECT_EQ(budget.placed, 2u);
}

}  // namespace
}  // namespace vantrel
