// MCG pictures: the LZSS-packed DIB rows after a fixed header and colour table.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/progress.h"
#include "container/picture_image.h"
#include "picture_filter/decode_picture.h"

// The LZSS window is the 4096 bytes before the write position: a cleared
// lead-in stands for the window's starting zeros, so the unpacked data lie in
// one piece and need no ring. A reference that starts before the end may
// write past it (up to 17 bytes, more in the fast path): the run-out.
constexpr size_t McgLeadIn = 4096;
constexpr size_t McgRunOut = 64;
constexpr uint32_t McgFirstWriteIndex = 4096 - 18;
// The unpacked part of the window DecodeMcgPicture works in.
constexpr size_t McgWindowSpan = 65536 - McgLeadIn - McgRunOut;

// Unpacks `unpackedSize` bytes from `length` packed bytes to `out`, which has
// McgLeadIn writable bytes before it (cleared here) and unpackedSize +
// McgRunOut after it. Progress comes at group boundaries. Returns 0, 1
// (cancelled) or DataEnded; no byte outside the packed data is read.
int32_t UnpackMcg(const uint8_t* data, size_t length, uint8_t* out, size_t unpackedSize,
                  const Progress& progress);

// The colour table and pixels of an MCG picture into the DIB. 3 for a header
// or colour table outside the input, a colour count outside 0..256 or a
// negative unpacked size; 4 without memory; else UnpackMcg's result.
int32_t DecodeMcgPicture(const PictureImage& picture, const DibTarget& dib, const Progress& progress);
