#include "tests/dll/process_usage.h"

// windows.h first: psapi.h relies on its types.
#include <psapi.h>

#include <cstdint>

// Open handles of the process. Wine answers GetProcessHandleCount with
// 0, so there every value a handle can have is asked whether it is open.
DWORD HandleCount() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) return count;
  for (uintptr_t value = 4; value < 0x40000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

// Private bytes: the system's count where it keeps one, else (Wine answers
// 0) the committed private regions of the address space added up.
SIZE_T PrivateBytes() {
  typedef BOOL(WINAPI * MemoryInfo)(HANDLE, PPROCESS_MEMORY_COUNTERS, DWORD);
  static const MemoryInfo query = reinterpret_cast<MemoryInfo>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (query != nullptr &&
      query(GetCurrentProcess(), reinterpret_cast<PPROCESS_MEMORY_COUNTERS>(&counters), sizeof counters) &&
      counters.PrivateUsage != 0) {
    return counters.PrivateUsage;
  }
  SIZE_T committed = 0;
  MEMORY_BASIC_INFORMATION region;
  for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) committed += region.RegionSize;
  }
  return committed;
}

SIZE_T HeapBytesInUse() {
  HANDLE heap = GetProcessHeap();
  SIZE_T used = 0;
  HeapLock(heap);
  PROCESS_HEAP_ENTRY entry{};
  while (HeapWalk(heap, &entry)) {
    if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
  }
  HeapUnlock(heap);
  return used;
}
