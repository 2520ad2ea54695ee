// Dosek's GetFile: to disk and to memory, progress and cancel, and the
// guarantees around the target file.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/dll/archive_host.h"
#include "writers/vfs_writer.h"

namespace {

using Calls = std::vector<std::pair<int32_t, int32_t>>;

constexpr uint32_t ToMemory = 0x100;

Bytes Numbered(size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 31);
  return bytes;
}

std::vector<VfsMember> Members() {
  return {{"TITLE.IPF", Numbered(3000, 1)}, {"SMALL.TXT", Numbered(700, 2)}, {"EMPTY.DAT", {}},
          {"TWELVECHARS1", Numbered(2048, 3)}};
}

class DosekExtract : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadArchivePlugin("Dosek" PLUGIN_EXTENSION, &api));
    archive = WriteScratchFile("extract.vfs", MakeVfs(Members()));
  }
  void TearDown() override { UnloadArchivePlugin(&api); }
  int32_t ToDisk(const std::string& src, size_t entry, const std::string& dest, ProgressLog* log = nullptr) {
    return api.GetFile(src.c_str(), VfsEntryPosition(entry), dest.c_str(), 0, log ? LogProgress : nullptr,
                       log ? log->UserData() : 0);
  }
  Bytes OnDisk(const std::string& path) {
    Bytes bytes;
    EXPECT_TRUE(ReadFileBytes(path, &bytes)) << path;
    return bytes;
  }
  ArchiveApi api;
  std::string archive;
};

using DosekExtractSafety = DosekExtract;

} // namespace

TEST_F(DosekExtract, ToDiskWithProgressWithAndWithoutTrailingBackslash) {
  const std::string dest = FreshDirectory("plain");
  ProgressLog log;
  ASSERT_EQ(ToDisk(archive, 0, dest, &log), 0);
  EXPECT_EQ(log.Calls, (Calls{{0, 1}, {1024, 3000}, {2048, 3000}, {1, 1}}));
  EXPECT_EQ(OnDisk(dest + "TITLE.IPF"), Members()[0].Data);

  const std::string bare = dest.substr(0, dest.size() - 1);
  log = ProgressLog{};
  ASSERT_EQ(ToDisk(archive, 1, bare, &log), 0);
  EXPECT_EQ(log.Calls, (Calls{{0, 1}, {1, 1}}));
  EXPECT_EQ(OnDisk(dest + "SMALL.TXT"), Members()[1].Data);
  ASSERT_EQ(ToDisk(archive, 3, bare), 0);
  EXPECT_EQ(OnDisk(dest + "TWELVECHARS1"), Members()[3].Data);
  EXPECT_TRUE(FilesStartingWith(dest, "SPI").empty());
}

TEST_F(DosekExtract, EmptyMemberGivesAnEmptyFileOrAZeroBlock) {
  const std::string dest = FreshDirectory("empty");
  ProgressLog log;
  ASSERT_EQ(ToDisk(archive, 2, dest, &log), 0);
  EXPECT_EQ(log.Calls, (Calls{{0, 1}, {1, 1}}));
  EXPECT_TRUE(FileExists(dest + "EMPTY.DAT"));
  EXPECT_TRUE(OnDisk(dest + "EMPTY.DAT").empty());
  EXPECT_TRUE(FilesStartingWith(dest, "SPI").empty());

  HLOCAL block = nullptr;
  ASSERT_EQ(api.GetFile(archive.c_str(), VfsEntryPosition(2), reinterpret_cast<const char*>(&block), ToMemory,
                        nullptr, 0),
            0);
  EXPECT_EQ(BlockBytes(block), Bytes(2048, 0));
  LocalFree(block);
}

TEST_F(DosekExtract, NestedDestinationIsCreatedLevelByLevel) {
  const std::string root = FreshDirectory("nested");
  const std::string dest = root + "one\\two\\three";
  ASSERT_EQ(ToDisk(archive, 1, dest), 0);
  EXPECT_EQ(OnDisk(dest + "\\SMALL.TXT"), Members()[1].Data);
  // A destination longer than 259 characters: refused before anything is made.
  const std::string tooLong = root + "long\\" + std::string(260, 'x');
  EXPECT_EQ(ToDisk(archive, 1, tooLong), 9);
  EXPECT_FALSE(FileExists(root + "long"));
}

TEST_F(DosekExtract, ToMemoryFromFileAndFromMemoryImage) {
  HLOCAL block = nullptr;
  ProgressLog log;
  ASSERT_EQ(api.GetFile(archive.c_str(), VfsEntryPosition(0), reinterpret_cast<const char*>(&block), ToMemory,
                        LogProgress, log.UserData()),
            0);
  EXPECT_EQ(log.Calls, (Calls{{0, 1}, {1024, 3000}, {2048, 3000}, {1, 1}}));
  EXPECT_EQ(BlockBytes(block), Members()[0].Data);
  LocalFree(block);

  // Memory input: the host passes the address of the member's directory entry.
  const Bytes image = MakeVfs(Members());
  const char* entry = reinterpret_cast<const char*>(image.data() + VfsEntryPosition(1));
  ASSERT_EQ(api.GetFile(entry, 999, reinterpret_cast<const char*>(&block), ToMemory | 1, nullptr, 0), 0);
  Bytes expected = Members()[1].Data;
  expected.resize(2048, 0);
  EXPECT_EQ(BlockBytes(block), expected);
  LocalFree(block);
  const std::string dest = FreshDirectory("frommemory");
  ASSERT_EQ(api.GetFile(entry, 0, dest.c_str(), 1, nullptr, 0), 0);
  EXPECT_EQ(OnDisk(dest + "SMALL.TXT"), Members()[1].Data);
}

TEST_F(DosekExtract, OutOfOrderDirectoryStopsTheHeaderSearch) {
  VfsLayout layout = LayOutVfs(Members());
  std::swap(layout.Entries[1].DataOffset, layout.Entries[2].DataOffset);
  std::swap(layout.Entries[1].DataSize, layout.Entries[2].DataSize);
  const std::string path = WriteScratchFile("order.vfs", WriteVfs(layout));
  HLOCAL handle = nullptr;
  ASSERT_EQ(api.GetArchiveInfo(path.c_str(), 0, 0, &handle), 0);
  bool terminated = false;
  EXPECT_EQ(ReadRecords(handle, &terminated).size(), 4u);
  LocalFree(handle);
  const std::string dest = FreshDirectory("order");
  EXPECT_EQ(ToDisk(path, 0, dest), 0);
  EXPECT_EQ(ToDisk(path, 1, dest), 0);
  EXPECT_EQ(OnDisk(dest + "SMALL.TXT"), Bytes{}); // entry 1 now points at the empty member's data
  EXPECT_EQ(ToDisk(path, 2, dest), 2);
  EXPECT_EQ(ToDisk(path, 3, dest), 2);
  EXPECT_FALSE(FileExists(dest + "EMPTY.DAT"));
  EXPECT_FALSE(FileExists(dest + "TWELVECHARS1"));
}

TEST_F(DosekExtract, DataPastTheEndIsDamageAndLeavesNothing) {
  VfsLayout layout = LayOutVfs(Members());
  layout.Entries[3].DataSize += 1;
  const std::string path = WriteScratchFile("spill.vfs", WriteVfs(layout));
  const std::string dest = FreshDirectory("spill");
  EXPECT_EQ(ToDisk(path, 3, dest), 3);
  EXPECT_FALSE(FileExists(dest + "TWELVECHARS1"));
  EXPECT_TRUE(FilesStartingWith(dest, "SPI").empty());
  HLOCAL block = reinterpret_cast<HLOCAL>(1);
  EXPECT_EQ(api.GetFile(path.c_str(), VfsEntryPosition(3), reinterpret_cast<const char*>(&block), ToMemory, nullptr,
                        0),
            3);
  // Refused while locating, before any block: still null for the host.
  EXPECT_EQ(block, nullptr);
  // A position that is not a directory entry.
  EXPECT_EQ(ToDisk(path, 0, dest), 0);
  EXPECT_EQ(api.GetFile(path.c_str(), 5, dest.c_str(), 0, nullptr, 0), 2);
}

// The cancel at the first report opens nothing; the host's variable for a
// block in memory is null all the same.
TEST_F(DosekExtract, CancelAtStartTouchesNothing) {
  const std::string dest = ScratchDirectory() + "never_made";
  RemoveTree(dest);
  ProgressLog log;
  log.StopAt = 0;
  EXPECT_EQ(ToDisk(archive, 0, dest, &log), 1);
  EXPECT_EQ(log.Calls, (Calls{{0, 1}}));
  EXPECT_FALSE(FileExists(dest));
  HLOCAL block = reinterpret_cast<HLOCAL>(7);
  log = ProgressLog{};
  log.StopAt = 0;
  EXPECT_EQ(api.GetFile(archive.c_str(), VfsEntryPosition(0), reinterpret_cast<const char*>(&block), ToMemory,
                        LogProgress, log.UserData()),
            1);
  EXPECT_EQ(block, nullptr);
}

TEST_F(DosekExtract, CancelDuringTheCopy) {
  const std::string dest = FreshDirectory("cancel");
  ProgressLog log;
  log.StopAt = 2; // at (2048, 3000)
  EXPECT_EQ(ToDisk(archive, 0, dest, &log), 1);
  EXPECT_EQ(log.Calls, (Calls{{0, 1}, {1024, 3000}, {2048, 3000}}));
  // A target this call created does not stay behind as an empty file.
  EXPECT_FALSE(FileExists(dest + "TITLE.IPF"));
  EXPECT_TRUE(FilesStartingWith(dest, "SPI").empty());

  const Bytes before = {'o', 'l', 'd'};
  WriteFileBytes(dest + "TITLE.IPF", before);
  log = ProgressLog{};
  log.StopAt = 1;
  EXPECT_EQ(ToDisk(archive, 0, dest, &log), 1);
  EXPECT_EQ(OnDisk(dest + "TITLE.IPF"), before);
  EXPECT_TRUE(FilesStartingWith(dest, "SPI").empty());

  HLOCAL block = reinterpret_cast<HLOCAL>(7);
  log = ProgressLog{};
  log.StopAt = 1;
  EXPECT_EQ(api.GetFile(archive.c_str(), VfsEntryPosition(0), reinterpret_cast<const char*>(&block), ToMemory,
                        LogProgress, log.UserData()),
            1);
  EXPECT_EQ(block, nullptr);
}

TEST_F(DosekExtract, RefusedKindsAndInputs) {
  ProgressLog log;
  HLOCAL block = reinterpret_cast<HLOCAL>(7);
  EXPECT_EQ(api.GetFile(archive.c_str(), VfsEntryPosition(0), reinterpret_cast<const char*>(&block), 0x200,
                        LogProgress, log.UserData()),
            -1);
  EXPECT_EQ(log.Calls, (Calls{{0, 1}}));
  EXPECT_EQ(block, reinterpret_cast<HLOCAL>(7));
  EXPECT_EQ(api.GetFile(archive.c_str(), VfsEntryPosition(0), reinterpret_cast<const char*>(&block), 2, nullptr, 0),
            -1);
  EXPECT_EQ(api.GetFile((ScratchDirectory() + "missing.vfs").c_str(), 16, ScratchDirectory().c_str(), 0, nullptr,
                        0),
            6);
  // To memory, an archive that cannot be opened leaves the variable null.
  block = reinterpret_cast<HLOCAL>(7);
  EXPECT_EQ(api.GetFile((ScratchDirectory() + "missing.vfs").c_str(), 16, reinterpret_cast<const char*>(&block),
                        ToMemory, nullptr, 0),
            6);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(api.GetFile(archive.c_str(), VfsEntryPosition(0), nullptr, ToMemory, nullptr, 0), 5);
}

TEST_F(DosekExtractSafety, ExistingTargetIsReplacedInOneStep) {
  const std::string dest = FreshDirectory("replace");
  WriteFileBytes(dest + "SMALL.TXT", Bytes(5000, 'x'));
  ASSERT_EQ(ToDisk(archive, 1, dest), 0);
  EXPECT_EQ(OnDisk(dest + "SMALL.TXT"), Members()[1].Data);
  EXPECT_TRUE(FilesStartingWith(dest, "SPI").empty());
}

TEST_F(DosekExtractSafety, ReadOnlyOrOpenTargetStaysAsItWas) {
  const std::string dest = FreshDirectory("locked");
  const std::string target = dest + "SMALL.TXT";
  const Bytes before = {'k', 'e', 'e', 'p'};
  WriteFileBytes(target, before);
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(ToDisk(archive, 1, dest), 9);
  EXPECT_EQ(OnDisk(target), before);
  SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);

  HANDLE open = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(open, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ToDisk(archive, 1, dest), 9);
  CloseHandle(open);
  EXPECT_EQ(OnDisk(target), before);
  EXPECT_TRUE(FilesStartingWith(dest, "SPI").empty());
}

TEST_F(DosekExtractSafety, NamesThatAreNotPlainFileNamesWriteNothing) {
  const char* const names[] = {"..\\ESCAPE", "../ESCAPE", "C:ESCAPE", "..", ".", "", "sub\\x", "NUL", "CON.TXT"};
  std::vector<VfsMember> members;
  for (const char* name : names) members.push_back({name, Numbered(10, 9)});
  const std::string path = WriteScratchFile("unsafe.vfs", MakeVfs(members));
  HLOCAL handle = nullptr;
  ASSERT_EQ(api.GetArchiveInfo(path.c_str(), 0, 0, &handle), 0);
  bool terminated = false;
  const std::vector<HostFileInfo> records = ReadRecords(handle, &terminated);
  LocalFree(handle);
  // Listing shows the names as stored (an empty name leaves a record that is not all zero).
  ASSERT_EQ(records.size(), members.size());
  for (size_t i = 0; i < records.size(); ++i) EXPECT_STREQ(records[i].FileName, names[i]);

  const std::string parent = FreshDirectory("unsafe");
  CreateDirectoryA((parent + "sub").c_str(), nullptr);
  const std::string dest = parent + "dest";
  for (size_t i = 0; i < members.size(); ++i) {
    EXPECT_EQ(ToDisk(path, i, dest), 9) << names[i];
    HLOCAL block = nullptr;
    EXPECT_EQ(api.GetFile(path.c_str(), VfsEntryPosition(i), reinterpret_cast<const char*>(&block), ToMemory,
                          nullptr, 0),
              0)
        << names[i];
    LocalFree(block);
  }
  EXPECT_FALSE(FileExists(dest));
  EXPECT_FALSE(FileExists(parent + "ESCAPE"));
  EXPECT_FALSE(FileExists(parent + "sub\\x"));
  EXPECT_TRUE(FilesStartingWith(parent, "SPI").empty());
}
