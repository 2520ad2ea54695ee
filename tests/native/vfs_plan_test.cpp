// The writers' VFS plans, the one writer under fcview's pack and replace and
// under the tests' archives: a packed plan is the archive the layout writer
// makes, and every refusal comes back as its code with the entries it names.
#include <gtest/gtest.h>

#include <cstring>

#include "vfs_archive/vfs_format.h"
#include "writers/vfs_writer.h"

namespace {

Bytes Filled(size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
  return bytes;
}

InputRange RangeOf(const Bytes& bytes) { return InputRange{bytes.data(), bytes.size()}; }

VfsPiece PieceOf(const Bytes& bytes) { return VfsPiece{bytes.data(), bytes.size()}; }

} // namespace

TEST(VfsPlan, PackedPlanIsTheLaidOutArchiveWithTheDataLeftInPlace) {
  const std::vector<VfsMember> members = {
      {"TITLE.IPF", Filled(300, 1)}, {"EMPTY.DAT", {}}, {"TWELVECHARS1", Filled(17, 2)}};
  std::vector<VfsPackMember> pack;
  for (const VfsMember& m : members) pack.push_back({m.Name, PieceOf(m.Data)});
  VfsPlan plan;
  ASSERT_EQ(PlanVfsPack(pack, &plan).Result, VfsPlanned);
  EXPECT_EQ(PlanBytes(plan), MakeVfs(members));
  EXPECT_EQ(plan.Size(), MakeVfs(members).size());
  EXPECT_EQ(plan.Head.size(), VfsEntryPosition(members.size()));
  // The pieces are the callers' own bytes, not copies.
  ASSERT_EQ(plan.Pieces.size(), 3u);
  for (size_t i = 0; i < members.size(); ++i) EXPECT_EQ(plan.Pieces[i].Data, members[i].Data.data()) << i;

  const Bytes bytes = PlanBytes(plan);
  EXPECT_TRUE(MatchesPlan(RangeOf(bytes), plan));
  Bytes changed = bytes;
  changed.back() ^= 1;
  EXPECT_FALSE(MatchesPlan(RangeOf(changed), plan));
  EXPECT_FALSE(MatchesPlan(InputRange{bytes.data(), bytes.size() - 1}, plan));
}

TEST(VfsPlan, PackRefusesWhatTheFieldsCannotHold) {
  VfsPlan plan;
  // The entry count is 16 bits: 65535 members fit, one more does not.
  std::vector<VfsPackMember> many(VfsMostEntries, VfsPackMember{"A", VfsPiece{nullptr, 0}});
  EXPECT_EQ(PlanVfsPack(many, &plan).Result, VfsPlanned);
  EXPECT_EQ(plan.Head.size(), VfsEntryPosition(VfsMostEntries));
  many.push_back(many.back());
  EXPECT_EQ(PlanVfsPack(many, &plan).Result, VfsTooManyMembers);

  // Offsets are 32 bits: the member whose data would end past them is named.
  static const uint8_t byte = 0;
  const size_t room = 0xFFFFFFFFu - VfsEntryPosition(3);
  const std::vector<VfsPackMember> fits = {{"A", {&byte, 1}}, {"B", {&byte, room - 1}}, {"C", {&byte, 0}}};
  EXPECT_EQ(PlanVfsPack(fits, &plan).Result, VfsPlanned);
  const std::vector<VfsPackMember> over = {{"A", {&byte, 1}}, {"B", {&byte, room}}, {"C", {&byte, 0}}};
  const VfsPlanOutcome outcome = PlanVfsPack(over, &plan);
  EXPECT_EQ(outcome.Result, VfsTooLarge);
  EXPECT_EQ(outcome.Entry, 1u);
}

TEST(VfsPlan, ReplaceNamesTheEntriesOfEveryRefusal) {
  VfsPlan plan;
  const Bytes notVfs = Filled(64, 3);
  EXPECT_EQ(PlanVfsReplace(RangeOf(notVfs), {}, &plan).Result, VfsNotAnArchive);

  const Bytes archive = MakeVfs({{"A.TXT", Filled(10, 4)}, {"B.TXT", Filled(10, 5)}, {"C.TXT", Filled(10, 6)}});
  const Bytes cut(archive.begin(), archive.begin() + VfsEntryPosition(2));
  EXPECT_EQ(PlanVfsReplace(RangeOf(cut), {}, &plan).Result, VfsDirectoryPastEnd);

  const Bytes extra = Filled(4, 7);
  VfsPlanOutcome outcome = PlanVfsReplace(RangeOf(archive), {{3, PieceOf(extra)}}, &plan);
  EXPECT_EQ(outcome.Result, VfsNoSuchEntry);
  EXPECT_EQ(outcome.Entry, 3u);

  // Entry 2's data moved to overlap entry 0's: the pair is named by directory index, data order first.
  VfsLayout layout = LayOutVfs({{"A.TXT", Filled(10, 4)}, {"B.TXT", Filled(10, 5)}, {"C.TXT", Filled(10, 6)}});
  layout.Entries[2].DataOffset = layout.Entries[0].DataOffset + 5;
  const Bytes overlapping = WriteVfs(layout);
  outcome = PlanVfsReplace(RangeOf(overlapping), {}, &plan);
  EXPECT_EQ(outcome.Result, VfsMembersShareBytes);
  EXPECT_EQ(outcome.Entry, 0u);
  EXPECT_EQ(outcome.Other, 2u);

  layout.Entries[2].DataOffset = static_cast<uint32_t>(WriteVfs(layout).size() - 5);
  const Bytes outside = WriteVfs(layout);
  outcome = PlanVfsReplace(RangeOf(outside), {}, &plan);
  EXPECT_EQ(outcome.Result, VfsMemberOutside);
  EXPECT_EQ(outcome.Entry, 2u);
}

TEST(VfsPlan, ReplacedArchiveKeepsEveryOtherByteAndMovesTheOffsets) {
  const Bytes a = Filled(10, 4), b = Filled(10, 5), longer = Filled(25, 8);
  VfsLayout layout = LayOutVfs({{"A.TXT", a}, {"B.TXT", b}});
  layout.Data.insert(layout.Data.end(), {0xEE, 0xEE}); // a tail after the members
  const Bytes archive = WriteVfs(layout);
  VfsPlan plan;
  ASSERT_EQ(PlanVfsReplace(RangeOf(archive), {{0, PieceOf(longer)}}, &plan).Result, VfsPlanned);
  const Bytes replaced = PlanBytes(plan);

  VfsLayout expected = LayOutVfs({{"A.TXT", longer}, {"B.TXT", b}});
  expected.Data.insert(expected.Data.end(), {0xEE, 0xEE});
  EXPECT_EQ(replaced, WriteVfs(expected));
  EXPECT_EQ(ReadU32(replaced.data() + VfsEntryPosition(1) + VfsDataOffsetAt), VfsEntryPosition(2) + 25);
}
