// vantrel-cli thumbs and thumbnail: the list images of a folder as the
// thumbnail grid makes them, and one thumbnail for file managers.
#include <QImage>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/HeadlessWindow.h"
#include "app/ListImageCache.h"
#include "app/LoadSequence.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

struct ThumbsArgs {
  fs::path folder, outDir;
  int width = 200, height = 160;
  bool writeCache = false;
  int threads = 0;
};

// Empty when the arguments are fine, else what is wrong with them.
std::string ParseThumbsArgs(const Args& args, ThumbsArgs& t) {
  SplitArguments split;
  const std::string problem =
      Split(args, {{"-o", true}, {"--size", true}, {"--threads", true}, {"--write-cache", false}}, split);
  if (!problem.empty()) return problem;
  for (const auto& [name, value] : split.options) {
    bool ok = true;
    if (name == "-o") t.outDir = value;
    else if (name == "--size") ok = ParseSize(value, t.width, t.height);
    else if (name == "--threads") ok = ParseInt(value, 1, 256, t.threads);
    else t.writeCache = true;
    if (!ok) return "bad value for " + name + ": " + value;
  }
  if (split.operands.size() != 1) return split.operands.empty() ? "no folder" : "more than one folder";
  t.folder = split.operands[0];
  if (t.outDir.empty() && !t.writeCache) t.outDir = ".";
  return {};
}

void SayFailed(const char* command, const fs::path& file, const char* why) {
  std::fprintf(stderr, "vantrel-cli %s: %s: %s\n", command, ShownPath(file).c_str(), why);
}

// A path or a file:// URI (local, percent-encoded bytes) as file managers
// pass it; empty for a URI of another host.
fs::path InputPath(const std::string& argument) {
  constexpr std::string_view kScheme = "file://";
  if (argument.rfind(kScheme, 0) != 0) return argument;
  std::string rest = argument.substr(kScheme.size());
  if (rest.rfind("localhost/", 0) == 0) rest.erase(0, 9);
  if (rest.empty() || rest[0] != '/') return {};
  std::string bytes;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    const auto hex = [&](std::size_t at) {
      const char c = rest[at];
      return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    if (rest[i] == '%' && i + 2 < rest.size() && hex(i + 1) >= 0 && hex(i + 2) >= 0) {
      bytes.push_back(static_cast<char>(hex(i + 1) * 16 + hex(i + 2)));
      i += 2;
    } else {
      bytes.push_back(rest[i]);
    }
  }
  return bytes;
}

// A list image in which every pixel is the black background shows nothing:
// a DWG file without a stored preview, or a drawing with nothing to draw.
bool ShowsNothing(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    if (std::any_of(row, row + rgb.width(), [](QRgb p) { return qRed(p) | qGreen(p) | qBlue(p); })) return false;
  }
  return true;
}

}  // namespace

int RunThumbs(const Args& args) {
  ThumbsArgs t;
  if (const std::string problem = ParseThumbsArgs(args, t); !problem.empty()) return UsageError("thumbs", problem);
  std::error_code ec;
  if (!fs::is_directory(t.folder, ec)) {
    SayFailed("thumbs", t.folder, "not a folder");
    return 1;
  }
  if (!t.outDir.empty() && !fs::create_directories(t.outDir, ec) && !fs::is_directory(t.outDir, ec)) {
    SayFailed("thumbs", t.outDir, "cannot be made as a folder");
    return 1;
  }

  auto gui = StartGui();
  LoadOptions options = CliLoadOptions();
  options.threads = t.threads;
  StderrReporter reporter;
  HeadlessWindow window(t.folder, DrawingsIn(t.folder), QSize(t.width, t.height), reporter);
  std::vector<TDxfbmp> images;
  BuildListImages(window, images, options);

  int failures = 0;
  for (std::size_t i = 0; i < images.size(); ++i) {
    const TDxfbmp& image = images[i];
    const auto& row = window.Row(static_cast<int>(i) + 1);
    std::printf("%s\tversion=%s\tformat=%s\tcodepage=%s\timage=%s\n", ShownPath(image.name.filename()).c_str(),
                Printable(row[kColVersion]).c_str(), Printable(row[kColFormat]).c_str(),
                Printable(row[kColCodePage]).c_str(), image.imgFlag ? "yes" : "no");
    if (!image.imgFlag) {
      ++failures;
      SayFailed("thumbs", image.name,
                row[kColFormat] == u"BinaryDXF" ? "no image: a binary DXF file gets none"
                                                : "no image: not a readable drawing");
    }
    if (!t.outDir.empty() && !SavePicture(image.bmp, t.outDir / (image.name.filename().native() + ".png"), "PNG")) {
      ++failures;
      SayFailed("thumbs", t.outDir / (image.name.filename().native() + ".png"), "cannot be written");
    }
    if (t.writeCache && image.imgFlag && !fs::exists(ListImageCacheName(image.name), ec) &&
        !SaveListImageCache(image.name, image.bmp)) {
      ++failures;
      SayFailed("thumbs", ListImageCacheName(image.name), "cannot be written");
    }
  }
  return failures ? 1 : 0;
}

// The freedesktop thumbnailer call: -s SIZE INPUT OUTPUT, one PNG of at
// most SIZE pixels a side. File managers record a failed thumbnail only on
// a non-zero exit, so whatever gives no real picture fails and writes no
// output; the file manager then shows its icon.
int RunThumbnail(const Args& args) {
  SplitArguments split;
  if (const std::string problem = Split(args, {{"-s", true}}, split); !problem.empty())
    return UsageError("thumbnail", problem);
  int size = 128;
  for (const auto& [name, value] : split.options)
    if (!ParseInt(value, 1, 4096, size)) return UsageError("thumbnail", "bad value for -s: " + value);
  if (split.operands.size() != 2) return UsageError("thumbnail", "needs INPUT and OUTPUT");
  const fs::path input = InputPath(split.operands[0]), output = split.operands[1];
  if (input.empty()) {
    SayFailed("thumbnail", split.operands[0], "not a local file");
    return 1;
  }
  if (!CheckInputFile("thumbnail", input)) return 1;

  auto gui = StartGui();
  // Messages of a reader or converter stay unsaid: the file manager reads one
  // line at most.
  SilentReporter quiet;
  const QSize imageSize(size, std::max(1, size * 4 / 5));
  ListImage image = MakeOneListImage(input, imageSize, CliLoadOptions(), quiet);
  QImage picture = image.bmp;
  if (image.failed || !image.imgFlag || ShowsNothing(picture)) {
    // A DWG file without a stored preview or a binary DXF file is drawn
    // through the converter.
    const fs::path textDxf = TextDxfOrSayWhy("thumbnail", input, quiet);
    if (textDxf.empty()) return 1;
    std::error_code ec;
    if (textDxf == input) {
      SayFailed("thumbnail", input, fs::file_size(input, ec) == 0 ? "empty file" : "nothing to draw");
      return 1;
    }
    Drawing d;
    std::u16string version;
    if (!ReadForDrawing("thumbnail", input, textDxf, d, quiet, version)) return 1;
    picture = QImage(imageSize, QImage::Format_RGB32);
    if (DrawFitted(d, picture, clBlack, 1, 0) == 0) {
      SayFailed("thumbnail", input, "nothing to draw");
      return 1;
    }
  }
  if (!SavePicture(picture, output, "PNG")) {
    SayFailed("thumbnail", output, "cannot be written");
    return 1;
  }
  return 0;
}

}  // namespace vantrel::cli
