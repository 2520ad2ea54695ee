// Resolves the host's archive input: a file name plus offset (mapped
// read-only) or the address of a memory image whose size nobody gave.
#pragma once
#include <windows.h>

#include <cstdint>

#include "archive/file_info.h"
#include "common/input_range.h"

constexpr uint32_t FileInputKind = 0;
constexpr uint32_t MemoryInputKind = 1;

struct ArchiveInput {
  uint8_t* View;
  HANDLE Mapping;
  HANDLE File;
  InputRange Range;     // all the bytes that may be read
  const uint8_t* Image; // the host's position: archive start or member entry
  HostWord BaseOffset;  // the offset for file input, 0 for memory
};

// 0, -1 for an input kind other than file or memory, or 6 when the file
// cannot be opened or mapped. For file input the range is the whole mapped
// file (an offset past its end leaves the image at the end: nothing to
// read). For memory input it is the committed readable memory around the
// address, before and after it.
// The file name is in the ANSI code page (char) or in UTF-16 (wchar_t).
template <typename Char>
int32_t OpenArchiveInput(const Char* buf, uintptr_t len, uint32_t flag, ArchiveInput* input);
void CloseArchiveInput(ArchiveInput* input);
