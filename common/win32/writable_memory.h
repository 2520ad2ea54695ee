#pragma once
#include <cstddef>

// True when the process may write `count` bytes at `address`, as the memory
// manager reports it (committed pages with a writable protection).
bool IsWritableMemory(const void* address, size_t count);
