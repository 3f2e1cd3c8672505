// Block insertion expansion: copies of block contents placed into the entity
// tables by model inserts, dimension blocks copied as stored, and one level
// of inserts nested in block definitions. There is no deeper level, so a
// block that refers to itself cannot loop.
#pragma once

#include "geometry/TableRoom.h"
#include "model/AcadDxfUnit.h"

namespace vantrel {

void ExpandInserts(Drawing& d);
// Copies dimension blocks, collects nested inserts into BlkInsertAry, then
// runs ExpandNestedInserts.
void ExpandBlocks(Drawing& d);
void ExpandNestedInserts(Drawing& d);

// Exactly what ExpandInserts and then ExpandBlocks append to the entity
// tables of d as it stands.
TableRoom ExpansionRoom(const Drawing& d);

}  // namespace vantrel
