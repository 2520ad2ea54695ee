// Builds IPF, IPQ and MCG files byte by byte, as the formats lay them out.
// Tests, samples and benchmarks make every input they use with these.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

void PutU16(Bytes& out, uint16_t value);
void PutU32(Bytes& out, uint32_t value);
void PutTag(Bytes& out, const char tag[4]);
void PokeU32(Bytes& out, size_t offset, uint32_t value);

// One "bmp " chunk: picture header and pixel data (stored or compressed).
struct BitmapFrame {
  uint16_t Width = 0;
  uint16_t Height = 0;
  uint16_t Left = 0;
  uint16_t Top = 0;
  uint16_t Packing = 0; // 0 stored, 1 compressed
  Bytes PixelData;      // what follows the 24-byte picture header
};

// A "pal " chunk: which of the 256 indexes carry a colour, and their triples
// (red, green, blue) in index order.
struct ChunkPalette {
  std::array<uint8_t, 32> Presence{};
  Bytes Triples;
  int32_t CountOverride = -1; // >= 0: stored count instead of Triples.size() / 3
};

// A palette giving every index a colour: index i is (r, g, b) from `rgbOf`.
ChunkPalette FullPalette(uint32_t (*rgbOf)(int index));
ChunkPalette GreyPalette();

// A chunk: id, signed size (the data's length unless given), data.
Bytes MakeChunk(const char id[4], const Bytes& data);
Bytes MakeChunkWithSize(const char id[4], int32_t size, const Bytes& data);
Bytes MakeBitmapChunk(const BitmapFrame& frame);
Bytes MakePaletteChunk(const ChunkPalette& palette);

// A RIFF container: 56-byte header with the container size (file size - 8
// unless given) and form type, then the chunks back to back.
Bytes MakeRiff(const char form[4], const std::vector<Bytes>& chunks);
Bytes MakeRiffWithSize(const char form[4], uint32_t containerSize, const std::vector<Bytes>& chunks);

// An IPF: "pal " then "bmp ".
Bytes MakeIpf(const ChunkPalette& palette, const BitmapFrame& frame);

// An IPQ: "pal ", "anim" with the frames' offsets, then one "bmp " chunk per frame.
Bytes MakeIpq(const ChunkPalette& palette, const std::vector<BitmapFrame>& frames);

struct McgFile {
  int32_t Width = 0;
  int32_t Height = 0;
  uint16_t Depth = 8;
  int32_t UnpackedSize = 0;
  std::vector<uint32_t> Colours; // DIB order bytes: blue, green, red, reserved
  int32_t CountOverride = -2;    // >= -1: stored count instead of Colours.size()
  Bytes Packed;                  // LZSS-packed DIB rows (stride bytes each), top row first
};

Bytes MakeMcg(const McgFile& picture);

// Stored packing of `pixels` as one flags byte 0xFF per eight literals: the
// simplest valid MCG stream.
Bytes McgLiteralStream(const Bytes& unpacked);
