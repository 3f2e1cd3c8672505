// Guards against lost snaps and tie-breaks of the point procedures, arcs of a bulge on the wrong
// side, rotations turning the wrong way and extrusions mapped with the wrong axes.
#include <gtest/gtest.h>

#include <cmath>

#include "Builders.h"
#include "geometry/AcadCtrl2016.h"

namespace vantrel {
namespace {

using test::P;

constexpr double kHalfPi = 1.5707963267948966;
constexpr double kThreeHalfPi = 4.71238898038469;

TEST(PointProcedures, PolarPointIsExactOnlyAtAngleZero) {
  EXPECT_EQ(PolarPoint(P(1, 1, 2), 0, 5), P(6, 1, 2));
  const TAcadPoint up = PolarPoint(P(1, 1, 2), kHalfPi, 5);
  EXPECT_EQ(up.y, 6);
  EXPECT_NE(up.x, 1);  // cos of the double nearest pi/2 is not 0
  EXPECT_NEAR(up.x, 1, 1e-15);
  EXPECT_EQ(up.z, 2);
  EXPECT_EQ(PolarPoint(P(0, 0), 0, -3), P(-3, 0));
}

TEST(PointProcedures, Angle2DSnapsSmallDifferencesToTheAxes) {
  EXPECT_EQ(Angle2D(P(3, 3), P(3, 3)), kThreeHalfPi);
  EXPECT_EQ(Angle2D(P(0, 0), P(-1, 0.000001)), kPi);
  EXPECT_EQ(Angle2D(P(0, 0), P(0.000001, -1)), kThreeHalfPi);
  EXPECT_EQ(Angle2D(P(0, 0), P(0.000001, 1)), kHalfPi);
  // The snap is absolute: a drawing in tiny units loses its diagonals.
  EXPECT_EQ(Angle2D(P(0, 0), P(0.000009, 0.000009)), kHalfPi);
  // The four quadrants.
  EXPECT_NEAR(Angle2D(P(0, 0), P(1, 1)), kPi / 4, 1e-15);
  EXPECT_NEAR(Angle2D(P(0, 0), P(-1, 1)), 3 * kPi / 4, 1e-15);
  EXPECT_NEAR(Angle2D(P(0, 0), P(-1, -1)), 5 * kPi / 4, 1e-15);
  EXPECT_NEAR(Angle2D(P(0, 0), P(1, -1)), 7 * kPi / 4, 1e-15);
}

TEST(PointProcedures, IntersectLinesExcludesTheStartPointsOfTheSegments) {
  TAcadPoint p = P(99, 99, 99);
  EXPECT_TRUE(IntersectLines(P(0, 0, 4), P(2, 0), P(1, -1), P(1, 1), true, p));
  EXPECT_EQ(p, P(1, 0, 4));

  p = P(99, 99);
  EXPECT_FALSE(IntersectLines(P(0, 0), P(2, 0), P(0, -1), P(0, 1), true, p));
  EXPECT_EQ(p, P(99, 99));  // untouched
  EXPECT_TRUE(IntersectLines(P(0, 0), P(2, 0), P(0, -1), P(0, 1), false, p));
  EXPECT_EQ(p, P(0, 0));

  // The far end points do count.
  EXPECT_TRUE(IntersectLines(P(0, 0), P(2, 0), P(2, -1), P(2, 1), true, p));
  EXPECT_EQ(p, P(2, 0));

  // Parallel lines never cross, whatever OnlySegments says.
  p = P(7, 7);
  EXPECT_FALSE(IntersectLines(P(0, 0), P(2, 0), P(0, 1), P(2, 1), false, p));
  EXPECT_EQ(p, P(7, 7));
}

TEST(PointProcedures, BulgeOfOneIsTheLowerHalfCircleAndMinusOneTheUpper) {
  TAcadPoint c;
  double r, a1, a2;
  BulgeToArc(P(0, 0), P(2, 0), 1, c, r, a1, a2);
  EXPECT_NEAR(c.x, 1, 1e-15);
  EXPECT_NEAR(c.y, 0, 1e-15);
  EXPECT_DOUBLE_EQ(r, 1);
  EXPECT_EQ(a1, kPi);
  EXPECT_EQ(a2, 0);

  BulgeToArc(P(0, 0), P(2, 0), -1, c, r, a1, a2);
  EXPECT_NEAR(c.x, 1, 1e-15);
  EXPECT_NEAR(c.y, 0, 1e-15);
  EXPECT_DOUBLE_EQ(r, 1);
  EXPECT_EQ(a1, 0);
  EXPECT_EQ(a2, kPi);

  // A quarter circle (bulge tan(22.5 deg)) from (1, 0) to (0, 1) around the origin.
  BulgeToArc(P(1, 0), P(0, 1), std::tan(kPi / 8), c, r, a1, a2);
  EXPECT_NEAR(c.x, 0, 1e-12);
  EXPECT_NEAR(c.y, 0, 1e-12);
  EXPECT_NEAR(r, 1, 1e-12);
  EXPECT_EQ(a1, 0);
  EXPECT_EQ(a2, kHalfPi);

  // Equal points: radius 0 at P1, both angles 3*pi/2, nothing undefined.
  BulgeToArc(P(4, 4), P(4, 4), 0.5, c, r, a1, a2);
  EXPECT_EQ(r, 0);
  EXPECT_NEAR(c.x, 4, 1e-15);
  EXPECT_NEAR(c.y, 4, 1e-15);
  EXPECT_EQ(a1, kThreeHalfPi);
  EXPECT_EQ(a2, kThreeHalfPi);
}

TEST(PointProcedures, RotatePointTurnsClockwiseAndRotateAboutOriginCounterClockwise) {
  TAcadPoint r;
  RotatePoint(P(1, 0, 7), kHalfPi, r);
  EXPECT_NEAR(r.x, 0, 1e-15);
  EXPECT_NEAR(r.y, -1, 1e-15);
  EXPECT_EQ(r.z, 7);
  RotateAboutOrigin(P(1, 0, 7), kHalfPi, r);
  EXPECT_NEAR(r.x, 0, 1e-15);
  EXPECT_NEAR(r.y, 1, 1e-15);
  EXPECT_EQ(r.z, 7);
  // Every quadrant of the polar detour.
  RotateAboutOrigin(P(-1, -1), kHalfPi, r);
  EXPECT_NEAR(r.x, 1, 1e-15);
  EXPECT_NEAR(r.y, -1, 1e-15);
  RotateAboutOrigin(P(0, -2), kPi, r);
  EXPECT_NEAR(r.x, 0, 1e-15);
  EXPECT_NEAR(r.y, 2, 1e-15);
  // Angle 0 returns the point itself, bit for bit.
  RotateAboutOrigin(P(0.1, 0.7), 0, r);
  EXPECT_EQ(r, P(0.1, 0.7));
}

TEST(PointProcedures, MirroredArcsStillRunCounterClockwise) {
  double s = 0, e = kHalfPi;
  MirrorArcX(s, e);
  EXPECT_DOUBLE_EQ(s, kHalfPi);
  EXPECT_DOUBLE_EQ(e, kPi);
  s = 0;
  e = kHalfPi;
  MirrorArcY(s, e);
  EXPECT_DOUBLE_EQ(s, kThreeHalfPi);
  EXPECT_DOUBLE_EQ(e, 2 * kPi);
  // A hostile angle leaves the reduction loop quickly and lands in range.
  s = -1e300;
  e = 0;
  MirrorArcX(s, e);
  EXPECT_DOUBLE_EQ(s, kPi);
  EXPECT_GT(e, 0);
  EXPECT_LE(e, 2 * kPi);
}

TEST(PointProcedures, OcsToWcsMirrorsXForTheDownwardExtrusion) {
  TAcadPoint r;
  OcsToWcs(P(2, 3, 0), P(0, 0, -1), r);
  EXPECT_EQ(r, P(-2, 3, 0));
  OcsToWcs(P(2, 3, 4), P(0, 0, 1), r);
  EXPECT_EQ(r, P(2, 3, 4));
  // An extrusion along +x: OCS x is world y, OCS y world z.
  OcsToWcs(P(1, 2, 3), P(1, 0, 0), r);
  EXPECT_NEAR(r.x, 3, 1e-15);
  EXPECT_NEAR(r.y, 1, 1e-15);
  EXPECT_NEAR(r.z, 2, 1e-15);
  // A zero extrusion has no axes: everything lands on the origin, no NaN.
  OcsToWcs(P(5, 6, 7), P(0, 0, 0), r);
  EXPECT_EQ(r, P(0, 0, 0));
  // The default-extrusion test is strict: exactly Tol apart is different.
  EXPECT_FALSE(SamePoint(P(0.5, 0, 1), P(0.25, 0, 1), 0.25));
}

}  // namespace
}  // namespace vantrel
