// The detail view's gestures and panels without a window: mouse drags that
// zoom, fit, go back and re-centre, the middle-button pan, the wheel, the
// Shift pick with its readouts, the monochrome switch, and what the layer,
// string and view lists do to the view. Everything it draws goes onto the
// picture it is given, so tests drive it with a recording canvas and the
// window with the bitmap it shows.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "model/AcadDxfUnit.h"
#include "render/Canvas.h"
#include "render/Renderer.h"

namespace vantrel {

enum class MouseButton { Left, Middle, Right };

// The picture the detail view works on, in its own pixels (device pixels on
// a high-density screen).
class ViewPicture {
 public:
  virtual ~ViewPicture() = default;
  virtual int PictureWidth() const = 0;
  virtual int PictureHeight() const = 0;
  // The shown picture's own canvas: marks drawn with inverting pen modes and
  // in-place redraws go straight into it.
  virtual Canvas& PictureCanvas() = 0;
  // Draws a new bitmap of the picture's size and shows it in one step.
  virtual void ReplacePicture(const std::function<void(Canvas&)>& draw) = 0;
  // Shows what was drawn into the picture canvas; now: before returning.
  virtual void ShowPicture(bool now) = 0;
  virtual void SetStatusPanel(int panel, const std::u16string& text) = 0;
  virtual void Pause(int milliseconds) = 0;
  virtual double Seconds() = 0;
};

// The view before the last zoom, fit, zoom-out or wheel step, or before a
// named view was chosen.
struct PreviousView {
  TAcadPoint PrevCenter;
  double PrevWidth = 0;
  double PrevHeight = 0;
};

class DetailView {
 public:
  DetailView(Drawing& d, ViewState& view, ViewPicture& picture);

  // Positions are in the picture's pixels.
  void Image1MouseDown(MouseButton button, bool shift, int x, int y);
  void Image1MouseMove(bool shift, int x, int y);
  void Image1MouseUp(MouseButton button, bool shift, int x, int y);
  // One zoom step about (x, y). False, and nothing changes but the cross-hair
  // state, when the detail page is not shown or (x, y) is off the picture.
  bool MouseWheel(bool up, int x, int y, bool detailPageActive);

  // The keys of the detail view: a pan by a tenth of the visible window, a
  // zoom step about the centre, the whole drawing.
  void PanByTenths(int right, int up);
  void ZoomAboutCentre(bool in);
  void FitAll();

  // The button "モノクロ表示" / "カラー表示": true while it offers colour,
  // that is while the view is drawn in monochrome.
  bool ButtonMono() const { return buttonMono_; }
  void SetButtonMono(bool mono) { buttonMono_ = mono; }
  void SpeedButton1Click();
  // Redraws with MonoFlag: the menu's monochrome switch and a resize.
  void RedrawWithMonoFlag();

  // The layer list: (name, check mark) in list order.
  using LayerChecks = std::vector<std::pair<std::u16string, bool>>;
  void CheckListBox1ClickCheck(const LayerChecks& items);
  // selected: the clicked item's layer name, if any; blink: "点滅表示".
  void CheckListBox1Click(const LayerChecks& items, const std::optional<std::u16string>& selected, bool blink);
  // The string list: position of the selected item (or -1) and its data.
  void ListBox1Click(int position, int tag);
  // The views list: position of the chosen item and its text.
  void ComboBox1Change(int position, const std::u16string& text);

  int MonoFlag = 0;
  // Drag thresholds are ten of the window's logical pixels.
  double pixelRatio = 1;
  PreviousView prev;

  PixelPoint DownPoint, LastPoint;
  bool BandFlag = false;
  bool PanFlag = false;
  bool PanBusy = false;
  bool WheelBusy = false;
  int CrossX = 0, CrossY = 0;
  bool CrossShown = false;
  int PickLine = -1, PickCircle = -1, PickArc = -1, PickText = -1;
  TAcadLineBlk PrevLine = ZeroLine();

 private:
  static TAcadLineBlk ZeroLine();
  int ButtonMode() const { return buttonMono_ ? 1 : 0; }
  double Scale() const;
  TAcadPoint ScreenPoint(PixelPoint p) const;
  void SaveView();
  void RedrawOffScreen(int colorMode, bool noCull, const std::function<void(Canvas&)>& after = {});
  void RedrawInPlace(int colorMode, bool noCull);
  void Draw(Canvas& canvas, TAcadPoint center, int colorMode, bool noCull, bool thinOut);
  void BandPen(Canvas& c) const;
  void Pick(int x, int y);
  void DrawPickHighlight(Canvas& c);

  Drawing& d_;
  ViewState& view_;
  ViewPicture& picture_;
  bool buttonMono_ = false;
};

// The text colour that stands out most on a background of colour c, chosen
// from the colour index palette.
TColor ContrastColor(TColor c);

// The model's layer switches follow the list's check marks; the first layer
// of each name takes the mark, the later item of a name winning.
void SyncLayerVisibility(Drawing& d, const DetailView::LayerChecks& items);

// A text the string list shows, with its index in EntTextAry.
struct TextListItem {
  std::u16string text;
  int tag = 0;
};

// The order of the panels' lists: letters without regard to case, ties in
// one fixed order.
bool ListOrder(const std::u16string& a, const std::u16string& b);

// The texts (without attribute flags) that contain search, case-sensitive,
// all of them for an empty search; sorted.
std::vector<TextListItem> SearchTexts(const Drawing& d, const std::u16string& search);

// Where the string list centres the view on a text.
TAcadPoint TextAnchor(const TTextBlk& t);

}  // namespace vantrel
