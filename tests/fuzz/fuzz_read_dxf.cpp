// Feeds arbitrary bytes to the DXF reader in both encodings, and what it
// read to the geometry passes and the MTEXT format parser: every read must
// end with a status, and no spline, hatch boundary, nesting of blocks, array
// of inserts or MTEXT code may crash, hang or read out of bounds.
#include <cstdint>
#include <string>

#include "FuzzTempFile.h"

#include "geometry/PassSequence.h"
#include "model/AcadDxfUnit.h"
#include "model/DxfReader.h"
#include "model/Feedback.h"
#include "model/TextCodec.h"
#include "model/TextCodes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto& path = vantrel::fuzz::TempFilePath("dxf");
  if (!vantrel::fuzz::WriteTempFile(path, data, size)) return 0;
  for (auto encoding : {vantrel::TextEncoding::Ansi, vantrel::TextEncoding::Utf8}) {
    vantrel::Drawing d;
    vantrel::ProgressCounter progress;
    vantrel::SilentReporter reporter;
    std::u16string status, version;
    vantrel::ReadDxf(d, path, progress, reporter, encoding, status, version);
    if (encoding != vantrel::TextEncoding::Utf8) continue;
    // A small budget keeps each run quick; bombs then show in part.
    vantrel::PassOptions options;
    options.expansionBudget = std::size_t{16} << 20;
    vantrel::RunGeometryPasses(d, options);
    for (const vantrel::TTextBlk& t : d.EntTextAry)
      if (t.mtflag) vantrel::ParseMTextRuns(t.str, vantrel::MTextRun{});
  }
  return 0;
}
