#include "writers/mcg_encoder.h"

#include <algorithm>
#include <vector>

#include "writers/match_finder.h"

namespace {

constexpr size_t RingSize = 4096;
constexpr size_t FirstWriteIndex = RingSize - 18;
constexpr size_t ShortestReference = 3;
constexpr size_t LongestReference = 18;
constexpr uint64_t LiteralBits = 9;
constexpr uint64_t ReferenceBits = 17;

// The data follow a ring's worth of zeros, so runs of zero at the start can
// refer to the ring's initial content. The ring positions the first 18 bytes
// are written to are not used as sources before they are written.
constexpr size_t ZeroPrefix = RingSize;
constexpr size_t UnwrittenPositions = 18;

} // namespace

Bytes EncodeMcgLzss(const Bytes& unpacked) {
  Bytes data(ZeroPrefix + unpacked.size(), 0);
  std::copy(unpacked.begin(), unpacked.end(), data.begin() + ZeroPrefix);
  MatchFinder finder = StartMatchFinder(data.data(), data.size(), RingSize, LongestReference);
  for (size_t p = UnwrittenPositions; p < ZeroPrefix; ++p) AddPosition(finder, p);
  const size_t n = unpacked.size();
  std::vector<Match> matches(n);
  for (size_t i = 0; i < n; ++i) {
    matches[i] = LongestMatch(finder, ZeroPrefix + i);
    AddPosition(finder, ZeroPrefix + i);
  }

  // bits[i]: the fewest bits that pack bytes i..; length[i]: the item taken there.
  std::vector<uint64_t> bits(n + 1, 0);
  std::vector<uint8_t> length(n, 1);
  for (size_t i = n; i-- > 0;) {
    bits[i] = LiteralBits + bits[i + 1];
    for (size_t l = ShortestReference; l <= matches[i].Length; ++l) {
      if (ReferenceBits + bits[i + l] < bits[i]) {
        bits[i] = ReferenceBits + bits[i + l];
        length[i] = static_cast<uint8_t>(l);
      }
    }
  }

  Bytes out;
  size_t flagsAt = 0;
  int item = 8;
  for (size_t i = 0; i < n; i += length[i]) {
    if (item == 8) {
      flagsAt = out.size();
      out.push_back(0);
      item = 0;
    }
    if (length[i] >= ShortestReference) {
      const size_t source = ZeroPrefix + i - matches[i].Distance;
      const size_t ringPosition = (source + FirstWriteIndex) % RingSize;
      const size_t word = ringPosition | ((length[i] - ShortestReference) << 12);
      out.push_back(static_cast<uint8_t>(word));
      out.push_back(static_cast<uint8_t>(word >> 8));
    } else {
      out[flagsAt] |= static_cast<uint8_t>(1u << item);
      out.push_back(unpacked[i]);
    }
    ++item;
  }
  return out;
}
