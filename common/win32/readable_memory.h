// How many bytes from an address the process can read, as the memory manager
// reports it. The bound for memory input whose size the host did not give.
#pragma once
#include <cstddef>

// Bytes readable from `address` on, across adjacent committed readable
// regions, counted up to `limit` at most; 0 when `address` itself is not readable.
size_t ReadableBytesFrom(const void* address, size_t limit);

// Bytes readable directly before `address`, within the same run of committed
// readable regions, counted up to `limit` at most.
size_t ReadableBytesBefore(const void* address, size_t limit);
