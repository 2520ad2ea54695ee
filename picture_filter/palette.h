#pragma once
#include "container/picture_image.h"
#include "picture_filter/decode_picture.h"

// Fills the DIB's 256-entry colour table from the container's "pal " chunk.
int32_t LoadChunkPalette(const PictureImage& picture, const DibTarget& dib);
