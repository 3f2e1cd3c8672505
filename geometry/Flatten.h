// The flattening passes: polylines, ellipses, extruded circles and arcs,
// faces, leaders, solids and splines become lines and arcs of the entity
// tables (block polylines of the block tables), and lines and texts of a
// non-default extrusion move into world coordinates. Appended records start
// from ZeroRecord<T>() and receive only the fields their pass names.
#pragma once

#include <vector>

#include "geometry/TableRoom.h"
#include "model/AcadDxfUnit.h"

namespace vantrel {

void BlockPolylinesToLines(Drawing& d);
void PolylinesToLines(Drawing& d);
// Step in degrees of the ellipse parameter, of arcs and circles.
void EllipsesToLines(Drawing& d, double Step);
void ArcsToLines(Drawing& d, double Step);
void CirclesToLines(Drawing& d, double Step);
void LinesToWcs(Drawing& d);
void TextsToWcs(Drawing& d);
void FacesToLines(Drawing& d);
void LeadersToLines(Drawing& d);
void SolidsToLines(Drawing& d);
void SplinesToLines(Drawing& d);

// At least what PolylinesToLines, EllipsesToLines, ArcsToLines,
// CirclesToLines (all with Step), FacesToLines, LeadersToLines, SolidsToLines
// and SplinesToLines append to the entity tables of d as it stands.
TableRoom FlatteningRoom(const Drawing& d, double Step);

// The three edges p1-p2, p2-p3, p3-p1 of a solid, appended to lines; p4
// is not drawn.
void AppendSolidOutline(const TSolidBlk& s, std::vector<TAcadLineBlk>& lines);

// P.x*U + P.y*V + P.z*N + C.
TAcadPoint EllipsePoint(TAcadPoint P, TAcadPoint C, TAcadPoint U, TAcadPoint N, TAcadPoint V);

}  // namespace vantrel
