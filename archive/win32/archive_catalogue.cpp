#include "archive/win32/archive_catalogue.h"

#include <cstring>

#include "archive/win32/archive_input.h"
#include "archive/win32/archive_paths.h"
#include "archive/win32/wide_file_info.h"
#include "common/win32/writable_memory.h"
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

// The Unicode find: `wanted` is the host's UTF-16 name, passed through the
// catalogue's TargetName unchanged; the candidate (code page 932 bytes) is
// converted as the listing converts it, then compared with the same
// platform comparisons the classic find makes, in their UTF-16 form:
// lstrcmpW, or lstrcmpiW without regard to case (which folds the case of
// Cyrillic, Greek and full-width Latin letters too).
int CompareWideNames(const char* wanted, const char* candidate, bool ignoreCase) {
  const wchar_t* wantedText = reinterpret_cast<const wchar_t*>(wanted);
  wchar_t candidateText[FullNameBufferSize];
  WidenMemberText(candidate, std::strlen(candidate), candidateText, FullNameBufferSize, false);
  return ignoreCase ? lstrcmpiW(wantedText, candidateText) : lstrcmpW(wantedText, candidateText);
}

void WidenRecord(const FileInfo& narrow, FileInfoW* wide) {
  std::memset(wide, 0, sizeof *wide);
  std::memcpy(wide->Method, narrow.Method, sizeof wide->Method);
  wide->Position = narrow.Position;
  wide->CompressedSize = narrow.CompressedSize;
  wide->FileSize = narrow.FileSize;
  wide->Timestamp = narrow.Timestamp;
  // A field with no NUL in its 200 bytes gives at most 200 units: then none follows either.
  WidenMemberText(narrow.Path, strnlen(narrow.Path, FileInfoTextSize), wide->Path, FileInfoTextSize, false);
  WidenMemberText(narrow.FileName, strnlen(narrow.FileName, FileInfoTextSize), wide->FileName, FileInfoTextSize,
                  false);
  wide->Crc = narrow.Crc;
}

// Replaces the finished list (count records and the zero terminator, in an
// unlocked moveable block) by its UTF-16 form. The narrow block is freed on
// every path; on failure nothing is left allocated.
int32_t WidenCatalogue(HLOCAL narrowBlock, int32_t count, HLOCAL* wideBlock) {
  *wideBlock = nullptr;
  const size_t records = static_cast<size_t>(count) + 1;
  if (records > SIZE_MAX / sizeof(FileInfoW)) {
    LocalFree(narrowBlock);
    return ResultNoMemory;
  }
  HLOCAL block = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, static_cast<SIZE_T>(records * sizeof(FileInfoW)));
  if (block == nullptr) {
    LocalFree(narrowBlock);
    return ResultNoMemory;
  }
  const FileInfo* from = static_cast<const FileInfo*>(LocalLock(narrowBlock));
  FileInfoW* to = static_cast<FileInfoW*>(LocalLock(block));
  int32_t result = ResultLockFailed;
  if (from != nullptr && to != nullptr) {
    for (int32_t i = 0; i < count; ++i) WidenRecord(from[i], &to[i]);
    result = ResultSuccess; // the terminator is the block's zeroed last record
  }
  if (from != nullptr) LocalUnlock(narrowBlock);
  if (to != nullptr) LocalUnlock(block);
  LocalFree(narrowBlock);
  if (result != ResultSuccess) {
    LocalFree(block);
    return result;
  }
  *wideBlock = block;
  return ResultSuccess;
}

// What differs between the classic and the Unicode catalogue exports: the
// host's record, how the found record reaches it, how names are compared,
// and how the finished list is handed over.
template <typename Char>
struct HostRecords;

template <>
struct HostRecords<char> {
  using Record = FileInfo;
  // The classic record is the enumerator's own: it is filled in place.
  static FileInfo* Slot(Record* host, FileInfo* /*scratch*/) { return host; }
  static void Deliver(const FileInfo& /*found*/, Record* /*host*/) {}
  static const char* Target(const char* name) { return name; }
  static constexpr CompareNamesRoutine Compare = CompareAnsiNames;
  static int32_t HandOver(HLOCAL block, int32_t /*count*/, HLOCAL* handleOut) {
    *handleOut = block;
    return ResultSuccess;
  }
};

template <>
struct HostRecords<wchar_t> {
  using Record = FileInfoW;
  // The enumerator fills a classic record; the match is converted for the host.
  static FileInfo* Slot(Record* /*host*/, FileInfo* scratch) { return scratch; }
  static void Deliver(const FileInfo& found, Record* host) { WidenRecord(found, host); }
  static const char* Target(const wchar_t* name) { return reinterpret_cast<const char*>(name); }
  static constexpr CompareNamesRoutine Compare = CompareWideNames;
  static int32_t HandOver(HLOCAL block, int32_t count, HLOCAL* handleOut) {
    return WidenCatalogue(block, count, handleOut);
  }
};

template <typename Char>
int32_t ListArchiveOf(const Char* buf, uintptr_t len, uint32_t flag, HLOCAL* handleOut,
                      EnumerateEntriesRoutine enumerate) {
  // Null from the start: after any failure the host holds nothing to free.
  const bool writable = IsWritableMemory(handleOut, sizeof *handleOut);
  if (writable) *handleOut = nullptr;
  ArchiveInput input;
  int32_t result = OpenArchiveInput(buf, len, flag, &input);
  if (result != ResultSuccess) return result;
  if (!writable) {
    CloseArchiveInput(&input);
    return ResultLockFailed;
  }
  Catalogue catalogue;
  result = OpenCatalogue(&catalogue, input.BaseOffset);
  if (result == ResultSuccess) {
    result = enumerate(input.Range, input.Image, &catalogue);
    CloseCatalogue(&catalogue, result);
    if (result == ResultSuccess) {
      result = HostRecords<Char>::HandOver(static_cast<HLOCAL>(catalogue.Block), catalogue.Count, handleOut);
    }
  }
  CloseArchiveInput(&input);
  return result;
}

template <typename Char>
int32_t FindArchiveEntryOf(const Char* buf, uintptr_t len, const Char* filename, uint32_t flag,
                           typename HostRecords<Char>::Record* info, EnumerateEntriesRoutine enumerate) {
  if (!IsWritableMemory(info, sizeof *info)) return ResultLockFailed;
  std::memset(info, 0, sizeof *info);
  ArchiveInput input;
  int32_t result = OpenArchiveInput(buf, len, flag, &input);
  if (result != ResultSuccess) return result;
  if (filename == nullptr) {
    CloseArchiveInput(&input);
    return ResultNotOurFormat;
  }
  FileInfo scratch;
  std::memset(&scratch, 0, sizeof scratch);
  Catalogue catalogue;
  std::memset(&catalogue, 0, sizeof catalogue);
  catalogue.Mode = FindMode;
  catalogue.BaseOffset = input.BaseOffset;
  catalogue.Current = HostRecords<Char>::Slot(info, &scratch);
  catalogue.TargetName = HostRecords<Char>::Target(filename);
  catalogue.IgnoreCase = (flag & IgnoreCaseFlag) != 0 ? 1 : 0;
  catalogue.Compare = HostRecords<Char>::Compare;
  const int32_t found = enumerate(input.Range, input.Image, &catalogue);
  if (found == ResultSuccess) {
    result = ResultNotOurFormat;
  } else if (found == EntryFound) {
    HostRecords<Char>::Deliver(*catalogue.Current, info);
    result = ResultSuccess;
  } else {
    result = found;
  }
  CloseArchiveInput(&input);
  return result;
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
  return ListArchiveOf(buf, len, flag, handleOut, enumerate);
}

int32_t ListArchive(const wchar_t* buf, uintptr_t len, uint32_t flag, HLOCAL* handleOut,
                    EnumerateEntriesRoutine enumerate) {
  return ListArchiveOf(buf, len, flag, handleOut, enumerate);
}

int32_t FindArchiveEntry(const char* buf, uintptr_t len, const char* filename, uint32_t flag, FileInfo* info,
                         EnumerateEntriesRoutine enumerate) {
  return FindArchiveEntryOf(buf, len, filename, flag, info, enumerate);
}

int32_t FindArchiveEntry(const wchar_t* buf, uintptr_t len, const wchar_t* filename, uint32_t flag, FileInfoW* info,
                         EnumerateEntriesRoutine enumerate) {
  return FindArchiveEntryOf(buf, len, filename, flag, info, enumerate);
}
