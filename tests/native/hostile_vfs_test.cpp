// The hostile VFS archives replayed on the routines behind GetArchiveInfo,
// GetFileInfo and GetFile, each archive in a heap block of exactly its size.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "common/result_codes.h"
#include "tests/hostile/hostile_cases.h"
#include "tests/native/archive_test_catalogue.h"
#include "vfs_archive/vfs_format.h"

namespace {

struct ExactArchive {
  explicit ExactArchive(const Bytes& bytes) : Data(new uint8_t[bytes.size()]), Range{Data.get(), bytes.size()} {
    std::copy(bytes.begin(), bytes.end(), Data.get());
  }
  std::unique_ptr<uint8_t[]> Data;
  InputRange Range;
};

int32_t List(const ExactArchive& archive, size_t* count) {
  HeapCatalogue heap;
  heap.OpenList(0);
  const int32_t result = EnumerateVfsEntries(archive.Range, archive.Data.get(), &heap.Value);
  FinishCatalogue(&heap.Value, result);
  *count = result == ResultSuccess ? static_cast<size_t>(heap.Value.Count) : 0;
  if (result == ResultSuccess) {
    // The terminator and every spare record after it are zero.
    const std::vector<FileInfo> records = heap.Records();
    for (size_t i = *count; i < records.size(); ++i) EXPECT_TRUE(IsAllZero(&records[i], sizeof(FileInfo)));
  }
  return result;
}

// GetFileInfo's answer: every entry seen without a match is 2.
int32_t Search(const ExactArchive& archive, const std::string& name) {
  FileInfo record;
  HeapCatalogue heap;
  heap.OpenFind(0, &record, name.c_str(), false);
  const int32_t found = EnumerateVfsEntries(archive.Range, archive.Data.get(), &heap.Value);
  if (found == ResultSuccess) return ResultNotOurFormat;
  if (found == EntryFound) {
    EXPECT_STREQ(record.FileName, name.c_str());
    return ResultSuccess;
  }
  return found;
}

// GetFile to memory: the host's position past the end leaves the entry
// pointer at the end. The block is the member's size, at least 2048 bytes,
// when the member can lie in the archive; the writer must refuse others
// without writing, so they get one byte.
int32_t Extract(const ExactArchive& archive, uint32_t position) {
  const uint8_t* entry = archive.Data.get() + std::min<size_t>(position, archive.Range.Size);
  char name[MemberNameBufferSize];
  int32_t size = 0;
  VfsMemberCursor cursor{nullptr};
  const int32_t located = LocateVfsMember(archive.Range, entry, name, &size, &cursor);
  if (located != ResultSuccess) return located;
  EXPECT_LT(std::strlen(name), 14u);
  const bool fits = size >= 0 && static_cast<size_t>(size) <= archive.Range.Size;
  std::vector<uint8_t> block(fits ? std::max<size_t>(static_cast<size_t>(size), 2048) : 1, 0);
  const int32_t written = WriteVfsMember(archive.Range, entry, block.data(), size, Progress{}, &cursor);
  if (written == ResultSuccess) {
    EXPECT_TRUE(std::equal(block.begin(), block.begin() + size, cursor.MemberStart));
  } else {
    EXPECT_TRUE(std::all_of(block.begin(), block.end(), [](uint8_t b) { return b == 0; }));
  }
  return written;
}

void ReplayListAndSearch(const VfsCase& hostile) {
  const ExactArchive archive(hostile.File);
  size_t count = 0;
  EXPECT_EQ(List(archive, &count), hostile.ListResult) << hostile.Name;
  EXPECT_EQ(count, hostile.ListResult == ResultSuccess ? hostile.ListedCount : 0) << hostile.Name;
  for (const auto& search : hostile.Searches) {
    EXPECT_EQ(Search(archive, search.first), search.second) << hostile.Name << " " << search.first;
  }
}

void ReplayExtractions(const VfsCase& hostile) {
  const ExactArchive archive(hostile.File);
  for (const VfsExtraction& extraction : hostile.Extractions) {
    EXPECT_EQ(Extract(archive, extraction.Position), extraction.Result) << hostile.Name << " @" << extraction.Position;
  }
}

} // namespace

TEST(HostileVfs, HandMadeCasesGetTheirResults) {
  const std::vector<VfsCase> cases = HostileVfsCases();
  EXPECT_GT(cases.size(), 300u);
  for (const VfsCase& hostile : cases) {
    if (!hostile.CutDirectory) ReplayListAndSearch(hostile);
    ReplayExtractions(hostile);
  }
}

TEST(HostileVfs, FuzzFindingsGetTheirResults) {
  for (const VfsCase& found : FoundVfsCases(FC_HOSTILE_FINDINGS)) {
    ReplayListAndSearch(found);
    ReplayExtractions(found);
  }
}

// A directory that runs past the end of the data is damage: an empty
// listing would tell the user the archive holds nothing.
TEST(HostileVfs, CutDirectoryIsReportedAsDamage) {
  size_t cutCases = 0;
  for (const VfsCase& hostile : HostileVfsCases()) {
    if (!hostile.CutDirectory) continue;
    ++cutCases;
    const ExactArchive archive(hostile.File);
    size_t count = 0;
    EXPECT_EQ(List(archive, &count), ResultBrokenData) << hostile.Name;
    for (const auto& search : hostile.Searches) EXPECT_EQ(Search(archive, search.first), ResultBrokenData) << hostile.Name;
  }
  EXPECT_GT(cutCases, 50u);
}
