// Feeds arbitrary bytes to the DXF reader in both encodings: it must end
// every read with a status, never crash, hang or read out of bounds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "model/AcadDxfUnit.h"
#include "model/DxfReader.h"
#include "model/Feedback.h"
#include "model/TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("fuzz_read_dxf_" + std::to_string(::getpid()) + ".dxf"))
          .string();
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  } else {
    return 0;
  }
  for (auto encoding : {vantrel::TextEncoding::Ansi, vantrel::TextEncoding::Utf8}) {
    vantrel::Drawing d;
    vantrel::ProgressCounter progress;
    vantrel::SilentReporter reporter;
    std::u16string status, version;
    vantrel::ReadDxf(d, path, progress, reporter, encoding, status, version);
  }
  return 0;
}
