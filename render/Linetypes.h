// The dash patterns of the file's own linetypes (its LTYPE table), drawn as
// the pattern at the view's scale. A linetype the file does not define keeps
// the fixed pen style of the pen table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/AcadDxfUnit.h"
#include "render/Canvas.h"

namespace vantrel {

// One element of a pattern on the canvas: a dash (on) or a gap, in pixels.
struct DashStep {
  double length = 0;
  bool on = false;
};

// A pattern in pixels, repeating every period pixels. No steps: the stroke
// is drawn solid.
struct PixelPattern {
  std::vector<DashStep> steps;
  double period = 0;
};

// The group 49 elements of a linetype (dashes positive, gaps negative, dots
// 0, in drawing units) times scale, at Scale drawing units per pixel. Dashes
// and gaps too short to see are lengthened, so that the pattern still reads
// when zoomed out; a pattern shorter than a few pixels, or one without both
// a dash and a gap, is solid.
PixelPattern PatternInPixels(std::span<const double> code49Ary, double scale, double Scale,
                             int PenWidth);

// What one drawing of the model knows of its linetypes: the LTYPE record each
// layer's linetype names, the patterns already worked out at this view's
// scale, and where the last line drawn left its pattern.
struct LinetypeLookup {
  const Drawing* d = nullptr;
  double Scale = 1;
  int PenWidth = 1;
  double LtScale = 1;
  PixelRect clip;
  bool any = false;  // some LTYPE record has a pattern
  std::unordered_map<std::u16string, int> byName;
  std::vector<int> layerLtype;  // per layer: LtypeAry index, or -1
  SharedName lastName;
  int lastIndex = -1;
  bool lastByLayer = false;
  bool haveLast = false;
  std::unordered_map<std::uint64_t, PixelPattern> patterns;
  std::uint64_t lastKey = 0;
  const PixelPattern* lastPattern = nullptr;
  std::size_t chainLine = SIZE_MAX;
  double chainEnd = 0;  // drawing units along the pattern at its end
};

// CanvasWidth by CanvasHeight pixels around ScreenCenter is where the
// drawing goes; dashes beyond it are not drawn.
LinetypeLookup MakeLinetypeLookup(const Drawing& d, double Scale, int PenWidth,
                                  PixelPoint ScreenCenter, int CanvasWidth, int CanvasHeight);

// The pattern a record is drawn with: nullptr when its linetype is not in
// the file (its pen style then stands), a pattern without steps when it is
// drawn solid. BYLAYER takes the layer's linetype through layindex.
const PixelPattern* PatternOf(LinetypeLookup& lt, const SharedName& ltype, SmallInt layindex,
                              float code48);

// Where line i starts along its pattern, in pixels. A line that goes on
// from the one before it in the table (from its end point, with the same
// linetype, layer and scale, as the flattened polylines, ellipses and
// splines do) carries the pattern on; any other starts it afresh.
double LinePhase(LinetypeLookup& lt, const std::vector<TAcadLineBlk>& lines, std::size_t i,
                 const PixelPattern& p);

// A and B, C relative to the view centre, as DrawLine and DrawArc take them;
// the dashes are drawn with a solid pen, only where they can show on the
// canvas. phase: pixels of the pattern already used up at A.
void DrawDashedLine(Canvas& canvas, const LinetypeLookup& lt, PixelPoint ScreenCenter, TAcadPoint A,
                    TAcadPoint B, const PixelPattern& p, double phase, TColor Colour);
// Counter-clockwise from StartRad to EndRad; equal angles a full circle.
void DrawDashedArc(Canvas& canvas, const LinetypeLookup& lt, PixelPoint ScreenCenter, TAcadPoint C,
                   double Radius, double StartRad, double EndRad, const PixelPattern& p,
                   TColor Colour);

}  // namespace vantrel
