// A plain picture: rows top-down, one packed 0x00BBGGRR value per pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "model/AcadDxfUnit.h"

namespace vantrel {

struct RgbBitmap {
  int width = 0;
  int height = 0;
  std::vector<TColor> pixels;

  RgbBitmap() = default;
  RgbBitmap(int w, int h, TColor fill = 0) : width(w), height(h), pixels(std::size_t(w) * h, fill) {}
  TColor& at(int x, int y) { return pixels[std::size_t(y) * width + x]; }
  TColor at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
  bool empty() const { return width <= 0 || height <= 0; }
};

}  // namespace vantrel
