// The VFS format pieces on archives from the project's writer, every read
// bounded by the input range (run under the sanitizers, the cut-archive
// sweeps catch any read past the bytes given).
#include <gtest/gtest.h>

#include <memory>

#include "tests/native/archive_test_catalogue.h"
#include "writers/vfs_writer.h"
#include "vfs_archive/vfs_format.h"

namespace {

Bytes Filled(size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 13);
  return bytes;
}

const std::vector<VfsMember>& ThreeMembers() {
  static const std::vector<VfsMember> members = {
      {"TITLE.IPF", Filled(3000, 1)}, {"TWELVECHARS1", Filled(10, 2)}, {"EMPTY.DAT", {}}};
  return members;
}

// The bytes in a heap block of exactly their size, so any read past them is caught.
struct ExactBlock {
  explicit ExactBlock(const Bytes& bytes) : Data(new uint8_t[bytes.size() + 1]), Size(bytes.size()) {
    if (!bytes.empty()) std::memcpy(Data.get(), bytes.data(), bytes.size());
  }
  InputRange Range() const { return InputRange{Data.get(), Size}; }
  std::unique_ptr<uint8_t[]> Data;
  size_t Size;
};

} // namespace

TEST(VfsFormat, HeaderNeedsMagicSizeRuleAndSixteenBytes) {
  Bytes empty = MakeVfs({});
  EXPECT_EQ(IsVfsHeader(InputRange{empty.data(), empty.size()}, empty.data()), 1);
  EXPECT_EQ(IsVfsHeader(InputRange{empty.data(), 15}, empty.data()), 0);
  VfsLayout layout = LayOutVfs(ThreeMembers());
  layout.DirectorySize += 1;
  Bytes badSize = WriteVfs(layout);
  EXPECT_EQ(CheckVfsHead(InputRange{badSize.data(), 16}), 0);
  Bytes badMagic = MakeVfs(ThreeMembers());
  badMagic[1] = 'G';
  EXPECT_EQ(CheckVfsHead(InputRange{badMagic.data(), 16}), 0);
  // 65535 entries: the count is unsigned and the product is taken in 32 bits.
  VfsLayout big;
  big.EntryCount = 0xFFFF;
  big.DirectorySize = 0xFFFF * 32;
  Bytes bigHead = WriteVfs(big);
  EXPECT_EQ(CheckVfsHead(InputRange{bigHead.data(), 16}), 1);
}

TEST(VfsFormat, ListsEveryEntryWithItsDirectoryPosition) {
  Bytes archive = MakeVfs(ThreeMembers());
  // Bytes the format leaves unread must not matter.
  for (size_t i = 0; i < 3; ++i) {
    for (size_t at : {13u, 14u, 18u, 27u, 31u}) archive[16 + 32 * i + at] = 0xA5;
  }
  HeapCatalogue heap;
  heap.OpenList(700);
  ASSERT_EQ(EnumerateVfsEntries(InputRange{archive.data(), archive.size()}, archive.data(), &heap.Value), 0);
  FinishCatalogue(&heap.Value, 0);
  EXPECT_EQ(heap.ResizeCalls, 1);
  const std::vector<FileInfo> records = heap.Records();
  ASSERT_EQ(records.size(), 4u);
  for (size_t i = 0; i < 3; ++i) {
    const FileInfo& record = records[i];
    EXPECT_EQ(std::memcmp(record.Method, "-vfs-\0\0\0", 8), 0);
    EXPECT_EQ(record.Position, 700 + VfsEntryPosition(i));
    EXPECT_EQ(record.FileSize, ThreeMembers()[i].Data.size());
    EXPECT_EQ(record.CompressedSize, record.FileSize);
    EXPECT_EQ(record.FileName, ThreeMembers()[i].Name);
    EXPECT_TRUE(IsAllZero(record.Path, sizeof record.Path));
    EXPECT_EQ(record.Timestamp, 0u);
    EXPECT_EQ(record.Crc, 0u);
  }
  EXPECT_TRUE(IsAllZero(&records[3], sizeof(FileInfo)));
}

TEST(VfsFormat, CutDirectoryIsDamageAndForeignDataIsNotOurs) {
  const Bytes archive = MakeVfs(ThreeMembers());
  HeapCatalogue heap;
  heap.OpenList(0);
  EXPECT_EQ(EnumerateVfsEntries(InputRange{archive.data(), 16 + 32 * 3 - 1}, archive.data(), &heap.Value),
            ResultBrokenData);
  heap.OpenList(0);
  const Bytes foreign(64, 'x');
  EXPECT_EQ(EnumerateVfsEntries(InputRange{foreign.data(), foreign.size()}, foreign.data(), &heap.Value),
            ResultNotOurFormat);
}

TEST(VfsFormat, NameWithoutTerminatorIsItsThirteenBytesEverywhere) {
  VfsLayout layout = LayOutVfs({{"x", Filled(5, 9)}});
  layout.Entries[0].Name = VfsNameField("THIRTEEN_CHRS");
  const Bytes archive = WriteVfs(layout);
  const InputRange input{archive.data(), archive.size()};
  FileInfo record;
  std::memset(&record, 0x77, sizeof record);
  FillVfsRecord(&record, archive.data(), archive.data() + 16);
  EXPECT_STREQ(record.FileName, "THIRTEEN_CHRS");
  EXPECT_TRUE(IsAllZero(record.FileName + 13, sizeof record.FileName - 13));

  char name[MemberNameBufferSize];
  std::memset(name, 0x77, sizeof name);
  int32_t size = -1;
  VfsMemberCursor cursor{nullptr};
  ASSERT_EQ(LocateVfsMember(input, archive.data() + 16, name, &size, &cursor), 0);
  EXPECT_STREQ(name, "THIRTEEN_CHRS");
  EXPECT_EQ(size, 5);
}

TEST(VfsFormat, FindModeComparesTheBareNameAndAddsTheBase) {
  const Bytes archive = MakeVfs(ThreeMembers());
  const InputRange input{archive.data(), archive.size()};
  FileInfo record;
  HeapCatalogue heap;
  heap.OpenFind(64, &record, "twelvechars1", false);
  EXPECT_EQ(EnumerateVfsEntries(input, archive.data(), &heap.Value), 0);
  heap.OpenFind(64, &record, "twelvechars1", true);
  ASSERT_EQ(EnumerateVfsEntries(input, archive.data(), &heap.Value), EntryFound);
  EXPECT_STREQ(record.FileName, "TWELVECHARS1");
  EXPECT_EQ(record.Position, 64 + VfsEntryPosition(1));
  EXPECT_EQ(record.FileSize, 10u);
}

TEST(VfsFormat, HeaderSearchStepsBackWhileDataOffsetsDoNotDecrease) {
  std::vector<VfsMember> members;
  for (int i = 0; i < 5; ++i) members.push_back({"M" + std::to_string(i), Filled(50, static_cast<uint8_t>(i))});
  VfsLayout layout = LayOutVfs(members);
  // Entry 2's data lies before entry 1's.
  std::swap(layout.Entries[1].DataOffset, layout.Entries[2].DataOffset);
  Bytes archive(300, 0xCC); // the archive sits inside a larger block
  const Bytes vfs = WriteVfs(layout);
  archive.insert(archive.end(), vfs.begin(), vfs.end());
  const ExactBlock block(archive);
  const uint8_t* start = block.Data.get() + 300;
  for (size_t i = 0; i < 5; ++i) {
    const uint8_t* header = FindVfsHeader(block.Range(), start + VfsEntryPosition(i));
    EXPECT_EQ(header, i <= 1 ? start : nullptr) << i;
  }
  // Equal offsets are in order.
  layout = LayOutVfs(members);
  layout.Entries[1].DataOffset = layout.Entries[0].DataOffset;
  const Bytes equal = WriteVfs(layout);
  EXPECT_EQ(FindVfsHeader(InputRange{equal.data(), equal.size()}, equal.data() + VfsEntryPosition(3)),
            equal.data());
}

TEST(VfsFormat, LocatedMemberCopiesItsBytesOrReportsDamage) {
  VfsLayout layout = LayOutVfs(ThreeMembers());
  layout.Entries[1].DataSize = 11; // one byte past the end of the archive
  const ExactBlock block(WriteVfs(layout));
  const uint8_t* archive = block.Data.get();
  char name[MemberNameBufferSize];
  int32_t size = 0;
  VfsMemberCursor cursor{nullptr};
  ASSERT_EQ(LocateVfsMember(block.Range(), archive + 16, name, &size, &cursor), 0);
  EXPECT_STREQ(name, "TITLE.IPF");
  Bytes output(static_cast<size_t>(size));
  ASSERT_EQ(WriteVfsMember(block.Range(), archive + 16, output.data(), size, Progress{}, &cursor), 0);
  EXPECT_EQ(output, ThreeMembers()[0].Data);

  // One byte past the end: refused before anything is made for it.
  EXPECT_EQ(LocateVfsMember(block.Range(), archive + 48, name, &size, &cursor), ResultBrokenData);

  layout.Entries[1].DataSize = 0x80000000u;
  const Bytes huge = WriteVfs(layout);
  EXPECT_EQ(LocateVfsMember(InputRange{huge.data(), huge.size()}, huge.data() + 48, name, &size, &cursor),
            ResultBrokenData);
  // An entry pointer with nothing readable before it has no header to find.
  EXPECT_EQ(LocateVfsMember(block.Range(), archive + 8, name, &size, &cursor), ResultNotOurFormat);
}

TEST(VfsFormat, CutArchivesAndStrayPointersNeverReadOutsideTheirBytes) {
  const Bytes whole = MakeVfs(ThreeMembers());
  for (size_t length = 0; length <= whole.size(); length += (length < 200 ? 1 : 97)) {
    const ExactBlock block(Bytes(whole.begin(), whole.begin() + static_cast<long>(length)));
    HeapCatalogue heap;
    heap.OpenList(0);
    const int32_t listed = EnumerateVfsEntries(block.Range(), block.Data.get(), &heap.Value);
    EXPECT_EQ(listed, length < 16 ? ResultNotOurFormat : length < 112 ? ResultBrokenData : 0) << length;
    for (size_t at = 0; at <= length; ++at) {
      char name[MemberNameBufferSize];
      int32_t size = 0;
      VfsMemberCursor cursor{nullptr};
      if (LocateVfsMember(block.Range(), block.Data.get() + at, name, &size, &cursor) != 0) continue;
      // Only a member wholly inside the bytes is located; the output then needs no more than they hold.
      ASSERT_NE(cursor.MemberStart, nullptr);
      ASSERT_LE(cursor.MemberStart + size, block.Data.get() + length) << length << " " << at;
      Bytes output(static_cast<size_t>(size) + 1);
      const int32_t written =
          WriteVfsMember(block.Range(), block.Data.get() + at, output.data(), size, Progress{}, &cursor);
      EXPECT_EQ(written, 0) << length << " " << at;
    }
  }
}
