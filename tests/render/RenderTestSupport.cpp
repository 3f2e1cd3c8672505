#include "RenderTestSupport.h"

namespace vantrel::test {

std::vector<DrawnSegment> SegmentsOf(const RecordingCanvas& c) {
  std::vector<DrawnSegment> out;
  PixelPoint at;
  TColor pen = clBlack;
  for (const CanvasOp& op : c.ops()) {
    if (op.kind == CanvasOpKind::SetPenColor) pen = static_cast<TColor>(op.args[0]);
    if (op.kind == CanvasOpKind::MoveTo) at = PixelPoint{op.args[0], op.args[1]};
    if (op.kind == CanvasOpKind::LineTo) {
      const PixelPoint to{op.args[0], op.args[1]};
      out.push_back(DrawnSegment{at, to, pen});
      at = to;
    }
  }
  return out;
}

std::vector<DrawnArc> ArcsOf(const RecordingCanvas& c) {
  std::vector<DrawnArc> out;
  for (const CanvasOp& op : c.ops()) {
    if (op.kind != CanvasOpKind::Arc) continue;
    const auto& a = op.args;
    out.push_back(DrawnArc{{a[0], a[1], a[2], a[3]}, {a[4], a[5]}, {a[6], a[7]}});
  }
  return out;
}

std::vector<PixelPoint> PixelsOf(const RecordingCanvas& c) {
  std::vector<PixelPoint> out;
  for (const CanvasOp& op : c.ops())
    if (op.kind == CanvasOpKind::SetPixel) out.push_back(PixelPoint{op.args[0], op.args[1]});
  return out;
}

std::vector<DrawnText> TextsOf(const RecordingCanvas& c) {
  std::vector<DrawnText> out;
  CanvasFont font;
  TColor colour = clBlack;
  for (const CanvasOp& op : c.ops()) {
    if (op.kind == CanvasOpKind::SetFont) font = c.fonts()[op.item];
    if (op.kind == CanvasOpKind::SetFontColor) colour = static_cast<TColor>(op.args[0]);
    if (op.kind == CanvasOpKind::TextOut)
      out.push_back(DrawnText{{op.args[0], op.args[1]}, c.texts()[op.item], font, colour});
  }
  return out;
}

int CountOps(const RecordingCanvas& c, CanvasOpKind kind) {
  int n = 0;
  for (const CanvasOp& op : c.ops()) n += op.kind == kind;
  return n;
}

TAcadLineBlk Line(double x1, double y1, double x2, double y2, TColor colour) {
  TAcadLineBlk r;
  r.st = TAcadPoint{x1, y1, 0};
  r.ed = TAcadPoint{x2, y2, 0};
  r.PenColor = colour;
  return r;
}

TCircleBlk Circle(double x, double y, double r, TColor colour) {
  TCircleBlk c;
  c.center = TAcadPoint{x, y, 0};
  c.hankei = r;
  c.PenColor = colour;
  return c;
}

TArcBlk ArcRecord(double x, double y, double r, double st, double ed, TColor colour) {
  TArcBlk a;
  a.center = TAcadPoint{x, y, 0};
  a.hankei = r;
  a.st = st;
  a.ed = ed;
  a.PenColor = colour;
  return a;
}

TTextBlk Text(const std::u16string& s, double x, double y, double height) {
  TTextBlk t;
  t.str = s;
  t.layer = u"0";
  t.pt10 = TAcadPoint{x, y, 0};
  t.code40 = height;
  t.PenColor = 0xFFFFFF;
  return t;
}

Drawing DrawingWithLayer0() {
  Drawing d;
  d.LayerAry.push_back(NewLayer(u"0"));
  return d;
}

}  // namespace vantrel::test
