// Guards against polylines losing or borrowing vertices, closing segments and bulge arcs gone
// wrong, meshes drawn along the wrong direction, extruded curves left in object coordinates or
// drawn twice, solids outlined as triangles instead of filled, and hostile curve parameters that
// hang a load or poison it with NaN.
#include <gtest/gtest.h>

#include <cmath>

#include "Builders.h"
#include "geometry/AcadCtrl2016.h"
#include "geometry/Flatten.h"

namespace vantrel {
namespace {

using test::AddPolyline;
using test::P;
using test::Vertex;

void ExpectPoint(const TAcadPoint& p, double x, double y, double tol = 1e-12) {
  EXPECT_NEAR(p.x, x, tol);
  EXPECT_NEAR(p.y, y, tol);
}

TEST(PolylinesToLines, ClosedTriangleAndBulgeHalfCircle) {
  Drawing d;
  AddPolyline(d.EntLwpAry, d.EntLwpVerAry, 1, {{P(0, 0)}, {P(4, 0)}, {P(4, 3)}});
  d.EntLwpAry[0].layer = u"A";
  d.EntLwpAry[0].color = 3;
  d.EntLwpAry[0].code67 = 1;
  PolylinesToLines(d);
  ASSERT_EQ(d.EntLineAry.size(), 3u);
  EXPECT_EQ(d.EntLineAry[2].st, P(4, 3));
  EXPECT_EQ(d.EntLineAry[2].ed, P(0, 0));
  for (const TAcadLineBlk& l : d.EntLineAry) {
    EXPECT_EQ(l.layer, u"A");
    EXPECT_EQ(l.color, 3);
    EXPECT_EQ(l.code67, 1);
    EXPECT_EQ(l.code210, DefaultExtrusion);
    EXPECT_EQ(l.PenColor, 0u);  // the pen pass fills it later
  }

  Drawing h;
  AddPolyline(h.EntLwpAry, h.EntLwpVerAry, 0, {{P(0, 0), 1}, {P(2, 0)}});
  PolylinesToLines(h);
  ASSERT_EQ(h.EntArcAry.size(), 1u);
  EXPECT_TRUE(h.EntLineAry.empty());
  ExpectPoint(h.EntArcAry[0].center, 1, 0);
  EXPECT_DOUBLE_EQ(h.EntArcAry[0].hankei, 1);
  EXPECT_DOUBLE_EQ(h.EntArcAry[0].st, 180);
  EXPECT_DOUBLE_EQ(h.EntArcAry[0].ed, 0);
}

TEST(PolylinesToLines, TinyBulgeIsAChordInTheModelButAnArcInABlock) {
  const double tinyBulge = std::tan(0.9 * kDegToRad / 4);  // 0.9 degrees of arc
  Drawing d;
  AddPolyline(d.EntLwpAry, d.EntLwpVerAry, 0, {{P(0, 0), tinyBulge}, {P(10, 0)}});
  AddPolyline(d.BlkLwpAry, d.BlkLwpVerAry, 0, {{P(0, 0), tinyBulge}, {P(10, 0)}}, u"B");
  PolylinesToLines(d);
  BlockPolylinesToLines(d);
  ASSERT_EQ(d.EntLineAry.size(), 1u);
  EXPECT_TRUE(d.EntArcAry.empty());
  ExpectPoint(d.EntLineAry[0].st, 0, 0, 1e-9);
  ExpectPoint(d.EntLineAry[0].ed, 10, 0, 1e-9);
  ASSERT_EQ(d.BlkArcAry.size(), 1u);
  EXPECT_EQ(d.BlkArcAry[0].bname, u"B");
  EXPECT_TRUE(d.BlkLineAry.empty());

  // An arc of an extruded model polyline keeps the extrusion for the chording pass.
  Drawing e;
  AddPolyline(e.EntLwpAry, e.EntLwpVerAry, 0, {{P(0, 0), 1}, {P(2, 0)}});
  e.EntLwpAry[0].code210 = P(0, 0, -1);
  PolylinesToLines(e);
  ASSERT_EQ(e.EntArcAry.size(), 1u);
  EXPECT_EQ(e.EntArcAry[0].code210, P(0, 0, -1));
}

TEST(PolylinesToLines, VertexCursorGivesEachPolylineItsOwnRun) {
  Drawing d;
  // An invisible polyline whose vertices must be skipped, one without
  // vertices, and two ordinary ones.
  AddPolyline(d.EntLwpAry, d.EntLwpVerAry, 0, {{P(100, 100)}, {P(200, 200)}});
  d.EntLwpAry[0].code60 = 1;
  AddPolyline(d.EntLwpAry, d.EntLwpVerAry, 1, {});
  AddPolyline(d.EntLwpAry, d.EntLwpVerAry, 0, {{P(0, 0)}, {P(1, 0)}, {P(1, 1)}});
  AddPolyline(d.EntLwpAry, d.EntLwpVerAry, 0, {{P(5, 5)}, {P(6, 5)}});
  PolylinesToLines(d);
  ASSERT_EQ(d.EntLineAry.size(), 3u);
  EXPECT_EQ(d.EntLineAry[0].st, P(0, 0));
  EXPECT_EQ(d.EntLineAry[1].ed, P(1, 1));
  EXPECT_EQ(d.EntLineAry[2].st, P(5, 5));
  EXPECT_EQ(d.EntLineAry[2].ed, P(6, 5));

  // Far more polylines without vertices than the cursor's short scan, then
  // one whose run stands after all of them.
  Drawing m;
  for (int i = 0; i < 200; ++i) AddPolyline(m.EntLwpAry, m.EntLwpVerAry, 0, {});
  for (int i = 0; i < 100; ++i) {
    TLwpVer stray;
    stray.ihand = 9999;  // belongs to no header
    m.EntLwpVerAry.push_back(stray);
  }
  AddPolyline(m.EntLwpAry, m.EntLwpVerAry, 0, {{P(1, 2)}, {P(3, 4)}});
  PolylinesToLines(m);
  ASSERT_EQ(m.EntLineAry.size(), 1u);
  EXPECT_EQ(m.EntLineAry[0].st, P(1, 2));
  EXPECT_EQ(m.EntLineAry[0].ed, P(3, 4));
}

TEST(PolylinesToLines, MeshesDrawTheirGridBothWays) {
  auto meshLines = [](SmallInt code70) {
    Drawing d;
    AddPolyline(d.EntLwpAry, d.EntLwpVerAry, code70,
                {{P(0, 0)}, {P(1, 0)}, {P(2, 0)}, {P(0, 1)}, {P(1, 1)}, {P(2, 1)}});
    d.EntLwpAry[0].code71 = 2;
    d.EntLwpAry[0].code72 = 3;
    PolylinesToLines(d);
    return d.EntLineAry;
  };
  // Two rows of two lines along N, then three columns along M.
  const auto open = meshLines(16);
  ASSERT_EQ(open.size(), 7u);
  EXPECT_EQ(open[1].st, P(1, 0));
  EXPECT_EQ(open[1].ed, P(2, 0));
  EXPECT_EQ(open[4].st, P(0, 0));
  EXPECT_EQ(open[4].ed, P(0, 1));
  EXPECT_EQ(open[6].st, P(2, 0));
  EXPECT_EQ(open[6].ed, P(2, 1));
  // Bit 1 closes the columns, bit 32 the rows.
  const auto closed = meshLines(17);
  ASSERT_EQ(closed.size(), 10u);
  EXPECT_EQ(closed[5].st, P(0, 1));
  EXPECT_EQ(closed[5].ed, P(0, 0));
  const auto both = meshLines(16 | 1 | 32);
  ASSERT_EQ(both.size(), 12u);
  EXPECT_EQ(both[2].st, P(2, 0));
  EXPECT_EQ(both[2].ed, P(0, 0));
  EXPECT_TRUE(meshLines(64).empty());  // a polyface without face records

  // A mesh that claims more columns than it has vertices stays in bounds.
  Drawing d;
  AddPolyline(d.EntLwpAry, d.EntLwpVerAry, 17, {{P(0, 0)}, {P(1, 0)}});
  d.EntLwpAry[0].code71 = 300;
  d.EntLwpAry[0].code72 = 300;
  PolylinesToLines(d);
  EXPECT_EQ(d.EntLineAry.size(), 3u);  // the one row's line, two columns closed on themselves

  Drawing b;
  AddPolyline(b.BlkLwpAry, b.BlkLwpVerAry, 16, {{P(0, 0)}, {P(1, 0)}, {P(0, 1)}, {P(1, 1)}}, u"B");
  b.BlkLwpAry[0].code71 = 2;
  b.BlkLwpAry[0].code72 = 2;
  BlockPolylinesToLines(b);
  // A mesh in a block is drawn as in the model, once placed.
  ASSERT_EQ(b.BlkLineAry.size(), 4u);
  EXPECT_EQ(b.BlkLineAry[3].st, P(1, 0));
  EXPECT_EQ(b.BlkLineAry[3].ed, P(1, 1));
  EXPECT_EQ(b.BlkLineAry[3].bname, u"B");
  EXPECT_TRUE(b.BlkArcAry.empty());
}

TEST(BlockPolylinesToLines, ClosedTriangleBecomesThreeBlockLines) {
  Drawing d;
  AddPolyline(d.BlkLwpAry, d.BlkLwpVerAry, 1, {{P(0, 0)}, {P(4, 0)}, {P(4, 3)}}, u"B");
  d.BlkLwpAry[0].code210 = P(0, 0, -1);
  BlockPolylinesToLines(d);
  ASSERT_EQ(d.BlkLineAry.size(), 3u);
  EXPECT_EQ(d.BlkLineAry[2].ed, P(0, 0));
  EXPECT_EQ(d.BlkLineAry[0].bname, u"B");
  // The insert gives the extrusion later; none is copied here.
  EXPECT_EQ(d.BlkLineAry[0].code210, P(0, 0, 0));
  EXPECT_TRUE(d.EntLineAry.empty());
}

TEST(CirclesAndArcsToLines, DownwardExtrudedCircleBecomes37ChordsAroundTheMirroredCentre) {
  Drawing d;
  d.EntCircleAry.push_back(test::Circle(P(5, 0), 1));
  d.EntCircleAry[0].code210 = P(0, 0, -1);
  d.EntCircleAry.push_back(test::Circle(P(5, 0), 1));  // default extrusion: stays a circle
  CirclesToLines(d, 10);
  LinesToWcs(d);
  EXPECT_EQ(d.EntCircleAry[0].code67, -1);
  EXPECT_EQ(d.EntCircleAry[1].code67, 0);
  ASSERT_EQ(d.EntLineAry.size(), 37u);
  for (const TAcadLineBlk& l : d.EntLineAry) {
    EXPECT_NEAR(std::hypot(l.st.x + 5, l.st.y), 1, 1e-12);
    EXPECT_NEAR(std::hypot(l.ed.x + 5, l.ed.y), 1, 1e-12);
  }
  ExpectPoint(d.EntLineAry[0].st, -6, 0);
  EXPECT_EQ(d.EntLineAry[0].code210, P(0, 0, -1));
  // The last chord closes at angle 0 with (nearly) no length.
  EXPECT_NEAR(d.EntLineAry[36].st.x, d.EntLineAry[36].ed.x, 1e-12);
}

TEST(CirclesAndArcsToLines, ExtrudedArcThroughZeroAndOvershootingLastChord) {
  Drawing d;
  d.EntArcAry.push_back(test::Arc(P(0, 0), 1, 350, 10));
  d.EntArcAry[0].code210 = P(0, 0, -1);
  ArcsToLines(d, 10);
  EXPECT_EQ(d.EntArcAry[0].code67, -1);
  ASSERT_EQ(d.EntLineAry.size(), 3u);
  ExpectPoint(d.EntLineAry[0].st, std::cos(350 * kDegToRad), std::sin(350 * kDegToRad));
  ExpectPoint(d.EntLineAry[1].ed, std::cos(10 * kDegToRad), std::sin(10 * kDegToRad));
  // n = 2 reaches the end point already; the third chord has no length.
  EXPECT_NEAR(d.EntLineAry[2].st.x, d.EntLineAry[2].ed.x, 1e-12);

  // A sweep of 25 degrees rounds to n = 2 (2.5 to even): the last chord
  // runs on from 20 to 25 degrees.
  Drawing e;
  e.EntArcAry.push_back(test::Arc(P(0, 0), 1, 0, 25));
  e.EntArcAry[0].code210 = P(0, 0, -1);
  ArcsToLines(e, 10);
  ASSERT_EQ(e.EntLineAry.size(), 3u);
  ExpectPoint(e.EntLineAry[2].ed, std::cos(25 * kDegToRad), std::sin(25 * kDegToRad));

  // Hostile angles end quickly with a bounded number of chords.
  Drawing h;
  h.EntArcAry.push_back(test::Arc(P(0, 0), 1, 0, 1e30));
  h.EntArcAry[0].code210 = P(0, 0, -1);
  h.EntArcAry.push_back(test::Arc(P(0, 0), 1, 0, std::nan("")));
  h.EntArcAry[1].code210 = P(0, 0, -1);
  ArcsToLines(h, 10);
  EXPECT_LT(h.EntLineAry.size(), 200u);
}

TEST(EllipsesToLines, FullEllipsesArcsThroughZeroAndHostileRanges) {
  Drawing d;
  TEllipseBlk e;
  e.center = P(10, 20);
  e.endpoint = P(4, 0);
  e.henpei = 0.5;
  e.kaisi = 0;
  e.owari = 2 * kPi;
  e.layer = u"E";
  d.EntEllipseAry.push_back(e);
  EllipsesToLines(d, 10);
  ASSERT_EQ(d.EntLineAry.size(), 36u);
  EXPECT_EQ(d.EntLineAry[0].st, P(14, 20));  // t = 0 is exact
  EXPECT_EQ(d.EntLineAry[0].layer, u"E");
  EXPECT_EQ(d.EntLineAry[0].code210, DefaultExtrusion);
  for (const TAcadLineBlk& l : d.EntLineAry) {
    const double u = (l.ed.x - 10) / 4, v = (l.ed.y - 20) / 2;
    EXPECT_NEAR(u * u + v * v, 1, 1e-12);
  }
  // With N = (0, 0, 1) the parameter runs counter-clockwise in the world.
  EXPECT_GT(d.EntLineAry[0].ed.y, 20);

  // An arc through parameter 0 runs from 5 on past 2 pi to 1.
  Drawing through;
  e.kaisi = 5;
  e.owari = 1;
  through.EntEllipseAry.push_back(e);
  EllipsesToLines(through, 10);
  ASSERT_EQ(through.EntLineAry.size(), 14u);
  EXPECT_NEAR(through.EntLineAry.back().ed.x, 10 + 4 * std::cos(1.0), 1e-12);

  Drawing none;
  e.endpoint = P(0, 0, 0);  // no major axis: no direction, no NaN lines
  e.kaisi = 0;
  e.owari = 2 * kPi;
  none.EntEllipseAry.push_back(e);
  e.endpoint = P(4, 0);
  e.owari = 1e300;  // hostile range
  none.EntEllipseAry.push_back(e);
  EllipsesToLines(none, 10);
  EXPECT_LE(none.EntLineAry.size(), 72u);
  for (const TAcadLineBlk& l : none.EntLineAry) EXPECT_TRUE(std::isfinite(l.st.x));
}

TEST(WcsPasses, TextAndLinesOfTheDownwardExtrusionAreMirrored) {
  Drawing d;
  TTextBlk t = test::Text(P(1, 2), 2.5, u"ab");
  t.code210 = P(0, 0, -1);
  t.pt11 = P(3, 4);
  d.EntTextAry.push_back(t);
  d.EntTextAry.push_back(test::Text(P(1, 2), 2.5, u"cd"));
  TAcadLineBlk l = test::Line(P(1, 1), P(2, 3));
  l.code210 = P(0, 0, -1);
  d.EntLineAry.push_back(l);
  TextsToWcs(d);
  LinesToWcs(d);
  EXPECT_EQ(d.EntTextAry[0].pt10, P(-1, 2));
  EXPECT_EQ(d.EntTextAry[0].pt11, P(-3, 4));
  EXPECT_DOUBLE_EQ(d.EntTextAry[0].code50, 180);
  EXPECT_EQ(d.EntTextAry[1].pt10, P(1, 2));
  EXPECT_EQ(d.EntTextAry[1].code50, 0);
  EXPECT_EQ(d.EntLineAry[0].st, P(-1, 1));
  EXPECT_EQ(d.EntLineAry[0].ed, P(-2, 3));
  EXPECT_EQ(d.EntLineAry[0].code210, P(0, 0, -1));  // left as it was
}

TEST(OutlinePasses, FacesLeadersAndSolids) {
  Drawing d;
  TFaceBlk f;
  f.pt[0] = P(0, 0);
  f.pt[1] = P(1, 0);
  f.pt[2] = P(0, 1);
  f.count = 3;
  f.code70 = 15;  // invisible edges are drawn all the same
  d.EntFaceAry.push_back(f);
  f.count = 99;  // a count no face can have
  d.EntFaceAry.push_back(f);
  FacesToLines(d);
  ASSERT_EQ(d.EntLineAry.size(), 7u);
  EXPECT_EQ(d.EntLineAry[2].st, P(0, 1));
  EXPECT_EQ(d.EntLineAry[2].ed, P(0, 0));

  Drawing l;
  TLeaderBlk leader;
  leader.code76 = 2;
  leader.p1 = P(0, 0);
  leader.p2 = P(3, 4);
  leader.p3 = P(50, 50);
  leader.code41 = 2.5;
  l.LeaderAry.push_back(leader);
  leader.code76 = 1;  // a single vertex draws nothing
  l.LeaderAry.push_back(leader);
  LeadersToLines(l);
  ASSERT_EQ(l.EntLineAry.size(), 2u);
  EXPECT_EQ(l.EntLineAry[1].st, P(3, 4));
  EXPECT_EQ(l.EntLineAry[1].ed, P(5.5, 4));

  Drawing s;
  TSolidBlk solid;
  solid.p1 = P(0, 0);
  solid.p2 = P(2, 0);
  solid.p3 = P(0, 2);
  solid.p4 = P(2, 2);
  solid.count = 4;
  solid.color = 5;
  s.EntSolidAry.push_back(solid);
  solid.count = 3;  // no group 13: the third corner repeats
  s.EntSolidAry.push_back(solid);
  solid.count = 4;
  solid.code210 = P(0, 0, -1);  // corners in object coordinates
  s.EntSolidAry.push_back(solid);
  SolidsToFills(s);
  EXPECT_TRUE(s.EntLineAry.empty());
  ASSERT_EQ(s.EntFillAry.size(), 3u);
  EXPECT_EQ(s.EntFillAry[0].color, 5);
  EXPECT_EQ(s.EntFillAry[0].rings, 1u);
  EXPECT_EQ(s.EntFillRingAry[0], 4u);
  // Corners 1, 2, 4, 3 go round the area instead of crossing it.
  const std::vector<TAcadPoint> square(s.EntFillPtAry.begin(), s.EntFillPtAry.begin() + 4);
  EXPECT_EQ(square, (std::vector<TAcadPoint>{P(0, 0), P(2, 0), P(2, 2), P(0, 2)}));
  EXPECT_EQ(s.EntFillAry[1].count, 3u);
  EXPECT_EQ(s.EntFillPtAry[s.EntFillAry[2].first + 1], P(-2, 0));
}

// The room reserved ahead of the passes must hold what they append, or the
// tables move again; it bounds, it does not change, the result.
TEST(FlatteningRoom, BoundsWhatThePassesAppend) {
  Drawing d;
  AddPolyline(d.EntLwpAry, d.EntLwpVerAry, 1, {{P(0, 0), 1}, {P(2, 0), -0.5}, {P(2, 2)}});
  d.EntLwpAry[0].code210 = P(0, 0, -1);  // its arcs get chorded as well
  AddPolyline(d.EntLwpAry, d.EntLwpVerAry, 17,
              {{P(0, 0)}, {P(1, 0)}, {P(2, 0)}, {P(0, 1)}, {P(1, 1)}, {P(2, 1)}});
  d.EntLwpAry[1].code71 = 2;
  d.EntLwpAry[1].code72 = 3;
  TEllipseBlk e;
  e.endpoint = P(3, 0);
  e.henpei = 0.5;
  e.owari = 2 * kPi;
  d.EntEllipseAry = {e, e};
  d.EntArcAry.push_back(test::Arc(P(0, 0), 1, 10, 355));
  d.EntArcAry[0].code210 = P(0, 0, -1);
  d.EntCircleAry.push_back(test::Circle(P(0, 0), 1));
  d.EntCircleAry[0].code210 = P(0, 0, -1);
  TFaceBlk f;
  f.count = 4;
  d.EntFaceAry.push_back(f);
  TLeaderBlk leader;
  leader.code76 = 3;
  leader.code41 = 1;
  d.LeaderAry.push_back(leader);
  TSplineBlk spline;
  spline.code71 = 2;
  spline.code10Ary = {P(0, 0), P(1, 1), P(2, 0)};
  d.SplineAry.push_back(spline);

  const TableRoom room = FlatteningRoom(d, 10);
  PolylinesToLines(d);
  EllipsesToLines(d, 10);
  ArcsToLines(d, 10);
  CirclesToLines(d, 10);
  FacesToLines(d);
  LeadersToLines(d);
  SplinesToLines(d);
  EXPECT_LE(d.EntLineAry.size(), room.lines);
  EXPECT_LE(d.EntArcAry.size() - 1, room.arcs);
  EXPECT_GT(d.EntLineAry.size(), 36u + 36 + 36 + 37);
}

// Every line and arc a curve becomes keeps the curve's linetype scale; a
// lost one would draw its dashes at the wrong size.
TEST(FlatteningPasses, LinesAndArcsKeepTheLinetypeScaleOfTheirCurve) {
  Drawing d;
  AddPolyline(d.EntLwpAry, d.EntLwpVerAry, 0, {{P(0, 0), 1}, {P(2, 0)}, {P(2, 2)}});
  d.EntLwpAry[0].code48 = 2;
  TEllipseBlk e;
  e.endpoint = P(4, 0);
  e.henpei = 0.5;
  e.owari = 2 * kPi;
  e.code48 = 3;
  d.EntEllipseAry.push_back(e);
  d.EntCircleAry.push_back(test::Circle(P(5, 0), 1));
  d.EntCircleAry[0].code210 = P(0, 0, -1);
  d.EntCircleAry[0].code48 = 4;
  TSplineBlk spline;
  spline.code71 = 1;
  spline.code10Ary = {P(0, 0), P(1, 1), P(2, 0)};
  spline.code40Ary = {0, 0, 1, 2, 2};
  spline.code48 = 5;
  d.SplineAry.push_back(spline);

  PolylinesToLines(d);
  ASSERT_EQ(d.EntArcAry.size(), 1u);
  EXPECT_EQ(d.EntArcAry[0].code48, 2.0f);
  std::size_t from = 0;
  auto expectScale = [&](float scale, const char* what) {
    ASSERT_GT(d.EntLineAry.size(), from) << what;
    for (std::size_t i = from; i < d.EntLineAry.size(); ++i)
      EXPECT_EQ(d.EntLineAry[i].code48, scale) << what;
    from = d.EntLineAry.size();
  };
  expectScale(2, "polyline");
  EllipsesToLines(d, 10);
  expectScale(3, "ellipse");
  CirclesToLines(d, 10);
  expectScale(4, "circle chords");
  SplinesToLines(d);
  expectScale(5, "spline");
}

}  // namespace
}  // namespace vantrel
