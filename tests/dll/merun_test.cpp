// Merun as a host meets it, with Palvo.spi beside it (so bound): IPQ frames
// listed, found and extracted as stand-alone IPF files, following Palvo's mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "common/input_range.h"
#include "tests/dll/archive_host.h"
#include "tests/dll/dialog_driver.h"
#include "writers/ipf_encoder.h"

namespace {

const char HostResourceKey[] = "Software\\Harkimo\\Susie\\Resource";

BitmapFrame FrameOf(int width, int height, uint8_t seed, Bytes* pixels) {
  pixels->resize(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < pixels->size(); ++i) (*pixels)[i] = static_cast<uint8_t>(seed + i / 3 + (i % 7 == 0 ? 9 : 0));
  BitmapFrame frame;
  frame.Width = static_cast<uint16_t>(width);
  frame.Height = static_cast<uint16_t>(height);
  frame.Left = seed;
  frame.Packing = 1;
  frame.PixelData = EncodeIpfCodes(*pixels);
  return frame;
}

Bytes ThreeFrameIpq() {
  Bytes a, b, c;
  return MakeIpq(GreyPalette(), {FrameOf(30, 20, 1, &a), FrameOf(45, 10, 2, &b), FrameOf(17, 5, 3, &c)});
}

// What the host gets from one GetPicture call, or the result code.
struct Picture {
  int32_t Result;
  Bytes Info, Pixels;
};

Picture Decode(const PalvoApi& palvo, const char* buf, uint32_t len, uint32_t flag) {
  HLOCAL info = nullptr, pixels = nullptr;
  Picture picture{palvo.GetPicture(buf, len, flag, &info, &pixels, nullptr, 0), {}, {}};
  if (picture.Result == 0) {
    picture.Info = BlockBytes(info);
    picture.Pixels = BlockBytes(pixels);
    LocalFree(info);
    LocalFree(pixels);
  }
  return picture;
}

class MerunArchive : public ::testing::Test {
 protected:
  void SetUp() override {
    int32_t english = 0;
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, HostResourceKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    RegSetValueExA(key, "Japanese", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&english), sizeof english);
    RegCloseKey(key);
    Load(0);
  }
  void TearDown() override {
    Unload();
    RemoveIpqFormat();
    RegDeleteKeyA(HKEY_CURRENT_USER, HostResourceKey);
  }
  // Merun binds Palvo when it is loaded; Palvo reads the stored mode then.
  void Load(int32_t storedMode) {
    Unload();
    StoreIpqFormat(storedMode);
    ASSERT_TRUE(LoadArchivePlugin("Merun" PLUGIN_EXTENSION, &merun));
    ASSERT_TRUE(LoadPalvo(&palvo));
    configure = reinterpret_cast<int32_t(__stdcall*)(HWND, int32_t)>(
        reinterpret_cast<void*>(GetProcAddress(merun.Module, "ConfigurationDlg")));
    ASSERT_NE(configure, nullptr);
  }
  void Unload() {
    UnloadPalvo(&palvo);
    UnloadArchivePlugin(&merun);
    ASSERT_EQ(GetModuleHandleA("Palvo" PLUGIN_EXTENSION), nullptr) << "Merun releases Palvo when unloaded";
  }
  std::vector<HostFileInfo> List(const std::string& path, uint32_t offset, int32_t* result) {
    HLOCAL handle = nullptr;
    *result = merun.GetArchiveInfo(path.c_str(), offset, 0, &handle);
    std::vector<HostFileInfo> records;
    bool terminated = false;
    if (handle != nullptr) {
      records = ReadRecords(handle, &terminated);
      LocalFree(handle);
      EXPECT_TRUE(terminated);
    }
    return records;
  }
  // Chooses a display mode in Palvo's dialog, opened through Merun's own entry.
  void ChooseModeInDialog(int32_t mode) {
    DialogVisit visit;
    visit.Act = [mode](HWND dialog) {
      Click(dialog, 102 + mode);
      Click(dialog, IDOK);
    };
    EXPECT_EQ(WhileVisiting(&visit, [this] { return configure(nullptr, 1); }), 0);
    EXPECT_TRUE(visit.Found);
    EXPECT_EQ(visit.Caption, L"Configuration");
  }
  ArchiveApi merun;
  PalvoApi palvo;
  int32_t(__stdcall* configure)(HWND, int32_t) = nullptr;
};

struct ExportEntry {
  const char* Name;
  int Ordinal;
  int ArgumentCount;
};

} // namespace

TEST_F(MerunArchive, ExportsAndInformationTable) {
  const ExportEntry table[] = {{"ConfigurationDlg", 1, 2}, {"GetArchiveInfo", 2, 4}, {"GetFileInfo", 3, 5},
                               {"GetFile", 4, 6},          {"IsSupported", 5, 2},    {"GetPluginInfo", 6, 3}};
  for (const ExportEntry& entry : table) {
    const FARPROC byName = GetProcAddress(merun.Module, entry.Name);
    ASSERT_NE(byName, nullptr) << entry.Name;
    EXPECT_EQ(GetProcAddress(merun.Module, MAKEINTRESOURCEA(entry.Ordinal)), byName) << entry.Name;
    if (entry.Ordinal != 1) {
  #if defined(__i386__)
    EXPECT_EQ(StackBytesLeftByCall(byName, entry.ArgumentCount), 0) << entry.Name;
#endif
    }
  }
  char text[64];
  EXPECT_EQ(merun.GetPluginInfo(0, text, sizeof text), 4);
  EXPECT_STREQ(text, "00AM");
  merun.GetPluginInfo(2, text, sizeof text);
  EXPECT_STREQ(text, "*.ipq");
  merun.GetPluginInfo(3, text, sizeof text);
  EXPECT_STREQ(text, "F&C Multi-picture Format (*.ipq)");
  EXPECT_EQ(merun.GetPluginInfo(4, text, sizeof text), 0);
}

TEST_F(MerunArchive, ListsEveryFrameAsAnIpfMember) {
  const Bytes ipq = ThreeFrameIpq();
  Bytes padded(1000 + ipq.size(), 0x55);
  std::copy(ipq.begin(), ipq.end(), padded.begin() + 1000);
  const std::string path = WriteScratchFile("three.bin", padded);
  int32_t result = -100;
  const std::vector<HostFileInfo> records = List(path, 1000, &result);
  ASSERT_EQ(result, 0);
  ASSERT_EQ(records.size(), 3u);
  const uint32_t animOffset = 56 + static_cast<uint32_t>(MakePaletteChunk(GreyPalette()).size());
  const char* names[] = {"#00001.IPF", "#00002.IPF", "#00003.IPF"};
  for (uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(std::memcmp(records[i].Method, "F&C ipq", 8), 0);
    EXPECT_EQ(records[i].Position, 1000 + i);
    EXPECT_STREQ(records[i].FileName, names[i]);
    EXPECT_STREQ(records[i].Path, "");
    const uint32_t chunkOffset = ReadU32(ipq.data() + animOffset + 12 + 4 * i);
    EXPECT_EQ(records[i].CompressedSize, ReadU32(ipq.data() + chunkOffset + 4) + 8);
    EXPECT_EQ(records[i].FileSize, records[i].CompressedSize + animOffset);
  }
  HostFileInfo found{};
  EXPECT_EQ(merun.GetFileInfo(path.c_str(), 1000, "#00002.ipf", 0x80, &found), 0);
  EXPECT_EQ(found.Position, 1001u);
  EXPECT_EQ(merun.GetFileInfo(path.c_str(), 1000, "#00002.ipf", 0, &found), 2);
  EXPECT_EQ(merun.GetFileInfo(path.c_str(), 1000, "#00004.IPF", 0, &found), 2);
}

TEST_F(MerunArchive, ExtractedFramesAreTheFramesPalvoShows) {
  const Bytes ipq = ThreeFrameIpq();
  const std::string path = WriteScratchFile("frames.ipq", ipq);
  const std::string out = FreshDirectory("merun_frames");
  const uint32_t animOffset = 56 + static_cast<uint32_t>(MakePaletteChunk(GreyPalette()).size());
  for (int32_t frame = 0; frame < 3; ++frame) {
    // Palvo shows the same frame in the single-frame mode that picks it;
    // Merun still extracts while Palvo shows IPQ files itself.
    Load(frame == 0 ? 2 : frame == 1 ? 3 : 4);
    EXPECT_EQ(merun.GetFile(path.c_str(), frame, out.c_str(), 0, nullptr, 0), 0);
    char name[16];
    std::snprintf(name, sizeof name, "#%05d.IPF", frame + 1);
    Bytes extracted;
    ASSERT_TRUE(ReadFileBytes(out + name, &extracted));

    // The head of the IPQ file up to its "anim" chunk, retyped, then the frame's chunk.
    const uint32_t chunkOffset = ReadU32(ipq.data() + animOffset + 12 + 4 * frame);
    const uint32_t chunkLength = ReadU32(ipq.data() + chunkOffset + 4) + 8;
    ASSERT_EQ(extracted.size(), animOffset + chunkLength);
    EXPECT_EQ(ReadU32(extracted.data() + 4), extracted.size());
    EXPECT_EQ(std::memcmp(extracted.data() + 8, "IPF ", 4), 0);
    EXPECT_EQ(std::memcmp(extracted.data() + 12, ipq.data() + 12, animOffset - 12), 0);
    EXPECT_EQ(std::memcmp(extracted.data() + animOffset, ipq.data() + chunkOffset, chunkLength), 0);

    HLOCAL block = nullptr;
    ASSERT_EQ(merun.GetFile(path.c_str(), frame, reinterpret_cast<const char*>(&block), 0x100, nullptr, 0), 0);
    Bytes inMemory = BlockBytes(block);
    LocalFree(block);
    inMemory.resize(extracted.size());
    EXPECT_EQ(inMemory, extracted);

    const Picture shown = Decode(palvo, path.c_str(), 0, 0);
    const Picture alone = Decode(palvo, reinterpret_cast<const char*>(extracted.data()),
                                 static_cast<uint32_t>(extracted.size()), 1);
    ASSERT_EQ(shown.Result, 0);
    ASSERT_EQ(alone.Result, 0);
    EXPECT_EQ(alone.Info, shown.Info);
    EXPECT_EQ(alone.Pixels, shown.Pixels);
  }
}

TEST_F(MerunArchive, FollowsPalvosModeAtOnceAndForwardsItsDialog) {
  const Bytes ipq = ThreeFrameIpq();
  const std::string path = WriteScratchFile("gate.ipq", ipq);
  Bytes head = ipq;
  head.resize(2048);
  const uintptr_t probe = reinterpret_cast<uintptr_t>(head.data());
  int32_t result = -100;
  EXPECT_EQ(merun.IsSupported(path.c_str(), probe), 2);
  EXPECT_EQ(List(path, 0, &result).size(), 3u);

  ChooseModeInDialog(1); // Show connected: Palvo takes IPQ files now
  EXPECT_EQ(palvo.GetIpqFormat(), 1);
  EXPECT_EQ(merun.IsSupported(path.c_str(), probe), 0);
  EXPECT_TRUE(List(path, 0, &result).empty());
  EXPECT_EQ(result, 2);
  HostFileInfo info{};
  EXPECT_EQ(merun.GetFileInfo(path.c_str(), 0, "#00001.IPF", 0, &info), 2);
  HLOCAL block = nullptr;
  EXPECT_EQ(merun.GetFile(path.c_str(), 2, reinterpret_cast<const char*>(&block), 0x100, nullptr, 0), 0);
  LocalFree(block);

  ChooseModeInDialog(0);
  EXPECT_EQ(merun.IsSupported(path.c_str(), probe), 2);
  EXPECT_EQ(configure(nullptr, 2), -1) << "codes other than 0 and 1: nothing shown";

  // Pictures of other kinds are never archives.
  Bytes ipf = MakeIpf(GreyPalette(), BitmapFrame{1, 1, 0, 0, 0, {1}});
  ipf.resize(2048);
  EXPECT_EQ(merun.IsSupported("a.ipf", reinterpret_cast<uintptr_t>(ipf.data())), 0);
}

TEST_F(MerunArchive, DamagedFrameTablesAreRefused) {
  const size_t countAt = 56 + MakePaletteChunk(GreyPalette()).size() + 8;
  // 4: one entry more than the file has frames; it points at no chunk.
  for (uint32_t count : {0u, 0xFFFFFFFFu, 0x80000000u, 0x7FFFFFFFu, 4u}) {
    Bytes ipq = ThreeFrameIpq();
    PokeU32(ipq, countAt, count);
    const std::string path = WriteScratchFile("damaged.ipq", ipq);
    int32_t result = -100;
    HLOCAL handle = reinterpret_cast<HLOCAL>(1);
    result = merun.GetArchiveInfo(path.c_str(), 0, 0, &handle);
    EXPECT_EQ(result, 3) << count;
    EXPECT_EQ(handle, nullptr) << count;
    HostFileInfo info{};
    // Finding stops at the match: frames before the damage are still found.
    EXPECT_EQ(merun.GetFileInfo(path.c_str(), 0, "#00001.IPF", 0, &info), count == 4 ? 0 : 3) << count;
    EXPECT_EQ(merun.GetFileInfo(path.c_str(), 0, "#00004.IPF", 0, &info), 3) << count;
  }
}

TEST_F(MerunArchive, MemberPointersThatLeadNowhere) {
  const Bytes ipq = ThreeFrameIpq();
  const std::string path = WriteScratchFile("where.ipq", ipq);
  const std::string out = FreshDirectory("merun_nowhere");
  EXPECT_EQ(merun.GetFile(path.c_str(), 3, out.c_str(), 0, nullptr, 0), 3) << "past the last frame";
  EXPECT_EQ(merun.GetFile(path.c_str(), static_cast<uint32_t>(ipq.size()), out.c_str(), 0, nullptr, 0), 2);
  EXPECT_EQ(merun.GetFile(path.c_str(), static_cast<uint32_t>(ipq.size() - 2), out.c_str(), 0, nullptr, 0), 2);
  EXPECT_TRUE(FilesStartingWith(out, "#").empty()) << "nothing written for a failed member";
  EXPECT_TRUE(FilesStartingWith(out, "SPI").empty());

  // Memory input without a size: a block with no "RIFF" in it, at the start of
  // a committed region behind a no-access page. The walk back stops there.
  uint8_t* pages = static_cast<uint8_t*>(VirtualAlloc(nullptr, 3 * 4096, MEM_RESERVE, PAGE_NOACCESS));
  ASSERT_NE(pages, nullptr);
  uint8_t* block = static_cast<uint8_t*>(VirtualAlloc(pages + 4096, 4096, MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(block, nullptr);
  std::memset(block, 'R', 4096);
  HLOCAL member = nullptr;
  EXPECT_EQ(merun.GetFile(reinterpret_cast<const char*>(block + 100), 0, reinterpret_cast<const char*>(&member),
                          0x101, nullptr, 0),
            2);
  EXPECT_EQ(member, nullptr);
  // The IPQ at the region's very start: frames are found from its image alone.
  std::memcpy(block, ipq.data(), std::min<size_t>(ipq.size(), 4096));
  ASSERT_LE(ipq.size(), 4096u);
  EXPECT_EQ(merun.GetFile(reinterpret_cast<const char*>(block + 1), 0, reinterpret_cast<const char*>(&member), 0x101,
                          nullptr, 0),
            0);
  LocalFree(member);
  HLOCAL records = nullptr;
  EXPECT_EQ(merun.GetArchiveInfo(reinterpret_cast<const char*>(block), 0, 1, &records), 0);
  LocalFree(records);
  VirtualFree(pages, 0, MEM_RELEASE);
}

TEST_F(MerunArchive, ExtractionReportsProgressAndCanBeCancelled) {
  Bytes pixels(300 * 300);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i * 2654435761u) >> 11);
  BitmapFrame frame;
  frame.Width = frame.Height = 300;
  frame.Packing = 0;
  frame.PixelData = pixels;
  const std::string path = WriteScratchFile("big.ipq", MakeIpq(GreyPalette(), {frame}));
  const std::string out = FreshDirectory("merun_progress");
  ProgressLog log;
  ASSERT_EQ(merun.GetFile(path.c_str(), 0, out.c_str(), 0, LogProgress, log.UserData()), 0);
  ASSERT_GE(log.Calls.size(), 3u);
  EXPECT_EQ(log.Calls.front(), std::make_pair(0, 1));
  EXPECT_EQ(log.Calls.back(), std::make_pair(1, 1));
  EXPECT_EQ(log.Calls[1].first, 1024);

  ProgressLog stop;
  stop.StopAt = 5;
  const std::string cancelled = FreshDirectory("merun_cancel");
  EXPECT_EQ(merun.GetFile(path.c_str(), 0, cancelled.c_str(), 0, LogProgress, stop.UserData()), 1);
  EXPECT_TRUE(FilesStartingWith(cancelled, "#").empty()) << "no partial member";
  EXPECT_TRUE(FilesStartingWith(cancelled, "SPI").empty()) << "no temporary file";
}
