#include "writers/vfs_writer.h"

#include <algorithm>
#include <cstring>

#include "vfs_archive/vfs_format.h"

namespace {

constexpr uint64_t LargestArchive = 0xFFFFFFFFu; // offsets and sizes are 32-bit

VfsPlanOutcome Refused(VfsPlanResult result, size_t entry = 0, size_t other = 0) {
  return VfsPlanOutcome{result, entry, other};
}

} // namespace

std::array<uint8_t, 13> VfsNameField(const std::string& name) {
  std::array<uint8_t, 13> field{};
  for (size_t i = 0; i < name.size() && i < field.size(); ++i) field[i] = static_cast<uint8_t>(name[i]);
  return field;
}

uint32_t VfsEntryPosition(size_t index) { return static_cast<uint32_t>(VfsHeaderSize + VfsEntrySize * index); }

VfsLayout LayOutVfs(const std::vector<VfsMember>& members) {
  VfsLayout layout;
  layout.EntryCount = static_cast<uint16_t>(members.size());
  layout.DirectorySize = static_cast<uint32_t>(members.size() * VfsEntrySize);
  uint32_t offset = VfsEntryPosition(members.size());
  for (const VfsMember& member : members) {
    VfsEntryFields entry;
    entry.Name = VfsNameField(member.Name);
    entry.DataOffset = offset;
    entry.DataSize = static_cast<uint32_t>(member.Data.size());
    layout.Entries.push_back(entry);
    layout.Data.insert(layout.Data.end(), member.Data.begin(), member.Data.end());
    offset += entry.DataSize;
  }
  return layout;
}

Bytes WriteVfsHead(const VfsLayout& layout) {
  Bytes out;
  PutU16(out, VfsMagic);
  PutU16(out, 0);
  PutU16(out, layout.EntryCount);
  PutU16(out, 0);
  PutU32(out, layout.DirectorySize);
  PutU32(out, 0);
  for (const VfsEntryFields& entry : layout.Entries) {
    out.insert(out.end(), entry.Name.begin(), entry.Name.end());
    out.insert(out.end(), 6, 0);
    PutU32(out, entry.DataOffset);
    PutU32(out, entry.DataSize);
    out.insert(out.end(), 5, 0);
  }
  return out;
}

Bytes WriteVfs(const VfsLayout& layout) {
  Bytes out = WriteVfsHead(layout);
  out.insert(out.end(), layout.Data.begin(), layout.Data.end());
  return out;
}

Bytes MakeVfs(const std::vector<VfsMember>& members) { return WriteVfs(LayOutVfs(members)); }

uint64_t VfsPlan::Size() const {
  uint64_t size = Head.size();
  for (const VfsPiece& piece : Pieces) size += piece.Size;
  return size;
}

VfsPlanOutcome PlanVfsPack(const std::vector<VfsPackMember>& members, VfsPlan* plan) {
  if (members.size() > VfsMostEntries) return Refused(VfsTooManyMembers);
  // The directory as LayOutVfs would make it, the data left where they lie.
  VfsLayout layout;
  layout.EntryCount = static_cast<uint16_t>(members.size());
  layout.DirectorySize = static_cast<uint32_t>(members.size() * VfsEntrySize);
  uint64_t offset = VfsEntryPosition(members.size());
  plan->Pieces.clear();
  for (size_t i = 0; i < members.size(); ++i) {
    const VfsPackMember& member = members[i];
    if (offset + member.Data.Size > LargestArchive) return Refused(VfsTooLarge, i);
    VfsEntryFields entry;
    entry.Name = VfsNameField(member.Name);
    entry.DataOffset = static_cast<uint32_t>(offset);
    entry.DataSize = static_cast<uint32_t>(member.Data.Size);
    layout.Entries.push_back(entry);
    plan->Pieces.push_back(member.Data);
    offset += member.Data.Size;
  }
  plan->Head = WriteVfsHead(layout);
  return VfsPlanOutcome{};
}

VfsPlanOutcome PlanVfsReplace(const InputRange& archive, const std::vector<VfsReplacement>& replacements,
                              VfsPlan* plan) {
  if (IsVfsHeader(archive, archive.First) == 0) return Refused(VfsNotAnArchive);
  const size_t count = ReadU16(archive.First + VfsEntryCountAt);
  const size_t directoryEnd = VfsEntryPosition(count);
  if (directoryEnd > archive.Size) return Refused(VfsDirectoryPastEnd);
  struct Member {
    size_t Entry;
    uint64_t Offset, Size;
  };
  std::vector<Member> members;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = archive.First + VfsEntryPosition(i);
    const Member m{i, ReadU32(entry + VfsDataOffsetAt), ReadU32(entry + VfsDataSizeAt)};
    if (m.Offset < directoryEnd || m.Offset + m.Size > archive.Size) return Refused(VfsMemberOutside, i);
    members.push_back(m);
  }
  // The members in the order of their data; their gaps and the tail are kept.
  std::stable_sort(members.begin(), members.end(), [](const Member& a, const Member& b) { return a.Offset < b.Offset; });
  for (size_t k = 1; k < members.size(); ++k) {
    const Member& before = members[k - 1];
    if (before.Size != 0 && members[k].Size != 0 && before.Offset + before.Size > members[k].Offset) {
      return Refused(VfsMembersShareBytes, before.Entry, members[k].Entry);
    }
  }
  std::vector<const VfsPiece*> replaced(count, nullptr);
  for (const VfsReplacement& r : replacements) {
    if (r.Entry >= count) return Refused(VfsNoSuchEntry, r.Entry);
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
    if (offset + data.Size > LargestArchive) return Refused(VfsTooLarge, m.Entry);
    const size_t entryAt = VfsEntryPosition(m.Entry);
    PokeU32(plan->Head, entryAt + VfsDataOffsetAt, static_cast<uint32_t>(offset));
    PokeU32(plan->Head, entryAt + VfsDataSizeAt, static_cast<uint32_t>(data.Size));
    if (data.Size != 0) plan->Pieces.push_back(data);
    written += data.Size;
    kept = std::max<uint64_t>(kept, m.Offset + m.Size);
  }
  if (kept < archive.Size) {
    plan->Pieces.push_back(VfsPiece{archive.First + kept, static_cast<size_t>(archive.Size - kept)});
    written += archive.Size - kept;
  }
  if (written > LargestArchive) return Refused(VfsTooLarge);
  return VfsPlanOutcome{};
}

Bytes PlanBytes(const VfsPlan& plan) {
  Bytes bytes = plan.Head;
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
