#include "geometry/Flatten.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "geometry/AcadCtrl2016.h"
#include "geometry/LineOf.h"
#include "geometry/MoreKinds.h"
#include "geometry/PolylineWidths.h"
#include "geometry/Spline.h"
#include "geometry/TableRoom.h"

namespace vantrel {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kSameTol = 0.00001;

bool HasDefaultExtrusion(const TAcadPoint& n) { return SamePoint(n, DefaultExtrusion, kSameTol); }

// The vertices of polylines stand in one table, one consecutive run per
// polyline in polyline order. A cursor walks the table once; the run-start
// index answers, with the same result as a forward scan, the rare polyline
// whose run is not where the cursor stands (a polyline without vertices
// would otherwise rescan the rest of the table).
class VertexCursor {
 public:
  explicit VertexCursor(const std::vector<TLwpVer>& vertices) : vertices_(vertices) {}

  // Fills run with the vertices of the polyline of ihand; empty when none.
  void Collect(Integer ihand, std::vector<TLwpVer>& run) {
    run.clear();
    const std::size_t n = vertices_.size();
    std::size_t i = cursor_;
    constexpr std::size_t kShortScan = 64;
    const std::size_t scanEnd = std::min(n, cursor_ + kShortScan);
    while (i < scanEnd && vertices_[i].ihand != ihand) ++i;
    if (i == scanEnd && i < n) i = FirstRunStartFrom(ihand, i);
    if (i >= n) return;
    while (i < n && vertices_[i].ihand == ihand) run.push_back(vertices_[i++]);
    cursor_ = i;
  }

 private:
  // First matching entry at or after from, where vertices_[from - 1] does not
  // match: such an entry is always the start of a run.
  std::size_t FirstRunStartFrom(Integer ihand, std::size_t from) {
    if (!indexed_) {
      for (std::size_t k = 0; k < vertices_.size(); ++k)
        if (k == 0 || vertices_[k].ihand != vertices_[k - 1].ihand)
          runStarts_[vertices_[k].ihand].push_back(k);
      indexed_ = true;
    }
    auto it = runStarts_.find(ihand);
    if (it == runStarts_.end()) return vertices_.size();
    auto pos = std::lower_bound(it->second.begin(), it->second.end(), from);
    return pos == it->second.end() ? vertices_.size() : *pos;
  }

  const std::vector<TLwpVer>& vertices_;
  std::size_t cursor_ = 0;
  bool indexed_ = false;
  std::unordered_map<Integer, std::vector<std::size_t>> runStarts_;
};

bool IsClosed(SmallInt code70) { return (code70 & 1) != 0; }

// The arc of a polyline's bulge, with the polyline's owner and looks.
TArcBlk ArcOf(const TLwpBlk& p, TAcadPoint center, double radius, double stDeg, double edDeg) {
  TArcBlk arc = ZeroRecord<TArcBlk>();
  arc.bname = p.bname;
  arc.layer = p.layer;
  arc.ltype = p.ltype;
  arc.code48 = p.code48;
  arc.color = p.color;
  arc.code67 = p.code67;
  arc.center = center;
  arc.hankei = radius;
  arc.st = stDeg;
  arc.ed = edDeg;
  return arc;
}

// At most one line or arc per vertex (the closing segment included); a
// polygon mesh has a line along each direction from each vertex, so twice
// that, and a face record of a polyface mesh four edges.
struct PolylineBound {
  std::size_t lines = 0;
  std::size_t arcs = 0;
  bool extruded = false;  // some polyline has a non-default extrusion

  PolylineBound(const std::vector<TLwpBlk>& headers, const std::vector<TLwpVer>& vertices) {
    bool anyMesh = false;
    for (const TLwpBlk& p : headers) {
      anyMesh = anyMesh || (p.code70 & (16 | 64)) != 0;
      extruded = extruded || !HasDefaultExtrusion(p.code210);
    }
    for (const TLwpVer& v : vertices) arcs += v.code42 != 0 ? 1 : 0;
    lines = vertices.size() * (anyMesh ? 4 : 1);
  }
};

// Arcs from a hostile file may sweep millions of turns; more than two turns
// draw nothing new, so the chord count is bounded there.
constexpr double kMaxChordSweepDeg = 720;

}  // namespace

TAcadPoint EllipsePoint(TAcadPoint P, TAcadPoint C, TAcadPoint U, TAcadPoint N, TAcadPoint V) {
  return TAcadPoint{P.x * U.x + P.y * V.x + P.z * N.x + C.x, P.x * U.y + P.y * V.y + P.z * N.y + C.y,
                    P.x * U.z + P.y * V.z + P.z * N.z + C.z};
}

namespace {

// Polygon mesh: the M x N grid of its vertices (vertex i, j at i N + j),
// lines along M closed back to each column's start when bit 1 is set, lines
// along N closed back to each row's start when bit 32 is set.
template <class AddLine>
void AppendMeshLines(const TLwpBlk& p, const std::vector<TLwpVer>& run, AddLine&& addLine) {
  const std::int64_t count = static_cast<std::int64_t>(run.size());
  const std::int64_t m = p.code71;
  const std::int64_t n = p.code72;
  for (std::int64_t i = 0; i < m && n > 0 && i * n < count; ++i) {
    const std::int64_t row = i * n;
    std::int64_t j = 1;
    for (; j < n && row + j < count; ++j) addLine(run[row + j - 1].code10, run[row + j].code10);
    if ((p.code70 & 32) != 0 && j == n && n > 2) addLine(run[row + n - 1].code10, run[row].code10);
  }
  // A column whose first vertex is missing has nothing to start from.
  for (std::int64_t j = 0; j < n && j < count; ++j) {
    TAcadPoint current = run[j].code10;
    // k only grows with i: past the last vertex nothing more is drawn,
    // and a hostile M would otherwise spin through empty rows.
    for (std::int64_t i = 1; i < m; ++i) {
      const std::int64_t k = i * n + j;
      if (k >= count) break;
      addLine(current, run[k].code10);
      current = run[k].code10;
    }
    if (IsClosed(p.code70)) addLine(current, run[j].code10);
  }
}

// The edges of a polygon mesh (flag 16) or a polyface mesh (flag 64);
// false for any other polyline.
template <class AddLine>
bool AppendMeshEdges(const TLwpBlk& p, const std::vector<TLwpVer>& run,
                     std::vector<std::pair<TAcadPoint, TAcadPoint>>& edges, AddLine addLine) {
  if ((p.code70 & 16) != 0) {
    AppendMeshLines(p, run, addLine);
    return true;
  }
  if ((p.code70 & 64) == 0) return false;
  PolyfaceEdges(run, edges);
  for (const auto& [st, ed] : edges) addLine(st, ed);
  return true;
}

}  // namespace

void BlockPolylinesToLines(Drawing& d) {
  const PolylineBound bound(d.BlkLwpAry, d.BlkLwpVerAry);
  ReserveTable(d.BlkLineAry, d.BlkLineAry.size() + bound.lines);
  ReserveTable(d.BlkArcAry, d.BlkArcAry.size() + bound.arcs);
  VertexCursor cursor(d.BlkLwpVerAry);
  std::vector<TLwpVer> run;
  std::vector<std::pair<TAcadPoint, TAcadPoint>> edges;
  PolylineBands bands;
  for (const TLwpBlk& p : d.BlkLwpAry) {
    if (p.code60 != 0) continue;
    cursor.Collect(p.ihand, run);
    auto addLine = [&](TAcadPoint st, TAcadPoint ed) {
      TAcadLineBlk line = LineOf(p, st, ed);
      line.code67 = p.code67;
      d.BlkLineAry.push_back(std::move(line));
    };
    // A mesh in a block is drawn as the model draws one.
    if (AppendMeshEdges(p, run, edges, addLine)) continue;
    if (IsClosed(p.code70) && !run.empty()) run.push_back(run.front());
    const bool widths = HasWidths(p);
    ApplyConstantWidth(p, run);
    for (std::size_t k = 0; k + 1 < run.size(); ++k) {
      if (widths && IsWide(run[k])) {
        bands.Add(run[k], run[k + 1]);
        continue;
      }
      bands.Break();
      if (run[k].code42 != 0) {
        TAcadPoint center;
        double radius, a1, a2;
        BulgeToArc(run[k].code10, run[k + 1].code10, run[k].code42, center, radius, a1, a2);
        d.BlkArcAry.push_back(ArcOf(p, center, radius, a1 * kRadToDeg, a2 * kRadToDeg));
      } else {
        addLine(run[k].code10, run[k + 1].code10);
      }
    }
    bands.Flush(p, IsClosed(p.code70), d.BlkFillAry, d.BlkFillPtAry, d.BlkFillRingAry);
  }
}

void PolylinesToLines(Drawing& d) {
  const PolylineBound bound(d.EntLwpAry, d.EntLwpVerAry);
  ReserveTable(d.EntLineAry, d.EntLineAry.size() + bound.lines);
  ReserveTable(d.EntArcAry, d.EntArcAry.size() + bound.arcs);
  VertexCursor cursor(d.EntLwpVerAry);
  std::vector<TLwpVer> run;
  std::vector<std::pair<TAcadPoint, TAcadPoint>> edges;
  PolylineBands bands;
  for (const TLwpBlk& p : d.EntLwpAry) {
    if (p.code60 != 0) continue;
    cursor.Collect(p.ihand, run);
    auto addLine = [&](TAcadPoint st, TAcadPoint ed) {
      TAcadLineBlk line = LineOf(p, st, ed);
      line.code67 = p.code67;
      line.code210 = p.code210;
      d.EntLineAry.push_back(std::move(line));
    };
    if (AppendMeshEdges(p, run, edges, addLine)) continue;
    if (IsClosed(p.code70) && !run.empty()) run.push_back(run.front());
    const bool widths = HasWidths(p);
    ApplyConstantWidth(p, run);
    for (std::size_t k = 0; k + 1 < run.size(); ++k) {
      if (widths && IsWide(run[k])) {
        bands.Add(run[k], run[k + 1]);
        continue;
      }
      bands.Break();
      const TAcadPoint& v1 = run[k].code10;
      const TAcadPoint& v2 = run[k + 1].code10;
      if (run[k].code42 == 0) {
        addLine(v1, v2);
        continue;
      }
      TAcadPoint center;
      double radius, a1, a2;
      BulgeToArc(v1, v2, run[k].code42, center, radius, a1, a2);
      const double d1 = a1 * kRadToDeg;
      double d2 = a2 * kRadToDeg;
      if (d1 > d2) d2 += 360;
      if (std::fabs(d2 - d1) <= 1) {
        addLine(PolarPoint(center, a1, radius), PolarPoint(center, a2, radius));
        continue;
      }
      TArcBlk arc = ArcOf(p, center, radius, d1, a2 * kRadToDeg);
      arc.code210 = p.code210;
      d.EntArcAry.push_back(std::move(arc));
    }
    bands.Flush(p, IsClosed(p.code70), d.EntFillAry, d.EntFillPtAry, d.EntFillRingAry);
  }
}

namespace {

// The parameter range an ellipse is walked over. An elliptical arc through
// parameter 0 ends below where it starts and goes on past 2 pi (equal ends
// make the whole ellipse); more than two turns repeat the same curve, and a
// hostile range would otherwise make millions of lines.
double EllipseEnd(const TEllipseBlk& e) {
  const double end = e.owari > e.kaisi ? e.owari : e.owari + kTwoPi;
  return end - e.kaisi > 2 * kTwoPi ? e.kaisi + kTwoPi : end;
}

// One line per step at most, and the clipped last step; 0 for a bound no
// drawing reaches (hostile steps), which then grows as it goes.
std::size_t EllipseLineBound(const std::vector<TEllipseBlk>& ellipses, double Step) {
  const double s = Step * kDegToRad;
  if (!(s > 0)) return 0;
  double bound = 0;
  for (const TEllipseBlk& e : ellipses) {
    const double range = EllipseEnd(e) - e.kaisi;
    if (e.code60 == 0 && range > 0) bound += std::ceil(range / s) + 1;
  }
  return bound < 1e8 ? static_cast<std::size_t>(bound) : 0;
}

}  // namespace

namespace {

// The chords of the ellipses of a table, appended to lines: world lines of
// the model, or block lines that keep the ellipse's block.
void AppendEllipseLines(const std::vector<TEllipseBlk>& ellipses, double Step,
                        std::vector<TAcadLineBlk>& lines) {
  const double s = Step * kDegToRad;
  if (!(s > 0)) return;
  for (const TEllipseBlk& e : ellipses) {
    if (e.code60 != 0) continue;
    const double a = std::sqrt(e.endpoint.x * e.endpoint.x + e.endpoint.y * e.endpoint.y +
                               e.endpoint.z * e.endpoint.z);
    // A zero major axis has no direction; dividing by it would put NaN
    // points into the lines and the extents.
    if (!(a > 0) || !std::isfinite(a)) continue;
    const TAcadPoint u{e.endpoint.x / a, e.endpoint.y / a, e.endpoint.z / a};
    const TAcadPoint n = e.code210;
    TAcadPoint v;
    CrossProduct(u, n, v);
    auto pointAt = [&](double t) {
      const TAcadPoint cs = PolarPoint(TAcadPoint{}, t, 1);
      return EllipsePoint(TAcadPoint{a * cs.x, -a * e.henpei * cs.y, 0}, e.center, u, n, v);
    };
    double t = e.kaisi;
    const double owari = EllipseEnd(e);
    TAcadPoint prev = pointAt(t);
    while (owari > t) {
      double next = t + s;
      if (next > owari) next = owari;
      if (!(next > t)) break;  // the step no longer moves t at this magnitude
      t = next;
      const TAcadPoint p = pointAt(t);
      if (!SamePoint(p, prev, kSameTol)) {
        TAcadLineBlk line = ZeroRecord<TAcadLineBlk>();
        line.bname = e.bname;
        line.layer = e.layer;
        line.ltype = e.ltype;
        line.code48 = e.code48;
        line.color = e.color;
        line.code67 = e.code67;
        line.code210 = DefaultExtrusion;
        line.st = prev;
        line.ed = p;
        lines.push_back(std::move(line));
      }
      prev = p;
    }
  }
}

}  // namespace

void EllipsesToLines(Drawing& d, double Step) {
  if (!(Step * kDegToRad > 0)) return;
  ReserveTable(d.EntLineAry, d.EntLineAry.size() + EllipseLineBound(d.EntEllipseAry, Step));
  AppendEllipseLines(d.EntEllipseAry, Step, d.EntLineAry);
}

namespace {

// Chords through the points at start, start + Step, ... (n of them, degrees
// accumulated by addition) and finally at end, all in degrees.
template <class Source>
void AppendChords(Drawing& d, const Source& src, double startDeg, long long n, double Step,
                  double endDeg) {
  auto chord = [&](TAcadPoint st, TAcadPoint ed) {
    TAcadLineBlk line = ZeroRecord<TAcadLineBlk>();
    line.layer = src.layer;
    line.ltype = src.ltype;
    line.code48 = src.code48;
    line.color = src.color;
    line.code210 = src.code210;
    line.st = st;
    line.ed = ed;
    d.EntLineAry.push_back(std::move(line));
  };
  TAcadPoint prev = PolarPoint(src.center, startDeg * kDegToRad, src.hankei);
  double deg = startDeg;
  for (long long i = 1; i <= n; ++i) {
    deg += Step;
    const TAcadPoint p = PolarPoint(src.center, deg * kDegToRad, src.hankei);
    chord(prev, p);
    prev = p;
  }
  chord(prev, PolarPoint(src.center, endDeg * kDegToRad, src.hankei));
}

}  // namespace

namespace {

bool ChordsArc(const TArcBlk& arc) { return arc.code60 == 0 && !HasDefaultExtrusion(arc.code210); }
bool ChordsCircle(const TCircleBlk& c) { return c.code60 == 0 && !HasDefaultExtrusion(c.code210); }

// The n of an arc's chords (n + 1 lines).
long long ArcChordSteps(const TArcBlk& arc, double Step) {
  const double a1 = arc.st * kDegToRad;
  double a2 = arc.ed * kDegToRad;
  if (a2 < a1) a2 += kTwoPi;
  double steps = RoundHalfEven((a2 - a1) / (Step * kDegToRad));
  if (!std::isfinite(steps) || steps < 0) steps = 0;
  steps = std::min(steps, std::ceil(kMaxChordSweepDeg / Step));
  return static_cast<long long>(steps);
}

long long CircleChordSteps(double Step) {
  double steps = RoundHalfEven(kTwoPi / (Step * kDegToRad) - 0.5);
  if (!std::isfinite(steps) || steps < 0) steps = 0;
  steps = std::min(steps, std::ceil(kMaxChordSweepDeg / Step));
  return static_cast<long long>(steps);
}

std::size_t ArcChordLines(const Drawing& d, double Step) {
  std::size_t count = 0;
  for (const TArcBlk& arc : d.EntArcAry)
    if (ChordsArc(arc)) count += static_cast<std::size_t>(ArcChordSteps(arc, Step)) + 1;
  return count;
}

std::size_t CircleChordLines(const Drawing& d, double Step) {
  std::size_t count = 0;
  for (const TCircleBlk& circle : d.EntCircleAry) count += ChordsCircle(circle) ? 1 : 0;
  return count * static_cast<std::size_t>(CircleChordSteps(Step) + 1);
}

}  // namespace

void ArcsToLines(Drawing& d, double Step) {
  if (!(Step * kDegToRad > 0)) return;
  ReserveTable(d.EntLineAry, d.EntLineAry.size() + ArcChordLines(d, Step));
  // Index loop: AppendChords appends to EntLineAry only, but the arc is
  // marked in place.
  for (std::size_t k = 0; k < d.EntArcAry.size(); ++k) {
    TArcBlk& arc = d.EntArcAry[k];
    if (!ChordsArc(arc)) continue;
    arc.code67 = -1;
    AppendChords(d, arc, arc.st, ArcChordSteps(arc, Step), Step, arc.ed);
  }
}

void CirclesToLines(Drawing& d, double Step) {
  if (!(Step * kDegToRad > 0)) return;
  const long long n = CircleChordSteps(Step);
  ReserveTable(d.EntLineAry, d.EntLineAry.size() + CircleChordLines(d, Step));
  for (std::size_t k = 0; k < d.EntCircleAry.size(); ++k) {
    TCircleBlk& circle = d.EntCircleAry[k];
    if (!ChordsCircle(circle)) continue;
    circle.code67 = -1;
    AppendChords(d, circle, 0.0, n, Step, 0.0);
  }
}

void LinesToWcs(Drawing& d) {
  for (TAcadLineBlk& line : d.EntLineAry) {
    if (HasDefaultExtrusion(line.code210)) continue;
    const OcsAxes axes = OcsAxesOf(line.code210);
    OcsToWcs(line.st, axes, line.st);
    OcsToWcs(line.ed, axes, line.ed);
  }
}

void TextsToWcs(Drawing& d) {
  for (TTextBlk& t : d.EntTextAry) {
    if (HasDefaultExtrusion(t.code210)) continue;
    const OcsAxes axes = OcsAxesOf(t.code210);
    // An MTEXT's insertion point and direction are world coordinates
    // already; only a TEXT stands in its object coordinates.
    if (!t.mtflag) {
      OcsToWcs(t.pt10, axes, t.pt10);
      OcsToWcs(t.pt11, axes, t.pt11);
    }
    TAcadPoint o, x;
    OcsToWcs(TAcadPoint{0, 0, 0}, axes, o);
    OcsToWcs(TAcadPoint{100, 0, 0}, axes, x);
    const double turn = Angle2D(o, x) * kRadToDeg;
    t.code50 = t.code50 + turn;
  }
}

namespace {

// The edges of a face, the last back to the first; invisible edges too.
void AppendFaceLines(const TFaceBlk& f, std::vector<TAcadLineBlk>& lines) {
  if (f.code60 != 0 || f.count <= 0) return;
  // A face has four corners at most; a larger count from a file must not
  // read beyond them.
  const int count = std::min<int>(f.count, 4);
  for (int j = 0; j < count; ++j) {
    TAcadLineBlk line = LineOf(f, f.pt[j], j + 1 < count ? f.pt[j + 1] : f.pt[0]);
    line.code67 = f.code67;
    lines.push_back(std::move(line));
  }
}

// At most three vertices and the hook.
void AppendLeaderLines(const TLeaderBlk& l, std::vector<TAcadLineBlk>& lines) {
  if (l.code60 != 0 || l.code76 <= 1) return;
  auto add = [&](TAcadPoint st, TAcadPoint ed) {
    TAcadLineBlk line = LineOf(l, st, ed);
    line.code67 = l.code67;
    lines.push_back(std::move(line));
  };
  add(l.p1, l.p2);
  TAcadPoint end = l.p2;
  if (l.code76 >= 3) {
    add(l.p2, l.p3);
    end = l.p3;
  }
  if (l.code41 != 0) add(end, PolarPoint(end, 0, l.code41));
}

// All the lines a table of splines may have: within this many together the
// splines of a drawing get what they want; beyond it, each a share, so that
// a file of hostile splines cannot ask for unbounded lines.
constexpr std::size_t kSplineLinesPerTable = std::size_t{1} << 21;

// The segments each spline of a table gets, in table order (0 for those
// that draw nothing).
std::vector<std::size_t> SplineAllotment(const std::vector<TSplineBlk>& splines, std::size_t& total) {
  std::vector<std::size_t> wanted(splines.size(), 0);
  std::size_t sum = 0;
  for (std::size_t i = 0; i < splines.size(); ++i) {
    if (splines[i].code60 != 0) continue;
    wanted[i] = SplineSegments(splines[i]);
    sum = SaturatingAdd(sum, wanted[i]);
  }
  total = 0;
  const double share = sum > kSplineLinesPerTable
                           ? static_cast<double>(kSplineLinesPerTable) / static_cast<double>(sum)
                           : 1.0;
  for (std::size_t& w : wanted) {
    if (w == 0) continue;
    w = std::max<std::size_t>(1, static_cast<std::size_t>(static_cast<double>(w) * share));
    total += w;
  }
  return wanted;
}

// Every spline, planar or not, as lines along the curve.
void AppendSplineLines(const std::vector<TSplineBlk>& splines, std::vector<TAcadLineBlk>& lines) {
  std::size_t total = 0;
  const std::vector<std::size_t> allotted = SplineAllotment(splines, total);
  ReserveTable(lines, lines.size() + total);
  std::vector<TAcadPoint> points;
  for (std::size_t i = 0; i < splines.size(); ++i) {
    if (allotted[i] == 0) continue;
    const TSplineBlk& s = splines[i];
    SplinePoints(s, allotted[i], points);
    for (std::size_t k = 0; k + 1 < points.size(); ++k) {
      TAcadLineBlk line = LineOf(s, points[k], points[k + 1]);
      line.code67 = s.code67;
      lines.push_back(std::move(line));
    }
  }
}

std::size_t SplineLineBound(const std::vector<TSplineBlk>& splines) {
  std::size_t total = 0;
  SplineAllotment(splines, total);
  return total;
}

// A SOLID or TRACE as the area it fills: corners 1, 2, 4, 3 (a solid of
// three corners repeats its third), in world coordinates.
void AppendSolidFill(const TSolidBlk& s, std::vector<TFillBlk>& fills, std::vector<TAcadPoint>& points,
                     std::vector<std::uint32_t>& rings) {
  if (s.code60 != 0) return;
  TAcadPoint corners[4] = {s.p1, s.p2, s.count >= 4 ? s.p4 : s.p3, s.p3};
  std::uint32_t count = corners[2] == corners[3] ? 3 : 4;
  if (!HasDefaultExtrusion(s.code210)) {
    const OcsAxes axes = OcsAxesOf(s.code210);
    for (TAcadPoint& c : corners) OcsToWcs(c, axes, c);
  }
  AppendRingFill(s, std::span<const TAcadPoint>(corners, count), fills, points, rings);
}

}  // namespace

void FacesToLines(Drawing& d) {
  ReserveTable(d.EntLineAry, d.EntLineAry.size() + 4 * d.EntFaceAry.size());
  for (const TFaceBlk& f : d.EntFaceAry) AppendFaceLines(f, d.EntLineAry);
}

void LeadersToLines(Drawing& d) {
  ReserveTable(d.EntLineAry, d.EntLineAry.size() + 3 * d.LeaderAry.size());
  for (const TLeaderBlk& l : d.LeaderAry) AppendLeaderLines(l, d.EntLineAry);
}

void SolidsToFills(Drawing& d) {
  for (const TSolidBlk& s : d.EntSolidAry) AppendSolidFill(s, d.EntFillAry, d.EntFillPtAry, d.EntFillRingAry);
}

void SplinesToLines(Drawing& d) { AppendSplineLines(d.SplineAry, d.EntLineAry); }

void BlockCurvesToLines(Drawing& d, double Step) {
  AppendEllipseLines(d.BlkEllipseAry, Step, d.BlkLineAry);
  AppendSplineLines(d.BlkSplineAry, d.BlkLineAry);
  for (const TLeaderBlk& l : d.BlkLeaderAry) AppendLeaderLines(l, d.BlkLineAry);
  for (const TFaceBlk& f : d.BlkFaceAry) AppendFaceLines(f, d.BlkLineAry);
  for (const TSolidBlk& s : d.BlkSolidAry) AppendSolidFill(s, d.BlkFillAry, d.BlkFillPtAry, d.BlkFillRingAry);
}

TableRoom FlatteningRoom(const Drawing& d, double Step) {
  TableRoom room;
  const PolylineBound polylines(d.EntLwpAry, d.EntLwpVerAry);
  room.lines = polylines.lines + EllipseLineBound(d.EntEllipseAry, Step) + ArcChordLines(d, Step) +
               CircleChordLines(d, Step) + 4 * d.EntFaceAry.size() + 3 * d.LeaderAry.size() +
               SplineLineBound(d.SplineAry);
  room.arcs = polylines.arcs;
  // The arcs of extruded polylines are chorded too; a polyline arc spans
  // less than a full turn, so at most 38 lines each.
  if (polylines.extruded && Step > 0 && Step * kDegToRad > 0)
    room.lines += polylines.arcs * static_cast<std::size_t>(CircleChordSteps(Step) + 2);
  return room;
}

}  // namespace vantrel
