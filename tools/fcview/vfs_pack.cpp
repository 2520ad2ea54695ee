#include "tools/fcview/vfs_pack.h"

#include <algorithm>
#include <cstring>

#include "archive/path_text.h"
#include "tools/fcview/archives.h"
#include "tools/fcview/names.h"
#include "tools/writers/picture_writer.h"
#include "vfs_archive/vfs_format.h"

namespace fcview {

namespace {

constexpr uint64_t LargestArchive = 0xFFFFFFFFu; // offsets and sizes are 32-bit
constexpr size_t MostEntries = 0xFFFF;

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

void PutEntryFields(std::vector<uint8_t>& head, size_t entry, uint32_t offset, uint32_t size) {
  uint8_t* at = head.data() + VfsHeaderSize + VfsEntrySize * entry;
  for (int i = 0; i < 4; ++i) {
    at[VfsDataOffsetAt + i] = static_cast<uint8_t>(offset >> (8 * i));
    at[VfsDataSizeAt + i] = static_cast<uint8_t>(size >> (8 * i));
  }
}

} // namespace

uint64_t VfsPlan::Size() const {
  uint64_t size = Head.size();
  for (const VfsPiece& piece : Pieces) size += piece.Size;
  return size;
}

bool PlanPack(const std::vector<PackMember>& members, VfsPlan* plan, std::string* reason) {
  if (members.size() > MostEntries) {
    *reason = "a VFS archive holds at most 65535 members";
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
  Bytes head;
  PutU16(head, VfsMagic);
  PutU16(head, 0);
  PutU16(head, static_cast<uint16_t>(members.size()));
  PutU16(head, 0);
  PutU32(head, static_cast<uint32_t>(members.size() * VfsEntrySize));
  PutU32(head, 0);
  uint64_t offset = VfsHeaderSize + VfsEntrySize * members.size();
  plan->Pieces.clear();
  for (const PackMember& member : members) {
    if (offset + member.Data.Size > LargestArchive) {
      *reason = "the members come to more than the 4 GiB a VFS archive can address";
      return false;
    }
    uint8_t name[VfsNameFieldSize] = {};
    std::memcpy(name, member.Name.data(), member.Name.size());
    head.insert(head.end(), name, name + VfsNameFieldSize);
    head.insert(head.end(), 6, 0);
    PutU32(head, static_cast<uint32_t>(offset));
    PutU32(head, static_cast<uint32_t>(member.Data.Size));
    head.insert(head.end(), 5, 0);
    plan->Pieces.push_back(member.Data);
    offset += member.Data.Size;
  }
  plan->Head = std::move(head);
  return true;
}

bool PlanReplace(const InputRange& archive, const std::vector<Replacement>& replacements, VfsPlan* plan,
                 std::string* reason) {
  if (IsVfsHeader(archive, archive.First) == 0) {
    *reason = "not a VFS archive";
    return false;
  }
  const size_t count = ReadU16(archive.First + VfsEntryCountAt);
  const size_t directoryEnd = VfsHeaderSize + VfsEntrySize * count;
  if (directoryEnd > archive.Size) {
    *reason = "the directory runs past the end of the archive";
    return false;
  }
  struct Member {
    size_t Entry;
    uint64_t Offset, Size;
  };
  std::vector<Member> members;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = archive.First + VfsHeaderSize + VfsEntrySize * i;
    const Member m{i, ReadU32(entry + VfsDataOffsetAt), ReadU32(entry + VfsDataSizeAt)};
    if (m.Offset < directoryEnd || m.Offset + m.Size > archive.Size) {
      *reason = "member " + std::to_string(i + 1) + " lies outside the archive's data";
      return false;
    }
    members.push_back(m);
  }
  // The members in the order of their data; their gaps and the tail are kept.
  std::stable_sort(members.begin(), members.end(), [](const Member& a, const Member& b) { return a.Offset < b.Offset; });
  for (size_t k = 1; k < members.size(); ++k) {
    const Member& before = members[k - 1];
    if (before.Size != 0 && members[k].Size != 0 && before.Offset + before.Size > members[k].Offset) {
      *reason = "members " + std::to_string(before.Entry + 1) + " and " + std::to_string(members[k].Entry + 1) +
                " share bytes; replacing one would change the other";
      return false;
    }
  }
  std::vector<const VfsPiece*> replaced(count, nullptr);
  for (const Replacement& r : replacements) {
    if (r.Entry >= count) {
      *reason = "no member " + std::to_string(r.Entry + 1);
      return false;
    }
    replaced[r.Entry] = &r.Data;
  }
  plan->Head.assign(archive.First, archive.First + directoryEnd);
  plan->Pieces.clear();
  uint64_t kept = directoryEnd; // next byte of the archive not yet taken
  uint64_t written = directoryEnd;
  for (const Member& m : members) {
    if (m.Offset > kept) {
      plan->Pieces.push_back(VfsPiece{archive.First + kept, static_cast<size_t>(m.Offset - kept)});
      written += m.Offset - kept;
      kept = m.Offset;
    }
    const VfsPiece data = replaced[m.Entry] != nullptr ? *replaced[m.Entry]
                                                       : VfsPiece{archive.First + m.Offset, static_cast<size_t>(m.Size)};
    // A member of size 0 inside another's bytes moves to where that one ends.
    const uint64_t offset = written;
    if (offset + data.Size > LargestArchive) {
      *reason = "the archive would grow past the 4 GiB a VFS archive can address";
      return false;
    }
    PutEntryFields(plan->Head, m.Entry, static_cast<uint32_t>(offset), static_cast<uint32_t>(data.Size));
    if (data.Size != 0) plan->Pieces.push_back(data);
    written += data.Size;
    kept = std::max<uint64_t>(kept, m.Offset + m.Size);
  }
  if (kept < archive.Size) {
    plan->Pieces.push_back(VfsPiece{archive.First + kept, static_cast<size_t>(archive.Size - kept)});
    written += archive.Size - kept;
  }
  if (written > LargestArchive) {
    *reason = "the archive would grow past the 4 GiB a VFS archive can address";
    return false;
  }
  return true;
}

std::vector<uint8_t> PlanBytes(const VfsPlan& plan) {
  std::vector<uint8_t> bytes = plan.Head;
  for (const VfsPiece& piece : plan.Pieces) bytes.insert(bytes.end(), piece.Data, piece.Data + piece.Size);
  return bytes;
}

bool MatchesPlan(const InputRange& written, const VfsPlan& plan) {
  if (written.Size != plan.Size()) return false;
  if (!plan.Head.empty() && std::memcmp(written.First, plan.Head.data(), plan.Head.size()) != 0) return false;
  size_t at = plan.Head.size();
  for (const VfsPiece& piece : plan.Pieces) {
    if (piece.Size != 0 && std::memcmp(written.First + at, piece.Data, piece.Size) != 0) return false;
    at += piece.Size;
  }
  return true;
}

} // namespace fcview
