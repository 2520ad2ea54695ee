// Pictures larger than the decoders' work window: the rows are written as the
// window fills, so every window boundary, the history carried across it and
// the last window's clamping are exercised here.
#include <gtest/gtest.h>

#include "common/result_codes.h"
#include "tests/native/decoder_fixture.h"
#include "tests/reference/picture_like.h"
#include "tests/reference/reference_decoders.h"
#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"

namespace {

// Top row first, `width` bytes each, as the picture's rows read from the DIB.
Bytes TopDown(const DecodedDib& dib, int32_t width) {
  Bytes rows;
  for (int32_t y = 0; y < dib.Info.Height; ++y) {
    const Bytes row = dib.Row(y, width);
    rows.insert(rows.end(), row.begin(), row.end());
  }
  return rows;
}

Bytes McgPicture(int32_t width, int32_t height, const Bytes& unpacked) {
  McgFile file;
  file.Width = width;
  file.Height = height;
  file.UnpackedSize = static_cast<int32_t>(unpacked.size());
  file.Colours.assign(256, 0);
  file.Packed = EncodeMcgLzss(unpacked);
  return MakeMcg(file);
}

} // namespace

TEST(WindowedDecoding, IpfPictureOfManyWindowsDecodesExactly) {
  const uint16_t width = 701, height = 333; // rows that straddle every window boundary
  const Bytes pixels = PictureLikePixels(width, height, 11);
  const DecodedDib dib = DecodeFile(MakeIpf(GreyPalette(), CompressedFrame(width, height, EncodeIpfCodes(pixels))),
                                    ShowConnected, {}, 0xCC);
  ASSERT_EQ(dib.Result, ResultSuccess);
  EXPECT_EQ(TopDown(dib, width), pixels);
}

TEST(WindowedDecoding, IpfProgressAcrossWindowsMatchesTheReference) {
  const uint16_t width = 640, height = 480;
  const Bytes pixels = PictureLikePixels(width, height, 3);
  const Bytes codes = EncodeIpfCodes(pixels);
  ProgressLog project, reference;
  const DecodedDib dib = DecodeFile(MakeIpf(GreyPalette(), CompressedFrame(width, height, codes)), ShowConnected,
                                    ProgressTo(project));
  Bytes out(pixels.size());
  const int32_t total = width * height;
  ASSERT_EQ(ReferenceDecodeIpf(codes.data(), codes.size(), out.data(), out.size(), ProgressTo(reference), 0, total),
            ResultSuccess);
  ASSERT_EQ(dib.Result, ResultSuccess);
  EXPECT_EQ(project.Calls, reference.Calls);
}

TEST(WindowedDecoding, IpfEarlyEndCodeAfterSeveralWindowsLeavesTheRestZero) {
  const uint16_t width = 512, height = 400;
  Bytes pixels = PictureLikePixels(width, 300, 8);
  Bytes codes = EncodeIpfCodes(pixels); // ends with the end code after 300 rows
  const DecodedDib dib = DecodeFile(MakeIpf(GreyPalette(), CompressedFrame(width, height, codes)), ShowConnected,
                                    {}, 0xCC);
  ASSERT_EQ(dib.Result, ResultSuccess);
  pixels.resize(size_t{width} * height, 0);
  EXPECT_EQ(TopDown(dib, width), pixels);
}

TEST(WindowedDecoding, IpfFailureAfterSeveralWindowsClearsTheRowsItReached) {
  const uint16_t width = 512, height = 400;
  Bytes codes = EncodeIpfCodes(PictureLikePixels(width, height, 9));
  codes.resize(codes.size() * 3 / 4);
  const DecodedDib dib = DecodeFile(MakeIpf(GreyPalette(), CompressedFrame(width, height, codes)));
  EXPECT_EQ(dib.Result, DataEnded);
  EXPECT_EQ(dib.Pixels, Bytes(dib.Pixels.size(), 0));
}

TEST(WindowedDecoding, IpfCancelInALaterWindowGivesOne) {
  const uint16_t width = 600, height = 400;
  ProgressLog log;
  log.CancelAtCall = 30; // of about 43, well past the first window
  const DecodedDib dib = DecodeFile(
      MakeIpf(GreyPalette(), CompressedFrame(width, height, EncodeIpfCodes(PictureLikePixels(width, height, 4)))),
      ShowConnected, ProgressTo(log));
  EXPECT_EQ(dib.Result, ResultCancelled);
  EXPECT_EQ(log.Calls.size(), 31u);
}

TEST(WindowedDecoding, McgPictureOfManyWindowsDecodesExactly) {
  const int32_t width = 700, height = 301; // stride 700
  const Bytes pixels = PictureLikePixels(width, height, 21);
  const DecodedDib dib = DecodeFile(McgPicture(width, height, pixels), ShowConnected, {}, 0xCC);
  ASSERT_EQ(dib.Result, ResultSuccess);
  EXPECT_EQ(TopDown(dib, width), pixels);
}

TEST(WindowedDecoding, McgDataShorterThanTheRowsLeaveTheRestZero) {
  const int32_t width = 640, height = 300;
  Bytes pixels = PictureLikePixels(width, height, 5);
  const size_t unpacked = pixels.size() - 70001; // ends inside a row, several windows in
  const DecodedDib dib =
      DecodeFile(McgPicture(width, height, Bytes(pixels.begin(), pixels.begin() + unpacked)), ShowConnected, {}, 0xCC);
  ASSERT_EQ(dib.Result, ResultSuccess);
  std::fill(pixels.begin() + unpacked, pixels.end(), 0);
  EXPECT_EQ(TopDown(dib, width), pixels);
}

TEST(WindowedDecoding, McgDataLongerThanTheRowsAreCutAtTheRows) {
  const int32_t width = 640, height = 250;
  const Bytes unpacked = PictureLikePixels(width, height + 40, 6);
  const DecodedDib dib = DecodeFile(McgPicture(width, height, unpacked), ShowConnected, {}, 0xCC);
  ASSERT_EQ(dib.Result, ResultSuccess);
  EXPECT_EQ(TopDown(dib, width), Bytes(unpacked.begin(), unpacked.begin() + size_t{640} * 250));
}

TEST(WindowedDecoding, McgFailureAfterSeveralWindowsClearsTheRowsItReached) {
  const int32_t width = 640, height = 300;
  Bytes file = McgPicture(width, height, PictureLikePixels(width, height, 7));
  file.resize(file.size() * 2 / 3);
  const DecodedDib dib = DecodeFile(file);
  EXPECT_EQ(dib.Result, DataEnded);
  EXPECT_EQ(dib.Pixels, Bytes(dib.Pixels.size(), 0));
}
