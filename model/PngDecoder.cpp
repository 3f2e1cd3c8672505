// PNG previews of newer DWG releases, decoded from memory through libpng.
// libpng reports errors by longjmp; the C++ objects that must survive such a
// jump live in the caller's frame, never in the frame that calls setjmp.
#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <new>
#include <span>
#include <vector>

#include "model/DwgThumbnailUnit.h"

namespace vantrel {

namespace {

constexpr std::uint32_t kMaxSide = 1 << 15;
constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 25;
// Deflate cannot expand data by more than about 1032:1, so an image whose
// raw rows would exceed that much of the input is lying about its size; it
// is refused before anything is allocated for it.
constexpr std::uint64_t kMaxInflateRatio = 1100;
constexpr std::uint64_t kInflateSlack = 64 * 1024;
constexpr png_alloc_size_t kMaxChunkBytes = 8 * 1024 * 1024;

struct PngJob {
  std::span<const std::uint8_t> bytes;
  std::size_t pos = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> rgb;
  std::vector<png_bytep> rows;
};

void ReadFromJob(png_structp png, png_bytep out, png_size_t count) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (count > job->bytes.size() - job->pos) png_error(png, "truncated");
  std::memcpy(out, job->bytes.data() + job->pos, count);
  job->pos += count;
}

// Library code never prints: libpng's default handlers write to stderr.
[[noreturn]] void FailSilently(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void IgnoreWarning(png_structp, png_const_charp) {}

bool RunPng(PngJob& job) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, FailSilently, IgnoreWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &job, ReadFromJob);
  png_set_user_limits(png, kMaxSide, kMaxSide);
  png_set_chunk_malloc_max(png, kMaxChunkBytes);
  png_read_info(png, info);

  const std::uint32_t width = png_get_image_width(png, info);
  const std::uint32_t height = png_get_image_height(png, info);
  const std::uint64_t rawBytes = (std::uint64_t(png_get_rowbytes(png, info)) + 1) * height;
  if (width == 0 || height == 0 || std::uint64_t(width) * height > kMaxPixels ||
      rawBytes > job.bytes.size() * kMaxInflateRatio + kInflateSlack) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }

  const int colorType = png_get_color_type(png, info);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8)
    png_set_expand_gray_1_2_4_to_8(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_strip_alpha(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  if (png_get_channels(png, info) != 3 || rowBytes != std::size_t(width) * 3) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }

  try {
    job.rgb.resize(rowBytes * height);
    job.rows.resize(height);
  } catch (const std::bad_alloc&) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  for (std::uint32_t y = 0; y < height; ++y) job.rows[y] = job.rgb.data() + std::size_t(y) * rowBytes;
  png_read_image(png, job.rows.data());
  // The rows are complete; a damaged or missing tail after them (IEND) does
  // not make the picture any worse, so it is not read.
  png_destroy_read_struct(&png, &info, nullptr);
  job.width = width;
  job.height = height;
  return true;
}

}  // namespace

bool DecodePng(std::span<const std::uint8_t> bytes, RgbBitmap& out) {
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) return false;
  PngJob job;
  job.bytes = bytes;
  if (!RunPng(job)) return false;

  RgbBitmap image(static_cast<int>(job.width), static_cast<int>(job.height));
  const std::uint8_t* src = job.rgb.data();
  for (TColor& pixel : image.pixels) {
    pixel = TColor(src[0]) | (TColor(src[1]) << 8) | (TColor(src[2]) << 16);
    src += 3;
  }
  out = std::move(image);
  return true;
}

}  // namespace vantrel
