// Guards hatches and wide polylines against boundaries chained wrongly (reversed or clockwise edges, bulges, islands, text boxes, the hatch style), patterns lost or left unplaced inside blocks, and width bands that lose their taper, their mitre or their arc.
#include <gtest/gtest.h>

#include <cmath>

#include "Builders.h"
#include "geometry/Flatten.h"
#include "geometry/Hatch.h"
#include "geometry/PassSequence.h"

namespace vantrel {
namespace {

using test::AddPolyline;
using test::P;

THatchEdge LineEdge(TAcadPoint a, TAcadPoint b) {
  THatchEdge e;
  e.type = 1;
  e.code10 = a;
  e.code11 = b;
  return e;
}

void AddPath(THatchBlk& h, Integer flags, const std::vector<THatchEdge>& edges) {
  THatchPath& p = h.paths.emplace_back();
  p.code92 = flags;
  p.first = static_cast<std::uint32_t>(h.edges.size());
  p.count = static_cast<std::uint32_t>(edges.size());
  h.edges.insert(h.edges.end(), edges.begin(), edges.end());
}

void AddPolylinePath(THatchBlk& h, Integer flags, const std::vector<test::Vertex>& run) {
  std::vector<THatchEdge> edges;
  for (const test::Vertex& v : run) {
    THatchEdge& e = edges.emplace_back();
    e.code10 = v.at;
    e.code42 = v.bulge;
  }
  AddPath(h, flags | 2, edges);
}

// The shoelace area of each ring.
std::vector<double> Areas(const std::vector<TAcadPoint>& points, const std::vector<std::uint32_t>& rings) {
  std::vector<double> areas;
  std::size_t at = 0;
  for (std::uint32_t n : rings) {
    double a = 0;
    for (std::uint32_t i = 0; i < n; ++i) {
      const TAcadPoint& p = points[at + i];
      const TAcadPoint& q = points[at + (i + 1) % n];
      a += p.x * q.y - q.x * p.y;
    }
    areas.push_back(std::fabs(a) / 2);
    at += n;
  }
  return areas;
}

TEST(HatchRings, EdgesChainIntoClosedRingsAndTheStyleChoosesThePaths) {
  THatchBlk h;
  // A square whose third edge runs against the others.
  AddPath(h, 1, {LineEdge(P(0, 0), P(10, 0)), LineEdge(P(10, 0), P(10, 10)), LineEdge(P(0, 10), P(10, 10)),
                 LineEdge(P(0, 10), P(0, 0))});
  // A half disc under the x axis: its arc is clockwise, from 0 to -180
  // degrees, stored as the complements 0 and 180.
  THatchEdge arc;
  arc.type = 2;
  arc.code10 = P(20, 0);
  arc.code40 = 1;
  arc.code50 = 0;
  arc.code51 = 180;
  arc.code73 = 0;
  AddPath(h, 0, {LineEdge(P(19, 0), P(21, 0)), arc});
  // A polyline path whose first segment bulges out below as a half circle.
  AddPolylinePath(h, 0, {{P(30, 0), 1}, {P(40, 0)}, {P(40, 10)}, {P(30, 10)}});
  THatchPath& closed = h.paths.back();
  closed.code73 = 1;
  AddPath(h, 8, {LineEdge(P(0, 0), P(1, 0)), LineEdge(P(1, 0), P(1, 1)), LineEdge(P(1, 1), P(0, 0))});

  std::vector<TAcadPoint> points;
  std::vector<std::uint32_t> rings;
  HatchRings(h, points, rings);
  ASSERT_EQ(rings.size(), 3u) << "the text box is no boundary";
  const std::vector<double> areas = Areas(points, rings);
  EXPECT_NEAR(areas[0], 100, 1e-9);
  EXPECT_NEAR(areas[1], 3.14159265 / 2, 0.01);
  EXPECT_NEAR(areas[2], 100 + 3.14159265 * 25 / 2, 0.5);
  for (std::uint32_t i = 0; i < rings[1]; ++i) EXPECT_LE(points[rings[0] + i].y, 1e-9);
  for (std::uint32_t i = 0; i < rings[2]; ++i) {
    const TAcadPoint& q = points[rings[0] + rings[1] + i];
    if (q.y < 0) {
      EXPECT_NEAR(std::hypot(q.x - 35, q.y), 5, 1e-9);
    }
  }

  // Style 1 fills the outermost and external paths only; a drawing whose
  // paths carry neither flag is not left empty by it.
  h.code75 = 1;
  points.clear();
  rings.clear();
  HatchRings(h, points, rings);
  EXPECT_EQ(rings.size(), 1u);
  for (THatchPath& p : h.paths) p.code92 &= ~1;
  rings.clear();
  HatchRings(h, points, rings);
  EXPECT_EQ(rings.size(), 3u);

  // Seen from below, x turns round.
  THatchBlk below;
  below.code210 = P(0, 0, -1);
  AddPath(below, 1, {LineEdge(P(1, 0), P(2, 0)), LineEdge(P(2, 0), P(2, 1)), LineEdge(P(2, 1), P(1, 0))});
  points.clear();
  HatchRings(below, points, rings);
  EXPECT_EQ(points[0].x, -1);
}

TEST(HatchesToFills, SolidAndPatternHatchesAndTheirPlaceInBlocks) {
  Drawing d;
  THatchBlk h;
  h.layer = u"H";
  h.color = 4;
  AddPath(h, 1, {LineEdge(P(0, 0), P(4, 0)), LineEdge(P(4, 0), P(4, 4)), LineEdge(P(4, 4), P(0, 0))});
  h.code70 = 1;
  d.EntHatchAry.push_back(h);
  h.code70 = 0;
  d.EntHatchAry.push_back(h);  // a pattern without lines draws nothing
  THatchLine line;
  line.code53 = 90;
  line.base = P(1, 0);
  line.offset = P(-0.5, 0);
  line.code49Ary = {0.25, -0.25};
  h.lines = {line};
  d.EntHatchAry.push_back(h);
  HatchesToFills(d);
  ASSERT_EQ(d.EntFillAry.size(), 2u);
  EXPECT_EQ(d.EntFillAry[0].families, 0u);
  EXPECT_EQ(d.EntFillAry[0].color, 4);
  EXPECT_EQ(d.EntFillAry[0].count, 3u);
  ASSERT_EQ(d.EntFillAry[1].families, 1u);
  const TFillFamily& family = d.EntFillFamilyAry[d.EntFillAry[1].firstFamily];
  EXPECT_NEAR(family.dir.x, 0, 1e-15);
  EXPECT_NEAR(family.dir.y, 1, 1e-15);
  EXPECT_EQ(family.offset, P(-0.5, 0));
  EXPECT_EQ(std::vector<double>(d.EntFillDashAry.begin() + family.firstDash,
                                d.EntFillDashAry.begin() + family.firstDash + family.dashes),
            (std::vector<double>{0.25, -0.25}));

  // In a block placed twice as large and turned a quarter, the pattern
  // turns and grows with its boundary.
  Drawing b;
  b.BlockAry.push_back(test::Block(u"B"));
  h.bname = u"B";
  h.lines[0].code53 = 0;
  h.lines[0].offset = P(0, 1);
  b.BlkHatchAry.push_back(h);
  b.EntInsertAry.push_back(test::Insert(u"B", P(100, 0), 90, P(2, 2, 1)));
  RunGeometryPasses(b, {});
  ASSERT_EQ(b.EntFillAry.size(), 1u);
  ASSERT_EQ(b.EntFillAry[0].families, 1u);
  const TFillFamily& placed = b.EntFillFamilyAry[b.EntFillAry[0].firstFamily];
  EXPECT_NEAR(placed.base.x, 100, 1e-12);
  EXPECT_NEAR(placed.base.y, 2, 1e-12);
  EXPECT_NEAR(placed.dir.x, 0, 1e-12);
  EXPECT_NEAR(placed.dir.y, 2, 1e-12);
  EXPECT_NEAR(placed.offset.x, -2, 1e-12);
  EXPECT_NEAR(placed.offset.y, 0, 1e-12);
  EXPECT_EQ(b.EntFillDashAry[placed.firstDash], 0.25);
  EXPECT_NEAR(b.EntFillPtAry[b.EntFillAry[0].first + 1].y, 8, 1e-12);
}

TEST(PolylineWidths, BandsTaperMitreFollowBulgesAndLeaveThinSegmentsLines) {
  Drawing d;
  AddPolyline(d.EntLwpAry, d.EntLwpVerAry, 0, {{P(0, 0)}, {P(10, 0)}, {P(10, 10)}});
  for (TLwpVer& v : d.EntLwpVerAry) v.code40 = v.code41 = 2;
  PolylinesToLines(d);
  EXPECT_TRUE(d.EntLineAry.empty());
  ASSERT_EQ(d.EntFillAry.size(), 2u);
  // The corner is mitred: both sides of the bend meet.
  const std::vector<TAcadPoint> first(d.EntFillPtAry.begin(), d.EntFillPtAry.begin() + 4);
  EXPECT_EQ(first, (std::vector<TAcadPoint>{P(0, 1), P(9, 1), P(11, -1), P(0, -1)}));
  EXPECT_EQ(d.EntFillPtAry[4], P(9, 1));

  // A taper from nothing to 4, then a thin segment that stays a line.
  Drawing t;
  AddPolyline(t.EntLwpAry, t.EntLwpVerAry, 0, {{P(0, 0)}, {P(10, 0)}, {P(20, 0)}});
  t.EntLwpVerAry[0].code41 = 4;
  PolylinesToLines(t);
  ASSERT_EQ(t.EntFillAry.size(), 1u);
  ASSERT_EQ(t.EntLineAry.size(), 1u);
  EXPECT_EQ(t.EntLineAry[0].st, P(10, 0));
  const std::vector<TAcadPoint> taper(t.EntFillPtAry.begin(), t.EntFillPtAry.end());
  EXPECT_EQ(taper, (std::vector<TAcadPoint>{P(0, 0), P(10, 2), P(10, -2), P(0, 0)}));
  // A constant width is every segment's, whatever the vertices say.
  Drawing k;
  AddPolyline(k.EntLwpAry, k.EntLwpVerAry, 0, {{P(0, 0)}, {P(10, 0)}, {P(20, 0)}});
  k.EntLwpAry[0].code43 = 2;
  k.EntLwpVerAry[0].code41 = 4;
  PolylinesToLines(k);
  EXPECT_TRUE(k.EntLineAry.empty());
  ASSERT_EQ(k.EntFillAry.size(), 2u);
  EXPECT_EQ(k.EntFillPtAry[1], P(10, 1));

  // A half circle of radius 5, 2 wide: its band lies between radii 4 and 6.
  Drawing a;
  AddPolyline(a.EntLwpAry, a.EntLwpVerAry, 0, {{P(0, 0), 1}, {P(10, 0)}});
  a.EntLwpVerAry[0].code40 = a.EntLwpVerAry[0].code41 = 2;
  PolylinesToLines(a);
  EXPECT_TRUE(a.EntArcAry.empty());
  ASSERT_EQ(a.EntFillAry.size(), 1u);
  EXPECT_GT(a.EntFillAry[0].count, 40u);
  for (const TAcadPoint& q : a.EntFillPtAry) {
    const double r = std::hypot(q.x - 5, q.y);
    EXPECT_TRUE(std::fabs(r - 4) < 1e-9 || std::fabs(r - 6) < 1e-9) << r;
    EXPECT_LE(q.y, 1e-9);  // a positive bulge from left to right runs below
  }

  // A 3D polyline has no widths.
  Drawing s;
  AddPolyline(s.EntLwpAry, s.EntLwpVerAry, 8, {{P(0, 0)}, {P(10, 0)}});
  s.EntLwpVerAry[0].code40 = 1;
  PolylinesToLines(s);
  EXPECT_TRUE(s.EntFillAry.empty());
  EXPECT_EQ(s.EntLineAry.size(), 1u);
}

}  // namespace
}  // namespace vantrel
