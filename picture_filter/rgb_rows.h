// A decoded DIB as top-down rows of red, green, blue bytes: what image
// libraries outside Windows take.
#pragma once
#include <cstddef>
#include <cstdint>

#include "picture_filter/decode_picture.h"

// Writes the DIB's `width` x dib.Rows pixels of `depth` bits (1, 4, 8 or 24)
// as RGB rows `rgbStride` bytes apart, top row first. Palette pixels take
// their colour-table entry; an index beyond dib.ColourEntries is black, as
// it is in the zero-filled table a host gets. Bytes past width * 3 are left alone.
void CopyDibAsRgb(const DibTarget& dib, int32_t width, int32_t depth, uint8_t* rgb, size_t rgbStride);
