#include "cli/CliSupport.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageWriter>
#include <QtGlobal>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <system_error>

#include "app/DwgConverter.h"
#include "app/ListImageCache.h"
#include "app/ReplaceFile.h"
#include "app/WorkFolder.h"
#include "model/DxfReader.h"
#include "model/FileNames.h"
#include "model/TextCodec.h"
#include "render/PrepareDrawing.h"
#include "render/QtCanvas.h"
#include "render/Renderer.h"

namespace vantrel::cli {

namespace fs = std::filesystem;

MsgResult StderrReporter::Message(const std::u16string& text, const std::u16string& caption,
                                  MsgIcon, MsgButtons buttons) {
  std::fprintf(stderr, "[%s] %s\n", Printable(caption).c_str(), Printable(text).c_str());
  return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
}

std::string Utf8(const std::u16string& text) { return U16ToUtf8(text); }

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

std::string ShownPath(const fs::path& path) { return Printable(PathText(path)); }

std::string Split(const Args& args, std::initializer_list<KnownOption> known, SplitArguments& out) {
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-') {
      out.operands.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    const std::size_t equals = a.rfind("--", 0) == 0 ? a.find('=') : std::string::npos;
    const std::string name = a.substr(0, equals);
    const KnownOption* option = nullptr;
    for (const KnownOption& k : known)
      if (name == k.name) option = &k;
    if (!option) return "unknown option " + name;
    if (!option->takesValue) {
      if (equals != std::string::npos) return name + " takes no value";
      out.options.emplace_back(name, std::string());
    } else if (equals != std::string::npos) {
      out.options.emplace_back(name, a.substr(equals + 1));
    } else if (i + 1 < args.size()) {
      out.options.emplace_back(name, args[++i]);
    } else {
      return name + " needs a value";
    }
  }
  return {};
}

int UsageError(const char* command, const std::string& problem) {
  // Arguments are bytes, file names among them.
  std::fprintf(stderr, "vantrel-cli %s: %s\n", command, ShownPath(problem).c_str());
  if (const char* usage = CommandUsage(command)) std::fprintf(stderr, "usage: vantrel-cli %s\n", usage);
  return 2;
}

bool ParseInt(const std::string& text, int low, int high, int& value) {
  int v = 0;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(text.data(), last, v);
  if (ec != std::errc() || end != last || v < low || v > high) return false;
  value = v;
  return true;
}

bool ParseSize(const std::string& text, int& width, int& height) {
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  return ParseInt(text.substr(0, x), 1, 16384, width) && ParseInt(text.substr(x + 1), 1, 16384, height);
}

bool CheckInputFile(const char* command, const fs::path& file) {
  std::error_code ec;
  const fs::file_status status = fs::status(file, ec);
  if (fs::is_regular_file(status)) return true;
  std::fprintf(stderr, "vantrel-cli %s: %s: %s\n", command, ShownPath(file).c_str(),
               status.type() == fs::file_type::not_found ? "no such file"
               : fs::is_directory(status)                ? "a folder, not a file"
               : ec                                      ? "cannot be looked at"
                                                         : "not a regular file");
  return false;
}

bool SavePicture(const QImage& picture, const fs::path& file, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (!writer.write(picture)) return false;
  return ReplaceFileContents(file, std::span(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

namespace {

QtMessageHandler qtHandler = nullptr;

// Qt warns that it has no runtime folder, which only a display server
// session would use; a tool whose stderr scripts and file managers read
// keeps quiet about it.
void DropRuntimeFolderWarning(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtWarningMsg && text.startsWith(QStringLiteral("QStandardPaths: "))) return;
  qtHandler(type, context, text);
}

}  // namespace

std::unique_ptr<GuiSession> StartGui() {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (!qtHandler) qtHandler = qInstallMessageHandler(DropRuntimeFolderWarning);
  return std::make_unique<GuiSession>();
}

LoadOptions CliLoadOptions() {
  LoadOptions options;
  options.TeighaExePath = ConverterToUse(ConverterSettings{});
  options.WorkFolder = ConverterWorkFolder();
  return options;
}

bool ReadForDrawing(const char* command, const fs::path& input, const fs::path& textDxf, Drawing& d,
                    Reporter& reporter, std::u16string& version) {
  ProgressCounter progress;
  std::u16string status;
  ReadDxfInFileEncoding(d, textDxf, progress, reporter, status, version);
  if (status == u"busy" || status == u"error") {
    std::fprintf(stderr, "vantrel-cli %s: %s: not read (%s)\n", command, ShownPath(input).c_str(),
                 Printable(status).c_str());
    return false;
  }
  if (!status.empty())
    std::fprintf(stderr, "vantrel-cli %s: %s: read up to %s\n", command, ShownPath(input).c_str(),
                 Printable(status).c_str());
  const PassOutcome outcome = PrepareDrawing(d, PassOptions{});
  if (outcome.drawnInPart)
    std::fprintf(stderr, "vantrel-cli %s: %s: %s\n", command, ShownPath(input).c_str(),
                 Printable(DrawnInPartText(outcome.placed)).c_str());
  return true;
}

int DrawFitted(Drawing& d, QImage& picture, TColor background, int penWidth, int colorMode) {
  QtCanvas canvas(picture);
  const int w = picture.width(), h = picture.height();
  ClearCanvas(canvas, w, h, background);
  const ViewState view = FitToExtents(d);
  return DrawDxf(d, u"", view.ViewCenter, background, view.ViewWidth, view.ViewHeight, penWidth, canvas,
                 PixelPoint{w / 2, h / 2}, w, h, kFitRatio, colorMode, true, false);
}

fs::path TextDxfOrSayWhy(const char* command, const fs::path& file, Reporter& reporter) {
  NoEventPump pump;
  std::string whyNot;
  const fs::path textDxf = TextDxfFor(file, CliLoadOptions(), pump, reporter, &whyNot);
  // The converter names files by their bytes, as the tool does.
  if (textDxf.empty())
    std::fprintf(stderr, "vantrel-cli %s: %s: not a text DXF, and no converter made one: %s\n", command,
                 ShownPath(file).c_str(), ShownPath(whyNot).c_str());
  return textDxf;
}

}  // namespace vantrel::cli
