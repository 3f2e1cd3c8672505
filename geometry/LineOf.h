#pragma once
// The line and fill records the passes make of a piece of another record:
// they keep the owner, the looks and the space of the record they were made
// of.

#include <cstdint>
#include <span>
#include <vector>

#include "model/AcadDxfUnit.h"

namespace vantrel {

template <class Source>
TAcadLineBlk LineOf(const Source& s, TAcadPoint st, TAcadPoint ed) {
  TAcadLineBlk line = ZeroRecord<TAcadLineBlk>();
  line.bname = s.bname;
  line.layer = s.layer;
  line.ltype = s.ltype;
  if constexpr (requires { s.code48; }) line.code48 = s.code48;
  line.color = s.color;
  line.code67 = s.code67;
  line.st = st;
  line.ed = ed;
  return line;
}

// A fill of one ring, its points appended to the fill point table.
template <class Source>
TFillBlk& AppendRingFill(const Source& s, std::span<const TAcadPoint> ring, std::vector<TFillBlk>& fills,
                         std::vector<TAcadPoint>& points, std::vector<std::uint32_t>& rings) {
  TFillBlk& f = fills.emplace_back();
  f.bname = s.bname;
  f.layer = s.layer;
  f.color = s.color;
  f.code67 = s.code67;
  f.first = points.size();
  f.firstRing = rings.size();
  f.count = static_cast<std::uint32_t>(ring.size());
  f.rings = 1;
  points.insert(points.end(), ring.begin(), ring.end());
  rings.push_back(f.count);
  return f;
}

}  // namespace vantrel
