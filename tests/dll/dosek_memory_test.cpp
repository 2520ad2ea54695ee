// Memory input comes without a size: every read stays inside the committed
// readable memory around the host's pointer. The archives here end exactly
// where readable memory ends.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/dll/archive_host.h"
#include "writers/vfs_writer.h"

namespace {

constexpr uint32_t ToMemory = 0x100;

// One readable page followed by one that may not be touched.
class DosekMemoryBounds : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadArchivePlugin("Dosek" PLUGIN_EXTENSION, &api));
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    pageSize = system.dwPageSize;
    pages = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * pageSize, MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(pages, nullptr);
    DWORD old;
    ASSERT_TRUE(VirtualProtect(pages + pageSize, pageSize, PAGE_NOACCESS, &old));
  }
  void TearDown() override {
    if (pages != nullptr) VirtualFree(pages, 0, MEM_RELEASE);
    UnloadArchivePlugin(&api);
  }
  // Places `bytes` so that their last byte is the last readable one.
  const char* AtEnd(const Bytes& bytes) {
    uint8_t* at = pages + pageSize - bytes.size();
    std::memcpy(at, bytes.data(), bytes.size());
    return reinterpret_cast<const char*>(at);
  }
  ArchiveApi api;
  uint8_t* pages = nullptr;
  size_t pageSize = 0;
};

std::vector<VfsMember> Members() {
  return {{"ONE.BIN", Bytes(40, 1)}, {"TWO.BIN", Bytes(1500, 2)}};
}

} // namespace

TEST_F(DosekMemoryBounds, ListingStopsAtTheEndOfReadableMemory) {
  const Bytes whole = MakeVfs(Members());
  HLOCAL handle = nullptr;
  ASSERT_EQ(api.GetArchiveInfo(AtEnd(whole), 0, 1, &handle), 0);
  bool terminated = false;
  EXPECT_EQ(ReadRecords(handle, &terminated).size(), 2u);
  LocalFree(handle);

  const Bytes cut(whole.begin(), whole.begin() + 16 + 32 + 20);
  handle = reinterpret_cast<HLOCAL>(1);
  EXPECT_EQ(api.GetArchiveInfo(AtEnd(cut), 0, 1, &handle), 3);
  EXPECT_EQ(handle, nullptr);
  HostFileInfo info;
  EXPECT_EQ(api.GetFileInfo(AtEnd(cut), 0, "TWO.BIN", 1, &info), 3);
  const char* unreadable = reinterpret_cast<const char*>(pages + pageSize);
  EXPECT_EQ(api.GetArchiveInfo(unreadable, 0, 1, &handle), 2);
  EXPECT_EQ(api.IsSupported("", reinterpret_cast<uintptr_t>(unreadable)), 0);
}

TEST_F(DosekMemoryBounds, ExtractionNeverReadsPastTheMemberOrBeforeTheRegion) {
  VfsLayout layout = LayOutVfs(Members());
  const Bytes whole = WriteVfs(layout);
  const char* archive = AtEnd(whole);
  HLOCAL block = nullptr;
  ASSERT_EQ(api.GetFile(archive + VfsEntryPosition(1), 0, reinterpret_cast<const char*>(&block), ToMemory | 1,
                        nullptr, 0),
            0);
  Bytes expected(1500, 2);
  expected.resize(2048, 0);
  EXPECT_EQ(BlockBytes(block), expected);
  LocalFree(block);

  // The member's last byte would be the first unreadable one.
  layout.Entries[1].DataSize += 1;
  archive = AtEnd(WriteVfs(layout));
  block = reinterpret_cast<HLOCAL>(1);
  EXPECT_EQ(api.GetFile(archive + VfsEntryPosition(1), 0, reinterpret_cast<const char*>(&block), ToMemory | 1,
                        nullptr, 0),
            3);
  EXPECT_EQ(block, nullptr) << "refused while locating: null all the same";

  // An entry with no header behind it, and one cut by the end of readable memory.
  const Bytes entryOnly(whole.begin() + 16, whole.begin() + 48);
  std::memcpy(pages, entryOnly.data(), entryOnly.size());
  EXPECT_EQ(api.GetFile(reinterpret_cast<const char*>(pages), 0, reinterpret_cast<const char*>(&block),
                        ToMemory | 1, nullptr, 0),
            2);
  EXPECT_EQ(api.GetFile(reinterpret_cast<const char*>(pages + pageSize - 31), 0,
                        reinterpret_cast<const char*>(&block), ToMemory | 1, nullptr, 0),
            2);
}

TEST_F(DosekMemoryBounds, UnterminatedNameIsItsThirteenBytesInListAndFile) {
  VfsLayout layout = LayOutVfs({{"x", Bytes(3, 7)}});
  layout.Entries[0].Name = VfsNameField("ABCDEFGHI.JKL");
  const char* archive = AtEnd(WriteVfs(layout));
  HLOCAL handle = nullptr;
  ASSERT_EQ(api.GetArchiveInfo(archive, 0, 1, &handle), 0);
  bool terminated = false;
  const std::vector<HostFileInfo> records = ReadRecords(handle, &terminated);
  LocalFree(handle);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_STREQ(records[0].FileName, "ABCDEFGHI.JKL");
  const std::string dest = FreshDirectory("thirteen");
  ASSERT_EQ(api.GetFile(archive + 16, 0, dest.c_str(), 1, nullptr, 0), 0);
  Bytes bytes;
  EXPECT_TRUE(ReadFileBytes(dest + "ABCDEFGHI.JKL", &bytes));
  EXPECT_EQ(bytes, Bytes(3, 7));
}
