#include "picture_filter/bitmap_chunk.h"

#include <cstdlib>

#include "common/result_codes.h"
#include "container/frames.h"
#include "picture_filter/rows.h"

namespace {
constexpr uint16_t StoredPacking = 0;
constexpr uint16_t CompressedPacking = 1;
}

int32_t DecodeBitmapChunk(const PictureImage& picture, const uint8_t* chunk, PixelBand* band,
                          FrameProgress* progress) {
  if (chunk == nullptr || !IsReadable(picture.Input, chunk, BitmapHeaderSize)) return ResultBrokenData;
  // Frames reached through the "anim" table carry any size: take it in 64 bits.
  const int64_t dataLength = int64_t{ReadI32(chunk + 4)} - 24;
  const uint8_t* data = chunk + BitmapHeaderSize;
  if (dataLength < 0 || !IsReadable(picture.Input, data, static_cast<size_t>(dataLength))) {
    return ResultBrokenData;
  }
  const size_t width = ReadU16(chunk + 8);
  const size_t height = ReadU16(chunk + 10);
  // The frame describes itself; the DIB was built from the same header, so a
  // frame that does not fit it means the input changed under us or lies.
  if (width > band->RowLength || static_cast<int64_t>(height) > band->RowsLeft) return ResultBrokenData;
  const size_t pixelCount = width * height; // fits: the DIB holds at least this much
  const uint16_t packing = ReadU16(chunk + 26);

  if (packing == StoredPacking) {
    // Rows straight from the input; data shorter than the picture leave zeros.
    CopyAvailableRowsBottomUp(data, static_cast<size_t>(dataLength), band->Destination, width, height,
                              band->Pitch);
  } else if (packing == CompressedPacking) {
    const int32_t result = DecodeIpfCodesToRows(data, static_cast<size_t>(dataLength), width, height,
                                                band->Destination, band->Pitch, *progress);
    if (result != ResultSuccess) return result;
  } else {
    return ResultNotImplemented;
  }

  band->Destination += static_cast<ptrdiff_t>(height) * band->Pitch;
  band->RowsLeft -= static_cast<int64_t>(height);
  progress->Done += static_cast<int32_t>(pixelCount);
  return ResultSuccess;
}
