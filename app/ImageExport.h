// The image export of the detail view ("WMF/EMF・BMP作成"), without its
// window: the picture made from the dialog's choices, the metafile and
// bitmap files made from it, the clipboard's share, and the rules that turn
// the name from the save dialog into the file written. The dialog TForm2
// and vantrel-cli render call these.
#pragma once

#include <QImage>
#include <QSize>

#include <filesystem>
#include <memory>
#include <string>

#include "model/Feedback.h"
#include "render/MetafileCanvas.h"
#include "render/RecordingCanvas.h"
#include "render/Renderer.h"

class QMimeData;

namespace vantrel {

enum class ImageKind { Metafile, Bitmap };
enum class ExportRange { CurrentView, WholeDrawing };

// The bounds of the given size and the pen width in the dialog.
inline constexpr int kExportSideMin = 16;
inline constexpr int kExportSideMax = 1024;
inline constexpr int kExportPenMax = 5;

struct ExportChoices {
  ImageKind kind = ImageKind::Metafile;
  // The detail picture's size, however large; otherwise givenSize.
  bool currentSize = true;
  QSize givenSize{kExportSideMax, kExportSideMax};
  int colorMode = 0;  // 0 colour, 1 monochrome, 2 inverted colour
  TColor background = clBlack;
  // "なし": nothing is painted under the drawing, yet the background colour
  // still decides which entities are drawn in its complement.
  bool noBackground = false;
  ExportRange range = ExportRange::CurrentView;
  int penWidth = 0;
};

QSize ExportSize(const ExportChoices& choices, QSize detailPicture);

// One rendering of the drawing: a bitmap, or the recorded drawing calls a
// metafile of either kind is made from.
struct ExportPicture {
  ImageKind kind = ImageKind::Metafile;
  QSize size;
  int drawn = 0;
  QImage bitmap;               // ImageKind::Bitmap; white where nothing was painted
  RecordingCanvas recording;   // ImageKind::Metafile
};

// Renders as the dialog's MakeImage does; the view state is only read. A
// bitmap too large for memory comes back null. Needs a GUI application.
ExportPicture MakeExportPicture(Drawing& d, const ViewState& view, QSize detailPicture,
                                const ExportChoices& choices);

// The picture as a bitmap: itself, or a metafile played onto white.
QImage ExportBitmap(const ExportPicture& picture);
std::string MetafileBytes(const ExportPicture& picture, MetafileFormat format);
// A 24-bit BMP file; empty when it cannot be encoded.
std::string BitmapFileBytes(const QImage& bitmap);

// The bitmap, which every application can paste; for a metafile also its
// EMF bytes as "image/x-emf". shown is ExportBitmap of the picture.
std::unique_ptr<QMimeData> ClipboardData(const ExportPicture& picture, const QImage& shown);

struct SaveTarget {
  bool go = false;
  std::filesystem::path file;
  MetafileFormat format = MetafileFormat::Wmf;  // by the final name's extension
};

// The save dialog's name made into the file to write: an extension added or,
// after a question, replaced, then the overwrite question. emfTypeChosen:
// the dialog's second file type ("*EMF") was chosen.
SaveTarget DecideSaveTarget(const std::filesystem::path& chosen, ImageKind kind, bool emfTypeChosen,
                            Reporter& reporter);

// Writes through a temporary file and a rename; a failure is reported and
// leaves any earlier file as it was.
bool SaveExportPicture(const ExportPicture& picture, const SaveTarget& target, Reporter& reporter);

// Text widths as the raster canvas measures them, so that a recording
// places its texts as the screen does.
RecordingCanvas::TextMetrics QtTextMetrics();
// The shapes of the installed faces, for the same canvases.
RecordingCanvas::ShapeMetrics QtFaceShapes();

}  // namespace vantrel
