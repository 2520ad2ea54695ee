#include "archive/win32/extract_member.h"

#include <cstring>

#include "archive/path_text.h"
#include "archive/win32/archive_input.h"
#include "archive/win32/archive_paths.h"
#include "archive/win32/writable_memory.h"
#include "common/result_codes.h"
#include "common/win32/map_file.h"

namespace {

constexpr int32_t MinimumMemoryBlock = 2048;

// The target file, held open with no sharing while the member is written,
// and whether this call brought it into being.
struct Target {
  char Path[PathBufferSize];
  char TempPath[PathBufferSize];
  HANDLE File;
  bool Created;
  bool HasTemp;
};

// Undoes what a failed or cancelled call left on disk: the temporary file
// always, the target only when this call created it (an empty file there
// would pass for an extracted member). A target that existed stays as it was.
void Abandon(Target* target) {
  if (target->HasTemp) DeleteFileA(target->TempPath);
  if (target->File != INVALID_HANDLE_VALUE) CloseHandle(target->File);
  if (target->Created) DeleteFileA(target->Path);
}

int32_t DeliverToFile(const MemberDelivery& delivery, const InputRange& input, const uint8_t* member,
                      const char* name, int32_t size, void* cursor) {
  const char* dest = delivery.Destination;
  // A name that could reach outside `dest` is never joined to it: nothing is created.
  if (dest == nullptr || !IsPlainFileName(name, IsAnsiLeadByte)) return ResultWriteFailed;
  if (size < 0) return ResultBrokenData;
  if (!EnsureDirectory(dest)) return ResultWriteFailed;

  Target target;
  target.File = INVALID_HANDLE_VALUE;
  target.Created = false;
  target.HasTemp = false;
  std::memcpy(target.Path, dest, std::strlen(dest) + 1); // EnsureDirectory proved it fits
  if (!AppendFileName(target.Path, name, PathBufferSize)) return ResultWriteFailed;

  // Windows refuses to write a read-only file; say so here too, where the
  // file system would let the owner (or a root user under emulation) through.
  const DWORD attributes = GetFileAttributesA(target.Path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    return ResultWriteFailed;
  }
  target.File = CreateFileA(target.Path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (target.File == INVALID_HANDLE_VALUE) return ResultWriteFailed;
  target.Created = GetLastError() != ERROR_ALREADY_EXISTS;

  if (GetTempFileNameA(dest, "SPI", 0, target.TempPath) == 0) {
    Abandon(&target);
    return ResultWriteFailed;
  }
  target.HasTemp = true;

  // GetTempFileNameA left an empty file: for an empty member that is already the result.
  if (size > 0) {
    HANDLE tempFile;
    HANDLE tempMapping;
    uint8_t* view = MapFile(target.TempPath, static_cast<uint32_t>(size), &tempFile, &tempMapping);
    if (view == nullptr) {
      Abandon(&target);
      return ResultWriteFailed;
    }
    const int32_t result = delivery.Write(input, member, view, size, delivery.Reporter, cursor);
    UnmapFile(view, tempMapping, tempFile);
    if (result != ResultSuccess) {
      Abandon(&target);
      return result;
    }
  }

  CloseHandle(target.File);
  target.File = INVALID_HANDLE_VALUE;
  // One step: the old target is there until the new content takes its name.
  if (!MoveFileExA(target.TempPath, target.Path, MOVEFILE_REPLACE_EXISTING)) {
    Abandon(&target);
    return ResultWriteFailed;
  }
  return ResultSuccess;
}

int32_t DeliverToMemory(const MemberDelivery& delivery, const InputRange& input, const uint8_t* member,
                        int32_t size, void* cursor) {
  HLOCAL* handleOut = reinterpret_cast<HLOCAL*>(const_cast<char*>(delivery.Destination));
  if (!IsWritableMemory(handleOut, sizeof *handleOut)) return ResultLockFailed;
  const int32_t blockSize = size < MinimumMemoryBlock ? MinimumMemoryBlock : size;
  HLOCAL block = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, static_cast<SIZE_T>(blockSize));
  if (block == nullptr) return ResultNoMemory;
  uint8_t* output = static_cast<uint8_t*>(LocalLock(block));
  if (output == nullptr) {
    LocalFree(block);
    return ResultLockFailed;
  }
  const int32_t result = delivery.Write(input, member, output, size, delivery.Reporter, cursor);
  LocalUnlock(block);
  if (result == ResultSuccess) {
    *handleOut = block;
  } else {
    LocalFree(block);
    *handleOut = nullptr;
  }
  return result;
}

} // namespace

int32_t DeliverMember(const MemberDelivery& delivery, const InputRange& input, const uint8_t* member,
                      const char* name, int32_t size, void* cursor) {
  switch ((delivery.Flag >> 8) & 7) {
    case FileOutputKind: return DeliverToFile(delivery, input, member, name, size, cursor);
    case MemoryOutputKind: return DeliverToMemory(delivery, input, member, size, cursor);
    default: return ResultNotImplemented;
  }
}

int32_t ExtractMember(const char* src, uintptr_t len, const char* dest, uint32_t flag, ProgressCallback progress,
                      intptr_t userData, MemberRoutines routines, void* cursor) {
  const Progress reporter{progress, userData};
  if (ReportProgress(reporter, 0, 1)) return ResultCancelled;
  ArchiveInput input;
  int32_t result = OpenArchiveInput(src, len, flag, &input);
  if (result != ResultSuccess) return result;
  char name[MemberNameBufferSize];
  int32_t size = 0;
  name[0] = '\0';
  result = routines.Locate(input.Range, input.Image, name, &size, cursor);
  name[MemberNameBufferSize - 1] = '\0';
  if (result == ResultSuccess) {
    const MemberDelivery delivery{dest, flag, reporter, routines.Write};
    result = DeliverMember(delivery, input.Range, input.Image, name, size, cursor);
  }
  CloseArchiveInput(&input);
  if (result == ResultSuccess) ReportProgress(reporter, 1, 1);
  return result;
}
