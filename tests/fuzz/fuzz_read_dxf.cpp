// Feeds arbitrary bytes to the DXF reader in both encodings: it must end
// every read with a status, never crash, hang or read out of bounds.
#include <cstdint>
#include <string>

#include "FuzzTempFile.h"

#include "model/AcadDxfUnit.h"
#include "model/DxfReader.h"
#include "model/Feedback.h"
#include "model/TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto& path = vantrel::fuzz::TempFilePath("dxf");
  if (!vantrel::fuzz::WriteTempFile(path, data, size)) return 0;
  for (auto encoding : {vantrel::TextEncoding::Ansi, vantrel::TextEncoding::Utf8}) {
    vantrel::Drawing d;
    vantrel::ProgressCounter progress;
    vantrel::SilentReporter reporter;
    std::u16string status, version;
    vantrel::ReadDxf(d, path, progress, reporter, encoding, status, version);
  }
  return 0;
}
