// Guards against previews decoded wrong (row order, padding, palettes, 24-bit pixel offset, PNG
// colour types), bitmaps touched when there is no preview, and trusting a file's offsets and sizes.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <new>
#include <optional>

#include "model/DwgThumbnailUnit.h"
#include "model/SilentAbort.h"
#include "support/TestSupport.h"

// Hostile files claim gigabytes in a few bytes; the reader must refuse them
// before allocating. The largest single request made while a test watches is
// recorded here (the tests run on one thread).
namespace {
bool gWatchAllocations = false;
std::size_t gLargestAllocation = 0;
}  // namespace

// Kept out of line so the compiler does not pair the inlined free with a
// new-expression and warn about a mismatch that is none.
[[gnu::noinline]] void* operator new(std::size_t n) {
  if (gWatchAllocations && n > gLargestAllocation) gLargestAllocation = n;
  if (void* p = std::malloc(n != 0 ? n : 1)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace vantrel {
namespace {

using test::TempDir;
using test::WriteFile;

void PutU16(std::string& s, std::size_t at, std::uint32_t v) {
  s[at] = char(v & 0xFF);
  s[at + 1] = char((v >> 8) & 0xFF);
}
void PutU32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
}

void PutBigU32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (24 - 8 * i)) & 0xFF);
}

constexpr TColor Rgb(int r, int g, int b) { return TColor(r) | (TColor(g) << 8) | (TColor(b) << 16); }

using PixelFn = std::function<int(int x, int y)>;  // palette index or, for 24 bits, a TColor

// A bare DIB as DWG files store it: information header, full colour table of
// 2^bpp entries (colour i = (i*7, i*3, 255-i)), rows bottom-up padded to 4 bytes.
std::string Dib(int bpp, int w, int h, const PixelFn& pixel) {
  const int colours = bpp <= 8 ? 1 << bpp : 0;
  const std::size_t stride = (std::size_t(w) * bpp + 31) / 32 * 4;
  std::string dib(40 + 4 * colours + stride * h, '\0');
  PutU32(dib, 0, 40);
  PutU32(dib, 4, w);
  PutU32(dib, 8, h);
  PutU16(dib, 12, 1);
  PutU16(dib, 14, bpp);
  PutU32(dib, 20, std::uint32_t(stride * h));
  for (int i = 0; i < colours; ++i) {
    dib[40 + 4 * i] = char(255 - i);  // blue, green, red, reserved
    dib[40 + 4 * i + 1] = char((i * 3) & 0xFF);
    dib[40 + 4 * i + 2] = char((i * 7) & 0xFF);
  }
  const std::size_t pixels = 40 + 4 * colours;
  for (int y = 0; y < h; ++y) {
    char* row = &dib[pixels + stride * (h - 1 - y)];
    for (int x = 0; x < w; ++x) {
      const int v = pixel(x, y);
      if (bpp == 24) {
        row[3 * x] = char((v >> 16) & 0xFF);
        row[3 * x + 1] = char((v >> 8) & 0xFF);
        row[3 * x + 2] = char(v & 0xFF);
      } else {
        const int perByte = 8 / bpp;
        const int shift = 8 - bpp * (x % perByte + 1);
        row[x / perByte] = char(row[x / perByte] | (v << shift));
      }
    }
  }
  return dib;
}

TColor PaletteColour(int i) { return Rgb((i * 7) & 0xFF, (i * 3) & 0xFF, 255 - i); }

std::string Png(int w, int h, int colorType, const std::function<TColor(int, int)>& pixel) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        static_cast<std::string*>(png_get_io_ptr(p))->append(reinterpret_cast<char*>(data), n);
      },
      nullptr);
  png_set_IHDR(png, info, w, h, 8, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> palette;
  std::map<TColor, int> index;
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (index.try_emplace(pixel(x, y), int(palette.size())).second) {
          const TColor c = pixel(x, y);
          palette.push_back({png_byte(c & 0xFF), png_byte((c >> 8) & 0xFF), png_byte((c >> 16) & 0xFF)});
        }
    png_set_PLTE(png, info, palette.data(), int(palette.size()));
    png_byte alpha[1] = {0};  // the first colour transparent: a tRNS chunk to expand
    png_set_tRNS(png, info, alpha, 1, nullptr);
  }
  png_write_info(png, info);
  const int channels = colorType == PNG_COLOR_TYPE_PALETTE ? 1 : colorType == PNG_COLOR_TYPE_RGBA ? 4 : 3;
  std::vector<png_byte> row(std::size_t(w) * channels);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const TColor c = pixel(x, y);
      png_byte* p = &row[std::size_t(x) * channels];
      if (channels == 1) {
        p[0] = png_byte(index[c]);
      } else {
        p[0] = png_byte(c & 0xFF);
        p[1] = png_byte((c >> 8) & 0xFF);
        p[2] = png_byte((c >> 16) & 0xFF);
        if (channels == 4) p[3] = 128;
      }
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

// A file shaped like a DWG as far as the preview reader looks: the version,
// the image section address at 13, and at the section its directory with the
// image in the second entry. Every number can be overridden with a lie.
struct FakeDwg {
  std::string version = "AC1015";
  std::uint8_t entryCount = 2;
  std::uint8_t type = 2;
  std::string data;
  std::optional<std::uint32_t> section, dataAt, dataSize;
  std::size_t cutTo = std::string::npos;  // truncate the file

  std::string Bytes() const {
    const std::uint32_t sectionAt = 0x40;
    std::string f(sectionAt + 39, '\0');
    f.replace(0, version.size(), version);
    PutU32(f, 13, section.value_or(sectionAt));
    f.replace(sectionAt, 16, "\x1F\x25\x6D\x07\xD4\x36\x28\x28\x9D\x57\xCA\x3F\x9D\x44\x10\x2B", 16);
    PutU32(f, sectionAt + 16, std::uint32_t(data.size() + 19));
    f[sectionAt + 20] = char(entryCount);
    f[sectionAt + 21] = 1;  // the header entry, which the reader skips
    f[sectionAt + 30] = char(type);
    PutU32(f, sectionAt + 31, dataAt.value_or(std::uint32_t(f.size())));
    PutU32(f, sectionAt + 35, dataSize.value_or(std::uint32_t(data.size())));
    f += data;
    if (cutTo < f.size()) f.resize(cutTo);
    return f;
  }
};

const RgbBitmap kUntouched(2, 1, Rgb(1, 2, 3));

// Reads the preview of bytes written to a file; nullopt for the silent abort.
std::optional<RgbBitmap> Preview(const std::string& bytes) {
  TempDir dir;
  WriteFile(dir / "p.dwg", bytes);
  RgbBitmap bmp = kUntouched;
  try {
    EXPECT_TRUE(ReadDwgPreview(dir / "p.dwg", bmp));
  } catch (const SilentAbort&) {
    EXPECT_EQ(bmp.pixels, kUntouched.pixels);
    return std::nullopt;
  }
  return bmp;
}

bool Untouched(const std::optional<RgbBitmap>& bmp) {
  return bmp && bmp->width == kUntouched.width && bmp->height == kUntouched.height &&
         bmp->pixels == kUntouched.pixels;
}

int Checker(int x, int y) { return (x * 5 + y * 11) & 0xFF; }

TEST(DwgPreview, OldReleasesAndOtherFilesLeaveTheBitmapAlone) {
  FakeDwg r13;
  r13.version = "AC1012";
  r13.data = Dib(8, 3, 3, Checker);
  EXPECT_TRUE(Untouched(Preview(r13.Bytes())));
  EXPECT_TRUE(Untouched(Preview("AC1009" + std::string(100, '\xFF'))));
  // A DXF, and any head whose bytes 2 to 5 are not a number.
  EXPECT_TRUE(Untouched(Preview("  0\r\nSECTION\r\n  2\r\nHEADER\r\n")));
  EXPECT_TRUE(Untouched(Preview("AutoCAD Binary DXF\r\n\x1a")));
  EXPECT_TRUE(Untouched(Preview("AC10x5" + std::string(100, '\0'))));
  EXPECT_TRUE(Untouched(Preview(std::string(100, '\0'))));
}

TEST(DwgPreview, OtherImageTypesLeaveTheBitmapAlone) {
  for (std::uint8_t type : {0, 1, 3, 5, 7, 168}) {
    FakeDwg f;
    f.type = type;
    f.data = Dib(8, 3, 3, Checker);
    EXPECT_TRUE(Untouched(Preview(f.Bytes()))) << int(type);
  }
  // One entry only: the byte after it is read as a type, as writers of such files expect.
  FakeDwg headerOnly;
  headerOnly.entryCount = 1;
  headerOnly.type = 0;
  EXPECT_TRUE(Untouched(Preview(headerOnly.Bytes())));
  // No entries at all: a drawing saved without a preview, whatever follows.
  FakeDwg empty;
  empty.entryCount = 0;
  empty.data = Dib(8, 3, 3, Checker);
  EXPECT_TRUE(Untouched(Preview(empty.Bytes())));
}

TEST(DwgPreview, BmpPreviewsOfEveryDepthDecodeWithRowsAndPaddingRight) {
  for (int bpp : {1, 4, 8}) {
    const int w = 7, h = 5;  // odd width: every row padded
    const int levels = 1 << bpp;
    auto index = [&](int x, int y) { return (x + 3 * y) % levels; };
    FakeDwg f;
    f.data = Dib(bpp, w, h, index);
    auto bmp = Preview(f.Bytes());
    ASSERT_TRUE(bmp) << bpp;
    ASSERT_EQ(bmp->width, w);
    ASSERT_EQ(bmp->height, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(bmp->at(x, y), PaletteColour(index(x, y))) << bpp << " " << x << "," << y;
  }
  // 24 bits carry no colour table: the pixels start right after the header.
  auto colour = [](int x, int y) { return int(Rgb(x * 40, y * 60, 200 - x)); };
  FakeDwg f;
  f.version = "AC1032";
  f.data = Dib(24, 5, 3, colour);
  auto bmp = Preview(f.Bytes());
  ASSERT_TRUE(bmp);
  ASSERT_EQ(bmp->width, 5);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(bmp->at(x, y), TColor(colour(x, y))) << x << "," << y;
}

TEST(DwgPreview, BmpPreviewFoundWhereverTheEntryPoints) {
  // Data before the section, as in files whose image sits elsewhere.
  FakeDwg f;
  std::string dib = Dib(8, 4, 2, Checker);
  f.dataAt = 0x40 + 39 + 10;
  f.data = std::string(10, '\x55') + dib;
  f.dataSize = std::uint32_t(dib.size());
  auto bmp = Preview(f.Bytes());
  ASSERT_TRUE(bmp);
  EXPECT_EQ(bmp->at(3, 1), PaletteColour(Checker(3, 1)));
}

TEST(DwgPreview, PngPreviewsDecodeAnyColourType) {
  auto colour = [](int x, int y) { return Rgb(x * 30, 255 - y * 20, (x * y) & 0xFF); };
  for (int type : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGBA, PNG_COLOR_TYPE_PALETTE}) {
    FakeDwg f;
    f.version = "AC1027";
    f.type = 6;
    f.data = Png(6, 4, type, colour);
    auto bmp = Preview(f.Bytes());
    ASSERT_TRUE(bmp) << type;
    ASSERT_EQ(bmp->width, 6);
    ASSERT_EQ(bmp->height, 4);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 6; ++x) EXPECT_EQ(bmp->at(x, y), colour(x, y)) << type << " " << x << "," << y;
  }
}

TEST(DwgPreview, LyingOffsetsAndSizesEndInTheSilentAbortWithoutAllocating) {
  const std::string dib = Dib(8, 4, 4, Checker);
  std::vector<std::pair<const char*, FakeDwg>> cases;
  auto add = [&](const char* what, const std::function<void(FakeDwg&)>& lie) {
    FakeDwg f;
    f.data = dib;
    lie(f);
    cases.emplace_back(what, f);
  };
  add("section beyond the file", [](FakeDwg& f) { f.section = 0x7FFFFFF0; });
  add("section whose entry runs past the end", [](FakeDwg& f) { f.cutTo = 0x40 + 36; });
  add("data beyond the file", [](FakeDwg& f) { f.dataAt = 0xFFFFFF00; });
  add("size beyond the file", [](FakeDwg& f) { f.dataSize = 0xFFFFFFFF; });
  add("size just past the end", [&](FakeDwg& f) { f.dataSize = std::uint32_t(dib.size() + 1); });
  add("offset and size wrapping around", [](FakeDwg& f) { f.dataAt = 0x80; f.dataSize = 0xFFFFFFC0; });
  add("empty image", [](FakeDwg& f) { f.dataSize = 0; });
  add("file cut inside the image", [&](FakeDwg& f) { f.cutTo = 0x40 + 39 + dib.size() / 2; });
  add("file cut before the section address", [](FakeDwg& f) { f.cutTo = 15; });
  add("file cut inside the version", [](FakeDwg& f) { f.cutTo = 4; });
  add("DIB claiming a huge picture", [](FakeDwg& f) {
    PutU32(f.data, 4, 30000);
    PutU32(f.data, 8, 30000);
  });
  add("DIB claiming a huge colour table", [](FakeDwg& f) {
    PutU16(f.data, 14, 24);
    PutU32(f.data, 32, 0x40000000);
  });
  add("DIB of zero width", [](FakeDwg& f) { PutU32(f.data, 4, 0); });
  add("DIB with run-length pixels", [](FakeDwg& f) { PutU32(f.data, 16, 1); });
  add("DIB header size nonsense", [](FakeDwg& f) { PutU32(f.data, 0, 0xFFFFFFF0); });
  add("PNG entry holding a DIB", [](FakeDwg& f) { f.type = 6; });
  // Small files whose header claims 400 million and 2^28 x 2^28 pixels.
  for (std::uint32_t side : {20000u, 0x10000000u}) {
    add("PNG claiming a huge picture", [side](FakeDwg& f) {
      f.type = 6;
      f.data = Png(2, 2, PNG_COLOR_TYPE_RGB, [](int, int) { return 0u; });
      PutBigU32(f.data, 16, side);  // IHDR width and height
      PutBigU32(f.data, 20, side);
      const auto* ihdr = reinterpret_cast<const Bytef*>(f.data.data() + 12);
      PutBigU32(f.data, 29, std::uint32_t(crc32(0, ihdr, 17)));
    });
  }
  add("PNG cut short", [](FakeDwg& f) {
    f.type = 6;
    f.data = Png(40, 40, PNG_COLOR_TYPE_RGB, [](int x, int y) { return TColor(x * y); });
    f.data.resize(f.data.size() / 2);
  });
  add("PNG with damaged pixels", [](FakeDwg& f) {
    f.type = 6;
    f.data = Png(40, 40, PNG_COLOR_TYPE_RGB, [](int x, int y) { return TColor(x * y); });
    for (std::size_t i = 60; i < f.data.size() - 20; i += 7) f.data[i] = char(f.data[i] ^ 0x5A);
  });

  for (const auto& [what, f] : cases) {
    const std::string bytes = f.Bytes();
    gLargestAllocation = 0;
    gWatchAllocations = true;
    const auto bmp = Preview(bytes);
    gWatchAllocations = false;
    EXPECT_FALSE(bmp) << what;
    EXPECT_LT(gLargestAllocation, 256u * 1024) << what;
  }
}

TEST(DwgPreview, UnreadableFilesEndInTheSilentAbort) {
  TempDir dir;
  RgbBitmap bmp = kUntouched;
  EXPECT_THROW(ReadDwgPreview(dir / "absent.dwg", bmp), SilentAbort);
  EXPECT_THROW(ReadDwgPreview(dir.path(), bmp), SilentAbort);
  EXPECT_EQ(bmp.pixels, kUntouched.pixels);
}

// MANIFEST.tsv note for each real DWG: "preview BMP", "preview PNG", "preview none", "preview n/a".
std::map<std::string, std::string> ManifestPreviewKinds(const std::filesystem::path& corpus) {
  std::map<std::string, std::string> out;
  std::ifstream in(corpus / "MANIFEST.tsv");
  std::string line;
  while (std::getline(in, line)) {
    if (!line.starts_with("dwg/")) continue;
    const auto at = line.find("preview ");
    if (at == std::string::npos) continue;
    out[line.substr(0, line.find('\t'))] = line.substr(at + 8, line.find_first_of(" (;", at + 8) - at - 8);
  }
  return out;
}

TEST(CorpusPreviews, RealDwgFilesGiveTheirPreviews) {
  const auto corpus = test::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  int pictures = 0;
  for (const auto& [name, kind] : ManifestPreviewKinds(corpus)) {
    const auto file = corpus / name;
    if (!std::filesystem::exists(file)) continue;
    RgbBitmap bmp = kUntouched;
    bool aborted = false;
    try {
      ReadDwgPreview(file, bmp);
    } catch (const SilentAbort&) {
      aborted = true;
    }
    const bool oldRelease = name.starts_with("dwg/r12_") || name.starts_with("dwg/r13_");
    if ((kind == "BMP" && !oldRelease) || kind == "PNG") {
      ASSERT_FALSE(aborted) << name;
      EXPECT_GT(bmp.width, 16) << name;
      EXPECT_GT(bmp.height, 16) << name;
      EXPECT_LT(bmp.width, 4000) << name;
      // A real picture has more than one colour.
      EXPECT_NE(std::count(bmp.pixels.begin(), bmp.pixels.end(), bmp.pixels[0]), std::ptrdiff_t(bmp.pixels.size())) << name;
      ++pictures;
    } else {
      EXPECT_FALSE(aborted) << name;
      EXPECT_EQ(bmp.pixels, kUntouched.pixels) << name;
    }
  }
  EXPECT_GT(pictures, 0);
}

}  // namespace
}  // namespace vantrel
