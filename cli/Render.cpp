// vantrel-cli render: one drawing into a PNG or BMP picture, or through the
// image export's recording into an EMF, WMF, PDF or SVG file, read and drawn
// as the detail view loads it (encoding by release, the passes and pens, a
// fit with 0.85), for looking at the reader and renderer without a window.
#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "app/ImageExport.h"
#include "app/ReplaceFile.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "model/FileNames.h"
#include "render/QtCanvas.h"

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

struct RenderOptions {
  fs::path input;
  fs::path output;
  int width = 1024;
  int height = 768;
  int colorMode = 0;
  TColor background = clBlack;
  int penWidth = 1;
  bool quiet = false;
};

bool ParseColour(const std::string& text, TColor& colour) {
  if (text == "black") {
    colour = clBlack;
    return true;
  }
  if (text == "white") {
    colour = clWhite;
    return true;
  }
  if (text.size() != 7 || text[0] != '#') return false;
  // from_chars takes no sign, blanks or 0x prefix, which strtoul would.
  unsigned long rgb = 0;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(text.data() + 1, last, rgb, 16);
  if (ec != std::errc() || end != last) return false;
  // #RRGGBB as written on the web; colours here are 0x00BBGGRR.
  colour = static_cast<TColor>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
  return true;
}

bool ParseMode(const std::string& text, int& mode) {
  if (text == "color") mode = 0;
  else if (text == "mono") mode = 1;
  else if (text == "invert") mode = 2;
  else return false;
  return true;
}

// Empty when the arguments are fine, else what is wrong with them.
std::string ParseArgs(const Args& args, RenderOptions& o) {
  SplitArguments split;
  const std::string problem = Split(args,
                                    {{"-o", true}, {"--size", true}, {"--mode", true}, {"--background", true},
                                     {"--pen", true}, {"-q", false}, {"--quiet", false}},
                                    split);
  if (!problem.empty()) return problem;
  for (const auto& [name, value] : split.options) {
    bool ok = true;
    if (name == "-o") o.output = value;
    else if (name == "--size") ok = ParseSize(value, o.width, o.height);
    else if (name == "--mode") ok = ParseMode(value, o.colorMode);
    else if (name == "--background") ok = ParseColour(value, o.background);
    else if (name == "--pen") ok = ParseInt(value, 0, 100, o.penWidth);
    else o.quiet = true;
    if (!ok) return "bad value for " + name + ": " + value;
  }
  if (split.operands.empty()) return "no input file";
  if (split.operands.size() > 1) return "more than one input file";
  o.input = split.operands[0];
  if (o.output.empty()) return "no output file (-o)";
  return {};
}

const char* PictureFormat(const fs::path& file) {
  const std::string ext = UpperExtension(file);
  return ext == ".PNG" ? "PNG" : ext == ".BMP" ? "BMP" : nullptr;
}

bool IsVectorFile(const fs::path& file) {
  const std::string ext = UpperExtension(file);
  return ext == ".EMF" || ext == ".WMF" || ext == ".PDF" || ext == ".SVG";
}

// The recorded drawing replayed onto a page of w x h pixels at 96 dpi.
template <typename PaintDevice>
void ReplayOnto(PaintDevice& device, const ExportPicture& picture) {
  QtCanvas canvas(device);
  picture.recording.Replay(canvas);
}

// The file's bytes as the image export makes a metafile, and as the same
// recording replayed onto Qt's PDF and SVG painters.
std::string VectorFileBytes(const fs::path& file, const ExportPicture& picture) {
  const std::string ext = UpperExtension(file);
  if (ext == ".EMF") return MetafileBytes(picture, MetafileFormat::Emf);
  if (ext == ".WMF") return MetafileBytes(picture, MetafileFormat::Wmf);
  const int w = picture.size.width(), h = picture.size.height();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (ext == ".PDF") {
    QPdfWriter writer(&buffer);
    writer.setResolution(96);
    writer.setPageSize(QPageSize(QSizeF(w * 72.0 / 96, h * 72.0 / 96), QPageSize::Point));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    ReplayOnto(writer, picture);
  } else {
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(QSize(w, h));
    svg.setViewBox(QRect(0, 0, w, h));
    svg.setResolution(96);
    ReplayOnto(svg, picture);
  }
  return bytes.toStdString();
}

}  // namespace

int RunRender(const Args& args) {
  RenderOptions o;
  if (const std::string problem = ParseArgs(args, o); !problem.empty()) return UsageError("render", problem);
  const char* format = PictureFormat(o.output);
  if (!format && !IsVectorFile(o.output))
    return UsageError("render", o.output.native() + ": the picture must be .png, .bmp, .emf, .wmf, .pdf or .svg");
  if (!CheckInputFile("render", o.input)) return 1;
  StderrReporter reporter;
  // A DWG or binary DXF goes through the converter, as the detail view does.
  const fs::path textDxf = TextDxfOrSayWhy("render", o.input, reporter);
  if (textDxf.empty()) return 1;
  Drawing d;
  std::u16string version;
  if (!ReadForDrawing("render", o.input, textDxf, d, reporter, version)) return 1;

  const std::unique_ptr<GuiSession> gui = StartGui();
  int drawn = 0;
  bool written = false;
  if (format) {
    QImage picture(o.width, o.height, QImage::Format_RGB32);
    // A large picture may find no memory; Qt then hands back a null image.
    if (picture.isNull()) {
      std::fprintf(stderr, "vantrel-cli render: no memory for a %dx%d picture\n", o.width, o.height);
      return 1;
    }
    drawn = DrawFitted(d, picture, o.background, o.penWidth, o.colorMode);
    written = SavePicture(picture, o.output, format);
  } else {
    ExportChoices choices;
    choices.currentSize = false;
    choices.givenSize = QSize(o.width, o.height);
    choices.colorMode = o.colorMode;
    choices.background = o.background;
    choices.range = ExportRange::WholeDrawing;
    choices.penWidth = o.penWidth;
    const ExportPicture picture = MakeExportPicture(d, ViewState{}, QSize(), choices);
    drawn = picture.drawn;
    const std::string bytes = VectorFileBytes(o.output, picture);
    written = !bytes.empty() && ReplaceFileContents(o.output, std::span(bytes.data(), bytes.size()));
  }
  if (!written) {
    std::fprintf(stderr, "vantrel-cli render: %s: cannot be written\n", ShownPath(o.output).c_str());
    return 1;
  }
  // An empty drawing is no failure, but a blank picture should not pass
  // unremarked.
  if (drawn == 0)
    std::fprintf(stderr, "vantrel-cli render: %s: nothing was drawn\n", ShownPath(o.input).c_str());
  if (!o.quiet)
    std::printf("%s: %d entities drawn (%s)\n", ShownPath(o.output).c_str(), drawn, Printable(version).c_str());
  return 0;
}

}  // namespace vantrel::cli
