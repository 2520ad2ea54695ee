#include <gtest/gtest.h>

#include "container/chunks.h"
#include "container/frames.h"
#include "container/picture_kind.h"
#include "tests/native/picture_fixture.h"

TEST(DetectPictureKind, ByMagicAndFormType) {
  EXPECT_EQ(DetectImageKind(ImageOf(MakeRiff("IPF ", {}))), IpfPicture);
  EXPECT_EQ(DetectImageKind(ImageOf(MakeRiff("IPQ ", {}))), IpqPicture);
  EXPECT_EQ(DetectImageKind(ImageOf(MakeRiff("WAVE", {}))), NotAPicture);
  EXPECT_EQ(DetectImageKind(ImageOf(MakeMcg(McgFile{}))), McgPicture);
  const Bytes text = {'M', 'C', 'G', 'x', 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(DetectImageKind(ImageOf(text)), NotAPicture);
  // Fewer than 12 bytes: no picture, and nothing read past the end.
  const Bytes shortFile = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'I', 'P', 'F'};
  EXPECT_EQ(DetectImageKind(ImageOf(shortFile)), NotAPicture);
}

TEST(FindChunk, WalksChunksBackToBackFromOffset56) {
  const Bytes odd = MakeChunk("junk", Bytes(3, 0xAA)); // odd size: no padding follows
  const Bytes file = MakeRiff("IPF ", {odd, MakeChunk("pal ", Bytes(5, 1)), MakeChunk("bmp ", Bytes(40, 2))});
  const PictureImage image = ImageOf(file);
  EXPECT_EQ(FindChunk(image, "junk"), file.data() + 56);
  EXPECT_EQ(FindChunk(image, "pal "), file.data() + 56 + 11);
  EXPECT_EQ(FindChunk(image, "bmp "), file.data() + 56 + 11 + 13);
  EXPECT_EQ(FindChunk(image, "anim"), nullptr);
}

TEST(FindChunk, StopsAtNonPositiveSizes) {
  for (int32_t size : {0, -1, INT32_MIN}) {
    const Bytes file = MakeRiff("IPF ", {MakeChunk("pal ", Bytes(4, 0)), MakeChunkWithSize("zero", size, {}),
                                         MakeChunk("bmp ", Bytes(40, 0))});
    EXPECT_EQ(FindChunk(ImageOf(file), "bmp "), nullptr) << size;
    EXPECT_NE(FindChunk(ImageOf(file), "pal "), nullptr);
  }
}

TEST(FindChunk, ContainerSizeBoundsTheWalkInclusively) {
  const std::vector<Bytes> chunks = {MakeChunk("pal ", Bytes(4, 0)), MakeChunk("bmp ", Bytes(40, 0))};
  const uint32_t bmpOffset = 56 + 12;
  EXPECT_NE(FindChunk(ImageOf(MakeRiffWithSize("IPF ", bmpOffset, chunks)), "bmp "), nullptr);
  EXPECT_EQ(FindChunk(ImageOf(MakeRiffWithSize("IPF ", bmpOffset - 1, chunks)), "bmp "), nullptr);
  // Sizes at and past 2^31 walk on to the end of the readable input.
  EXPECT_NE(FindChunk(ImageOf(MakeRiffWithSize("IPF ", 0xFFFFFFFF, chunks)), "bmp "), nullptr);
}

TEST(FindChunk, NeverReadsPastTheInput) {
  // Chunk sizes that jump to, just before, and far past the end of the input.
  const Bytes bmp = MakeChunk("bmp ", Bytes(40, 0));
  for (int32_t size : {1, 7, 8, 0x7FFFFFFF}) {
    Bytes file = MakeRiffWithSize("IPF ", 0xFFFFFFFF, {MakeChunkWithSize("pal ", size, Bytes(8, 0))});
    EXPECT_EQ(FindChunk(ImageOf(file), "bmp "), nullptr) << size;
  }
  // Truncation at every byte of a valid file: the walk stays inside.
  const Bytes whole = MakeIpf(GreyPalette(), StoredFrame(3, 3));
  for (size_t length = 0; length <= whole.size(); ++length) {
    const Bytes cut(whole.begin(), whole.begin() + length);
    const uint8_t* bmpChunk = FindChunk(ImageOf(cut), "bmp ");
    if (bmpChunk != nullptr) { EXPECT_LE(bmpChunk + 8, cut.data() + cut.size()); }
  }
}

TEST(Frames, IpfHasOneFrameForEveryIndex) {
  const Bytes file = MakeIpf(GreyPalette(), StoredFrame(2, 2));
  const PictureImage image = ImageOf(file);
  EXPECT_EQ(FrameCount(image), 1);
  const uint8_t* bmp = FindChunk(image, "bmp ");
  for (int32_t index : {0, 1, -1, 1000}) EXPECT_EQ(FrameChunk(image, index), bmp);
}

TEST(Frames, IpqFramesComeFromTheAnimTable) {
  const Bytes file = MakeIpq(GreyPalette(), {StoredFrame(2, 1), StoredFrame(3, 4), StoredFrame(1, 1)});
  const PictureImage image = ImageOf(file);
  ASSERT_EQ(FrameCount(image), 3);
  EXPECT_EQ(ReadU16(FrameChunk(image, 1) + 8), 3);
  EXPECT_EQ(FrameChunk(image, 3), nullptr);
  EXPECT_EQ(FrameChunk(image, -1), nullptr);

  FrameWalk walk;
  std::vector<int> widths;
  for (int32_t step = FirstFrame(image, &walk); step == 0; step = NextFrame(&walk)) {
    widths.push_back(ReadU16(walk.Current + 8));
  }
  EXPECT_EQ(walk.Status, EndOfFrames);
  EXPECT_EQ(FinishFrames(&walk), 0);
  EXPECT_EQ(widths, (std::vector<int>{2, 3, 1}));
}

namespace {
// An IPQ whose "anim" chunk holds `count` and the given raw table entries.
Bytes IpqWithTable(int32_t count, const std::vector<int32_t>& entries, size_t trailing = 0) {
  Bytes anim;
  PutU32(anim, static_cast<uint32_t>(count));
  for (int32_t entry : entries) PutU32(anim, static_cast<uint32_t>(entry));
  Bytes file = MakeRiff("IPQ ", {MakeChunk("anim", anim)});
  file.insert(file.end(), trailing, 0);
  return file;
}
} // namespace

TEST(Frames, HostileFrameTablesGiveNoFrame) {
  FrameWalk walk;
  for (int32_t count : {0, -1, INT32_MIN}) {
    const Bytes file = IpqWithTable(count, {56});
    EXPECT_EQ(FrameCount(ImageOf(file)), count);
    EXPECT_EQ(FrameChunk(ImageOf(file), 0), nullptr);
    EXPECT_EQ(FirstFrame(ImageOf(file), &walk), 3);
    EXPECT_EQ(FinishFrames(&walk), 3);
  }
  // A count larger than the table the input holds: no entry is read.
  const Bytes huge = IpqWithTable(0x7FFFFFFF, {56});
  EXPECT_EQ(FrameChunk(ImageOf(huge), 0), nullptr);
  // Entries pointing before the image or past the end of the input.
  const Bytes wild = IpqWithTable(3, {-1, 1 << 30, INT32_MIN});
  for (int32_t index = 0; index < 3; ++index) EXPECT_EQ(FrameChunk(ImageOf(wild), index), nullptr);
  // No "anim" chunk at all.
  EXPECT_EQ(FrameCount(ImageOf(MakeRiff("IPQ ", {}))), 0);
  EXPECT_EQ(FirstFrame(ImageOf(MakeRiff("IPQ ", {})), &walk), 3);
}

TEST(Frames, AnimTableEndingAtTheLastByteIsRead) {
  const Bytes file = IpqWithTable(1, {56});
  EXPECT_EQ(FrameChunk(ImageOf(file), 0), file.data() + 56);
}

TEST(Frames, OffsetsCountFromTheImageInsideALargerInput) {
  Bytes file(100, 0xEE);
  const Bytes ipq = MakeIpq(GreyPalette(), {StoredFrame(5, 5)});
  file.insert(file.end(), ipq.begin(), ipq.end());
  const PictureImage image{InputRange{file.data(), file.size()}, file.data() + 100};
  const uint8_t* frame = FrameChunk(image, 0);
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(HasTag(frame, "bmp "));
}
