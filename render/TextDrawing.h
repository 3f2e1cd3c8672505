// Texts as drawings mean them: capitals as tall as the text's height, the
// face's own advance times the width factor, the base line, capitals and
// lower-case letters where the justification puts them; MTEXT with its
// inline formats, wrapped at its reference width.
#pragma once

#include <string>

#include "model/AcadDxfUnit.h"
#include "render/Canvas.h"

namespace vantrel {

// What a text is drawn in beside its record. An MTEXT takes its width
// factor and oblique angle from its style; a TEXT carries its own.
struct TextLook {
  std::u16string face = kDefaultFontFace;
  bool bold = false;
  bool italic = false;
  double widthFactor = 1;
  double oblique = 0;
  // The colour mode of DrawingColor, for the colours an MTEXT names inside.
  TColor backColor = clBlack;
  int colorMode = 0;
};

// S is the text to show, P10 and P11 the record's points relative to the
// view centre. A text whose cell would be a pixel or less is not drawn, one
// too small to read is a line along its base line.
void DrawStyledText(Canvas& canvas, PixelPoint ScreenCenter, const std::u16string& S, double Scale,
                    const TTextBlk& t, TAcadPoint P10, TAcadPoint P11, TColor Colour, const TextLook& look);

}  // namespace vantrel
