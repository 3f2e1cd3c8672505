// The libpng wrapper over arbitrary bytes: errors must come back as false,
// never as a jump past our frames, a print or an allocation the bytes cannot fill.
#include <cstdint>
#include <span>

#include "model/DwgThumbnailUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vantrel::RgbBitmap bitmap;
  vantrel::DecodePng(std::span<const std::uint8_t>(data, size), bitmap);
  return 0;
}
