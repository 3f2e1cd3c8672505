#include "app/Vantrel2017Unit.h"

#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <thread>
#include <system_error>

#include "app/BatchJobs.h"
#include "app/DwgConverter.h"
#include "app/FolderScan.h"
#include "app/ThumbnailGrid.h"
#include "app/VantrelUnit3.h"
#include "app/VantrelAbout.h"
#include "app/VantrelUnit2.h"
#include "app/WorkFolder.h"
#include "model/FileNames.h"
#include "model/SilentAbort.h"
#include "model/TextCodec.h"
#include "render/QtCanvas.h"
#include "render/Renderer.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

constexpr char16_t kApplicationTitle[] = u"Vantrel2023.2";
constexpr char16_t kInitialCaption[] = u"Vantrel Ver.2023.05.04";
constexpr char16_t kFolderTitle[] = u"Vantrel2023.1 [";
constexpr char16_t kWindowFont[] = u"ＭＳ Ｐゴシック";
constexpr char16_t kFixedFont[] = u"ＭＳ ゴシック";
constexpr char16_t kPathCaption[] = u"Path:";
constexpr int kTreeWidth = 183;
constexpr int kListHeight = 125;
constexpr int kInfoWidth = 135;
constexpr int kListTab = 0;
constexpr int kDetailTab = 1;
// A list build hands images to the window for at most this long at a time,
// so clicks and repaints never wait longer than about this.
constexpr std::chrono::milliseconds kHandOverSlice{20};
// The folder scan lets window events run at most this often.
constexpr std::chrono::milliseconds kScanPumpInterval{20};
constexpr int kTreePathRole = Qt::UserRole;
constexpr int kTreeDesktopRole = Qt::UserRole + 1;

QString Q(std::u16string_view s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }
std::u16string U(const QString& s) { return s.toStdU16String(); }

// Menus show captions as they are: an "&" in a folder name is not a mnemonic.
QString MenuText(std::u16string_view s) { return Q(s).replace(QLatin1Char('&'), QLatin1String("&&")); }

QByteArray PathBytes(const fs::path& p) { return QByteArray::fromStdString(p.native()); }
fs::path PathOf(const QByteArray& bytes) { return fs::path(bytes.toStdString()); }

bool IsFolder(const fs::path& p) {
  struct stat st;
  return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A folder path as the path label shows it: without a trailing separator,
// except the root itself.
fs::path WithoutTrailingSeparator(fs::path p) {
  std::string s = p.native();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

QMessageBox::Icon BoxIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Error: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

// The file list paints DWG names on cyan, so they stand out among drawings
// that open at once.
class StringGrid1DrawCell : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyledItemDelegate::paint(painter, option, index);
    if (index.column() != 0) return;
    const QString text = index.data().toString();
    if (!text.toUpper().contains(QLatin1String(".DWG"))) return;
    painter->save();
    painter->fillRect(option.rect, QColor(0, 255, 255));
    painter->setPen(Qt::black);
    painter->setFont(option.font);
    painter->drawText(option.rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
    painter->restore();
  }
};

}  // namespace

void InstallFontSubstitutes() {
  for (const char16_t* family : {kWindowFont, kFixedFont})
    if (!QFontDatabase::hasFamily(Q(family))) QFont::insertSubstitution(Q(family), QStringLiteral("IPAexGothic"));
}

void FolderTreeWidget::mousePressEvent(QMouseEvent* event) {
  choosing_ = true;
  QTreeWidget::mousePressEvent(event);
  choosing_ = false;
}

void FolderTreeWidget::keyPressEvent(QKeyEvent* event) {
  // Enter chooses nothing (it would start nothing useful in the tree).
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && state() != EditingState) return;
  choosing_ = true;
  QTreeWidget::keyPressEvent(event);
  choosing_ = false;
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (onClick) onClick();
}

DetailPicture::DetailPicture(QWidget* parent) : QWidget(parent) {
  setCursor(Qt::CrossCursor);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
}

void DetailPicture::SetPicture(QImage picture) {
  picture_ = std::move(picture);
  picture_.setDevicePixelRatio(Ratio());
  update();
}

double DetailPicture::Ratio() const { return devicePixelRatioF(); }

void DetailPicture::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (!picture_.isNull()) painter.drawImage(QPoint(0, 0), picture_);
}

void DetailPicture::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (onResize) onResize();
}

namespace {

// The picture's pixel under a logical position.
int PicturePixel(double logical, double ratio) { return static_cast<int>(std::floor(logical * ratio)); }

}  // namespace

void DetailPicture::mousePressEvent(QMouseEvent* event) { Forward(event, onPress); }

void DetailPicture::mouseMoveEvent(QMouseEvent* event) {
  const QPointF p = event->position();
  if (onMove) onMove(event->modifiers() & Qt::ShiftModifier, PicturePixel(p.x(), Ratio()), PicturePixel(p.y(), Ratio()));
}

void DetailPicture::mouseReleaseEvent(QMouseEvent* event) { Forward(event, onRelease); }

void DetailPicture::Forward(QMouseEvent* event, const std::function<void(Qt::MouseButton, bool, int, int)>& to) {
  const QPointF p = event->position();
  if (to)
    to(event->button(), event->modifiers() & Qt::ShiftModifier, PicturePixel(p.x(), Ratio()),
       PicturePixel(p.y(), Ratio()));
}

void DetailPicture::wheelEvent(QWheelEvent* event) {
  // One step per notch of a wheel (120); the finer steps of touchpads and
  // high-resolution wheels add up to notches instead of each zooming once.
  wheelRest_ += event->angleDelta().y();
  const QPointF p = event->position();
  bool handled = false;
  while (std::abs(wheelRest_) >= 120) {
    const bool up = wheelRest_ > 0;
    wheelRest_ += up ? -120 : 120;
    if (!onWheel || !onWheel(up, PicturePixel(p.x(), Ratio()), PicturePixel(p.y(), Ratio()))) {
      wheelRest_ = 0;
      break;
    }
    handled = true;
  }
  event->setAccepted(handled);
}

void DetailPicture::keyPressEvent(QKeyEvent* event) {
  if (!onKey || !onKey(event)) QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------
// Window creation

TForm1::TForm1(StartOptions options) : options_(std::move(options)) {
  if (options_.workFolder.empty()) options_.workFolder = ConverterWorkFolder();
  if (options_.home.empty()) options_.home = QDir::homePath().toStdString();
  setWindowTitle(Q(kInitialCaption));
  setWindowIcon(VantrelIcon());
  setAcceptDrops(true);
  QFont font(Q(kWindowFont));
  font.setPixelSize(12);
  setFont(font);

  detailView_ = std::make_unique<DetailView>(drawing_, view_, static_cast<ViewPicture&>(*this));
  BuildLayout();
  BuildMenus();

  const VantrelSettings settings = ReadSettings(IniFile::Load(options_.settingsFile));
  ApplySettings(settings);

  ClearPanels();
  StringGrid1->setRowCount(1);
  ShowTab(kListTab);
  SetTreeRoot(DesktopFolder());
  if (auto base = FolderAt(fs::path(BaseFolade))) SetTreeRoot(*base);
  Image1->SetPicture(QImage());
  UpdateActions();
  DrawGrid1->setFocus();
}

TForm1::~TForm1() {
  CancelListBuild();
  WaitForListImageWorkers();
}

void TForm1::BuildLayout() {
  auto* central = new QWidget(this);
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);

  Splitter1 = new QSplitter(Qt::Horizontal, central);
  Splitter1->setChildrenCollapsible(true);

  Panel1 = new QWidget(Splitter1);
  auto* treeLayout = new QVBoxLayout(Panel1);
  treeLayout->setContentsMargins(0, 0, 0, 0);
  TreeView1 = new FolderTreeWidget(Panel1);
  TreeView1->setHeaderHidden(true);
  TreeView1->setRootIsDecorated(false);
  TreeView1->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
  treeLayout->addWidget(TreeView1);

  auto* panel5 = new QWidget(Splitter1);
  auto* centreLayout = new QVBoxLayout(panel5);
  centreLayout->setContentsMargins(0, 0, 0, 0);
  Splitter3 = new QSplitter(Qt::Vertical, panel5);
  centreLayout->addWidget(Splitter3);

  auto* panel4 = new QWidget(Splitter3);
  auto* listLayout = new QVBoxLayout(panel4);
  listLayout->setContentsMargins(0, 0, 0, 0);
  listLayout->setSpacing(0);
  QFont fixed(Q(kFixedFont));
  fixed.setPixelSize(12);
  Label1 = new ClickLabel(Q(kPathCaption), panel4);
  Label1->setAutoFillBackground(true);
  QPalette white = Label1->palette();
  white.setColor(QPalette::Window, Qt::white);
  Label1->setPalette(white);
  Label1->setFont(fixed);
  Label1->setTextInteractionFlags(Qt::NoTextInteraction);
  listLayout->addWidget(Label1);
  StringGrid1 = new QTableWidget(1, 6, panel4);
  StringGrid1->setFont(fixed);
  StringGrid1->setHorizontalHeaderLabels(
      {QStringLiteral("Name"), QStringLiteral("Version"), QStringLiteral("Size"), QStringLiteral("Time"),
       QStringLiteral("..."), QStringLiteral("DWGCODEPAGE")});
  const int widths[6] = {150, 70, 70, 100, 100, 100};
  for (int c = 0; c < 6; ++c) StringGrid1->setColumnWidth(c, widths[c]);
  StringGrid1->verticalHeader()->hide();
  StringGrid1->verticalHeader()->setDefaultSectionSize(18);
  StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  StringGrid1->setWordWrap(false);
  StringGrid1->setItemDelegate(new StringGrid1DrawCell(StringGrid1));
  listLayout->addWidget(StringGrid1);

  auto* panel2 = new QWidget(Splitter3);
  auto* tabsLayout = new QVBoxLayout(panel2);
  tabsLayout->setContentsMargins(0, 0, 0, 0);
  PageControl1 = new QTabWidget(panel2);
  TabSheet1 = new QWidget;
  auto* gridLayout = new QVBoxLayout(TabSheet1);
  gridLayout->setContentsMargins(0, 0, 0, 0);
  DrawGrid1 = new DrawGrid(TabSheet1);
  DrawGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
  gridLayout->addWidget(DrawGrid1);
  TabSheet2 = new QWidget;
  auto* detailLayout = new QVBoxLayout(TabSheet2);
  detailLayout->setContentsMargins(0, 0, 0, 0);
  detailLayout->setSpacing(0);
  Label3 = new QLabel(TabSheet2);
  detailLayout->addWidget(Label3);
  Image1 = new DetailPicture(TabSheet2);
  detailLayout->addWidget(Image1, 1);
  PageControl1->addTab(TabSheet1, QStringLiteral(" 一覧"));
  PageControl1->addTab(TabSheet2, QStringLiteral(" 詳細"));
  tabsLayout->addWidget(PageControl1);
  Splitter3->setStretchFactor(1, 1);

  Panel3 = new QWidget(Splitter1);
  auto* infoLayout = new QVBoxLayout(Panel3);
  infoLayout->setContentsMargins(2, 2, 2, 2);
  infoLayout->setSpacing(2);
  SpeedButton1 = new QPushButton(QStringLiteral("モノクロ表示"), Panel3);
  SpeedButton1->setFlat(true);
  infoLayout->addWidget(SpeedButton1);
  PageControl2 = new QTabWidget(Panel3);
  auto* layerPage = new QWidget;
  auto* layerLayout = new QVBoxLayout(layerPage);
  layerLayout->setContentsMargins(0, 0, 0, 0);
  CheckListBox1 = new QListWidget(layerPage);
  CheckListBox1->setFont(fixed);
  layerLayout->addWidget(CheckListBox1);
  CheckBox1 = new QCheckBox(QStringLiteral("点滅表示"), layerPage);
  layerLayout->addWidget(CheckBox1);
  auto* stringPage = new QWidget;
  auto* stringLayout = new QVBoxLayout(stringPage);
  stringLayout->setContentsMargins(0, 0, 0, 0);
  Edit1 = new QLineEdit(stringPage);
  stringLayout->addWidget(Edit1);
  ListBox1 = new QListWidget(stringPage);
  stringLayout->addWidget(ListBox1);
  PageControl2->addTab(layerPage, QStringLiteral("画層"));
  PageControl2->addTab(stringPage, QStringLiteral("文字列"));
  infoLayout->addWidget(PageControl2, 1);
  GroupBox1 = new QGroupBox(Panel3);
  GroupBox1->setFont(fixed);
  auto* countLayout = new QVBoxLayout(GroupBox1);
  countLayout->setContentsMargins(4, 2, 2, 2);
  countLayout->setSpacing(0);
  for (QLabel*& label : CountLabels) {
    label = new QLabel(GroupBox1);
    countLayout->addWidget(label);
  }
  infoLayout->addWidget(GroupBox1);
  ComboBox1 = new QComboBox(Panel3);
  infoLayout->addWidget(ComboBox1);

  Splitter1->addWidget(Panel1);
  Splitter1->addWidget(panel5);
  Splitter1->addWidget(Panel3);
  Splitter1->setStretchFactor(1, 1);
  outer->addWidget(Splitter1, 1);

  ProgressBar1 = new QProgressBar(central);
  ProgressBar1->setFixedHeight(12);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  outer->addWidget(ProgressBar1);
  setCentralWidget(central);

  const int panelWidths[4] = {300, 200, 200, 50};
  for (int i = 0; i < 4; ++i) {
    StatusPanels[i] = new QLabel(statusBar());
    StatusPanels[i]->setFixedWidth(panelWidths[i]);
    StatusPanels[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusBar()->addWidget(StatusPanels[i]);
  }

  resize(677, 443 + menuBar()->sizeHint().height());

  // Wiring.
  Label1->onClick = [this] { Command([this] { Label1Click(); }); };
  connect(StringGrid1, &QTableWidget::currentCellChanged, this, [this](int row, int, int previousRow, int) {
    if (row != previousRow && row >= 0) Command([this] { StringGrid1Click(); });
  });
  DrawGrid1->onDrawCell = [this](QPainter& p, int c, int r, const QRect& rect, bool selected) {
    DrawGrid1DrawCell(p, c, r, rect, selected);
  };
  DrawGrid1->onSelect = [this] { Command([this] { DrawGrid1Click(); }); };
  DrawGrid1->onDoubleClick = [this] { Command([this] { DrawGrid1DblClick(); }); };
  DrawGrid1->onResize = [this] { PageControl1Resize(); };
  connect(DrawGrid1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { PopupMenu1->exec(DrawGrid1->mapToGlobal(p)); });
  Image1->onResize = [this] { TabSheet2Resize(); };
  auto button = [](Qt::MouseButton b) {
    return b == Qt::MiddleButton ? MouseButton::Middle : b == Qt::RightButton ? MouseButton::Right : MouseButton::Left;
  };
  Image1->onPress = [this, button](Qt::MouseButton b, bool shift, int x, int y) {
    if (DetailAcceptsGestures()) detailView_->Image1MouseDown(button(b), shift, x, y);
  };
  Image1->onMove = [this](bool shift, int x, int y) {
    if (DetailAcceptsGestures()) detailView_->Image1MouseMove(shift, x, y);
  };
  Image1->onRelease = [this, button](Qt::MouseButton b, bool shift, int x, int y) {
    if (DetailAcceptsGestures()) detailView_->Image1MouseUp(button(b), shift, x, y);
  };
  Image1->onWheel = [this](bool up, int x, int y) {
    if (!DetailAcceptsGestures()) return false;
    if (!detailView_->MouseWheel(up, x, y, ActiveTab() == kDetailTab)) return false;
    Image1->setFocus();
    return true;
  };
  Image1->onKey = [this](QKeyEvent* event) {
    if (!DetailAcceptsGestures()) return false;
    DetailView& v = *detailView_;
    switch (event->key()) {
      case Qt::Key_Left: v.PanByTenths(-1, 0); return true;
      case Qt::Key_Right: v.PanByTenths(1, 0); return true;
      case Qt::Key_Up: v.PanByTenths(0, 1); return true;
      case Qt::Key_Down: v.PanByTenths(0, -1); return true;
      case Qt::Key_Plus: v.ZoomAboutCentre(true); return true;
      case Qt::Key_Minus: v.ZoomAboutCentre(false); return true;
      case Qt::Key_Home: v.FitAll(); return true;
      default: return false;
    }
  };
  connect(SpeedButton1, &QPushButton::clicked, this, [this] { SpeedButton1Click(); });
  connect(CheckListBox1, &QListWidget::itemChanged, this, [this] { CheckListBox1ClickCheck(); });
  connect(CheckListBox1, &QListWidget::itemClicked, this, [this] { CheckListBox1Click(); });
  connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
  // A click on the selected string centres on it again; keys that move the
  // selection count as clicks, as they always have.
  connect(ListBox1, &QListWidget::itemClicked, this, [this] { ListBox1Click(); });
  connect(ListBox1, &QListWidget::currentRowChanged, this, [this] {
    if (QApplication::mouseButtons() == Qt::NoButton) ListBox1Click();
  });
  connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });
  connect(PageControl1, &QTabWidget::currentChanged, this, [this] { Command([this] { PageControl1Change(); }); });

  connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
    if (!node || treeEditing_ || !TreeView1->UserIsChoosing()) return;
    ShellFolder f;
    f.desktop = node->data(0, kTreeDesktopRole).toBool();
    f.path = PathOf(node->data(0, kTreePathRole).toByteArray());
    f.name = U(node->text(0));
    Command([this, f] { SelectTreeFolder(f); });
  });
  // The click comes after the selection, whose scan has run by then.
  connect(TreeView1, &QTreeWidget::itemClicked, this, [this] { ShowTab(kListTab); });
  connect(TreeView1, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* n) { TreeView1Expanding(n); });
  connect(TreeView1, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* n) { TreeView1Collapsed(n); });
  connect(TreeView1, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* n) {
    if (!treeEditing_) TreeView1Edited(n);
  });
  connect(TreeView1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { PopupMenu2->exec(TreeView1->viewport()->mapToGlobal(p)); });
}

void TForm1::BuildMenus() {
  QMenuBar* bar = menuBar();
  auto add = [this](QMenu* menu, MenuItem item, const char16_t* caption, std::function<void()> run,
                    bool checkable = false) {
    QAction* action = menu->addAction(MenuText(caption));
    action->setCheckable(checkable);
    if (run) connect(action, &QAction::triggered, this, [run] { run(); });
    MenuActions[static_cast<int>(item)] = action;
    return action;
  };
  auto later = std::function<void()>();  // a command of work still to come
  auto none = std::function<void()>();   // "取り消し": closes the menu, nothing more

  QMenu* file = bar->addMenu(QStringLiteral("ファイル"));
  add(file, MenuItem::N11, u"現フォルダを履歴に追加", [this] { N11Click(); });
  file->addSeparator();
  for (int i = 0; i < kHistoryCount; ++i)
    add(file, HistoryItem(i), u"", [this, i] { Command([this, i] { N10Click(i); }); });
  MenuActions[static_cast<int>(MenuItem::HistorySeparator)] = file->addSeparator();
  add(file, MenuItem::N12, u"現フォルダを履歴から削除", [this] { N12Click(); });
  file->addSeparator();
  add(file, MenuItem::WMF1, u"WMF/EMF・BMP作成", [this] { Command([this] { WMF1Click(); }, false); });
  file->addSeparator();
  add(file, MenuItem::N5, u"終了", [this] { close(); });

  QMenu* batch = bar->addMenu(QStringLiteral("一括処理"));
  add(batch, MenuItem::BMP1, u"一覧用イメージ作成", [this] { Command([this] { BMP1Click(); }); });
  add(batch, MenuItem::N7, u"一覧用イメージ削除", [this] { Command([this] { N7Click(); }); });
  batch->addSeparator();
  add(batch, MenuItem::DXF1, u"DXF/DWG バージョン 取得", [this] { Command([this] { DXF1Click(); }); });
  add(batch, MenuItem::DXFDwgCodePage1, u"DXF DwgCodePage 取得",
      [this] { Command([this] { DXFDwgCodePage1Click(); }); });
  batch->addSeparator();
  add(batch, MenuItem::DXFDwgCodePageANSI9321, u"DXF DwgCodePage を ANSI_932 に",
      [this] { Command([this] { DXFDwgCodePageANSI9321Click(); }); });

  QMenu* print = bar->addMenu(QStringLiteral("印刷"));
  add(print, MenuItem::N13, u"一覧を印刷", [this] { Command([this] { N13Click(); }); });
  add(print, MenuItem::N24, u"詳細を印刷", [this] { Command([this] { N24Click(); }); });
  print->addSeparator();
  add(print, MenuItem::PrintCancel, u"取り消し", none);

  // The grid's pop-up repeats the insertion commands, with its own BricsCAD
  // captions and without "取り消し".
  PopupMenu1 = new QMenu(this);
  QMenu* insert = bar->addMenu(QStringLiteral("挿入"));
  struct InsertEntry {
    MenuItem item;
    const char16_t* caption;
    const char16_t* popupCaption;
    bool separatorBefore;
    void (TForm1::*handler)(MenuItem);
  };
  const InsertEntry inserts[] = {
      {MenuItem::AutoCAD2, u"AutoCAD 2023 へブロックとして挿入", nullptr, false, &TForm1::AutoCAD2Click},
      {MenuItem::AutoCAD1, u"AutoCAD 2023 へ分解挿入", nullptr, false, &TForm1::AutoCAD1Click},
      {MenuItem::AutoCADCommandLine, u"AutoCAD へブロック挿入（コマンドライン）", nullptr, true, &TForm1::AutoCAD3Click},
      {MenuItem::BricscadBlock, u"Bricscad V23 へブロックとして挿入", u"BricsCAD V23 へブロックとして挿入", false,
       &TForm1::BricscadV131Click},
      {MenuItem::BricscadExploded, u"BricsCAD V23 へ分解挿入", u"Bricscad V23 へ分解挿入", false,
       &TForm1::BricscadV131Click},
      {MenuItem::BricscadCommandLine, u"BricsCAD へブロック挿入（コマンドライン）", nullptr, true, &TForm1::AutoCAD3Click},
      {MenuItem::IjcadBlock, u"IJCAD 2023 へブロックとして挿入", nullptr, true, &TForm1::IJCAD20231Click},
      {MenuItem::IjcadExploded, u"IJCAD 2023 へ分解挿入", nullptr, false, &TForm1::IJCAD20231Click},
      {MenuItem::IjcadCommandLine, u"IJCAD へブロック挿入（コマンドライン）", nullptr, true, &TForm1::AutoCAD3Click},
      {MenuItem::NanoBlock, u"nanoCAD 5 へブロック挿入", nullptr, true, nullptr},
      {MenuItem::NanoExploded, u"nanoCAD 5 へ分解挿入", nullptr, false, nullptr},
  };
  state_.canInsert = options_.insertion != nullptr;
  for (const InsertEntry& e : inserts) {
    if (e.separatorBefore) {
      insert->addSeparator();
      PopupMenu1->addSeparator();
    }
    // An insertion never replaces what a running command works on.
    std::function<void()> run;
    if (e.handler) run = [this, e] { Command([this, e] { (this->*e.handler)(e.item); }, false); };
    add(insert, e.item, e.caption, run);
    QAction* popup = PopupMenu1->addAction(MenuText(e.popupCaption ? e.popupCaption : e.caption));
    if (run) connect(popup, &QAction::triggered, this, run);
    popupActions_.push_back({e.item, popup});
  }
  insert->addSeparator();
  add(insert, MenuItem::InsertCancel, u"取り消し", none);

  QMenu* view = bar->addMenu(QStringLiteral("表示"));
  add(view, MenuItem::N23, u"モノクロ表示", [this] { Command([this] { N23Click(); }); }, true);
  view->addSeparator();
  add(view, MenuItem::N28, u"フォルダツリービュー非表示", [this] { N28Click(); }, true);
  add(view, MenuItem::N32, u"ファイルリスト非表示", [this] { N32Click(); }, true);
  add(view, MenuItem::N33, u"画層・文字列非表示", [this] { N33Click(); }, true);
  view->addSeparator();
  add(view, MenuItem::N43, u"ツリービューのトップを「デスクトップ」に戻す", [this] { N43Click(); });
  add(view, MenuItem::N44, u"ツリービューのトップを「現フォルダ」に", [this] { N44Click(); });
  view->addSeparator();
  add(view, MenuItem::N47, u"ツリービューのトップを「デスクトップ」に（次回起動時も）", [this] { N47Click(); });
  add(view, MenuItem::N45, u"ツリービューのトップを「現フォルダ」に（次回起動時も）", [this] { N45Click(); });
  view->addSeparator();
  add(view, MenuItem::eighaFileConverter1, u"TeighaFileConverter.exe を登録", [this] { eighaFileConverter1Click(); });
  add(view, MenuItem::TeighaFileConverter2, u"変換中 TeighaFileConverter を表示",
      [this] { TeighaFileConverter2Click(); }, true);

  QMenu* images = bar->addMenu(QStringLiteral("一覧イメージ"));
  QMenu* dwgImage = images->addMenu(QStringLiteral("DWG イメージ"));
  MenuActions[static_cast<int>(MenuItem::DwgImage)] = dwgImage->menuAction();
  add(dwgImage, MenuItem::N62, u"ハーフトーン", [this] { Command([this] { SetBltMode(0); }); });
  add(dwgImage, MenuItem::N60, u"白を強調", [this] { Command([this] { SetBltMode(1); }); });
  add(dwgImage, MenuItem::N63, u"黒を強調", [this] { Command([this] { SetBltMode(2); }); });
  QMenu* zoom = images->addMenu(QStringLiteral("DWG イメージ =拡大"));
  MenuActions[static_cast<int>(MenuItem::DwgImageZoom)] = zoom->menuAction();
  add(zoom, MenuItem::N65, u"拡大", [this] { Command([this] { SetClipFlag(true); }); });
  add(zoom, MenuItem::N66, u"そのまま", [this] { Command([this] { SetClipFlag(false); }); });
  images->addSeparator();
  QMenu* sizes = images->addMenu(QStringLiteral("一覧イメージサイズ"));
  const char16_t* sizeCaptions[4] = {u"200 x 160", u"160 x 130", u"100 x  88", u" 80 x  76"};
  for (int i = 0; i < 4; ++i) {
    const MenuItem item = kCellSizes[i].item;
    add(sizes, item, sizeCaptions[i], [this, item] { Command([this, item] { SetCellSize(item); }); }, true);
  }
  images->addSeparator();
  add(images, MenuItem::N50, u"イメージ再作成", [this] { Command([this] { N50Click(); }); });
  images->addSeparator();
  QMenu* symbols = images->addMenu(QStringLiteral("SQシンボル"));
  add(symbols, MenuItem::NEWJIS1, u"NEWJIS", [this] { NEWJIS1Click(); }, true);
  add(symbols, MenuItem::OLDJIS1, u"OLDJIS", [this] { OLDJIS1Click(); }, true);

  QMenu* help = bar->addMenu(QStringLiteral("ヘルプ"));
  add(help, MenuItem::N16, u"バージョン情報", [this] { N16Click(); });

  PopupMenu2 = new QMenu(this);
  connect(PopupMenu2->addAction(QStringLiteral("トップを「デスクトップ」に戻す")), &QAction::triggered, this,
          [this] { N43Click(); });
  connect(PopupMenu2->addAction(QStringLiteral("トップを現フォルダに")), &QAction::triggered, this,
          [this] { N44Click(); });
}

void TForm1::UpdateActions() {
  state_.detailTab = ActiveTab() == kDetailTab;
  // The list prints while the list page is shown, the drawing prints and
  // exports while the detail page is, however the page came to be shown
  // (a dropped file, a double click, a tab click).
  state_.listPrintOn = !state_.detailTab;
  state_.detailPrintOn = state_.exportOn = state_.detailTab;
  const MenuStates states = DeriveMenuStates(state_);
  for (int i = 0; i < kMenuItemCount; ++i) {
    QAction* action = MenuActions[i];
    if (!action) continue;
    const MenuItemState& s = states[i];
    action->setEnabled(s.enabled);
    action->setVisible(s.visible);
    if (action->isCheckable()) action->setChecked(s.checked);
    if (!s.caption.empty() || (i >= static_cast<int>(MenuItem::History0) &&
                               i < static_cast<int>(MenuItem::History0) + kHistoryCount))
      action->setText(MenuText(s.caption));
  }
  for (const auto& [item, action] : popupActions_) {
    const MenuItemState& s = StateOf(states, item);
    action->setEnabled(s.enabled);
    action->setVisible(s.visible);
  }
}

// ---------------------------------------------------------------------------
// Insertion into a CAD application

// The drawing shown on the detail tab; on the list tab, where the grid's
// pop-up is, the selected thumbnail's. Empty when there is none.
fs::path TForm1::InsertionPath() const {
  if (ActiveTab() == kDetailTab) return shownFile_;
  const int i = DrawGrid1->Row() * DrawGrid1->ColCount() + DrawGrid1->Col();
  return i >= 0 && i < static_cast<int>(DxfbmpAry.size()) ? DxfbmpAry[i].name : fs::path();
}

void TForm1::InsertDrawing(CadProduct product, std::optional<InsertMode> automationMode) {
  if (!options_.insertion) return;
  const StatusPanelSetter status = [this](int panel, const std::u16string& text) { SetStatusPanel(panel, text); };
  if (automationMode)
    options_.insertion->InsertThroughAutomation(product, *automationMode, InsertionPath(), Messages(), status);
  else
    options_.insertion->InsertThroughCommandLine(product, InsertionPath(), Messages(), status);
}

void TForm1::AutoCAD2Click(MenuItem) { InsertDrawing(CadProduct::AutoCad, InsertMode::Block); }
void TForm1::AutoCAD1Click(MenuItem) { InsertDrawing(CadProduct::AutoCad, InsertMode::Exploded); }

void TForm1::BricscadV131Click(MenuItem item) {
  InsertDrawing(CadProduct::BricsCad, item == MenuItem::BricscadExploded ? InsertMode::Exploded : InsertMode::Block);
}

void TForm1::IJCAD20231Click(MenuItem item) {
  InsertDrawing(CadProduct::Ijcad, item == MenuItem::IjcadExploded ? InsertMode::Exploded : InsertMode::Block);
}

void TForm1::AutoCAD3Click(MenuItem item) {
  InsertDrawing(item == MenuItem::AutoCADCommandLine    ? CadProduct::AutoCad
                : item == MenuItem::BricscadCommandLine ? CadProduct::BricsCad
                                                        : CadProduct::Ijcad,
                std::nullopt);
}

// ---------------------------------------------------------------------------
// Settings

void TForm1::ApplySettings(const VantrelSettings& s) {
  const QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry()
                                                        : QRect(0, 0, 1024, 768);
  const QSize frame = frameGeometry().size();
  move(s.Left.value_or((screen.width() - frame.width()) / 2), s.Top.value_or((screen.height() - frame.height()) / 2));
  state_.treeHidden = s.Panel1Width == 0;
  SetTreePanelWidth(s.Panel1Width);
  state_.listHidden = s.Panel4Height == 0;
  SetListPanelHeight(s.Panel4Height);
  state_.infoHidden = s.Panel3Width == 0;
  BaseFolade = s.BaseFolade;
  TeighaExePath = s.TeighaExePath;
  state_.showConverter = s.TeighaShow;
  state_.cellWidth = s.DrawGridColWidth;
  DrawGrid1->SetCellSize(QSize(s.DrawGridColWidth, s.DrawGridRowHeight));
  state_.BltMode = s.bltMode;
  state_.ClipFlag = s.clipFlag;
  state_.history.paths = s.history;
  RefreshHistoryVisibility(state_.history);
  state_.newJis = s.NEWJIS;
  state_.oldJis = s.OLDJIS;
  if (s.ShellPath) startFolder_ = *s.ShellPath;
}

VantrelSettings TForm1::CollectSettings() const {
  VantrelSettings s;
  s.Left = pos().x();
  s.Top = pos().y();
  s.ShellPath = folderChosen_ ? folder_.native() : U16ToUtf8(kPathCaption);
  s.Panel1Width = Panel1->isVisible() ? Splitter1->sizes().value(0) : 0;
  s.PageTab = ActiveTab();
  s.history = state_.history.paths;
  s.DrawGridColWidth = DrawGrid1->CellSize().width();
  s.DrawGridRowHeight = DrawGrid1->CellSize().height();
  s.BaseFolade = BaseFolade;
  s.TeighaExePath = TeighaExePath;
  s.TeighaShow = state_.showConverter;
  s.NEWJIS = state_.newJis;
  s.OLDJIS = state_.oldJis;
  s.bltMode = state_.BltMode;
  s.clipFlag = state_.ClipFlag;
  return s;
}

bool TForm1::SaveSettings() {
  IniFile ini = IniFile::Load(options_.settingsFile);
  WriteSettings(ini, CollectSettings());
  std::error_code ec;
  fs::create_directories(options_.settingsFile.parent_path(), ec);
  return ini.Save(options_.settingsFile);
}

LoadOptions TForm1::CurrentLoadOptions() const {
  LoadOptions o;
  ConverterSettings converter;
  converter.TeighaExePath = TeighaExePath;
  converter.ShowConverter = state_.showConverter;
  o.TeighaExePath = ConverterToUse(converter);
  o.ShowConverter = state_.showConverter;
  o.WorkFolder = options_.workFolder;
  o.MonoFlag = state_.MonoFlag;
  o.FitRatio = kFitRatio;
  o.BltMode = state_.BltMode;
  o.ClipFlag = state_.ClipFlag;
  o.newJisChecked = state_.newJis;
  o.oldJisChecked = state_.oldJis;
  o.threads = options_.threads;
  return o;
}

// ---------------------------------------------------------------------------
// Commands and the event pump

void TForm1::Command(std::function<void()> run, bool replacesRunning) {
  if (pumping_ > 0) {
    if (replacesRunning) abandon_ = true;
    deferred_.push_back(std::move(run));
    return;
  }
  ++commandDepth_;
  try {
    run();
  } catch (const SilentAbort&) {
  } catch (const std::exception& e) {
    Message(Utf8ToU16(e.what()), kApplicationTitle, MsgIcon::Error, MsgButtons::Ok);
  }
  --commandDepth_;
  if (commandDepth_ == 0) {
    abandon_ = false;
    UpdateActions();
    if (!deferred_.empty()) QTimer::singleShot(0, this, [this] { RunDeferredCommands(); });
  }
}

void TForm1::RunDeferredCommands() {
  if (commandDepth_ > 0) return;
  std::vector<std::function<void()>> waiting;
  waiting.swap(deferred_);
  for (auto& run : waiting) Command(std::move(run), false);
}

void TForm1::ProcessMessages() {
  ++pumping_;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  --pumping_;
  if (abandon_) throw SilentAbort{};
}

MsgResult TForm1::Message(const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                          MsgButtons buttons) {
  if (options_.messages) return options_.messages->Message(text, caption, icon, buttons);
  QMessageBox box(BoxIcon(icon), Q(caption), Q(text),
                  buttons == MsgButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, this);
  const int answer = box.exec();
  if (buttons == MsgButtons::YesNo) return answer == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
  return MsgResult::Ok;
}

int TForm1::Position() const { return ProgressBar1->value(); }
void TForm1::SetPosition(int position) {
  ProgressBar1->setValue(std::clamp(position, 0, progressMax_));
  // A load reads without letting events run; the bar still moves.
  if (!build_) ProgressBar1->repaint();
}
int TForm1::Max() const { return progressMax_; }
void TForm1::SetMax(int max) {
  progressMax_ = std::max(1, max);
  ProgressBar1->setRange(0, progressMax_);
}

// ---------------------------------------------------------------------------
// LoadWindow

int TForm1::FileRowCount() const { return StringGrid1->rowCount() + 1; }

std::u16string TForm1::FileCell(int col, int row) const {
  if (row == 0) {
    const QTableWidgetItem* header = StringGrid1->horizontalHeaderItem(col);
    return header ? U(header->text()) : std::u16string();
  }
  const QTableWidgetItem* item = StringGrid1->item(row - 1, col);
  return item ? U(item->text()) : std::u16string();
}

void TForm1::SetFileCell(int col, int row, const std::u16string& text) {
  if (row < 1 || row > StringGrid1->rowCount() || col < 0 || col >= StringGrid1->columnCount()) return;
  QTableWidgetItem* item = StringGrid1->item(row - 1, col);
  if (!item) {
    StringGrid1->setItem(row - 1, col, new QTableWidgetItem(Q(text)));
    return;
  }
  item->setText(Q(text));
}

int TForm1::CurrentFileRow() const { return std::max(0, StringGrid1->currentRow()) + 1; }

void TForm1::SetStatusPanel(int panel, const std::u16string& text) {
  if (panel < 0 || panel > 3) return;
  StatusPanels[panel]->setText(Q(text));
  // Shown before the work goes on, which may not let events run.
  if (!build_) StatusPanels[panel]->repaint();
}

QString TForm1::StatusText(int panel) const { return StatusPanels.at(panel)->text(); }

void TForm1::SetShownFileName(const std::u16string& name) { Label3->setText(Q(name)); }

// The screen's own pixels, so lines stay one pixel wide and sharp on a
// high-density screen.
QSize TForm1::DetailPictureSize() const {
  const double ratio = Image1->Ratio();
  return QSize(std::max(1, static_cast<int>(std::lround(Image1->width() * ratio))),
               std::max(1, static_cast<int>(std::lround(Image1->height() * ratio))));
}

void TForm1::SetDetailPicture(const QImage& picture) {
  pictureCanvas_.reset();
  Image1->SetPicture(picture);
  Image1->repaint();
  detailView_->CrossShown = false;
}

void TForm1::FillPanels(const PanelContents& panels) {
  {
    const QSignalBlocker quiet(CheckListBox1);
    CheckListBox1->clear();
    for (const LayerListItem& layer : panels.layers) {
      auto* item = new QListWidgetItem(Q(layer.name), CheckListBox1);
      item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
      item->setCheckState(layer.checked ? Qt::Checked : Qt::Unchecked);
      // Each layer reads in its own colour, its name in the palette colour
      // that stands out most on it.
      item->setBackground(QColor(ColorToQRgb(layer.color)));
      item->setForeground(QColor(ColorToQRgb(ContrastColor(layer.color))));
    }
  }
  {
    const QSignalBlocker quiet(ComboBox1);
    ComboBox1->clear();
    for (const std::u16string& v : panels.views) ComboBox1->addItem(Q(v));
    ComboBox1->setCurrentIndex(panels.views.empty() ? -1 : panels.viewIndex);
  }
  {
    const QSignalBlocker quietEdit(Edit1);
    Edit1->clear();
  }
  FillStringList(panels.strings, panels.stringIndex);
  for (int i = 0; i < 13; ++i) CountLabels[i]->setText(Q(panels.countLabels[i]));
}

void TForm1::FillStringList(const std::vector<StringListItem>& strings, int selected) {
  const QSignalBlocker quiet(ListBox1);
  ListBox1->clear();
  for (const StringListItem& s : strings) {
    auto* item = new QListWidgetItem(Q(s.text), ListBox1);
    item->setData(Qt::UserRole, s.tag);
  }
  if (!strings.empty()) ListBox1->setCurrentRow(selected);
}

fs::path TForm1::FilePath(int row) const {
  if (row < 1 || row > static_cast<int>(rowNames_.size())) return folder_ / "";
  return folder_ / rowNames_[row - 1];
}

QSize TForm1::GridCellSize() const { return DrawGrid1->CellSize(); }
int TForm1::GridWidth() const { return DrawGrid1->LayoutWidth(); }
void TForm1::SetGridShape(int columns, int rows) { DrawGrid1->SetShape(columns, rows); }
void TForm1::RepaintGrid() { DrawGrid1->viewport()->update(); }

void TForm1::ListImageShown(int index) {
  const int cols = std::max(1, DrawGrid1->ColCount());
  DrawGrid1->UpdateCell(index % cols, index / cols);
}

// ---------------------------------------------------------------------------
// Panels, tabs and the detail picture

int TForm1::ActiveTab() const { return PageControl1->currentIndex(); }

void TForm1::ShowTab(int index) {
  {
    const QSignalBlocker quiet(PageControl1);
    PageControl1->setCurrentIndex(index);
  }
  state_.detailTab = index == kDetailTab;
  // The list tab shown by a command rather than by the user still shows the
  // listed folder's images, not an empty grid.
  if (index == kListTab && ListFolder != folder_ && !build_ && folderChosen_)
    QTimer::singleShot(0, this, [this] {
      if (ActiveTab() == kListTab && ListFolder != folder_ && !build_) Command([this] { BuildListImagesNow(); });
    });
  if (index == kDetailTab && Image1->Picture().size() != Image1->size()) TabSheet2Resize();
}

void TForm1::SetInfoPanelWidth(int width) {
  infoWidth_ = width;
  ApplyPanelSizes();
}

void TForm1::SetTreePanelWidth(int width) {
  treeWidth_ = width;
  ApplyPanelSizes();
}

void TForm1::SetListPanelHeight(int height) {
  listHeight_ = height;
  ApplyPanelSizes();
}

void TForm1::ApplyPanelSizes() {
  // The splitters give the centre what the panels leave; before the window
  // is laid out their own sizes are not known yet, so the window's are used.
  const QList<int> across = Splitter1->sizes();
  const int width = std::max({Splitter1->width(), across.value(0) + across.value(1) + across.value(2),
                              treeWidth_ + infoWidth_ + 1});
  Panel1->setVisible(treeWidth_ > 0);
  Panel3->setVisible(infoWidth_ > 0);
  Splitter1->setSizes({treeWidth_, width - treeWidth_ - infoWidth_, infoWidth_});
  const QList<int> down = Splitter3->sizes();
  const int height = std::max({Splitter3->height(), down.value(0) + down.value(1), listHeight_ + 1});
  Splitter3->widget(0)->setVisible(listHeight_ > 0);
  Splitter3->setSizes({listHeight_, height - listHeight_});
}

void TForm1::ClearPanels() {
  Label3->clear();
  for (QLabel* label : CountLabels) label->clear();
}

void TForm1::PageControl1Change() {
  if (ActiveTab() == kListTab) {
    state_.detailTab = false;
    SetInfoPanelWidth(0);
    for (int panel : {3, 0, 1, 2}) SetStatusPanel(panel, u"");
    state_.listPrintOn = true;
    state_.detailPrintOn = false;
    state_.exportOn = false;
    // Building list images leaves the detail view's drawing alone (they
    // have drawings of their own), so it need not load again afterwards.
    if (ListFolder != folder_) BuildListImagesNow();
  } else {
    state_.detailTab = true;
    state_.listPrintOn = false;
    if (!state_.infoHidden) SetInfoPanelWidth(kInfoWidth);
    if (StringGrid1->currentRow() < 0) SelectFileRow(1);
    const int row = CurrentFileRow();
    if (row <= static_cast<int>(rowNames_.size()) && !Shows(FilePath(row))) LoadSelected(FilePath(row));
    detailView_->SetButtonMono(state_.MonoFlag != 0);
    detailView_->CrossShown = false;
    SpeedButton1->setText(state_.MonoFlag != 0 ? QStringLiteral("カラー表示") : QStringLiteral("モノクロ表示"));
    state_.detailPrintOn = true;
    state_.exportOn = true;
    if (Image1->Picture().size() != Image1->size()) TabSheet2Resize();
  }
  UpdateActions();
}

void TForm1::TabSheet2Resize() {
  if (ActiveTab() != kDetailTab || loading_) return;
  RedrawDetail();
}

void TForm1::RedrawDetail() {
  if (shows_ == DetailShows::Drawing) {
    detailView_->MonoFlag = state_.MonoFlag;
    detailView_->RedrawWithMonoFlag();
    return;
  }
  QImage picture(DetailPictureSize(), QImage::Format_RGB32);
  picture.fill(Qt::black);
  if (shows_ == DetailShows::Cross) DrawFailureCross(picture);
  SetDetailPicture(picture);
}

int TForm1::PictureWidth() const { return DetailPictureSize().width(); }
int TForm1::PictureHeight() const { return DetailPictureSize().height(); }

Canvas& TForm1::PictureCanvas() {
  if (!pictureCanvas_) {
    QImage& picture = Image1->MutablePicture();
    if (picture.size() != DetailPictureSize() || picture.format() != QImage::Format_RGB32) {
      QImage fresh(DetailPictureSize(), QImage::Format_RGB32);
      fresh.fill(Qt::black);
      if (!picture.isNull()) {
        QPainter copy(&fresh);
        copy.drawImage(QPoint(0, 0), picture);
      }
      Image1->SetPicture(std::move(fresh));
    }
    pictureCanvas_ = std::make_unique<QtCanvas>(Image1->MutablePicture());
  }
  return *pictureCanvas_;
}

void TForm1::ReplacePicture(const std::function<void(Canvas&)>& draw) {
  QImage picture(DetailPictureSize(), QImage::Format_RGB32);
  {
    QtCanvas canvas(picture);
    draw(canvas);
  }
  pictureCanvas_.reset();
  Image1->SetPicture(std::move(picture));
  Image1->repaint();
}

void TForm1::ShowPicture(bool now) {
  if (now)
    Image1->repaint();
  else
    Image1->update();
}

// The blink pauses with the window still, as it always has: five tenths of a
// second in all.
void TForm1::Pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

double TForm1::Seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool TForm1::DetailAcceptsGestures() const { return shows_ == DetailShows::Drawing && !loading_ && pumping_ == 0; }

DetailView::LayerChecks TForm1::LayerChecks() const {
  DetailView::LayerChecks items;
  for (int i = 0; i < CheckListBox1->count(); ++i) {
    const QListWidgetItem* item = CheckListBox1->item(i);
    items.emplace_back(U(item->text()), item->checkState() == Qt::Checked);
  }
  return items;
}

void TForm1::SpeedButton1Click() {
  if (!DetailAcceptsGestures()) {
    detailView_->SetButtonMono(!detailView_->ButtonMono());
  } else {
    detailView_->SpeedButton1Click();
  }
  SpeedButton1->setText(detailView_->ButtonMono() ? QStringLiteral("カラー表示") : QStringLiteral("モノクロ表示"));
}

void TForm1::N23Click() {
  state_.MonoFlag = state_.MonoFlag ? 0 : 1;
  detailView_->MonoFlag = state_.MonoFlag;
  UpdateActions();
  if (ActiveTab() == kDetailTab) {
    RedrawDetail();
  } else {
    // The list images follow the menu's mode: build them again.
    ListFolder.clear();
    PageControl1Change();
  }
}

void TForm1::CheckListBox1ClickCheck() {
  if (shows_ != DetailShows::Drawing || loading_) return;
  detailView_->CheckListBox1ClickCheck(LayerChecks());
}

void TForm1::CheckListBox1Click() {
  if (shows_ != DetailShows::Drawing || loading_) return;
  const QListWidgetItem* current = CheckListBox1->currentItem();
  std::optional<std::u16string> selected;
  if (current) selected = U(current->text());
  detailView_->CheckListBox1Click(LayerChecks(), selected, CheckBox1->isChecked());
}

void TForm1::Edit1Change() {
  FillStringList(SearchTexts(drawing_, U(Edit1->text())), 0);
}

void TForm1::ListBox1Click() {
  if (shows_ != DetailShows::Drawing || loading_) return;
  const int position = ListBox1->currentRow();
  const int tag = position >= 0 ? ListBox1->item(position)->data(Qt::UserRole).toInt() : -1;
  detailView_->ListBox1Click(position, tag);
}

void TForm1::ComboBox1Change() {
  if (shows_ != DetailShows::Drawing || loading_) return;
  detailView_->ComboBox1Change(ComboBox1->currentIndex(), U(ComboBox1->currentText()));
}

namespace {

// What tells one state of a file from another without reading it.
std::optional<std::pair<std::uint64_t, std::int64_t>> FileState(const fs::path& file) {
  struct stat st;
  if (::stat(file.c_str(), &st) != 0) return std::nullopt;
  return std::make_pair(static_cast<std::uint64_t>(st.st_size),
                        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec);
}

}  // namespace

bool TForm1::Shows(const fs::path& file) const {
  // The same name is not enough: a drawing saved again since it was loaded
  // is loaded again, so the view never shows an older state of the file.
  return shownFile_ == file && shownState_ == FileState(file);
}

void TForm1::LoadSelected(const fs::path& file) {
  shownFile_ = file;
  shownState_ = FileState(file);
  // Until the load has drawn, the picture shows nothing of this file, and a
  // resize meanwhile must not draw the half-read drawing.
  shows_ = DetailShows::Cross;
  loading_ = true;
  try {
    shows_ = LoadDrawing(*this, drawing_, view_, CurrentLoadOptions(), file) ? DetailShows::Drawing
                                                                              : DetailShows::Cross;
  } catch (...) {
    loading_ = false;
    throw;
  }
  loading_ = false;
  if (Image1->Picture().size() != Image1->size()) TabSheet2Resize();
}

void TForm1::N28Click() {
  state_.treeHidden = !state_.treeHidden;
  SetTreePanelWidth(state_.treeHidden ? 0 : kTreeWidth);
  UpdateActions();
}

void TForm1::N32Click() {
  state_.listHidden = !state_.listHidden;
  SetListPanelHeight(state_.listHidden ? 0 : kListHeight);
  UpdateActions();
}

void TForm1::N33Click() {
  state_.infoHidden = !state_.infoHidden;
  if (state_.infoHidden) {
    SetInfoPanelWidth(0);
    PageControl1Resize();
  } else if (ActiveTab() == kDetailTab) {
    SetInfoPanelWidth(kInfoWidth);
  }
  UpdateActions();
}

// ---------------------------------------------------------------------------
// The file list and the thumbnail grid

void TForm1::ClearImages() {
  shows_ = DetailShows::Nothing;
  Image1->SetPicture(QImage());
  Label3->clear();
  shownFile_.clear();
  shownState_.reset();
  CancelListBuild();
  DxfbmpAry.clear();
  ListFolder.clear();
}

void TForm1::CancelListBuild() {
  if (!build_) return;
  build_->Cancel();
  build_.reset();
  ProgressBar1->setValue(0);
}

void TForm1::SelectFileRow(int row) {
  if (row < 1 || row > StringGrid1->rowCount()) return;
  StringGrid1->setCurrentCell(row - 1, std::max(0, StringGrid1->currentColumn()));
}

void TForm1::Label1Click() {
  ClearImages();
  DrawGrid1->SetCurrent(0, 0, false);
  DrawGrid1->SetShape(1, 0);
  DeleteTempDxf(options_.workFolder);

  auto lastPump = std::chrono::steady_clock::now();
  bool anyCandidate = false;
  std::vector<FolderEntry> entries;
  if (folderChosen_)
    entries = ScanDrawingFolder(
        folder_,
        [&](int found) {
          const auto now = std::chrono::steady_clock::now();
          if (now - lastPump < kScanPumpInterval) return;
          lastPump = now;
          SetStatusPanel(0, u"DXFファイル検索中 ... " + DecimalText(found));
          ProcessMessages();
        },
        &anyCandidate);
  const int n = static_cast<int>(entries.size());
  if (anyCandidate) SetStatusPanel(0, u"DXFファイル取得数 = " + DecimalText(n));

  rowNames_.clear();
  state_.listHasDxf = false;
  {
    const QSignalBlocker quiet(StringGrid1);
    StringGrid1->clearContents();
    StringGrid1->setRowCount(std::max(1, n));
    StringGrid1->setUpdatesEnabled(false);
    for (int k = 0; k < n; ++k) {
      const FolderEntry& e = entries[k];
      rowNames_.push_back(e.name);
      state_.listHasDxf = state_.listHasDxf || UpperExtension(e.name) == ".DXF";
      const std::u16string cells[6] = {e.text, u"", SizeText(e.size), TimeText(e.time), u"", u""};
      for (int c = 0; c < 6; ++c) StringGrid1->setItem(k, c, new QTableWidgetItem(Q(cells[c])));
    }
    StringGrid1->setCurrentCell(0, 0);
    StringGrid1->setUpdatesEnabled(true);
  }
  StringGrid1->scrollToTop();
  StringGrid1->repaint();

  if (n >= 1) {
    if (ActiveTab() == kDetailTab) {
      bool openDwg = false;
      if (PendingSelect) {
        for (int k = 0; k < n; ++k)
          if (rowNames_[k] == pendingFile_) {
            const QSignalBlocker quiet(StringGrid1);
            StringGrid1->setCurrentCell(k, 0);
            openDwg = UpperExtension(pendingFile_) == ".DWG";
            break;
          }
        PendingSelect = false;
        PendingFileName.clear();
        pendingFile_.clear();
      }
      StringGrid1Click();
      // A DWG file opened by name (dropped, or given at start) is what the
      // user wants to see, although a DWG row chosen in the list only
      // selects its thumbnail.
      if (openDwg) {
        ShowTab(kDetailTab);
        if (!state_.infoHidden) SetInfoPanelWidth(kInfoWidth);
        LoadSelected(FilePath(CurrentFileRow()));
      }
    } else {
      BuildListImagesNow();
    }
  }
  RepaintGrid();
  emit folderScanned();
}

void TForm1::BuildListImagesNow() {
  CancelListBuild();
  ListFolder = folder_;
  buildStart_ = std::chrono::steady_clock::now();
  build_ = std::make_shared<ListImageBuild>(*this, DxfbmpAry, CurrentLoadOptions(), [this] {
    if (!handOverQueued_.exchange(true))
      QMetaObject::invokeMethod(this, [this] { HandOverListImages(); }, Qt::QueuedConnection);
  });
  // The grid shows the file the list has selected.
  const int index = CurrentFileRow() - 1;
  const int cols = DrawGrid1->ColCount();
  if (index >= 0 && index < static_cast<int>(DxfbmpAry.size())) {
    DrawGrid1->SetCurrent(index % cols, index / cols, false);
  }
  if (build_->Done()) {
    build_.reset();
    emit listImagesBuilt();
  }
}

void TForm1::HandOverListImages() {
  handOverQueued_ = false;
  const std::shared_ptr<ListImageBuild> build = build_;
  if (!build) return;
  const bool more = build->HandOver(kHandOverSlice);
  if (build != build_) return;  // cancelled meanwhile
  if (build->Done()) {
    build_.reset();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - buildStart_).count();
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    SetStatusPanel(3, Utf8ToU16(text));
    emit listImagesBuilt();
  } else if (more && !handOverQueued_.exchange(true)) {
    QMetaObject::invokeMethod(this, [this] { HandOverListImages(); }, Qt::QueuedConnection);
  }
}

void TForm1::StringGrid1Click() {
  const int row = CurrentFileRow();
  const std::u16string name = FileCell(kColName, row);
  const bool hasFile = !name.empty() && row <= static_cast<int>(rowNames_.size());
  const fs::path full = hasFile ? FilePath(row) : fs::path();
  if (UpperAscii(U16ToUtf8(name)).find(".DWG") != std::string::npos) ShowTab(kListTab);
  if (shownFile_ != full) {
    ClearDrawing(drawing_);
    const PanelContents empty = ComputePanels(drawing_);
    for (int i = 0; i < 13; ++i) CountLabels[i]->setText(Q(empty.countLabels[i]));
    CheckListBox1->clear();
    ListBox1->clear();
    ComboBox1->clear();
  }
  if (hasFile) {
    const auto it = std::find_if(DxfbmpAry.begin(), DxfbmpAry.end(), [&](const TDxfbmp& e) { return e.name == full; });
    const int cols = DrawGrid1->ColCount();
    if (it != DxfbmpAry.end() && cols >= 1) {
      const int index = static_cast<int>(it - DxfbmpAry.begin());
      DrawGrid1->SetCurrent(index % cols, index / cols);
    }
  }
  if (ActiveTab() == kDetailTab && hasFile && !Shows(full)) LoadSelected(full);
}

void TForm1::DrawGrid1Click() {
  const int i = DrawGrid1->Row() * DrawGrid1->ColCount() + DrawGrid1->Col();
  if (i >= 0 && i < FileRowCount() - 1) SelectFileRow(i + 1);
}

void TForm1::DrawGrid1DblClick() {
  const int i = DrawGrid1->Row() * DrawGrid1->ColCount() + DrawGrid1->Col();
  if (i >= 0 && i < static_cast<int>(DxfbmpAry.size())) {
    ShowTab(kDetailTab);
    if (!state_.infoHidden) SetInfoPanelWidth(kInfoWidth);
    if (!Shows(DxfbmpAry[i].name)) LoadSelected(DxfbmpAry[i].name);
  }
  state_.listPrintOn = false;
  state_.detailPrintOn = true;
  state_.exportOn = true;
  UpdateActions();
}

void TForm1::PageControl1Resize() {
  if (DxfbmpAry.empty()) return;
  const int cols = GridColumns(DrawGrid1->LayoutWidth(), DrawGrid1->CellSize().width());
  DrawGrid1->SetShape(cols, GridRows(static_cast<int>(DxfbmpAry.size()), cols));
}

void TForm1::DrawGrid1DrawCell(QPainter& painter, int col, int row, const QRect& rect, bool selected) {
  const int i = row * DrawGrid1->ColCount() + col;
  const TDxfbmp* entry = i >= 0 && i < static_cast<int>(DxfbmpAry.size()) ? &DxfbmpAry[i] : nullptr;
  DrawThumbnailCell(painter, rect, entry, selected, DrawGrid1->CellSize(), font());
}

void TForm1::SetCellSize(MenuItem item) {
  for (const CellSizeChoice& c : kCellSizes)
    if (c.item == item) {
      state_.cellWidth = c.width;
      DrawGrid1->SetCellSize(QSize(c.width, c.height));
    }
  UpdateActions();
  BuildListImagesNow();
}

void TForm1::SetBltMode(int mode) {
  state_.BltMode = mode;
  UpdateActions();
  BuildListImagesNow();
}

void TForm1::SetClipFlag(bool clip) {
  state_.ClipFlag = clip;
  UpdateActions();
  BuildListImagesNow();
}

void TForm1::NEWJIS1Click() {
  state_.newJis = !state_.newJis;
  UpdateActions();
}

void TForm1::OLDJIS1Click() {
  state_.oldJis = !state_.oldJis;
  UpdateActions();
}

// ---------------------------------------------------------------------------
// Batch jobs

void TForm1::FinishListBuild() {
  const std::shared_ptr<ListImageBuild> build = build_;
  if (!build) return;
  while (!build->Done() && build == build_) build->HandOver(std::chrono::milliseconds::max(), true);
  if (build == build_) HandOverListImages();
}

void TForm1::BMP1Click() {
  // The cache files hold the images as made; a build still running
  // finishes first.
  FinishListBuild();
  CreateListImageFiles(*this, DxfbmpAry);
}

void TForm1::N7Click() {
  if (folderChosen_) DeleteListImageFiles(*this, folder_);
}

void TForm1::DXF1Click() { VersionScan(*this); }

void TForm1::DXFDwgCodePage1Click() { CodePageScan(*this); }

void TForm1::DXFDwgCodePageANSI9321Click() { RewriteCodePages(*this); }

void TForm1::N50Click() {
  ShowTab(kListTab);
  N7Click();
  Label1Click();
  BMP1Click();
}

// ---------------------------------------------------------------------------
// Printing

QPrinter& TForm1::Printer() {
  if (!printer_) {
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    ChoosePrinterFor(*printer_);
  }
  return *printer_;
}

void TForm1::N13Click() {
  const int files = FileRowCount() > 1 && !FileCell(kColName, 1).empty() ? FileRowCount() - 1 : 0;
  TForm3 dialog(Printer(), true, files, this);
  dialog.onPrint = [this](TForm3& d) {
    PrinterDocument doc(Printer(), this);
    PrintContext context{*this, CurrentLoadOptions(), d.Progress(), d.PrintFlag};
    PrintAll(context, doc, d.Columns(), d.Rows(), d.ColourMode());
  };
  dialog.exec();
}

void TForm1::N24Click() {
  TForm3 dialog(Printer(), false, 0, this);
  dialog.onPrint = [this](TForm3& d) {
    PrinterDocument doc(Printer(), this);
    PrintContext context{*this, CurrentLoadOptions(), d.Progress(), d.PrintFlag};
    PrintZoom(context, doc, drawing_, view_, d.Range(), d.ColourMode(), U(Label3->text()));
  };
  dialog.exec();
}

// ---------------------------------------------------------------------------
// Folders: the path label, the tree, the history and dropped files

void TForm1::SetFolder(const fs::path& folder, bool blankInTitle) {
  folder_ = folder;
  folderChosen_ = true;
  const std::u16string caption = PathText(folder);
  Label1->setText(Q(caption));
  setWindowTitle(Q(blankInTitle ? std::u16string(kFolderTitle) + u" " + caption + u" ]"
                                : std::u16string(kFolderTitle) + caption + u"]"));
}

QTreeWidgetItem* TForm1::AddTreeNode(QTreeWidgetItem* parent, const ShellFolder& folder) {
  auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(TreeView1);
  node->setText(0, Q(folder.name));
  node->setData(0, kTreePathRole, PathBytes(folder.path));
  node->setData(0, kTreeDesktopRole, folder.desktop);
  node->setFlags(node->flags() | Qt::ItemIsEditable);
  static const QFileIconProvider icons;
  node->setIcon(0, folder.desktop ? icons.icon(QFileIconProvider::Desktop)
                                  : icons.icon(QFileInfo(QString::fromStdString(folder.path.native()))));
  node->setChildIndicatorPolicy(HasSubfolders(folder) ? QTreeWidgetItem::ShowIndicator
                                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
  return node;
}

void TForm1::SetTreeRoot(const ShellFolder& folder) {
  Edit1->clear();
  treeEditing_ = true;
  {
    const QSignalBlocker quiet(TreeView1);
    TreeView1->clear();
    rootFolder_ = folder;
    FNodeRoot = AddTreeNode(nullptr, folder);
    AddChildFolders(FNodeRoot);
    FNodeRoot->setExpanded(FNodeRoot->childCount() > 0);
  }
  treeEditing_ = false;
}

void TForm1::AddChildFolders(QTreeWidgetItem* node) {
  ShellFolder folder;
  folder.desktop = node->data(0, kTreeDesktopRole).toBool();
  folder.path = PathOf(node->data(0, kTreePathRole).toByteArray());
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const auto children = ChildFolders(folder, options_.home);
  const bool filling = treeEditing_;
  treeEditing_ = true;
  if (children)
    for (const ShellFolder& child : *children) AddTreeNode(node, child);
  treeEditing_ = filling;
  QApplication::restoreOverrideCursor();
}

void TForm1::TreeView1Expanding(QTreeWidgetItem* node) {
  if (node->childCount() == 0) AddChildFolders(node);
}

void TForm1::TreeView1Collapsed(QTreeWidgetItem* node) {
  // Collapsing forgets the children, so the next expansion shows the
  // folder as it is then.
  const bool had = node->childCount() > 0;
  const QSignalBlocker quiet(TreeView1);
  for (QTreeWidgetItem* child : node->takeChildren()) delete child;
  if (had) node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
}

void TForm1::TreeView1Edited(QTreeWidgetItem* node) {
  const fs::path old = PathOf(node->data(0, kTreePathRole).toByteArray());
  const std::u16string oldName = FolderDisplayName(old);
  const std::u16string newName = U(node->text(0));
  if (newName == oldName) return;
  std::optional<fs::path> renamed;
  if (node->parent() && !old.empty()) renamed = RenameFolder(old, newName);
  treeEditing_ = true;
  if (!renamed) {
    node->setText(0, Q(node->parent() ? oldName : rootFolder_.name));
  } else {
    // The node and everything below it now live under the new name.
    std::vector<QTreeWidgetItem*> pending{node};
    const std::string from = old.native(), to = renamed->native();
    while (!pending.empty()) {
      QTreeWidgetItem* n = pending.back();
      pending.pop_back();
      std::string p = n->data(0, kTreePathRole).toByteArray().toStdString();
      if (p.compare(0, from.size(), from) == 0) p = to + p.substr(from.size());
      n->setData(0, kTreePathRole, QByteArray::fromStdString(p));
      for (int i = 0; i < n->childCount(); ++i) pending.push_back(n->child(i));
    }
  }
  treeEditing_ = false;
}

void TForm1::SelectTreeFolder(const ShellFolder& folder) {
  SetFolder(folder.path, true);
  Label1Click();
}

void TForm1::N43Click() { SetTreeRoot(DesktopFolder()); }

void TForm1::N44Click() {
  if (!folderChosen_) return;
  if (auto f = FolderAt(folder_)) SetTreeRoot(*f);
}

void TForm1::N47Click() {
  SetTreeRoot(DesktopFolder());
  BaseFolade.clear();
}

void TForm1::N45Click() {
  if (!folderChosen_) return;
  if (auto f = FolderAt(folder_)) {
    SetTreeRoot(*f);
    std::string base = f->path.native();
    if (base.empty() || base.back() != '/') base += '/';
    BaseFolade = base;
  }
}

void TForm1::N11Click() {
  if (!folderChosen_) return;
  AddToHistory(state_.history, folder_.native());
  UpdateActions();
}

void TForm1::N12Click() {
  if (!folderChosen_) return;
  RemoveFromHistory(state_.history, folder_.native());
  UpdateActions();
}

void TForm1::N10Click(int index) {
  const fs::path folder = state_.history.paths.at(index);
  if (IsFolder(folder)) {
    SetFolder(folder, false);
    Label1Click();
  } else {
    DropVanishedHistoryItem(state_.history, index);
  }
  UpdateActions();
}

void TForm1::DropFiles(const std::vector<fs::path>& files) {
  if (files.empty()) return;
  if (files.size() != 1)
    Message(u"ファイルは1つずつドラッグしてください。", kApplicationTitle, MsgIcon::Warning, MsgButtons::Ok);
  const fs::path file = fs::absolute(files.front()).lexically_normal();
  ShowTab(kDetailTab);
  if (!state_.infoHidden) SetInfoPanelWidth(kInfoWidth);
  pendingFile_ = file.filename();
  PendingFileName = PathText(pendingFile_);
  PendingSelect = true;
  SetFolder(WithoutTrailingSeparator(file.parent_path()), false);
  Label1Click();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  std::vector<fs::path> files;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) files.emplace_back(QFile::encodeName(url.toLocalFile()).toStdString());
  if (files.empty()) return;
  event->acceptProposedAction();
  Command([this, files] { DropFiles(files); });
}

// ---------------------------------------------------------------------------
// Activation, start-up and shut-down

void TForm1::FormActivate() {
  if (ActiveTab() == kListTab)
    SetInfoPanelWidth(0);
  else if (!state_.infoHidden)
    SetInfoPanelWidth(kInfoWidth);
}

void TForm1::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  ApplyPanelSizes();
  FormActivate();
  if (options_.startOnShow && !started_) QTimer::singleShot(0, this, [this] { StartUp(); });
}

void TForm1::StartUp() {
  if (started_) return;
  started_ = true;
  // A file given on the command line (or by "Open with") is shown as if it
  // had been dropped; a folder is listed; without either the last folder
  // opens again.
  if (!options_.arguments.empty()) {
    std::string arg = options_.arguments.front();
    if (arg.rfind("file://", 0) == 0)
      arg = QFile::encodeName(QUrl(QString::fromStdString(arg)).toLocalFile()).toStdString();
    const fs::path target = fs::absolute(arg).lexically_normal();
    if (IsFolder(target)) {
      Command([this, target] {
        SetFolder(WithoutTrailingSeparator(target), false);
        Label1Click();
      });
    } else {
      Command([this, target] { DropFiles({target}); });
    }
    return;
  }
  if (IsFolder(startFolder_)) Command([this] {
      SetFolder(WithoutTrailingSeparator(startFolder_), false);
      Label1Click();
    });
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (pumping_ > 0) {
    // Closing waits until the running command has stopped at its next pump.
    abandon_ = true;
    event->ignore();
    deferred_.push_back([this] { close(); });
    return;
  }
  if (!settingsSaved_) {
    SaveSettings();
    settingsSaved_ = true;
  }
  CancelListBuild();
  DxfbmpAry.clear();
  event->accept();
}

void TForm1::eighaFileConverter1Click() {
  const QString file = QFileDialog::getOpenFileName(this, QString(), QString(),
                                                    QStringLiteral("すべてのファイル (*);;*.exe (*.exe)"));
  if (!file.isEmpty()) TeighaExePath = QFile::encodeName(file).toStdString();
}

void TForm1::TeighaFileConverter2Click() {
  state_.showConverter = !state_.showConverter;
  UpdateActions();
}

void TForm1::N16Click() { ShowAboutBox(this); }

void TForm1::WMF1Click() {
  TForm2 dialog(drawing_, view_, DetailPictureSize(), *this, this);
  dialog.exec();
}

}  // namespace vantrel
