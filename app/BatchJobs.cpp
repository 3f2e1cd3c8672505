#include "app/BatchJobs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>

#include "app/ListImageCache.h"
#include "app/ReplaceFile.h"
#include "model/FileNames.h"
#include "model/FileProbes.h"
#include "model/TextCodec.h"

namespace vantrel {

namespace fs = std::filesystem;

namespace {

// The listed files: rows 1 to count - 1, when the first one has a name.
int ListedFiles(LoadWindow& w) {
  const int rows = w.FileRowCount();
  if (rows <= 1 || w.FileCell(kColName, 1).empty()) return 0;
  return rows - 1;
}

// At most about fifty steps of the progress bar whatever the count.
class BatchProgress {
 public:
  BatchProgress(ProgressSink& bar, int n) : bar_(bar) {
    step_ = n / 50;
    if (step_ == 0) {
      bar.SetMax(std::max(1, n));
      step_ = 1;
    } else {
      bar.SetMax(50);
    }
    bar.SetPosition(0);
  }
  void Before(int k) {
    if (k % step_ == 0) bar_.SetPosition(bar_.Position() + 1);
  }
  ~BatchProgress() { bar_.SetPosition(0); }

 private:
  ProgressSink& bar_;
  int step_ = 1;
};

std::u16string Count(int i, int n) { return DecimalText(i) + u" / " + DecimalText(n); }

}  // namespace

namespace {

// Every listed file with the status text and progress of the two scans.
template <class Visit>
void ScanListed(LoadWindow& w, const std::u16string& title, Visit visit) {
  const int n = ListedFiles(w);
  if (n == 0) return;
  {
    BatchProgress progress(w.Progress(), n);
    for (int k = 0; k < n; ++k) {
      progress.Before(k);
      w.SetStatusPanel(0, title + Count(k + 1, n));
      visit(k + 1, w.FilePath(k + 1));
    }
  }
  w.SetStatusPanel(0, u"");
}

}  // namespace

void VersionScan(LoadWindow& w) {
  ScanListed(w, u"バージョン取得中 ... ", [&](int row, const fs::path& path) {
    std::u16string head, version;
    if (!ReadFileSignature(path, head)) return;
    // A DWG head under any name; unlike a load, "Auto" is not looked for, so
    // a binary DXF gets the label of its (empty) text header.
    if (head.size() == 6 && head.starts_with(u"AC1")) {
      const bool dxf = UpperExtension(path) == ".DXF";
      w.SetFileCell(kColVersion, row, dxf ? DxfVersionLabel(head) + u" DXF" : DwgVersionLabel(head) + u" DWG");
      w.SetFileCell(kColFormat, row, dxf ? u"BinaryDXF" : u"DWG");
      return;
    }
    if (ReadAcadVer(path, version)) w.SetFileCell(kColVersion, row, DxfVersionLabel(version) + u" DXF");
  });
}

void CodePageScan(LoadWindow& w) {
  ScanListed(w, u"DWGCODEPAGE 取得中 ... ", [&](int row, const fs::path& path) {
    std::u16string codePage;
    if (UpperExtension(path) == ".DXF" && ReadDwgCodePage(path, codePage)) w.SetFileCell(kColCodePage, row, codePage);
  });
}

bool CreateListImageFiles(LoadWindow& w, const std::vector<TDxfbmp>& DxfbmpAry) {
  Reporter& say = w.Messages();
  if (DxfbmpAry.empty()) {
    say.Message(u"一覧イメージが作成されていません．", kBatchCaption, MsgIcon::Information, MsgButtons::Ok);
    return false;
  }
  if (say.Message(u"DXFファイルと同じフォルダ内に、すべてのBMPファイルを作成します．よろしいですか？", kBatchCaption,
                  MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
    return false;
  const int n = static_cast<int>(DxfbmpAry.size());
  bool ok = true;
  for (int i = 0; i < n && ok; ++i) {
    w.SetStatusPanel(0, u"BMPファイル保存中 ... " + Count(i + 1, n));
    ok = SaveListImageCache(DxfbmpAry[i].name, DxfbmpAry[i].bmp);
  }
  say.Message(ok ? u"BMPファイルを作成しました．" : u"中止しました．", kBatchCaption,
              ok ? MsgIcon::Information : MsgIcon::Warning, MsgButtons::Ok);
  w.SetStatusPanel(0, u"");
  return ok;
}

namespace {

// The cache files in folder that belong to a drawing there. Any other file
// whose name merely ends like one ("scan_D01.bmp") is the user's own and is
// never touched.
std::vector<fs::path> CacheFilesIn(const fs::path& folder) {
  std::set<fs::path> present;
  std::vector<fs::path> drawings;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    present.insert(it->path().filename());
    const std::string ext = UpperExtension(it->path());
    if (ext == ".DXF" || ext == ".DWG") drawings.push_back(it->path());
  }
  std::vector<fs::path> caches;
  for (const fs::path& drawing : drawings) {
    const fs::path cache = ListImageCacheName(drawing);
    struct stat st;
    if (!present.count(cache.filename()) || ::lstat(cache.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (std::find(caches.begin(), caches.end(), cache) == caches.end()) caches.push_back(cache);
  }
  std::sort(caches.begin(), caches.end());
  return caches;
}

}  // namespace

int DeleteListImageFiles(LoadWindow& w, const fs::path& folder) {
  if (CacheFilesIn(folder).empty()) return 0;
  Reporter& say = w.Messages();
  if (say.Message(u"DXFファイルと同じフォルダ内のすべてのBMPファイルを削除します．よろしいですか？", kBatchCaption,
                  MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
    return 0;
  int n = 0;
  for (const fs::path& cache : CacheFilesIn(folder)) {
    std::error_code ec;
    if (!fs::remove(cache, ec)) continue;
    ++n;
    w.SetStatusPanel(0, u"BMPファイル削除中 ... " + DecimalText(n));
  }
  say.Message(n > 0 ? u"BMPファイルを削除しました．" : u"削除するBMPファイルはありません．", kBatchCaption,
              MsgIcon::Information, MsgButtons::Ok);
  w.SetStatusPanel(0, u"");
  return n;
}

namespace {

constexpr std::size_t kChunk = 1 << 20;

// The lines of a file at CR LF, a lone CR or a lone LF, without their ends,
// read a chunk at a time so a file of any size takes little memory. The
// bytes themselves are never decoded: the markers looked for are ASCII, and
// neither code page 932 nor UTF-8 has a CR or LF inside a character.
class LineReader {
 public:
  explicit LineReader(const fs::path& file) : in_(file, std::ios::binary) {}
  bool Open() const { return in_.is_open(); }
  bool Failed() const { return in_.bad(); }
  // False at the end of the file.
  bool Next(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
      // A last line without an end is a line when it has bytes.
      if (pos_ == buf_.size() && !Fill()) return any;
      if (skipLf_) {
        skipLf_ = false;
        if (buf_[pos_] == '\n') {
          ++pos_;
          continue;
        }
      }
      const std::size_t end = buf_.find_first_of("\r\n", pos_);
      if (end == std::string::npos) {
        line.append(buf_, pos_, std::string::npos);
        pos_ = buf_.size();
        any = true;
        continue;
      }
      line.append(buf_, pos_, end - pos_);
      skipLf_ = buf_[end] == '\r';
      pos_ = end + 1;
      return true;
    }
  }

 private:
  bool Fill() {
    buf_.resize(kChunk);
    in_.read(buf_.data(), static_cast<std::streamsize>(buf_.size()));
    buf_.resize(static_cast<std::size_t>(in_.gcount()));
    pos_ = 0;
    return !buf_.empty();
  }

  std::ifstream in_;
  std::string buf_;
  std::size_t pos_ = 0;
  bool skipLf_ = false;
};

std::string_view TrimControls(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  return s;
}

constexpr std::string_view kNewValue = "ANSI_932";

// The index of the value line, when there is one to change.
std::optional<std::size_t> FindValueLine(const fs::path& file, bool& readError) {
  LineReader reader(file);
  readError = !reader.Open();
  if (readError) return std::nullopt;
  std::string twoBefore, before, line;
  for (std::size_t i = 0; reader.Next(line); ++i) {
    // A zero character ends the text as the header is read.
    const std::size_t zero = line.find('\0');
    if (zero != std::string::npos) line.resize(zero);
    if (i >= 2 && line.starts_with("ANSI_") && TrimControls(before) == "3" &&
        TrimControls(twoBefore) == "$DWGCODEPAGE")
      return line == kNewValue ? std::nullopt : std::optional<std::size_t>(i);
    if (zero != std::string::npos) break;
    twoBefore = std::move(before);
    before = line;
  }
  readError = reader.Failed();
  return std::nullopt;
}

}  // namespace

RewriteResult RewriteCodePage(const fs::path& file) {
  std::error_code ec;
  // A link is followed: the drawing it names changes, the link stays a link.
  const fs::path target = fs::canonical(file, ec);
  struct stat st;
  if (ec || ::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return RewriteResult::Error;
  bool readError = false;
  const std::optional<std::size_t> at = FindValueLine(target, readError);
  if (readError) return RewriteResult::Error;
  if (!at) return RewriteResult::Unchanged;
  // A file the user made read-only is not replaced behind their back.
  if (::access(target.c_str(), W_OK) != 0) return RewriteResult::Error;
  const bool written = ReplaceFileWith(
      target,
      [&](const auto& put) {
        LineReader reader(target);
        if (!reader.Open()) return false;
        std::string line;
        for (std::size_t i = 0; reader.Next(line); ++i) {
          if (!put(i == *at ? std::span<const char>(kNewValue.data(), kNewValue.size())
                            : std::span<const char>(line.data(), line.size())) ||
              !put(std::span<const char>("\r\n", 2)))
            return false;
        }
        return !reader.Failed();
      },
      st.st_mode & 07777);
  return written ? RewriteResult::Changed : RewriteResult::Error;
}

CodePageRewrite RewriteCodePages(LoadWindow& w, bool answerYes) {
  CodePageRewrite result;
  const int n = ListedFiles(w);
  if (n == 0) return result;
  if (!answerYes &&
      w.Messages().Message(u"DXF ファイルの $DWGCODEPAGE の値を ANSI_932 に変更します．\r"
                           u"念のためバックアップを取って下さい．よろしいですか？",
                           kBatchCaption, MsgIcon::Question, MsgButtons::YesNo) != MsgResult::Yes)
    return result;
  for (int row = 1; row <= n; ++row) {
    w.SetStatusPanel(0, DecimalText(row) + u"/" + DecimalText(n));
    const fs::path path = w.FilePath(row);
    std::error_code ec;
    if (UpperExtension(path) != ".DXF" || !fs::exists(path, ec)) continue;
    switch (RewriteCodePage(path)) {
      case RewriteResult::Unchanged: break;
      case RewriteResult::Changed: ++result.changed; break;
      case RewriteResult::Error: ++result.errors; break;
    }
  }
  CodePageScan(w);
  const std::u16string text =
      result.errors > 0 ? DecimalText(result.changed) + u" 個のファイルを変更．" + DecimalText(result.errors) +
                              u" 個の読み込みエラー"
                        : DecimalText(result.changed) + u" 個のファイルを変更しました．";
  w.Messages().Message(text, kBatchCaption, MsgIcon::Information, MsgButtons::Ok);
  return result;
}

}  // namespace vantrel
