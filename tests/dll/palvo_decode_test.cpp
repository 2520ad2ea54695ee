// Every picture kind and display mode decoded through GetPicture, compared
// with the DIB a host expects, built here straight from the source pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "tests/dll/plugin_library.h"
#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"

namespace {

struct Decoded {
  int32_t Result = -100;
  Bytes Info;
  Bytes Pixels;
  bool HandlesNull = false;
};

std::vector<std::pair<int32_t, int32_t>> Calls;
int32_t StopAtCall = -1;

int32_t __stdcall Track(int32_t done, int32_t total, intptr_t) {
  Calls.emplace_back(done, total);
  return static_cast<int32_t>(Calls.size()) - 1 == StopAtCall ? 1 : 0;
}

Bytes Contents(HLOCAL handle) {
  const uint8_t* data = static_cast<const uint8_t*>(LocalLock(handle));
  Bytes copy(data, data + LocalSize(handle));
  LocalUnlock(handle);
  return copy;
}

// Pixels that compress like artwork: smooth areas, repeats and noise.
Bytes ArtPixels(int width, int height, uint32_t seed) {
  Bytes pixels(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245u + 12345u;
      const int band = ((x / 7) + (y / 5)) & 0x3F;
      pixels[static_cast<size_t>(y) * width + x] =
          static_cast<uint8_t>((seed >> 28) == 0 ? seed >> 20 : band * 3 + (x > width / 2 ? 0x0E : 0));
    }
  }
  return pixels;
}

// The bottom-up DIB rows of top-down frames stacked at one stride.
Bytes StackedDib(const std::vector<std::pair<int, Bytes>>& frames, int stride) {
  std::vector<Bytes> rows;
  for (const auto& [width, pixels] : frames) {
    for (size_t r = 0; r < pixels.size() / width; ++r) {
      Bytes row(stride, 0);
      std::memcpy(row.data(), pixels.data() + r * width, width);
      rows.push_back(row);
    }
  }
  Bytes dib;
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) dib.insert(dib.end(), row->begin(), row->end());
  return dib;
}

// Rows beyond the picture's width are filler in a single picture: compare
// only what belongs to the picture.
void ExpectSamePicture(const Bytes& actual, const Bytes& expected, int width, int stride) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t row = 0; row < actual.size() / stride; ++row) {
    ASSERT_EQ(std::memcmp(actual.data() + row * stride, expected.data() + row * stride, width), 0) << "row " << row;
  }
}

uint32_t Rainbow(int i) { return static_cast<uint32_t>(((i * 5) & 0xFF) << 16 | ((255 - i) << 8) | (i * 3 & 0xFF)); }

BitmapFrame Compressed(int width, int height, uint32_t seed, Bytes* pixels) {
  *pixels = ArtPixels(width, height, seed);
  BitmapFrame frame;
  frame.Width = static_cast<uint16_t>(width);
  frame.Height = static_cast<uint16_t>(height);
  frame.Packing = 1;
  frame.PixelData = EncodeIpfCodes(*pixels);
  return frame;
}

class PalvoDecode : public ::testing::Test {
 protected:
  void SetUp() override {
    Calls.clear();
    StopAtCall = -1;
    Mode(0);
  }
  void TearDown() override {
    UnloadPalvo(&api);
    RemoveIpqFormat();
  }
  void Mode(int32_t mode) {
    UnloadPalvo(&api);
    StoreIpqFormat(mode);
    ASSERT_TRUE(LoadPalvo(&api));
  }
  Decoded FromFile(const Bytes& file) {
    const std::string path = WriteScratchFile("decode.bin", file);
    return Run(path.c_str(), 0, 0);
  }
  Decoded FromMemory(const Bytes& file) {
    return Run(reinterpret_cast<const char*>(file.data()), static_cast<uint32_t>(file.size()), 1);
  }
  Decoded Run(const char* buf, uint32_t len, uint32_t flag) {
    Decoded decoded;
    HLOCAL info = reinterpret_cast<HLOCAL>(1), pixels = reinterpret_cast<HLOCAL>(1);
    decoded.Result = api.GetPicture(buf, len, flag, &info, &pixels, Track, 0);
    if (decoded.Result == 0) {
      decoded.Info = Contents(info);
      decoded.Pixels = Contents(pixels);
      LocalFree(info);
      LocalFree(pixels);
    }
    decoded.HandlesNull = info == nullptr && pixels == nullptr;
    return decoded;
  }
  PalvoApi api;
};

} // namespace

TEST_F(PalvoDecode, CompressedIpfFromFileAndMemory) {
  Bytes pixels;
  const BitmapFrame frame = Compressed(203, 77, 1, &pixels);
  const Bytes file = MakeIpf(FullPalette(Rainbow), frame);
  const Decoded decoded = FromFile(file);
  ASSERT_EQ(decoded.Result, 0);
  ExpectSamePicture(decoded.Pixels, StackedDib({{203, pixels}}, 204), 203, 204);
  for (int i = 0; i < 256; ++i) {
    const uint32_t rgb = Rainbow(i);
    const uint8_t* quad = decoded.Info.data() + 40 + 4 * i;
    ASSERT_EQ(quad[0], rgb & 0xFF);
    ASSERT_EQ(quad[1], (rgb >> 8) & 0xFF);
    ASSERT_EQ(quad[2], rgb >> 16);
  }
  const Decoded inMemory = FromMemory(file);
  EXPECT_EQ(inMemory.Pixels, decoded.Pixels);
  EXPECT_EQ(inMemory.Info, decoded.Info);
}

TEST_F(PalvoDecode, IpqInEveryDisplayMode) {
  Bytes first, second, third;
  const std::vector<BitmapFrame> frames = {Compressed(30, 20, 2, &first), Compressed(45, 10, 3, &second),
                                           Compressed(17, 5, 4, &third)};
  const Bytes file = MakeIpq(GreyPalette(), frames);

  Mode(1);
  Decoded connected = FromFile(file);
  ASSERT_EQ(connected.Result, 0);
  // Beside a narrower frame the band keeps index 0: compare whole rows.
  EXPECT_EQ(connected.Pixels, StackedDib({{30, first}, {45, second}, {17, third}}, 48));
  const int32_t sum = 30 * 20 + 45 * 10 + 17 * 5;
  ASSERT_GE(Calls.size(), 5u);
  EXPECT_EQ(Calls.front(), std::make_pair(0, 1));
  EXPECT_EQ(Calls.back(), std::make_pair(1, 1));
  for (size_t i = 1; i + 1 < Calls.size(); ++i) {
    EXPECT_EQ(Calls[i].second, sum);
    EXPECT_LE(Calls[i].first, sum);
    if (i > 1) {
      EXPECT_GE(Calls[i].first, Calls[i - 1].first);
    }
  }

  const std::pair<int32_t, std::pair<int, const Bytes*>> singles[] = {
      {2, {30, &first}}, {3, {45, &second}}, {4, {17, &third}}, {0, {17, &third}}};
  for (const auto& [mode, shown] : singles) {
    Mode(mode);
    const Decoded single = FromMemory(file);
    ASSERT_EQ(single.Result, 0) << mode;
    const int width = shown.first, stride = (width + 3) & ~3;
    ExpectSamePicture(single.Pixels, StackedDib({{width, *shown.second}}, stride), width, stride);
  }
}

TEST_F(PalvoDecode, McgInEveryDepth) {
  for (int depth : {1, 4, 8, 24}) {
    const int width = 37, height = 11;
    const int stride = ((depth * width + 7) / 8 + 3) & ~3;
    const Bytes rows = ArtPixels(stride, height, 5 + depth); // rows already in the DIB's layout
    McgFile mcg;
    mcg.Width = width;
    mcg.Height = height;
    mcg.Depth = static_cast<uint16_t>(depth);
    mcg.UnpackedSize = stride * height;
    const int entries = depth == 24 ? 0 : 1 << depth;
    for (int i = 0; i < entries; ++i) mcg.Colours.push_back(0x00010203u * i);
    mcg.Packed = EncodeMcgLzss(rows);
    const Decoded decoded = FromFile(MakeMcg(mcg));
    ASSERT_EQ(decoded.Result, 0) << depth;
    EXPECT_EQ(decoded.Pixels, StackedDib({{stride, rows}}, stride)) << depth;
    ASSERT_EQ(decoded.Info.size(), 40u + 4 * entries);
    for (int i = 0; i < entries; ++i) {
      uint32_t colour;
      std::memcpy(&colour, decoded.Info.data() + 40 + 4 * i, 4);
      ASSERT_EQ(colour, 0x00010203u * i);
    }
  }
}

TEST_F(PalvoDecode, McgWithMoreColoursThanTheTableCopiesWhatFits) {
  McgFile mcg;
  mcg.Width = 8;
  mcg.Height = 2;
  mcg.Depth = 1;
  mcg.UnpackedSize = 8;
  for (uint32_t i = 0; i < 256; ++i) mcg.Colours.push_back(0x00FFFFFFu - i);
  mcg.Packed = EncodeMcgLzss(Bytes{0xF0, 0, 0, 0, 0x0F, 0, 0, 0});
  const Decoded decoded = FromFile(MakeMcg(mcg));
  ASSERT_EQ(decoded.Result, 0);
  ASSERT_EQ(decoded.Info.size(), 48u);
  EXPECT_EQ(Bytes(decoded.Info.begin() + 40, decoded.Info.end()), (Bytes{0xFF, 0xFF, 0xFF, 0, 0xFE, 0xFF, 0xFF, 0}));
  EXPECT_EQ(decoded.Pixels, (Bytes{0x0F, 0, 0, 0, 0xF0, 0, 0, 0}));
}

TEST_F(PalvoDecode, CancelDuringDecodingHandsOutNothing) {
  Bytes pixels(512 * 512);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i * 2654435761u) >> 13);
  BitmapFrame frame;
  frame.Width = 512;
  frame.Height = 512;
  frame.Packing = 1;
  frame.PixelData = EncodeIpfCodes(pixels);
  StopAtCall = 3;
  const Decoded decoded = FromFile(MakeIpf(GreyPalette(), frame));
  EXPECT_EQ(decoded.Result, 1);
  EXPECT_TRUE(decoded.HandlesNull);
  EXPECT_EQ(Calls.size(), 4u) << "decoding stops at the answer";
}

TEST_F(PalvoDecode, DataEndingEarlyIsReportedNotShown) {
  Bytes pixels;
  BitmapFrame frame = Compressed(64, 64, 9, &pixels);
  frame.PixelData.resize(frame.PixelData.size() / 2);
  const Decoded ipf = FromFile(MakeIpf(GreyPalette(), frame));
  EXPECT_EQ(ipf.Result, 10);
  EXPECT_TRUE(ipf.HandlesNull);

  McgFile mcg;
  mcg.Width = 64;
  mcg.Height = 64;
  mcg.UnpackedSize = 64 * 64;
  mcg.Packed = EncodeMcgLzss(ArtPixels(64, 64, 3));
  mcg.Packed.resize(mcg.Packed.size() - 40);
  const Decoded cut = FromFile(MakeMcg(mcg));
  EXPECT_EQ(cut.Result, 10);
  EXPECT_TRUE(cut.HandlesNull);
}
