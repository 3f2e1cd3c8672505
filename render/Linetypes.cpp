#include "render/Linetypes.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "geometry/AcadCtrl2016.h"

namespace vantrel {

namespace {

constexpr double kTwoPi = 2 * kPi;

// Pixel lengths below which a pattern is no longer drawn as it is: a dash
// shorter than kLeastDash pen widths and a gap narrower than kLeastGap
// cannot be told apart from their neighbours, and a whole pattern shorter
// than kLeastPeriod is a grey line at best.
constexpr double kLeastDash = 3;
constexpr double kLeastGap = 2;
constexpr double kLeastPeriod = 4;
// A line is followed back this many records at most to find where its
// pattern started; a longer run starts it afresh.
constexpr std::size_t kLongestWalk = 1 << 16;

bool IsByLayer(const SharedName& ltype) { return ltype.empty() || ltype == u"BYLAYER"; }

// A scale of 0, a negative one or one not a number would lose the line or
// loop for ever; such values draw at the scale of the format's default.
double UsableScale(double s) { return std::isfinite(s) && s > 0 ? s : 1.0; }

void UseSolidPen(Canvas& canvas, int width, TColor colour) {
  if (canvas.PenWidth() != width) canvas.SetPenWidth(width);
  if (canvas.PenColor() != colour) canvas.SetPenColor(colour);
  if (canvas.PenStyle() != psSolid) canvas.SetPenStyle(psSolid);
}

// Points beyond any canvas are never asked for: the strokes are clipped to
// the canvas first.
PixelPoint ToPixel(PixelPoint ScreenCenter, double x, double y) {
  return PixelPoint{ScreenCenter.x + static_cast<int>(RoundHalfEven(x)),
                    ScreenCenter.y + static_cast<int>(RoundHalfEven(y))};
}

// One dash from (x0, y0) to (x1, y1), in pixels relative to the screen
// centre. A dot, or a dash that rounds to a single pixel, still marks that
// pixel: the canvas leaves out the end pixel of a line.
void Dash(Canvas& canvas, PixelPoint ScreenCenter, double x0, double y0, double x1, double y1) {
  const PixelPoint a = ToPixel(ScreenCenter, x0, y0);
  PixelPoint b = ToPixel(ScreenCenter, x1, y1);
  if (a == b) b.x += 1;
  canvas.MoveTo(a.x, a.y);
  canvas.LineTo(b.x, b.y);
}

// Walks the pattern from phase over length pixels and calls on(from, to)
// for each stretch of a dash, in pixels from the start of the walk.
template <class On>
void WalkPattern(const PixelPattern& p, double phase, double length, On on) {
  phase = std::fmod(phase, p.period);
  if (!(phase >= 0)) phase = 0;
  double pos = -phase;
  for (std::size_t k = 0; pos < length; k = (k + 1) % p.steps.size()) {
    const DashStep& step = p.steps[k];
    const double end = pos + step.length;
    if (step.on && step.length == 0) {
      if (pos >= 0) on(pos, pos);
    } else if (step.on && end > 0) {
      on(std::max(pos, 0.0), std::min(end, length));
    }
    pos = end;
  }
}

// Liang-Barsky against a rectangle: the parameters t0 <= t1 of the part
// of the segment inside it; false when none is.
bool ClipParameters(double x0, double y0, double dx, double dy, double xmin, double ymin,
                    double xmax, double ymax, double& t0, double& t1) {
  t0 = 0;
  t1 = 1;
  auto edge = [&](double pp, double q) {
    if (pp == 0) return q >= 0;
    const double r = q / pp;
    if (pp < 0) {
      if (r > t1) return false;
      t0 = std::max(t0, r);
    } else {
      if (r < t0) return false;
      t1 = std::min(t1, r);
    }
    return true;
  };
  return edge(-dx, x0 - xmin) && edge(dx, xmax - x0) && edge(-dy, y0 - ymin) &&
         edge(dy, ymax - y0) && t0 <= t1;
}

// The clip rectangle relative to the screen centre, a pen width and a
// pixel wider on every side so that nothing that shows is cut.
struct RelativeClip {
  double xmin, ymin, xmax, ymax;
};

RelativeClip ClipOf(const LinetypeLookup& lt, PixelPoint ScreenCenter) {
  const double m = lt.PenWidth + 2;
  return RelativeClip{lt.clip.left - ScreenCenter.x - m, lt.clip.top - ScreenCenter.y - m,
                      lt.clip.right - ScreenCenter.x + m, lt.clip.bottom - ScreenCenter.y + m};
}

bool Connected(const TAcadLineBlk& a, const TAcadLineBlk& b) {
  return a.ed.x == b.st.x && a.ed.y == b.st.y && a.ltype == b.ltype && a.layer == b.layer &&
         a.code48 == b.code48;
}

double Length(const TAcadLineBlk& r) { return std::hypot(r.ed.x - r.st.x, r.ed.y - r.st.y); }

}  // namespace

PixelPattern PatternInPixels(std::span<const double> code49Ary, double scale, double Scale,
                             int PenWidth) {
  PixelPattern p;
  const double unit = std::max(1, PenWidth);
  const double perPixel = UsableScale(scale) / Scale;
  double raw = 0;
  bool dash = false, gap = false;
  for (double e : code49Ary) {
    if (!std::isfinite(e)) return PixelPattern{};
    const bool on = e >= 0;
    const double length = std::fabs(e) * perPixel;
    raw += length;
    (on ? dash : gap) = true;
    // Neighbours of one kind are one element on the canvas.
    if (!p.steps.empty() && p.steps.back().on == on)
      p.steps.back().length += length;
    else
      p.steps.push_back(DashStep{length, on});
  }
  if (!dash || !gap || !(raw >= kLeastPeriod * unit) || !std::isfinite(raw)) return PixelPattern{};
  p.period = 0;
  for (DashStep& s : p.steps) {
    // A dot stays a dot; the canvas makes it a pixel.
    if (s.on && s.length > 0) s.length = std::max(s.length, kLeastDash * unit);
    if (!s.on) s.length = std::max(s.length, kLeastGap * unit);
    p.period += s.length;
  }
  return p;
}

LinetypeLookup MakeLinetypeLookup(const Drawing& d, double Scale, int PenWidth,
                                  PixelPoint ScreenCenter, int CanvasWidth, int CanvasHeight) {
  LinetypeLookup lt;
  lt.d = &d;
  lt.Scale = Scale;
  lt.PenWidth = std::max(1, PenWidth);
  lt.LtScale = UsableScale(d.LtScale);
  // The part of the canvas this drawing is given: a printed page or a
  // cell of a sheet sits around its screen centre, not at the origin.
  lt.clip = PixelRect{ScreenCenter.x - CanvasWidth / 2, ScreenCenter.y - CanvasHeight / 2,
                      ScreenCenter.x + CanvasWidth - CanvasWidth / 2,
                      ScreenCenter.y + CanvasHeight - CanvasHeight / 2};
  for (std::size_t i = 0; i < d.LtypeAry.size(); ++i) {
    lt.byName.emplace(d.LtypeAry[i].name, static_cast<int>(i));
    if (!d.LtypeAry[i].code49Ary.empty()) lt.any = true;
  }
  if (!lt.any) return lt;
  lt.layerLtype.reserve(d.LayerAry.size());
  for (const TLayer& layer : d.LayerAry) {
    const auto it = lt.byName.find(layer.ltype);
    lt.layerLtype.push_back(it == lt.byName.end() ? -1 : it->second);
  }
  return lt;
}

const PixelPattern* PatternOf(LinetypeLookup& lt, const SharedName& ltype, SmallInt layindex,
                              float code48) {
  if (!lt.any) return nullptr;
  // Records come in runs of one linetype; its name is looked up once a run.
  if (!lt.haveLast || !ltype.SameHandle(lt.lastName)) {
    lt.lastName = ltype;
    lt.haveLast = true;
    lt.lastByLayer = IsByLayer(ltype);
    const auto it = lt.lastByLayer ? lt.byName.end() : lt.byName.find(ltype.str());
    lt.lastIndex = it == lt.byName.end() ? -1 : it->second;
  }
  int index = lt.lastIndex;
  if (lt.lastByLayer)
    index = layindex >= 0 && static_cast<std::size_t>(layindex) < lt.layerLtype.size()
                ? lt.layerLtype[static_cast<std::size_t>(layindex)]
                : -1;
  if (index < 0) return nullptr;
  const std::uint64_t key =
      (static_cast<std::uint64_t>(index) << 32) | std::bit_cast<std::uint32_t>(code48);
  if (lt.lastPattern && key == lt.lastKey) return lt.lastPattern;
  auto it = lt.patterns.find(key);
  if (it == lt.patterns.end()) {
    const TLtypeTbl& t = lt.d->LtypeAry[static_cast<std::size_t>(index)];
    it = lt.patterns
             .emplace(key, PatternInPixels(t.code49Ary, lt.LtScale * UsableScale(code48), lt.Scale,
                                           lt.PenWidth))
             .first;
  }
  lt.lastKey = key;
  lt.lastPattern = &it->second;
  return lt.lastPattern;
}

double LinePhase(LinetypeLookup& lt, const std::vector<TAcadLineBlk>& lines, std::size_t i,
                 const PixelPattern& p) {
  const double period = p.period * lt.Scale;  // drawing units
  // Back to the start of the run, or to the last line drawn on it, whose
  // end is known; the lines between were not drawn (outside the view, or
  // thinned out), but their lengths still move the pattern on.
  std::size_t j = i;
  while (j > 0 && i - j < kLongestWalk && j - 1 != lt.chainLine && Connected(lines[j - 1], lines[j]))
    --j;
  double start = 0;
  if (j > 0 && j - 1 == lt.chainLine && Connected(lines[j - 1], lines[j])) start = lt.chainEnd;
  for (std::size_t k = j; k < i; ++k) start = std::fmod(start + Length(lines[k]), period);
  lt.chainLine = i;
  lt.chainEnd = std::fmod(start + Length(lines[i]), period);
  return start / lt.Scale;
}

void DrawDashedLine(Canvas& canvas, const LinetypeLookup& lt, PixelPoint ScreenCenter, TAcadPoint A,
                    TAcadPoint B, const PixelPattern& p, double phase, TColor Colour) {
  const double ax = A.x / lt.Scale, ay = -A.y / lt.Scale;
  const double dx = B.x / lt.Scale - ax, dy = -B.y / lt.Scale - ay;
  const double length = std::hypot(dx, dy);
  if (!std::isfinite(length) || length == 0) return;
  const RelativeClip c = ClipOf(lt, ScreenCenter);
  double t0 = 0, t1 = 1;
  if (!ClipParameters(ax, ay, dx, dy, c.xmin, c.ymin, c.xmax, c.ymax, t0, t1)) return;
  UseSolidPen(canvas, lt.PenWidth, Colour);
  const double ux = dx / length, uy = dy / length;
  const double from = t0 * length;
  WalkPattern(p, phase + from, (t1 - t0) * length, [&](double u, double v) {
    Dash(canvas, ScreenCenter, ax + ux * (from + u), ay + uy * (from + u), ax + ux * (from + v),
         ay + uy * (from + v));
  });
}

void DrawDashedArc(Canvas& canvas, const LinetypeLookup& lt, PixelPoint ScreenCenter, TAcadPoint C,
                   double Radius, double StartRad, double EndRad, const PixelPattern& p,
                   TColor Colour) {
  const double cx = C.x / lt.Scale, cy = -C.y / lt.Scale;
  const double r = Radius / lt.Scale;
  if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(r)) return;
  if (!(RoundHalfEven(r) >= 1)) {
    const PixelPoint centre = ToPixel(ScreenCenter, cx, cy);
    canvas.SetPixel(centre.x, centre.y, Colour);
    return;
  }
  if (EndRad < StartRad) EndRad += kTwoPi;
  const bool full = EndRad == StartRad;
  const double from = StartRad, to = full ? StartRad + kTwoPi : EndRad;
  // Only the part of the arc near the canvas is walked: a circle reaching
  // far beyond it (a deep zoom) would otherwise be millions of dashes.
  const RelativeClip c = ClipOf(lt, ScreenCenter);
  const double mx = (c.xmin + c.xmax) / 2, my = (c.ymin + c.ymax) / 2;
  const double reach = std::hypot(c.xmax - c.xmin, c.ymax - c.ymin) / 2;
  const double d = std::hypot(cx - mx, cy - my);
  if (d - r >= reach || r - d >= reach) return;
  // The angles (counter-clockwise in the drawing, so y up) of the arc's
  // points within reach of the canvas centre, in turns of 2 pi; all of
  // them when the whole circle is.
  double toward = 0, half = kPi;
  const bool within = d == 0 || r + d <= reach;
  if (!within) {
    toward = std::atan2(-(my - cy), mx - cx);
    half = std::acos(std::clamp((d * d + r * r - reach * reach) / (2 * d * r), -1.0, 1.0));
  }
  UseSolidPen(canvas, lt.PenWidth, Colour);
  // Chords within a quarter pixel of the circle.
  const double step = 2 * std::sqrt(0.5 / r);
  auto stroke = [&](double a, double b) {
    const int n = std::clamp(static_cast<int>(std::ceil((b - a) / step)), 1, 1 << 16);
    PixelPoint last{};
    for (int i = 0; i <= n; ++i) {
      const double t = i == n ? b : a + (b - a) * i / n;
      const PixelPoint q = ToPixel(ScreenCenter, cx + r * std::cos(t), cy - r * std::sin(t));
      if (i == 0) {
        canvas.MoveTo(q.x, q.y);
      } else if (q != last) {
        canvas.LineTo(q.x, q.y);
      } else if (i == n && n == 1) {
        canvas.LineTo(q.x + 1, q.y);  // a dot
      }
      last = q;
    }
  };
  if (within) {
    WalkPattern(p, 0, (to - from) * r,
                [&](double s0, double s1) { stroke(from + s0 / r, from + s1 / r); });
    return;
  }
  // The windows of angles may meet the arc in two pieces.
  for (int k = -2; k <= 3; ++k) {
    const double u = std::max(from, toward - half + k * kTwoPi);
    const double v = std::min(to, toward + half + k * kTwoPi);
    if (!(u < v)) continue;
    WalkPattern(p, (u - from) * r, (v - u) * r,
                [&](double s0, double s1) { stroke(u + s0 / r, u + s1 / r); });
  }
}

}  // namespace vantrel
