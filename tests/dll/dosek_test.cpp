// Dosek as a host meets it: exports, information table, head probe, listing and find.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "tests/dll/archive_host.h"
#include "writers/vfs_writer.h"

namespace {

Bytes Numbered(size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 31);
  return bytes;
}

std::vector<VfsMember> SampleMembers() {
  return {{"TITLE.IPF", Numbered(3000, 1)}, {"TWELVECHARS1", Numbered(700, 2)}, {"empty.dat", {}}};
}

class DosekTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(LoadArchivePlugin("Dosek" PLUGIN_EXTENSION, &api)); }
  void TearDown() override { UnloadArchivePlugin(&api); }
  ArchiveApi api;
};

using DosekExports = DosekTest;
using DosekListing = DosekTest;
using DosekFind = DosekTest;

} // namespace

TEST_F(DosekExports, ExportedByNameAndOrdinalAndRemoveTheirArguments) {
  const struct {
    const char* Name;
    int Ordinal;
    int ArgumentCount;
  } table[] = {{"GetArchiveInfo", 1, 4}, {"GetFileInfo", 2, 5}, {"GetFile", 3, 6}, {"IsSupported", 4, 2},
               {"GetPluginInfo", 5, 3}};
  for (const auto& entry : table) {
    const FARPROC byName = GetProcAddress(api.Module, entry.Name);
    ASSERT_NE(byName, nullptr) << entry.Name;
    EXPECT_EQ(GetProcAddress(api.Module, MAKEINTRESOURCEA(entry.Ordinal)), byName) << entry.Name;
#if defined(__i386__)
    EXPECT_EQ(StackBytesLeftByCall(byName, entry.ArgumentCount), 0) << entry.Name;
#endif
  }
  EXPECT_EQ(GetProcAddress(api.Module, "ConfigurationDlg"), nullptr);
}

TEST_F(DosekExports, InformationTable) {
  char buffer[64];
  EXPECT_EQ(api.GetPluginInfo(0, buffer, sizeof buffer), 4);
  EXPECT_STREQ(buffer, "00AM");
  EXPECT_EQ(api.GetPluginInfo(2, buffer, sizeof buffer), 5);
  EXPECT_STREQ(buffer, "*.VFS");
  EXPECT_EQ(api.GetPluginInfo(3, buffer, sizeof buffer), 19);
  EXPECT_STREQ(buffer, "F&C Archive (*.vfs)");
  EXPECT_EQ(api.GetPluginInfo(3, buffer, 5), 4);
  EXPECT_STREQ(buffer, "F&C ");
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(api.GetPluginInfo(4, buffer, sizeof buffer), 0);
  EXPECT_EQ(buffer[0], '#');
}

TEST_F(DosekExports, ProbeByAddressAndByHandleKeepingThePosition) {
  Bytes head = MakeVfs(SampleMembers());
  head.resize(2048, 0);
  EXPECT_EQ(api.IsSupported("x.vfs", reinterpret_cast<uintptr_t>(head.data())), 1);
  EXPECT_EQ(api.IsSupported("x.vfs", reinterpret_cast<uintptr_t>(MakeVfs({}).data())), 1);
  Bytes wrongSize = head;
  wrongSize[8] += 1;
  EXPECT_EQ(api.IsSupported("x.vfs", reinterpret_cast<uintptr_t>(wrongSize.data())), 0);

  // Sixteen bytes that end where readable memory ends: the seventeenth is never touched.
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  uint8_t* pages = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * system.dwPageSize, MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(pages, nullptr);
  DWORD old;
  ASSERT_TRUE(VirtualProtect(pages + system.dwPageSize, system.dwPageSize, PAGE_NOACCESS, &old));
  uint8_t* edge = pages + system.dwPageSize - 16;
  std::memcpy(edge, head.data(), 16);
  EXPECT_EQ(api.IsSupported("x.vfs", reinterpret_cast<uintptr_t>(edge)), 1);
  EXPECT_EQ(api.IsSupported("x.vfs", reinterpret_cast<uintptr_t>(edge + 1)), 0);
  VirtualFree(pages, 0, MEM_RELEASE);

  Bytes file(100, 'z');
  const Bytes vfs = MakeVfs(SampleMembers());
  file.insert(file.end(), vfs.begin(), vfs.end());
  const std::string path = WriteScratchFile("probe.vfs", file);
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(api.IsSupported("probe.vfs", reinterpret_cast<uintptr_t>(handle)), 0); // "zzzz..."
  EXPECT_EQ(SetFilePointer(handle, 0, nullptr, FILE_CURRENT), 0u);
  SetFilePointer(handle, 100, nullptr, FILE_BEGIN);
  EXPECT_EQ(api.IsSupported("probe.vfs", reinterpret_cast<uintptr_t>(handle)), 1);
  EXPECT_EQ(SetFilePointer(handle, 0, nullptr, FILE_CURRENT), 100u);
  SetFilePointer(handle, 0, nullptr, FILE_END);
  EXPECT_EQ(api.IsSupported("probe.vfs", reinterpret_cast<uintptr_t>(handle)), 0);
  CloseHandle(handle);
}

TEST_F(DosekListing, PositionsAreDirectoryEntriesPlusTheStartOffset) {
  Bytes file(1000, 0x11);
  const Bytes vfs = MakeVfs(SampleMembers());
  file.insert(file.end(), vfs.begin(), vfs.end());
  const std::string path = WriteScratchFile("inside.bin", file);
  HLOCAL handle = reinterpret_cast<HLOCAL>(1);
  ASSERT_EQ(api.GetArchiveInfo(path.c_str(), 1000, 0, &handle), 0);
  bool terminated = false;
  std::vector<HostFileInfo> records = ReadRecords(handle, &terminated);
  LocalFree(handle);
  EXPECT_TRUE(terminated);
  ASSERT_EQ(records.size(), 3u);
  const std::vector<VfsMember> members = SampleMembers();
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(std::memcmp(records[i].Method, "-vfs-\0\0\0", 8), 0);
    EXPECT_EQ(records[i].Position, 1000 + VfsEntryPosition(i));
    EXPECT_EQ(records[i].FileSize, members[i].Data.size());
    EXPECT_EQ(records[i].CompressedSize, members[i].Data.size());
    EXPECT_STREQ(records[i].FileName, members[i].Name.c_str());
    EXPECT_EQ(records[i].Path[0], '\0');
    // The position the host was given finds the member again: the header search
    // walks back from the entry inside the larger file.
    HLOCAL block = nullptr;
    ASSERT_EQ(api.GetFile(path.c_str(), records[i].Position, reinterpret_cast<const char*>(&block), 0x100, nullptr,
                          0),
              0);
    Bytes expected = members[i].Data;
    expected.resize(std::max<size_t>(expected.size(), 2048), 0);
    EXPECT_EQ(BlockBytes(block), expected);
    LocalFree(block);
  }

  // Memory input: positions as the archive has them; the length means nothing.
  ASSERT_EQ(api.GetArchiveInfo(reinterpret_cast<const char*>(vfs.data()), 12345, 1, &handle), 0);
  records = ReadRecords(handle, &terminated);
  LocalFree(handle);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[2].Position, VfsEntryPosition(2));
}

TEST_F(DosekListing, EmptyArchiveGivesOnlyTheTerminator) {
  const std::string path = WriteScratchFile("empty.vfs", MakeVfs({}));
  HLOCAL handle = nullptr;
  ASSERT_EQ(api.GetArchiveInfo(path.c_str(), 0, 0, &handle), 0);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(LocalSize(handle), sizeof(HostFileInfo));
  bool terminated = false;
  EXPECT_TRUE(ReadRecords(handle, &terminated).empty());
  EXPECT_TRUE(terminated);
  LocalFree(handle);
}

// Every refusal leaves the host's variable null, whatever it held: a host
// that does not set it before the call must not free what it finds there.
TEST_F(DosekListing, RefusalsAndTheirHandleVariable) {
  const Bytes vfs = MakeVfs(SampleMembers());
  const HLOCAL untouched = reinterpret_cast<HLOCAL>(0x1234);
  HLOCAL handle = untouched;
  // A directory cut by the end of the file is damage, not an empty archive.
  const std::string cut = WriteScratchFile("cut.vfs", Bytes(vfs.begin(), vfs.begin() + 16 + 32 * 2));
  EXPECT_EQ(api.GetArchiveInfo(cut.c_str(), 0, 0, &handle), 3);
  EXPECT_EQ(handle, nullptr);
  handle = untouched;
  EXPECT_EQ(api.GetArchiveInfo(cut.c_str(), 1, 0, &handle), 2); // no header at offset 1
  EXPECT_EQ(handle, nullptr);
  handle = untouched;
  EXPECT_EQ(api.GetArchiveInfo(cut.c_str(), 100000, 0, &handle), 2); // offset past the end
  EXPECT_EQ(handle, nullptr);

  handle = untouched;
  EXPECT_EQ(api.GetArchiveInfo(cut.c_str(), 0, 2, &handle), -1);
  EXPECT_EQ(handle, nullptr);
  handle = untouched;
  EXPECT_EQ(api.GetArchiveInfo((ScratchDirectory() + "missing.vfs").c_str(), 0, 0, &handle), 6);
  EXPECT_EQ(handle, nullptr);
  handle = untouched;
  EXPECT_EQ(api.GetArchiveInfo(WriteScratchFile("zero.vfs", {}).c_str(), 0, 0, &handle), 6);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(api.GetArchiveInfo(cut.c_str(), 0, 0, nullptr), 5);
  const HLOCAL* readOnly = reinterpret_cast<const HLOCAL*>(GetModuleHandleA(nullptr));
  EXPECT_EQ(api.GetArchiveInfo(cut.c_str(), 0, 0, const_cast<HLOCAL*>(readOnly)), 5);
}

TEST_F(DosekFind, FindsByNameWithOrWithoutCase) {
  Bytes file(64, 0);
  const Bytes vfs = MakeVfs(SampleMembers());
  file.insert(file.end(), vfs.begin(), vfs.end());
  const std::string path = WriteScratchFile("find.vfs", file);
  HostFileInfo info;
  ASSERT_EQ(api.GetFileInfo(path.c_str(), 64, "TWELVECHARS1", 0, &info), 0);
  EXPECT_EQ(info.Position, 64 + VfsEntryPosition(1));
  EXPECT_EQ(info.FileSize, 700u);
  EXPECT_EQ(api.GetFileInfo(path.c_str(), 64, "twelvechars1", 0, &info), 2);
  ASSERT_EQ(api.GetFileInfo(path.c_str(), 64, "twelvechars1", 0x80, &info), 0);
  EXPECT_STREQ(info.FileName, "TWELVECHARS1");
  // Bits above 10 are not the case flag.
  EXPECT_EQ(api.GetFileInfo(path.c_str(), 64, "title.ipf", 0x8000, &info), 2);
  EXPECT_EQ(api.GetFileInfo(path.c_str(), 64, "nothing", 0x80, &info), 2);

  ASSERT_EQ(api.GetFileInfo(reinterpret_cast<const char*>(vfs.data()), 0, "empty.dat", 1, &info), 0);
  EXPECT_EQ(info.Position, VfsEntryPosition(2));

  std::memset(&info, 0x5A, sizeof info);
  EXPECT_EQ(api.GetFileInfo(path.c_str(), 64, "TITLE.IPF", 3, &info), -1);
  const HostFileInfo zero{};
  EXPECT_EQ(std::memcmp(&info, &zero, sizeof info), 0);
  EXPECT_EQ(api.GetFileInfo(path.c_str(), 64, "TITLE.IPF", 0, nullptr), 5);
}
