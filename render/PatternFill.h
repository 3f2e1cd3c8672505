// The lines of a hatch pattern, made for the one picture being drawn: only
// the lines that cross the canvas, at the scale it shows, are generated and
// clipped to the fill's rings by the even-odd rule. A family whose lines
// would lie closer than about a pixel is a tone of its colour instead, so a
// fine pattern seen from afar costs one polygon, not millions of strokes.
#pragma once

#include "model/AcadDxfUnit.h"
#include "render/Canvas.h"

namespace vantrel {

// Pattern lines closer than this many pixels make a tone.
inline constexpr double kToneSpacing = 1.0;

// Colour mixed into BackColor by share (0 gives BackColor, 1 Colour).
TColor ToneColor(TColor Colour, TColor BackColor, double share);

// Draws f, a fill with families, in Colour on a canvas of CanvasWidth x
// CanvasHeight whose pixel ScreenCenter shows ViewCenter at Scale drawing
// units per pixel. Returns the number of strokes drawn (dots included).
std::size_t DrawPatternFill(Canvas& canvas, PixelPoint ScreenCenter, const Drawing& d, const TFillBlk& f,
                            TAcadPoint ViewCenter, double Scale, int PenWidth, TColor Colour,
                            TColor BackColor, int CanvasWidth, int CanvasHeight);

}  // namespace vantrel
