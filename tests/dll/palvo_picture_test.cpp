// Pictures through GetPictureInfo and GetPicture, from files and from memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "tests/dll/plugin_library.h"

namespace {


// What a host receives from GetPicture, copied out of the handles.
struct HostDib {
  int32_t Result = -100;
  Bytes Info;
  Bytes Pixels;
  bool HandlesNull = false;
};

std::vector<std::pair<int32_t, int32_t>> ProgressCalls;
int32_t CancelAtCall = -1;

int32_t __stdcall RecordProgress(int32_t done, int32_t total, intptr_t userData) {
  EXPECT_EQ(userData, 0x5EED);
  ProgressCalls.emplace_back(done, total);
  return static_cast<int32_t>(ProgressCalls.size()) - 1 == CancelAtCall ? 1 : 0;
}

Bytes Contents(HLOCAL handle) {
  const SIZE_T size = LocalSize(handle);
  const uint8_t* data = static_cast<const uint8_t*>(LocalLock(handle));
  Bytes copy(data, data + size);
  LocalUnlock(handle);
  return copy;
}

class PalvoPictures : public ::testing::Test {
 protected:
  void SetUp() override {
    ProgressCalls.clear();
    CancelAtCall = -1;
    RemoveIpqFormat();
    ASSERT_TRUE(LoadPalvo(&api));
  }
  void TearDown() override {
    UnloadPalvo(&api);
    RemoveIpqFormat();
  }
  HostDib Picture(const char* buf, uint32_t len, uint32_t flag) {
    HostDib dib;
    HLOCAL info = reinterpret_cast<HLOCAL>(0xDEAD);
    HLOCAL pixels = reinterpret_cast<HLOCAL>(0xBEEF);
    dib.Result = api.GetPicture(buf, len, flag, &info, &pixels, RecordProgress, 0x5EED);
    if (dib.Result == 0) {
      EXPECT_EQ(LocalFlags(info) & LMEM_LOCKCOUNT, 0u) << "handed over unlocked";
      dib.Info = Contents(info);
      dib.Pixels = Contents(pixels);
      LocalFree(info);
      LocalFree(pixels);
    } else {
      dib.HandlesNull = info == nullptr && pixels == nullptr;
      // Whatever the host's variables held, a failure leaves nothing to free.
      nulled = dib.HandlesNull;
    }
    return dib;
  }
  HostDib PictureOfFile(const Bytes& file, const char* name = "picture.bin") {
    const std::string path = WriteScratchFile(name, file);
    return Picture(path.c_str(), 0, 0);
  }
  PalvoApi api;
  bool nulled = false;
};

Bytes StoredIpf() {
  ChunkPalette palette;
  palette.Presence[0] = 0xE0; // indexes 0, 1, 2
  palette.Triples = {10, 20, 30, 40, 50, 60, 70, 80, 90};
  return MakeIpf(palette, BitmapFrame{3, 2, 4, 5, 0, {0, 1, 2, 2, 1, 0}});
}

} // namespace

TEST_F(PalvoPictures, DescribesFromFileAtAnOffsetAndFromMemory) {
  const Bytes ipf = StoredIpf();
  Bytes padded(300 + ipf.size(), 0xCC);
  std::copy(ipf.begin(), ipf.end(), padded.begin() + 300);
  const std::string path = WriteScratchFile("described.bin", padded);
  HostPictureInfo info{};
  EXPECT_EQ(api.GetPictureInfo(path.c_str(), 300, 0, &info), 0);
  EXPECT_EQ(info.Width, 3);
  EXPECT_EQ(info.Height, 2);
  EXPECT_EQ(info.Left, 4);
  EXPECT_EQ(info.Top, 5);
  EXPECT_EQ(info.ColorDepth, 8);
  const HLOCAL handle = info.InfoHandle; // packed field: read it by value
  EXPECT_EQ(handle, nullptr);
  // Flag bits above the input kind are ignored.
  EXPECT_EQ(api.GetPictureInfo(path.c_str(), 300, 8, &info), 0);
  EXPECT_EQ(api.GetPictureInfo(path.c_str(), 0, 0, &info), 2);

  HostPictureInfo fromMemory{};
  EXPECT_EQ(api.GetPictureInfo(reinterpret_cast<const char*>(ipf.data()), ipf.size(), 1, &fromMemory), 0);
  EXPECT_EQ(std::memcmp(&info, &fromMemory, sizeof info), 0);
}

TEST_F(PalvoPictures, InputsThatCannotBeRead) {
  HostPictureInfo info{};
  const std::string missing = ScratchDirectory() + "no such file.ipf";
  EXPECT_EQ(api.GetPictureInfo(missing.c_str(), 0, 0, &info), 6);
  const std::string empty = WriteScratchFile("empty.ipf", {});
  EXPECT_EQ(api.GetPictureInfo(empty.c_str(), 0, 0, &info), 6);
  const Bytes ipf = StoredIpf();
  const std::string path = WriteScratchFile("offset.ipf", ipf);
  EXPECT_EQ(api.GetPictureInfo(path.c_str(), ipf.size(), 0, &info), 3);
  EXPECT_EQ(api.GetPictureInfo(path.c_str(), 0xFFFFFFFF, 0, &info), 3);
  EXPECT_EQ(api.GetPictureInfo(path.c_str(), 0, 2, &info), -1);
  EXPECT_EQ(api.GetPictureInfo(path.c_str(), 0, 7, &info), -1);

  EXPECT_EQ(Picture(missing.c_str(), 0, 0).Result, 6);
  EXPECT_TRUE(nulled);
  EXPECT_EQ(ProgressCalls.size(), 1u) << "no closing progress call after a failure";
  EXPECT_EQ(Picture(empty.c_str(), 0, 0).Result, 6);
  EXPECT_EQ(Picture(path.c_str(), ipf.size() + 5, 0).Result, 3);
  EXPECT_EQ(Picture(path.c_str(), 0, 3).Result, -1);
  EXPECT_TRUE(nulled);
}

TEST_F(PalvoPictures, StoredIpfBecomesABottomUpDib) {
  const HostDib dib = PictureOfFile(StoredIpf());
  ASSERT_EQ(dib.Result, 0);
  ASSERT_EQ(dib.Info.size(), 1064u);
  const uint8_t header[40] = {40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0, 8, 0, 0, 0};
  EXPECT_EQ(std::memcmp(dib.Info.data(), header, 40), 0);
  const Bytes colours(dib.Info.begin() + 40, dib.Info.begin() + 52);
  EXPECT_EQ(colours, (Bytes{30, 20, 10, 0, 60, 50, 40, 0, 90, 80, 70, 0}));
  EXPECT_TRUE(std::all_of(dib.Info.begin() + 52, dib.Info.end(), [](uint8_t b) { return b == 0; }));
  ASSERT_EQ(dib.Pixels.size(), 8u);
  EXPECT_EQ(Bytes(dib.Pixels.begin(), dib.Pixels.begin() + 3), (Bytes{2, 1, 0}));
  EXPECT_EQ(Bytes(dib.Pixels.begin() + 4, dib.Pixels.begin() + 7), (Bytes{0, 1, 2}));
  EXPECT_EQ(ProgressCalls.front(), std::make_pair(0, 1));
  EXPECT_EQ(ProgressCalls.back(), std::make_pair(1, 1));
}

TEST_F(PalvoPictures, MemoryInputDecodesTheSame) {
  const Bytes ipf = StoredIpf();
  const HostDib fromFile = PictureOfFile(ipf);
  const HostDib fromMemory = Picture(reinterpret_cast<const char*>(ipf.data()), ipf.size(), 1);
  ASSERT_EQ(fromMemory.Result, 0);
  EXPECT_EQ(fromMemory.Info, fromFile.Info);
  EXPECT_EQ(fromMemory.Pixels, fromFile.Pixels);
}

TEST_F(PalvoPictures, CancelAtTheFirstCallOpensNothing) {
  CancelAtCall = 0;
  const std::string path = WriteScratchFile("cancel.ipf", StoredIpf());
  EXPECT_EQ(Picture(path.c_str(), 0, 0).Result, 1);
  EXPECT_TRUE(nulled);
  EXPECT_EQ(ProgressCalls.size(), 1u);
  // The closing call's answer is ignored.
  ProgressCalls.clear();
  CancelAtCall = 1;
  const HostDib dib = Picture(path.c_str(), 0, 0);
  EXPECT_EQ(dib.Result, 0);
}

TEST_F(PalvoPictures, DepthsTheDibCannotHoldAllocateNothing) {
  for (uint16_t depth : {16, 32, 0}) {
    McgFile mcg;
    mcg.Width = 2;
    mcg.Height = 2;
    mcg.Depth = depth;
    mcg.UnpackedSize = 16;
    mcg.Packed = McgLiteralStream(Bytes(16, 1));
    EXPECT_EQ(PictureOfFile(MakeMcg(mcg)).Result, -1) << depth;
    EXPECT_TRUE(nulled);
  }
}

TEST_F(PalvoPictures, DescriptionFailuresLeaveBothHandlesNull) {
  EXPECT_EQ(PictureOfFile(MakeRiff("IPF ", {MakePaletteChunk(GreyPalette())})).Result, 3);
  EXPECT_TRUE(nulled);
  EXPECT_EQ(PictureOfFile(Bytes(100, 'x')).Result, 2);
  EXPECT_TRUE(nulled);
  // Width x height x depth whose image size overflows 32 bits.
  McgFile huge;
  huge.Width = 65535;
  huge.Height = 65535;
  huge.Depth = 24;
  EXPECT_EQ(PictureOfFile(MakeMcg(huge)).Result, 3);
  EXPECT_TRUE(nulled);
}

TEST_F(PalvoPictures, DecodeFailuresLeaveBothHandlesNull) {
  // A palette the "pal " chunk cannot hold: its triples run past the chunk's end.
  ChunkPalette palette = GreyPalette();
  palette.CountOverride = 100000;
  HostDib dib = PictureOfFile(MakeIpf(palette, BitmapFrame{2, 2, 0, 0, 0, {1, 2, 3, 4}}));
  EXPECT_EQ(dib.Result, 3);
  EXPECT_TRUE(dib.HandlesNull);
  EXPECT_NE(ProgressCalls.back(), std::make_pair(1, 1));
  // Packing neither stored nor compressed.
  dib = PictureOfFile(MakeIpf(GreyPalette(), BitmapFrame{2, 2, 0, 0, 2, {1, 2, 3, 4}}));
  EXPECT_EQ(dib.Result, -1);
  EXPECT_TRUE(dib.HandlesNull);
}

#if !defined(_WIN64)
TEST_F(PalvoPictures, PixelBlockTooLargeToAllocate) {
  // About 2 GB of pixels: valid as a DIB, beyond what a 32-bit process can allocate.
  McgFile mcg;
  mcg.Width = 65536;
  mcg.Height = 32767;
  mcg.Depth = 8;
  mcg.UnpackedSize = 16;
  const HostDib dib = PictureOfFile(MakeMcg(mcg));
  EXPECT_EQ(dib.Result, 4);
  EXPECT_TRUE(dib.HandlesNull);
}
#endif

// A host that passes one variable it cannot receive a handle in still finds
// the other null, and no block is made.
TEST_F(PalvoPictures, AnUnwritableVariableIsRefusedAndTheOtherEndsNull) {
  const std::string path = WriteScratchFile("one_variable.ipf", StoredIpf());
  HLOCAL pixels = reinterpret_cast<HLOCAL>(0xBEEF);
  EXPECT_EQ(api.GetPicture(path.c_str(), 0, 0, nullptr, &pixels, nullptr, 0), 5);
  EXPECT_EQ(pixels, nullptr);
  HLOCAL info = reinterpret_cast<HLOCAL>(0xDEAD);
  const HLOCAL* readOnly = reinterpret_cast<const HLOCAL*>(GetModuleHandleA(nullptr));
  EXPECT_EQ(api.GetPicture(path.c_str(), 0, 0, &info, const_cast<HLOCAL*>(readOnly), nullptr, 0), 5);
  EXPECT_EQ(info, nullptr);
}
