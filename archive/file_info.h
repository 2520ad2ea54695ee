// The host's record of one archive member, exactly as the host lays it out.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr size_t FileInfoTextSize = 200;

// Positions, sizes and the time stamp are as wide as a pointer: 32 bits for
// the 32-bit plug-ins, 64 bits for the 64-bit ones, whose records are padded
// to a multiple of 8 bytes.
using HostWord = uintptr_t;
constexpr bool WideHostWords = sizeof(HostWord) == 8;

#pragma pack(push, 1)
struct FileInfo {
  uint8_t Method[8];             // storage method tag, NUL-padded
  HostWord Position;             // where the member lies in the file (or image)
  HostWord CompressedSize;       // bytes it occupies in the archive
  HostWord FileSize;             // bytes once extracted
  HostWord Timestamp;
  char Path[FileInfoTextSize];     // directory part of the member name
  char FileName[FileInfoTextSize]; // member file name
  uint32_t Crc;
#if UINTPTR_MAX > 0xFFFFFFFFu
  uint8_t Padding[4];
#endif
};
#pragma pack(pop)

static_assert(sizeof(FileInfo) == (WideHostWords ? 448 : 428), "the host reads 428-byte records (448 in 64 bits)");
static_assert(offsetof(FileInfo, Position) == 8, "host layout");
static_assert(offsetof(FileInfo, Path) == (WideHostWords ? 40 : 24), "host layout");
static_assert(offsetof(FileInfo, FileName) == (WideHostWords ? 240 : 224), "host layout");
static_assert(offsetof(FileInfo, Crc) == (WideHostWords ? 440 : 424), "host layout");
