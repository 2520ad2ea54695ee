// Native timing with Google Benchmark: each case decoded by the project and
// by the reference, output MB/s for each, and their ratio at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

#include "tools/bench/bench_cases.h"

namespace {

// Keeps the rate of every run so the ratio of the two decoders can be printed.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> Rates;
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // With --benchmark_repetitions the median of the repetitions counts.
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      const auto rate = run.counters.find("bytes_per_second");
      if (rate != run.counters.end()) Rates[run.run_name.str()] = rate->second.value;
    }
  }
};

} // namespace

int main(int argc, char** argv) {
  static const std::vector<BenchCase> cases = MakeBenchCases();
  for (const BenchCase& bench : cases) {
    benchmark::RegisterBenchmark(("reference/" + bench.Name).c_str(), [&bench](benchmark::State& state) {
      Bytes pixels(OutputBytes(bench));
      for (auto _ : state) {
        if (DecodeWithReference(bench, pixels) != 0) state.SkipWithError("reference decoder failed");
        benchmark::DoNotOptimize(pixels.data());
      }
      state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * OutputBytes(bench)));
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("project/" + bench.Name).c_str(), [&bench](benchmark::State& state) {
      Bytes colours(1024), pixels(OutputBytes(bench));
      for (auto _ : state) {
        if (DecodeWithProject(bench, colours, pixels) != 0) state.SkipWithError("project decoder failed");
        benchmark::DoNotOptimize(pixels.data());
      }
      state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * OutputBytes(bench)));
    })->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n%-10s %14s %14s %8s\n", "case", "reference MB/s", "project MB/s", "ratio");
  for (const BenchCase& bench : cases) {
    const double reference = reporter.Rates["reference/" + bench.Name] / 1e6;
    const double project = reporter.Rates["project/" + bench.Name] / 1e6;
    if (reference > 0) std::printf("%-10s %14.1f %14.1f %7.2fx\n", bench.Name.c_str(), reference, project, project / reference);
  }
  benchmark::Shutdown();
  return 0;
}
