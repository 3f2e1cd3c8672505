// Guards against: wrong cache file names, palette colours lost in 8-bit files, bad row order or padding, half-written cache files, and truncated or forged BMP files that crash the loader or load as garbage.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "app/ListImageCache.h"
#include "render/Pens.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

QRgb ToQRgb(TColor c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

std::uint32_t U32(const std::string& b, std::size_t at) {
  std::uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

void PutU32(std::string& b, std::size_t at, std::uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

TEST(ListImageCache, NamesFollowTheDrawingsExtension) {
  EXPECT_EQ(ListImageCacheName("/d/plan.dxf"), fs::path("/d/plan_DXF.bmp"));
  EXPECT_EQ(ListImageCacheName("/d/plan.DxF"), fs::path("/d/plan_DXF.bmp"));
  EXPECT_EQ(ListImageCacheName("/d/plan.dwg"), fs::path("/d/plan_DWG.bmp"));
  EXPECT_EQ(ListImageCacheName("/d/a.b.DWG"), fs::path("/d/a.b_DWG.bmp"));
  EXPECT_EQ(ListImageCacheName("/d/noext"), fs::path("/d/noext_DWG.bmp"));
  EXPECT_EQ(ListImageCacheName("/d.x/plan"), fs::path("/d.x/plan_DWG.bmp"));
  EXPECT_TRUE(CacheIsPalette("/d/x.DXF"));
  EXPECT_FALSE(CacheIsPalette("/d/x.dwg"));
}

TEST(ListImageCache, PaletteHoldsEveryPenColourAndBlack) {
  const std::vector<TColor> table = ListImagePalette();
  EXPECT_LE(table.size(), 256u);
  EXPECT_EQ(table[0], 0x000000u);
  for (Integer n = 0; n <= 256; ++n)
    EXPECT_NE(std::find(table.begin(), table.end(), AciToColor(n)), table.end()) << n;
  std::vector<TColor> sorted = table;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "no entry twice";
}

TEST(ListImageCache, EightBitFilesKeepPaletteColoursAndMapOthersToTheNearest) {
  TempDir tmp;
  const std::vector<TColor> table = ListImagePalette();
  // An odd width, so every row needs padding.
  QImage image(201, 7, QImage::Format_RGB32);
  image.fill(Qt::black);
  for (int x = 0; x < 201; ++x) image.setPixel(x, 1, ToQRgb(table[x % table.size()]));
  image.setPixel(0, 6, qRgb(250, 10, 10));  // nearly red
  image.setPixel(1, 6, qRgb(130, 126, 129));  // nearly grey 8

  const fs::path drawing = tmp / "plan.dxf";
  ASSERT_TRUE(SaveListImageCache(drawing, image));
  const fs::path file = tmp / "plan_DXF.bmp";
  const std::string bytes = test::ReadFileBytes(file);
  const std::uint32_t pixelsAt = 14 + 40 + 4 * std::uint32_t(table.size());
  ASSERT_EQ(bytes.size(), pixelsAt + 204u * 7u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(U32(bytes, 2), bytes.size());
  EXPECT_EQ(U32(bytes, 10), pixelsAt);
  EXPECT_EQ(U32(bytes, 14), 40u);
  EXPECT_EQ(U32(bytes, 22), 7u) << "positive height: rows bottom-up";
  EXPECT_EQ(bytes[28], 8);
  EXPECT_EQ(U32(bytes, 46), table.size());
  // The last image row comes first in the file: its pixel 0 is the red entry.
  const auto redIndex = std::find(table.begin(), table.end(), TColor(0x0000FF)) - table.begin();
  EXPECT_EQ(static_cast<unsigned char>(bytes[pixelsAt]), redIndex);

  QImage loaded;
  ASSERT_TRUE(LoadListImageCache(file, loaded));
  EXPECT_EQ(loaded.format(), QImage::Format_Indexed8);
  ASSERT_EQ(loaded.size(), image.size());
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 201; ++x) ASSERT_EQ(loaded.pixel(x, y), image.pixel(x, y)) << x << "," << y;
  EXPECT_EQ(loaded.pixel(0, 6), qRgb(255, 0, 0));
  EXPECT_EQ(loaded.pixel(1, 6), qRgb(128, 128, 128));
}

TEST(ListImageCache, TwentyFourBitFilesKeepEveryColour) {
  TempDir tmp;
  QImage image(199, 5, QImage::Format_RGB32);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 199; ++x) image.setPixel(x, y, qRgb(x, y * 50, (x * 7 + y) & 0xFF));
  ASSERT_TRUE(SaveListImageCache(tmp / "plan.dwg", image));
  const std::string bytes = test::ReadFileBytes(tmp / "plan_DWG.bmp");
  ASSERT_EQ(bytes.size(), 54u + 600u * 5u);  // 199 * 3 = 597, padded to 600
  EXPECT_EQ(bytes[28], 24);
  EXPECT_EQ(U32(bytes, 10), 54u);

  QImage loaded;
  ASSERT_TRUE(LoadListImageCache(tmp / "plan_DWG.bmp", loaded));
  EXPECT_EQ(loaded.format(), QImage::Format_RGB32);
  ASSERT_EQ(loaded.size(), image.size());
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 199; ++x) ASSERT_EQ(loaded.pixel(x, y), image.pixel(x, y));

  // Replacing a cache file leaves no temporary file behind; a folder that
  // does not exist is a failure, not a crash.
  image.fill(Qt::red);
  ASSERT_TRUE(SaveListImageCache(tmp / "plan.dwg", image));
  ASSERT_TRUE(LoadListImageCache(tmp / "plan_DWG.bmp", loaded));
  EXPECT_EQ(loaded.pixel(3, 3), qRgb(255, 0, 0));
  int files = 0;
  for (const auto& e : fs::directory_iterator(tmp.path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
  EXPECT_FALSE(SaveListImageCache(tmp / "no folder" / "plan.dwg", image));
  fs::create_directory(tmp / "taken_DWG.bmp");
  EXPECT_FALSE(SaveListImageCache(tmp / "taken.dwg", image));
  EXPECT_FALSE(SaveListImageCache(tmp / "empty.dwg", QImage()));
}

TEST(ListImageCache, DamagedOrForgedFilesFailToLoad) {
  TempDir tmp;
  QImage image(40, 30, QImage::Format_RGB32);
  image.fill(Qt::green);
  ASSERT_TRUE(SaveListImageCache(tmp / "a.dxf", image));
  ASSERT_TRUE(SaveListImageCache(tmp / "a.dwg", image));
  const std::string eight = test::ReadFileBytes(tmp / "a_DXF.bmp");
  const std::string deep = test::ReadFileBytes(tmp / "a_DWG.bmp");

  const QImage untouched(3, 3, QImage::Format_RGB32);
  auto expectFailure = [&](const std::string& bytes, const char* what) {
    test::WriteFile(tmp / "bad.bmp", bytes);
    QImage out = untouched;
    EXPECT_FALSE(LoadListImageCache(tmp / "bad.bmp", out)) << what;
    EXPECT_EQ(out.size(), QSize(3, 3)) << what;
  };

  for (const std::string* file : {&eight, &deep}) {
    for (std::size_t cut : {std::size_t(0), std::size_t(1), std::size_t(13), std::size_t(20), std::size_t(53),
                            std::size_t(300), file->size() - 300, file->size() - 40})
      expectFailure(file->substr(0, cut), "truncated");
    std::string huge = *file;
    PutU32(huge, 18, 0x7FFFFFFF);
    expectFailure(huge, "width beyond the data");
    std::string tall = *file;
    PutU32(tall, 22, 0x80000000u);
    expectFailure(tall, "height of INT_MIN");
    std::string depth = *file;
    depth[28] = 7;
    expectFailure(depth, "no such depth");
    std::string header = *file;
    PutU32(header, 14, 0xFFFFFFF0u);
    expectFailure(header, "information header larger than the file");
  }
  std::string colours = eight;
  PutU32(colours, 46, 100000);
  expectFailure(colours, "more colours than 8 bits address");
  expectFailure(std::string(4096, 'B'), "noise");
  expectFailure("BM", "header only");

  // What a header merely misstates is not believed, and does not matter.
  std::string sizeLie = deep;
  PutU32(sizeLie, 2, 12);
  test::WriteFile(tmp / "lie.bmp", sizeLie);
  QImage out;
  EXPECT_TRUE(LoadListImageCache(tmp / "lie.bmp", out));
  EXPECT_EQ(out.size(), QSize(40, 30));

  QImage none = untouched;
  EXPECT_FALSE(LoadListImageCache(tmp / "missing.bmp", none));
  EXPECT_FALSE(LoadListImageCache(tmp.path(), none)) << "a folder";
}

}  // namespace
}  // namespace vantrel
