// vantrel-cli probe: what the file list learns about a file before reading
// it, one tab-separated line of key=value fields per file.
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "model/DwgThumbnailUnit.h"
#include "model/FileNames.h"
#include "model/FileProbes.h"
#include "model/SilentAbort.h"

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

std::string PreviewField(const fs::path& file) {
  RgbBitmap preview;
  try {
    ReadDwgPreview(file, preview);
  } catch (const SilentAbort&) {
    return "unreadable";
  }
  if (preview.empty()) return "none";
  return std::to_string(preview.width) + "x" + std::to_string(preview.height);
}

// False when the file cannot be opened; the reason goes to stderr.
bool ProbeOne(const fs::path& file) {
  if (!CheckInputFile("probe", file)) return false;
  std::u16string signature, version, codePage;
  if (!ReadFileSignature(file, signature) || !ReadAcadVer(file, version) ||
      !ReadDwgCodePage(file, codePage)) {
    std::fprintf(stderr, "vantrel-cli probe: %s: cannot be opened\n", ShownPath(file).c_str());
    return false;
  }

  std::u16string label, format;
  std::string preview;
  if (UpperExtension(file) == ".DWG") {
    label = DwgVersionLabel(signature) + u" DWG";
    format = u"DWG";
    preview = PreviewField(file);
  } else if (IsForeignHead(signature)) {
    label = DxfVersionLabel(signature) + u" DXF";
    format = u"BinaryDXF";
  } else {
    label = DxfVersionLabel(version) + u" DXF";
    format = u"DXF";
  }

  // A text DXF's head holds its first line end; every file stays on one line.
  std::string line = ShownPath(file);
  line += "\tsignature=" + Printable(signature);
  line += "\tversion=" + Printable(version);
  line += "\tcodepage=" + Printable(codePage);
  line += "\tlabel=" + Printable(label);
  line += "\tformat=" + Printable(format);
  if (!preview.empty()) line += "\tpreview=" + preview;
  std::printf("%s\n", line.c_str());
  return true;
}

}  // namespace

int RunProbe(const Args& args) {
  SplitArguments split;
  if (const std::string problem = Split(args, {}, split); !problem.empty()) return UsageError("probe", problem);
  if (split.operands.empty()) return UsageError("probe", "no file");
  int status = 0;
  for (const std::string& name : split.operands)
    if (!ProbeOne(fs::path(name))) status = 1;
  return status;
}

}  // namespace vantrel::cli
