#include "archive/win32/extract_member.h"

#include <cstring>

#include "archive/win32/archive_input.h"
#include "archive/win32/archive_paths.h"
#include "common/win32/writable_memory.h"
#include "common/result_codes.h"
#include "common/win32/map_file.h"
#include "common/win32/path_api.h"

namespace {

constexpr int32_t MinimumMemoryBlock = 2048;

// The located member name as the target's file name: the bytes as they are
// for the classic export; converted from code page 932 for the Unicode one,
// where bytes that are no character of it (half a character, say) are
// refused, as the classic rules refuse half a character.
// `out` holds MemberNameBufferSize units.
bool TargetFileName(const char* located, char* out) {
  const size_t length = strnlen(located, MemberNameBufferSize - 1);
  std::memcpy(out, located, length);
  out[length] = '\0';
  return true;
}

bool TargetFileName(const char* located, wchar_t* out) {
  return WidenMemberText(located, strnlen(located, MemberNameBufferSize - 1), out, MemberNameBufferSize, true);
}

// The target file, held open with no sharing while the member is written,
// and whether this call brought it into being.
template <typename Char>
struct Target {
  Char Path[PathBufferSize];
  Char TempPath[PathBufferSize];
  HANDLE File;
  bool Created;
  bool HasTemp;
};

// Undoes what a failed or cancelled call left on disk: the temporary file
// always, the target only when this call created it (an empty file there
// would pass for an extracted member). A target that existed stays as it was.
template <typename Char>
void Abandon(Target<Char>* target) {
  if (target->HasTemp) PathApi<Char>::Delete(target->TempPath);
  if (target->File != INVALID_HANDLE_VALUE) CloseHandle(target->File);
  if (target->Created) PathApi<Char>::Delete(target->Path);
}

template <typename Char>
int32_t DeliverToFile(const MemberDelivery<Char>& delivery, const InputRange& input, const uint8_t* member,
                      const char* located, int32_t size, void* cursor) {
  const Char* dest = delivery.Destination;
  Char name[MemberNameBufferSize];
  // A name that could reach outside `dest` is never joined to it: nothing is created.
  if (dest == nullptr || !TargetFileName(located, name) || !IsPlainMemberName(name)) return ResultWriteFailed;
  if (size < 0) return ResultBrokenData;
  if (!EnsureDirectory(dest)) return ResultWriteFailed;

  Target<Char> target;
  target.File = INVALID_HANDLE_VALUE;
  target.Created = false;
  target.HasTemp = false;
  // EnsureDirectory proved that it fits.
  std::memcpy(target.Path, dest, (PathApi<Char>::Length(dest, PathBufferSize) + 1) * sizeof(Char));
  if (!AppendFileName(target.Path, name, PathBufferSize)) return ResultWriteFailed;

  // Windows refuses to write a read-only file; say so here too, where the
  // file system would let the owner (or a root user under emulation) through.
  const DWORD attributes = PathApi<Char>::Attributes(target.Path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    return ResultWriteFailed;
  }
  target.File = PathApi<Char>::Open(target.Path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
  if (target.File == INVALID_HANDLE_VALUE) return ResultWriteFailed;
  target.Created = GetLastError() != ERROR_ALREADY_EXISTS;

  if (!PathApi<Char>::TempFile(dest, target.TempPath)) {
    Abandon(&target);
    return ResultWriteFailed;
  }
  target.HasTemp = true;

  // GetTempFileName left an empty file: for an empty member that is already the result.
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
  if (!PathApi<Char>::Replace(target.TempPath, target.Path)) {
    Abandon(&target);
    return ResultWriteFailed;
  }
  return ResultSuccess;
}

template <typename Char>
int32_t DeliverToMemory(const MemberDelivery<Char>& delivery, const InputRange& input, const uint8_t* member,
                        int32_t size, void* cursor) {
  HLOCAL* handleOut = reinterpret_cast<HLOCAL*>(const_cast<Char*>(delivery.Destination));
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
  }
  return result;
}

} // namespace

template <typename Char>
int32_t DeliverMember(const MemberDelivery<Char>& delivery, const InputRange& input, const uint8_t* member,
                      const char* name, int32_t size, void* cursor) {
  switch ((delivery.Flag >> 8) & 7) {
    case FileOutputKind: return DeliverToFile(delivery, input, member, name, size, cursor);
    case MemoryOutputKind: return DeliverToMemory(delivery, input, member, size, cursor);
    default: return ResultNotImplemented;
  }
}

template <typename Char>
int32_t ExtractMember(const Char* src, uintptr_t len, const Char* dest, uint32_t flag, ProgressCallback progress,
                      intptr_t userData, MemberRoutines routines, void* cursor) {
  // Output to memory: the host's variable is null from the start, so that
  // after any failure, a cancel included, it holds nothing to free.
  if (((flag >> 8) & 7) == MemoryOutputKind) {
    HLOCAL* handleOut = reinterpret_cast<HLOCAL*>(const_cast<Char*>(dest));
    if (IsWritableMemory(handleOut, sizeof *handleOut)) *handleOut = nullptr;
  }
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
    const MemberDelivery<Char> delivery{dest, flag, reporter, routines.Write};
    result = DeliverMember(delivery, input.Range, input.Image, name, size, cursor);
  }
  CloseArchiveInput(&input);
  if (result == ResultSuccess) ReportProgress(reporter, 1, 1);
  return result;
}

template int32_t ExtractMember<char>(const char*, uintptr_t, const char*, uint32_t, ProgressCallback, intptr_t,
                                     MemberRoutines, void*);
template int32_t ExtractMember<wchar_t>(const wchar_t*, uintptr_t, const wchar_t*, uint32_t, ProgressCallback,
                                        intptr_t, MemberRoutines, void*);
template int32_t DeliverMember<char>(const MemberDelivery<char>&, const InputRange&, const uint8_t*, const char*,
                                     int32_t, void*);
template int32_t DeliverMember<wchar_t>(const MemberDelivery<wchar_t>&, const InputRange&, const uint8_t*,
                                        const char*, int32_t, void*);
