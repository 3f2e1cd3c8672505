// The fixed order of the geometry passes after a read, ending with the
// extents.
#pragma once

#include <cstddef>

#include "model/AcadDxfUnit.h"

namespace vantrel {

struct PassOptions {
  // The symbol-layer switch of the list images: when set, layers named
  // NEWJIS / OLDJIS (upper-cased) get the two checks as visibility.
  bool symbolLayerSwitch = false;
  bool newJisChecked = false;
  bool oldJisChecked = false;
  // Bytes the block expansion may add; 0 means an eighth of the memory the
  // machine has available when the passes start.
  std::size_t expansionBudget = 0;
};

// Whether the drawing shows in part: block expansion stopped at its budget
// (or found no more memory), with the records it placed until then.
struct PassOutcome {
  bool drawnInPart = false;
  std::size_t placed = 0;
};

// The flattening and expansion passes, the symbol-layer switch when asked,
// then CalcExtents. A failure inside the block expansion is ignored; a lack
// of memory there leaves the drawing in part.
PassOutcome RunGeometryPasses(Drawing& d, const PassOptions& options);

// An eighth of the memory the machine has available now (1 GiB where that
// is unknown).
std::size_t MachineExpansionBudget();

// Names NEWJIS/OLDJIS compared upper-cased; stops after two such layers.
void ApplySymbolLayerSwitch(Drawing& d, bool newJis, bool oldJis);

}  // namespace vantrel
