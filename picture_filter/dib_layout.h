// The shape of the DIB that GetPicture hands to the host.
#pragma once
#include <cstdint>

#include "container/picture_info.h"

constexpr int32_t BitmapInfoHeaderSize = 40;

struct DibLayout {
  int32_t ColourEntries; // RGBQUAD entries after the header
  int32_t InfoSize;      // header plus colour table
  int32_t Stride;        // bytes per row, a multiple of 4
  int32_t ImageSize;     // Stride x Height
};

// Colour-table entries for a depth: 2, 16, 256 or 0 (24 bits); -1 for any other depth.
int32_t ColourTableEntries(int32_t depth);

// 0 with the layout filled; -1 for an unsupported depth; 3 for a width or
// height of 0 or less, or a stride or image size that does not fit 31 bits.
int32_t ComputeDibLayout(const PictureInfo& info, DibLayout* layout);

// Writes the 40-byte BITMAPINFOHEADER of the layout.
void WriteBitmapInfoHeader(const PictureInfo& info, const DibLayout& layout, uint8_t* header);
