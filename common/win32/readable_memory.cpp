#include "readable_memory.h"

#include <windows.h>

#include <cstdint>

namespace {

bool IsReadableRegion(const MEMORY_BASIC_INFORMATION& info) {
  if (info.State != MEM_COMMIT) return false;
  if (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) return false;
  const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                         PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  return (info.Protect & readable) != 0;
}

} // namespace

size_t ReadableBytesFrom(const void* address, size_t limit) {
  uintptr_t at = reinterpret_cast<uintptr_t>(address);
  size_t counted = 0;
  while (counted < limit) {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(reinterpret_cast<const void*>(at), &info, sizeof info) == 0) break;
    if (!IsReadableRegion(info)) break;
    const uintptr_t regionEnd = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
    if (regionEnd <= at) break; // wrapped at the top of the address space
    counted += regionEnd - at;
    at = regionEnd;
  }
  return counted < limit ? counted : limit;
}

size_t ReadableBytesBefore(const void* address, size_t limit) {
  uintptr_t at = reinterpret_cast<uintptr_t>(address);
  size_t counted = 0;
  while (counted < limit && at > 0) {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(reinterpret_cast<const void*>(at - 1), &info, sizeof info) == 0) break;
    if (!IsReadableRegion(info)) break;
    const uintptr_t regionStart = reinterpret_cast<uintptr_t>(info.BaseAddress);
    counted += at - regionStart;
    at = regionStart;
  }
  return counted < limit ? counted : limit;
}
