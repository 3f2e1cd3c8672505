// The groups of a HATCH record that describe its boundary paths and its
// pattern. The format reuses the same codes in every part of the record
// (10 is the elevation point, a polyline vertex, the start of a line edge,
// the centre of an arc, a control point of a spline and a seed point), so
// the reader keeps where in the record it stands. Counts the file gives are
// never trusted: every vertex, edge and dash is appended as its group comes.
#pragma once

#include <cstdint>

#include "model/AcadDxfUnit.h"

namespace vantrel {

struct HatchGroupState {
  enum class Part : std::uint8_t { Head, Paths, Pattern, Seeds };
  Part part = Part::Head;
  // Inside a path: whether it is a polyline path; for edge paths the type
  // of the edge being read (0 before its first group 72).
  bool polylinePath = false;
  SmallInt edgeType = 0;
  // The spline edge's groups 11/21 name fit points and 12 and 13 tangents;
  // a group 20 or 21 before any 10 or 11 of its edge has no point to go to.
  bool havePoint10 = false;
  bool havePoint11 = false;
};

// One group of the record, other than those every kind shares (8, 62, 60,
// 67, 210...) and the pattern name (2). Groups 10 to 59 come as real, 60 to
// 99 as integer; other groups are ignored.
void HatchGroup(THatchBlk& r, HatchGroupState& s, int c, double real, Integer integer);

}  // namespace vantrel
