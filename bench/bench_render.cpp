// DrawDxf onto a 1920 x 1080 raster canvas, on generated drawings of 10^5
// and 10^6 lines, arcs and circles and of 10^4 texts: fitted to the extents
// (NoCull, as after a load) and zoomed in to 1% of the extents (every record
// through the window tests). Bars: the fitted million draws in under a
// second, and the zoomed view of the geometry is at least ten times faster
// than the fitted.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include <unistd.h>

#include "bench/RunBenchmarks.h"
#include "bench/gen/SyntheticDxf.h"
#include "model/DxfReader.h"
#include "model/Feedback.h"
#include "render/PrepareDrawing.h"
#include "render/QtCanvas.h"
#include "render/Renderer.h"

namespace {

namespace fs = std::filesystem;
using vantrel::Drawing;
using vantrel::bench::SyntheticDxfOptions;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct Case {
  const char* name;
  SyntheticDxfOptions options;
};

SyntheticDxfOptions Geometry(std::int64_t n) {
  SyntheticDxfOptions o;
  o.lines = n * 6 / 10;
  o.arcs = n * 2 / 10;
  o.circles = n * 2 / 10;
  return o;
}

SyntheticDxfOptions Texts(std::int64_t n) {
  SyntheticDxfOptions o;
  o.texts = n;
  return o;
}

const Case kCases[] = {
    {"geometry_100k", Geometry(100'000)},
    {"geometry_1M", Geometry(1'000'000)},
    {"texts_10k", Texts(10'000)},
};

struct Fixture {
  Drawing model;
  std::size_t records = 0;
  bool ready = false;
};

std::map<std::string, Fixture> fixtures;
std::map<std::string, double> seconds;  // "fitted/<case>", "zoomed/<case>"

Fixture& FixtureOf(const Case& c) {
  Fixture& f = fixtures[c.name];
  if (f.ready) return f;
  const fs::path path = fs::temp_directory_path() / ("vantrel-bench-render-" +
                                                     std::to_string(getpid()) + "-" + c.name +
                                                     ".dxf");
  vantrel::bench::WriteSyntheticDxf(path, c.options);
  vantrel::ProgressCounter progress;
  vantrel::SilentReporter reporter;
  std::u16string status, version;
  vantrel::ReadDxfInFileEncoding(f.model, path, progress, reporter, status, version);
  std::error_code ec;
  fs::remove(path, ec);
  vantrel::PrepareDrawing(f.model, {});
  const Drawing& d = f.model;
  f.records = d.EntLineAry.size() + d.EntArcAry.size() + d.EntCircleAry.size() +
              d.EntTextAry.size();
  f.ready = status.empty() && f.records > 0;
  return f;
}

void BM_Draw(benchmark::State& state, const Case* c, bool zoomed) {
  Fixture& f = FixtureOf(*c);
  if (!f.ready) {
    state.SkipWithError("the generated drawing did not read");
    return;
  }
  vantrel::ViewState view = vantrel::FitToExtents(f.model);
  if (zoomed) {
    view.ViewWidth /= 100;
    view.ViewHeight /= 100;
  }
  QImage picture(kWidth, kHeight, QImage::Format_RGB32);
  double total = 0;
  int drawn = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    {
      vantrel::QtCanvas canvas(picture);
      vantrel::ClearCanvas(canvas, kWidth, kHeight, vantrel::clBlack);
      drawn = vantrel::DrawDxf(f.model, u"", view.ViewCenter, vantrel::clBlack, view.ViewWidth,
                               view.ViewHeight, 1, canvas, vantrel::PixelPoint{kWidth / 2, kHeight / 2},
                               kWidth, kHeight, vantrel::kFitRatio, 0, !zoomed, false);
    }
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.SetIterationTime(s);
    total += s;
  }
  seconds[std::string(zoomed ? "zoomed/" : "fitted/") + c->name] =
      total / static_cast<double>(state.iterations());
  state.counters["drawn"] = drawn;
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(f.records),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}

void Summary() {
  std::printf("\n%-14s %9s %10s %10s %8s\n", "drawing", "records", "fitted ms", "zoomed ms",
              "speed-up");
  for (const Case& c : kCases) {
    const double fit = seconds[std::string("fitted/") + c.name];
    const double zoom = seconds[std::string("zoomed/") + c.name];
    if (fit <= 0 || zoom <= 0) continue;
    // Texts too small to read cost a line each in the fitted view, so
    // zooming has little left to save there; the bar is the geometry's.
    const bool barred = std::string(c.name).rfind("geometry", 0) == 0;
    std::printf("%-14s %9zu %10.1f %10.1f %8.1f%s\n", c.name, fixtures[c.name].records,
                fit * 1e3, zoom * 1e3, fit / zoom,
                !barred || fit / zoom >= 10 ? "" : "  UNDER 10x");
  }
  const double million = seconds["fitted/geometry_1M"];
  if (million > 0)
    std::printf("fitted 10^6: %.3f s (bar 1 s)%s\n", million, million < 1 ? "" : "  OVER THE BAR");
}

}  // namespace

int main(int argc, char** argv) {
  // Texts need a GUI application; the benchmark runs without a display.
  if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);
  for (const Case& c : kCases) {
    for (bool zoomed : {false, true}) {
      benchmark::RegisterBenchmark(
          (std::string(zoomed ? "Zoomed/" : "Fitted/") + c.name).c_str(), BM_Draw, &c, zoomed)
          ->Unit(benchmark::kMillisecond)
          ->UseManualTime()
          ->MinTime(1.0);
    }
  }
  return vantrel::bench::RunRegisteredBenchmarks(argc, argv, Summary);
}
