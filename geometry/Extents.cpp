#include "geometry/Extents.h"

#include <cmath>
#include <vector>

#include "geometry/AcadCtrl2016.h"
#include "geometry/RecentLayers.h"
#include "model/TextCodes.h"

namespace vantrel {

namespace {

constexpr double kHalfPi = 1.5707963267948966;
constexpr double kThreeHalfPi = 4.71238898038469;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kQuarterPi = 0.7853981633974483;

void Widen(TAcadPoint p, TAcadPoint& Min, TAcadPoint& Max) {
  if (p.x < Min.x) Min.x = p.x;
  if (p.y < Min.y) Min.y = p.y;
  if (p.x > Max.x) Max.x = p.x;
  if (p.y > Max.y) Max.y = p.y;
}

void TextBoxOfText(const TTextBlk& t, TAcadPoint& Min, TAcadPoint& Max) {
  const double h = t.code40;
  const double a = t.code50 * kDegToRad;
  const TAcadPoint base = (t.code72 == 0 && t.code73 == 0) ? t.pt10 : t.pt11;
  Min.x = Max.x = base.x;
  Min.y = Max.y = base.y;
  const double w = t.code40 * t.code41 * 0.855 * static_cast<double>(t.str.size());
  double dx = 0;
  switch (t.code72) {
    case 1:
    case 4: dx = -w / 2; break;
    case 2:
    case 3:
    case 5: dx = -w; break;
    default: dx = 0; break;
  }
  double dy = h;
  switch (t.code73) {
    case 0: dy = t.code72 == 4 ? h / 2 - 0.03 * h : 0.855 * h; break;
    case 1: dy = 0.994 * h; break;
    case 2: dy = h / 2 - 0.03 * h; break;
    case 3: dy = 0.086 * h; break;
    default: dy = h; break;
  }
  TAcadPoint o;
  RotateAboutOrigin(TAcadPoint{dx, dy, 0}, a, o);
  // The offset goes in twice on purpose: the box stays generous for the
  // renderer's culling, and text-only drawings keep the fit users know.
  const TAcadPoint c0{base.x + o.x + o.x, base.y + o.y + o.y, 0};
  const TAcadPoint c1 = PolarPoint(c0, a, w);
  const TAcadPoint c2 = PolarPoint(c0, a - kQuarterPi, h);
  const TAcadPoint c3 = PolarPoint(c2, a, w);
  Widen(c2, Min, Max);
  Widen(c3, Min, Max);
  Widen(c0, Min, Max);
  Widen(c1, Min, Max);
}

void TextBoxOfMText(const TTextBlk& t, TAcadPoint& Min, TAcadPoint& Max) {
  const TAcadPoint base = t.pt10;
  Min.x = Max.x = base.x;
  Min.y = Max.y = base.y;
  const double a = MTextAngle(t) * kDegToRad;
  std::vector<std::u16string> lines;
  const double m = SplitMTextLines(t.str, lines);
  const double w = t.code41;
  const double hh = t.code40 * t.code44 * 1.86;
  double x0 = 0, x1 = w;
  switch (t.code71) {
    case 2:
    case 5:
    case 8: x0 = w / 2; x1 = -w / 2; break;
    case 3:
    case 6:
    case 9: x0 = 0; x1 = -w; break;
    default: break;
  }
  double y0 = 0, y1 = -hh * m;
  switch (t.code71) {
    case 4:
    case 5:
    case 6: y0 = (hh / 2) * m; y1 = -(hh / 2) * m; break;
    case 7:
    case 8:
    case 9: y0 = hh * m; y1 = 0; break;
    default: break;
  }
  const TAcadPoint corners[4] = {{x0, y0, 0}, {x1, y1, 0}, {x1, y0, 0}, {x0, y1, 0}};
  for (const TAcadPoint& c : corners) {
    TAcadPoint p;
    RotateAboutOrigin(c, a, p);
    AddPoint(p, base, p);
    Widen(p, Min, Max);
  }
}

// LayerVisible through the layers asked last.
class VisibleLayers {
 public:
  explicit VisibleLayers(const Drawing& d) : d_(d), recent_(d) {}
  bool operator()(const SharedName& layer) { return LayerVisibleAt(d_, recent_.IndexOf(layer)); }

 private:
  const Drawing& d_;
  RecentLayers recent_;
};

struct RunningBox {
  TAcadPoint min, max;
  bool any = false;

  void Add(const TAcadPoint& bmin, const TAcadPoint& bmax) {
    // A box with NaN or infinite corners (hostile numbers in a file) would
    // poison the running box for good; it does not count.
    if (!std::isfinite(bmin.x) || !std::isfinite(bmin.y) || !std::isfinite(bmax.x) ||
        !std::isfinite(bmax.y))
      return;
    if (!any) {
      min = bmin;
      max = bmax;
      any = true;
      return;
    }
    if (bmin.x < min.x) min.x = bmin.x;
    if (bmin.y < min.y) min.y = bmin.y;
    if (bmax.x > max.x) max.x = bmax.x;
    if (bmax.y > max.y) max.y = bmax.y;
  }
};

template <class T>
bool Counts(const T& r, VisibleLayers& visible) {
  return r.code60 == 0 && r.code67 == 0 && visible(r.layer);
}

}  // namespace

void SegmentBox(TAcadPoint A, TAcadPoint B, TAcadPoint& Min, TAcadPoint& Max) {
  Min.x = A.x < B.x ? A.x : B.x;
  Max.x = A.x < B.x ? B.x : A.x;
  Min.y = A.y < B.y ? A.y : B.y;
  Max.y = A.y < B.y ? B.y : A.y;
}

void CircleBox(TAcadPoint Center, double Radius, TAcadPoint& Min, TAcadPoint& Max) {
  Min.x = Center.x - Radius;
  Min.y = Center.y - Radius;
  Max.x = Center.x + Radius;
  Max.y = Center.y + Radius;
}

namespace {
// An arc turned by an insert, or drawn once with its end raised by 360,
// holds angles beyond a turn; the canvas only sees their rays, and so must
// the quadrant tests. Angles within [0, 2 pi] stay exactly as they are.
double WithinOneTurn(double a) {
  if (a >= 0 && a <= kTwoPi) return a;
  a = std::fmod(a, kTwoPi);
  return a < 0 ? a + kTwoPi : a;
}
}  // namespace

void ArcBox(TAcadPoint Center, double Radius, double StartAngle, double EndAngle, TAcadPoint& Min,
            TAcadPoint& Max) {
  SegmentBox(PolarPoint(Center, StartAngle, Radius), PolarPoint(Center, EndAngle, Radius), Min, Max);
  StartAngle = WithinOneTurn(StartAngle);
  EndAngle = WithinOneTurn(EndAngle);
  if (EndAngle > StartAngle) {
    if (StartAngle == 0 || EndAngle == kTwoPi) Max.x = Center.x + Radius;
    if (StartAngle <= kHalfPi && kHalfPi <= EndAngle) Max.y = Center.y + Radius;
    if (StartAngle <= kPi && kPi <= EndAngle) Min.x = Center.x - Radius;
    if (StartAngle <= kThreeHalfPi && kThreeHalfPi <= EndAngle) Min.y = Center.y - Radius;
  } else {
    Max.x = Center.x + Radius;
    if (StartAngle <= kHalfPi || EndAngle >= kHalfPi) Max.y = Center.y + Radius;
    if (StartAngle <= kPi || EndAngle >= kPi) Min.x = Center.x - Radius;
    if (StartAngle <= kThreeHalfPi || EndAngle >= kThreeHalfPi) Min.y = Center.y - Radius;
  }
}

void FillBox(const Drawing& d, const TFillBlk& f, TAcadPoint& Min, TAcadPoint& Max) {
  const TAcadPoint* p = d.EntFillPtAry.data() + f.first;
  Min.x = Max.x = p[0].x;
  Min.y = Max.y = p[0].y;
  for (std::uint32_t i = 1; i < f.count; ++i) Widen(p[i], Min, Max);
}

double MTextAngle(const TTextBlk& t) {
  if (t.pt11.x == 0 && t.pt11.y == 0) return t.code50;
  return Angle2D(TAcadPoint{0, 0, 0}, t.pt11) * kRadToDeg;
}

void TextBox(const TTextBlk& t, TAcadPoint& Min, TAcadPoint& Max) {
  if (t.mtflag)
    TextBoxOfMText(t, Min, Max);
  else
    TextBoxOfText(t, Min, Max);
}

void CalcExtents(Drawing& d) {
  d.ExtMin = TAcadPoint{0, 0, 0};
  d.ExtMax = TAcadPoint{0, 0, 0};
  VisibleLayers visible(d);
  RunningBox box;
  TAcadPoint bmin, bmax;
  for (const TAcadLineBlk& r : d.EntLineAry) {
    if (!Counts(r, visible)) continue;
    SegmentBox(r.st, r.ed, bmin, bmax);
    box.Add(bmin, bmax);
  }
  for (const TCircleBlk& r : d.EntCircleAry) {
    if (!Counts(r, visible)) continue;
    CircleBox(r.center, r.hankei, bmin, bmax);
    box.Add(bmin, bmax);
  }
  for (const TArcBlk& r : d.EntArcAry) {
    if (!Counts(r, visible)) continue;
    ArcBox(r.center, r.hankei, r.st * kDegToRad, r.ed * kDegToRad, bmin, bmax);
    box.Add(bmin, bmax);
  }
  for (const TFillBlk& r : d.EntFillAry) {
    if (!Counts(r, visible) || r.count == 0) continue;
    FillBox(d, r, bmin, bmax);
    box.Add(bmin, bmax);
  }
  // Titles and notes stand outside the frame as often as inside it: every
  // text that is drawn counts, a hidden attribute does not.
  for (const TTextBlk& r : d.EntTextAry) {
    if (!Counts(r, visible) || (r.code70 & 1) != 0) continue;
    TextBox(r, bmin, bmax);
    box.Add(bmin, bmax);
  }
  if (box.any) {
    d.ExtMin = TAcadPoint{box.min.x, box.min.y, 0};
    d.ExtMax = TAcadPoint{box.max.x, box.max.y, 0};
  }
}

}  // namespace vantrel
