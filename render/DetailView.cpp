#include "render/DetailView.h"

#include <cmath>
#include <cstdio>

#include "geometry/AcadCtrl2016.h"
#include "model/TextCodec.h"
#include "render/Pens.h"

namespace vantrel {

namespace {

constexpr TColor kCrossColour = 0x008000;  // (0, 128, 0)
constexpr int kDragPixels = 10;
constexpr int kBandWidth = 3;
constexpr int kHighlightWidth = 7;
constexpr int kBlinkWidth = 5;
constexpr int kBlinkPause = 100;
constexpr int kBlinks = 3;

std::u16string Format(const char* format, double a) {
  char text[64];
  std::snprintf(text, sizeof text, format, a);
  return Utf8ToU16(text);
}

std::u16string Format(const char* format, double a, double b) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b);
  return Utf8ToU16(text);
}

std::u16string Bracketed(const std::u16string& layer) { return u"[" + layer + u"]"; }

TAcadPoint Minus(TAcadPoint a, TAcadPoint b) { return TAcadPoint{a.x - b.x, a.y - b.y, a.z - b.z}; }

}  // namespace

DetailView::DetailView(Drawing& d, ViewState& view, ViewPicture& picture)
    : d_(d), view_(view), picture_(picture) {}

TAcadLineBlk DetailView::ZeroLine() {
  TAcadLineBlk line;
  line.st = line.ed = TAcadPoint{0, 0, 0};
  return line;
}

double DetailView::Scale() const {
  return PixelScale(view_.ViewWidth, view_.ViewHeight, picture_.PictureWidth(), picture_.PictureHeight(),
                    kFitRatio);
}

TAcadPoint DetailView::ScreenPoint(PixelPoint p) const {
  return ScreenToDxf(view_.ViewCenter, view_.ViewWidth, view_.ViewHeight, kFitRatio, picture_.PictureWidth(),
                     picture_.PictureHeight(), p);
}

void DetailView::SaveView() {
  prev.PrevCenter = view_.ViewCenter;
  prev.PrevWidth = view_.ViewWidth;
  prev.PrevHeight = view_.ViewHeight;
}

void DetailView::Draw(Canvas& canvas, TAcadPoint center, int colorMode, bool noCull, bool thinOut) {
  const int w = picture_.PictureWidth(), h = picture_.PictureHeight();
  ClearCanvas(canvas, w, h, clBlack);
  DrawDxf(d_, u"", center, clBlack, view_.ViewWidth, view_.ViewHeight, 1, canvas, PixelPoint{w / 2, h / 2}, w, h,
          kFitRatio, colorMode, noCull, thinOut);
}

void DetailView::RedrawOffScreen(int colorMode, bool noCull, const std::function<void(Canvas&)>& after) {
  picture_.ReplacePicture([&](Canvas& canvas) {
    Draw(canvas, view_.ViewCenter, colorMode, noCull, false);
    if (after) after(canvas);
  });
}

void DetailView::RedrawInPlace(int colorMode, bool noCull) {
  Draw(picture_.PictureCanvas(), view_.ViewCenter, colorMode, noCull, false);
  picture_.ShowPicture(true);
}

void DetailView::BandPen(Canvas& c) const {
  c.SetPenStyle(psDashDotDot);
  c.SetPenMode(PenMode::NotXor);
  c.SetPenWidth(kBandWidth);
  c.SetPenColor(clBlack);
  c.SetBrushStyle(BrushStyle::Clear);
}

void DetailView::Image1MouseDown(MouseButton button, bool shift, int x, int y) {
  PickLine = PickCircle = PickArc = PickText = -1;
  if (shift) {
    Pick(x, y);
    return;
  }
  DownPoint = LastPoint = PixelPoint{x, y};
  if (button == MouseButton::Middle) {
    PanFlag = true;
    return;
  }
  BandFlag = true;
  Canvas& c = picture_.PictureCanvas();
  BandPen(c);
  c.Rectangle(x, y, x, y);
  c.SetPenMode(PenMode::Copy);
  picture_.ShowPicture(false);
}

void DetailView::Image1MouseMove(bool shift, int x, int y) {
  const int w = picture_.PictureWidth(), h = picture_.PictureHeight();
  Canvas& c = picture_.PictureCanvas();
  c.SetPenMode(PenMode::Xor);
  c.SetPenColor(kCrossColour);
  c.SetPenStyle(psSolid);
  c.SetPenWidth(1);
  auto cross = [&](int cx, int cy) {
    c.MoveTo(0, cy - 1);
    c.LineTo(w, cy - 1);
    c.MoveTo(cx - 1, 0);
    c.LineTo(cx - 1, h);
  };
  if (CrossShown) cross(CrossX, CrossY);
  cross(x, y);
  c.SetPenColor(clWhite);
  c.SetPenStyle(psSolid);
  CrossX = x;
  CrossY = y;
  CrossShown = true;

  if (!shift && view_.ViewWidth != 0) {
    const double s = Scale();
    const TAcadPoint p = ScreenPoint(PixelPoint{x, y});
    picture_.SetStatusPanel(1, Format("W= %.2f , H= %.2f", w * s, s * h));
    picture_.SetStatusPanel(2, Format("X= %.2f , Y= %.2f", p.x, p.y));
    if (BandFlag && x != LastPoint.x && y != LastPoint.y) {
      BandPen(c);
      c.Rectangle(DownPoint.x, DownPoint.y, LastPoint.x, LastPoint.y);
      c.Rectangle(DownPoint.x, DownPoint.y, x, y);
      c.SetPenMode(PenMode::Copy);
      LastPoint = PixelPoint{x, y};
    } else if (PanFlag && x != LastPoint.x && y != LastPoint.y && !PanBusy) {
      PanBusy = true;
      const TAcadPoint from = ScreenPoint(LastPoint), to = ScreenPoint(PixelPoint{x, y});
      const TAcadPoint center{view_.ViewCenter.x + from.x - to.x, view_.ViewCenter.y + from.y - to.y,
                              view_.ViewCenter.z};
      picture_.ReplacePicture([&](Canvas& canvas) { Draw(canvas, center, ButtonMode(), false, true); });
      PanBusy = false;
      // The preview replaced the picture, cross-hair and all.
      CrossShown = false;
      return;
    }
  }
  picture_.ShowPicture(false);
}

void DetailView::Image1MouseUp(MouseButton button, bool shift, int x, int y) {
  if (shift) {
    if (PickLine >= 0 && PickLine < static_cast<int>(d_.EntLineAry.size())) {
      const TAcadLineBlk& line = d_.EntLineAry[PickLine];
      const double len = Distance2D(line.st, line.ed);
      std::u16string text = Bracketed(line.layer) + u" 長さ = " + Format("%.3f", len);
      const TAcadPoint q = PolarPoint(line.st, Angle2D(line.st, line.ed) + kPi / 2, 1000);
      TAcadPoint f;
      if (IntersectLines(line.st, q, PrevLine.st, PrevLine.ed, false, f)) {
        const double dist = Distance2D(f, line.st);
        if (dist < 1e12) text += u" 相互距離 = " + Format("%.3f", dist);
      }
      picture_.SetStatusPanel(0, text);
      PrevLine = line;
    }
    Canvas& c = picture_.PictureCanvas();
    DrawPickHighlight(c);
    c.SetPenMode(PenMode::Copy);
    picture_.ShowPicture(false);
    return;
  }
  CrossShown = BandFlag = PanFlag = false;
  const double start = picture_.Seconds();
  const TAcadPoint down = ScreenPoint(DownPoint), up = ScreenPoint(PixelPoint{x, y});
  bool noCull = false;
  if (button == MouseButton::Middle) {
    view_.ViewCenter.x += down.x - up.x;
    view_.ViewCenter.y += down.y - up.y;
  } else {
    const double dx = (x - DownPoint.x) / pixelRatio, dy = (y - DownPoint.y) / pixelRatio;
    if (dx > kDragPixels && dy > kDragPixels) {
      SaveView();
      view_.ViewCenter = TAcadPoint{(down.x + up.x) / 2, (down.y + up.y) / 2, (down.z + up.z) / 2};
      view_.ViewWidth = up.x - down.x;
      view_.ViewHeight = down.y - up.y;
    } else if (dx > kDragPixels && dy < -kDragPixels) {
      SaveView();
      view_ = FitToExtents(d_);
      noCull = true;
    } else if (dx < -kDragPixels && dy < -kDragPixels) {
      SaveView();
      view_.ViewWidth *= 2;
      view_.ViewHeight *= 2;
    } else if (dx < -kDragPixels && dy > kDragPixels) {
      view_.ViewWidth = prev.PrevWidth;
      view_.ViewHeight = prev.PrevHeight;
      view_.ViewCenter = prev.PrevCenter;
    } else {
      view_.ViewCenter = TAcadPoint{(down.x + up.x) / 2, (down.y + up.y) / 2, (down.z + up.z) / 2};
    }
  }
  RedrawOffScreen(ButtonMode(), noCull);
  picture_.SetStatusPanel(3, Format("%.2f", picture_.Seconds() - start));
}

bool DetailView::MouseWheel(bool up, int x, int y, bool detailPageActive) {
  CrossShown = false;
  if (!detailPageActive || x < 0 || y < 0 || x >= picture_.PictureWidth() || y >= picture_.PictureHeight())
    return false;
  const TAcadPoint m = ScreenPoint(PixelPoint{x, y});
  SaveView();
  const double f = up ? 0.5 : 2;
  view_.ViewWidth *= f;
  view_.ViewHeight *= f;
  view_.ViewCenter.x = m.x - (m.x - view_.ViewCenter.x) * f;
  view_.ViewCenter.y = m.y - (m.y - view_.ViewCenter.y) * f;
  if (!WheelBusy) {
    WheelBusy = true;
    RedrawOffScreen(ButtonMode(), false);
    WheelBusy = false;
  }
  return true;
}

void DetailView::PanByTenths(int right, int up) {
  CrossShown = false;
  const double s = Scale();
  view_.ViewCenter.x += right * picture_.PictureWidth() * s / 10;
  view_.ViewCenter.y += up * picture_.PictureHeight() * s / 10;
  RedrawOffScreen(ButtonMode(), false);
}

void DetailView::ZoomAboutCentre(bool in) {
  CrossShown = false;
  SaveView();
  const double f = in ? 0.5 : 2;
  view_.ViewWidth *= f;
  view_.ViewHeight *= f;
  RedrawOffScreen(ButtonMode(), false);
}

void DetailView::FitAll() {
  CrossShown = false;
  SaveView();
  view_ = FitToExtents(d_);
  RedrawOffScreen(ButtonMode(), true);
}

void DetailView::SpeedButton1Click() {
  buttonMono_ = !buttonMono_;
  RedrawInPlace(ButtonMode(), false);
}

void DetailView::RedrawWithMonoFlag() {
  CrossShown = false;
  RedrawOffScreen(MonoFlag, false);
}

void DetailView::Pick(int x, int y) {
  const TAcadPoint p = ScreenPoint(PixelPoint{x, y});
  std::optional<double> best;
  enum class Kind { None, Line, Circle, Arc, Text } kind = Kind::None;
  int index = -1;
  auto offer = [&](double dist, Kind k, std::size_t i) {
    if (!best || dist < *best) {
      best = dist;
      kind = k;
      index = static_cast<int>(i);
    }
  };
  for (std::size_t i = 0; i < d_.EntLineAry.size(); ++i) {
    const TAcadLineBlk& r = d_.EntLineAry[i];
    if (!LayerVisible(d_, r.layer)) continue;
    const double a = Angle2D(r.st, r.ed) + kPi / 2;
    TAcadPoint f;
    if (IntersectLines(PolarPoint(p, a, -1000000), PolarPoint(p, a, 1000000), r.st, r.ed, true, f))
      offer(Distance2D(p, f), Kind::Line, i);
  }
  // Arcs count on their whole circle, as circles do.
  auto onCircle = [&](TAcadPoint center, double radius) {
    return Distance2D(p, PolarPoint(center, Angle2D(center, p), radius));
  };
  for (std::size_t i = 0; i < d_.EntCircleAry.size(); ++i) {
    const TCircleBlk& r = d_.EntCircleAry[i];
    if (LayerVisible(d_, r.layer)) offer(onCircle(r.center, r.hankei), Kind::Circle, i);
  }
  for (std::size_t i = 0; i < d_.EntArcAry.size(); ++i) {
    const TArcBlk& r = d_.EntArcAry[i];
    if (LayerVisible(d_, r.layer)) offer(onCircle(r.center, r.hankei), Kind::Arc, i);
  }
  for (std::size_t i = 0; i < d_.EntTextAry.size(); ++i) {
    const TTextBlk& r = d_.EntTextAry[i];
    if (!LayerVisible(d_, r.layer)) continue;
    offer(Distance2D(p, r.code72 != 0 || r.code73 != 0 ? r.pt11 : r.pt10), Kind::Text, i);
  }
  switch (kind) {
    case Kind::None: return;
    case Kind::Line: PickLine = index; break;
    case Kind::Circle: {
      PickCircle = index;
      const TCircleBlk& r = d_.EntCircleAry[index];
      picture_.SetStatusPanel(0, Bracketed(r.layer) + u" 円半径 = " + Format("%.3f", r.hankei));
      break;
    }
    case Kind::Arc: {
      PickArc = index;
      const TArcBlk& r = d_.EntArcAry[index];
      picture_.SetStatusPanel(0, Bracketed(r.layer) + u" 円弧半径 = " + Format("%.3f", r.hankei));
      break;
    }
    case Kind::Text: {
      PickText = index;
      const TTextBlk& r = d_.EntTextAry[index];
      picture_.SetStatusPanel(0, Bracketed(r.layer) + u" 文字高さ = " + Format("%.3f", r.code40) + u" \"" + r.str +
                                     u"\"");
      break;
    }
  }
  Canvas& c = picture_.PictureCanvas();
  DrawPickHighlight(c);
  picture_.ShowPicture(false);
}

// Drawn with an inverting pen, so drawing it twice leaves the picture as it
// was.
void DetailView::DrawPickHighlight(Canvas& c) {
  if (PickLine < 0 && PickCircle < 0 && PickArc < 0 && PickText < 0) return;
  const int w = picture_.PictureWidth(), h = picture_.PictureHeight();
  double s = 0;
  if (!ViewScale(view_.ViewWidth, view_.ViewHeight, w, h, kFitRatio, s)) return;
  const PixelPoint centre{w / 2, h / 2};
  const TAcadPoint vc = view_.ViewCenter;
  c.SetPenMode(PenMode::Not);
  if (PickLine >= 0 && PickLine < static_cast<int>(d_.EntLineAry.size())) {
    const TAcadLineBlk& r = d_.EntLineAry[PickLine];
    DrawLine(c, centre, Minus(r.st, vc), Minus(r.ed, vc), s, psSolid, kHighlightWidth, clWhite);
  } else if (PickCircle >= 0 && PickCircle < static_cast<int>(d_.EntCircleAry.size())) {
    const TCircleBlk& r = d_.EntCircleAry[PickCircle];
    DrawArc(c, centre, Minus(r.center, vc), s, r.hankei, 0, 0, psSolid, kHighlightWidth, clWhite);
  } else if (PickArc >= 0 && PickArc < static_cast<int>(d_.EntArcAry.size())) {
    const TArcBlk& r = d_.EntArcAry[PickArc];
    DrawArc(c, centre, Minus(r.center, vc), s, r.hankei, r.st * kDegToRad, r.ed * kDegToRad, psSolid,
            kHighlightWidth, clWhite);
  } else if (PickText >= 0 && PickText < static_cast<int>(d_.EntTextAry.size())) {
    const TTextBlk& r = d_.EntTextAry[PickText];
    const TAcadPoint anchor = r.code72 != 0 || r.code73 != 0 ? r.pt11 : r.pt10;
    DrawArc(c, centre, Minus(anchor, vc), s, r.code40, 0, 0, psSolid, kHighlightWidth, clWhite);
  }
}

void DetailView::CheckListBox1ClickCheck(const LayerChecks& items) {
  SyncLayerVisibility(d_, items);
  RedrawInPlace(MonoFlag, false);
}

void DetailView::CheckListBox1Click(const LayerChecks& items, const std::optional<std::u16string>& selected,
                                    bool blink) {
  CrossShown = false;
  SyncLayerVisibility(d_, items);
  if (!blink || !selected) return;
  const int w = picture_.PictureWidth(), h = picture_.PictureHeight();
  Canvas& c = picture_.PictureCanvas();
  c.SetPenMode(PenMode::Not);
  c.SetPenStyle(psSolid);
  auto flash = [&] {
    return DrawDxf(d_, *selected, view_.ViewCenter, clBlack, view_.ViewWidth, view_.ViewHeight, kBlinkWidth, c,
                   PixelPoint{w / 2, h / 2}, w, h, kFitRatio, MonoFlag, false, false);
  };
  int n = 0;
  for (int k = 0; k < kBlinks; ++k) {
    n = flash();
    if (n <= 0) break;
    picture_.ShowPicture(true);
    picture_.Pause(kBlinkPause);
    flash();
    picture_.ShowPicture(true);
    if (k + 1 < kBlinks) picture_.Pause(kBlinkPause);
  }
  c.SetPenWidth(1);
  c.SetPenMode(PenMode::Copy);
  if (n > 0) RedrawInPlace(MonoFlag, false);
}

void DetailView::ListBox1Click(int position, int tag) {
  CrossShown = false;
  const int count = static_cast<int>(d_.EntTextAry.size());
  if (position < 0 || count == 0 || position >= count || tag < 0 || tag >= count) return;
  view_.ViewCenter = TextAnchor(d_.EntTextAry[tag]);
  RedrawOffScreen(MonoFlag, false, [&](Canvas& c) {
    // An arrow-head pointing at the text from the lower left.
    const int w = picture_.PictureWidth(), h = picture_.PictureHeight();
    const int cx = w / 2, cy = h / 2, e = h / 8;
    c.SetPenMode(PenMode::Not);
    c.SetPenStyle(psSolid);
    c.SetPenWidth(2);
    c.MoveTo(cx, cy);
    c.LineTo(cx - e, cy + e / 2);
    c.LineTo(cx - e / 2, cy + e);
    c.LineTo(cx, cy);
    c.SetPenWidth(1);
    c.SetPenMode(PenMode::Copy);
  });
}

void DetailView::ComboBox1Change(int position, const std::u16string& text) {
  const Integer a = position >= 1 ? ViewIndex(d_, text) : -1;
  SaveView();
  bool noCull = false;
  if (a < 0) {
    view_ = FitToExtents(d_);
    noCull = true;
  } else {
    const TViewTbl& v = d_.ViewAry[a];
    view_.ViewWidth = v.width;
    view_.ViewHeight = v.height;
    view_.ViewCenter = v.center;
  }
  CrossShown = false;
  RedrawOffScreen(MonoFlag, noCull);
}

TColor ContrastColor(TColor c) {
  auto lin = [](unsigned channel) {
    const double x = channel / 255.0;
    return x > 0.03928 ? std::pow((x + 0.055) / 1.055, 2.0) : x / 12.92;
  };
  // The weights fall on the channels the way the program has always had
  // them (0.2126 on blue, 0.0722 on red): the list's text colours depend on it.
  auto luminance = [&](TColor v) {
    return 0.2126 * lin((v >> 16) & 0xFF) + 0.7152 * lin((v >> 8) & 0xFF) + 0.0722 * lin(v & 0xFF);
  };
  const double own = luminance(c);
  double best = 0;
  TColor answer = 0;
  for (Integer i = 0; i <= 256; ++i) {
    const TColor candidate = AciToColor(i);
    const double d = std::fabs(own - luminance(candidate));
    if (d > best) {
      best = d;
      answer = candidate;
    }
  }
  return answer;
}

void SyncLayerVisibility(Drawing& d, const DetailView::LayerChecks& items) {
  for (const auto& [name, checked] : items) SetLayerVisible(d, name, checked);
}

bool ListOrder(const std::u16string& a, const std::u16string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
    if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

std::vector<TextListItem> SearchTexts(const Drawing& d, const std::u16string& search) {
  std::vector<TextListItem> items;
  for (std::size_t i = 0; i < d.EntTextAry.size(); ++i) {
    const TTextBlk& t = d.EntTextAry[i];
    if (t.code70 != 0) continue;
    if (search.empty() || t.str.find(search) != std::u16string::npos)
      items.push_back({t.str, static_cast<int>(i)});
  }
  std::stable_sort(items.begin(), items.end(),
                   [](const TextListItem& a, const TextListItem& b) { return ListOrder(a.text, b.text); });
  return items;
}

TAcadPoint TextAnchor(const TTextBlk& t) {
  if (t.code71 > 0) return t.pt10;
  if ((t.code72 == 0 || t.code72 == 3 || t.code72 == 5) && t.code73 == 0) return t.pt10;
  return t.pt11;
}

}  // namespace vantrel
