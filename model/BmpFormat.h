// Layout facts of Windows DIBs shared by the BMP decoder, the DWG preview
// reader, which has to put a file header in front of a bare DIB, and the
// writer of list-image cache files.
#pragma once

#include <cstdint>
#include <span>

#include "model/LittleEndian.h"

namespace vantrel {

inline constexpr std::uint32_t kBmpFileHeaderSize = 14;
inline constexpr std::uint32_t kBmpCoreHeaderSize = 12;  // BITMAPCOREHEADER
inline constexpr std::uint32_t kBmpInfoHeaderSize = 40;  // BITMAPINFOHEADER

// Bytes from the start of a bare DIB (information header, optional colour
// masks, colour table) to its first pixel row; 0 when the information header
// cannot be read or makes no sense.
std::uint32_t DibPixelOffset(std::span<const std::uint8_t> dib);

// Fills the first kBmpFileHeaderSize bytes of a whole BMP file held in bmp.
inline void PutBmpFileHeader(std::span<std::uint8_t> bmp, std::uint32_t pixelOffset) {
  bmp[0] = 'B';
  bmp[1] = 'M';
  PutU32(bmp, 2, static_cast<std::uint32_t>(bmp.size()));
  PutU32(bmp, 6, 0);
  PutU32(bmp, 10, pixelOffset);
}

}  // namespace vantrel
