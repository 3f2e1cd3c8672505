#include "render/PatternFill.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "render/Renderer.h"

namespace vantrel {

namespace {

// Crossings of pattern lines with a boundary, for one fill and family. A
// boundary that zigzags across the whole view in countless teeth could ask
// for more than the picture can show; beyond this many the family is drawn
// as a tone.
constexpr std::size_t kMostCrossings = std::size_t{1} << 22;

// A dash pattern whose period is shorter than this many pixels, or than
// half a pixel per element, is drawn as a solid line: its dashes could not
// be told apart, and each would cost a stroke.
constexpr double kShortestPeriod = 3.0;

constexpr double kLargestLine = 1e15;

struct Vec {
  double x = 0, y = 0;
};

double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }

struct Crossing {
  std::int64_t line;
  double t;
  bool operator<(const Crossing& o) const { return line != o.line ? line < o.line : t < o.t; }
};

// The pixel canvas of one picture and the fill's rings on it, in unrounded
// pixel coordinates.
struct PixelRings {
  std::vector<Vec> points;
  std::vector<std::uint32_t> sizes;
  Vec min{1e300, 1e300}, max{-1e300, -1e300};
};

// The share of its line a dash pattern inks, a pixel wide; length is the
// pixel length of one pattern unit.
double InkShare(const Drawing& d, const TFillFamily& family, double length) {
  if (family.dashes == 0) return 1;
  double period = 0, ink = 0;
  for (std::uint32_t i = 0; i < family.dashes; ++i) {
    const double e = d.EntFillDashAry[family.firstDash + i];
    period += std::fabs(e) * length;
    ink += e > 0 ? e * length : e == 0 ? 1.0 : 0.0;
  }
  if (!(period > 0)) return 1;
  return std::min(1.0, ink / period);
}

class FamilyPainter {
 public:
  FamilyPainter(Canvas& canvas, const Drawing& d, const PixelRings& rings, Vec lo, Vec hi, TColor colour)
      : canvas_(canvas), d_(d), rings_(rings), lo_(lo), hi_(hi), colour_(colour) {}

  // Draws the family's lines, whose pattern unit is dir and whose next
  // line lies offset away (both in pixels), from base. False, with nothing
  // drawn, when the crossings would pass their bound.
  bool Paint(const TFillFamily& family, Vec base, Vec dir, Vec offset, std::size_t& strokes) {
    const double length = std::hypot(dir.x, dir.y);
    const Vec u{dir.x / length, dir.y / length};
    Vec n{-u.y, u.x};
    double spacing = Dot(offset, n);
    if (spacing < 0) {
      n = Vec{-n.x, -n.y};
      spacing = -spacing;
    }
    // The line nearest the middle of the canvas becomes line 0: far from
    // the base, line numbers and offsets would lose their fractions.
    const Vec mid{(lo_.x + hi_.x) / 2, (lo_.y + hi_.y) / 2};
    const double k0 = std::round(Dot(Vec{mid.x - base.x, mid.y - base.y}, n) / spacing);
    base = Vec{base.x + k0 * offset.x, base.y + k0 * offset.y};
    const double s0 = Dot(base, n);
    // The lines that may cross the visible part of the rings.
    double smin = 1e300, smax = -1e300;
    for (const Vec c : {lo_, Vec{hi_.x, lo_.y}, hi_, Vec{lo_.x, hi_.y}}) {
      const double s = Dot(c, n) - s0;
      smin = std::min(smin, s);
      smax = std::max(smax, s);
    }
    const double jlo = std::ceil(smin / spacing), jhi = std::floor(smax / spacing);
    // Beyond 2^53 a line number no longer counts up: a base too far out for
    // the shift above to bring near draws nothing rather than hang.
    if (!(jlo <= jhi) || !(std::fabs(jlo) < kLargestLine && std::fabs(jhi) < kLargestLine)) return true;

    crossings_.clear();
    std::size_t at = 0;
    for (const std::uint32_t size : rings_.sizes) {
      const Vec* ring = rings_.points.data() + at;
      at += size;
      for (std::uint32_t i = 0; i < size; ++i) {
        const Vec p = ring[i], q = ring[(i + 1) % size];
        const double a = Dot(p, n) - s0, b = Dot(q, n) - s0;
        if (a == b) continue;
        // Half-open in the distance, so that a line through a vertex
        // crosses the boundary once there, or twice, or not at all, as
        // the edges on either side say.
        const double from = std::max(jlo, std::ceil(std::min(a, b) / spacing));
        const double to = std::min(jhi, std::ceil(std::max(a, b) / spacing) - 1);
        for (double j = from; j <= to; ++j) {
          if (crossings_.size() >= kMostCrossings) return false;
          const double f = (j * spacing - a) / (b - a);
          const Vec x{p.x + (q.x - p.x) * f, p.y + (q.y - p.y) * f};
          crossings_.push_back(Crossing{static_cast<std::int64_t>(j), Dot(x, u)});
        }
      }
    }
    std::sort(crossings_.begin(), crossings_.end());

    // Dashes in pixels; a pattern too fine to show its dashes is solid.
    dashes_.clear();
    double period = 0;
    for (std::uint32_t i = 0; i < family.dashes; ++i) {
      const double e = d_.EntFillDashAry[family.firstDash + i] * length;
      dashes_.push_back(e);
      period += std::fabs(e);
    }
    if (!(period >= std::max(kShortestPeriod, 0.5 * static_cast<double>(dashes_.size())))) dashes_.clear();

    const double along = Dot(offset, u);
    const double baseAlong = Dot(base, u);
    for (std::size_t i = 0; i + 1 < crossings_.size();) {
      const std::int64_t j = crossings_[i].line;
      std::size_t end = i;
      while (end < crossings_.size() && crossings_[end].line == j) ++end;
      const double c = s0 + static_cast<double>(j) * spacing;
      double tmin, tmax;
      if (VisibleRange(u, n, c, tmin, tmax)) {
        const double origin = baseAlong + static_cast<double>(j) * along;
        for (std::size_t k = i; k + 1 < end; k += 2) {
          const double ta = std::max(crossings_[k].t, tmin), tb = std::min(crossings_[k + 1].t, tmax);
          if (ta < tb) strokes += Segment(u, n, c, ta, tb, origin, period);
        }
      }
      i = end;
    }
    return true;
  }

 private:
  // Where the line t * u + c * n runs inside the canvas.
  bool VisibleRange(Vec u, Vec n, double c, double& tmin, double& tmax) const {
    tmin = -1e300;
    tmax = 1e300;
    const double px[2] = {c * n.x, c * n.y}, dir[2] = {u.x, u.y};
    const double lo[2] = {lo_.x, lo_.y}, hi[2] = {hi_.x, hi_.y};
    for (int axis = 0; axis < 2; ++axis) {
      if (dir[axis] == 0) {
        if (px[axis] < lo[axis] || px[axis] > hi[axis]) return false;
        continue;
      }
      double t1 = (lo[axis] - px[axis]) / dir[axis], t2 = (hi[axis] - px[axis]) / dir[axis];
      if (t1 > t2) std::swap(t1, t2);
      tmin = std::max(tmin, t1);
      tmax = std::min(tmax, t2);
    }
    return tmin < tmax;
  }

  PixelPoint At(Vec u, Vec n, double c, double t) const {
    return PixelPoint{static_cast<int>(std::lround(t * u.x + c * n.x)), static_cast<int>(std::lround(t * u.y + c * n.y))};
  }

  std::size_t Stroke(Vec u, Vec n, double c, double ta, double tb) {
    const PixelPoint a = At(u, n, c, ta), b = At(u, n, c, tb);
    if (a == b) {
      canvas_.SetPixel(a.x, a.y, colour_);
    } else {
      canvas_.MoveTo(a.x, a.y);
      canvas_.LineTo(b.x, b.y);
    }
    return 1;
  }

  // The dashes of the line between ta and tb, the pattern starting at
  // origin.
  std::size_t Segment(Vec u, Vec n, double c, double ta, double tb, double origin, double period) {
    if (dashes_.empty()) return Stroke(u, n, c, ta, tb);
    std::size_t strokes = 0;
    // The pattern's start before ta, found by a remainder: an origin far
    // along the line must not leave the walk at a magnitude where adding a
    // dash no longer moves it.
    double phase = std::fmod(ta - origin, period);
    if (!std::isfinite(phase)) phase = 0;
    if (phase < 0) phase += period;
    double pos = ta - phase;
    for (std::size_t e = 0; pos <= tb; e = (e + 1) % dashes_.size()) {
      const double len = dashes_[e];
      if (len > 0) {
        const double a = std::max(pos, ta), b = std::min(pos + len, tb);
        if (a < b) strokes += Stroke(u, n, c, a, b);
      } else if (len == 0 && pos >= ta) {
        strokes += Stroke(u, n, c, pos, pos);
      }
      pos += std::fabs(len);
    }
    return strokes;
  }

  Canvas& canvas_;
  const Drawing& d_;
  const PixelRings& rings_;
  Vec lo_, hi_;
  TColor colour_;
  std::vector<Crossing> crossings_;
  std::vector<double> dashes_;
};

}  // namespace

TColor ToneColor(TColor Colour, TColor BackColor, double share) {
  share = std::clamp(share, 0.0, 1.0);
  TColor out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const double back = (BackColor >> shift) & 0xFF, ink = (Colour >> shift) & 0xFF;
    const auto v = static_cast<TColor>(std::lround(back + (ink - back) * share));
    out |= std::min<TColor>(v, 255) << shift;
  }
  return out;
}

std::size_t DrawPatternFill(Canvas& canvas, PixelPoint ScreenCenter, const Drawing& d, const TFillBlk& f,
                            TAcadPoint ViewCenter, double Scale, int PenWidth, TColor Colour,
                            TColor BackColor, int CanvasWidth, int CanvasHeight) {
  auto pixel = [&](const TAcadPoint& p) {
    return Vec{ScreenCenter.x + (p.x - ViewCenter.x) / Scale, ScreenCenter.y - (p.y - ViewCenter.y) / Scale};
  };
  PixelRings rings;
  rings.points.reserve(f.count);
  const TAcadPoint* source = d.EntFillPtAry.data() + f.first;
  for (std::uint32_t r = 0; r < f.rings; ++r) {
    const std::uint32_t size = d.EntFillRingAry[f.firstRing + r];
    for (std::uint32_t i = 0; i < size; ++i) {
      const Vec p = pixel(source[i]);
      if (!std::isfinite(p.x) || !std::isfinite(p.y)) return 0;
      rings.points.push_back(p);
      rings.min = Vec{std::min(rings.min.x, p.x), std::min(rings.min.y, p.y)};
      rings.max = Vec{std::max(rings.max.x, p.x), std::max(rings.max.y, p.y)};
    }
    source += size;
    rings.sizes.push_back(size);
  }
  // The part of the canvas the rings cover, with a pixel to spare.
  const Vec lo{std::max(rings.min.x, -1.0), std::max(rings.min.y, -1.0)};
  const Vec hi{std::min(rings.max.x, CanvasWidth + 1.0), std::min(rings.max.y, CanvasHeight + 1.0)};
  if (!(lo.x <= hi.x && lo.y <= hi.y)) return 0;

  const double pen = std::max(1, PenWidth);
  double bare = 1;  // the share of the area no dense family inks
  std::vector<std::uint32_t> sparse;
  for (std::uint32_t i = 0; i < f.families; ++i) {
    const TFillFamily& family = d.EntFillFamilyAry[f.firstFamily + i];
    const Vec dir{family.dir.x / Scale, -family.dir.y / Scale};
    const Vec offset{family.offset.x / Scale, -family.offset.y / Scale};
    const double length = std::hypot(dir.x, dir.y);
    if (!(length > 0) || !std::isfinite(length)) continue;
    const double spacing = std::fabs(dir.x * offset.y - dir.y * offset.x) / length;
    // Lines on top of each other draw one line, which the format's writers
    // never mean; such a family is left out.
    if (!(spacing > 0) || !std::isfinite(spacing)) continue;
    if (spacing < kToneSpacing)
      bare *= 1 - std::min(1.0, pen * InkShare(d, family, length) / spacing);
    else
      sparse.push_back(i);
  }
  std::size_t strokes = 0;
  // The tone goes first, under the lines of the other families.
  if (bare < 1) {
    DrawFill(canvas, ScreenCenter, d, f, ViewCenter, Scale, PenWidth, ToneColor(Colour, BackColor, 1 - bare));
    ++strokes;
  }
  if (sparse.empty()) return strokes;
  if (canvas.PenWidth() != PenWidth) canvas.SetPenWidth(PenWidth);
  if (canvas.PenColor() != Colour) canvas.SetPenColor(Colour);
  if (canvas.PenStyle() != psSolid) canvas.SetPenStyle(psSolid);
  FamilyPainter painter(canvas, d, rings, lo, hi, Colour);
  bool beyond = false;
  for (const std::uint32_t i : sparse) {
    const TFillFamily& family = d.EntFillFamilyAry[f.firstFamily + i];
    const Vec dir{family.dir.x / Scale, -family.dir.y / Scale};
    const Vec offset{family.offset.x / Scale, -family.offset.y / Scale};
    beyond = !painter.Paint(family, pixel(family.base), dir, offset, strokes) || beyond;
  }
  if (beyond) {
    DrawFill(canvas, ScreenCenter, d, f, ViewCenter, Scale, PenWidth, Colour);
    ++strokes;
  }
  return strokes;
}

}  // namespace vantrel
