// Feeds arbitrary bytes to the list-image cache loader: a damaged or forged
// cache file must fail to load, never crash or read out of bounds.
#include <QImage>

#include <cstdint>

#include "FuzzTempFile.h"
#include "app/ListImageCache.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto& path = vantrel::fuzz::TempFilePath("cache");
  if (!vantrel::fuzz::WriteTempFile(path, data, size)) return 0;
  QImage image;
  if (vantrel::LoadListImageCache(path, image) && !image.isNull()) {
    // Touch every pixel the loader claims to have filled.
    volatile unsigned sum = 0;
    for (int y = 0; y < image.height(); ++y) sum += image.pixel(image.width() - 1, y);
  }
  return 0;
}
