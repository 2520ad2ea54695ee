// The bytes of one input (a mapped file, or the host's memory block) and
// the bounds test every format routine runs before it reads.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

struct InputRange {
  const uint8_t* First; // first readable byte
  size_t Size;          // readable bytes from First on
};

// The address of `count` bytes that start `offset` bytes after `at`, or null
// when any of them lies outside the range. `at` must itself lie in the range
// (or be its end). The test is done on offsets, so no address outside the
// range is ever formed.
inline const uint8_t* ReadableAt(const InputRange& range, const uint8_t* at, int64_t offset,
                                 size_t count) {
  const int64_t start = static_cast<int64_t>(at - range.First) + offset;
  if (start < 0 || static_cast<uint64_t>(start) > range.Size) return nullptr;
  if (count > range.Size - static_cast<size_t>(start)) return nullptr;
  return range.First + start;
}

inline bool IsReadable(const InputRange& range, const uint8_t* at, size_t count) {
  return ReadableAt(range, at, 0, count) != nullptr;
}

// Bytes readable from `at` to the end of the range.
inline size_t BytesLeft(const InputRange& range, const uint8_t* at) {
  return range.Size - static_cast<size_t>(at - range.First);
}

// Little-endian field reads; the caller has proven the bytes readable.
inline uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t ReadI32(const uint8_t* p) { return static_cast<int32_t>(ReadU32(p)); }
inline bool HasTag(const uint8_t* p, const char tag[4]) { return std::memcmp(p, tag, 4) == 0; }
