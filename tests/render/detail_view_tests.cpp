// Guards the detail view's gestures and panels against wrong zoom windows,
// a wheel that moves the point under the cursor, bands drawn on horizontal
// moves, wrong picks and readouts, and contrast colours off the palette.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "render/DetailView.h"
#include "render/RecordingCanvas.h"
#include "RenderTestSupport.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

class FakePicture : public ViewPicture {
 public:
  int PictureWidth() const override { return 400; }
  int PictureHeight() const override { return 300; }
  Canvas& PictureCanvas() override { return shown; }
  void ReplacePicture(const std::function<void(Canvas&)>& draw) override {
    shown.Clear();
    draw(shown);
    ++replaced;
  }
  void ShowPicture(bool) override {}
  void SetStatusPanel(int panel, const std::u16string& text) override { panels[panel] = text; }
  void Pause(int) override { ++pauses; }
  double Seconds() override { return 0; }
  RecordingCanvas shown;
  int replaced = 0;
  int pauses = 0;
  std::map<int, std::u16string> panels;
};

struct ViewFixture : ::testing::Test {
  ViewFixture() : d(test::DrawingWithLayer0()) {
    d.ExtMin = TAcadPoint{0, 0, 0};
    d.ExtMax = TAcadPoint{400, 300, 0};
    view = FitToExtents(d);
    detail = std::make_unique<DetailView>(d, view, picture);
  }
  void Drag(MouseButton b, int x1, int y1, int x2, int y2) {
    detail->Image1MouseDown(b, false, x1, y1);
    detail->Image1MouseMove(false, x2, y2);
    detail->Image1MouseUp(b, false, x2, y2);
  }
  TAcadPoint At(int x, int y) const {
    return ScreenToDxf(view.ViewCenter, view.ViewWidth, view.ViewHeight, kFitRatio, 400, 300, PixelPoint{x, y});
  }
  Drawing d;
  ViewState view;
  FakePicture picture;
  std::unique_ptr<DetailView> detail;
};

TEST_F(ViewFixture, DragsZoomFitWidenReturnAndRecentre) {
  const ViewState fitted = view;
  for (MouseButton b : {MouseButton::Left, MouseButton::Right}) {
    view = fitted;
    const TAcadPoint down = At(100, 100), up = At(300, 250);
    Drag(b, 100, 100, 300, 250);
    EXPECT_DOUBLE_EQ(view.ViewWidth, up.x - down.x);
    EXPECT_DOUBLE_EQ(view.ViewHeight, down.y - up.y);
    EXPECT_DOUBLE_EQ(view.ViewCenter.x, (down.x + up.x) / 2);
    EXPECT_DOUBLE_EQ(detail->prev.PrevWidth, fitted.ViewWidth);
  }
  // 10 right and 50 down is no window: the view re-centres on the midpoint.
  const ViewState zoomed = view;
  const TAcadPoint a = At(200, 100), b = At(210, 150);
  Drag(MouseButton::Left, 200, 100, 210, 150);
  EXPECT_DOUBLE_EQ(view.ViewWidth, zoomed.ViewWidth);
  EXPECT_DOUBLE_EQ(view.ViewCenter.x, (a.x + b.x) / 2);
  EXPECT_DOUBLE_EQ(view.ViewCenter.y, (a.y + b.y) / 2);
  // A plain click does the same about one point.
  const TAcadPoint c = At(50, 60);
  Drag(MouseButton::Left, 50, 60, 50, 60);
  EXPECT_DOUBLE_EQ(view.ViewCenter.x, c.x);
  Drag(MouseButton::Left, 100, 200, 150, 100);  // upper right: all
  EXPECT_EQ(view.ViewWidth, fitted.ViewWidth);
  EXPECT_EQ(view.ViewCenter, fitted.ViewCenter);
  Drag(MouseButton::Left, 300, 200, 200, 100);  // upper left: twice the window
  EXPECT_DOUBLE_EQ(view.ViewWidth, 2 * fitted.ViewWidth);
  Drag(MouseButton::Left, 300, 100, 200, 200);  // lower left: back, and again changes nothing
  EXPECT_DOUBLE_EQ(view.ViewWidth, fitted.ViewWidth);
  Drag(MouseButton::Left, 300, 100, 200, 200);
  EXPECT_DOUBLE_EQ(view.ViewWidth, fitted.ViewWidth);
  EXPECT_EQ(picture.panels[3], u"0.00");
}

TEST_F(ViewFixture, WheelKeepsThePointUnderTheCursor) {
  const TAcadPoint under = At(120, 80);
  const double width = view.ViewWidth;
  EXPECT_TRUE(detail->MouseWheel(true, 120, 80, true));
  EXPECT_TRUE(detail->MouseWheel(true, 120, 80, true));
  EXPECT_DOUBLE_EQ(view.ViewWidth, width / 4);
  EXPECT_NEAR(At(120, 80).x, under.x, 1e-9);
  EXPECT_NEAR(At(120, 80).y, under.y, 1e-9);
  EXPECT_EQ(picture.replaced, 2);
  const ViewState before = view;
  EXPECT_FALSE(detail->MouseWheel(true, 400, 80, true));  // off the picture
  EXPECT_FALSE(detail->MouseWheel(false, 10, 10, false));  // list page shown
  EXPECT_EQ(view.ViewWidth, before.ViewWidth);
  EXPECT_EQ(picture.replaced, 2);
}

TEST_F(ViewFixture, BandWaitsForBothCoordinatesAndPanPreviewLeavesTheCentre) {
  detail->Image1MouseDown(MouseButton::Left, false, 50, 50);
  EXPECT_EQ(test::CountOps(picture.shown, CanvasOpKind::Rectangle), 1);
  detail->Image1MouseMove(false, 80, 50);
  EXPECT_EQ(test::CountOps(picture.shown, CanvasOpKind::Rectangle), 1);
  EXPECT_EQ(detail->LastPoint, (PixelPoint{50, 50}));
  detail->Image1MouseMove(false, 80, 70);
  EXPECT_EQ(test::CountOps(picture.shown, CanvasOpKind::Rectangle), 3);
  EXPECT_EQ(detail->LastPoint, (PixelPoint{80, 70}));
  EXPECT_EQ(picture.panels[1].substr(0, 3), u"W= ");
  detail->Image1MouseUp(MouseButton::Left, false, 80, 70);

  const TAcadPoint centre = view.ViewCenter;
  detail->Image1MouseDown(MouseButton::Middle, false, 100, 100);
  detail->Image1MouseMove(false, 130, 120);
  EXPECT_EQ(view.ViewCenter, centre);
  const TAcadPoint from = At(100, 100), to = At(130, 120);
  detail->Image1MouseUp(MouseButton::Middle, false, 130, 120);
  EXPECT_DOUBLE_EQ(view.ViewCenter.x, centre.x + from.x - to.x);
}

TEST_F(ViewFixture, PickReadsRadiiAndMutualDistance) {
  d.EntCircleAry.push_back(test::Circle(200, 150, 10));
  d.EntLineAry.push_back(test::Line(100, 50, 100, 250));
  d.EntLineAry.push_back(test::Line(125, 50, 125, 250));
  auto pixelOf = [&](double x, double y) {
    double s = 0;
    ViewScale(view.ViewWidth, view.ViewHeight, 400, 300, kFitRatio, s);
    return PixelPoint{static_cast<int>(200 + (x - view.ViewCenter.x) / s),
                      static_cast<int>(150 - (y - view.ViewCenter.y) / s)};
  };
  const PixelPoint inCircle = pixelOf(202, 151);
  detail->Image1MouseDown(MouseButton::Left, true, inCircle.x, inCircle.y);
  EXPECT_EQ(detail->PickCircle, 0);
  EXPECT_EQ(picture.panels[0], u"[0] 円半径 = 10.000");
  EXPECT_EQ(test::CountOps(picture.shown, CanvasOpKind::Arc), 1);
  detail->Image1MouseUp(MouseButton::Left, true, inCircle.x, inCircle.y);
  EXPECT_EQ(test::CountOps(picture.shown, CanvasOpKind::Arc), 2);  // drawn again: gone

  const PixelPoint first = pixelOf(101, 100), second = pixelOf(124, 100);
  detail->Image1MouseDown(MouseButton::Left, true, first.x, first.y);
  detail->Image1MouseUp(MouseButton::Left, true, first.x, first.y);
  EXPECT_EQ(picture.panels[0], u"[0] 長さ = 200.000");
  detail->Image1MouseDown(MouseButton::Left, true, second.x, second.y);
  detail->Image1MouseUp(MouseButton::Left, true, second.x, second.y);
  EXPECT_EQ(picture.panels[0], u"[0] 長さ = 200.000 相互距離 = 25.000");
}

TEST_F(ViewFixture, PanelsSearchChooseViewsAndBlinkOnlyWhatIsThere) {
  d.EntTextAry = {test::Text(u"xABCx", 1, 1, 2), test::Text(u"abc", 2, 2, 2), test::Text(u"ABC", 3, 3, 2)};
  const auto found = SearchTexts(d, u"ABC");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].text, u"ABC");
  EXPECT_EQ(found[1].tag, 0);
  EXPECT_EQ(SearchTexts(d, u"").size(), 3u);
  TTextBlk aligned = test::Text(u"t", 1, 2, 1);
  aligned.pt11 = TAcadPoint{5, 6, 0};
  aligned.code72 = 1;
  EXPECT_EQ(TextAnchor(aligned), aligned.pt11);
  aligned.code72 = 0;
  EXPECT_EQ(TextAnchor(aligned), aligned.pt10);

  detail->MouseWheel(true, 200, 150, true);
  const ViewState zoomed = view;
  detail->ComboBox1Change(0, u"*AllView*");
  EXPECT_EQ(view.ViewWidth, 400);
  Drag(MouseButton::Left, 300, 100, 200, 200);
  EXPECT_EQ(view.ViewWidth, zoomed.ViewWidth);

  // A layer with nothing on it: no flash, no pause, no redraw.
  d.LayerAry.push_back(NewLayer(u"empty"));
  picture.shown.Clear();
  detail->CheckListBox1Click({{u"0", true}, {u"empty", true}}, u"empty", true);
  EXPECT_EQ(picture.pauses, 0);
  EXPECT_EQ(test::CountOps(picture.shown, CanvasOpKind::FillRect), 0);
  d.EntLineAry.push_back(test::Line(0, 0, 10, 10));
  detail->CheckListBox1Click({{u"0", false}, {u"empty", true}}, u"0", true);
  EXPECT_EQ(picture.pauses, 5);
  EXPECT_FALSE(LayerVisible(d, u"0"));
}

TEST(ContrastColour, PicksTheFarthestPaletteColour) {
  EXPECT_EQ(ContrastColor(0xFFFFFF), 0x00004Cu);  // (76, 0, 0), index 18
  EXPECT_EQ(ContrastColor(0x00FF00), 0x00004Cu);
  for (TColor c : {0x000000u, 0x0000FFu, 0xFF0000u}) EXPECT_EQ(ContrastColor(c), 0xFFFFFFu) << c;
}

}  // namespace
}  // namespace vantrel
