#include "writers/picture_writer.h"

#include <cstring>

void PutU16(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(Bytes& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

void PutTag(Bytes& out, const char tag[4]) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

void PokeU32(Bytes& out, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

ChunkPalette FullPalette(uint32_t (*rgbOf)(int index)) {
  ChunkPalette palette;
  palette.Presence.fill(0xFF);
  for (int i = 0; i < 256; ++i) {
    const uint32_t rgb = rgbOf(i);
    palette.Triples.push_back(static_cast<uint8_t>(rgb >> 16));
    palette.Triples.push_back(static_cast<uint8_t>(rgb >> 8));
    palette.Triples.push_back(static_cast<uint8_t>(rgb));
  }
  return palette;
}

ChunkPalette GreyPalette() {
  return FullPalette([](int i) { return static_cast<uint32_t>(i * 0x010101); });
}

Bytes MakeChunkWithSize(const char id[4], int32_t size, const Bytes& data) {
  Bytes chunk;
  PutTag(chunk, id);
  PutU32(chunk, static_cast<uint32_t>(size));
  chunk.insert(chunk.end(), data.begin(), data.end());
  return chunk;
}

Bytes MakeChunk(const char id[4], const Bytes& data) {
  return MakeChunkWithSize(id, static_cast<int32_t>(data.size()), data);
}

Bytes MakeBitmapChunk(const BitmapFrame& frame) {
  Bytes data;
  PutU16(data, frame.Width);
  PutU16(data, frame.Height);
  PutU32(data, 0);
  PutU16(data, frame.Left);
  PutU16(data, frame.Top);
  data.insert(data.end(), 6, 0);
  PutU16(data, frame.Packing);
  PutU32(data, 0);
  data.insert(data.end(), frame.PixelData.begin(), frame.PixelData.end());
  return MakeChunk("bmp ", data);
}

Bytes MakePaletteChunk(const ChunkPalette& palette) {
  Bytes data;
  const int32_t count = palette.CountOverride >= 0 ? palette.CountOverride
                                                   : static_cast<int32_t>(palette.Triples.size() / 3);
  PutU32(data, static_cast<uint32_t>(count));
  data.insert(data.end(), palette.Presence.begin(), palette.Presence.end());
  data.insert(data.end(), palette.Triples.begin(), palette.Triples.end());
  return MakeChunk("pal ", data);
}

Bytes MakeRiffWithSize(const char form[4], uint32_t containerSize, const std::vector<Bytes>& chunks) {
  Bytes file;
  PutTag(file, "RIFF");
  PutU32(file, containerSize);
  PutTag(file, form);
  file.resize(56, 0);
  for (const Bytes& chunk : chunks) file.insert(file.end(), chunk.begin(), chunk.end());
  return file;
}

Bytes MakeRiff(const char form[4], const std::vector<Bytes>& chunks) {
  Bytes file = MakeRiffWithSize(form, 0, chunks);
  PokeU32(file, 4, static_cast<uint32_t>(file.size() - 8));
  return file;
}

Bytes MakeIpf(const ChunkPalette& palette, const BitmapFrame& frame) {
  return MakeRiff("IPF ", {MakePaletteChunk(palette), MakeBitmapChunk(frame)});
}

Bytes MakeIpq(const ChunkPalette& palette, const std::vector<BitmapFrame>& frames) {
  const Bytes pal = MakePaletteChunk(palette);
  const size_t animSize = 8 + 4 + 4 * frames.size();
  Bytes anim;
  PutTag(anim, "anim");
  PutU32(anim, static_cast<uint32_t>(animSize - 8));
  PutU32(anim, static_cast<uint32_t>(frames.size()));
  size_t offset = 56 + pal.size() + animSize;
  std::vector<Bytes> chunks{pal, Bytes{}};
  for (const BitmapFrame& frame : frames) {
    PutU32(anim, static_cast<uint32_t>(offset));
    chunks.push_back(MakeBitmapChunk(frame));
    offset += chunks.back().size();
  }
  chunks[1] = anim;
  return MakeRiff("IPQ ", chunks);
}

Bytes MakeMcg(const McgFile& picture) {
  Bytes file;
  PutTag(file, "MCG ");
  file.resize(28, 0);
  PutU32(file, static_cast<uint32_t>(picture.Width));
  PutU32(file, static_cast<uint32_t>(picture.Height));
  PutU16(file, picture.Depth);
  PutU16(file, 0);
  PutU32(file, static_cast<uint32_t>(picture.UnpackedSize));
  const int32_t count = picture.CountOverride >= -1 ? picture.CountOverride
                                                    : static_cast<int32_t>(picture.Colours.size());
  PutU32(file, static_cast<uint32_t>(count));
  file.resize(64, 0);
  for (uint32_t colour : picture.Colours) PutU32(file, colour);
  file.insert(file.end(), picture.Packed.begin(), picture.Packed.end());
  return file;
}

Bytes McgLiteralStream(const Bytes& unpacked) {
  Bytes stream;
  for (size_t i = 0; i < unpacked.size(); i += 8) {
    const size_t n = unpacked.size() - i < 8 ? unpacked.size() - i : 8;
    stream.push_back(static_cast<uint8_t>((1u << n) - 1));
    stream.insert(stream.end(), unpacked.begin() + i, unpacked.begin() + i + n);
  }
  return stream;
}
