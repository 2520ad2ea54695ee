#include "web/core/decoded_rows.h"

#include <cstdlib>
#include <cstring>

#include "common/result_codes.h"

namespace {

const uint8_t* TopDownRow(const CodecFrame& frame, int32_t row) {
  return frame.Pixels + static_cast<size_t>(frame.Shape.Height - 1 - row) * static_cast<size_t>(frame.Stride);
}

// Row `row`'s indexes, the leftmost pixel in a byte's high bits.
void UnpackRow(const uint8_t* source, int32_t depth, int32_t width, uint8_t* indices) {
  if (depth == 8) {
    std::memcpy(indices, source, static_cast<size_t>(width));
    return;
  }
  const int32_t perByte = 8 / depth;
  const unsigned mask = (1u << depth) - 1;
  for (int32_t x = 0; x < width; ++x) {
    const int32_t shift = 8 - depth * (x % perByte + 1);
    indices[x] = static_cast<uint8_t>((source[x / perByte] >> shift) & mask);
  }
}

// Little-endian words whose bytes are red, green, blue, 255.
uint32_t RgbaWord(uint32_t red, uint32_t green, uint32_t blue) { return red | green << 8 | blue << 16 | 0xFF000000u; }

void RgbaRow(const CodecFrame& frame, const uint8_t* source, const uint32_t* words, uint8_t* indexScratch,
             uint8_t* rgba) {
  const int32_t width = frame.Shape.Width;
  if (frame.Shape.Depth == 24) {
    for (int32_t x = 0; x < width; ++x, source += 3, rgba += 4) {
      const uint32_t word = RgbaWord(source[2], source[1], source[0]);
      std::memcpy(rgba, &word, 4);
    }
    return;
  }
  UnpackRow(source, frame.Shape.Depth, width, indexScratch);
  for (int32_t x = 0; x < width; ++x, rgba += 4) std::memcpy(rgba, &words[indexScratch[x]], 4);
}

int32_t FillPixels(const CodecFrame& frame, FcDecoded* decoded) {
  const int32_t width = frame.Shape.Width;
  const size_t rowPixels = static_cast<size_t>(width);
  uint32_t words[256] = {};
  for (int32_t i = 0; i < frame.Shape.ColourEntries; ++i) {
    const uint32_t colour = frame.Colours[i];
    words[i] = RgbaWord((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
  }
  uint8_t* scratch = nullptr;
  if (decoded->Rgba != nullptr && decoded->Indices == nullptr && frame.Shape.Depth < 24) {
    scratch = static_cast<uint8_t*>(std::malloc(rowPixels));
    if (scratch == nullptr) return ResultNoMemory;
  }
  for (int32_t row = 0; row < frame.Shape.Height; ++row) {
    const uint8_t* source = TopDownRow(frame, row);
    uint8_t* indices = decoded->Indices != nullptr ? decoded->Indices + row * rowPixels : nullptr;
    if (indices != nullptr) UnpackRow(source, frame.Shape.Depth, width, indices);
    if (decoded->Rgba == nullptr) continue;
    uint8_t* rgba = decoded->Rgba + row * rowPixels * 4;
    if (indices != nullptr) {
      for (size_t x = 0; x < rowPixels; ++x) std::memcpy(rgba + 4 * x, &words[indices[x]], 4);
    } else {
      RgbaRow(frame, source, words, scratch, rgba);
    }
  }
  std::free(scratch);
  return ResultSuccess;
}

} // namespace

int32_t MakeDecoded(const CodecFrame& frame, int32_t want, FcDecoded** decoded) {
  *decoded = nullptr;
  FcDecoded* made = static_cast<FcDecoded*>(std::calloc(1, sizeof(FcDecoded)));
  if (made == nullptr) return ResultNoMemory;
  const CodecFrameShape& shape = frame.Shape;
  made->Width = shape.Width;
  made->Height = shape.Height;
  made->Depth = shape.Depth;
  made->Colours = shape.ColourEntries;
  std::memcpy(made->Palette, frame.Colours, sizeof(uint32_t) * static_cast<size_t>(shape.ColourEntries));
  const size_t pixels = static_cast<size_t>(shape.Width) * static_cast<size_t>(shape.Height);
  bool allocated = true;
  if ((want & FcWantIndices) != 0 && shape.Depth < 24) {
    made->Indices = static_cast<uint8_t*>(std::malloc(pixels));
    allocated = made->Indices != nullptr;
  }
  if (allocated && (want & FcWantRgba) != 0) {
    made->Rgba = static_cast<uint8_t*>(std::malloc(pixels * 4));
    allocated = made->Rgba != nullptr;
  }
  if (!allocated || FillPixels(frame, made) != ResultSuccess) {
    fc_release(made);
    return ResultNoMemory;
  }
  *decoded = made;
  return ResultSuccess;
}
