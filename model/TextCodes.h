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

// A piece of an MTEXT paragraph in one format. height is the capital
// height in drawing units; aci 256 keeps the text's own colour; font is
// what a \f or \F code named (empty: the style's), fontIsFile for \F.
struct MTextRun {
  std::u16string text;
  double height = 0;
  double widthFactor = 1;
  double oblique = 0;  // degrees
  std::u16string font;
  SmallInt aci = 256;
  bool fontIsFile = false;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool overline = false;
};

// The paragraphs of an MTEXT's text (\P, ^J and column breaks end one),
// each a list of runs starting in the format of base. The codes it applies
// are \H (x: relative), \C, \S (a stacked fraction becomes "a/b"), \L,
// \O, \f and \F (with |b1 and |i1), \W and \Q, braces and the escaped
// characters; every other code is dropped, never shown.
std::vector<std::vector<MTextRun>> ParseMTextRuns(const std::u16string& text, const MTextRun& base);

}  // namespace vantrel
