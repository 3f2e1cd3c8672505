// vantrel-cli thumbs and thumbnail: the list images of a folder as the
// thumbnail grid makes them, and one thumbnail for file managers.
#include <QImage>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/DwgConverter.h"
#include "app/HeadlessWindow.h"
#include "app/ListImageCache.h"
#include "app/LoadSequence.h"
#include "app/WorkFolder.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "model/TextCodec.h"

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

void ThumbsUsage() {
  std::fputs("usage: vantrel-cli thumbs FOLDER [-o OUTDIR] [--size 200x160] [--write-cache] [--threads N]\n",
             stderr);
}

}  // namespace

int RunThumbs(const Args& args) {
  fs::path folder, outDir;
  int w = 200, h = 160;
  bool writeCache = false;
  LoadOptions options = CliLoadOptions();
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" && i + 1 < args.size()) {
      outDir = args[++i];
    } else if (a == "--size" && i + 1 < args.size()) {
      if (!ParseSize(args[++i], w, h)) {
        ThumbsUsage();
        return 2;
      }
    } else if (a == "--threads" && i + 1 < args.size()) {
      if (!ParseInt(args[++i], 1, 256, options.threads)) {
        ThumbsUsage();
        return 2;
      }
    } else if (a == "--write-cache") {
      writeCache = true;
    } else if (folder.empty() && a[0] != '-') {
      folder = a;
    } else {
      ThumbsUsage();
      return 2;
    }
  }
  std::error_code ec;
  if (folder.empty() || !fs::is_directory(folder, ec)) {
    std::fprintf(stderr, "vantrel-cli thumbs: %s: not a folder\n", folder.string().c_str());
    return 1;
  }
  if (outDir.empty() && !writeCache) outDir = ".";
  if (!outDir.empty()) fs::create_directories(outDir, ec);

  auto gui = StartGui();
  StderrReporter reporter;
  HeadlessWindow window(folder, DrawingsIn(folder), QSize(w, h), reporter);
  std::vector<TDxfbmp> images;
  BuildListImages(window, images, options);

  int failures = 0;
  for (std::size_t i = 0; i < images.size(); ++i) {
    const auto& row = window.Row(static_cast<int>(i) + 1);
    std::printf("%s\tversion=%s\tformat=%s\tcodepage=%s\timage=%s\n", Utf8(row[kColName]).c_str(),
                Utf8(row[kColVersion]).c_str(), Utf8(row[kColFormat]).c_str(),
                Utf8(row[kColCodePage]).c_str(), images[i].imgFlag ? "yes" : "no");
    if (!images[i].imgFlag) ++failures;
    if (!outDir.empty()) {
      fs::path png = outDir / (images[i].name.filename().string() + ".png");
      if (!images[i].bmp.save(QString::fromStdString(png.string()), "PNG")) {
        std::fprintf(stderr, "vantrel-cli thumbs: cannot write %s\n", png.string().c_str());
        ++failures;
      }
    }
    if (writeCache && images[i].imgFlag && !fs::exists(ListImageCacheName(images[i].name), ec))
      if (!SaveListImageCache(images[i].name, images[i].bmp)) {
        std::fprintf(stderr, "vantrel-cli thumbs: cannot write the cache of %s\n",
                     images[i].name.string().c_str());
        ++failures;
      }
  }
  return failures ? 1 : 0;
}

// The freedesktop thumbnailer call: -s SIZE INPUT OUTPUT, one PNG of at
// most SIZE pixels a side. A failure leaves no output, so the file manager
// falls back to its icon.
int RunThumbnail(const Args& args) {
  int size = 128;
  bool sizeOk = true;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-s" && i + 1 < args.size())
      sizeOk = ParseInt(args[++i], 1, 4096, size) && sizeOk;
    else
      files.push_back(args[i]);
  }
  if (files.size() != 2 || !sizeOk) {
    std::fputs("usage: vantrel-cli thumbnail -s SIZE INPUT OUTPUT\n", stderr);
    return 2;
  }
  std::string input = files[0];
  if (input.rfind("file://", 0) == 0) input = QUrl(QString::fromStdString(input)).toLocalFile().toStdString();
  auto gui = StartGui();
  StderrReporter reporter;
  ListImage image = MakeOneListImage(input, QSize(size, size * 4 / 5), CliLoadOptions(), reporter);
  if (!image.imgFlag || image.failed) return 1;
  return image.bmp.save(QString::fromStdString(files[1]), "PNG") ? 0 : 1;
}

}  // namespace vantrel::cli
