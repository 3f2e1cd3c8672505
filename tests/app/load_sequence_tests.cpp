// Guards the load sequence and the list-image build against wrong file-list
// texts, wrong encodings, unwanted or repeated conversions, a converted copy
// shown for another file or an old state of the file, lost failure
// crosses and messages, a drawing shown in part without a word, and list
// images out of row order.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>

#include <chrono>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/ListImageCache.h"
#include "app/LoadSequence.h"
#include "model/DxfReader.h"
#include "model/SilentAbort.h"
#include "model/TextCodec.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

class GuiEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // Widgets too: the window's tests share this program.
    if (!QGuiApplication::instance()) app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  // Before static destruction, which Qt's own globals do not survive.
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "app_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};
const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

class FakeWindow : public LoadWindow {
 public:
  std::vector<std::vector<std::u16string>> cells;  // [row][col]
  int current = 1;
  std::map<int, std::u16string> status;
  std::vector<std::u16string> statusHistory;
  std::u16string shown;
  QSize detail{200, 160};
  QImage picture;
  PanelContents panels;
  bool panelsFilled = false;
  std::u16string folder;
  QSize cell{60, 74};
  int gridWidth = 200;
  int gridColumns = 0, gridRows = 0;
  int repaints = 0;
  ProgressCounter progress;
  int progressMaxSeen = 0;
  test::RecordingReporter reporter;
  NoEventPump pump;

  void List(const fs::path& dir, const std::vector<std::string>& names) {
    folder = dir.u16string();
    cells.assign(1, std::vector<std::u16string>(6));
    for (const auto& n : names) {
      cells.emplace_back(6);
      cells.back()[0] = Utf8ToU16(n);
    }
  }
  std::u16string Cell(int col, int row) const { return cells.at(row).at(col); }

  int FileRowCount() const override { return static_cast<int>(cells.size()); }
  std::u16string FileCell(int col, int row) const override { return cells.at(row).at(col); }
  void SetFileCell(int col, int row, const std::u16string& text) override {
    if (row >= static_cast<int>(cells.size())) cells.resize(row + 1, std::vector<std::u16string>(6));
    cells[row].at(col) = text;
  }
  int CurrentFileRow() const override { return current; }
  void SetStatusPanel(int panel, const std::u16string& text) override {
    status[panel] = text;
    if (panel == 0) statusHistory.push_back(text);
  }
  void SetShownFileName(const std::u16string& name) override { shown = name; }
  QSize DetailPictureSize() const override { return detail; }
  void SetDetailPicture(const QImage& p) override { picture = p; }
  void FillPanels(const PanelContents& p) override {
    panels = p;
    panelsFilled = true;
  }
  fs::path FilePath(int row) const override { return fs::path(folder) / fs::path(cells.at(row).at(0)); }
  QSize GridCellSize() const override { return cell; }
  int GridWidth() const override { return gridWidth; }
  void SetGridShape(int columns, int rows) override {
    gridColumns = columns;
    gridRows = rows;
  }
  void RepaintGrid() override { ++repaints; }
  ProgressSink& Progress() override { return progress; }
  Reporter& Messages() override { return reporter; }
  EventPump& Pump() override { return pump; }
};

std::string Header(const char* version) {
  return std::string("0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\n") + version +
         "\n9\n$DWGCODEPAGE\n3\nANSI_932\n0\nENDSEC\n";
}

std::string Body(const std::string& text) {
  return "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nVIEW\n0\nVIEW\n2\nHIDDEN\n70\n1\n0\nENDTAB\n0\nENDSEC\n"
         "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n62\n1\n10\n0\n20\n0\n11\n100\n21\n50\n"
         "0\nTEXT\n8\n0\n40\n5\n10\n10\n20\n10\n1\n" +
         text + "\n0\nENDSEC\n0\nEOF\n";
}

bool IsCross(const QImage& image) {
  const int w = image.width(), h = image.height();
  return image.pixel(w / 3, h / 3) == qRgb(0, 255, 255) && image.pixel(1, h - 2) == qRgb(0, 0, 0);
}

bool HasDrawing(const QImage& image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) == qRgb(255, 0, 0)) return true;
  return false;
}

// A converter in the seven-argument form that writes a fixed DXF and counts
// its runs.
fs::path FakeConverter(const TempDir& dir, const std::string& dxf) {
  WriteFile(dir / "template.dxf", dxf);
  fs::path script = dir / "convert.sh";
  WriteFile(script, "#!/bin/sh\necho run >> '" + (dir / "runs").string() + "'\n" +
                        "name=$(basename \"$7\")\ncp '" + (dir / "template.dxf").string() +
                        "' \"$2/${name%.*}.dxf\"\n");
  ::chmod(script.c_str(), 0755);
  return script;
}

int Runs(const TempDir& dir) {
  std::ifstream in(dir / "runs");
  int n = 0;
  for (std::string line; std::getline(in, line);) ++n;
  return n;
}

std::string FakeDwg() { return std::string("AC1018") + std::string(200, '\0'); }

TEST(LoadDrawing, DxfFillsListPanelsAndPicture) {
  TempDir dir;
  WriteFile(dir / "a.dxf", Header("AC1021") + Body("図面"));
  FakeWindow w;
  w.List(dir.path(), {"a.dxf"});
  Drawing d;
  ViewState view;
  LoadOptions options;
  options.WorkFolder = dir / "work";
  LoadDrawing(w, d, view, options, dir / "a.dxf");
  EXPECT_EQ(w.shown, u"a.dxf");
  EXPECT_EQ(w.Cell(kColVersion, 1).substr(w.Cell(kColVersion, 1).size() - 4), u" DXF");
  EXPECT_EQ(w.Cell(kColCodePage, 1), u"ANSI_932");
  ASSERT_TRUE(w.panelsFilled);
  ASSERT_EQ(w.panels.strings.size(), 1u);
  EXPECT_EQ(w.panels.strings[0].text, u"図面");  // AC1021 reads as UTF-8
  EXPECT_EQ(w.panels.views, std::vector<std::u16string>{u"NoView"});
  EXPECT_EQ(w.panels.countLabels[1], u"Line : 1");
  EXPECT_EQ(w.panels.countLabels[0], u"Layer : 1");
  EXPECT_EQ(view.ViewWidth, 100);
  EXPECT_EQ(view.ViewHeight, 50);
  EXPECT_EQ(view.ViewCenter, (TAcadPoint{50, 25, 0}));
  EXPECT_TRUE(HasDrawing(w.picture));
  EXPECT_FALSE(w.status[3].empty());
  EXPECT_TRUE(w.reporter.messages.empty());

  // AC1018 reads the same bytes as code page 932.
  WriteFile(dir / "b.dxf", Header("AC1018") + EncodeText(Utf8ToU16(Body("図面")), TextEncoding::Ansi));
  LoadDrawing(w, d, view, options, dir / "b.dxf");
  ASSERT_EQ(w.panels.strings.size(), 1u);
  EXPECT_EQ(w.panels.strings[0].text, u"図面");
}

TEST(LoadDrawing, ADrawingShownInPartSaysSoInTheListAndTheStatusBar) {
  TempDir dir;
  // Two inserts of a block of one line; the budget has room for one line.
  WriteFile(dir / "a.dxf", Header("AC1015") +
                               "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB\n10\n0\n20\n0\n"
                               "0\nLINE\n8\n0\n10\n0\n20\n0\n11\n1\n21\n0\n0\nENDBLK\n0\nENDSEC\n"
                               "0\nSECTION\n2\nENTITIES\n0\nINSERT\n2\nB\n10\n0\n20\n0\n"
                               "0\nINSERT\n2\nB\n10\n5\n20\n5\n0\nENDSEC\n0\nEOF\n");
  FakeWindow w;
  w.List(dir.path(), {"a.dxf"});
  Drawing d;
  ViewState view;
  LoadOptions options;
  options.WorkFolder = dir / "work";
  options.expansionBudget = sizeof(TAcadLineBlk);
  EXPECT_TRUE(LoadDrawing(w, d, view, options, dir / "a.dxf"));
  EXPECT_EQ(w.Cell(kColFormat, 1), u"一部のみ表示 (1)");
  EXPECT_EQ(w.status[0], u"一部のみ表示 (1)");
  EXPECT_EQ(d.EntLineAry.size(), 1u);

  // The list image of the same file says it in column 4 as well.
  const ListImage image = MakeOneListImage(dir / "a.dxf", QSize(40, 30), options, w.reporter);
  EXPECT_TRUE(image.imgFlag);
  std::u16string format;
  for (const auto& [col, text] : image.cells)
    if (col == kColFormat) format = text;
  EXPECT_EQ(format, u"一部のみ表示 (1)");
}

TEST(LoadDrawing, DwgAndBinaryWithoutConverterShowTheCross) {
  TempDir dir;
  WriteFile(dir / "a.dwg", FakeDwg());
  WriteFile(dir / "b.dxf", "AutoCAD Binary DXF\r\n\x1a" + std::string(100, '\x01'));
  WriteFile(dir / "c.dxf", FakeDwg());  // a DWG under a DXF name
  FakeWindow w;
  w.List(dir.path(), {"a.dwg", "b.dxf", "c.dxf"});
  Drawing d;
  ViewState view;
  LoadOptions options;
  options.WorkFolder = dir / "work";
  LoadDrawing(w, d, view, options, dir / "a.dwg");
  EXPECT_EQ(w.Cell(kColFormat, 1), u"DWG");
  EXPECT_TRUE(w.Cell(kColVersion, 1).ends_with(u" DWG"));
  EXPECT_TRUE(IsCross(w.picture));
  EXPECT_FALSE(w.panelsFilled);
  for (int row : {2, 3}) {
    w.current = row;
    w.picture = QImage();
    LoadDrawing(w, d, view, options, dir / (row == 2 ? "b.dxf" : "c.dxf"));
    EXPECT_EQ(w.Cell(kColFormat, row), u"BinaryDXF");
    EXPECT_TRUE(IsCross(w.picture));
  }
  EXPECT_TRUE(w.reporter.messages.empty());
  EXPECT_FALSE(fs::exists(dir / "work"));
}

TEST(LoadDrawing, DwgConvertsOncePerWorkFolderLife) {
  TempDir dir;
  WriteFile(dir / "a.dwg", FakeDwg());
  FakeWindow w;
  w.List(dir.path(), {"a.dwg"});
  Drawing d;
  ViewState view;
  LoadOptions options;
  options.WorkFolder = dir / "work";
  options.TeighaExePath = FakeConverter(dir, Header("AC1015") + Body("x"));
  LoadDrawing(w, d, view, options, dir / "a.dwg");
  LoadDrawing(w, d, view, options, dir / "a.dwg");
  EXPECT_EQ(Runs(dir), 1);
  EXPECT_TRUE(HasDrawing(w.picture));
  EXPECT_EQ(w.Cell(kColFormat, 1), u"DWG");
  EXPECT_TRUE(w.Cell(kColVersion, 1).ends_with(u" DWG"));
  EXPECT_NE(std::find(w.statusHistory.begin(), w.statusHistory.end(), u"DWG->DXF変換中 ... "),
            w.statusHistory.end());
  // The folder scan empties the work folder; the next view converts again.
  fs::remove_all(dir / "work");
  LoadDrawing(w, d, view, options, dir / "a.dwg");
  EXPECT_EQ(Runs(dir), 2);
  // The user's own folder never receives a copy.
  EXPECT_FALSE(fs::exists(dir / "a.dxf"));
}

// Each copy says which file it came from: the converter writes the name of
// the source's folder as the drawing's text.
std::string CopyText(const fs::path& copy) {
  Drawing d;
  ProgressCounter progress;
  test::RecordingReporter reporter;
  std::u16string status, version;
  ReadDxfInFileEncoding(d, copy, progress, reporter, status, version);
  return d.EntTextAry.empty() ? std::string() : test::U8(d.EntTextAry[0].str);
}

TEST(TextDxfFor, ACopyBelongsToOneFileInOneState) {
  TempDir dir;
  WriteFile(dir / "template.dxf", Header("AC1015") + Body("@@"));
  const fs::path script = dir / "convert.sh";
  WriteFile(script, "#!/bin/sh\necho run >> '" + (dir / "runs").string() + "'\nname=$(basename \"$7\")\n" +
                        "sed \"s/@@/$(basename \"$1\")/\" '" + (dir / "template.dxf").string() +
                        "' > \"$2/${name%.*}.dxf\"\n");
  ::chmod(script.c_str(), 0755);
  LoadOptions options;
  options.WorkFolder = dir / "work";
  options.TeighaExePath = script;
  for (const char* name : {"a/plan.dwg", "b/plan.dwg", "b/plan.DWG"}) {
    fs::create_directories((dir / name).parent_path());
    WriteFile(dir / name, FakeDwg());
  }
  test::RecordingReporter reporter;
  NoEventPump pump;
  const fs::path a = TextDxfFor(dir / "a/plan.dwg", options, pump, reporter);
  const fs::path b = TextDxfFor(dir / "b/plan.dwg", options, pump, reporter);
  const fs::path upper = TextDxfFor(dir / "b/plan.DWG", options, pump, reporter);
  EXPECT_EQ(CopyText(a), "a");
  EXPECT_EQ(CopyText(b), "b");
  EXPECT_EQ(a.filename(), "plan.dxf");
  EXPECT_NE(upper, b);
  EXPECT_EQ(Runs(dir), 3);
  // Seen again unchanged, the copy is reused, also under another spelling
  // of the same path.
  EXPECT_EQ(TextDxfFor(dir / "a/../a/plan.dwg", options, pump, reporter), a);
  EXPECT_EQ(Runs(dir), 3);

  // Changed in place (same size) or replaced, the file is converted anew
  // and its old copy goes; the other files keep theirs.
  const auto later = fs::last_write_time(dir / "a/plan.dwg") + std::chrono::seconds(5);
  fs::last_write_time(dir / "a/plan.dwg", later);
  const fs::path touched = TextDxfFor(dir / "a/plan.dwg", options, pump, reporter);
  EXPECT_EQ(Runs(dir), 4);
  EXPECT_NE(touched, a);
  EXPECT_FALSE(fs::exists(a.parent_path()));
  EXPECT_TRUE(fs::exists(b));
  const auto bTime = fs::last_write_time(dir / "b/plan.dwg");
  fs::rename(dir / "b/plan.DWG", dir / "b/plan.dwg");
  fs::last_write_time(dir / "b/plan.dwg", bTime);
  EXPECT_NE(TextDxfFor(dir / "b/plan.dwg", options, pump, reporter), b);
  EXPECT_EQ(Runs(dir), 5);
  EXPECT_TRUE(reporter.messages.empty());
}

TEST(LoadDrawing, UnexpectedFailureReportsAndAbortsSilently) {
  TempDir dir;
  WriteFile(dir / "a.dxf", Header("AC1015") + Body("x"));
  FakeWindow w;
  w.List(dir.path(), {"a.dxf"});
  struct ThrowingWindow : FakeWindow {
    void FillPanels(const PanelContents&) override { throw std::runtime_error("boom"); }
  } tw;
  tw.List(dir.path(), {"a.dxf"});
  Drawing d;
  ViewState view;
  LoadOptions options;
  EXPECT_THROW(LoadDrawing(tw, d, view, options, dir / "a.dxf"), SilentAbort);
  ASSERT_EQ(tw.reporter.messages.size(), 1u);
  EXPECT_EQ(tw.reporter.messages[0].text, (dir / "a.dxf").u16string() + u"\r 読み込みエラーです");
  EXPECT_EQ(tw.reporter.messages[0].caption, u"情報");
  EXPECT_EQ(tw.reporter.messages[0].icon, MsgIcon::Information);
  EXPECT_TRUE(IsCross(tw.picture));
}

TEST(ComputePanels, SortedListsChecksAndViews) {
  Drawing d;
  d.LayerAry = {NewLayer(u"b"), NewLayer(u"A"), NewLayer(u"c")};
  d.LayerAry[2].visible = false;
  d.LayerAry[2].color = -3;
  d.ViewAry = {TViewTbl{u"Z", {}, 1, 1, 0}, TViewTbl{u"M", {}, 1, 1, 0}, TViewTbl{u"H", {}, 1, 1, 1}};
  TTextBlk t1, t2, t3;
  t1.str = u"zeta";
  t2.str = u"alpha";
  t3.str = u"hidden";
  t3.code70 = 4;
  d.EntTextAry = {t1, t2, t3};
  PanelContents p = ComputePanels(d);
  ASSERT_EQ(p.layers.size(), 3u);
  EXPECT_EQ(p.layers[0].name, u"A");
  EXPECT_EQ(p.layers[1].name, u"b");
  EXPECT_FALSE(p.layers[2].checked);
  EXPECT_EQ(p.layers[2].color, 0x00FF00u);  // ACI 3 from the absolute value
  EXPECT_EQ(p.views, (std::vector<std::u16string>{u"*AllView*", u"M", u"Z"}));
  ASSERT_EQ(p.strings.size(), 2u);
  EXPECT_EQ(p.strings[0].text, u"alpha");
  EXPECT_EQ(p.strings[0].tag, 1);
  EXPECT_EQ(p.stringIndex, 1);  // the first text of the table stays selected
}

TEST(BuildListImages, ImagesInRowOrderWithCacheAndFailures) {
  TempDir dir;
  std::vector<std::string> names;
  for (int i = 0; i < 4; ++i) {
    names.push_back("d" + std::to_string(i) + ".dxf");
    WriteFile(dir / names.back(), Header("AC1015") + Body("t" + std::to_string(i)));
  }
  WriteFile(dir / "bad.dxf", Header("AC1015") + "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\nx\n");
  names.push_back("bad.dxf");
  FakeWindow w;
  w.List(dir.path(), names);
  std::vector<TDxfbmp> images;
  LoadOptions options;
  options.threads = 2;
  BuildListImages(w, images, options);
  ASSERT_EQ(images.size(), 5u);
  EXPECT_EQ(w.progress.Max(), 5);
  EXPECT_EQ(w.progress.Position(), 0);
  EXPECT_EQ(w.gridColumns, 3);
  EXPECT_EQ(w.gridRows, 2);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(images[i].name, dir / names[i]);
    EXPECT_TRUE(images[i].imgFlag);
    EXPECT_EQ(images[i].bmp.size(), QSize(60, 50));
    EXPECT_TRUE(HasDrawing(images[i].bmp)) << i;
    EXPECT_EQ(w.Cell(kColFormat, i + 1), u"");
  }
  EXPECT_EQ(w.Cell(kColFormat, 5), u"21:10/22:x");
  ASSERT_EQ(w.reporter.messages.size(), 1u);  // the reader's own message, once
  EXPECT_EQ(w.reporter.messages[0].caption, u"Quolmark");
  EXPECT_EQ(w.status[0], u"");
  EXPECT_EQ(w.repaints, 1);

  // Cached images are loaded instead of read.
  ASSERT_TRUE(SaveListImageCache(dir / names[0], images[0].bmp));
  std::vector<TDxfbmp> again;
  FakeWindow w2;
  w2.List(dir.path(), names);
  BuildListImages(w2, again, options);
  EXPECT_EQ(w2.Cell(kColVersion, 1), u"-");
  EXPECT_EQ(w2.Cell(kColCodePage, 1), u"-");
  EXPECT_TRUE(again[0].imgFlag);
  EXPECT_EQ(w2.statusHistory[0], u"イメージ読み込み中 ... 1 / 5");
  EXPECT_EQ(w2.statusHistory[1], u"イメージ作成中 ... 2 / 5");

  // A cache file that does not load is passed over, not the end of the build.
  WriteFile(ListImageCacheName(dir / names[1]), "BM broken");
  std::vector<TDxfbmp> third;
  FakeWindow w3;
  w3.List(dir.path(), names);
  BuildListImages(w3, third, options);
  EXPECT_TRUE(third[1].imgFlag);
  EXPECT_TRUE(third[4].name == dir / "bad.dxf");
}

TEST(BuildListImages, SameResultOnOneThreadAndMany) {
  TempDir dir;
  std::vector<std::string> names;
  for (int i = 0; i < 12; ++i) {
    names.push_back("f" + std::to_string(i) + ".dxf");
    WriteFile(dir / names.back(), Header("AC1015") + Body("x"));
  }
  names.push_back("gone.dxf");
  names.push_back("p.dwg");
  WriteFile(dir / "p.dwg", FakeDwg());
  LoadOptions one;
  one.threads = 1;
  LoadOptions many;
  many.threads = 4;
  FakeWindow a, b;
  a.List(dir.path(), names);
  b.List(dir.path(), names);
  std::vector<TDxfbmp> ia, ib;
  BuildListImages(a, ia, one);
  BuildListImages(b, ib, many);
  ASSERT_EQ(ia.size(), ib.size());
  for (std::size_t i = 0; i < ia.size(); ++i) {
    EXPECT_EQ(ia[i].imgFlag, ib[i].imgFlag) << i;
    EXPECT_EQ(ia[i].bmp, ib[i].bmp) << i;
  }
  EXPECT_EQ(a.cells, b.cells);
  EXPECT_EQ(a.statusHistory, b.statusHistory);
  EXPECT_EQ(a.Cell(kColFormat, 14).substr(0, 3), u"DWG");
}

TEST(BuildListImages, AtMost2500Images) {
  TempDir dir;
  std::vector<std::string> names;
  WriteFile(dir / "one.dxf", Header("AC1015") + Body("x"));
  for (int i = 0; i < 3000; ++i) names.push_back("one.dxf");
  FakeWindow w;
  w.List(dir.path(), names);
  w.cell = QSize(8, 32);
  w.gridWidth = 80;
  std::vector<TDxfbmp> images;
  LoadOptions options;
  BuildListImages(w, images, options);
  EXPECT_EQ(images.size(), 2500u);
  EXPECT_EQ(w.gridRows, 250);
  EXPECT_EQ(w.progress.Max(), 50);
}

}  // namespace
}  // namespace vantrel
