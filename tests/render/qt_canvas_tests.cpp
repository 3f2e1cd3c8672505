// Guards the raster canvas against marks that do not vanish when drawn again, wrong line ends and widths, scaled dash patterns, antialiased or wrongly sized text, and recordings that replay differently.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

#include "render/QtCanvas.h"
#include "render/RecordingCanvas.h"
#include "render/Renderer.h"
#include "render/TextDrawing.h"
#include "RenderTestSupport.h"

namespace vantrel {
namespace {

// Fonts need an application object; lines and pixels do not.
class GuiApplication : public ::testing::Environment {
 public:
  void SetUp() override {
    if (QGuiApplication::instance()) return;
    if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    app_ = std::make_unique<QGuiApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "render_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> app_;
};

const ::testing::Environment* const kGui =
    ::testing::AddGlobalTestEnvironment(new GuiApplication);

QImage Image(int w, int h, QRgb fill) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(fill);
  return image;
}

// A picture with a different colour in every pixel, so that any change
// shows.
QImage Pattern(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 3 % 256, y * 5 % 256, (x + y) % 256));
  return image;
}

int CountColour(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
  return n;
}

void DrawMarks(Canvas& c) {
  c.MoveTo(5, 5);
  c.LineTo(60, 40);
  c.LineTo(20, 70);
  c.LineTo(5, 5);
  c.Arc(30, 30, 70, 70, 70, 50, 50, 30);
  c.Arc(10, 40, 30, 60, 0, 0, 0, 0);
  c.SetBrushStyle(BrushStyle::Clear);
  c.Rectangle(40, 10, 75, 25);
}

TEST(QtCanvas, InvertingModesDrawnTwiceRestoreThePictureExactly) {
  for (PenMode mode : {PenMode::Xor, PenMode::Not, PenMode::NotXor}) {
    const QImage before = Pattern(80, 80);
    QImage image = before;
    {
      QtCanvas c(image);
      c.SetPenMode(mode);
      c.SetPenColor(0x3366CC);
      DrawMarks(c);
    }
    EXPECT_NE(image, before);
    {
      QtCanvas c(image);
      c.SetPenMode(mode);
      c.SetPenColor(0x3366CC);
      DrawMarks(c);
    }
    EXPECT_EQ(image, before) << static_cast<int>(mode);
  }

  // Not ignores the pen colour; xor combines it with the picture.
  QImage image = Image(4, 1, qRgb(0x10, 0x20, 0x30));
  {
    QtCanvas c(image);
    c.SetPenMode(PenMode::Not);
    c.MoveTo(0, 0);
    c.LineTo(2, 0);
    c.SetPenMode(PenMode::Xor);
    c.SetPenColor(0x0000FF);  // red
    c.MoveTo(2, 0);
    c.LineTo(4, 0);
  }
  EXPECT_EQ(image.pixel(0, 0), qRgb(0xEF, 0xDF, 0xCF));
  EXPECT_EQ(image.pixel(3, 0), qRgb(0xEF, 0x20, 0x30));
}

TEST(QtCanvas, LinesLeaveOutTheirEndPixelAndWidePensAreThatWide) {
  QImage image = Image(40, 40, qRgb(0, 0, 0));
  const QRgb white = qRgb(255, 255, 255);
  {
    QtCanvas c(image);
    c.SetPenColor(clWhite);
    c.MoveTo(10, 5);
    c.LineTo(20, 5);
    c.SetPenWidth(5);
    c.MoveTo(5, 20);
    c.LineTo(35, 20);
  }
  EXPECT_EQ(image.pixel(10, 5), white);
  EXPECT_EQ(image.pixel(19, 5), white);
  EXPECT_NE(image.pixel(20, 5), white);
  EXPECT_EQ(CountColour(image.copy(0, 0, 40, 10), white), 10);
  int rows = 0;
  for (int y = 10; y < 30; ++y) rows += image.pixel(20, y) == white;
  EXPECT_EQ(rows, 5);
  for (int y = 18; y <= 22; ++y) EXPECT_EQ(image.pixel(20, y), white) << y;
}

TEST(QtCanvas, CirclesAreThinAndSymmetricAndFarLinesStillShow) {
  const QRgb white = qRgb(255, 255, 255);
  // Traced pixel by pixel up to about two dozen pixels of radius.
  for (int r : {1, 3, 6, 20}) {
    QImage image = Image(2 * r + 11, 2 * r + 11, qRgb(0, 0, 0));
    {
      QtCanvas c(image);
      c.SetPenColor(clWhite);
      c.Arc(5, 5, 5 + 2 * r, 5 + 2 * r, 5 + 2 * r, 5 + r, 5 + 2 * r, 5 + r);
    }
    const int n = image.width();
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        const QRgb p = image.pixel(x, y);
        ASSERT_EQ(p, image.pixel(n - 1 - x, y)) << r << " " << x << "," << y;
        ASSERT_EQ(p, image.pixel(x, n - 1 - y)) << r << " " << x << "," << y;
        ASSERT_EQ(p, image.pixel(y, x)) << r << " " << x << "," << y;
      }
    // The extreme points lie on the box.
    EXPECT_EQ(image.pixel(5 + 2 * r, 5 + r), white) << r;
    EXPECT_EQ(image.pixel(5 + r, 5), white) << r;
    EXPECT_NE(image.pixel(5 + r, 5 + r), white) << r;
  }

  // A line whose ends lie a thousand canvases away still crosses the view.
  QImage image = Image(50, 10, qRgb(0, 0, 0));
  {
    QtCanvas c(image);
    c.SetPenColor(clWhite);
    c.MoveTo(-100000, 5);
    c.LineTo(100000, 5);
  }
  EXPECT_EQ(CountColour(image, white), 50);
}

TEST(QtCanvas, DashPatternsAreInPixelsWhateverThePenWidth) {
  const QRgb white = qRgb(255, 255, 255);
  QImage image = Image(40, 20, qRgb(0, 0, 0));
  {
    QtCanvas c(image);
    c.SetPenColor(clWhite);
    c.SetPenStyle(psDot);
    c.MoveTo(0, 2);
    c.LineTo(40, 2);
    c.SetPenWidth(3);
    c.MoveTo(0, 10);
    c.LineTo(40, 10);
  }
  // Three on, three off, from the start.
  for (int x = 0; x < 12; ++x) EXPECT_EQ(image.pixel(x, 2) == white, x % 6 < 3) << x;
  // The same rhythm on the wide pen.
  int runs = 0;
  for (int x = 1; x < 40; ++x) runs += image.pixel(x, 10) == white && image.pixel(x - 1, 10) != white;
  EXPECT_GE(runs, 5);
  EXPECT_LE(runs, 7);
}

TEST(QtCanvas, RectanglesFillsAndPixelsKeepToTheirPixels) {
  QImage image = Image(20, 20, qRgb(0, 0, 0));
  {
    QtCanvas c(image);
    c.SetPenMode(PenMode::Xor);
    ClearCanvas(c, 10, 8, 0x00FF00);
    c.SetPixel(15, 15, 0x0000FF);  // copied whatever the mode
    c.SetPixel(-1, 50, 0x0000FF);  // outside: ignored
    c.SetBrushColor(0xFF0000);
    c.FillRect(PixelRect{12, 0, 14, 3});
  }
  EXPECT_EQ(CountColour(image, qRgb(0, 255, 0)), 80);
  EXPECT_EQ(image.pixel(9, 7), qRgb(0, 255, 0));
  EXPECT_EQ(image.pixel(10, 7), qRgb(0, 0, 0));
  EXPECT_EQ(image.pixel(15, 15), qRgb(255, 0, 0));
  EXPECT_EQ(CountColour(image, qRgb(0, 0, 255)), 6);

  QImage indexed(4, 4, QImage::Format_Indexed8);
  EXPECT_THROW(QtCanvas{indexed}, std::invalid_argument);
}

TEST(QtCanvas, TextIsAliasedSizedByItsCellAndStretchedToItsWidth) {
  QImage image = Image(200, 60, qRgb(0, 0, 0));
  const QRgb yellow = qRgb(255, 255, 0);
  int natural = 0, doubled = 0;
  {
    QtCanvas c(image);
    c.SetFont(CanvasFont{30, 0, 0, kDefaultFontFace});
    natural = c.TextWidth(u"ABCD");
    c.SetFont(CanvasFont{30, 14, 0, kDefaultFontFace});
    doubled = c.TextWidth(u"ABCD");
    c.SetFontColor(0x00FFFF);
    c.SetBrushStyle(BrushStyle::Solid);  // text stays transparent anyway
    c.TextOut(10, 10, u"\u56F3\u9762AB");
  }
  EXPECT_GT(natural, 20);
  EXPECT_GT(doubled, natural);
  // A deep zoom asks for fonts beyond what Qt's metrics hold; they still
  // measure in proportion.
  {
    QImage scratch = Image(8, 8, 0);
    QtCanvas c(scratch);
    c.SetFont(CanvasFont{3000, 0, 0, kDefaultFontFace});
    const int small = c.TextWidth(u"ABCD");
    c.SetFont(CanvasFont{300000, 0, 0, kDefaultFontFace});
    EXPECT_NEAR(c.TextWidth(u"ABCD"), small * 100, small);
  }
  // Only the background and the font colour: no antialiasing, no box.
  int ink = 0, top = 60, bottom = -1;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      const QRgb p = image.pixel(x, y);
      ASSERT_TRUE(p == yellow || p == qRgb(0, 0, 0));
      if (p == yellow) {
        ++ink;
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  EXPECT_GT(ink, 100);
  // The glyphs stay inside the 30 pixel cell that starts at y = 10.
  EXPECT_GE(top, 10);
  EXPECT_LE(bottom, 40);
  EXPECT_GT(bottom - top, 15);
}

TEST(QtCanvas, BackwardAndUpsideDownTextsMirrorTheirCellAboutTheAnchor) {
  // "HHH" 20 high, anchored at pixel (100, 100).
  auto draw = [](Canvas& c, int code71) {
    TTextBlk t = test::Text(u"HHH", 0, 0, 20);
    t.code71 = static_cast<SmallInt>(code71);
    DrawStyledText(c, PixelPoint{100, 100}, t.str, 1.0, t, t.pt10, t.pt11, clWhite, TextLook{});
  };
  auto ink = [&](int code71) {
    QImage image = Image(200, 200, qRgb(0, 0, 0));
    {
      QtCanvas c(image);
      draw(c, code71);
    }
    QRect box;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 200; ++x)
        if (image.pixel(x, y) != qRgb(0, 0, 0)) box |= QRect(x, y, 1, 1);
    return box;
  };
  const QRect plain = ink(0), backward = ink(2), upside = ink(4);
  ASSERT_FALSE(plain.isEmpty());
  EXPECT_GE(plain.left(), 99);
  EXPECT_LE(plain.bottom(), 100);
  EXPECT_LE(backward.right(), 101);
  EXPECT_LE(backward.bottom(), 100);
  EXPECT_NEAR(backward.width(), plain.width(), 2);
  EXPECT_GE(upside.left(), 99);
  EXPECT_GE(upside.top(), 99);
  EXPECT_NEAR(upside.height(), plain.height(), 2);

  // A canvas that cannot mirror glyphs gets readable ones in the box the
  // mirrored text takes: left of the anchor for a backward text.
  RecordingCanvas r;
  draw(r, 2);
  ASSERT_EQ(test::TextsOf(r).size(), 1u);
  EXPECT_LT(test::TextsOf(r)[0].at.x, 100 - 20);
  EXPECT_EQ(r.Font().mirror, 0);
}

TEST(QtCanvas, HostileNumbersNeitherCrashNorStall) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Drawing d;
  d.LayerAry.push_back(NewLayer(u"0"));
  for (double v : {nan, inf, -inf, 1e300, -1e300, 3e9}) {
    TAcadLineBlk line;
    line.ed = TAcadPoint{v, 1, 0};
    d.EntLineAry.push_back(line);
    TCircleBlk circle;
    circle.center = TAcadPoint{1, v, 0};
    circle.hankei = v;
    d.EntCircleAry.push_back(circle);
    TArcBlk arc;
    arc.center = TAcadPoint{0, -v, 0};
    arc.hankei = v;
    arc.st = 10;
    arc.ed = v;
    d.EntArcAry.push_back(arc);
    TTextBlk text;
    text.str = u"X";
    text.code40 = v;
    text.code41 = -v;
    text.code50 = v;
    text.code72 = 5;
    text.pt11 = TAcadPoint{v, 0, 0};
    d.EntTextAry.push_back(text);
    text.mtflag = true;
    text.str = u"A\\PB";
    d.EntTextAry.push_back(text);
  }
  QImage image = Image(200, 200, qRgb(0, 0, 0));
  QtCanvas c(image);
  // Fitted, and zoomed in a billion times near the origin.
  for (double size : {100.0, 1e-7}) {
    EXPECT_GT(DrawDxf(d, u"", TAcadPoint{0, 0, 0}, clBlack, size, size, 1, c, PixelPoint{100, 100},
                      200, 200, kFitRatio, 0, true, false),
              0);
  }
}

TEST(QtCanvas, ARecordingReplaysToTheSamePicture) {
  Drawing d;
  d.LayerAry.push_back(NewLayer(u"0"));
  TAcadLineBlk line;
  line.ed = TAcadPoint{50, 30, 0};
  line.PenColor = 0x0000FF;
  line.PenStyle = psDashDot;
  d.EntLineAry.push_back(line);
  TCircleBlk circle;
  circle.center = TAcadPoint{10, 10, 0};
  circle.hankei = 15;
  circle.PenColor = 0x00FF00;
  d.EntCircleAry.push_back(circle);
  TFillBlk fill;
  fill.count = 6;
  fill.rings = 2;
  fill.PenColor = 0xFF0000;
  d.EntFillAry.push_back(fill);
  // A triangle with a triangular hole: even-odd leaves the hole empty.
  d.EntFillPtAry = {{20, -45, 0}, {50, -45, 0}, {35, -15, 0}, {30, -40, 0}, {40, -40, 0}, {35, -30, 0}};
  d.EntFillRingAry = {3, 3};
  TTextBlk text;
  text.str = u"Vantrel";
  text.pt10 = TAcadPoint{-40, -20, 0};
  text.code40 = 8;
  text.PenColor = 0xFFFFFF;
  d.EntTextAry.push_back(text);

  auto draw = [&](Canvas& c) {
    ClearCanvas(c, 120, 100, clBlack);
    DrawDxf(d, u"", TAcadPoint{0, 0, 0}, clBlack, 100, 60, 1, c, PixelPoint{60, 50}, 120, 100,
            kFitRatio, 0, true, false);
  };
  QImage direct = Image(120, 100, qRgb(1, 2, 3));
  {
    QtCanvas c(direct);
    draw(c);
  }
  // A recording for a real canvas measures and shapes with real faces, as
  // the export's does.
  QImage probeImage = Image(1, 1, qRgb(0, 0, 0));
  QtCanvas probe(probeImage);
  RecordingCanvas recording(
      [&](const CanvasFont& f, std::u16string_view s) {
        probe.SetFont(f);
        return probe.TextWidth(std::u16string(s));
      },
      [&](const std::u16string& face, int weight, bool italic) { return probe.ShapeOf(face, weight, italic); });
  draw(recording);
  QImage replayed = Image(120, 100, qRgb(9, 9, 9));
  {
    QtCanvas c(replayed);
    c.SetPenWidth(4);
    c.SetPenMode(PenMode::Xor);
    recording.Replay(c);
  }
  EXPECT_EQ(replayed, direct);
  EXPECT_GT(CountColour(direct, qRgb(255, 0, 0)), 20);
  // The fill: solid around its hole, nothing inside the hole.
  const double scale = 100.0 / 120 / kFitRatio;
  auto pixelAt = [&](double x, double y) {
    return direct.pixel(60 + static_cast<int>(std::lround(x / scale)), 50 + static_cast<int>(std::lround(-y / scale)));
  };
  EXPECT_EQ(pixelAt(35, -42), qRgb(0, 0, 255));
  EXPECT_EQ(pixelAt(35, -37), qRgb(0, 0, 0));
}

}  // namespace
}  // namespace vantrel
