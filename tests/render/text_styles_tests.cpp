// Guards against styles drawn in the wrong face, weight or slant, lost Japanese big fonts, texts of a missing style dropped, and style names compared with their case.
#include <gtest/gtest.h>

#include "render/Canvas.h"
#include "render/TextStyles.h"

namespace vantrel {
namespace {

TEST(TextStyles, FontFilesMapToInstalledFacesAndSayWhenTheyStandIn) {
  const StyleFace bold = FaceForFont(u"C:\\Windows\\Fonts\\ARIALBD.TTF", u"", u"", 0);
  EXPECT_FALSE(bold.face.empty());
  EXPECT_TRUE(bold.bold);
  EXPECT_FALSE(bold.italic);
  const StyleFace italic = FaceForFont(u"ariali.ttf", u"", u"", 0);
  EXPECT_TRUE(italic.italic);
  EXPECT_FALSE(italic.bold);
  // The family and bits of the extended data win over the file name.
  const StyleFace family = FaceForFont(u"", u"", u"Arial", 0x3000000);
  EXPECT_TRUE(family.bold && family.italic);
  // SHX fonts stand in as the sans-serif face; with a big font, the
  // Japanese face; a Japanese TrueType family too.
  const StyleFace shx = FaceForFont(u"romans.shx", u"", u"", 0);
  EXPECT_TRUE(shx.substituted);
  EXPECT_EQ(shx.face, FaceForFont(u"txt", u"", u"", 0).face);
  const StyleFace big = FaceForFont(u"txt.shx", u"@extfont2.shx", u"", 0);
  EXPECT_EQ(big.face, kDefaultFontFace);
  EXPECT_TRUE(big.substituted);
  EXPECT_EQ(FaceForFont(u"msmincho.ttc", u"", u"", 0).face, kDefaultFontFace);
  EXPECT_EQ(FaceForFont(u"", u"", u"ＭＳ ゴシック", 0).face, kDefaultFontFace);
  // A family the machine lacks is another face, said so.
  const StyleFace missing = FaceForFont(u"nosuchfont-vantrel.ttf", u"", u"", 0);
  EXPECT_FALSE(missing.face.empty());
  EXPECT_TRUE(missing.substituted);
}

TEST(TextStyles, TextsFindTheirStyleWithoutCaseAndFallBackToStandard) {
  Drawing d;
  TStyleTbl standard;
  standard.name = u"Standard";
  standard.code3 = u"txt";
  standard.code4 = u"extfont.shx";
  TStyleTbl title;
  title.name = u"Title";
  title.code3 = u"timesbi.ttf";
  d.StyleAry = {standard, title};
  TTextBlk t;
  t.str = u"x";
  t.style = u"TITLE";
  d.EntTextAry.push_back(t);
  t.style = u"gone";
  d.EntTextAry.push_back(t);
  d.BlkTextAry.push_back(t);
  AssignTextFaces(d);
  EXPECT_EQ(d.StyleAry[0].face, kDefaultFontFace);
  EXPECT_TRUE(d.StyleAry[1].bold && d.StyleAry[1].italic);
  EXPECT_EQ(d.EntTextAry[0].styleindex, 1);
  EXPECT_EQ(d.EntTextAry[1].styleindex, 0);
  EXPECT_EQ(d.BlkTextAry[0].styleindex, 0);
  EXPECT_EQ(FaceOfText(d, 1).face, d.StyleAry[1].face);

  // Without STANDARD a text of a missing style still gets a face.
  d.StyleAry.erase(d.StyleAry.begin());
  AssignTextFaces(d);
  EXPECT_EQ(d.EntTextAry[1].styleindex, -1);
  EXPECT_FALSE(FaceOfText(d, -1).face.empty());
  EXPECT_FALSE(FaceOfText(d, 7).face.empty());
}

}  // namespace
}  // namespace vantrel
