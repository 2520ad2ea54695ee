#include "tools/bench/host_pictures.h"

#include <utility>

#include "tests/reference/picture_like.h"
#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"

namespace {

uint32_t Next(uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

// Ordered dither: a smooth shade between two neighbouring palette entries.
const uint8_t Bayer4[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

uint8_t PixelOf(PictureKindOfBench kind, size_t x, size_t y, uint32_t& state) {
  switch (kind) {
    case FlatAreas: // rectangles of one colour, 160 x 96
      return static_cast<uint8_t>((x / 160) * 37 + (y / 96) * 11);
    case Gradients: // a smooth shade across the picture
      return static_cast<uint8_t>(x / 5 + y / 9);
    case DitheredPalette: { // the same shade in 16ths, dithered between entries
      const size_t shade = x * 4 / 5 + y * 16 / 9;
      return static_cast<uint8_t>(shade / 16 + ((shade % 16) > Bayer4[y % 4][x % 4]));
    }
    default:
      return static_cast<uint8_t>(Next(state) >> 8);
  }
}

} // namespace

const char* BenchKindName(PictureKindOfBench kind) {
  static const char* const Names[BenchKindCount] = {"flat", "gradient", "dithered", "photo-like", "noise"};
  return Names[kind];
}

Bytes BenchPixels(PictureKindOfBench kind, size_t width, size_t height) {
  if (kind == PhotoLike) return PictureLikePixels(width, height, static_cast<uint32_t>(width));
  Bytes pixels(width * height);
  uint32_t state = 12345;
  for (size_t y = 0; y < height; ++y) {
    for (size_t x = 0; x < width; ++x) pixels[y * width + x] = PixelOf(kind, x, y, state);
  }
  return pixels;
}

namespace {

BenchFile WithStreamAtEnd(Bytes file, size_t streamLength) {
  BenchFile bench;
  bench.File = std::move(file);
  bench.StreamLength = streamLength;
  bench.StreamOffset = bench.File.size() - streamLength;
  return bench;
}

} // namespace

BenchFile BenchIpf(const Bytes& pixels, size_t width, size_t height) {
  BitmapFrame frame;
  frame.Width = static_cast<uint16_t>(width);
  frame.Height = static_cast<uint16_t>(height);
  frame.Packing = 1;
  frame.PixelData = EncodeIpfCodes(pixels);
  const size_t streamLength = frame.PixelData.size();
  return WithStreamAtEnd(MakeIpf(GreyPalette(), frame), streamLength);
}

BenchFile BenchMcg(const Bytes& pixels, size_t width, size_t height) {
  McgFile file;
  file.Width = static_cast<int32_t>(width);
  file.Height = static_cast<int32_t>(height);
  file.Depth = 8;
  file.UnpackedSize = static_cast<int32_t>(pixels.size());
  for (uint32_t i = 0; i < 256; ++i) file.Colours.push_back(i * 0x010101u);
  file.Packed = EncodeMcgLzss(pixels);
  return WithStreamAtEnd(MakeMcg(file), file.Packed.size());
}
