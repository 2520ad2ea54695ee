// VFS archives, byte by byte: a 16-byte header, the 32-byte directory entries,
// then the members' bytes. Two ways in, one writer of the header and
// directory under both: a layout whose every field is given (so that a test
// can write a broken archive), and plans that pack members anew or copy an
// archive with some members' data replaced. A plan is the header and
// directory, then the pieces of member data in order, so that the data are
// copied straight from where they lie (fcview's mapped inputs) into the output.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/input_range.h"
#include "writers/picture_writer.h"

struct VfsMember {
  std::string Name; // at most 12 characters to keep a terminator in the field
  Bytes Data;
};

// One directory entry as stored; the name field is taken as given, so a
// test can leave it without a terminator.
struct VfsEntryFields {
  std::array<uint8_t, 13> Name{};
  uint32_t DataOffset = 0; // from the archive's first byte
  uint32_t DataSize = 0;
};

struct VfsLayout {
  uint16_t EntryCount = 0;
  uint32_t DirectorySize = 0; // EntryCount * 32 for a well-formed archive
  std::vector<VfsEntryFields> Entries;
  Bytes Data; // everything after the directory
};

// The 13-byte name field of `name`: cut to 13 bytes, zero-padded.
std::array<uint8_t, 13> VfsNameField(const std::string& name);

// The members' entries and data, each member's bytes right after the previous one's.
VfsLayout LayOutVfs(const std::vector<VfsMember>& members);

// The header and directory exactly as the layout says (its Data left out).
Bytes WriteVfsHead(const VfsLayout& layout);

// The archive's bytes, header and entries exactly as the layout says.
Bytes WriteVfs(const VfsLayout& layout);

Bytes MakeVfs(const std::vector<VfsMember>& members);

// Offset of entry `index`'s directory entry from the archive start.
uint32_t VfsEntryPosition(size_t index);

// ---- Plans ----

struct VfsPiece {
  const uint8_t* Data;
  size_t Size;
};

struct VfsPlan {
  Bytes Head;                   // header and directory
  std::vector<VfsPiece> Pieces; // everything after the directory, in order
  uint64_t Size() const;
};

// The most bytes a member name holds: the 13-byte field keeps its terminator.
constexpr size_t VfsLongestName = 12;
// The entry count is a 16-bit field.
constexpr size_t VfsMostEntries = 0xFFFF;

// Why a plan was refused; VfsPlanned when it was made.
enum VfsPlanResult : int32_t {
  VfsPlanned = 0,
  VfsTooManyMembers,    // more than VfsMostEntries
  VfsTooLarge,          // an offset or size past the 32-bit fields
  VfsNotAnArchive,      // no VFS header
  VfsDirectoryPastEnd,  // the directory runs past the archive's end
  VfsMemberOutside,     // Entry's data lie outside the archive's data
  VfsMembersShareBytes, // Entry's and Other's data overlap
  VfsNoSuchEntry,       // a replacement names Entry, which the directory lacks
};

// The result and the directory indexes it speaks of.
struct VfsPlanOutcome {
  VfsPlanResult Result = VfsPlanned;
  size_t Entry = 0;
  size_t Other = 0;
};

struct VfsPackMember {
  std::string Name; // the name field's bytes (VfsNameField); the caller checks it
  VfsPiece Data;
};

// A new archive of the members in the order given: every field the plug-ins
// do not read is zero.
VfsPlanOutcome PlanVfsPack(const std::vector<VfsPackMember>& members, VfsPlan* plan);

struct VfsReplacement {
  size_t Entry; // directory index
  VfsPiece Data;
};

// A copy of `archive` with the given entries' data replaced. Every byte but
// the entries' data offsets and sizes and the replaced data stays as it is:
// the header, the other fields of every entry, the directory's order, the
// members' order in the file, and any bytes between or after the members.
// Refused when the archive is damaged or its members overlap.
VfsPlanOutcome PlanVfsReplace(const InputRange& archive, const std::vector<VfsReplacement>& replacements,
                              VfsPlan* plan);

// The plan's bytes in one block (for small archives and tests).
Bytes PlanBytes(const VfsPlan& plan);

// True when `written` holds exactly the plan's bytes.
bool MatchesPlan(const InputRange& written, const VfsPlan& plan);
