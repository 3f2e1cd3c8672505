// Point procedures shared by the geometry passes, the renderer, the measuring
// tools and the image export. Inputs come by value (they may alias the
// outputs), results go through the reference parameters. Angles are radians,
// counter-clockwise from +x, unless a name says otherwise.
#pragma once

#include "model/AcadDxfUnit.h"

namespace vantrel {

inline constexpr double kPi = 3.141592653589793;
inline constexpr double kDegToRad = 0.017453292519943295;
inline constexpr double kRadToDeg = 57.29577951308232;

TAcadPoint MakePoint(Extended x, Extended y, Extended z);
// The point Dist away from P in direction Angle; z of P.
TAcadPoint PolarPoint(TAcadPoint P, double Angle, double Dist);
Extended Distance2D(TAcadPoint A, TAcadPoint B);
// Direction from A to B in [0, 2*pi); differences below 0.00001 snap to an axis.
Extended Angle2D(TAcadPoint A, TAcadPoint B);
// Crossing of line AB with line CD. False for (nearly) parallel lines, and
// with OnlySegments when the crossing is not on both segments; P is then
// left untouched.
bool IntersectLines(TAcadPoint A, TAcadPoint B, TAcadPoint C, TAcadPoint D, bool OnlySegments,
                    TAcadPoint& P);
// The counter-clockwise arc of a polyline segment P1-P2 with a non-zero bulge.
void BulgeToArc(TAcadPoint P1, TAcadPoint P2, double Bulge, TAcadPoint& Center, double& Radius,
                double& StartAngle, double& EndAngle);
void AddPoint(TAcadPoint A, TAcadPoint B, TAcadPoint& R);
void SubPoint(TAcadPoint A, TAcadPoint B, TAcadPoint& R);
// x and y of A - B, z of A.
void SubPointXY(TAcadPoint A, TAcadPoint B, TAcadPoint& R);
// Component-wise product (the scale factors of an insert).
void MulPoint(TAcadPoint A, TAcadPoint B, TAcadPoint& R);
// Turns clockwise about the origin; pass -a for a counter-clockwise turn.
void RotatePoint(TAcadPoint P, Extended Angle, TAcadPoint& R);
// Turns counter-clockwise about the origin, through polar coordinates.
void RotateAboutOrigin(TAcadPoint P, double Angle, TAcadPoint& R);
// The arc after x -> -x, still counter-clockwise.
void MirrorArcX(double& StartAngle, double& EndAngle);
// The arc after y -> -y, still counter-clockwise.
void MirrorArcY(double& StartAngle, double& EndAngle);
// Unit vector of V; a zero vector comes back unchanged.
void NormalizeVector(TAcadPoint V, TAcadPoint& R);
void CrossProduct(TAcadPoint A, TAcadPoint B, TAcadPoint& R);
// P given in the object coordinate system of extrusion N (arbitrary axis
// algorithm), in world coordinates.
void OcsToWcs(TAcadPoint P, TAcadPoint N, TAcadPoint& R);
// The axes OcsToWcs derives from N, for records with several points of one
// extrusion; the overload below then gives the same points.
struct OcsAxes {
  TAcadPoint ax, ay, n;
};
OcsAxes OcsAxesOf(TAcadPoint N);
void OcsToWcs(TAcadPoint P, const OcsAxes& Axes, TAcadPoint& R);
// A and B agree within Tol (strictly) in x, y and z.
bool SamePoint(TAcadPoint A, TAcadPoint B, double Tol);

// Round half to even, as every "round" of the geometry does.
double RoundHalfEven(double v);

}  // namespace vantrel
