// The preview image stored inside DWG files of release 14 and later.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "model/RgbBitmap.h"

namespace vantrel {

// Loads the preview into Bitmap; leaves it unchanged for older releases or
// another image type. Any failure (unreadable file, offsets or sizes the file
// does not hold, undecodable image) throws SilentAbort. Returns true.
bool ReadDwgPreview(const std::filesystem::path& FileName, RgbBitmap& Bitmap);

// Our own decoders: a BMP file (file header + DIB, 1/4/8/24 bits per pixel)
// and a PNG file held in memory. False when the bytes are not a valid image.
bool DecodeBmp(std::span<const std::uint8_t> bytes, RgbBitmap& out);
bool DecodePng(std::span<const std::uint8_t> bytes, RgbBitmap& out);

}  // namespace vantrel
