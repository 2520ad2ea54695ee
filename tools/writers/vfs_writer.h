// Builds VFS archives byte by byte: a 16-byte header, the 32-byte directory
// entries, then the members' bytes. Tests and samples make their archives here.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/writers/picture_writer.h"

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

// The archive's bytes, header and entries exactly as the layout says.
Bytes WriteVfs(const VfsLayout& layout);

Bytes MakeVfs(const std::vector<VfsMember>& members);

// Offset of entry `index`'s directory entry from the archive start.
uint32_t VfsEntryPosition(size_t index);
