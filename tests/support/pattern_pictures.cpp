#include "tests/support/pattern_pictures.h"

#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"

uint32_t PatternColour(int index) {
  return static_cast<uint32_t>((index * 5 & 0xFF) << 16 | (index * 3 & 0xFF) << 8 | ((255 - index) & 0xFF));
}

BitmapFrame PatternFrame(uint16_t width, uint16_t height, bool coded, int seed) {
  BitmapFrame frame;
  frame.Width = width;
  frame.Height = height;
  Bytes indexes(size_t{width} * height);
  for (size_t i = 0; i < indexes.size(); ++i) indexes[i] = static_cast<uint8_t>((i % width) * seed / 7 + i / width);
  frame.Packing = coded ? 1 : 0;
  frame.PixelData = coded ? EncodeIpfCodes(indexes) : indexes;
  return frame;
}

Bytes PatternMcg(int32_t width, int32_t height, uint16_t depth, size_t colours) {
  McgFile mcg;
  mcg.Width = width;
  mcg.Height = height;
  mcg.Depth = depth;
  const size_t stride = ((size_t{depth} * static_cast<size_t>(width) + 7) / 8 + 3) & ~size_t{3};
  Bytes rows(stride * static_cast<size_t>(height));
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 11 / 3 + i / stride);
  mcg.UnpackedSize = static_cast<int32_t>(rows.size());
  for (size_t i = 0; i < colours; ++i) mcg.Colours.push_back(PatternColour(static_cast<int>(i) * 9));
  mcg.Packed = EncodeMcgLzss(rows);
  return MakeMcg(mcg);
}
