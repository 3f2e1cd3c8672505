#include "render/QtCanvas.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPen>
#include <QString>

#include <algorithm>
#include <mutex>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "geometry/AcadCtrl2016.h"

namespace vantrel {

namespace {

QColor ToQColor(TColor c) { return QColor(ColorToQRgb(c)); }

QPainter::CompositionMode ToComposition(PenMode mode) {
  switch (mode) {
    case PenMode::Not: return QPainter::RasterOp_NotDestination;
    case PenMode::Xor: return QPainter::RasterOp_SourceXorDestination;
    case PenMode::NotXor: return QPainter::RasterOp_NotSourceXorDestination;
    case PenMode::Copy: break;
  }
  return QPainter::CompositionMode_SourceOver;
}

// Fills, pixels and text are copied whatever the pen's raster mode, as
// GDI's are; the mode comes back when the scope ends.
class CopyModeScope {
 public:
  explicit CopyModeScope(QPainter& painter) : painter_(painter), mode_(painter.compositionMode()) {
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
  ~CopyModeScope() { painter_.setCompositionMode(mode_); }
  CopyModeScope(const CopyModeScope&) = delete;
  CopyModeScope& operator=(const CopyModeScope&) = delete;

 private:
  QPainter& painter_;
  QPainter::CompositionMode mode_;
};

// GDI's cosmetic dash patterns in pixels. Qt's own Qt::DotLine and friends
// are multiples of the pen width and look different from what users of the
// program know.
struct Dashes {
  int count = 0;  // 0 for a solid pen
  int length[6] = {};
};

Dashes DashPattern(TPenStyle style) {
  switch (style) {
    case psDash: return {2, {18, 6}};
    case psDot: return {2, {3, 3}};
    case psDashDot: return {4, {9, 6, 3, 6}};
    case psDashDotDot: return {6, {9, 3, 3, 3, 3, 3}};
    default: return {};
  }
}

// Angle of the ray from the box centre through (x, y), counter-clockwise as
// seen, turned into the angle Qt measures arcs by: Qt places an arc angle on
// the unit circle before stretching it onto the ellipse, GDI takes the ray.
double ArcParameterDegrees(double cx, double cy, double rx, double ry, int x, int y) {
  const double dx = x - cx;
  const double dy = cy - y;
  return std::atan2(dy / ry, dx / rx) * kRadToDeg;
}

// Pixels of thin pens written straight into the image. Qt's cosmetic
// stroker and its pen changes cost several hundred nanoseconds per short
// line, which a drawing of a million records cannot afford; a pen of one
// pixel needs nothing but Bresenham and the four raster modes. Dashes count
// plotted pixels as GDI's cosmetic pens do.
class ThinPenWriter {
 public:
  // Up to this radius in pixels curves are traced pixel by pixel.
  static constexpr double kTracedRadius = 32;

  ThinPenWriter(QRgb* bits, int stride, int width, int height, PenMode mode, TColor colour,
                TPenStyle style)
      : bits_(bits), stride_(stride), width_(width), height_(height), mode_(mode) {
    colour_ = ColorToQRgb(colour);
    dashes_ = DashPattern(style);
    for (int i = 0; i < dashes_.count; ++i) dashPeriod_ += dashes_.length[i];
  }

  // The part of the ellipse inscribed in the box (edges inclusive) from the
  // ray through the start point counter-clockwise (as seen) to the ray
  // through the end point, the pixels on the end ray left out. A curve of a
  // few dozen pixels is built pixel by pixel from one quadrant mirrored
  // into the others, so small circles come out round and symmetric; a
  // larger one goes as chords. from and sweep are Qt's parameter angles of
  // the same rays, for the chords.
  static bool Traced(int l, int t, int r, int b) {
    return std::max(r - l, b - t) / 2.0 <= kTracedRadius;
  }

  // A larger curve as chords; from and sweep are Qt's parameter angles of
  // its rays.
  void LargeCurve(int l, int t, int r, int b, double from, double sweep) {
    Chords((l + r) / 2.0, (t + b) / 2.0, (r - l) / 2.0, (b - t) / 2.0, from, sweep);
  }

  // A traced curve; points is the ellipse of its box's size with the box's
  // corner at the origin (BuildRing), angles their pseudo-angles about its
  // centre.
  void Curve(int l, int t, int r, int b, int xs, int ys, int xe, int ye, const std::vector<QPoint>& points,
             const std::vector<double>& angles) {
    const double cx = (l + r) / 2.0, cy = (t + b) / 2.0;
    const QPoint corner(l, t);
    const double ps = PseudoAngle(xs - cx, cy - ys);
    double span = PseudoAngle(xe - cx, cy - ye) - ps;
    if (span <= 0) span += 4;
    // A whole circle from angle 0, the usual case, needs no angles at all.
    const bool whole = span >= 4;
    const std::size_t n = points.size();
    std::size_t first = 0;
    if (ps > 0)
      while (first < n && angles[first] < ps) ++first;
    QPoint previous;
    std::size_t at = first;
    for (std::size_t k = 0; k < n; ++k, ++at) {
      if (at == n) at = 0;
      if (!whole) {
        double rel = angles[at] - ps;
        if (rel < 0) rel += 4;
        if (rel >= span) break;
      }
      const QPoint p = points[at] + corner;
      // Neighbours on the ring mostly touch; only a gap needs a stroke.
      if (k > 0 && (std::abs(p.x() - previous.x()) > 1 || std::abs(p.y() - previous.y()) > 1))
        Segment(previous.x(), previous.y(), p.x(), p.y());
      Plot(p.x(), p.y());
      previous = p;
    }
  }

  // The whole ellipse, counter-clockwise from angle 0, each pixel once.
  static void BuildRing(int l, int t, int r, int b, std::vector<QPoint>& ring) {
    const double cx = (l + r) / 2.0, cy = (t + b) / 2.0;
    const double rx = (r - l) / 2.0, ry = (b - t) / 2.0;
    const double diagonal = std::sqrt(rx * rx + ry * ry);
    const double uTurn = rx * rx / diagonal, vTurn = ry * ry / diagonal;
    ring.clear();
    // The first quadrant: one pixel per row while the curve is steep, then
    // one per column; a pixel between two that touch diagonally is dropped,
    // so the curve stays one pixel thin.
    auto add = [&ring](QPoint p) {
      const std::size_t n = ring.size();
      if (n > 0 && ring[n - 1] == p) return;
      if (n > 1 && std::abs(ring[n - 2].x() - p.x()) <= 1 && std::abs(ring[n - 2].y() - p.y()) <= 1) {
        ring[n - 1] = p;
        return;
      }
      ring.push_back(p);
    };
    for (int y = static_cast<int>(std::floor(cy)); cy - y <= vTurn; --y) {
      const double v = cy - y;
      const double u = rx * std::sqrt(std::max(0.0, 1 - v * v / (ry * ry)));
      add(QPoint(static_cast<int>(std::floor(cx + u + 0.5)), y));
    }
    for (int x = static_cast<int>(std::floor(cx + uTurn)); x >= static_cast<int>(std::ceil(cx)); --x) {
      const double u = x - cx;
      const double v = ry * std::sqrt(std::max(0.0, 1 - u * u / (rx * rx)));
      add(QPoint(x, static_cast<int>(std::floor(cy - v + 0.5))));
    }
    if (ring.empty()) {
      // A box of a pixel or two: its own pixels.
      for (QPoint p : {QPoint(r, t), QPoint(l, t), QPoint(l, b), QPoint(r, b)})
        if (std::find(ring.begin(), ring.end(), p) == ring.end()) ring.push_back(p);
      return;
    }
    // The other quadrants are mirror images, which keeps the curve
    // symmetric; only where quadrants meet can a pixel repeat.
    const std::size_t q = ring.size();
    auto append = [&ring](QPoint p) {
      if (ring.back() != p) ring.push_back(p);
    };
    for (std::size_t i = q; i-- > 0;) append(QPoint(l + r - ring[i].x(), ring[i].y()));
    for (std::size_t i = 0; i < q; ++i) append(QPoint(l + r - ring[i].x(), t + b - ring[i].y()));
    for (std::size_t i = q; i-- > 0;) append(QPoint(ring[i].x(), t + b - ring[i].y()));
    if (ring.size() > 1 && ring.back() == ring.front()) ring.pop_back();
  }

  // A cheap stand-in for the angle of a direction, increasing with it
  // from 0 (along +x) to 4 (a full turn), y upward.
  static double PseudoAngle(double dx, double dy) {
    const double sum = std::fabs(dx) + std::fabs(dy);
    if (sum == 0) return 0;
    const double p = dx / sum;
    return dy >= 0 ? 1 - p : 3 + p;
  }

  // Large curves as chords within a quarter pixel of the curve: there the
  // polygon no longer shows, and the pixels cost what a line's do.
  void Chords(double cx, double cy, double rx, double ry, double from, double sweep) {
    const double step = 2 * std::acos(1 - 0.25 / std::max(rx, ry));
    const int n = std::clamp(static_cast<int>(std::ceil(sweep / step)), 1, 1 << 20);
    auto pixel = [&](double a) {
      return QPoint(static_cast<int>(std::floor(cx + rx * std::cos(a) + 0.5)),
                    static_cast<int>(std::floor(cy - ry * std::sin(a) + 0.5)));
    };
    QPoint p = pixel(from);
    for (int i = 1; i <= n; ++i) {
      const QPoint q = pixel(from + sweep * i / n);
      Segment(p.x(), p.y(), q.x(), q.y());
      p = q;
    }
  }

  // From (x0, y0) to (x1, y1), the end pixel left out.
  void Segment(int x0, int y0, int x1, int y1) {
    // PERF: most strokes are solid, copied and inside the picture; they go
    // without the per-pixel tests of dashes, modes and bounds.
    if (dashes_.count == 0 && mode_ == PenMode::Copy && Inside(x0, y0) && Inside(x1, y1)) {
      CopySegment(x0, y0, x1, y1);
      return;
    }
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (x0 != x1 || y0 != y1) {
      Plot(x0, y0);
      const int e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x0 += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y0 += sy;
      }
    }
  }

 private:
  bool Inside(int x, int y) const {
    return static_cast<unsigned>(x) < static_cast<unsigned>(width_) &&
           static_cast<unsigned>(y) < static_cast<unsigned>(height_);
  }

  // Segment for a solid copying pen between two pixels of the picture: the
  // same pixels, written straight.
  void CopySegment(int x0, int y0, int x1, int y1) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    const std::ptrdiff_t down = static_cast<std::ptrdiff_t>(sy) * stride_;
    QRgb* p = bits_ + static_cast<std::ptrdiff_t>(y0) * stride_ + x0;
    int err = dx + dy;
    while (x0 != x1 || y0 != y1) {
      *p = colour_;
      lastX_ = x0;
      lastY_ = y0;
      const int e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x0 += sx;
        p += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y0 += sy;
        p += down;
      }
    }
  }

  void Plot(int x, int y) {
    // A polyline's segments meet in one pixel; plotting it twice would undo
    // it in the inverting modes.
    if (x == lastX_ && y == lastY_) return;
    lastX_ = x;
    lastY_ = y;
    if (dashes_.count > 0) {
      int at = dashPosition_++ % dashPeriod_;
      bool on = true;
      for (int i = 0; i < dashes_.count; ++i, on = !on) {
        if (at < dashes_.length[i]) break;
        at -= dashes_.length[i];
      }
      if (!on) return;
    }
    if (static_cast<unsigned>(x) >= static_cast<unsigned>(width_) ||
        static_cast<unsigned>(y) >= static_cast<unsigned>(height_))
      return;
    QRgb& p = bits_[static_cast<std::ptrdiff_t>(y) * stride_ + x];
    switch (mode_) {
      case PenMode::Copy: p = colour_; break;
      case PenMode::Not: p = ~p | 0xFF000000u; break;
      case PenMode::Xor: p ^= colour_ & 0x00FFFFFFu; break;
      case PenMode::NotXor: p = ~(p ^ colour_) | 0xFF000000u; break;
    }
  }

  QRgb* bits_;
  int stride_, width_, height_;
  PenMode mode_;
  QRgb colour_;
  Dashes dashes_;
  int dashPeriod_ = 0;
  int dashPosition_ = 0;
  int lastX_ = INT_MIN, lastY_ = INT_MIN;
};

}  // namespace

namespace {
constexpr int kLargestRealisedCell = 8192;
}  // namespace

QtCanvas::QtCanvas(QImage& image) {
  if (image.format() != QImage::Format_RGB32)
    throw std::invalid_argument("QtCanvas needs a Format_RGB32 image");
  image_ = &image;
  // Taken before the painter starts, so that no detach can move them.
  bits_ = reinterpret_cast<QRgb*>(image.bits());
  painter_.begin(&image);
  painter_.setRenderHint(QPainter::Antialiasing, false);
}

QtCanvas::QtCanvas(QPaintDevice& device) {
  painter_.begin(&device);
  painter_.setRenderHint(QPainter::Antialiasing, false);
}

QtCanvas::~QtCanvas() {
  if (painter_.isActive()) painter_.end();
}

void QtCanvas::SetPenColor(TColor color) {
  penColor_ = color;
  penDirty_ = true;
}

void QtCanvas::SetPenWidth(int width) {
  penWidth_ = width;
  penDirty_ = true;
}

void QtCanvas::SetPenStyle(TPenStyle style) {
  penStyle_ = style;
  penDirty_ = true;
}

void QtCanvas::SetPenMode(PenMode mode) {
  penMode_ = mode;
  painter_.setCompositionMode(ToComposition(mode));
}

void QtCanvas::SetBrushColor(TColor color) { brushColor_ = color; }

void QtCanvas::SetBrushStyle(BrushStyle style) { brushStyle_ = style; }

void QtCanvas::ApplyPen() {
  if (!penDirty_) return;
  penDirty_ = false;
  if (penStyle_ == psClear) {
    painter_.setPen(Qt::NoPen);
    return;
  }
  QPen pen(ToQColor(penColor_));
  const int width = std::max(1, penWidth_);
  if (width == 1) {
    // A cosmetic pen with flat caps leaves out the last pixel of a line, as
    // GDI does; polylines then hit their shared corners once, which matters
    // for the inverting modes.
    pen.setWidth(0);
    pen.setCapStyle(Qt::FlatCap);
  } else {
    pen.setWidth(width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
  }
  const Dashes pattern = DashPattern(penStyle_);
  if (pattern.count > 0) {
    QList<qreal> dashes(pattern.length, pattern.length + pattern.count);
    // Qt measures dashes in pen widths; dividing keeps them in pixels, so a
    // wide dotted pen still shows its linetype at the same rhythm.
    if (width > 1) {
      for (qreal& d : dashes) d /= width;
      pen.setCapStyle(Qt::FlatCap);
    }
    pen.setDashPattern(dashes);
  }
  painter_.setPen(pen);
}

void QtCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  const int left = std::min(x1, x2), right = std::max(x1, x2);
  const int top = std::min(y1, y2), bottom = std::max(y1, y2);
  if (right - left < 1 || bottom - top < 1) return;
  // The interior and the outline are drawn so that they do not overlap:
  // in the xor modes a pixel hit twice would vanish.
  if (!PenDraws()) {
    if (brushStyle_ == BrushStyle::Solid)
      painter_.fillRect(QRect(left, top, right - left, bottom - top), ToQColor(brushColor_));
    return;
  }
  if (brushStyle_ == BrushStyle::Solid && right - left > 2 && bottom - top > 2)
    painter_.fillRect(QRect(left + 1, top + 1, right - left - 2, bottom - top - 2),
                      ToQColor(brushColor_));
  ApplyPen();
  painter_.setBrush(Qt::NoBrush);
  // Qt's outline of a w x h rectangle covers w + 1 by h + 1 pixels.
  painter_.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
}

void QtCanvas::FillRect(const PixelRect& rect) {
  if (brushStyle_ != BrushStyle::Solid) return;
  const int left = std::min(rect.left, rect.right), right = std::max(rect.left, rect.right);
  const int top = std::min(rect.top, rect.bottom), bottom = std::max(rect.top, rect.bottom);
  if (right == left || bottom == top) return;
  const CopyModeScope copy(painter_);
  painter_.fillRect(QRect(left, top, right - left, bottom - top), ToQColor(brushColor_));
}

void QtCanvas::MoveTo(int x, int y) {
  x_ = x;
  y_ = y;
}

bool QtCanvas::ThinPenReaches(int left, int top, int right, int bottom) const {
  // Beyond about a canvas away from the picture Qt's clipping beats walking
  // every pixel of the line.
  if (!bits_ || penWidth_ > 1 || penStyle_ == psClear) return false;
  const int w = image_->width(), h = image_->height();
  return left >= -2 * w && right <= 3 * w && top >= -2 * h && bottom <= 3 * h;
}

void QtCanvas::LineTo(int x, int y) {
  if (PenDraws() && (x != x_ || y != y_)) {
    if (ThinPenReaches(std::min(x, x_), std::min(y, y_), std::max(x, x_), std::max(y, y_))) {
      ThinPenWriter(bits_, image_->bytesPerLine() / 4, image_->width(), image_->height(), penMode_,
                    penColor_, penStyle_)
          .Segment(x_, y_, x, y);
    } else {
      ApplyPen();
      painter_.drawLine(QPoint(x_, y_), QPoint(x, y));
    }
  }
  x_ = x;
  y_ = y;
}

void QtCanvas::Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
                   int yEnd) {
  if (!PenDraws()) return;
  const int l = std::min(left, right), r = std::max(left, right);
  const int t = std::min(top, bottom), b = std::max(top, bottom);
  if (r == l || b == t) return;
  // The box is taken as spanning left..right inclusive, so that an arc
  // meets the lines drawn to its end points instead of one pixel short.
  const bool thin = ThinPenReaches(l, t, r, b);
  if (thin && ThinPenWriter::Traced(l, t, r, b)) {
    ThinPenWriter writer(bits_, image_->bytesPerLine() / 4, image_->width(), image_->height(),
                         penMode_, penColor_, penStyle_);
    const TracedRing& ring = RingOf(r - l, b - t);
    writer.Curve(l, t, r, b, xStart, yStart, xEnd, yEnd, ring.points, ring.angles);
    return;
  }
  const QRectF box(l, t, r - l, b - t);
  const double cx = (l + r) / 2.0, cy = (t + b) / 2.0;
  const double rx = (r - l) / 2.0, ry = (b - t) / 2.0;
  const double a1 = ArcParameterDegrees(cx, cy, rx, ry, xStart, yStart);
  const double a2 = ArcParameterDegrees(cx, cy, rx, ry, xEnd, yEnd);
  double span = a2 - a1;
  while (span <= 0) span += 360;
  while (span > 360) span -= 360;
  if (thin) {
    ThinPenWriter writer(bits_, image_->bytesPerLine() / 4, image_->width(), image_->height(),
                         penMode_, penColor_, penStyle_);
    writer.LargeCurve(l, t, r, b, a1 / kRadToDeg, span / kRadToDeg);
    return;
  }
  QPainterPath path;
  path.arcMoveTo(box, a1);
  path.arcTo(box, a1, span);
  ApplyPen();
  painter_.setBrush(Qt::NoBrush);
  painter_.drawPath(path);
}

const QtCanvas::TracedRing& QtCanvas::RingOf(int width, int height) {
  // PERF: a ring depends on its box's size alone, and a view holds few sizes
  // of small circles and arcs; building each ring and the angles of its
  // pixels once per canvas saves most of the cost of a million small
  // curves.
  TracedRing& ring = rings_[width * 65536 + height];
  if (ring.points.empty()) {
    ThinPenWriter::BuildRing(0, 0, width, height, ring.points);
    const double cx = width / 2.0, cy = height / 2.0;
    ring.angles.reserve(ring.points.size());
    for (const QPoint& p : ring.points) ring.angles.push_back(ThinPenWriter::PseudoAngle(p.x() - cx, cy - p.y()));
  }
  return ring;
}

void QtCanvas::Polygon(std::span<const PixelPoint> points, std::span<const int> ringSizes) {
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  std::size_t at = 0;
  for (int size : ringSizes) {
    if (size < 0 || at + static_cast<std::size_t>(size) > points.size()) break;
    if (size >= 2) {
      path.moveTo(points[at].x, points[at].y);
      for (int i = 1; i < size; ++i) path.lineTo(points[at + i].x, points[at + i].y);
      path.closeSubpath();
    }
    at += static_cast<std::size_t>(size);
  }
  if (path.isEmpty()) return;
  ApplyPen();
  painter_.setBrush(brushStyle_ == BrushStyle::Solid ? QBrush(ToQColor(brushColor_)) : QBrush(Qt::NoBrush));
  painter_.drawPath(path);
  painter_.setBrush(Qt::NoBrush);
}

void QtCanvas::SetPixel(int x, int y, TColor color) {
  if (bits_) {
    if (x >= 0 && y >= 0 && x < image_->width() && y < image_->height())
      bits_[static_cast<std::ptrdiff_t>(y) * (image_->bytesPerLine() / 4) + x] = ColorToQRgb(color);
    return;
  }
  const CopyModeScope copy(painter_);
  painter_.fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

void QtCanvas::SetFont(const CanvasFont& font) { font_ = font; }

void QtCanvas::SetFontColor(TColor color) { fontColor_ = color; }

constexpr int kUnhintedCell = 48;

void QtCanvas::RealiseFont() {
  // The renderer sets each text's font and then puts the previous one back;
  // the next text of the same size then finds its font still made.
  if (qtFont_ && realisedFor_ == font_) return;
  QFont f(QString::fromStdU16String(font_.face));
  // The hint alone does not stop antialiasing with every font engine.
  f.setStyleStrategy(QFont::NoAntialias);
  if (font_.weight > 0) f.setWeight(font_.weight >= 600 ? QFont::Bold : QFont::Normal);
  f.setItalic(font_.italic);
  if (ratioFace_ != font_.face || ratioWeight_ != font_.weight || ratioItalic_ != font_.italic ||
      cellRatio_ <= 0) {
    // GDI sizes a font by its whole cell (ascent plus descent), Qt by the
    // em; the ratio of the two is the face's own.
    QFont probe(f);
    probe.setPixelSize(1000);
    const QFontMetricsF m(probe);
    cellRatio_ = (m.ascent() + m.descent()) / 1000.0;
    if (!(cellRatio_ > 0)) cellRatio_ = 1;
    ratioFace_ = font_.face;
    ratioWeight_ = font_.weight;
    ratioItalic_ = font_.italic;
  }
  int cell = font_.height > 0 ? font_.height : (font_.height < 0 ? -font_.height : 16);
  double width = std::abs(font_.width);
  // Qt's font metrics overflow a little beyond 30000 pixels, and a deep zoom
  // into a text asks for far more: such a font is made smaller and the
  // painter scaled up.
  fontScale_ = 1;
  if (cell > kLargestRealisedCell) {
    fontScale_ = static_cast<double>(cell) / kLargestRealisedCell;
    cell = kLargestRealisedCell;
    width /= fontScale_;
  }
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(cell / cellRatio_))));
  // Hinting is for small glyphs; on big ones the instructions of faces
  // such as DejaVu cost more than a zoomed view's whole picture.
  if (cell >= kUnhintedCell) f.setHintingPreference(QFont::PreferNoHinting);
  if (width > 0) {
    // GDI stretches a face until its average character width is the one
    // asked for; Qt's stretch is a percentage of the natural width.
    const double natural = QFontMetricsF(f).averageCharWidth();
    if (natural > 0)
      f.setStretch(std::clamp(static_cast<int>(std::lround(100.0 * width / natural)), 1, 4000));
  }
  ascent_ = QFontMetrics(f).ascent();
  qtFont_ = f;
  realisedFor_ = font_;
}

int QtCanvas::TextWidth(const std::u16string& text) {
  RealiseFont();
  const int w = QFontMetrics(*qtFont_).horizontalAdvance(QString::fromStdU16String(text));
  return fontScale_ == 1 ? w : static_cast<int>(std::lround(w * fontScale_));
}

FaceShape QtCanvas::ShapeOf(const std::u16string& face, int weight, bool italic) {
  // Texts one after another mostly ask about one face.
  if (haveLastShape_ && lastShapeWeight_ == weight && lastShapeItalic_ == italic && lastShapeFace_ == face)
    return lastShape_;
  std::u16string key = face;
  key += weight >= 600 ? u"|b" : u"|r";
  key += italic ? u"|i" : u"|u";
  auto remember = [&](const FaceShape& shape) {
    lastShapeFace_ = face;
    lastShapeWeight_ = weight;
    lastShapeItalic_ = italic;
    lastShape_ = shape;
    haveLastShape_ = true;
    return shape;
  };
  // Faces are the same for every canvas of the process, and measuring one
  // costs more than a fitted view of thousands of texts: the shapes are
  // kept for all canvases.
  static std::mutex shapesLock;
  static std::unordered_map<std::u16string, FaceShape> shapes;
  const std::lock_guard<std::mutex> guard(shapesLock);
  if (auto it = shapes.find(key); it != shapes.end()) return remember(it->second);
  QFont f(QString::fromStdU16String(face));
  if (weight > 0) f.setWeight(weight >= 600 ? QFont::Bold : QFont::Normal);
  f.setItalic(italic);
  f.setPixelSize(1000);
  const QFontMetricsF m(f);
  FaceShape shape;
  const double cell = m.ascent() + m.descent();
  if (cell > 0) {
    shape.ascent = m.ascent() / cell;
    // Faces without the figures in their tables answer 0 or the ascent.
    if (m.capHeight() > 0 && m.capHeight() < m.ascent()) shape.capHeight = m.capHeight() / cell;
    if (m.xHeight() > 0 && m.xHeight() < m.ascent()) shape.xHeight = m.xHeight() / cell;
    if (m.averageCharWidth() > 0) shape.averageWidth = m.averageCharWidth() / cell;
    shape.em = 1000 / cell;
  }
  shapes.emplace(std::move(key), shape);
  return remember(shape);
}

void QtCanvas::TextOut(int x, int y, const std::u16string& text) {
  if (text.empty()) return;
  RealiseFont();
  const CopyModeScope copy(painter_);
  QFont font = *qtFont_;
  double stretch = 1;
  // SVG keeps no font stretch, and readers would draw the wider natural
  // glyphs at the narrow positions; a scale says the same to every reader.
  const QPaintEngine* engine = painter_.paintEngine();
  if (engine && engine->type() == QPaintEngine::SVG && font.stretch() > 0 && font.stretch() != 100) {
    stretch = font.stretch() / 100.0;
    font.setStretch(100);
  }
  painter_.setFont(font);
  painter_.setPen(ToQColor(fontColor_));
  penDirty_ = true;
  const QString s = QString::fromStdU16String(text);
  if (font_.escapement == 0 && fontScale_ == 1 && stretch == 1 && font_.slant == 0 && font_.mirror == 0) {
    painter_.drawText(QPoint(x, y + ascent_), s);
  } else {
    painter_.translate(x, y);
    painter_.rotate(-font_.escapement / 10.0);
    if (font_.mirror != 0) painter_.scale((font_.mirror & 1) ? -1 : 1, (font_.mirror & 2) ? -1 : 1);
    painter_.scale(fontScale_ * stretch, fontScale_);
    painter_.translate(0, ascent_);
    // The lean is about the base line, in pixels of the picture: the
    // horizontal scale above must not change its angle.
    if (font_.slant != 0)
      painter_.shear(-std::tan(font_.slant / 10.0 * 3.14159265358979323846 / 180) / stretch, 0);
    painter_.drawText(QPoint(0, 0), s);
    painter_.resetTransform();
  }
}

}  // namespace vantrel
