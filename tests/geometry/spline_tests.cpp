// Guards against splines drawn as their control polygon or not at all, curves that stray from
// their fit points or their weights, chords coarser than the tolerance, and hostile degrees or
// knot counts that hang a load or make unbounded lines.
#include <gtest/gtest.h>

#include <cmath>

#include "Builders.h"
#include "geometry/Flatten.h"
#include "geometry/Spline.h"

namespace vantrel {
namespace {

using test::P;

// A quarter of the unit circle as a rational quadratic, not marked planar.
TSplineBlk QuarterCircle() {
  TSplineBlk s;
  s.code71 = 2;
  s.code10Ary = {P(1, 0), P(1, 1), P(0, 1)};
  s.code40Ary = {0, 0, 0, 1, 1, 1};
  s.code41Ary = {1, std::sqrt(0.5), 1};
  return s;
}

TEST(SplinesToLines, FollowTheRationalCurveWithinTheTolerance) {
  Drawing d;
  d.SplineAry.push_back(QuarterCircle());
  d.SplineAry[0].code67 = 1;
  SplinesToLines(d);
  ASSERT_GT(d.EntLineAry.size(), 8u);
  EXPECT_EQ(d.EntLineAry.front().st, P(1, 0));
  EXPECT_NEAR(d.EntLineAry.back().ed.x, 0, 1e-12);
  EXPECT_NEAR(d.EntLineAry.back().ed.y, 1, 1e-12);
  const double tolerance = std::sqrt(2.0) / 4000;  // the box of the control points
  for (const TAcadLineBlk& l : d.EntLineAry) {
    EXPECT_NEAR(std::hypot(l.st.x, l.st.y), 1, 1e-12);
    const double mid = std::hypot((l.st.x + l.ed.x) / 2, (l.st.y + l.ed.y) / 2);
    EXPECT_LT(1 - mid, tolerance);
    EXPECT_EQ(l.code67, 1);
  }
}

TEST(SplinesToLines, FitPointsArePassedThroughAndDegreeOneIsThePolygon) {
  TSplineBlk fitted;
  fitted.code71 = 3;
  fitted.code11Ary = {P(0, 0), P(1, 2), P(3, 1), P(4, 3), P(4, 3), P(6, 0)};
  fitted.code12 = P(1, 0);
  std::vector<TAcadPoint> points;
  SplinePoints(fitted, 1000, points);
  ASSERT_GT(points.size(), 5u);
  for (const TAcadPoint& f : fitted.code11Ary) {
    bool through = false;
    for (const TAcadPoint& p : points) through = through || std::hypot(p.x - f.x, p.y - f.y) < 1e-9;
    EXPECT_TRUE(through) << f.x << "," << f.y;
  }
  // Leaving along the start tangent: flatter than the free end would.
  const double tangentSlope = points[1].y / points[1].x;
  fitted.code12 = P(0, 0);
  SplinePoints(fitted, 1000, points);
  EXPECT_LT(tangentSlope, 0.5 * points[1].y / points[1].x);

  TSplineBlk polygon;
  polygon.code71 = 1;
  polygon.code10Ary = {P(0, 0), P(1, 1), P(2, 0), P(3, 1)};
  polygon.code40Ary = {0, 0, 1, 2, 3, 3};
  SplinePoints(polygon, 1000, points);
  EXPECT_EQ(points, polygon.code10Ary);
}

TEST(SplinesToLines, HostileDegreesAndKnotsStayBounded) {
  std::vector<TAcadPoint> points;
  // Degree 1000 is not followed: the control polygon.
  TSplineBlk steep;
  steep.code71 = 1000;
  steep.code10Ary = {P(0, 0), P(1, 1), P(2, 0)};
  SplinePoints(steep, 1000, points);
  EXPECT_EQ(points, steep.code10Ary);

  // Knots that do not fit the points: a uniform curve from end to end.
  TSplineBlk odd = QuarterCircle();
  odd.code40Ary = {5, 1};
  SplinePoints(odd, 1000, points);
  ASSERT_FALSE(points.empty());
  EXPECT_EQ(points.front(), P(1, 0));
  EXPECT_NEAR(points.back().y, 1, 1e-12);

  // A million spans of a wiggling curve: at most the spline's bound.
  TSplineBlk wiggle;
  wiggle.code71 = 3;
  for (int i = 0; i < 1'000'000; ++i) wiggle.code10Ary.push_back(P(i, (i % 2) * 1e6));
  SplinePoints(wiggle, SplineSegments(wiggle), points);
  EXPECT_LE(points.size(), (1u << 16) + 1);
  EXPECT_GT(points.size(), 1000u);
}

}  // namespace
}  // namespace vantrel
