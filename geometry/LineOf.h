#pragma once
// The line record the passes make of a piece of another record: it keeps
// the owner, the looks and the space of the record it was made of.

#include "model/AcadDxfUnit.h"

namespace vantrel {

template <class Source>
TAcadLineBlk LineOf(const Source& s, TAcadPoint st, TAcadPoint ed) {
  TAcadLineBlk line = ZeroRecord<TAcadLineBlk>();
  line.bname = s.bname;
  line.layer = s.layer;
  line.ltype = s.ltype;
  if constexpr (requires { s.code48; }) line.code48 = s.code48;
  line.color = s.color;
  line.code67 = s.code67;
  line.st = st;
  line.ed = ed;
  return line;
}

}  // namespace vantrel
