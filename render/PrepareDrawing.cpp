#include "render/PrepareDrawing.h"

#include "render/Pens.h"
#include "render/TextStyles.h"

namespace vantrel {

PassOutcome PrepareDrawing(Drawing& d, const PassOptions& options) {
  // The pen pass comes last: records appended after it would keep zero pens.
  const PassOutcome outcome = RunGeometryPasses(d, options);
  AssignPens(d);
  AssignTextFaces(d);
  return outcome;
}

}  // namespace vantrel
