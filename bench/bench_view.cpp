// The detail view following the hand, at 1920 x 1080 on generated drawings
// of 10^5 and 10^6 entities: the redraw after one wheel step (zoom in about
// the centre of a fitted view, a new bitmap each time as the window makes
// it) and one frame of the pan preview (every second line, circle and arc,
// no texts). Bars: a wheel step on 10^5 under 50 ms, a pan frame on 10^6
// under 100 ms.
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
#include "render/DetailView.h"
#include "render/PrepareDrawing.h"
#include "render/QtCanvas.h"

namespace {

namespace fs = std::filesystem;
using namespace vantrel;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// The window's picture without a window: a new bitmap per redraw.
class BenchPicture : public ViewPicture {
 public:
  int PictureWidth() const override { return kWidth; }
  int PictureHeight() const override { return kHeight; }
  Canvas& PictureCanvas() override {
    if (!canvas_) canvas_ = std::make_unique<QtCanvas>(picture_);
    return *canvas_;
  }
  void ReplacePicture(const std::function<void(Canvas&)>& draw) override {
    QImage fresh(kWidth, kHeight, QImage::Format_RGB32);
    {
      QtCanvas canvas(fresh);
      draw(canvas);
    }
    canvas_.reset();
    picture_ = std::move(fresh);
  }
  void ShowPicture(bool) override {}
  void SetStatusPanel(int, const std::u16string&) override {}
  void Pause(int) override {}
  double Seconds() override { return 0; }

 private:
  QImage picture_{kWidth, kHeight, QImage::Format_RGB32};
  std::unique_ptr<QtCanvas> canvas_;
};

struct Fixture {
  Drawing model;
  bool ready = false;
};

std::map<std::int64_t, Fixture> fixtures;
std::map<std::string, double> seconds;

Fixture& FixtureOf(std::int64_t n) {
  Fixture& f = fixtures[n];
  if (f.ready) return f;
  bench::SyntheticDxfOptions o;
  o.lines = n * 55 / 100;
  o.arcs = n * 20 / 100;
  o.circles = n * 20 / 100;
  o.texts = n * 5 / 100;
  const fs::path path =
      fs::temp_directory_path() / ("vantrel-bench-view-" + std::to_string(getpid()) + "-" + std::to_string(n) + ".dxf");
  bench::WriteSyntheticDxf(path, o);
  ProgressCounter progress;
  SilentReporter reporter;
  std::u16string status, version;
  ReadDxfInFileEncoding(f.model, path, progress, reporter, status, version);
  std::error_code ec;
  fs::remove(path, ec);
  PrepareDrawing(f.model, {});
  f.ready = status.empty() && !f.model.EntLineAry.empty();
  return f;
}

void BM_WheelStep(benchmark::State& state, std::int64_t n) {
  Fixture& f = FixtureOf(n);
  if (!f.ready) return state.SkipWithError("the generated drawing did not read");
  BenchPicture picture;
  ViewState view;
  DetailView detail(f.model, view, picture);
  double total = 0;
  for (auto _ : state) {
    view = FitToExtents(f.model);
    const auto t0 = std::chrono::steady_clock::now();
    detail.MouseWheel(true, kWidth / 2, kHeight / 2, true);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.SetIterationTime(s);
    total += s;
  }
  seconds["wheel/" + std::to_string(n)] = total / static_cast<double>(state.iterations());
}

void BM_PanFrame(benchmark::State& state, std::int64_t n) {
  Fixture& f = FixtureOf(n);
  if (!f.ready) return state.SkipWithError("the generated drawing did not read");
  BenchPicture picture;
  ViewState view = FitToExtents(f.model);
  DetailView detail(f.model, view, picture);
  detail.Image1MouseDown(MouseButton::Middle, false, kWidth / 2, kHeight / 2);
  double total = 0;
  int k = 0;
  for (auto _ : state) {
    const int step = 10 + 10 * (k++ % 5);
    const auto t0 = std::chrono::steady_clock::now();
    detail.Image1MouseMove(false, kWidth / 2 + step, kHeight / 2 + step);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.SetIterationTime(s);
    total += s;
  }
  seconds["pan/" + std::to_string(n)] = total / static_cast<double>(state.iterations());
}

void Summary() {
  std::printf("\n%-10s %14s %14s\n", "entities", "wheel step ms", "pan frame ms");
  for (std::int64_t n : {100'000, 1'000'000}) {
    const std::string k = std::to_string(n);
    std::printf("%-10lld %14.1f %14.1f\n", static_cast<long long>(n), seconds["wheel/" + k] * 1e3,
                seconds["pan/" + k] * 1e3);
  }
  const double wheel = seconds["wheel/100000"], pan = seconds["pan/1000000"];
  std::printf("wheel step on 10^5: %.1f ms (bar 50)%s; pan frame on 10^6: %.1f ms (bar 100)%s\n", wheel * 1e3,
              wheel < 0.05 ? "" : "  OVER THE BAR", pan * 1e3, pan < 0.1 ? "" : "  OVER THE BAR");
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);
  for (std::int64_t n : {100'000, 1'000'000}) {
    benchmark::RegisterBenchmark(("WheelStep/" + std::to_string(n)).c_str(), BM_WheelStep, n)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->MinTime(1.0);
    benchmark::RegisterBenchmark(("PanFrame/" + std::to_string(n)).c_str(), BM_PanFrame, n)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->MinTime(1.0);
  }
  return vantrel::bench::RunRegisteredBenchmarks(argc, argv, Summary);
}
