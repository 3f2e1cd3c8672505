#include "app/LoadSequence.h"

#include <QElapsedTimer>
#include <QPainter>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "app/DwgConverter.h"
#include "app/DwgListImage.h"
#include "app/ListImageCache.h"
#include "app/WorkFolder.h"
#include "model/DxfReader.h"
#include "model/FileNames.h"
#include "model/FileProbes.h"
#include "model/SilentAbort.h"
#include "model/TextCodec.h"
#include "render/Pens.h"
#include "render/PrepareDrawing.h"
#include "render/QtCanvas.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

std::u16string LoadErrorText(const fs::path& file) {
  return PathText(file) + u"\r" + u" 読み込みエラーです";
}

void DrawFitted(Drawing& d, const ViewState& w, QImage& image, const LoadOptions& options) {
  QtCanvas canvas(image);
  ClearCanvas(canvas, image.width(), image.height(), clBlack);
  DrawDxf(d, u"", w.ViewCenter, clBlack, w.ViewWidth, w.ViewHeight, 1, canvas,
          PixelPoint{image.width() / 2, image.height() / 2}, image.width(), image.height(),
          options.FitRatio, options.MonoFlag, true, false);
}

bool ConverterUsable(const LoadOptions& options) {
  std::error_code ec;
  return !options.TeighaExePath.empty() && fs::exists(options.TeighaExePath, ec);
}

// The converted copy of a DWG or binary DXF file as it is now, made when
// there is none yet (a second view reuses it until the file changes or the
// folder scan clears the work folder). Empty when the file cannot be looked
// at; otherwise a path that exists only when the conversion worked.
fs::path ConvertedCopy(const LoadOptions& options, const fs::path& file, EventPump& pump,
                       Reporter& messages, std::string* whyNot = nullptr) {
  const fs::path copy = TempDxfPath(options.WorkFolder, file);
  if (copy.empty()) return {};
  std::error_code ec;
  if (!fs::exists(copy, ec) && EnsureWorkFolder(options.WorkFolder) && EnsureWorkFolder(copy.parent_path()))
    DwgToDxf(options.TeighaExePath, file, copy.parent_path(), pump, messages, options.ShowConverter, {},
             whyNot);
  KeepCopyDropUnused(options.WorkFolder, copy);
  return copy;
}

fs::path Convert(LoadWindow& window, const LoadOptions& options, const fs::path& file,
                 const std::u16string& statusText) {
  window.SetStatusPanel(0, statusText);
  fs::path copy = ConvertedCopy(options, file, window.Pump(), window.Messages());
  window.SetStatusPanel(0, u"");
  return copy;
}

// Column 4 keeps what the reader said of the file, followed by the notice.
std::u16string FormatCell(const std::u16string& status, const PassOutcome& outcome) {
  if (!outcome.drawnInPart) return status;
  const std::u16string notice = DrawnInPartText(outcome.placed);
  return status.empty() ? notice : status + u" " + notice;
}

PassOptions PassesOf(const LoadOptions& options) {
  PassOptions passes;
  passes.expansionBudget = options.expansionBudget;
  return passes;
}

}  // namespace

std::u16string DrawnInPartText(std::size_t placed) {
  return u"一部のみ表示 (" + DecimalText(static_cast<long long>(placed)) + u")";
}

PanelContents ComputePanels(const Drawing& d) {
  PanelContents p;
  for (const TLayer& layer : d.LayerAry)
    p.layers.push_back({layer.Name, AciToColor(layer.color < 0 ? -layer.color : layer.color), true});
  std::stable_sort(p.layers.begin(), p.layers.end(),
                   [](const LayerListItem& a, const LayerListItem& b) { return ListOrder(a.name, b.name); });
  for (LayerListItem& item : p.layers) item.checked = LayerVisible(d, item.name);

  p.views.push_back(u"*AllView*");
  for (const TViewTbl& view : d.ViewAry)
    if (view.code70 == 0) p.views.push_back(view.name);
  std::stable_sort(p.views.begin(), p.views.end(), ListOrder);
  if (p.views.size() == 1) p.views[0] = u"NoView";
  p.viewIndex = 0;

  for (std::size_t i = 0; i < d.EntTextAry.size(); ++i)
    if (d.EntTextAry[i].code70 == 0) p.strings.push_back({d.EntTextAry[i].str, static_cast<int>(i)});
  // The first item is selected before the list turns sorted, and it stays
  // the selected one.
  std::optional<StringListItem> first;
  if (!p.strings.empty()) first = p.strings.front();
  std::stable_sort(p.strings.begin(), p.strings.end(),
                   [](const StringListItem& a, const StringListItem& b) { return ListOrder(a.text, b.text); });
  p.stringIndex = 0;
  if (first) {
    for (std::size_t i = 0; i < p.strings.size(); ++i)
      if (p.strings[i].tag == first->tag) p.stringIndex = static_cast<int>(i);
  }

  const std::pair<const char16_t*, std::size_t> counts[13] = {
      {u"Layer : ", d.LayerAry.size()},      {u"Line : ", d.EntLineAry.size()},
      {u"Polyline : ", d.EntLwpAry.size()},  {u"Circle : ", d.EntCircleAry.size()},
      {u"Arc : ", d.EntArcAry.size()},       {u"Text : ", d.EntTextAry.size()},
      {u"Insert : ", d.EntInsertAry.size()}, {u"3DFace : ", d.EntFaceAry.size()},
      {u"Ellipse : ", d.EntEllipseAry.size()}, {u"Block : ", d.BlockAry.size()},
      {u"View : ", d.ViewAry.size()},        {u"Dimension : ", d.DimensionAry.size()},
      {u"Leader : ", d.LeaderAry.size()},
  };
  for (int i = 0; i < 13; ++i)
    p.countLabels[i] = counts[i].first + DecimalText(static_cast<long long>(counts[i].second));
  return p;
}

void DrawFailureCross(QImage& image) {
  QtCanvas canvas(image);
  const int w = image.width(), h = image.height();
  ClearCanvas(canvas, w, h, clBlack);
  canvas.SetPenColor(0xFFFF00);  // cyan, 0x00BBGGRR
  canvas.MoveTo(w / 3, h / 3);
  canvas.LineTo(2 * (w / 3) - 1, 2 * (h / 3) - 1);
  canvas.MoveTo(2 * (w / 3) - 1, h / 3);
  canvas.LineTo(w / 3, 2 * (h / 3) - 1);
}

bool LoadDrawing(LoadWindow& window, Drawing& d, ViewState& view, const LoadOptions& options,
                 const fs::path& FileName) {
  const QSize size = window.DetailPictureSize();
  auto showCross = [&] {
    QImage cross(std::max(1, size.width()), std::max(1, size.height()), QImage::Format_RGB32);
    DrawFailureCross(cross);
    window.SetDetailPicture(cross);
  };
  try {
    window.SetShownFileName(PathText(FileName.filename()));
    std::string ext = UpperExtension(FileName);
    fs::path workFile = FileName;
    const int row = window.CurrentFileRow();
    bool dwg = false;
    bool binary = false;
    std::u16string head;
    std::error_code ec;

    if (ext == ".DWG" && fs::exists(FileName, ec) && ReadFileSignature(FileName, head)) {
      dwg = true;
      window.SetFileCell(kColVersion, row, DwgVersionLabel(head) + u" DWG");
      window.SetFileCell(kColFormat, row, u"DWG");
      if (ConverterUsable(options)) {
        workFile = Convert(window, options, FileName, u"DWG->DXF変換中 ... ");
        ext = ".DXF";
      }
    }

    bool drawn = false;
    if (fs::exists(workFile, ec) && ext == ".DXF") {
      if (ReadFileSignature(workFile, head) && IsForeignHead(head)) {
        binary = true;
        window.SetFileCell(kColVersion, row, DxfVersionLabel(head) + u" DXF");
        window.SetFileCell(kColFormat, row, u"BinaryDXF");
        if (ConverterUsable(options)) {
          workFile = Convert(window, options, FileName, u"DXF->DXF 変換中 ... ");
        }
      }
      QElapsedTimer stopwatch;
      stopwatch.start();
      std::u16string version;
      // A binary file without a converted copy stays unreadable: its probe
      // would find no header and the reader nothing but noise.
      const bool readable = !binary || workFile != FileName;
      if (readable && fs::exists(workFile, ec) && ReadAcadVer(workFile, version)) {
        if (!dwg && !binary) window.SetFileCell(kColVersion, row, DxfVersionLabel(version) + u" DXF");
        std::u16string status, readVersion;
        ReadDxf(d, workFile, window.Progress(), window.Messages(), EncodingForVersion(version), status,
                readVersion);
        if (!status.empty()) window.SetFileCell(kColFormat, row, status);
        window.SetFileCell(kColCodePage, row, d.DwgCodePage);
        window.FillPanels(ComputePanels(d));

        const PassOutcome outcome = PrepareDrawing(d, PassesOf(options));
        if (outcome.drawnInPart) {
          window.SetFileCell(kColFormat, row, FormatCell(status, outcome));
          window.SetStatusPanel(0, DrawnInPartText(outcome.placed));
        }

        view = FitToExtents(d);
        QImage picture(std::max(1, size.width()), std::max(1, size.height()), QImage::Format_RGB32);
        DrawFitted(d, view, picture, options);
        window.SetDetailPicture(picture);
        window.Pump().ProcessMessages();
        char elapsed[32];
        std::snprintf(elapsed, sizeof elapsed, "%.2f", stopwatch.elapsed() / 1000.0);
        window.SetStatusPanel(3, Utf8ToU16(elapsed));
        drawn = true;
      }
    }
    if (!drawn) showCross();
    return drawn;
  } catch (const SilentAbort&) {
    throw;
  } catch (...) {
    showCross();
    window.Messages().Message(LoadErrorText(FileName), u"情報", MsgIcon::Information, MsgButtons::Ok);
    window.Progress().SetPosition(0);
    throw SilentAbort();
  }
}

fs::path TextDxfFor(const fs::path& file, const LoadOptions& options, EventPump& pump,
                    Reporter& messages, std::string* whyNot) {
  const auto none = [&](std::string why) {
    if (whyNot) *whyNot = std::move(why);
    return fs::path();
  };
  if (whyNot) whyNot->clear();
  std::error_code ec;
  std::u16string head;
  if (!fs::is_regular_file(file, ec) || !ReadFileSignature(file, head)) return none("cannot be read");
  const std::string ext = UpperExtension(file);
  const bool foreign = ext == ".DWG" || (ext == ".DXF" && IsForeignHead(head));
  if (!foreign) return ext == ".DXF" ? file : none("neither a DXF nor a DWG file");
  if (!ConverterUsable(options))
    return none(options.TeighaExePath.empty() ? "no converter is installed"
                                              : options.TeighaExePath.string() + ": no such converter");
  std::string why;
  const fs::path copy = ConvertedCopy(options, file, pump, messages, &why);
  if (fs::exists(copy, ec)) return copy;
  return none(why.empty() ? "the converter wrote no DXF file" : why);
}

namespace {

// A reporter that keeps what a worker's read would have shown, so the
// window can show it in row order.
class DeferredReporter : public Reporter {
 public:
  MsgResult Message(const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                    MsgButtons buttons) override {
    messages.push_back({text, caption, icon, buttons});
    return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Ok;
  }
  struct Entry {
    std::u16string text, caption;
    MsgIcon icon;
    MsgButtons buttons;
  };
  std::vector<Entry> messages;
};

struct ListImageOutcome {
  bool cached = false;
  bool failed = false;  // the failure message of the entry is due
  QImage bmp;
  bool imgFlag = false;
  std::vector<std::pair<int, std::u16string>> cells;
  DeferredReporter reader;
  bool pumpAfter = false;  // a DWG image: let window events run, as after drawing
};

// Everything of one list image that needs no window; runs on any thread.
// The reader's progress of a worker: it goes nowhere, but it is where a
// cancelled build stops reading a big drawing instead of finishing it.
class StopAwareProgress : public ProgressCounter {
 public:
  explicit StopAwareProgress(const std::atomic<bool>* stop) : stop_(stop) {}
  void SetPosition(int position) override {
    if (stop_ && *stop_) throw SilentAbort{};
    ProgressCounter::SetPosition(position);
  }

 private:
  const std::atomic<bool>* stop_;
};

ListImageOutcome MakeListImageUnguarded(const fs::path& name, QSize size, const LoadOptions& options,
                                        const std::atomic<bool>* stop) {
  ListImageOutcome out;
  out.bmp = QImage(std::max(1, size.width()), std::max(1, size.height()), QImage::Format_RGB32);
  out.bmp.fill(Qt::black);
  const std::string ext = UpperExtension(name);
  const fs::path cache = ListImageCacheName(name);
  std::error_code ec;
  if (fs::exists(cache, ec)) {
    QImage loaded;
    // A cache file that does not load is passed over and the image made
    // afresh, rather than ending the whole build without a word.
    if (LoadListImageCache(cache, loaded)) {
      out.cached = true;
      out.bmp = loaded;
      out.imgFlag = true;
      out.cells = {{kColVersion, u"-"}, {kColCodePage, u"-"}};
      return out;
    }
  }
  std::u16string head;
  if (!ReadFileSignature(name, head)) return out;
  try {
    if (ext == ".DXF") {
      std::u16string version;
      if (IsForeignHead(head)) {
        out.cells = {{kColVersion, DxfVersionLabel(head)}, {kColFormat, u"BinaryDXF"}};
      } else if (ReadAcadVer(name, version)) {
        Drawing d;
        StopAwareProgress progress(stop);
        std::u16string status, readVersion;
        ReadDxf(d, name, progress, out.reader, EncodingForVersion(version), status, readVersion);
        out.cells = {{kColVersion, DxfVersionLabel(version)}, {kColFormat, status}};
        PassOptions passes = PassesOf(options);
        passes.symbolLayerSwitch = true;
        passes.newJisChecked = options.newJisChecked;
        passes.oldJisChecked = options.oldJisChecked;
        const PassOutcome outcome = PrepareDrawing(d, passes);
        if (outcome.drawnInPart) out.cells.push_back({kColFormat, FormatCell(status, outcome)});
        DrawFitted(d, FitToExtents(d), out.bmp, options);
        out.imgFlag = true;
      }
    } else if (ext == ".DWG") {
      out.cells = {{kColVersion, DwgVersionLabel(head)}, {kColFormat, u"DWG"}};
      QImage work(out.bmp.size(), QImage::Format_RGB32);
      int w = 0, h = 0;
      if (MakeDwgImage(name, work, clBlack, options.BltMode, w, h, options.ClipFlag)) {
        out.cells.push_back({kColFormat, u"DWG (" + DecimalText(w) + u"x" + DecimalText(h) + u")"});
        out.bmp = work;
        out.imgFlag = true;
        out.pumpAfter = true;
      } else {
        out.imgFlag = false;
      }
    }
  } catch (...) {
    DrawFailureCross(out.bmp);
    out.failed = true;
  }
  return out;
}

// Workers must not let anything escape: an exception leaving a thread ends
// the program. What the entry's own handler does not catch (a failed
// allocation, say) still becomes the entry's failure.
ListImageOutcome MakeListImage(const fs::path& name, QSize size, const LoadOptions& options,
                               const std::atomic<bool>* stop = nullptr) {
  try {
    return MakeListImageUnguarded(name, size, options, stop);
  } catch (...) {
    ListImageOutcome out;
    out.failed = true;
    return out;
  }
}

int WorkerCount(const LoadOptions& options, int jobs) {
  int n = options.threads > 0 ? options.threads : static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(n, 1, std::max(1, jobs));
}

// Workers of builds that were cancelled finish their entry on their own; the
// program waits for them before it ends (WaitForListImageWorkers).
std::mutex workersMutex;
std::condition_variable workersDone;
int liveWorkers = 0;

}  // namespace

void WaitForListImageWorkers() {
  std::unique_lock lock(workersMutex);
  workersDone.wait(lock, [] { return liveWorkers == 0; });
}

// Hands out entries to workers and their results back in row order. What
// the workers use lives as long as the last of them, so a cancelled build
// lets them go without waiting and frees nothing they still read.
class ListImageBuild::Queue {
 public:
  Queue(std::vector<fs::path> names, QSize size, const LoadOptions& options, std::function<void()> ready)
      : shared_(std::make_shared<Shared>()) {
    shared_->names = std::move(names);
    shared_->size = size;
    shared_->options = options;
    shared_->ready = std::move(ready);
    shared_->results.resize(shared_->names.size());
  }

  ~Queue() { Abandon(); }

  void Start(int workers) {
    for (int i = 0; i < workers; ++i) {
      {
        std::lock_guard lock(workersMutex);
        ++liveWorkers;
      }
      threads_.emplace_back([shared = shared_]() mutable {
        Work(*shared);
        shared.reset();
        std::lock_guard lock(workersMutex);
        if (--liveWorkers == 0) workersDone.notify_all();
      });
    }
  }

  // Entry i when it is made; with wait, waits for it (making it here when
  // there are no workers), letting window events run while it waits.
  std::optional<ListImageOutcome> Take(std::size_t i, bool wait, EventPump& pump) {
    Shared& s = *shared_;
    std::unique_lock lock(s.mutex);
    while (!s.results[i]) {
      if (!wait) return std::nullopt;
      if (threads_.empty()) {
        lock.unlock();
        return MakeListImage(s.names[i], s.size, s.options);
      }
      if (!s.made.wait_for(lock, std::chrono::milliseconds(20), [&] { return s.results[i].has_value(); })) {
        lock.unlock();
        pump.ProcessMessages();
        lock.lock();
      }
    }
    std::optional<ListImageOutcome> out = std::move(s.results[i]);
    s.results[i].reset();
    return out;
  }

  // Every worker has ended when this returns.
  void Stop() {
    Silence();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
  }

  // No worker starts another entry or calls ready after this returns.
  void Abandon() {
    Silence();
    for (std::thread& t : threads_) t.detach();
    threads_.clear();
  }

 private:
  struct Shared {
    std::vector<fs::path> names;
    QSize size;
    LoadOptions options;
    std::function<void()> ready;  // under mutex
    std::vector<std::optional<ListImageOutcome>> results;
    std::mutex mutex;
    std::condition_variable made;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
  };

  void Silence() {
    shared_->stop = true;
    std::lock_guard lock(shared_->mutex);
    shared_->ready = nullptr;
  }

  static void Work(Shared& s) {
    for (;;) {
      const std::size_t i = s.next++;
      if (i >= s.names.size() || s.stop) return;
      ListImageOutcome out = MakeListImage(s.names[i], s.size, s.options, &s.stop);
      {
        std::lock_guard lock(s.mutex);
        if (s.stop) return;
        s.results[i] = std::move(out);
        if (s.ready) s.ready();
      }
      s.made.notify_all();
    }
  }

  std::shared_ptr<Shared> shared_;
  std::vector<std::thread> threads_;
};

ListImage MakeOneListImage(const fs::path& name, QSize size, const LoadOptions& options,
                           Reporter& messages) {
  ListImageOutcome out = MakeListImage(name, size, options);
  for (const auto& m : out.reader.messages) messages.Message(m.text, m.caption, m.icon, m.buttons);
  ListImage image;
  image.bmp = std::move(out.bmp);
  image.imgFlag = out.imgFlag;
  image.failed = out.failed;
  image.cells = std::move(out.cells);
  return image;
}

ListImageBuild::ListImageBuild(LoadWindow& window, std::vector<TDxfbmp>& DxfbmpAry,
                               const LoadOptions& options, std::function<void()> ready)
    : window_(window), DxfbmpAry_(DxfbmpAry) {
  const int rows = window.FileRowCount();
  if (rows <= 1 || window.FileCell(kColName, 1).empty()) {
    Finish();
    return;
  }
  DxfbmpAry.clear();
  count_ = std::min(rows - 1, kMaxListImages);
  step_ = count_ / 50;
  ProgressSink& progress = window.Progress();
  if (step_ == 0) {
    progress.SetMax(count_);
    step_ = 1;
  } else {
    progress.SetMax(50);
  }
  const QSize cell = window.GridCellSize();
  const QSize imageSize(cell.width(), cell.height() - 24);
  DxfbmpAry.resize(count_);
  const int columns = std::max(1, window.GridWidth() / std::max(1, cell.width()));
  window.SetGridShape(columns, count_ / columns + (count_ % columns ? 1 : 0));

  std::vector<fs::path> names;
  names.reserve(count_);
  for (int i = 0; i < count_; ++i) {
    names.push_back(window.FilePath(i + 1));
    DxfbmpAry[i].name = names.back();
  }
  const bool waiting = !ready;
  queue_ = std::make_unique<Queue>(std::move(names), imageSize, options, std::move(ready));
  // A caller that waits gains nothing from one worker over making the
  // images itself; one that does not wait must never make them itself.
  const int workers = WorkerCount(options, count_);
  queue_->Start(waiting && workers == 1 ? 0 : workers);
}

ListImageBuild::~ListImageBuild() { Cancel(); }

void ListImageBuild::Cancel() {
  cancelled_ = true;
  if (queue_) queue_->Abandon();
}

bool ListImageBuild::HandOver(std::chrono::milliseconds budget, bool wait) {
  // A message box of an entry runs its own event loop, in which the window
  // may call here again or cancel the build; neither may touch the entry
  // being handed over.
  if (handing_ || done_ || cancelled_) return false;
  handing_ = true;
  QElapsedTimer clock;
  clock.start();
  const std::u16string total = DecimalText(count_);
  ProgressSink& progress = window_.Progress();
  bool more = false;
  while (next_ < count_ && !cancelled_) {
    if (!wait && clock.elapsed() >= budget.count()) {
      more = true;
      break;
    }
    std::optional<ListImageOutcome> taken;
    try {
      taken = queue_->Take(next_, wait, window_.Pump());
    } catch (...) {
      handing_ = false;
      throw;
    }
    if (!taken) break;
    if (cancelled_) break;
    ListImageOutcome& out = *taken;
    const int i = next_++;
    TDxfbmp& entry = DxfbmpAry_[i];
    entry.imgFlag = false;
    const std::u16string count = DecimalText(i + 1) + u" / " + total;
    window_.SetStatusPanel(0, (out.cached ? u"イメージ読み込み中 ... " : u"イメージ作成中 ... ") + count);
    if (i % step_ == 0) progress.SetPosition(progress.Position() + 1);
    for (const auto& [col, text] : out.cells) window_.SetFileCell(col, i + 1, text);
    entry.bmp = std::move(out.bmp);
    entry.imgFlag = out.imgFlag;
    window_.ListImageShown(i);
    for (const auto& m : out.reader.messages) {
      window_.Messages().Message(m.text, m.caption, m.icon, m.buttons);
      if (cancelled_) break;
    }
    if (!cancelled_ && out.failed)
      window_.Messages().Message(LoadErrorText(entry.name), u"情報", MsgIcon::Information, MsgButtons::Ok);
    if (!cancelled_ && out.pumpAfter && wait) window_.Pump().ProcessMessages();
  }
  handing_ = false;
  if (!cancelled_ && next_ >= count_) Finish();
  return more && !cancelled_;
}

void ListImageBuild::Finish() {
  if (done_) return;
  done_ = true;
  if (queue_) {
    queue_->Stop();
    window_.Progress().SetPosition(0);
  }
  window_.SetStatusPanel(0, u"");
  window_.RepaintGrid();
}

void BuildListImages(LoadWindow& window, std::vector<TDxfbmp>& DxfbmpAry, const LoadOptions& options) {
  ListImageBuild build(window, DxfbmpAry, options, {});
  while (!build.Done()) build.HandOver(std::chrono::milliseconds::max(), true);
}

}  // namespace vantrel
