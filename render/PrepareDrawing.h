// Everything between reading a drawing and drawing it: the geometry passes,
// the extents and the pen pass. The load sequence, the list images and
// printing all go through here.
#pragma once

#include "geometry/PassSequence.h"

namespace vantrel {

// What RunGeometryPasses says of the drawing.
PassOutcome PrepareDrawing(Drawing& d, const PassOptions& options);

}  // namespace vantrel
