// The decode routine behind GetPicture: fills an empty DIB from a picture.
#pragma once
#include "common/progress.h"
#include "container/picture_image.h"

// The DIB the frame has built, zero-filled, for the decoder to fill.
struct DibTarget {
  uint8_t* ColourTable;  // ColourEntries entries of 4 bytes: blue, green, red, reserved
  int32_t ColourEntries; // 2, 16, 256 or 0 by depth
  uint8_t* Pixels;       // Stride x Rows bytes, the picture's bottom row first
  int32_t Stride;
  int32_t Rows;
};

// Decodes the picture as display mode `mode` shows it. 0 when the DIB holds
// the complete picture; otherwise the result code for the host (the DIB's
// content then has no meaning).
int32_t DecodePicture(const PictureImage& picture, int32_t mode, const DibTarget& dib,
                      const Progress& progress);
