// fc_vfs_head and fc_vfs_list: a VFS archive's members from its head and
// directory alone, as the plug-in lists them, each with what extraction would
// answer, judged against the archive's size instead of its bytes.
#include <cstring>

#include "archive/file_info.h"
#include "common/result_codes.h"
#include "vfs_archive/vfs_format.h"
#include "web/core/fc_wasm.h"

namespace {

// `header` is the one extraction finds for the entry, or null.
void DescribeMember(const InputRange& input, const uint8_t* entry, const uint8_t* header, uint64_t archiveSize,
                    FcVfsMember* member) {
  FileInfo record;
  FillVfsRecord(&record, input.First, entry);
  std::memset(member, 0, sizeof *member);
  member->Position = static_cast<uint32_t>(record.Position);
  member->Size = static_cast<uint32_t>(record.CompressedSize);
  member->NameLength = static_cast<uint32_t>(std::strlen(record.FileName));
  std::memcpy(member->Name, record.FileName, member->NameLength);
  // The offset the entry gives, from the header extraction would find.
  const uint64_t headerAt = header == nullptr ? 0 : static_cast<uint64_t>(header - input.First);
  member->Offset = static_cast<double>(headerAt + ReadU32(entry + VfsDataOffsetAt));
  if (header == nullptr) {
    member->Result = ResultNotOurFormat;
    return;
  }
  VfsMemberSpan span;
  member->Result = FindVfsMemberSpan(entry, archiveSize - headerAt, &span);
}

} // namespace

int32_t fc_vfs_head(const uint8_t* bytes, uint32_t size, uint32_t* entryCount) {
  const InputRange head{bytes, size};
  if (!IsVfsHeader(head, bytes)) return ResultNotOurFormat;
  *entryCount = ReadU16(bytes + VfsEntryCountAt);
  return ResultSuccess;
}

int32_t fc_vfs_list(const uint8_t* bytes, uint32_t size, double archiveSize, FcVfsMember* members,
                    uint32_t capacity) {
  const InputRange input{bytes, size};
  if (!IsVfsHeader(input, bytes)) return ResultNotOurFormat;
  const size_t count = ReadU16(bytes + VfsEntryCountAt);
  if (count > capacity) return ResultInternalError;
  // A directory cut short by the end of the archive is damage, as in the plug-in's listing.
  const uint8_t* directory = ReadableAt(input, bytes, VfsHeaderSize, count * VfsEntrySize);
  if (directory == nullptr) return ResultBrokenData;
  // The bytes in hand are the archive's own, whatever size the caller says.
  const uint64_t total =
      archiveSize > static_cast<double>(size) && archiveSize < 0x1p63 ? static_cast<uint64_t>(archiveSize) : size;
  // The headers entry by entry, each from the one before: a walk back from
  // every entry would take a time growing with the square of the count.
  const uint8_t* header = nullptr;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = directory + i * VfsEntrySize;
    header = i == 0 ? FindVfsHeader(input, entry) : FindNextVfsHeader(input, entry, header);
    DescribeMember(input, entry, header, total, &members[i]);
  }
  return ResultSuccess;
}
