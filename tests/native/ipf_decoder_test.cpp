// The IPF code stream: every kind of code, where decoding stops, the work
// area's edges and the progress checkpoints.
#include <gtest/gtest.h>

#include "common/result_codes.h"
#include "picture_filter/ipf_decoder.h"
#include "tests/native/decoder_fixture.h"

namespace {

struct CodesResult {
  int32_t Result;
  Bytes Picture;
};

// Decodes into a work area whose every byte starts as 0xAA, so a byte the
// decoder fails to define shows.
CodesResult Decode(const Bytes& codes, size_t pixelCount, Progress progress = {}, int32_t done = 0,
                   int32_t total = 0) {
  ExactBytes stream = ExactCopy(codes);
  Bytes work(IpfLeadIn + pixelCount + IpfRunOut, 0xAA);
  uint8_t* picture = work.data() + IpfLeadIn;
  const int32_t result =
      DecodeIpfCodes(stream.Data.get(), stream.Size, picture, pixelCount, FrameProgress{progress, done, total});
  return CodesResult{result, Bytes(picture, picture + pixelCount)};
}

Bytes Repeat(uint8_t value, size_t count) { return Bytes(count, value); }

TEST(IpfCodes, EachCodeWritesWhatItsTableSays) {
  EXPECT_EQ(Decode({0x41, 0x0F}, 1).Picture, Bytes{0x31});
  EXPECT_EQ(Decode({0xFF, 0x20, 0x0F}, 2).Picture, (Bytes{0xEF, 0x10}));
  EXPECT_EQ(Decode({0x0E, 0x0F}, 1).Picture, Bytes{0x0E});
  EXPECT_EQ(Decode({0x00, 0x00, 0xFF, 0x0F}, 1).Picture, Bytes{0xFF});
  EXPECT_EQ(Decode({0x00, 0x03, 0x07, 0x0F}, 4).Picture, Repeat(0x07, 4));
  EXPECT_EQ(Decode({0x0D, 0xFF, 0x05, 0x0F}, 3584).Picture, Repeat(0x05, 3584));
  EXPECT_EQ(Decode({0x41, 0x42, 0x43, 0x44, 0x10, 0x03, 0x03, 0x0F}, 8).Picture,
            (Bytes{0x31, 0x32, 0x33, 0x34, 0x31, 0x32, 0x33, 0x34}));
  // A copy of length 256 at the farthest distance, 4096: back to the first byte.
  const CodesResult far = Decode({0x0D, 0xFF, 0x01, 0x01, 0xFF, 0x02, 0x1F, 0xFF, 0xFF, 0x0F}, 4096 + 256);
  ASSERT_EQ(far.Result, ResultSuccess);
  EXPECT_EQ(Bytes(far.Picture.begin() + 3584, far.Picture.begin() + 4096), Repeat(0x02, 512));
  EXPECT_EQ(Bytes(far.Picture.begin() + 4096, far.Picture.end()), Repeat(0x01, 256));
}

TEST(IpfCodes, StopsOnceThePictureIsOverfullOrAtTheEndCode) {
  // The third code overfills a 2-byte picture: the end code is never needed.
  const CodesResult overfull = Decode({0x41, 0x42, 0x43}, 2);
  EXPECT_EQ(overfull.Result, ResultSuccess);
  EXPECT_EQ(overfull.Picture, (Bytes{0x31, 0x32}));
  // Exactly full still needs its end code.
  EXPECT_EQ(Decode({0x41, 0x00, 0x02, 0x07}, 4).Result, DataEnded);
  EXPECT_EQ(Decode({0x41, 0x00, 0x02, 0x07, 0x0F}, 4).Result, ResultSuccess);
  // A code cut short, and no code at all.
  EXPECT_EQ(Decode({0x41, 0x00, 0x05}, 4).Result, DataEnded);
  EXPECT_EQ(Decode({0x41, 0x12}, 4).Result, DataEnded);
  EXPECT_EQ(Decode({}, 0).Result, DataEnded);
  // An empty picture with an end code.
  EXPECT_EQ(Decode({0x0F}, 0).Result, ResultSuccess);
}

TEST(IpfCodes, EarlyEndCodeLeavesTheRestZero) {
  // The short-distance copy lays whole words past its end; none of it may stay.
  const CodesResult early = Decode({0x41, 0x42, 0x10, 0x01, 0x02, 0x0F}, 40);
  ASSERT_EQ(early.Result, ResultSuccess);
  Bytes expected(40, 0);
  expected[0] = expected[2] = expected[4] = 0x31;
  expected[1] = expected[3] = 0x32;
  EXPECT_EQ(early.Picture, expected);
}

TEST(IpfCodes, ReferenceBeforeTheFirstByteReadsZero) {
  const CodesResult far = Decode({0x41, 0x1F, 0xFF, 0x04, 0x42, 0x0F}, 7);
  ASSERT_EQ(far.Result, ResultSuccess);
  EXPECT_EQ(far.Picture, (Bytes{0x31, 0, 0, 0, 0, 0, 0x32}));
}

TEST(IpfCodes, OverlappingCopyRepeatsTheLastDistanceBytes) {
  // Byte-by-byte forward semantics for every short distance and length,
  // including the ones the word-wise paths split up.
  for (uint8_t distance = 1; distance <= 17; ++distance) {
    for (int length = 1; length <= 70; ++length) {
      Bytes codes;
      Bytes expected;
      for (uint8_t i = 0; i < distance; ++i) {
        codes.push_back(static_cast<uint8_t>(0x30 + 7 * i));
        expected.push_back(static_cast<uint8_t>(0x20 + 7 * i));
      }
      codes.insert(codes.end(), {0x10, static_cast<uint8_t>(distance - 1), static_cast<uint8_t>(length - 1), 0x0F});
      for (int i = 0; i < length; ++i) expected.push_back(expected[expected.size() - distance]);
      const CodesResult got = Decode(codes, expected.size() + 3);
      ASSERT_EQ(got.Result, ResultSuccess);
      expected.resize(expected.size() + 3, 0);
      ASSERT_EQ(got.Picture, expected) << "distance " << int{distance} << " length " << length;
    }
  }
}

Bytes LiteralCodes(size_t count) {
  Bytes codes;
  for (size_t i = 0; i < count; ++i) codes.push_back(static_cast<uint8_t>(0x20 + i % 0xE0));
  return codes;
}

TEST(IpfCodes, ProgressEvery2048BytesAndAtEveryCodeOfTheLastTwo) {
  Bytes codes = LiteralCodes(5000);
  codes.push_back(0x0F); // 5001 bytes: checkpoints 0, 2048, 4096, then 4999 for good
  ProgressLog log;
  ASSERT_EQ(Decode(codes, 5000, ProgressTo(log), 100, 9000).Result, ResultSuccess);
  const std::vector<std::pair<int32_t, int32_t>> expected = {
      {100, 9000}, {2148, 9000}, {4196, 9000}, {5099, 9000}, {5100, 9000}};
  EXPECT_EQ(log.Calls, expected);

  // A run spanning a checkpoint: the next code after it reports.
  Bytes spanning = LiteralCodes(2046);
  spanning.insert(spanning.end(), {0x00, 0x09, 0x33, 0x41, 0x0F});
  ProgressLog spanLog;
  ASSERT_EQ(Decode(spanning, 2057, ProgressTo(spanLog)).Result, ResultSuccess);
  ASSERT_GE(spanLog.Calls.size(), 2u);
  EXPECT_EQ(spanLog.Calls[1].first, 2056) << "reported before the literal after the run";
}

TEST(IpfCodes, CancelStopsAtTheCallThatAsked) {
  ProgressLog first;
  first.CancelAtCall = 0;
  const CodesResult stopped = Decode({0x41, 0x0F}, 1, ProgressTo(first));
  EXPECT_EQ(stopped.Result, ResultCancelled);
  EXPECT_EQ(first.Calls.size(), 1u);

  ProgressLog later;
  later.CancelAtCall = 2;
  Bytes codes = LiteralCodes(6000);
  codes.push_back(0x0F);
  EXPECT_EQ(Decode(codes, 6000, ProgressTo(later)).Result, ResultCancelled);
  EXPECT_EQ(later.Calls.size(), 3u);
}

} // namespace
