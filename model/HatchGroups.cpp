#include "model/HatchGroups.h"

namespace vantrel {

namespace {

// As the reader keeps 16-bit fields: the low 16 bits, signed.
SmallInt Small(Integer v) { return static_cast<SmallInt>(static_cast<std::uint16_t>(static_cast<std::uint32_t>(v))); }

using Part = HatchGroupState::Part;

THatchEdge& NewEdge(THatchBlk& r, HatchGroupState& s, SmallInt type) {
  THatchEdge& e = r.edges.emplace_back();
  e.type = type;
  r.paths.back().count = static_cast<std::uint32_t>(r.edges.size() - r.paths.back().first);
  s.havePoint10 = s.havePoint11 = false;
  return e;
}

void PolylinePathGroup(THatchBlk& r, HatchGroupState& s, int c, double real, Integer integer) {
  switch (c) {
    case 73: r.paths.back().code73 = Small(integer); break;
    case 10:
      NewEdge(r, s, 0).code10.x = real;
      s.havePoint10 = true;
      break;
    case 20:
      if (s.havePoint10) r.edges.back().code10.y = real;
      break;
    case 42:
      if (s.havePoint10) r.edges.back().code42 = real;
      break;
  }
}

void SplineEdgeGroup(TSplineBlk& sp, HatchGroupState& s, int c, double real, Integer integer) {
  switch (c) {
    case 94: sp.code71 = Small(integer); break;
    case 73:
      if (integer != 0) sp.code70 = static_cast<SmallInt>(sp.code70 | 4);
      break;
    case 74:
      if (integer != 0) sp.code70 = static_cast<SmallInt>(sp.code70 | 2);
      break;
    case 40: sp.code40Ary.push_back(real); break;
    case 42: sp.code41Ary.push_back(real); break;
    case 10:
      sp.code10Ary.push_back({real, 0, 0});
      s.havePoint10 = true;
      break;
    case 20:
      if (s.havePoint10) sp.code10Ary.back().y = real;
      break;
    case 11:
      sp.code11Ary.push_back({real, 0, 0});
      s.havePoint11 = true;
      break;
    case 21:
      if (s.havePoint11) sp.code11Ary.back().y = real;
      break;
    case 12: sp.code12.x = real; break;
    case 22: sp.code12.y = real; break;
    case 13: sp.code13.x = real; break;
    case 23: sp.code13.y = real; break;
  }
}

void EdgePathGroup(THatchBlk& r, HatchGroupState& s, int c, double real, Integer integer) {
  if (c == 72) {
    s.edgeType = Small(integer);
    THatchEdge& e = NewEdge(r, s, s.edgeType);
    if (s.edgeType == 4) {
      e.spline = static_cast<std::uint32_t>(r.splines.size());
      r.splines.emplace_back().code71 = 3;
    }
    return;
  }
  if (s.edgeType == 0 || r.edges.empty()) return;
  THatchEdge& e = r.edges.back();
  if (s.edgeType == 4) {
    if (e.spline < r.splines.size()) SplineEdgeGroup(r.splines[e.spline], s, c, real, integer);
    return;
  }
  switch (c) {
    case 10: e.code10.x = real; break;
    case 20: e.code10.y = real; break;
    case 11: e.code11.x = real; break;
    case 21: e.code11.y = real; break;
    case 40: e.code40 = real; break;
    case 50: e.code50 = real; break;
    case 51: e.code51 = real; break;
    case 73: e.code73 = Small(integer); break;
  }
}

void PatternGroup(THatchBlk& r, int c, double real) {
  if (c == 53) {
    r.lines.emplace_back().code53 = real;
    return;
  }
  if (r.lines.empty()) return;
  THatchLine& l = r.lines.back();
  switch (c) {
    case 43: l.base.x = real; break;
    case 44: l.base.y = real; break;
    case 45: l.offset.x = real; break;
    case 46: l.offset.y = real; break;
    case 49: l.code49Ary.push_back(real); break;
  }
}

}  // namespace

void HatchGroup(THatchBlk& r, HatchGroupState& s, int c, double real, Integer integer) {
  // The style and the pattern type follow the last path.
  if (c == 75 || c == 76) {
    (c == 75 ? r.code75 : r.code76) = Small(integer);
    if (s.part != Part::Seeds) s.part = Part::Pattern;
    return;
  }
  switch (s.part) {
    case Part::Head:
      switch (c) {
        case 10: r.code10.x = real; break;
        case 20: r.code10.y = real; break;
        case 30: r.code10.z = real; break;
        case 70: r.code70 = Small(integer); break;
        case 91: s.part = Part::Paths; break;
      }
      return;
    case Part::Paths:
      if (c == 92) {
        THatchPath& p = r.paths.emplace_back();
        p.code92 = integer;
        p.first = static_cast<std::uint32_t>(r.edges.size());
        s.polylinePath = (integer & 2) != 0;
        s.edgeType = 0;
        s.havePoint10 = s.havePoint11 = false;
        return;
      }
      if (r.paths.empty()) return;
      if (s.polylinePath)
        PolylinePathGroup(r, s, c, real, integer);
      else
        EdgePathGroup(r, s, c, real, integer);
      return;
    case Part::Pattern:
      switch (c) {
        case 41: r.code41 = real; break;
        case 52: r.code52 = real; break;
        case 98: s.part = Part::Seeds; break;
        default: PatternGroup(r, c, real); break;
      }
      return;
    case Part::Seeds:
      return;
  }
}

}  // namespace vantrel
