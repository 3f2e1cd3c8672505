// Printing a folder as sheets of framed thumbnails and the detail view's
// drawing on one framed page. The page geometry comes from the printer's
// capabilities as the program has always read them (millimetres and pixels
// of the printable area, its offset on the paper, the whole paper), so the
// layout is the same on every printer; the pages themselves go to any
// PrintDocument: a real printer or PDF file, or a recording in tests.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "app/LoadSequence.h"
#include "render/Canvas.h"

namespace vantrel {

// The printer's device capabilities, by the names they have always had.
struct PrinterCaps {
  int HORZSIZE = 0;  // printable width, millimetres
  int VERTSIZE = 0;  // printable height, millimetres
  int HORZRES = 0;   // printable width, pixels
  int VERTRES = 0;   // printable height, pixels
  int PHYSICALOFFSETX = 0;  // printable area from the paper's edge, pixels
  int PHYSICALOFFSETY = 0;
  int PHYSICALWIDTH = 0;  // whole paper, pixels
  int PHYSICALHEIGHT = 0;
};

// Margins of 20 mm left and top and 10 mm right and bottom, in pixels of
// the printable area (whose top-left corner is the origin).
struct PageGeometry {
  double kx = 1, ky = 1;  // pixels per millimetre
  int left = 0, top = 0;
  int width = 0, height = 0;  // usable
  int tb = 0;                 // title band
  int fontHeight = 0;         // captions
};

PageGeometry PageGeometryOf(const PrinterCaps& caps);

// The rows of the list print and its pages, as the print dialog shows them.
int PrintRows(int columns, bool landscape);
int PrintPages(int files, int columns, int rows);

// One print job.
class PrintDocument {
 public:
  virtual ~PrintDocument() = default;
  virtual PrinterCaps Caps() const = 0;
  // False when the job cannot start (no printer, no file).
  virtual bool Begin() = 0;
  virtual Canvas& Page() = 0;
  virtual void NewPage() = 0;
  virtual void End() = 0;
};

// What a print needs of the window around it: the file list (names,
// column 4 for the reader's notes), status texts, the event pump (the stop
// button is noticed there) and the loading options.
struct PrintContext {
  LoadWindow& window;
  LoadOptions options;
  ProgressSink& progress;  // the dialog's bar
  // Set false by the stop button; looked at after each cell and before the
  // end of a detail print.
  bool& PrintFlag;
};

// The whole list, retu columns by gyou rows a page, each file read anew
// into a drawing of its own. Prints what it has so far when stopped.
void PrintAll(PrintContext& context, PrintDocument& doc, int retu, int gyou, int cosw);

// The drawing d on one page: the view (hanisw != 0) or the whole drawing,
// framed, with title in the band above it.
void PrintZoom(PrintContext& context, PrintDocument& doc, Drawing& d, const ViewState& view, int hanisw,
               int cosw, const std::u16string& title);

}  // namespace vantrel
