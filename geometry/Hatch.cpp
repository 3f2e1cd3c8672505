#include "geometry/Hatch.h"

#include <algorithm>
#include <cmath>

#include "geometry/AcadCtrl2016.h"
#include "geometry/Spline.h"

namespace vantrel {

namespace {

constexpr double kTwoPi = 2 * kPi;
// Boundary arcs as chords of at most this turn: the chords of a circle
// filling half a 4K screen stay within half a pixel of the arc that a
// CIRCLE on the same boundary is drawn with.
constexpr double kChordStepRad = 4 * kDegToRad;
// A spline edge as at most this many chords.
constexpr std::size_t kMostSplineChords = 1024;
// No real pattern has more families (the busiest of the usual ones have a
// few dozen); the rest of a hostile one is left out, as each family costs
// a pass over the boundary at every drawing.
constexpr std::size_t kMostFamilies = 256;
// Edge ends closer than this (relative to the size of the ring) meet.
constexpr double kMeetTol = 1e-9;

bool HasDefaultExtrusion(const TAcadPoint& n) { return SamePoint(n, DefaultExtrusion, 0.00001); }

// The sweep from st to ed counter-clockwise, in (0, 2 pi]: equal angles are
// a full turn, more than a turn is one turn.
double Sweep(double st, double ed) {
  const double raw = ed - st;
  if (!std::isfinite(raw)) return 0;
  double sweep = std::fmod(raw, kTwoPi);
  if (sweep <= 0) sweep += kTwoPi;
  if (raw >= kTwoPi) sweep = kTwoPi;
  return sweep;
}

std::size_t ChordsFor(double sweep) {
  return std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil(std::fabs(sweep) / kChordStepRad)));
}

// Points of an arc or elliptic arc: center + cos t * u + sin t * v for t
// from t0 through sweep (negative sweeps run clockwise).
void AppendConic(TAcadPoint center, TAcadPoint u, TAcadPoint v, double t0, double sweep,
                 std::vector<TAcadPoint>& out) {
  const std::size_t n = ChordsFor(sweep);
  for (std::size_t i = 0; i <= n; ++i) {
    const double t = t0 + sweep * static_cast<double>(i) / static_cast<double>(n);
    const double c = std::cos(t), s = std::sin(t);
    out.push_back(TAcadPoint{center.x + c * u.x + s * v.x, center.y + c * u.y + s * v.y, 0});
  }
}

// The angles of an edge turned counter-clockwise, in radians: a clockwise
// edge stores the complements of its angles, so its counter-clockwise
// twin runs from 360 - end to 360 - start, and its points go backwards.
void EdgeAngles(const THatchEdge& e, double& st, double& ed) {
  if (e.code73 != 0) {
    st = e.code50 * kDegToRad;
    ed = e.code51 * kDegToRad;
  } else {
    st = (360 - e.code51) * kDegToRad;
    ed = (360 - e.code50) * kDegToRad;
  }
}

// The points of one edge of an edge path, in the order it runs.
void EdgePoints(const THatchBlk& h, const THatchEdge& e, std::vector<TAcadPoint>& out) {
  out.clear();
  switch (e.type) {
    case 1:
      out.push_back(TAcadPoint{e.code10.x, e.code10.y, 0});
      out.push_back(TAcadPoint{e.code11.x, e.code11.y, 0});
      return;
    case 2: {
      if (!(std::fabs(e.code40) > 0)) return;
      double st, ed;
      EdgeAngles(e, st, ed);
      const double r = std::fabs(e.code40);
      AppendConic(e.code10, TAcadPoint{r, 0, 0}, TAcadPoint{0, r, 0}, st, Sweep(st, ed), out);
      break;
    }
    case 3: {
      const TAcadPoint u{e.code11.x, e.code11.y, 0};
      if (u.x == 0 && u.y == 0) return;
      const double ratio = e.code40 != 0 ? e.code40 : 1;
      const TAcadPoint v{-u.y * ratio, u.x * ratio, 0};
      double st, ed;
      EdgeAngles(e, st, ed);
      // The stored angles are angles of the ellipse's points, not its
      // parameters.
      const double t0 = std::atan2(std::sin(st) / ratio, std::cos(st));
      const double t1 = std::atan2(std::sin(ed) / ratio, std::cos(ed));
      double sweep = Sweep(t0, t1);
      if (Sweep(st, ed) >= kTwoPi) sweep = kTwoPi;
      AppendConic(e.code10, u, v, t0, sweep, out);
      break;
    }
    case 4:
      if (e.spline < h.splines.size()) {
        const TSplineBlk& s = h.splines[e.spline];
        SplinePoints(s, std::min(SplineSegments(s), kMostSplineChords), out);
        for (TAcadPoint& p : out) p.z = 0;
      }
      return;
    default:
      return;
  }
  if (e.code73 == 0) std::reverse(out.begin(), out.end());
}

double Gap(const TAcadPoint& a, const TAcadPoint& b) { return std::hypot(a.x - b.x, a.y - b.y); }

// The edges of a path joined end to end into one ring. Writers do not all
// keep the edges running one way; an edge that meets the ring with its end
// is turned round, and the first edge is turned when the second meets its
// start.
void EdgePathRing(const THatchBlk& h, const THatchPath& path, std::vector<TAcadPoint>& ring) {
  std::vector<TAcadPoint> piece;
  bool single = false;
  for (std::uint32_t k = 0; k < path.count && path.first + k < h.edges.size(); ++k) {
    EdgePoints(h, h.edges[path.first + k], piece);
    if (piece.empty()) continue;
    if (ring.empty()) {
      ring = piece;
      single = true;
      continue;
    }
    const double toFront = Gap(ring.back(), piece.front()), toBack = Gap(ring.back(), piece.back());
    if (single) {
      const double fromStart = std::min(Gap(ring.front(), piece.front()), Gap(ring.front(), piece.back()));
      if (fromStart < std::min(toFront, toBack)) std::reverse(ring.begin(), ring.end());
      single = false;
    }
    if (Gap(ring.back(), piece.back()) < Gap(ring.back(), piece.front()))
      std::reverse(piece.begin(), piece.end());
    const bool meets = piece.front() == ring.back();
    ring.insert(ring.end(), piece.begin() + (meets ? 1 : 0), piece.end());
  }
}

void PolylinePathRing(const THatchBlk& h, const THatchPath& path, std::vector<TAcadPoint>& ring) {
  const std::size_t end = std::min<std::size_t>(h.edges.size(), std::size_t{path.first} + path.count);
  if (path.first >= end) return;
  const std::size_t n = end - path.first;
  const THatchEdge* v = h.edges.data() + path.first;
  // The closing segment is straight unless the path says it is closed: its
  // bulge then comes from the last vertex.
  const std::size_t segments = path.code73 != 0 ? n : n - 1;
  ring.push_back(TAcadPoint{v[0].code10.x, v[0].code10.y, 0});
  for (std::size_t i = 0; i < segments; ++i) {
    const TAcadPoint a{v[i].code10.x, v[i].code10.y, 0};
    const TAcadPoint b{v[(i + 1) % n].code10.x, v[(i + 1) % n].code10.y, 0};
    const double bulge = v[i].code42;
    if (bulge != 0 && std::isfinite(bulge) && Gap(a, b) > 0) {
      TAcadPoint center;
      double radius, a1, a2;
      BulgeToArc(a, b, bulge, center, radius, a1, a2);
      const double sweep = 4 * std::atan(bulge);
      const double from = std::atan2(a.y - center.y, a.x - center.x);
      std::vector<TAcadPoint> arc;
      AppendConic(center, TAcadPoint{radius, 0, 0}, TAcadPoint{0, radius, 0}, from, sweep, arc);
      ring.insert(ring.end(), arc.begin() + 1, arc.end() - 1);
    }
    if (i + 1 < n) ring.push_back(b);
  }
}

// Style 0 fills with every path; style 1 with the outermost and external
// ones, style 2 with the external ones alone. A hatch whose paths carry
// none of those flags fills with all of them rather than with nothing.
bool PathTaken(const THatchBlk& h, const THatchPath& p, bool anyFlagged) {
  if ((p.code92 & 8) != 0) return false;
  if (h.code75 == 0 || !anyFlagged) return true;
  const Integer wanted = h.code75 == 1 ? (1 | 16) : 1;
  return (p.code92 & wanted) != 0;
}

template <class Out>
void AppendHatch(const THatchBlk& h, Out& out) {
  if (h.code60 != 0) return;
  const bool solid = (h.code70 & 1) != 0;
  if (!solid && h.lines.empty()) return;
  const std::size_t first = out.points.size(), firstRing = out.rings.size();
  HatchRings(h, out.points, out.rings);
  if (out.rings.size() == firstRing) return;
  TFillBlk& f = out.fills.emplace_back();
  f.bname = h.bname;
  f.layer = h.layer;
  f.color = h.color;
  f.code67 = h.code67;
  f.first = first;
  f.firstRing = firstRing;
  f.count = static_cast<std::uint32_t>(out.points.size() - first);
  f.rings = static_cast<std::uint32_t>(out.rings.size() - firstRing);
  if (solid) return;
  const bool flat = HasDefaultExtrusion(h.code210);
  const OcsAxes axes = OcsAxesOf(h.code210);
  auto toWorld = [&](TAcadPoint p) {
    if (!flat) OcsToWcs(p, axes, p);
    return p;
  };
  f.firstFamily = out.families.size();
  for (std::size_t i = 0; i < h.lines.size() && i < kMostFamilies; ++i) {
    const THatchLine& l = h.lines[i];
    const double a = l.code53 * kDegToRad;
    TFillFamily family;
    family.base = toWorld(TAcadPoint{l.base.x, l.base.y, h.code10.z});
    // The object coordinate system turns about the origin: vectors go
    // through it as points do.
    family.dir = toWorld(TAcadPoint{std::cos(a), std::sin(a), 0});
    family.offset = toWorld(TAcadPoint{l.offset.x, l.offset.y, 0});
    family.firstDash = out.dashes.size();
    family.dashes = static_cast<std::uint32_t>(l.code49Ary.size());
    out.dashes.insert(out.dashes.end(), l.code49Ary.begin(), l.code49Ary.end());
    out.families.push_back(family);
  }
  f.families = static_cast<std::uint32_t>(out.families.size() - f.firstFamily);
}

struct FillTables {
  std::vector<TFillBlk>& fills;
  std::vector<TAcadPoint>& points;
  std::vector<std::uint32_t>& rings;
  std::vector<TFillFamily>& families;
  std::vector<double>& dashes;
};

}  // namespace

void HatchRings(const THatchBlk& h, std::vector<TAcadPoint>& points, std::vector<std::uint32_t>& rings) {
  bool anyFlagged = false;
  for (const THatchPath& p : h.paths) anyFlagged = anyFlagged || (p.code92 & (1 | 16)) != 0;
  const bool flat = HasDefaultExtrusion(h.code210);
  const OcsAxes axes = OcsAxesOf(h.code210);
  std::vector<TAcadPoint> ring;
  for (const THatchPath& p : h.paths) {
    if (!PathTaken(h, p, anyFlagged)) continue;
    ring.clear();
    if ((p.code92 & 2) != 0)
      PolylinePathRing(h, p, ring);
    else
      EdgePathRing(h, p, ring);
    // The ring closes by itself; a repeated first point adds nothing.
    double size = 0;
    for (const TAcadPoint& q : ring) size = std::max(size, std::fabs(q.x) + std::fabs(q.y));
    while (ring.size() > 1 && Gap(ring.front(), ring.back()) <= kMeetTol * size) ring.pop_back();
    if (ring.size() < 3) continue;
    bool finite = true;
    for (TAcadPoint& q : ring) {
      q.z = h.code10.z;
      if (!flat) OcsToWcs(q, axes, q);
      finite = finite && std::isfinite(q.x) && std::isfinite(q.y);
    }
    if (!finite) continue;
    points.insert(points.end(), ring.begin(), ring.end());
    rings.push_back(static_cast<std::uint32_t>(ring.size()));
  }
}

void HatchesToFills(Drawing& d) {
  FillTables out{d.EntFillAry, d.EntFillPtAry, d.EntFillRingAry, d.EntFillFamilyAry, d.EntFillDashAry};
  for (const THatchBlk& h : d.EntHatchAry) AppendHatch(h, out);
}

void BlockHatchesToFills(Drawing& d) {
  FillTables out{d.BlkFillAry, d.BlkFillPtAry, d.BlkFillRingAry, d.BlkFillFamilyAry, d.BlkFillDashAry};
  for (const THatchBlk& h : d.BlkHatchAry) AppendHatch(h, out);
}

}  // namespace vantrel
