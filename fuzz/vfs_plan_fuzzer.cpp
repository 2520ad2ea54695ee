// The VFS writers' planning as fcview's pack and replace drive it, with the
// archive routines the plug-ins use as the oracle. The first byte chooses:
//   even: pack. The rest is members, each a name length (0 to 12), the
//         name's bytes, a 16-bit size and as many data bytes as remain of it.
//   odd:  replace. A count of replacements (0 to 7), each an entry index, a
//         size and its bytes; the rest of the input is the archive.
// A packed archive must be what the in-memory writer makes of the same
// members, and list exactly its members and hand out their bytes;
// a replaced one the same names with the new data in the replaced entries
// and the old data in the others. A refusal must name what is wrong.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "archive/catalogue.h"
#include "common/result_codes.h"
#include "fuzz/fuzz_check.h"
#include "tests/native/archive_test_catalogue.h"
#include "vfs_archive/vfs_format.h"
#include "writers/vfs_writer.h"

namespace {

struct Reader {
  const uint8_t* At;
  const uint8_t* End;
  size_t Left() const { return static_cast<size_t>(End - At); }
  uint8_t Byte() { return At < End ? *At++ : 0; }
  VfsPiece Piece(size_t size) {
    const size_t taken = size < Left() ? size : Left();
    const VfsPiece piece{At, taken};
    At += taken;
    return piece;
  }
};

// The listing of an archive through the plug-ins' enumerator: names and
// sizes in directory order; false when it does not list.
bool List(const Bytes& archive, std::vector<std::string>* names, std::vector<uint32_t>* sizes) {
  HeapCatalogue heap;
  heap.OpenList(0);
  const InputRange input{archive.data(), archive.size()};
  const int32_t listed = EnumerateVfsEntries(input, archive.data(), &heap.Value);
  FinishCatalogue(&heap.Value, listed);
  if (listed != ResultSuccess) return false;
  const std::vector<FileInfo> records = heap.Records();
  for (int32_t i = 0; i < heap.Value.Count; ++i) {
    names->push_back(std::string(records[i].FileName, strnlen(records[i].FileName, sizeof records[i].FileName)));
    sizes->push_back(static_cast<uint32_t>(records[i].FileSize));
  }
  return true;
}

// Entry `index`'s bytes through GetFile's locator and writer.
int32_t Extract(const Bytes& archive, size_t index, Bytes* data) {
  const InputRange input{archive.data(), archive.size()};
  const uint8_t* entry = archive.data() + VfsEntryPosition(index);
  char name[MemberNameBufferSize];
  int32_t size = 0;
  VfsMemberCursor cursor{nullptr};
  const int32_t located = LocateVfsMember(input, entry, name, &size, &cursor);
  if (located != ResultSuccess) return located;
  data->assign(static_cast<size_t>(size), 0);
  Bytes block(static_cast<size_t>(size) + 1);
  const int32_t written = WriteVfsMember(input, entry, block.data(), size, Progress{}, &cursor);
  if (written == ResultSuccess) data->assign(block.begin(), block.begin() + size);
  return written;
}

bool SamePiece(const Bytes& bytes, const VfsPiece& piece) {
  return bytes.size() == piece.Size && (piece.Size == 0 || std::memcmp(bytes.data(), piece.Data, piece.Size) == 0);
}

// The plan's bytes, which MatchesPlan must take and must refuse changed.
Bytes Written(const VfsPlan& plan) {
  Bytes bytes = PlanBytes(plan);
  FUZZ_CHECK(bytes.size() == plan.Size());
  FUZZ_CHECK(MatchesPlan(InputRange{bytes.data(), bytes.size()}, plan));
  if (!bytes.empty()) {
    Bytes changed = bytes;
    changed[changed.size() / 2] ^= 0x01;
    FUZZ_CHECK(!MatchesPlan(InputRange{changed.data(), changed.size()}, plan));
    changed.pop_back();
    FUZZ_CHECK(!MatchesPlan(InputRange{changed.data(), changed.size()}, plan));
  }
  return bytes;
}

void Pack(Reader in) {
  std::vector<VfsPackMember> members;
  while (in.Left() > 0) {
    const size_t nameLength = in.Byte() % (VfsLongestName + 1);
    std::string name;
    // The caller hands over names without a zero byte.
    for (size_t i = 0; i < nameLength; ++i) name.push_back(static_cast<char>(in.Byte() | 0x20));
    const size_t size = in.Byte() | size_t{in.Byte()} << 8;
    members.push_back(VfsPackMember{name, in.Piece(size)});
  }
  VfsPlan plan;
  const VfsPlanOutcome outcome = PlanVfsPack(members, &plan);
  FUZZ_CHECK(outcome.Result == VfsPlanned);
  const Bytes archive = Written(plan);
  // The other way to write an archive, from members held in memory, gives the same bytes.
  std::vector<VfsMember> held;
  for (const VfsPackMember& member : members) {
    held.push_back(VfsMember{member.Name, Bytes(member.Data.Data, member.Data.Data + member.Data.Size)});
  }
  FUZZ_CHECK(MakeVfs(held) == archive);
  std::vector<std::string> names;
  std::vector<uint32_t> sizes;
  FUZZ_CHECK(List(archive, &names, &sizes) && names.size() == members.size());
  for (size_t i = 0; i < members.size(); ++i) {
    FUZZ_CHECK(names[i] == members[i].Name && sizes[i] == members[i].Data.Size);
    Bytes data;
    FUZZ_CHECK(Extract(archive, i, &data) == ResultSuccess && SamePiece(data, members[i].Data));
  }
}

// The refusal the archive's own fields call for, recomputed here.
void CheckRefusal(const InputRange& archive, const std::vector<VfsReplacement>& replacements,
                  const VfsPlanOutcome& outcome) {
  const bool header = IsVfsHeader(archive, archive.First) != 0;
  FUZZ_CHECK((outcome.Result == VfsNotAnArchive) == !header);
  if (!header) return;
  const size_t count = ReadU16(archive.First + VfsEntryCountAt);
  const uint64_t directoryEnd = VfsHeaderSize + uint64_t{VfsEntrySize} * count;
  FUZZ_CHECK((outcome.Result == VfsDirectoryPastEnd) == (directoryEnd > archive.Size));
  const auto field = [&](size_t entry, size_t at) { return uint64_t{ReadU32(archive.First + VfsEntryPosition(entry) + at)}; };
  switch (outcome.Result) {
    case VfsMemberOutside: {
      FUZZ_CHECK(outcome.Entry < count);
      const uint64_t offset = field(outcome.Entry, VfsDataOffsetAt);
      FUZZ_CHECK(offset < directoryEnd || offset + field(outcome.Entry, VfsDataSizeAt) > archive.Size);
      break;
    }
    case VfsMembersShareBytes: {
      FUZZ_CHECK(outcome.Entry < count && outcome.Other < count && outcome.Entry != outcome.Other);
      const uint64_t a = field(outcome.Entry, VfsDataOffsetAt), b = field(outcome.Other, VfsDataOffsetAt);
      const uint64_t aSize = field(outcome.Entry, VfsDataSizeAt), bSize = field(outcome.Other, VfsDataSizeAt);
      FUZZ_CHECK(aSize != 0 && bSize != 0 && a < b + bSize && b < a + aSize);
      break;
    }
    case VfsNoSuchEntry: {
      FUZZ_CHECK(outcome.Entry >= count);
      bool named = false;
      for (const VfsReplacement& r : replacements) named |= r.Entry == outcome.Entry;
      FUZZ_CHECK(named);
      break;
    }
    default:
      FUZZ_CHECK(outcome.Result == VfsNotAnArchive || outcome.Result == VfsDirectoryPastEnd);
  }
}

void Replace(Reader in) {
  std::vector<VfsReplacement> replacements;
  const size_t count = in.Byte() % 8;
  for (size_t i = 0; i < count; ++i) {
    const size_t entry = in.Byte();
    replacements.push_back(VfsReplacement{entry, in.Piece(in.Byte())});
  }
  const Bytes old(in.At, in.End);
  const InputRange archive{old.data(), old.size()};
  VfsPlan plan;
  const VfsPlanOutcome outcome = PlanVfsReplace(archive, replacements, &plan);
  if (outcome.Result != VfsPlanned) {
    CheckRefusal(archive, replacements, outcome);
    return;
  }
  const Bytes copy = Written(plan);
  std::vector<std::string> oldNames, newNames;
  std::vector<uint32_t> oldSizes, newSizes;
  FUZZ_CHECK(List(old, &oldNames, &oldSizes) && List(copy, &newNames, &newSizes));
  FUZZ_CHECK(oldNames == newNames);
  // The header and every entry's other fields stay as they were.
  FUZZ_CHECK(copy.size() >= VfsEntryPosition(oldNames.size()));
  FUZZ_CHECK(std::memcmp(copy.data(), old.data(), VfsHeaderSize) == 0);
  for (size_t i = 0; i < oldNames.size(); ++i) {
    const size_t at = VfsEntryPosition(i);
    FUZZ_CHECK(std::memcmp(copy.data() + at, old.data() + at, VfsDataOffsetAt) == 0);
    FUZZ_CHECK(std::memcmp(copy.data() + at + VfsDataSizeAt + 4, old.data() + at + VfsDataSizeAt + 4,
                           VfsEntrySize - VfsDataSizeAt - 4) == 0);
    // The last replacement of an entry counts.
    const VfsPiece* replaced = nullptr;
    for (const VfsReplacement& r : replacements) {
      if (r.Entry == i) replaced = &r.Data;
    }
    const uint8_t* entry = old.data() + at;
    const VfsPiece wanted = replaced != nullptr
                                ? *replaced
                                : VfsPiece{old.data() + ReadU32(entry + VfsDataOffsetAt), ReadU32(entry + VfsDataSizeAt)};
    FUZZ_CHECK(newSizes[i] == wanted.Size);
    // The member as the plug-ins hand it out; where the directory's order
    // (or an entry's bytes that look like a header) keeps them from finding
    // the header, as its fields name it.
    Bytes data;
    if (FindVfsHeader(InputRange{copy.data(), copy.size()}, copy.data() + at) == copy.data()) {
      FUZZ_CHECK(Extract(copy, i, &data) == ResultSuccess);
    } else {
      const uint32_t offset = ReadU32(copy.data() + at + VfsDataOffsetAt);
      FUZZ_CHECK(offset <= copy.size() && wanted.Size <= copy.size() - offset);
      data.assign(copy.begin() + offset, copy.begin() + offset + wanted.Size);
    }
    FUZZ_CHECK(SamePiece(data, wanted));
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The members' bytes in a block of exactly their size: a read past it is a report.
  std::unique_ptr<uint8_t[]> copy(new uint8_t[size]);
  std::memcpy(copy.get(), data, size);
  const Reader in{copy.get() + 1, copy.get() + size};
  if ((data[0] & 1) == 0) {
    Pack(in);
  } else {
    Replace(in);
  }
  return 0;
}
