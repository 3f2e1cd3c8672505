// Growing the record tables ahead of the passes that append to them. A pass
// that knows (or bounds) what it appends grows a table once instead of
// letting it double and move every record again: the records of a large
// drawing run to hundreds of megabytes, and a drawing of thousands of
// inserts places far more records than it read. Room reserved and never
// used costs address space only; its pages are never touched.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "model/AcadDxfUnit.h"
#include "model/TableStorage.h"

namespace vantrel {

// a + b and a * b held at the largest count instead of wrapping round: the
// counts of a hostile file multiply far past any table.
inline std::size_t SaturatingAdd(std::size_t a, std::size_t b) {
  return a > SIZE_MAX - b ? SIZE_MAX : a + b;
}
inline std::size_t SaturatingMul(std::size_t a, std::size_t b) {
  return b != 0 && a > SIZE_MAX / b ? SIZE_MAX : a * b;
}

// Records a pass (or a run of passes) may append to the four entity tables
// the renderer draws.
struct TableRoom {
  std::size_t lines = 0;
  std::size_t circles = 0;
  std::size_t arcs = 0;
  std::size_t texts = 0;

  TableRoom& operator+=(const TableRoom& o) {
    lines = SaturatingAdd(lines, o.lines);
    circles = SaturatingAdd(circles, o.circles);
    arcs = SaturatingAdd(arcs, o.arcs);
    texts = SaturatingAdd(texts, o.texts);
    return *this;
  }

  // At most what bytes of records of each kind take.
  TableRoom Within(std::size_t bytes) const {
    return TableRoom{std::min(lines, bytes / sizeof(TAcadLineBlk)),
                     std::min(circles, bytes / sizeof(TCircleBlk)),
                     std::min(arcs, bytes / sizeof(TArcBlk)), std::min(texts, bytes / sizeof(TTextBlk))};
  }
};

// What the records of room take, their texts' own strings aside.
inline std::size_t RecordBytes(const TableRoom& room) {
  return SaturatingAdd(SaturatingAdd(SaturatingMul(room.lines, sizeof(TAcadLineBlk)),
                                     SaturatingMul(room.circles, sizeof(TCircleBlk))),
                       SaturatingAdd(SaturatingMul(room.arcs, sizeof(TArcBlk)),
                                     SaturatingMul(room.texts, sizeof(TTextBlk))));
}

// Room for room more records in each entity table.
void ReserveRoom(Drawing& d, const TableRoom& room);

}  // namespace vantrel
