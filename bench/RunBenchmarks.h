#pragma once
// The common end of every benchmark's main: run what was registered, then
// print the table of ratios the bars are read from.

#include <benchmark/benchmark.h>

namespace vantrel::bench {

// Returns main's exit status: 1 for arguments Google Benchmark does not know.
template <class Summary>
int RunRegisteredBenchmarks(int& argc, char** argv, Summary&& summary) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  summary();
  return 0;
}

}  // namespace vantrel::bench
