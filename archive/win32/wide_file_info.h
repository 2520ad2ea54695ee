// The member record of the Unicode exports (GetArchiveInfoW, GetFileInfoW):
// the classic FileInfo with Path and FileName as 200 UTF-16 units each.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "archive/file_info.h"

static_assert(sizeof(wchar_t) == 2, "UTF-16 units");

#pragma pack(push, 1)
struct FileInfoW {
  uint8_t Method[8];
  HostWord Position;
  HostWord CompressedSize;
  HostWord FileSize;
  HostWord Timestamp;
  wchar_t Path[FileInfoTextSize];     // NUL-terminated when shorter than the field
  wchar_t FileName[FileInfoTextSize];
  uint32_t Crc;
#if UINTPTR_MAX > 0xFFFFFFFFu
  uint8_t Padding[4];
#endif
};
#pragma pack(pop)

static_assert(sizeof(FileInfoW) == (WideHostWords ? 848 : 828), "the host reads 828-byte records (848 in 64 bits)");
static_assert(offsetof(FileInfoW, Path) == (WideHostWords ? 40 : 24), "host layout");
static_assert(offsetof(FileInfoW, FileName) == (WideHostWords ? 440 : 424), "host layout");
static_assert(offsetof(FileInfoW, Crc) == (WideHostWords ? 840 : 824), "host layout");
