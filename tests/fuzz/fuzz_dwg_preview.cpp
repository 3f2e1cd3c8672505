// The DWG preview reader over arbitrary files: every outcome is an image, an
// untouched bitmap or the silent abort; never a crash or a huge allocation.
#include <cstdint>

#include "model/DwgThumbnailUnit.h"
#include "model/SilentAbort.h"
#include "tests/fuzz/FuzzTempFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto& path = vantrel::fuzz::TempFilePath("preview");
  if (!vantrel::fuzz::WriteTempFile(path, data, size)) return 0;
  vantrel::RgbBitmap bitmap;
  try {
    vantrel::ReadDwgPreview(path, bitmap);
  } catch (const vantrel::SilentAbort&) {
  }
  return 0;
}
