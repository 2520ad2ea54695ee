// The plug-ins release every handle, mapping and block they open: the
// file-input calls of Palvo and Dosek, successes and failures, run many
// times; the process's handle count and memory must not grow.
#include <gtest/gtest.h>

#include <windows.h>

#include "common/result_codes.h"
#include "tests/dll/archive_host.h"
#include "tests/dll/process_usage.h"
#include "writers/ipf_encoder.h"
#include "writers/mcg_encoder.h"
#include "writers/vfs_writer.h"

namespace {

struct Usage {
  DWORD Handles;
  SIZE_T Private;
  SIZE_T Heap;
};
Usage Measure() { return Usage{HandleCount(), PrivateBytes(), HeapBytesInUse()}; }

int32_t __stdcall CancelAtOnce(int32_t, int32_t, intptr_t) { return 1; }

// Runs `round` a few times to settle caches, then `rounds` times more, and
// checks that nothing grew.
template <typename Round>
void ExpectNoGrowth(Round round, int rounds) {
  for (int i = 0; i < 10; ++i) round();
  const Usage before = Measure();
  for (int i = 0; i < rounds; ++i) round();
  const Usage after = Measure();
  EXPECT_LE(after.Handles, before.Handles) << "handles leaked over " << rounds << " rounds";
  // A leaked block per round would show as at least `rounds` blocks.
  EXPECT_LT(after.Heap, before.Heap + 16 * 1024) << "heap grew from " << before.Heap << " to " << after.Heap;
  EXPECT_LT(after.Private, before.Private + 1024 * 1024)
      << "private bytes grew from " << before.Private << " to " << after.Private;
}

BitmapFrame Frame(uint16_t width, uint16_t height, bool compressed) {
  BitmapFrame frame;
  frame.Width = width;
  frame.Height = height;
  Bytes pixels(size_t{width} * height);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i / 3);
  frame.Packing = compressed ? 1 : 0;
  frame.PixelData = compressed ? EncodeIpfCodes(pixels) : pixels;
  return frame;
}

} // namespace

TEST(ResourceUse, PalvoFileInputReleasesEverything) {
  StoreIpqFormat(1);
  PalvoApi api;
  ASSERT_TRUE(LoadPalvo(&api));
  McgFile mcg;
  mcg.Width = 40;
  mcg.Height = 30;
  mcg.UnpackedSize = 40 * 30;
  mcg.Colours.assign(256, 0x00808080u);
  mcg.Packed = EncodeMcgLzss(Bytes(40 * 30, 7));
  const Bytes ipf = MakeIpf(GreyPalette(), Frame(64, 48, true));
  const std::vector<std::string> good = {
      WriteScratchFile("resource.ipf", ipf),
      WriteScratchFile("resource.ipq", MakeIpq(GreyPalette(), {Frame(20, 10, false), Frame(30, 5, true)})),
      WriteScratchFile("resource.mcg", MakeMcg(mcg))};
  const std::string cut = WriteScratchFile("resource-cut.ipf", Bytes(ipf.begin(), ipf.end() - 5));
  const std::string missing = ScratchDirectory() + "no-such-picture.ipf";

  ExpectNoGrowth(
      [&] {
        uint8_t info[32]; // the host record: 26 bytes, 32 in 64 bits
        for (const std::string& path : good) {
          ASSERT_EQ(api.GetPictureInfo(path.c_str(), 0, 0, info), ResultSuccess);
          HLOCAL header = nullptr;
          HLOCAL pixels = nullptr;
          ASSERT_EQ(api.GetPicture(path.c_str(), 0, 0, &header, &pixels, nullptr, 0), ResultSuccess);
          LocalFree(header);
          LocalFree(pixels);
        }
        HLOCAL header = nullptr;
        HLOCAL pixels = nullptr;
        EXPECT_EQ(api.GetPicture(cut.c_str(), 0, 0, &header, &pixels, nullptr, 0), ResultBrokenData);
        EXPECT_EQ(api.GetPicture(good[0].c_str(), 0, 0, &header, &pixels, CancelAtOnce, 0), ResultCancelled);
        EXPECT_EQ(api.GetPictureInfo(missing.c_str(), 0, 0, info), ResultOpenFailed);
        EXPECT_EQ(api.GetPicture(missing.c_str(), 0, 0, &header, &pixels, nullptr, 0), ResultOpenFailed);
        EXPECT_EQ(api.GetPictureInfo(good[0].c_str(), 100000, 0, info), ResultBrokenData); // offset past the end
      },
      300);
  UnloadPalvo(&api);
  RemoveIpqFormat();
}

TEST(ResourceUse, DosekFileInputReleasesEverything) {
  ArchiveApi api;
  ASSERT_TRUE(LoadArchivePlugin("Dosek" PLUGIN_EXTENSION, &api));
  VfsLayout layout = LayOutVfs({{"ONE.DAT", Bytes(40, 1)}, {"TWO.DAT", Bytes(3000, 2)}, {"BAD.DAT", Bytes(8, 3)}});
  layout.Entries[2].DataSize = 100000; // reaches past the end
  const std::string archive = WriteScratchFile("resource.vfs", WriteVfs(layout));
  const std::string missing = ScratchDirectory() + "no-such-archive.vfs";
  const std::string dest = FreshDirectory("resource_out");

  ExpectNoGrowth(
      [&] {
        HLOCAL handle = nullptr;
        ASSERT_EQ(api.GetArchiveInfo(archive.c_str(), 0, 0, &handle), ResultSuccess);
        LocalFree(handle);
        HostFileInfo info;
        ASSERT_EQ(api.GetFileInfo(archive.c_str(), 0, "TWO.DAT", 0, &info), ResultSuccess);
        HostFileInfo none;
        EXPECT_EQ(api.GetFileInfo(archive.c_str(), 0, "NONE.DAT", 0, &none), ResultNotOurFormat);
        HLOCAL block = nullptr;
        ASSERT_EQ(api.GetFile(archive.c_str(), info.Position, reinterpret_cast<const char*>(&block), 0x100, nullptr, 0),
                  ResultSuccess);
        LocalFree(block);
        ASSERT_EQ(api.GetFile(archive.c_str(), info.Position, dest.c_str(), 0, nullptr, 0), ResultSuccess);
        EXPECT_EQ(api.GetFile(archive.c_str(), VfsEntryPosition(2), reinterpret_cast<const char*>(&block), 0x100,
                              nullptr, 0),
                  ResultBrokenData);
        EXPECT_EQ(api.GetFile(archive.c_str(), VfsEntryPosition(2), dest.c_str(), 0, nullptr, 0), ResultBrokenData);
        EXPECT_EQ(api.GetFile(archive.c_str(), info.Position, dest.c_str(), 0, CancelAtOnce, 0), ResultCancelled);
        EXPECT_EQ(api.GetArchiveInfo(missing.c_str(), 0, 0, &handle), ResultOpenFailed);
        EXPECT_EQ(api.GetFile(missing.c_str(), 16, dest.c_str(), 0, nullptr, 0), ResultOpenFailed);
      },
      200);
  RemoveTree(dest);
  UnloadArchivePlugin(&api);
}

TEST(ResourceUse, MerunFileInputReleasesEverything) {
  RemoveIpqFormat(); // mode 0: the bound Palvo leaves IPQ files to Merun
  ArchiveApi api;
  ASSERT_TRUE(LoadArchivePlugin("Merun" PLUGIN_EXTENSION, &api));
  const Bytes ipq = MakeIpq(GreyPalette(), {Frame(20, 10, false), Frame(300, 20, true)});
  const std::string archive = WriteScratchFile("resource_frames.ipq", ipq);
  const std::string dest = FreshDirectory("resource_frames");

  ExpectNoGrowth(
      [&] {
        HLOCAL handle = nullptr;
        ASSERT_EQ(api.GetArchiveInfo(archive.c_str(), 0, 0, &handle), ResultSuccess);
        LocalFree(handle);
        HostFileInfo info;
        ASSERT_EQ(api.GetFileInfo(archive.c_str(), 0, "#00002.IPF", 0, &info), ResultSuccess);
        HLOCAL block = nullptr;
        ASSERT_EQ(api.GetFile(archive.c_str(), 1, reinterpret_cast<const char*>(&block), 0x100, nullptr, 0),
                  ResultSuccess);
        LocalFree(block);
        ASSERT_EQ(api.GetFile(archive.c_str(), 1, dest.c_str(), 0, nullptr, 0), ResultSuccess);
        EXPECT_EQ(api.GetFile(archive.c_str(), 2, dest.c_str(), 0, nullptr, 0), ResultBrokenData);
        EXPECT_EQ(api.GetFile(archive.c_str(), 0, dest.c_str(), 0, CancelAtOnce, 0), ResultCancelled);
      },
      200);
  RemoveTree(dest);
  UnloadArchivePlugin(&api);
}

TEST(ResourceUse, LoadingAndUnloadingThePlugInsLeavesNothing) {
  ExpectNoGrowth(
      [] {
        PalvoApi palvo;
        ASSERT_TRUE(LoadPalvo(&palvo));
        UnloadPalvo(&palvo);
        ArchiveApi dosek;
        ASSERT_TRUE(LoadArchivePlugin("Dosek" PLUGIN_EXTENSION, &dosek));
        UnloadArchivePlugin(&dosek);
        ArchiveApi merun; // binds and releases its own Palvo
        ASSERT_TRUE(LoadArchivePlugin("Merun" PLUGIN_EXTENSION, &merun));
        UnloadArchivePlugin(&merun);
      },
      100);
}
