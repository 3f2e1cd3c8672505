#include "app/VantrelUnit3.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

#include "render/QtCanvas.h"

namespace vantrel {

PrinterCaps CapsOf(const QPrinter& printer) {
  const QPageLayout layout = printer.pageLayout();
  const int dpi = printer.resolution();
  const QRect full = layout.fullRectPixels(dpi);
  const QRect paint = layout.paintRectPixels(dpi);
  const QRectF paintMm = layout.paintRect(QPageLayout::Millimeter);
  PrinterCaps caps;
  caps.HORZSIZE = static_cast<int>(std::lround(paintMm.width()));
  caps.VERTSIZE = static_cast<int>(std::lround(paintMm.height()));
  caps.HORZRES = paint.width();
  caps.VERTRES = paint.height();
  caps.PHYSICALOFFSETX = paint.left() - full.left();
  caps.PHYSICALOFFSETY = paint.top() - full.top();
  caps.PHYSICALWIDTH = full.width();
  caps.PHYSICALHEIGHT = full.height();
  return caps;
}

void ChoosePrinterFor(QPrinter& printer) {
  if (QPrinterInfo::availablePrinters().isEmpty()) printer.setOutputFormat(QPrinter::PdfFormat);
}

PrinterDocument::PrinterDocument(QPrinter& printer, QWidget* parent, bool askForFile)
    : printer_(printer), parent_(parent), askForFile_(askForFile) {}

PrinterDocument::~PrinterDocument() { End(); }

PrinterCaps PrinterDocument::Caps() const { return CapsOf(printer_); }

bool PrinterDocument::Begin() {
  // Every print to a PDF file asks for its file (the last one offered
  // first), so a second print never silently replaces the first.
  if (printer_.outputFormat() == QPrinter::PdfFormat && askForFile_) {
    const QString last = printer_.outputFileName();
    const QString file = QFileDialog::getSaveFileName(
        parent_, QString(), last.isEmpty() ? QDir::homePath() + QStringLiteral("/vantrel.pdf") : last,
        QStringLiteral("PDF (*.pdf)"));
    if (file.isEmpty()) return false;
    printer_.setOutputFileName(file);
  }
  canvas_ = std::make_unique<QtCanvas>(static_cast<QPaintDevice&>(printer_));
  return true;
}

Canvas& PrinterDocument::Page() { return *canvas_; }

void PrinterDocument::NewPage() { printer_.newPage(); }

void PrinterDocument::End() { canvas_.reset(); }

int TForm3::BarProgress::Position() const { return bar->value(); }
void TForm3::BarProgress::SetPosition(int position) { bar->setValue(std::min(position, bar->maximum())); }
int TForm3::BarProgress::Max() const { return bar->maximum(); }
void TForm3::BarProgress::SetMax(int max) { bar->setRange(0, std::max(1, max)); }

namespace {

QButtonGroup* Radios(QGroupBox* box, std::initializer_list<const char16_t*> captions, int selected) {
  auto* group = new QButtonGroup(box);
  auto* layout = new QVBoxLayout(box);
  int id = 0;
  for (const char16_t* caption : captions) {
    auto* button = new QRadioButton(QString::fromUtf16(caption), box);
    group->addButton(button, id);
    button->setChecked(id == selected);
    layout->addWidget(button);
    ++id;
  }
  return group;
}

}  // namespace

TForm3::TForm3(QPrinter& printer, bool list, int files, QWidget* parent)
    : QDialog(parent, Qt::Tool), printer_(printer), files_(files) {
  setWindowTitle(list ? QStringLiteral("一覧印刷") : QStringLiteral("詳細印刷"));
  auto* layout = new QVBoxLayout(this);

  auto* printerBox = new QGroupBox(QStringLiteral("プリンター"), this);
  auto* printerLayout = new QGridLayout(printerBox);
  Label3 = new QLabel(printerBox);
  Label5 = new QLabel(printerBox);
  Label4 = new QLabel(printerBox);
  SpeedButton1 = new QPushButton(QStringLiteral("セットアップ"), printerBox);
  printerLayout->addWidget(Label3, 0, 0, 1, 2);
  printerLayout->addWidget(Label5, 1, 0);
  printerLayout->addWidget(Label4, 1, 1);
  printerLayout->addWidget(SpeedButton1, 0, 2, 2, 1);
  layout->addWidget(printerBox);

  auto* colourBox = new QGroupBox(QStringLiteral("色"), this);
  RadioGroup1 = Radios(colourBox, {u"カラー", u"黒", u"カラー反転"}, 1);
  layout->addWidget(colourBox);

  GroupBox1 = new QGroupBox(QStringLiteral("分割"), this);
  auto* split = new QHBoxLayout(GroupBox1);
  UpDown1 = new QSpinBox(GroupBox1);
  UpDown1->setRange(1, 16);
  UpDown1->setValue(2);
  Edit2 = new QLineEdit(QStringLiteral("4"), GroupBox1);
  Edit2->setReadOnly(true);
  Edit3 = new QLineEdit(QStringLiteral("1"), GroupBox1);
  Edit3->setReadOnly(true);
  split->addWidget(new QLabel(QStringLiteral("横"), GroupBox1));
  split->addWidget(UpDown1);
  split->addWidget(new QLabel(QStringLiteral("縦"), GroupBox1));
  split->addWidget(Edit2);
  split->addWidget(new QLabel(QStringLiteral("全"), GroupBox1));
  split->addWidget(Edit3);
  split->addWidget(new QLabel(QStringLiteral("ﾍﾟｰｼﾞ"), GroupBox1));
  layout->addWidget(GroupBox1);

  RadioGroup2Box = new QGroupBox(QStringLiteral("出力範囲"), this);
  RadioGroup2 = Radios(RadioGroup2Box, {u"全体", u"現画面"}, 0);
  layout->addWidget(RadioGroup2Box);

  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setTextVisible(false);
  progress_.bar = ProgressBar1;
  layout->addWidget(ProgressBar1);
  auto* buttons = new QHBoxLayout;
  Button1 = new QPushButton(QStringLiteral("印刷"), this);
  Button2 = new QPushButton(QStringLiteral("中止"), this);
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  layout->addLayout(buttons);

  GroupBox1->setVisible(list);
  RadioGroup2Box->setVisible(!list);
  connect(UpDown1, &QSpinBox::valueChanged, this, [this] { UpDown1Click(); });
  connect(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  FormCreate();
}

int TForm3::Columns() const { return UpDown1->value(); }
int TForm3::Rows() const { return Edit2->text().toInt(); }
int TForm3::ColourMode() const { return std::max(0, RadioGroup1->checkedId()); }
int TForm3::Range() const { return std::max(0, RadioGroup2->checkedId()); }

void TForm3::FormCreate() {
  Label5->setText(printer_.pageLayout().pageSize().name());
  Label3->setText(printer_.outputFormat() == QPrinter::PdfFormat ? QStringLiteral("PDF") : printer_.printerName());
  Label4->setText(printer_.pageLayout().orientation() == QPageLayout::Landscape ? QStringLiteral("横")
                                                                                 : QStringLiteral("縦"));
  UpDown1Click();
}

void TForm3::UpDown1Click() {
  const bool landscape = printer_.pageLayout().orientation() == QPageLayout::Landscape;
  const int rows = PrintRows(Columns(), landscape);
  Edit2->setText(QString::number(rows));
  Edit3->setText(QString::number(PrintPages(files_, Columns(), rows)));
}

void TForm3::SpeedButton1Click() {
  QPrintDialog setup(&printer_, this);
  if (setup.exec() == QDialog::Accepted) FormCreate();
}

void TForm3::Button1Click() {
  Button1->setEnabled(false);
  // The print lets events run; a command that replaces it ends it there, and
  // nothing of that may pass back into the dialog's event loop.
  try {
    if (onPrint) onPrint(*this);
  } catch (...) {
  }
  done(QDialog::Accepted);
}

void TForm3::Button2Click() {
  PrintFlag = false;
  Button1->setEnabled(true);
  reject();
}

}  // namespace vantrel
