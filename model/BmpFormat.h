// Layout facts of Windows DIBs shared by the BMP decoder and the DWG preview
// reader, which has to put a file header in front of a bare DIB.
#pragma once

#include <cstdint>
#include <span>

namespace vantrel {

inline constexpr std::uint32_t kBmpFileHeaderSize = 14;

// Bytes from the start of a bare DIB (information header, optional colour
// masks, colour table) to its first pixel row; 0 when the information header
// cannot be read or makes no sense.
std::uint32_t DibPixelOffset(std::span<const std::uint8_t> dib);

}  // namespace vantrel
