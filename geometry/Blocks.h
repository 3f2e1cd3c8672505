// Block insertion expansion: copies of block contents placed into the entity
// tables by model inserts, dimension blocks copied as stored, and one level
// of inserts nested in block definitions. There is no deeper level, so a
// block that refers to itself cannot loop.
#pragma once

#include <cstddef>
#include <cstdint>

#include "geometry/TableRoom.h"
#include "model/AcadDxfUnit.h"

namespace vantrel {

// What block expansion may still add, in bytes of records and of collected
// nested inserts, and what it has placed. A drawing of a few thousand bytes
// can ask for billions of placed records; expansion goes in table order
// and stops at the first model insert (or dimension block, or copy of a
// block's nested inserts) that would pass the budget, and adds nothing
// after it.
struct ExpansionBudget {
  std::size_t bytes = SIZE_MAX;
  std::size_t placed = 0;  // lines, circles, arcs and texts placed
  bool stopped = false;    // something did not fit

  // True, and need bytes fewer left, when need still fits.
  bool Take(std::size_t need) {
    if (stopped || need > bytes) {
      stopped = true;
      return false;
    }
    bytes -= need;
    return true;
  }
};

// Without a budget, everything is placed.
void ExpandInserts(Drawing& d, ExpansionBudget& budget);
void ExpandInserts(Drawing& d);
// Copies dimension blocks, collects nested inserts into BlkInsertAry, then
// runs ExpandNestedInserts. The budget pays for the nested inserts, and all
// they place, as it collects them.
void ExpandBlocks(Drawing& d, ExpansionBudget& budget);
void ExpandBlocks(Drawing& d);
void ExpandNestedInserts(Drawing& d);

// Exactly what ExpandInserts and then ExpandBlocks append to the entity
// tables of d as it stands, when nothing stops them.
TableRoom ExpansionRoom(const Drawing& d);

}  // namespace vantrel
