// Block insertion expansion: copies of block contents placed into the entity
// tables by model inserts (every row and column of a MINSERT), dimension
// blocks copied as stored, and the inserts nested in block definitions,
// placed level by level to any depth. A block that holds itself, directly
// or through others, is placed once and the repetition is skipped.
#pragma once

#include <cstddef>
#include <cstdint>

#include "geometry/TableRoom.h"
#include "model/AcadDxfUnit.h"

namespace vantrel {

// What block expansion may still add, in bytes of records and of collected
// nested inserts, and what it has placed. A drawing of a few thousand bytes
// can ask for billions of placed records; expansion goes in table order
// and stops at the first model insert cell (or dimension block, or copy of
// a block's nested inserts) that would pass the budget, and adds nothing
// after it.
struct ExpansionBudget {
  std::size_t bytes = SIZE_MAX;
  std::size_t placed = 0;  // lines, circles, arcs, texts and fills placed
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

// What one collected nested insert costs the budget besides the records it
// places: its place in the work list of its level and in the path that
// guards against cycles.
std::size_t NestedInsertBytes();

// Without a budget, everything is placed.
void ExpandInserts(Drawing& d, ExpansionBudget& budget);
void ExpandInserts(Drawing& d);
// Copies dimension blocks, then places the inserts nested in block
// definitions, level after level. The budget pays for each level's nested
// inserts, and all they place, as it collects them.
void ExpandBlocks(Drawing& d, ExpansionBudget& budget);
void ExpandBlocks(Drawing& d);

// What ExpandInserts and then ExpandBlocks append to the line, circle, arc
// and text tables of d as it stands, when nothing stops them: exactly, for
// drawings whose blocks do not insert themselves; an estimate for those
// that do.
TableRoom ExpansionRoom(const Drawing& d);

}  // namespace vantrel
