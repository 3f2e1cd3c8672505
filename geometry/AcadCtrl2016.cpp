#include "geometry/AcadCtrl2016.h"

#include <cmath>

namespace vantrel {

// Extended is a double here, so every "held as Double" rounding of the
// procedures below is a no-op and is not written out.

namespace {
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kThreeHalfPi = 4.71238898038469;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kSnap = 0.00001;
constexpr double kParallel = 1e-12;
}  // namespace

double RoundHalfEven(double v) {
  // nearbyint rounds half to even under the default rounding mode, which
  // nothing in the program changes.
  return std::nearbyint(v);
}

TAcadPoint MakePoint(Extended x, Extended y, Extended z) { return TAcadPoint{x, y, z}; }

TAcadPoint PolarPoint(TAcadPoint P, double Angle, double Dist) {
  // Angle 0 is taken exactly so that horizontal offsets (text hooks, leader
  // hooks, t = 0 of ellipses) carry no cosine rounding.
  if (Angle == 0) return TAcadPoint{P.x + Dist, P.y, P.z};
  return TAcadPoint{P.x + std::cos(Angle) * Dist, P.y + std::sin(Angle) * Dist, P.z};
}

Extended Distance2D(TAcadPoint A, TAcadPoint B) {
  const Extended dy = A.y - B.y;
  const Extended dx = A.x - B.x;
  return std::sqrt(dy * dy + dx * dx);
}

Extended Angle2D(TAcadPoint A, TAcadPoint B) {
  const Extended dx = B.x - A.x;
  const Extended dy = B.y - A.y;
  if (std::fabs(dx) < kSnap) return B.y > A.y ? kHalfPi : kThreeHalfPi;
  if (std::fabs(dy) < kSnap) return B.x > A.x ? 0.0 : kPi;
  const Extended r = std::fabs(std::atan(dy / dx));
  if (dx >= 0 && dy >= 0) return r;
  if (dx < 0 && dy >= 0) return kPi - r;
  if (dx < 0) return kPi + r;
  return kTwoPi - r;
}

bool IntersectLines(TAcadPoint A, TAcadPoint B, TAcadPoint C, TAcadPoint D, bool OnlySegments,
                    TAcadPoint& P) {
  const Extended den = (D.x - C.x) * (B.y - A.y) - (B.x - A.x) * (D.y - C.y);
  if (std::fabs(den) <= kParallel) return false;
  const Extended t = ((C.y - A.y) * (D.x - C.x) - (C.x - A.x) * (D.y - C.y)) / den;
  const Extended s = ((C.y - A.y) * (B.x - A.x) - (C.x - A.x) * (B.y - A.y)) / den;
  // The lower bound is not 0: a crossing at A or C itself is not "on" the
  // segments, which the distance measurement relies on.
  const bool onBoth = s >= kParallel && s <= 1 && t >= kParallel && t <= 1;
  if (!onBoth && OnlySegments) return false;
  P = TAcadPoint{A.x + t * (B.x - A.x), A.y + t * (B.y - A.y), A.z};
  return true;
}

void BulgeToArc(TAcadPoint P1, TAcadPoint P2, double Bulge, TAcadPoint& Center, double& Radius,
                double& StartAngle, double& EndAngle) {
  const double theta = 4 * std::atan(Bulge);
  const double h = Distance2D(P1, P2) / 2;
  const double r = h / std::sin(theta / 2);
  Radius = std::fabs(r);
  const double toCenter = Angle2D(P1, P2) + (kHalfPi - theta / 2);
  const TAcadPoint c = PolarPoint(P1, toCenter, r);
  if (Bulge >= 0) {
    StartAngle = Angle2D(c, P1);
    EndAngle = Angle2D(c, P2);
  } else {
    StartAngle = Angle2D(c, P2);
    EndAngle = Angle2D(c, P1);
  }
  Center = c;
}

void AddPoint(TAcadPoint A, TAcadPoint B, TAcadPoint& R) { R = {A.x + B.x, A.y + B.y, A.z + B.z}; }

void SubPoint(TAcadPoint A, TAcadPoint B, TAcadPoint& R) { R = {A.x - B.x, A.y - B.y, A.z - B.z}; }

void SubPointXY(TAcadPoint A, TAcadPoint B, TAcadPoint& R) { R = {A.x - B.x, A.y - B.y, A.z}; }

void MulPoint(TAcadPoint A, TAcadPoint B, TAcadPoint& R) { R = {A.x * B.x, A.y * B.y, A.z * B.z}; }

void RotatePoint(TAcadPoint P, Extended Angle, TAcadPoint& R) {
  const Extended c = std::cos(Angle);
  const Extended s = std::sin(Angle);
  R = {P.x * c + P.y * s, -P.x * s + P.y * c, P.z};
}

void RotateAboutOrigin(TAcadPoint P, double Angle, TAcadPoint& R) {
  R = P;
  if (Angle == 0) return;
  const double x = P.x;
  const double y = P.y;
  const double m = std::sqrt(x * x + y * y);
  double o = x != 0 ? std::atan(std::fabs(y / x)) : kHalfPi;
  if (x < 0 && y >= 0)
    o = kPi - o;
  else if (x >= 0 && y < 0)
    o = kTwoPi - o;
  else if (x < 0 && y < 0)
    o = o + kPi;
  R.x = std::cos(Angle + o) * m;
  R.y = std::sin(Angle + o) * m;
}

namespace {
// Repeated subtraction, as the angle arithmetic elsewhere expects the last
// bits it gives; angles from a hostile file first get fmod so the loop stays
// short, and infinities or NaN are left alone.
void ReduceBelowTwoPi(double& a) {
  if (!std::isfinite(a)) return;
  if (a > 1e6) a = std::fmod(a, kTwoPi) + kTwoPi;
  while (a > kTwoPi) a -= kTwoPi;
}
}  // namespace

void MirrorArcX(double& StartAngle, double& EndAngle) {
  double a = 3 * kPi - StartAngle;
  double b = 3 * kPi - EndAngle;
  ReduceBelowTwoPi(a);
  ReduceBelowTwoPi(b);
  StartAngle = b;
  EndAngle = a;
}

void MirrorArcY(double& StartAngle, double& EndAngle) {
  const double s = StartAngle;
  const double e = EndAngle;
  StartAngle = kTwoPi - e;
  EndAngle = kTwoPi - s;
}

void NormalizeVector(TAcadPoint V, TAcadPoint& R) {
  const double len = std::sqrt(V.x * V.x + V.y * V.y + V.z * V.z);
  if (len > 0)
    R = {V.x / len, V.y / len, V.z / len};
  else
    R = V;
}

void CrossProduct(TAcadPoint A, TAcadPoint B, TAcadPoint& R) {
  R = {A.y * B.z - A.z * B.y, A.z * B.x - A.x * B.z, A.x * B.y - A.y * B.x};
}

OcsAxes OcsAxesOf(TAcadPoint N) {
  constexpr double kArbitraryAxisLimit = 1.0 / 64;
  const TAcadPoint w = (std::fabs(N.x) < kArbitraryAxisLimit && std::fabs(N.y) < kArbitraryAxisLimit)
                           ? TAcadPoint{0, 1, 0}
                           : TAcadPoint{0, 0, 1};
  OcsAxes a;
  CrossProduct(w, N, a.ax);
  NormalizeVector(a.ax, a.ax);
  CrossProduct(N, a.ax, a.ay);
  NormalizeVector(a.ay, a.ay);
  a.n = N;
  return a;
}

void OcsToWcs(TAcadPoint P, const OcsAxes& Axes, TAcadPoint& R) {
  const TAcadPoint& ax = Axes.ax;
  const TAcadPoint& ay = Axes.ay;
  const TAcadPoint& n = Axes.n;
  R = {P.x * ax.x + P.y * ay.x + P.z * n.x, P.x * ax.y + P.y * ay.y + P.z * n.y,
       P.x * ax.z + P.y * ay.z + P.z * n.z};
}

void OcsToWcs(TAcadPoint P, TAcadPoint N, TAcadPoint& R) { OcsToWcs(P, OcsAxesOf(N), R); }

bool SamePoint(TAcadPoint A, TAcadPoint B, double Tol) {
  return std::fabs(A.x - B.x) < Tol && std::fabs(A.y - B.y) < Tol && std::fabs(A.z - B.z) < Tol;
}

}  // namespace vantrel
