#include "geometry/PolylineWidths.h"

#include <algorithm>
#include <cmath>

#include "geometry/AcadCtrl2016.h"
#include "geometry/LineOf.h"

namespace vantrel {

namespace {

// A bulge band follows its arc in steps of at most this turn.
constexpr double kBandStepRad = 4 * kDegToRad;
// CAD programs mitre wide polylines without a limit, sharp turns making
// long spikes; only a turn of nearly 180 degrees, whose spike would reach
// beyond this many half widths from its corner, stays notched.
constexpr double kMitreLimit = 10;

// Where line p1-p2 meets line q1-q2; false for parallel lines.
bool Meet(TAcadPoint p1, TAcadPoint p2, TAcadPoint q1, TAcadPoint q2, TAcadPoint& x) {
  const double ax = p2.x - p1.x, ay = p2.y - p1.y, bx = q2.x - q1.x, by = q2.y - q1.y;
  const double den = ax * by - ay * bx;
  const double size = std::hypot(ax, ay) * std::hypot(bx, by);
  if (!(std::fabs(den) > 1e-9 * size)) return false;
  const double s = ((q1.x - p1.x) * by - (q1.y - p1.y) * bx) / den;
  x = TAcadPoint{p1.x + s * ax, p1.y + s * ay, p1.z};
  return std::isfinite(x.x) && std::isfinite(x.y);
}

}  // namespace

void PolylineBands::Add(const TLwpVer& a, const TLwpVer& b) {
  const TAcadPoint p = a.code10, q = b.code10;
  const double dx = q.x - p.x, dy = q.y - p.y;
  const double length = std::hypot(dx, dy);
  if (!(length > 0) || !std::isfinite(length)) {
    Break();
    return;
  }
  const double h0 = std::fabs(a.code40) / 2, h1 = std::fabs(a.code41) / 2;
  Band band;
  band.joinsPrevious = chained_;
  if (bands_.empty() && !broken_) firstFromStart_ = true;
  if (a.code42 == 0 || !std::isfinite(a.code42)) {
    // Left of the direction of travel, then right.
    const double nx = -dy / length, ny = dx / length;
    band.straight = true;
    band.ring = {TAcadPoint{p.x + nx * h0, p.y + ny * h0, p.z}, TAcadPoint{q.x + nx * h1, q.y + ny * h1, q.z},
                 TAcadPoint{q.x - nx * h1, q.y - ny * h1, q.z}, TAcadPoint{p.x - nx * h0, p.y - ny * h0, p.z}};
  } else {
    TAcadPoint center;
    double radius, a1, a2;
    BulgeToArc(p, q, a.code42, center, radius, a1, a2);
    const double sweep = 4 * std::atan(a.code42);
    const double from = std::atan2(p.y - center.y, p.x - center.x);
    const std::size_t n =
        std::max<std::size_t>(2, static_cast<std::size_t>(std::ceil(std::fabs(sweep) / kBandStepRad)));
    std::vector<TAcadPoint> inner;
    for (std::size_t i = 0; i <= n; ++i) {
      const double f = static_cast<double>(i) / static_cast<double>(n);
      const double t = from + sweep * f;
      const double h = h0 + (h1 - h0) * f;
      const double c = std::cos(t), s = std::sin(t);
      band.ring.push_back(TAcadPoint{center.x + (radius + h) * c, center.y + (radius + h) * s, p.z});
      inner.push_back(TAcadPoint{center.x + (radius - h) * c, center.y + (radius - h) * s, p.z});
    }
    band.ring.insert(band.ring.end(), inner.rbegin(), inner.rend());
  }
  bands_.push_back(std::move(band));
  chained_ = true;
}

void PolylineBands::Break() {
  chained_ = false;
  broken_ = true;
}

namespace {

// Mitres the corner where band a ends and band b starts, both straight.
void Mitre(std::vector<TAcadPoint>& a, std::vector<TAcadPoint>& b) {
  TAcadPoint left, right;
  if (!Meet(a[0], a[1], b[0], b[1], left) || !Meet(a[3], a[2], b[3], b[2], right)) return;
  // The corner point is midway between the ends of either band.
  const TAcadPoint corner{(a[1].x + a[2].x) / 2, (a[1].y + a[2].y) / 2, 0};
  const double half = std::max(std::hypot(a[1].x - a[2].x, a[1].y - a[2].y), std::hypot(b[0].x - b[3].x, b[0].y - b[3].y)) / 2;
  const double reach = kMitreLimit * half;
  if (std::hypot(left.x - corner.x, left.y - corner.y) > reach ||
      std::hypot(right.x - corner.x, right.y - corner.y) > reach)
    return;
  a[1] = b[0] = left;
  a[2] = b[3] = right;
}

}  // namespace

void PolylineBands::Flush(const TLwpBlk& p, bool closed, std::vector<TFillBlk>& fills,
                          std::vector<TAcadPoint>& points, std::vector<std::uint32_t>& rings) {
  for (std::size_t i = 1; i < bands_.size(); ++i)
    if (bands_[i].joinsPrevious && bands_[i].straight && bands_[i - 1].straight)
      Mitre(bands_[i - 1].ring, bands_[i].ring);
  if (closed && bands_.size() > 1 && firstFromStart_ && chained_ && bands_.front().straight &&
      bands_.back().straight)
    Mitre(bands_.back().ring, bands_.front().ring);
  const bool flat = SamePoint(p.code210, DefaultExtrusion, 0.00001);
  const OcsAxes axes = OcsAxesOf(p.code210);
  for (Band& band : bands_) {
    if (!flat)
      for (TAcadPoint& q : band.ring) OcsToWcs(q, axes, q);
    AppendRingFill(p, band.ring, fills, points, rings);
  }
  bands_.clear();
  chained_ = false;
  broken_ = false;
  firstFromStart_ = false;
}

}  // namespace vantrel
