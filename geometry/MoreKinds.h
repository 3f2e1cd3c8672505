// The passes of the kinds beyond the first ones: points, meshes and
// multilines become lines, multileaders lines, filled arrowheads and texts,
// attribute definitions standing in the model texts, tables inserts of
// their blocks and arc dimensions dimensions. Each takes its own table;
// appended records start from ZeroRecord<T>() as in the other passes.
#pragma once

#include <utility>
#include <vector>

#include "model/AcadDxfUnit.h"

namespace vantrel {

// The visible edges of a polyface mesh from the vertices of its polyline:
// positions (flag 64) and face records (flag 128 alone) whose corners index
// the positions from 1, a negative index hiding the edge from its corner.
void PolyfaceEdges(const std::vector<TLwpVer>& run, std::vector<std::pair<TAcadPoint, TAcadPoint>>& edges);

// Points, meshes, multilines and multileaders of the block definitions
// become block lines, fills and texts, to be placed with their blocks.
void BlockKindsToLines(Drawing& d);

// Before the expansion of inserts: tables become inserts of their blocks,
// arc dimensions dimensions, whose pictures are copied as stored.
void TablesToInserts(Drawing& d);
// The block content of multileaders, as inserts of the model or of the
// block a multileader stands in.
void MLeaderBlocksToInserts(Drawing& d);
void ArcDimensionsToDimensions(Drawing& d);
// Before TextsToWcs: attribute definitions standing in the model become
// texts of their tags.
void AttdefsToTexts(Drawing& d);

// Model records in world coordinates, after the expansion.
void PointsToLines(Drawing& d);
void MeshesToLines(Drawing& d);
void MLinesToLines(Drawing& d);
void MLeadersToLines(Drawing& d);

}  // namespace vantrel
