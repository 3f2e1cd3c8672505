// The road from a big file to a picture, step by step, against the floor of
// any reader: a bare walk over every group pair that parses every number and
// keeps nothing. The floor the bars are measured against is that walk as it
// is written plainly, a line at a time through the standard stream and every
// number through the C library; beside it runs a lean walk over chunks with
// the fastest number parsing, and the ratios to that one are printed too.
// On the generator's 100 MB drawing it times both walks, the read, the read
// with the passes and the pen pass (and the peak memory after them), and
// `render` at 1920 x 1080 end to end; then two expansion bombs,
// 1,000 inserts of a block of 100,000 lines and a nested bomb that asks for
// 10^9 records, which must end in time and memory with a drawing shown in
// part (under 10 s, under 4 GB). Every step runs in a child process of its own, so that its peak
// memory is its own and no step inherits another's heap; times are the best
// of the repetitions, and ratios are taken within this one run.
//
//   bench_big_drawing [--repeat N] [--no-bombs]
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>

#include "app/MemoryTuning.h"
#include "bench/gen/SyntheticDxf.h"
#include "model/DxfReader.h"
#include "model/Feedback.h"
#include "render/PrepareDrawing.h"
#include "render/QtCanvas.h"
#include "render/Renderer.h"

namespace {

namespace fs = std::filesystem;
using namespace vantrel;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

double Since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// VmHWM of this process in bytes.
double PeakBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::strtod(line.c_str() + 6, nullptr) * 1024;
  return 0;
}

// What a child reports back.
struct Figures {
  double seconds = 0;  // the whole step
  double peakAfterPasses = 0;
  double peakAtEnd = 0;
  double placed = 0;   // records the block expansion placed, when in part
  double inPart = 0;   // 1 when the expansion stopped at its budget
  double records = 0;  // drawable records after the passes
  bool ok = false;
};

// Runs step in a child process and hands back what it measured. The child
// gets an address-space limit so that a step gone wrong cannot take the
// machine's memory from everything else running on it.
Figures InChild(const std::function<Figures()>& step) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const rlimit limit{8ull << 30, 8ull << 30};
    setrlimit(RLIMIT_AS, &limit);
    // A fresh peak for the step (Linux 4.0 on).
    if (std::FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
      std::fputs("5", f);
      std::fclose(f);
    }
    Figures out;
    try {
      out = step();
    } catch (...) {
      out.ok = false;
    }
    if (write(fds[1], &out, sizeof out) != static_cast<ssize_t>(sizeof out)) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  Figures out;
  const bool got = read(fds[0], &out, sizeof out) == static_cast<ssize_t>(sizeof out);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!got) out.ok = false;
  return out;
}

// Best time of repeat runs; the other figures are those of the last run.
Figures Best(int repeat, const std::function<Figures()>& step) {
  Figures best;
  double seconds = 1e300;
  for (int i = 0; i < repeat; ++i) {
    Figures f = InChild(step);
    if (!f.ok) return f;
    seconds = std::min(seconds, f.seconds);
    best = f;
  }
  best.seconds = seconds;
  return best;
}

// The groups whose values are numbers, by the format's ranges.
bool RealGroup(int code) {
  return (code >= 10 && code <= 59) || (code >= 110 && code <= 149) || (code >= 210 && code <= 239) ||
         (code >= 1010 && code <= 1059);
}
bool IntegerGroup(int code) {
  return (code >= 60 && code <= 99) || (code >= 160 && code <= 179) || (code >= 270 && code <= 289) ||
         (code >= 370 && code <= 389) || (code >= 1060 && code <= 1071);
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= 32) s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.remove_suffix(1);
  return s;
}

// The floor of the bars: every pair walked and every number parsed as a
// plain program does it, a line at a time from the stream and the numbers
// with strtod and strtol; nothing is stored.
double BarePairScan(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return -1;
  std::string codeLine, valueLine;
  double sum = 0;
  while (std::getline(in, codeLine)) {
    if (!std::getline(in, valueLine)) valueLine.clear();
    const std::string_view c = Trimmed(codeLine);
    int code = 0;
    if (std::from_chars(c.data(), c.data() + c.size(), code).ec != std::errc()) continue;
    const char* value = valueLine.c_str();
    if (RealGroup(code))
      sum += std::strtod(value, nullptr);
    else if (IntegerGroup(code))
      sum += static_cast<double>(std::strtol(value, nullptr, 10));
  }
  return sum;
}

// PERF: the same walk with nothing to spare: the file in the reader's
// chunk size, lines as views into the chunk, numbers through from_chars.
double LeanPairScan(const fs::path& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  std::vector<char> buf(1 << 20);
  std::size_t beg = 0, end = 0;
  bool eof = false;
  double sum = 0;
  auto nextLine = [&](std::string_view& line) {
    for (;;) {
      const char* first = buf.data() + beg;
      const char* nl = static_cast<const char*>(std::memchr(first, '\n', end - beg));
      if (nl != nullptr) {
        line = std::string_view(first, static_cast<std::size_t>(nl - first));
        beg = static_cast<std::size_t>(nl - buf.data()) + 1;
        return true;
      }
      if (eof) {
        if (beg == end) return false;
        line = std::string_view(first, end - beg);
        beg = end;
        return true;
      }
      std::memmove(buf.data(), first, end - beg);
      end -= beg;
      beg = 0;
      if (end == buf.size()) buf.resize(buf.size() * 2);
      const ssize_t got = read(fd, buf.data() + end, buf.size() - end);
      if (got <= 0)
        eof = true;
      else
        end += static_cast<std::size_t>(got);
    }
  };
  std::string_view codeLine, valueLine;
  while (nextLine(codeLine)) {
    if (!nextLine(valueLine)) valueLine = {};
    const std::string_view c = Trimmed(codeLine), v = Trimmed(valueLine);
    int code = 0;
    if (std::from_chars(c.data(), c.data() + c.size(), code).ec != std::errc()) continue;
    if (RealGroup(code)) {
      double x = 0;
      std::from_chars(v.data(), v.data() + v.size(), x);
      sum += x;
    } else if (IntegerGroup(code)) {
      long long n = 0;
      std::from_chars(v.data(), v.data() + v.size(), n);
      sum += static_cast<double>(n);
    }
  }
  close(fd);
  return sum;
}

Figures Scan(const fs::path& file, double (*scan)(const fs::path&)) {
  Figures f;
  const auto t0 = Clock::now();
  const double sum = scan(file);
  f.seconds = Since(t0);
  f.ok = sum != -1;
  return f;
}

bool ReadInto(Drawing& d, const fs::path& file) {
  ProgressCounter progress;
  SilentReporter reporter;
  std::u16string status, version;
  ReadDxfInFileEncoding(d, file, progress, reporter, status, version);
  return status.empty();
}

std::size_t Drawable(const Drawing& d) {
  return d.EntLineAry.size() + d.EntCircleAry.size() + d.EntArcAry.size() + d.EntTextAry.size();
}

Figures Read(const fs::path& file) {
  Figures f;
  const auto t0 = Clock::now();
  Drawing d;
  f.ok = ReadInto(d, file);
  f.seconds = Since(t0);
  return f;
}

Figures Prepare(const fs::path& file) {
  Figures f;
  const auto t0 = Clock::now();
  Drawing d;
  f.ok = ReadInto(d, file);
  PrepareDrawing(d, PassOptions{});
  f.seconds = Since(t0);
  f.peakAfterPasses = PeakBytes();
  f.records = static_cast<double>(Drawable(d));
  return f;
}

// As `vantrel-cli render FILE -o OUT.png --size 1920x1080` does it, the
// start of the GUI application included.
Figures Render(const fs::path& file, const fs::path& png) {
  Figures f;
  const auto t0 = Clock::now();
  Drawing d;
  f.ok = ReadInto(d, file);
  const PassOutcome outcome = PrepareDrawing(d, PassOptions{});
  f.peakAfterPasses = PeakBytes();
  f.records = static_cast<double>(Drawable(d));
  f.inPart = outcome.drawnInPart ? 1 : 0;
  f.placed = static_cast<double>(outcome.placed);
  int argc = 1;
  char name[] = "bench_big_drawing";
  char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  QImage picture(kWidth, kHeight, QImage::Format_RGB32);
  {
    QtCanvas canvas(picture);
    ClearCanvas(canvas, kWidth, kHeight, clBlack);
    const ViewState view = FitToExtents(d);
    DrawDxf(d, u"", view.ViewCenter, clBlack, view.ViewWidth, view.ViewHeight, 1, canvas,
            PixelPoint{kWidth / 2, kHeight / 2}, kWidth, kHeight, kFitRatio, 0, true, false);
  }
  f.ok = f.ok && picture.save(QString::fromStdString(png.string()), "PNG");
  f.seconds = Since(t0);
  f.peakAtEnd = PeakBytes();
  return f;
}

struct Generated {
  fs::path path;
  double bytes = 0;
  ~Generated() {
    std::error_code ec;
    if (!path.empty()) fs::remove(path, ec);
  }
};

void Generate(Generated& g, const std::string& name, const bench::SyntheticDxfOptions& o) {
  g.path = fs::temp_directory_path() / ("vantrel-bench-big-" + std::to_string(getpid()) + "-" + name + ".dxf");
  g.bytes = static_cast<double>(bench::WriteSyntheticDxf(g.path, o).bytes);
}

const char* Verdict(bool holds) { return holds ? "holds" : "MISSED"; }

}  // namespace

int main(int argc, char** argv) {
  int repeat = 3;
  bool bombs = true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc)
      repeat = std::max(1, std::atoi(argv[++i]));
    else if (std::strcmp(argv[i], "--no-bombs") == 0)
      bombs = false;
  }
  // The program's entry points tune the allocator; so does every child here.
  KeepFreedMemoryForReuse();
  if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);

  Generated big;
  Generate(big, "100MB", bench::BigDrawingOptions());
  const fs::path png = fs::temp_directory_path() / ("vantrel-bench-big-" + std::to_string(getpid()) + ".png");

  const Figures scan = Best(repeat, [&] { return Scan(big.path, BarePairScan); });
  const Figures lean = Best(repeat, [&] { return Scan(big.path, LeanPairScan); });
  const Figures read = Best(repeat, [&] { return Read(big.path); });
  const Figures prepare = Best(repeat, [&] { return Prepare(big.path); });
  const Figures render = Best(repeat, [&] { return Render(big.path, png); });

  const double mb = big.bytes / 1e6;
  std::printf("the 100 MB drawing: %.1f MB, %.0f drawable records after the passes\n", mb,
              prepare.records);
  std::printf("%-34s %9s %12s %10s  %s\n", "step", "seconds", "ratio", "bar", "lean scan");
  std::printf("%-34s %9.3f %12s %10s\n", "bare pair scan (the floor)", scan.seconds, "1.00 x scan", "");
  std::printf("%-34s %9.3f %7.2f x scan\n", "lean pair scan", lean.seconds, lean.seconds / scan.seconds);
  const double readRatio = read.seconds / scan.seconds;
  std::printf("%-34s %9.3f %7.2f x scan %10s  %-6s %5.2f x\n", "read", read.seconds, readRatio,
              "<= 1.3", Verdict(read.ok && readRatio <= 1.3), read.seconds / lean.seconds);
  const double prepRatio = prepare.seconds / read.seconds;
  std::printf("%-34s %9.3f %7.2f x read %10s  %s\n", "read + passes + pens", prepare.seconds,
              prepRatio, "<= 2", Verdict(prepare.ok && prepRatio <= 2));
  const double peakRatio = prepare.peakAfterPasses / big.bytes;
  std::printf("%-34s %9.0f %7.2f x file %10s  %s\n", "peak memory after the passes (MB)",
              prepare.peakAfterPasses / 1e6, peakRatio, "<= 3.5", Verdict(peakRatio <= 3.5));
  const double renderRatio = render.seconds / scan.seconds;
  std::printf("%-34s %9.3f %7.2f x scan %10s  %-6s %5.2f x\n", "render 1920x1080 end to end",
              render.seconds, renderRatio, "<= 4", Verdict(render.ok && renderRatio <= 4),
              render.seconds / lean.seconds);

  if (bombs) {
    struct Bomb {
      const char* name;
      bench::SyntheticDxfOptions options;
    };
    const Bomb kBombs[] = {
        {"bomb 1,000 x 100,000 lines", bench::ExpansionBombOptions(100'000, 1'000, false)},
        {"nested bomb, 10^9 records", bench::ExpansionBombOptions(1'000, 1'000, true)},
    };
    for (const Bomb& b : kBombs) {
      Generated g;
      Generate(g, "bomb", b.options);
      const Figures f = InChild([&] { return Render(g.path, png); });
      const bool holds = f.ok && f.seconds < 10 && f.peakAtEnd < 4e9 && f.inPart != 0;
      std::printf("%-34s %9.3f s, %5.0f MB peak, %s %.0f placed  %s\n", b.name, f.seconds,
                  f.peakAtEnd / 1e6, f.inPart != 0 ? "drawn in part," : "drawn whole,",
                  f.placed, f.ok ? Verdict(holds) : "FAILED (no picture)");
    }
  }
  std::error_code ec;
  fs::remove(png, ec);
  return 0;
}
