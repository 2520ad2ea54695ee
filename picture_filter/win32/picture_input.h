// The host's two kinds of picture input, resolved to one readable range.
#pragma once
#include <windows.h>

#include <cstdint>

#include "container/picture_image.h"

enum InputKind : uint32_t { FileInput = 0, MemoryInput = 1 };

struct PictureInput {
  PictureImage Picture;
  HANDLE File;    // file input only
  HANDLE Mapping; // file input only
  const uint8_t* View;
};

// Opens the input named by buf, len and flag: 0 with `input` ready; -1 for an
// unsupported kind; 6 when the file cannot be opened or mapped; 3 when the
// offset or the memory block leaves no byte of picture. The file name is in
// the ANSI code page (char) or in UTF-16 (wchar_t).
template <typename Char>
int32_t OpenPictureInput(const Char* buf, uintptr_t len, uint32_t flag, PictureInput* input);

// Releases what OpenPictureInput opened. Safe after any result.
void ClosePictureInput(PictureInput* input);
