// Archive memory input comes without a size. Every hostile archive is
// placed so that its last byte is the last readable byte of a committed
// region, a no-access page right after it: every export must answer with a
// result code, never touch that page, and answer as it does for the same
// bytes in a file.
#include <gtest/gtest.h>

#include <cstring>

#include "common/result_codes.h"
#include "tests/dll/archive_host.h"
#include "tests/hostile/hostile_cases.h"

namespace {

constexpr uint32_t MemoryInput = 1;
constexpr uint32_t ToMemory = 0x100;

class HostileMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadArchivePlugin("Dosek" PLUGIN_EXTENSION, &api));
    ASSERT_TRUE(edge.Open(4)); // every hostile archive is smaller
  }
  void TearDown() override {
    edge.Close();
    UnloadArchivePlugin(&api);
  }
  const char* AtEnd(const Bytes& bytes) { return edge.AtEnd(bytes); }
  ArchiveApi api;
  ReadableEdge edge;
};

bool HoldsHeader(const Bytes& file) {
  if (file.size() < 16) return false;
  const uint32_t count = file[4] | file[5] << 8;
  const uint32_t directory = file[8] | file[9] << 8 | file[10] << 16 | static_cast<uint32_t>(file[11]) << 24;
  return file[0] == 'V' && file[1] == 'F' && count * 32 == directory;
}

} // namespace

TEST_F(HostileMemory, EveryArchiveExportAnswersAtTheEndOfReadableMemory) {
  const std::string dest = FreshDirectory("hostile_memory");
  size_t calls = 0;
  for (const VfsCase& hostile : HostileVfsCases()) {
    ASSERT_LE(hostile.File.size(), edge.Readable) << hostile.Name;
    const char* archive = AtEnd(hostile.File);
    EXPECT_EQ(api.IsSupported("", reinterpret_cast<uintptr_t>(archive)), HoldsHeader(hostile.File) ? 1 : 0)
        << hostile.Name;

    HLOCAL handle = reinterpret_cast<HLOCAL>(1);
    const int32_t listed = api.GetArchiveInfo(archive, 0, MemoryInput, &handle);
    if (hostile.CutDirectory) {
      EXPECT_TRUE(listed == ResultSuccess || listed == ResultBrokenData) << hostile.Name;
    } else {
      EXPECT_EQ(listed, hostile.ListResult) << hostile.Name;
    }
    if (listed == ResultSuccess) {
      LocalFree(handle);
    } else {
      EXPECT_EQ(handle, nullptr) << hostile.Name << ": a failure hands the host null";
    }
    for (const auto& search : hostile.Searches) {
      HostFileInfo info;
      const int32_t found = api.GetFileInfo(archive, 0, search.first.c_str(), MemoryInput, &info);
      if (hostile.CutDirectory) {
        EXPECT_TRUE(found == ResultNotOurFormat || found == ResultBrokenData) << hostile.Name;
      } else {
        EXPECT_EQ(found, search.second) << hostile.Name << " " << search.first;
      }
    }
    for (const VfsExtraction& extraction : hostile.Extractions) {
      // Positions reaching beyond the guard page would leave the test's memory altogether.
      if (extraction.Position > hostile.File.size() + edge.PageSize) continue;
      const char* entry = archive + extraction.Position;
      HLOCAL block = reinterpret_cast<HLOCAL>(1);
      EXPECT_EQ(api.GetFile(entry, 0, reinterpret_cast<const char*>(&block), ToMemory | MemoryInput, nullptr, 0),
                extraction.DllResult)
          << hostile.Name << " @" << extraction.Position;
      if (block != nullptr) LocalFree(block);
      EXPECT_TRUE(extraction.DllResult == ResultSuccess || block == nullptr) << hostile.Name;
      if (hostile.Name.compare(0, 8, "vfs-cut-") == 0) {
        // To disk as well: the same answer, and a failure leaves no file behind.
        EXPECT_EQ(api.GetFile(entry, 0, dest.c_str(), MemoryInput, nullptr, 0), extraction.DllResult)
            << hostile.Name << " @" << extraction.Position << " (disk)";
        ++calls;
      }
      ++calls;
    }
  }
  EXPECT_GT(calls, 1000u);
  RemoveTree(dest);
}

TEST_F(HostileMemory, PointersIntoTheNoAccessPageAreRefused) {
  const char* guard = reinterpret_cast<const char*>(edge.Region + edge.Readable);
  HLOCAL handle = reinterpret_cast<HLOCAL>(1);
  EXPECT_EQ(api.IsSupported("", reinterpret_cast<uintptr_t>(guard)), 0);
  EXPECT_EQ(api.GetArchiveInfo(guard, 0, MemoryInput, &handle), ResultNotOurFormat);
  HostFileInfo info;
  EXPECT_EQ(api.GetFileInfo(guard, 0, "ONE.DAT", MemoryInput, &info), ResultNotOurFormat);
  EXPECT_EQ(api.GetFile(guard, 0, reinterpret_cast<const char*>(&handle), ToMemory | MemoryInput, nullptr, 0),
            ResultNotOurFormat);
  // The last readable byte alone.
  EXPECT_EQ(api.IsSupported("", reinterpret_cast<uintptr_t>(guard - 1)), 0);
  EXPECT_EQ(api.GetArchiveInfo(guard - 1, 0, MemoryInput, &handle), ResultNotOurFormat);
  EXPECT_EQ(api.GetFile(guard - 1, 0, reinterpret_cast<const char*>(&handle), ToMemory | MemoryInput, nullptr, 0),
            ResultNotOurFormat);
}
