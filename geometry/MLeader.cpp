#include "geometry/MLeader.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "geometry/LineOf.h"
#include "model/TextCodes.h"

namespace vantrel {

namespace {

TAcadPoint Plus(TAcadPoint a, TAcadPoint b, double t) { return TAcadPoint{a.x + b.x * t, a.y + b.y * t, a.z + b.z * t}; }

// The unit vector along v; fallback when v has no length.
TAcadPoint UnitOr(TAcadPoint v, TAcadPoint fallback) {
  const double l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (!(l > 0) || !std::isfinite(l)) return fallback;
  return TAcadPoint{v.x / l, v.y / l, v.z / l};
}

}  // namespace

// Colours of the parts are stored raw: a top byte of 0xC3 says the low
// byte is a colour number; by layer, by block and true colours draw in
// the multileader's own colour.
SmallInt MLeaderPartColor(Integer raw, SmallInt own) {
  const std::uint32_t bits = static_cast<std::uint32_t>(raw);
  if ((bits >> 24) == 0xC3 && (bits & 0xFF) >= 1 && (bits & 0xFF) <= 255) return static_cast<SmallInt>(bits & 0xFF);
  return own;
}

namespace {

// The frame around a multileader's text, the landing gap away from it. The
// text's own width is used where it has one; without, its longest line at
// an average character width of 0.7 of its height, as fonts of drawings
// run. Lines stand 5/3 of the height apart.
template <class AddLine>
void AppendFrame(const TTextBlk& t, double gap, AddLine&& addLine) {
  std::vector<std::u16string> lines;
  const int count = SplitMTextLines(t.str, lines);
  if (count == 0 || !(t.code40 > 0)) return;
  std::size_t longest = 0;
  for (const std::u16string& line : lines) longest = std::max(longest, StripMTextCodes(line).size());
  const double h = t.code40;
  const double w = t.code41 > 0 ? t.code41 : 0.7 * h * static_cast<double>(longest);
  const double height = h + (count - 1) * h * 5 / 3 * t.code44;
  const double left = t.code71 == 2 ? -w / 2 : t.code71 == 3 ? -w : 0;
  const double x0 = left - gap, x1 = left + w + gap, y0 = -height - gap, y1 = gap;
  const TAcadPoint along = UnitOr(t.pt11, TAcadPoint{1, 0, 0});
  auto at = [&](double x, double y) {
    return TAcadPoint{t.pt10.x + along.x * x - along.y * y, t.pt10.y + along.y * x + along.x * y, t.pt10.z};
  };
  const TAcadPoint corners[4] = {at(x0, y0), at(x1, y0), at(x1, y1), at(x0, y1)};
  for (int k = 0; k < 4; ++k) addLine(corners[k], corners[(k + 1) % 4]);
}

}  // namespace

void AppendMLeader(const TMLeaderBlk& m, std::vector<TAcadLineBlk>& lines, std::vector<TFillBlk>& fills,
                   std::vector<TAcadPoint>& fillPoints, std::vector<std::uint32_t>& fillRings,
                   std::vector<TTextBlk>& texts) {
  if (m.code60 != 0) return;
  const SmallInt lineColor = MLeaderPartColor(m.code91, m.color);
  auto addLine = [&](TAcadPoint st, TAcadPoint ed) {
    TAcadLineBlk line = ZeroRecord<TAcadLineBlk>();
    line.bname = m.bname;
    line.layer = m.layer;
    line.ltype = m.ltype;
    line.color = lineColor;
    line.code67 = m.code67;
    line.code210 = DefaultExtrusion;
    line.st = st;
    line.ed = ed;
    lines.push_back(std::move(line));
  };
  std::vector<TAcadPoint> vertices;
  for (const TMLeaderLdr& leader : m.leaderAry) {
    if (m.code170 == 0) break;  // leaders drawn invisible
    const TAcadPoint dogleg = Plus(TAcadPoint{}, UnitOr(leader.code11, TAcadPoint{1, 0, 0}), leader.code40);
    std::size_t next = 0;
    for (const Integer count : leader.lineAry) {
      const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
      if (n > leader.code10Ary.size() - next) break;
      vertices.assign(leader.code10Ary.begin() + static_cast<std::ptrdiff_t>(next),
                      leader.code10Ary.begin() + static_cast<std::ptrdiff_t>(next + n));
      next += n;
      // A line runs on to where the content is attached: beside it over
      // the landing (from the leader's end along its dogleg), or straight
      // to the end above or below it. Splines have no landing.
      if (leader.code271 == 0) {
        if (m.code291 != 0 && m.code170 != 2) vertices.push_back(leader.code10);
        vertices.push_back(Plus(leader.code10, dogleg, 1));
      } else {
        vertices.push_back(leader.code10);
      }
      if (vertices.size() < 2) continue;
      const TAcadPoint direction = UnitOr(
          TAcadPoint{vertices[1].x - vertices[0].x, vertices[1].y - vertices[0].y, vertices[1].z - vertices[0].z},
          TAcadPoint{1, 0, 0});
      const double size = m.code140;
      if (size > 0 && std::isfinite(size)) {
        // The default arrowhead, closed and filled: as long as its size,
        // a third of that wide.
        const TAcadPoint tip = vertices[0];
        const TAcadPoint base = Plus(tip, direction, size);
        const TAcadPoint across{-direction.y * size / 6, direction.x * size / 6, 0};
        const TAcadPoint head[] = {tip, Plus(base, across, 1), Plus(base, across, -1)};
        AppendRingFill(m, head, fills, fillPoints, fillRings).color = lineColor;
        // The line starts where the arrowhead ends, unless the first
        // segment is shorter than the head.
        const double first = std::hypot(vertices[1].x - tip.x, vertices[1].y - tip.y);
        if (first > size) vertices[0] = base;
      }
      for (std::size_t k = 0; k + 1 < vertices.size(); ++k) addLine(vertices[k], vertices[k + 1]);
    }
  }
  if (!m.code290 || m.str.empty()) return;
  std::vector<TTextBlk> text(1, ZeroRecord<TTextBlk>());
  TTextBlk& t = text[0];
  t.bname = m.bname;
  t.layer = m.layer;
  t.color = MLeaderPartColor(m.code90, m.color);
  t.code67 = m.code67;
  t.code210 = DefaultExtrusion;
  t.mtflag = true;
  t.str = m.str;
  t.pt10 = m.code12;
  t.pt11 = m.code13;
  t.code40 = m.code41;
  t.code41 = m.code43 * m.code40;
  t.code44 = m.code45 > 0 ? m.code45 : 1.0;
  // Left, centre or right along the top of the content.
  t.code71 = m.code171 >= 1 && m.code171 <= 3 ? m.code171 : 1;
  DecodeUnicodeEscapes(text);
  if (m.code292 != 0) AppendFrame(t, m.code145, addLine);
  texts.push_back(std::move(t));
}

}  // namespace vantrel
