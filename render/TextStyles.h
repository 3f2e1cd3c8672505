// The faces texts are drawn in: the STYLE table's font files and families
// mapped onto installed faces through fontconfig. SHX fonts exist on no
// machine without a CAD program, and Windows TrueType files rarely on
// Debian, so most styles are drawn in a stand-in; the face pass says which.
#pragma once

#include <string>

#include "model/AcadDxfUnit.h"

namespace vantrel {

struct StyleFace {
  std::u16string face;  // an installed family
  bool bold = false;
  bool italic = false;
  bool substituted = false;  // face stands in for a font this machine lacks
};

// The face of one style's fonts: code3 the font file, code4 the big font,
// family and flags the family and the bold/italic bits of its ACAD extended
// data. A big font (double-byte characters, the Japanese ones above all)
// takes the bundled Japanese face; an SHX font the system's sans-serif face.
StyleFace FaceForFont(const std::u16string& code3, const std::u16string& code4,
                      const std::u16string& family, Integer flags);

// The face pass: every style's face fields, and every text's styleindex (the
// first style of its name, compared as CAD compares names, without case; a
// text of a style the table lacks takes STANDARD, and -1 when that is
// missing too). Runs after the geometry passes.
void AssignTextFaces(Drawing& d);

// The face a text with that styleindex is drawn in.
StyleFace FaceOfText(const Drawing& d, SmallInt styleindex);

}  // namespace vantrel
