#include "picture_filter/wic/codec_frames.h"

#include <cstdlib>
#include <cstring>

#include "common/result_codes.h"
#include "container/chunks.h"
#include "container/frames.h"
#include "container/picture_kind.h"
#include "container/read_picture_info.h"
#include "picture_filter/bitmap_chunk.h"
#include "picture_filter/decode_picture.h"
#include "picture_filter/dib_layout.h"
#include "picture_filter/mcg_decoder.h"
#include "picture_filter/palette.h"

namespace {

PictureImage WholeInput(const InputRange& input) { return PictureImage{input, input.First}; }

// The "bmp " chunk of frame `index` whose header may be read, or null.
const uint8_t* FrameHeader(const PictureImage& picture, int32_t index) {
  const uint8_t* chunk = FrameChunk(picture, index);
  return chunk != nullptr && IsReadable(picture.Input, chunk, BitmapHeaderSize) ? chunk : nullptr;
}

// The description the picture filter would give of the frame alone, and the
// DIB layout that holds it.
int32_t DescribeFrame(const PictureImage& picture, int32_t index, PictureInfo* info, DibLayout* layout) {
  int32_t count = 0;
  const int32_t counted = CountCodecFrames(picture.Input, &count);
  if (counted != ResultSuccess) return counted;
  if (index < 0 || index >= count) return ResultBrokenData;
  if (DetectImageKind(picture) == McgPicture) {
    const int32_t result = ReadPictureInfo(picture, ShowFirst, info);
    if (result != ResultSuccess) return result;
  } else {
    const uint8_t* chunk = FrameHeader(picture, index);
    if (chunk == nullptr) return ResultBrokenData;
    ReadBitmapChunkInfo(chunk, info);
  }
  return ComputeDibLayout(*info, layout);
}

// The frame's pixels and colours into the DIB, as the picture filter decodes
// an IPF, the IPQ frame it shows alone, or an MCG.
int32_t DecodeIntoDib(const PictureImage& picture, int32_t index, const DibTarget& dib) {
  const Progress silent{nullptr, 0};
  if (DetectImageKind(picture) == McgPicture) return DecodeMcgPicture(picture, dib, silent);
  const int32_t paletteResult = LoadChunkPalette(picture, dib);
  if (paletteResult != ResultSuccess) return paletteResult;
  const uint8_t* chunk = FrameHeader(picture, index);
  if (chunk == nullptr) return ResultBrokenData;
  PixelBand band{dib.Pixels, dib.Stride, dib.Rows, static_cast<size_t>(dib.Stride)};
  FrameProgress progress{silent, 0, 0};
  return DecodeBitmapChunk(picture, chunk, &band, &progress);
}

uint32_t OpaqueColour(const uint8_t* quad) {
  return 0xFF000000u | (uint32_t{quad[2]} << 16) | (uint32_t{quad[1]} << 8) | quad[0];
}

// Decodes a picture of the described shape with `decode` into a zero-filled
// DIB of its own (as the picture filter's DIB comes) and hands it to `frame`;
// nothing is held after a failure.
template <typename Decode>
int32_t DecodeWith(const PictureInfo& info, const DibLayout& layout, CodecFrame* frame, Decode decode) {
  uint8_t* pixels = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(layout.ImageSize), 1));
  if (pixels == nullptr) return ResultNoMemory;
  uint8_t table[4 * 256] = {};
  const DibTarget dib{table, layout.ColourEntries, pixels, layout.Stride, info.Height};
  const int32_t result = decode(dib);
  if (result != ResultSuccess) {
    std::free(pixels);
    return result;
  }
  frame->Shape = CodecFrameShape{info.Width, info.Height, info.ColorDepth, layout.ColourEntries};
  for (int32_t entry = 0; entry < layout.ColourEntries; ++entry) {
    frame->Colours[entry] = OpaqueColour(table + 4 * entry);
  }
  frame->Pixels = pixels;
  frame->Stride = layout.Stride;
  return ResultSuccess;
}

} // namespace

int32_t CountCodecFrames(const InputRange& input, int32_t* count) {
  const PictureImage picture = WholeInput(input);
  switch (DetectImageKind(picture)) {
    case IpfPicture:
    case McgPicture:
      *count = 1;
      return ResultSuccess;
    case IpqPicture: {
      // A frame table that lies outside the input has no usable frame at all.
      const int32_t frames = FrameCount(picture);
      if (frames <= 0 || FrameChunk(picture, 0) == nullptr) return ResultBrokenData;
      *count = frames;
      return ResultSuccess;
    }
    default:
      return ResultNotOurFormat;
  }
}

int32_t DescribeCodecFrame(const InputRange& input, int32_t index, CodecFrameShape* shape) {
  PictureInfo info;
  DibLayout layout;
  const int32_t result = DescribeFrame(WholeInput(input), index, &info, &layout);
  if (result != ResultSuccess) return result;
  *shape = CodecFrameShape{info.Width, info.Height, info.ColorDepth, layout.ColourEntries};
  return ResultSuccess;
}

int32_t DecodeCodecFrame(const InputRange& input, int32_t index, CodecFrame* frame) {
  std::memset(frame, 0, sizeof *frame);
  const PictureImage picture = WholeInput(input);
  PictureInfo info;
  DibLayout layout;
  const int32_t result = DescribeFrame(picture, index, &info, &layout);
  if (result != ResultSuccess) return result;
  return DecodeWith(info, layout, frame,
                    [&](const DibTarget& dib) { return DecodeIntoDib(picture, index, dib); });
}

int32_t DecodeCodecPicture(const InputRange& input, int32_t mode, CodecFrame* frame) {
  std::memset(frame, 0, sizeof *frame);
  const PictureImage picture = WholeInput(input);
  if (DetectImageKind(picture) == NotAPicture) return ResultNotOurFormat;
  PictureInfo info;
  int32_t result = ReadPictureInfo(picture, mode, &info);
  if (result != ResultSuccess) return result;
  DibLayout layout;
  result = ComputeDibLayout(info, &layout);
  if (result != ResultSuccess) return result;
  return DecodeWith(info, layout, frame, [&](const DibTarget& dib) {
    return DecodePicture(picture, mode, dib, Progress{nullptr, 0});
  });
}

void ReleaseCodecFrame(CodecFrame* frame) {
  std::free(frame->Pixels);
  frame->Pixels = nullptr;
}
