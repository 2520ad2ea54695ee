#include "tools/writers/mcg_encoder.h"

#include "tools/writers/match_finder.h"

namespace {

constexpr size_t RingSize = 4096;
constexpr size_t FirstWriteIndex = RingSize - 18;
constexpr size_t LongestReference = 18;

// The data follow a ring's worth of zeros, so runs of zero at the start can
// refer to the ring's initial content. The ring positions the first 18 bytes
// are written to are not used as sources before they are written.
constexpr size_t ZeroPrefix = RingSize;
constexpr size_t UnwrittenPositions = 18;

} // namespace

Bytes EncodeMcgLzss(const Bytes& unpacked) {
  Bytes data(ZeroPrefix, 0);
  data.insert(data.end(), unpacked.begin(), unpacked.end());
  MatchFinder finder = StartMatchFinder(data.data(), data.size(), RingSize, LongestReference);
  for (size_t p = UnwrittenPositions; p < ZeroPrefix; ++p) AddPosition(finder, p);

  Bytes out;
  size_t flagsAt = 0;
  int item = 8;
  size_t position = ZeroPrefix;
  while (position < data.size()) {
    if (item == 8) {
      flagsAt = out.size();
      out.push_back(0);
      item = 0;
    }
    const Match match = LongestMatch(finder, position);
    size_t taken = 1;
    if (match.Length >= 3) {
      const size_t source = position - match.Distance;
      const size_t ringPosition = (source + FirstWriteIndex) % RingSize;
      const size_t word = ringPosition | ((match.Length - 3) << 12);
      out.push_back(static_cast<uint8_t>(word));
      out.push_back(static_cast<uint8_t>(word >> 8));
      taken = match.Length;
    } else {
      out[flagsAt] |= static_cast<uint8_t>(1u << item);
      out.push_back(data[position]);
    }
    ++item;
    for (size_t i = 0; i < taken; ++i) AddPosition(finder, position + i);
    position += taken;
  }
  return out;
}
