// Guards against extents widened by hidden, paper-space or chorded records, titles and fills left
// out of the fit, arc boxes missing the quadrant points they pass, wrong text boxes, and a NaN from
// a file poisoning the whole fit.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Builders.h"
#include "geometry/AcadCtrl2016.h"
#include "geometry/Extents.h"

namespace vantrel {
namespace {

using test::P;

void ExpectBox(const Drawing& d, double x0, double y0, double x1, double y1, double tol = 1e-12) {
  EXPECT_NEAR(d.ExtMin.x, x0, tol);
  EXPECT_NEAR(d.ExtMin.y, y0, tol);
  EXPECT_NEAR(d.ExtMax.x, x1, tol);
  EXPECT_NEAR(d.ExtMax.y, y1, tol);
  EXPECT_EQ(d.ExtMin.z, 0);
  EXPECT_EQ(d.ExtMax.z, 0);
}

TEST(CalcExtents, NothingCountedGivesTheOriginTwice) {
  Drawing d;
  d.ExtMin = P(5, 5, 5);
  d.ExtMax = P(9, 9, 9);
  CalcExtents(d);
  EXPECT_EQ(d.ExtMin, P(0, 0, 0));
  EXPECT_EQ(d.ExtMax, P(0, 0, 0));

  TLayer off = test::Layer(u"OFF", 1);
  off.visible = false;
  d.LayerAry.push_back(off);
  TAcadLineBlk line = test::Line(P(10, 10), P(20, 20));
  line.layer = u"OFF";
  d.EntLineAry.push_back(line);
  TAcadLineBlk paper = test::Line(P(-50, -50), P(20, 20));
  paper.code67 = 1;
  d.EntLineAry.push_back(paper);
  TAcadLineBlk hidden = test::Line(P(-50, -50), P(20, 20));
  hidden.code60 = 1;
  d.EntLineAry.push_back(hidden);
  CalcExtents(d);
  EXPECT_EQ(d.ExtMin, P(0, 0, 0));
  EXPECT_EQ(d.ExtMax, P(0, 0, 0));
}

TEST(CalcExtents, TextsAndFillsCountBesideLinesHiddenAttributesDoNot) {
  // A title above its frame is part of the picture.
  Drawing d;
  d.EntLineAry.push_back(test::Line(P(0, 0, 3), P(10, 5, 3)));
  d.EntTextAry.push_back(test::Text(P(1000, 1000), 10, u"far"));
  TTextBlk hidden = test::Text(P(-500, -500), 10, u"tag");
  hidden.code70 = 1;
  d.EntTextAry.push_back(hidden);
  d.EntFillAry.push_back(TFillBlk{});
  d.EntFillAry[0].count = 3;
  d.EntFillAry[0].rings = 1;
  d.EntFillPtAry = {P(-5, 0), P(0, -7), P(1, 1)};
  d.EntFillRingAry = {3};
  CalcExtents(d);
  ExpectBox(d, -5, -7, 1032.7210678118656, 1017.1, 1e-9);

  // A chorded circle (code67 -1) does not count, so here the text does.
  Drawing t;
  TCircleBlk chorded = test::Circle(P(5, 5), 2);
  chorded.code67 = -1;
  t.EntCircleAry.push_back(chorded);
  t.EntTextAry.push_back(test::Text(P(0, 0), 10, u"ab"));
  CalcExtents(t);
  ExpectBox(t, 0, 0, 24.171067811865476, 17.1, 1e-9);

  Drawing c;
  c.EntCircleAry.push_back(test::Circle(P(5, 5), 2));
  CalcExtents(c);
  ExpectBox(c, 3, 3, 7, 7);
}

TEST(CalcExtents, NonFiniteRecordsDoNotPoisonTheBox) {
  Drawing d;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  d.EntLineAry.push_back(test::Line(P(nan, 0), P(1, 1)));
  d.EntLineAry.push_back(test::Line(P(0, 0), P(2, 3)));
  d.EntCircleAry.push_back(test::Circle(P(0, 0), inf));
  CalcExtents(d);
  ExpectBox(d, 0, 0, 2, 3);
}

TEST(ArcBox, QuadrantPointsAndArcsThroughZero) {
  TAcadPoint mn, mx;
  ArcBox(P(0, 0), 1, 0, kPi / 2, mn, mx);
  EXPECT_NEAR(mn.x, 0, 1e-15);
  EXPECT_NEAR(mn.y, 0, 1e-15);
  EXPECT_EQ(mx.x, 1);
  EXPECT_EQ(mx.y, 1);

  ArcBox(P(0, 0), 1, 350 * kDegToRad, 10 * kDegToRad, mn, mx);
  EXPECT_NEAR(mn.x, std::cos(10 * kDegToRad), 1e-15);
  EXPECT_NEAR(mn.y, -std::sin(10 * kDegToRad), 1e-15);
  EXPECT_EQ(mx.x, 1);
  EXPECT_NEAR(mx.y, std::sin(10 * kDegToRad), 1e-15);

  // Equal angles are a full circle.
  ArcBox(P(2, 2), 1, kPi / 2, kPi / 2, mn, mx);
  EXPECT_EQ(mn, P(1, 1));
  EXPECT_EQ(mx, P(3, 3));

  // Upper half from 0 to 180: x spans the diameter, y from the centre up.
  ArcBox(P(0, 0), 2, 0, kPi, mn, mx);
  EXPECT_EQ(mn.x, -2);
  EXPECT_EQ(mx.x, 2);
  EXPECT_NEAR(mn.y, 0, 1e-15);
  EXPECT_EQ(mx.y, 2);

  // The box procedures leave z alone.
  mn.z = 42;
  SegmentBox(P(3, 1, 9), P(1, 4, 9), mn, mx);
  EXPECT_EQ(mn, P(1, 1, 42));
  EXPECT_EQ(mx.x, 3);
  EXPECT_EQ(mx.y, 4);
}

TEST(TextBox, TextOfTwoCharactersHeightTen) {
  TTextBlk t = test::Text(P(0, 0), 10, u"ab");
  TAcadPoint mn{0, 0, 7}, mx;
  TextBox(t, mn, mx);
  EXPECT_EQ(mn.x, 0);
  EXPECT_EQ(mn.y, 0);
  EXPECT_EQ(mn.z, 7);
  EXPECT_NEAR(mx.x, 17.1 + 10 * std::sqrt(0.5), 1e-12);
  EXPECT_DOUBLE_EQ(mx.y, 17.1);

  // Right-aligned (72 = 2) takes pt11 as base and shifts left by 2 * W.
  t.code72 = 2;
  t.pt11 = P(100, 0);
  TextBox(t, mn, mx);
  EXPECT_NEAR(mn.x, 100 - 2 * 17.1, 1e-12);
  EXPECT_EQ(mx.x, 100);

  // Turned by 90 degrees the box stands upright, to the left of the base.
  t = test::Text(P(0, 0), 10, u"ab");
  t.code50 = 90;
  TextBox(t, mn, mx);
  EXPECT_NEAR(mn.x, -17.1, 1e-9);
  EXPECT_NEAR(mx.y, 17.1 + 10 * std::sqrt(0.5), 1e-9);
}

TEST(TextBox, MTextByAttachmentAndLineCount) {
  TTextBlk t = test::Text(P(0, 0), 2, u"one\\Ptwo");
  t.mtflag = true;
  t.code41 = 50;
  t.code44 = 1;
  t.code71 = 7;
  TAcadPoint mn, mx;
  TextBox(t, mn, mx);
  EXPECT_EQ(mn, P(0, 0));
  EXPECT_EQ(mx.x, 50);
  EXPECT_NEAR(mx.y, 7.44, 1e-12);

  // Top centre (2): centred on the base, hanging down.
  t.code71 = 2;
  t.pt10 = P(10, 10);
  TextBox(t, mn, mx);
  EXPECT_EQ(mn.x, -15);
  EXPECT_EQ(mx.x, 35);
  EXPECT_NEAR(mn.y, 10 - 7.44, 1e-12);
  EXPECT_EQ(mx.y, 10);
}

}  // namespace
}  // namespace vantrel
