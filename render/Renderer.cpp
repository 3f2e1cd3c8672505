#include "render/Renderer.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "geometry/AcadCtrl2016.h"
#include "geometry/Extents.h"
#include "model/TextCodec.h"
#include "model/TextCodes.h"
#include "render/Linetypes.h"
#include "render/PatternFill.h"
#include "render/TextDrawing.h"
#include "render/TextStyles.h"

namespace vantrel {

namespace {

constexpr double kTwoPi = 2 * kPi;
// A pixel of the tiniest arc, 0.01 degree in radians.
constexpr double kArcDotSweep = 0.000174533;

// Pixel offsets from the screen centre are held within this bound. It lies
// far outside any canvas, so every point that can show is mapped exactly;
// beyond it a deep zoom would overflow the canvas's integers.
constexpr int kPixelBound = 1 << 22;

int BoundedRound(double v) {
  const double r = RoundHalfEven(v);
  if (!(r > -kPixelBound)) return -kPixelBound;  // NaN as well
  if (r > kPixelBound) return kPixelBound;
  return static_cast<int>(r);
}

bool WithinBound(double v) { return std::fabs(v) <= kPixelBound; }

TAcadPoint Relative(TAcadPoint p, TAcadPoint center) {
  TAcadPoint r;
  SubPointXY(p, center, r);
  return r;
}

// Liang-Barsky against the square of kPixelBound; an end point that lies
// inside stays exactly as it was.
bool ClipToBound(double& x0, double& y0, double& x1, double& y1) {
  if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
    return false;
  const double dx = x1 - x0, dy = y1 - y0;
  double t0 = 0, t1 = 1;
  auto edge = [&](double p, double q) {
    if (p == 0) return q >= 0;
    const double r = q / p;
    if (p < 0) {
      if (r > t1) return false;
      if (r > t0) t0 = r;
    } else {
      if (r < t0) return false;
      if (r < t1) t1 = r;
    }
    return true;
  };
  const double b = kPixelBound;
  if (!edge(-dx, x0 + b) || !edge(dx, b - x0) || !edge(-dy, y0 + b) || !edge(dy, b - y0))
    return false;
  const double sx = x0, sy = y0;
  if (t1 < 1) {
    x1 = sx + t1 * dx;
    y1 = sy + t1 * dy;
  }
  if (t0 > 0) {
    x0 = sx + t0 * dx;
    y0 = sy + t0 * dy;
  }
  return true;
}

void UsePen(Canvas& canvas, TPenStyle style, int width, TColor colour) {
  if (canvas.PenWidth() != width) canvas.SetPenWidth(width);
  if (canvas.PenColor() != colour) canvas.SetPenColor(colour);
  if (canvas.PenStyle() != style) canvas.SetPenStyle(style);
}

// An arc whose box lies beyond the pixel bound (a large radius in a deep
// zoom) cannot go to the canvas as a box. Only the part within the bound
// around the view centre can show; it goes as chords that stay within a
// quarter pixel of the curve.
void ArcAsChords(Canvas& canvas, PixelPoint ScreenCenter, TAcadPoint C, double Scale,
                 double Radius, double StartRad, double EndRad, bool full) {
  const double cx = C.x / Scale, cy = C.y / Scale;
  const double r = Radius / Scale;
  const double reach = kPixelBound;
  const double d = std::hypot(cx, cy);
  if (!std::isfinite(d) || !std::isfinite(r) || std::fabs(r - d) >= reach || d == 0) return;
  const double toCenter = std::atan2(-cy, -cx);
  const double cosHalf = std::clamp((d * d + r * r - reach * reach) / (2 * d * r), -1.0, 1.0);
  const double half = std::acos(cosHalf);
  const double from = full ? 0 : StartRad, to = full ? kTwoPi : EndRad;
  const double step = 2 * std::sqrt(0.5 / r);
  for (int k = -2; k <= 2; ++k) {
    const double u = std::max(from + k * kTwoPi, toCenter - half);
    const double v = std::min(to + k * kTwoPi, toCenter + half);
    if (!(u < v)) continue;
    const int n = std::clamp(static_cast<int>(std::ceil((v - u) / step)), 1, 1 << 16);
    for (int i = 0; i <= n; ++i) {
      const double a = i == n ? v : u + (v - u) * i / n;
      const TAcadPoint p{C.x + Radius * std::cos(a), C.y + Radius * std::sin(a), 0};
      const PixelPoint px = RelativeToPixel(ScreenCenter, p, Scale);
      if (i == 0)
        canvas.MoveTo(px.x, px.y);
      else
        canvas.LineTo(px.x, px.y);
    }
  }
}

void ReplaceAll(std::u16string& s, std::u16string_view from, std::u16string_view to) {
  std::size_t pos = s.find(from);
  while (pos != std::u16string::npos) {
    s.replace(pos, from.size(), to);
    pos = s.find(from, pos + to.size());
  }
}

// A corner of a circle's box.
TAcadPoint Offset(const TAcadPoint& p, double d) { return TAcadPoint{p.x + d, p.y + d, 0}; }

bool Inside(const ViewWindow& w, TAcadPoint p) {
  return w.xmin <= p.x && p.x <= w.xmax && w.ymin <= p.y && p.y <= w.ymax;
}

// A box strictly apart from the window has no point inside it and no edge
// crossing it.
bool ApartFromWindow(TAcadPoint min, TAcadPoint max, const ViewWindow& w) {
  return max.x < w.xmin || min.x > w.xmax || max.y < w.ymin || min.y > w.ymax;
}

bool SegmentCrossesWindow(TAcadPoint a, TAcadPoint b, const ViewWindow& w) {
  const TAcadPoint corners[4] = {
      {w.xmin, w.ymin, 0}, {w.xmax, w.ymin, 0}, {w.xmax, w.ymax, 0}, {w.xmin, w.ymax, 0}};
  TAcadPoint p;
  for (int i = 0; i < 4; ++i)
    if (IntersectLines(a, b, corners[i], corners[(i + 1) % 4], true, p)) return true;
  return false;
}

bool BoxCrossesWindow(TAcadPoint min, TAcadPoint max, const ViewWindow& w) {
  if (ApartFromWindow(min, max, w)) return false;
  const TAcadPoint corners[4] = {
      {min.x, min.y, 0}, {max.x, min.y, 0}, {max.x, max.y, 0}, {min.x, max.y, 0}};
  for (int i = 0; i < 4; ++i)
    if (SegmentCrossesWindow(corners[i], corners[(i + 1) % 4], w)) return true;
  return false;
}

}  // namespace

ViewState FitToExtents(const Drawing& d) {
  ViewState v;
  v.ViewWidth = d.ExtMax.x - d.ExtMin.x;
  v.ViewHeight = d.ExtMax.y - d.ExtMin.y;
  v.ViewCenter = TAcadPoint{(d.ExtMin.x + d.ExtMax.x) / 2, (d.ExtMin.y + d.ExtMax.y) / 2, 0};
  return v;
}

namespace {

double UnfittedScale(double ViewWidth, double ViewHeight, int CanvasWidth, int CanvasHeight) {
  if (ViewWidth > 0 && ViewHeight > 0) {
    if (ViewHeight / ViewWidth > static_cast<double>(CanvasHeight) / CanvasWidth)
      return ViewHeight / CanvasHeight;
    return ViewWidth / CanvasWidth;
  }
  return 1;
}

}  // namespace

bool ViewScale(double ViewWidth, double ViewHeight, int CanvasWidth, int CanvasHeight,
               double FitRatio, double& Scale) {
  if ((ViewWidth == 0 && ViewHeight == 0) || FitRatio == 0) return false;
  // A canvas without pixels would divide by zero in the aspect test.
  if (CanvasWidth <= 0 || CanvasHeight <= 0) return false;
  const double s = UnfittedScale(ViewWidth, ViewHeight, CanvasWidth, CanvasHeight) / FitRatio;
  if (!std::isfinite(s) || s == 0) return false;
  Scale = s;
  return true;
}

double PixelScale(double ViewWidth, double ViewHeight, int CanvasWidth, int CanvasHeight, double FitRatio) {
  return UnfittedScale(ViewWidth, ViewHeight, std::max(1, CanvasWidth), std::max(1, CanvasHeight)) / FitRatio;
}

ViewWindow WindowAround(TAcadPoint ViewCenter, double Scale, int CanvasWidth, int CanvasHeight) {
  return ViewWindow{ViewCenter.x - CanvasWidth * Scale / 2, ViewCenter.x + CanvasWidth * Scale / 2,
                    ViewCenter.y - CanvasHeight * Scale / 2,
                    ViewCenter.y + CanvasHeight * Scale / 2};
}

PixelPoint RelativeToPixel(PixelPoint ScreenCenter, TAcadPoint relative, double Scale) {
  return PixelPoint{ScreenCenter.x + BoundedRound(relative.x / Scale),
                    ScreenCenter.y + BoundedRound(-relative.y / Scale)};
}

TAcadPoint ScreenToDxf(TAcadPoint ViewCenter, double ViewWidth, double ViewHeight,
                       double FitRatio, int CanvasWidth, int CanvasHeight, PixelPoint Pixel) {
  if (ViewWidth <= 0 && ViewHeight <= 0) return TAcadPoint{0, 0, 0};
  if (CanvasWidth <= 0 || CanvasHeight <= 0 || FitRatio == 0) return TAcadPoint{0, 0, 0};
  const double s = UnfittedScale(ViewWidth, ViewHeight, CanvasWidth, CanvasHeight) / FitRatio;
  return TAcadPoint{ViewCenter.x + (Pixel.x - CanvasWidth / 2) * s,
                    ViewCenter.y + (CanvasHeight - CanvasHeight / 2 - Pixel.y) * s, 0};
}

TColor InvertColor(TColor c) { return 0xFFFFFF - (c & 0xFFFFFF); }

TColor DrawingColor(TColor PenColor, TColor BackColor, int ColorMode) {
  if (PenColor == BackColor) return InvertColor(BackColor);
  switch (ColorMode) {
    case 1: return InvertColor(BackColor);
    case 2: return InvertColor(PenColor);
    default: return PenColor;
  }
}

std::u16string ReplaceControlCodes(const std::u16string& s) {
  std::u16string r = s;
  if (r.find(u"%%") != std::u16string::npos) {
    ReplaceAll(r, u"%%C", u"\u03A6");
    ReplaceAll(r, u"%%c", u"\u03A6");
    ReplaceAll(r, u"%%D", u"\u00B0");
    ReplaceAll(r, u"%%d", u"\u00B0");
    ReplaceAll(r, u"%%P", u"\u00B1");
    ReplaceAll(r, u"%%p", u"\u00B1");
    ReplaceAll(r, u"%%%", u"%");
  }
  if (r.find(u"\\U+") != std::u16string::npos) {
    ReplaceAll(r, u"\\U+25A1", u"\u25A1");
    ReplaceAll(r, u"\\U+2205", u"\u03A6");
  }
  return r;
}

void ClearCanvas(Canvas& canvas, int Width, int Height, TColor Colour) {
  if (canvas.GetPenMode() != PenMode::Copy) canvas.SetPenMode(PenMode::Copy);
  FillCanvas(canvas, Width, Height, Colour);
}

void DrawLine(Canvas& canvas, PixelPoint ScreenCenter, TAcadPoint A, TAcadPoint B, double Scale,
              TPenStyle Style, int PenWidth, TColor Colour) {
  UsePen(canvas, Style, PenWidth, Colour);
  double ax = A.x / Scale, ay = -A.y / Scale;
  double bx = B.x / Scale, by = -B.y / Scale;
  if (!(WithinBound(ax) && WithinBound(ay) && WithinBound(bx) && WithinBound(by)) &&
      !ClipToBound(ax, ay, bx, by))
    return;
  canvas.MoveTo(ScreenCenter.x + BoundedRound(ax), ScreenCenter.y + BoundedRound(ay));
  canvas.LineTo(ScreenCenter.x + BoundedRound(bx), ScreenCenter.y + BoundedRound(by));
}

void DrawArc(Canvas& canvas, PixelPoint ScreenCenter, TAcadPoint C, double Scale, double Radius,
             double StartRad, double EndRad, TPenStyle Style, int PenWidth, TColor Colour) {
  const PixelPoint center = RelativeToPixel(ScreenCenter, C, Scale);
  if (!(RoundHalfEven(Radius / Scale) >= 1)) {
    canvas.SetPixel(center.x, center.y, Colour);
    return;
  }
  const PixelPoint pS = RelativeToPixel(ScreenCenter, PolarPoint(C, StartRad, Radius), Scale);
  const PixelPoint pE = RelativeToPixel(ScreenCenter, PolarPoint(C, EndRad, Radius), Scale);
  if (EndRad < StartRad) EndRad += kTwoPi;
  // End points in one pixel mean a tiny arc, a dot; or an arc that lacks
  // less than a pixel of its full circle, which the canvas then draws
  // whole (a dot at its centre would lose it from the picture).
  const double sweep = EndRad - StartRad;
  if (pS == pE && sweep > kArcDotSweep && sweep < kPi) {
    canvas.SetPixel(center.x, center.y, Colour);
    return;
  }
  UsePen(canvas, Style, PenWidth, Colour);
  const double left = (C.x - Radius) / Scale, top = -(C.y + Radius) / Scale;
  const double right = (C.x + Radius) / Scale, bottom = -(C.y - Radius) / Scale;
  if (WithinBound(left) && WithinBound(top) && WithinBound(right) && WithinBound(bottom)) {
    canvas.Arc(ScreenCenter.x + BoundedRound(left), ScreenCenter.y + BoundedRound(top),
               ScreenCenter.x + BoundedRound(right), ScreenCenter.y + BoundedRound(bottom), pS.x,
               pS.y, pE.x, pE.y);
    return;
  }
  ArcAsChords(canvas, ScreenCenter, C, Scale, Radius, StartRad, EndRad, pS == pE);
}

void DrawText(Canvas& canvas, PixelPoint ScreenCenter, const std::u16string& S, double Scale,
              const TTextBlk& t, TAcadPoint P10, TAcadPoint P11, TColor Colour) {
  TextLook look;
  look.face = canvas.Font().face;
  DrawStyledText(canvas, ScreenCenter, S, Scale, t, P10, P11, Colour, look);
}

double TextCellHeight(double code40, double Scale) { return code40 / Scale * 1.3; }

void DrawFill(Canvas& canvas, PixelPoint ScreenCenter, const Drawing& d, const TFillBlk& f,
              TAcadPoint ViewCenter, double Scale, int PenWidth, TColor Colour) {
  std::vector<PixelPoint> points;
  std::vector<int> sizes;
  std::vector<PlanePoint> ring;
  points.reserve(f.count);
  const TAcadPoint* source = d.EntFillPtAry.data() + f.first;
  for (std::uint32_t r = 0; r < f.rings; ++r) {
    const std::uint32_t size = d.EntFillRingAry[f.firstRing + r];
    ring.clear();
    bool within = true;
    for (std::uint32_t i = 0; i < size; ++i) {
      const TAcadPoint rel = Relative(source[i], ViewCenter);
      const PlanePoint p{rel.x / Scale, -rel.y / Scale};
      within = within && WithinBound(p.x) && WithinBound(p.y);
      ring.push_back(p);
    }
    source += size;
    if (!within) ring = ClipRingToSquare(ring, kPixelBound);
    if (ring.empty()) continue;
    for (const PlanePoint& p : ring)
      points.push_back(PixelPoint{ScreenCenter.x + BoundedRound(p.x), ScreenCenter.y + BoundedRound(p.y)});
    sizes.push_back(static_cast<int>(ring.size()));
  }
  if (sizes.empty()) return;
  UsePen(canvas, psSolid, PenWidth, Colour);
  if (canvas.GetBrushStyle() != BrushStyle::Solid) canvas.SetBrushStyle(BrushStyle::Solid);
  if (canvas.BrushColor() != Colour) canvas.SetBrushColor(Colour);
  canvas.Polygon(points, sizes);
}

bool HasControlCodes(const std::u16string& s) {
  return s.find(u"%%") != std::u16string::npos || s.find(u"\\U+") != std::u16string::npos;
}

// Each test first asks whether the record's box is apart from the window:
// nothing inside such a box can be inside the window or cross its edges, so
// the answer is the same, and most records of a zoomed view stop there.
// Those boxes are made here, not through SegmentBox and CircleBox: their
// extended-precision points going by value to another file cost a zoomed
// view a quarter of its time.
bool LineInView(const TAcadLineBlk& r, const ViewWindow& w) {
  const TAcadPoint min{std::min(r.st.x, r.ed.x), std::min(r.st.y, r.ed.y), 0};
  const TAcadPoint max{std::max(r.st.x, r.ed.x), std::max(r.st.y, r.ed.y), 0};
  if (ApartFromWindow(min, max, w)) return false;
  if (Inside(w, r.st) && Inside(w, r.ed)) return true;
  return SegmentCrossesWindow(r.st, r.ed, w);
}

bool CircleInView(const TCircleBlk& r, const ViewWindow& w) {
  const TAcadPoint min = Offset(r.center, -std::fabs(r.hankei));
  const TAcadPoint max = Offset(r.center, std::fabs(r.hankei));
  if (ApartFromWindow(min, max, w)) return false;
  if (Inside(w, r.center)) return true;
  // A negative radius draws the centre pixel alone (its own box is inside
  // out and never crosses), so only the centre counts for it.
  return r.hankei > 0 && BoxCrossesWindow(min, max, w);
}

bool ArcInView(const TArcBlk& r, const ViewWindow& w) {
  // The end points and the arc's box lie within the circle's box.
  if (ApartFromWindow(Offset(r.center, -std::fabs(r.hankei)),
                      Offset(r.center, std::fabs(r.hankei)), w))
    return false;
  if (Inside(w, r.center)) return true;
  if (Inside(w, PolarPoint(r.center, r.st * kDegToRad, r.hankei))) return true;
  if (Inside(w, PolarPoint(r.center, r.ed * kDegToRad, r.hankei))) return true;
  TAcadPoint min, max;
  ArcBox(r.center, r.hankei, r.st * kDegToRad, r.ed * kDegToRad, min, max);
  return BoxCrossesWindow(min, max, w);
}

bool FillInView(const Drawing& d, const TFillBlk& r, const ViewWindow& w) {
  if (r.count == 0) return false;
  TAcadPoint min, max;
  FillBox(d, r, min, max);
  return !ApartFromWindow(min, max, w);
}

// The part of an endless line (a ray from code10 on) that lies in the
// window; false when none does.
bool ClipXLine(const TXLineBlk& r, const ViewWindow& w, TAcadPoint& a, TAcadPoint& b) {
  const double length = std::hypot(r.code11.x, r.code11.y);
  if (!(length > 0) || !std::isfinite(length)) return false;
  const double dx = r.code11.x / length, dy = r.code11.y / length;
  double t0 = r.ray ? 0 : -HUGE_VAL, t1 = HUGE_VAL;
  auto slab = [&](double p, double d, double lo, double hi) {
    if (d == 0) return lo <= p && p <= hi;
    double u = (lo - p) / d, v = (hi - p) / d;
    if (u > v) std::swap(u, v);
    t0 = std::max(t0, u);
    t1 = std::min(t1, v);
    return t0 <= t1;
  };
  if (!slab(r.code10.x, dx, w.xmin, w.xmax) || !slab(r.code10.y, dy, w.ymin, w.ymax)) return false;
  a = TAcadPoint{r.code10.x + dx * t0, r.code10.y + dy * t0, 0};
  b = TAcadPoint{r.code10.x + dx * t1, r.code10.y + dy * t1, 0};
  return true;
}

bool XLineInView(const TXLineBlk& r, const ViewWindow& w) {
  TAcadPoint a, b;
  return ClipXLine(r, w, a, b);
}

bool TextInView(const TTextBlk& r, const ViewWindow& w) {
  if (Inside(w, r.pt10)) return true;
  TAcadPoint min, max;
  TextBox(r, min, max);
  return BoxCrossesWindow(min, max, w);
}

int DrawDxf(Drawing& d, const std::u16string& OnlyLayer, TAcadPoint ViewCenter, TColor BackColor,
            double ViewWidth, double ViewHeight, int PenWidth, Canvas& canvas,
            PixelPoint ScreenCenter, int CanvasWidth, int CanvasHeight, double FitRatio,
            int ColorMode, bool NoCull, bool ThinOut) {
  const Integer only = OnlyLayer.empty() ? -1 : LayerIndex(d, OnlyLayer);
  double s = 0;
  if (!ViewScale(ViewWidth, ViewHeight, CanvasWidth, CanvasHeight, FitRatio, s)) return 0;
  const ViewWindow window = WindowAround(ViewCenter, s, CanvasWidth, CanvasHeight);
  // One-layer drawing ignores the layer's visibility and the window.
  auto wanted = [&](const auto& r, auto inView) {
    if (only >= 0) return r.layindex == only;
    // The window test first: it turns most records of a zoomed view away.
    return (NoCull || inView(r, window)) && LayerVisibleAt(d, r.layindex);
  };
  int count = 0;
  // Lines, circles and arcs share their filters and the thinning.
  auto drawEach = [&](auto& table, auto inView, auto draw) {
    for (std::size_t i = 0; i < table.size(); ++i) {
      if (ThinOut && (i & 1)) continue;
      auto& r = table[i];
      if (r.code60 != 0 || r.code67 != 0) continue;
      if (!wanted(r, inView)) continue;
      ++count;
      draw(r, DrawingColor(r.PenColor, BackColor, ColorMode));
    }
  };

  // Filled areas go first: lines drawn over them stay in sight.
  drawEach(d.EntFillAry, [&d](const TFillBlk& r, const ViewWindow& w) { return FillInView(d, r, w); },
           [&](const TFillBlk& r, TColor colour) {
             if (r.families > 0)
               DrawPatternFill(canvas, ScreenCenter, d, r, ViewCenter, s, PenWidth, colour, BackColor,
                               CanvasWidth, CanvasHeight);
             else
               DrawFill(canvas, ScreenCenter, d, r, ViewCenter, s, PenWidth, colour);
           });

  // A linetype of the file draws its own pattern; solid strokes and the
  // linetypes it lacks keep their pen style and the canvas's fast paths.
  LinetypeLookup linetypes =
      MakeLinetypeLookup(d, s, PenWidth, ScreenCenter, CanvasWidth, CanvasHeight);
  TPenStyle style = psSolid;
  auto patternOf = [&](const auto& r) -> const PixelPattern* {
    const PixelPattern* p = PatternOf(linetypes, r.ltype, r.layindex, r.code48);
    style = p ? psSolid : r.PenStyle;
    return p && !p->steps.empty() ? p : nullptr;
  };

  drawEach(d.EntLineAry, LineInView, [&](const TAcadLineBlk& r, TColor colour) {
    // A line without length (a point among them) shows as the dot of its
    // pixel, as wide as the pen.
    if (r.st.x == r.ed.x && r.st.y == r.ed.y) {
      const PixelPoint p = RelativeToPixel(ScreenCenter, Relative(r.st, ViewCenter), s);
      UsePen(canvas, psSolid, PenWidth, colour);
      canvas.MoveTo(p.x, p.y);
      canvas.LineTo(p.x + 1, p.y);
      return;
    }
    if (const PixelPattern* p = patternOf(r)) {
      const auto i = static_cast<std::size_t>(&r - d.EntLineAry.data());
      DrawDashedLine(canvas, linetypes, ScreenCenter, Relative(r.st, ViewCenter),
                     Relative(r.ed, ViewCenter), *p, LinePhase(linetypes, d.EntLineAry, i, *p),
                     colour);
      return;
    }
    DrawLine(canvas, ScreenCenter, Relative(r.st, ViewCenter), Relative(r.ed, ViewCenter), s,
             style, PenWidth, colour);
  });

  // Endless lines are drawn across the window the view shows.
  drawEach(d.XLineAry, XLineInView, [&](const TXLineBlk& r, TColor colour) {
    TAcadPoint a, b;
    if (!ClipXLine(r, window, a, b)) return;
    DrawLine(canvas, ScreenCenter, Relative(a, ViewCenter), Relative(b, ViewCenter), s, r.PenStyle, PenWidth,
             colour);
  });

  drawEach(d.EntCircleAry, CircleInView, [&](const TCircleBlk& r, TColor colour) {
    if (const PixelPattern* p = patternOf(r)) {
      DrawDashedArc(canvas, linetypes, ScreenCenter, Relative(r.center, ViewCenter), r.hankei, 0,
                    0, *p, colour);
      return;
    }
    DrawArc(canvas, ScreenCenter, Relative(r.center, ViewCenter), s, r.hankei, 0, 0, style,
            PenWidth, colour);
  });

  drawEach(d.EntArcAry, ArcInView, [&](TArcBlk& r, TColor colour) {
    // Written back so that every later reader (the pick readouts) sees
    // st <= ed.
    if (r.st > r.ed) r.ed = r.ed + 360;
    const TAcadPoint c = Relative(r.center, ViewCenter);
    const PixelPattern* p = patternOf(r);
    if (std::fabs(r.ed - r.st) <= 1) {
      const TAcadPoint a = PolarPoint(c, r.st * kDegToRad, r.hankei);
      const TAcadPoint b = PolarPoint(c, r.ed * kDegToRad, r.hankei);
      if (p)
        DrawDashedLine(canvas, linetypes, ScreenCenter, a, b, *p, 0, colour);
      else
        DrawLine(canvas, ScreenCenter, a, b, s, style, PenWidth, colour);
    } else if (p) {
      DrawDashedArc(canvas, linetypes, ScreenCenter, c, r.hankei, r.st * kDegToRad,
                    r.ed * kDegToRad, *p, colour);
    } else {
      DrawArc(canvas, ScreenCenter, c, s, r.hankei, r.st * kDegToRad, r.ed * kDegToRad,
              style, PenWidth, colour);
    }
  });

  if (!ThinOut) {
    std::u16string replaced;
    // Texts of no style, or drawn before the face pass, look like those of
    // an SHX style.
    const StyleFace unstyled = FaceOfText(d, -1);
    TextLook look;
    look.backColor = BackColor;
    look.colorMode = ColorMode;
    int lastLook = -2;
    for (const TTextBlk& r : d.EntTextAry) {
      // Bit 1 of code70: an attribute definition that does not show.
      if (r.code60 != 0 || (r.code70 & 1) != 0 || r.code67 != 0) continue;
      if (!wanted(r, TextInView)) continue;
      ++count;
      // A text under two pixels shows nothing; it costs no string work.
      if (BoundedRound(TextCellHeight(r.code40, s)) <= 1) continue;
      const bool codes = HasControlCodes(r.str);
      if (codes) replaced = ReplaceControlCodes(r.str);
      const bool styled = r.styleindex >= 0 && static_cast<std::size_t>(r.styleindex) < d.StyleAry.size() &&
                          !d.StyleAry[r.styleindex].face.empty();
      // Texts of one style follow each other; the look is made once for them.
      const int lookOf = styled ? r.styleindex : -1;
      if (lookOf == lastLook) {
      } else if (styled) {
        const TStyleTbl& style = d.StyleAry[r.styleindex];
        look.face = style.face;
        look.bold = style.bold;
        look.italic = style.italic;
        look.widthFactor = style.code41;
        look.oblique = style.code50;
      } else {
        look.face = unstyled.face;
        look.bold = look.italic = false;
        look.widthFactor = 1;
        look.oblique = 0;
      }
      lastLook = lookOf;
      DrawStyledText(canvas, ScreenCenter, codes ? replaced : r.str, s, r, Relative(r.pt10, ViewCenter),
                     Relative(r.pt11, ViewCenter), DrawingColor(r.PenColor, BackColor, ColorMode), look);
    }
  }
  return count;
}

}  // namespace vantrel
