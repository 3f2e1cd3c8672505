// Guards the renderer against a wrong view transform or fit, lost or extra entities from the filters and culling, wrong colours, arcs drawn the wrong way round, misplaced or unturned texts, texts too small to read shaped instead of drawn as base lines, and filled areas not filled or bent far out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "RenderTestSupport.h"
#include "render/Renderer.h"
#include "render/TextDrawing.h"

namespace vantrel {
namespace {

using test::ArcsOf;
using test::CountOps;
using test::PixelsOf;
using test::SegmentsOf;
using test::TextsOf;

// 200 x 200 pixels, one drawing unit per pixel, the origin at pixel
// (100, 100).
struct UnitView {
  TAcadPoint center{0, 0, 0};
  double width = 170;
  double height = 170;
  int canvasWidth = 200;
  int canvasHeight = 200;
  TColor back = clBlack;
  int colorMode = 0;
  bool noCull = false;
  bool thinOut = false;
  std::u16string onlyLayer;

  int Draw(Drawing& d, Canvas& c) const {
    return DrawDxf(d, onlyLayer, center, back, width, height, 1, c,
                   PixelPoint{canvasWidth / 2, canvasHeight / 2}, canvasWidth, canvasHeight,
                   kFitRatio, colorMode, noCull, thinOut);
  }
};

TEST(ViewTransform, FitPutsExtentsInTheMiddleEightyFivePercent) {
  Drawing d = test::DrawingWithLayer0();
  d.EntLineAry.push_back(test::Line(0, 0, 100, 50));
  d.ExtMin = TAcadPoint{0, 0, 0};
  d.ExtMax = TAcadPoint{100, 50, 0};
  const ViewState v = FitToExtents(d);
  EXPECT_EQ(v.ViewCenter, (TAcadPoint{50, 25, 0}));

  double s = 0;
  ASSERT_TRUE(ViewScale(v.ViewWidth, v.ViewHeight, 400, 400, kFitRatio, s));
  EXPECT_DOUBLE_EQ(s, 0.25 / 0.85);
  const ViewWindow w = WindowAround(v.ViewCenter, s, 400, 400);
  EXPECT_NEAR(w.xmax - w.xmin, 117.647, 0.001);

  RecordingCanvas c;
  EXPECT_EQ(DrawDxf(d, u"", v.ViewCenter, clBlack, v.ViewWidth, v.ViewHeight, 1, c,
                    PixelPoint{200, 200}, 400, 400, kFitRatio, 0, true, false),
            1);
  const auto segments = SegmentsOf(c);
  ASSERT_EQ(segments.size(), 1u);
  EXPECT_EQ(segments[0].from, (PixelPoint{30, 285}));
  EXPECT_EQ(segments[0].to, (PixelPoint{370, 115}));
}

TEST(ViewTransform, RoundsHalvesToEvenAndInvertsWithTheOddRowBelow) {
  // At one unit per pixel, x = 0.5 and 1.5 land on 0 and 2 from the centre.
  RecordingCanvas c;
  DrawLine(c, PixelPoint{100, 100}, TAcadPoint{0.5, -0.5, 0}, TAcadPoint{1.5, 2.5, 0}, 1.0,
           psSolid, 1, clWhite);
  const auto segments = SegmentsOf(c);
  ASSERT_EQ(segments.size(), 1u);
  EXPECT_EQ(segments[0].from, (PixelPoint{100, 100}));
  EXPECT_EQ(segments[0].to, (PixelPoint{102, 98}));

  const TAcadPoint vc{10, 20, 0};
  // 400 x 401: the forward mapping puts the centre on row 200, the inverse
  // on row 201.
  EXPECT_EQ(ScreenToDxf(vc, 340, 340, kFitRatio, 400, 401, PixelPoint{200, 201}), vc);
  const TAcadPoint p = ScreenToDxf(vc, 340, 340, kFitRatio, 400, 401, PixelPoint{210, 191});
  EXPECT_DOUBLE_EQ(p.x, 20);
  EXPECT_DOUBLE_EQ(p.y, 30);
  EXPECT_EQ(ScreenToDxf(vc, 0, -1, kFitRatio, 400, 400, PixelPoint{5, 5}), (TAcadPoint{}));
}

TEST(ViewTransform, DegenerateViewsDrawNothingOrFallBackToUnitScale) {
  Drawing d = test::DrawingWithLayer0();
  d.EntLineAry.push_back(test::Line(0, 0, 10, 0));
  RecordingCanvas c;
  UnitView v;
  v.noCull = true;
  v.width = v.height = 0;
  EXPECT_EQ(v.Draw(d, c), 0);
  v.width = 170;
  v.canvasWidth = 0;  // would divide by zero in the aspect test
  EXPECT_EQ(v.Draw(d, c), 0);
  EXPECT_TRUE(c.ops().empty());

  // A single horizontal line has no height: s = 1 / 0.85.
  v.canvasWidth = 200;
  v.height = 0;
  EXPECT_EQ(v.Draw(d, c), 1);
  EXPECT_EQ(SegmentsOf(c)[0].to, (PixelPoint{100 + 8, 100}));  // 8.5 rounds to even
}

TEST(ViewTransform, FarPointsStayWithinCanvasIntegersAndKeepTheVisibleDirection) {
  RecordingCanvas c;
  // A line from the centre to 1e12 pixels away along y = x / 2.
  DrawLine(c, PixelPoint{100, 100}, TAcadPoint{0, 0, 0}, TAcadPoint{2e12, 1e12, 0}, 1.0, psSolid,
           1, clWhite);
  const auto seg = SegmentsOf(c).at(0);
  EXPECT_EQ(seg.from, (PixelPoint{100, 100}));
  EXPECT_GT(seg.to.x, 1000000);
  EXPECT_NEAR(static_cast<double>(seg.to.y - 100), -(seg.to.x - 100) / 2.0, 1.0);

  // An arc of radius 1e9 pixels through the view centre is drawn as chords
  // that run through the centre pixel.
  c.Clear();
  DrawArc(c, PixelPoint{100, 100}, TAcadPoint{0, -1e9, 0}, 1.0, 1e9, 1.5, 1.65, psSolid, 1,
          clWhite);
  EXPECT_EQ(CountOps(c, CanvasOpKind::Arc), 0);
  bool throughCentre = false;
  for (const auto& s : SegmentsOf(c)) {
    EXPECT_LE(std::abs(s.from.x), 1 << 23);
    // Counter-clockwise over the top runs from right to left.
    if (s.to.x <= 100 && s.from.x >= 100 && std::abs(s.from.y - 100) <= 1) throughCentre = true;
  }
  EXPECT_TRUE(throughCentre);
}

TEST(Arcs, CrossingZeroTinySweepsAndSubPixelCircles) {
  Drawing d = test::DrawingWithLayer0();
  d.EntArcAry.push_back(test::ArcRecord(0, 0, 50, 350, 10));
  d.EntArcAry.push_back(test::ArcRecord(0, 0, 50, 90, 90.5));
  d.EntCircleAry.push_back(test::Circle(20, 30, 0.4));
  RecordingCanvas c;
  UnitView v;
  v.noCull = true;
  EXPECT_EQ(v.Draw(d, c), 3);

  // The 20 degree arc runs through 0 degrees; the record now says 370.
  EXPECT_EQ(d.EntArcAry[0].ed, 370);
  const auto arcs = ArcsOf(c);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_EQ(arcs[0].box, (PixelRect{50, 50, 150, 150}));
  EXPECT_EQ(arcs[0].start, (PixelPoint{149, 109}));  // 350 degrees, below the x axis
  EXPECT_EQ(arcs[0].end, (PixelPoint{149, 91}));

  // The half-degree arc is its chord from 90 to 90.5 degrees.
  const auto segments = SegmentsOf(c);
  ASSERT_EQ(segments.size(), 1u);
  EXPECT_EQ(segments[0].from, (PixelPoint{100, 50}));
  EXPECT_EQ(segments[0].to, (PixelPoint{100, 50}));

  // The circle of 0.4 pixel is the pixel at its centre.
  EXPECT_EQ(PixelsOf(c), (std::vector<PixelPoint>{{120, 70}}));

  // Drawn again, the stored 370 stays.
  v.Draw(d, c);
  EXPECT_EQ(d.EntArcAry[0].ed, 370);
}

TEST(Arcs, AnArcThroughZeroDegreesStaysInAZoomedViewAfterItsFirstDraw) {
  // Only the arc's stretch around 0 degrees, at (100, 0), is in the window;
  // its centre and both ends are outside.
  Drawing d = test::DrawingWithLayer0();
  d.EntArcAry.push_back(test::ArcRecord(0, 0, 100, 350, 10));
  const ViewWindow w{99, 101, -1, 1};
  EXPECT_TRUE(ArcInView(d.EntArcAry[0], w));
  RecordingCanvas c;
  for (int draw = 0; draw < 2; ++draw)
    EXPECT_EQ(DrawDxf(d, u"", TAcadPoint{100, 0, 0}, clBlack, 1.7, 1.7, 1, c, PixelPoint{100, 100},
                      200, 200, kFitRatio, 0, false, false),
              1)
        << draw;
  EXPECT_EQ(d.EntArcAry[0].ed, 370);
  EXPECT_TRUE(ArcInView(d.EntArcAry[0], w));
}

TEST(Arcs, TinyArcsAreDotsButNearlyFullOnesStayWhole) {
  RecordingCanvas c;
  // 3 degrees of a 5 pixel radius: both ends in one pixel.
  DrawArc(c, PixelPoint{100, 100}, TAcadPoint{0, 0, 0}, 1.0, 5, 0, 3 * 0.017453292519943295,
          psSolid, 1, clWhite);
  EXPECT_EQ(PixelsOf(c), (std::vector<PixelPoint>{{100, 100}}));
  EXPECT_EQ(CountOps(c, CanvasOpKind::Arc), 0);

  // All but 0.002 degrees of a 100 pixel circle is the whole circle, not a
  // dot at its centre.
  c.Clear();
  DrawArc(c, PixelPoint{100, 100}, TAcadPoint{0, 0, 0}, 1.0, 100, 0.001 * 0.017453292519943295,
          359.999 * 0.017453292519943295, psSolid, 1, clWhite);
  EXPECT_TRUE(PixelsOf(c).empty());
  const auto arcs = ArcsOf(c);
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_EQ(arcs[0].start, arcs[0].end);

  // A full circle (start = end = 0) is one Arc call with equal rays.
  c.Clear();
  DrawArc(c, PixelPoint{100, 100}, TAcadPoint{0, 0, 0}, 1.0, 10, 0, 0, psSolid, 1, clWhite);
  ASSERT_EQ(ArcsOf(c).size(), 1u);
  EXPECT_EQ(ArcsOf(c)[0].start, (PixelPoint{110, 100}));
}

TEST(Filters, ThinOutDrawsEveryOtherLineAndNoText) {
  Drawing d = test::DrawingWithLayer0();
  for (int i = 0; i < 5; ++i) d.EntLineAry.push_back(test::Line(0, i * 10, 50, i * 10));
  d.EntTextAry.push_back(test::Text(u"T", 0, 0, 10));
  RecordingCanvas c;
  UnitView v;
  v.noCull = true;
  v.thinOut = true;
  EXPECT_EQ(v.Draw(d, c), 3);
  const auto segments = SegmentsOf(c);
  ASSERT_EQ(segments.size(), 3u);
  EXPECT_EQ(segments[0].from.y, 100);
  EXPECT_EQ(segments[1].from.y, 80);
  EXPECT_EQ(segments[2].from.y, 60);
  EXPECT_TRUE(TextsOf(c).empty());
}

TEST(Filters, InvisiblePaperSpaceHiddenLayersAndOneLayerDrawing) {
  Drawing d = test::DrawingWithLayer0();
  TLayer off = NewLayer(u"OFF");
  off.visible = false;
  d.LayerAry.push_back(off);
  auto line = [&](double y, SmallInt layindex) {
    TAcadLineBlk r = test::Line(0, y, 10, y);
    r.layindex = layindex;
    d.EntLineAry.push_back(r);
    return &d.EntLineAry.back();
  };
  line(0, 0);
  line(1, 0)->code60 = 1;
  line(2, 0)->code67 = 1;
  line(3, 0)->code67 = -1;  // replaced by its chords
  line(4, 1);               // on the layer that is off
  line(5, 99);              // an index outside the table counts as visible
  TTextBlk attdef = test::Text(u"ATT", 0, 0, 10);
  attdef.code70 = 1;
  d.EntTextAry.push_back(attdef);

  RecordingCanvas c;
  UnitView v;
  v.noCull = true;
  EXPECT_EQ(v.Draw(d, c), 2);

  // Only the layer that is off, and all of it, even outside the window.
  v.onlyLayer = u"OFF";
  v.noCull = false;
  d.EntLineAry.push_back(test::Line(1000, 1000, 1010, 1000));
  d.EntLineAry.back().layindex = 1;
  c.Clear();
  EXPECT_EQ(v.Draw(d, c), 2);
  EXPECT_EQ(SegmentsOf(c)[0].from.y, 96);

  // A name that is no layer draws as if none was given.
  v.onlyLayer = u"NOSUCH";
  c.Clear();
  EXPECT_EQ(v.Draw(d, c), 2);
}

TEST(Filters, WindowTestsKeepWhatCrossesTheViewAndDropTheRest) {
  const ViewWindow w{-100, 100, -100, 100};
  EXPECT_TRUE(LineInView(test::Line(-50, 0, 50, 0), w));
  EXPECT_TRUE(LineInView(test::Line(-500, 0, 500, 0), w));  // through, both ends outside
  EXPECT_FALSE(LineInView(test::Line(200, -500, 200, 500), w));
  EXPECT_TRUE(CircleInView(test::Circle(150, 0, 60), w));
  EXPECT_FALSE(CircleInView(test::Circle(250, 0, 60), w));
  // A circle around the whole window has no edge crossing it.
  EXPECT_FALSE(CircleInView(test::Circle(0, 1000, 5000), w));
  // An arc whose end lies inside, centre far away.
  EXPECT_TRUE(ArcInView(test::ArcRecord(0, -1000, 1050, 80, 100), w));
  EXPECT_FALSE(ArcInView(test::ArcRecord(0, -1000, 1050, 200, 300), w));
  // Turned by an insert beyond a full turn either way, an arc from 60 to
  // 110 degrees still passes its top, the only part in this window.
  const ViewWindow top{-1, 1, 99, 101};
  EXPECT_TRUE(ArcInView(test::ArcRecord(0, 0, 100, 420, 470), top));
  EXPECT_TRUE(ArcInView(test::ArcRecord(0, 0, 100, -300, -250), top));
  EXPECT_TRUE(TextInView(test::Text(u"X", 0, 0, 10), w));
  EXPECT_FALSE(TextInView(test::Text(u"X", 500, 500, 10), w));

  Drawing d = test::DrawingWithLayer0();
  d.EntLineAry.push_back(test::Line(0, 0, 10, 0));
  d.EntLineAry.push_back(test::Line(1000, 0, 1010, 0));
  RecordingCanvas c;
  UnitView v;
  EXPECT_EQ(v.Draw(d, c), 1);
  v.noCull = true;
  EXPECT_EQ(v.Draw(d, c), 2);
}

TEST(Colours, ModesOnBlackScreenAndWhitePaper) {
  const TColor red = 0x0000FF, white = 0xFFFFFF, black = 0;
  EXPECT_EQ(InvertColor(0x123456), 0xEDCBA9u);
  EXPECT_EQ(InvertColor(0xFF000000 | red), 0xFFFF00u);

  EXPECT_EQ(DrawingColor(white, black, 0), white);
  EXPECT_EQ(DrawingColor(red, black, 0), red);
  EXPECT_EQ(DrawingColor(white, white, 0), black);
  EXPECT_EQ(DrawingColor(red, black, 1), white);
  EXPECT_EQ(DrawingColor(red, white, 1), black);
  EXPECT_EQ(DrawingColor(white, white, 2), black);
  EXPECT_EQ(DrawingColor(red, white, 2), 0xFFFF00u);
  EXPECT_EQ(DrawingColor(red, white, 7), red);

  // Through DrawDxf, with the pen colour set only when it changes.
  Drawing d = test::DrawingWithLayer0();
  d.EntLineAry.push_back(test::Line(0, 0, 10, 0, red));
  d.EntLineAry.push_back(test::Line(0, 5, 10, 5, red));
  d.EntLineAry.push_back(test::Line(0, 9, 10, 9, white));
  RecordingCanvas c;
  UnitView v;
  v.back = white;
  v.noCull = true;
  v.Draw(d, c);
  auto segments = SegmentsOf(c);
  EXPECT_EQ(segments[0].colour, red);
  EXPECT_EQ(segments[2].colour, black);
  EXPECT_EQ(CountOps(c, CanvasOpKind::SetPenColor), 2);
  EXPECT_EQ(CountOps(c, CanvasOpKind::SetPenWidth), 0);  // already one pixel

  c.Clear();
  v.colorMode = 1;
  v.Draw(d, c);
  for (const auto& s : SegmentsOf(c)) EXPECT_EQ(s.colour, black);
}

TEST(Texts, ControlCodesAreReplacedInTheDrawnCopyOnly) {
  EXPECT_EQ(ReplaceControlCodes(u"%%c30"), u"\u03A630");
  EXPECT_EQ(ReplaceControlCodes(u"%%C30"), u"\u03A630");
  EXPECT_EQ(ReplaceControlCodes(u"100%%d"), u"100\u00B0");
  EXPECT_EQ(ReplaceControlCodes(u"%%p0.5"), u"\u00B10.5");
  EXPECT_EQ(ReplaceControlCodes(u"50%%%"), u"50%");
  EXPECT_EQ(ReplaceControlCodes(u"\\U+2205 12"), u"\u03A6 12");
  EXPECT_EQ(ReplaceControlCodes(u"\\U+25A1"), u"\u25A1");
  EXPECT_EQ(ReplaceControlCodes(u"%%uUNDER"), u"%%uUNDER");
  // Rows apply in order: %%%c holds %%c first.
  EXPECT_EQ(ReplaceControlCodes(u"%%%c"), u"%\u03A6");

  Drawing d = test::DrawingWithLayer0();
  d.EntTextAry.push_back(test::Text(u"%%c30", 0, 0, 10));
  RecordingCanvas c;
  UnitView v;
  v.noCull = true;
  v.Draw(d, c);
  ASSERT_EQ(TextsOf(c).size(), 1u);
  EXPECT_EQ(TextsOf(c)[0].text, u"\u03A630");
  EXPECT_EQ(d.EntTextAry[0].str, u"%%c30");
}

// The fake shape of a recording canvas: base line 0.8 of the cell below its
// top, capitals 0.7 and lower case 0.5 of it high. A Latin face is sized by
// its capitals, so height 7 at one unit a pixel makes a cell of 10; each
// character of the fake metrics is half a cell (5 pixels) wide.
void DrawIn(Canvas& c, const TTextBlk& t, TextLook look = TextLook{u"Sans"}) {
  DrawStyledText(c, PixelPoint{100, 100}, t.str, 1.0, t, t.pt10, t.pt11, clWhite, look);
}

TEST(Texts, TextAnchorsHeightsAndWidths) {
  RecordingCanvas c;
  TTextBlk left = test::Text(u"ABCD", 10, 20, 7);
  DrawIn(c, left);
  auto texts = TextsOf(c);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].font.height, 10);
  EXPECT_EQ(texts[0].font.width, 0);  // the face's own advance
  EXPECT_EQ(texts[0].font.escapement, 0);
  EXPECT_EQ(texts[0].font.face, u"Sans");
  EXPECT_EQ(texts[0].colour, clWhite);
  EXPECT_EQ(texts[0].at, (PixelPoint{110, 72}));  // the base line 8 pixels below the top
  // The font was for this text alone; the brush is left clear.
  EXPECT_EQ(c.Font(), CanvasFont{});
  EXPECT_EQ(c.GetBrushStyle(), BrushStyle::Clear);

  // Centred on pt11, moved left by half the measured 20 pixels.
  c.Clear();
  TTextBlk centred = left;
  centred.code72 = 1;
  centred.pt11 = TAcadPoint{50, 0, 0};
  DrawIn(c, centred);
  EXPECT_EQ(TextsOf(c).at(0).at, (PixelPoint{140, 92}));
  // Bottom: the descent (0.2 of the cell) lies under the base line.
  c.Clear();
  centred.code73 = 1;
  DrawIn(c, centred);
  EXPECT_EQ(TextsOf(c).at(0).at, (PixelPoint{140, 90}));
  // Right, top: the whole width left, the capitals' top on pt11.
  c.Clear();
  TTextBlk topRight = centred;
  topRight.code72 = 2;
  topRight.code73 = 3;
  DrawIn(c, topRight);
  EXPECT_EQ(TextsOf(c).at(0).at, (PixelPoint{130, 99}));

  // Rotated 90 degrees: escapement in tenths, the offset turned with it.
  c.Clear();
  TTextBlk turned = left;
  turned.code50 = 90;
  DrawIn(c, turned);
  EXPECT_EQ(TextsOf(c).at(0).font.escapement, 900);
  EXPECT_EQ(TextsOf(c).at(0).at, (PixelPoint{102, 80}));

  // Width factor, oblique angle and the style's weight and slant reach the font.
  c.Clear();
  TTextBlk styled = left;
  styled.code41 = 2;
  styled.code51 = 15;
  DrawIn(c, styled, TextLook{u"Sans", true, true});
  ASSERT_EQ(TextsOf(c).size(), 1u);
  EXPECT_EQ(TextsOf(c)[0].font.width, 10);
  EXPECT_EQ(TextsOf(c)[0].font.slant, 150);
  EXPECT_EQ(TextsOf(c)[0].font.weight, 700);
  EXPECT_TRUE(TextsOf(c)[0].font.italic);
  // The Japanese face stands for big fonts: its em is the text's height.
  c.Clear();
  left.code40 = 8.5;
  DrawIn(c, left, TextLook{kDefaultFontFace});
  EXPECT_EQ(TextsOf(c).at(0).font.height, 10);

  // Fit: the 10 pixels of "AB" spread over the 40 of the base line, centred
  // between its points; aligned grows the whole text instead.
  c.Clear();
  TTextBlk fit = test::Text(u"AB", 0, 0, 7);
  fit.code72 = 5;
  fit.pt11 = TAcadPoint{40, 0, 0};
  DrawIn(c, fit);
  EXPECT_EQ(TextsOf(c).at(0).font.width, 20);
  EXPECT_EQ(TextsOf(c).at(0).font.height, 10);
  EXPECT_EQ(TextsOf(c).at(0).at, (PixelPoint{100, 92}));
  c.Clear();
  fit.code72 = 3;
  DrawIn(c, fit);
  EXPECT_EQ(TextsOf(c).at(0).font.height, 40);
  EXPECT_EQ(TextsOf(c).at(0).at, (PixelPoint{100, 68}));
  // An empty text and a text of a pixel are not drawn.
  c.Clear();
  fit.str.clear();
  DrawIn(c, fit);
  TTextBlk tiny = left;
  tiny.code40 = 0.5;
  DrawIn(c, tiny);
  EXPECT_TRUE(c.ops().empty());
}

TEST(Texts, TextsTooSmallToReadAreLinesAlongTheirBaseLine) {
  // Height 5: a cell of 7, under the 8 of a readable one; a byte is 0.75
  // of the height wide.
  RecordingCanvas c;
  TTextBlk small = test::Text(u"AB図", 10, 20, 5);
  DrawIn(c, small);
  EXPECT_TRUE(TextsOf(c).empty());
  EXPECT_EQ(c.Font(), CanvasFont{});  // no font made
  auto lines = SegmentsOf(c);
  ASSERT_EQ(lines.size(), 1u);
  // Four bytes from pt10, on the base line, in the text's colour.
  EXPECT_EQ(lines[0].from, (PixelPoint{110, 80}));
  EXPECT_EQ(lines[0].to, (PixelPoint{125, 80}));

  // Right-justified on pt11: the line ends there.
  c.Clear();
  small.code72 = 2;
  small.pt11 = TAcadPoint{50, 0, 0};
  DrawIn(c, small);
  ASSERT_EQ(SegmentsOf(c).size(), 1u);
  EXPECT_EQ(SegmentsOf(c)[0].to, (PixelPoint{150, 100}));

  // An MTEXT gives a line for each of its lines, without its codes.
  c.Clear();
  TTextBlk m = test::Text(u"{\\fArial;AB}\\PC", 0, 0, 5);
  m.mtflag = true;
  m.code41 = 0;
  m.code71 = 1;
  DrawIn(c, m);
  lines = SegmentsOf(c);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NEAR(lines[0].to.x - lines[0].from.x, 7.5, 1);
  EXPECT_NEAR(lines[1].to.x - lines[1].from.x, 3.75, 1);
  EXPECT_GT(lines[1].from.y, lines[0].from.y);
  EXPECT_TRUE(TextsOf(c).empty());
}

TEST(Texts, MTextLinesFollowTheAttachmentPointAndWrapAtTheWidth) {
  // Height 7, spacing 1: base lines 5/3 of the height (11.67) apart.
  RecordingCanvas c;
  TTextBlk m = test::Text(u"A\\PB", 0, 0, 7);
  m.mtflag = true;
  m.code41 = 0;
  m.code71 = 1;
  DrawIn(c, m);
  auto texts = TextsOf(c);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, u"A");
  EXPECT_EQ(texts[0].at, (PixelPoint{100, 99}));  // the capitals' top on the point
  EXPECT_EQ(texts[1].text, u"B");
  EXPECT_EQ(texts[1].at, (PixelPoint{100, 111}));

  // Bottom left: the last line's descent on the point.
  c.Clear();
  m.code71 = 7;
  DrawIn(c, m);
  texts = TextsOf(c);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].at, (PixelPoint{100, 78}));
  EXPECT_EQ(texts[1].at, (PixelPoint{100, 90}));
  // Middle right: halfway between the first line's lower case and the last
  // base line, each line its width to the left.
  c.Clear();
  m.code71 = 6;
  m.str = u"AB\\PC";
  DrawIn(c, m);
  texts = TextsOf(c);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].at, (PixelPoint{90, 89}));
  EXPECT_EQ(texts[1].at, (PixelPoint{95, 100}));

  // The direction vector (0, 1) turns the lines by 90 degrees; the next
  // line then lies to the right.
  c.Clear();
  m.code71 = 1;
  m.str = u"A\\PB";
  m.pt11 = TAcadPoint{0, 1, 0};
  DrawIn(c, m);
  texts = TextsOf(c);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].font.escapement, 900);
  EXPECT_NEAR(texts[1].at.x - texts[0].at.x, 11.67, 1);

  // A reference width of 25 pixels wraps between words; the spaces at a
  // line's end hang over it and do not move a right-attached line.
  c.Clear();
  m.pt11 = TAcadPoint{0, 0, 0};
  m.str = u"aa bb cc";
  m.code41 = 25;
  m.code71 = 3;
  DrawIn(c, m);
  texts = TextsOf(c);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, u"aa bb");
  EXPECT_EQ(texts[1].text, u"cc");
  EXPECT_EQ(texts[0].at.x, 100 - 25);
  EXPECT_EQ(texts[1].at.x, 100 - 10);
  // Without a width nothing wraps.
  c.Clear();
  m.code41 = 0;
  DrawIn(c, m);
  ASSERT_EQ(TextsOf(c).size(), 1u);
}

TEST(Texts, MTextFormatsChangeHeightColourFaceAndLines) {
  RecordingCanvas c;
  TTextBlk m = test::Text(u"a{\\H2x;\\C1;b\\Lc\\l}d\\S1/2;\\Oe", 0, 0, 7);
  m.mtflag = true;
  m.code41 = 0;
  m.code71 = 1;
  TextLook look{u"Sans"};
  look.colorMode = 1;  // monochrome: inline colours give way too
  DrawIn(c, m);
  auto texts = TextsOf(c);
  ASSERT_EQ(texts.size(), 5u);
  EXPECT_EQ(texts[0].text, u"a");
  EXPECT_EQ(texts[1].text, u"b");
  EXPECT_EQ(texts[1].font.height, 20);  // twice the height
  EXPECT_EQ(texts[1].colour, 0x0000FFu);  // ACI 1, red
  EXPECT_EQ(texts[2].text, u"c");
  EXPECT_EQ(texts[3].text, u"d1/2");
  EXPECT_EQ(texts[3].colour, clWhite);
  EXPECT_EQ(texts[3].font.height, 10);
  EXPECT_EQ(texts[4].text, u"e");
  // One line under "c", one over "e", in the colour of their text.
  const auto lines = SegmentsOf(c);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].colour, 0x0000FFu);
  EXPECT_GT(lines[0].from.y, lines[1].from.y);
  // The bigger run lowers the line's base line: all pieces share it.
  EXPECT_EQ(texts[0].at.y + 8, texts[1].at.y + 16);
  RecordingCanvas mono;
  DrawIn(mono, m, look);
  EXPECT_EQ(TextsOf(mono).at(1).colour, clWhite);
}

TEST(Fills, AreFilledPolygonsInTheirColourUnderTheStrokesAndClippedFarOut) {
  Drawing d = test::DrawingWithLayer0();
  d.EntLineAry.push_back(test::Line(-50, 0, 50, 0));
  TFillBlk fill;
  fill.count = 4;
  fill.rings = 1;
  fill.PenColor = 0x00FF00;
  d.EntFillAry.push_back(fill);
  d.EntFillPtAry = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}};
  d.EntFillRingAry = {4};
  // A huge triangle whose far corners the canvas cannot hold.
  fill.first = 4;
  fill.firstRing = 1;
  fill.count = 3;
  d.EntFillAry.push_back(fill);
  d.EntFillPtAry.insert(d.EntFillPtAry.end(), {{-1e12, -20, 0}, {1e12, -20, 0}, {0, -30, 0}});
  d.EntFillRingAry.push_back(3);
  RecordingCanvas c;
  UnitView view;
  EXPECT_EQ(view.Draw(d, c), 3);
  std::vector<const CanvasOp*> polygons;
  for (const CanvasOp& op : c.ops())
    if (op.kind == CanvasOpKind::Polygon) polygons.push_back(&op);
  ASSERT_EQ(polygons.size(), 2u);
  EXPECT_LT(polygons[1], &c.ops()[c.ops().size() - 2]);  // before the line
  const auto square = c.PolygonPoints(*polygons[0]);
  EXPECT_EQ(std::vector<PixelPoint>(square.begin(), square.end()),
            (std::vector<PixelPoint>{{100, 100}, {110, 100}, {110, 90}, {100, 90}}));
  EXPECT_EQ(c.BrushColor(), 0x00FF00u);
  EXPECT_EQ(c.GetBrushStyle(), BrushStyle::Solid);
  // The far corners are cut at the canvas's bound, the near edge stays put.
  const auto wide = c.PolygonPoints(*polygons[1]);
  for (const PixelPoint& p : wide) EXPECT_LE(std::abs(p.x), 1 << 23);
  EXPECT_NE(std::find(wide.begin(), wide.end(), PixelPoint{100, 130}), wide.end());

  // Monochrome draws fills like strokes.
  c.Clear();
  view.colorMode = 1;
  view.Draw(d, c);
  EXPECT_EQ(c.BrushColor(), clWhite);
}

TEST(Canvas, ClearCanvasFillsWithACopyPenAndLeavesItWhite) {
  RecordingCanvas c;
  c.SetPenMode(PenMode::Xor);
  c.Clear();
  ClearCanvas(c, 64, 48, 0x00FF00);
  EXPECT_EQ(c.GetPenMode(), PenMode::Copy);
  EXPECT_EQ(c.PenColor(), clWhite);
  EXPECT_EQ(c.BrushColor(), 0x00FF00u);
  EXPECT_EQ(c.GetBrushStyle(), BrushStyle::Solid);
  ASSERT_EQ(CountOps(c, CanvasOpKind::Rectangle), 1);
  // FillCanvas leaves the raster mode as it was.
  c.SetPenMode(PenMode::Not);
  FillCanvas(c, 64, 48, 0);
  EXPECT_EQ(c.GetPenMode(), PenMode::Not);
}

TEST(EndlessLines, CrossTheWindowAndPointsShowAsDots) {
  Drawing d = test::DrawingWithLayer0();
  TXLineBlk xline;
  xline.code10 = TAcadPoint{10, 0, 0};
  xline.code11 = TAcadPoint{0, 2, 0};
  xline.PenColor = 0xFFFFFF;
  TXLineBlk ray = xline;
  ray.ray = true;
  ray.code10 = TAcadPoint{-10, 20, 0};
  ray.code11 = TAcadPoint{1, 0, 0};
  TXLineBlk away = ray;
  away.code11 = TAcadPoint{-1, 0, 0};
  away.code10 = TAcadPoint{-150, 20, 0};  // runs off, away from the window
  d.XLineAry = {xline, ray, away};
  d.EntLineAry.push_back(test::Line(30, 30, 30, 30));
  RecordingCanvas c;
  UnitView v;
  EXPECT_EQ(v.Draw(d, c), 3);
  const auto segments = SegmentsOf(c);
  ASSERT_EQ(segments.size(), 3u);
  // The dot of the point: one pixel, drawn with the pen.
  EXPECT_EQ(segments[0].from, (PixelPoint{130, 70}));
  EXPECT_EQ(segments[0].to, (PixelPoint{131, 70}));
  // The xline from the bottom edge of the window to the top, the ray from
  // its point to the right edge.
  EXPECT_EQ(segments[1].from, (PixelPoint{110, 200}));
  EXPECT_EQ(segments[1].to, (PixelPoint{110, 0}));
  EXPECT_EQ(segments[2].from, (PixelPoint{90, 80}));
  EXPECT_EQ(segments[2].to, (PixelPoint{200, 80}));
}

}  // namespace
}  // namespace vantrel
