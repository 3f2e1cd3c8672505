#include "render/Canvas.h"

namespace vantrel {

void FillCanvas(Canvas& canvas, int width, int height, TColor color) {
  if (canvas.GetBrushStyle() != BrushStyle::Solid) canvas.SetBrushStyle(BrushStyle::Solid);
  if (canvas.BrushColor() != color) canvas.SetBrushColor(color);
  if (canvas.PenColor() != color) canvas.SetPenColor(color);
  canvas.Rectangle(0, 0, width, height);
  // Callers draw on right away and expect the pen every fresh canvas of the
  // program ends up with.
  canvas.SetPenColor(clWhite);
}

}  // namespace vantrel
