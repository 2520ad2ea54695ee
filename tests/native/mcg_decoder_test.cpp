// MCG pictures: the LZSS stream with its ring, the header and colour table,
// and unpacked sizes that do not match the DIB.
#include <gtest/gtest.h>

#include "common/result_codes.h"
#include "picture_filter/mcg_decoder.h"
#include "tests/native/decoder_fixture.h"
#include "writers/mcg_encoder.h"

namespace {

struct Unpacked {
  int32_t Result;
  Bytes Data;
};

Unpacked Unpack(const Bytes& packed, size_t size, Progress progress = {}) {
  ExactBytes stream = ExactCopy(packed);
  Bytes work(McgLeadIn + size + McgRunOut, 0xAA);
  uint8_t* out = work.data() + McgLeadIn;
  const int32_t result = UnpackMcg(stream.Data.get(), stream.Size, out, size, progress);
  return Unpacked{result, Bytes(out, out + size)};
}

TEST(McgStream, LiteralsAndReferencesThroughTheWindow) {
  EXPECT_EQ(Unpack({0xFF, 1, 2, 3, 4, 5, 6, 7, 8}, 8).Data, (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
  // A reference to the literal just written repeats it.
  EXPECT_EQ(Unpack({0x01, 0x41, 0xEE, 0x0F}, 4).Data, Bytes(4, 0x41));
  // The window starts as zeros.
  EXPECT_EQ(Unpack({0x00, 0x00, 0x00}, 3).Data, Bytes(3, 0));
  // Length 18, then a reference that reads across the ring's wrap (positions
  // 4090 to 4095, then 0 on).
  const Unpacked longest = Unpack({0x03, 7, 8, 0xEE, 0xFF, 0xFA, 0xFF}, 38);
  ASSERT_EQ(longest.Result, ResultSuccess);
  Bytes expected = {7, 8};
  for (int i = 0; i < 18; ++i) expected.push_back(expected[i]);
  for (int i = 20; i < 38; ++i) expected.push_back(static_cast<uint8_t>(expected[i - 8]));
  EXPECT_EQ(longest.Data, expected);
}

TEST(McgStream, UnwrittenWindowPositionsReadZeroAtTheStart) {
  // Write index 4079; position 4090 has not been written yet.
  const Unpacked early = Unpack({0x01, 0x41, 0xFA, 0x2F}, 6);
  ASSERT_EQ(early.Result, ResultSuccess);
  EXPECT_EQ(early.Data, (Bytes{0x41, 0, 0, 0, 0, 0}));
}

TEST(McgStream, EndsWhenFullOrWhenTheDataRunOut) {
  // The group would give 8 bytes; the rest of it is never read.
  EXPECT_EQ(Unpack({0xFF, 1, 2, 3, 4}, 4).Result, ResultSuccess);
  EXPECT_EQ(Unpack({0xFF, 1, 2, 3}, 4).Result, DataEnded);
  EXPECT_EQ(Unpack({0x00, 0x00}, 4).Result, DataEnded);
  EXPECT_EQ(Unpack({0xFF, 1, 2, 3, 4, 5, 6, 7, 8}, 9).Result, DataEnded);
  EXPECT_EQ(Unpack({}, 0).Result, ResultSuccess);
}

TEST(McgStream, ProgressAtGroupsPast2048PackedBytes) {
  Bytes data(4000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13);
  ProgressLog log;
  const Unpacked got = Unpack(McgLiteralStream(data), data.size(), ProgressTo(log));
  ASSERT_EQ(got.Result, ResultSuccess);
  EXPECT_EQ(got.Data, data);
  const std::vector<std::pair<int32_t, int32_t>> expected = {{228 * 8 + 1, 4002}, {456 * 8 + 1, 4002}};
  EXPECT_EQ(log.Calls, expected);
  log = ProgressLog{};
  log.CancelAtCall = 1;
  EXPECT_EQ(Unpack(McgLiteralStream(data), data.size(), ProgressTo(log)).Result, ResultCancelled);
}

McgFile PictureOf(int32_t width, int32_t height, uint16_t depth, const Bytes& rows) {
  McgFile file;
  file.Width = width;
  file.Height = height;
  file.Depth = depth;
  file.UnpackedSize = static_cast<int32_t>(rows.size());
  for (uint32_t i = 0; i < 3; ++i) file.Colours.push_back(0x01020304u * (i + 1));
  file.Packed = EncodeMcgLzss(rows);
  return file;
}

TEST(McgPicture, RowsGoBottomUpWithTheColourTable) {
  const DecodedDib dib = DecodeFile(MakeMcg(PictureOf(3, 2, 8, {1, 2, 3, 0, 4, 5, 6, 0})), ShowConnected, {}, 0xCC);
  ASSERT_EQ(dib.Result, ResultSuccess);
  EXPECT_EQ(dib.Pixels, (Bytes{4, 5, 6, 0, 1, 2, 3, 0}));
  EXPECT_EQ(Bytes(dib.Colours.begin(), dib.Colours.begin() + 12),
            (Bytes{4, 3, 2, 1, 8, 6, 4, 2, 12, 9, 6, 3}));
  EXPECT_EQ(dib.Colours[12], 0xCC);
}

TEST(McgPicture, ColourCountIsBoundedByTheFileAndTheTable) {
  McgFile file = PictureOf(3, 2, 8, Bytes(8, 1));
  for (int32_t count : {-1, 257}) {
    file.CountOverride = count;
    const DecodedDib dib = DecodeFile(MakeMcg(file), ShowConnected, {}, 0xCC);
    EXPECT_EQ(dib.Result, ResultBrokenData);
    EXPECT_EQ(dib.Colours, Bytes(1024, 0xCC));
  }
  // A 4-bit DIB has 16 entries; the file's 20 are cut to those.
  McgFile many = PictureOf(8, 1, 4, Bytes(4, 0x12));
  many.Colours.assign(20, 0x11223344);
  const DecodedDib cut = DecodeFile(MakeMcg(many));
  ASSERT_EQ(cut.Result, ResultSuccess);
  EXPECT_EQ(cut.Colours.size(), 64u);
  EXPECT_EQ(Entry(cut, 15), (Bytes{0x44, 0x33, 0x22, 0x11}));
  // A 24-bit DIB has none.
  McgFile deep = PictureOf(1, 1, 24, Bytes(4, 7));
  EXPECT_EQ(DecodeFile(MakeMcg(deep)).Result, ResultSuccess);
}

TEST(McgPicture, HeaderAndColourTableMustLieInTheInput) {
  Bytes file = MakeMcg(PictureOf(3, 2, 8, Bytes(8, 1)));
  file.resize(64 + 4 * 2); // the table is cut after two of its three entries
  EXPECT_EQ(DecodeFile(file).Result, ResultBrokenData);
  McgFile negative = PictureOf(3, 2, 8, Bytes(8, 1));
  negative.UnpackedSize = -8;
  EXPECT_EQ(DecodeFile(MakeMcg(negative)).Result, ResultBrokenData);
  McgFile cut = PictureOf(3, 2, 8, Bytes(8, 1));
  cut.Packed = McgLiteralStream(Bytes(7, 1));
  EXPECT_EQ(DecodeFile(MakeMcg(cut)).Result, DataEnded);
}

TEST(McgPicture, UnpackedSizeSmallerThanTheBlockLeavesTheRestZero) {
  // 5 bytes of an 8-byte block; the one reference writes 18, past the size.
  McgFile file = PictureOf(3, 2, 8, {});
  file.UnpackedSize = 5;
  file.Packed = {0x01, 0x09, 0xEE, 0xFF};
  const DecodedDib dib = DecodeFile(MakeMcg(file), ShowConnected, {}, 0xCC);
  ASSERT_EQ(dib.Result, ResultSuccess);
  EXPECT_EQ(dib.Pixels, (Bytes{9, 0, 0, 0, 9, 9, 9, 9}));
}

} // namespace
