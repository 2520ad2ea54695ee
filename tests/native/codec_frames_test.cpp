// The codec's frame server: frame lists, shapes, decoded frames against the
// pixels and colours the writers were given, and rectangle copies down to
// single bits, including the bounds a caller may get wrong.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/result_codes.h"
#include "picture_filter/wic/codec_frames.h"
#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"
#include "writers/picture_writer.h"

namespace {

InputRange Whole(const Bytes& bytes) { return InputRange{bytes.data(), bytes.size()}; }

Bytes Counting(size_t count, int step) {
  Bytes bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i * step + i / 7);
  return bytes;
}

BitmapFrame Frame(uint16_t width, uint16_t height, const Bytes& pixels) {
  BitmapFrame frame;
  frame.Width = width;
  frame.Height = height;
  frame.Packing = 1;
  frame.PixelData = EncodeIpfCodes(pixels);
  return frame;
}

// A frame made by hand: rows bottom-up, as the decoders leave them.
CodecFrame HandFrame(int32_t width, int32_t height, int32_t depth, std::vector<uint8_t>* block) {
  CodecFrame frame{};
  frame.Shape = CodecFrameShape{width, height, depth, depth == 24 ? 0 : 1 << depth};
  frame.Stride = ((width * depth + 31) / 32) * 4;
  block->resize(static_cast<size_t>(frame.Stride) * height);
  for (size_t i = 0; i < block->size(); ++i) (*block)[i] = static_cast<uint8_t>(i * 37 + 11);
  frame.Pixels = block->data();
  return frame;
}

uint32_t BitsAt(const uint8_t* row, int bit, int count) {
  return (row[bit / 8] >> (8 - count - bit % 8)) & ((1u << count) - 1);
}

} // namespace

TEST(CodecFrames, FrameListsOfEachFormat) {
  const Bytes ipq = MakeIpq(GreyPalette(), {Frame(3, 2, Counting(6, 1)), Frame(5, 4, Counting(20, 3)),
                                            Frame(1, 7, Counting(7, 5))});
  int32_t count = 0;
  ASSERT_EQ(CountCodecFrames(Whole(ipq), &count), ResultSuccess);
  EXPECT_EQ(count, 3);
  const int32_t sizes[3][2] = {{3, 2}, {5, 4}, {1, 7}};
  for (int32_t index = 0; index < 3; ++index) {
    CodecFrameShape shape;
    ASSERT_EQ(DescribeCodecFrame(Whole(ipq), index, &shape), ResultSuccess);
    EXPECT_EQ(shape.Width, sizes[index][0]);
    EXPECT_EQ(shape.Height, sizes[index][1]);
    EXPECT_EQ(shape.Depth, 8);
    EXPECT_EQ(shape.ColourEntries, 256);
  }
  CodecFrameShape shape;
  EXPECT_EQ(DescribeCodecFrame(Whole(ipq), 3, &shape), ResultBrokenData);
  EXPECT_EQ(DescribeCodecFrame(Whole(ipq), -1, &shape), ResultBrokenData);

  const Bytes ipf = MakeIpf(GreyPalette(), Frame(4, 4, Counting(16, 1)));
  ASSERT_EQ(CountCodecFrames(Whole(ipf), &count), ResultSuccess);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(DescribeCodecFrame(Whole(ipf), 1, &shape), ResultBrokenData);

  McgFile mcg;
  mcg.Width = 9;
  mcg.Height = 2;
  mcg.Depth = 2; // no such depth in a DIB
  mcg.UnpackedSize = 8;
  mcg.Packed = McgLiteralStream(Bytes(8, 0));
  ASSERT_EQ(CountCodecFrames(Whole(MakeMcg(mcg)), &count), ResultSuccess);
  EXPECT_EQ(DescribeCodecFrame(Whole(MakeMcg(mcg)), 0, &shape), ResultNotImplemented);

  const Bytes text = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  EXPECT_EQ(CountCodecFrames(Whole(text), &count), ResultNotOurFormat);
  EXPECT_EQ(CountCodecFrames(InputRange{ipq.data(), 11}, &count), ResultNotOurFormat);
  // An IPQ whose frame table lies past the end has no frame to give.
  EXPECT_EQ(CountCodecFrames(InputRange{ipq.data(), 70}, &count), ResultBrokenData);
}

TEST(CodecFrames, DecodedFramesHoldTheWritersPixelsAndColours) {
  const Bytes second = Counting(5 * 4, 3);
  const Bytes ipq = MakeIpq(GreyPalette(), {Frame(3, 2, Counting(6, 1)), Frame(5, 4, second)});
  CodecFrame frame;
  ASSERT_EQ(DecodeCodecFrame(Whole(ipq), 1, &frame), ResultSuccess);
  EXPECT_EQ(frame.Stride, 8);
  Bytes rows(5 * 4);
  ASSERT_EQ(CopyCodecPixels(frame, CodecRectangle{0, 0, 5, 4}, 5, rows.size(), rows.data()), ResultSuccess);
  EXPECT_EQ(rows, second); // top-down, as written
  EXPECT_EQ(frame.Colours[0], 0xFF000000u);
  EXPECT_EQ(frame.Colours[0x42], 0xFF424242u);
  ReleaseCodecFrame(&frame);
  EXPECT_EQ(frame.Pixels, nullptr);

  McgFile mcg;
  mcg.Width = 2;
  mcg.Height = 2;
  mcg.Depth = 24;
  mcg.UnpackedSize = 16;
  const Bytes unpacked = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}; // top row first
  mcg.Packed = EncodeMcgLzss(unpacked);
  ASSERT_EQ(DecodeCodecFrame(Whole(MakeMcg(mcg)), 0, &frame), ResultSuccess);
  Bytes bgr(12);
  ASSERT_EQ(CopyCodecPixels(frame, CodecRectangle{0, 0, 2, 2}, 6, bgr.size(), bgr.data()), ResultSuccess);
  EXPECT_EQ(bgr, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
  ReleaseCodecFrame(&frame);

  mcg.Depth = 4;
  mcg.Colours = {0x00102030, 0x00405060};
  mcg.Packed = EncodeMcgLzss(unpacked);
  ASSERT_EQ(DecodeCodecFrame(Whole(MakeMcg(mcg)), 0, &frame), ResultSuccess);
  EXPECT_EQ(frame.Shape.ColourEntries, 16);
  EXPECT_EQ(frame.Colours[1], 0xFF405060u);
  EXPECT_EQ(frame.Colours[2], 0xFF000000u); // entries the file does not give stay black
  ReleaseCodecFrame(&frame);

  // Pixel data cut short: a failure, and nothing held.
  const Bytes cut(ipq.begin(), ipq.end() - 3);
  EXPECT_NE(DecodeCodecFrame(Whole(cut), 1, &frame), ResultSuccess);
  EXPECT_EQ(frame.Pixels, nullptr);
}

TEST(CodecPixels, SubRectanglesOfPackedRowsStartAtAnyBit) {
  for (int32_t depth : {1, 4, 8, 24}) {
    std::vector<uint8_t> block;
    const CodecFrame frame = HandFrame(29, 5, depth, &block);
    const int bits = depth == 24 ? 8 : depth;
    const int perPixel = depth / bits;
    for (int32_t x = 0; x < 29; x += 3) {
      const CodecRectangle rectangle{x, 1, 29 - x, 3};
      const uint32_t rowBytes = static_cast<uint32_t>(((29 - x) * depth + 7) / 8);
      Bytes out(rowBytes * 3 + 16, 0xEE);
      ASSERT_EQ(CopyCodecPixels(frame, rectangle, rowBytes + 2, out.size(), out.data()), ResultSuccess);
      for (int32_t r = 0; r < 3; ++r) {
        const uint8_t* source = frame.Pixels + (5 - 1 - (1 + r)) * frame.Stride;
        const uint8_t* copied = out.data() + r * (rowBytes + 2);
        for (int32_t i = 0; i < (29 - x) * perPixel; ++i) {
          ASSERT_EQ(BitsAt(copied, i * bits, bits), BitsAt(source, (x * perPixel + i) * bits, bits))
              << "depth " << depth << " x " << x << " row " << r << " unit " << i;
        }
        const int tail = ((29 - x) * depth) % 8;
        if (tail != 0) {
          EXPECT_EQ(copied[rowBytes - 1] & (0xFF >> tail), 0);
        }
        if (r < 2) {
          EXPECT_EQ(copied[rowBytes], 0xEE);
          EXPECT_EQ(copied[rowBytes + 1], 0xEE);
        }
      }
    }
  }
}

TEST(CodecPixels, BoundsAreCheckedWithoutOverflow) {
  std::vector<uint8_t> block;
  const CodecFrame frame = HandFrame(10, 4, 8, &block);
  Bytes out(64);
  const CodecRectangle rectangles[] = {{0, 0, 11, 1},  {0, 0, 1, 5},  {-1, 0, 1, 1}, {0, -1, 1, 1},
                                       {0, 0, -1, 1},  {0, 0, 1, -1}, {INT32_MAX, 0, INT32_MAX, 1},
                                       {1, 0, INT32_MAX, 1}};
  for (const CodecRectangle& rectangle : rectangles) {
    EXPECT_EQ(CopyCodecPixels(frame, rectangle, 10, out.size(), out.data()), CodecBadRectangle);
  }
  EXPECT_EQ(CopyCodecPixels(frame, CodecRectangle{0, 0, 10, 4}, 9, out.size(), out.data()), CodecBadRectangle);
  // A stride that times the rows passes 32 bits: too large a buffer, not a wrap.
  EXPECT_EQ(CopyCodecPixels(frame, CodecRectangle{0, 0, 10, 4}, 0x80000000u, out.size(), out.data()),
            CodecBufferTooSmall);
  EXPECT_EQ(CopyCodecPixels(frame, CodecRectangle{0, 0, 10, 4}, 10, 39, out.data()), CodecBufferTooSmall);
  EXPECT_EQ(CopyCodecPixels(frame, CodecRectangle{0, 0, 10, 4}, 10, 40, out.data()), ResultSuccess);
  EXPECT_EQ(CopyCodecPixels(frame, CodecRectangle{0, 0, 10, 4}, 10, 40, nullptr), CodecBufferTooSmall);
  EXPECT_EQ(CopyCodecPixels(frame, CodecRectangle{3, 2, 0, 0}, 0, 0, nullptr), ResultSuccess);
}
