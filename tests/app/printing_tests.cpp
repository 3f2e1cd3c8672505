// Guards printing against wrong page geometry and cell layout, names that
// overrun their cells, and documents left open; one real PDF page is read
// back by a renderer of others.
#include <gtest/gtest.h>

#include <QImage>
#include <QPrinter>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/HeadlessWindow.h"
#include "app/Printing.h"
#include "app/VantrelUnit3.h"
#include "model/DxfReader.h"
#include "render/PrepareDrawing.h"
#include "render/RecordingCanvas.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

// A4 at 10 pixels a millimetre with a 10 mm unprintable edge.
PrinterCaps A4() {
  PrinterCaps c;
  c.HORZSIZE = 190;
  c.VERTSIZE = 277;
  c.HORZRES = 1900;
  c.VERTRES = 2770;
  c.PHYSICALOFFSETX = c.PHYSICALOFFSETY = 100;
  c.PHYSICALWIDTH = 2100;
  c.PHYSICALHEIGHT = 2970;
  return c;
}

class FakeDocument : public PrintDocument {
 public:
  PrinterCaps Caps() const override { return A4(); }
  bool Begin() override { return ++begun, true; }
  Canvas& Page() override { return canvas; }
  void NewPage() override { pageStarts.push_back(canvas.ops().size()); }
  void End() override { ++ended; }
  // Operations of kind on page p (0 on).
  int Count(std::size_t p, CanvasOpKind kind) const {
    const std::size_t from = p == 0 ? 0 : pageStarts[p - 1];
    const std::size_t to = p < pageStarts.size() ? pageStarts[p] : canvas.ops().size();
    int n = 0;
    for (std::size_t i = from; i < to; ++i) n += canvas.ops()[i].kind == kind;
    return n;
  }
  RecordingCanvas canvas;
  std::vector<std::size_t> pageStarts;
  int begun = 0, ended = 0;
};

std::string Dxf() {
  return "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n62\n1\n10\n0\n20\n0\n11\n100\n21\n50\n0\nENDSEC\n0\nEOF\n";
}

TEST(Printing, GeometryCellsPagesAndNames) {
  const PageGeometry g = PageGeometryOf(A4());
  EXPECT_EQ(g.left, 100);  // 20 mm less the unprintable edge
  EXPECT_EQ(g.width, 1800);
  EXPECT_EQ(g.tb, 50);
  EXPECT_EQ(g.fontHeight, 30);
  EXPECT_EQ(PrintRows(2, false), 4);
  EXPECT_EQ(PrintRows(3, true), 3);
  EXPECT_EQ(PrintPages(10, 2, 4), 2);
  EXPECT_EQ(PrintPages(0, 2, 4), 0);

  TempDir dir;
  std::vector<fs::path> names;
  for (int i = 0; i < 9; ++i) {
    names.push_back("d" + std::to_string(i) + ".dxf");
    WriteFile(dir / names.back(), Dxf());
  }
  // The tenth name is far wider than its cell.
  names.push_back(std::string(80, 'n') + ".dxf");
  WriteFile(dir / names.back(), Dxf());
  test::RecordingReporter messages;
  HeadlessWindow window(dir.path(), names, QSize(8, 8), messages);
  ProgressCounter bar;
  bool flag = false;
  PrintContext context{window, LoadOptions{}, bar, flag};
  FakeDocument doc;
  PrintAll(context, doc, 2, 4, 1);
  EXPECT_EQ(doc.begun, 1);
  EXPECT_EQ(doc.ended, 1);
  ASSERT_EQ(doc.pageStarts.size(), 1u);  // two pages
  EXPECT_EQ(doc.Count(1, CanvasOpKind::Rectangle), 8);  // every cell framed
  EXPECT_EQ(doc.Count(1, CanvasOpKind::TextOut), 3);    // page number and two names
  EXPECT_EQ(doc.canvas.texts().front(), u"1 / 2");
  const std::u16string cut = doc.canvas.texts().back();
  EXPECT_TRUE(cut.ends_with(u"..") && cut.size() < 80) << cut.size();
  EXPECT_EQ(bar.Max(), 11);
  EXPECT_TRUE(messages.messages.empty());
}

TEST(Printing, DetailPageComesOutAsPdf) {
  TempDir dir;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString((dir / "page.pdf").string()));
  WriteFile(dir / "d.dxf", Dxf());
  Drawing d;
  {
    ProgressCounter progress;
    SilentReporter quiet;
    std::u16string status, version;
    ReadDxfInFileEncoding(d, dir / "d.dxf", progress, quiet, status, version);
    PrepareDrawing(d, PassOptions{});
  }
  test::RecordingReporter messages;
  HeadlessWindow window(dir.path(), {}, QSize(8, 8), messages);
  ProgressCounter bar;
  bool flag = false;
  PrintContext context{window, LoadOptions{}, bar, flag};
  {
    PrinterDocument doc(printer, nullptr, false);
    PrintZoom(context, doc, d, ViewState{}, 0, 1, u"図面.dxf");
  }
  ASSERT_EQ(test::ReadFileBytes(dir / "page.pdf").substr(0, 5), "%PDF-");
  if (std::system("command -v pdftoppm >/dev/null 2>&1") != 0) GTEST_SKIP() << "no pdftoppm";
  const std::string command = "pdftoppm -r 20 -png '" + (dir / "page.pdf").string() + "' '" + (dir / "p").string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  QImage page(QString::fromStdString((dir / "p-1.png").string()));
  ASSERT_FALSE(page.isNull());
  int dark = 0;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) dark += qGray(page.pixel(x, y)) < 128;
  EXPECT_GT(dark, 100);  // the frame, the band, the title and the line
}

}  // namespace
}  // namespace vantrel
