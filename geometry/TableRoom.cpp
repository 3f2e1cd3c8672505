#include "geometry/TableRoom.h"

namespace vantrel {

void ReserveRoom(Drawing& d, const TableRoom& room) {
  ReserveRecords(d.EntLineAry, d.EntLineAry.size() + room.lines);
  ReserveRecords(d.EntCircleAry, d.EntCircleAry.size() + room.circles);
  ReserveRecords(d.EntArcAry, d.EntArcAry.size() + room.arcs);
  ReserveRecords(d.EntTextAry, d.EntTextAry.size() + room.texts);
}

}  // namespace vantrel
