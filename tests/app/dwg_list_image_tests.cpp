// Guards against: a wrong background vote or white-background swap, crops that cut content or crop specks, scaling that misses 90 % or the centre, stretch modes that lose thin lines, and DWG previews (BMP, PNG, none, broken) that crash or mislabel the list image.
#include <gtest/gtest.h>

#include <string>

#include "app/DwgListImage.h"
#include "model/DwgThumbnailUnit.h"
#include "model/SilentAbort.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

constexpr TColor kBlack = 0x000000;
constexpr TColor kWhite = 0xFFFFFF;
constexpr TColor kRed = 0x0000FF;
constexpr TColor kBlue = 0xFF0000;

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};

// The smallest box holding every pixel of the given colour.
Box BoxOf(const RgbBitmap& b, TColor color) {
  Box box;
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x)
      if (b.at(x, y) == color) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x);
        box.bottom = std::max(box.bottom, y);
      }
  return box;
}

void FillRect(RgbBitmap& b, int left, int top, int right, int bottom, TColor c) {
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) b.at(x, y) = c;
}

TEST(DwgListImage, WhiteBackgroundTurnsBlackWithWhiteLines) {
  RgbBitmap preview(120, 60, kWhite);
  FillRect(preview, 10, 10, 109, 10, kBlack);  // a black line on paper
  FillRect(preview, 10, 40, 109, 40, kRed);    // colours other than black and white stay
  RgbBitmap dest(120, 60, kBlack);
  PaintDwgPreview(preview, dest, kStretchWhiteOnBlack, false);
  EXPECT_EQ(dest.at(60, 2), kBlack);
  EXPECT_EQ(dest.at(60, 30), kBlack);
  EXPECT_GT(BoxOf(dest, kWhite).width(), 80) << "the line is white now";
  EXPECT_GT(BoxOf(dest, kRed).width(), 80);

  // On black, nothing is swapped.
  RgbBitmap dark(120, 60, kBlack);
  FillRect(dark, 10, 10, 109, 10, kWhite);
  RgbBitmap dest2(120, 60, kBlack);
  PaintDwgPreview(dark, dest2, kStretchWhiteOnBlack, false);
  EXPECT_GT(BoxOf(dest2, kWhite).width(), 80);
}

TEST(DwgListImage, CornerVoteDecidesTheBackground) {
  // What the vote chose shows in whether a black band is swapped to white.
  constexpr TColor kGreen = 0x00FF00, kGrey = 0x808080;
  struct Case {
    TColor topLeft, topRight, bottomLeft, bottomRight;
    bool white;
  } cases[] = {
      {kWhite, kRed, kGreen, kBlue, true},     // all different: top-left
      {kRed, kWhite, kWhite, kGreen, true},    // two against one each
      {kRed, kWhite, kWhite, kWhite, true},    // three against one
      {kWhite, kWhite, kRed, kRed, true},      // a tie: the earlier corner
      {kRed, kRed, kWhite, kWhite, false},
      {kRed, kWhite, kGreen, kBlue, false},
  };
  for (const Case& c : cases) {
    RgbBitmap preview(100, 100, kGrey);
    FillRect(preview, 0, 45, 99, 55, kBlack);
    preview.at(0, 0) = c.topLeft;
    preview.at(99, 0) = c.topRight;
    preview.at(0, 99) = c.bottomLeft;
    preview.at(99, 99) = c.bottomRight;
    RgbBitmap dest(100, 100, kBlue);
    PaintDwgPreview(preview, dest, kStretchHalftone, false);
    EXPECT_EQ(dest.at(50, 50), c.white ? kWhite : kBlack)
        << std::hex << c.topLeft << " " << c.topRight << " " << c.bottomLeft << " " << c.bottomRight;
  }
}

TEST(DwgListImage, CropsToTheContentWithAMarginButNotToSpecks) {
  RgbBitmap preview(200, 100, kBlack);
  FillRect(preview, 50, 20, 89, 59, kWhite);  // 40 x 40
  RgbBitmap dest(100, 100, kBlack);
  PaintDwgPreview(preview, dest, kStretchWhiteOnBlack, true);
  const Box box = BoxOf(dest, kWhite);
  // 41 source pixels (content and margin) fill 90 of the 100 pixels, centred.
  EXPECT_NEAR(box.left, 5, 1);
  EXPECT_NEAR(box.top, 5, 1);
  EXPECT_NEAR(box.width(), 88, 2);
  EXPECT_NEAR(box.height(), 88, 2);
  EXPECT_EQ(dest.at(2, 2), kBlack);

  // Content no more than 4 pixels wide is not enlarged: the whole preview is
  // scaled instead.
  RgbBitmap speck(200, 100, kBlack);
  FillRect(speck, 100, 10, 102, 80, kWhite);
  RgbBitmap dest2(100, 100, kBlack);
  PaintDwgPreview(speck, dest2, kStretchWhiteOnBlack, true);
  EXPECT_LE(BoxOf(dest2, kWhite).width(), 2);
  EXPECT_NEAR(BoxOf(dest2, kWhite).left, 5 + 100 * 90 / 200, 2);
}

TEST(DwgListImage, WithoutCropScalesTheWholePreviewTo90PercentCentred) {
  RgbBitmap preview(400, 100, kRed);
  FillRect(preview, 0, 0, 0, 0, kBlack);
  FillRect(preview, 399, 0, 399, 0, kBlack);
  FillRect(preview, 0, 99, 0, 99, kBlack);
  FillRect(preview, 399, 99, 399, 99, kBlack);
  FillRect(preview, 150, 40, 160, 50, kWhite);
  RgbBitmap dest(200, 136, kBlue);
  PaintDwgPreview(preview, dest, kStretchHalftone, false);
  // The width limits: 180 x 45, centred at (10, 45).
  const Box painted = [&] {
    Box b;
    for (int y = 0; y < dest.height; ++y)
      for (int x = 0; x < dest.width; ++x)
        if (dest.at(x, y) != kBlue) {
          b.left = std::min(b.left, x);
          b.top = std::min(b.top, y);
          b.right = std::max(b.right, x);
          b.bottom = std::max(b.bottom, y);
        }
    return b;
  }();
  EXPECT_NEAR(painted.width(), 180, 1);
  EXPECT_NEAR(painted.height(), 45, 1);
  EXPECT_NEAR(painted.left, 10, 1);
  EXPECT_NEAR(painted.top, 45, 1);
}

TEST(DwgListImage, StretchModesAverageOrKeepWhiteOrKeepBlack) {
  RgbBitmap checker(4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) checker.at(x, y) = (x + y) % 2 ? kWhite : kBlack;
  RgbBitmap half(2, 2), whiteWins(2, 2), blackWins(2, 2), other(2, 2);
  StretchBitmap(checker, 0, 0, 4, 4, half, kStretchHalftone);
  StretchBitmap(checker, 0, 0, 4, 4, whiteWins, kStretchWhiteOnBlack);
  StretchBitmap(checker, 0, 0, 4, 4, blackWins, kStretchBlackOnWhite);
  StretchBitmap(checker, 0, 0, 4, 4, other, 7);
  EXPECT_EQ(half.at(1, 1), 0x808080u);
  EXPECT_EQ(whiteWins.at(1, 1), kWhite);
  EXPECT_EQ(blackWins.at(1, 1), kBlack);
  EXPECT_EQ(other.pixels, blackWins.pixels) << "any other mode keeps black";

  // A one-pixel line survives an 8:1 shrink only where it is kept.
  RgbBitmap line(16, 16, kBlack);
  FillRect(line, 0, 5, 15, 5, kWhite);
  RgbBitmap orDest(2, 2), andDest(2, 2);
  StretchBitmap(line, 0, 0, 16, 16, orDest, kStretchWhiteOnBlack);
  StretchBitmap(line, 0, 0, 16, 16, andDest, kStretchBlackOnWhite);
  EXPECT_EQ(orDest.at(0, 0), kWhite);
  EXPECT_EQ(orDest.at(1, 0), kWhite);
  EXPECT_EQ(orDest.at(0, 1), kBlack);
  EXPECT_EQ(andDest.at(0, 0), kBlack);

  // Area weights on a 3:2 shrink of one row, channel by channel.
  RgbBitmap row(3, 1);
  row.at(0, 0) = 30;
  row.at(1, 0) = 90;
  row.at(2, 0) = 150 | (60u << 16);
  RgbBitmap two(2, 1);
  StretchBitmap(row, 0, 0, 3, 1, two, kStretchHalftone);
  EXPECT_EQ(two.at(0, 0), 50u);                  // (30 * 2 + 90) / 3
  EXPECT_EQ(two.at(1, 0), 130u | (40u << 16));  // (90 + 150 * 2) / 3, blue (0 + 60 * 2) / 3

  // Enlarging repeats pixels in the keeping modes; a sub-rectangle is honoured.
  RgbBitmap big(4, 4);
  StretchBitmap(checker, 1, 1, 2, 2, big, kStretchWhiteOnBlack);
  EXPECT_EQ(big.at(0, 0), checker.at(1, 1));
  EXPECT_EQ(big.at(1, 1), checker.at(1, 1));
  EXPECT_EQ(big.at(2, 0), checker.at(2, 1));
}

TEST(DwgListImage, OddSizesNeverReachOutside) {
  for (int w : {1, 2, 5}) {
    for (int h : {1, 3}) {
      RgbBitmap preview(w, h, kWhite);
      preview.at(0, 0) = kRed;
      for (int dw : {1, 7, 200}) {
        RgbBitmap dest(dw, 5, kBlue);
        PaintDwgPreview(preview, dest, kStretchHalftone, true);
        EXPECT_EQ(dest.width, dw);
      }
    }
  }
  RgbBitmap empty;
  RgbBitmap dest(10, 10, kBlue);
  PaintDwgPreview(empty, dest, kStretchHalftone, true);
  EXPECT_EQ(dest.at(5, 5), kBlue);
}

class CorpusDwg : public testing::Test {
 protected:
  void SetUp() override {
    if (test::CorpusDir().empty()) GTEST_SKIP() << "no corpus";
    dir_ = test::CorpusDir() / "dwg";
  }
  fs::path dir_;
};

TEST_F(CorpusDwg, PreviewsInBmpAndPngBecomeListImages) {
  for (const char* name : {"r2000_libredwg_sample_2000.dwg", "r14_libredwg_v.dwg", "r2000_ezdxf_807_1.dwg",
                           "r2007_libredwg_ATMOS-DC22S.dwg", "r2013_libredwg_example_2013.dwg",
                           "r2018_libredwg_sample_2018.dwg"}) {
    RgbBitmap preview;
    ASSERT_NO_THROW(ReadDwgPreview(dir_ / name, preview)) << name;
    ASSERT_FALSE(preview.empty()) << name;
    for (int mode : {kStretchHalftone, kStretchWhiteOnBlack, kStretchBlackOnWhite}) {
      RgbBitmap dest(200, 136);
      int w = -1, h = -1;
      ASSERT_TRUE(MakeDwgImage(dir_ / name, dest, kBlack, mode, w, h, true)) << name;
      EXPECT_EQ(w, preview.width) << name;
      EXPECT_EQ(h, preview.height) << name;
      EXPECT_EQ(dest.width, 200);
      EXPECT_EQ(dest.height, 136);
      int lit = 0;
      for (TColor c : dest.pixels) lit += c != kBlack;
      EXPECT_GT(lit, 20) << name << " mode " << mode << ": the drawing shows";
      EXPECT_EQ(dest.at(0, 0), kBlack) << name;
    }
  }
}

TEST_F(CorpusDwg, FilesWithoutPreviewGiveABlankImageOfTheirOwnSize) {
  // Line.dwg has an image section holding no picture; R12 has no section.
  for (const char* name : {"r2018_libredwg_Line.dwg", "r12_libredwg_entities-2d.dwg"}) {
    RgbBitmap dest(160, 106, kRed);
    int w = 0, h = 0;
    ASSERT_TRUE(MakeDwgImage(dir_ / name, dest, kBlack, kStretchHalftone, w, h, true)) << name;
    EXPECT_EQ(w, 160) << name;
    EXPECT_EQ(h, 106) << name;
    for (TColor c : dest.pixels) ASSERT_EQ(c, kBlack) << name;
  }

  QImage image(80, 52, QImage::Format_Indexed8);
  int w = 0, h = 0;
  ASSERT_TRUE(MakeDwgImage(dir_ / "r2018_libredwg_Line.dwg", image, kBlack, kStretchHalftone, w, h, true));
  EXPECT_EQ(image.size(), QSize(80, 52));
  EXPECT_EQ(image.format(), QImage::Format_RGB32);
  EXPECT_EQ(image.pixel(40, 26), qRgb(0, 0, 0));
}

TEST_F(CorpusDwg, MissingFileAndBrokenPreviewOffsets) {
  RgbBitmap dest(100, 64, kRed);
  int w = 7, h = 7;
  EXPECT_FALSE(MakeDwgImage(dir_ / "no such file.dwg", dest, kBlue, kStretchHalftone, w, h, true));
  EXPECT_EQ(dest.width, 100);
  for (TColor c : dest.pixels) ASSERT_EQ(c, kBlue);

  // The image section address points past the end of the file.
  test::TempDir tmp;
  std::string bytes = test::ReadFileBytes(dir_ / "r2000_libredwg_sample_2000.dwg");
  for (int i = 0; i < 4; ++i) bytes[13 + i] = '\x7f';
  test::WriteFile(tmp / "broken.dwg", bytes);
  EXPECT_THROW(MakeDwgImage(tmp / "broken.dwg", dest, kBlack, kStretchHalftone, w, h, true), SilentAbort);
}

}  // namespace
}  // namespace vantrel
