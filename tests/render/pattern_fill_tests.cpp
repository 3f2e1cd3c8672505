// Guards pattern fills against lines outside their boundary or across its islands, lost dashes, patterns made whole instead of for the canvas (millions of strokes for a huge or fine pattern), tones in the wrong shade or colour mode, and hostile families that hang or overflow.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "RenderTestSupport.h"
#include "render/PatternFill.h"
#include "render/Renderer.h"

namespace vantrel {
namespace {

using test::SegmentsOf;

// A fill of the given rings (each a list of corners) with one family.
void AddPatternFill(Drawing& d, const std::vector<std::vector<TAcadPoint>>& rings, TFillFamily family,
                    const std::vector<double>& dashes, TColor colour = 0x00FF00) {
  TFillBlk f;
  f.first = d.EntFillPtAry.size();
  f.firstRing = d.EntFillRingAry.size();
  for (const auto& ring : rings) {
    d.EntFillPtAry.insert(d.EntFillPtAry.end(), ring.begin(), ring.end());
    d.EntFillRingAry.push_back(static_cast<std::uint32_t>(ring.size()));
    f.count += static_cast<std::uint32_t>(ring.size());
  }
  f.rings = static_cast<std::uint32_t>(rings.size());
  family.firstDash = d.EntFillDashAry.size();
  family.dashes = static_cast<std::uint32_t>(dashes.size());
  d.EntFillDashAry.insert(d.EntFillDashAry.end(), dashes.begin(), dashes.end());
  f.firstFamily = d.EntFillFamilyAry.size();
  f.families = 1;
  d.EntFillFamilyAry.push_back(family);
  f.PenColor = colour;
  d.EntFillAry.push_back(f);
}

std::vector<TAcadPoint> Square(double x0, double y0, double x1, double y1) {
  return {{x0, y0, 0}, {x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}};
}

TFillFamily Family(TAcadPoint dir, TAcadPoint offset, TAcadPoint base = {}) {
  TFillFamily f;
  f.base = base;
  f.dir = dir;
  f.offset = offset;
  return f;
}

// 200 x 200 pixels; scale drawing units per pixel, the view centre at the
// middle pixel (100, 100).
int Draw(Drawing& d, RecordingCanvas& c, double scale = 1, int colorMode = 0) {
  const double size = 200 * scale * kFitRatio;
  return DrawDxf(d, u"", TAcadPoint{0, 0, 0}, clBlack, size, size, 1, c, PixelPoint{100, 100}, 200, 200,
                 kFitRatio, colorMode, false, false);
}

TEST(PatternFills, LinesAndDashesStayInsideTheRingsAndOutOfTheIslands) {
  Drawing d = test::DrawingWithLayer0();
  AddPatternFill(d, {Square(-50, -50, 50, 50), Square(-10, -10, 10, 10)},
                 Family({1, 0, 0}, {0, 5, 0}), {});
  RecordingCanvas c;
  Draw(d, c);
  const auto segments = SegmentsOf(c);
  int throughHole = 0;
  for (const auto& s : segments) {
    EXPECT_EQ(s.from.y, s.to.y);
    EXPECT_EQ(s.colour, 0x00FF00u);
    for (const PixelPoint& p : {s.from, s.to}) {
      EXPECT_LE(std::abs(p.x - 100), 50);
      EXPECT_LE(std::abs(p.y - 100), 50);
    }
    const int midX = (s.from.x + s.to.x) / 2 - 100, y = s.from.y - 100;
    EXPECT_FALSE(std::abs(midX) < 10 && std::abs(y) < 10) << "a line across the island";
    throughHole += y == 0;
  }
  EXPECT_EQ(throughHole, 2);
  EXPECT_GE(segments.size(), 19u + 3);

  // Dashes 10 long, gaps 5, counted from the base point at x = 0.
  Drawing dashed = test::DrawingWithLayer0();
  AddPatternFill(dashed, {Square(-50, 18, 50, 22)}, Family({1, 0, 0}, {0, 100, 0}, {0, 20, 0}), {10, -5});
  c.Clear();
  Draw(dashed, c);
  std::vector<int> starts;
  for (const auto& s : SegmentsOf(c)) {
    EXPECT_LE(s.to.x - s.from.x, 10);
    starts.push_back(s.from.x - 100);
  }
  std::sort(starts.begin(), starts.end());
  EXPECT_EQ(starts, (std::vector<int>{-45, -30, -15, 0, 15, 30, 45}));

  // A huge fill seen close: only the lines across the canvas are made.
  Drawing huge = test::DrawingWithLayer0();
  AddPatternFill(huge, {Square(-1e6, -1e6, 1e6, 1e6)}, Family({0.6, 0.8, 0}, {-0.8, 0.6, 0}), {1, -1});
  c.Clear();
  Draw(huge, c, 0.25);
  const auto close = SegmentsOf(c);
  EXPECT_GT(close.size(), 100u);
  EXPECT_LT(close.size(), 20000u);
  for (const auto& s : close) EXPECT_TRUE(s.from.x >= -2 && s.from.x <= 202 && s.from.y >= -2 && s.from.y <= 202);
}

TEST(PatternFills, LinesCloserThanAPixelAreAToneOfTheirColour) {
  Drawing d = test::DrawingWithLayer0();
  AddPatternFill(d, {Square(-50, -50, 50, 50)}, Family({1, 0, 0}, {0, 0.001, 0}), {});
  RecordingCanvas c;
  Draw(d, c);
  EXPECT_TRUE(SegmentsOf(c).empty());
  EXPECT_EQ(test::CountOps(c, CanvasOpKind::Polygon), 1);
  EXPECT_EQ(c.BrushColor(), 0x00FF00u);

  // Dashes inking a quarter of lines half a pixel apart: half the colour;
  // monochrome mixes white instead.
  Drawing half = test::DrawingWithLayer0();
  AddPatternFill(half, {Square(-50, -50, 50, 50)}, Family({1, 0, 0}, {0, 0.5, 0}), {0.25, -0.75});
  c.Clear();
  Draw(half, c);
  EXPECT_EQ(c.BrushColor(), 0x008000u);
  c.Clear();
  Draw(half, c, 1, 1);
  EXPECT_EQ(c.BrushColor(), 0x808080u);
  EXPECT_EQ(ToneColor(0xFFFFFF, 0x000000, 2), 0xFFFFFFu);

  // Hostile families end quickly with what can be shown.
  Drawing hostile = test::DrawingWithLayer0();
  AddPatternFill(hostile, {Square(-50, -50, 50, 50)}, Family({1e-300, 0, 0}, {0, 1e300, 0}, {1e300, 0, 0}), {});
  AddPatternFill(hostile, {Square(-50, -50, 50, 50)}, Family({1, 1, 0}, {1, 1, 0}), {});
  AddPatternFill(hostile, {Square(-50, -50, 50, 50)}, Family({1, 0, 0}, {0, 2, 0}, {0, 1e200, 0}),
                 std::vector<double>(100000, 1e-9));
  AddPatternFill(hostile, {Square(-50, -50, 50, 50)}, Family({1, 0, 0}, {0, 20, 0}, {1e300, 3, 0}), {10, -5});
  c.Clear();
  Draw(hostile, c);
  EXPECT_LT(c.ops().size(), 1000u);
}

}  // namespace
}  // namespace vantrel
