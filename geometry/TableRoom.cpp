#include "geometry/TableRoom.h"

namespace vantrel {

void ReserveRoom(Drawing& d, const TableRoom& room) {
  ReserveTable(d.EntLineAry, d.EntLineAry.size() + room.lines);
  ReserveTable(d.EntCircleAry, d.EntCircleAry.size() + room.circles);
  ReserveTable(d.EntArcAry, d.EntArcAry.size() + room.arcs);
  ReserveTable(d.EntTextAry, d.EntTextAry.size() + room.texts);
}

}  // namespace vantrel
