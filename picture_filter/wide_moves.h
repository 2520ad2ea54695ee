// What the two pixel decoders' fast paths share beyond the word moves:
// 16-byte moves, and a table of each byte value repeated, from which a run
// (or a copy that repeats its last byte) is moved like any other copy, so
// that the choice between the two is a data move and not a jump the
// processor would miss.
//
// With SSE2 (every x86-64 processor, and the i686 plug-ins' baseline) the
// moves are SSE2 registers, and in WebAssembly built with its 128-bit
// operations (-msimd128) they are those; elsewhere the same operations are
// written out byte by byte, so that the one fast loop of each decoder builds
// and behaves the same on any processor.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define FC_SSE2_MOVES 1
#else
#define FC_SSE2_MOVES 0
#endif

#if !FC_SSE2_MOVES && defined(__wasm_simd128__)
#include <wasm_simd128.h>
#define FC_WASM_SIMD_MOVES 1
#else
#define FC_WASM_SIMD_MOVES 0
#endif

// The operations byte by byte: what a processor without SSE2 runs, and
// what the tests hold the SSE2 operations to.
namespace plain_moves {

struct Bytes16 {
  uint8_t Byte[16];
};

inline Bytes16 Load16(const uint8_t* from) {
  Bytes16 value;
  std::memcpy(value.Byte, from, 16);
  return value;
}
inline void Store16(uint8_t* to, Bytes16 value) { std::memcpy(to, value.Byte, 16); }

// Each byte less `amount`, modulo 256.
inline Bytes16 SubtractFromEach(Bytes16 value, uint8_t amount) {
  for (uint8_t& byte : value.Byte) byte = static_cast<uint8_t>(byte - amount);
  return value;
}

// Bit i set when byte i is below `bound` (1 to 255).
inline unsigned BelowMask16(Bytes16 value, uint8_t bound) {
  unsigned mask = 0;
  for (unsigned i = 0; i < 16; ++i) mask |= static_cast<unsigned>(value.Byte[i] < bound) << i;
  return mask;
}

} // namespace plain_moves

#if FC_SSE2_MOVES
typedef __m128i Bytes16;

inline Bytes16 Load16(const uint8_t* from) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)); }
inline void Store16(uint8_t* to, Bytes16 value) { _mm_storeu_si128(reinterpret_cast<__m128i*>(to), value); }

inline Bytes16 SubtractFromEach(Bytes16 value, uint8_t amount) {
  return _mm_sub_epi8(value, _mm_set1_epi8(static_cast<char>(amount)));
}

inline unsigned BelowMask16(Bytes16 value, uint8_t bound) {
  const __m128i overOrZero = _mm_subs_epu8(value, _mm_set1_epi8(static_cast<char>(bound - 1)));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(overOrZero, _mm_setzero_si128())));
}
#elif FC_WASM_SIMD_MOVES
typedef v128_t Bytes16;

inline Bytes16 Load16(const uint8_t* from) { return wasm_v128_load(from); }
inline void Store16(uint8_t* to, Bytes16 value) { wasm_v128_store(to, value); }

inline Bytes16 SubtractFromEach(Bytes16 value, uint8_t amount) {
  return wasm_i8x16_sub(value, wasm_i8x16_splat(static_cast<int8_t>(amount)));
}

// WebAssembly compares unsigned bytes directly.
inline unsigned BelowMask16(Bytes16 value, uint8_t bound) {
  return static_cast<unsigned>(wasm_i8x16_bitmask(wasm_u8x16_lt(value, wasm_u8x16_splat(bound))));
}
#else
using plain_moves::BelowMask16;
using plain_moves::Bytes16;
using plain_moves::Load16;
using plain_moves::Store16;
using plain_moves::SubtractFromEach;
#endif

// Sixteen bytes; `from` lies 16 or more bytes before `to`, or apart from it.
inline void Copy16(uint8_t* to, const uint8_t* from) { Store16(to, Load16(from)); }

// `whenTrue` if `condition`, else `whenFalse`, by masks rather than a jump:
// the fast paths choose between a run and a copy, which come in no order
// the processor could predict.
template <typename Value>
inline Value Select(bool condition, Value whenTrue, Value whenFalse) {
  const uintptr_t mask = 0 - static_cast<uintptr_t>(condition);
  const uintptr_t chosen = (static_cast<uintptr_t>(whenTrue) & mask) | (static_cast<uintptr_t>(whenFalse) & ~mask);
  return static_cast<Value>(chosen);
}

template <typename Pointee>
inline Pointee* Select(bool condition, Pointee* whenTrue, Pointee* whenFalse) {
  return reinterpret_cast<Pointee*>(
      Select(condition, reinterpret_cast<uintptr_t>(whenTrue), reinterpret_cast<uintptr_t>(whenFalse)));
}

// BytePatternSpan bytes of each value: as many as the longest move that reads them.
constexpr size_t BytePatternSpan = 64;
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
