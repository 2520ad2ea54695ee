// The moves the two pixel decoders make in their fast paths. They work in
// whole words and may write up to MatchOverrun bytes past the end of what
// they were asked for; the work buffers keep a run-out for that, and the next
// code overwrites those bytes before anything reads them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

constexpr size_t MatchOverrun = 24;

// The widest plain register: 64 bits on x86-64, and in WebAssembly, whose
// 64-bit integers are native although its pointers have 32 bits.
#if UINTPTR_MAX > 0xFFFFFFFFu || defined(__wasm__)
typedef uint64_t MatchWord;
#else
typedef uint32_t MatchWord; // i686: a 64-bit move would cost two registers anyway
#endif

inline void Copy4(uint8_t* to, const uint8_t* from) {
  uint32_t a;
  std::memcpy(&a, from, sizeof a);
  std::memcpy(to, &a, sizeof a);
}

// Eight bytes; `from` may lie 8 or more bytes before `to` with the ranges
// overlapping, as the words are read before they are written. On i686 with
// SSE2 one SSE2 register moves them, rather than two words.
inline void Copy8(uint8_t* to, const uint8_t* from) {
#if defined(__SSE2__) && UINTPTR_MAX <= 0xFFFFFFFFu
  _mm_storel_epi64(reinterpret_cast<__m128i*>(to), _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from)));
#else
  MatchWord a, b;
  std::memcpy(&a, from, sizeof a);
  if (sizeof(MatchWord) == 8) {
    std::memcpy(to, &a, sizeof a);
  } else {
    std::memcpy(&b, from + 4, sizeof b);
    std::memcpy(to, &a, sizeof a);
    std::memcpy(to + 4, &b, sizeof b);
  }
#endif
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

// The first 8 bytes of a copy from `from` = out - distance, as a byte-by-byte
// forward copy gives them. Returns the source of out + 8: for a distance of 8
// or more the plain next byte; for a shorter one a position a multiple of the
// distance, and 8 to 14 bytes, before out + 8, so that from there on the copy
// moves in whole 8-byte words. Reads only bytes before `out` and those it has
// already written.
inline const uint8_t* StartMatch(uint8_t* out, const uint8_t* from, size_t distance) {
  if (distance >= 8) {
    Copy8(out, from);
    return from + 8;
  }
  // Four bytes one at a time; then a word from a point where its four bytes
  // are known: a whole number of periods back from out + 4, all before it.
  static const uint8_t Ahead[8] = {0, 1, 2, 1, 0, 4, 4, 4};
  static const uint8_t Lag[8] = {0, 9, 8, 9, 8, 10, 12, 14};
  out[0] = from[0];
  out[1] = from[1];
  out[2] = from[2];
  out[3] = from[3];
  Copy4(out + 4, from + Ahead[distance]);
  return out + 8 - Lag[distance];
}

// `length` bytes at `out`, each a copy of the byte `distance` before it, as a
// byte-by-byte forward copy gives them: a distance shorter than the length
// repeats the last `distance` bytes. Reads only bytes before `out` and those
// this copy has already written.
inline void CopyMatch(uint8_t* out, size_t distance, size_t length) {
  if (distance == 1) {
    FillRun(out, out[-1], length);
    return;
  }
  uint8_t* const end = out + length;
  const uint8_t* from = StartMatch(out, out - distance, distance);
  Copy8(out + 8, from);
  Copy8(out + 16, from + 8);
  out += 24;
  from += 16;
  for (; out < end; out += 8, from += 8) Copy8(out, from);
}

// A distance of 1 repeats one byte: a word of it is stored directly, as
// reading back bytes stored a moment ago in other sizes stalls the processor.
inline MatchWord RepeatedByte(uint8_t value) {
  return static_cast<MatchWord>(value) * static_cast<MatchWord>(~MatchWord{0} / 0xFF);
}

// The same for a length of at most 24: no loop.
inline void CopyShortMatch(uint8_t* out, size_t distance) {
  if (distance == 1) {
    const MatchWord pattern = RepeatedByte(out[-1]);
    Store8Pattern(out, pattern);
    Store8Pattern(out + 8, pattern);
    Store8Pattern(out + 16, pattern);
    return;
  }
  const uint8_t* from = StartMatch(out, out - distance, distance);
  Copy8(out + 8, from);
  Copy8(out + 16, from + 8);
}
