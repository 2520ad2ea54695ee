#include "writers/ipf_encoder.h"

#include <algorithm>
#include <vector>

#include "writers/match_finder.h"

namespace {

constexpr size_t LongestRun = 0x0E00; // control bytes 0x00..0x0D
constexpr size_t LongestCopy = 256;
constexpr size_t FarthestCopy = 4096;
constexpr size_t CodeWithOperands = 3; // a run or a copy
// Decoders that move 4-byte units read a copy from fewer than 4 bytes back
// that outruns its distance differently; such copies are never made.
constexpr size_t OverlapSafeDistance = 4;
// Run lengths tried below a run's full length (beyond it only the full length).
constexpr size_t ShortRunsTried = 256;

// Bytes a value costs on its own: one for 0x0E and 0x10..0xEF, else a run of one.
size_t LiteralCost(uint8_t value) { return value == 0x0E || (value >= 0x10 && value <= 0xEF) ? 1 : 3; }

void PutLiteral(Bytes& out, uint8_t value) {
  if (value == 0x0E) {
    out.push_back(0x0E);
  } else if (value >= 0x10 && value <= 0xEF) {
    out.push_back(static_cast<uint8_t>(value + 0x10));
  } else {
    out.insert(out.end(), {0x00, 0x00, value});
  }
}

void PutRun(Bytes& out, uint8_t value, size_t length) {
  const size_t code = length - 1;
  out.insert(out.end(), {static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code), value});
}

void PutCopy(Bytes& out, size_t distance, size_t length) {
  const size_t code = distance - 1;
  out.insert(out.end(), {static_cast<uint8_t>(0x10 + (code >> 8)), static_cast<uint8_t>(code),
                         static_cast<uint8_t>(length - 1)});
}

// Length of the run of equal bytes from each position, capped at the longest run.
std::vector<uint32_t> RunLengths(const Bytes& pixels) {
  std::vector<uint32_t> runs(pixels.size());
  for (size_t i = pixels.size(); i-- > 0;) {
    const bool continues = i + 1 < pixels.size() && pixels[i + 1] == pixels[i];
    runs[i] = continues && runs[i + 1] < LongestRun ? runs[i + 1] + 1 : 1;
  }
  return runs;
}

// What the cheapest path does at a position.
struct Step {
  uint32_t Length = 1;   // bytes this code covers
  uint16_t Distance = 0; // the copy's distance; 0 for a literal or a run
  bool Run = false;
};

} // namespace

Bytes EncodeIpfCodes(const Bytes& pixels) {
  const size_t n = pixels.size();
  MatchFinder finder = StartMatchFinder(pixels.data(), n, FarthestCopy, LongestCopy);
  finder.OverlapFrom = OverlapSafeDistance;
  std::vector<Match> matches(n);
  for (size_t i = 0; i < n; ++i) {
    matches[i] = LongestMatch(finder, i);
    AddPosition(finder, i);
  }
  const std::vector<uint32_t> runs = RunLengths(pixels);

  // cost[i]: the fewest bytes that code pixels i.. and the end code.
  std::vector<uint64_t> cost(n + 1);
  std::vector<Step> steps(n);
  cost[n] = 1;
  for (size_t i = n; i-- > 0;) {
    Step best;
    uint64_t bestCost = LiteralCost(pixels[i]) + cost[i + 1];
    const size_t run = runs[i];
    const size_t match = matches[i].Length;
    const size_t reach = std::max(std::min(run, ShortRunsTried), match);
    for (size_t length = 1; length <= reach; ++length) {
      const uint64_t c = CodeWithOperands + cost[i + length];
      if (c < bestCost) {
        bestCost = c;
        best.Length = static_cast<uint32_t>(length);
        best.Run = length <= run;
        best.Distance = best.Run ? 0 : static_cast<uint16_t>(matches[i].Distance);
      }
    }
    if (run > reach && CodeWithOperands + cost[i + run] < bestCost) {
      bestCost = CodeWithOperands + cost[i + run];
      best = Step{static_cast<uint32_t>(run), 0, true};
    }
    cost[i] = bestCost;
    steps[i] = best;
  }

  Bytes out;
  out.reserve(static_cast<size_t>(cost[0]));
  for (size_t i = 0; i < n; i += steps[i].Length) {
    const Step& step = steps[i];
    if (step.Run) {
      PutRun(out, pixels[i], step.Length);
    } else if (step.Distance != 0) {
      PutCopy(out, step.Distance, step.Length);
    } else {
      PutLiteral(out, pixels[i]);
    }
  }
  out.push_back(0x0F);
  return out;
}
