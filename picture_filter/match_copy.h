// The moves the two pixel decoders make in their fast paths. They work in
// whole words and may write up to MatchOverrun bytes past the end of what
// they were asked for; the work buffers keep a run-out for that, and the next
// code overwrites those bytes before anything reads them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

constexpr size_t MatchOverrun = 16;

#if UINTPTR_MAX > 0xFFFFFFFFu
typedef uint64_t MatchWord;
#else
typedef uint32_t MatchWord; // i686: a 64-bit move would cost two registers anyway
#endif

inline void Copy8(uint8_t* to, const uint8_t* from) {
  MatchWord a, b;
  std::memcpy(&a, from, sizeof a);
  if (sizeof(MatchWord) == 8) {
    std::memcpy(to, &a, sizeof a);
  } else {
    std::memcpy(&b, from + 4, sizeof b);
    std::memcpy(to, &a, sizeof a);
    std::memcpy(to + 4, &b, sizeof b);
  }
}

inline void Store8Pattern(uint8_t* to, MatchWord pattern) {
  std::memcpy(to, &pattern, sizeof pattern);
  if (sizeof(MatchWord) == 4) std::memcpy(to + 4, &pattern, sizeof pattern);
}

// `length` bytes of `value` at `out`.
inline void FillRun(uint8_t* out, uint8_t value, size_t length) {
  if (length <= 16) {
    const MatchWord pattern = static_cast<MatchWord>(value) * static_cast<MatchWord>(~MatchWord{0} / 0xFF);
    Store8Pattern(out, pattern);
    Store8Pattern(out + 8, pattern);
  } else {
    std::memset(out, value, length);
  }
}

// `length` bytes at `out`, each a copy of the byte `distance` before it, as a
// byte-by-byte forward copy gives them: a distance shorter than the length
// repeats the last `distance` bytes. Reads only bytes before `out` and those
// this copy has already written.
inline void CopyMatch(uint8_t* out, size_t distance, size_t length) {
  uint8_t* const end = out + length;
  if (distance >= 8) {
    // Most copies are short: two words unconditionally, a loop only beyond.
    const uint8_t* from = out - distance;
    Copy8(out, from);
    Copy8(out + 8, from + 8);
    for (out += 16, from += 16; out < end; out += 8, from += 8) Copy8(out, from);
    return;
  }
  if (distance == 1) {
    FillRun(out, out[-1], length);
    return;
  }
  // Lay down whole periods byte by byte until they span 8 bytes; from there a
  // distance of that span (a multiple of the period) copies in whole words.
  static const uint8_t PeriodSpan[8] = {0, 8, 8, 9, 8, 10, 12, 14};
  const size_t span = PeriodSpan[distance];
  const uint8_t* from = out - distance;
  for (size_t i = 0; i < span; ++i) out[i] = from[i];
  for (uint8_t* o = out + span; o < end; o += 8) Copy8(o, o - span);
}
