#include "tools/bench/bench_cases.h"

#include <cstdlib>
#include <cstring>

#include "common/result_codes.h"
#include "container/picture_kind.h"
#include "picture_filter/decode_picture.h"
#include "tests/reference/picture_like.h"
#include "tests/reference/reference_decoders.h"
#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"

namespace {

constexpr size_t BitmapChunkData = 56 + 8 + 32; // after the header, the palette and the chunk headers

BenchCase IpfCase(const char* name, uint16_t side) {
  BenchCase bench;
  bench.Name = name;
  bench.Width = bench.Height = side;
  const Bytes pixels = PictureLikePixels(side, side, side);
  BitmapFrame frame;
  frame.Width = frame.Height = side;
  frame.Packing = 1;
  frame.PixelData = EncodeIpfCodes(pixels);
  const ChunkPalette palette = GreyPalette();
  bench.File = MakeIpf(palette, frame);
  bench.StreamLength = frame.PixelData.size();
  bench.StreamOffset = bench.File.size() - bench.StreamLength;
  (void)BitmapChunkData;
  return bench;
}

BenchCase McgCase(const char* name, int32_t side) {
  BenchCase bench;
  bench.Name = name;
  bench.Mcg = true;
  bench.Width = bench.Height = static_cast<size_t>(side);
  McgFile file;
  file.Width = file.Height = side;
  file.Depth = 8;
  file.UnpackedSize = side * side;
  for (uint32_t i = 0; i < 256; ++i) file.Colours.push_back(i * 0x010101u);
  file.Packed = EncodeMcgLzss(PictureLikePixels(bench.Width, bench.Height, static_cast<uint32_t>(side) + 1));
  bench.File = MakeMcg(file);
  bench.StreamLength = file.Packed.size();
  bench.StreamOffset = bench.File.size() - bench.StreamLength;
  return bench;
}

void FlipRows(const uint8_t* source, uint8_t* destination, size_t width, size_t height) {
  for (size_t r = 0; r < height; ++r) std::memcpy(destination + (height - 1 - r) * width, source + r * width, width);
}

} // namespace

std::vector<BenchCase> MakeBenchCases() {
  return {IpfCase("ipf_1MB", 1024), IpfCase("ipf_4MB", 2048), IpfCase("ipf_16MB", 4096),
          McgCase("mcg_1MB", 1024), McgCase("mcg_4MB", 2048), McgCase("mcg_16MB", 4096)};
}

size_t OutputBytes(const BenchCase& bench) { return bench.Width * bench.Height; }

int32_t DecodeWithProject(const BenchCase& bench, Bytes& colours, Bytes& pixels) {
  const PictureImage picture{InputRange{bench.File.data(), bench.File.size()}, bench.File.data()};
  const DibTarget dib{colours.data(), 256, pixels.data(), static_cast<int32_t>(bench.Width),
                      static_cast<int32_t>(bench.Height)};
  return DecodePicture(picture, 1, dib, Progress{});
}

int32_t DecodeWithReference(const BenchCase& bench, Bytes& pixels) {
  const uint8_t* stream = bench.File.data() + bench.StreamOffset;
  const size_t size = OutputBytes(bench);
  uint8_t* work = static_cast<uint8_t*>(std::malloc(size + 17));
  if (work == nullptr) return ResultNoMemory;
  const int32_t result = bench.Mcg ? ReferenceUnpackMcg(stream, bench.StreamLength, work, size, Progress{})
                                   : ReferenceDecodeIpf(stream, bench.StreamLength, work, size, Progress{}, 0, 0);
  if (result == ResultSuccess) FlipRows(work, pixels.data(), bench.Width, bench.Height);
  std::free(work);
  return result;
}
