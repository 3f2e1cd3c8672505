// vantrel-cli dump: the model as the reader leaves it, or with --stage flat
// as the viewer draws it (after the geometry passes, the extents and the pen
// pass). Without --json it prints the header values and the table counts,
// one "key: value" line each; with --json one JSON object.
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/DrawingJson.h"
#include "render/TextStyles.h"
#include "model/DxfReader.h"
#include "render/PrepareDrawing.h"

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

struct DumpArgs {
  fs::path file;
  bool json = false;
  bool flat = false;
};

// Empty when the arguments are fine, else what is wrong with them.
std::string ParseArgs(const Args& args, DumpArgs& out) {
  SplitArguments split;
  if (std::string problem = Split(args, {{"--json", false}, {"--stage", true}}, split); !problem.empty())
    return problem;
  for (const auto& [name, value] : split.options) {
    if (name == "--json")
      out.json = true;
    else if (value == "flat" || value == "read")
      out.flat = value == "flat";
    else
      return "bad value for --stage: " + value;
  }
  if (split.operands.empty()) return "no file";
  if (split.operands.size() > 1) return "more than one file";
  out.file = split.operands[0];
  return {};
}

void PrintPoint(const char* name, const TAcadPoint& p) {
  // %.17g reads back to the same double, like the JSON numbers.
  std::printf("%s: %.17g %.17g %.17g\n", name, p.x, p.y, p.z);
}

}  // namespace

int RunDump(const Args& args) {
  DumpArgs a;
  if (const std::string problem = ParseArgs(args, a); !problem.empty()) return UsageError("dump", problem);
  // The reader quietly gives an empty model for a missing file (the viewer
  // then shows nothing); a script must hear about it.
  if (!CheckInputFile("dump", a.file)) return 1;

  Drawing d;
  ProgressCounter progress;
  StderrReporter reporter;
  // A DWG or binary DXF is dumped from its converted copy, as it is shown.
  const fs::path textDxf = TextDxfOrSayWhy("dump", a.file, reporter);
  if (textDxf.empty()) return 1;
  std::u16string status, version;
  ReadDxfInFileEncoding(d, textDxf, progress, reporter, status, version);
  if (a.flat) {
    const PassOutcome outcome = PrepareDrawing(d, PassOptions{});
    if (outcome.drawnInPart)
      std::fprintf(stderr, "vantrel-cli dump: %s: %s\n", ShownPath(a.file).c_str(),
                   Printable(DrawnInPartText(outcome.placed)).c_str());
  }

  // A style whose font this machine lacks is drawn in a stand-in; say so.
  if (!a.flat) AssignTextFaces(d);

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
    for (const TStyleTbl& style : d.StyleAry) {
      const std::u16string& font = !style.family.empty() ? style.family : style.code3;
      std::printf("Style %s: %s%s%s -> %s%s%s%s\n", Utf8(style.name).c_str(), Utf8(font).c_str(),
                  style.code4.empty() ? "" : " + ", Utf8(style.code4).c_str(), Utf8(style.face).c_str(),
                  style.bold ? " bold" : "", style.italic ? " italic" : "",
                  style.substituted ? " (substituted)" : "");
    }
  }
  if (std::fflush(stdout) != 0) {
    std::fputs("vantrel-cli dump: cannot write the output\n", stderr);
    return 1;
  }
  return status.empty() ? 0 : 1;
}

}  // namespace vantrel::cli
