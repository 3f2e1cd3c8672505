// The list images of a folder of 500 generated drawings of about 100 KB at
// 200 x 160: on one thread, on every core, and from the cache files.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/HeadlessWindow.h"
#include "app/ListImageCache.h"
#include "app/LoadSequence.h"
#include "app/MemoryTuning.h"
#include "bench/gen/SyntheticDxf.h"

namespace {

namespace fs = std::filesystem;
using namespace vantrel;

constexpr int kDrawings = 500;

// The file list of a folder as the list build sees it.
struct BenchWindow : HeadlessWindow {
  explicit BenchWindow(const fs::path& folder) : HeadlessWindow(folder, DrawingsIn(folder), {200, 160}, silent) {}
  static inline SilentReporter silent;
};

struct Folder {
  fs::path plain, cached;
  Folder() {
    plain = fs::temp_directory_path() / "vantrel-bench-list";
    cached = fs::temp_directory_path() / "vantrel-bench-list-cached";
    fs::remove_all(plain);
    fs::remove_all(cached);
    fs::create_directories(plain);
    fs::create_directories(cached);
    for (int i = 0; i < kDrawings; ++i) {
      auto o = bench::MixedDrawingOptions(100'000, i + 1);
      std::string name = "drawing" + std::to_string(1000 + i) + ".dxf";
      bench::WriteSyntheticDxf(plain / name, o);
      fs::copy_file(plain / name, cached / name);
    }
    BenchWindow w(cached);
    std::vector<TDxfbmp> images;
    BuildListImages(w, images, LoadOptions{});
    for (const auto& img : images) SaveListImageCache(img.name, img.bmp);
  }
  ~Folder() {
    if (std::getenv("VANTREL_BENCH_KEEP")) return;
    std::error_code ec;
    fs::remove_all(plain, ec);
    fs::remove_all(cached, ec);
  }
};

Folder& TheFolder() {
  static Folder folder;
  return folder;
}

void Build(benchmark::State& state, const fs::path& folder, int threads) {
  LoadOptions options;
  options.threads = threads;
  for (auto _ : state) {
    BenchWindow w(folder);
    std::vector<TDxfbmp> images;
    BuildListImages(w, images, options);
    benchmark::DoNotOptimize(images.data());
  }
  state.counters["drawings/s"] =
      benchmark::Counter(static_cast<double>(kDrawings), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ListImagesOneThread(benchmark::State& state) { Build(state, TheFolder().plain, 1); }
void BM_ListImagesAllCores(benchmark::State& state) {
  Build(state, TheFolder().plain, static_cast<int>(std::thread::hardware_concurrency()));
}
void BM_ListImagesCached(benchmark::State& state) { Build(state, TheFolder().cached, 1); }

BENCHMARK(BM_ListImagesOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(BM_ListImagesAllCores)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(6);
BENCHMARK(BM_ListImagesCached)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  KeepFreedMemoryForReuse();
  if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int qtArgc = 1;
  char name[] = "bench_list_images";
  char* qtArgv[] = {name, nullptr};
  QGuiApplication app(qtArgc, qtArgv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
