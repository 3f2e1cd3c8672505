// The main window: folder tree, file list, thumbnail grid, detail picture
// and information panel, with the menus and the settings file. It wires Qt's
// events to the load sequence, the folder scan, the history and the tree
// rules, which work without it.
#pragma once

#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QTreeWidget>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CadInsertion.h"
#include "app/FolderHistory.h"
#include "app/FolderTree.h"
#include "app/LoadSequence.h"
#include "app/MenuState.h"
#include "app/Settings.h"
#include "model/AcadDxfUnit.h"
#include "model/Feedback.h"
#include "render/DetailView.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QMenu;
class QPrinter;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTableWidget;

namespace vantrel {

class DrawGrid;

// A label that reports clicks: the path label rescans its folder.
class ClickLabel : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> onClick;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// The folder tree. Only a node chosen by mouse or keys lists its folder:
// Qt also makes a node current when the tree merely gains the focus.
class FolderTreeWidget : public QTreeWidget {
 public:
  using QTreeWidget::QTreeWidget;
  bool UserIsChoosing() const { return choosing_; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool choosing_ = false;
};

// The detail picture: shows the last drawn bitmap as it is, at the screen's
// own pixels, and hands its mouse, wheel and key events on.
class DetailPicture : public QWidget {
 public:
  explicit DetailPicture(QWidget* parent = nullptr);
  const QImage& Picture() const { return picture_; }
  // The picture itself, for drawing into what is shown.
  QImage& MutablePicture() { return picture_; }
  void SetPicture(QImage picture);
  // Device pixels per logical pixel.
  double Ratio() const;
  std::function<void()> onResize;
  // Positions in the picture's pixels.
  std::function<void(Qt::MouseButton, bool shift, int x, int y)> onPress, onRelease;
  std::function<void(bool shift, int x, int y)> onMove;
  std::function<bool(bool up, int x, int y)> onWheel;
  std::function<bool(QKeyEvent*)> onKey;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Forward(QMouseEvent* event, const std::function<void(Qt::MouseButton, bool, int, int)>& to);
  QImage picture_;
  int wheelRest_ = 0;  // angle not yet turned into a step
};

class TForm1 : public QMainWindow,
               public LoadWindow,
               private Reporter,
               private ProgressSink,
               private EventPump,
               private ViewPicture {
  Q_OBJECT

 public:
  struct StartOptions {
    std::filesystem::path settingsFile;
    // The program's arguments after its name.
    std::vector<std::string> arguments;
    // Converted copies; empty: the program's own cache folder.
    std::filesystem::path workFolder;
    // The tree's home entry; empty: the user's home folder.
    std::filesystem::path home;
    // List-image workers; 0: one per core.
    int threads = 0;
    // Opens the start folder or file when first shown.
    bool startOnShow = true;
    // Where messages go instead of message boxes (tests); null: boxes.
    Reporter* messages = nullptr;
    // Inserts drawings into CAD applications; null: the insertion items
    // stay disabled.
    CadInsertion* insertion = nullptr;
  };

  explicit TForm1(StartOptions options);
  ~TForm1() override;

  // Components, by the names the program has always used.
  QWidget* Panel1 = nullptr;
  FolderTreeWidget* TreeView1 = nullptr;
  QSplitter* Splitter1 = nullptr;  // tree | centre | information panel
  QSplitter* Splitter3 = nullptr;  // file list over the tabs
  ClickLabel* Label1 = nullptr;
  QTableWidget* StringGrid1 = nullptr;
  QTabWidget* PageControl1 = nullptr;
  QWidget* TabSheet1 = nullptr;
  QWidget* TabSheet2 = nullptr;
  DrawGrid* DrawGrid1 = nullptr;
  QLabel* Label3 = nullptr;
  DetailPicture* Image1 = nullptr;
  QWidget* Panel3 = nullptr;
  QPushButton* SpeedButton1 = nullptr;
  QTabWidget* PageControl2 = nullptr;
  QListWidget* CheckListBox1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QListWidget* ListBox1 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  std::array<QLabel*, 13> CountLabels{};  // Label17, 9, 10, 11, 12, 13, 14, 4, 5, 15, 6, 2, 7
  QComboBox* ComboBox1 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  std::array<QLabel*, 4> StatusPanels{};
  QMenu* PopupMenu1 = nullptr;
  QMenu* PopupMenu2 = nullptr;
  std::array<QAction*, kMenuItemCount> MenuActions{};

  QAction* Action(MenuItem item) const { return MenuActions[static_cast<int>(item)]; }
  const MainWindowState& State() const { return state_; }
  const std::vector<TDxfbmp>& ListImages() const { return DxfbmpAry; }
  const std::filesystem::path& CurrentFolder() const { return folder_; }
  const std::filesystem::path& SettingsFile() const { return options_.settingsFile; }
  const ShellFolder& TreeRoot() const { return rootFolder_; }
  bool ListBuildRunning() const { return static_cast<bool>(build_); }
  bool Busy() const { return commandDepth_ > 0; }

  // Window events and commands.
  void FormActivate();
  void StartUp();
  void Label1Click();
  void StringGrid1Click();
  void DrawGrid1Click();
  void DrawGrid1DblClick();
  void PageControl1Change();
  void PageControl1Resize();
  void TabSheet2Resize();
  void DropFiles(const std::vector<std::filesystem::path>& files);
  void SelectTreeFolder(const ShellFolder& folder);
  void SetTreeRoot(const ShellFolder& folder);
  void N10Click(int index);  // a history item
  void N11Click();
  void N12Click();
  void N28Click();
  void N32Click();
  void N33Click();
  void N43Click();
  void N44Click();
  void N45Click();
  void N47Click();
  void N16Click();
  void WMF1Click();
  void eighaFileConverter1Click();
  void TeighaFileConverter2Click();
  void SetCellSize(MenuItem item);
  void SetBltMode(int mode);
  void SetClipFlag(bool clip);
  void NEWJIS1Click();
  void OLDJIS1Click();
  void N23Click();
  void SpeedButton1Click();
  void CheckListBox1ClickCheck();
  void CheckListBox1Click();
  void Edit1Change();
  void ListBox1Click();
  void ComboBox1Change();
  // Insertion into a CAD application; item is the menu or pop-up item chosen.
  void AutoCAD2Click(MenuItem item);
  void AutoCAD1Click(MenuItem item);
  void AutoCAD3Click(MenuItem item);
  void BricscadV131Click(MenuItem item);
  void IJCAD20231Click(MenuItem item);
  DetailView& Detail() { return *detailView_; }
  const ViewState& View() const { return view_; }
  void BuildListImagesNow();
  // Waits for a running build of list images, letting events run.
  void FinishListBuild();
  void BMP1Click();
  void N7Click();
  void DXF1Click();
  void DXFDwgCodePage1Click();
  void DXFDwgCodePageANSI9321Click();
  void N50Click();
  void N13Click();
  void N24Click();
  // The current printer, kept for the next print as the user set it up.
  QPrinter& Printer();
  // The file list: Part numbering, row 0 is the title row.
  void SelectFileRow(int row);
  // Writes the settings file now (shut-down does it too).
  bool SaveSettings();
  // Applies the derived menu states to the menus.
  void UpdateActions();
  // The status bar panel texts.
  QString StatusText(int panel) const;

  // LoadWindow
  int FileRowCount() const override;
  std::u16string FileCell(int col, int row) const override;
  void SetFileCell(int col, int row, const std::u16string& text) override;
  int CurrentFileRow() const override;
  void SetStatusPanel(int panel, const std::u16string& text) override;
  void SetShownFileName(const std::u16string& name) override;
  QSize DetailPictureSize() const override;
  void SetDetailPicture(const QImage& picture) override;
  void FillPanels(const PanelContents& panels) override;
  std::filesystem::path FilePath(int row) const override;
  QSize GridCellSize() const override;
  int GridWidth() const override;
  void SetGridShape(int columns, int rows) override;
  void RepaintGrid() override;
  void ListImageShown(int index) override;
  ProgressSink& Progress() override { return *this; }
  Reporter& Messages() override { return *this; }
  EventPump& Pump() override { return *this; }

 signals:
  // A build of list images has handed over its last image.
  void listImagesBuilt();
  // A folder scan has filled the file list.
  void folderScanned();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // Reporter, ProgressSink, EventPump
  MsgResult Message(const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                    MsgButtons buttons) override;
  int Position() const override;
  void SetPosition(int position) override;
  int Max() const override;
  void SetMax(int max) override;
  void ProcessMessages() override;
  // ViewPicture
  int PictureWidth() const override;
  int PictureHeight() const override;
  Canvas& PictureCanvas() override;
  void ReplacePicture(const std::function<void(Canvas&)>& draw) override;
  void ShowPicture(bool now) override;
  void Pause(int milliseconds) override;
  double Seconds() override;
  DetailView::LayerChecks LayerChecks() const;
  bool DetailAcceptsGestures() const;
  void FillStringList(const std::vector<StringListItem>& strings, int selected);

  void BuildLayout();
  void BuildMenus();
  void ApplySettings(const VantrelSettings& s);
  VantrelSettings CollectSettings() const;
  // Runs a user command. One that arrives while another lets window events
  // run waits until that one has ended; when it replaces what the running
  // one works on (another folder, file or tab, closing), the running one is
  // abandoned at its next event pump.
  void Command(std::function<void()> run, bool replacesRunning = true);
  void RunDeferredCommands();
  void SetFolder(const std::filesystem::path& folder, bool blankInTitle);
  void ClearImages();
  void ClearPanels();
  void CancelListBuild();
  void HandOverListImages();
  void LoadSelected(const std::filesystem::path& file);
  void ShowTab(int index);  // without the tab-change handling
  int ActiveTab() const;
  void SetInfoPanelWidth(int width);
  void SetTreePanelWidth(int width);
  void SetListPanelHeight(int height);
  void ApplyPanelSizes();
  LoadOptions CurrentLoadOptions() const;
  void DrawGrid1DrawCell(QPainter& painter, int col, int row, const QRect& rect, bool selected);
  void AddChildFolders(QTreeWidgetItem* node);
  void TreeView1Expanding(QTreeWidgetItem* node);
  void TreeView1Collapsed(QTreeWidgetItem* node);
  void TreeView1Edited(QTreeWidgetItem* node);
  QTreeWidgetItem* AddTreeNode(QTreeWidgetItem* parent, const ShellFolder& folder);
  void RedrawDetail();
  std::filesystem::path InsertionPath() const;
  // automationMode empty: through the command line.
  void InsertDrawing(CadProduct product, std::optional<InsertMode> automationMode);

  // What the detail picture shows, so a resize draws it again.
  enum class DetailShows { Nothing, Drawing, Cross };

  StartOptions options_;
  MainWindowState state_;
  std::vector<std::pair<MenuItem, QAction*>> popupActions_;  // PopupMenu1, by the items they repeat
  std::filesystem::path startFolder_;  // Shell/Path of the settings
  std::filesystem::path folder_;  // the listed folder (Label1), as bytes
  bool folderChosen_ = false;     // Label1 still shows "Path:" until then
  std::filesystem::path ListFolder;  // the folder the list images show
  std::vector<std::filesystem::path> rowNames_;  // row k's name is rowNames_[k - 1]
  std::u16string PendingFileName;
  std::filesystem::path pendingFile_;
  bool PendingSelect = false;
  // The file the detail view shows (Label3 shows its name); compared by
  // path, so two names that read alike are never taken for one file.
  std::filesystem::path shownFile_;
  std::optional<std::pair<std::uint64_t, std::int64_t>> shownState_;  // its size and time when loaded
  bool Shows(const std::filesystem::path& file) const;
  DetailShows shows_ = DetailShows::Nothing;
  bool loading_ = false;
  std::string BaseFolade;
  std::string TeighaExePath;
  ShellFolder rootFolder_;
  QTreeWidgetItem* FNodeRoot = nullptr;
  bool treeEditing_ = false;

  Drawing drawing_;
  ViewState view_;
  std::unique_ptr<DetailView> detailView_;
  // Drawn into the shown picture; made again whenever the picture changes.
  std::unique_ptr<Canvas> pictureCanvas_;
  std::unique_ptr<QPrinter> printer_;
  std::vector<TDxfbmp> DxfbmpAry;
  std::shared_ptr<ListImageBuild> build_;
  std::chrono::steady_clock::time_point buildStart_;
  std::atomic<bool> handOverQueued_{false};

  int commandDepth_ = 0;
  int pumping_ = 0;
  bool abandon_ = false;
  std::vector<std::function<void()>> deferred_;
  bool started_ = false;
  bool closing_ = false;
  bool settingsSaved_ = false;
  int progressMax_ = 100;
  int treeWidth_ = 183;
  int infoWidth_ = 0;
  int listHeight_ = 125;
};

// The window's font and the two Japanese font names of its layout, mapped
// onto a font that is installed (IPAexGothic) where they are not.
void InstallFontSubstitutes();

}  // namespace vantrel
