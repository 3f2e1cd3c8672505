// Pen colours, pen styles and layer indexes of the drawable records, and the
// two mappings they come from: the AutoCAD Color Index palette and the
// linetype-name rule.
#pragma once

#include <string>

#include "model/AcadDxfUnit.h"

namespace vantrel {

// Palette colour (0x00BBGGRR) of |n|; 0 and everything above 255 are white.
TColor AciToColor(Integer n);
// By upper-cased name prefix: CON solid; HID, DASHE dot; CEN, BOR, DASHD
// dash-dot; DEV, DIV, PHA dash-dot-dot; DOT dot; anything else solid.
TPenStyle LtypeToPenStyle(const std::u16string& name);
// BYLAYER or an empty linetype takes the linetype of the first layer so named.
TPenStyle EntityPenStyle(const Drawing& d, const std::u16string& ltype, const std::u16string& layer);
// Fills PenColor, PenStyle and layindex of the entity lines, arcs and circles,
// and PenColor and layindex of the entity texts and fills.
void AssignPens(Drawing& d);

// "psSolid", "psDash", "psDot", ... as the pen styles are named in code.
const char* PenStyleName(TPenStyle style);

}  // namespace vantrel
