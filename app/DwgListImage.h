// The list image of a DWG file, made from the preview stored in the file
// rather than by drawing it: the background is decided by the corners, a
// white one is turned black like the drawn thumbnails, the drawn content is
// cropped out and stretched into the list image.
#pragma once

#include <filesystem>

#include <QImage>

#include "model/RgbBitmap.h"
#include "render/QtCanvas.h"

namespace vantrel {

// StretchMode / BltMode values, the menu's "ハーフトーン", "白を強調" and
// "黒を強調". Any other value stretches like kStretchBlackOnWhite.
inline constexpr int kStretchHalftone = 0;      // area average
inline constexpr int kStretchWhiteOnBlack = 1;  // a shrunk pixel ORs its sources: white wins
inline constexpr int kStretchBlackOnWhite = 2;  // a shrunk pixel ANDs its sources: black wins

// Paints the DWG file's preview into Dest, which keeps its size. Dest is
// first cleared to BackColor. False only when the file does not exist. A
// file of a release without a preview paints a blank image and gives Dest's
// own size as ImageWidth, ImageHeight; otherwise they are the preview's
// size. A preview that cannot be read throws SilentAbort (see
// ReadDwgPreview). Crop is ClipFlag: crop to the drawn content.
bool MakeDwgImage(const std::filesystem::path& FileName, RgbBitmap& Dest, TColor BackColor,
                  int StretchMode, int& ImageWidth, int& ImageHeight, bool Crop);
// The same into a QImage, which becomes a 32-bit RGB image of its own size.
bool MakeDwgImage(const std::filesystem::path& FileName, QImage& Dest, TColor BackColor,
                  int StretchMode, int& ImageWidth, int& ImageHeight, bool Crop);

// The steps after the preview is read: background vote, white-background
// swap (done on Preview itself), content box with its margins, the 90 %
// scale, and the stretched copy centred on Dest.
void PaintDwgPreview(RgbBitmap& Preview, RgbBitmap& Dest, int StretchMode, bool Crop);

// Stretches the width x height rectangle of Source at (left, top) onto the
// whole of Dest. The rectangle must lie inside Source.
void StretchBitmap(const RgbBitmap& Source, int left, int top, int width, int height,
                   RgbBitmap& Dest, int StretchMode);

QImage RgbBitmapToImage(const RgbBitmap& bitmap);
RgbBitmap ImageToRgbBitmap(const QImage& image);

}  // namespace vantrel
