// The one drawing surface the renderer and its callers know: integer pixels,
// x to the right, y downward, origin top left, with the pen, brush and font
// state of a GDI device context. Screen, bitmap, printer page and metafile
// canvases all implement it, so every picture comes from the same calls.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/AcadDxfUnit.h"

namespace vantrel {

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;

// How the pen combines with what is already there. Not ignores the pen
// colour; Not and Xor drawn twice restore the picture, which is how the
// transient marks of the detail view are removed.
enum class PenMode : std::uint8_t { Copy, Not, Xor, NotXor };

enum class BrushStyle : std::uint8_t { Solid, Clear };

struct PixelPoint {
  int x = 0;
  int y = 0;
  bool operator==(const PixelPoint&) const = default;
};

// Right and bottom are exclusive.
struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const PixelRect&) const = default;
};

// The face every canvas starts with: it covers Japanese text.
inline constexpr char16_t kDefaultFontFace[] = u"IPAexGothic";

// A font as GDI builds one. height is the whole text cell (ascent plus
// descent), width the average character width (0 keeps the face's own
// proportions), escapement the rotation in tenths of a degree,
// counter-clockwise as seen on the canvas. weight 0 is the face's normal
// weight, 700 bold; slant leans the glyphs right by tenths of a degree
// (an oblique style), which only the raster and page canvases can show.
// mirror 1 draws the glyphs backward (mirrored along the base line), 2
// upside down, 3 both; only canvases that say MirrorsText() draw it.
struct CanvasFont {
  int height = 16;
  int width = 0;
  int escapement = 0;
  std::u16string face = kDefaultFontFace;
  int weight = 0;
  bool italic = false;
  int slant = 0;
  int mirror = 0;
  bool operator==(const CanvasFont&) const = default;
};

// A face's proportions as shares of its cell height (the height of a
// CanvasFont): where the base line lies below the top of the cell, how tall
// its capitals and lower-case letters stand, and its average character
// width. Drawings size texts by their capitals, fonts by their cell.
struct FaceShape {
  double ascent = 0.8;
  double capHeight = 0.7;
  double xHeight = 0.5;
  double averageWidth = 0.5;
  double em = 0.85;  // the size Qt and CSS give a font by, the em square
};

// A fresh canvas starts as a fresh GDI bitmap does: a black, one pixel,
// solid pen in copy mode, a solid white brush, black text in the default
// font, the current position at (0, 0). Replaying a recording relies on it.
class Canvas {
 public:
  virtual ~Canvas() = default;

  // Width 0 and 1 both draw one pixel wide.
  virtual void SetPenColor(TColor color) = 0;
  virtual TColor PenColor() const = 0;
  virtual void SetPenWidth(int width) = 0;
  virtual int PenWidth() const = 0;
  virtual void SetPenStyle(TPenStyle style) = 0;
  virtual TPenStyle PenStyle() const = 0;
  virtual void SetPenMode(PenMode mode) = 0;
  virtual PenMode GetPenMode() const = 0;

  virtual void SetBrushColor(TColor color) = 0;
  virtual TColor BrushColor() const = 0;
  virtual void SetBrushStyle(BrushStyle style) = 0;
  virtual BrushStyle GetBrushStyle() const = 0;

  // Outline with the pen, interior with the brush, both in the pen mode.
  virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
  // Interior with the brush only, always copied.
  virtual void FillRect(const PixelRect& rect) = 0;
  virtual void MoveTo(int x, int y) = 0;
  // From the current position to (x, y), which becomes the current
  // position; the end pixel itself is not drawn.
  virtual void LineTo(int x, int y) = 0;
  // The part of the ellipse inscribed in the box that runs counter-clockwise
  // (as seen) from the ray through start to the ray through end, both rays
  // from the box centre; the whole ellipse when the rays coincide.
  virtual void Arc(int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
                   int yEnd) = 0;
  // Closed rings of points, one after another (ringSizes holds the number
  // of points of each), outlined with the pen and filled with the brush by
  // the even-odd rule, both in the pen mode: GDI's PolyPolygon in its
  // alternate fill mode. A ring of fewer than two points draws nothing.
  virtual void Polygon(std::span<const PixelPoint> points, std::span<const int> ringSizes) = 0;
  // Ignores the pen mode.
  virtual void SetPixel(int x, int y, TColor color) = 0;

  virtual void SetFont(const CanvasFont& font) = 0;
  virtual const CanvasFont& Font() const = 0;
  virtual void SetFontColor(TColor color) = 0;
  virtual TColor FontColor() const = 0;
  virtual int TextWidth(const std::u16string& text) = 0;
  // The shape of a face in a weight (as CanvasFont's) and style; a canvas
  // without real fonts answers with the typical shape FaceShape holds.
  virtual FaceShape ShapeOf(const std::u16string& face, int weight, bool italic);
  // (x, y) is the top-left corner of the text cell before rotation; the text
  // turns about it by the font's escapement. Drawn in the font colour over a
  // transparent background: drawings never box their texts.
  virtual void TextOut(int x, int y, const std::u16string& text) = 0;
  // Whether TextOut draws the font's mirror; (x, y) is then the mirror
  // image of the cell's top-left corner, and the cell lies mirrored from it.
  virtual bool MirrorsText() const { return false; }
};

// Paints (0, 0)-(width, height) in colour and leaves the pen white; the pen
// mode stays what it was.
void FillCanvas(Canvas& canvas, int width, int height, TColor color);

struct PlanePoint {
  double x = 0;
  double y = 0;
};

// The part of a closed ring inside the square [-limit, limit] in both
// coordinates (Sutherland and Hodgman): inside the square it covers what the
// ring covers, also by the even-odd rule among other rings clipped alike.
// Canvas coordinates are bounded; a filled area reaching far beyond the
// picture must not be bent by rounding its far corners to the bound.
std::vector<PlanePoint> ClipRingToSquare(const std::vector<PlanePoint>& ring, double limit);

}  // namespace vantrel
