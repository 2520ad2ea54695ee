// The same cases for the 32-bit build, where Google Benchmark is not at
// hand: each decoder runs each case for at least half a second, the best
// time of a run counts.
#include <chrono>
#include <cstdio>

#include "tools/bench/bench_cases.h"

namespace {

template <typename Decode>
double BestSeconds(Decode decode) {
  using Clock = std::chrono::steady_clock;
  double best = 1e30, spent = 0;
  int runs = 0;
  while (spent < 0.5 || runs < 5) {
    const Clock::time_point start = Clock::now();
    if (decode() != 0) return -1;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (seconds < best) best = seconds;
    spent += seconds;
    ++runs;
  }
  return best;
}

} // namespace

int main() {
  std::printf("%-10s %14s %14s %8s\n", "case", "reference MB/s", "project MB/s", "ratio");
  for (const BenchCase& bench : MakeBenchCases()) {
    Bytes colours(1024), pixels(OutputBytes(bench));
    const double reference = BestSeconds([&] { return DecodeWithReference(bench, pixels); });
    const double project = BestSeconds([&] { return DecodeWithProject(bench, colours, pixels); });
    if (reference < 0 || project < 0) {
      std::printf("%-10s decoding failed\n", bench.Name.c_str());
      return 1;
    }
    const double megabytes = OutputBytes(bench) / 1e6;
    std::printf("%-10s %14.1f %14.1f %7.2fx\n", bench.Name.c_str(), megabytes / reference, megabytes / project,
                reference / project);
  }
  return 0;
}
