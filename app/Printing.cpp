#include "app/Printing.h"

#include <algorithm>
#include <system_error>

#include "model/DxfReader.h"
#include "model/FileNames.h"
#include "model/FileProbes.h"
#include "model/TextCodec.h"
#include "render/PrepareDrawing.h"
#include "render/Renderer.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

// Paper is filled closer to its frame than a screen.
constexpr double kPrintFitRatio = 0.98;

int Mm(double millimetres, double perMm) { return static_cast<int>(millimetres * perMm); }

void CaptionFont(Canvas& c, const PageGeometry& g) {
  CanvasFont font;
  font.height = g.fontHeight;
  c.SetFont(font);
  c.SetFontColor(clBlack);
}

// Frames are outlines: the page's brush must not paint over the drawing.
void FramePen(Canvas& c) {
  c.SetPenMode(PenMode::Copy);
  c.SetPenStyle(psSolid);
  c.SetPenWidth(1);
  c.SetPenColor(clBlack);
  c.SetBrushStyle(BrushStyle::Clear);
}

// Reads a listed file anew into a drawing of its own and draws it into its
// cell; a file that cannot be read leaves the cell empty.
void DrawCellFile(PrintContext& context, Canvas& page, int row, PixelPoint centre, int width, int height,
                  int cosw) {
  LoadWindow& w = context.window;
  const fs::path file = w.FilePath(row);
  std::u16string head;
  if (!ReadFileSignature(file, head)) return;
  if (IsForeignHead(head))
    w.SetStatusPanel(0, UpperExtension(file) == ".DWG" ? u"DWG->DXF変換中 ... " : u"DXF->DXF 変換中 ... ");
  const fs::path text = TextDxfFor(file, context.options, w.Pump(), w.Messages());
  if (IsForeignHead(head)) w.SetStatusPanel(0, u"");
  if (text.empty()) return;
  Drawing d;
  ProgressCounter progress;
  std::u16string status, version;
  ReadDxfInFileEncoding(d, text, progress, w.Messages(), status, version);
  w.SetFileCell(kColFormat, row, status);
  PrepareDrawing(d, PassOptions{});
  const ViewState fit = FitToExtents(d);
  DrawDxf(d, u"", fit.ViewCenter, clWhite, fit.ViewWidth, fit.ViewHeight, 1, page, centre, width, height,
          kPrintFitRatio, cosw, true, false);
}

// A name wider than room is cut, by the average width of its characters,
// and ends in "..".
std::u16string FittedName(Canvas& c, const std::u16string& name, int room) {
  const int width = c.TextWidth(name);
  if (width <= room || name.empty()) return name;
  const int average = std::max(1, width / static_cast<int>(name.size()));
  const std::size_t n = static_cast<std::size_t>(std::max(0, room / average));
  return name.substr(0, std::min(n, name.size())) + u"..";
}

void PrintPages(PrintContext& context, PrintDocument& doc, const PageGeometry& g, int retu, int gyou, int n,
                int pages, int step, int cosw);
void ZoomPage(PrintContext& context, Canvas& page, Drawing& d, const ViewState& window, const PrinterCaps& caps,
              const PageGeometry& g, int cosw, const std::u16string& title);

}  // namespace

PageGeometry PageGeometryOf(const PrinterCaps& caps) {
  PageGeometry g;
  g.kx = caps.HORZSIZE > 0 ? static_cast<double>(caps.HORZRES) / caps.HORZSIZE : 1;
  g.ky = caps.VERTSIZE > 0 ? static_cast<double>(caps.VERTRES) / caps.VERTSIZE : 1;
  g.left = Mm(20, g.kx) - caps.PHYSICALOFFSETX;
  g.top = Mm(20, g.ky) - caps.PHYSICALOFFSETY;
  g.width = caps.PHYSICALWIDTH - Mm(30, g.kx);
  g.height = caps.PHYSICALHEIGHT - Mm(30, g.ky);
  g.tb = Mm(5, g.ky);
  g.fontHeight = Mm(3, g.ky);
  return g;
}

int PrintRows(int columns, bool landscape) { return landscape ? columns : 2 * columns; }

int PrintPages(int files, int columns, int rows) {
  const int cells = std::max(1, columns * rows);
  return (std::max(0, files) + cells - 1) / cells;
}

void PrintAll(PrintContext& context, PrintDocument& doc, int retu, int gyou, int cosw) {
  LoadWindow& w = context.window;
  context.PrintFlag = true;
  retu = std::max(1, retu);
  gyou = std::max(1, gyou);
  const PageGeometry g = PageGeometryOf(doc.Caps());
  const int rows = w.FileRowCount();
  const int n = rows > 1 && !w.FileCell(kColName, 1).empty() ? rows - 1 : 0;
  const int pages = PrintPages(n, retu, gyou);
  int step = n / 50;
  ProgressSink& pg = context.progress;
  if (step == 0) {
    step = 1;
    pg.SetMax(n + 1);
  } else {
    pg.SetMax(51);
  }
  pg.SetPosition(1);
  if (!doc.Begin()) return;
  // However the print ends, the document is ended: a job left open would
  // hold the printer.
  try {
    PrintPages(context, doc, g, retu, gyou, n, pages, step, cosw);
  } catch (...) {
    doc.End();
    throw;
  }
  doc.End();
  w.SetStatusPanel(0, u"");
  pg.SetPosition(pg.Position() + 1);
}

namespace {

void PrintPages(PrintContext& context, PrintDocument& doc, const PageGeometry& g, int retu, int gyou, int n,
                int pages, int step, int cosw) {
  LoadWindow& w = context.window;
  ProgressSink& pg = context.progress;
  const int cw = g.width / retu, ch = g.height / gyou;
  Canvas& page = doc.Page();
  for (int p = 0; p < pages && context.PrintFlag; ++p) {
    CaptionFont(page, g);
    const std::u16string number = DecimalText(p + 1) + u" / " + DecimalText(pages);
    page.TextOut(g.left + cw * retu - page.TextWidth(number), g.top - Mm(4, g.ky), number);
    for (int r = 0; r < gyou && context.PrintFlag; ++r) {
      const int cy = static_cast<int>((r + 0.5) * ch) + g.top;
      for (int c = 0; c < retu && context.PrintFlag; ++c) {
        const int cx = static_cast<int>((c + 0.5) * cw) + g.left;
        const int k = retu * (r + p * gyou) + c + 1;
        if (k % step == 0) pg.SetPosition(pg.Position() + 1);
        std::u16string name;
        if (k <= n) {
          name = w.FileCell(kColName, k);
          std::error_code ec;
          if (!name.empty() && fs::exists(w.FilePath(k), ec))
            DrawCellFile(context, page, k, PixelPoint{cx, cy + g.tb / 2}, cw, ch - g.tb, cosw);
        }
        FramePen(page);
        page.Rectangle(cx - cw / 2, cy - ch / 2, cx + cw / 2, cy + ch / 2);
        if (!name.empty()) {
          page.MoveTo(cx - cw / 2, cy - ch / 2 + g.tb);
          page.LineTo(cx + cw / 2, cy - ch / 2 + g.tb);
          CaptionFont(page, g);
          page.TextOut(cx - cw / 2 + Mm(2.5, g.kx), cy - ch / 2 + Mm(1, g.ky),
                       FittedName(page, name, cw - Mm(5, g.kx)));
        }
        w.Pump().ProcessMessages();
      }
    }
    if (p + 1 < pages && context.PrintFlag) doc.NewPage();
  }
}

}  // namespace

void PrintZoom(PrintContext& context, PrintDocument& doc, Drawing& d, const ViewState& view, int hanisw,
               int cosw, const std::u16string& title) {
  const ViewState window = hanisw != 0 ? view : FitToExtents(d);
  context.PrintFlag = true;
  const PrinterCaps caps = doc.Caps();
  const PageGeometry g = PageGeometryOf(caps);
  if (!doc.Begin()) return;
  try {
    ZoomPage(context, doc.Page(), d, window, caps, g, cosw, title);
  } catch (...) {
    doc.End();
    throw;
  }
  // A stop in this last moment still ends the document, which would
  // otherwise stay open with the printer.
  doc.End();
}

namespace {

void ZoomPage(PrintContext& context, Canvas& page, Drawing& d, const ViewState& window, const PrinterCaps& caps,
              const PageGeometry& g, int cosw, const std::u16string& title) {
  const int w = g.width, h = g.height;
  const int cx = w / 2 + g.left, cy = h / 2 + g.top;
  DrawDxf(d, u"", window.ViewCenter, clWhite, window.ViewWidth, window.ViewHeight, 1, page,
          PixelPoint{cx, cy + g.tb / 2}, w, h - g.tb, kPrintFitRatio, cosw, true, false);
  // Whatever the drawing put outside the frame, and into the title band, is
  // painted over.
  page.SetPenMode(PenMode::Copy);
  page.SetBrushStyle(BrushStyle::Solid);
  page.SetBrushColor(clWhite);
  page.SetPenColor(clWhite);
  page.FillRect(PixelRect{0, 0, caps.PHYSICALWIDTH, cy - h / 2 + g.tb});
  page.FillRect(PixelRect{0, 0, g.left, caps.PHYSICALHEIGHT});
  page.FillRect(PixelRect{g.left + w, 0, caps.PHYSICALWIDTH, caps.PHYSICALHEIGHT});
  page.FillRect(PixelRect{g.left, g.top + h, caps.PHYSICALWIDTH, caps.PHYSICALHEIGHT});
  FramePen(page);
  page.Rectangle(cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2);
  page.MoveTo(cx - w / 2, cy - h / 2 + g.tb);
  page.LineTo(cx + w / 2, cy - h / 2 + g.tb);
  CaptionFont(page, g);
  page.TextOut(cx - w / 2 + Mm(2.5, g.kx), cy - h / 2 + Mm(1, g.ky), title);
  context.window.Pump().ProcessMessages();
}

}  // namespace

}  // namespace vantrel
