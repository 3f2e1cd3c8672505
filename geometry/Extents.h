// Extent boxes of single records and of the whole drawing. Box procedures
// write only x and y of Min and Max; z stays as the caller left it.
#pragma once

#include "model/AcadDxfUnit.h"

namespace vantrel {

void SegmentBox(TAcadPoint A, TAcadPoint B, TAcadPoint& Min, TAcadPoint& Max);
void CircleBox(TAcadPoint Center, double Radius, TAcadPoint& Min, TAcadPoint& Max);
// Angles in radians, the arc running counter-clockwise from StartAngle to
// EndAngle; equal angles are a full circle. Angles beyond one turn either
// way count by their rays, as the canvas draws them.
void ArcBox(TAcadPoint Center, double Radius, double StartAngle, double EndAngle, TAcadPoint& Min,
            TAcadPoint& Max);
// Covering box of a TEXT (mtflag false) or MTEXT (mtflag true) record.
void TextBox(const TTextBlk& t, TAcadPoint& Min, TAcadPoint& Max);
// Box of a filled area of the entity tables.
void FillBox(const Drawing& d, const TFillBlk& f, TAcadPoint& Min, TAcadPoint& Max);
// The angle an MTEXT turns by, in degrees: its direction vector's, or
// group 50 when it has none.
double MTextAngle(const TTextBlk& t);

// ExtMin/ExtMax of the drawable model-space records on visible layers,
// texts included (hidden attributes aside). (0, 0, 0) twice when nothing
// counts.
void CalcExtents(Drawing& d);

}  // namespace vantrel
