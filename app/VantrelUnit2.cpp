#include "app/VantrelUnit2.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

#include "render/QtCanvas.h"

namespace vantrel {

namespace {

// The standard colours of a colour box, in its order.
struct NamedColour {
  TColor colour;
  const char* name;
};
constexpr NamedColour kColours[] = {
    {0x000000, "黒"},       {0x000080, "マルーン"}, {0x008000, "緑"},   {0x008080, "オリーブ"},
    {0x800000, "ネイビー"}, {0x800080, "紫"},       {0x808000, "ティール"}, {0x808080, "灰色"},
    {0xC0C0C0, "銀色"},     {0x0000FF, "赤"},       {0x00FF00, "ライム"}, {0x00FFFF, "黄"},
    {0xFF0000, "青"},       {0xFF00FF, "フクシア"}, {0xFFFF00, "水色"}, {0xFFFFFF, "白"},
};

QIcon Swatch(TColor colour) {
  QPixmap swatch(16, 12);
  swatch.fill(QColor(ColorToQRgb(colour)));
  return QIcon(swatch);
}

std::optional<TForm2::SaveChoice> AskSaveFile(QWidget* parent, const QStringList& filters) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The export asks its own question, after the extension is settled.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setNameFilters(filters);
  dialog.selectNameFilter(filters.front());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  TForm2::SaveChoice choice;
  choice.file = QFile::encodeName(dialog.selectedFiles().front()).toStdString();
  choice.secondType = filters.size() > 1 && dialog.selectedNameFilter() == filters[1];
  return choice;
}

}  // namespace

int TForm2::RadioGroup::ItemIndex() const { return items->checkedId(); }

TForm2::RadioGroup TForm2::AddRadioGroup(const QString& caption, const QStringList& items) {
  RadioGroup group;
  group.box = new QGroupBox(caption, this);
  group.items = new QButtonGroup(group.box);
  auto* layout = new QVBoxLayout(group.box);
  for (int i = 0; i < items.size(); ++i) {
    auto* item = new QRadioButton(items[i], group.box);
    item->setChecked(i == 0);
    group.items->addButton(item, i);
    layout->addWidget(item);
  }
  connect(group.items, &QButtonGroup::idClicked, this, [this] { Changed(); });
  return group;
}

TForm2::TForm2(Drawing& drawing, const ViewState& view, QSize detailPicture, Reporter& reporter,
               QWidget* parent)
    : QDialog(parent),
      SaveDialog1(AskSaveFile),
      drawing_(drawing),
      view_(view),
      detailPicture_(detailPicture),
      reporter_(reporter) {
  setWindowTitle(QStringLiteral("画像保存"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

  auto* controls = new QVBoxLayout;
  RadioGroup1 = AddRadioGroup(QStringLiteral("画像"), {QStringLiteral("WMF/EMF"), QStringLiteral("BMP")});
  controls->addWidget(RadioGroup1.box);

  GroupBox1 = new QGroupBox(QStringLiteral("サイズ"), this);
  auto* sizeLayout = new QGridLayout(GroupBox1);
  RadioButton1 = new QRadioButton(QStringLiteral("現サイズ"), GroupBox1);
  RadioButton2 = new QRadioButton(QStringLiteral("指定サイズ"), GroupBox1);
  RadioButton1->setChecked(true);
  auto side = [this](QWidget* parent) {
    auto* spin = new QSpinBox(parent);
    spin->setRange(kExportSideMin, kExportSideMax);
    // Typing a number renders once, when it is complete.
    spin->setKeyboardTracking(false);
    connect(spin, &QSpinBox::valueChanged, this, [this] { Changed(); });
    return spin;
  };
  UpDown1 = side(GroupBox1);
  UpDown2 = side(GroupBox1);
  sizeLayout->addWidget(RadioButton1, 0, 0, 1, 2);
  sizeLayout->addWidget(RadioButton2, 1, 0, 1, 2);
  sizeLayout->addWidget(new QLabel(QStringLiteral("W"), GroupBox1), 2, 0);
  sizeLayout->addWidget(UpDown1, 2, 1);
  sizeLayout->addWidget(new QLabel(QStringLiteral("H"), GroupBox1), 3, 0);
  sizeLayout->addWidget(UpDown2, 3, 1);
  for (QRadioButton* b : {RadioButton1, RadioButton2})
    connect(b, &QRadioButton::toggled, this, [this](bool on) {
      if (on) Changed();
    });
  controls->addWidget(GroupBox1);

  RadioGroup3 = AddRadioGroup(QStringLiteral("色"),
                              {QStringLiteral("カラー"), QStringLiteral("白黒"), QStringLiteral("カラー反転")});
  controls->addWidget(RadioGroup3.box);

  GroupBox2 = new QGroupBox(QStringLiteral("背景色"), this);
  auto* backLayout = new QVBoxLayout(GroupBox2);
  ColorBox1 = new QComboBox(GroupBox2);
  for (const NamedColour& c : kColours)
    ColorBox1->addItem(Swatch(c.colour), QString::fromUtf8(c.name), QVariant::fromValue(c.colour));
  ColorBox1->addItem(QStringLiteral("その他..."));
  connect(ColorBox1, &QComboBox::activated, this, [this] { ColorBox1Change(); });
  CheckBox1 = new QCheckBox(QStringLiteral("なし"), GroupBox2);
  connect(CheckBox1, &QCheckBox::toggled, this, [this] { Changed(); });
  backLayout->addWidget(ColorBox1);
  backLayout->addWidget(CheckBox1);
  controls->addWidget(GroupBox2);

  RadioGroup2 = AddRadioGroup(QStringLiteral("範囲"), {QStringLiteral("現表示"), QStringLiteral("全図形")});
  controls->addWidget(RadioGroup2.box);

  GroupBox3 = new QGroupBox(QStringLiteral("ペンサイズ"), this);
  auto* penLayout = new QVBoxLayout(GroupBox3);
  UpDown3 = new QSpinBox(GroupBox3);
  UpDown3->setRange(0, kExportPenMax);
  UpDown3->setKeyboardTracking(false);
  connect(UpDown3, &QSpinBox::valueChanged, this, [this] { Changed(); });
  penLayout->addWidget(UpDown3);
  controls->addWidget(GroupBox3);

  Button1 = new QPushButton(QStringLiteral("クリップボードにコピー"), this);
  Button2 = new QPushButton(QStringLiteral("ファイルに保存"), this);
  Button1->setAutoDefault(false);
  Button2->setAutoDefault(false);
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  controls->addWidget(Button1);
  controls->addWidget(Button2);
  controls->addStretch();

  Image1 = new QLabel;
  Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  previewArea_ = new QScrollArea(this);
  previewArea_->setWidget(Image1);
  previewArea_->setWidgetResizable(false);

  // The choices keep their width; the preview takes what is left.
  auto* choices = new QWidget(this);
  choices->setLayout(controls);
  controls->setContentsMargins(0, 0, 0, 0);
  choices->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(choices);
  layout->addWidget(previewArea_, 1);
}

ExportChoices TForm2::Choices() const {
  ExportChoices c;
  c.kind = RadioGroup1.ItemIndex() == 1 ? ImageKind::Bitmap : ImageKind::Metafile;
  c.currentSize = RadioButton1->isChecked();
  c.givenSize = QSize(UpDown1->value(), UpDown2->value());
  c.colorMode = RadioGroup3.ItemIndex();
  c.background = ColorBox1->itemData(colorIndex_).value<TColor>();
  c.noBackground = CheckBox1->isChecked();
  c.range = RadioGroup2.ItemIndex() == 1 ? ExportRange::WholeDrawing : ExportRange::CurrentView;
  c.penWidth = UpDown3->value();
  return c;
}

void TForm2::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (formShown_) return;
  if (const QScreen* s = screen()) {
    const QRect area = s->availableGeometry();
    resize(std::min(area.width() * 9 / 10, sizeHint().width() + detailPicture_.width()),
           std::min(area.height() * 9 / 10, std::max(sizeHint().height(), detailPicture_.height() + 40)));
    move(area.center() - rect().center());
  }
  FormShow();
}

void TForm2::FormShow() {
  {
    const QSignalBlocker w(UpDown1), h(UpDown2);
    UpDown1->setValue(detailPicture_.width());
    UpDown2->setValue(detailPicture_.height());
  }
  formShown_ = true;
  MakeImage(MakeImageFor::Preview);
}

void TForm2::Changed() {
  if (formShown_) MakeImage(MakeImageFor::Preview);
}

void TForm2::ColorBox1Change() {
  const int index = ColorBox1->currentIndex();
  if (ColorBox1->itemData(index).isValid()) {
    colorIndex_ = index;
  } else {
    // "その他...": a colour of the user's own joins the list before it.
    const QColor chosen =
        QColorDialog::getColor(QColor(ColorToQRgb(ColorBox1->itemData(colorIndex_).value<TColor>())), this);
    if (chosen.isValid()) {
      const TColor colour = QRgbToColor(chosen.rgb());
      ColorBox1->insertItem(index, Swatch(colour), chosen.name(), QVariant::fromValue(colour));
      colorIndex_ = index;
    }
    ColorBox1->setCurrentIndex(colorIndex_);
  }
  Changed();
}

void TForm2::Button1Click() { MakeImage(MakeImageFor::Clipboard); }

void TForm2::Button2Click() {
  saveFilters_ = RadioGroup1.ItemIndex() == 1
                     ? QStringList{QStringLiteral("*.BMP (*.bmp)")}
                     : QStringList{QStringLiteral("*.WMF (*.wmf)"), QStringLiteral("*EMF (*.emf)")};
  MakeImage(MakeImageFor::File);
}

void TForm2::MakeImage(MakeImageFor sender) {
  const ExportChoices choices = Choices();
  picture_ = MakeExportPicture(drawing_, view_, detailPicture_, choices);
  shown_ = ExportBitmap(picture_);
  if (shown_.isNull()) {
    reporter_.Message(u"この大きさの画像は作れません．", u"Quolmark", MsgIcon::Error);
    return;
  }
  // The picture's pixels are the screen's own, as in the detail view.
  QPixmap preview = QPixmap::fromImage(shown_);
  preview.setDevicePixelRatio(devicePixelRatioF());
  Image1->setPixmap(preview);
  Image1->resize(preview.deviceIndependentSize().toSize());

  if (sender == MakeImageFor::Clipboard) {
    QGuiApplication::clipboard()->setMimeData(ClipboardData(picture_, shown_).release());
  } else if (sender == MakeImageFor::File && SaveDialog1) {
    const std::optional<SaveChoice> choice = SaveDialog1(this, saveFilters_);
    if (!choice) return;
    const SaveTarget target = DecideSaveTarget(choice->file, choices.kind, choice->secondType, reporter_);
    if (target.go) SaveExportPicture(picture_, target, reporter_);
  }
}

}  // namespace vantrel
