// Cache files of list images, kept beside the drawings: plan.dxf has
// plan_DXF.bmp, plan.dwg has plan_DWG.bmp. They are plain Windows BMP files
// that any image tool opens: 8 bits per pixel with a colour table for drawn
// (DXF) images, 24 bits per pixel for DWG previews.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include <QImage>

#include "model/AcadDxfUnit.h"

namespace vantrel {

// The drawing's path with its extension replaced by "_DXF.bmp" when it is
// ".DXF" in any case, otherwise by "_DWG.bmp".
std::filesystem::path ListImageCacheName(const std::filesystem::path& drawing);

// True when the cache file of this drawing is an 8-bit one (a DXF drawing).
bool CacheIsPalette(const std::filesystem::path& drawing);

// The colour table of 8-bit list images: black, then every distinct colour
// that AciToColor gives, in colour-number order. The renderer draws in these
// colours only, so drawn images go through the table without loss.
std::vector<TColor> ListImagePalette();

// The BMP file bytes. Colours outside the table map to the nearest entry.
std::vector<std::uint8_t> EncodeBmp8(const QImage& image);
std::vector<std::uint8_t> EncodeBmp24(const QImage& image);

// Writes image as the drawing's cache file, 8-bit for a DXF drawing, 24-bit
// otherwise, through a temporary file beside it and a rename, so a reader
// never sees a half-written file. False when it cannot be written (the old
// file, if any, is then left as it was).
bool SaveListImageCache(const std::filesystem::path& drawing, const QImage& image);

// Loads a cache file with its own size and depth: files of up to 8 bits per
// pixel become an indexed image holding the file's colours, deeper ones a
// 32-bit RGB image. Every number in the file is checked against the file
// itself; a truncated, oversized or forged file gives false and leaves image
// alone.
bool LoadListImageCache(const std::filesystem::path& file, QImage& image);

}  // namespace vantrel
