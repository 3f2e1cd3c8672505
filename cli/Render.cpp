// vantrel-cli render: one drawing into a PNG or BMP picture, read and drawn
// as the detail view loads it (encoding by release, the passes and pens, a
// fit with 0.85), for looking at the reader and renderer without a window.
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "app/LoadSequence.h"
#include "model/DxfReader.h"
#include "model/FileProbes.h"
#include "render/PrepareDrawing.h"
#include "render/QtCanvas.h"
#include "render/Renderer.h"

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
};

void RenderUsage() {
  std::fputs(
      "usage: vantrel-cli render FILE -o OUT.png|OUT.bmp [--size WxH] "
      "[--mode color|mono|invert] [--background black|white|#RRGGBB] [--pen N]\n",
      stderr);
}

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
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "-o" || a == "--size" || a == "--mode" || a == "--background" || a == "--pen") {
      if (!hasValue) return a + " needs a value";
      const std::string& v = args[++i];
      bool ok = true;
      if (a == "-o") o.output = v;
      else if (a == "--size") ok = ParseSize(v, o.width, o.height);
      else if (a == "--mode") ok = ParseMode(v, o.colorMode);
      else if (a == "--background") ok = ParseColour(v, o.background);
      else ok = ParseInt(v, 0, 100, o.penWidth);
      if (!ok) return "bad value for " + a + ": " + v;
    } else if (!a.empty() && a[0] == '-') {
      return "unknown option " + a;
    } else if (o.input.empty()) {
      o.input = a;
    } else {
      return "more than one input file";
    }
  }
  if (o.input.empty()) return "no input file";
  if (o.output.empty()) return "no output file (-o)";
  return {};
}

const char* PictureFormat(const fs::path& file) {
  std::string ext = file.extension().string();
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (ext == ".png") return "PNG";
  if (ext == ".bmp") return "BMP";
  return nullptr;
}

}  // namespace

int RunRender(const Args& args) {
  RenderOptions o;
  if (const std::string problem = ParseArgs(args, o); !problem.empty()) {
    std::fprintf(stderr, "vantrel-cli render: %s\n", problem.c_str());
    RenderUsage();
    return 2;
  }
  const char* format = PictureFormat(o.output);
  if (!format) {
    std::fprintf(stderr, "vantrel-cli render: %s: the picture must be .png or .bmp\n",
                 o.output.string().c_str());
    return 2;
  }
  StderrReporter reporter;
  std::error_code ec;
  if (!fs::is_regular_file(o.input, ec)) {
    std::fprintf(stderr, "vantrel-cli render: %s: cannot be opened\n", o.input.string().c_str());
    return 1;
  }
  // A DWG or binary DXF goes through the converter, as the detail view does.
  NoEventPump pump;
  const fs::path textDxf = TextDxfFor(o.input, CliLoadOptions(), pump, reporter);
  if (textDxf.empty()) {
    std::fprintf(stderr, "vantrel-cli render: %s: not a text DXF, and no converter made one\n",
                 o.input.string().c_str());
    return 1;
  }

  Drawing d;
  ProgressCounter progress;
  std::u16string status, version;
  ReadDxfInFileEncoding(d, textDxf, progress, reporter, status, version);
  if (status == u"busy" || status == u"error") {
    std::fprintf(stderr, "vantrel-cli render: %s: not read (%s)\n", o.input.string().c_str(),
                 Utf8(status).c_str());
    return 1;
  }
  if (!status.empty())
    std::fprintf(stderr, "vantrel-cli render: %s: read up to %s\n", o.input.string().c_str(),
                 Utf8(status).c_str());
  PrepareDrawing(d, PassOptions{});

  const std::unique_ptr<GuiSession> gui = StartGui();
  QImage picture(o.width, o.height, QImage::Format_RGB32);
  // A large picture may find no memory; Qt then hands back a null image.
  if (picture.isNull()) {
    std::fprintf(stderr, "vantrel-cli render: no memory for a %dx%d picture\n", o.width,
                 o.height);
    return 1;
  }
  int drawn = 0;
  {
    QtCanvas canvas(picture);
    ClearCanvas(canvas, o.width, o.height, o.background);
    const ViewState view = FitToExtents(d);
    drawn = DrawDxf(d, u"", view.ViewCenter, o.background, view.ViewWidth, view.ViewHeight,
                    o.penWidth, canvas, PixelPoint{o.width / 2, o.height / 2}, o.width, o.height,
                    kFitRatio, o.colorMode, true, false);
  }
  if (!picture.save(QString::fromStdU16String(o.output.u16string()), format)) {
    std::fprintf(stderr, "vantrel-cli render: %s: cannot be written\n",
                 o.output.string().c_str());
    return 1;
  }
  std::printf("%s: %d entities drawn (%s)\n", o.output.string().c_str(), drawn,
              Utf8(version).c_str());
  return 0;
}

}  // namespace vantrel::cli
