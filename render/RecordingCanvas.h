// A canvas that keeps every state change and drawing call with its
// arguments. Tests read the operations; the export and print paths replay
// them onto a metafile or a page canvas.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "render/Canvas.h"

namespace vantrel {

enum class CanvasOpKind : std::uint8_t {
  SetPenColor,    // args: colour
  SetPenWidth,    // args: width
  SetPenStyle,    // args: TPenStyle
  SetPenMode,     // args: PenMode
  SetBrushColor,  // args: colour
  SetBrushStyle,  // args: BrushStyle
  Rectangle,      // args: x1, y1, x2, y2
  FillRect,       // args: left, top, right, bottom
  MoveTo,         // args: x, y
  LineTo,         // args: x, y
  Arc,            // args: left, top, right, bottom, xStart, yStart, xEnd, yEnd
  SetPixel,       // args: x, y, colour
  SetFont,        // item: index into fonts()
  SetFontColor,   // args: colour
  TextOut,        // args: x, y; item: index into texts()
  Polygon,        // args: first point, point count, first ring size, ring count (see PolygonPoints)
};

// Kept small: a whole drawing's worth of these is recorded for an export.
// Colours travel as their packed value in an int.
struct CanvasOp {
  CanvasOpKind kind;
  std::array<int, 8> args{};
  int item = -1;
};

class RecordingCanvas : public Canvas {
 public:
  // Text widths without a real font: tests choose what a string measures.
  using TextMetrics = std::function<int(const CanvasFont&, std::u16string_view)>;
  // The shapes of real faces, for a recording that is replayed onto a real
  // canvas; without it the canvas answers FaceShape's typical shape.
  using ShapeMetrics = std::function<FaceShape(const std::u16string& face, int weight, bool italic)>;

  // By default every UTF-16 unit is the font's width wide, or half its
  // height when the width is 0.
  RecordingCanvas();
  explicit RecordingCanvas(TextMetrics metrics, ShapeMetrics shapes = {});

  const std::vector<CanvasOp>& ops() const { return ops_; }
  const std::vector<std::u16string>& texts() const { return texts_; }
  const std::vector<CanvasFont>& fonts() const { return fonts_; }
  // The points and ring sizes of a Polygon operation.
  std::span<const PixelPoint> PolygonPoints(const CanvasOp& op) const;
  std::span<const int> PolygonRings(const CanvasOp& op) const;
  void Clear();

  // Replays onto target, first putting it into the state this canvas
  // started in, so the result does not depend on what target held before.
  void Replay(Canvas& target) const;

  void SetPenColor(TColor color) override;
  TColor PenColor() const override { return penColor_; }
  void SetPenWidth(int width) override;
  int PenWidth() const override { return penWidth_; }
  void SetPenStyle(TPenStyle style) override;
  TPenStyle PenStyle() const override { return penStyle_; }
  void SetPenMode(PenMode mode) override;
  PenMode GetPenMode() const override { return penMode_; }
  void SetBrushColor(TColor color) override;
  TColor BrushColor() const override { return brushColor_; }
  void SetBrushStyle(BrushStyle style) override;
  BrushStyle GetBrushStyle() const override { return brushStyle_; }

  void Rectangle(int x1, int y1, int x2, int y2) override;
  void FillRect(const PixelRect& rect) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
           int yEnd) override;
  void Polygon(std::span<const PixelPoint> points, std::span<const int> ringSizes) override;
  void SetPixel(int x, int y, TColor color) override;

  void SetFont(const CanvasFont& font) override;
  const CanvasFont& Font() const override { return font_; }
  void SetFontColor(TColor color) override;
  TColor FontColor() const override { return fontColor_; }
  int TextWidth(const std::u16string& text) override;
  FaceShape ShapeOf(const std::u16string& face, int weight, bool italic) override;
  void TextOut(int x, int y, const std::u16string& text) override;

 private:
  void Add(CanvasOpKind kind, std::initializer_list<int> args, int item = -1);

  TextMetrics metrics_;
  ShapeMetrics shapes_;
  std::vector<CanvasOp> ops_;
  std::vector<std::u16string> texts_;
  std::vector<CanvasFont> fonts_;
  // The polygons' points and ring sizes, one pool each for all of them.
  std::vector<PixelPoint> polygonPoints_;
  std::vector<int> polygonRings_;

  TColor penColor_ = clBlack;
  int penWidth_ = 1;
  TPenStyle penStyle_ = psSolid;
  PenMode penMode_ = PenMode::Copy;
  TColor brushColor_ = clWhite;
  BrushStyle brushStyle_ = BrushStyle::Solid;
  CanvasFont font_;
  TColor fontColor_ = clBlack;
};

}  // namespace vantrel
