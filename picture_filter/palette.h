#pragma once
#include "container/picture_image.h"
#include "picture_filter/decode_picture.h"

// Fills the DIB's 256-entry colour table from the container's "pal " chunk:
// the k-th set bit of the presence bitmap (index 0 is the top bit of its
// first byte) takes the k-th colour triple. 0, or 3 when the chunk is missing
// or not readable or the table has no room for 256 entries.
int32_t LoadChunkPalette(const PictureImage& picture, const DibTarget& dib);
