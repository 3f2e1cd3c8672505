// Our own DIB loader. DWG previews are plain uncompressed DIBs, and a file
// header in front of them is built by us, so the loader needs no platform
// imaging; it only has to be paranoid, since every number in the headers
// comes from a file.
#include <algorithm>
#include <array>
#include <bit>
#include <climits>
#include <cstdint>
#include <span>

#include "model/BmpFormat.h"
#include "model/DwgThumbnailUnit.h"

namespace vantrel {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kLargestHeaderSize = 124;  // BITMAPV5HEADER
// Far above any preview (the largest real ones are under 1000 x 500) yet
// small enough that a forged header cannot make us allocate gigabytes.
constexpr std::int64_t kMaxSide = 1 << 15;
constexpr std::int64_t kMaxPixels = std::int64_t(1) << 25;

struct DibInfo {
  std::int64_t width = 0;
  std::int64_t height = 0;
  bool topDown = false;
  unsigned bitCount = 0;
  std::array<std::uint32_t, 3> masks{};  // red, green, blue; for 16 and 32 bits
  std::uint64_t paletteCount = 0;
  std::uint64_t paletteStart = 0;
  unsigned paletteEntrySize = 4;
  std::uint64_t tableEnd = 0;  // first byte after headers, masks and colour table
};

bool ParseDibInfo(std::span<const std::uint8_t> dib, DibInfo& info) {
  if (dib.size() < 4) return false;
  const std::uint32_t headerSize = U32At(dib, 0);
  std::uint64_t tableStart = headerSize;
  std::uint32_t colorsUsed = 0;

  if (headerSize == kBmpCoreHeaderSize) {
    if (dib.size() < kBmpCoreHeaderSize) return false;
    info.width = U16At(dib, 4);
    info.height = U16At(dib, 6);
    info.bitCount = U16At(dib, 10);
    info.paletteEntrySize = 3;
    if (info.bitCount != 1 && info.bitCount != 4 && info.bitCount != 8 && info.bitCount != 24)
      return false;
  } else if (headerSize >= kBmpInfoHeaderSize && headerSize <= kLargestHeaderSize) {
    if (dib.size() < headerSize) return false;
    const auto width = static_cast<std::int32_t>(U32At(dib, 4));
    const auto height = static_cast<std::int32_t>(U32At(dib, 8));
    if (height == INT32_MIN) return false;
    info.width = width;
    info.height = height < 0 ? -std::int64_t(height) : height;
    info.topDown = height < 0;
    info.bitCount = U16At(dib, 14);
    const std::uint32_t compression = U32At(dib, 16);
    colorsUsed = U32At(dib, 32);
    const unsigned bpp = info.bitCount;
    if (compression == kBiRgb) {
      if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
      if (bpp == 16) info.masks = {0x7C00, 0x03E0, 0x001F};
      if (bpp == 32) info.masks = {0xFF0000, 0xFF00, 0xFF};
    } else if (compression == kBiBitfields) {
      if (bpp != 16 && bpp != 32) return false;
      // The masks follow a plain 40-byte header; the larger headers hold them.
      const std::uint64_t masksAt = kBmpInfoHeaderSize;
      if (headerSize == kBmpInfoHeaderSize)
        tableStart += 12;
      else if (headerSize < kBmpInfoHeaderSize + 12)
        return false;
      if (dib.size() < masksAt + 12) return false;
      info.masks = {U32At(dib, masksAt), U32At(dib, masksAt + 4), U32At(dib, masksAt + 8)};
    } else {
      return false;  // run-length and embedded JPEG/PNG DIBs never occur in previews
    }
  } else {
    return false;
  }

  if (info.width <= 0 || info.height <= 0) return false;
  if (info.width > kMaxSide || info.height > kMaxSide || info.width * info.height > kMaxPixels)
    return false;

  if (info.bitCount <= 8) {
    const std::uint64_t full = std::uint64_t(1) << info.bitCount;
    if (colorsUsed > full) return false;
    info.paletteCount = colorsUsed != 0 ? colorsUsed : full;
  } else {
    info.paletteCount = colorsUsed;  // an optional table that only occupies room
  }
  info.paletteStart = tableStart;
  info.tableEnd = tableStart + info.paletteCount * info.paletteEntrySize;
  return info.tableEnd <= dib.size();
}

// Scales one masked channel to 8 bits, so that 5-bit and 8-bit fields
// both reach full white.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  explicit Channel(std::uint32_t m) : mask(m) {
    if (m == 0) return;
    shift = std::countr_zero(m);
    bits = std::bit_width(m >> shift);
  }
  std::uint32_t Extract(std::uint32_t value) const {
    if (bits == 0) return 0;
    const std::uint32_t v = (value & mask) >> shift;
    if (bits >= 8) return v >> (bits - 8);
    return v * 255u / ((1u << bits) - 1u);
  }
};

TColor Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return r | (g << 8) | (b << 16); }

}  // namespace

std::uint32_t DibPixelOffset(std::span<const std::uint8_t> dib) {
  DibInfo info;
  if (!ParseDibInfo(dib, info)) return 0;
  return static_cast<std::uint32_t>(info.tableEnd);
}

bool DecodeBmp(std::span<const std::uint8_t> bytes, RgbBitmap& out) {
  if (bytes.size() < kBmpFileHeaderSize || bytes[0] != 'B' || bytes[1] != 'M') return false;
  const std::span<const std::uint8_t> dib = bytes.subspan(kBmpFileHeaderSize);
  DibInfo info;
  if (!ParseDibInfo(dib, info)) return false;

  // Writers that leave the pixel offset zero, or point it into the colour
  // table, are common enough; the pixels then follow the table directly.
  const std::uint64_t declared = U32At(bytes, 10);
  std::uint64_t pixelStart = info.tableEnd;
  if (declared >= kBmpFileHeaderSize + info.tableEnd) pixelStart = declared - kBmpFileHeaderSize;
  if (pixelStart > dib.size()) return false;

  const std::uint64_t rowBits = std::uint64_t(info.width) * info.bitCount;
  const std::uint64_t stride = (rowBits + 31) / 32 * 4;
  const std::uint64_t lastRowBytes = (rowBits + 7) / 8;  // its padding may be cut off
  if (std::uint64_t(info.height - 1) * stride + lastRowBytes > dib.size() - pixelStart) return false;

  std::array<TColor, 256> palette{};  // indices beyond the table show black
  const std::uint64_t usable = std::min<std::uint64_t>(info.paletteCount, palette.size());
  for (std::uint64_t i = 0; i < usable && info.bitCount <= 8; ++i) {
    const std::size_t at = info.paletteStart + i * info.paletteEntrySize;
    palette[i] = Rgb(dib[at + 2], dib[at + 1], dib[at]);
  }
  const Channel red(info.masks[0]), green(info.masks[1]), blue(info.masks[2]);

  const int width = static_cast<int>(info.width);
  const int height = static_cast<int>(info.height);
  RgbBitmap image(width, height);
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* src = dib.data() + pixelStart + std::uint64_t(row) * stride;
    const int y = info.topDown ? row : height - 1 - row;
    TColor* dst = &image.pixels[std::size_t(y) * width];
    switch (info.bitCount) {
      case 1:
      case 4:
      case 8: {
        const unsigned bpp = info.bitCount;
        const unsigned perByte = 8 / bpp;
        const unsigned mask = (1u << bpp) - 1;
        for (int x = 0; x < width; ++x) {
          const unsigned shift = 8 - bpp * (x % perByte + 1);
          dst[x] = palette[(src[x / perByte] >> shift) & mask];
        }
        break;
      }
      case 16:
        for (int x = 0; x < width; ++x) {
          const std::uint32_t v = src[2 * x] | (src[2 * x + 1] << 8);
          dst[x] = Rgb(red.Extract(v), green.Extract(v), blue.Extract(v));
        }
        break;
      case 24:
        for (int x = 0; x < width; ++x) dst[x] = Rgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
        break;
      case 32:
        for (int x = 0; x < width; ++x) {
          const std::uint32_t v = U32At(std::span(src + 4 * x, 4), 0);
          dst[x] = Rgb(red.Extract(v), green.Extract(v), blue.Extract(v));
        }
        break;
      default:
        return false;
    }
  }
  out = std::move(image);
  return true;
}

}  // namespace vantrel
