// VFS archives written by the tool: packed anew from files, or copied from an
// archive with some members' bytes replaced. The archives themselves come
// from the writers' VFS plans (writers/vfs_writer.h); here the tool checks
// the member names it is given and words every refusal for its user.
#pragma once
#include <string>
#include <vector>

#include "common/input_range.h"
#include "writers/vfs_writer.h"

namespace fcview {

using ::VfsLongestName;
using ::VfsPiece;
using ::VfsPlan;
using ::PlanBytes;
using ::MatchesPlan;
using PackMember = ::VfsPackMember; // Name: bytes of code page 932
using Replacement = ::VfsReplacement;

// A new archive of the members in the order given: every field the plug-ins
// do not read is zero. False with the reason (naming the member) for a name
// that is empty, too long for the field, not a plain file name, or given
// twice (ignoring case), and for more members or bytes than VFS holds.
bool PlanPack(const std::vector<PackMember>& members, VfsPlan* plan, std::string* reason);

// A copy of `archive` with the given entries' data replaced (PlanVfsReplace).
// False with the reason when the archive is damaged or its members overlap.
bool PlanReplace(const InputRange& archive, const std::vector<Replacement>& replacements, VfsPlan* plan,
                 std::string* reason);

} // namespace fcview
