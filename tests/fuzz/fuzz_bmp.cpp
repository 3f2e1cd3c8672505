// Our DIB loader over arbitrary bytes, which reach it only behind a file
// header we build; here the whole BMP file is the fuzzer's.
#include <cstdint>
#include <span>

#include "model/DwgThumbnailUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vantrel::RgbBitmap bitmap;
  vantrel::DecodeBmp(std::span<const std::uint8_t>(data, size), bitmap);
  return 0;
}
