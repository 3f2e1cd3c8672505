#include "app/ImageExport.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageWriter>
#include <QMimeData>

#include <span>
#include <system_error>

#include "app/ReplaceFile.h"
#include "model/FileNames.h"
#include "render/QtCanvas.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

constexpr char16_t kAskCaption[] = u"Quolmark.exe";
constexpr char16_t kCaption[] = u"Quolmark";

// ChangeFileExt: everything from the name's last dot on is replaced.
fs::path WithExtension(const fs::path& file, const char* extension) {
  return file.parent_path() / (NameWithoutExtension(file) + extension);
}

fs::path WithAddedExtension(const fs::path& file, const char* extension) {
  fs::path added = file;
  added += extension;
  return added;
}

bool Ask(Reporter& reporter, const char16_t* text, const char16_t* caption) {
  return reporter.Message(text, caption, MsgIcon::Question, MsgButtons::YesNo) == MsgResult::Yes;
}

}  // namespace

QSize ExportSize(const ExportChoices& choices, QSize detailPicture) {
  return choices.currentSize ? detailPicture : choices.givenSize;
}

ExportPicture MakeExportPicture(Drawing& d, const ViewState& view, QSize detailPicture,
                                const ExportChoices& choices) {
  ExportPicture picture;
  picture.kind = choices.kind;
  picture.size = ExportSize(choices, detailPicture);
  const int w = picture.size.width(), h = picture.size.height();
  const bool whole = choices.range == ExportRange::WholeDrawing;
  // The whole drawing is fitted into local values: the detail view keeps
  // its own window.
  const ViewState window = whole ? FitToExtents(d) : view;
  auto draw = [&](Canvas& canvas) {
    if (!choices.noBackground) FillCanvas(canvas, w, h, choices.background);
    return DrawDxf(d, u"", window.ViewCenter, choices.background, window.ViewWidth, window.ViewHeight,
                   choices.penWidth, canvas, PixelPoint{w / 2, h / 2}, w, h, kFitRatio, choices.colorMode,
                   whole, false);
  };
  if (choices.kind == ImageKind::Bitmap) {
    picture.bitmap = QImage(w, h, QImage::Format_RGB32);
    if (picture.bitmap.isNull()) return picture;
    picture.bitmap.fill(Qt::white);
    QtCanvas canvas(picture.bitmap);
    picture.drawn = draw(canvas);
    return picture;
  }
  picture.recording = RecordingCanvas(QtTextMetrics(), QtFaceShapes());
  // A metafile's canvas starts with a black pen and a solid black brush.
  picture.recording.SetBrushColor(clBlack);
  picture.drawn = draw(picture.recording);
  return picture;
}

QImage ExportBitmap(const ExportPicture& picture) {
  if (picture.kind == ImageKind::Bitmap) return picture.bitmap;
  QImage shown(picture.size, QImage::Format_RGB32);
  if (shown.isNull()) return shown;
  shown.fill(Qt::white);
  {
    QtCanvas canvas(shown);
    picture.recording.Replay(canvas);
  }
  return shown;
}

std::string MetafileBytes(const ExportPicture& picture, MetafileFormat format) {
  MetafileCanvas canvas(format, picture.size.width(), picture.size.height(), QtTextMetrics(), QtFaceShapes());
  picture.recording.Replay(canvas);
  return canvas.Finish();
}

std::string BitmapFileBytes(const QImage& bitmap) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "BMP");
  if (bitmap.isNull() || !writer.write(bitmap)) return {};
  return bytes.toStdString();
}

std::unique_ptr<QMimeData> ClipboardData(const ExportPicture& picture, const QImage& shown) {
  auto data = std::make_unique<QMimeData>();
  data->setImageData(shown);
  if (picture.kind == ImageKind::Metafile) {
    const std::string emf = MetafileBytes(picture, MetafileFormat::Emf);
    data->setData(QStringLiteral("image/x-emf"), QByteArray(emf.data(), static_cast<qsizetype>(emf.size())));
  }
  return data;
}

SaveTarget DecideSaveTarget(const fs::path& chosen, ImageKind kind, bool emfTypeChosen, Reporter& reporter) {
  SaveTarget target;
  target.file = chosen;
  const std::string ext = UpperExtension(chosen);
  if (kind == ImageKind::Bitmap) {
    if (ext.empty()) {
      target.file = WithAddedExtension(chosen, ".bmp");
    } else if (ext != ".BMP") {
      if (!Ask(reporter, u"拡張子が.BMPではありません．変更しますか？ ", kAskCaption)) return target;
      target.file = WithExtension(chosen, ".bmp");
    }
  } else {
    const char* typed = emfTypeChosen ? ".emf" : ".wmf";
    if (ext.empty()) {
      target.file = WithAddedExtension(chosen, typed);
    } else if (ext != ".WMF" && ext != ".EMF") {
      if (!Ask(reporter, u"拡張子が.WMF / .EMFではありません．変更しますか？ ", kAskCaption)) return target;
      target.file = WithExtension(chosen, typed);
    }
    // The name decides, not the file type: "a.emf" typed under "*.WMF" is
    // an EMF.
    target.format = UpperExtension(target.file) == ".EMF" ? MetafileFormat::Emf : MetafileFormat::Wmf;
  }
  std::error_code ec;
  if (fs::exists(target.file, ec) && !Ask(reporter, u"同名のファイルが存在します．上書きしますか？ ", kCaption))
    return target;
  target.go = true;
  return target;
}

bool SaveExportPicture(const ExportPicture& picture, const SaveTarget& target, Reporter& reporter) {
  const std::string bytes = picture.kind == ImageKind::Bitmap ? BitmapFileBytes(picture.bitmap)
                                                              : MetafileBytes(picture, target.format);
  if (!bytes.empty() && ReplaceFileContents(target.file, std::span(bytes.data(), bytes.size()))) return true;
  reporter.Message(u"ファイルに保存できませんでした．\n" + PathText(target.file), kCaption, MsgIcon::Error);
  return false;
}

RecordingCanvas::TextMetrics QtTextMetrics() {
  // One small raster canvas answers every measure; its font cache makes the
  // repeated measures of one text size cheap.
  struct Probe {
    QImage image{1, 1, QImage::Format_RGB32};
    QtCanvas canvas{image};
  };
  auto probe = std::make_shared<Probe>();
  return [probe](const CanvasFont& font, std::u16string_view text) {
    probe->canvas.SetFont(font);
    return probe->canvas.TextWidth(std::u16string(text));
  };
}

RecordingCanvas::ShapeMetrics QtFaceShapes() {
  struct Probe {
    QImage image{1, 1, QImage::Format_RGB32};
    QtCanvas canvas{image};
  };
  auto probe = std::make_shared<Probe>();
  return [probe](const std::u16string& face, int weight, bool italic) {
    return probe->canvas.ShapeOf(face, weight, italic);
  };
}

}  // namespace vantrel
