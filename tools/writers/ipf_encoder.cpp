#include "tools/writers/ipf_encoder.h"

#include "tools/writers/match_finder.h"

namespace {

constexpr size_t LongestRun = 0x0E00;  // control bytes 0x00..0x0D
constexpr size_t LongestCopy = 256;
constexpr size_t FarthestCopy = 4096;

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

size_t RunAt(const Bytes& pixels, size_t position) {
  size_t length = 1;
  while (position + length < pixels.size() && length < LongestRun && pixels[position + length] == pixels[position]) {
    ++length;
  }
  return length;
}

} // namespace

Bytes EncodeIpfCodes(const Bytes& pixels) {
  Bytes out;
  MatchFinder finder = StartMatchFinder(pixels.data(), pixels.size(), FarthestCopy, LongestCopy);
  size_t position = 0;
  while (position < pixels.size()) {
    const size_t run = RunAt(pixels, position);
    Match match = LongestMatch(finder, position);
    // A copy shorter-distanced than 4 that outruns its distance is read
    // differently by decoders that move 4-byte units; keep such data portable.
    if (match.Distance < 4 && match.Length > match.Distance) match.Length = match.Distance;
    size_t taken = 1;
    if (run >= 3 && run >= match.Length) {
      PutRun(out, pixels[position], run);
      taken = run;
    } else if (match.Length >= 3) {
      size_t literalCost = 0;
      for (size_t i = 0; i < match.Length; ++i) literalCost += LiteralCost(pixels[position + i]);
      if (literalCost > 3) {
        PutCopy(out, match.Distance, match.Length);
        taken = match.Length;
      } else {
        PutLiteral(out, pixels[position]);
      }
    } else {
      PutLiteral(out, pixels[position]);
    }
    for (size_t i = 0; i < taken; ++i) AddPosition(finder, position + i);
    position += taken;
  }
  out.push_back(0x0F);
  return out;
}
