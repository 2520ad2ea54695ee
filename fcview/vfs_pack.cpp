#include "fcview/vfs_pack.h"

#include <algorithm>

#include "archive/path_text.h"
#include "fcview/archives.h"
#include "fcview/names.h"

namespace fcview {

namespace {

std::string Folded(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return folded;
}

bool CheckName(const std::string& name, std::string* reason) {
  const std::string shown = "\"" + MemberText(name) + "\"";
  if (name.empty() || name.size() > VfsLongestName) {
    *reason = shown + ": a member name takes 1 to 12 bytes of code page 932; this one takes " +
              std::to_string(name.size());
    return false;
  }
  if (name.find('\0') != std::string::npos || !IsPlainFileName(name.c_str(), IsCp932LeadByte)) {
    *reason = shown + ": is not a plain file name";
    return false;
  }
  return true;
}

const char* const TooManyMembers = "a VFS archive holds at most 65535 members";

std::string MemberNumber(size_t entry) { return std::to_string(entry + 1); }

} // namespace

bool PlanPack(const std::vector<PackMember>& members, VfsPlan* plan, std::string* reason) {
  if (members.size() > VfsMostEntries) {
    *reason = TooManyMembers;
    return false;
  }
  std::vector<std::string> seen;
  for (const PackMember& member : members) {
    if (!CheckName(member.Name, reason)) return false;
    const std::string folded = Folded(member.Name);
    if (std::find(seen.begin(), seen.end(), folded) != seen.end()) {
      *reason = "\"" + MemberText(member.Name) + "\": given twice (names are compared ignoring case)";
      return false;
    }
    seen.push_back(folded);
  }
  const VfsPlanOutcome outcome = PlanVfsPack(members, plan);
  switch (outcome.Result) {
    case VfsPlanned: return true;
    case VfsTooManyMembers: *reason = TooManyMembers; break;
    default: *reason = "the members come to more than the 4 GiB a VFS archive can address"; break;
  }
  return false;
}

bool PlanReplace(const InputRange& archive, const std::vector<Replacement>& replacements, VfsPlan* plan,
                 std::string* reason) {
  const VfsPlanOutcome outcome = PlanVfsReplace(archive, replacements, plan);
  switch (outcome.Result) {
    case VfsPlanned: return true;
    case VfsNotAnArchive: *reason = "not a VFS archive"; break;
    case VfsDirectoryPastEnd: *reason = "the directory runs past the end of the archive"; break;
    case VfsMemberOutside: *reason = "member " + MemberNumber(outcome.Entry) + " lies outside the archive's data"; break;
    case VfsMembersShareBytes:
      *reason = "members " + MemberNumber(outcome.Entry) + " and " + MemberNumber(outcome.Other) +
                " share bytes; replacing one would change the other";
      break;
    case VfsNoSuchEntry: *reason = "no member " + MemberNumber(outcome.Entry); break;
    default: *reason = "the archive would grow past the 4 GiB a VFS archive can address"; break;
  }
  return false;
}

} // namespace fcview
