#include "picture_filter/dib_layout.h"

#include <cstring>

#include "common/result_codes.h"

int32_t ColourTableEntries(int32_t depth) {
  switch (depth) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    case 24: return 0;
    default: return -1;
  }
}

int32_t ComputeDibLayout(const PictureInfo& info, DibLayout* layout) {
  const int32_t entries = ColourTableEntries(info.ColorDepth);
  if (entries < 0) return ResultNotImplemented;
  if (info.Width <= 0 || info.Height <= 0) return ResultBrokenData;
  const int64_t rowBytes = (static_cast<int64_t>(info.ColorDepth) * info.Width + 7) / 8;
  const int64_t stride = (rowBytes + 3) & ~int64_t{3};
  // Both factors fit 32 bits here only once the stride is tested: the
  // product of two 32-bit values would still wrap 64 bits.
  if (stride > INT32_MAX) return ResultBrokenData;
  const int64_t imageSize = stride * info.Height;
  if (imageSize > INT32_MAX) return ResultBrokenData;
  layout->ColourEntries = entries;
  layout->InfoSize = BitmapInfoHeaderSize + 4 * entries;
  layout->Stride = static_cast<int32_t>(stride);
  layout->ImageSize = static_cast<int32_t>(imageSize);
  return ResultSuccess;
}

namespace {
void PutLe(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}
} // namespace

void WriteBitmapInfoHeader(const PictureInfo& info, const DibLayout& layout, uint8_t* header) {
  std::memset(header, 0, BitmapInfoHeaderSize);
  PutLe(header + 0, BitmapInfoHeaderSize, 4);             // biSize
  PutLe(header + 4, static_cast<uint32_t>(info.Width), 4);  // biWidth
  PutLe(header + 8, static_cast<uint32_t>(info.Height), 4); // biHeight: positive, rows bottom-up
  PutLe(header + 12, 1, 2);                                // biPlanes
  PutLe(header + 14, static_cast<uint32_t>(info.ColorDepth), 2);
  // biCompression 0 (BI_RGB) stays zero
  PutLe(header + 20, static_cast<uint32_t>(layout.ImageSize), 4); // biSizeImage
}
