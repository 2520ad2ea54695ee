// Palvo's Unicode entry points open pictures whose paths the ANSI code page
// cannot hold, and give what the classic ones give for an ASCII copy.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "tests/dll/unicode_host.h"
#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"

namespace {


using Calls = std::vector<std::pair<int32_t, int32_t>>;

struct Tracked {
  Calls Seen;
  int StopAt = -1;
};

int32_t __stdcall Track(int32_t done, int32_t total, intptr_t userData) {
  Tracked* tracked = reinterpret_cast<Tracked*>(userData);
  tracked->Seen.emplace_back(done, total);
  return static_cast<int>(tracked->Seen.size()) - 1 == tracked->StopAt ? 1 : 0;
}

// What one GetPicture or GetPictureW call hands the host.
struct Dib {
  int32_t Result = -100;
  Bytes Info, Pixels;
  Calls Progress;
  bool Null = false;      // both handle variables were set to null
};

Dib Collect(int32_t result, HLOCAL info, HLOCAL pixels, const Tracked& tracked) {
  Dib dib;
  dib.Result = result;
  dib.Progress = tracked.Seen;
  if (result == 0) {
    dib.Info = BlockBytes(info);
    dib.Pixels = BlockBytes(pixels);
    LocalFree(info);
    LocalFree(pixels);
  } else {
    dib.Null = info == nullptr && pixels == nullptr;
  }
  return dib;
}

Bytes ArtPixels(size_t count, uint32_t seed) {
  Bytes pixels(count);
  for (size_t i = 0; i < count; ++i) {
    pixels[i] = static_cast<uint8_t>((i / 7) * 3 + seed + (((i * 2654435761u) >> 17) % 5 == 0 ? i : 0));
  }
  return pixels;
}

Bytes CompressedIpf(int width, int height, uint32_t seed) {
  BitmapFrame frame;
  frame.Width = static_cast<uint16_t>(width);
  frame.Height = static_cast<uint16_t>(height);
  frame.Left = 3;
  frame.Top = 4;
  frame.Packing = 1;
  frame.PixelData = EncodeIpfCodes(ArtPixels(static_cast<size_t>(width) * height, seed));
  return MakeIpf(GreyPalette(), frame);
}

Bytes TwoFrameIpq() {
  BitmapFrame first{5, 3, 0, 0, 0, ArtPixels(15, 1)};
  BitmapFrame second{7, 2, 1, 1, 1, EncodeIpfCodes(ArtPixels(14, 9))};
  return MakeIpq(GreyPalette(), {first, second});
}

Bytes Mcg24() {
  McgFile mcg;
  mcg.Width = 13;
  mcg.Height = 6;
  mcg.Depth = 24;
  const int stride = (13 * 3 + 3) & ~3;
  mcg.UnpackedSize = stride * 6;
  mcg.Packed = EncodeMcgLzss(ArtPixels(static_cast<size_t>(stride) * 6, 4));
  return MakeMcg(mcg);
}

class UnicodePalvo : public ::testing::Test {
 protected:
  void SetUp() override {
    StoreIpqFormat(1); // IPQ frames stacked: Palvo opens IPQ files too
    ASSERT_TRUE(LoadPalvo(&classic));
    ASSERT_TRUE(ResolveWidePalvo(classic.Module, &wide));
    directory = FreshWideDirectory(UnrepresentableName);
    ASSERT_TRUE(AnsiCannotHold(directory)) << "the test needs a name outside the ANSI code page";
  }
  void TearDown() override {
    UnloadPalvo(&classic);
    RemoveIpqFormat();
  }
  Dib WideDib(const wchar_t* buf, uintptr_t len, uint32_t flag, int stopAt = -1) {
    Tracked tracked;
    tracked.StopAt = stopAt;
    HLOCAL info = reinterpret_cast<HLOCAL>(0xDEAD);
    HLOCAL pixels = reinterpret_cast<HLOCAL>(0xBEEF);
    const int32_t result = wide.GetPictureW(buf, len, flag, &info, &pixels, Track, reinterpret_cast<intptr_t>(&tracked));
    return Collect(result, info, pixels, tracked);
  }
  Dib ClassicDib(const char* buf, uintptr_t len, uint32_t flag) {
    Tracked tracked;
    HLOCAL info = reinterpret_cast<HLOCAL>(0xDEAD);
    HLOCAL pixels = reinterpret_cast<HLOCAL>(0xBEEF);
    const int32_t result =
        classic.GetPicture(buf, len, flag, &info, &pixels, Track, reinterpret_cast<intptr_t>(&tracked));
    return Collect(result, info, pixels, tracked);
  }
  PalvoApi classic;
  WidePalvoApi wide;
  std::wstring directory;
};

} // namespace

TEST_F(UnicodePalvo, EveryKindFromAnUnrepresentablePathMatchesTheClassicPathOnAnAsciiCopy) {
  const std::pair<const wchar_t*, Bytes> pictures[] = {
      {L"画像_🎨.ipf", CompressedIpf(41, 9, 2)},
      {L"Кадры.ipq", TwoFrameIpq()},
      {L"絵_Ж.mcg", Mcg24()},
  };
  int ascii = 0;
  for (const auto& picture : pictures) {
    const std::wstring path = directory + picture.first;
    ASSERT_TRUE(WriteWideFile(path, picture.second)) << Utf8(path);
    const std::string copy = WriteScratchFile("ascii_copy_" + std::to_string(++ascii) + ".bin", picture.second);

    HostPictureInfo wideInfo, classicInfo;
    std::memset(&wideInfo, 0x11, sizeof wideInfo);
    std::memset(&classicInfo, 0x11, sizeof classicInfo);
    ASSERT_EQ(wide.GetPictureInfoW(path.c_str(), 0, 0, &wideInfo), 0) << Utf8(path);
    ASSERT_EQ(classic.GetPictureInfo(copy.c_str(), 0, 0, &classicInfo), 0);
    EXPECT_EQ(std::memcmp(&wideInfo, &classicInfo, sizeof wideInfo), 0) << Utf8(path);
    EXPECT_GT(wideInfo.Width, 0);

    const Dib fromWide = WideDib(path.c_str(), 0, 0);
    const Dib fromClassic = ClassicDib(copy.c_str(), 0, 0);
    ASSERT_EQ(fromWide.Result, 0) << Utf8(path);
    ASSERT_EQ(fromClassic.Result, 0);
    EXPECT_EQ(fromWide.Info, fromClassic.Info) << Utf8(path);
    EXPECT_EQ(fromWide.Pixels, fromClassic.Pixels) << Utf8(path);
    EXPECT_EQ(fromWide.Progress, fromClassic.Progress);
    EXPECT_EQ(fromWide.Progress.front(), std::make_pair(0, 1));
    EXPECT_EQ(fromWide.Progress.back(), std::make_pair(1, 1));
  }
}

TEST_F(UnicodePalvo, TheClassicExportsCannotReachThesePaths) {
  const std::wstring path = directory + L"Ёж.ipf";
  ASSERT_TRUE(WriteWideFile(path, CompressedIpf(8, 8, 1)));
  // What a host that only knew the classic exports would pass: the name through the ANSI code page.
  char narrow[MAX_PATH];
  ASSERT_GT(WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, narrow, MAX_PATH, nullptr, nullptr), 0);
  HostPictureInfo info{};
  EXPECT_EQ(classic.GetPictureInfo(narrow, 0, 0, &info), 6);
  EXPECT_EQ(wide.GetPictureInfoW(path.c_str(), 0, 0, &info), 0);
  EXPECT_EQ(info.Width, 8);
}

TEST_F(UnicodePalvo, FileOffsetAndMemoryInput) {
  const Bytes ipf = CompressedIpf(30, 20, 7);
  Bytes padded(500 + ipf.size(), 0x5A);
  std::copy(ipf.begin(), ipf.end(), padded.begin() + 500);
  const std::wstring path = directory + L"埋め込み_Щ.bin";
  ASSERT_TRUE(WriteWideFile(path, padded));

  HostPictureInfo atOffset{}, fromMemory{};
  ASSERT_EQ(wide.GetPictureInfoW(path.c_str(), 500, 0, &atOffset), 0);
  EXPECT_EQ(atOffset.Width, 30);
  EXPECT_EQ(atOffset.Height, 20);
  EXPECT_EQ(atOffset.Left, 3);
  // Memory input: buf is the picture's address, whatever its declared type.
  ASSERT_EQ(wide.GetPictureInfoW(reinterpret_cast<const wchar_t*>(ipf.data()), ipf.size(), 1, &fromMemory), 0);
  EXPECT_EQ(std::memcmp(&atOffset, &fromMemory, sizeof atOffset), 0);

  const Dib fileDib = WideDib(path.c_str(), 500, 0);
  const Dib memoryDib = WideDib(reinterpret_cast<const wchar_t*>(ipf.data()), ipf.size(), 1);
  const Dib classicMemory = ClassicDib(reinterpret_cast<const char*>(ipf.data()), ipf.size(), 1);
  ASSERT_EQ(fileDib.Result, 0);
  ASSERT_EQ(memoryDib.Result, 0);
  ASSERT_EQ(classicMemory.Result, 0);
  EXPECT_EQ(fileDib.Pixels, memoryDib.Pixels);
  EXPECT_EQ(memoryDib.Pixels, classicMemory.Pixels);
  EXPECT_EQ(memoryDib.Info, classicMemory.Info);
  EXPECT_EQ(fileDib.Pixels.size(), 32u * 20u); // stride 32 for 30 pixels of 8 bits
}

TEST_F(UnicodePalvo, FailuresGiveTheClassicCodes) {
  const std::wstring path = directory + L"Лист.ipf";
  const Bytes ipf = CompressedIpf(10, 10, 3);
  ASSERT_TRUE(WriteWideFile(path, ipf));
  HostPictureInfo info{};
  const std::wstring missing = directory + L"нет_🎨.ipf";
  EXPECT_EQ(wide.GetPictureInfoW(missing.c_str(), 0, 0, &info), 6);
  const std::wstring empty = directory + L"空.ipf";
  ASSERT_TRUE(WriteWideFile(empty, {}));
  EXPECT_EQ(wide.GetPictureInfoW(empty.c_str(), 0, 0, &info), 6);
  EXPECT_EQ(wide.GetPictureInfoW(path.c_str(), ipf.size(), 0, &info), 3);
  EXPECT_EQ(wide.GetPictureInfoW(path.c_str(), 0, 2, &info), -1);
  EXPECT_EQ(wide.GetPictureInfoW(path.c_str(), 0, 8, &info), 0) << "bits above the input kind are ignored";
  EXPECT_EQ(wide.GetPictureInfoW(path.c_str(), 0, 0, nullptr), classic.GetPictureInfo("x", 0, 0, nullptr));

  Dib dib = WideDib(missing.c_str(), 0, 0);
  EXPECT_EQ(dib.Result, 6);
  EXPECT_TRUE(dib.Null);
  EXPECT_EQ(dib.Progress, (Calls{{0, 1}})) << "no closing call after a failure";
  dib = WideDib(path.c_str(), 0, 3);
  EXPECT_EQ(dib.Result, -1);
  EXPECT_TRUE(dib.Null);
  // Cancelled at the first call: nothing opened, the variables null.
  dib = WideDib(path.c_str(), 0, 0, 0);
  EXPECT_EQ(dib.Result, 1);
  EXPECT_TRUE(dib.Null);
  EXPECT_EQ(dib.Progress.size(), 1u);
  // Data that ends early: both variables null, as the classic export leaves them.
  Bytes cut = ipf;
  cut.resize(cut.size() - 20);
  const std::wstring cutPath = directory + L"途中.ipf";
  ASSERT_TRUE(WriteWideFile(cutPath, cut));
  const std::string cutCopy = WriteScratchFile("cut_copy.ipf", cut);
  dib = WideDib(cutPath.c_str(), 0, 0);
  const Dib classicCut = ClassicDib(cutCopy.c_str(), 0, 0);
  EXPECT_NE(dib.Result, 0);
  EXPECT_EQ(dib.Result, classicCut.Result);
  EXPECT_TRUE(dib.Null);

  HLOCAL a = reinterpret_cast<HLOCAL>(1), b = reinterpret_cast<HLOCAL>(2);
  EXPECT_EQ(wide.GetPreviewW(path.c_str(), 0, 0, &a, &b, nullptr, 0), -1);
  EXPECT_EQ(a, reinterpret_cast<HLOCAL>(1));
}

TEST_F(UnicodePalvo, NullProgressAndTheIpqFollowingTheDisplayMode) {
  const std::wstring path = directory + L"Кадры_🎞.ipq";
  ASSERT_TRUE(WriteWideFile(path, TwoFrameIpq()));
  const std::string copy = WriteScratchFile("frames_copy.ipq", TwoFrameIpq());
  HLOCAL info = nullptr, pixels = nullptr;
  ASSERT_EQ(wide.GetPictureW(path.c_str(), 0, 0, &info, &pixels, nullptr, 0), 0);
  const Bytes stacked = BlockBytes(pixels);
  LocalFree(info);
  LocalFree(pixels);
  const Dib classicStacked = ClassicDib(copy.c_str(), 0, 0);
  ASSERT_EQ(classicStacked.Result, 0);
  EXPECT_EQ(stacked, classicStacked.Pixels);
  HostPictureInfo connected{};
  ASSERT_EQ(wide.GetPictureInfoW(path.c_str(), 0, 0, &connected), 0);
  EXPECT_EQ(connected.Height, 5) << "both frames, one above the other";

  // Last frame only.
  UnloadPalvo(&classic);
  StoreIpqFormat(4);
  ASSERT_TRUE(LoadPalvo(&classic));
  ASSERT_TRUE(ResolveWidePalvo(classic.Module, &wide));
  HostPictureInfo last{};
  ASSERT_EQ(wide.GetPictureInfoW(path.c_str(), 0, 0, &last), 0);
  EXPECT_EQ(last.Width, 7);
  EXPECT_EQ(last.Height, 2);
}
