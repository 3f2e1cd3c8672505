#include "render/RecordingCanvas.h"

#include <utility>

namespace vantrel {

namespace {

int HalfHeightMetrics(const CanvasFont& font, std::u16string_view text) {
  const int each = font.width > 0 ? font.width : (font.height + 1) / 2;
  return each * static_cast<int>(text.size());
}

int AsArg(TColor color) { return static_cast<int>(color); }
TColor AsColor(int arg) { return static_cast<TColor>(arg); }

}  // namespace

RecordingCanvas::RecordingCanvas() : metrics_(HalfHeightMetrics) {}

RecordingCanvas::RecordingCanvas(TextMetrics metrics, ShapeMetrics shapes)
    : metrics_(std::move(metrics)), shapes_(std::move(shapes)) {}

FaceShape RecordingCanvas::ShapeOf(const std::u16string& face, int weight, bool italic) {
  return shapes_ ? shapes_(face, weight, italic) : Canvas::ShapeOf(face, weight, italic);
}

void RecordingCanvas::Clear() {
  ops_.clear();
  texts_.clear();
  fonts_.clear();
  polygonPoints_.clear();
  polygonRings_.clear();
}

void RecordingCanvas::Add(CanvasOpKind kind, std::initializer_list<int> args, int item) {
  CanvasOp op{kind, {}, item};
  std::size_t i = 0;
  for (int a : args) op.args[i++] = a;
  ops_.push_back(op);
}

void RecordingCanvas::SetPenColor(TColor color) {
  penColor_ = color;
  Add(CanvasOpKind::SetPenColor, {AsArg(color)});
}

void RecordingCanvas::SetPenWidth(int width) {
  penWidth_ = width;
  Add(CanvasOpKind::SetPenWidth, {width});
}

void RecordingCanvas::SetPenStyle(TPenStyle style) {
  penStyle_ = style;
  Add(CanvasOpKind::SetPenStyle, {static_cast<int>(style)});
}

void RecordingCanvas::SetPenMode(PenMode mode) {
  penMode_ = mode;
  Add(CanvasOpKind::SetPenMode, {static_cast<int>(mode)});
}

void RecordingCanvas::SetBrushColor(TColor color) {
  brushColor_ = color;
  Add(CanvasOpKind::SetBrushColor, {AsArg(color)});
}

void RecordingCanvas::SetBrushStyle(BrushStyle style) {
  brushStyle_ = style;
  Add(CanvasOpKind::SetBrushStyle, {static_cast<int>(style)});
}

void RecordingCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  Add(CanvasOpKind::Rectangle, {x1, y1, x2, y2});
}

void RecordingCanvas::FillRect(const PixelRect& rect) {
  Add(CanvasOpKind::FillRect, {rect.left, rect.top, rect.right, rect.bottom});
}

void RecordingCanvas::MoveTo(int x, int y) { Add(CanvasOpKind::MoveTo, {x, y}); }

void RecordingCanvas::LineTo(int x, int y) { Add(CanvasOpKind::LineTo, {x, y}); }

void RecordingCanvas::Arc(int left, int top, int right, int bottom, int xStart, int yStart,
                          int xEnd, int yEnd) {
  Add(CanvasOpKind::Arc, {left, top, right, bottom, xStart, yStart, xEnd, yEnd});
}

void RecordingCanvas::Polygon(std::span<const PixelPoint> points, std::span<const int> ringSizes) {
  Add(CanvasOpKind::Polygon, {static_cast<int>(polygonPoints_.size()), static_cast<int>(points.size()),
                              static_cast<int>(polygonRings_.size()), static_cast<int>(ringSizes.size())});
  polygonPoints_.insert(polygonPoints_.end(), points.begin(), points.end());
  polygonRings_.insert(polygonRings_.end(), ringSizes.begin(), ringSizes.end());
}

std::span<const PixelPoint> RecordingCanvas::PolygonPoints(const CanvasOp& op) const {
  return std::span<const PixelPoint>(polygonPoints_).subspan(static_cast<std::size_t>(op.args[0]),
                                                             static_cast<std::size_t>(op.args[1]));
}

std::span<const int> RecordingCanvas::PolygonRings(const CanvasOp& op) const {
  return std::span<const int>(polygonRings_).subspan(static_cast<std::size_t>(op.args[2]),
                                                     static_cast<std::size_t>(op.args[3]));
}

void RecordingCanvas::SetPixel(int x, int y, TColor color) {
  Add(CanvasOpKind::SetPixel, {x, y, AsArg(color)});
}

void RecordingCanvas::SetFont(const CanvasFont& font) {
  font_ = font;
  fonts_.push_back(font);
  Add(CanvasOpKind::SetFont, {}, static_cast<int>(fonts_.size() - 1));
}

void RecordingCanvas::SetFontColor(TColor color) {
  fontColor_ = color;
  Add(CanvasOpKind::SetFontColor, {AsArg(color)});
}

int RecordingCanvas::TextWidth(const std::u16string& text) { return metrics_(font_, text); }

void RecordingCanvas::TextOut(int x, int y, const std::u16string& text) {
  texts_.push_back(text);
  Add(CanvasOpKind::TextOut, {x, y}, static_cast<int>(texts_.size() - 1));
}

void RecordingCanvas::Replay(Canvas& target) const {
  const RecordingCanvas fresh;
  target.SetPenColor(fresh.penColor_);
  target.SetPenWidth(fresh.penWidth_);
  target.SetPenStyle(fresh.penStyle_);
  target.SetPenMode(fresh.penMode_);
  target.SetBrushColor(fresh.brushColor_);
  target.SetBrushStyle(fresh.brushStyle_);
  target.SetFont(fresh.font_);
  target.SetFontColor(fresh.fontColor_);
  target.MoveTo(0, 0);
  for (const CanvasOp& op : ops_) {
    const auto& a = op.args;
    switch (op.kind) {
      case CanvasOpKind::SetPenColor: target.SetPenColor(AsColor(a[0])); break;
      case CanvasOpKind::SetPenWidth: target.SetPenWidth(a[0]); break;
      case CanvasOpKind::SetPenStyle: target.SetPenStyle(static_cast<TPenStyle>(a[0])); break;
      case CanvasOpKind::SetPenMode: target.SetPenMode(static_cast<PenMode>(a[0])); break;
      case CanvasOpKind::SetBrushColor: target.SetBrushColor(AsColor(a[0])); break;
      case CanvasOpKind::SetBrushStyle: target.SetBrushStyle(static_cast<BrushStyle>(a[0])); break;
      case CanvasOpKind::Rectangle: target.Rectangle(a[0], a[1], a[2], a[3]); break;
      case CanvasOpKind::FillRect: target.FillRect(PixelRect{a[0], a[1], a[2], a[3]}); break;
      case CanvasOpKind::MoveTo: target.MoveTo(a[0], a[1]); break;
      case CanvasOpKind::LineTo: target.LineTo(a[0], a[1]); break;
      case CanvasOpKind::Arc: target.Arc(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7]); break;
      case CanvasOpKind::SetPixel: target.SetPixel(a[0], a[1], AsColor(a[2])); break;
      case CanvasOpKind::SetFont: target.SetFont(fonts_[op.item]); break;
      case CanvasOpKind::SetFontColor: target.SetFontColor(AsColor(a[0])); break;
      case CanvasOpKind::TextOut: target.TextOut(a[0], a[1], texts_[op.item]); break;
      case CanvasOpKind::Polygon: target.Polygon(PolygonPoints(op), PolygonRings(op)); break;
    }
  }
}

}  // namespace vantrel
