// The loader core as image libraries drive it: bytes in pieces, the size as
// soon as the headers allow, then RGB rows; its refusals and limits. Expected
// pixels are worked out here from what the writer was given, not from the
// decoders (tests/gdk_pixbuf compares IPF and IPQ pictures with them).
#include <gtest/gtest.h>

#include <algorithm>

#include "common/result_codes.h"
#include "picture_filter/picture_loader.h"
#include "tests/native/picture_fixture.h"
#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"

namespace {

using Rgb = std::vector<uint8_t>;

uint32_t ColourOf(int index) {
  return static_cast<uint32_t>(((index * 37) & 0xFF) << 16 | ((255 - index) << 8) | ((index * 11) & 0xFF));
}

void PutRgb(Rgb& rgb, uint32_t colour) {
  rgb.push_back(static_cast<uint8_t>(colour >> 16));
  rgb.push_back(static_cast<uint8_t>(colour >> 8));
  rgb.push_back(static_cast<uint8_t>(colour));
}

struct Loaded {
  int32_t Result = -100;
  int32_t ProbeFailure = 0;  // a final answer of the probe other than "more data"
  size_t SizeKnownAt = 0;    // bytes in when the size became known; 0 never
  PictureSize Size{};
  PictureSize EarlySize{};
  Rgb Pixels;
};

// Feeds `file` in pieces of `piece` bytes, probing after each, then describes
// and decodes it into rows with 5 bytes of slack, which must stay untouched.
Loaded Load(const Bytes& file, size_t piece, LoaderLimits limits = DesktopLoaderLimits) {
  Loaded loaded;
  PictureLoader loader;
  BeginPictureLoad(&loader, limits);
  for (size_t at = 0; at < file.size(); at += piece) {
    const size_t count = std::min(piece, file.size() - at);
    loaded.Result = AppendPictureBytes(&loader, file.data() + at, count);
    if (loaded.Result != ResultSuccess) break;
    const int32_t probed = ProbePictureSize(&loader);
    if (probed == ResultSuccess && loaded.SizeKnownAt == 0) {
      loaded.SizeKnownAt = at + count;
      loaded.EarlySize = loader.Known;
    } else if (probed != ResultSuccess && probed != LoadNeedsMoreData) {
      loaded.ProbeFailure = probed;
      break;
    }
  }
  if ((file.empty() || loaded.Result == ResultSuccess) && loaded.ProbeFailure == 0) {
    loaded.Result = DescribeLoadedPicture(&loader, &loaded.Size);
    if (loaded.Result == ResultSuccess) {
      const size_t stride = size_t(loaded.Size.Width) * 3 + 5;
      Rgb rows(stride * size_t(loaded.Size.Height), 0xEE);
      loaded.Result = DecodeLoadedPicture(loader, loaded.Size, rows.data(), stride);
      for (int32_t y = 0; y < loaded.Size.Height; ++y) {
        const uint8_t* row = rows.data() + size_t(y) * stride;
        loaded.Pixels.insert(loaded.Pixels.end(), row, row + stride - 5);
        for (size_t x = stride - 5; x < stride; ++x) EXPECT_EQ(row[x], 0xEE) << "slack of row " << y;
      }
    }
  }
  EndPictureLoad(&loader);
  return loaded;
}

// A frame of `width` x `height` whose indexes are its expected picture.
BitmapFrame IndexFrame(uint16_t width, uint16_t height, bool coded, uint8_t seed, Bytes* indexes) {
  BitmapFrame frame;
  frame.Width = width;
  frame.Height = height;
  indexes->resize(size_t{width} * height);
  for (size_t i = 0; i < indexes->size(); ++i) (*indexes)[i] = static_cast<uint8_t>(i / 3 * seed + i % 7);
  frame.Packing = coded ? 1 : 0;
  frame.PixelData = coded ? EncodeIpfCodes(*indexes) : *indexes;
  return frame;
}

// MCG rows are DIB rows (top row first in the file): packed indexes from
// the top bit down, or blue-green-red triples.
TEST(PictureLoader, McgAtEveryDepthGivesTheColourTableColoursAndBlackPastIt) {
  for (uint16_t depth : {uint16_t{1}, uint16_t{4}, uint16_t{8}, uint16_t{24}}) {
    const int32_t width = 11, height = 3;
    const size_t stride = ((size_t{depth} * width + 7) / 8 + 3) & ~size_t{3};
    Bytes rows(stride * height);
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<uint8_t>(i * 29 + 3);
    McgFile mcg;
    mcg.Width = width;
    mcg.Height = height;
    mcg.Depth = depth;
    mcg.UnpackedSize = static_cast<int32_t>(rows.size());
    // Fewer colours than indexes: the rest are black.
    const size_t colours = depth == 24 ? 0 : depth == 1 ? 1 : size_t{1} << (depth - 1);
    for (size_t i = 0; i < colours; ++i) mcg.Colours.push_back(ColourOf(static_cast<int>(i) + 1));
    mcg.Packed = EncodeMcgLzss(rows);
    Rgb expected;
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        const uint8_t* row = rows.data() + size_t(y) * stride;
        if (depth == 24) {
          expected.insert(expected.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
          continue;
        }
        const size_t bit = size_t(x) * depth;
        const unsigned index = (row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1);
        PutRgb(expected, index < colours ? ColourOf(static_cast<int>(index) + 1) : 0);
      }
    }
    const Loaded loaded = Load(MakeMcg(mcg), 3);
    ASSERT_EQ(loaded.Result, ResultSuccess) << depth;
    EXPECT_EQ(loaded.Size.Depth, depth);
    EXPECT_EQ(loaded.SizeKnownAt, 66u) << "the 64-byte header is enough";
    EXPECT_TRUE(loaded.Pixels == expected) << depth;
  }
}

TEST(PictureLoader, OtherFilesAreRefusedOnceTwelveBytesShowIt) {
  const Bytes wave = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 1, 2, 3};
  PictureLoader loader;
  BeginPictureLoad(&loader, DesktopLoaderLimits);
  EXPECT_EQ(AppendPictureBytes(&loader, wave.data(), 11), ResultSuccess);
  EXPECT_EQ(ProbePictureSize(&loader), LoadNeedsMoreData);
  EXPECT_EQ(AppendPictureBytes(&loader, wave.data() + 11, 4), ResultNotOurFormat);
  EndPictureLoad(&loader);
  // Too short to say: not ours either.
  EXPECT_EQ(Load(Bytes{'M', 'C', 'G', ' ', 0}, 2).Result, ResultNotOurFormat);
  EXPECT_EQ(Load(Bytes{}, 1).Result, ResultNotOurFormat);
}

TEST(PictureLoader, BrokenAndCutPicturesFailOnlyOnceTheInputIsComplete) {
  Bytes indexes;
  const Bytes ipf = MakeIpf(GreyPalette(), IndexFrame(40, 30, true, 7, &indexes));
  // A file cut inside its "bmp " chunk: the chunk runs past the end.
  const Loaded cut = Load(Bytes(ipf.begin(), ipf.end() - 20), 64);
  EXPECT_GT(cut.SizeKnownAt, 0u);
  EXPECT_EQ(cut.ProbeFailure, 0);
  EXPECT_EQ(cut.Result, ResultBrokenData);
  // Whole chunks whose codes end before the picture is complete.
  BitmapFrame shortCodes = IndexFrame(40, 30, true, 7, &indexes);
  shortCodes.PixelData.resize(shortCodes.PixelData.size() - 20);
  const Loaded ended = Load(MakeIpf(GreyPalette(), shortCodes), 64);
  EXPECT_GT(ended.SizeKnownAt, 0u);
  EXPECT_EQ(ended.ProbeFailure, 0);
  EXPECT_EQ(ended.Result, DataEnded);
  // Without its "bmp " chunk there is no size at all.
  const Loaded headless = Load(MakeRiff("IPF ", {MakePaletteChunk(GreyPalette())}), 10);
  EXPECT_EQ(headless.SizeKnownAt, 0u);
  EXPECT_EQ(headless.Result, ResultBrokenData);
}

TEST(PictureLoader, SizesTheDibOrTheLimitsRefuseAreFinalAtTheHeader) {
  McgFile mcg;
  mcg.Width = 500;
  mcg.Height = 400;
  mcg.Depth = 24;
  mcg.UnpackedSize = 1;
  mcg.Packed = McgLiteralStream(Bytes(1, 0));
  const Bytes large = MakeMcg(mcg);
  EXPECT_EQ(Load(large, 16, LoaderLimits{1 << 20, 500 * 400 - 1}).ProbeFailure, LoadPictureTooLarge);
  const Loaded fits = Load(large, 16, LoaderLimits{1 << 20, 500 * 400});
  EXPECT_EQ(fits.ProbeFailure, 0);
  EXPECT_EQ(fits.Size.Width, 500);
  mcg.Depth = 16;
  EXPECT_EQ(Load(MakeMcg(mcg), 16).ProbeFailure, ResultNotImplemented);
  mcg.Depth = 8;
  mcg.Height = 0;
  EXPECT_EQ(Load(MakeMcg(mcg), 16).ProbeFailure, ResultBrokenData);
}

TEST(PictureLoader, InputBeyondTheLimitIsRefusedAndNothingMoreTaken) {
  Bytes indexes;
  const Bytes ipf = MakeIpf(GreyPalette(), IndexFrame(64, 64, false, 1, &indexes));
  EXPECT_EQ(Load(ipf, 100, LoaderLimits{ipf.size() - 1, 1 << 20}).Result, LoadInputTooLarge);
  EXPECT_EQ(Load(ipf, 100, LoaderLimits{ipf.size(), 1 << 20}).Result, ResultSuccess);
}

} // namespace
