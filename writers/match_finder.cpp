#include "writers/match_finder.h"

namespace {
constexpr size_t HashBits = 15;

size_t HashAt(const uint8_t* p) {
  const uint32_t v = p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
  return (v * 2654435761u) >> (32 - HashBits);
}
} // namespace

MatchFinder StartMatchFinder(const uint8_t* data, size_t size, size_t window, size_t maxLength) {
  MatchFinder finder;
  finder.Data = data;
  finder.Size = size;
  finder.Window = window;
  finder.MaxLength = maxLength;
  finder.Head.assign(size_t{1} << HashBits, -1);
  finder.Previous.assign(size, -1);
  return finder;
}

void AddPosition(MatchFinder& finder, size_t position) {
  if (position + 3 > finder.Size) return;
  const size_t hash = HashAt(finder.Data + position);
  finder.Previous[position] = finder.Head[hash];
  finder.Head[hash] = static_cast<int32_t>(position);
}

Match LongestMatch(const MatchFinder& finder, size_t position) {
  Match best;
  if (position + 3 > finder.Size) return best;
  const size_t limit = finder.Size - position < finder.MaxLength ? finder.Size - position : finder.MaxLength;
  const uint8_t* here = finder.Data + position;
  int32_t candidate = finder.Head[HashAt(here)];
  for (size_t step = 0; candidate >= 0 && step < finder.MaxSteps; ++step) {
    const size_t from = static_cast<size_t>(candidate);
    const size_t distance = position - from;
    if (distance > finder.Window) break;
    const uint8_t* there = finder.Data + from;
    const size_t cap = distance < finder.OverlapFrom && distance < limit ? distance : limit;
    size_t length = 0;
    while (length < cap && there[length] == here[length]) ++length;
    if (length > best.Length) {
      best.Length = length;
      best.Distance = distance;
      if (length == limit) break;
    }
    candidate = finder.Previous[from];
  }
  if (best.Length < 3) best = Match{};
  return best;
}
