#include "geometry/Spline.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vantrel {

namespace {

// CAD programs write degrees 1 to 10 or so; a higher degree costs its
// square in every point, so a file's degree 1000 is not followed: such a
// spline is drawn through its control points, as degree 1 draws it.
constexpr int kMostDegree = 15;

// The chords of a spline stay within 1/4000 of its size (the diagonal of the
// box of its points): under a pixel until the whole curve spans a 4K screen,
// closer than the view is sensibly taken with a curve in sight, and a size
// of its own makes the count the same at every scale of the drawing.
constexpr double kTolerancePerSize = 1.0 / 4000;

// Bounds for hostile curves: per span between two knots and per spline.
constexpr std::size_t kMostPerPiece = 256;
constexpr std::size_t kMostPerSpline = std::size_t{1} << 16;

struct Homogeneous {
  double x, y, z, w;
};

double Length(double x, double y, double z) { return std::sqrt(x * x + y * y + z * z); }

// One stretch of parameter with the segments it wants.
struct Piece {
  double t0, t1;
  int span;  // the knot span of a B-spline, the interval of a fit curve
  std::size_t wanted;
};

class Curve {
 public:
  // False when the spline draws nothing.
  bool Make(const TSplineBlk& s) {
    if (s.code10Ary.size() >= 2) return MakeBSpline(s);
    if (s.code11Ary.size() >= 2) return MakeThroughFitPoints(s);
    return false;
  }

  const std::vector<Piece>& pieces() const { return pieces_; }

  TAcadPoint At(const Piece& piece, double t) const {
    return fit_ ? FitPoint(piece.span, t) : DeBoor(piece.span, t);
  }

 private:
  bool MakeBSpline(const TSplineBlk& s) {
    const std::size_t n = s.code10Ary.size();
    int p = s.code71;
    if (p < 1 || p > kMostDegree) p = 1;
    p = std::min<int>(p, static_cast<int>(n) - 1);
    degree_ = p;
    std::vector<double> weights;
    bool rational = s.code41Ary.size() == n;
    for (double w : s.code41Ary) rational = rational && std::isfinite(w) && w > 0;
    points_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      const double w = rational ? s.code41Ary[i] : 1.0;
      const TAcadPoint& c = s.code10Ary[i];
      points_[i] = Homogeneous{c.x * w, c.y * w, c.z * w, w};
    }
    if (!SetTolerance(s.code10Ary)) return false;
    knots_ = s.code40Ary;
    if (!KnotsFit(n)) {
      // A knot vector that does not fit the points: the uniform one of a
      // curve that starts and ends at its end points.
      knots_.assign(n + p + 1, 0.0);
      for (std::size_t i = 0; i < knots_.size(); ++i)
        knots_[i] = static_cast<double>(std::clamp<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(i) - p, 0,
                                                                   static_cast<std::ptrdiff_t>(n) - p));
    }
    double weightSpread = 1;
    if (rational) {
      const auto [lo, hi] = std::minmax_element(s.code41Ary.begin(), s.code41Ary.end());
      weightSpread = std::min(*hi / *lo, 8.0);
    }
    for (std::size_t i = static_cast<std::size_t>(p); i < n; ++i) {
      if (!(knots_[i] < knots_[i + 1])) continue;
      pieces_.push_back(Piece{knots_[i], knots_[i + 1], static_cast<int>(i),
                              Wanted(knots_[i + 1] - knots_[i], SecondDerivativeBound(i) * weightSpread * weightSpread)});
    }
    return !pieces_.empty();
  }

  bool KnotsFit(std::size_t n) const {
    const std::size_t p = static_cast<std::size_t>(degree_);
    if (knots_.size() != n + p + 1) return false;
    for (std::size_t i = 0; i < knots_.size(); ++i) {
      if (!std::isfinite(knots_[i])) return false;
      if (i > 0 && knots_[i] < knots_[i - 1]) return false;
    }
    return knots_[p] < knots_[n];
  }

  // A bound of the second derivative over span i, from the control points
  // of the curve's second derivative (which hold it in their hull).
  double SecondDerivativeBound(std::size_t i) const {
    const int p = degree_;
    if (p < 2) return 0;
    auto euclid = [&](std::size_t j) {
      const Homogeneous& h = points_[j];
      return TAcadPoint{h.x / h.w, h.y / h.w, h.z / h.w};
    };
    auto first = [&](std::size_t j) {  // Q_j
      const double den = knots_[j + p + 1] - knots_[j + 1];
      if (!(den > 0)) return TAcadPoint{};
      const TAcadPoint a = euclid(j), b = euclid(j + 1);
      return TAcadPoint{p * (b.x - a.x) / den, p * (b.y - a.y) / den, p * (b.z - a.z) / den};
    };
    double most = 0;
    for (std::size_t j = i - p; j + 2 <= i; ++j) {
      const double den = knots_[j + p + 1] - knots_[j + 2];
      if (!(den > 0)) continue;
      const TAcadPoint q0 = first(j), q1 = first(j + 1);
      most = std::max(most, (p - 1) * Length(q1.x - q0.x, q1.y - q0.y, q1.z - q0.z) / den);
    }
    return most;
  }

  // Segments of a stretch of parameter length h whose second derivative is
  // at most d2: a chord over a step k strays at most k^2 d2 / 8.
  std::size_t Wanted(double h, double d2) const {
    const double n = std::ceil(h * std::sqrt(d2 / (8 * tolerance_)));
    if (!(n < static_cast<double>(kMostPerPiece))) return kMostPerPiece;
    return std::max<std::size_t>(1, static_cast<std::size_t>(n));
  }

  bool SetTolerance(const std::vector<TAcadPoint>& pts) {
    TAcadPoint lo = pts.front(), hi = pts.front();
    for (const TAcadPoint& q : pts) {
      lo = {std::min(lo.x, q.x), std::min(lo.y, q.y), std::min(lo.z, q.z)};
      hi = {std::max(hi.x, q.x), std::max(hi.y, q.y), std::max(hi.z, q.z)};
    }
    tolerance_ = Length(hi.x - lo.x, hi.y - lo.y, hi.z - lo.z) * kTolerancePerSize;
    return tolerance_ > 0 && std::isfinite(tolerance_);
  }

  // de Boor's algorithm on the homogeneous points of span i.
  TAcadPoint DeBoor(int i, double t) const {
    const int p = degree_;
    Homogeneous d[kMostDegree + 1];
    for (int j = 0; j <= p; ++j) d[j] = points_[i - p + j];
    for (int r = 1; r <= p; ++r) {
      for (int j = p; j >= r; --j) {
        const double lo = knots_[i - p + j], hi = knots_[i + 1 + j - r];
        const double a = hi > lo ? (t - lo) / (hi - lo) : 0;
        d[j] = Homogeneous{(1 - a) * d[j - 1].x + a * d[j].x, (1 - a) * d[j - 1].y + a * d[j].y,
                           (1 - a) * d[j - 1].z + a * d[j].z, (1 - a) * d[j - 1].w + a * d[j].w};
      }
    }
    return TAcadPoint{d[p].x / d[p].w, d[p].y / d[p].w, d[p].z / d[p].w};
  }

  // A cubic through the fit points at their chord-length parameters, with
  // the end tangents where the file gives them and free (natural) ends
  // where it does not: the curve CAD programs draw for fit points.
  bool MakeThroughFitPoints(const TSplineBlk& s) {
    fit_ = true;
    for (const TAcadPoint& q : s.code11Ary)
      if (fitPoints_.empty() || Length(q.x - fitPoints_.back().x, q.y - fitPoints_.back().y,
                                       q.z - fitPoints_.back().z) > 0)
        fitPoints_.push_back(q);
    const std::size_t n = fitPoints_.size();
    if (n < 2 || !SetTolerance(fitPoints_)) return false;
    params_.assign(n, 0.0);
    for (std::size_t i = 1; i < n; ++i) {
      const TAcadPoint& a = fitPoints_[i - 1];
      const TAcadPoint& b = fitPoints_[i];
      params_[i] = params_[i - 1] + Length(b.x - a.x, b.y - a.y, b.z - a.z);
    }
    SolveSecondDerivatives(s.code12, s.code13);
    for (std::size_t i = 0; i + 1 < n; ++i) {
      const TAcadPoint& m0 = second_[i];
      const TAcadPoint& m1 = second_[i + 1];
      const double d2 = std::max(Length(m0.x, m0.y, m0.z), Length(m1.x, m1.y, m1.z));
      pieces_.push_back(Piece{params_[i], params_[i + 1], static_cast<int>(i),
                              Wanted(params_[i + 1] - params_[i], d2)});
    }
    return true;
  }

  // The tridiagonal system of a cubic spline's second derivatives, for
  // x, y and z at once (Thomas' algorithm).
  void SolveSecondDerivatives(const TAcadPoint& startTangent, const TAcadPoint& endTangent) {
    const std::size_t n = fitPoints_.size();
    std::vector<double> lower(n, 0), diag(n, 1), upper(n, 0);
    std::vector<TAcadPoint> rhs(n);
    auto h = [&](std::size_t i) { return params_[i + 1] - params_[i]; };
    auto slope = [&](std::size_t i) {
      const TAcadPoint& a = fitPoints_[i];
      const TAcadPoint& b = fitPoints_[i + 1];
      const double k = h(i);
      return TAcadPoint{(b.x - a.x) / k, (b.y - a.y) / k, (b.z - a.z) / k};
    };
    auto unit = [](const TAcadPoint& v) {
      const double l = Length(v.x, v.y, v.z);
      return l > 0 && std::isfinite(l) ? TAcadPoint{v.x / l, v.y / l, v.z / l} : TAcadPoint{};
    };
    const TAcadPoint t0 = unit(startTangent), t1 = unit(endTangent);
    if (!(t0 == TAcadPoint{})) {
      const TAcadPoint s0 = slope(0);
      diag[0] = 2 * h(0);
      upper[0] = h(0);
      rhs[0] = {6 * (s0.x - t0.x), 6 * (s0.y - t0.y), 6 * (s0.z - t0.z)};
    }
    for (std::size_t i = 1; i + 1 < n; ++i) {
      const TAcadPoint a = slope(i - 1), b = slope(i);
      lower[i] = h(i - 1);
      diag[i] = 2 * (h(i - 1) + h(i));
      upper[i] = h(i);
      rhs[i] = {6 * (b.x - a.x), 6 * (b.y - a.y), 6 * (b.z - a.z)};
    }
    if (!(t1 == TAcadPoint{})) {
      const TAcadPoint s1 = slope(n - 2);
      lower[n - 1] = h(n - 2);
      diag[n - 1] = 2 * h(n - 2);
      rhs[n - 1] = {6 * (t1.x - s1.x), 6 * (t1.y - s1.y), 6 * (t1.z - s1.z)};
    }
    for (std::size_t i = 1; i < n; ++i) {
      const double w = lower[i] / diag[i - 1];
      diag[i] -= w * upper[i - 1];
      rhs[i] = {rhs[i].x - w * rhs[i - 1].x, rhs[i].y - w * rhs[i - 1].y, rhs[i].z - w * rhs[i - 1].z};
    }
    second_.assign(n, TAcadPoint{});
    second_[n - 1] = {rhs[n - 1].x / diag[n - 1], rhs[n - 1].y / diag[n - 1], rhs[n - 1].z / diag[n - 1]};
    for (std::size_t i = n - 1; i-- > 0;) {
      const TAcadPoint& next = second_[i + 1];
      second_[i] = {(rhs[i].x - upper[i] * next.x) / diag[i], (rhs[i].y - upper[i] * next.y) / diag[i],
                    (rhs[i].z - upper[i] * next.z) / diag[i]};
    }
  }

  TAcadPoint FitPoint(int i, double t) const {
    const double t0 = params_[i], t1 = params_[i + 1], k = t1 - t0;
    const double a = t1 - t, b = t - t0;
    auto axis = [&](double y0, double y1, double m0, double m1) {
      return m0 * a * a * a / (6 * k) + m1 * b * b * b / (6 * k) + (y0 / k - m0 * k / 6) * a +
             (y1 / k - m1 * k / 6) * b;
    };
    const TAcadPoint& p0 = fitPoints_[i];
    const TAcadPoint& p1 = fitPoints_[i + 1];
    const TAcadPoint& m0 = second_[i];
    const TAcadPoint& m1 = second_[i + 1];
    return TAcadPoint{axis(p0.x, p1.x, m0.x, m1.x), axis(p0.y, p1.y, m0.y, m1.y), axis(p0.z, p1.z, m0.z, m1.z)};
  }

  bool fit_ = false;
  double tolerance_ = 0;
  std::vector<Piece> pieces_;
  // B-spline
  int degree_ = 1;
  std::vector<double> knots_;
  std::vector<Homogeneous> points_;
  // through fit points
  std::vector<TAcadPoint> fitPoints_;
  std::vector<double> params_;
  std::vector<TAcadPoint> second_;
};

std::size_t TotalWanted(const std::vector<Piece>& pieces) {
  std::size_t total = 0;
  for (const Piece& piece : pieces) total += piece.wanted;
  return total;
}

}  // namespace

std::size_t SplineSegments(const TSplineBlk& s) {
  Curve curve;
  if (!curve.Make(s)) return 0;
  return std::min(TotalWanted(curve.pieces()), kMostPerSpline);
}

void SplinePoints(const TSplineBlk& s, std::size_t most, std::vector<TAcadPoint>& points) {
  points.clear();
  Curve curve;
  if (!curve.Make(s) || most == 0) return;
  most = std::min(most, kMostPerSpline);
  const std::vector<Piece>& pieces = curve.pieces();
  if (pieces.size() > most) {
    // More spans than segments: even steps over the whole parameter range,
    // each evaluated in its own span.
    const double from = pieces.front().t0, to = pieces.back().t1;
    points.reserve(most + 1);
    auto piece = pieces.begin();
    for (std::size_t k = 0; k <= most; ++k) {
      const double t = k == most ? to : from + (to - from) * static_cast<double>(k) / static_cast<double>(most);
      while (piece + 1 != pieces.end() && t >= piece->t1) ++piece;
      points.push_back(curve.At(*piece, t));
    }
    return;
  }
  const std::size_t total = TotalWanted(pieces);
  const double share = total > most ? static_cast<double>(most) / static_cast<double>(total) : 1.0;
  points.push_back(curve.At(pieces.front(), pieces.front().t0));
  for (const Piece& piece : pieces) {
    const std::size_t n =
        std::max<std::size_t>(1, static_cast<std::size_t>(static_cast<double>(piece.wanted) * share));
    for (std::size_t k = 1; k <= n; ++k) {
      const double t = k == n ? piece.t1 : piece.t0 + (piece.t1 - piece.t0) * static_cast<double>(k) / n;
      points.push_back(curve.At(piece, t));
    }
  }
}

}  // namespace vantrel
