// The longest earlier repeat of the bytes at a position, for the encoders:
// hash chains over 3-byte prefixes, searched a bounded number of steps deep.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct Match {
  size_t Distance = 0; // 1..window
  size_t Length = 0;   // 0 when nothing of at least 3 bytes repeats
};

struct MatchFinder {
  const uint8_t* Data = nullptr;
  size_t Size = 0;
  size_t Window = 0;     // farthest distance a reference may reach
  size_t MaxLength = 0;  // longest reference
  size_t MaxSteps = 64;  // chain steps per search
  size_t OverlapFrom = 0; // a reference from fewer bytes back may not outrun its distance
  std::vector<int32_t> Head;
  std::vector<int32_t> Previous;
};

MatchFinder StartMatchFinder(const uint8_t* data, size_t size, size_t window, size_t maxLength);
// Makes the position a candidate source for later searches; call in order.
void AddPosition(MatchFinder& finder, size_t position);
// The longest match for the bytes at `position` among the added positions.
Match LongestMatch(const MatchFinder& finder, size_t position);
