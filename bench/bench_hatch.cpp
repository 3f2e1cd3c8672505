// DrawDxf of a dense hatch onto a 1920 x 1080 raster canvas: a square of
// 1000 units filled with a crossed pattern at scale 0.001 (lines 0.003175
// apart, 315,000 of them in each family), fitted to the view, zoomed until
// its lines lie 1.2 pixels apart (about 2,000 lines of each family across
// the picture, the most before they become a tone) and 20 pixels apart.
// Bar: every view draws in under 0.5 s.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr double kSize = 1000;
constexpr double kPatternScale = 0.001;
constexpr double kSpacing = 3.175 * kPatternScale;

vantrel::Drawing model;
bool ready = false;
double prepareSeconds = 0;
std::map<std::string, double> seconds;

bool Load() {
  if (ready) return true;
  const fs::path path =
      fs::temp_directory_path() / ("vantrel-bench-hatch-" + std::to_string(getpid()) + ".dxf");
  {
    std::ofstream out(path, std::ios::binary);
    out << vantrel::bench::DenseHatchDxfText(kPatternScale, kSize);
  }
  const auto t0 = std::chrono::steady_clock::now();
  vantrel::ProgressCounter progress;
  vantrel::SilentReporter reporter;
  std::u16string status, version;
  vantrel::ReadDxfInFileEncoding(model, path, progress, reporter, status, version);
  std::error_code ec;
  fs::remove(path, ec);
  vantrel::PrepareDrawing(model, {});
  prepareSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  ready = status.empty() && model.EntFillAry.size() == 1 && model.EntFillAry[0].families == 2;
  return ready;
}

// pixels: how far apart the pattern's lines are on the canvas; 0 fits the
// hatch to the view.
void BM_DrawHatch(benchmark::State& state, double pixels, const char* name) {
  if (!Load()) {
    state.SkipWithError("the generated hatch did not read");
    return;
  }
  vantrel::ViewState view = vantrel::FitToExtents(model);
  if (pixels > 0) {
    // Height decides the scale of a square on a wide canvas.
    view.ViewWidth = view.ViewHeight = kSpacing / pixels * kHeight * vantrel::kFitRatio;
    view.ViewCenter = vantrel::TAcadPoint{kSize / 2, kSize / 2, 0};
  }
  QImage picture(kWidth, kHeight, QImage::Format_RGB32);
  double total = 0;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    {
      vantrel::QtCanvas canvas(picture);
      vantrel::ClearCanvas(canvas, kWidth, kHeight, vantrel::clBlack);
      vantrel::DrawDxf(model, u"", view.ViewCenter, vantrel::clBlack, view.ViewWidth, view.ViewHeight, 1,
                       canvas, vantrel::PixelPoint{kWidth / 2, kHeight / 2}, kWidth, kHeight,
                       vantrel::kFitRatio, 0, false, false);
    }
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.SetIterationTime(s);
    total += s;
  }
  seconds[name] = total / static_cast<double>(state.iterations());
}

void Summary() {
  std::printf("\nread and passes: %.1f ms\n", prepareSeconds * 1e3);
  for (const auto& [name, s] : seconds)
    std::printf("%-10s %8.1f ms (bar 500 ms)%s\n", name.c_str(), s * 1e3, s < 0.5 ? "" : "  OVER THE BAR");
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);
  const struct {
    const char* name;
    double pixels;
  } views[] = {{"fitted", 0}, {"lines1.2px", 1.2}, {"lines20px", 20}};
  for (const auto& v : views)
    benchmark::RegisterBenchmark((std::string("DenseHatch/") + v.name).c_str(), BM_DrawHatch, v.pixels, v.name)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->MinTime(0.5);
  return vantrel::bench::RunRegisteredBenchmarks(argc, argv, Summary);
}
