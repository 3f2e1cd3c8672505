// The main road from a file name to a drawn drawing: the detail view's load
// and the list images of a folder. Both talk to the window only through
// LoadWindow, so tests drive them with a fake window and the main window
// passes itself.
#pragma once

#include <QImage>
#include <QSize>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/AcadDxfUnit.h"
#include "model/Feedback.h"
#include "render/DetailView.h"
#include "render/Renderer.h"

namespace vantrel {

struct LoadOptions {
  // The registered converter; empty when none is.
  std::filesystem::path TeighaExePath;
  bool ShowConverter = false;
  // Where converted copies go; a folder of the program's own, never one of
  // the user's (the folder scan deletes every "*.dxf" in it).
  std::filesystem::path WorkFolder;
  int MonoFlag = 0;
  double FitRatio = 0.85;
  int BltMode = 1;
  bool ClipFlag = true;
  bool newJisChecked = true;
  bool oldJisChecked = true;
  // Worker threads of the list-image build; 0 means one per core.
  int threads = 0;
  // Bytes the block expansion of a drawing may add (PassOptions); 0 means
  // a share of the memory the machine has available.
  std::size_t expansionBudget = 0;
};

struct LayerListItem {
  std::u16string name;
  TColor color = 0;
  bool checked = true;
};

using StringListItem = TextListItem;  // tag: the index into EntTextAry

// What the information panels show after a load, in display order.
struct PanelContents {
  std::vector<LayerListItem> layers;  // sorted
  std::vector<std::u16string> views;  // sorted, "*AllView*" first or "NoView" alone
  int viewIndex = 0;
  std::vector<StringListItem> strings;  // sorted after filling
  int stringIndex = 0;
  std::array<std::u16string, 13> countLabels;  // Label17, 9, 10, 11, 12, 13, 14, 4, 5, 15, 6, 2, 7
};

inline constexpr int kCountLabelNumbers[13] = {17, 9, 10, 11, 12, 13, 14, 4, 5, 15, 6, 2, 7};
inline constexpr int kMaxListImages = 2500;

// The file list columns the load writes.
inline constexpr int kColName = 0;
inline constexpr int kColVersion = 1;
inline constexpr int kColFormat = 4;
inline constexpr int kColCodePage = 5;

class LoadWindow {
 public:
  virtual ~LoadWindow() = default;

  // The file list: row 0 is the title row.
  virtual int FileRowCount() const = 0;
  virtual std::u16string FileCell(int col, int row) const = 0;
  virtual void SetFileCell(int col, int row, const std::u16string& text) = 0;
  virtual int CurrentFileRow() const = 0;

  // Shown at once (the status bar repaints before the work goes on).
  virtual void SetStatusPanel(int panel, const std::u16string& text) = 0;
  // Label3: the file the detail view shows.
  virtual void SetShownFileName(const std::u16string& name) = 0;
  virtual QSize DetailPictureSize() const = 0;
  virtual void SetDetailPicture(const QImage& picture) = 0;
  virtual void FillPanels(const PanelContents& panels) = 0;

  // The file of a list row (1 on): the listed folder joined with the row's
  // name as the folder holds it (its bytes, whatever column 0 shows).
  virtual std::filesystem::path FilePath(int row) const = 0;
  // The grid's default column width and row height.
  virtual QSize GridCellSize() const = 0;
  virtual int GridWidth() const = 0;
  virtual void SetGridShape(int columns, int rows) = 0;
  virtual void RepaintGrid() = 0;
  // List image `index` has just been handed over (the window can show it at
  // once instead of waiting for the whole build).
  virtual void ListImageShown(int /*index*/) {}

  virtual ProgressSink& Progress() = 0;
  virtual Reporter& Messages() = 0;
  virtual EventPump& Pump() = 0;
};

struct TDxfbmp {
  QImage bmp;
  std::filesystem::path name;
  bool imgFlag = false;
};

PanelContents ComputePanels(const Drawing& d);

// "一部のみ表示" (drawn in part) with the records placed: what the file list,
// the status bar and the command-line tool say of a drawing whose block
// expansion stopped at its budget.
std::u16string DrawnInPartText(std::size_t placed);

// Black with the cyan cross of a file that could not be shown.
void DrawFailureCross(QImage& image);

// Loads one file into d, fits the window to its extents, draws the detail
// picture and fills the panels. An unexpected failure is reported and then
// ends the calling command with SilentAbort. True when the drawing was
// drawn, false when the failure cross shows instead.
bool LoadDrawing(LoadWindow& window, Drawing& d, ViewState& view, const LoadOptions& options,
                 const std::filesystem::path& FileName);

// The text DXF the reader can take for a file: the file itself, or the
// converted copy of a DWG or binary DXF (converted when there is none yet).
// Empty when there is no such file; whyNot then says why in a few words of
// English, the converter's own when it ran (a tool's output, not a message
// box).
std::filesystem::path TextDxfFor(const std::filesystem::path& file, const LoadOptions& options,
                                 EventPump& pump, Reporter& messages, std::string* whyNot = nullptr);

// One list image per listed file (at most kMaxListImages), from the cache
// file beside the drawing when there is one. Images are made on worker
// threads, each with its own drawing, and handed to the window in row order.
// Waits for the whole build, letting window events run meanwhile.
void BuildListImages(LoadWindow& window, std::vector<TDxfbmp>& DxfbmpAry,
                     const LoadOptions& options);

// The same build without waiting, for a window that must stay responsive:
// the workers call `ready` (from their own thread) whenever an image is
// made, and the window's thread then calls HandOver, which gives the window
// what is ready in row order. Destroying the build, or Cancel, stops it: the
// workers end and nothing more is written to the window or to DxfbmpAry, so
// a new scan may clear and refill both at once.
class ListImageBuild {
 public:
  ListImageBuild(LoadWindow& window, std::vector<TDxfbmp>& DxfbmpAry, const LoadOptions& options,
                 std::function<void()> ready);
  ~ListImageBuild();
  ListImageBuild(const ListImageBuild&) = delete;
  ListImageBuild& operator=(const ListImageBuild&) = delete;

  // Hands over the images that are ready, for about `budget` at most (the
  // window's events wait meanwhile). With wait, blocks for each entry until
  // it is made, letting window events run, until the build is done or
  // cancelled. True when entries that are ready remain for another call.
  bool HandOver(std::chrono::milliseconds budget, bool wait = false);
  bool Done() const { return done_; }
  void Cancel();

 private:
  class Queue;
  void Finish();

  LoadWindow& window_;
  std::vector<TDxfbmp>& DxfbmpAry_;
  std::unique_ptr<Queue> queue_;
  int count_ = 0;
  int next_ = 0;
  int step_ = 1;
  bool done_ = false;
  bool cancelled_ = false;
  bool handing_ = false;
};

// Workers of cancelled builds end on their own after their current entry;
// the program calls this before it ends so none outlives what it uses.
void WaitForListImageWorkers();

// The list image of one file as BuildListImages makes it, without a window:
// the file-list cells it would write come back as (column, text) pairs and
// the reader's messages go to messages.
struct ListImage {
  QImage bmp;
  bool imgFlag = false;
  bool failed = false;
  std::vector<std::pair<int, std::u16string>> cells;
};
ListImage MakeOneListImage(const std::filesystem::path& name, QSize size, const LoadOptions& options,
                           Reporter& messages);

}  // namespace vantrel
