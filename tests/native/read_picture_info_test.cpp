#include <gtest/gtest.h>

#include <cstring>

#include "container/read_picture_info.h"
#include "tests/native/picture_fixture.h"

namespace {

struct Description {
  int32_t Result, Left, Top, Width, Height, Depth;
  bool operator==(const Description& o) const {
    return Result == o.Result && Left == o.Left && Top == o.Top && Width == o.Width && Height == o.Height &&
           Depth == o.Depth;
  }
};

std::ostream& operator<<(std::ostream& out, const Description& d) {
  return out << "{result " << d.Result << ", " << d.Left << "," << d.Top << " " << d.Width << "x" << d.Height
             << "x" << d.Depth << "}";
}

Description Describe(const Bytes& file, int32_t mode) {
  PictureInfo info;
  std::memset(&info, 0x5A, sizeof info);
  const int32_t result = ReadPictureInfo(ImageOf(file), mode, &info);
  return {result, info.Left, info.Top, info.Width, info.Height, info.ColorDepth};
}

} // namespace

TEST(ReadPictureInfo, IpfDescribesItsBitmapChunk) {
  const Bytes file = MakeIpf(GreyPalette(), StoredFrame(100, 50, 7, 9));
  for (int32_t mode = 0; mode < IpqDisplayModeCount; ++mode) {
    EXPECT_EQ(Describe(file, mode), (Description{0, 7, 9, 100, 50, 8}));
  }
  PictureInfo info;
  ASSERT_EQ(ReadPictureInfo(ImageOf(file), ShowFirst, &info), 0);
  EXPECT_EQ(info.XDensity, 0);
  EXPECT_EQ(info.YDensity, 0);
  void* const handle = info.InfoHandle; // packed field: read it by value
  EXPECT_EQ(handle, nullptr);
}

TEST(ReadPictureInfo, IpqInEveryDisplayMode) {
  const Bytes file = MakeIpq(GreyPalette(), {StoredFrame(100, 50, 3, 4), StoredFrame(120, 30, 5, 6)});
  EXPECT_EQ(Describe(file, ShowConnected), (Description{0, 0, 0, 120, 80, 8}));
  EXPECT_EQ(Describe(file, ShowFirst), (Description{0, 3, 4, 100, 50, 8}));
  EXPECT_EQ(Describe(file, ShowSecond), (Description{0, 5, 6, 120, 30, 8}));
  EXPECT_EQ(Describe(file, ShowLast), (Description{0, 5, 6, 120, 30, 8}));
  EXPECT_EQ(Describe(file, TreatAsArchive), (Description{0, 5, 6, 120, 30, 8}));
}

TEST(ReadPictureInfo, IpqMissingFramesAreBroken) {
  const Bytes one = MakeIpq(GreyPalette(), {StoredFrame(4, 4)});
  EXPECT_EQ(Describe(one, ShowSecond).Result, 3);
  EXPECT_EQ(Describe(one, ShowLast).Result, 0);
  const Bytes none = MakeIpq(GreyPalette(), {});
  for (int32_t mode = 0; mode < IpqDisplayModeCount; ++mode) EXPECT_EQ(Describe(none, mode).Result, 3);
  const Bytes noAnim = MakeRiff("IPQ ", {MakeBitmapChunk(StoredFrame(4, 4))});
  EXPECT_EQ(Describe(noAnim, ShowConnected).Result, 3);
  EXPECT_EQ(Describe(noAnim, ShowFirst).Result, 3);
}

TEST(ReadPictureInfo, ConnectedFailureKeepsTheValuesSoFar) {
  // Frame 1 points past the end: the walk stops there with 3.
  Bytes file = MakeIpq(GreyPalette(), {StoredFrame(10, 20), StoredFrame(30, 40)});
  const size_t secondEntry = 56 + MakePaletteChunk(GreyPalette()).size() + 12 + 4;
  PokeU32(file, secondEntry, static_cast<uint32_t>(file.size() - 10));
  EXPECT_EQ(Describe(file, ShowConnected), (Description{3, 0, 0, 10, 20, 8}));
}

TEST(ReadPictureInfo, IpfWithoutReachableBitmapIsBroken) {
  const Bytes noBitmap = MakeRiff("IPF ", {MakePaletteChunk(GreyPalette())});
  EXPECT_EQ(Describe(noBitmap, ShowFirst).Result, 3);
  const Bytes zeroChunkFirst = MakeRiff("IPF ", {MakePaletteChunk(GreyPalette()), MakeChunkWithSize("none", 0, {}),
                                                 MakeBitmapChunk(StoredFrame(2, 2))});
  EXPECT_EQ(Describe(zeroChunkFirst, ShowFirst).Result, 3);
  // A bitmap header cut short by the end of the file.
  Bytes cut = MakeIpf(GreyPalette(), StoredFrame(2, 2));
  cut.resize(cut.size() - 4 - 20);
  EXPECT_EQ(Describe(cut, ShowFirst).Result, 3);
}

TEST(ReadPictureInfo, McgTakesItsHeaderAsItStands) {
  McgFile mcg;
  mcg.Width = 640;
  mcg.Height = 480;
  mcg.Depth = 8;
  EXPECT_EQ(Describe(MakeMcg(mcg), ShowFirst), (Description{0, 0, 0, 640, 480, 8}));
  mcg.Width = -5;
  mcg.Depth = 16;
  EXPECT_EQ(Describe(MakeMcg(mcg), ShowFirst), (Description{0, 0, 0, -5, 480, 16}));
  Bytes headerOnly = MakeMcg(mcg);
  headerOnly.resize(63);
  EXPECT_EQ(Describe(headerOnly, ShowFirst).Result, 3);
}

TEST(ReadPictureInfo, OtherFilesAreNotOursAndNothingIsWritten) {
  const Description untouched = Describe(MakeRiff("AVI ", {}), ShowFirst);
  EXPECT_EQ(untouched.Result, 2);
  EXPECT_EQ(untouched.Width, 0x5A5A5A5A);
  EXPECT_EQ(Describe(Bytes(64, 0), ShowFirst).Result, 2);
}
