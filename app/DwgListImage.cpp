#include "app/DwgListImage.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <system_error>
#include <vector>

#include "model/DwgThumbnailUnit.h"

namespace vantrel {

namespace {

constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kBlack = 0x000000;
constexpr long double kFillShare = 0.9L;

// One destination pixel's share of the source along one axis: the source
// pixels it overlaps and by how much, in units of 1 / (destination size).
struct Tap {
  int index;
  std::int64_t weight;
};

// Source pixel i covers [i * dstSize, (i + 1) * dstSize) and destination
// pixel d covers [d * srcSize, (d + 1) * srcSize), so every weight is a whole
// number and the weights of one destination pixel add up to srcSize.
std::vector<std::vector<Tap>> AreaTaps(int srcSize, int dstSize) {
  std::vector<std::vector<Tap>> taps(dstSize);
  for (int d = 0; d < dstSize; ++d) {
    const std::int64_t from = std::int64_t(d) * srcSize;
    const std::int64_t to = from + srcSize;
    for (std::int64_t i = from / dstSize; i * dstSize < to && i < srcSize; ++i) {
      const std::int64_t overlap = std::min(to, (i + 1) * dstSize) - std::max(from, i * dstSize);
      if (overlap > 0) taps[d].push_back({static_cast<int>(i), overlap});
    }
  }
  return taps;
}

// The source pixels that fold into each destination pixel when pixels are
// only kept or dropped: a partition of the source when shrinking, one pixel
// repeated when enlarging.
std::vector<std::pair<int, int>> FoldRanges(int srcSize, int dstSize) {
  std::vector<std::pair<int, int>> ranges(dstSize);
  for (int d = 0; d < dstSize; ++d) {
    const int from = static_cast<int>(std::int64_t(d) * srcSize / dstSize);
    int to = static_cast<int>(std::int64_t(d + 1) * srcSize / dstSize);
    if (to <= from) to = from + 1;
    ranges[d] = {from, to};
  }
  return ranges;
}

void StretchHalftone(const RgbBitmap& src, int left, int top, int width, int height, RgbBitmap& dst) {
  const auto xTaps = AreaTaps(width, dst.width);
  const auto yTaps = AreaTaps(height, dst.height);
  const std::uint64_t total = std::uint64_t(width) * std::uint64_t(height);
  for (int dy = 0; dy < dst.height; ++dy) {
    for (int dx = 0; dx < dst.width; ++dx) {
      std::array<std::uint64_t, 3> sum{};
      for (const Tap& ty : yTaps[dy]) {
        for (const Tap& tx : xTaps[dx]) {
          const TColor c = src.at(left + tx.index, top + ty.index);
          const std::uint64_t w = std::uint64_t(tx.weight) * std::uint64_t(ty.weight);
          sum[0] += (c & 0xFF) * w;
          sum[1] += ((c >> 8) & 0xFF) * w;
          sum[2] += ((c >> 16) & 0xFF) * w;
        }
      }
      TColor out = 0;
      for (int ch = 0; ch < 3; ++ch) out |= TColor((sum[ch] + total / 2) / total) << (8 * ch);
      dst.at(dx, dy) = out;
    }
  }
}

template <typename Fold>
void StretchFolding(const RgbBitmap& src, int left, int top, int width, int height, RgbBitmap& dst,
                    TColor start, Fold fold) {
  const auto xRanges = FoldRanges(width, dst.width);
  const auto yRanges = FoldRanges(height, dst.height);
  for (int dy = 0; dy < dst.height; ++dy) {
    for (int dx = 0; dx < dst.width; ++dx) {
      TColor out = start;
      for (int sy = yRanges[dy].first; sy < yRanges[dy].second; ++sy)
        for (int sx = xRanges[dx].first; sx < xRanges[dx].second; ++sx)
          out = fold(out, src.at(left + sx, top + sy));
      dst.at(dx, dy) = out;
    }
  }
}

// Equal corners vote; the earliest corner with the strictly highest count
// wins, so four different corners give the top-left one.
TColor BackgroundVote(const RgbBitmap& b) {
  const std::array<TColor, 4> corners = {b.at(0, 0), b.at(b.width - 1, 0), b.at(0, b.height - 1),
                                         b.at(b.width - 1, b.height - 1)};
  int best = 0, bestCount = 0;
  for (int i = 0; i < 4; ++i) {
    const int count = static_cast<int>(std::count(corners.begin(), corners.end(), corners[i]));
    if (count > bestCount) {
      best = i;
      bestCount = count;
    }
  }
  return corners[best];
}

}  // namespace

void StretchBitmap(const RgbBitmap& Source, int left, int top, int width, int height,
                   RgbBitmap& Dest, int StretchMode) {
  if (Dest.empty() || width <= 0 || height <= 0) return;
  switch (StretchMode) {
    case kStretchHalftone:
      StretchHalftone(Source, left, top, width, height, Dest);
      break;
    case kStretchWhiteOnBlack:
      StretchFolding(Source, left, top, width, height, Dest, kBlack,
                     [](TColor a, TColor b) { return a | b; });
      break;
    default:
      StretchFolding(Source, left, top, width, height, Dest, kWhite,
                     [](TColor a, TColor b) { return a & b; });
      break;
  }
}

void PaintDwgPreview(RgbBitmap& Preview, RgbBitmap& Dest, int StretchMode, bool Crop) {
  const int W = Preview.width, H = Preview.height;
  if (Preview.empty() || Dest.empty()) return;

  TColor background = BackgroundVote(Preview);
  // Drawn list images are light lines on black; a paper-white preview is
  // made to look the same.
  if (background == kWhite) {
    for (TColor& c : Preview.pixels) {
      if (c == kBlack)
        c = kWhite;
      else if (c == kWhite)
        c = kBlack;
    }
    background = kBlack;
  }

  int top = H - 1, bottom = 0, left = W - 1, right = 0;
  bool found = false;
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      if (Preview.at(x, y) == background) {
        if (!found) top = y;
        continue;
      }
      found = true;
      bottom = y;
      left = std::min(left, x);
      right = std::max(right, x);
      // Content in the first column of a row leaves top one row higher,
      // except in the first row.
      if (y == 0) top = 0;
    }
  }

  if (left > 0) --left;
  if (top > 0) --top;
  int boxWidth = left < right ? right - left + 1 : W;
  int boxHeight = top < bottom ? bottom - top + 1 : H;
  if (right - left <= 3 || bottom - top <= 3 || !Crop) {
    boxWidth = W;
    boxHeight = H;
    left = 0;
    top = 0;
  }

  const long double sx = Dest.width * kFillShare / boxWidth;
  const long double sy = Dest.height * kFillShare / boxHeight;
  const long double s = std::min(sx, sy);
  RgbBitmap scaled(static_cast<int>(boxWidth * s), static_cast<int>(boxHeight * s), kBlack);
  // The copy starts one pixel in from the box, which the margin above
  // leaves room for; it must not run off the preview.
  if (left + 1 + boxWidth > W) boxWidth = W - (left + 1);
  if (top + 1 + boxHeight > H) boxHeight = H - (top + 1);
  StretchBitmap(Preview, left + 1, top + 1, boxWidth, boxHeight, scaled, StretchMode);

  const int atX = (Dest.width - scaled.width) / 2;
  const int atY = (Dest.height - scaled.height) / 2;
  for (int y = 0; y < scaled.height; ++y) {
    if (atY + y < 0 || atY + y >= Dest.height) continue;
    for (int x = 0; x < scaled.width; ++x) {
      if (atX + x < 0 || atX + x >= Dest.width) continue;
      Dest.at(atX + x, atY + y) = scaled.at(x, y);
    }
  }
}

bool MakeDwgImage(const std::filesystem::path& FileName, RgbBitmap& Dest, TColor BackColor,
                  int StretchMode, int& ImageWidth, int& ImageHeight, bool Crop) {
  RgbBitmap work(Dest.width, Dest.height, BackColor);
  Dest = work;
  ImageWidth = 0;
  ImageHeight = 0;
  std::error_code ec;
  if (!std::filesystem::exists(FileName, ec)) return false;
  ReadDwgPreview(FileName, work);
  ImageWidth = work.width;
  ImageHeight = work.height;
  PaintDwgPreview(work, Dest, StretchMode, Crop);
  return true;
}

bool MakeDwgImage(const std::filesystem::path& FileName, QImage& Dest, TColor BackColor,
                  int StretchMode, int& ImageWidth, int& ImageHeight, bool Crop) {
  RgbBitmap dest(std::max(Dest.width(), 0), std::max(Dest.height(), 0));
  const bool made = MakeDwgImage(FileName, dest, BackColor, StretchMode, ImageWidth, ImageHeight, Crop);
  Dest = RgbBitmapToImage(dest);
  return made;
}

QImage RgbBitmapToImage(const RgbBitmap& bitmap) {
  QImage image(bitmap.width, bitmap.height, QImage::Format_RGB32);
  for (int y = 0; y < bitmap.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < bitmap.width; ++x) line[x] = ColorToQRgb(bitmap.at(x, y));
  }
  return image;
}

RgbBitmap ImageToRgbBitmap(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  RgbBitmap bitmap(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x) bitmap.at(x, y) = QRgbToColor(line[x]);
  }
  return bitmap;
}

}  // namespace vantrel
