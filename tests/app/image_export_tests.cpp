// Guards the image export against a user's file overwritten or renamed without the question, a lost or wrong extension or format, a failed write reported as success, sizes capped that must not be, pen widths and colour modes that draw otherwise than asked, and metafiles that the readers of others cannot open.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/ImageExport.h"
#include "app/VantrelUnit2.h"
#include "model/TextCodec.h"
#include "render/PrepareDrawing.h"
#include "support/TestSupport.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;
using test::RecordingReporter;
using test::TempDir;

Drawing Read(const fs::path& file, TextEncoding encoding = TextEncoding::Ansi) {
  Drawing d;
  ProgressCounter progress;
  SilentReporter quiet;
  std::u16string status, version;
  ReadDxf(d, file, progress, quiet, encoding, status, version);
  PrepareDrawing(d, {});
  return d;
}

// A red line and a white circle on layer 0.
Drawing Small(const TempDir& dir) {
  test::WriteFile(dir / "s.dxf",
                  "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n62\n1\n10\n0\n20\n0\n11\n100\n21\n50\n"
                  "0\nCIRCLE\n8\n0\n62\n7\n10\n50\n20\n25\n40\n20\n0\nENDSEC\n0\nEOF\n");
  return Read(dir / "s.dxf");
}

ExportChoices Bitmap(int penWidth = 0) {
  ExportChoices c;
  c.kind = ImageKind::Bitmap;
  c.range = ExportRange::WholeDrawing;
  c.penWidth = penWidth;
  return c;
}

TEST(ImageExport, SaveNamesGetTheirExtensionOrAQuestion) {
  TempDir dir;
  RecordingReporter r;
  SaveTarget t = DecideSaveTarget(dir / "a", ImageKind::Bitmap, false, r);
  EXPECT_TRUE(t.go);
  EXPECT_EQ(t.file, dir / "a.bmp");
  EXPECT_TRUE(r.messages.empty());

  t = DecideSaveTarget(dir / "a.png", ImageKind::Bitmap, false, r);
  EXPECT_TRUE(t.go);
  EXPECT_EQ(t.file, dir / "a.bmp");
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].text, u"拡張子が.BMPではありません．変更しますか？ ");
  EXPECT_EQ(r.messages[0].caption, u"Quolmark.exe");
  EXPECT_EQ(r.messages[0].buttons, MsgButtons::YesNo);
  r.answer = MsgResult::No;
  EXPECT_FALSE(DecideSaveTarget(dir / "a.png", ImageKind::Bitmap, false, r).go);

  r.answer = MsgResult::Yes;
  r.messages.clear();
  t = DecideSaveTarget(dir / "m", ImageKind::Metafile, true, r);
  EXPECT_EQ(t.file, dir / "m.emf");
  EXPECT_EQ(t.format, MetafileFormat::Emf);
  t = DecideSaveTarget(dir / "m", ImageKind::Metafile, false, r);
  EXPECT_EQ(t.file, dir / "m.wmf");
  EXPECT_EQ(t.format, MetafileFormat::Wmf);
  // The name decides, whatever file type was chosen.
  t = DecideSaveTarget(dir / "m.EMF", ImageKind::Metafile, false, r);
  EXPECT_EQ(t.file, dir / "m.EMF");
  EXPECT_EQ(t.format, MetafileFormat::Emf);
  EXPECT_TRUE(r.messages.empty());
  t = DecideSaveTarget(dir / "m.v1.txt", ImageKind::Metafile, true, r);
  EXPECT_EQ(t.file, dir / "m.v1.emf");
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].text, u"拡張子が.WMF / .EMFではありません．変更しますか？ ");

  // An existing file is replaced only after Yes, and is left as it was
  // after No.
  test::WriteFile(dir / "old.bmp", "keep");
  r.messages.clear();
  r.answer = MsgResult::No;
  EXPECT_FALSE(DecideSaveTarget(dir / "old", ImageKind::Bitmap, false, r).go);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].text, u"同名のファイルが存在します．上書きしますか？ ");
  EXPECT_EQ(r.messages[0].caption, u"Quolmark");
  EXPECT_EQ(test::ReadFileBytes(dir / "old.bmp"), "keep");
  r.answer = MsgResult::Yes;
  EXPECT_TRUE(DecideSaveTarget(dir / "old", ImageKind::Bitmap, false, r).go);
}

TEST(ImageExport, CurrentSizeIsNotCappedAndPenZeroDrawsAsPenOne) {
  TempDir dir;
  Drawing d = Small(dir);
  ExportChoices c = Bitmap();
  c.currentSize = true;
  const ExportPicture big = MakeExportPicture(d, ViewState{}, QSize(1500, 1100), c);
  EXPECT_EQ(big.bitmap.size(), QSize(1500, 1100));
  EXPECT_EQ(big.drawn, 2);
  c.currentSize = false;
  c.givenSize = QSize(300, 200);
  EXPECT_EQ(MakeExportPicture(d, ViewState{}, QSize(1500, 1100), c).bitmap.size(), QSize(300, 200));

  EXPECT_EQ(MakeExportPicture(d, ViewState{}, QSize(300, 200), Bitmap(0)).bitmap,
            MakeExportPicture(d, ViewState{}, QSize(300, 200), Bitmap(1)).bitmap);
  ExportChoices m0 = Bitmap(0), m1 = Bitmap(1);
  m0.kind = m1.kind = ImageKind::Metafile;
  for (MetafileFormat f : {MetafileFormat::Emf, MetafileFormat::Wmf})
    EXPECT_EQ(MetafileBytes(MakeExportPicture(d, ViewState{}, QSize(300, 200), m0), f),
              MetafileBytes(MakeExportPicture(d, ViewState{}, QSize(300, 200), m1), f));
}

TEST(ImageExport, MonochromeDrawsInTheBackgroundsComplementAndTheWholeDrawingIgnoresTheView) {
  TempDir dir;
  Drawing d = Small(dir);
  for (TColor back : {clWhite, clBlack}) {
    for (ImageKind kind : {ImageKind::Bitmap, ImageKind::Metafile}) {
      ExportChoices c = Bitmap();
      c.kind = kind;
      c.colorMode = 1;
      c.background = back;
      const QImage shown = ExportBitmap(MakeExportPicture(d, ViewState{}, QSize(200, 200), c));
      const QRgb paper = back == clWhite ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
      const QRgb ink = back == clWhite ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
      int inked = 0;
      for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
          const QRgb p = shown.pixel(x, y);
          ASSERT_TRUE(p == paper || p == ink) << std::hex << p;
          inked += p == ink;
        }
      EXPECT_GT(inked, 200);
    }
  }
  // "全図形" fits the extents whatever the detail view shows.
  ViewState zoomed{TAcadPoint{90, 40, 0}, 5, 5};
  ExportChoices whole = Bitmap();
  ExportChoices current = whole;
  current.range = ExportRange::CurrentView;
  const QSize size(200, 150);
  EXPECT_EQ(MakeExportPicture(d, zoomed, size, whole).bitmap, MakeExportPicture(d, FitToExtents(d), size, current).bitmap);
  EXPECT_NE(MakeExportPicture(d, zoomed, size, current).bitmap, MakeExportPicture(d, zoomed, size, whole).bitmap);
}

// Runs a converter; its output, empty when it failed.
std::string Convert(const std::string& command, const fs::path& out) {
  if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) return {};
  return test::ReadFileBytes(out);
}

bool Installed(const char* program) {
  return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(ImageExport, ReadersOfOthersOpenTheJapaneseSampleAsEmfAndWmf) {
  TempDir dir;
  Drawing d = Read(test::SourceDir() / "samples" / "japanese-sjis-r2004.dxf");
  ExportChoices c;
  c.range = ExportRange::WholeDrawing;
  c.background = clWhite;
  c.givenSize = QSize(800, 600);
  c.currentSize = false;
  const ExportPicture picture = MakeExportPicture(d, ViewState{}, {}, c);
  ASSERT_GT(picture.drawn, 40);
  RecordingReporter r;
  for (const char* name : {"j.emf", "j.wmf"}) {
    const SaveTarget target = DecideSaveTarget(dir / name, ImageKind::Metafile, false, r);
    ASSERT_TRUE(SaveExportPicture(picture, target, r));
  }
  EXPECT_TRUE(r.messages.empty());

  if (!Installed("emf2svg-conv") && !Installed("wmf2svg")) GTEST_SKIP() << "no emf2svg-conv or wmf2svg";
  if (Installed("emf2svg-conv")) {
    const std::string svg = Convert("emf2svg-conv -i " + (dir / "j.emf").string() + " -o " + (dir / "e.svg").string(),
                                    dir / "e.svg");
    EXPECT_NE(svg.find("株式会社サンプル設計"), std::string::npos);
    EXPECT_NE(svg.find("居間"), std::string::npos);
    EXPECT_GT(std::count(svg.begin(), svg.end(), '\n'), 50);
  }
  if (Installed("wmf2svg")) {
    // libwmf passes the code page 932 bytes through as they are.
    const std::string svg = Convert("wmf2svg -o " + (dir / "w.svg").string() + " " + (dir / "j.wmf").string(),
                                    dir / "w.svg");
    EXPECT_NE(svg.find(EncodeText(u"株式会社サンプル設計", TextEncoding::Ansi)), std::string::npos);
    EXPECT_NE(svg.find("<line"), std::string::npos);
  }
}

TEST(ImageExport, DialogPreviewsCopiesAndSavesWithItsQuestions) {
  TempDir dir;
  Drawing d = Small(dir);
  const ViewState view = FitToExtents(d);
  RecordingReporter r;
  TForm2 dialog(d, view, QSize(1100, 700), r);
  dialog.SaveDialog1 = [&](QWidget*, const QStringList& filters) {
    EXPECT_EQ(filters.front(), QStringLiteral("*.BMP (*.bmp)"));
    return std::optional<TForm2::SaveChoice>(TForm2::SaveChoice{dir / "x.png", false});
  };
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_EQ(dialog.Shown().size(), QSize(1100, 700));
  EXPECT_EQ(dialog.UpDown1->value(), 1024);
  EXPECT_EQ(dialog.UpDown2->value(), 700);

  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(clip, nullptr);
  EXPECT_TRUE(clip->hasImage());
  EXPECT_EQ(clip->data(QStringLiteral("image/x-emf")).mid(40, 4), QByteArray(" EMF"));

  dialog.RadioGroup1.items->button(1)->click();
  QTest::mouseClick(dialog.Button2, Qt::LeftButton);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].caption, u"Quolmark.exe");
  EXPECT_EQ(QImage(QString::fromStdString((dir / "x.bmp").string())).size(), QSize(1100, 700));
  EXPECT_FALSE(fs::exists(dir / "x.png"));

  // A folder that is not there: the failure is said, not passed over.
  dialog.SaveDialog1 = [&](QWidget*, const QStringList&) {
    return std::optional<TForm2::SaveChoice>(TForm2::SaveChoice{dir / "none" / "y.bmp", false});
  };
  QTest::mouseClick(dialog.Button2, Qt::LeftButton);
  ASSERT_EQ(r.messages.size(), 2u);
  EXPECT_EQ(r.messages[1].icon, MsgIcon::Error);
}

}  // namespace
}  // namespace vantrel
