// The escapes and MTEXT formatting codes of DXF texts.
#pragma once

#include <string>
#include <vector>

#include "model/AcadDxfUnit.h"

namespace vantrel {

// Replaces every \U+XXXX escape in the str of each record, in place.
void DecodeUnicodeEscapes(std::vector<TTextBlk>& table);
std::u16string StripMTextCodes(const std::u16string& text);
// Fills lines (discarding what it held) and returns their number.
int SplitMTextLines(const std::u16string& text, std::vector<std::u16string>& lines);

}  // namespace vantrel
