// The head and header probes over arbitrary bytes: no crash, no hang, no
// read beyond the file, whatever the line ends and encodings.
#include <cstdint>

#include "model/FileProbes.h"
#include "tests/fuzz/FuzzTempFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto& path = vantrel::fuzz::TempFilePath("probes");
  if (!vantrel::fuzz::WriteTempFile(path, data, size)) return 0;
  std::u16string signature, version, codePage;
  vantrel::ReadFileSignature(path, signature);
  vantrel::ReadAcadVer(path, version);
  vantrel::ReadDwgCodePage(path, codePage);
  vantrel::IsForeignHead(signature);
  vantrel::DwgVersionLabel(signature);
  vantrel::DxfVersionLabel(version);
  return 0;
}
