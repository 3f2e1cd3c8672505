// Drawing the model onto a canvas: the view transform between drawing units
// and pixels, the fit rule, DrawDxf with its filters and colour modes, and
// the per-kind operations that the detail view's pick highlight also uses.
// Callers own the canvas and the view values; nothing is kept between calls.
#pragma once

#include <string>

#include "model/AcadDxfUnit.h"
#include "render/Canvas.h"

namespace vantrel {

// The share of the canvas a fitted drawing fills; printing uses 0.98.
inline constexpr double kFitRatio = 0.85;

// The drawing window a view must show, in drawing units.
struct ViewState {
  TAcadPoint ViewCenter;
  double ViewWidth = 0;
  double ViewHeight = 0;
};

// What the canvas shows, in drawing units; inside means
// xmin <= x <= xmax and ymin <= y <= ymax.
struct ViewWindow {
  double xmin = 0;
  double xmax = 0;
  double ymin = 0;
  double ymax = 0;
};

// The window of the whole drawing: its extents, centred, z 0.
ViewState FitToExtents(const Drawing& d);

// Drawing units per pixel. False when nothing can be drawn: both sizes 0, a
// fit ratio of 0, or a canvas without pixels. One size 0 or negative falls
// back to 1 / FitRatio.
bool ViewScale(double ViewWidth, double ViewHeight, int CanvasWidth, int CanvasHeight,
               double FitRatio, double& Scale);
// The same scale as the readouts and the pick of the detail view take it:
// 1 / FitRatio when either size is 0 or negative, never a failure.
double PixelScale(double ViewWidth, double ViewHeight, int CanvasWidth, int CanvasHeight, double FitRatio);
ViewWindow WindowAround(TAcadPoint ViewCenter, double Scale, int CanvasWidth, int CanvasHeight);

// The pixel of a point given relative to the view centre: each coordinate
// rounded on its own, half to even, y flipped. Points beyond any canvas are
// held at a bound far outside it instead of overflowing.
PixelPoint RelativeToPixel(PixelPoint ScreenCenter, TAcadPoint relative, double Scale);

// The drawing point under a pixel. The centre row is CanvasHeight -
// CanvasHeight div 2 here, one below the forward mapping's for an odd
// height; the detail view's readouts have always shown it so.
TAcadPoint ScreenToDxf(TAcadPoint ViewCenter, double ViewWidth, double ViewHeight,
                       double FitRatio, int CanvasWidth, int CanvasHeight, PixelPoint Pixel);

// 0xFFFFFF - c: each channel 255 - value.
TColor InvertColor(TColor c);
// ColorMode 0 colour, 1 monochrome, 2 inverted colour, anything else as 0;
// an entity in the background colour is always drawn in its inverse.
TColor DrawingColor(TColor PenColor, TColor BackColor, int ColorMode);

// The %% codes and the two \U+ codes a text shows as symbols.
std::u16string ReplaceControlCodes(const std::u16string& s);
// Whether ReplaceControlCodes would change anything in s.
bool HasControlCodes(const std::u16string& s);

// A text's cell height in pixels, before rounding: its height at the scale,
// enlarged to the whole cell its font is made with.
double TextCellHeight(double code40, double Scale);

// Paints (0, 0)-(Width, Height) in Colour with a copy pen, which then turns
// white; the brush stays Colour.
void ClearCanvas(Canvas& canvas, int Width, int Height, TColor Colour);

// Draws the entity fills, lines, circles, arcs and texts and returns how
// many were drawn. OnlyLayer, when it names a layer, draws that layer alone whatever
// its visibility and the window; NoCull skips the window tests; ThinOut
// draws every other line, circle and arc and no text. The only write into
// the model: an arc's ed below its st is raised by 360 once drawn.
int DrawDxf(Drawing& d, const std::u16string& OnlyLayer, TAcadPoint ViewCenter, TColor BackColor,
            double ViewWidth, double ViewHeight, int PenWidth, Canvas& canvas,
            PixelPoint ScreenCenter, int CanvasWidth, int CanvasHeight, double FitRatio,
            int ColorMode, bool NoCull, bool ThinOut);

// A and B relative to the view centre. The pen's raster mode is the
// caller's.
void DrawLine(Canvas& canvas, PixelPoint ScreenCenter, TAcadPoint A, TAcadPoint B, double Scale,
              TPenStyle Style, int PenWidth, TColor Colour);
// C relative to the view centre; angles in radians, counter-clockwise from
// StartRad to EndRad, equal angles a full circle. Under one pixel of radius
// it is a pixel at the centre.
void DrawArc(Canvas& canvas, PixelPoint ScreenCenter, TAcadPoint C, double Scale, double Radius,
             double StartRad, double EndRad, TPenStyle Style, int PenWidth, TColor Colour);
// A filled area in Colour, outlined with a pen PenWidth wide so that one
// thinner than a pixel still shows; its points are made relative to
// ViewCenter here.
void DrawFill(Canvas& canvas, PixelPoint ScreenCenter, const Drawing& d, const TFillBlk& f,
              TAcadPoint ViewCenter, double Scale, int PenWidth, TColor Colour);
// One TEXT or MTEXT record showing S; P10 and P11 are its pt10 and pt11
// relative to the view centre. A text too small to read is a line along its
// base line.
void DrawText(Canvas& canvas, PixelPoint ScreenCenter, const std::u16string& S, double Scale,
              const TTextBlk& t, TAcadPoint P10, TAcadPoint P11, TColor Colour);

bool LineInView(const TAcadLineBlk& r, const ViewWindow& w);
bool CircleInView(const TCircleBlk& r, const ViewWindow& w);
bool ArcInView(const TArcBlk& r, const ViewWindow& w);
bool TextInView(const TTextBlk& r, const ViewWindow& w);
// Whether the fill's box meets the window: a filled area covering the
// whole window shows in all of it.
bool FillInView(const Drawing& d, const TFillBlk& r, const ViewWindow& w);

}  // namespace vantrel
