#include "app/ListImageCache.h"

#include <algorithm>
#include <fstream>
#include <span>
#include <string>
#include <system_error>
#include <unordered_map>

#include "app/DwgListImage.h"
#include "app/ReplaceFile.h"
#include "model/BmpFormat.h"
#include "model/DwgThumbnailUnit.h"
#include "model/FileNames.h"
#include "model/RgbBitmap.h"
#include "render/Pens.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

// A list image is a few hundred pixels wide; this leaves room for any size a
// cache file could sensibly have and refuses to read a huge file for one.
constexpr std::uintmax_t kMaxCacheFileBytes = 64 * 1024 * 1024;

// File header, 40-byte information header and colour table of a bottom-up
// uncompressed DIB; the pixel rows follow.
std::vector<std::uint8_t> BmpHeaders(int width, int height, int bitCount,
                                     const std::vector<TColor>& table, std::size_t stride) {
  const std::uint32_t pixelsAt = kBmpFileHeaderSize + kBmpInfoHeaderSize + 4 * std::uint32_t(table.size());
  const std::size_t pixelBytes = stride * std::size_t(height);
  std::vector<std::uint8_t> out(pixelsAt + pixelBytes, 0);
  PutBmpFileHeader(out, pixelsAt);
  PutU32(out, 14, kBmpInfoHeaderSize);
  PutU32(out, 18, static_cast<std::uint32_t>(width));
  PutU32(out, 22, static_cast<std::uint32_t>(height));
  PutU16(out, 26, 1);
  PutU16(out, 28, static_cast<std::uint16_t>(bitCount));
  PutU32(out, 34, static_cast<std::uint32_t>(pixelBytes));
  PutU32(out, 46, static_cast<std::uint32_t>(table.size()));
  std::size_t at = kBmpFileHeaderSize + kBmpInfoHeaderSize;
  for (TColor c : table) {
    out[at++] = static_cast<std::uint8_t>(c >> 16);  // blue
    out[at++] = static_cast<std::uint8_t>(c >> 8);   // green
    out[at++] = static_cast<std::uint8_t>(c);        // red
    out[at++] = 0;
  }
  return out;
}

TColor PixelAt(const QImage& rgb32, int x, int y) {
  return QRgbToColor(reinterpret_cast<const QRgb*>(rgb32.constScanLine(y))[x]);
}

int Distance(TColor a, TColor b) {
  int d = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const int v = int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF);
    d += v * v;
  }
  return d;
}

std::uint8_t NearestEntry(const std::vector<TColor>& table, TColor c) {
  std::size_t best = 0;
  int bestDistance = Distance(table[0], c);
  for (std::size_t i = 1; i < table.size() && bestDistance > 0; ++i) {
    const int d = Distance(table[i], c);
    if (d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return static_cast<std::uint8_t>(best);
}

bool ReadWholeFile(const fs::path& file, std::vector<std::uint8_t>& bytes) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return false;
  const std::uintmax_t size = fs::file_size(file, ec);
  if (ec || size > kMaxCacheFileBytes) return false;
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  bytes.resize(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  return static_cast<std::uintmax_t>(in.gcount()) == size;
}

}  // namespace

fs::path ListImageCacheName(const fs::path& drawing) {
  return drawing.parent_path() /
         (NameWithoutExtension(drawing) + (CacheIsPalette(drawing) ? "_DXF.bmp" : "_DWG.bmp"));
}

bool CacheIsPalette(const fs::path& drawing) { return UpperExtension(drawing) == ".DXF"; }

std::vector<TColor> ListImagePalette() {
  std::vector<TColor> table{0x000000};
  for (Integer n = 1; n <= 255; ++n) {
    const TColor c = AciToColor(n);
    if (std::find(table.begin(), table.end(), c) == table.end()) table.push_back(c);
  }
  return table;
}

std::vector<std::uint8_t> EncodeBmp8(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  const int width = rgb.width(), height = rgb.height();
  const std::vector<TColor> table = ListImagePalette();
  const std::size_t stride = (std::size_t(width) + 3) / 4 * 4;
  std::vector<std::uint8_t> out = BmpHeaders(width, height, 8, table, stride);
  const std::size_t pixelsAt = out.size() - stride * std::size_t(height);

  // Drawn images hold few colours; each is looked up in the table once.
  std::unordered_map<TColor, std::uint8_t> known;
  for (TColor c : table) known.emplace(c, NearestEntry(table, c));
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = out.data() + pixelsAt + std::size_t(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      const TColor c = PixelAt(rgb, x, y);
      auto it = known.find(c);
      if (it == known.end()) it = known.emplace(c, NearestEntry(table, c)).first;
      row[x] = it->second;
    }
  }
  return out;
}

std::vector<std::uint8_t> EncodeBmp24(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  const int width = rgb.width(), height = rgb.height();
  const std::size_t stride = (std::size_t(width) * 3 + 3) / 4 * 4;
  std::vector<std::uint8_t> out = BmpHeaders(width, height, 24, {}, stride);
  const std::size_t pixelsAt = out.size() - stride * std::size_t(height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = out.data() + pixelsAt + std::size_t(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      const TColor c = PixelAt(rgb, x, y);
      row[3 * x] = static_cast<std::uint8_t>(c >> 16);
      row[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
      row[3 * x + 2] = static_cast<std::uint8_t>(c);
    }
  }
  return out;
}

bool SaveListImageCache(const fs::path& drawing, const QImage& image) {
  if (image.isNull() || image.width() <= 0 || image.height() <= 0) return false;
  const std::vector<std::uint8_t> bytes = CacheIsPalette(drawing) ? EncodeBmp8(image) : EncodeBmp24(image);
  return ReplaceFileContents(ListImageCacheName(drawing),
                             std::span(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

namespace {

// The files this program writes: 8 bits per pixel, a 40-byte information
// header, uncompressed rows. PERF: those load by copying rows and the colour
// table, which keeps a cached folder far faster than reading its drawings;
// everything else goes through the general decoder.
bool LoadOwnPaletteBmp(const std::vector<std::uint8_t>& b, QImage& image) {
  if (b.size() < kBmpFileHeaderSize + kBmpInfoHeaderSize || b[0] != 'B' || b[1] != 'M') return false;
  const std::size_t info = kBmpFileHeaderSize;
  const std::uint32_t pixelsAt = U32At(b, 10);
  const std::int32_t width = static_cast<std::int32_t>(U32At(b, info + 4));
  const std::int32_t height = static_cast<std::int32_t>(U32At(b, info + 8));
  std::uint32_t used = U32At(b, info + 32);
  if (U32At(b, info) != kBmpInfoHeaderSize || U16At(b, info + 12) != 1 || U16At(b, info + 14) != 8 ||
      U32At(b, info + 16) != 0 || width <= 0 || width > 1 << 15 || height <= 0 || height > 1 << 15)
    return false;
  if (used == 0) used = 256;
  if (used > 256) return false;
  const std::size_t tableAt = info + kBmpInfoHeaderSize;
  const std::size_t stride = (std::size_t(width) + 3) & ~std::size_t(3);
  if (tableAt + 4 * std::size_t(used) > b.size() || pixelsAt < tableAt + 4 * std::size_t(used) ||
      pixelsAt > b.size() || (b.size() - pixelsAt) / stride < std::size_t(height))
    return false;
  QImage indexed(width, height, QImage::Format_Indexed8);
  if (indexed.isNull()) return false;
  // Indexes past the file's table show black rather than reading beyond it.
  QList<QRgb> colours(256, qRgb(0, 0, 0));
  for (std::uint32_t i = 0; i < used; ++i) {
    const std::size_t at = tableAt + 4 * i;
    colours[i] = qRgb(b[at + 2], b[at + 1], b[at]);
  }
  indexed.setColorTable(colours);
  for (int y = 0; y < height; ++y)
    std::copy_n(b.data() + pixelsAt + std::size_t(height - 1 - y) * stride, width, indexed.scanLine(y));
  image = std::move(indexed);
  return true;
}

}  // namespace

bool LoadListImageCache(const fs::path& file, QImage& image) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFile(file, bytes)) return false;
  if (LoadOwnPaletteBmp(bytes, image)) return true;
  RgbBitmap decoded;
  // The decoder checks every header field and size against the bytes held.
  if (!DecodeBmp(std::span<const std::uint8_t>(bytes), decoded)) return false;
  // Having decoded, the information header is known to be there.
  const std::uint32_t headerSize = U32At(bytes, kBmpFileHeaderSize);
  const std::uint32_t bitCount =
      U16At(bytes, kBmpFileHeaderSize + (headerSize == kBmpCoreHeaderSize ? 10 : 14));

  if (bitCount > 8) {
    image = RgbBitmapToImage(decoded);
    return true;
  }
  QImage indexed(decoded.width, decoded.height, QImage::Format_Indexed8);
  if (indexed.isNull()) return false;
  QList<QRgb> colours;
  std::unordered_map<TColor, int> index;
  for (int y = 0; y < decoded.height; ++y) {
    uchar* line = indexed.scanLine(y);
    for (int x = 0; x < decoded.width; ++x) {
      const TColor c = decoded.at(x, y);
      auto it = index.find(c);
      if (it == index.end()) {
        if (colours.size() == 256) return false;  // more than any colour table holds
        it = index.emplace(c, static_cast<int>(colours.size())).first;
        colours.push_back(ColorToQRgb(c));
      }
      line[x] = static_cast<uchar>(it->second);
    }
  }
  indexed.setColorTable(colours);
  image = std::move(indexed);
  return true;
}

}  // namespace vantrel
