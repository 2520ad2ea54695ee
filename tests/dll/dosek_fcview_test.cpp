// What fcview's pack and replace write, read by Dosek as a host reads it:
// every member listed under its code page 932 name and extracted intact.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/dll/archive_host.h"
#include "fcview/vfs_pack.h"

namespace {

constexpr uint32_t ToMemory = 0x100;

struct Named {
  std::string Name; // code page 932 bytes
  Bytes Data;
};

class DosekReadsFcviewArchives : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(LoadArchivePlugin("Dosek" PLUGIN_EXTENSION, &api)); }
  void TearDown() override { UnloadArchivePlugin(&api); }

  // Lists the archive and extracts each member to memory: names and bytes as expected.
  void ExpectMembers(const std::string& path, const std::vector<Named>& members) {
    HLOCAL handle = nullptr;
    ASSERT_EQ(api.GetArchiveInfo(path.c_str(), 0, 0, &handle), 0);
    bool terminated = false;
    const std::vector<HostFileInfo> records = ReadRecords(handle, &terminated);
    LocalFree(handle);
    ASSERT_TRUE(terminated);
    ASSERT_EQ(records.size(), members.size());
    for (size_t i = 0; i < members.size(); ++i) {
      EXPECT_EQ(std::string(records[i].FileName), members[i].Name) << i;
      EXPECT_EQ(records[i].FileSize, members[i].Data.size()) << i;
      HLOCAL block = nullptr;
      ASSERT_EQ(api.GetFile(path.c_str(), records[i].Position, reinterpret_cast<const char*>(&block), ToMemory,
                            nullptr, 0),
                0)
          << i;
      const Bytes got = BlockBytes(block);
      LocalFree(block);
      ASSERT_GE(got.size(), members[i].Data.size());
      EXPECT_TRUE(std::equal(members[i].Data.begin(), members[i].Data.end(), got.begin())) << i;
    }
  }
  ArchiveApi api;
};

Bytes Filled(size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 13);
  return bytes;
}

} // namespace

TEST_F(DosekReadsFcviewArchives, PackedAndReplacedArchivesListAndExtract) {
  std::vector<Named> members = {{"\x89\xE6\x91\x9C.txt", Filled(100, 1)},   // 画像.txt
                                {"\x83\x5C.IPF", Filled(3000, 2)},           // ソ.IPF: trail byte '\'
                                {"TWELVECHARS1", Filled(0, 3)},
                                {"LAST.BIN", Filled(5000, 4)}};
  std::vector<fcview::PackMember> pack;
  for (const Named& m : members) pack.push_back({m.Name, {m.Data.data(), m.Data.size()}});
  fcview::VfsPlan plan;
  std::string reason;
  ASSERT_TRUE(fcview::PlanPack(pack, &plan, &reason)) << reason;
  const Bytes packed = fcview::PlanBytes(plan);
  const std::string packedPath = WriteScratchFile("fcview-packed.vfs", packed);
  ExpectMembers(packedPath, members);

  // Two members replaced, one growing and one shrinking: Dosek finds every member where it now lies.
  const Bytes bigger = Filled(9000, 5), smaller = Filled(1, 6);
  fcview::VfsPlan replaced;
  ASSERT_TRUE(fcview::PlanReplace(InputRange{packed.data(), packed.size()},
                                  {{1, {bigger.data(), bigger.size()}}, {2, {smaller.data(), smaller.size()}}},
                                  &replaced, &reason))
      << reason;
  members[1].Data = bigger;
  members[2].Data = smaller;
  ExpectMembers(WriteScratchFile("fcview-replaced.vfs", fcview::PlanBytes(replaced)), members);
}
