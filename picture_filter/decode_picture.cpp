#include "picture_filter/decode_picture.h"

#include <cstdlib>
#include <cstring>

#include "common/result_codes.h"
#include "container/chunks.h"
#include "container/frames.h"
#include "container/picture_kind.h"
#include "picture_filter/palette.h"
#include "picture_filter/rows.h"

namespace {

// Stored pixel data only, for now: compressed chunks are not decoded yet.
int32_t DecodeStoredBitmapChunk(const PictureImage& picture, const uint8_t* chunk, const DibTarget& dib) {
  if (chunk == nullptr || !IsReadable(picture.Input, chunk, BitmapHeaderSize)) return ResultBrokenData;
  const int32_t dataLength = ReadI32(chunk + 4) - 24;
  if (dataLength < 0 || !IsReadable(picture.Input, chunk + BitmapHeaderSize, static_cast<size_t>(dataLength))) {
    return ResultBrokenData;
  }
  if (ReadU16(chunk + 26) != 0) return ResultNotImplemented;
  const size_t width = ReadU16(chunk + 8);
  const size_t height = ReadU16(chunk + 10);
  uint8_t* area = static_cast<uint8_t*>(std::calloc(width * height + 1, 1));
  if (area == nullptr) return ResultNoMemory;
  const size_t stored = static_cast<size_t>(dataLength) < width * height ? dataLength : width * height;
  std::memcpy(area, chunk + BitmapHeaderSize, stored);
  CopyRowsBottomUp(area, dib.Pixels, width, height, dib.Stride);
  std::free(area);
  return ResultSuccess;
}

} // namespace

int32_t DecodePicture(const PictureImage& picture, int32_t mode, const DibTarget& dib,
                      const Progress& progress) {
  if (DetectImageKind(picture) != IpfPicture) return ResultNotImplemented;
  const int32_t paletteResult = LoadChunkPalette(picture, dib);
  if (paletteResult != ResultSuccess) return paletteResult;
  return DecodeStoredBitmapChunk(picture, FindChunk(picture, "bmp "), dib);
}
