// F&C's VFS archive: a 16-byte header, a directory of 32-byte entries, and
// the members' bytes stored as they are. All routines read only inside the
// InputRange they are given.
#pragma once
#include <cstddef>
#include <cstdint>

#include "archive/archive_format.h"
#include "archive/catalogue.h"
#include "common/input_range.h"

constexpr size_t VfsHeaderSize = 16;
constexpr size_t VfsEntrySize = 32;
constexpr size_t VfsNameFieldSize = 13;
constexpr uint16_t VfsMagic = 0x4656; // "VF"

// Field offsets.
constexpr size_t VfsEntryCountAt = 4;
constexpr size_t VfsDirectorySizeAt = 8;
constexpr size_t VfsDataOffsetAt = 19;
constexpr size_t VfsDataSizeAt = 23;

// Between GetFile's locator and writer: the member's first data byte. The
// locator refuses (3) a member whose bytes do not all lie inside the input.
struct VfsMemberCursor {
  const uint8_t* MemberStart;
};

// 1 when the 16 bytes at `p` are readable and form a VFS header (magic, and
// the directory size equals the entry count times 32), else 0.
int32_t IsVfsHeader(const InputRange& input, const uint8_t* p);

// The head check of IsSupported.
int32_t CheckVfsHead(const InputRange& head);

// Fills one catalogue record from the directory entry at `entry`, which the
// caller has proven readable.
void FillVfsRecord(FileInfo* record, const uint8_t* archive, const uint8_t* entry);

int32_t EnumerateVfsEntries(const InputRange& input, const uint8_t* archive, Catalogue* catalogue);

// Finds the archive header from a directory entry alone, stepping back one
// entry at a time while the data offsets do not decrease. Null when the
// entry is unreadable, no header lies behind it, or the order is broken.
const uint8_t* FindVfsHeader(const InputRange& input, const uint8_t* entry);

// The same for every entry of a directory in turn, without walking back from
// each: `headerBefore` is what this gave (or FindVfsHeader gives) for the
// entry 32 bytes before `entry`.
const uint8_t* FindNextVfsHeader(const InputRange& input, const uint8_t* entry, const uint8_t* headerBefore);

// Where a member's bytes lie: DataOffset bytes after the archive header that
// FindVfsHeader finds for its entry, DataSize bytes long.
struct VfsMemberSpan {
  uint32_t DataOffset;
  uint32_t DataSize;
};

// The span of the member at `entry` (proven readable) in an archive that has
// `bytesFromHeader` bytes from its header on: 0; 3 when the size is over 2 GB
// or the bytes do not all lie in the archive. The member's bytes themselves
// are not needed, so a directory read on its own can be checked.
int32_t FindVfsMemberSpan(const uint8_t* entry, uint64_t bytesFromHeader, VfsMemberSpan* span);

int32_t LocateVfsMember(const InputRange& input, const uint8_t* entry, char* name, int32_t* size, void* cursor);

int32_t WriteVfsMember(const InputRange& input, const uint8_t* entry, uint8_t* output, int32_t size,
                       const Progress& progress, void* cursor);

extern const ArchiveFormat VfsFormat;
