// The flattening passes: polylines, ellipses, extruded circles and arcs,
// faces, leaders and splines become lines and arcs of the entity tables (in
// block definitions, of the block tables), solids and traces filled areas,
// and lines and texts of a non-default extrusion move into world
// coordinates. Appended records start from ZeroRecord<T>() and receive only
// the fields their pass names.
#pragma once

#include <vector>

#include "geometry/TableRoom.h"
#include "model/AcadDxfUnit.h"

namespace vantrel {

void BlockPolylinesToLines(Drawing& d);
// Ellipses (at Step degrees), splines, leaders and faces of the block
// definitions become block lines, their solids and traces block fills.
void BlockCurvesToLines(Drawing& d, double Step);
void PolylinesToLines(Drawing& d);
// Step in degrees of the ellipse parameter, of arcs and circles.
void EllipsesToLines(Drawing& d, double Step);
void ArcsToLines(Drawing& d, double Step);
void CirclesToLines(Drawing& d, double Step);
void LinesToWcs(Drawing& d);
void TextsToWcs(Drawing& d);
void FacesToLines(Drawing& d);
void LeadersToLines(Drawing& d);
void SolidsToFills(Drawing& d);
void SplinesToLines(Drawing& d);

// At least what PolylinesToLines, EllipsesToLines, ArcsToLines,
// CirclesToLines (all with Step), FacesToLines, LeadersToLines and
// SplinesToLines append to the entity tables of d as it stands.
TableRoom FlatteningRoom(const Drawing& d, double Step);

// P.x*U + P.y*V + P.z*N + C.
TAcadPoint EllipsePoint(TAcadPoint P, TAcadPoint C, TAcadPoint U, TAcadPoint N, TAcadPoint V);

}  // namespace vantrel
