#include "picture_filter/palette.h"

#include "common/result_codes.h"
#include "container/chunks.h"

namespace {
constexpr size_t PaletteHeaderSize = 44; // id, size, count, presence bitmap
}

int32_t LoadChunkPalette(const PictureImage& picture, const DibTarget& dib) {
  const uint8_t* chunk = FindChunk(picture, "pal ");
  if (chunk == nullptr || !IsReadable(picture.Input, chunk, PaletteHeaderSize)) return ResultBrokenData;
  const int32_t count = ReadI32(chunk + 8);
  if (count < 0) return ResultBrokenData;
  const uint64_t tripleBytes = 3 * static_cast<uint64_t>(count);
  if (tripleBytes > BytesLeft(picture.Input, chunk + PaletteHeaderSize)) return ResultBrokenData;
  if (dib.ColourEntries < 256) return ResultBrokenData;

  const uint8_t* presence = chunk + 12;
  const uint8_t* triple = chunk + PaletteHeaderSize;
  // Set bits beyond the stored triples leave their entries black.
  int32_t triplesLeft = count;
  for (int entry = 0; entry < 256 && triplesLeft > 0; ++entry) {
    if ((presence[entry / 8] & (0x80 >> (entry % 8))) == 0) continue;
    uint8_t* quad = dib.ColourTable + 4 * entry;
    quad[0] = triple[2];
    quad[1] = triple[1];
    quad[2] = triple[0];
    triple += 3;
    --triplesLeft;
  }
  return ResultSuccess;
}
