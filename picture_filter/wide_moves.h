// What the two pixel decoders' fast paths share beyond the word moves: on
// x86-64, where SSE2 is always there, 16-byte moves; everywhere, a table of
// each byte value repeated, from which a run (or a copy that repeats its last
// byte) is moved like any other copy, so that the choice between the two is
// a data move and not a jump the processor would miss.
#pragma once
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__) && UINTPTR_MAX > 0xFFFFFFFFu
#include <emmintrin.h>
#define FC_WIDE_MOVES 1
#else
// i686 makes no assumption about SSE2: the decoders keep to word moves.
#define FC_WIDE_MOVES 0
#endif

#if FC_WIDE_MOVES
inline __m128i Load16(const uint8_t* from) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)); }
inline void Store16(uint8_t* to, __m128i value) { _mm_storeu_si128(reinterpret_cast<__m128i*>(to), value); }

// Sixteen bytes; `from` lies 16 or more bytes before `to`, or apart from it.
inline void Copy16(uint8_t* to, const uint8_t* from) { Store16(to, Load16(from)); }
#endif

// BytePatternSpan bytes of each value: as many as the longest move that
// reads them (64 with 16-byte moves, 16 with word moves).
constexpr size_t BytePatternSpan = FC_WIDE_MOVES ? 64 : 16;
struct BytePatternTable {
  uint8_t Bytes[256][BytePatternSpan];
};

constexpr BytePatternTable MakeBytePatterns() {
  BytePatternTable table{};
  for (unsigned value = 0; value < 256; ++value) {
    for (unsigned i = 0; i < BytePatternSpan; ++i) table.Bytes[value][i] = static_cast<uint8_t>(value);
  }
  return table;
}

alignas(16) inline constexpr BytePatternTable BytePatterns = MakeBytePatterns();
