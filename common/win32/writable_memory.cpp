#include "common/win32/writable_memory.h"

#include <windows.h>

#include <cstdint>

bool IsWritableMemory(const void* address, size_t count) {
  if (address == nullptr) return false;
  uintptr_t at = reinterpret_cast<uintptr_t>(address);
  const uintptr_t end = at + count;
  if (end < at) return false;
  const DWORD writable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
  while (at < end) {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(reinterpret_cast<const void*>(at), &info, sizeof info) == 0) return false;
    if (info.State != MEM_COMMIT || (info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0) return false;
    if ((info.Protect & writable) == 0) return false;
    const uintptr_t regionEnd = reinterpret_cast<uintptr_t>(info.BaseAddress) + info.RegionSize;
    if (regionEnd <= at) return false;
    at = regionEnd;
  }
  return true;
}
