// What a host waits for: GetPicture of the built Palvo plug-in, memory input,
// end to end (allocation included), against a classic plug-in and against
// the floor (a zeroed block of the DIB's size, every byte written once), in
// one process under Wine. The pixels must be exact. Not a test: run by hand,
//   wine build/win32/bin/host_bench.exe [SECONDS_PER_CASE]
// Prints one row per picture and the target check: on every kind but noise,
// GetPicture reaches min(2.5 x classic, 85% of the floor), as speeds.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/bench/classic_plugin.h"
#include "tools/bench/host_pictures.h"

namespace {

typedef int32_t(__stdcall* GetPictureRoutine)(const char* buf, uintptr_t len, uint32_t flag, HLOCAL* info,
                                              HLOCAL* pixels, void* progress, intptr_t userData);

struct Handles {
  HLOCAL Info = nullptr;
  HLOCAL Pixels = nullptr;
  void Free() {
    if (Info != nullptr) LocalFree(Info);
    if (Pixels != nullptr) LocalFree(Pixels);
    Info = Pixels = nullptr;
  }
};

// The best time of repeated calls over about `seconds`, the handles freed
// after each call (as the host frees them) but outside the time.
template <typename Call>
double BestSeconds(double seconds, Call call) {
  using Clock = std::chrono::steady_clock;
  double best = 1e30, spent = 0;
  for (int runs = 0; spent < seconds || runs < 5; ++runs) {
    Handles handles;
    const Clock::time_point start = Clock::now();
    const int32_t result = call(&handles);
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    handles.Free();
    if (result != 0) return -1;
    best = took < best ? took : best;
    spent += took;
  }
  return best;
}

// The pixel block of a call, compared with what the classic plug-in gives.
bool SamePixels(Handles& a, Handles& b, size_t size) {
  if (a.Pixels == nullptr || b.Pixels == nullptr || LocalSize(a.Pixels) < size || LocalSize(b.Pixels) < size) {
    return false;
  }
  const void* pa = LocalLock(a.Pixels);
  const void* pb = LocalLock(b.Pixels);
  const bool same = std::memcmp(pa, pb, size) == 0;
  LocalUnlock(a.Pixels);
  LocalUnlock(b.Pixels);
  return same;
}

std::string PluginPath() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string directory(path, length);
  directory.resize(directory.find_last_of("\\/") + 1);
  return directory + (sizeof(void*) == 8 ? "Palvo.sph" : "Palvo.spi");
}

} // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 0.3;
  const std::string plugin = PluginPath();
  HMODULE module = LoadLibraryA(plugin.c_str());
  GetPictureRoutine getPicture =
      module == nullptr ? nullptr
                        : reinterpret_cast<GetPictureRoutine>(reinterpret_cast<void*>(GetProcAddress(module, "GetPicture")));
  if (getPicture == nullptr) {
    std::printf("cannot load %s\n", plugin.c_str());
    return 2;
  }
  std::printf("%d-bit, best of repeated calls (ms); speed-up = classic / GetPicture, of floor = floor / GetPicture\n",
              static_cast<int>(8 * sizeof(void*)));
  std::printf("%-4s %-10s %-9s %9s %9s %9s %9s %9s  %s\n", "fmt", "kind", "size", "classic", "GetPic", "floor",
              "speed-up", "of floor", "target");
  static const size_t Sizes[2][2] = {{640, 480}, {1600, 1200}};
  int missed = 0, wrong = 0;
  for (int format = 0; format < 2; ++format) {
    const bool mcg = format == 1;
    for (int kindIndex = 0; kindIndex < BenchKindCount; ++kindIndex) {
      const PictureKindOfBench kind = static_cast<PictureKindOfBench>(kindIndex);
      for (const auto& dims : Sizes) {
        const size_t width = dims[0], height = dims[1];
        const Bytes pixels = BenchPixels(kind, width, height);
        const BenchFile file = mcg ? BenchMcg(pixels, width, height) : BenchIpf(pixels, width, height);
        const uint8_t* stream = file.File.data() + file.StreamOffset;
        const auto classic = [&](Handles* h) {
          return mcg ? ClassicGetMcg(stream, file.StreamLength, width, height, &h->Info, &h->Pixels)
                     : ClassicGetIpf(stream, file.StreamLength, width, height, &h->Info, &h->Pixels);
        };
        const auto host = [&](Handles* h) {
          return getPicture(reinterpret_cast<const char*>(file.File.data()), file.File.size(), 1, &h->Info,
                            &h->Pixels, nullptr, 0);
        };
        const auto floor = [&](Handles* h) { return FloorGet(width, height, &h->Info, &h->Pixels); };

        Handles ours, theirs;
        const bool exact = host(&ours) == 0 && classic(&theirs) == 0 && SamePixels(ours, theirs, width * height);
        ours.Free();
        theirs.Free();
        const double tClassic = BestSeconds(seconds, classic);
        const double tHost = BestSeconds(seconds, host);
        const double tFloor = BestSeconds(seconds, floor);
        const double speedUp = tClassic / tHost, ofFloor = tFloor / tHost;
        // As speeds: GetPicture >= min(2.5 x classic, 0.85 x floor).
        const bool met = speedUp >= 2.5 || ofFloor >= 0.85;
        const char* verdict = !exact ? "PIXELS DIFFER" : kind == Noise ? "-" : met ? "met" : "missed";
        if (!exact) ++wrong;
        if (exact && kind != Noise && !met) ++missed;
        char size[16];
        std::snprintf(size, sizeof size, "%zux%zu", width, height);
        std::printf("%-4s %-10s %-9s %9.2f %9.2f %9.2f %8.2fx %8.0f%%  %s\n", mcg ? "MCG" : "IPF", BenchKindName(kind),
                    size, 1e3 * tClassic, 1e3 * tHost, 1e3 * tFloor, speedUp, 100 * ofFloor, verdict);
        std::fflush(stdout);
      }
    }
  }
  std::printf("%d below the target, %d with differing pixels\n", missed, wrong);
  FreeLibrary(module);
  return wrong != 0 ? 1 : 0;
}
