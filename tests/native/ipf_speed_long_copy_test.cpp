// Copies of 65 to 256 bytes, which the IPF fast loop always moves as 256
// bytes: decoded as the reference decoder does, wherever they end (just
// before, at and past the picture's end and the row window's edges), and,
// under the address sanitizer, never writing outside the work area.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "common/result_codes.h"
#include "picture_filter/ipf_decoder.h"
#include "tests/native/decoder_fixture.h"
#include "tests/reference/reference_decoders.h"

namespace {

uint32_t Next(uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

// Literals, then long copies (with a literal or two between some) until
// about `output` bytes, then the end code.
Bytes LongCopyCodes(uint32_t seed, size_t output) {
  uint32_t state = seed * 2246822519u + 3;
  Bytes codes;
  size_t written = 0;
  for (; written < 300; ++written) codes.push_back(static_cast<uint8_t>(0x20 + Next(state) % 0xE0));
  while (written < output) {
    const size_t distance = 16 + Next(state) % (Next(state) % 2 ? 64 : 4081); // 16 to 4096
    const size_t length = 65 + Next(state) % 192;                                // 65 to 256
    codes.push_back(static_cast<uint8_t>(0x10 + ((distance - 1) >> 8)));
    codes.push_back(static_cast<uint8_t>(distance - 1));
    codes.push_back(static_cast<uint8_t>(length - 1));
    written += length;
    if (Next(state) % 3 == 0) {
      codes.push_back(static_cast<uint8_t>(0x20 + Next(state) % 0xE0));
      ++written;
    }
  }
  codes.push_back(0x0F);
  return codes;
}

Bytes Reference(const Bytes& codes, size_t pixelCount, int32_t& result) {
  Bytes picture(pixelCount, 0);
  ExactBytes stream = ExactCopy(codes);
  result = ReferenceDecodeIpf(stream.Data.get(), stream.Size, picture.data(), pixelCount, Progress{}, 0,
                              static_cast<int32_t>(pixelCount));
  return picture;
}

Bytes Linear(const Bytes& codes, size_t pixelCount, int32_t& result) {
  ExactBytes stream = ExactCopy(codes);
  std::vector<uint8_t> work(IpfLeadIn + pixelCount + IpfRunOut, 0xAA); // exact size: the sanitizer sees overruns
  uint8_t* picture = work.data() + IpfLeadIn;
  result = DecodeIpfCodes(stream.Data.get(), stream.Size, picture, pixelCount,
                          FrameProgress{Progress{}, 0, static_cast<int32_t>(pixelCount)});
  return Bytes(picture, picture + pixelCount);
}

Bytes Rows(const Bytes& codes, size_t width, size_t height, int32_t& result) {
  ExactBytes stream = ExactCopy(codes);
  Bytes block(width * height, 0);
  result = DecodeIpfCodesToRows(stream.Data.get(), stream.Size, width, height, block.data(),
                                static_cast<ptrdiff_t>(width),
                                FrameProgress{Progress{}, 0, static_cast<int32_t>(width * height)});
  Bytes picture;
  for (size_t r = 0; r < height; ++r) {
    const uint8_t* row = block.data() + (height - 1 - r) * width;
    picture.insert(picture.end(), row, row + width);
  }
  return picture;
}

} // namespace

TEST(IpfLongCopies, EndingAnywhereNearThePicturesEndDecodeAsTheReference) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    const size_t width = 50 + seed, height = 20 + seed % 7;
    // Streams that stop short of, exactly at and past the picture's end.
    const Bytes codes = LongCopyCodes(seed, width * height - 300 + seed * 15);
    int32_t expectedResult = 0, linearResult = 0, rowsResult = 0;
    const Bytes expected = Reference(codes, width * height, expectedResult);
    const Bytes linear = Linear(codes, width * height, linearResult);
    const Bytes rows = Rows(codes, width, height, rowsResult);
    ASSERT_EQ(expectedResult, ResultSuccess) << seed;
    EXPECT_EQ(linearResult, expectedResult) << seed;
    EXPECT_EQ(rowsResult, expectedResult) << seed;
    EXPECT_EQ(linear, expected) << seed;
    EXPECT_EQ(rows, expected) << seed;
  }
}

TEST(IpfLongCopies, AcrossManyRowWindowsDecodeAsTheReference) {
  for (uint32_t seed = 1; seed <= 4; ++seed) {
    const size_t width = 1001 + seed * 13, height = 200 + seed * 9; // several windows
    const Bytes codes = LongCopyCodes(seed + 100, width * height);
    int32_t expectedResult = 0, rowsResult = 0;
    const Bytes expected = Reference(codes, width * height, expectedResult);
    ASSERT_EQ(expectedResult, ResultSuccess) << seed;
    EXPECT_EQ(Rows(codes, width, height, rowsResult), expected) << seed;
    EXPECT_EQ(rowsResult, expectedResult) << seed;
  }
}
