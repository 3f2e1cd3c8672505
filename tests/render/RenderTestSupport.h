// Reading a recording back as the geometry a renderer test asserts on.
#pragma once

#include <string>
#include <vector>

#include "model/AcadDxfUnit.h"
#include "render/RecordingCanvas.h"

namespace vantrel::test {

struct DrawnSegment {
  PixelPoint from, to;
  TColor colour;
};

struct DrawnArc {
  PixelRect box;
  PixelPoint start, end;
};

struct DrawnText {
  PixelPoint at;
  std::u16string text;
  CanvasFont font;
  TColor colour;
};

std::vector<DrawnSegment> SegmentsOf(const RecordingCanvas& c);
std::vector<DrawnArc> ArcsOf(const RecordingCanvas& c);
std::vector<PixelPoint> PixelsOf(const RecordingCanvas& c);
std::vector<DrawnText> TextsOf(const RecordingCanvas& c);
int CountOps(const RecordingCanvas& c, CanvasOpKind kind);

// A drawing of layer "0" and whatever the test appends; records get
// their pen fields set directly, as the pen pass would.
TAcadLineBlk Line(double x1, double y1, double x2, double y2, TColor colour = 0xFFFFFF);
TCircleBlk Circle(double x, double y, double r, TColor colour = 0xFFFFFF);
TArcBlk ArcRecord(double x, double y, double r, double st, double ed, TColor colour = 0xFFFFFF);
TTextBlk Text(const std::u16string& s, double x, double y, double height);
Drawing DrawingWithLayer0();

}  // namespace vantrel::test
