// The hostile VFS archives through Dosek's exports, from a file.
#include <gtest/gtest.h>

#include "common/result_codes.h"
#include "tests/dll/archive_host.h"
#include "tests/hostile/hostile_cases.h"

namespace {

constexpr uint32_t ToMemory = 0x100;

void ReplayListAndSearch(const ArchiveApi& api, const VfsCase& hostile, const std::string& path) {
  HLOCAL handle = reinterpret_cast<HLOCAL>(1);
  const int32_t listed = api.GetArchiveInfo(path.c_str(), 0, 0, &handle);
  EXPECT_EQ(listed, hostile.ListResult) << hostile.Name;
  if (listed == ResultSuccess) {
    bool terminated = false;
    EXPECT_EQ(ReadRecords(handle, &terminated).size(), hostile.ListedCount) << hostile.Name;
    EXPECT_TRUE(terminated) << hostile.Name;
    LocalFree(handle);
  } else {
    EXPECT_EQ(handle, nullptr) << hostile.Name; // nothing handed out
  }
  for (const auto& search : hostile.Searches) {
    HostFileInfo info;
    EXPECT_EQ(api.GetFileInfo(path.c_str(), 0, search.first.c_str(), 0, &info), search.second)
        << hostile.Name << " " << search.first;
  }
}

void ReplayExtractions(const ArchiveApi& api, const VfsCase& hostile, const std::string& path) {
  for (const VfsExtraction& extraction : hostile.Extractions) {
    HLOCAL block = reinterpret_cast<HLOCAL>(1);
    const int32_t result =
        api.GetFile(path.c_str(), extraction.Position, reinterpret_cast<const char*>(&block), ToMemory, nullptr, 0);
    EXPECT_EQ(result, extraction.DllResult) << hostile.Name << " @" << extraction.Position;
    if (result == ResultSuccess) {
      EXPECT_GE(LocalSize(block), 2048u) << hostile.Name;
      LocalFree(block);
    } else {
      // Null after every failure: never a block, never what the variable held.
      EXPECT_EQ(block, nullptr) << hostile.Name;
    }
  }
}

class HostileVfs : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(LoadArchivePlugin("Dosek" PLUGIN_EXTENSION, &api)); }
  void TearDown() override { UnloadArchivePlugin(&api); }
  ArchiveApi api;
};

} // namespace

TEST_F(HostileVfs, HandMadeCasesGetTheirResults) {
  const std::vector<VfsCase> cases = HostileVfsCases();
  EXPECT_GT(cases.size(), 300u);
  for (const VfsCase& hostile : cases) {
    const std::string path = WriteScratchFile("hostile.vfs", hostile.File);
    if (!hostile.CutDirectory) ReplayListAndSearch(api, hostile, path);
    ReplayExtractions(api, hostile, path);
  }
}

TEST_F(HostileVfs, FuzzFindingsGetTheirResults) {
  for (const VfsCase& found : FoundVfsCases(FC_HOSTILE_FINDINGS)) {
    const std::string path = WriteScratchFile("hostile.vfs", found.File);
    ReplayListAndSearch(api, found, path);
    ReplayExtractions(api, found, path);
  }
}

// A directory that runs past the end of the data is damage: an empty
// listing would tell the user the archive holds nothing.
TEST_F(HostileVfs, CutDirectoryIsReportedAsDamage) {
  size_t cutCases = 0;
  for (const VfsCase& hostile : HostileVfsCases()) {
    if (!hostile.CutDirectory) continue;
    ++cutCases;
    const std::string path = WriteScratchFile("hostile.vfs", hostile.File);
    HLOCAL handle = reinterpret_cast<HLOCAL>(1);
    EXPECT_EQ(api.GetArchiveInfo(path.c_str(), 0, 0, &handle), 3) << hostile.Name;
    EXPECT_EQ(handle, nullptr) << hostile.Name;
    for (const auto& search : hostile.Searches) {
      HostFileInfo info{};
      EXPECT_EQ(api.GetFileInfo(path.c_str(), 0, search.first.c_str(), 0, &info), 3) << hostile.Name;
    }
  }
  EXPECT_GT(cutCases, 50u);
}
