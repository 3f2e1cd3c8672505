#include "render/Canvas.h"

namespace vantrel {

FaceShape Canvas::ShapeOf(const std::u16string&, int, bool) { return FaceShape{}; }

void FillCanvas(Canvas& canvas, int width, int height, TColor color) {
  if (canvas.GetBrushStyle() != BrushStyle::Solid) canvas.SetBrushStyle(BrushStyle::Solid);
  if (canvas.BrushColor() != color) canvas.SetBrushColor(color);
  if (canvas.PenColor() != color) canvas.SetPenColor(color);
  canvas.Rectangle(0, 0, width, height);
  // Callers draw on right away and expect the pen every fresh canvas of the
  // program ends up with.
  canvas.SetPenColor(clWhite);
}

std::vector<PlanePoint> ClipRingToSquare(const std::vector<PlanePoint>& ring, double limit) {
  std::vector<PlanePoint> in = ring, out;
  // Each edge of the square in turn: keep what lies on its inner side.
  for (int edge = 0; edge < 4 && !in.empty(); ++edge) {
    const int axis = edge / 2;
    const double bound = edge % 2 == 0 ? -limit : limit;
    auto coord = [axis](const PlanePoint& p) { return axis == 0 ? p.x : p.y; };
    auto inside = [&](const PlanePoint& p) { return edge % 2 == 0 ? coord(p) >= bound : coord(p) <= bound; };
    out.clear();
    for (std::size_t i = 0; i < in.size(); ++i) {
      const PlanePoint& a = in[i];
      const PlanePoint& b = in[(i + 1) % in.size()];
      if (inside(a)) out.push_back(a);
      if (inside(a) != inside(b)) {
        const double t = (bound - coord(a)) / (coord(b) - coord(a));
        PlanePoint p{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
        (axis == 0 ? p.x : p.y) = bound;
        out.push_back(p);
      }
    }
    in.swap(out);
  }
  return in;
}

}  // namespace vantrel
