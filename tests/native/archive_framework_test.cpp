// The platform-neutral half of the archive framework: catalogue, path text
// in a double-byte code page, and the chunked member copy.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "archive/copy_with_progress.h"
#include "archive/path_text.h"
#include "tests/native/archive_test_catalogue.h"

namespace {

// Lead bytes of code page 932.
bool Cp932Lead(uint8_t byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

void FillEntry(FileInfo* slot, const char* name, uint32_t position) {
  std::memset(slot, 0, sizeof *slot);
  std::strcpy(slot->FileName, name);
  slot->Position = position;
}

int32_t CommitNamed(Catalogue* catalogue, const char* name, uint32_t position) {
  FileInfo* slot = nullptr;
  const int32_t result = NextEntrySlot(catalogue, &slot);
  if (result != ResultSuccess) return result;
  FillEntry(slot, name, position);
  return CommitEntry(catalogue);
}

} // namespace

TEST(ArchiveCatalogue, UnreservedListGrowsPerCommitAddsBaseAndEndsWithZeroRecord) {
  HeapCatalogue heap;
  heap.OpenList(1000);
  ASSERT_EQ(CommitNamed(&heap.Value, "a", 16), 0);
  ASSERT_EQ(CommitNamed(&heap.Value, "b", 48), 0);
  ASSERT_EQ(CommitNamed(&heap.Value, "c", 80), 0);
  EXPECT_EQ(heap.ResizeCalls, 3);
  // A slot filled but never committed must not survive into the host's list.
  FileInfo* stray = nullptr;
  ASSERT_EQ(NextEntrySlot(&heap.Value, &stray), 0);
  FillEntry(stray, "stray", 1);
  FinishCatalogue(&heap.Value, ResultSuccess);
  const std::vector<FileInfo> records = heap.Records();
  ASSERT_EQ(heap.Value.Count, 3);
  EXPECT_STREQ(records[0].FileName, "a");
  EXPECT_EQ(records[0].Position, 1016u);
  EXPECT_EQ(records[2].Position, 1080u);
  EXPECT_TRUE(IsAllZero(&records[3], sizeof(FileInfo)));
}

TEST(ArchiveCatalogue, ReservedListGrowsOnceAndLeavesUnusedRecordsZero) {
  HeapCatalogue heap;
  heap.OpenList(0);
  ASSERT_EQ(ReserveEntries(&heap.Value, 5), 0);
  ASSERT_EQ(CommitNamed(&heap.Value, "a", 16), 0);
  ASSERT_EQ(CommitNamed(&heap.Value, "b", 48), 0);
  FinishCatalogue(&heap.Value, ResultSuccess);
  EXPECT_EQ(heap.ResizeCalls, 1);
  const std::vector<FileInfo> records = heap.Records();
  ASSERT_EQ(records.size(), 6u);
  EXPECT_EQ(records[1].Position, 48u);
  for (size_t i = 2; i < records.size(); ++i) EXPECT_TRUE(IsAllZero(&records[i], sizeof(FileInfo))) << i;
}

TEST(ArchiveCatalogue, GrowthFailureIsReportedAndBadModesAreInternalErrors) {
  HeapCatalogue heap;
  heap.OpenList(0);
  heap.FailResizeAfter = 1;
  ASSERT_EQ(CommitNamed(&heap.Value, "a", 16), 0);
  EXPECT_EQ(CommitNamed(&heap.Value, "b", 48), ResultNoMemory);
  EXPECT_EQ(heap.Value.Count, 1);
  EXPECT_EQ(ReserveEntries(&heap.Value, MaxCatalogueRecords + 1), ResultNoMemory);

  Catalogue broken{};
  broken.Mode = 3;
  FileInfo* slot = nullptr;
  EXPECT_EQ(ReserveEntries(&broken, 1), ResultInternalError);
  EXPECT_EQ(NextEntrySlot(&broken, &slot), ResultInternalError);
  EXPECT_EQ(CommitEntry(&broken), ResultInternalError);
}

TEST(ArchiveCatalogue, FindModeMatchesPathPlusNameWithOrWithoutCase) {
  FileInfo record;
  HeapCatalogue heap;
  heap.OpenFind(500, &record, "A.IPF", false);
  EXPECT_EQ(ReserveEntries(&heap.Value, 40), 0); // no storage in find mode
  EXPECT_EQ(CommitNamed(&heap.Value, "a.ipf", 16), 0);
  EXPECT_EQ(record.Position, 16u); // unmatched: left as the enumerator wrote it
  heap.OpenFind(500, &record, "A.IPF", true);
  EXPECT_EQ(CommitNamed(&heap.Value, "a.ipf", 16), EntryFound);
  EXPECT_EQ(record.Position, 516u);

  heap.OpenFind(0, &record, "dir\\x.bin", false);
  FileInfo* slot = nullptr;
  ASSERT_EQ(NextEntrySlot(&heap.Value, &slot), 0);
  EXPECT_EQ(slot, &record);
  FillEntry(slot, "x.bin", 0);
  std::strcpy(slot->Path, "dir\\");
  EXPECT_EQ(CommitEntry(&heap.Value), EntryFound);
}

TEST(ArchiveCatalogue, FindModeStaysInsideFieldsWithoutTerminators) {
  FileInfo record;
  std::memset(&record, 'p', sizeof record);
  std::memset(record.FileName, 'n', sizeof record.FileName);
  const std::string full = std::string(200, 'p') + std::string(200, 'n');
  HeapCatalogue heap;
  heap.OpenFind(0, &record, full.c_str(), false);
  EXPECT_EQ(CommitEntry(&heap.Value), EntryFound);
  char joined[FullNameBufferSize];
  JoinFullName(record, joined);
  EXPECT_EQ(std::string(joined), full);
}

TEST(ArchivePathText, SeparatorsAndLastCharacterSkipTrailBytes) {
  // 0x95 0x5C is one character whose second byte has the value of '\'.
  EXPECT_EQ(FindLastSeparatorIn("C:\\dir\\\x95\x5C", Cp932Lead), 6);
  EXPECT_EQ(FindLastSeparatorIn("C:\\dir/name", Cp932Lead), 2);
  EXPECT_EQ(FindLastSeparatorIn("name", Cp932Lead), -1);
  EXPECT_EQ(FindLastSeparatorIn("a\\\x95", Cp932Lead), 1); // lone lead byte at the end
  EXPECT_EQ(FindLastCharIn("C:\\dir\\", Cp932Lead), 6u);
  EXPECT_EQ(FindLastCharIn("C:\\\x95\x5C", Cp932Lead), 5u);
  EXPECT_EQ(FindLastCharIn("ab\x95", Cp932Lead), 3u);
  EXPECT_EQ(FindLastCharIn("", Cp932Lead), 0u);
}

TEST(ArchivePathText, AppendAddsOneSeparatorAndRespectsTheLimit) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\out", "C:\\out\\m.bin"},
      {"C:\\out\\", "C:\\out\\m.bin"},
      {"C:\\\x95\x5C", "C:\\\x95\x5C\\m.bin"},
      {"C:", "C:\\m.bin"},
  };
  for (const auto& item : cases) {
    char buffer[260];
    std::strcpy(buffer, item.first);
    ASSERT_TRUE(AppendFileNameIn(buffer, "m.bin", sizeof buffer, Cp932Lead)) << item.first;
    EXPECT_STREQ(buffer, item.second);
  }
  char buffer[260];
  const std::string directory(250, 'd');
  std::strcpy(buffer, directory.c_str());
  EXPECT_TRUE(AppendFileNameIn(buffer, "12345678", sizeof buffer, Cp932Lead)); // 258 characters
  std::strcpy(buffer, directory.c_str());
  EXPECT_FALSE(AppendFileNameIn(buffer, "123456789", sizeof buffer, Cp932Lead));
  EXPECT_EQ(std::string(buffer), directory);
}

TEST(ArchivePathText, OnlyPlainFileNamesMayBeJoinedToTheDestination) {
  for (const char* name : {"a.bin", "README", "..x", "\x95\x5C.txt", "console", "COM0", "LPT10"}) {
    EXPECT_TRUE(IsPlainFileName(name, Cp932Lead)) << name;
  }
  for (const char* name : {"", ".", "..", "..\\x", "a/b", "d\\a", "C:x", "tab\t", "\x95", "NUL", "con.txt",
                           "Com1", "lpt9.dat", "aux ", "nul.tar.gz"}) {
    EXPECT_FALSE(IsPlainFileName(name, Cp932Lead)) << name;
  }
}

namespace {

using Bytes = std::vector<uint8_t>;

struct ProgressLog {
  std::vector<std::pair<int32_t, int32_t>> Calls;
  int32_t StopAt = -1; // answer non-zero to this call (0-based)
};

int32_t FC_STDCALL LogProgress(int32_t done, int32_t total, intptr_t userData) {
  ProgressLog* log = reinterpret_cast<ProgressLog*>(userData);
  log->Calls.emplace_back(done, total);
  return static_cast<int32_t>(log->Calls.size()) - 1 == log->StopAt ? 1 : 0;
}

Bytes Pattern(size_t size) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  return bytes;
}

} // namespace

TEST(ArchiveCopy, ReportsAfterEachFullStepOnly) {
  for (const size_t size : {size_t{3000}, size_t{2048}, size_t{1000}, size_t{0}}) {
    const Bytes source = Pattern(size + 8);
    Bytes output(size + 1, 0xEE);
    ProgressLog log;
    const InputRange input{source.data(), source.size()};
    ASSERT_EQ(CopyWithProgress(input, source.data(), output.data(), static_cast<int32_t>(size), 1024,
                               Progress{LogProgress, reinterpret_cast<intptr_t>(&log)}),
              0);
    EXPECT_TRUE(std::equal(output.begin(), output.begin() + static_cast<long>(size), source.begin())) << size;
    EXPECT_EQ(output[size], 0xEE);
    std::vector<std::pair<int32_t, int32_t>> expected;
    for (int32_t done = 1024; done <= static_cast<int32_t>(size); done += 1024) expected.emplace_back(done, size);
    EXPECT_EQ(log.Calls, expected) << size;
  }
}

TEST(ArchiveCopy, CancelStopsWithinAStepAndUnreadableSourceCopiesNothing) {
  const Bytes source = Pattern(5000);
  const InputRange input{source.data(), source.size()};
  Bytes output(5000, 0);
  ProgressLog log;
  log.StopAt = 1;
  EXPECT_EQ(CopyWithProgress(input, source.data(), output.data(), 5000, 1024,
                             Progress{LogProgress, reinterpret_cast<intptr_t>(&log)}),
            ResultCancelled);
  EXPECT_EQ(log.Calls.size(), 2u);
  EXPECT_EQ(output[2047], source[2047]);
  EXPECT_EQ(output[2048], 0);

  Bytes untouched(100, 0x55);
  EXPECT_EQ(CopyWithProgress(input, source.data() + 4950, untouched.data(), 51, 1024, Progress{}),
            ResultBrokenData);
  EXPECT_EQ(CopyWithProgress(input, nullptr, untouched.data(), 1, 1024, Progress{}), ResultBrokenData);
  EXPECT_EQ(CopyWithProgress(input, source.data(), untouched.data(), -1, 1024, Progress{}), ResultBrokenData);
  EXPECT_EQ(untouched, Bytes(100, 0x55));
  // A null callback copies everything without asking anybody.
  EXPECT_EQ(CopyWithProgress(input, source.data(), output.data(), 5000, 1024, Progress{}), 0);
  EXPECT_EQ(output, source);
}
