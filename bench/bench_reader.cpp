// Throughput of the whole read of a generated drawing of about a million
// entities into the model, in MB/s and entities/s, on one core.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "bench/gen/SyntheticDxf.h"
#include "model/DxfReader.h"
#include "model/Feedback.h"

namespace {

namespace fs = std::filesystem;
using vantrel::bench::SyntheticDxfOptions;
using vantrel::bench::SyntheticDxfStats;

// The drawing is written once per process into the temporary folder and
// removed at exit; it is far too large to keep in the tree.
struct GeneratedFile {
  fs::path path;
  SyntheticDxfStats stats;
  ~GeneratedFile() {
    std::error_code ec;
    if (!path.empty()) fs::remove(path, ec);
  }
};

const GeneratedFile& MillionEntityFile() {
  static GeneratedFile file = [] {
    SyntheticDxfOptions o;
    o.lines = 550'000;
    o.arcs = 120'000;
    o.circles = 120'000;
    o.lwpolylines = 80'000;
    o.texts = 100'000;
    o.ellipses = 10'000;
    o.inserts = 20'000;
    o.blocks = 200;
    o.blockContent = vantrel::bench::BlockContent{30, 8, 6, 4, 2};
    o.nestedPerBlock = 1;
    GeneratedFile f;
    f.path = fs::temp_directory_path() / ("vantrel-bench-reader-" + std::to_string(getpid()) + ".dxf");
    f.stats = vantrel::bench::WriteSyntheticDxf(f.path, o);
    return f;
  }();
  return file;
}

void BM_ReadDxf(benchmark::State& state) {
  const GeneratedFile& file = MillionEntityFile();
  vantrel::ProgressCounter progress;
  vantrel::SilentReporter reporter;
  std::size_t lines = 0;
  for (auto _ : state) {
    vantrel::Drawing d;
    std::u16string status, version;
    vantrel::ReadDxfInFileEncoding(d, file.path, progress, reporter, status, version);
    if (!status.empty()) {
      state.SkipWithError("the generated drawing did not read to its end");
      break;
    }
    lines = d.EntLineAry.size();
    benchmark::DoNotOptimize(d);
    // The drawing's destruction (freeing every record) is part of a reload
    // in the program as well, but not of the read.
    state.PauseTiming();
    { vantrel::Drawing gone = std::move(d); }
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.stats.bytes));
  state.counters["MB"] = static_cast<double>(file.stats.bytes) / 1e6;
  state.counters["entities/s"] = benchmark::Counter(
      static_cast<double>(file.stats.modelEntities + file.stats.blockElements),
      benchmark::Counter::kIsIterationInvariantRate);
  state.counters["lines"] = static_cast<double>(lines);
}
BENCHMARK(BM_ReadDxf)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
