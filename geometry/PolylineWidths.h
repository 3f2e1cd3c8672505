// Polyline segments with a width, drawn as the filled bands they are: a
// quad per straight segment, tapering from its start width to its end
// width, and a band along the arc for a bulge. Where two straight wide
// segments meet, their sides are mitred so that the corner is not notched.
#pragma once

#include <cstdint>
#include <vector>

#include "model/AcadDxfUnit.h"

namespace vantrel {

// Whether the segment leaving v has a width.
inline bool IsWide(const TLwpVer& v) { return v.code40 != 0 || v.code41 != 0; }

// An LWPOLYLINE's constant width, where it has one, is the width of every
// segment whatever its vertices say, as the program that made the format
// draws it (other programs take it only where a vertex has no width).
inline void ApplyConstantWidth(const TLwpBlk& p, std::vector<TLwpVer>& run) {
  if (p.code43 == 0) return;
  for (TLwpVer& v : run) v.code40 = v.code41 = p.code43;
}

// Whether the polyline's widths are drawn: 3D polylines, meshes and
// polyface meshes have none.
inline bool HasWidths(const TLwpBlk& p) { return (p.code70 & (8 | 16 | 64)) == 0; }

class PolylineBands {
 public:
  // The segment from a to b, in the polyline's object coordinates.
  void Add(const TLwpVer& a, const TLwpVer& b);
  // Breaks the chain of joined segments (a segment without width lies
  // between).
  void Break();
  // Appends the bands as filled areas with p's owner, layer, colour and
  // space, in world coordinates, and starts over. closed joins the last
  // segment to the first when both are wide and straight.
  void Flush(const TLwpBlk& p, bool closed, std::vector<TFillBlk>& fills, std::vector<TAcadPoint>& points,
             std::vector<std::uint32_t>& rings);

 private:
  struct Band {
    std::vector<TAcadPoint> ring;  // left side forward, right side back
    bool straight = false;
    bool joinsPrevious = false;
  };
  std::vector<Band> bands_;
  bool chained_ = false;         // the last segment given was a band
  bool broken_ = false;          // some segment was not
  bool firstFromStart_ = false;  // the first band is the first segment
};

}  // namespace vantrel
