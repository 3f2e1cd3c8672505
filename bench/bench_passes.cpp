// The pass sequence with the extents and the pen pass (everything between a
// read and the first draw) against the read of the same file, measured in
// the same run, on a drawing of a million plain entities and on drawings of
// 5,000 and 10,000 inserts of 200 blocks of 50 elements nested one level.
// Bars: the passes cost less than the read, and double the inserts cost at
// most 2.2 times as much.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include <unistd.h>

#include "bench/gen/SyntheticDxf.h"
#include "model/DxfReader.h"
#include "model/Feedback.h"
#include "render/PrepareDrawing.h"

namespace {

namespace fs = std::filesystem;
using vantrel::Drawing;
using vantrel::bench::SyntheticDxfOptions;

struct Case {
  const char* name;
  SyntheticDxfOptions options;
};

SyntheticDxfOptions PlainMillion() {
  SyntheticDxfOptions o;
  o.lines = 600'000;
  o.arcs = 130'000;
  o.circles = 130'000;
  o.lwpolylines = 40'000;
  o.texts = 90'000;
  o.ellipses = 10'000;
  o.extrudedPercent = 2;
  return o;
}

SyntheticDxfOptions Inserts(std::int64_t inserts) {
  SyntheticDxfOptions o;
  o.inserts = inserts;
  o.blocks = 200;
  o.blockContent = vantrel::bench::BlockContent{30, 8, 6, 4, 2};  // 50 elements
  o.nestedPerBlock = 1;
  return o;
}

const Case kCases[] = {
    {"plain_1M", PlainMillion()},
    {"inserts_5000", Inserts(5000)},
    {"inserts_10000", Inserts(10000)},
};

// Generated files, read models and the measured seconds per operation, kept
// for the summary after the run.
struct Fixture {
  fs::path path;
  std::uint64_t bytes = 0;
  Drawing model;  // as read, copied for every run of the passes
  bool ready = false;
};

std::map<std::string, Fixture> fixtures;
std::map<std::string, double> seconds;  // "read/<case>", "passes/<case>"

Fixture& FixtureOf(const Case& c) {
  Fixture& f = fixtures[c.name];
  if (f.ready) return f;
  f.path = fs::temp_directory_path() /
           ("vantrel-bench-passes-" + std::to_string(getpid()) + "-" + c.name + ".dxf");
  f.bytes = vantrel::bench::WriteSyntheticDxf(f.path, c.options).bytes;
  vantrel::ProgressCounter progress;
  vantrel::SilentReporter reporter;
  std::u16string status, version;
  vantrel::ReadDxfInFileEncoding(f.model, f.path, progress, reporter, status, version);
  f.ready = status.empty();
  return f;
}

void BM_Read(benchmark::State& state, const Case* c) {
  Fixture& f = FixtureOf(*c);
  if (!f.ready) {
    state.SkipWithError("the generated drawing did not read");
    return;
  }
  vantrel::ProgressCounter progress;
  vantrel::SilentReporter reporter;
  double total = 0;
  for (auto _ : state) {
    Drawing d;
    std::u16string status, version;
    const auto t0 = std::chrono::steady_clock::now();
    vantrel::ReadDxfInFileEncoding(d, f.path, progress, reporter, status, version);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.SetIterationTime(s);
    total += s;
    benchmark::DoNotOptimize(d);
  }
  seconds[std::string("read/") + c->name] = total / static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.bytes));
}

void BM_Passes(benchmark::State& state, const Case* c) {
  Fixture& f = FixtureOf(*c);
  if (!f.ready) {
    state.SkipWithError("the generated drawing did not read");
    return;
  }
  double total = 0;
  std::size_t drawn = 0;
  for (auto _ : state) {
    Drawing d = f.model;
    const auto t0 = std::chrono::steady_clock::now();
    vantrel::PrepareDrawing(d, {});
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    state.SetIterationTime(s);
    total += s;
    drawn = d.EntLineAry.size() + d.EntArcAry.size() + d.EntCircleAry.size() + d.EntTextAry.size();
    benchmark::DoNotOptimize(d);
  }
  seconds[std::string("passes/") + c->name] = total / static_cast<double>(state.iterations());
  state.counters["records"] = static_cast<double>(drawn);
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(drawn), benchmark::Counter::kIsIterationInvariantRate);
}

void Summary() {
  std::printf("\n%-16s %10s %10s %8s\n", "drawing", "read ms", "passes ms", "ratio");
  for (const Case& c : kCases) {
    const double r = seconds[std::string("read/") + c.name];
    const double p = seconds[std::string("passes/") + c.name];
    if (r <= 0 || p <= 0) continue;
    std::printf("%-16s %10.1f %10.1f %8.3f  %s\n", c.name, r * 1e3, p * 1e3, p / r,
                p < r ? "passes < read" : "PASSES NOT BELOW READ");
  }
  const double p1 = seconds["passes/inserts_5000"], p2 = seconds["passes/inserts_10000"];
  if (p1 > 0 && p2 > 0)
    std::printf("double the inserts: %.3f times the passes (bar 2.2)%s\n", p2 / p1,
                p2 / p1 <= 2.2 ? "" : "  OVER THE BAR");
}

}  // namespace

int main(int argc, char** argv) {
  for (const Case& c : kCases) {
    benchmark::RegisterBenchmark((std::string("Read/") + c.name).c_str(), BM_Read, &c)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->MinTime(1.0);
    benchmark::RegisterBenchmark((std::string("Passes/") + c.name).c_str(), BM_Passes, &c)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->MinTime(1.0);
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  Summary();
  for (auto& [name, f] : fixtures) {
    std::error_code ec;
    fs::remove(f.path, ec);
  }
  return 0;
}
