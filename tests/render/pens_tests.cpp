// Guards against wrong palette colours (hue sectors, pale variants, truncation), linetypes mapped
// to the wrong dash style, BYLAYER not resolved through the first layer of a name, and records
// placed by the passes left without pens.
#include <gtest/gtest.h>

#include "model/AcadDxfUnit.h"
#include "render/Pens.h"
#include "render/PrepareDrawing.h"

namespace vantrel {
namespace {

constexpr TColor Rgb(int r, int g, int b) {
  return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}

TEST(AciToColor, FixedRowsAndTheHueRule) {
  struct Row {
    int n;
    TColor rgb;
  };
  const Row rows[] = {
      {0, Rgb(255, 255, 255)},   {1, Rgb(255, 0, 0)},       {2, Rgb(255, 255, 0)},
      {3, Rgb(0, 255, 0)},       {4, Rgb(0, 255, 255)},     {5, Rgb(0, 0, 255)},
      {6, Rgb(255, 0, 255)},     {7, Rgb(255, 255, 255)},   {8, Rgb(128, 128, 128)},
      {9, Rgb(192, 192, 192)},   {10, Rgb(255, 0, 0)},      {11, Rgb(255, 127, 127)},
      {12, Rgb(204, 0, 0)},      {13, Rgb(204, 102, 102)},  {16, Rgb(127, 0, 0)},
      {17, Rgb(127, 63, 63)},    {18, Rgb(76, 0, 0)},       {19, Rgb(76, 38, 38)},
      {20, Rgb(255, 63, 0)},     {21, Rgb(255, 159, 127)},  {29, Rgb(76, 47, 38)},
      {30, Rgb(255, 127, 0)},    {150, Rgb(0, 127, 255)},   {240, Rgb(255, 0, 63)},
      {249, Rgb(76, 38, 47)},    {250, Rgb(51, 51, 51)},    {251, Rgb(91, 91, 91)},
      {252, Rgb(132, 132, 132)}, {253, Rgb(173, 173, 173)}, {254, Rgb(214, 214, 214)},
      {255, Rgb(255, 255, 255)}, {256, Rgb(255, 255, 255)}, {-3, Rgb(0, 255, 0)},
      {-150, Rgb(0, 127, 255)},  {32767, Rgb(255, 255, 255)}, {-2147483647 - 1, Rgb(255, 255, 255)},
  };
  for (const Row& row : rows) EXPECT_EQ(AciToColor(row.n), row.rgb) << "colour " << row.n;
  // One hue from every 60-degree sector, full value.
  EXPECT_EQ(AciToColor(50), Rgb(255, 255, 0));   // 60: second sector starts
  EXPECT_EQ(AciToColor(90), Rgb(0, 255, 0));     // 120
  EXPECT_EQ(AciToColor(130), Rgb(0, 255, 255));  // 180
  EXPECT_EQ(AciToColor(170), Rgb(0, 0, 255));    // 240
  EXPECT_EQ(AciToColor(210), Rgb(255, 0, 255));  // 300
}

TEST(PenStyles, LinetypePrefixesInOrder) {
  EXPECT_EQ(LtypeToPenStyle(u"CONTINUOUS"), psSolid);
  EXPECT_EQ(LtypeToPenStyle(u"HIDDEN2"), psDot);
  EXPECT_EQ(LtypeToPenStyle(u"dashed"), psDot);
  EXPECT_EQ(LtypeToPenStyle(u"Center"), psDashDot);
  EXPECT_EQ(LtypeToPenStyle(u"BORDER"), psDashDot);
  EXPECT_EQ(LtypeToPenStyle(u"DASHDOT"), psDashDot);
  EXPECT_EQ(LtypeToPenStyle(u"DIVIDE"), psDashDotDot);
  EXPECT_EQ(LtypeToPenStyle(u"DEVIDE"), psDashDotDot);
  EXPECT_EQ(LtypeToPenStyle(u"PHANTOM"), psDashDotDot);
  EXPECT_EQ(LtypeToPenStyle(u"DOT"), psDot);
  EXPECT_EQ(LtypeToPenStyle(u"DASH"), psSolid);  // neither DASHE nor DASHD
  EXPECT_EQ(LtypeToPenStyle(u"BYBLOCK"), psSolid);
  EXPECT_EQ(LtypeToPenStyle(u"BYLAYER"), psSolid);
  EXPECT_EQ(LtypeToPenStyle(u""), psSolid);
  EXPECT_STREQ(PenStyleName(psDashDot), "psDashDot");
  EXPECT_STREQ(PenStyleName(psDashDotDot), "psDashDotDot");
}

TEST(AssignPens, ByLayerResolvesThroughTheFirstLayerOfTheName) {
  Drawing d;
  TLayer axis;
  axis.Name = u"AXIS";
  axis.ltype = u"CENTER";
  TLayer duplicate = axis;
  duplicate.ltype = u"HIDDEN";
  d.LayerAry = {TLayer{}, axis, duplicate};
  d.LayerAry[0].Name = u"0";

  TAcadLineBlk byLayer;
  byLayer.layer = u"AXIS";
  byLayer.color = -5;
  TAcadLineBlk own = byLayer;
  own.ltype = u"PHANTOM";
  TAcadLineBlk empty = byLayer;
  empty.ltype.clear();
  TAcadLineBlk lost = byLayer;
  lost.layer = u"NOWHERE";
  d.EntLineAry = {byLayer, own, empty, lost, byLayer};
  TArcBlk arc;
  arc.layer = u"0";
  arc.color = 1;
  d.EntArcAry.push_back(arc);
  TCircleBlk circle;
  circle.layer = u"AXIS";
  circle.ltype = u"DOT";
  d.EntCircleAry.push_back(circle);
  TTextBlk text;
  text.layer = u"AXIS";
  text.color = 3;
  d.EntTextAry.push_back(text);
  AssignPens(d);

  EXPECT_EQ(d.EntLineAry[0].PenStyle, psDashDot);
  EXPECT_EQ(d.EntLineAry[0].PenColor, Rgb(0, 0, 255));
  EXPECT_EQ(d.EntLineAry[0].layindex, 1);
  EXPECT_EQ(d.EntLineAry[1].PenStyle, psDashDotDot);
  EXPECT_EQ(d.EntLineAry[2].PenStyle, psDashDot);
  EXPECT_EQ(d.EntLineAry[3].PenStyle, psSolid);
  EXPECT_EQ(d.EntLineAry[3].layindex, -1);
  EXPECT_EQ(d.EntLineAry[4].PenStyle, psDashDot);  // after a change of layer, back again
  EXPECT_EQ(d.EntLineAry[4].layindex, 1);
  EXPECT_EQ(d.EntArcAry[0].PenColor, Rgb(255, 0, 0));
  EXPECT_EQ(d.EntArcAry[0].layindex, 0);
  EXPECT_EQ(d.EntCircleAry[0].PenStyle, psDot);
  EXPECT_EQ(d.EntTextAry[0].PenColor, Rgb(0, 255, 0));
  EXPECT_EQ(d.EntTextAry[0].layindex, 1);
}

TEST(PrepareDrawing, RecordsPlacedByTheExpansionGetPens) {
  Drawing d;
  TLayer layer;
  layer.Name = u"0";
  layer.ltype = u"HIDDEN";
  layer.color = 2;
  d.LayerAry.push_back(layer);
  TBlockBlk block;
  block.name = u"B";
  d.BlockAry.push_back(block);
  TAcadLineBlk line;
  line.bname = u"B";
  line.color = 0;  // BYBLOCK: takes the insert's layer colour
  line.ed = TAcadPoint{1, 0, 0};
  d.BlkLineAry.push_back(line);
  TInsertBlk insert;
  insert.name = u"B";
  insert.layer = u"NEWLAYER";
  d.EntInsertAry.push_back(insert);
  PrepareDrawing(d, {});
  ASSERT_EQ(d.EntLineAry.size(), 1u);
  EXPECT_EQ(d.EntLineAry[0].PenColor, Rgb(255, 255, 255));  // colour 7 of the new layer
  EXPECT_EQ(d.EntLineAry[0].PenStyle, psSolid);             // CONTINUOUS of the new layer
  EXPECT_EQ(d.EntLineAry[0].layindex, 1);
  EXPECT_EQ(d.ExtMax, (TAcadPoint{1, 0, 0}));
}

}  // namespace
}  // namespace vantrel
