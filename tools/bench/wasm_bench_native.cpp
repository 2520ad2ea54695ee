// The native half of the WebAssembly benchmark: the bench pictures (IPF and
// MCG, 1 to 16 MB of pixels) written for wasm_bench.mjs, and the web core's
// decode of one of them timed, built natively, as wasm_bench.mjs times the
// modules: the same call, best of repeated runs.
//   wasm_bench_native write OUTDIR       OUTDIR/NAME.ipf|mcg and OUTDIR/cases.json
//   wasm_bench_native time FILE MS       best milliseconds of at least 5 calls and MS ms
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/file_bytes.h"
#include "tools/bench/bench_cases.h"
#include "web/core/fc_wasm.h"

namespace {

constexpr int LeastCalls = 5;

uint32_t Hash(const uint8_t* bytes, size_t count) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

// The hash of the RGBA the page would get, to hold the modules' pixels to.
uint32_t RgbaHash(const Bytes& file) {
  FcDecoded* decoded = nullptr;
  if (fc_decode(file.data(), static_cast<uint32_t>(file.size()), -1, FcWantRgba, &decoded) != 0) return 0;
  const uint32_t hash = Hash(decoded->Rgba, size_t{4} * static_cast<size_t>(decoded->Width) * decoded->Height);
  fc_release(decoded);
  return hash;
}

int Write(const std::string& out) {
  std::string json = "[";
  for (const BenchCase& bench : MakeBenchCases()) {
    const std::string file = bench.Name + (bench.Mcg ? ".mcg" : ".ipf");
    if (!WriteFileBytes(out + "/" + file, bench.File)) {
      std::fprintf(stderr, "cannot write %s/%s\n", out.c_str(), file.c_str());
      return 1;
    }
    char line[256];
    std::snprintf(line, sizeof line, "%s\n {\"name\": \"%s\", \"file\": \"%s\", \"pixels\": %zu, \"rgbaHash\": %u}",
                  json.size() > 1 ? "," : "", bench.Name.c_str(), file.c_str(), OutputBytes(bench),
                  RgbaHash(bench.File));
    json += line;
  }
  json += "\n]\n";
  return WriteFileBytes(out + "/cases.json", Bytes(json.begin(), json.end())) ? 0 : 1;
}

// fc_decode to the DIB alone, as the modules are timed.
int Time(const std::string& path, double leastMs) {
  std::ifstream in(path, std::ios::binary);
  const Bytes file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  double best = 1e12, spent = 0;
  for (int calls = 0; calls < LeastCalls || spent < leastMs; ++calls) {
    const auto start = std::chrono::steady_clock::now();
    FcDecoded* decoded = nullptr;
    const int32_t result = fc_decode(file.data(), static_cast<uint32_t>(file.size()), -1, 0, &decoded);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (result != 0) {
      std::fprintf(stderr, "%s does not decode (%d)\n", path.c_str(), result);
      return 1;
    }
    fc_release(decoded);
    best = ms < best ? ms : best;
    spent += ms;
  }
  std::printf("%.6f\n", best);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "write" && argc == 3) return Write(argv[2]);
  if (mode == "time" && argc == 4) return Time(argv[2], std::atof(argv[3]));
  std::fprintf(stderr, "usage: wasm_bench_native write OUTDIR | time FILE MS\n");
  return 2;
}
