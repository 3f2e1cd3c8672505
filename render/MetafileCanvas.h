// A canvas that writes what is drawn on it as a Windows metafile: an
// enhanced metafile (EMF) or the older Windows metafile (WMF), records built
// with libUEMF. Pixels are logical units of a 96 dpi reference device, so a
// picture of W x H pixels is W x H units and W / 96 inches wide. A recording
// replayed onto it gives the same records whatever was drawn before.
#pragma once

#include <string>
#include <vector>

#include "render/Canvas.h"
#include "render/RecordingCanvas.h"

namespace vantrel {

enum class MetafileFormat { Emf, Wmf };

class MetafileCanvas : public Canvas {
 public:
  // metrics measures texts for TextWidth and for the character advances an
  // EMF text carries, so a reader places every character where ours did.
  // Sizes are clamped to 1..32767, all WMF can hold.
  MetafileCanvas(MetafileFormat format, int width, int height, RecordingCanvas::TextMetrics metrics,
                 RecordingCanvas::ShapeMetrics shapes = {});
  ~MetafileCanvas() override = default;
  MetafileCanvas(const MetafileCanvas&) = delete;
  MetafileCanvas& operator=(const MetafileCanvas&) = delete;

  // Ends the metafile and hands over its bytes, ready for a file or the
  // clipboard. Drawing afterwards is a programming error and throws.
  std::string Finish();

  void SetPenColor(TColor color) override;
  TColor PenColor() const override { return penColor_; }
  void SetPenWidth(int width) override;
  int PenWidth() const override { return penWidth_; }
  void SetPenStyle(TPenStyle style) override;
  TPenStyle PenStyle() const override { return penStyle_; }
  void SetPenMode(PenMode mode) override { penMode_ = mode; }
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

  void SetFont(const CanvasFont& font) override { font_ = font; }
  const CanvasFont& Font() const override { return font_; }
  void SetFontColor(TColor color) override { fontColor_ = color; }
  TColor FontColor() const override { return fontColor_; }
  int TextWidth(const std::u16string& text) override;
  FaceShape ShapeOf(const std::u16string& face, int weight, bool italic) override {
    return shapes_ ? shapes_(face, weight, italic) : Canvas::ShapeOf(face, weight, italic);
  }
  void TextOut(int x, int y, const std::u16string& text) override;

 private:
  struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
  };

  void Append(char* record);
  void Begin();
  int FreeSlot();
  int ObjectIndex(int slot) const { return format_ == MetafileFormat::Emf ? slot + 1 : slot; }
  void SelectInstead(int& selected, int slot);
  void UsePen();
  void UseNullPen();
  void UseHollowBrush();
  void UseBrush();
  void UseFont();
  void UseRasterMode(PenMode mode);
  bool Reaches(int x, int y) const;
  void Segment(double x0, double y0, double x1, double y1);
  void EmitLine(Point from, Point to);
  void ArcAsChords(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd, int yEnd);
  void EmitText(int x, int y, const std::u16string& text);

  MetafileFormat format_;
  int width_;
  int height_;
  RecordingCanvas::TextMetrics metrics_;
  RecordingCanvas::ShapeMetrics shapes_;
  // Coordinates beyond this many units from the origin do not fit the
  // format (16 bits in WMF); lines and arcs that reach them are clipped.
  int limit_;

  std::string bytes_;
  std::size_t records_ = 0;
  std::size_t largestRecord_ = 0;
  std::vector<bool> objectSlots_;  // the players' object table, lowest free slot first
  std::size_t objectPeak_ = 0;
  bool finished_ = false;

  // What the canvas user set.
  TColor penColor_ = clBlack;
  int penWidth_ = 1;
  TPenStyle penStyle_ = psSolid;
  PenMode penMode_ = PenMode::Copy;
  TColor brushColor_ = clWhite;
  BrushStyle brushStyle_ = BrushStyle::Solid;
  CanvasFont font_;
  TColor fontColor_ = clBlack;
  Point at_;

  // What the metafile's device context holds; objects are made only when
  // something is drawn with a state that differs from it.
  int penObject_ = -1;
  bool penCurrent_ = false;
  int brushObject_ = -1;
  bool dcSolidBrush_ = false;  // the brush selected in the file fills
  bool brushCurrent_ = false;
  int fontObject_ = -1;
  CanvasFont dcFont_;
  PenMode dcMode_ = PenMode::Copy;
  bool dcAlternateFill_ = false;
  TColor dcTextColor_ = clBlack;
  Point dcAt_;
};

}  // namespace vantrel
