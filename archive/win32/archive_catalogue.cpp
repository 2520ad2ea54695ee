#include "archive/win32/archive_catalogue.h"

#include <cstring>

#include "archive/win32/archive_input.h"
#include "archive/win32/writable_memory.h"
#include "common/result_codes.h"
#include "common/win32/readable_memory.h"

namespace {

constexpr uint32_t IgnoreCaseFlag = 0x80;

int32_t ResizeLocalBlock(Catalogue* catalogue, int32_t capacity) {
  HLOCAL block = static_cast<HLOCAL>(catalogue->Block);
  LocalUnlock(block);
  catalogue->Records = nullptr;
  const SIZE_T bytes = static_cast<SIZE_T>(capacity + 1) * sizeof(FileInfo);
  HLOCAL grown = LocalReAlloc(block, bytes, LMEM_MOVEABLE | LMEM_ZEROINIT);
  if (grown == nullptr) {
    // The old block stays; relock it so the records committed so far are still reachable.
    catalogue->Records = static_cast<FileInfo*>(LocalLock(block));
    return ResultNoMemory;
  }
  catalogue->Block = grown;
  catalogue->Records = static_cast<FileInfo*>(LocalLock(grown));
  return catalogue->Records == nullptr ? ResultLockFailed : ResultSuccess;
}

int CompareAnsiNames(const char* wanted, const char* candidate, bool ignoreCase) {
  return ignoreCase ? lstrcmpiA(wanted, candidate) : lstrcmpA(wanted, candidate);
}

} // namespace

int32_t OpenCatalogue(Catalogue* catalogue, HostWord baseOffset) {
  std::memset(catalogue, 0, sizeof *catalogue);
  catalogue->Mode = ListMode;
  catalogue->BaseOffset = baseOffset;
  catalogue->Resize = ResizeLocalBlock;
  HLOCAL block = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(FileInfo));
  if (block == nullptr) return ResultNoMemory;
  catalogue->Records = static_cast<FileInfo*>(LocalLock(block));
  if (catalogue->Records == nullptr) {
    LocalFree(block);
    return ResultLockFailed;
  }
  catalogue->Block = block;
  return ResultSuccess;
}

void CloseCatalogue(Catalogue* catalogue, int32_t result) {
  FinishCatalogue(catalogue, result);
  HLOCAL block = static_cast<HLOCAL>(catalogue->Block);
  if (catalogue->Records != nullptr) LocalUnlock(block);
  catalogue->Records = nullptr;
  if (result != ResultSuccess) {
    LocalFree(block);
    catalogue->Block = nullptr;
  }
}

int32_t ProbeArchiveHead(const char* /*filename*/, uintptr_t handleOrAddress, CheckArchiveHeadRoutine check,
                         size_t count) {
  if (count > MaxHeadSize) count = MaxHeadSize;
  if ((handleOrAddress >> 16) != 0) {
    const uint8_t* head = reinterpret_cast<const uint8_t*>(handleOrAddress);
    if (ReadableBytesFrom(head, count) < count) return 0;
    return check(InputRange{head, count});
  }
  // Bytes past a short read are zero, never left over from elsewhere.
  uint8_t buffer[MaxHeadSize] = {};
  const HANDLE file = reinterpret_cast<HANDLE>(handleOrAddress);
  DWORD read = 0;
  if (!ReadFile(file, buffer, static_cast<DWORD>(count), &read, nullptr) || read == 0) return 0;
  // The next plug-in the host asks must see the same bytes.
  SetFilePointer(file, -static_cast<LONG>(read), nullptr, FILE_CURRENT);
  return check(InputRange{buffer, count});
}

int32_t ListArchive(const char* buf, uintptr_t len, uint32_t flag, HLOCAL* handleOut,
                    EnumerateEntriesRoutine enumerate) {
  ArchiveInput input;
  int32_t result = OpenArchiveInput(buf, len, flag, &input);
  if (result != ResultSuccess) return result;
  if (!IsWritableMemory(handleOut, sizeof *handleOut)) {
    CloseArchiveInput(&input);
    return ResultLockFailed;
  }
  *handleOut = nullptr;
  Catalogue catalogue;
  result = OpenCatalogue(&catalogue, input.BaseOffset);
  if (result == ResultSuccess) {
    result = enumerate(input.Range, input.Image, &catalogue);
    CloseCatalogue(&catalogue, result);
    if (result == ResultSuccess) *handleOut = static_cast<HLOCAL>(catalogue.Block);
  }
  CloseArchiveInput(&input);
  return result;
}

int32_t FindArchiveEntry(const char* buf, uintptr_t len, const char* filename, uint32_t flag, FileInfo* info,
                         EnumerateEntriesRoutine enumerate) {
  if (!IsWritableMemory(info, sizeof *info)) return ResultLockFailed;
  std::memset(info, 0, sizeof *info);
  ArchiveInput input;
  int32_t result = OpenArchiveInput(buf, len, flag, &input);
  if (result != ResultSuccess) return result;
  if (filename == nullptr) {
    CloseArchiveInput(&input);
    return ResultNotOurFormat;
  }
  Catalogue catalogue;
  std::memset(&catalogue, 0, sizeof catalogue);
  catalogue.Mode = FindMode;
  catalogue.BaseOffset = input.BaseOffset;
  catalogue.Current = info;
  catalogue.TargetName = filename;
  catalogue.IgnoreCase = (flag & IgnoreCaseFlag) != 0 ? 1 : 0;
  catalogue.Compare = CompareAnsiNames;
  const int32_t found = enumerate(input.Range, input.Image, &catalogue);
  if (found == ResultSuccess) {
    result = ResultNotOurFormat;
  } else if (found == EntryFound) {
    result = ResultSuccess;
  } else {
    result = found;
  }
  CloseArchiveInput(&input);
  return result;
}
