#include "render/PrepareDrawing.h"

#include "render/Pens.h"

namespace vantrel {

void PrepareDrawing(Drawing& d, const PassOptions& options) {
  // The pen pass comes last: records appended after it would keep zero pens.
  RunGeometryPasses(d, options);
  AssignPens(d);
}

}  // namespace vantrel
