// Hatches as filled areas: the rings of their boundary paths (arcs,
// elliptic arcs and splines as chords) in world coordinates, filled by the
// even-odd rule so that paths inside paths are islands. A solid hatch fills
// in its colour; a pattern hatch carries its line families, which the
// renderer draws for the window and scale it shows.
#pragma once

#include <cstdint>
#include <vector>

#include "model/AcadDxfUnit.h"

namespace vantrel {

// Model hatches into the entity fill tables; hatches of block definitions
// into the block fill tables (in block coordinates), for the expansion to
// place.
void HatchesToFills(Drawing& d);
void BlockHatchesToFills(Drawing& d);

// The rings of the paths a hatch fills with (its style decides which; text
// boxes never), in world coordinates, appended to points with the size of
// each ring appended to rings. Paths with fewer than three points are left
// out.
void HatchRings(const THatchBlk& h, std::vector<TAcadPoint>& points, std::vector<std::uint32_t>& rings);

}  // namespace vantrel
