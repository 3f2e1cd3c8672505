// vantrel-cli probe: what the file list learns about a file before reading
// it, one tab-separated line of key=value fields per file.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

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

// A text DXF's head holds its first line end; control characters are
// written as C escapes so that every file stays on one line.
std::string Printable(const std::u16string& text) {
  std::string out;
  for (char c : Utf8(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
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

  std::string line = file.string();
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
