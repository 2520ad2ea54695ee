// VFS archives written by the tool: packed anew from files, or copied from an
// archive with some members' bytes replaced. Both are laid out as a plan (the
// header and directory, then the pieces of member data in order) so that the
// data are copied straight from the mapped inputs into the output file.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/input_range.h"

namespace fcview {

struct VfsPiece {
  const uint8_t* Data;
  size_t Size;
};

struct VfsPlan {
  std::vector<uint8_t> Head;    // header and directory
  std::vector<VfsPiece> Pieces; // everything after the directory, in order
  uint64_t Size() const;
};

// The most bytes a member name holds: the 13-byte field keeps its terminator.
constexpr size_t VfsLongestName = 12;

struct PackMember {
  std::string Name; // bytes of code page 932
  VfsPiece Data;
};

// A new archive of the members in the order given: every field the plug-ins
// do not read is zero. False with the reason (naming the member) for a name
// that is empty, too long for the field, not a plain file name, or given
// twice (ignoring case), and for more members or bytes than VFS holds.
bool PlanPack(const std::vector<PackMember>& members, VfsPlan* plan, std::string* reason);

struct Replacement {
  size_t Entry; // directory index
  VfsPiece Data;
};

// A copy of `archive` with the given entries' data replaced. Every byte but
// the entries' data offsets and sizes and the replaced data stays as it is:
// the header, the other fields of every entry, the directory's order, the
// members' order in the file, and any bytes between or after the members.
// False with the reason when the archive is damaged or its members overlap.
bool PlanReplace(const InputRange& archive, const std::vector<Replacement>& replacements, VfsPlan* plan,
                 std::string* reason);

// The plan's bytes in one block (for small archives and tests).
std::vector<uint8_t> PlanBytes(const VfsPlan& plan);

// True when `written` holds exactly the plan's bytes.
bool MatchesPlan(const InputRange& written, const VfsPlan& plan);

} // namespace fcview
