// vantrel-cli dump: the model as the reader leaves it, or with --stage flat
// as the viewer draws it (after the geometry passes, the extents and the pen
// pass). Without --json it prints the header values and the table counts,
// one "key: value" line each; with --json one JSON object.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/DrawingJson.h"
#include "model/DxfReader.h"
#include "render/PrepareDrawing.h"

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] = "usage: vantrel-cli dump FILE [--json] [--stage flat]\n";

struct DumpArgs {
  std::string file;
  bool json = false;
  bool flat = false;
};

// False on anything it does not understand; the caller prints the usage.
bool ParseArgs(const Args& args, DumpArgs& out) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--json") {
      out.json = true;
    } else if (a == "--stage" || a.rfind("--stage=", 0) == 0) {
      std::string stage;
      if (a == "--stage") {
        if (i + 1 >= args.size()) return false;
        stage = args[++i];
      } else {
        stage = a.substr(8);
      }
      if (stage == "flat")
        out.flat = true;
      else if (stage != "read")
        return false;
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return false;
    } else if (out.file.empty()) {
      out.file = a;
    } else {
      return false;
    }
  }
  return !out.file.empty();
}

void PrintPoint(const char* name, const TAcadPoint& p) {
  // %.17g reads back to the same double, like the JSON numbers.
  std::printf("%s: %.17g %.17g %.17g\n", name, p.x, p.y, p.z);
}

}  // namespace

int RunDump(const Args& args) {
  DumpArgs a;
  if (!ParseArgs(args, a)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const fs::path file(a.file);
  std::error_code ec;
  // The reader quietly gives an empty model for a missing file (the viewer
  // then shows nothing); a script must hear about it.
  if (!fs::exists(file, ec)) {
    std::fprintf(stderr, "vantrel-cli dump: %s: no such file\n", a.file.c_str());
    return 1;
  }

  Drawing d;
  ProgressCounter progress;
  StderrReporter reporter;
  // A DWG or binary DXF is dumped from its converted copy, as it is shown.
  NoEventPump pump;
  const fs::path textDxf = TextDxfFor(file, CliLoadOptions(), pump, reporter);
  if (textDxf.empty()) {
    std::fprintf(stderr, "vantrel-cli dump: %s: not a text DXF, and no converter made one\n", a.file.c_str());
    return 1;
  }
  std::u16string status, version;
  ReadDxfInFileEncoding(d, textDxf, progress, reporter, status, version);
  if (a.flat) PrepareDrawing(d, PassOptions{});

  if (a.json) {
    JsonOptions options;
    options.withPens = a.flat;
    WriteDrawingJson(stdout, d, status, version, options);
  } else {
    std::printf("Status: %s\n", Utf8(status).c_str());
    std::printf("Version: %s\n", Utf8(version).c_str());
    std::printf("DwgCodePage: %s\n", Utf8(d.DwgCodePage).c_str());
    PrintPoint("ExtMin", d.ExtMin);
    PrintPoint("ExtMax", d.ExtMax);
    for (const auto& [name, count] : TableCounts(d)) std::printf("%s: %zu\n", name, count);
  }
  if (std::fflush(stdout) != 0) {
    std::fputs("vantrel-cli dump: cannot write the output\n", stderr);
    return 1;
  }
  return status.empty() ? 0 : 1;
}

}  // namespace vantrel::cli
