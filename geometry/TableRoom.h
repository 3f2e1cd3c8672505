// Growing the record tables ahead of the passes that append to them. A pass
// that knows (or bounds) what it appends grows a table once instead of
// letting it double and move every record again: the records of a large
// drawing run to hundreds of megabytes, and a drawing of thousands of
// inserts places far more records than it read. Room reserved and never
// used costs address space only; its pages are never touched.
#pragma once

#include <cstddef>

#include "model/AcadDxfUnit.h"
#include "model/TableStorage.h"

namespace vantrel {

// Records a pass (or a run of passes) may append to the four entity tables
// the renderer draws.
struct TableRoom {
  std::size_t lines = 0;
  std::size_t circles = 0;
  std::size_t arcs = 0;
  std::size_t texts = 0;

  TableRoom& operator+=(const TableRoom& o) {
    lines += o.lines;
    circles += o.circles;
    arcs += o.arcs;
    texts += o.texts;
    return *this;
  }
};

// Room for room more records in each entity table.
void ReserveRoom(Drawing& d, const TableRoom& room);

}  // namespace vantrel
