// One "bmp " chunk (an IPF picture or an IPQ frame) into its band of the DIB.
#pragma once
#include <cstddef>
#include <cstdint>

#include "container/picture_image.h"
#include "picture_filter/ipf_decoder.h"

// The part of the pixel block not filled yet: frames go in from the bottom
// row of memory upwards, the last frame first.
struct PixelBand {
  uint8_t* Destination; // the first row in memory this chunk fills
  ptrdiff_t Pitch;
  int64_t RowsLeft;     // rows from Destination to the end of the block
  size_t RowLength;     // bytes a row may hold (the DIB's stride)
};

// Decodes the chunk and copies its rows bottom-up into the band; on 0 the band
// and progress.Done move past it. 3 for a chunk or pixel data outside the
// input or a frame larger than the band, -1 for an unknown packing, 4 without
// memory, else the code stream's result. On failure the frame's rows are zero again (the pixel block comes zero-filled).
int32_t DecodeBitmapChunk(const PictureImage& picture, const uint8_t* chunk, PixelBand* band,
                          FrameProgress* progress);
