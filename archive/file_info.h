// The host's record of one archive member, exactly as the host lays it out.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t FileInfoTextSize = 200;

#pragma pack(push, 1)
struct FileInfo {
  uint8_t Method[8];             // storage method tag, NUL-padded
  uint32_t Position;             // where the member lies in the file (or image)
  uint32_t CompressedSize;       // bytes it occupies in the archive
  uint32_t FileSize;             // bytes once extracted
  uint32_t Timestamp;
  char Path[FileInfoTextSize];     // directory part of the member name
  char FileName[FileInfoTextSize]; // member file name
  uint32_t Crc;
};
#pragma pack(pop)

static_assert(sizeof(FileInfo) == 428, "the host reads 428-byte records");
static_assert(offsetof(FileInfo, Position) == 8, "host layout");
static_assert(offsetof(FileInfo, Path) == 24, "host layout");
static_assert(offsetof(FileInfo, FileName) == 224, "host layout");
static_assert(offsetof(FileInfo, Crc) == 424, "host layout");
