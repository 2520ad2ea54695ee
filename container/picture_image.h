// A picture as the container routines see it: its first byte, and the input
// around it that may be read (the whole mapped file, or the host's block).
#pragma once
#include "common/input_range.h"

struct PictureImage {
  InputRange Input;     // everything readable; frame offsets may point anywhere in it
  const uint8_t* Image; // the picture's first byte, inside Input
};

// The picture starting `offset` bytes into `input`, as the host names it with
// a file offset; false when the offset leaves no byte of the picture.
inline bool PictureAtOffset(const InputRange& input, uintptr_t offset, PictureImage* picture) {
  if (offset >= input.Size) return false;
  picture->Input = input;
  picture->Image = input.First + offset;
  return true;
}
