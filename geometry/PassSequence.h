// The fixed order of the geometry passes after a read, ending with the
// extents.
#pragma once

#include "model/AcadDxfUnit.h"

namespace vantrel {

struct PassOptions {
  // The symbol-layer switch of the list images: when set, layers named
  // NEWJIS / OLDJIS (upper-cased) get the two checks as visibility.
  bool symbolLayerSwitch = false;
  bool newJisChecked = false;
  bool oldJisChecked = false;
};

// The flattening and expansion passes, the symbol-layer switch when asked,
// then CalcExtents. A failure inside the block expansion is ignored.
void RunGeometryPasses(Drawing& d, const PassOptions& options);

// Names NEWJIS/OLDJIS compared upper-cased; stops after two such layers.
void ApplySymbolLayerSwitch(Drawing& d, bool newJis, bool oldJis);

}  // namespace vantrel
