// Whole pictures through DecodePicture: colour tables, stored and compressed
// chunks, every IPQ display mode, and the picture-level failures.
#include <gtest/gtest.h>

#include "common/result_codes.h"
#include "tests/native/decoder_fixture.h"
#include "writers/ipf_encoder.h"

namespace {

ChunkPalette PaletteOf(std::array<uint8_t, 32> presence, Bytes triples, int32_t countOverride = -1) {
  ChunkPalette palette;
  palette.Presence = presence;
  palette.Triples = std::move(triples);
  palette.CountOverride = countOverride;
  return palette;
}

TEST(ChunkPalette, SetBitsTakeTheTriplesInIndexOrder) {
  const DecodedDib top = DecodeFile(MakeIpf(PaletteOf({0x80}, {10, 20, 30}), StoredFrame(1, 1)));
  ASSERT_EQ(top.Result, ResultSuccess);
  EXPECT_EQ(Entry(top, 0), (Bytes{30, 20, 10, 0}));
  EXPECT_EQ(std::count(top.Colours.begin(), top.Colours.end(), 0), 1024 - 3);

  const DecodedDib low = DecodeFile(MakeIpf(PaletteOf({0x01}, {10, 20, 30}), StoredFrame(1, 1)));
  EXPECT_EQ(Entry(low, 7), (Bytes{30, 20, 10, 0}));

  std::array<uint8_t, 32> presence{};
  presence[0] = 0x81;
  presence[31] = 0x01;
  const DecodedDib three = DecodeFile(MakeIpf(PaletteOf(presence, {1, 2, 3, 4, 5, 6, 7, 8, 9}), StoredFrame(1, 1)));
  EXPECT_EQ(Entry(three, 0), (Bytes{3, 2, 1, 0}));
  EXPECT_EQ(Entry(three, 7), (Bytes{6, 5, 4, 0}));
  EXPECT_EQ(Entry(three, 255), (Bytes{9, 8, 7, 0}));
}

TEST(ChunkPalette, MoreSetBitsThanTriplesLeaveTheRestBlack) {
  std::array<uint8_t, 32> all;
  all.fill(0xFF);
  // The "bmp " chunk follows the two triples: it must not be taken for colours.
  const DecodedDib dib = DecodeFile(MakeIpf(PaletteOf(all, {1, 2, 3, 4, 5, 6}), StoredFrame(4, 4)), ShowConnected,
                                    {}, 0xCC);
  ASSERT_EQ(dib.Result, ResultSuccess);
  EXPECT_EQ(Entry(dib, 1), (Bytes{6, 5, 4, 0xCC}));
  EXPECT_EQ(Entry(dib, 2), (Bytes{0xCC, 0xCC, 0xCC, 0xCC}));
}

TEST(ChunkPalette, MissingOrUnreadablePaletteIsBroken) {
  const Bytes noPalette = MakeRiff("IPF ", {MakeBitmapChunk(StoredFrame(2, 2))});
  EXPECT_EQ(DecodeFile(noPalette).Result, ResultBrokenData);
  // Claims more triples than the input holds (the palette is the last chunk).
  const Bytes beyond = MakeRiff("IPF ", {MakeBitmapChunk(StoredFrame(2, 2)), MakePaletteChunk(PaletteOf({0xFF}, {1, 2, 3}, 100))});
  EXPECT_EQ(DecodeFile(beyond).Result, ResultBrokenData);
  const Bytes negative = MakeIpf(PaletteOf({0xFF}, {1, 2, 3}, 0x7FFFFFFF), StoredFrame(2, 2));
  EXPECT_EQ(DecodeFile(negative).Result, ResultBrokenData);
}

TEST(StoredChunk, RowsGoBottomUpAndShortDataLeaveZeros) {
  BitmapFrame frame = StoredFrame(2, 2);
  frame.PixelData = {1, 2, 3, 4};
  const DecodedDib dib = DecodeFile(MakeIpf(GreyPalette(), frame));
  ASSERT_EQ(dib.Result, ResultSuccess);
  EXPECT_EQ(dib.Layout.Stride, 4);
  EXPECT_EQ(Bytes(dib.Pixels.begin(), dib.Pixels.begin() + 2), (Bytes{3, 4}));
  EXPECT_EQ(Bytes(dib.Pixels.begin() + 4, dib.Pixels.begin() + 6), (Bytes{1, 2}));

  frame = StoredFrame(3, 3);
  frame.PixelData = {1, 2, 3, 4};
  const DecodedDib shortData = DecodeFile(MakeIpf(GreyPalette(), frame), ShowConnected, {}, 0xCC);
  ASSERT_EQ(shortData.Result, ResultSuccess);
  EXPECT_EQ(shortData.Row(0, 3), (Bytes{1, 2, 3}));
  EXPECT_EQ(shortData.Row(1, 3), (Bytes{4, 0, 0}));
  EXPECT_EQ(shortData.Row(2, 3), (Bytes{0, 0, 0}));

  frame.PixelData.assign(100, 9); // more than the picture: the rest is ignored
  EXPECT_EQ(DecodeFile(MakeIpf(GreyPalette(), frame)).Row(2, 3), (Bytes{9, 9, 9}));
}

TEST(BitmapChunk, PackingAndPixelDataAreChecked) {
  BitmapFrame frame = StoredFrame(2, 2);
  frame.Packing = 2;
  EXPECT_EQ(DecodeFile(MakeIpf(GreyPalette(), frame)).Result, ResultNotImplemented);

  // Pixel data running past the end of the input, and a negative length.
  Bytes beyond = MakeIpf(GreyPalette(), StoredFrame(2, 2));
  PokeU32(beyond, beyond.size() - 4 - 24 - 4, 24 + 5);
  EXPECT_EQ(DecodeFile(beyond).Result, ResultBrokenData);
  PokeU32(beyond, beyond.size() - 4 - 24 - 4, 23);
  EXPECT_EQ(DecodeFile(beyond).Result, ResultBrokenData);
}

Bytes PicturePixels(uint16_t width, uint16_t height, uint32_t seed) {
  Bytes pixels(size_t{width} * height);
  for (size_t y = 0; y < height; ++y) {
    for (size_t x = 0; x < width; ++x) {
      seed = seed * 1103515245u + 12345u;
      const bool noisy = (x / 16 + y / 8) % 3 == 0;
      pixels[y * width + x] = static_cast<uint8_t>(noisy ? seed >> 24 : (x / 4 + y / 3) & 0xFF);
    }
  }
  return pixels;
}

TEST(CompressedChunk, EncodedPictureDecodesExactly) {
  const uint16_t width = 37, height = 23;
  const Bytes pixels = PicturePixels(width, height, 5);
  const DecodedDib dib = DecodeFile(MakeIpf(GreyPalette(), CompressedFrame(width, height, EncodeIpfCodes(pixels))));
  ASSERT_EQ(dib.Result, ResultSuccess);
  EXPECT_EQ(dib.Layout.Stride, 40);
  for (int y = 0; y < height; ++y) {
    ASSERT_EQ(dib.Row(y, width), Bytes(pixels.begin() + y * width, pixels.begin() + (y + 1) * width)) << y;
  }
}

std::vector<BitmapFrame> TwoFrames() {
  BitmapFrame first = StoredFrame(2, 1, 5, 6);
  first.PixelData = {1, 2};
  BitmapFrame second = StoredFrame(3, 1, 7, 8);
  second.PixelData = {3, 4, 5};
  BitmapFrame third = StoredFrame(1, 1);
  third.PixelData = {6};
  return {first, second, third};
}

TEST(IpqPicture, ConnectedStacksFrameZeroOnTop) {
  std::vector<BitmapFrame> frames = TwoFrames();
  frames.pop_back();
  const DecodedDib dib = DecodeFile(MakeIpq(GreyPalette(), frames), ShowConnected, {}, 0);
  ASSERT_EQ(dib.Result, ResultSuccess);
  ASSERT_EQ(dib.Layout.Stride, 4);
  EXPECT_EQ(Bytes(dib.Pixels.begin(), dib.Pixels.begin() + 4), (Bytes{3, 4, 5, 0}));
  EXPECT_EQ(Bytes(dib.Pixels.begin() + 4, dib.Pixels.end()), (Bytes{1, 2, 0, 0}));
}

TEST(IpqPicture, SingleFrameModesPickTheirFrame) {
  const Bytes file = MakeIpq(GreyPalette(), TwoFrames());
  EXPECT_EQ(DecodeFile(file, ShowFirst).Row(0, 2), (Bytes{1, 2}));
  EXPECT_EQ(DecodeFile(file, ShowSecond).Row(0, 3), (Bytes{3, 4, 5}));
  EXPECT_EQ(DecodeFile(file, ShowLast).Row(0, 1), Bytes{6});
  EXPECT_EQ(DecodeFile(file, TreatAsArchive).Row(0, 1), Bytes{6});
}

TEST(IpqPicture, ConnectedProgressCountsOverAllFrames) {
  std::vector<BitmapFrame> frames;
  for (uint16_t i = 0; i < 3; ++i) {
    const uint16_t width = static_cast<uint16_t>(30 + i), height = static_cast<uint16_t>(20 + i);
    frames.push_back(CompressedFrame(width, height, EncodeIpfCodes(PicturePixels(width, height, i))));
  }
  ProgressLog log;
  const DecodedDib dib = DecodeFile(MakeIpq(GreyPalette(), frames), ShowConnected, ProgressTo(log));
  ASSERT_EQ(dib.Result, ResultSuccess);
  const int32_t total = 30 * 20 + 31 * 21 + 32 * 22;
  ASSERT_FALSE(log.Calls.empty());
  EXPECT_EQ(log.Calls.front(), std::make_pair(0, total));
  for (size_t i = 1; i < log.Calls.size(); ++i) {
    EXPECT_EQ(log.Calls[i].second, total);
    EXPECT_GE(log.Calls[i].first, log.Calls[i - 1].first);
  }
  // The last frame is decoded first: frame 1 starts after frame 2's pixels.
  EXPECT_NE(std::find(log.Calls.begin(), log.Calls.end(), std::make_pair(32 * 22, total)), log.Calls.end());
  const Bytes topFrame = PicturePixels(30, 20, 0);
  EXPECT_EQ(dib.Row(0, 30), Bytes(topFrame.begin(), topFrame.begin() + 30));

  log.Calls.clear();
  log.CancelAtCall = 0;
  EXPECT_EQ(DecodeFile(MakeIpq(GreyPalette(), frames), ShowConnected, ProgressTo(log)).Result, ResultCancelled);
}

TEST(IpqPicture, BrokenFrameFailsTheConnectedPicture) {
  std::vector<BitmapFrame> frames = TwoFrames();
  frames[1] = CompressedFrame(3, 1, {0x41, 0x42}); // ends before the picture is full
  EXPECT_EQ(DecodeFile(MakeIpq(GreyPalette(), frames), ShowConnected).Result, DataEnded);
  EXPECT_EQ(DecodeFile(MakeIpq(GreyPalette(), frames), ShowFirst).Result, ResultSuccess);
}

TEST(DecodePicture, OtherKindsAreNotOurs) {
  Bytes notOurs = MakeRiff("WAVE", {MakePaletteChunk(GreyPalette())});
  ExactBytes input = ExactCopy(notOurs);
  const PictureImage picture{InputRange{input.Data.get(), input.Size}, input.Data.get()};
  uint8_t colours[1024] = {};
  uint8_t pixels[4] = {};
  EXPECT_EQ(DecodePicture(picture, ShowConnected, DibTarget{colours, 256, pixels, 4, 1}, Progress{}),
            ResultNotOurFormat);
}

} // namespace
