#include "tools/writers/vfs_writer.h"

std::array<uint8_t, 13> VfsNameField(const std::string& name) {
  std::array<uint8_t, 13> field{};
  for (size_t i = 0; i < name.size() && i < field.size(); ++i) field[i] = static_cast<uint8_t>(name[i]);
  return field;
}

uint32_t VfsEntryPosition(size_t index) { return static_cast<uint32_t>(16 + 32 * index); }

VfsLayout LayOutVfs(const std::vector<VfsMember>& members) {
  VfsLayout layout;
  layout.EntryCount = static_cast<uint16_t>(members.size());
  layout.DirectorySize = static_cast<uint32_t>(members.size() * 32);
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

Bytes WriteVfs(const VfsLayout& layout) {
  Bytes out;
  PutU16(out, 0x4656); // "VF"
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
  out.insert(out.end(), layout.Data.begin(), layout.Data.end());
  return out;
}

Bytes MakeVfs(const std::vector<VfsMember>& members) { return WriteVfs(LayOutVfs(members)); }
