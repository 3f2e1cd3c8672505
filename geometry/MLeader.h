// A MULTILEADER as what it draws: its leader lines with their landings,
// a filled arrowhead at the start of each line, and its MTEXT content.
#pragma once

#include <cstdint>
#include <vector>

#include "model/AcadDxfUnit.h"

namespace vantrel {

// Appends the lines, arrowhead fills (points and rings too) and the text of
// one multileader, in the coordinates it stands in.
void AppendMLeader(const TMLeaderBlk& m, std::vector<TAcadLineBlk>& lines, std::vector<TFillBlk>& fills,
                   std::vector<TAcadPoint>& fillPoints, std::vector<std::uint32_t>& fillRings,
                   std::vector<TTextBlk>& texts);

// The colour of a part of a multileader stored raw: a colour number when
// its top byte is 0xC3, else the multileader's own.
SmallInt MLeaderPartColor(Integer raw, SmallInt own);

}  // namespace vantrel
