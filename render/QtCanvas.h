// The canvas on Qt's painter: the raster canvas of the screen pictures and
// list images (over a QImage) and, over any paint device, the printer and
// PDF pages. Drawing is aliased throughout, like GDI's.
#pragma once

#include <QFont>
#include <QPainter>

#include <optional>
#include <unordered_map>
#include <vector>

#include "render/Canvas.h"

class QImage;
class QPaintDevice;

namespace vantrel {

// TColor is 0x00BBGGRR, QRgb 0xAARRGGBB.
inline QRgb ColorToQRgb(TColor c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
inline TColor QRgbToColor(QRgb p) {
  return TColor(qRed(p)) | (TColor(qGreen(p)) << 8) | (TColor(qBlue(p)) << 16);
}

class QtCanvas : public Canvas {
 public:
  // The image must be Format_RGB32: QPainter cannot paint on the 8-bit
  // palette pictures of the program, which are converted after drawing.
  // Throws std::invalid_argument for any other format. The image must not
  // be copied while the canvas lives: one-pixel pens write into its bits.
  explicit QtCanvas(QImage& image);
  // The raster modes other than copy need a raster device; elsewhere (PDF,
  // printers) Qt draws them as copy.
  explicit QtCanvas(QPaintDevice& device);
  ~QtCanvas() override;
  QtCanvas(const QtCanvas&) = delete;
  QtCanvas& operator=(const QtCanvas&) = delete;

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
  bool MirrorsText() const override { return true; }

 private:
  void ApplyPen();
  void RealiseFont();
  bool ThinPenReaches(int left, int top, int right, int bottom) const;
  bool PenDraws() const { return penStyle_ != psClear; }

  QPainter painter_;
  QImage* image_ = nullptr;
  QRgb* bits_ = nullptr;  // the image's pixels, for the direct writes
  // The traced small curves, by their box's size.
  struct TracedRing {
    std::vector<QPoint> points;
    std::vector<double> angles;
  };
  const TracedRing& RingOf(int width, int height);
  std::unordered_map<int, TracedRing> rings_;

  TColor penColor_ = clBlack;
  int penWidth_ = 1;
  TPenStyle penStyle_ = psSolid;
  PenMode penMode_ = PenMode::Copy;
  TColor brushColor_ = clWhite;
  BrushStyle brushStyle_ = BrushStyle::Solid;
  CanvasFont font_;
  TColor fontColor_ = clBlack;
  int x_ = 0;
  int y_ = 0;

  bool penDirty_ = true;
  // Realised on first use: a canvas that only draws lines then needs no
  // application object, and a face's cell ratio is measured once.
  std::optional<QFont> qtFont_;
  CanvasFont realisedFor_;   // the font qtFont_ was made from
  int ascent_ = 0;           // of the realised font
  double fontScale_ = 1;     // from the realised font to the one asked for
  std::u16string ratioFace_;
  int ratioWeight_ = 0;
  bool ratioItalic_ = false;
  double cellRatio_ = 0;
  std::u16string lastShapeFace_;  // the last face asked about, and its answer
  int lastShapeWeight_ = 0;
  bool lastShapeItalic_ = false;
  FaceShape lastShape_;
  bool haveLastShape_ = false;
};

}  // namespace vantrel
