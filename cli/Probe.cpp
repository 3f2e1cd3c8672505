// vantrel-cli probe: what the file list learns about a file before reading
// it, one tab-separated line of key=value fields per file.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "model/DwgThumbnailUnit.h"
#include "model/FileProbes.h"
#include "model/SilentAbort.h"

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

bool HasDwgExtension(const fs::path& file) {
  std::string ext = file.extension().string();
  for (char& c : ext) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return ext == ".DWG";
}

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
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    std::fprintf(stderr, "vantrel-cli probe: %s: %s\n", file.string().c_str(),
                 fs::exists(file, ec) ? "not a regular file" : "no such file");
    return false;
  }
  std::u16string signature, version, codePage;
  if (!ReadFileSignature(file, signature) || !ReadAcadVer(file, version) ||
      !ReadDwgCodePage(file, codePage)) {
    std::fprintf(stderr, "vantrel-cli probe: %s: cannot be opened\n", file.string().c_str());
    return false;
  }

  std::u16string label, format;
  std::string preview;
  if (HasDwgExtension(file)) {
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

  std::string line = file.string();
  line += "\tsignature=" + Utf8(signature);
  line += "\tversion=" + Utf8(version);
  line += "\tcodepage=" + Utf8(codePage);
  line += "\tlabel=" + Utf8(label);
  line += "\tformat=" + Utf8(format);
  if (!preview.empty()) line += "\tpreview=" + preview;
  std::printf("%s\n", line.c_str());
  return true;
}

}  // namespace

int RunProbe(const Args& args) {
  if (args.empty()) {
    std::fputs("usage: vantrel-cli probe FILE...\n", stderr);
    return 2;
  }
  int status = 0;
  for (const std::string& name : args)
    if (!ProbeOne(fs::path(name))) status = 1;
  return status;
}

}  // namespace vantrel::cli
