#include "picture_filter/decode_picture.h"

#include "common/result_codes.h"
#include "container/chunks.h"
#include "container/frames.h"
#include "container/ipq_display_mode.h"
#include "container/picture_kind.h"
#include "container/read_picture_info.h"
#include "picture_filter/bitmap_chunk.h"
#include "picture_filter/mcg_decoder.h"
#include "picture_filter/palette.h"

namespace {

PixelBand WholeBlock(const DibTarget& dib) {
  PixelBand band;
  band.Destination = dib.Pixels;
  band.Pitch = dib.Stride;
  band.RowsLeft = dib.Rows > 0 ? dib.Rows : 0;
  band.RowLength = dib.Stride > 0 ? static_cast<size_t>(dib.Stride) : 0;
  return band;
}

// Picture bytes of a chunk whose header may be read; 0 for anything else.
int64_t PixelCountOf(const PictureImage& picture, const uint8_t* chunk) {
  if (chunk == nullptr || !IsReadable(picture.Input, chunk, BitmapHeaderSize)) return 0;
  return int64_t{ReadU16(chunk + 8)} * ReadU16(chunk + 10);
}

// One chunk fills the whole picture: an IPF, or the IPQ frame a single-frame mode shows.
int32_t DecodeSingleChunk(const PictureImage& picture, const uint8_t* chunk, const DibTarget& dib,
                          const Progress& progress) {
  const int64_t total = PixelCountOf(picture, chunk);
  if (total > INT32_MAX) return ResultBrokenData;
  FrameProgress frameProgress{progress, 0, static_cast<int32_t>(total)};
  PixelBand band = WholeBlock(dib);
  return DecodeBitmapChunk(picture, chunk, &band, &frameProgress);
}

// All frames stacked, frame 0 on top: the last frame fills the bottom band of
// the block (its first rows in memory), and so on upwards.
int32_t DecodeConnected(const PictureImage& picture, const DibTarget& dib, const Progress& progress) {
  int64_t total = 0;
  FrameWalk walk;
  for (int32_t step = FirstFrame(picture, &walk); step == ResultSuccess; step = NextFrame(&walk)) {
    if (walk.Current == nullptr || !IsReadable(picture.Input, walk.Current, BitmapHeaderSize)) {
      return ResultBrokenData;
    }
    total += PixelCountOf(picture, walk.Current);
    if (total > INT32_MAX) return ResultBrokenData;
  }
  const int32_t walked = FinishFrames(&walk);
  if (walked != ResultSuccess) return walked;

  FrameProgress frameProgress{progress, 0, static_cast<int32_t>(total)};
  PixelBand band = WholeBlock(dib);
  for (int32_t index = FrameCount(picture) - 1; index >= 0; --index) {
    const uint8_t* chunk = FrameChunk(picture, index);
    if (chunk == nullptr) return ResultBrokenData;
    const int32_t result = DecodeBitmapChunk(picture, chunk, &band, &frameProgress);
    if (result != ResultSuccess) return result;
  }
  return ResultSuccess;
}

} // namespace

int32_t DecodePicture(const PictureImage& picture, int32_t mode, const DibTarget& dib,
                      const Progress& progress) {
  switch (DetectImageKind(picture)) {
    case IpfPicture: {
      const int32_t paletteResult = LoadChunkPalette(picture, dib);
      if (paletteResult != ResultSuccess) return paletteResult;
      return DecodeSingleChunk(picture, FindChunk(picture, "bmp "), dib, progress);
    }
    case IpqPicture: {
      // One colour table serves every frame.
      const int32_t paletteResult = LoadChunkPalette(picture, dib);
      if (paletteResult != ResultSuccess) return paletteResult;
      if (mode == ShowConnected) return DecodeConnected(picture, dib, progress);
      return DecodeSingleChunk(picture, FrameChunk(picture, SelectedFrameIndex(picture, mode)), dib, progress);
    }
    case McgPicture:
      return DecodeMcgPicture(picture, dib, progress);
    default:
      return ResultNotOurFormat;
  }
}
