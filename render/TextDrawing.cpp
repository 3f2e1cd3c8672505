#include "render/TextDrawing.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "geometry/AcadCtrl2016.h"
#include "geometry/Extents.h"
#include "model/TextCodec.h"
#include "model/TextCodes.h"
#include "render/Pens.h"
#include "render/Renderer.h"
#include "render/TextStyles.h"

namespace vantrel {

namespace {

// A text cell smaller than this many pixels holds glyphs of five pixels and
// less, which nobody reads; shaping them was most of the time a fitted view
// of a big drawing took. Such a text is drawn as CAD viewers draw it: a
// line along its base line, as long as its characters, in its colour.
constexpr int kSmallestShapedCell = 8;
// Base line to base line of MTEXT lines, in capital heights at spacing 1.
constexpr double kLinePitch = 5.0 / 3.0;
// Without a font, a byte of code page 932 is taken this many capital
// heights wide: a Latin letter of a sans face, half a full-width character.
constexpr double kByteWidth = 0.75;
// Leaning further than this turns a text into a smear across the picture.
constexpr double kSteepestOblique = 80;

int Rounded(double v) {
  const double r = RoundHalfEven(v);
  if (!(r > -(1 << 22))) return -(1 << 22);
  if (r > (1 << 22)) return 1 << 22;
  return static_cast<int>(r);
}

double UsableFactor(double f) {
  f = std::fabs(f);
  return std::isfinite(f) && f > 1e-6 ? f : 1.0;
}

// A font sized by its capitals, and what that size gives. A text too small
// to read needs no font, and its face is not copied for it.
struct Sized {
  CanvasFont font;
  FaceShape shape;
  int H = 0;       // the cell, pixels
  double cap = 0;  // capital height, pixels
  bool small = false;
};

Sized SizeFont(Canvas& canvas, const std::u16string& face, bool bold, bool italic, double capPx,
               double widthFactor, double oblique, int escapement) {
  Sized s;
  const int weight = bold ? 700 : 0;
  s.shape = canvas.ShapeOf(face, weight, italic);
  s.cap = capPx;
  // The Japanese face stands for the big fonts, whose full-width characters
  // fill a square as high as the text: its em is the text's height, and
  // its Latin capitals stand somewhat lower than those of an SHX font.
  const double sizing = face == kDefaultFontFace ? s.shape.em : s.shape.capHeight;
  s.H = Rounded(capPx / sizing);
  if (sizing != s.shape.capHeight) s.cap = capPx * s.shape.capHeight / sizing;
  s.small = s.H < kSmallestShapedCell;
  if (s.small) return s;
  s.font.face = face;
  s.font.weight = weight;
  s.font.italic = italic;
  s.font.escapement = escapement;
  if (std::isfinite(oblique) && oblique != 0)
    s.font.slant = Rounded(std::clamp(oblique, -kSteepestOblique, kSteepestOblique) * 10);
  s.font.height = s.H;
  if (widthFactor != 1) s.font.width = std::max(1, Rounded(widthFactor * s.shape.averageWidth * s.H));
  return s;
}

double WidthOf(Canvas& canvas, const Sized& s, double widthFactor, std::u16string_view text) {
  if (s.small) return Cp932ByteCount(text) * kByteWidth * s.cap * widthFactor;
  if (canvas.Font() != s.font) canvas.SetFont(s.font);
  return canvas.TextWidth(std::u16string(text));
}

// The point along pixels right and up pixels above A, on a text turned by
// theta degrees; pixels to drawing units by Scale.
TAcadPoint Along(TAcadPoint A, double along, double up, double theta, double Scale) {
  TAcadPoint o;
  RotateAboutOrigin(TAcadPoint{along, up, 0}, theta * kDegToRad, o);
  return TAcadPoint{A.x + o.x * Scale, A.y + o.y * Scale, 0};
}

// One piece of text with its base line through baseline, starting x pixels
// along it; a small one is its base line.
void ShowPiece(Canvas& canvas, PixelPoint ScreenCenter, double Scale, TAcadPoint baseline, double theta,
               double x, double width, const Sized& s, std::u16string_view text, TColor colour) {
  if (s.small) {
    DrawLine(canvas, ScreenCenter, Along(baseline, x, 0, theta, Scale), Along(baseline, x + width, 0, theta, Scale),
             Scale, psSolid, 1, colour);
    return;
  }
  if (canvas.Font() != s.font) canvas.SetFont(s.font);
  if (canvas.FontColor() != colour) canvas.SetFontColor(colour);
  if (canvas.GetBrushStyle() != BrushStyle::Clear) canvas.SetBrushStyle(BrushStyle::Clear);
  const PixelPoint p = RelativeToPixel(ScreenCenter, Along(baseline, x, s.shape.ascent * s.H, theta, Scale), Scale);
  canvas.TextOut(p.x, p.y, std::u16string(text));
}

void DrawSingleLine(Canvas& canvas, PixelPoint ScreenCenter, const std::u16string& S, double Scale,
                    const TTextBlk& t, TAcadPoint P10, TAcadPoint P11, TColor Colour, const TextLook& look) {
  const bool stretched = (t.code72 == 3 || t.code72 == 5) && t.code73 == 0;
  const double length = Distance2D(P10, P11) / Scale;
  double theta = t.code50;
  if (stretched && length > 0) theta = Angle2D(P10, P11) / kDegToRad;
  const TAcadPoint A = (t.code72 == 0 && t.code73 == 0) ? P10 : stretched ? TAcadPoint{(P10.x + P11.x) / 2, (P10.y + P11.y) / 2, 0} : P11;
  double widthFactor = UsableFactor(t.code41);
  double capPx = t.code40 / Scale;
  const int escapement = Rounded(theta * 10);
  Sized s = SizeFont(canvas, look.face, look.bold, look.italic, capPx, widthFactor, t.code51, escapement);
  if (s.H <= 1 || S.empty()) return;
  double width = WidthOf(canvas, s, widthFactor, S);
  if (stretched && length > 0 && width > 0) {
    // Fit spreads the text over its base line; aligned grows it whole.
    double natural = width;
    if (widthFactor != 1) {
      widthFactor = 1;
      s = SizeFont(canvas, look.face, look.bold, look.italic, capPx, 1, t.code51, escapement);
      natural = WidthOf(canvas, s, 1, S);
    }
    if (natural > 0) {
      const double k = length / natural;
      if (t.code72 == 5) {
        widthFactor = k;
      } else {
        capPx *= k;
      }
      s = SizeFont(canvas, look.face, look.bold, look.italic, capPx, widthFactor, t.code51, escapement);
      if (s.H <= 1) return;
      width = WidthOf(canvas, s, widthFactor, S);
    }
  }
  double dx = 0;
  switch (t.code72) {
    case 1: case 3: case 4: case 5: dx = -width / 2; break;
    case 2: dx = -width; break;
    default: break;
  }
  if (t.code72 == 3 || t.code72 == 5) dx = stretched ? -width / 2 : 0;
  // Where the base line lies above the anchor, in pixels.
  double up = 0;
  switch (t.code73) {
    case 0: up = t.code72 == 4 ? -s.shape.xHeight * s.H / 2 : 0; break;
    case 1: up = (1 - s.shape.ascent) * s.H; break;
    case 2: up = -s.cap / 2; break;
    case 3: up = -s.cap; break;
    default: break;
  }
  // Group 71 writes a text backward (2) or upside down (4): the mirror of
  // its cell about the anchor, across the text and along its base line.
  const int mirror = ((t.code71 & 2) ? 1 : 0) | ((t.code71 & 4) ? 2 : 0);
  if (mirror == 0) {
    ShowPiece(canvas, ScreenCenter, Scale, Along(A, 0, up, theta, Scale), theta, dx, width, s, S, Colour);
    return;
  }
  const double sx = (mirror & 1) ? -1 : 1, sy = (mirror & 2) ? -1 : 1;
  if (s.small) {
    DrawLine(canvas, ScreenCenter, Along(A, sx * dx, sy * up, theta, Scale),
             Along(A, sx * (dx + width), sy * up, theta, Scale), Scale, psSolid, 1, Colour);
    return;
  }
  const double top = up + s.shape.ascent * s.H;  // the cell's top above A
  TAcadPoint corner;
  if (canvas.MirrorsText()) {
    s.font.mirror = mirror;
    corner = Along(A, sx * dx, sy * top, theta, Scale);
  } else {
    // Readable glyphs in the box the mirrored text takes.
    corner = Along(A, sx > 0 ? dx : -(dx + width), sy > 0 ? top : s.H - top, theta, Scale);
  }
  if (canvas.Font() != s.font) canvas.SetFont(s.font);
  if (canvas.FontColor() != Colour) canvas.SetFontColor(Colour);
  if (canvas.GetBrushStyle() != BrushStyle::Clear) canvas.SetBrushStyle(BrushStyle::Clear);
  const PixelPoint p = RelativeToPixel(ScreenCenter, corner, Scale);
  canvas.TextOut(p.x, p.y, S);
}

// A piece views its run's text: the words of one run on one line follow
// each other there, so a piece grows without copying.
struct Piece {
  std::size_t run = 0;
  std::u16string_view text;
  double x = 0;
  double width = 0;
};

struct Line {
  std::vector<Piece> pieces;
  double width = 0;
  double cap = 0;  // drawing units
};

bool IsSpace(char16_t c) { return c == u' '; }

void DrawMText(Canvas& canvas, PixelPoint ScreenCenter, const std::u16string& S, double Scale, const TTextBlk& t,
               TAcadPoint P10, TColor Colour, const TextLook& look) {
  const double theta = MTextAngle(t);
  const int escapement = Rounded(theta * 10);
  MTextRun base;
  base.height = t.code40;
  base.widthFactor = UsableFactor(look.widthFactor);
  base.oblique = look.oblique;
  base.bold = look.bold;
  base.italic = look.italic;
  // The cheap test first: most texts of a fitted big drawing end here.
  if (Rounded(t.code40 / Scale / FaceShape{}.capHeight) <= 1) return;
  const std::vector<std::vector<MTextRun>> paragraphs = ParseMTextRuns(S, base);

  // Every run's font, once.
  std::vector<const MTextRun*> runs;
  std::vector<Sized> sized;
  std::vector<std::pair<std::size_t, std::size_t>> first;  // paragraph -> first run index
  for (const auto& paragraph : paragraphs) {
    first.emplace_back(runs.size(), paragraph.size());
    for (const MTextRun& r : paragraph) {
      StyleFace face{look.face, r.bold, r.italic, false};
      if (!r.font.empty())
        face = r.fontIsFile ? FaceForFont(r.font, u"", u"", 0)
                            : FaceForFont(u"", u"", r.font, (r.bold ? 0x2000000 : 0) | (r.italic ? 0x1000000 : 0));
      if (r.fontIsFile) {
        face.bold = face.bold || r.bold;
        face.italic = face.italic || r.italic;
      }
      runs.push_back(&r);
      sized.push_back(SizeFont(canvas, face.face, face.bold, face.italic, r.height / Scale,
                               UsableFactor(r.widthFactor), r.oblique, escapement));
    }
  }

  // Lines, wrapped at the reference width where the text has one.
  const double box = t.code41 > 0 && std::isfinite(t.code41) ? t.code41 / Scale : 0;
  std::vector<Line> lines;
  for (const auto& [start, count] : first) {
    Line line;
    auto close = [&]() {
      lines.push_back(std::move(line));
      line = Line{};
    };
    for (std::size_t k = start; k < start + count; ++k) {
      const std::u16string_view text = runs[k]->text;
      const Sized& s = sized[k];
      line.cap = std::max(line.cap, runs[k]->height);
      std::size_t pos = 0;
      while (pos < text.size()) {
        // A word with the spaces after it.
        const std::size_t start = pos;
        std::size_t end = pos;
        while (end < text.size() && !IsSpace(text[end])) ++end;
        const std::size_t wordEnd = end;
        while (end < text.size() && IsSpace(text[end])) ++end;
        const std::u16string_view word = text.substr(start, end - start);
        pos = end;
        // The spaces after a word may hang over the edge.
        const double wordWidth =
            box > 0 ? WidthOf(canvas, s, runs[k]->widthFactor, text.substr(start, wordEnd - start)) : 0;
        if (box > 0 && !line.pieces.empty() && line.width + wordWidth > box) {
          close();
          line.cap = runs[k]->height;
        }
        const double w = WidthOf(canvas, s, runs[k]->widthFactor, word);
        if (!line.pieces.empty() && line.pieces.back().run == k) {
          Piece& p = line.pieces.back();
          p.text = std::u16string_view(p.text.data(), p.text.size() + word.size());
          p.width = WidthOf(canvas, s, runs[k]->widthFactor, p.text);
          line.width = p.x + p.width;
        } else {
          line.pieces.push_back(Piece{k, word, line.width, w});
          line.width += w;
        }
      }
    }
    if (line.cap == 0) line.cap = t.code40;
    close();
  }
  // A closing paragraph break adds no line.
  while (!lines.empty() && lines.back().pieces.empty()) lines.pop_back();
  if (lines.empty()) return;

  // Trailing spaces do not count for the justification.
  for (Line& line : lines) {
    double trimmed = line.width;
    if (!line.pieces.empty()) {
      const Piece& p = line.pieces.back();
      std::u16string_view text = p.text;
      while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
      if (text.size() != p.text.size()) trimmed = p.x + WidthOf(canvas, sized[p.run], runs[p.run]->widthFactor, text);
    }
    line.width = trimmed;
  }

  // Base lines below the first, in drawing units.
  std::vector<double> baseline(lines.size(), 0);
  const double spacing = t.code44 > 0 && std::isfinite(t.code44) ? t.code44 : 1.0;
  for (std::size_t i = 1; i < lines.size(); ++i)
    baseline[i] = baseline[i - 1] - kLinePitch * spacing * std::max(lines[i].cap, lines[i - 1].cap);
  const FaceShape shape = sized.empty() ? FaceShape{} : sized.front().shape;
  const double cap0 = lines.front().cap;
  const double x0 = cap0 * shape.xHeight / shape.capHeight;
  const double lastDescent = lines.back().cap * (1 - shape.ascent) / shape.capHeight;
  double firstUp = -cap0;  // the first base line above the attachment point
  if (t.code71 >= 4 && t.code71 <= 6) firstUp = (-x0 - baseline.back()) / 2;
  if (t.code71 >= 7 && t.code71 <= 9) firstUp = lastDescent - baseline.back();

  const CanvasFont previous = canvas.Font();
  const double rad = (theta + 90) * kDegToRad;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    double dx = 0;
    if (t.code71 == 2 || t.code71 == 5 || t.code71 == 8) dx = -line.width / 2;
    if (t.code71 == 3 || t.code71 == 6 || t.code71 == 9) dx = -line.width;
    const double up = firstUp + baseline[i];
    const TAcadPoint at{P10.x + std::cos(rad) * up, P10.y + std::sin(rad) * up, 0};
    for (const Piece& p : line.pieces) {
      const MTextRun& r = *runs[p.run];
      const Sized& s = sized[p.run];
      if (s.H <= 1) continue;
      TColor colour = Colour;
      if (r.aci > 0 && r.aci < 256) colour = DrawingColor(AciToColor(r.aci), look.backColor, look.colorMode);
      std::u16string_view text = p.text;
      while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
      if (text.empty()) continue;
      const double width = &p == &line.pieces.back() ? line.width - p.x : p.width;
      ShowPiece(canvas, ScreenCenter, Scale, at, theta, dx + p.x, width, s, text, colour);
      if (r.underline || r.overline) {
        const double y = r.underline ? -0.2 * s.cap : 1.25 * s.cap;
        DrawLine(canvas, ScreenCenter, Along(at, dx + p.x, y, theta, Scale), Along(at, dx + p.x + width, y, theta, Scale),
                 Scale, psSolid, 1, colour);
      }
    }
  }
  if (canvas.Font() != previous) canvas.SetFont(previous);
}

}  // namespace

void DrawStyledText(Canvas& canvas, PixelPoint ScreenCenter, const std::u16string& S, double Scale,
                    const TTextBlk& t, TAcadPoint P10, TAcadPoint P11, TColor Colour, const TextLook& look) {
  if (t.mtflag) {
    DrawMText(canvas, ScreenCenter, S, Scale, t, P10, Colour, look);
    return;
  }
  // The font is made for this record alone; a text drawn as its base line
  // makes none, and copies none either.
  // (Capitals are at least half the cell in every face; an aligned text
  // grows with its base line and is left out.)
  const bool small =
      t.code72 != 3 && Rounded(t.code40 / Scale / FaceShape{}.capHeight * 1.5) < kSmallestShapedCell;
  if (small) {
    DrawSingleLine(canvas, ScreenCenter, S, Scale, t, P10, P11, Colour, look);
    return;
  }
  const CanvasFont previous = canvas.Font();
  DrawSingleLine(canvas, ScreenCenter, S, Scale, t, P10, P11, Colour, look);
  if (canvas.Font() != previous) canvas.SetFont(previous);
}

}  // namespace vantrel
