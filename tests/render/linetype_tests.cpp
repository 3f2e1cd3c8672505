// Guards against dash patterns drawn at the wrong scale ($LTSCALE, group 48), linetypes of the
// file not found through the layer, fixed pens lost for linetypes the file lacks, patterns that
// restart at every vertex of a flattened curve, unreadable dashes when zoomed out, and deep zooms
// that turn one dashed line or circle into millions of strokes.
#include <gtest/gtest.h>

#include <cmath>

#include "RenderTestSupport.h"
#include "render/Linetypes.h"
#include "render/Renderer.h"

namespace vantrel {
namespace {

using test::SegmentsOf;

// DASHED: half a unit of dash, a quarter of gap.
Drawing DashedDrawing() {
  Drawing d = test::DrawingWithLayer0();
  TLtypeTbl dashed;
  dashed.name = u"DASHED";
  dashed.code49Ary = {0.5, -0.25};
  d.LtypeAry.push_back(dashed);
  d.LayerAry[0].ltype = u"DASHED";
  return d;
}

// One unit is 100 pixels on a 400 x 400 canvas centred on the origin.
int Draw(Drawing& d, Canvas& c, TAcadPoint center = {0, 0, 0}, double size = 4) {
  return DrawDxf(d, u"", center, clBlack, size, size, 1, c, PixelPoint{200, 200}, 400, 400, 1.0, 0,
                 true, false);
}

std::vector<int> DashLengths(const RecordingCanvas& c) {
  std::vector<int> lengths;
  for (const auto& s : SegmentsOf(c))
    lengths.push_back(std::abs(s.to.x - s.from.x) + std::abs(s.to.y - s.from.y));
  return lengths;
}

TEST(Linetypes, PatternsScaleWithTheHeaderAndTheRecordAndStayReadable) {
  const double dashed[] = {0.5, -0.25};
  PixelPattern p = PatternInPixels(dashed, 1, 0.01, 1);
  ASSERT_EQ(p.steps.size(), 2u);
  EXPECT_DOUBLE_EQ(p.steps[0].length, 50);
  EXPECT_TRUE(p.steps[0].on);
  EXPECT_DOUBLE_EQ(p.period, 75);
  EXPECT_DOUBLE_EQ(PatternInPixels(dashed, 2, 0.01, 1).period, 150);
  // Zoomed out, the gap keeps two pixels; below four pixels the line is solid.
  p = PatternInPixels(dashed, 1, 0.15, 1);
  EXPECT_NEAR(p.steps[0].length, 3.333, 0.001);
  EXPECT_DOUBLE_EQ(p.steps[1].length, 2);
  EXPECT_TRUE(PatternInPixels(dashed, 1, 0.5, 1).steps.empty());
  // Dots stay dots; neighbours of one kind merge; no gap, or a hostile
  // element, is solid.
  const double dashDot[] = {1, 0.5, -0.25, 0, -0.25};
  p = PatternInPixels(dashDot, 1, 0.01, 1);
  ASSERT_EQ(p.steps.size(), 4u);
  EXPECT_DOUBLE_EQ(p.steps[0].length, 150);
  EXPECT_DOUBLE_EQ(p.steps[2].length, 0);
  EXPECT_TRUE(p.steps[2].on);
  const double dashes[] = {1, 0.5};
  EXPECT_TRUE(PatternInPixels(dashes, 1, 0.01, 1).steps.empty());
  const double hostile[] = {0.5, -NAN};
  EXPECT_TRUE(PatternInPixels(hostile, 1, 0.01, 1).steps.empty());

  // Drawn: a 3-unit line is four 50-pixel dashes; LTSCALE 2 with group 48
  // of 0.5 is the same, group 48 of 2 doubles them; a scale of 0 is 1.
  Drawing d = DashedDrawing();
  d.EntLineAry.push_back(test::Line(-1.5, 0, 1.5, 0));
  RecordingCanvas c;
  EXPECT_EQ(Draw(d, c), 1);
  EXPECT_EQ(DashLengths(c), (std::vector<int>{50, 50, 50, 50}));
  EXPECT_EQ(SegmentsOf(c)[1].from, (PixelPoint{125, 200}));
  d.LtScale = 2;
  d.EntLineAry[0].code48 = 0.5f;
  RecordingCanvas half;
  Draw(d, half);
  EXPECT_EQ(DashLengths(half), (std::vector<int>{50, 50, 50, 50}));
  d.EntLineAry[0].code48 = 0;
  RecordingCanvas zero;
  Draw(d, zero);
  EXPECT_EQ(DashLengths(zero), (std::vector<int>{100, 100}));
  // Zoomed far out the same line is one solid stroke.
  RecordingCanvas far;
  Draw(d, far, {0, 0, 0}, 400);
  EXPECT_EQ(SegmentsOf(far).size(), 1u);
}

TEST(Linetypes, LayerLinetypesTheFixedPensAndCircles) {
  Drawing d = DashedDrawing();
  d.LayerAry.push_back(NewLayer(u"W"));
  d.LayerAry[1].ltype = u"HIDDEN";  // not in the file: the pen table's dots
  TAcadLineBlk own = test::Line(-1.5, 1, 1.5, 1);
  own.ltype = u"DASHED";
  own.layindex = 1;
  own.PenStyle = psSolid;
  TAcadLineBlk fixed = test::Line(-1.5, -1, 1.5, -1);
  fixed.layindex = 1;
  fixed.PenStyle = psDot;
  d.EntLineAry = {own, fixed};
  RecordingCanvas c;
  Draw(d, c);
  const auto segments = SegmentsOf(c);
  ASSERT_EQ(segments.size(), 5u);  // four dashes and the dotted line
  EXPECT_EQ(segments[4].to.x - segments[4].from.x, 300);
  bool dotted = false;
  for (const CanvasOp& op : c.ops())
    if (op.kind == CanvasOpKind::SetPenStyle) dotted = op.args[0] == psDot;
  EXPECT_TRUE(dotted);

  // A BYLAYER circle of radius 1 is 628 pixels round: eight dashes and a
  // ninth begun, as chords on the circle, no arc.
  d.EntLineAry.clear();
  d.EntCircleAry.push_back(test::Circle(0, 0, 1));
  RecordingCanvas round;
  Draw(d, round);
  EXPECT_EQ(test::CountOps(round, CanvasOpKind::Arc), 0);
  EXPECT_EQ(test::CountOps(round, CanvasOpKind::MoveTo), 9);
  for (const auto& s : SegmentsOf(round)) EXPECT_NEAR(std::hypot(s.to.x - 200, s.to.y - 200), 100, 1);
}

TEST(Linetypes, PatternRunsOnAlongConnectedLinesAlsoWhenTheFirstAreNotDrawn) {
  Drawing d = DashedDrawing();
  // 0.6 units: a dash, then 10 pixels of gap; the next line has 15 pixels
  // of gap left before its first dash.
  d.EntLineAry = {test::Line(-1.2, 0, -0.6, 0), test::Line(-0.6, 0, 0, 0),
                  test::Line(0, 0.5, 0.6, 0.5)};
  RecordingCanvas c;
  Draw(d, c);
  const auto segments = SegmentsOf(c);
  ASSERT_EQ(segments.size(), 3u);
  EXPECT_EQ(segments[0].from.x, 80);
  EXPECT_EQ(segments[1].from.x, 80 + 75);
  EXPECT_EQ(segments[1].to.x, 200);
  EXPECT_EQ(segments[2].from, (PixelPoint{200, 150}));  // not connected: starts afresh

  LinetypeLookup lt = MakeLinetypeLookup(d, 0.01, 1, PixelPoint{200, 200}, 400, 400);
  const PixelPattern* p = PatternOf(lt, d.EntLineAry[1].ltype, 0, 1);
  ASSERT_NE(p, nullptr);
  EXPECT_NEAR(LinePhase(lt, d.EntLineAry, 1, *p), 60, 1e-9);  // line 0 never asked
  EXPECT_NEAR(LinePhase(lt, d.EntLineAry, 2, *p), 0, 1e-9);
  // Four lines of 40 pixels; the middle two are not drawn.
  const std::vector<TAcadLineBlk> run{test::Line(0, 0, 0.4, 0), test::Line(0.4, 0, 0.8, 0),
                                      test::Line(0.8, 0, 1.2, 0), test::Line(1.2, 0, 1.6, 0)};
  EXPECT_NEAR(LinePhase(lt, run, 0, *p), 0, 1e-9);
  EXPECT_NEAR(LinePhase(lt, run, 3, *p), 45, 1e-9);
}

TEST(Linetypes, DeepZoomDrawsOnlyTheDashesThatShow) {
  Drawing d = DashedDrawing();
  d.EntLineAry.push_back(test::Line(-1e6, 0, 1e6, 0));
  d.EntCircleAry.push_back(test::Circle(0, 1e5, 1e5));
  RecordingCanvas c;
  // A unit is 10^4 pixels: each dash is 5000 pixels, each circle dash too.
  Draw(d, c, {0.01, 0, 0}, 0.04);
  EXPECT_LE(test::CountOps(c, CanvasOpKind::MoveTo), 4);
  EXPECT_GE(test::CountOps(c, CanvasOpKind::MoveTo), 1);
  for (const auto& s : SegmentsOf(c)) {
    EXPECT_LE(std::abs(s.from.x), 1000);
    EXPECT_LE(std::abs(s.to.x), 1000);
  }
}

}  // namespace
}  // namespace vantrel
