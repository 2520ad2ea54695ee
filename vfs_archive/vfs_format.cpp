#include "vfs_archive/vfs_format.h"

#include <cstring>

#include "archive/copy_with_progress.h"
#include "common/result_codes.h"

namespace {

// The header rule, on 16 bytes already proven readable.
bool HoldsVfsHeader(const uint8_t* p) {
  return ReadU16(p) == VfsMagic && static_cast<uint32_t>(ReadU16(p + VfsEntryCountAt)) * VfsEntrySize ==
                                       ReadU32(p + VfsDirectorySizeAt);
}

// The name field up to its terminator, or all 13 bytes when it has none.
size_t VfsNameLength(const uint8_t* entry) {
  const void* end = std::memchr(entry, 0, VfsNameFieldSize);
  return end == nullptr ? VfsNameFieldSize : static_cast<size_t>(static_cast<const uint8_t*>(end) - entry);
}

enum WalkStep { HeaderFound, NoHeader, EntryBefore };

// One step back from the readable entry at `current`: the header right before
// it (HeaderFound, *next the header), or the entry before it when its data
// offset (signed) is not larger (EntryBefore, *next that entry), else NoHeader.
WalkStep StepBack(const InputRange& input, const uint8_t* current, const uint8_t** next) {
  const uint8_t* candidate = ReadableAt(input, current, -static_cast<int64_t>(VfsHeaderSize), VfsHeaderSize);
  if (candidate == nullptr) return NoHeader;
  if (HoldsVfsHeader(candidate)) {
    *next = candidate;
    return HeaderFound;
  }
  // Not a header: these 16 bytes are the second half of the entry before.
  const uint8_t* previous = ReadableAt(input, current, -static_cast<int64_t>(VfsEntrySize), VfsEntrySize);
  if (previous == nullptr || ReadI32(previous + VfsDataOffsetAt) > ReadI32(current + VfsDataOffsetAt)) {
    return NoHeader;
  }
  *next = previous;
  return EntryBefore;
}

} // namespace

int32_t IsVfsHeader(const InputRange& input, const uint8_t* p) {
  const uint8_t* header = ReadableAt(input, p, 0, VfsHeaderSize);
  return header != nullptr && HoldsVfsHeader(header) ? 1 : 0;
}

int32_t CheckVfsHead(const InputRange& head) { return IsVfsHeader(head, head.First); }

void FillVfsRecord(FileInfo* record, const uint8_t* archive, const uint8_t* entry) {
  std::memset(record, 0, sizeof *record);
  std::memcpy(record->Method, "-vfs-", 5);
  record->Position = static_cast<uint32_t>(entry - archive);
  record->CompressedSize = ReadU32(entry + VfsDataSizeAt);
  record->FileSize = record->CompressedSize;
  std::memcpy(record->FileName, entry, VfsNameLength(entry));
}

int32_t EnumerateVfsEntries(const InputRange& input, const uint8_t* archive, Catalogue* catalogue) {
  if (!IsVfsHeader(input, archive)) return ResultNotOurFormat;
  const uint16_t count = ReadU16(archive + VfsEntryCountAt);
  int32_t result = ReserveEntries(catalogue, count);
  if (result != ResultSuccess) return result;
  // A directory cut short by the end of the data is damage, not an empty archive.
  const uint8_t* directory = ReadableAt(input, archive, VfsHeaderSize, count * VfsEntrySize);
  if (directory == nullptr) return ResultBrokenData;
  for (size_t i = 0; i < count; ++i) {
    FileInfo* slot = nullptr;
    result = NextEntrySlot(catalogue, &slot);
    if (result != ResultSuccess) return result;
    FillVfsRecord(slot, archive, directory + i * VfsEntrySize);
    result = CommitEntry(catalogue);
    if (result != ResultSuccess) return result;
  }
  return ResultSuccess;
}

const uint8_t* FindVfsHeader(const InputRange& input, const uint8_t* entry) {
  const uint8_t* current = ReadableAt(input, entry, 0, VfsEntrySize);
  if (current == nullptr) return nullptr;
  for (;;) {
    const uint8_t* next = nullptr;
    const WalkStep step = StepBack(input, current, &next);
    if (step != EntryBefore) return step == HeaderFound ? next : nullptr;
    current = next;
  }
}

const uint8_t* FindNextVfsHeader(const InputRange& input, const uint8_t* entry, const uint8_t* headerBefore) {
  const uint8_t* current = ReadableAt(input, entry, 0, VfsEntrySize);
  if (current == nullptr) return nullptr;
  const uint8_t* next = nullptr;
  const WalkStep step = StepBack(input, current, &next);
  if (step == EntryBefore) return headerBefore;
  return step == HeaderFound ? next : nullptr;
}

int32_t FindVfsMemberSpan(const uint8_t* entry, uint64_t bytesFromHeader, VfsMemberSpan* span) {
  const uint32_t dataOffset = ReadU32(entry + VfsDataOffsetAt);
  const uint32_t dataSize = ReadU32(entry + VfsDataSizeAt);
  if (dataSize > static_cast<uint32_t>(INT32_MAX)) return ResultBrokenData;
  if (dataOffset > bytesFromHeader || dataSize > bytesFromHeader - dataOffset) return ResultBrokenData;
  *span = VfsMemberSpan{dataOffset, dataSize};
  return ResultSuccess;
}

int32_t LocateVfsMember(const InputRange& input, const uint8_t* entry, char* name, int32_t* size, void* cursor) {
  const uint8_t* header = FindVfsHeader(input, entry);
  if (header == nullptr) return ResultNotOurFormat;
  // A member whose bytes do not all lie in the archive is damage, found here
  // before the framework allocates the host's block or creates a file of
  // that size (up to 2 GB) only to fail the copy.
  VfsMemberSpan span;
  const int32_t result = FindVfsMemberSpan(entry, BytesLeft(input, header), &span);
  if (result != ResultSuccess) return result;
  static_cast<VfsMemberCursor*>(cursor)->MemberStart = header + span.DataOffset;
  const size_t nameLength = VfsNameLength(entry);
  std::memcpy(name, entry, nameLength);
  name[nameLength] = '\0';
  *size = static_cast<int32_t>(span.DataSize);
  return ResultSuccess;
}

int32_t WriteVfsMember(const InputRange& input, const uint8_t* /*entry*/, uint8_t* output, int32_t size,
                       const Progress& progress, void* cursor) {
  const uint8_t* start = static_cast<const VfsMemberCursor*>(cursor)->MemberStart;
  return CopyWithProgress(input, start, output, size, MemberCopyStep, progress);
}

const ArchiveFormat VfsFormat = {CheckVfsHead, VfsHeaderSize, EnumerateVfsEntries, LocateVfsMember,
                                 WriteVfsMember};
