#include "render/QtCanvas.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintDevice>
#include <QPainterPath>
#include <QPen>
#include <QString>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace vantrel {

namespace {

constexpr double kRadToDegree = 57.29577951308232;

QColor ToQColor(TColor c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

QRgb ToQRgb(TColor c) {
  return qRgb(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
              static_cast<int>((c >> 16) & 0xFF));
}

QPainter::CompositionMode ToComposition(PenMode mode) {
  switch (mode) {
    case PenMode::Not: return QPainter::RasterOp_NotDestination;
    case PenMode::Xor: return QPainter::RasterOp_SourceXorDestination;
    case PenMode::NotXor: return QPainter::RasterOp_NotSourceXorDestination;
    case PenMode::Copy: break;
  }
  return QPainter::CompositionMode_SourceOver;
}

// GDI's cosmetic dash patterns in pixels. Qt's own Qt::DotLine and friends
// are multiples of the pen width and look different from what users of the
// program know.
QList<qreal> DashPattern(TPenStyle style) {
  switch (style) {
    case psDash: return {18, 6};
    case psDot: return {3, 3};
    case psDashDot: return {9, 6, 3, 6};
    case psDashDotDot: return {9, 3, 3, 3, 3, 3};
    default: return {};
  }
}

// Angle of the ray from the box centre through (x, y), counter-clockwise as
// seen, turned into the angle Qt measures arcs by: Qt places an arc angle on
// the unit circle before stretching it onto the ellipse, GDI takes the ray.
double ArcParameterDegrees(double cx, double cy, double rx, double ry, int x, int y) {
  const double dx = x - cx;
  const double dy = cy - y;
  return std::atan2(dy / ry, dx / rx) * kRadToDegree;
}

}  // namespace

QtCanvas::QtCanvas(QImage& image) {
  if (image.format() != QImage::Format_RGB32)
    throw std::invalid_argument("QtCanvas needs a Format_RGB32 image");
  image_ = &image;
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
  QList<qreal> dashes = DashPattern(penStyle_);
  if (!dashes.isEmpty()) {
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
  painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_.fillRect(QRect(left, top, right - left, bottom - top), ToQColor(brushColor_));
  painter_.setCompositionMode(ToComposition(penMode_));
}

void QtCanvas::MoveTo(int x, int y) {
  x_ = x;
  y_ = y;
}

void QtCanvas::LineTo(int x, int y) {
  if (PenDraws() && (x != x_ || y != y_)) {
    ApplyPen();
    painter_.drawLine(QPoint(x_, y_), QPoint(x, y));
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
  const QRectF box(l, t, r - l, b - t);
  const double cx = (l + r) / 2.0, cy = (t + b) / 2.0;
  const double rx = (r - l) / 2.0, ry = (b - t) / 2.0;
  const double a1 = ArcParameterDegrees(cx, cy, rx, ry, xStart, yStart);
  const double a2 = ArcParameterDegrees(cx, cy, rx, ry, xEnd, yEnd);
  double span = a2 - a1;
  while (span <= 0) span += 360;
  while (span > 360) span -= 360;
  QPainterPath path;
  path.arcMoveTo(box, a1);
  path.arcTo(box, a1, span);
  ApplyPen();
  painter_.setBrush(Qt::NoBrush);
  painter_.drawPath(path);
}

void QtCanvas::SetPixel(int x, int y, TColor color) {
  if (image_) {
    if (x >= 0 && y >= 0 && x < image_->width() && y < image_->height())
      reinterpret_cast<QRgb*>(image_->scanLine(y))[x] = ToQRgb(color);
    return;
  }
  painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_.fillRect(QRect(x, y, 1, 1), ToQColor(color));
  painter_.setCompositionMode(ToComposition(penMode_));
}

void QtCanvas::SetFont(const CanvasFont& font) {
  if (font == font_ && qtFont_) return;
  font_ = font;
  qtFont_.reset();
}

void QtCanvas::SetFontColor(TColor color) { fontColor_ = color; }

void QtCanvas::RealiseFont() {
  if (qtFont_) return;
  QFont f(QString::fromStdU16String(font_.face));
  // The hint alone does not stop antialiasing with every font engine.
  f.setStyleStrategy(QFont::NoAntialias);
  if (ratioFace_ != font_.face || cellRatio_ <= 0) {
    // GDI sizes a font by its whole cell (ascent plus descent), Qt by the
    // em; the ratio of the two is the face's own.
    QFont probe(f);
    probe.setPixelSize(1000);
    const QFontMetricsF m(probe);
    cellRatio_ = (m.ascent() + m.descent()) / 1000.0;
    if (!(cellRatio_ > 0)) cellRatio_ = 1;
    ratioFace_ = font_.face;
  }
  const int cell = font_.height > 0 ? font_.height : (font_.height < 0 ? -font_.height : 16);
  f.setPixelSize(std::max(1, static_cast<int>(std::lround(cell / cellRatio_))));
  const int width = std::abs(font_.width);
  if (width > 0) {
    // GDI stretches a face until its average character width is the one
    // asked for; Qt's stretch is a percentage of the natural width.
    const double natural = QFontMetricsF(f).averageCharWidth();
    if (natural > 0)
      f.setStretch(std::clamp(static_cast<int>(std::lround(100.0 * width / natural)), 1, 4000));
  }
  ascent_ = QFontMetrics(f).ascent();
  qtFont_ = f;
}

int QtCanvas::TextWidth(const std::u16string& text) {
  RealiseFont();
  return QFontMetrics(*qtFont_).horizontalAdvance(QString::fromStdU16String(text));
}

void QtCanvas::TextOut(int x, int y, const std::u16string& text) {
  if (text.empty()) return;
  RealiseFont();
  // Text ignores the raster mode, as GDI's does.
  painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter_.setFont(*qtFont_);
  painter_.setPen(ToQColor(fontColor_));
  penDirty_ = true;
  const QString s = QString::fromStdU16String(text);
  if (font_.escapement == 0) {
    painter_.drawText(QPoint(x, y + ascent_), s);
  } else {
    painter_.translate(x, y);
    painter_.rotate(-font_.escapement / 10.0);
    painter_.drawText(QPoint(0, ascent_), s);
    painter_.resetTransform();
  }
  painter_.setCompositionMode(ToComposition(penMode_));
}

}  // namespace vantrel
